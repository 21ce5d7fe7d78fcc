#pragma once
// "打印标签页": the chosen records' codes as labels on a label sheet. The user picks the sheet, where a
// part-used sheet starts, copies per code and outlines, sees the pages as they will print, and "打印" prints
// them through the shared print dialog.
#include "barcode/LabelPages.h"

#include <QDialog>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QPushButton;
class QSpinBox;

class CLabelSheetDlg : public QDialog {
    Q_OBJECT
public:
    // Labels in the order they print; barcode type and sizes from BarcodeSettings.
    CLabelSheetDlg(std::vector<CLabel> labels, QWidget* parent = nullptr);
    ~CLabelSheetDlg() override;

    // The pages as the controls now choose them.
    CLabelPages Pages() const;
    // Prints through the shared print dialog; false when nothing was printed.
    bool Print();

    QComboBox* m_pSheet = nullptr;
    QSpinBox* m_pStart = nullptr;
    QSpinBox* m_pCopies = nullptr;
    QCheckBox* m_pOutline = nullptr;
    QLabel* m_pSummary = nullptr;
    QPushButton* m_pPrint = nullptr;
    QPrintPreviewWidget* m_pPreview = nullptr;

private:
    void Update();

    std::vector<CLabel> m_Labels;
    std::unique_ptr<QPrinter> m_pPreviewPrinter;
};

// Shows the dialog modally for the labels; with none, tells the user there is nothing to print.
void ShowLabelSheetDialog(std::vector<CLabel> labels, QWidget* owner);
