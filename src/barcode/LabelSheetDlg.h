#pragma once
// "打印标签页": records' codes as labels on a label sheet, in code order. The user picks which labels (the
// whole book, the rows selected in the list, or a range of codes), the sheet, where a part-used sheet
// starts, copies per code and outlines, sees the pages as they will print (beside the choices, and paged
// and zoomed in Qt's preview), and "打印" prints them through the shared print dialog.
#include "barcode/LabelPages.h"

#include <QDialog>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// Which labels the dialog offers first.
enum class LabelChoice { Book, Selected, Range };

class CLabelSheetDlg : public QDialog {
    Q_OBJECT
public:
    // The whole book's labels and those of the selected rows (each printed in code order); barcode type and
    // sizes from BarcodeSettings.
    CLabelSheetDlg(std::vector<CLabel> book, std::vector<CLabel> selected, LabelChoice first,
                   QWidget* parent = nullptr);
    ~CLabelSheetDlg() override;

    // The pages as the controls now choose them (none while the range is not valid).
    CLabelPages Pages() const;
    // What is wrong with the range of codes, or empty when it is valid or not chosen.
    QString RangeProblem() const;
    // Prints through the shared print dialog; false when nothing was printed.
    bool Print();
    // Qt's print preview of the pages, with its toolbar to page and zoom; true when it printed.
    bool ShowPreview();

    QRadioButton* m_pBook = nullptr;
    QRadioButton* m_pSelected = nullptr;
    QRadioButton* m_pRange = nullptr;
    QLineEdit* m_pFrom = nullptr;
    QLineEdit* m_pTo = nullptr;
    QComboBox* m_pSheet = nullptr;
    QSpinBox* m_pStart = nullptr;
    QSpinBox* m_pCopies = nullptr;
    QCheckBox* m_pOutline = nullptr;
    QLabel* m_pSummary = nullptr;
    QPushButton* m_pPrint = nullptr;
    QPushButton* m_pPreviewButton = nullptr;
    QPrintPreviewWidget* m_pPreview = nullptr;

private:
    void Update();
    std::vector<CLabel> Chosen() const;

    std::vector<CLabel> m_Book, m_Selected;
    std::unique_ptr<QPrinter> m_pPreviewPrinter;
};

// Shows the dialog modally; with no labels in the book, tells the user there is nothing to print.
void ShowLabelSheetDialog(std::vector<CLabel> book, std::vector<CLabel> selected, LabelChoice first,
                          QWidget* owner);
// The sheet the dialog last used (by name), for other choices of a sheet to start from.
QString LastLabelSheet();
