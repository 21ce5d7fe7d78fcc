#pragma once
// One print job of barcodes: laid out left to right in rows from the top-left corner of the printable area,
// drawn at the printer's own resolution, on as many pages as the rows need.
//
// Every caller does the same:
//     BarcodePrintJob job;
//     if (job.BeginJob(BarcodeSettings.Height, BarcodeSettings.LineWidth))
//         job.AddBarcode(codeText, BarcodeSettings.CodeType);   // once per text
//     job.FlushRow();
//     // the job's destruction ends the page and the document
#include "barcode/RowLayout.h"

#include <QRect>
#include <memory>
#include <optional>
#include <string>

class QPainter;
class QPagedPaintDevice;

class BarcodePrintJob {
public:
    BarcodePrintJob();
    ~BarcodePrintJob();
    BarcodePrintJob(const BarcodePrintJob&) = delete;
    BarcodePrintJob& operator=(const BarcodePrintJob&) = delete;

    // Shows the shared print dialog and opens the document: bars Height mm high, one module LineWidth mm wide
    // (each rounded to whole printer dots, at least one). False when the user cancels, when there is no
    // shared print dialog, or when the document cannot start (the user is told "StartDoc error").
    bool BeginJob(double Height, double LineWidth);
    // The same on a device in hand, without the dialog.
    bool BeginJob(QPagedPaintDevice* device, double Height, double LineWidth);
    // Encodes the text as barcode type 0-3 and draws it at the next place; a refused text is reported and
    // skipped, a type outside 0-3 draws nothing.
    void AddBarcode(const char* text, int type);
    void AddBarcode(const std::string& text, int type) { AddBarcode(text.c_str(), type); }
    // Ends the current row: the next barcode starts a new one. Does nothing without a begun job.
    void FlushRow();

    // What the job did, in printer dots with the printable area's top-left corner at 0, 0.
    int DpiX() const { return m_DpiX; }
    int ModuleDots() const { return m_Module; }
    int BarDots() const { return m_Bar; }
    int ColumnGapDots() const { return m_ColumnGap; }
    int RowGapDots() const { return m_RowGap; }
    QRect PageRect() const { return QRect(0, 0, m_PageWidth, m_PageHeight); }
    QRect DrawnBounds() const { return m_Drawn; } // on any page
    int Pages() const { return m_Pages; }
    int Printed() const { return m_Printed; } // barcodes drawn

private:
    QPagedPaintDevice* m_pDevice = nullptr; // the shared dialog's printer
    std::unique_ptr<QPainter> m_pPainter;
    int m_PageWidth = 0;
    int m_PageHeight = 0;
    int m_DpiX = 0;
    int m_Module = 0; // dots per module
    int m_Bar = 0;    // dots of bar height
    int m_ColumnGap = 0;
    int m_RowGap = 0;
    std::optional<CBarcodeRowLayout> m_Layout;
    int m_Pages = 0;
    int m_Printed = 0;
    bool m_TooBigShown = false;
    QRect m_Drawn;
};
