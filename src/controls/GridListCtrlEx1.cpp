#include "controls/GridListCtrlEx1.h"

#include "app/KIVApp.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>

CGridListCtrlEx1::CGridListCtrlEx1(QWidget* parent) : CGridListCtrl(parent) {
    // A Chinese input method would turn the pen's digits into candidates before anyone sees them.
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

QVariant CGridListCtrlEx1::inputMethodQuery(Qt::InputMethodQuery query) const {
    // Said here too, should the item view ever turn the attribute back on.
    if (query == Qt::ImEnabled)
        return false;
    return CGridListCtrl::inputMethodQuery(query);
}

bool CGridListCtrlEx1::IsKeyEvent(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

bool CGridListCtrlEx1::event(QEvent* e) {
    // Keys are consumed before anything else sees them: no focus moves, no shortcut fires, and nothing
    // passes on to the window (whose default button would take Enter, and Escape would close it).
    if (IsKeyEvent(e->type())) {
        // Two keys a pen never sends are the keyboard user's: Esc leaves, Shift+F10 opens the menu.
        if (e->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(e);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
                if (auto* dialog = qobject_cast<QDialog*>(window()))
                    dialog->reject();
            } else if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
                m_MenuFromKeyboard = true;
                OnContextMenu();
            }
        }
        e->accept();
        return true;
    }
    return CGridListCtrl::event(e);
}

void CGridListCtrlEx1::contextMenuEvent(QContextMenuEvent* e) {
    e->accept();
    m_MenuFromKeyboard = e->reason() == QContextMenuEvent::Keyboard;
    OnContextMenu();
}

void CGridListCtrlEx1::OnContextMenu() {
    if (!m_MenuLoaded) {
        m_MenuLoaded = true;
        m_Menu.LoadFromResource(137);
        m_Menu.m_hInstance = ghInstance;
        m_Menu.m_hOwner = this;
    }
    CMy_Menu_1* popup = m_Menu.LookupByHandle(m_Menu.GetSubMenu(0));
    if (!popup)
        return; // the menu could not be built: nothing is shown
    const int chosen = popup->TrackPopupMenu(MenuPoint());
    if (chosen)
        OnCommand(chosen);
}

void CGridListCtrlEx1::OnCommand(int id) {
    if (id == ID_CLEAR_LOG)
        postMessage(parentWidget(), UM_CLEAR_LOG, 0, 0);
}
