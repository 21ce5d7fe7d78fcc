#include "controls/LevelMeter.h"

#include "platform/core/UiText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <cmath>

namespace {
constexpr double kFloorDb = -60.0;
constexpr qint64 kHoldMs = 1500;

// The meter to assistive technology: a level from 0 to 100 (the bar's fill), and as text the time recorded.
class CAccessibleLevelMeter : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CAccessibleLevelMeter(CLevelMeter* meter) : QAccessibleWidget(meter, QAccessible::ProgressBar) {}
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                : QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return meter()->TimeText();
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return qRound(meter()->Level() * 100); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    CLevelMeter* meter() const { return static_cast<CLevelMeter*>(widget()); }
};

QAccessibleInterface* levelMeterFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("CLevelMeter") && object && object->isWidgetType())
        return new CAccessibleLevelMeter(static_cast<CLevelMeter*>(object));
    return nullptr;
}
} // namespace

double MeterPosition(double peak) {
    if (peak <= 0)
        return 0;
    const double db = 20.0 * std::log10(std::min(peak, 1.0));
    return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0);
}

CLevelMeter::CLevelMeter(QWidget* parent) : QWidget(parent) {
    static const bool accessible = [] {
        QAccessible::installFactory(levelMeterFactory);
        return true;
    }();
    (void)accessible;
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(uiText("录音音量"));
}

void CLevelMeter::SetLevel(double peak, double seconds) {
    const bool newSecond = static_cast<int>(seconds) != static_cast<int>(m_Seconds);
    m_Level = MeterPosition(peak);
    m_Seconds = seconds;
    // Once a second, not at the meter's rate: enough for a screen reader, no flood of events.
    if (newSecond && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, qRound(m_Level * 100));
        QAccessible::updateAccessibility(&event);
    }
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
