#include "platform/core/Messages.h"

#include <QCoreApplication>

QEvent::Type CMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool postMessage(QObject* target, unsigned msg, WPARAM wParam, LPARAM lParam) {
    if (!target)
        return false;
    QCoreApplication::postEvent(target, new CMessageEvent(msg, wParam, lParam));
    return true;
}

LRESULT sendMessage(QObject* target, unsigned msg, WPARAM wParam, LPARAM lParam) {
    if (!target)
        return 0;
    CMessageEvent e(msg, wParam, lParam);
    QCoreApplication::sendEvent(target, &e);
    return e.result;
}

namespace {
QPointer<QObject> g_MainWindow;
}

void setMainWindow(QObject* window) {
    g_MainWindow = window;
}
QObject* mainWindow() {
    return g_MainWindow.data();
}
