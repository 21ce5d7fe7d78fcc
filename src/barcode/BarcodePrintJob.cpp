#include "barcode/BarcodePrintJob.h"

#include "barcode/EncodeBarcode.h"
#include "barcode/SharedPrintDialog.h"
#include "platform/MessageBox.h"
#include "platform/Trace.h"

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

std::int64_t moduleCount(const std::string& widths) {
    std::int64_t n = 0;
    for (char c : widths)
        n += c - '0';
    return n;
}
} // namespace

void FillWhite(QPainter* painter, const QRect& rect) {
    painter->fillRect(rect, QColor(255, 255, 255));
}

QPoint DrawBars(BarcodePrintJob& job, const char* widths, QPoint at) {
    QPainter* painter = job.m_pPainter.get();
    const QRect page = job.PageRect();
    const int m = job.m_Module;
    const int b = job.m_Bar;
    std::int64_t x = at.x();
    bool bar = true;
    for (const char* p = widths; *p; ++p, bar = !bar) {
        const int w = (*p - '0') * m;
        if (bar && w > 0) {
            const QRect r =
                QRect(static_cast<int>(std::min<std::int64_t>(x, INT32_MAX)), at.y(), w, b) & page;
            if (painter && !r.isEmpty()) {
                painter->fillRect(r, Qt::black);
                job.m_Drawn |= r;
            }
        }
        x += w;
    }
    return QPoint(static_cast<int>(std::min<std::int64_t>(x, INT32_MAX)), at.y() + b);
}

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
    m_Height = Height;
    m_LineWidth = LineWidth;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(printer)) {
        messageBox(QStringLiteral("StartDoc error"));
        return false;
    }
    m_pPrinter = printer;
    m_pPainter = std::move(painter);
    m_Pages = 1;
    // The painter's origin is the top-left corner of the printable area, its unit one printer dot.
    m_PageWidth = printer->width();
    m_PageHeight = printer->height();
    m_DpiX = printer->logicalDpiX();
    m_DpiY = printer->logicalDpiY();
    const double dpiX = m_DpiX;
    const double dpiY = m_DpiY;
    // One size for every module keeps the 2:1 and 1:2:3:4 ratios exact.
    m_Module = toDots(LineWidth, dpiX, m_PageWidth);
    m_Bar = toDots(Height, dpiY, m_PageHeight);
    // The gaps are also the quiet zones, which the readers want at least 10 modules wide.
    const double gapMm = std::max(kGapMm, kQuietModules * m_Module * kMmPerInch / dpiX);
    m_ColumnGap = std::max(toDots(gapMm, dpiX, m_PageWidth), kQuietModules * m_Module);
    m_RowGap = toDots(gapMm, dpiY, m_PageHeight);
    return true;
}

void BarcodePrintJob::StartRow() {
    // A row that does not fit below the last one goes onto a new page.
    if (m_PageY > 0 && static_cast<std::int64_t>(m_PageY) + m_Tallest > m_PageHeight) {
        if (!m_pPrinter->newPage()) {
            trace("BarcodePrintJob: new page failed\n");
            m_pPainter->end();
            return;
        }
        ++m_Pages;
        m_PageY = 0;
    }
    m_X = 0;
    m_RowOpen = true;
}

void BarcodePrintJob::AddBarcode(const char* text, int type) {
    if (!m_pPainter || !m_pPainter->isActive())
        return;
    std::string widths;
    if (!EncodeBarcode(text, type, &widths))
        return;
    const std::int64_t width = moduleCount(widths) * m_Module;
    if (width > m_PageWidth || m_Bar > m_PageHeight) {
        if (!m_TooBigShown)
            messageBox(QString::fromUtf8("条码太大, 纸上放不下"));
        m_TooBigShown = true;
        return;
    }
    if (m_RowOpen && m_X + width > m_PageWidth)
        FlushRow();
    m_Tallest = std::max(m_Tallest, m_Bar);
    if (!m_RowOpen)
        StartRow();
    if (!m_pPainter->isActive())
        return;
    const QPoint at(m_X, m_PageY);
    FillWhite(m_pPainter.get(),
              QRect(at, QPoint(at.x() + static_cast<int>(width) - 1, at.y() + m_Bar - 1)) & PageRect());
    const QPoint end = DrawBars(*this, widths.c_str(), at);
    ++m_Printed;
    m_Widest = std::max(m_Widest, end.x() - at.x());
    // A new row when a barcode as wide as the widest so far would not fit after this one.
    const std::int64_t next = static_cast<std::int64_t>(m_X) + m_Widest + m_ColumnGap;
    if (next + m_Widest > m_PageWidth)
        FlushRow();
    else
        m_X = static_cast<int>(next);
}

void BarcodePrintJob::FlushRow() {
    if (!m_pPainter || !m_RowOpen)
        return;
    m_PageY += m_Tallest + m_RowGap;
    m_X = 0;
    m_RowOpen = false;
}
