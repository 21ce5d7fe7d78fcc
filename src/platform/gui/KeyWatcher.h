#pragma once
// Watching the program's key presses and releases: the thread keyboard hook of the original platform.
// A watcher sees every key press and release that the user-interface thread receives, exactly once, with
// its Windows virtual-key code and keystroke flags, before the key reaches its widget. It only watches: the
// key goes on to its widget whatever the watcher returns.
#include "platform/core/Messages.h"

#include <Qt>

class QKeyEvent;
class QObject;

constexpr int WH_KEYBOARD = 2;
constexpr int HC_ACTION = 0;

// Virtual-key codes the program and its tests name.
constexpr unsigned VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
                   VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_NUMPAD0 = 0x60, VK_F1 = 0x70;
// A key without a virtual-key code of its own.
constexpr unsigned VK_NONE = 0xFF;

using HOOKPROC = LRESULT (*)(int code, WPARAM wParam, LPARAM lParam);
struct KeyWatcher;
using HHOOK = KeyWatcher*;

// Installs proc as the newest watcher of the given thread's keys (type WH_KEYBOARD). Only the
// user-interface thread has keys: any other thread, another type, a null proc or no application object
// gives null. The instance names the module the routine lives in; it is not used.
HHOOK installKeyWatcher(int idHook, HOOKPROC proc, QObject* instance, Qt::HANDLE threadId);
// Hands the key to the next older watcher; its result, or 0 when there is none.
LRESULT callNextKeyWatcher(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
// Removes a watcher; false when it is not installed.
bool removeKeyWatcher(HHOOK hook);
// The id of the calling thread, as installKeyWatcher expects it.
Qt::HANDLE currentThreadId();

// The Windows virtual-key code of a key event: top-row digits are 0x30..0x39 with or without Shift and on
// any layout, keypad digits 0x60..0x69, both Enter keys VK_RETURN, letters 0x41..0x5A; VK_NONE for keys
// without one.
unsigned virtualKeyOf(const QKeyEvent& e);
// The keystroke flags: repeat count 1; bit 30 set for a repeat or a release; bit 31 set for a release.
LPARAM keystrokeFlagsOf(const QKeyEvent& e);
