// Filling the book from the main window: a dropped folder imported with progress and one summary, a
// cancelled import keeping what it filed, and lines of text spoken into records from the speech dialog.
#include "app/Folders.h"
#include "controls/GridListCtrlEx2.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "support/TestSupport.h"
#include "support/Wave.h"
#include "ui/KIVDlg.h"
#include "ui/SpeakTextDlg.h"

#include <QApplication>
#include <QDir>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class Fill : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramFolder = m_Book.path();
        m_Dlg = std::make_unique<CKIVDlg>();
        ASSERT_TRUE(m_Dlg->Create());
    }
    void TearDown() override {
        m_Dlg.reset();
        ProgramFolder.clear();
    }
    int filledRows() const { return m_Dlg->RecordList()->m_FilledRows; }

    TempFolder m_Book, m_Sources;
    MessageBoxRecorder m_Boxes;
    CSoundLibrary m_Library;
    std::unique_ptr<CKIVDlg> m_Dlg;
};

} // namespace

TEST_F(Fill, DroppedFolderIsImportedWithProgressAndCancelKeepsWhatIsFiled) {
    for (int i = 1; i <= 8; ++i)
        writeTone(m_Sources.file("lesson " + std::to_string(i) + ".wav"), 0.5, 440);
    QStringList labels;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) {
                if (labels.isEmpty() || labels.back() != p->labelText())
                    labels << p->labelText();
                if (p->labelText().startsWith(QStringLiteral("3 / 8")))
                    p->cancel();
            }
    });
    watch.start();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(m_Sources.path()))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_Dlg.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_Dlg.get(), &drop);
    // The import runs after the drop has returned; its summary box ends it.
    for (int i = 0; i < 2000 && m_Boxes.count() == 0; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    watch.stop();

    ASSERT_EQ(m_Boxes.count(), 1u);
    ASSERT_FALSE(labels.isEmpty());
    // "n / total" over the name of the file under way.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[1-8] / 8\n.*/lesson [1-8]\\.wav$"))
                    .match(labels.first())
                    .hasMatch())
        << labels.first().toStdString();
    const QString summary = m_Boxes.last().text;
    EXPECT_EQ(m_Boxes.last().caption, QStringLiteral("导入声音文件"));
    // Stopped after the file under way: what was filed stays, the rest was never touched.
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^已保存 (\\d+) 个声音。\n已取消，其余 (\\d+) 个没有处理。"))
            .match(summary);
    ASSERT_TRUE(m.hasMatch()) << summary.toStdString();
    const int filed = m.captured(1).toInt();
    EXPECT_EQ(filed + m.captured(2).toInt(), 8);
    EXPECT_GE(filed, 2);
    EXPECT_LT(filed, 8);
    EXPECT_EQ(static_cast<int>(m_Library.RecordCount()), filed);
    EXPECT_EQ(filledRows(), filed);
    EXPECT_EQ(m_Dlg->RecordList()->GetItemText(0, 1), QStringLiteral("lesson 1"));
    EXPECT_TRUE(summary.contains(QStringLiteral("000001  lesson 2")));
}

TEST_F(Fill, EachLineOfTheSpeechDialogBecomesOneSpokenRecord) {
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<CSpeakTextDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->Edit()->setPlainText(QStringLiteral("  苹果 \n\n香蕉\n"));
        dlg->accept();
    });
    m_Dlg->OnSpeakText();
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().caption, QStringLiteral("文字转语音"));
    EXPECT_TRUE(m_Boxes.last().text.startsWith(QStringLiteral("已保存 2 个声音。")))
        << m_Boxes.last().text.toStdString();
    ASSERT_EQ(filledRows(), 2);
    EXPECT_EQ(m_Dlg->RecordList()->GetItemText(0, 1), QStringLiteral("苹果"));
    EXPECT_EQ(m_Dlg->RecordList()->GetItemText(1, 1), QStringLiteral("香蕉"));
    const SOUND_RECORD* r = m_Library.FindRecord(1);
    ASSERT_NE(r, nullptr);
    EXPECT_GT(fileSize(nativePath(r->SoundFile.view())), 10000);
}
