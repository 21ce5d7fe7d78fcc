#include "platform/gui/KeyWatcher.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QThread>
#include <algorithm>
#include <vector>

struct KeyWatcher {
    HOOKPROC proc;
};

namespace {

// Sees every key event of the application. Qt hands one key to several objects (the window first, then
// the focus widget and, while nobody accepts it, its parents); only the window's delivery is reported, so
// each key counts once and before any widget has it.
class CKeyEventFilter : public QObject {
public:
    std::vector<KeyWatcher*> watchers; // oldest first

protected:
    bool eventFilter(QObject* receiver, QEvent* e) override {
        const QEvent::Type t = e->type();
        if ((t == QEvent::KeyPress || t == QEvent::KeyRelease) && receiver->isWindowType() &&
            !watchers.empty()) {
            const auto* k = static_cast<const QKeyEvent*>(e);
            watchers.back()->proc(HC_ACTION, virtualKeyOf(*k), keystrokeFlagsOf(*k));
        }
        return false; // never consumed
    }
};

CKeyEventFilter* g_KeyFilter = nullptr;

} // namespace

Qt::HANDLE currentThreadId() {
    return QThread::currentThreadId();
}

HHOOK installKeyWatcher(int idHook, HOOKPROC proc, QObject* instance, Qt::HANDLE threadId) {
    (void)instance;
    QCoreApplication* app = QCoreApplication::instance();
    if (idHook != WH_KEYBOARD || !proc || !app)
        return nullptr;
    // Keys arrive on the application's thread only; that thread must be the caller too, or the watcher list
    // would be shared between threads.
    if (threadId != QThread::currentThreadId() || QThread::currentThread() != app->thread())
        return nullptr;
    if (!g_KeyFilter) {
        g_KeyFilter = new CKeyEventFilter;
        app->installEventFilter(g_KeyFilter);
        // The filter goes with the application; a later application gets a new one.
        QObject::connect(app, &QObject::destroyed, [] {
            for (KeyWatcher* w : g_KeyFilter->watchers)
                delete w;
            delete g_KeyFilter;
            g_KeyFilter = nullptr;
        });
    }
    auto* w = new KeyWatcher{proc};
    g_KeyFilter->watchers.push_back(w);
    return w;
}

LRESULT callNextKeyWatcher(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    if (!g_KeyFilter)
        return 0;
    auto& list = g_KeyFilter->watchers;
    auto it = std::find(list.begin(), list.end(), hook);
    if (it == list.end() || it == list.begin())
        return 0;
    return (*(it - 1))->proc(code, wParam, lParam);
}

bool removeKeyWatcher(HHOOK hook) {
    if (!g_KeyFilter || !hook)
        return false;
    auto& list = g_KeyFilter->watchers;
    auto it = std::find(list.begin(), list.end(), hook);
    if (it == list.end())
        return false;
    list.erase(it);
    delete hook;
    return true;
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
namespace {

// The X11 keycodes (evdev) of the keys whose meaning must not depend on the keyboard layout: the top row's
// digits (10..19 are 1..9, 0) and the keypad's digits, and both Enter keys. A French layout types "&" on
// the 1 key, a German one '"' on Shift+2; the pen means the digit either way.
unsigned virtualKeyOfKeycode(quint32 code) {
    if (code >= 10 && code <= 18)
        return 0x31u + (code - 10);
    if (code == 19)
        return 0x30u;
    switch (code) {
    case 79:
        return VK_NUMPAD0 + 7;
    case 80:
        return VK_NUMPAD0 + 8;
    case 81:
        return VK_NUMPAD0 + 9;
    case 83:
        return VK_NUMPAD0 + 4;
    case 84:
        return VK_NUMPAD0 + 5;
    case 85:
        return VK_NUMPAD0 + 6;
    case 87:
        return VK_NUMPAD0 + 1;
    case 88:
        return VK_NUMPAD0 + 2;
    case 89:
        return VK_NUMPAD0 + 3;
    case 90:
        return VK_NUMPAD0;
    case 36:
    case 104:
        return VK_RETURN;
    default:
        return VK_NONE;
    }
}

} // namespace
#endif

unsigned virtualKeyOf(const QKeyEvent& e) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // X11 and Wayland report XKB keycodes as native scan codes; without one (offscreen) the symbol decides.
    if (e.nativeScanCode() != 0) {
        const unsigned vk = virtualKeyOfKeycode(e.nativeScanCode());
        if (vk != VK_NONE)
            return vk;
    }
#endif
    const int key = e.key();
    const bool keypad = e.modifiers().testFlag(Qt::KeypadModifier);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (keypad ? VK_NUMPAD0 : 0x30u) + static_cast<unsigned>(key - Qt::Key_0);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 0x41u + static_cast<unsigned>(key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + static_cast<unsigned>(key - Qt::Key_F1);
    if (!keypad && e.modifiers().testFlag(Qt::ShiftModifier)) {
        // With Shift the top-row digit keys report their symbols (US layout); the key is still the digit's.
        static constexpr char kShifted[] = ")!@#$%^&*(";
        for (unsigned d = 0; d < 10; ++d)
            if (key == kShifted[d])
                return 0x30u + d;
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    case Qt::Key_Asterisk:
        return keypad ? 0x6A : VK_NONE;
    case Qt::Key_Plus:
        return keypad ? 0x6B : 0xBB;
    case Qt::Key_Minus:
        return keypad ? 0x6D : 0xBD;
    case Qt::Key_Period:
        return keypad ? 0x6E : 0xBE;
    case Qt::Key_Slash:
        return keypad ? 0x6F : 0xBF;
    case Qt::Key_Comma:
        return 0xBC;
    case Qt::Key_Semicolon:
        return 0xBA;
    case Qt::Key_Equal:
        return 0xBB;
    default:
        return VK_NONE;
    }
}

LPARAM keystrokeFlagsOf(const QKeyEvent& e) {
    std::uint32_t flags = 1; // repeat count
    flags |= (static_cast<std::uint32_t>(e.nativeScanCode()) & 0xFF) << 16;
    if (e.type() == QEvent::KeyRelease)
        flags |= 0xC0000000u;
    else if (e.isAutoRepeat())
        flags |= 0x40000000u;
    // Kept as the 32-bit value the routines read it as.
    return static_cast<LPARAM>(static_cast<std::int32_t>(flags));
}
