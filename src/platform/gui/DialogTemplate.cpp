#include "platform/gui/DialogTemplate.h"

#include "platform/core/UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

const DialogControl* DialogTemplate::control(int controlId) const {
    for (const auto& c : controls)
        if (c.id == controlId)
            return &c;
    return nullptr;
}

namespace {

// Splits one line into tokens: bare words, and "quoted" strings with \" and \\ escapes.
bool tokenize(const QString& line, QStringList& tokens, QString* error) {
    tokens.clear();
    int i = 0;
    const int n = line.size();
    while (i < n) {
        QChar c = line[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'#')
            break;
        QString tok;
        if (c == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                QChar d = line[i++];
                if (d == u'\\' && i < n) {
                    tok += line[i++];
                } else if (d == u'"') {
                    closed = true;
                    break;
                } else {
                    tok += d;
                }
            }
            if (!closed) {
                if (error)
                    *error = QStringLiteral("unterminated string");
                return false;
            }
            tokens << QStringLiteral("\"") + tok; // a leading quote marks a string token
        } else {
            while (i < n && !line[i].isSpace())
                tok += line[i++];
            tokens << tok;
        }
    }
    return true;
}

QString stringToken(const QString& t) {
    return t.startsWith(u'"') ? t.mid(1) : t;
}

QStringList styleList(const QString& t) {
    if (t == QLatin1String("-"))
        return {};
    return t.split(u'|', Qt::SkipEmptyParts);
}

bool toInt(const QString& t, int& v) {
    bool ok = false;
    v = t.toInt(&ok);
    return ok;
}

} // namespace

bool parseDialogTemplate(const QByteArray& text, DialogTemplate& out, QString* error) {
    out = DialogTemplate{};
    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    bool sawDialog = false;
    int lineNo = 0;
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(lineNo).arg(why);
        return false;
    };
    QStringList t;
    for (const QString& raw : lines) {
        ++lineNo;
        QString why;
        if (!tokenize(raw, t, &why))
            return fail(why);
        if (t.isEmpty())
            continue;
        const QString key = t[0];
        if (key == QLatin1String("DIALOG")) {
            int w = 0, h = 0;
            if (t.size() != 4 || !toInt(t[1], out.id) || !toInt(t[2], w) || !toInt(t[3], h))
                return fail(QStringLiteral("DIALOG id width height"));
            out.size = QSize(w, h);
            sawDialog = true;
        } else if (key == QLatin1String("CAPTION") && t.size() == 2) {
            out.caption = stringToken(t[1]);
        } else if (key == QLatin1String("FONT") && t.size() == 3) {
            if (!toInt(t[1], out.pointSize))
                return fail(QStringLiteral("FONT size name"));
            out.fontName = stringToken(t[2]);
        } else if (key == QLatin1String("STYLE") && t.size() == 2) {
            out.styles = styleList(t[1]);
        } else if (key == QLatin1String("EXSTYLE") && t.size() == 2) {
            out.exStyles = styleList(t[1]);
        } else if (key == QLatin1String("CONTROL")) {
            // CONTROL id class "text" styles x y w h
            DialogControl c;
            int x = 0, y = 0, w = 0, h = 0;
            if (t.size() != 9 || !toInt(t[1], c.id) || !toInt(t[5], x) || !toInt(t[6], y) ||
                !toInt(t[7], w) || !toInt(t[8], h))
                return fail(QStringLiteral("CONTROL id class \"text\" styles x y w h"));
            c.className = t[2];
            c.text = stringToken(t[3]);
            c.styles = styleList(t[4]);
            c.rect = QRect(x, y, w, h);
            out.controls.push_back(c);
        } else {
            return fail(QStringLiteral("unknown or malformed line"));
        }
    }
    if (!sawDialog) {
        if (error)
            *error = QStringLiteral("no DIALOG line");
        return false;
    }
    return true;
}

bool loadDialogTemplate(int id, DialogTemplate& out, QString* error) {
    QFile f(QStringLiteral(":/dialogs/%1.dlg").arg(id));
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("no dialog template %1").arg(id);
        return false;
    }
    return parseDialogTemplate(f.readAll(), out, error);
}

QFont dialogFont() {
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setPointSize(9);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

DialogBaseUnits dialogBaseUnits(const QFont& font) {
    QFontMetrics fm(font);
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int cx = fm.horizontalAdvance(letters);
    DialogBaseUnits u;
    u.x = (cx / 26 + 1) / 2;
    u.y = fm.height();
    return u;
}

namespace {
int mulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    // Rounds half away from zero, as the platform's MulDiv does.
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}
} // namespace

QRect dialogUnitsToPixels(const QRect& r, const DialogBaseUnits& u) {
    const int left = mulDiv(r.x(), u.x, 4);
    const int top = mulDiv(r.y(), u.y, 8);
    const int right = mulDiv(r.x() + r.width(), u.x, 4);
    const int bottom = mulDiv(r.y() + r.height(), u.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

int classicPixelsToPixels(int pixels, const DialogBaseUnits& u) {
    return mulDiv(pixels, u.x, 6);
}

QSize dialogUnitsToPixels(const QSize& s, const DialogBaseUnits& u) {
    return QSize(mulDiv(s.width(), u.x, 4), mulDiv(s.height(), u.y, 8));
}

QWidget* CDialogBuilder::makeStandardControl(const DialogControl& c, QWidget* parent) {
    const QString& cls = c.className;
    if (cls == QLatin1String("Button")) {
        if (c.hasStyle("AUTOCHECKBOX"))
            return new QCheckBox(withAccelerator(c.text), parent);
        auto* b = new QPushButton(withAccelerator(c.text), parent);
        // A focused button takes Enter (it is the default while it has the focus); elsewhere Enter presses
        // the template's default button.
        b->setAutoDefault(true);
        b->setDefault(c.hasStyle("DEFPUSHBUTTON"));
        return b;
    }
    if (cls == QLatin1String("Edit")) {
        auto* e = new QLineEdit(c.text, parent);
        return e;
    }
    if (cls == QLatin1String("ComboBox")) {
        auto* cb = new QComboBox(parent);
        cb->setEditable(c.hasStyle("DROPDOWN"));
        return cb;
    }
    if (cls == QLatin1String("SysListView32"))
        return new QTableView(parent);
    auto* label = new QLabel(uiText(c.text), parent); // Static and anything else
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (!c.hasStyle("NOPREFIX") && c.text.contains(u'&'))
        label->setText(uiText(c.text).remove(u'&'));
    return label;
}

void CDialogBuilder::build(QWidget* dialog, const DialogTemplate& tpl) const {
    const QFont font = dialogFont();
    dialog->setFont(font);
    const DialogBaseUnits units = dialogBaseUnits(font);
    dialog->resize(dialogUnitsToPixels(tpl.size, units));
    if (!tpl.caption.isEmpty())
        dialog->setWindowTitle(uiText(tpl.caption));
    const DialogControl* previous = nullptr;
    QWidget* previousWidget = nullptr;
    for (const DialogControl& c : tpl.controls) {
        auto it = m_Factories.find(c.id);
        QWidget* w =
            (c.id != -1 && it != m_Factories.end()) ? it->second(c, dialog) : makeStandardControl(c, dialog);
        if (!w)
            continue;
        w->setProperty("kivControlId", c.id);
        if (c.id != -1)
            w->setObjectName(QStringLiteral("ctl_%1").arg(c.id));
        w->setGeometry(dialogUnitsToPixels(c.rect, units));
        w->setEnabled(!c.hasStyle("DISABLED"));
        w->setVisible(!c.hasStyle("HIDDEN"));
        // A control without a text of its own is named by the static text placed before it, as a screen
        // reader user would hear it read.
        if (previous && previous->className == QLatin1String("Static") && !previous->text.isEmpty() &&
            c.className != QLatin1String("Static") && c.className != QLatin1String("Button")) {
            nameControl(w, accessibleLabel(uiText(previous->text)));
            if (auto* label = qobject_cast<QLabel*>(previousWidget))
                label->setBuddy(w);
        }
        previous = &c;
        previousWidget = w;
    }
}

QString accessibleLabel(QString text) {
    text = text.trimmed();
    while (text.endsWith(u':') || text.endsWith(u'\uff1a'))
        text.chop(1);
    return text.trimmed();
}

void nameControl(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    // An editable combo box is two objects to assistive technology: its field gets the name too.
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(name);
}

QWidget* controlById(const QWidget* dialog, int id) {
    if (!dialog || id == -1)
        return nullptr;
    return dialog->findChild<QWidget*>(QStringLiteral("ctl_%1").arg(id));
}

int controlId(const QWidget* control) {
    if (!control)
        return -1;
    QVariant v = control->property("kivControlId");
    return v.isValid() ? v.toInt() : -1;
}
