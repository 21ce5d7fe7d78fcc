// The grid list under real key and mouse events.
#include "controls/GridListCtrl.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class Parent : public CMessageWindow<QDialog> {
public:
    struct Msg {
        unsigned message;
        WPARAM wParam;
        LPARAM lParam;
        std::string text; // for edit requests
    };
    std::vector<Msg> messages;

protected:
    LRESULT WindowProc(unsigned msg, WPARAM w, LPARAM l) override {
        Msg m{msg, w, l, {}};
        if (msg == WM_NOTIFY) {
            auto* info = reinterpret_cast<const NMLVDISPINFO*>(l);
            m.text = info->pszText;
            m.wParam = static_cast<WPARAM>(info->iItem * 100 + info->iSubItem);
            m.lParam = info->code;
        }
        messages.push_back(m);
        return 0;
    }
};

class GridList : public ::testing::Test {
protected:
    void SetUp() override {
        parent.resize(400, 300);
        // As in the main window: the list sits in a plain client widget inside the dialog.
        auto* client = new QWidget(&parent);
        client->setGeometry(0, 0, 400, 300);
        list = new CGridListCtrl(client);
        list->setGeometry(0, 0, 300, 200);
        list->InsertColumn(0, QStringLiteral("条码"), 60);
        list->InsertColumn(1, QStringLiteral("内容"), 120);
        list->InsertColumn(2, QStringLiteral("声音类型"), 80);
        list->InsertColumn(3, QStringLiteral("声音文件"), 400);
        list->InsertItems(0, 5);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 4; ++c)
                list->SetItemText(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
        parent.show();
        QApplication::setActiveWindow(&parent);
        list->setFocus();
    }
    QPoint cell(int row, int column, int dx = 20) const {
        const QRect r = list->visualRect(list->Model()->index(row, column));
        return QPoint(r.left() + dx, r.center().y());
    }
    void click(const QPoint& p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseClick(list->viewport(), b, Qt::NoModifier, p);
        QApplication::processEvents();
    }

    Parent parent;
    CGridListCtrl* list = nullptr;
};

} // namespace

TEST_F(GridList, LeftAndRightMoveTheCurrentColumnWithinItsBoundsAndAreConsumed) {
    list->setCurrentIndex(list->Model()->index(1, 0));
    list->m_CurColumn = 0;
    QTest::keyClick(list, Qt::Key_Left);
    EXPECT_EQ(list->m_CurColumn, -1);
    QTest::keyClick(list, Qt::Key_Left);
    EXPECT_EQ(list->m_CurColumn, -1);
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(list->m_CurColumn, 3);
    // The list itself never acted on them: the current cell did not move.
    EXPECT_EQ(list->currentIndex().column(), 0);
    EXPECT_EQ(list->currentIndex().row(), 1);
    // Reaching the last column scrolled it into view.
    EXPECT_GT(list->horizontalScrollBar()->value(), 0);
}

TEST_F(GridList, PressInAPartlyHiddenColumnScrollsItToTheLeftEdgeAndSelects) {
    const QPoint p = cell(2, 3, 5); // column 3 starts at 260 of a 300-pixel list
    click(p);
    EXPECT_EQ(list->m_CurColumn, 3);
    EXPECT_EQ(list->horizontalHeader()->sectionViewportPosition(3), 0);
    EXPECT_TRUE(list->IsItemSelected(2));
}

TEST_F(GridList, SecondPressOnTheFocusedCellAsksToEditIt) {
    click(cell(1, 1));
    EXPECT_TRUE(parent.messages.empty());
    click(cell(1, 1));
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].message, WM_NOTIFY);
    EXPECT_EQ(parent.messages[0].lParam, LVN_BEGINLABELEDITA);
    EXPECT_EQ(parent.messages[0].wParam, 101u);
    EXPECT_EQ(parent.messages[0].text, "r1c1");
    // Column 0 asks only when the press lands on the text itself.
    parent.messages.clear();
    click(cell(3, 0, 55));
    click(cell(3, 0, 55));
    EXPECT_TRUE(parent.messages.empty());
    click(cell(3, 0, 8));
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].wParam, 300u);
    // F2 asks for the focused row's current column.
    parent.messages.clear();
    list->m_CurColumn = 2;
    QTest::keyClick(list, Qt::Key_F2);
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].text, "r3c2");
}

TEST_F(GridList, PressWhereNoColumnIsChangesNothing) {
    list->horizontalHeader()->resizeSection(3, 10);
    list->selectRow(0);
    const QPoint beyond(list->viewport()->width() - 3, cell(2, 0).y());
    ASSERT_EQ(list->columnAt(beyond.x()), -1);
    click(beyond);
    EXPECT_EQ(list->m_CurColumn, -1);
    EXPECT_TRUE(list->IsItemSelected(0));
    EXPECT_FALSE(list->IsItemSelected(2));
}

TEST_F(GridList, HeaderClicksAndRightPressesArePostedToTheParent) {
    const QHeaderView* header = list->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(1) + 10, header->height() / 2));
    QApplication::processEvents();
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].message, UM_COLUMN_CLICK);
    EXPECT_EQ(parent.messages[0].wParam, 1u);
    EXPECT_EQ(list->GetItemText(0, 0), QStringLiteral("r0c0")); // nothing sorted
    parent.messages.clear();
    click(QPoint(33, 44), Qt::RightButton);
    ASSERT_FALSE(parent.messages.empty());
    EXPECT_EQ(parent.messages[0].message, UM_LIST_RBUTTONDOWN);
    EXPECT_EQ(parent.messages[0].wParam, 33u);
    EXPECT_EQ(parent.messages[0].lParam, 44);
}

TEST_F(GridList, ScrollingTakesTheFocus) {
    auto* other = new QLineEdit(&parent);
    other->setGeometry(0, 250, 100, 20);
    other->show();
    other->setFocus();
    ASSERT_TRUE(other->hasFocus());
    list->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_TRUE(list->hasFocus());
}
