#include "barcode/DrawBars.h"

#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstdint>

namespace {
int clampInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}
} // namespace

QPoint DrawBars(QPainter& painter, std::string_view widths, QPoint origin, int moduleDots, int barDots,
                const QRect& clip, QRect* drawn) {
    std::int64_t x = origin.x();
    bool bar = true;
    for (const char c : widths) {
        const std::int64_t w = static_cast<std::int64_t>(c - '0') * moduleDots;
        if (bar && w > 0) {
            const QRect r = QRect(clampInt(x), origin.y(), clampInt(w), barDots) & clip;
            if (!r.isEmpty()) {
                painter.fillRect(r, Qt::black);
                if (drawn)
                    *drawn |= r;
            }
        }
        x += w;
        bar = !bar;
    }
    return QPoint(clampInt(x), clampInt(static_cast<std::int64_t>(origin.y()) + barDots));
}

long long ModuleCount(std::string_view widths) {
    long long n = 0;
    for (const char c : widths)
        n += c - '0';
    return n;
}

void FillWhite(QPainter* painter, const QRect& rect) {
    painter->fillRect(rect, QColor(255, 255, 255));
}
