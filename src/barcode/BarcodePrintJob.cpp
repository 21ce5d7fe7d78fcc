#include "barcode/BarcodePrintJob.h"

#include "barcode/DrawBars.h"
#include "barcode/EncodeBarcode.h"
#include "barcode/SharedPrintDialog.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
constexpr double kMmPerInch = 25.4;
constexpr double kGapMm = 5.0;
constexpr int kQuietModules = 10;

// Millimetres to whole dots, at least one; sizes beyond `limit` dots come out as limit + 1, so that they
// cannot overflow and are still seen as too big.
int toDots(double mm, double dpi, int limit) {
    const double dots = std::round(mm * dpi / kMmPerInch);
    if (!(dots >= 1.0)) // also NaN
        return 1;
    if (dots > static_cast<double>(limit))
        return limit + 1;
    return static_cast<int>(dots);
}

} // namespace

BarcodePrintJob::BarcodePrintJob() = default;

BarcodePrintJob::~BarcodePrintJob() {
    if (m_pPainter && m_pPainter->isActive() && !m_pPainter->end())
        trace("BarcodePrintJob: ending the document failed\n");
}

bool BarcodePrintJob::BeginJob(double Height, double LineWidth) {
    if (m_pPainter)
        return false; // one document per job
    CSharedPrintDialog* dialog = CSharedPrintDialog::Instance();
    if (!dialog) {
        trace("BarcodePrintJob: no print dialog\n");
        return false;
    }
    QPrinter* printer = dialog->Choose();
    if (!printer)
        return false;
    return BeginJob(printer, Height, LineWidth);
}

bool BarcodePrintJob::BeginJob(QPagedPaintDevice* device, double Height, double LineWidth) {
    if (m_pPainter || !device)
        return false;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(device)) {
        messageBox(QStringLiteral("StartDoc error"));
        return false;
    }
    m_pDevice = device;
    m_pPainter = std::move(painter);
    m_Pages = 1;
    // The painter's origin is the top-left corner of the printable area, its unit one printer dot.
    m_PageWidth = device->width();
    m_PageHeight = device->height();
    m_DpiX = device->logicalDpiX();
    const double dpiX = m_DpiX;
    const double dpiY = device->logicalDpiY();
    // One size for every module keeps the 2:1 and 1:2:3:4 ratios exact.
    m_Module = toDots(LineWidth, dpiX, m_PageWidth);
    m_Bar = toDots(Height, dpiY, m_PageHeight);
    // The gaps are also the quiet zones, which the readers want at least 10 modules wide.
    const double gapMm = std::max(kGapMm, kQuietModules * m_Module * kMmPerInch / dpiX);
    m_ColumnGap = std::max(toDots(gapMm, dpiX, m_PageWidth), kQuietModules * m_Module);
    m_RowGap = toDots(gapMm, dpiY, m_PageHeight);
    m_Layout.emplace(m_PageWidth, m_PageHeight, m_ColumnGap, m_RowGap);
    return true;
}

void BarcodePrintJob::AddBarcode(const char* text, int type) {
    if (!m_pPainter || !m_pPainter->isActive())
        return;
    std::string widths;
    if (!EncodeBarcode(text, type, &widths))
        return;
    const std::int64_t width = ModuleCount(widths) * m_Module;
    if (width > m_PageWidth || m_Bar > m_PageHeight) {
        if (!m_TooBigShown)
            messageBox(QString::fromUtf8("条码太大, 纸上放不下"));
        m_TooBigShown = true;
        return;
    }
    bool newPage = false;
    const QPoint at = m_Layout->Place(width, m_Bar, &newPage);
    if (newPage) {
        if (!m_pDevice->newPage()) {
            trace("BarcodePrintJob: new page failed\n");
            m_pPainter->end();
            return;
        }
        ++m_Pages;
    }
    const QRect page = PageRect();
    FillWhite(m_pPainter.get(),
              QRect(at, QPoint(at.x() + static_cast<int>(width) - 1, at.y() + m_Bar - 1)) & page);
    const QPoint end = DrawBars(*m_pPainter, widths, at, m_Module, m_Bar, page, &m_Drawn);
    ++m_Printed;
    m_Layout->Placed(end.x());
}

void BarcodePrintJob::FlushRow() {
    if (m_pPainter && m_Layout)
        m_Layout->FlushRow();
}
