#pragma once
// A report-view list: columns with titles and widths, rows with texts and one item value each, grid lines,
// full-row selection of several rows. Rows are cheap (a million is fine): a row keeps its item value, and
// texts only when some are set; a text provider can supply the texts of rows that have none of their own.
#include <QAbstractTableModel>
#include <QTableView>
#include <functional>
#include <unordered_map>
#include <vector>

class CReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using TextProvider = std::function<QString(quintptr itemData, int column)>;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    int InsertColumn(int column, const QString& title);
    int InsertItems(int at, int count); // blank rows
    void DeleteAllItems();
    void SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    void SetItemData(int row, quintptr data);
    quintptr GetItemData(int row) const;
    // Empties a row's texts and item value; it stays in place as a blank row.
    void BlankItem(int row);
    void SetTextProvider(TextProvider provider) { m_Provider = std::move(provider); }
    // Tells the views that rows changed their shown texts.
    void RowsChanged(int first, int last);

    // Many inserts at once with one reset for the views.
    void BeginBulk();
    void EndBulk();

private:
    QStringList m_Titles;
    std::vector<quintptr> m_Data;
    std::unordered_map<int, QStringList> m_Texts;
    TextProvider m_Provider;
    int m_Bulk = 0;
};

class CReportView : public QTableView {
    Q_OBJECT
protected:
    // A frame around the current row (the first row before there is one) while the list has the focus:
    // a keyboard user sees where the keys go, and getting the focus still makes no row current.
    void paintEvent(QPaintEvent* e) override;

public:
    explicit CReportView(QWidget* parent = nullptr);
    // Where a menu opened from the keyboard appears: below the current row (the first row without one).
    QPoint KeyboardMenuPoint() const;
    // A text shown in the list's empty space (and told to a screen reader), or none.
    void SetEmptyText(const QString& text);
    CReportModel* Model() const { return m_Model; }

    int InsertColumn(int column, const QString& title, int width);
    int GetColumnCount() const { return m_Model->columnCount(); }
    int GetColumnWidth(int column) const { return columnWidth(column); }
    int GetItemCount() const { return m_Model->rowCount(); }
    int InsertItems(int at, int count) { return m_Model->InsertItems(at, count); }
    void DeleteAllItems() { m_Model->DeleteAllItems(); }
    void SetItemText(int row, int column, const QString& text) { m_Model->SetItemText(row, column, text); }
    QString GetItemText(int row, int column) const { return m_Model->GetItemText(row, column); }
    void SetItemData(int row, quintptr data) { m_Model->SetItemData(row, data); }
    quintptr GetItemData(int row) const { return m_Model->GetItemData(row); }
    // Scrolls the row into view; partly visible is enough.
    void EnsureVisible(int row);
    int GetSelectedCount() const;
    // The next selected row after start (-1: from the top), or -1.
    int GetNextSelectedItem(int start) const;
    int GetFocusedItem() const;
    bool IsItemSelected(int row) const;
    // The bounds of a row in viewport coordinates (empty when there is no such row).
    QRect GetItemRect(int row) const;

protected:
    // Getting the focus makes no row current (the view would make the first one current on Tab).
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    // The list has no select-all key: Ctrl+A goes on to the parent.
    void keyPressEvent(QKeyEvent* e) override;

    CReportModel* m_Model;

private:
    QString m_EmptyText;
};
