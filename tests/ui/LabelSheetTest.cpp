// "打印标签页..." from the record list and from the "点读书" popup: the dialog opens on the right records, in
// the right order, and "打印" puts them on label pages through the shared print dialog.
#include "app/Folders.h"
#include "barcode/LabelSheetDlg.h"
#include "barcode/SharedPrintDialog.h"
#include "controls/GridListCtrlEx2.h"
#include "controls/My_Menu_1.h"
#include "library/SoundLibrary.h"
#include "platform/Gbk.h"
#include "platform/UiText.h"
#include "support/TestSupport.h"
#include "ui/BookMenu.h"
#include "ui/KIVDlg.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {
class LabelSheets : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramFolder = m_Folder.path();
        std::string text;
        int code = 0;
        for (const char* content : {"苹果", "香蕉", "橙子", "葡萄"})
            text += "00000" + std::to_string(++code) + "  \"" + toGbk(QString::fromUtf8(content)) +
                    "\"  S_WAV  \"x.wav\"\r\n";
        writeFile(m_Folder.file("KIV_Lib.cfg"), text);
        m_Dlg = std::make_unique<CKIVDlg>();
        ASSERT_TRUE(m_Dlg->Create());
        setMainWindow(&m_Receiver); // selecting a row would play it
        m_Print.SetOutputFile(QString::fromStdString(m_Pdf));
    }
    void TearDown() override {
        SetTrackPopupResponder(nullptr);
        setMainWindow(m_Dlg.get());
        m_Dlg.reset();
        ProgramFolder.clear();
    }

    // Runs the check on the label dialog once it is up, then presses "打印".
    void whenShown(std::function<void(CLabelSheetDlg*)> check) {
        auto* timer = new QTimer(m_Dlg.get());
        QObject::connect(timer, &QTimer::timeout, [timer, check] {
            if (auto* dlg = qobject_cast<CLabelSheetDlg*>(QApplication::activeModalWidget())) {
                timer->deleteLater();
                check(dlg);
                dlg->m_pPrint->click();
            }
        });
        timer->start(20);
    }
    // Each label's text as pdftotext reads it, one word a line.
    QStringList printedWords() const {
        QProcess p;
        p.start("pdftotext", {QString::fromStdString(m_Pdf), "-"});
        p.waitForFinished(60000);
        QStringList words;
        for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
            if (!line.trimmed().isEmpty()) // page breaks come as form feeds
                words << line.trimmed();
        return words;
    }

    TempFolder m_Folder;
    MessageBoxRecorder m_Boxes;
    CSoundLibrary m_Library;
    CSharedPrintDialog m_Print;
    RecordingReceiver m_Receiver;
    std::unique_ptr<CKIVDlg> m_Dlg;
    std::string m_Pdf = m_Folder.file("labels.pdf");
};
} // namespace

TEST_F(LabelSheets, RecordListPrintsTheSelectedRowsInListOrderWithCopies) {
    CGridListCtrlEx2* list = m_Dlg->RecordList();
    list->selectRow(2);
    list->selectionModel()->select(list->Model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QStringList entries;
    SetTrackPopupResponder([&](QMenu* menu) -> QAction* {
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions()) {
            entries << withoutAccelerator(a->text());
            if (withoutAccelerator(a->text()) == QStringLiteral("打印标签页..."))
                chosen = a;
        }
        return chosen;
    });
    whenShown([](CLabelSheetDlg* dlg) {
        dlg->m_pSheet->setCurrentIndex(dlg->m_pSheet->findData(QStringLiteral("a4-5x13")));
        dlg->m_pCopies->setValue(2);
        dlg->m_pStart->setValue(64);
        EXPECT_EQ(dlg->Pages().PageCount(), 2);
    });
    list->OnContextMenu();
    EXPECT_EQ(entries.indexOf(QStringLiteral("打印标签页...")),
              entries.indexOf(QStringLiteral("打印条码")) + 1);
    ASSERT_EQ(m_Print.Jobs(), 1);
    const QString first = list->GetItemText(0, 0), second = list->GetItemText(2, 0);
    const QStringList want{first,  list->GetItemText(0, 1), first,  list->GetItemText(0, 1),
                           second, list->GetItemText(2, 1), second, list->GetItemText(2, 1)};
    EXPECT_EQ(printedWords(), want);
    EXPECT_EQ(m_Boxes.count(), 0u);
}

TEST_F(LabelSheets, BookMenuPrintsEveryRecordInEnumerationOrder) {
    QAction* command = nullptr;
    for (QAction* a : m_Dlg->findChildren<QAction*>())
        if (a->data().toInt() == ID_BOOK_LABELS)
            command = a;
    ASSERT_TRUE(command);
    whenShown([](CLabelSheetDlg* dlg) { EXPECT_EQ(dlg->Pages().LabelCount(), 4); });
    // As a click on the entry does: the bar reports it, the window gets the command.
    emit m_Dlg->findChild<QMenuBar*>()->triggered(command);
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(m_Print.Jobs(), 1);
    QStringList want;
    m_Library.ForEachRecord(
        [&](const SOUND_RECORD* r) { want << fromGbk(r->Code.view()) << fromGbk(r->Content.view()); });
    EXPECT_EQ(printedWords(), want);
}
