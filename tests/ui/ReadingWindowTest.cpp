// "进入点读" in the real main window: the point-reading window runs modally, the pen's keys at it reach the
// main window's playback, whose log lines land in the window's log; closing it ends the routing and the
// key watcher.
#include "app/Folders.h"
#include "audio/Playback.h"
#include "controls/GridListCtrlEx1.h"
#include "library/SoundLibrary.h"
#include "reading/KeyboardHook.h"
#include "reading/Training.h"
#include "support/TestSupport.h"
#include "ui/KIVDlg.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(ReadingWindow, PenCodesPlayThroughTheMainWindowAndItsLogLinesLandInTheWindow) {
    TempFolder folder;
    ProgramFolder = folder.path();
    MessageBoxRecorder boxes;
    CSoundLibrary library;
    // A type playback cannot play: it only writes its log line, so no sound server is needed.
    writeFile(folder.file("KIV_Lib.cfg"), "000042  \"x\"  S_OGG  \"" + folder.path() + "a.ogg\"\r\n");
    auto dlg = std::make_unique<CKIVDlg>();
    ASSERT_TRUE(dlg->Create());

    QString logged, secondRow;
    bool ran = false;
    QTimer::singleShot(0, dlg.get(), [&] {
        auto* training = qobject_cast<CTraining*>(dlg->Training());
        ASSERT_NE(training, nullptr);
        ran = true;
        EXPECT_EQ(dlg->Playback().LogWindow(), training);
        EXPECT_EQ(keyborad_hook.hwnd, dlg.get()) << "the pen's codes go to the main window";
        if (QTest::qWaitForWindowExposed(training)) {
            QWindow* w = training->windowHandle();
            for (Qt::Key k :
                 {Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_4, Qt::Key_2, Qt::Key_Return})
                QTest::keyClick(w, k);
            // A code that is not filed logs nothing.
            for (Qt::Key k :
                 {Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_4, Qt::Key_3, Qt::Key_Return})
                QTest::keyClick(w, k);
            QCoreApplication::processEvents();
        }
        logged = training->m_LogList->GetItemText(0, 1);
        secondRow = training->m_LogList->GetItemText(1, 1);
        qobject_cast<QPushButton*>(training->GetDlgItem(1))->click();
    });
    qobject_cast<QPushButton*>(dlg->GetDlgItem(1008))->click();
    ASSERT_TRUE(ran);
    EXPECT_EQ(logged, QStringLiteral("不能支持的文件格式 \"S_OGG\" --- \"%1a.ogg\" !")
                          .arg(QString::fromStdString(folder.path())));
    EXPECT_TRUE(secondRow.isEmpty());
    EXPECT_EQ(boxes.count(), 0u);
    // Closed: no log window, no watcher.
    EXPECT_EQ(dlg->Training(), nullptr);
    EXPECT_EQ(dlg->Playback().LogWindow(), nullptr);
    EXPECT_EQ(keyborad_hook.hhook, nullptr);
    dlg.reset();
    ProgramFolder.clear();
}
