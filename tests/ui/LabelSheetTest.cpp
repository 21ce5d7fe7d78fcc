// "打印标签页..." from the record list and from the "点读书" popup: the dialog offers the whole book, the
// selected rows or a range of codes, always in code order, refuses a range that is no range, previews
// with Qt's preview, and "打印" puts the labels on pages through the shared print dialog.
#include "app/Folders.h"
#include "barcode/LabelSheetDlg.h"
#include "barcode/SharedPrintDialog.h"
#include "controls/GridListCtrlEx2.h"
#include "controls/My_Menu_1.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"
#include "platform/core/UiText.h"
#include "support/TestSupport.h"
#include "ui/BookMenu.h"
#include "ui/KIVDlg.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {
const std::vector<std::pair<std::string, const char*>> kRecords{
    {"000040", "苹果"}, {"000003", "香蕉"}, {"000150", "橙子"}, {"000001", "葡萄"}, {"000012", "西瓜"}};

class LabelSheets : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramFolder = m_Folder.path();
        // Written out of code order, as a book that grew by re-recording is.
        std::string text;
        for (const auto& [code, content] : kRecords)
            text += code + "  \"" + toGbk(QString::fromUtf8(content)) + "\"  S_WAV  \"x.wav\"\r\n";
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
                timer->stop();
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

TEST_F(LabelSheets, WholeBookSelectedRowsOrARangePrintInCodeOrder) {
    CGridListCtrlEx2* list = m_Dlg->RecordList();
    QStringList listed;
    for (int row = 0; row < list->GetItemCount(); ++row)
        listed << list->GetItemText(row, 0);
    QStringList sorted = listed;
    sorted.sort();
    ASSERT_NE(listed, sorted); // or code order would come for free
    auto wordsOf = [](const QStringList& codes) {
        QStringList words;
        for (const QString& code : codes)
            for (const auto& [c, content] : kRecords)
                if (QString::fromStdString(c) == code)
                    words << code << QString::fromUtf8(content);
        return words;
    };
    QAction* bookCommand = nullptr;
    for (QAction* a : m_Dlg->findChildren<QAction*>())
        if (a->data().toInt() == ID_BOOK_LABELS)
            bookCommand = a;
    ASSERT_TRUE(bookCommand);
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

    struct Case {
        const char* what;
        bool fromList;    // the record list's menu, rows 3 and 0 selected; else the "点读书" popup
        QString from, to; // typed into the range when given
        QString problem;  // the summary when the range is refused
        QStringList codes;
    } cases[] = {
        {"whole book", false, {}, {}, {}, sorted},
        {"selected rows",
         true,
         {},
         {},
         {},
         QStringList{std::min(listed[0], listed[3]), std::max(listed[0], listed[3])}},
        {"range", false, "000003", "000040", {}, {"000003", "000012", "000040"}},
        {"range of one", true, "000150", "000150", {}, {"000150"}},
        {"short code", false, "3", "000040", "编码范围不对: 编码要写满六位数字, 例如 000001", {}},
        {"reversed", false, "000040", "000003", "编码范围不对: 起始编码 000040 大于结束编码 000003", {}},
        {"empty range", false, "000200", "000300", "编码 000200 到 000300 之间没有录音", {}},
    };
    for (const Case& c : cases) {
        list->clearSelection();
        if (c.fromList) {
            list->selectRow(3);
            list->selectionModel()->select(list->Model()->index(0, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        const int jobs = m_Print.Jobs();
        bool shown = false;
        whenShown([&](CLabelSheetDlg* dlg) {
            shown = true;
            EXPECT_EQ(dlg->m_pSelected->isChecked(), c.fromList) << c.what;
            // One label a row: the PDF's text comes in the order the labels sit.
            dlg->m_pSheet->setCurrentIndex(dlg->m_pSheet->findData(QStringLiteral("a4-list")));
            if (!c.from.isEmpty()) {
                dlg->m_pFrom->setText(c.from);
                dlg->m_pTo->setText(c.to);
            }
            EXPECT_EQ(dlg->m_pPrint->isEnabled(), c.problem.isEmpty()) << c.what;
            if (!c.problem.isEmpty()) {
                EXPECT_EQ(dlg->m_pSummary->text(), c.problem) << c.what;
                dlg->reject();
            }
        });
        if (c.fromList)
            list->OnContextMenu();
        else // as a click on the entry does: the bar reports it, the window gets the command
            emit m_Dlg->findChild<QMenuBar*>()->triggered(bookCommand);
        QCoreApplication::sendPostedEvents();
        ASSERT_TRUE(shown) << c.what;
        ASSERT_EQ(m_Print.Jobs(), jobs + (c.problem.isEmpty() ? 1 : 0)) << c.what;
        if (c.problem.isEmpty()) {
            EXPECT_EQ(printedWords(), wordsOf(c.codes)) << c.what;
        }
    }
    EXPECT_EQ(entries.indexOf(QStringLiteral("打印标签页...")),
              entries.indexOf(QStringLiteral("打印条码")) + 1);
    EXPECT_EQ(m_Boxes.count(), 0u);
}

TEST_F(LabelSheets, CopiesStartAndQtsPreviewShowThePagesThatPrint) {
    whenShown([](CLabelSheetDlg* dlg) {
        dlg->m_pSheet->setCurrentIndex(dlg->m_pSheet->findData(QStringLiteral("a4-5x13")));
        dlg->m_pCopies->setValue(2);
        dlg->m_pStart->setValue(64);
        EXPECT_EQ(dlg->Pages().LabelCount(), 10);
        EXPECT_EQ(dlg->Pages().PageCount(), 2);
        // The preview pages through what the routine that prints draws.
        int previewed = 0;
        QTimer::singleShot(50, [&previewed] {
            if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
                previewed = preview->findChild<QPrintPreviewWidget*>()->pageCount();
                preview->reject();
            }
        });
        EXPECT_FALSE(dlg->ShowPreview());
        EXPECT_EQ(previewed, 2);
    });
    m_Dlg->RecordList()->ShowLabelSheets(LabelChoice::Book);
    ASSERT_EQ(m_Print.Jobs(), 1);
    EXPECT_EQ(printedWords().size(), 20);
}
