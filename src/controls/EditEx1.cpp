#include "controls/EditEx1.h"

#include "platform/core/Messages.h"

#include <QKeyEvent>

void CEditEx1::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        sendMessage(mainWindow(), WM_COMMAND, 1000, 0);
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}
