#include "barcode/SharedPrintDialog.h"

#include "platform/core/Trace.h"

#include <QPrintDialog>
#include <QPrinter>

namespace {
CSharedPrintDialog* gpSharedPrintDialog = nullptr;
}

CSharedPrintDialog::CSharedPrintDialog() : m_pPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    if (gpSharedPrintDialog)
        trace("CSharedPrintDialog: a second print dialog replaces the first\n");
    gpSharedPrintDialog = this;
    const QString pdf = qEnvironmentVariable("KIV_PRINT_TO_PDF");
    if (!pdf.isEmpty())
        SetOutputFile(pdf);
    SetPrinterName(qEnvironmentVariable("KIV_PRINTER"));
}

CSharedPrintDialog::~CSharedPrintDialog() {
    if (gpSharedPrintDialog == this)
        gpSharedPrintDialog = nullptr;
}

CSharedPrintDialog* CSharedPrintDialog::Instance() {
    return gpSharedPrintDialog;
}

void CSharedPrintDialog::SetOutputFile(const QString& pdfPath) {
    m_OutputFile = pdfPath;
}

QPrinter* CSharedPrintDialog::Choose() {
    if (m_Cancel)
        return nullptr;
    if (!m_OutputFile.isEmpty()) {
        QString name = m_OutputFile;
        name.replace(QStringLiteral("%n"), QString::number(m_Jobs + 1));
        m_pPrinter->setOutputFormat(QPrinter::PdfFormat);
        m_pPrinter->setOutputFileName(name);
        ++m_Jobs;
        return m_pPrinter.get();
    }
    if (!m_PrinterName.isEmpty()) {
        m_pPrinter->setOutputFormat(QPrinter::NativeFormat);
        m_pPrinter->setPrinterName(m_PrinterName);
        if (m_pPrinter->outputFormat() != QPrinter::NativeFormat ||
            m_pPrinter->printerName() != m_PrinterName) {
            trace("CSharedPrintDialog: no printer named %s\n", m_PrinterName.toUtf8().constData());
            return nullptr;
        }
        ++m_Jobs;
        return m_pPrinter.get();
    }
    if (!m_pDialog) {
        m_pDialog = std::make_unique<QPrintDialog>(m_pPrinter.get(), nullptr);
        // All pages, no page numbers, no selection; printing to a file stays, as it is often the only
        // printer there is.
        QAbstractPrintDialog::PrintDialogOptions options = m_pDialog->options();
        options &= ~(QAbstractPrintDialog::PrintSelection | QAbstractPrintDialog::PrintPageRange |
                     QAbstractPrintDialog::PrintCurrentPage);
        options |= QAbstractPrintDialog::PrintToFile;
        m_pDialog->setOptions(options);
    }
    m_pDialog->setPrintRange(QAbstractPrintDialog::AllPages);
    if (m_pDialog->exec() != QDialog::Accepted)
        return nullptr;
    ++m_Jobs;
    return m_pPrinter.get();
}
