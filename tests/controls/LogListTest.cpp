// The log list: every key is swallowed before the list or its window sees it; the context menu is built
// once, shown also over an empty log, and its one command posts UM_CLEAR_LOG to the parent.
#include "controls/GridListCtrlEx1.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class CParent : public CMessageWindow<QWidget> {
public:
    std::vector<unsigned> messages;
    int keys = 0;

protected:
    LRESULT WindowProc(unsigned msg, WPARAM, LPARAM) override {
        messages.push_back(msg);
        return 0;
    }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

} // namespace

TEST(LogList, SwallowsEveryKey) {
    CParent parent;
    auto* list = new CGridListCtrlEx1(&parent);
    list->InsertColumn(0, QStringLiteral("时间"), 140);
    list->InsertColumn(1, QStringLiteral("内容"), 400);
    list->InsertItems(0, 5);
    list->m_CurColumn = 0;
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    parent.activateWindow();
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    for (Qt::Key k : {Qt::Key_Down, Qt::Key_Right, Qt::Key_End, Qt::Key_A, Qt::Key_Return, Qt::Key_Tab})
        QTest::keyClick(parent.windowHandle(), k);
    EXPECT_EQ(list->m_CurColumn, 0) << "the grid list's Left/Right never runs";
    EXPECT_EQ(list->GetSelectedCount(), 0);
    EXPECT_EQ(parent.keys, 0) << "nothing passes on to the window";
    EXPECT_TRUE(list->hasFocus());
    for (QEvent::Type t :
         {QEvent::KeyPress, QEvent::KeyRelease, QEvent::ShortcutOverride, QEvent::InputMethod})
        EXPECT_TRUE(CGridListCtrlEx1::IsKeyEvent(t));
    EXPECT_FALSE(CGridListCtrlEx1::IsKeyEvent(QEvent::MouseButtonPress));
    EXPECT_FALSE(CGridListCtrlEx1::IsKeyEvent(QEvent::FocusIn));
}

TEST(LogList, TakesNoInputMethod) {
    CParent parent;
    auto* list = new CGridListCtrlEx1(&parent);
    list->InsertColumn(0, QStringLiteral("时间"), 140);
    list->InsertItems(0, 3);
    EXPECT_FALSE(list->testAttribute(Qt::WA_InputMethodEnabled));
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    parent.activateWindow();
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    EXPECT_FALSE(list->testAttribute(Qt::WA_InputMethodEnabled));
    // The input method asks the focus object whether it takes input methods; the log says no, also when
    // the attribute has been turned back on.
    EXPECT_FALSE(QInputMethod::queryFocusObject(Qt::ImEnabled, QVariant()).toBool());
    list->setAttribute(Qt::WA_InputMethodEnabled, true);
    EXPECT_FALSE(list->inputMethodQuery(Qt::ImEnabled).toBool());
    EXPECT_FALSE(QInputMethod::queryFocusObject(Qt::ImEnabled, QVariant()).toBool());
}

TEST(LogList, ContextMenuBuiltOnceShownWhenEmptyAndItsCommandPostsClear) {
    CParent parent;
    auto* list = new CGridListCtrlEx1(&parent);
    std::vector<QStringList> shown;
    bool choose = false;
    auto previous = SetTrackPopupResponder([&](QMenu* m) -> QAction* {
        QStringList texts;
        for (QAction* a : m->actions())
            texts << a->text();
        shown.push_back(texts);
        return choose ? m->actions().value(0) : nullptr;
    });
    list->OnContextMenu();
    ASSERT_EQ(shown.size(), 1u) << "shown over an empty log with nothing selected";
    EXPECT_EQ(shown[0], QStringList{QStringLiteral("清空全部显示(&C)")});
    EXPECT_TRUE(list->m_MenuLoaded);
    QMenu* built = list->m_Menu.m_hMenu;
    EXPECT_EQ(list->m_Menu.m_hOwner, list);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(parent.messages.empty()) << "no choice, no command";

    choose = true;
    list->OnContextMenu();
    EXPECT_EQ(list->m_Menu.m_hMenu, built) << "the second request reuses the menu";
    EXPECT_TRUE(parent.messages.empty()) << "posted, not sent";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(parent.messages, std::vector<unsigned>{UM_CLEAR_LOG});
    SetTrackPopupResponder(previous);

    list->OnCommand(12345);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(parent.messages.size(), 1u) << "other commands do nothing";
}
