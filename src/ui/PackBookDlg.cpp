#include "ui/PackBookDlg.h"

#include "barcode/LabelSheetDlg.h"
#include "barcode/LabelSheets.h"
#include "platform/core/UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CPackBookDlg::CPackBookDlg(const QString& bookName, int sounds, double megabytes, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(uiText("打包点读书"));
    auto* text = new QLabel(uiText("把点读书 \"%1\" 的索引和 %2 个声音 (%3 MB) 打包成一个 .kivbook 文件, "
                                   "拷给别人, 用 KIV 打开就能点读。")
                                .arg(bookName)
                                .arg(sounds)
                                .arg(megabytes, 0, 'f', 1),
                            this);
    text->setWordWrap(true);
    // Whoever receives the book has the labels to stick in without making them again.
    m_pLabels =
        new QCheckBox(withAccelerator(QStringLiteral("同时放入标签页 (按编码顺序的 PDF), 标签纸:")), this);
    m_pLabels->setChecked(true);
    m_pSheet = new QComboBox(this);
    m_pSheet->setAccessibleName(uiText("标签纸"));
    for (const CLabelSheet& sheet : ShippedLabelSheets())
        m_pSheet->addItem(QString::fromStdString(sheet.title), QString::fromStdString(sheet.name));
    m_pSheet->setCurrentIndex(std::max(0, m_pSheet->findData(LastLabelSheet())));
    connect(m_pLabels, &QCheckBox::toggled, m_pSheet, &QWidget::setEnabled);

    auto* buttons = new QDialogButtonBox(this);
    m_pPack = buttons->addButton(withAccelerator(QStringLiteral("打包...")), QDialogButtonBox::AcceptRole);
    buttons->addButton(uiText("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* sheetRow = new QHBoxLayout;
    sheetRow->addWidget(m_pLabels);
    sheetRow->addWidget(m_pSheet, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(sheetRow);
    layout->addWidget(buttons);
}

const CLabelSheet* CPackBookDlg::LabelSheet() const {
    return m_pLabels->isChecked() ? FindLabelSheet(m_pSheet->currentData().toString()) : nullptr;
}
