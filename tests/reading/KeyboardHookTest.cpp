// The pen's key watcher: six digit key presses and Enter become UM_PLAY_CODE to the receiver; anything else
// starts over. Driven through the routine itself and through real key events of a window.
#include "reading/KeyboardHook.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <initializer_list>

namespace {

constexpr LPARAM kPress = 1;
const LPARAM kRelease = static_cast<LPARAM>(static_cast<std::int32_t>(0xC0000001u));

void press(unsigned vk) {
    KeyboardHookProc(HC_ACTION, vk, kPress);
}
void release(unsigned vk) {
    KeyboardHookProc(HC_ACTION, vk, kRelease);
}
void pressAll(std::initializer_list<unsigned> keys) {
    for (unsigned k : keys)
        press(k);
}
// The digit keys of a text, then Enter.
void typeCode(const char* digits) {
    for (const char* p = digits; *p; ++p)
        press(static_cast<unsigned char>(*p));
    press(VK_RETURN);
}

class KeyboardHookTest : public ::testing::Test {
protected:
    void SetUp() override {
        UnhookKeyboard();
        DigitCount = 0;
        DigitValue = 0;
        DoHook_KeyBoard(&receiver);
        ASSERT_NE(keyborad_hook.hhook, nullptr);
    }
    void TearDown() override { UnhookKeyboard(); }
    std::vector<WPARAM> codes() {
        QCoreApplication::sendPostedEvents();
        std::vector<WPARAM> out;
        for (const auto& m : receiver.messages) {
            EXPECT_EQ(m.message, UM_PLAY_CODE);
            EXPECT_EQ(m.lParam, 0);
            out.push_back(m.wParam);
        }
        receiver.messages.clear();
        return out;
    }
    RecordingReceiver receiver;
};

using Codes = std::vector<WPARAM>;

} // namespace

TEST_F(KeyboardHookTest, InstallationFillsTheRecord) {
    EXPECT_EQ(keyborad_hook.idhook, WH_KEYBOARD);
    EXPECT_EQ(keyborad_hook.hookproc, &KeyboardHookProc);
    EXPECT_EQ(keyborad_hook.hwnd, &receiver);
}

TEST_F(KeyboardHookTest, SixDigitsAndEnterPostTheNumber) {
    typeCode("000123");
    EXPECT_EQ(codes(), Codes{123});
    typeCode("999999");
    typeCode("000000");
    EXPECT_EQ(codes(), (Codes{999999, 0}));
    // Line feed ends a number like Enter.
    pressAll({'4', '5', '6', '7', '8', '9', 0x0A});
    EXPECT_EQ(codes(), Codes{456789});
}

TEST_F(KeyboardHookTest, FewerOrMoreDigitsPostNothing) {
    typeCode("12345");
    EXPECT_EQ(codes(), Codes{});
    EXPECT_EQ(DigitCount, 0) << "Enter is not a digit: it starts over";
    typeCode("1234567");
    EXPECT_EQ(codes(), Codes{}) << "the seventh digit starts over and is not counted";
    EXPECT_EQ(DigitCount, 0);
    // After a seventh digit the next six digits and Enter work again.
    typeCode("123456");
    EXPECT_EQ(codes(), Codes{123456});
}

TEST_F(KeyboardHookTest, AnyOtherKeyStartsOver) {
    pressAll({'1', '2', '3', 'A', '4', '5', '6'});
    press(VK_RETURN);
    EXPECT_EQ(codes(), Codes{});
    // Keypad digits are other keys.
    pressAll({'1', '2', '3', '4', '5', VK_NUMPAD0 + 6, VK_RETURN});
    EXPECT_EQ(codes(), Codes{});
    // Six digits, then a key that is not Enter: nothing, and the state is empty again.
    pressAll({'1', '2', '3', '4', '5', '6', VK_SHIFT});
    EXPECT_EQ(DigitCount, 0);
    EXPECT_EQ(DigitValue, 0);
    press(VK_RETURN);
    EXPECT_EQ(codes(), Codes{});
    // A key without a code of its own (low byte 0xFF, a negative character) is no digit either.
    pressAll({'1', '2', VK_NONE});
    EXPECT_EQ(DigitCount, 0);
    // Only the low byte counts: 0x131 is the digit 1.
    pressAll({0x131, '2', '3', '4', '5', '6', VK_RETURN});
    EXPECT_EQ(codes(), Codes{123456});
}

TEST_F(KeyboardHookTest, ReleasesChangeNothingAndRepeatsCount) {
    for (unsigned k : {'6', '5', '4', '3', '2', '1'}) {
        press(k);
        release(k);
    }
    release(VK_RETURN + 0x41); // a release of another key
    press(VK_RETURN);
    EXPECT_EQ(codes(), Codes{654321});
    // A held key repeats as presses: each one counts.
    pressAll({'7', '7', '7', '7', '7', '7', VK_RETURN});
    EXPECT_EQ(codes(), Codes{777777});
}

TEST_F(KeyboardHookTest, DigitsSurviveRemovalAndReinstallation) {
    pressAll({'0', '0', '7'});
    UnhookKeyboard();
    EXPECT_EQ(keyborad_hook.hhook, nullptr);
    EXPECT_EQ(keyborad_hook.hwnd, nullptr);
    EXPECT_EQ(DigitCount, 3);
    DoHook_KeyBoard(&receiver);
    pressAll({'0', '4', '2', VK_RETURN});
    EXPECT_EQ(codes(), Codes{7042});
}

TEST_F(KeyboardHookTest, SecondInstallationKeepsHookAndReceiver) {
    const HHOOK first = keyborad_hook.hhook;
    RecordingReceiver other;
    DoHook_KeyBoard(&other);
    EXPECT_EQ(keyborad_hook.hhook, first);
    EXPECT_EQ(keyborad_hook.hwnd, &receiver);
    typeCode("111111");
    EXPECT_EQ(codes(), Codes{111111});
    EXPECT_TRUE(other.messages.empty());
}

TEST_F(KeyboardHookTest, AReceiverThatWentAwayGetsNothingAndNothingBreaks) {
    UnhookKeyboard();
    {
        RecordingReceiver gone;
        DoHook_KeyBoard(&gone);
    }
    EXPECT_EQ(keyborad_hook.hwnd, nullptr);
    typeCode("123123");
    EXPECT_EQ(DigitCount, 0);
}

TEST_F(KeyboardHookTest, RealKeyEventsOfAWindow) {
    QWidget window;
    window.setFocusPolicy(Qt::StrongFocus);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QWindow* w = window.windowHandle();
    for (Qt::Key k : {Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_1, Qt::Key_2, Qt::Key_3})
        QTest::keyClick(w, k);
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(codes(), Codes{123});
    // Shift held over the digits: still digits (the Shift press itself came first and started over).
    QTest::keyPress(w, Qt::Key_Shift, Qt::ShiftModifier);
    // (QTest::keyClick would press and release Shift around every key.)
    for (char c : std::string("!@#$%^")) {
        QTest::simulateEvent(w, true, c, Qt::ShiftModifier, QString(QChar(c)), false);
        QTest::simulateEvent(w, false, c, Qt::ShiftModifier, QString(QChar(c)), false);
    }
    QTest::keyRelease(w, Qt::Key_Shift);
    QTest::keyClick(w, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(codes(), Codes{123456});
    // Keypad digits do not make a number.
    for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6})
        QTest::keyClick(w, k, Qt::KeypadModifier);
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(codes(), Codes{});
    // Removed: the keys go by unseen.
    UnhookKeyboard();
    for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6, Qt::Key_Return})
        QTest::keyClick(w, k);
    EXPECT_EQ(codes(), Codes{});
    EXPECT_EQ(DigitCount, 0);
}
