// The real main window, offscreen, over a library in a temporary folder.
#include "app/Folders.h"
#include "controls/EditEx1.h"
#include "controls/GridListCtrlEx2.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/UiText.h"
#include "platform/gui/DialogTemplate.h"
#include "support/FakeRecorder.h"
#include "support/TestSupport.h"
#include "ui/KIVDlg.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Counts the messages of one kind that reach a window.
class MessageCounter : public QObject {
public:
    explicit MessageCounter(unsigned msg) : m_Msg(msg) {}
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == CMessageEvent::eventType() && static_cast<CMessageEvent*>(e)->message == m_Msg)
            ++count;
        return false;
    }

private:
    unsigned m_Msg;
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { ProgramFolder = m_Folder.path(); }
    void TearDown() override {
        m_Dlg.reset();
        ProgramFolder.clear();
    }

    // Writes an index of records (code, annotation) and opens the window over it.
    void open(const std::vector<std::pair<std::string, std::string>>& records) {
        std::string text;
        for (const auto& [code, content] : records)
            text += code + "  \"" + content + "\"  S_WAV  \"" + m_Folder.path() + code + ".wav\"\r\n";
        writeFile(m_Folder.file("KIV_Lib.cfg"), text);
        m_Dlg = std::make_unique<CKIVDlg>();
        ASSERT_TRUE(m_Dlg->Create());
        list = m_Dlg->RecordList();
    }
    std::vector<std::string> filledCodes() const {
        std::vector<std::string> codes;
        for (int r = 0; r < list->m_FilledRows; ++r)
            codes.push_back(toGbk(list->GetItemText(r, 0)));
        return codes;
    }
    void search(const QString& keywords) {
        m_Dlg->KeywordEdit()->setText(keywords);
        qobject_cast<QPushButton*>(m_Dlg->GetDlgItem(1000))->click();
    }

    TempFolder m_Folder;
    MessageBoxRecorder m_Boxes;
    CSoundLibrary m_Library;
    std::unique_ptr<CKIVDlg> m_Dlg;
    CGridListCtrlEx2* list = nullptr;
};

} // namespace

TEST_F(MainWindow, OpensWithCaptionMenuColumnsAndRowsInEnumerationOrder) {
    open({{"000000", "a"}, {"000001", "b"}, {"000002", "c"}});
    EXPECT_TRUE(m_Dlg->windowTitle().startsWith(QStringLiteral("KIV点读薄 V1.0 - ")));
    EXPECT_EQ(g_pMainDlg, m_Dlg.get());
    EXPECT_EQ(mainWindow(), m_Dlg.get());
    EXPECT_EQ(SoundLibrary().LibraryFolder(), m_Folder.path());
    ASSERT_EQ(list->GetColumnCount(), 4);
    EXPECT_EQ(list->Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("条码"));
    EXPECT_EQ(list->Model()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("声音文件"));
    // The widths are those of the classic font, scaled to ours so that a six-digit code fits its column.
    const DialogBaseUnits u = dialogBaseUnits(m_Dlg->font());
    EXPECT_EQ(list->GetColumnWidth(0), classicPixelsToPixels(45, u));
    EXPECT_EQ(list->GetColumnWidth(1), classicPixelsToPixels(180, u));
    EXPECT_EQ(list->GetColumnWidth(2), classicPixelsToPixels(60, u));
    EXPECT_EQ(list->GetColumnWidth(3), classicPixelsToPixels(430, u));
    EXPECT_GE(list->GetColumnWidth(0), list->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 6);
    // Newest first within a bucket of sixteen keys.
    EXPECT_EQ(filledCodes(), (std::vector<std::string>{"000002", "000001", "000000"}));
    EXPECT_EQ(list->m_FilledRows, 3);
    EXPECT_EQ(list->m_RowCount, 4);
    EXPECT_EQ(list->GetItemCount(), 4);
    EXPECT_EQ(list->GetItemText(0, 1), QStringLiteral("c"));
    EXPECT_EQ(list->GetItemText(0, 2), QStringLiteral("S_WAV"));
    EXPECT_TRUE(list->GetItemText(3, 0).isEmpty());
    EXPECT_EQ(list->m_HotItem, -1);

    // The menu bar of menu 130.
    QStringList titles;
    for (QAction* a : m_Dlg->MainMenu()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("点读书(&B)"), QStringLiteral("设置(&T)"),
                                   QStringLiteral("帮助(&H)")}));
}

TEST_F(MainWindow, ComesBackWhereTheUserLeftItAndIgnoresAGarbledPlace) {
    auto openRemembering = [this] {
        m_Dlg = std::make_unique<CKIVDlg>();
        m_Dlg->RememberPlace();
        ASSERT_TRUE(m_Dlg->Create());
        list = m_Dlg->RecordList();
    };
    openRemembering();
    const QRect first = m_Dlg->geometry();
    std::vector<int> defaults;
    for (int c = 0; c < 4; ++c)
        defaults.push_back(list->GetColumnWidth(c));
    m_Dlg->setGeometry(30, 40, first.width() - 50, first.height() - 30);
    list->setColumnWidth(1, 250);
    m_Dlg.reset();
    openRemembering();
    EXPECT_EQ(m_Dlg->geometry(), QRect(30, 40, first.width() - 50, first.height() - 30));
    EXPECT_EQ(list->GetColumnWidth(1), 250);
    EXPECT_EQ(list->GetColumnWidth(0), defaults[0]);
    m_Dlg.reset();

    // Columns written by hand or by another version: what cannot be used keeps the defaults; a column
    // squeezed to nothing comes back narrow but there.
    const struct {
        const char* stored;
        bool defaults;
    } cases[] = {{"0, 180, 60, 430", false}, {"45, 180", true}, {"wide, 180, 60, 430", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        writeFile(qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/KIV/KIV.conf",
                  std::string("[MainWindow]\nColumns=") + c.stored + "\n");
        openRemembering();
        EXPECT_EQ(list->GetColumnWidth(0) == defaults[0], c.defaults);
        EXPECT_GT(list->GetColumnWidth(0), 0);
        EXPECT_EQ(m_Dlg->geometry().size(), first.size());
        m_Dlg.reset();
    }
}

TEST_F(MainWindow, EmptyLibraryShowsFourBlankRows) {
    open({});
    EXPECT_EQ(list->GetItemCount(), 4);
    EXPECT_EQ(list->m_FilledRows, 0);
}

TEST_F(MainWindow, ManyRecordsAreAllShownWithBlankRowsBelow) {
    std::vector<std::pair<std::string, std::string>> records;
    char code[8];
    for (int i = 0; i < 5004; ++i) {
        std::snprintf(code, sizeof code, "%06d", i);
        records.emplace_back(code, "x");
    }
    open(records);
    EXPECT_EQ(list->m_FilledRows, 5004);
    EXPECT_GE(list->m_RowCount - list->m_FilledRows, 1);
    EXPECT_LE(list->m_RowCount - list->m_FilledRows, 4);
    EXPECT_EQ(list->GetItemCount(), list->m_RowCount);
}

TEST_F(MainWindow, FiledUpdatedAndDeletedRecords) {
    open({{"000000", "a"}, {"000001", "b"}, {"000002", "c"}});
    m_Library.SetRecorder(std::make_unique<CFakeRecorder>());
    const SOUND_RECORD* added = m_Library.FileRecording("new");
    ASSERT_NE(added, nullptr);
    // The fourth filled row takes the last blank row; four more blank rows come below it.
    EXPECT_EQ(list->m_FilledRows, 4);
    EXPECT_EQ(list->m_RowCount, 8);
    EXPECT_EQ(list->GetItemText(3, 0), QStringLiteral("000003"));
    EXPECT_EQ(list->GetItemText(3, 1), QStringLiteral("new"));
    EXPECT_EQ(list->RecordOfRow(3), added);

    ASSERT_EQ(m_Library.ReplaceRecording(1), 1);
    EXPECT_EQ(list->GetItemText(1, 0), QStringLiteral("000001"));
    EXPECT_EQ(list->GetItemText(1, 3), QString::fromStdString(m_Folder.path() + "000001.wav"));

    // A deleted record's row turns blank in place; the rows below stay.
    ASSERT_EQ(list->CodeOfRow(1), 1);
    postMessage(m_Dlg.get(), UM_DELETE_RECORD, 1, 1);
    EXPECT_TRUE(waitUntil([&] { return m_Library.FindRecord(1) == nullptr; }, 2000));
    EXPECT_TRUE(list->GetItemText(1, 0).isEmpty());
    EXPECT_EQ(list->RecordOfRow(1), nullptr);
    EXPECT_EQ(list->GetItemText(2, 0), QStringLiteral("000000"));
    EXPECT_EQ(list->m_FilledRows, 4);
}

TEST_F(MainWindow, RowOfARecordThatWentShowsNothingAndReachesNothing) {
    open({{"000000", "a"}, {"000001", "b"}});
    // Deleted behind the window's back: the row no longer finds its record.
    ASSERT_EQ(m_Library.DeleteRecord(1), 1);
    EXPECT_EQ(list->RecordOfRow(0), nullptr);
    EXPECT_TRUE(list->GetItemText(0, 0).isEmpty());
    m_Library.DeleteAllRecords();
    EXPECT_EQ(list->RecordOfRow(1), nullptr);
}

TEST_F(MainWindow, DeleteAllThatCannotEmptyTheIndexKeepsEveryRowAndSaysSo) {
    open({{"000000", "a"}, {"000001", "b"}});
    deleteFile(m_Folder.file("KIV_Lib.cfg"));
    std::filesystem::create_directory(m_Folder.file("KIV_Lib.cfg"));
    m_Boxes.answer(IDYES);
    sendMessage(m_Dlg.get(), UM_DELETE_ALL, 0, 0);
    ASSERT_EQ(m_Boxes.count(), 2u);
    EXPECT_EQ(
        m_Boxes.last().text,
        QStringLiteral("不能保存文件 \"%1\" ! ").arg(QString::fromStdString(m_Folder.file("KIV_Lib.cfg"))));
    EXPECT_EQ(filledCodes(), (std::vector<std::string>{"000001", "000000"}));
    EXPECT_EQ(list->m_HotItem, -1);
}

TEST_F(MainWindow, OneListActionPlaysOnceAndFocusOrCtrlAPlaysNothing) {
    std::vector<std::pair<std::string, std::string>> records;
    for (int i = 0; i < 50; ++i)
        records.emplace_back(QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')).toStdString(), "x");
    open(records);
    RecordingReceiver receiver;
    setMainWindow(&receiver);
    m_Dlg->show();
    QApplication::setActiveWindow(m_Dlg.get());
    // The plays posted by now; a play comes at the end of the event-loop turn of its change.
    auto plays = [&] {
        waitUntil([&] { return !receiver.messages.empty(); }, 300);
        std::vector<WPARAM> codes;
        for (const auto& m : receiver.messages)
            if (m.message == UM_PLAY_CODE)
                codes.push_back(m.wParam);
        receiver.messages.clear();
        return codes;
    };
    // Focus alone (Tab, or the scroll bar taking it) makes no row current.
    list->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(list->currentIndex().isValid());
    EXPECT_TRUE(plays().empty());
    // Ctrl+A selects nothing.
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->GetSelectedCount(), 0);
    EXPECT_TRUE(plays().empty());
    // One change of fifty rows plays once, the row that ends up hot.
    list->selectionModel()->select(QItemSelection(list->Model()->index(0, 0), list->Model()->index(49, 0)),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(plays(), std::vector<WPARAM>{static_cast<WPARAM>(list->CodeOfRow(list->m_HotItem))});
    // A change that only deselects a row runs the routine too: that row becomes hot and plays.
    list->selectionModel()->select(list->Model()->index(7, 0),
                                   QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    EXPECT_EQ(list->m_HotItem, 7);
    EXPECT_EQ(plays(), std::vector<WPARAM>{static_cast<WPARAM>(list->CodeOfRow(7))});
    setMainWindow(m_Dlg.get());
}

TEST_F(MainWindow, RefreshIsPostedOnceForManyRows) {
    open({});
    MessageCounter counter(UM_REFRESH_CONTROLS);
    m_Dlg->installEventFilter(&counter);
    QCoreApplication::processEvents();
    counter.count = 0;
    m_Library.SetRecorder(std::make_unique<CFakeRecorder>());
    for (int i = 0; i < 20; ++i)
        m_Library.FileRecording("x");
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.count, 1);
    m_Dlg->removeEventFilter(&counter);
}

TEST_F(MainWindow, SearchRules) {
    open({{"000000", gbk("苹果 apple")},
          {"000001", gbk("Apple 香蕉")},
          {"000002", "pear"},
          {"000003", gbk("说你")},
          {"000004", gbk("門")}});
    auto shown = [&] {
        std::vector<std::string> codes = filledCodes();
        std::sort(codes.begin(), codes.end());
        return codes;
    };
    search(QString());
    EXPECT_EQ(shown().size(), 5u);
    search(QStringLiteral(" \t "));
    EXPECT_EQ(shown().size(), 5u);
    search(QStringLiteral("apple pear"));
    EXPECT_EQ(shown(), (std::vector<std::string>{"000000", "000002"}));
    search(QStringLiteral("apple 苹果")); // a record that matches twice is listed once
    EXPECT_EQ(shown(), (std::vector<std::string>{"000000"}));
    search(QStringLiteral("APPLE")); // nothing found: the blank rows stay
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(list->GetItemCount(), 4);
    EXPECT_EQ(list->m_HotItem, -1);
}

TEST_F(MainWindow, KeywordThatGbkCannotHoldIsRefused) {
    open({{"000000", "a"}});
    search(QString::fromUtf8("\xF0\x9F\x8D\x8E"));
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_TRUE(m_Boxes.last().text.contains(QStringLiteral("关键字")));
    EXPECT_EQ(list->m_FilledRows, 1); // the list is left as it was
}

TEST_F(MainWindow, EnterInTheKeywordEditSearches) {
    open({{"000000", "apple"}, {"000001", "pear"}});
    m_Dlg->show();
    m_Dlg->KeywordEdit()->setText(QStringLiteral("pear"));
    QTest::keyClick(m_Dlg->KeywordEdit(), Qt::Key_Return);
    EXPECT_EQ(filledCodes(), (std::vector<std::string>{"000001"}));
    EXPECT_TRUE(m_Dlg->isVisible()) << "Enter ended the main window";
    EXPECT_EQ(m_Dlg->result(), 0);
}

TEST_F(MainWindow, LayoutFollowsTheWindowOnceArmed) {
    open({});
    m_Dlg->show(); // resize events come at once only for a shown window
    QWidget* label = m_Dlg->GetDlgItem(1013);
    const QRect before = label->geometry();
    m_Dlg->resize(900, 600);
    EXPECT_EQ(label->geometry(), before); // not armed yet: the template layout stays
    QCoreApplication::processEvents();    // UM_INIT_LAYOUT, then the posted WM_SIZE
    QCoreApplication::processEvents();
    ASSERT_TRUE(m_Dlg->LayoutReady());
    m_Dlg->resize(1000, 700);
    QWidget* client = label->parentWidget();
    const int cw = client->width();
    // The bottom line is measured from the window's outer frame (offscreen has a 2-pixel frame).
    const QRect frame = m_Dlg->frameGeometry();
    const int bottomLine = frame.y() + frame.height() - 18 - client->mapToGlobal(QPoint(0, 0)).y();
    EXPECT_EQ(label->geometry().topLeft(), QPoint(8, 18));
    QWidget* find = m_Dlg->GetDlgItem(1000);
    EXPECT_EQ(find->geometry().x() + find->width(), cw - 8);
    EXPECT_EQ(find->y(), label->y() + label->height() / 2 - find->height() / 2);
    QWidget* edit = m_Dlg->GetDlgItem(1005);
    EXPECT_EQ(edit->x(), label->x() + label->width() + 8);
    EXPECT_EQ(edit->x() + edit->width(), find->x() - 8);
    QWidget* reading = m_Dlg->GetDlgItem(1008);
    QWidget* save = m_Dlg->GetDlgItem(1003);
    QWidget* preview = m_Dlg->GetDlgItem(1002);
    QWidget* record = m_Dlg->GetDlgItem(1001);
    EXPECT_EQ(reading->x(), 8);
    EXPECT_EQ(reading->y() + reading->height(), bottomLine);
    EXPECT_EQ(save->x() + save->width(), cw - 8);
    EXPECT_EQ(save->y() + save->height(), bottomLine);
    EXPECT_EQ(preview->x() + preview->width(), save->x() - 16);
    EXPECT_EQ(record->x() + record->width(), preview->x() - 16);
    EXPECT_EQ(record->y() + record->height(), bottomLine);
    QWidget* table = m_Dlg->GetDlgItem(1006);
    EXPECT_EQ(table->geometry(), QRect(8, label->y() + label->height() + 8, save->x() + save->width() - 8,
                                       save->y() - 8 - (label->y() + label->height() + 8)));
}

TEST_F(MainWindow, MenuCommandsEnableByTheSelectionAndPostTheirMessages) {
    open({{"000000", "a"}, {"000001", "b"}, {"000002", "c"}});
    RecordingReceiver receiver;
    setMainWindow(&receiver);
    std::vector<std::pair<bool, bool>> states; // enabled state of 播放 and 重新录音 each time
    int choose = 0;
    SetTrackPopupResponder([&](QMenu* menu) -> QAction* {
        bool play = false, rerecord = false;
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions()) {
            if (withoutAccelerator(a->text()) == QStringLiteral("播放"))
                play = a->isEnabled();
            if (withoutAccelerator(a->text()) == QStringLiteral("重新录音"))
                rerecord = a->isEnabled();
            if (a->data().toInt() == choose)
                chosen = a;
        }
        states.emplace_back(play, rerecord);
        return chosen;
    });

    list->OnContextMenu(); // nothing selected: no menu
    EXPECT_TRUE(states.empty());

    list->selectRow(0);
    waitUntil([&] { return !receiver.messages.empty(); }, 1000);
    ASSERT_EQ(receiver.messages.size(), 1u); // selecting a row plays it, once
    EXPECT_EQ(receiver.messages[0].message, UM_PLAY_CODE);
    EXPECT_EQ(receiver.messages[0].wParam, 2u);
    list->selectRow(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.messages.size(), 1u);
    receiver.messages.clear();

    choose = CGridListCtrlEx2::ID_PLAY;
    list->OnContextMenu();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0], std::make_pair(true, true));
    QCoreApplication::processEvents();
    ASSERT_EQ(receiver.messages.size(), 1u);
    EXPECT_EQ(receiver.messages[0].message, UM_PLAY_CODE);

    // Two rows selected: play and re-record greyed; delete posts one message per row, in list order.
    receiver.messages.clear();
    list->selectionModel()->select(list->Model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    waitUntil([&] { return !receiver.messages.empty(); }, 1000); // row 2 became hot: it plays
    receiver.messages.clear();
    choose = CGridListCtrlEx2::ID_DELETE;
    list->OnContextMenu();
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[1], std::make_pair(false, false));
    QCoreApplication::processEvents();
    ASSERT_EQ(receiver.messages.size(), 2u);
    EXPECT_EQ(receiver.messages[0].message, UM_DELETE_RECORD);
    EXPECT_EQ(receiver.messages[0].wParam, 2u);
    EXPECT_EQ(receiver.messages[0].lParam, 0);
    EXPECT_EQ(receiver.messages[1].wParam, 0u);
    EXPECT_EQ(receiver.messages[1].lParam, 2);

    receiver.messages.clear();
    for (int id :
         {CGridListCtrlEx2::ID_STOP, CGridListCtrlEx2::ID_DELETE_ALL, CGridListCtrlEx2::ID_RERECORD}) {
        choose = id;
        list->OnContextMenu();
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(receiver.messages.size(), 2u); // re-record needs exactly one selected row
    EXPECT_EQ(receiver.messages[0].message, UM_STOP_PLAY);
    EXPECT_EQ(receiver.messages[1].message, UM_DELETE_ALL);

    // A blank hot row shows no menu.
    list->clearSelection();
    list->selectRow(3);
    QCoreApplication::processEvents();
    const std::size_t shownBefore = states.size();
    list->OnContextMenu();
    EXPECT_EQ(states.size(), shownBefore);
    SetTrackPopupResponder(nullptr);
    setMainWindow(m_Dlg.get());
}
