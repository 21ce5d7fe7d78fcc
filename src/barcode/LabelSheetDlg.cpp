#include "barcode/LabelSheetDlg.h"

#include "app/Settings.h"
#include "barcode/BookLabels.h"
#include "barcode/LabelSheets.h"
#include "barcode/SharedPrintDialog.h"
#include "library/SoundRecord.h"
#include "platform/core/MessageBox.h"
#include "platform/core/UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
// The sheet chosen last stays chosen for the next labels of the run.
QString gLastSheet = QStringLiteral("a4-3x8");

const QRegularExpression kSixDigits(QStringLiteral("^\\d{6}$"));
} // namespace

CLabelSheetDlg::CLabelSheetDlg(std::vector<CLabel> book, std::vector<CLabel> selected, LabelChoice first,
                               QWidget* parent)
    : QDialog(parent), m_Book(std::move(book)), m_Selected(std::move(selected)),
      m_pPreviewPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setWindowTitle(uiText("打印标签页"));
    SortLabelsByCode(m_Book);
    SortLabelsByCode(m_Selected);
    const QString records = uiText(" (%1 个录音)");
    m_pBook =
        new QRadioButton(withAccelerator(QStringLiteral("整本点读书")) + records.arg(m_Book.size()), this);
    m_pSelected = new QRadioButton(
        withAccelerator(QStringLiteral("列表中选中的")) + records.arg(m_Selected.size()), this);
    m_pSelected->setEnabled(!m_Selected.empty());
    m_pRange = new QRadioButton(withAccelerator(QStringLiteral("编码从")), this);
    m_pFrom = new QLineEdit(this);
    m_pTo = new QLineEdit(this);
    m_pFrom->setAccessibleName(uiText("起始编码"));
    m_pTo->setAccessibleName(uiText("结束编码"));
    for (QLineEdit* edit : {m_pFrom, m_pTo}) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,6}")), edit));
        edit->setMaxLength(6);
        edit->setPlaceholderText(QStringLiteral("000000"));
    }
    if (!m_Book.empty()) {
        m_pFrom->setText(QString::fromStdString(m_Book.front().code));
        m_pTo->setText(QString::fromStdString(m_Book.back().code));
    }
    (first == LabelChoice::Selected && !m_Selected.empty() ? m_pSelected
     : first == LabelChoice::Range                         ? m_pRange
                                                           : m_pBook)
        ->setChecked(true);
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

    auto* range = new QHBoxLayout;
    range->addWidget(m_pRange);
    range->addWidget(m_pFrom);
    range->addWidget(new QLabel(uiText("到"), this));
    range->addWidget(m_pTo);
    auto* form = new QFormLayout;
    form->addRow(m_pBook);
    form->addRow(m_pSelected);
    form->addRow(range);
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
    m_pPreviewButton =
        buttons->addButton(withAccelerator(QStringLiteral("预览...")), QDialogButtonBox::ActionRole);
    buttons->addButton(uiText("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pPrint, &QPushButton::clicked, this, [this] {
        if (Print())
            accept();
    });
    connect(m_pPreviewButton, &QPushButton::clicked, this, [this] {
        if (ShowPreview())
            accept();
    });

    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addStretch();
    left->addWidget(buttons);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addWidget(m_pPreview, 1);

    for (QRadioButton* choice : {m_pBook, m_pSelected, m_pRange})
        connect(choice, &QRadioButton::toggled, this, &CLabelSheetDlg::Update);
    for (QLineEdit* edit : {m_pFrom, m_pTo})
        connect(edit, &QLineEdit::textChanged, this, [this] {
            m_pRange->setChecked(true);
            Update();
        });
    connect(m_pSheet, &QComboBox::currentIndexChanged, this, &CLabelSheetDlg::Update);
    connect(m_pStart, &QSpinBox::valueChanged, this, &CLabelSheetDlg::Update);
    connect(m_pCopies, &QSpinBox::valueChanged, this, &CLabelSheetDlg::Update);
    connect(m_pOutline, &QCheckBox::toggled, this, &CLabelSheetDlg::Update);
    Update();
}

CLabelSheetDlg::~CLabelSheetDlg() = default;

QString CLabelSheetDlg::RangeProblem() const {
    if (!m_pRange->isChecked())
        return {};
    if (!kSixDigits.match(m_pFrom->text()).hasMatch() || !kSixDigits.match(m_pTo->text()).hasMatch())
        return uiText("编码要写满六位数字, 例如 000001");
    if (m_pFrom->text() > m_pTo->text())
        return uiText("起始编码 %1 大于结束编码 %2").arg(m_pFrom->text(), m_pTo->text());
    return {};
}

std::vector<CLabel> CLabelSheetDlg::Chosen() const {
    if (m_pSelected->isChecked())
        return m_Selected;
    if (!m_pRange->isChecked())
        return m_Book;
    std::vector<CLabel> chosen;
    if (RangeProblem().isEmpty()) {
        const int from = m_pFrom->text().toInt(), to = m_pTo->text().toInt();
        for (const CLabel& label : m_Book)
            if (const int n = CodeNumber(label.code); n >= from && n <= to)
                chosen.push_back(label);
    }
    return chosen;
}

CLabelPages CLabelSheetDlg::Pages() const {
    const CLabelSheet* sheet = FindLabelSheet(m_pSheet->currentData().toString());
    CLabelOptions options;
    options.codeType = BarcodeSettings.CodeType;
    options.heightMm = BarcodeSettings.Height;
    options.lineWidthMm = BarcodeSettings.LineWidth;
    options.start = m_pStart->value();
    options.copies = m_pCopies->value();
    options.outline = m_pOutline->isChecked();
    return CLabelPages(sheet ? *sheet : CLabelSheet(), Chosen(), options);
}

void CLabelSheetDlg::Update() {
    if (const CLabelSheet* sheet = FindLabelSheet(m_pSheet->currentData().toString())) {
        gLastSheet = QString::fromStdString(sheet->name);
        const QSignalBlocker quiet(m_pStart); // one update is enough
        m_pStart->setRange(1, sheet->LabelsPerSheet());
    }
    const CLabelPages pages = Pages();
    QString summary = uiText("%1 个标签, %2 页").arg(pages.LabelCount()).arg(pages.PageCount());
    if (const QString problem = RangeProblem(); !problem.isEmpty())
        summary = uiText("编码范围不对: %1").arg(problem);
    else if (m_pRange->isChecked() && pages.LabelCount() == 0)
        summary = uiText("编码 %1 到 %2 之间没有录音").arg(m_pFrom->text(), m_pTo->text());
    bool reduced = false;
    const int dpi = m_pPreviewPrinter->resolution();
    const int module = pages.ModuleDots(dpi, &reduced);
    if (reduced)
        summary += uiText("\n条码在标签上放不下, 线宽缩小为 %1 毫米").arg(module * 25.4 / dpi, 0, 'f', 2);
    m_pSummary->setText(summary);
    m_pPrint->setEnabled(pages.PageCount() > 0);
    m_pPreviewButton->setEnabled(pages.PageCount() > 0);
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

bool CLabelSheetDlg::ShowPreview() {
    // A printer of its own: two previews on one printer share its pages, and the first one's go stale. Its
    // print button prints these pages too, through Qt's print dialog.
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(uiText("标签页预览"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintLabelPages(Pages(), *printer); });
    const bool printed = preview.exec() == QDialog::Accepted;
    m_pPreview->updatePreview();
    return printed;
}

void ShowLabelSheetDialog(std::vector<CLabel> book, std::vector<CLabel> selected, LabelChoice first,
                          QWidget* owner) {
    if (book.empty()) {
        messageBox(uiText("没有可以打印的录音"), QString(), MB_OK, owner);
        return;
    }
    CLabelSheetDlg dialog(std::move(book), std::move(selected), first, owner);
    dialog.exec();
}

QString LastLabelSheet() {
    return gLastSheet;
}
