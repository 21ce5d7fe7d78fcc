#pragma once
// The record list of the main window. Each filled row shows one record of the library; a row keeps the
// record's key, not a pointer, and looks the record up when it needs it, so a row can never reach a record
// that has gone (it then shows blank). Selecting another row asks the main window to play it; the context
// menu plays, stops, prints, re-records and deletes through messages to the main window.
#include "barcode/LabelSheetDlg.h"
#include "controls/GridListCtrl.h"
#include "controls/My_Menu_1.h"

struct SOUND_RECORD;

class CGridListCtrlEx2 : public CGridListCtrl {
    Q_OBJECT
public:
    explicit CGridListCtrlEx2(QWidget* parent = nullptr);

    int m_HotItem = -1; // the row of the latest item change that named a different row
    bool m_MenuLoaded = false;
    CMy_Menu_1 m_Menu;

    // Commands of the context menu.
    static constexpr int ID_PLAY = 32779, ID_STOP = 32780, ID_PRINT = 32786, ID_RERECORD = 32792,
                         ID_DELETE = 32782, ID_DELETE_ALL = 32788;
    // Ours, put after "打印条码": the same command as the "点读书" popup's "打印标签页...".
    static constexpr int ID_PRINT_LABELS = 32804;
    // Ours, after the last entry: looking after the record a single selected row shows.
    static constexpr int ID_EDIT_ANNOTATION = 32820, ID_REPLACE_SOUND = 32821;

    // The row shows this record (its texts come from the record while it lives).
    void SetRowRecord(int row, const SOUND_RECORD* record);
    // The record a row shows, or null for a blank row or a record that has gone.
    const SOUND_RECORD* RecordOfRow(int row) const;
    // The code number of a row's record (as atoi reads its code), or -1 without a record.
    int CodeOfRow(int row) const;

    // The context menu routine (also what a right click or the menu key runs).
    void OnContextMenu();
    // Runs a command of the context menu.
    void OnCommand(int id);
    // The item-changed routine: a change that names another row plays it.
    void OnItemChanged(int row);
    // "打印标签页...": the book's labels or the selected rows', offering first the ones asked for.
    void ShowLabelSheets(LabelChoice first);

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
    // F2 edits the annotation of the focused row, as a double click on its 内容 cell does.
    bool OnKeyDown(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void PrintSelected();
    void PlayHotItem();
    // Asks the main window to look after the record of the row (a UM_ message with its Index).
    void PostRecordCommand(unsigned msg, int row);

    bool m_PlayPending = false; // a play of the hot row is due at the end of this turn
    int m_HotBefore = -1;       // the hot row before this turn's changes
};
