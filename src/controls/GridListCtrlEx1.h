#pragma once
// The reading log of the point-reading window. It swallows every key addressed to it, so the reading pen's
// digits and Enter, once the key watcher has seen them, do nothing in the window (Enter does not end it);
// input methods stay off for it, so none can take the pen's digits; its context menu has one command,
// which asks the window to empty the log.
#include "controls/GridListCtrl.h"
#include "controls/My_Menu_1.h"

class CGridListCtrlEx1 : public CGridListCtrl {
    Q_OBJECT
public:
    explicit CGridListCtrlEx1(QWidget* parent = nullptr);

    static constexpr int ID_CLEAR_LOG = 32790;

    bool m_MenuLoaded = false;
    CMy_Menu_1 m_Menu;

    // The context menu routine (what a right click runs); the click position is not used.
    void OnContextMenu();
    // Runs a command of the context menu.
    void OnCommand(int id);
    // Whether the key filter swallows events of this type before the list sees them.
    static bool IsKeyEvent(QEvent::Type type);
    // Says no to input methods (Qt::ImEnabled); other queries as the list answers them.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    bool event(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
};
