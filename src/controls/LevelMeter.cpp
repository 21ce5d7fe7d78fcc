#include "controls/LevelMeter.h"

#include <QPainter>
#include <cmath>

namespace {
constexpr double kFloorDb = -60.0;
constexpr qint64 kHoldMs = 1500;
} // namespace

double MeterPosition(double peak) {
    if (peak <= 0)
        return 0;
    const double db = 20.0 * std::log10(std::min(peak, 1.0));
    return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0);
}

CLevelMeter::CLevelMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CLevelMeter::SetLevel(double peak, double seconds) {
    m_Level = MeterPosition(peak);
    m_Seconds = seconds;
    if (m_Level >= m_Held || !m_HeldSince.isValid() || m_HeldSince.elapsed() > kHoldMs) {
        m_Held = m_Level;
        m_HeldSince.start();
    }
    update();
}

void CLevelMeter::Reset() {
    m_Level = m_Held = m_Seconds = 0;
    m_HeldSince.invalidate();
    update();
}

QString CLevelMeter::TimeText() const {
    const int s = static_cast<int>(m_Seconds);
    return QStringLiteral("%1:%2").arg(s / 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QSize CLevelMeter::sizeHint() const {
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("00:00")) + 96, fontMetrics().height() + 6);
}

void CLevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int timeWidth = fontMetrics().horizontalAdvance(QStringLiteral("00:00 "));
    const QRect bar(0, height() / 2 - 5, std::max(10, width() - timeWidth - 6), 10);
    p.fillRect(bar, QColor(40, 40, 40));
    // Green up to -12 dBFS, yellow to -3 dBFS, red above: loud enough, close to the top, clipping.
    const QRect inner = bar.adjusted(1, 1, -1, -1);
    const int fill = static_cast<int>(inner.width() * m_Level);
    auto zone = [&](double from, double to, QColor color) {
        const int x0 = inner.left() + static_cast<int>(inner.width() * from);
        const int x1 = inner.left() + std::min(fill, static_cast<int>(inner.width() * to));
        if (x1 > x0)
            p.fillRect(QRect(x0, inner.top(), x1 - x0, inner.height()), color);
    };
    zone(0.0, MeterPosition(std::pow(10.0, -12.0 / 20)), QColor(60, 200, 60));
    zone(MeterPosition(std::pow(10.0, -12.0 / 20)), MeterPosition(std::pow(10.0, -3.0 / 20)),
         QColor(230, 210, 40));
    zone(MeterPosition(std::pow(10.0, -3.0 / 20)), 1.0, QColor(230, 50, 40));
    if (m_Held > 0) {
        const int x = inner.left() + std::min(inner.width() - 2, static_cast<int>(inner.width() * m_Held));
        p.fillRect(QRect(x, inner.top(), 2, inner.height()), Qt::white);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(bar.right() + 6, 0, timeWidth, height()), Qt::AlignVCenter | Qt::AlignLeft, TimeText());
}
