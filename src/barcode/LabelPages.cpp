#include "barcode/LabelPages.h"

#include "barcode/BarcodeWidths.h"
#include "barcode/DrawBars.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kMmPerInch = 25.4;
constexpr double kInnerMarginMm = 1.5;
constexpr int kQuietModules = 10;
constexpr int kMaxCopies = 99;

// Whole dots; sizes beyond any paper (or not numbers at all) come out as 0.
int dots(double mm, double dpi) {
    const double d = mm * dpi / kMmPerInch;
    return d > -1e7 && d < 1e7 ? static_cast<int>(std::lround(d)) : 0;
}

QFont labelFont(int pixels) {
    // Chinese annotations need a CJK face; the first one present is taken.
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"),
                      QStringLiteral("SimHei")});
    font.setPixelSize(std::max(1, pixels));
    return font;
}

void drawLine(QPainter& painter, const QRect& box, const QString& text) {
    if (text.isEmpty() || box.isEmpty())
        return;
    const QFont font = labelFont(box.height() * 4 / 5);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const QString shown = metrics.elidedText(text, Qt::ElideRight, box.width());
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}
} // namespace

CLabelPages::CLabelPages(CLabelSheet sheet, std::vector<CLabel> labels, CLabelOptions options)
    : m_Sheet(std::move(sheet)), m_Labels(std::move(labels)), m_Options(options) {
    if (m_Options.start < 1 || m_Options.start > m_Sheet.LabelsPerSheet())
        m_Options.start = 1;
    m_Options.copies = std::clamp(m_Options.copies, 1, kMaxCopies);
    std::string widths;
    for (const CLabel& label : m_Labels)
        if (!BarcodeWidths(label.code.c_str(), m_Options.codeType, &widths))
            m_WidestModules = std::max(m_WidestModules, ModuleCount(widths));
}

int CLabelPages::LabelCount() const {
    return static_cast<int>(m_Labels.size()) * m_Options.copies;
}

int CLabelPages::PageCount() const {
    const int perSheet = m_Sheet.LabelsPerSheet();
    if (m_Labels.empty() || perSheet <= 0)
        return 0;
    return (m_Options.start - 1 + LabelCount() + perSheet - 1) / perSheet;
}

QRect CLabelPages::LabelRect(int position, double dpiX, double dpiY) const {
    const int column = position % m_Sheet.columns;
    const int row = position / m_Sheet.columns;
    const double left = m_Sheet.left + column * m_Sheet.pitchX;
    const double top = m_Sheet.top + row * m_Sheet.pitchY;
    // Edges rounded on their own, so neighbouring labels share an edge rather than overlap.
    return QRect(
        QPoint(dots(left, dpiX), dots(top, dpiY)),
        QPoint(dots(left + m_Sheet.labelWidth, dpiX) - 1, dots(top + m_Sheet.labelHeight, dpiY) - 1));
}

int CLabelPages::ModuleDots(double dpi, bool* reduced) const {
    const int wanted = std::max(1, dots(m_Options.lineWidthMm, dpi));
    int room = dots(m_Sheet.labelWidth - 2 * kInnerMarginMm, dpi);
    if (m_Sheet.list)
        room /= 2; // the text takes the other half
    const long long needed = m_WidestModules + 2 * kQuietModules;
    const bool tooWide = needed * wanted > room;
    if (reduced)
        *reduced = tooWide;
    if (!tooWide)
        return wanted;
    return static_cast<int>(std::max<long long>(1, room / needed));
}

void CLabelPages::DrawPage(QPainter& painter, int page, double dpiX, double dpiY) const {
    const int perSheet = m_Sheet.LabelsPerSheet();
    const int module = ModuleDots(dpiX);
    const int first = page * perSheet - (m_Options.start - 1); // label sequence number at position 0
    for (int position = 0; position < perSheet; ++position) {
        const int n = first + position;
        if (n < 0 || n >= LabelCount())
            continue;
        DrawLabel(painter, m_Labels[static_cast<std::size_t>(n / m_Options.copies)],
                  LabelRect(position, dpiX, dpiY), module, dpiX, dpiY);
    }
}

void CLabelPages::DrawLabel(QPainter& painter, const CLabel& label, const QRect& rect, int module,
                            double dpiX, double dpiY) const {
    painter.save();
    if (m_Options.outline) {
        const int pen = std::max(1, dots(0.1, dpiX));
        painter.setPen(QPen(Qt::black, pen));
        painter.setBrush(Qt::NoBrush);
        const double r = m_Sheet.radius * dpiX / kMmPerInch;
        painter.drawRoundedRect(QRectF(rect).adjusted(pen / 2.0, pen / 2.0, -pen / 2.0, -pen / 2.0), r, r);
    }
    const QRect inner = rect.adjusted(dots(kInnerMarginMm, dpiX), dots(kInnerMarginMm, dpiY),
                                      -dots(kInnerMarginMm, dpiX), -dots(kInnerMarginMm, dpiY));
    // Nothing leaves the label, whatever the sizes.
    painter.setClipRect(inner);
    painter.setPen(Qt::black);

    std::string widths;
    if (BarcodeWidths(label.code.c_str(), m_Options.codeType, &widths))
        widths.clear(); // a code the type cannot hold: its text alone
    const long long barsWidth = ModuleCount(widths) * module;
    const int quiet = kQuietModules * module;
    const int wantedBar = std::max(1, dots(m_Options.heightMm, dpiY));
    const QString digits = QString::fromLatin1(label.code.c_str());

    if (m_Sheet.list) {
        const int text = std::clamp(inner.height() * 3 / 10, dots(2.5, dpiY), dots(5, dpiY));
        const int bar = std::clamp(inner.height(), 1, wantedBar);
        const int x = inner.left() + quiet;
        DrawBars(painter, widths, QPoint(x, inner.top() + (inner.height() - bar) / 2), module, bar, inner);
        const int textLeft = static_cast<int>(std::min<long long>(x + barsWidth + quiet, inner.right()));
        const int middle = inner.center().y();
        drawLine(painter, QRect(textLeft, middle - text, inner.right() - textLeft + 1, text), digits);
        drawLine(painter, QRect(textLeft, middle, inner.right() - textLeft + 1, text), label.annotation);
    } else {
        const int text = std::clamp(inner.height() * 16 / 100, dots(2.2, dpiY), dots(5, dpiY));
        const int gap = dots(0.4, dpiY);
        const int bar = std::clamp(inner.height() - 2 * text - gap, 1, wantedBar);
        const int top = inner.top() + std::max(0, (inner.height() - (bar + gap + 2 * text)) / 2);
        const long long x = inner.left() + (inner.width() - barsWidth) / 2;
        DrawBars(painter, widths, QPoint(static_cast<int>(x), top), module, bar, inner);
        drawLine(painter, QRect(inner.left(), top + bar + gap, inner.width(), text), digits);
        drawLine(painter, QRect(inner.left(), top + bar + gap + text, inner.width(), text), label.annotation);
    }
    painter.restore();
}

bool PrintLabelPages(const CLabelPages& pages, QPagedPaintDevice& device) {
    const CLabelSheet& sheet = pages.Sheet();
    device.setPageSize(QPageSize(QSizeF(sheet.pageWidth, sheet.pageHeight), QPageSize::Millimeter, QString(),
                                 QPageSize::FuzzyMatch));
    device.setPageOrientation(QPageLayout::Portrait);
    // A printer may keep margins it cannot print in; the origin is moved to the paper's corner below.
    device.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double dpiX = device.logicalDpiX();
    const double dpiY = device.logicalDpiY();
    const QRect paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    for (int page = 0; page < pages.PageCount(); ++page) {
        if (page > 0 && !device.newPage())
            return false;
        painter.resetTransform();
        painter.translate(-paint.topLeft());
        pages.DrawPage(painter, page, dpiX, dpiY);
    }
    return painter.end();
}
