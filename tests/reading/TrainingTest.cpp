// The point-reading window: its log rows, the texts it is sent, the clear command, the key watcher it
// installs for its parent, and keys that change nothing in it.
#include "reading/Training.h"
#include "controls/GridListCtrlEx1.h"
#include "controls/My_Menu_1.h"
#include "platform/core/Gbk.h"
#include "platform/core/UiText.h"
#include "platform/gui/DialogTemplate.h"
#include "reading/KeyboardHook.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QInputMethod>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Stands in for the main window: the parent that receives the pen's codes.
class CFakeMain : public CMessageWindow<QWidget> {
public:
    std::vector<WPARAM> codes;

protected:
    LRESULT WindowProc(unsigned msg, WPARAM w, LPARAM) override {
        if (msg == UM_PLAY_CODE)
            codes.push_back(w);
        return 0;
    }
};

class Training : public ::testing::Test {
protected:
    void SetUp() override {
        DigitCount = 0;
        DigitValue = 0;
        dlg = new CTraining(&main);
        ASSERT_TRUE(dlg->Create());
        log = dlg->m_LogList;
        ASSERT_NE(log, nullptr);
    }
    void TearDown() override {
        delete dlg;
        UnhookKeyboard();
    }
    void send(const std::string& gbk) {
        EXPECT_EQ(sendMessage(dlg, UM_LOG_TEXT, reinterpret_cast<WPARAM>(gbk.c_str()), 0), 0);
    }
    QString text(int row, int column) const { return log->GetItemText(row, column); }

    CFakeMain main;
    CTraining* dlg = nullptr;
    CGridListCtrlEx1* log = nullptr;
};

bool isStamp(const QString& s) {
    static const QRegularExpression re(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    return re.match(s).hasMatch();
}

} // namespace

TEST_F(Training, OpensWithCaptionColumnsTwentyBlankRowsAndTheWatcherForItsParent) {
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("点读"));
    ASSERT_EQ(log->GetColumnCount(), 2);
    EXPECT_EQ(log->Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("时间"));
    EXPECT_EQ(log->Model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("内容"));
    const DialogBaseUnits u = dialogBaseUnits(dlg->font());
    EXPECT_EQ(log->GetColumnWidth(0), classicPixelsToPixels(140, u));
    EXPECT_EQ(log->GetColumnWidth(1), classicPixelsToPixels(400, u));
    EXPECT_GE(log->GetColumnWidth(0),
              log->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-31 23:59:59")) + 6)
        << "the time stamp fits its column";
    EXPECT_EQ(log->GetItemCount(), 20);
    EXPECT_EQ(log->m_RowCount, 20);
    EXPECT_EQ(log->m_FilledRows, 0);
    EXPECT_TRUE(text(0, 0).isEmpty());
    EXPECT_TRUE(log->showGrid());
    EXPECT_TRUE(dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(dlg->GetDlgItem(2)->isVisibleTo(dlg));
    EXPECT_EQ(qobject_cast<QPushButton*>(dlg->GetDlgItem(1))->text(), QStringLiteral("退出(&X)"));
    ASSERT_NE(keyborad_hook.hhook, nullptr);
    EXPECT_EQ(keyborad_hook.hwnd, &main);
}

TEST_F(Training, APlayedFileGivesOneStampedRow) {
    const std::string line = gbk("播放文件 \"/书/000007.wav\" !");
    const QString before = CTraining::TimeStamp();
    send(line);
    const QString after = CTraining::TimeStamp();
    EXPECT_TRUE(isStamp(text(0, 0))) << text(0, 0).toStdString();
    EXPECT_TRUE(text(0, 0) == before || text(0, 0) == after);
    EXPECT_EQ(text(0, 1), QStringLiteral("播放文件 \"/书/000007.wav\" !"));
    EXPECT_EQ(log->m_FilledRows, 1);
    EXPECT_TRUE(text(1, 0).isEmpty() && text(1, 1).isEmpty());
}

TEST_F(Training, LinesOfATextGoToRowsWithTheTimeOnlyInTheFirst) {
    send("one\r\ntwo");
    EXPECT_TRUE(isStamp(text(0, 0)));
    EXPECT_EQ(text(0, 1), QStringLiteral("one"));
    EXPECT_TRUE(text(1, 0).isEmpty());
    EXPECT_EQ(text(1, 1), QStringLiteral("two"));
    send("three\r\n");
    EXPECT_EQ(text(2, 1), QStringLiteral("three"));
    EXPECT_EQ(log->m_FilledRows, 3) << "line ends at the end give no extra row";
    send("");
    EXPECT_TRUE(isStamp(text(3, 0)));
    EXPECT_TRUE(text(3, 1).isEmpty());
    EXPECT_EQ(log->m_FilledRows, 4);
    send("a\n\r\n\nb");
    EXPECT_EQ(text(4, 1), QStringLiteral("a"));
    EXPECT_EQ(text(5, 1), QStringLiteral("b"));
    EXPECT_EQ(log->m_FilledRows, 6) << "blank lines inside are skipped";
    send("\r\nc");
    EXPECT_TRUE(text(6, 1).isEmpty()) << "a text starting with a line end starts with an empty line";
    EXPECT_EQ(text(7, 1), QStringLiteral("c"));
    // A null text is taken as empty.
    sendMessage(dlg, UM_LOG_TEXT, 0, 0);
    EXPECT_EQ(log->m_FilledRows, 9);
}

TEST_F(Training, SplitLinesRules) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(CTraining::SplitLines(""), V{""});
    EXPECT_EQ(CTraining::SplitLines("\r\n"), V{""});
    EXPECT_EQ(CTraining::SplitLines("x\r\r\ny\n"), (V{"x", "y"}));
}

TEST_F(Training, AVeryLongLineIsCutAtACharacterBoundary) {
    // 4094 ASCII bytes, then two-byte characters: byte 4095 would split one.
    const std::string head(4094, 'a');
    const std::string line = head + gbk("书书书");
    const auto lines = CTraining::SplitLines(line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], head);
    const std::string exact(4095, 'b');
    EXPECT_EQ(CTraining::SplitLines(exact + "c\r\nd"), (std::vector<std::string_view>{exact, "d"}));
    send(line);
    EXPECT_EQ(text(0, 1), QString::fromStdString(head));
}

TEST_F(Training, RowsGrowByEightAndTheLogStartsOverPastFiveThousand) {
    for (int i = 0; i < 19; ++i)
        send("x");
    EXPECT_EQ(log->m_RowCount, 20);
    send("x"); // the 20th line, row 19
    EXPECT_EQ(log->m_RowCount, 28);
    EXPECT_EQ(log->GetItemCount(), 28);
    for (int i = 0; i < 7; ++i)
        send("x");
    EXPECT_EQ(log->m_RowCount, 28);
    send("x"); // row 27
    EXPECT_EQ(log->m_RowCount, 36);
    while (log->m_FilledRows < 5003)
        send("x");
    EXPECT_EQ(log->m_RowCount, 5004);
    EXPECT_EQ(log->GetItemCount(), 5004);
    send("last");
    EXPECT_EQ(log->m_RowCount, 20);
    EXPECT_EQ(log->GetItemCount(), 20);
    EXPECT_EQ(log->m_FilledRows, 1);
    EXPECT_EQ(text(0, 1), QStringLiteral("last"));
    EXPECT_TRUE(text(0, 0).isEmpty()) << "its stamp went to the row that was discarded";
}

TEST_F(Training, ClearCommandEmptiesTheLogAfterTheMenuCloses) {
    send("a");
    send("b");
    QMenu* shown = nullptr;
    auto previous = SetTrackPopupResponder([&](QMenu* m) -> QAction* {
        shown = m;
        for (QAction* a : m->actions())
            if (withoutAccelerator(a->text()) == QStringLiteral("清空全部显示"))
                return a;
        return nullptr;
    });
    log->OnContextMenu();
    SetTrackPopupResponder(previous);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(log->m_FilledRows, 2) << "posted: nothing happens before the events run";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(log->m_FilledRows, 0);
    EXPECT_EQ(log->GetItemCount(), 20);
    EXPECT_TRUE(text(0, 1).isEmpty());
    send("c");
    EXPECT_EQ(text(0, 1), QStringLiteral("c"));
}

TEST_F(Training, KeysChangeNothingInTheWindowButThePenStillPlays) {
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
    dlg->activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(log));
    send("a");
    QWindow* w = dlg->windowHandle();
    int finished = 0;
    QObject::connect(dlg, &QDialog::finished, [&] { ++finished; });
    for (Qt::Key k : {Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_4, Qt::Key_2, Qt::Key_Return})
        QTest::keyClick(w, k);
    for (Qt::Key k : {Qt::Key_Down, Qt::Key_Tab, Qt::Key_Space, Qt::Key_Enter, Qt::Key_Delete})
        QTest::keyClick(w, k);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(main.codes, std::vector<WPARAM>{42});
    EXPECT_EQ(finished, 0) << "Enter does not end the window";
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(log)) << "Tab does not move the focus";
    EXPECT_EQ(log->GetSelectedCount(), 0) << "arrows do not select";
    EXPECT_EQ(log->m_FilledRows, 1);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(finished, 1) << "Esc, which a pen never sends, leaves";
}

TEST_F(Training, InputMethodsStayOffSoThePenDigitsReachTheWatcher) {
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
    dlg->activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(log));
    EXPECT_FALSE(log->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(dlg->testAttribute(Qt::WA_InputMethodEnabled));
    for (QWidget* w : dlg->findChildren<QWidget*>()) {
        if (w->focusPolicy() != Qt::NoFocus) {
            EXPECT_FALSE(w->testAttribute(Qt::WA_InputMethodEnabled)) << w->metaObject()->className();
        }
    }
    // What the input method asks the focused widget: whether it takes input methods at all.
    EXPECT_FALSE(QInputMethod::queryFocusObject(Qt::ImEnabled, QVariant()).toBool());
    EXPECT_FALSE(log->inputMethodQuery(Qt::ImEnabled).toBool());
}

TEST_F(Training, EndingTheWindowRemovesTheWatcher) {
    ASSERT_NE(keyborad_hook.hhook, nullptr);
    QTimer::singleShot(0, dlg, [this] { qobject_cast<QPushButton*>(dlg->GetDlgItem(1))->click(); });
    EXPECT_EQ(dlg->DoModal(), 1);
    EXPECT_EQ(keyborad_hook.hhook, nullptr);
    EXPECT_EQ(keyborad_hook.hwnd, nullptr);
    // A window destroyed without ending its run removes it too.
    delete dlg;
    dlg = new CTraining(&main);
    ASSERT_TRUE(dlg->Create());
    EXPECT_NE(keyborad_hook.hhook, nullptr);
    delete dlg;
    dlg = nullptr;
    EXPECT_EQ(keyborad_hook.hhook, nullptr);
}
