#pragma once
// "打包点读书...": what the packed file will hold, and whether the book's label sheet (code order, as a
// PDF) goes along, for whoever receives the book to print.
#include "barcode/LabelSheet.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

class CPackBookDlg : public QDialog {
    Q_OBJECT
public:
    CPackBookDlg(const QString& bookName, int sounds, double megabytes, QWidget* parent = nullptr);

    // The sheet for the labels, or null when none go along.
    const CLabelSheet* LabelSheet() const;

    QCheckBox* m_pLabels = nullptr;
    QComboBox* m_pSheet = nullptr;
    QPushButton* m_pPack = nullptr;
};
