#include "platform/gui/ReportList.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>

int CReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_Data.size());
}

int CReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_Titles.size();
}

QVariant CReportModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return GetItemText(index.row(), index.column());
}

QVariant CReportModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_Titles.size())
        return m_Titles[section];
    return {};
}

int CReportModel::InsertColumn(int column, const QString& title) {
    column = std::clamp(column, 0, static_cast<int>(m_Titles.size()));
    beginInsertColumns(QModelIndex(), column, column);
    m_Titles.insert(column, title);
    for (auto& [row, texts] : m_Texts)
        if (column <= texts.size())
            texts.insert(column, QString());
    endInsertColumns();
    return column;
}

int CReportModel::InsertItems(int at, int count) {
    const int n = static_cast<int>(m_Data.size());
    at = std::clamp(at, 0, n);
    if (count <= 0)
        return at;
    if (at != n && !m_Texts.empty()) {
        // Texts are kept by row: move those below the insertion point down.
        std::unordered_map<int, QStringList> moved;
        for (auto& [row, texts] : m_Texts)
            moved.emplace(row >= at ? row + count : row, std::move(texts));
        m_Texts = std::move(moved);
    }
    if (!m_Bulk)
        beginInsertRows(QModelIndex(), at, at + count - 1);
    m_Data.insert(m_Data.begin() + at, static_cast<std::size_t>(count), quintptr(0));
    if (!m_Bulk)
        endInsertRows();
    return at;
}

void CReportModel::DeleteAllItems() {
    if (!m_Bulk)
        beginResetModel();
    m_Data.clear();
    m_Texts.clear();
    if (!m_Bulk)
        endResetModel();
}

void CReportModel::SetItemText(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    QStringList& texts = m_Texts[row];
    while (texts.size() < m_Titles.size())
        texts << QString();
    texts[column] = text;
    if (!m_Bulk)
        emit dataChanged(index(row, column), index(row, column));
}

QString CReportModel::GetItemText(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    auto it = m_Texts.find(row);
    if (it != m_Texts.end())
        return column < it->second.size() ? it->second[column] : QString();
    const quintptr d = m_Data[static_cast<std::size_t>(row)];
    if (d && m_Provider)
        return m_Provider(d, column);
    return {};
}

void CReportModel::SetItemData(int row, quintptr data) {
    if (row < 0 || row >= rowCount())
        return;
    m_Data[static_cast<std::size_t>(row)] = data;
    if (!m_Bulk)
        RowsChanged(row, row);
}

quintptr CReportModel::GetItemData(int row) const {
    if (row < 0 || row >= rowCount())
        return 0;
    return m_Data[static_cast<std::size_t>(row)];
}

void CReportModel::BlankItem(int row) {
    if (row < 0 || row >= rowCount())
        return;
    m_Data[static_cast<std::size_t>(row)] = 0;
    m_Texts.erase(row);
    if (!m_Bulk)
        RowsChanged(row, row);
}

void CReportModel::RowsChanged(int first, int last) {
    if (first > last || columnCount() == 0)
        return;
    emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}

void CReportModel::BeginBulk() {
    if (m_Bulk++ == 0)
        beginResetModel();
}

void CReportModel::EndBulk() {
    if (m_Bulk > 0 && --m_Bulk == 0)
        endResetModel();
}

void CReportView::focusInEvent(QFocusEvent* e) {
    // The view makes a row current on any focus but a mouse press; the pressed row is made current anyway.
    QFocusEvent asByMouse(e->type(), Qt::MouseFocusReason);
    QTableView::focusInEvent(&asByMouse);
    viewport()->update();
}

void CReportView::focusOutEvent(QFocusEvent* e) {
    QTableView::focusOutEvent(e);
    viewport()->update();
}

QPoint CReportView::KeyboardMenuPoint() const {
    const int row = currentIndex().isValid() ? currentIndex().row() : 0;
    QRect r = visualRect(model()->index(row, 0));
    if (!r.isValid() || !viewport()->rect().intersects(r))
        r = QRect(viewport()->rect().topLeft(), QSize(0, 0));
    return viewport()->mapToGlobal(r.bottomLeft() + QPoint(r.height() / 2, 0));
}

void CReportView::SetEmptyText(const QString& text) {
    if (text == m_EmptyText)
        return;
    m_EmptyText = text;
    setAccessibleDescription(text);
    viewport()->update();
}

void CReportView::paintEvent(QPaintEvent* e) {
    QTableView::paintEvent(e);
    if (!m_EmptyText.isEmpty()) {
        QPainter painter(viewport());
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const int top = rowHeight(0) * 2;
        painter.drawText(viewport()->rect().adjusted(16, top, -16, 0),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_EmptyText);
    }
    if (!hasFocus() || model()->rowCount() == 0)
        return;
    const int row = currentIndex().isValid() ? currentIndex().row() : 0;
    const QRect first = visualRect(model()->index(row, 0));
    const QRect last = visualRect(model()->index(row, std::max(0, model()->columnCount() - 1)));
    if (!first.isValid())
        return;
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = first.united(last).adjusted(0, 0, -1, -1);
    option.backgroundColor = palette().color(QPalette::Base);
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void CReportView::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::SelectAll)) {
        e->ignore();
        return;
    }
    QTableView::keyPressEvent(e);
}

CReportView::CReportView(QWidget* parent) : QTableView(parent), m_Model(new CReportModel) {
    m_Model->setParent(this);
    setModel(m_Model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

int CReportView::InsertColumn(int column, const QString& title, int width) {
    const int at = m_Model->InsertColumn(column, title);
    setColumnWidth(at, width);
    return at;
}

void CReportView::EnsureVisible(int row) {
    if (row < 0 || row >= GetItemCount())
        return;
    const QModelIndex idx = m_Model->index(row, 0);
    const QRect r = visualRect(idx);
    if (r.isValid() && r.bottom() >= 0 && r.top() < viewport()->height())
        return; // partly visible is enough
    scrollTo(idx, QAbstractItemView::EnsureVisible);
}

int CReportView::GetSelectedCount() const {
    if (!selectionModel())
        return 0;
    int n = 0;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        n += r.bottom() - r.top() + 1;
    return n;
}

int CReportView::GetNextSelectedItem(int start) const {
    if (!selectionModel())
        return -1;
    int best = -1;
    for (const QItemSelectionRange& r : selectionModel()->selection()) {
        int candidate = std::max(r.top(), start + 1);
        if (candidate <= r.bottom() && (best == -1 || candidate < best))
            best = candidate;
    }
    return best;
}

int CReportView::GetFocusedItem() const {
    const QModelIndex cur = currentIndex();
    return cur.isValid() ? cur.row() : -1;
}

bool CReportView::IsItemSelected(int row) const {
    return selectionModel() && selectionModel()->isRowSelected(row, QModelIndex());
}

QRect CReportView::GetItemRect(int row) const {
    if (row < 0 || row >= GetItemCount() || GetColumnCount() == 0)
        return {};
    const QRect first = visualRect(m_Model->index(row, 0));
    const QRect last = visualRect(m_Model->index(row, GetColumnCount() - 1));
    return first.united(last);
}
