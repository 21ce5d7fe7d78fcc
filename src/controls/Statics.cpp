#include "controls/Statics.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace {

CMy_Static_1::Opener& opener() {
    static CMy_Static_1::Opener open = [](const QString& target) { QDesktopServices::openUrl(QUrl(target)); };
    return open;
}

} // namespace

CMy_Static_1::CMy_Static_1(const QString& text, QWidget* parent) : QLabel(text, parent), m_Text(text) {
    setTextFormat(Qt::PlainText);
    setMouseTracking(true); // hover without a button pressed
}

CMy_Static_1::Opener CMy_Static_1::SetOpener(Opener open) {
    Opener previous = std::move(opener());
    opener() = open ? std::move(open)
                    : Opener([](const QString& target) { QDesktopServices::openUrl(QUrl(target)); });
    return previous;
}

void CMy_Static_1::MakeFont() {
    if (m_bFont || !parentWidget())
        return;
    m_Font = parentWidget()->font();
    m_Font.setUnderline(true);
    m_bFont = true;
}

void CMy_Static_1::Measure() {
    if (m_bMeasured || !m_bFont)
        return;
    const QFontMetrics fm(m_Font);
    m_TextWidth = fm.horizontalAdvance(m_Text);
    m_TextHeight = fm.height();
    m_bMeasured = true;
}

bool CMy_Static_1::OnText(QPoint p) const {
    return m_bMeasured && p.x() >= 0 && p.x() < m_TextWidth && p.y() >= 0 && p.y() < m_TextHeight;
}

void CMy_Static_1::paintEvent(QPaintEvent*) {
    MakeFont();
    QPainter painter(this);
    if (m_bFont)
        painter.setFont(m_Font);
    painter.setPen(QColor(0, 0, 255));
    const QFontMetrics fm(painter.font());
    painter.drawText(QPoint(0, fm.ascent()), m_Text);
}

void CMy_Static_1::mouseMoveEvent(QMouseEvent* e) {
    if (!m_bTracking) {
        // The first move after entering only arms the leave notice, as the classic tracking does.
        m_bTracking = true;
    } else {
        MakeFont();
        Measure();
        if (!m_HandCursor)
            m_HandCursor = QCursor(Qt::PointingHandCursor);
        if (!m_ArrowCursor)
            m_ArrowCursor = QCursor(Qt::ArrowCursor);
        setCursor(OnText(e->position().toPoint()) ? *m_HandCursor : *m_ArrowCursor);
    }
    QLabel::mouseMoveEvent(e);
}

void CMy_Static_1::leaveEvent(QEvent* e) {
    m_bTracking = false;
    setCursor(Qt::ArrowCursor);
    QLabel::leaveEvent(e);
}

void CMy_Static_1::mousePressEvent(QMouseEvent* e) {
    MakeFont();
    Measure();
    if (e->button() == Qt::LeftButton && OnText(e->position().toPoint()) && !m_LinkTarget.isEmpty())
        opener()(m_LinkTarget);
    QLabel::mousePressEvent(e);
}

CMy_Static_2::CMy_Static_2(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
}

CMy_Static_3::CMy_Static_3(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
}
