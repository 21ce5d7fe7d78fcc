#include "reading/KeyboardHook.h"

#include "app/KIVApp.h"
#include "platform/core/Trace.h"

#include <cstdint>

keyborad_hook_record keyborad_hook;
int DigitCount = 0;
int DigitValue = 0;

void DoHook_KeyBoard(QObject* hwnd) {
    if (keyborad_hook.hhook)
        return; // the receiver stays the one given at installation
    keyborad_hook.hhook = nullptr;
    keyborad_hook.idhook = WH_KEYBOARD;
    keyborad_hook.hookproc = KeyboardHookProc;
    keyborad_hook.hhook = installKeyWatcher(WH_KEYBOARD, KeyboardHookProc, ghInstance, currentThreadId());
    // A watcher that cannot be installed leaves the pen without effect; nobody is told.
    if (keyborad_hook.hhook)
        keyborad_hook.hwnd = hwnd;
}

void UnhookKeyboard() {
    if (keyborad_hook.hhook && removeKeyWatcher(keyborad_hook.hhook)) {
        keyborad_hook.hhook = nullptr;
        keyborad_hook.hwnd = nullptr;
    }
}

LRESULT KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
    // Releases (bit 31 set) change nothing.
    if (static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam)) > 0) {
        const int k = static_cast<signed char>(wParam & 0xFF);
        if (DigitCount < 6) {
            if (k >= 0x30 && k <= 0x39) {
                DigitValue = DigitValue * 10 + (k - 0x30);
                ++DigitCount;
            } else {
                DigitCount = 0;
                DigitValue = 0;
            }
        } else {
            trace("CH==%02x '%c'\r\n", k, k);
            if (k == 0x0D || k == 0x0A)
                postMessage(keyborad_hook.hwnd, UM_PLAY_CODE, static_cast<WPARAM>(DigitValue), 0);
            DigitCount = 0;
            DigitValue = 0;
        }
    }
    return callNextKeyWatcher(keyborad_hook.hhook, code, wParam, lParam);
}
