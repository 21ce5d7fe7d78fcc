#pragma once
// The reading pen types a code number as six digit keys and Enter. While the point-reading window is open,
// a key watcher on the user-interface thread collects those keys and posts the number to the main window
// as UM_PLAY_CODE. It only watches: every key still reaches the window it was meant for.
#include "platform/core/Messages.h"
#include "platform/gui/KeyWatcher.h"

#include <QPointer>

struct keyborad_hook_record {
    HHOOK hhook = nullptr;       // the installed watcher; null when none is installed
    int idhook = 0;              // the watcher type given at installation: WH_KEYBOARD
    HOOKPROC hookproc = nullptr; // the routine given at installation: KeyboardHookProc
    QPointer<QObject> hwnd;      // the receiver of UM_PLAY_CODE; null when none is installed
};

extern keyborad_hook_record keyborad_hook;

// The digits collected since the last reset (0 to 6) and the number they make. Only KeyboardHookProc
// resets them: installing or removing the watcher keeps a number half typed.
extern int DigitCount;
extern int DigitValue;

// Installs the watcher with hwnd as the receiver, unless one is installed (then nothing changes).
void DoHook_KeyBoard(QObject* hwnd);
// Removes the watcher if one is installed.
void UnhookKeyboard();
// The watcher routine: wParam the virtual-key code, lParam the keystroke flags (negative for a release).
LRESULT KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);
