// The key watcher: virtual-key codes and flags of Qt key events, and watchers that see every key of the
// program once, before its widget, without taking it away.
#include "platform/gui/KeyWatcher.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Seen {
    int code;
    unsigned vk;
    std::int32_t flags;
    std::string by;
};
std::vector<Seen> g_Seen;

LRESULT firstProc(int code, WPARAM w, LPARAM l);
LRESULT secondProc(int code, WPARAM w, LPARAM l);
HHOOK g_First = nullptr;
HHOOK g_Second = nullptr;

LRESULT firstProc(int code, WPARAM w, LPARAM l) {
    g_Seen.push_back({code, static_cast<unsigned>(w), static_cast<std::int32_t>(l), "first"});
    return callNextKeyWatcher(g_First, code, w, l) + 1;
}
LRESULT secondProc(int code, WPARAM w, LPARAM l) {
    g_Seen.push_back({code, static_cast<unsigned>(w), static_cast<std::int32_t>(l), "second"});
    return callNextKeyWatcher(g_Second, code, w, l) + 10;
}

unsigned vk(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    return virtualKeyOf(e);
}

// A widget that records the keys it gets and passes them on to its parent (ignores them).
class CKeyLog : public QWidget {
public:
    using QWidget::QWidget;
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        keys.push_back(e->key());
        g_Seen.push_back({-1, 0, 0, "widget"});
        e->ignore();
    }
};

class KeyWatcherTest : public ::testing::Test {
protected:
    void SetUp() override { g_Seen.clear(); }
    void TearDown() override {
        if (g_First)
            removeKeyWatcher(g_First);
        if (g_Second)
            removeKeyWatcher(g_Second);
        g_First = g_Second = nullptr;
    }
};

} // namespace

TEST(VirtualKeys, DigitsEnterLettersAndTheRest) {
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(vk(Qt::Key_0 + d), 0x30u + d);
        EXPECT_EQ(vk(Qt::Key_0 + d, Qt::KeypadModifier), 0x60u + d) << "keypad digits are not top-row digits";
    }
    // With Shift the top-row keys report their symbols; the key is still the digit.
    const char* shifted = ")!@#$%^&*(";
    for (int d = 0; d < 10; ++d)
        EXPECT_EQ(vk(shifted[d], Qt::ShiftModifier), 0x30u + d) << shifted[d];
    EXPECT_EQ(vk(Qt::Key_Exclam), VK_NONE) << "without Shift a symbol is not a digit";
    EXPECT_EQ(vk(Qt::Key_Return), VK_RETURN);
    EXPECT_EQ(vk(Qt::Key_Enter, Qt::KeypadModifier), VK_RETURN);
    EXPECT_EQ(vk(Qt::Key_A), 0x41u);
    EXPECT_EQ(vk(Qt::Key_Z, Qt::ShiftModifier), 0x5Au);
    EXPECT_EQ(vk(Qt::Key_Escape), VK_ESCAPE);
    EXPECT_EQ(vk(Qt::Key_Shift, Qt::ShiftModifier), VK_SHIFT);
    EXPECT_EQ(vk(Qt::Key_F2), VK_F1 + 1);
    EXPECT_EQ(vk(Qt::Key_Left), 0x25u);
    EXPECT_EQ(vk(Qt::Key_unknown), VK_NONE);
}

TEST(VirtualKeys, TheKeyNotItsSymbolMakesADigitOnEveryLayout) {
    auto atKey = [](quint32 keycode, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, key, mods, keycode, 0, 0);
        return virtualKeyOf(e);
    };
    // French top row without Shift, German with Shift: the 1..0 keys are X keycodes 10..19.
    EXPECT_EQ(atKey(10, Qt::Key_Ampersand), 0x31u);
    EXPECT_EQ(atKey(11, Qt::Key_Eacute), 0x32u);
    EXPECT_EQ(atKey(19, Qt::Key_Agrave), 0x30u);
    EXPECT_EQ(atKey(11, Qt::Key_QuoteDbl, Qt::ShiftModifier), 0x32u);
    EXPECT_EQ(atKey(12, Qt::Key_section, Qt::ShiftModifier), 0x33u);
    // The keypad stays the keypad, also with Num Lock off; both Enter keys are Return.
    EXPECT_EQ(atKey(87, Qt::Key_End, Qt::KeypadModifier), VK_NUMPAD0 + 1);
    EXPECT_EQ(atKey(90, Qt::Key_0, Qt::KeypadModifier), VK_NUMPAD0);
    EXPECT_EQ(atKey(104, Qt::Key_Enter, Qt::KeypadModifier), VK_RETURN);
    // Other keys, and events without a keycode, go by their symbol.
    EXPECT_EQ(atKey(38, Qt::Key_A), 0x41u);
    EXPECT_EQ(atKey(0, Qt::Key_Ampersand), VK_NONE);
}

TEST(VirtualKeys, FlagsTellPressesRepeatsAndReleases) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QString(), true);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_1, Qt::NoModifier);
    const auto p = static_cast<std::int32_t>(keystrokeFlagsOf(press));
    const auto r = static_cast<std::int32_t>(keystrokeFlagsOf(repeat));
    const auto u = static_cast<std::int32_t>(keystrokeFlagsOf(release));
    EXPECT_GT(p, 0);
    EXPECT_EQ(p & 0xFFFF, 1);
    EXPECT_GT(r, 0) << "a repeat is a press";
    EXPECT_NE(r & 0x40000000, 0);
    EXPECT_LT(u, 0) << "a release has bit 31 set";
    EXPECT_NE(u & 0x40000000, 0);
}

TEST_F(KeyWatcherTest, SeesEachPressAndReleaseOnceBeforeTheWidgetAndNeverTakesIt) {
    QWidget top;
    auto* layout = new QVBoxLayout(&top);
    auto* edit = new QLineEdit;
    auto* log = new CKeyLog;
    log->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(edit);
    layout->addWidget(log);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    top.activateWindow();
    edit->setFocus();

    g_First = installKeyWatcher(WH_KEYBOARD, firstProc, nullptr, currentThreadId());
    ASSERT_NE(g_First, nullptr);
    QTest::keyClick(top.windowHandle(), Qt::Key_1);
    QTest::keyClick(top.windowHandle(), Qt::Key_2);
    EXPECT_EQ(edit->text(), QStringLiteral("12")) << "the key still reaches its widget";
    ASSERT_EQ(g_Seen.size(), 4u) << "one press and one release per key";
    EXPECT_EQ(g_Seen[0].vk, 0x31u);
    EXPECT_GT(g_Seen[0].flags, 0);
    EXPECT_EQ(g_Seen[1].vk, 0x31u);
    EXPECT_LT(g_Seen[1].flags, 0);
    EXPECT_EQ(g_Seen[2].vk, 0x32u);
    EXPECT_EQ(g_Seen[0].code, HC_ACTION);

    // A key that its widget ignores goes on to the parents; it is still reported once, and first.
    g_Seen.clear();
    log->setFocus();
    QTest::keyPress(top.windowHandle(), Qt::Key_7);
    ASSERT_EQ(log->keys.size(), 1u);
    ASSERT_EQ(g_Seen.size(), 2u);
    EXPECT_EQ(g_Seen[0].by, "first");
    EXPECT_EQ(g_Seen[0].vk, 0x37u);
    EXPECT_EQ(g_Seen[1].by, "widget");
    QTest::keyRelease(top.windowHandle(), Qt::Key_7);

    EXPECT_TRUE(removeKeyWatcher(g_First));
    EXPECT_FALSE(removeKeyWatcher(g_First)) << "removed already";
    g_First = nullptr;
    g_Seen.clear();
    QTest::keyClick(top.windowHandle(), Qt::Key_3);
    EXPECT_TRUE(g_Seen.size() == 1u && g_Seen[0].by == "widget") << "no watcher: nothing reported";
}

TEST_F(KeyWatcherTest, NewestWatcherFirstAndTheNextReachedThroughTheChain) {
    QWidget top;
    top.setFocusPolicy(Qt::StrongFocus);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    g_First = installKeyWatcher(WH_KEYBOARD, firstProc, nullptr, currentThreadId());
    g_Second = installKeyWatcher(WH_KEYBOARD, secondProc, nullptr, currentThreadId());
    ASSERT_NE(g_First, nullptr);
    ASSERT_NE(g_Second, nullptr);
    EXPECT_EQ(callNextKeyWatcher(g_Second, HC_ACTION, 0x41, 1), 1) << "the older watcher's result";
    EXPECT_EQ(callNextKeyWatcher(g_First, HC_ACTION, 0x41, 1), 0) << "nobody after the oldest";
    g_Seen.clear();
    QTest::keyPress(top.windowHandle(), Qt::Key_A);
    ASSERT_EQ(g_Seen.size(), 2u);
    EXPECT_EQ(g_Seen[0].by, "second");
    EXPECT_EQ(g_Seen[1].by, "first");
    QTest::keyRelease(top.windowHandle(), Qt::Key_A);

    ASSERT_TRUE(removeKeyWatcher(g_Second));
    g_Second = nullptr;
    g_Seen.clear();
    QTest::keyPress(top.windowHandle(), Qt::Key_B);
    ASSERT_EQ(g_Seen.size(), 1u);
    EXPECT_EQ(g_Seen[0].by, "first");
    QTest::keyRelease(top.windowHandle(), Qt::Key_B);
}

TEST_F(KeyWatcherTest, RefusedForOtherThreadsTypesAndNoRoutine) {
    EXPECT_EQ(installKeyWatcher(13, firstProc, nullptr, currentThreadId()), nullptr) << "only WH_KEYBOARD";
    EXPECT_EQ(installKeyWatcher(WH_KEYBOARD, nullptr, nullptr, currentThreadId()), nullptr);
    // Another thread has no keys of its own.
    auto other = std::async(std::launch::async, [] {
        return installKeyWatcher(WH_KEYBOARD, firstProc, nullptr, currentThreadId());
    });
    EXPECT_EQ(other.get(), nullptr);
    Qt::HANDLE otherId = nullptr;
    std::thread([&] { otherId = currentThreadId(); }).join();
    EXPECT_EQ(installKeyWatcher(WH_KEYBOARD, firstProc, nullptr, otherId), nullptr)
        << "for another thread's keys";
    EXPECT_FALSE(removeKeyWatcher(nullptr));
}
