#pragma once
// The one print dialog of the run. Because it and its printer live as long as the program, the printer and
// settings chosen for one print are preselected at the next. main() makes it after the application object
// and drops it first; the dialog itself is made at the first print.
#include <QString>
#include <memory>

class QPrinter;
class QPrintDialog;

class CSharedPrintDialog {
public:
    // Registers this object as the one that print jobs use. Reads KIV_PRINT_TO_PDF (see SetOutputFile) and
    // KIV_PRINTER (see SetPrinterName).
    CSharedPrintDialog();
    ~CSharedPrintDialog();
    CSharedPrintDialog(const CSharedPrintDialog&) = delete;
    CSharedPrintDialog& operator=(const CSharedPrintDialog&) = delete;

    // The object made by main(), or nullptr when there is none.
    static CSharedPrintDialog* Instance();

    // Lets the user pick a printer, modally, without a parent window. Returns the printer to print on, or
    // nullptr when the user cancels.
    QPrinter* Choose();

    // For tests and scripted runs: print every job to this PDF file instead of showing the dialog; "%n" in
    // the name stands for the job's number from 1. An empty name shows the dialog again.
    void SetOutputFile(const QString& pdfPath);
    // For tests and scripted runs: print every job on the system's printer of that name (its print queue)
    // instead of showing the dialog; a printer the system does not know prints nothing. An empty name
    // shows the dialog again.
    void SetPrinterName(const QString& name) { m_PrinterName = name; }
    // For tests: answer the dialog with Cancel without showing it.
    void SetCancel(bool cancel) { m_Cancel = cancel; }
    // How many times a printer was chosen.
    int Jobs() const { return m_Jobs; }

private:
    std::unique_ptr<QPrinter> m_pPrinter;
    std::unique_ptr<QPrintDialog> m_pDialog;
    QString m_OutputFile;
    QString m_PrinterName;
    bool m_Cancel = false;
    int m_Jobs = 0;
};
