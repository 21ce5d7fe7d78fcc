#include "platform/gui/DataExchange.h"

#include "platform/core/MessageBox.h"
#include "platform/core/Numbers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <charconv>
#include <climits>
#include <cmath>

namespace {

QString textOf(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w))
        return p->toPlainText();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    return w ? w->windowTitle() : QString();
}

void setTextOf(QWidget* w, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        if (e->text() != text)
            e->setText(text);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setEditText(text);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        if (p->toPlainText() != text)
            p->setPlainText(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
    }
}

std::string_view skipBlanks(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        ++i;
    return s.substr(i);
}

} // namespace

QString formatDouble15(double value) {
    if (std::isnan(value))
        return std::signbit(value) ? QStringLiteral("-nan") : QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    return QString::number(value, 'g', 15);
}

bool scanDouble(const QString& text, double& value) {
    const QByteArray bytes = text.toLatin1();
    return scanDecimal(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), value);
}

bool scanInt(const QString& text, int& value) {
    const QByteArray bytes = text.toLatin1();
    std::string_view s = skipBlanks(std::string_view(bytes.constData(), bytes.size()));
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s[0] < '0' || s[0] > '9')
        return false;
    long long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            break;
        v = std::min<long long>(v * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    v = negative ? -v : v;
    value = static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
    return true;
}

void reportNotANumber(QWidget* control) {
    messageBox(QStringLiteral("Enter a number."), applicationName(), MB_OK | MB_ICONEXCLAMATION);
    if (control) {
        control->setFocus();
        if (auto* e = qobject_cast<QLineEdit*>(control))
            e->selectAll();
        else if (auto* p = qobject_cast<QPlainTextEdit*>(control))
            p->selectAll();
    }
}

void DDX_Text(CDataExchange& dx, QWidget* control, QString& value) {
    if (dx.m_bFailed || !control)
        return;
    if (dx.m_bSaveAndValidate)
        value = textOf(control);
    else
        setTextOf(control, value);
}

void DDX_Text(CDataExchange& dx, QWidget* control, double& value) {
    if (dx.m_bFailed || !control)
        return;
    if (!dx.m_bSaveAndValidate) {
        setTextOf(control, formatDouble15(value));
        return;
    }
    double v = 0;
    if (!scanDouble(textOf(control), v)) {
        dx.m_bFailed = true;
        reportNotANumber(control);
        return;
    }
    value = v;
}

void DDX_Text(CDataExchange& dx, QWidget* control, int& value) {
    if (dx.m_bFailed || !control)
        return;
    if (!dx.m_bSaveAndValidate) {
        setTextOf(control, QString::number(value));
        return;
    }
    int v = 0;
    if (!scanInt(textOf(control), v)) {
        dx.m_bFailed = true;
        reportNotANumber(control);
        return;
    }
    value = v;
}
