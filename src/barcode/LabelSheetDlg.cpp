#include "barcode/LabelSheetDlg.h"

#include "app/Settings.h"
#include "barcode/LabelSheets.h"
#include "barcode/SharedPrintDialog.h"
#include "platform/MessageBox.h"
#include "platform/UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
// The sheet chosen last stays chosen for the next labels of the run.
QString gLastSheet = QStringLiteral("a4-3x8");
} // namespace

CLabelSheetDlg::CLabelSheetDlg(std::vector<CLabel> labels, QWidget* parent)
    : QDialog(parent), m_Labels(std::move(labels)),
      m_pPreviewPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setWindowTitle(uiText("打印标签页"));
    m_pSheet = new QComboBox(this);
    for (const CLabelSheet& sheet : ShippedLabelSheets())
        m_pSheet->addItem(QString::fromStdString(sheet.title), QString::fromStdString(sheet.name));
    m_pSheet->setCurrentIndex(std::max(0, m_pSheet->findData(gLastSheet)));
    m_pStart = new QSpinBox(this);
    m_pCopies = new QSpinBox(this);
    m_pCopies->setRange(1, 99);
    m_pOutline = new QCheckBox(uiText("画出标签边框 (用白纸打印时)"), this);
    m_pSummary = new QLabel(this);
    m_pSummary->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(uiText("标签纸:"), m_pSheet);
    form->addRow(uiText("从第几个标签开始:"), m_pStart);
    form->addRow(uiText("每个条码印几份:"), m_pCopies);
    form->addRow(m_pOutline);
    form->addRow(m_pSummary);

    // The preview draws with the very routine that prints, so it shows what will come out.
    m_pPreview = new QPrintPreviewWidget(m_pPreviewPrinter.get(), this);
    m_pPreview->setMinimumSize(360, 460);
    m_pPreview->setAccessibleName(uiText("标签页预览"));
    connect(m_pPreview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* printer) { PrintLabelPages(Pages(), *printer); });

    auto* buttons = new QDialogButtonBox(this);
    m_pPrint = buttons->addButton(withAccelerator(QStringLiteral("打印")), QDialogButtonBox::AcceptRole);
    buttons->addButton(uiText("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pPrint, &QPushButton::clicked, this, [this] {
        if (Print())
            accept();
    });

    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addStretch();
    left->addWidget(buttons);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addWidget(m_pPreview, 1);

    connect(m_pSheet, &QComboBox::currentIndexChanged, this, &CLabelSheetDlg::Update);
    connect(m_pStart, &QSpinBox::valueChanged, this, &CLabelSheetDlg::Update);
    connect(m_pCopies, &QSpinBox::valueChanged, this, &CLabelSheetDlg::Update);
    connect(m_pOutline, &QCheckBox::toggled, this, &CLabelSheetDlg::Update);
    Update();
}

CLabelSheetDlg::~CLabelSheetDlg() = default;

CLabelPages CLabelSheetDlg::Pages() const {
    const CLabelSheet* sheet = FindLabelSheet(m_pSheet->currentData().toString());
    CLabelOptions options;
    options.codeType = BarcodeSettings.CodeType;
    options.heightMm = BarcodeSettings.Height;
    options.lineWidthMm = BarcodeSettings.LineWidth;
    options.start = m_pStart->value();
    options.copies = m_pCopies->value();
    options.outline = m_pOutline->isChecked();
    return CLabelPages(sheet ? *sheet : CLabelSheet(), m_Labels, options);
}

void CLabelSheetDlg::Update() {
    if (const CLabelSheet* sheet = FindLabelSheet(m_pSheet->currentData().toString())) {
        gLastSheet = QString::fromStdString(sheet->name);
        const QSignalBlocker quiet(m_pStart); // one update is enough
        m_pStart->setRange(1, sheet->LabelsPerSheet());
    }
    const CLabelPages pages = Pages();
    QString summary = uiText("%1 个标签, %2 页").arg(pages.LabelCount()).arg(pages.PageCount());
    bool reduced = false;
    const int dpi = m_pPreviewPrinter->resolution();
    const int module = pages.ModuleDots(dpi, &reduced);
    if (reduced)
        summary += uiText("\n条码在标签上放不下, 线宽缩小为 %1 毫米").arg(module * 25.4 / dpi, 0, 'f', 2);
    m_pSummary->setText(summary);
    m_pPrint->setEnabled(pages.PageCount() > 0);
    m_pPreview->updatePreview();
}

bool CLabelSheetDlg::Print() {
    const CLabelPages pages = Pages();
    CSharedPrintDialog* dialog = CSharedPrintDialog::Instance();
    if (pages.PageCount() == 0 || !dialog)
        return false;
    QPrinter* printer = dialog->Choose();
    if (!printer)
        return false;
    // The label paper is for this print only: the next "打印条码" finds the printer as the user left it.
    const QPageLayout layout = printer->pageLayout();
    const bool printed = PrintLabelPages(pages, *printer);
    printer->setPageLayout(layout);
    if (!printed)
        messageBox(uiText("打印标签页失败"), QString(), MB_OK, this);
    return printed;
}

void ShowLabelSheetDialog(std::vector<CLabel> labels, QWidget* owner) {
    if (labels.empty()) {
        messageBox(uiText("没有可以打印的录音"), QString(), MB_OK, owner);
        return;
    }
    CLabelSheetDlg dialog(std::move(labels), owner);
    dialog.exec();
}
