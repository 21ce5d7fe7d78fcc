#pragma once
// Pages of labels on a label sheet: each label the barcode, its digits under it and the annotation under
// them. One routine draws a page, for the preview, the printer and kivtool alike, so what the preview shows
// is what prints. Sizes become whole device dots; bars are drawn by DrawBars.
#include "barcode/LabelSheet.h"

#include <QRect>
#include <QString>
#include <string>
#include <vector>

class QPainter;
class QPagedPaintDevice;

struct CLabel {
    std::string code;   // the code text as filed ("000123")
    QString annotation; // may be empty
};

struct CLabelOptions {
    int codeType = 3;         // as BarcodeSettings.CodeType
    double heightMm = 15;     // bars at most this high
    double lineWidthMm = 0.4; // one module, unless the label is too narrow for it
    int start = 1;            // first position used on the first sheet, 1-based
    int copies = 1;           // labels per code
    bool outline = false;     // draw each label's outline, for plain paper
};

class CLabelPages {
public:
    // A start outside the sheet is taken as 1, copies are kept within 1-99.
    CLabelPages(CLabelSheet sheet, std::vector<CLabel> labels, CLabelOptions options);

    const CLabelSheet& Sheet() const { return m_Sheet; }
    const CLabelOptions& Options() const { return m_Options; }
    int LabelCount() const; // labels to print, copies included
    int PageCount() const;  // 0 when there is nothing to print

    // A label's rectangle (position 0 is the sheet's first label), in dots from the paper's corner.
    QRect LabelRect(int position, double dpiX, double dpiY) const;
    // Dots per module at that resolution: LineWidth in whole dots, or when the widest code would not fit
    // the label with its quiet zones the largest whole-dot module that does (reduced is then set).
    int ModuleDots(double dpi, bool* reduced = nullptr) const;
    // Draws one page (from 0) with the painter's origin at the paper's corner, one unit a dot.
    void DrawPage(QPainter& painter, int page, double dpiX, double dpiY) const;

private:
    void DrawLabel(QPainter& painter, const CLabel& label, const QRect& rect, int module, double dpiX,
                   double dpiY) const;

    CLabelSheet m_Sheet;
    std::vector<CLabel> m_Labels;
    CLabelOptions m_Options;
    long long m_WidestModules = 0; // of the widest symbol among the labels
};

// Prints every page on the device, on paper of the sheet's size. False when the device cannot be painted on
// or a new page cannot start.
bool PrintLabelPages(const CLabelPages& pages, QPagedPaintDevice& device);
