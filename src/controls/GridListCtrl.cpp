#include "controls/GridListCtrl.h"

#include "platform/core/Gbk.h"
#include "platform/gui/DialogTemplate.h"

#include <QCursor>
#include <QDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

CGridListCtrl::CGridListCtrl(QWidget* parent) : CReportView(parent) {
    // Header clicks and right-button presses go to the parent as posted messages; nothing is sorted.
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        postMessage(OwnerDialog(), UM_COLUMN_CLICK, static_cast<WPARAM>(column), 0);
    });
    // Scrolling takes the focus.
    auto takeFocus = [this] {
        if (!hasFocus())
            setFocus(Qt::OtherFocusReason);
    };
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, takeFocus);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, takeFocus);
}

int CGridListCtrl::PositionOfColumn(int column) const {
    if (column < 0 || column >= GetColumnCount())
        return -1;
    return horizontalHeader()->visualIndex(column);
}

int CGridListCtrl::ColumnAtPosition(int position) const {
    if (position < 0 || position >= GetColumnCount())
        return -1;
    return horizontalHeader()->logicalIndex(position);
}

int CGridListCtrl::ControlId() const {
    return controlId(this);
}

QWidget* CGridListCtrl::OwnerDialog() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (qobject_cast<QDialog*>(w))
            return w;
    return parentWidget();
}

void CGridListCtrl::EnsureColumnVisible(int column) {
    if (column < 0 || column >= GetColumnCount() || GetItemCount() == 0)
        return;
    const int x = horizontalHeader()->sectionViewportPosition(column);
    const int w = columnWidth(column);
    if (x < 0 || x + w > viewport()->width())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x);
}

void CGridListCtrl::SendEditRequest(int row, int column) {
    const std::string text = toGbk(GetItemText(row, column));
    NMLVDISPINFO info{this, ControlId(), LVN_BEGINLABELEDITA, LVIF_TEXT,
                      row,  column,      text.c_str(),        static_cast<int>(text.size())};
    sendMessage(OwnerDialog(), WM_NOTIFY, static_cast<WPARAM>(ControlId()), reinterpret_cast<LPARAM>(&info));
}

void CGridListCtrl::OnCellClick(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    const int column = columnAt(p.x());
    const int row = rowAt(p.y());
    const int old = m_CurColumn;
    m_CurColumn = PositionOfColumn(column);
    if (m_CurColumn == -1)
        return; // no column there: the press is dropped
    EnsureColumnVisible(ColumnAtPosition(m_CurColumn));
    const bool wasFocused = row >= 0 && row == GetFocusedItem();
    ClickOnRow(e);
    if (wasFocused && m_CurColumn == old) {
        // On column 0 only a press on the text itself counts, as on the item's label.
        bool onLabel = true;
        if (column == 0) {
            const QRect cell = visualRect(m_Model->index(row, 0));
            const int textWidth = fontMetrics().horizontalAdvance(GetItemText(row, 0));
            onLabel = p.x() < cell.left() + 6 + textWidth;
        }
        if (column != 0 || onLabel)
            SendEditRequest(row, column);
    }
}

void CGridListCtrl::ClickOnRow(QMouseEvent* e) {
    CReportView::mousePressEvent(e);
}

void CGridListCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        OnCellClick(e);
        return;
    }
    if (e->button() == Qt::RightButton) {
        const QPoint p = e->position().toPoint();
        postMessage(OwnerDialog(), UM_LIST_RBUTTONDOWN, static_cast<WPARAM>(p.x()), p.y());
    }
    CReportView::mousePressEvent(e);
}

QPoint CGridListCtrl::MenuPoint() {
    const bool keyboard = std::exchange(m_MenuFromKeyboard, false);
    return keyboard ? KeyboardMenuPoint() : QCursor::pos();
}

bool CGridListCtrl::OnKeyDown(QKeyEvent* e) {
    const int last = GetColumnCount() - 1;
    switch (e->key()) {
    case Qt::Key_Left:
        if (--m_CurColumn < -1) {
            m_CurColumn = -1;
            return true;
        }
        EnsureColumnVisible(ColumnAtPosition(m_CurColumn));
        viewport()->update(GetItemRect(GetFocusedItem()));
        return true;
    case Qt::Key_Right:
        if (++m_CurColumn > last) {
            m_CurColumn = last;
            return true;
        }
        EnsureColumnVisible(ColumnAtPosition(m_CurColumn));
        viewport()->update(GetItemRect(GetFocusedItem()));
        return true;
    case Qt::Key_F2:
        if (m_CurColumn != -1 && GetFocusedItem() != -1)
            SendEditRequest(GetFocusedItem(), ColumnAtPosition(m_CurColumn));
        return false;
    default:
        return false;
    }
}

void CGridListCtrl::keyPressEvent(QKeyEvent* e) {
    if (OnKeyDown(e)) {
        e->accept();
        return;
    }
    CReportView::keyPressEvent(e);
}
