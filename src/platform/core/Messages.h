#pragma once
// Window messages between the program's windows: posted ones are queued, sent ones are handled before the
// send returns. A window is any QObject whose event() hands CMessageEvent to its dispatch routine; derive
// from CMessageWindow<Base> to get that.
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <cstdint>

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// The program's own messages, with the numbers every copy of the program uses.
constexpr unsigned UM_INIT_LAYOUT = 0x0D99;
constexpr unsigned UM_REFRESH_CONTROLS = 0x1400;
constexpr unsigned UM_LOG_TEXT = 0x1401;
constexpr unsigned UM_RECORD_ADDED = 0x1402;
constexpr unsigned UM_RECORD_UPDATED = 0x1403;
constexpr unsigned UM_COLUMN_CLICK = 0x2449;
constexpr unsigned UM_LIST_RBUTTONDOWN = 0x2450;
constexpr unsigned UM_CLEAR_LOG = 0x8401;
constexpr unsigned UM_PLAY_CODE = 0x9490;
constexpr unsigned UM_STOP_PLAY = 0x9491;
constexpr unsigned UM_RERECORD = 0x9492;
constexpr unsigned UM_DELETE_RECORD = 0x9493;
constexpr unsigned UM_DELETE_ALL = 0x9494;
// Ours, for looking after a record (wParam: the record's Index, so a repeated number names the right one).
constexpr unsigned UM_EDIT_ANNOTATION = 0x9496;
constexpr unsigned UM_REPLACE_SOUND = 0x9497;

// Platform messages the program uses between its own windows.
constexpr unsigned WM_SIZE = 0x0005;
constexpr unsigned WM_NOTIFY = 0x004E;
constexpr unsigned WM_COMMAND = 0x0111;

// A list's request to edit one cell, sent with WM_NOTIFY (wParam: the list's id, lParam: this record).
constexpr int LVN_BEGINLABELEDITA = -105;
struct NMLVDISPINFO {
    QObject* hwndFrom;
    int idFrom;
    int code;
    unsigned mask; // LVIF_TEXT
    int iItem;
    int iSubItem;
    const char* pszText; // GBK, valid during the send only
    int cchTextMax;      // length of the text in bytes
};
constexpr unsigned LVIF_TEXT = 0x1;

class CMessageEvent : public QEvent {
public:
    static QEvent::Type eventType();
    CMessageEvent(unsigned msg, WPARAM wParam, LPARAM lParam)
        : QEvent(eventType()), message(msg), wParam(wParam), lParam(lParam) {}
    unsigned message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool handled = false;
};

// Queues the message for target; false when there is no target. A target destroyed before the message
// is delivered simply never gets it.
bool postMessage(QObject* target, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
// Delivers the message at once and returns the handler's result (0 without a target or handler).
LRESULT sendMessage(QObject* target, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);

// The application's main window: the receiver of the library's notifications and of the pen's codes.
void setMainWindow(QObject* window);
QObject* mainWindow();

// Mixin that routes CMessageEvent to a dispatch routine, the window's message map.
template <class Base> class CMessageWindow : public Base {
public:
    using Base::Base;

protected:
    virtual LRESULT WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) {
        (void)msg;
        (void)wParam;
        (void)lParam;
        return 0;
    }
    bool event(QEvent* e) override {
        if (e->type() == CMessageEvent::eventType()) {
            auto* m = static_cast<CMessageEvent*>(e);
            m->result = WindowProc(m->message, m->wParam, m->lParam);
            m->handled = true;
            return true;
        }
        return Base::event(e);
    }
};

// A plain receiver, for non-window objects and tests.
using CMessageReceiver = CMessageWindow<QObject>;
