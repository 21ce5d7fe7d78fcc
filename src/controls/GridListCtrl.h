#pragma once
// The list both lists of the program are built on: a report list with a current column moved by clicks and
// by Left/Right, a request to edit a cell, and header clicks and right-button presses passed to the parent.
#include "platform/core/Messages.h"
#include "platform/gui/ReportList.h"

class CGridListCtrl : public CReportView {
    Q_OBJECT
public:
    explicit CGridListCtrl(QWidget* parent = nullptr);

    int m_CurColumn = -1;      // display position of the current column; -1: none
    int m_RowCount = 0;        // rows inserted, blank or filled (kept by the owner)
    int m_FilledRows = 0;      // filled rows at the top; the next row to fill (kept by the owner)
    int m_Highlight = 2;       // highlight extent; both owners set 2
    QColor m_Color1, m_Color2; // set by the owners; nothing draws with them

    // Scrolls horizontally so that the column's left edge is at the client's left edge when the column is
    // not wholly visible.
    void EnsureColumnVisible(int column);
    // The display position of a column (the order is the column index here), or -1.
    int PositionOfColumn(int column) const;
    int ColumnAtPosition(int position) const;
    // The list's id in its dialog (the one its edit requests carry).
    int ControlId() const;
    // The dialog that holds the list (its notifications go there, past any inner client widget).
    QWidget* OwnerDialog() const;

protected:
    // Where the context menu opens: at the pointer, or below the current row when a key opened it.
    QPoint MenuPoint();
    bool m_MenuFromKeyboard = false;

    virtual void OnCellClick(QMouseEvent* e);
    // The key routine; true when the key was consumed.
    virtual bool OnKeyDown(QKeyEvent* e);
    void SendEditRequest(int row, int column);

    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void ClickOnRow(QMouseEvent* e);
};
