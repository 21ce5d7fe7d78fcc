#include "platform/gui/MenuTemplate.h"

#include "platform/core/UiText.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>

namespace {

// Reads little-endian words from a byte buffer; every read checks the end first.
class CTemplateReader {
public:
    explicit CTemplateReader(const QByteArray& bytes)
        : m_Data(reinterpret_cast<const uchar*>(bytes.constData())), m_Size(bytes.size()) {}

    bool seek(qsizetype pos) {
        if (pos < 0 || pos > m_Size)
            return false;
        m_Pos = pos;
        return true;
    }
    bool word(quint16& w) {
        if (m_Size - m_Pos < 2)
            return false;
        w = quint16(m_Data[m_Pos] | (m_Data[m_Pos + 1] << 8));
        m_Pos += 2;
        return true;
    }
    // A zero-terminated UTF-16 text; false when the terminator is missing.
    bool text(QString& s) {
        s.clear();
        for (;;) {
            quint16 unit = 0;
            if (!word(unit))
                return false;
            if (unit == 0)
                return true;
            s.append(QChar(unit));
        }
    }

private:
    const uchar* m_Data;
    qsizetype m_Size;
    qsizetype m_Pos = 0;
};

bool fail(QString* error, MenuTemplate& out, const QString& why) {
    out.items.clear();
    if (error)
        *error = why;
    return false;
}

void appendWord(QByteArray& b, unsigned w) {
    b.append(char(w & 0xFF));
    b.append(char((w >> 8) & 0xFF));
}

void encodeLevel(QByteArray& b, const std::vector<MenuTemplateItem>& items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuTemplateItem& item = items[i];
        unsigned flags = item.flags & ~MF_END & 0xFFFF;
        if (i + 1 == items.size())
            flags |= MF_END;
        appendWord(b, flags);
        if (!item.isPopup())
            appendWord(b, unsigned(item.id) & 0xFFFF);
        for (QChar c : item.text)
            appendWord(b, c.unicode());
        appendWord(b, 0);
        if (item.isPopup())
            encodeLevel(b, item.children);
    }
}

} // namespace

bool parseMenuTemplate(const QByteArray& bytes, MenuTemplate& out, QString* error) {
    out.items.clear();
    CTemplateReader in(bytes);
    quint16 version = 0, offset = 0;
    if (!in.word(version) || !in.word(offset))
        return fail(error, out, QStringLiteral("menu template: truncated header"));
    // Version 1 is the extended layout, whose entries look nothing like these.
    if (version != 0)
        return fail(error, out, QStringLiteral("menu template: unknown version %1").arg(version));
    if (!in.seek(4 + qsizetype(offset)))
        return fail(error, out, QStringLiteral("menu template: entries start past the end"));

    // One open level per popup being read, with whether its last entry has been seen.
    std::vector<std::vector<MenuTemplateItem>*> levels{&out.items};
    std::vector<bool> ended{false};
    while (!levels.empty()) {
        quint16 flags = 0, id = 0;
        if (!in.word(flags))
            return fail(error, out, QStringLiteral("menu template: truncated entry"));
        const bool end = (flags & MF_END) != 0;
        MenuTemplateItem item;
        item.flags = flags & ~MF_END;
        if (!item.isPopup() && !in.word(id))
            return fail(error, out, QStringLiteral("menu template: truncated entry"));
        item.id = id;
        if (!in.text(item.text))
            return fail(error, out, QStringLiteral("menu template: unterminated text"));

        std::vector<MenuTemplateItem>* level = levels.back();
        level->push_back(std::move(item));
        if (end)
            ended.back() = true;
        if (level->back().isPopup()) {
            if (int(levels.size()) > kMaxMenuDepth)
                return fail(error, out, QStringLiteral("menu template: popups nested too deeply"));
            // The parent level gets no entries while this one is open, so the address stays valid.
            levels.push_back(&level->back().children);
            ended.push_back(false);
            continue;
        }
        while (!levels.empty() && ended.back()) {
            levels.pop_back();
            ended.pop_back();
        }
    }
    return true;
}

QByteArray encodeMenuTemplate(const MenuTemplate& menu) {
    QByteArray b;
    appendWord(b, 0);
    appendWord(b, 0);
    encodeLevel(b, menu.items);
    return b;
}

bool loadMenuTemplate(int id, QByteArray& bytes) {
    QFile f(QStringLiteral(":/menus/%1.bin").arg(id));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bytes = f.readAll();
    return true;
}

void fillMenu(QMenu* menu, const std::vector<MenuTemplateItem>& items) {
    for (const MenuTemplateItem& item : items) {
        if (item.isPopup()) {
            menu->addMenu(buildMenu(item, menu));
        } else if (item.isSeparator()) {
            menu->addSeparator();
        } else {
            QAction* action = menu->addAction(withAccelerator(item.text));
            action->setData(item.id);
            action->setEnabled((item.flags & (MF_GRAYED | MF_DISABLED)) == 0);
            if (item.flags & MF_CHECKED) {
                action->setCheckable(true);
                action->setChecked(true);
            }
        }
    }
}

QMenu* buildMenu(const MenuTemplateItem& popup, QWidget* parent) {
    auto* menu = new QMenu(withAccelerator(popup.text), parent);
    fillMenu(menu, popup.children);
    menu->menuAction()->setEnabled((popup.flags & (MF_GRAYED | MF_DISABLED)) == 0);
    return menu;
}

void buildMenuBar(QMenuBar* bar, const MenuTemplate& menu) {
    for (const MenuTemplateItem& item : menu.items) {
        if (item.isPopup()) {
            bar->addMenu(buildMenu(item, bar));
        } else if (item.isSeparator()) {
            bar->addSeparator();
        } else {
            QAction* action = bar->addAction(withAccelerator(item.text));
            action->setData(item.id);
            action->setEnabled((item.flags & (MF_GRAYED | MF_DISABLED)) == 0);
        }
    }
}
