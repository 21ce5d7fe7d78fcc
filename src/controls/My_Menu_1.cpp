#include "controls/My_Menu_1.h"

#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/core/UiText.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QSysInfo>
#include <algorithm>

int g_OsKind = InitOsKind();

int InitOsKind() {
    // Every system we run on has the "new shell": the face colour is the button face, not the menu colour.
    g_OsKind = 3;
    return g_OsKind;
}

QString GetWindowsVersionText() {
    const QString name = QSysInfo::prettyProductName();
    if (name.isEmpty())
        return QStringLiteral("Error!");
    return QStringLiteral("%1 (%2 %3, %4)")
        .arg(name, QSysInfo::kernelType(), QSysInfo::kernelVersion(), QSysInfo::currentCpuArchitecture());
}

QColor TintTowardWhite(QColor c, double f) {
    if (f > 1)
        return c;
    f = std::max(f, 0.0); // a negative factor would push channels below 0
    auto tint = [f](int v) { return int(v + f * (255 - v)); };
    return QColor(tint(c.red()), tint(c.green()), tint(c.blue()), c.alpha());
}

void DrawTwoToneFrame(QPainter* dc, int x, int y, int w, int h, QColor topLeft, QColor bottomRight) {
    if (!dc || w <= 0 || h <= 0)
        return;
    if (w > 1)
        dc->fillRect(QRect(x, y, w - 1, 1), topLeft);
    if (h > 1)
        dc->fillRect(QRect(x, y, 1, h - 1), topLeft);
    dc->fillRect(QRect(x + w - 1, y, 1, h), bottomRight);
    dc->fillRect(QRect(x, y + h - 1, w, 1), bottomRight);
}

namespace {

constexpr int kMaxTextUnits = 1023;
const char* const kItemDataProperty = "kivItemData";

QString limitWide(const QString& s) {
    if (s.size() <= kMaxTextUnits)
        return s;
    qsizetype n = kMaxTextUnits;
    if (s.at(n - 1).isHighSurrogate())
        --n;
    return s.left(n);
}

} // namespace

int ToNarrow(const QString& wide, std::string& narrow) {
    std::string gbk = toGbk(limitWide(wide));
    gbk.resize(gbkPrefixLength(gbk, kMaxTextUnits));
    narrow = std::move(gbk);
    return 1;
}

int ToWide(const std::string& narrow, QString& wide) {
    wide = limitWide(fromGbk(narrow));
    return 1;
}

namespace {

// The QMenu of a menu object. Each entry's style option carries its QAction, so the style can find the
// entry's record; the receiver measures and draws the entries.
class COwnerDrawnMenu : public QMenu {
public:
    CMy_Menu_1* receiver = nullptr;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
        QMenu::initStyleOption(option, action);
        if (CMy_Menu_1::RecordOf(action))
            option->styleObject = const_cast<QAction*>(action);
    }
};

// Routes owner-drawn entries to MeasureItem and DrawItem; everything else to the application's style.
class CMenuItemStyle : public QProxyStyle {
public:
    QSize sizeFromContents(ContentsType type, const QStyleOption* opt, const QSize& size,
                           const QWidget* widget) const override {
        if (type == CT_MenuItem) {
            if (const COwnerDrawnMenu* menu = ownerDrawnMenu(widget); const auto* rec = record(menu, opt)) {
                MEASUREITEMSTRUCT mis{quintptr(rec), -1, -1};
                menu->receiver->MeasureItem(&mis);
                // A menu hides entries of width 0; it widens every entry to the widest anyway.
                if (mis.itemHeight >= 0)
                    return QSize(std::max(mis.itemWidth, 1), mis.itemHeight);
            }
        }
        return QProxyStyle::sizeFromContents(type, opt, size, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* opt, QPainter* p,
                     const QWidget* widget) const override {
        if (element == CE_MenuItem) {
            if (const COwnerDrawnMenu* menu = ownerDrawnMenu(widget); const auto* rec = record(menu, opt)) {
                DRAWITEMSTRUCT dis{};
                dis.itemData = quintptr(rec);
                if (opt->state & State_Selected)
                    dis.itemState |= ODS_SELECTED;
                if (!(opt->state & State_Enabled) || !rec->action->isEnabled())
                    dis.itemState |= ODS_GRAYED | ODS_DISABLED;
                dis.hDC = p;
                dis.rcItem = opt->rect;
                dis.hwndItem = const_cast<COwnerDrawnMenu*>(menu);
                dis.itemID = (rec->flags & MF_POPUP) ? 0 : int(rec->id);
                menu->receiver->DrawItem(&dis);
                return;
            }
        }
        QProxyStyle::drawControl(element, opt, p, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* opt, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        // A disabled entry can be under the pointer; each look decides how it shows.
        if (hint == SH_Menu_AllowActiveAndDisabled)
            return 1;
        return QProxyStyle::styleHint(hint, opt, widget, ret);
    }

private:
    static const COwnerDrawnMenu* ownerDrawnMenu(const QWidget* widget) {
        const auto* menu = dynamic_cast<const COwnerDrawnMenu*>(widget);
        return menu && menu->receiver ? menu : nullptr;
    }
    static const MenuItemRecord* record(const COwnerDrawnMenu* menu, const QStyleOption* opt) {
        if (!menu || !opt)
            return nullptr;
        const MenuItemRecord* rec = CMy_Menu_1::RecordOf(qobject_cast<const QAction*>(opt->styleObject));
        return rec && (rec->flags & MF_OWNERDRAW) ? rec : nullptr;
    }
};

QStyle* menuItemStyle() {
    static QPointer<CMenuItemStyle> style;
    if (!style) {
        style = new CMenuItemStyle;
        style->setParent(qApp);
    }
    return style;
}

TrackPopupResponder& trackResponder() {
    static TrackPopupResponder responder;
    return responder;
}

QFontMetrics menuMetrics(const QWidget* owner) {
    return owner ? QFontMetrics(GetMenuFont(), owner) : QFontMetrics(GetMenuFont());
}

QColor faceColor(const QPalette& palette) {
    return GetSysColor((g_OsKind == 1 || g_OsKind == 3) ? COLOR_BTNFACE : COLOR_MENU, palette);
}

// An etched horizontal line: shadow on top, highlight below.
void drawEtchedLine(QPainter* dc, int left, int right, int top, const QPalette& palette) {
    if (right <= left)
        return;
    dc->fillRect(QRect(left, top, right - left, 1), GetSysColor(COLOR_BTNSHADOW, palette));
    dc->fillRect(QRect(left, top + 1, right - left, 1), GetSysColor(COLOR_BTNHIGHLIGHT, palette));
}

} // namespace

TrackPopupResponder SetTrackPopupResponder(TrackPopupResponder responder) {
    TrackPopupResponder previous = std::move(trackResponder());
    trackResponder() = std::move(responder);
    return previous;
}

CMy_Menu_1::CMy_Menu_1() = default;

CMy_Menu_1::~CMy_Menu_1() {
    DestroyAll();
}

MenuItemRecord* CMy_Menu_1::RecordOf(const QAction* action) {
    if (!action)
        return nullptr;
    const QVariant v = action->property(kItemDataProperty);
    return v.isValid() ? reinterpret_cast<MenuItemRecord*>(v.value<quintptr>()) : nullptr;
}

void CMy_Menu_1::EnsureMenu(CMy_Menu_1* receiver) {
    if (!m_hMenu) {
        auto* menu = new COwnerDrawnMenu;
        menu->setStyle(menuItemStyle());
        m_hMenu = menu;
    }
    if (auto* menu = dynamic_cast<COwnerDrawnMenu*>(m_hMenu))
        menu->receiver = receiver ? receiver : this;
}

int LoadFromResource(CMy_Menu_1* menu, int resourceId) {
    if (!menu) {
        messageBox(QStringLiteral("Err: A0735"));
        return 0;
    }
    return menu->LoadFromResource(resourceId);
}

int CMy_Menu_1::LoadFromResource(int resourceId) {
    if (resourceId == 0) {
        messageBox(QStringLiteral("Err: A074"));
        return 0;
    }
    // All modules share one resource tree, so m_hInstance does not change where the template is found.
    QByteArray bytes;
    if (!loadMenuTemplate(resourceId, bytes))
        return 0;
    return LoadFromTemplate(bytes);
}

int CMy_Menu_1::LoadFromTemplate(const QByteArray& bytes) {
    // A malformed template builds nothing, rather than half a menu.
    MenuTemplate tpl;
    if (!parseMenuTemplate(bytes, tpl))
        return 0;
    if (!m_hMenu)
        EnsureMenu();
    BuildLevel(tpl.items, this);

    // Only the entries inside popups are owner-drawn; this menu's own popup entries stay plain.
    const QList<QAction*> actions = m_hMenu->actions();
    for (int pos = 0; pos < actions.size(); ++pos) {
        MenuItemRecord* rec = RecordOf(actions[pos]);
        if (rec && LookupByHandle(actions[pos]->menu()))
            rec->flags = MF_POPUP | MF_BYPOSITION;
    }
    return 1;
}

void CMy_Menu_1::BuildLevel(const std::vector<MenuTemplateItem>& items, CMy_Menu_1* root) {
    for (const MenuTemplateItem& item : items) {
        if (item.isPopup()) {
            auto* popup = new CMy_Menu_1;
            popup->EnsureMenu(root);
            AppendItem(item.text, item.flags, quintptr(popup));
            popup->BuildLevel(item.children, root);
        } else {
            AppendItem(item.text, item.flags, item.isSeparator() ? 0 : quintptr(item.id));
        }
    }
    AlignAccelerators();
}

CMy_Menu_1* CMy_Menu_1::LookupByHandle(QMenu* menu) const {
    if (!menu)
        return nullptr;
    for (CMy_Menu_1* m : m_Lookup)
        if (m->m_hMenu == menu)
            return m;
    return nullptr;
}

QMenu* CMy_Menu_1::GetSubMenu(int position) const {
    if (!m_hMenu)
        return nullptr;
    const QList<QAction*> actions = m_hMenu->actions();
    if (position < 0 || position >= actions.size())
        return nullptr;
    return actions[position]->menu();
}

void CMy_Menu_1::EnableMenuItem(int commandId, bool enabled) {
    for (MenuItemRecord* rec : m_Items) {
        if ((rec->flags & (MF_POPUP | MF_SEPARATOR)) || rec->id != quintptr(commandId))
            continue;
        rec->flags = enabled ? rec->flags & ~(MF_GRAYED | MF_DISABLED) : rec->flags | MF_GRAYED;
        if (rec->action)
            rec->action->setEnabled(enabled);
    }
    for (CMy_Menu_1* popup : m_OwnedMenus)
        popup->EnableMenuItem(commandId, enabled);
}

int CMy_Menu_1::TrackPopupMenu(const QPoint& globalPos) {
    if (!m_hMenu)
        return 0;
    QAction* chosen = trackResponder() ? trackResponder()(m_hMenu) : m_hMenu->exec(globalPos);
    if (!chosen || !chosen->isEnabled())
        return 0;
    const MenuItemRecord* rec = RecordOf(chosen);
    if (!rec || (rec->flags & (MF_POPUP | MF_SEPARATOR)))
        return 0;
    return int(rec->id);
}

void CMy_Menu_1::DestroyAll() {
    std::erase(m_Lookup, this);
    for (CMy_Menu_1* popup : m_OwnedMenus) {
        std::erase(m_Lookup, popup);
        delete popup;
    }
    m_OwnedMenus.clear();
    // The menu goes before the records, so no entry is left pointing at a freed record.
    delete m_hMenu;
    m_hMenu = nullptr;
    for (MenuItemRecord* rec : m_Items)
        delete rec;
    m_Items.clear();
}

void CMy_Menu_1::AppendItem(const QString& wideText, unsigned flags, quintptr idOrPopup) {
    InsertItemAt(m_Items.size(), wideText, flags, idOrPopup);
}

bool CMy_Menu_1::InsertItemAfter(int commandId, const QString& wideText, int newId) {
    for (std::size_t i = 0; i < m_Items.size(); ++i) {
        const MenuItemRecord* rec = m_Items[i];
        if (!(rec->flags & (MF_POPUP | MF_SEPARATOR)) && rec->id == quintptr(commandId)) {
            InsertItemAt(i + 1, wideText, MF_STRING, quintptr(newId));
            AlignAccelerators();
            return true;
        }
    }
    return false;
}

void CMy_Menu_1::InsertItemAt(std::size_t index, const QString& wideText, unsigned flags,
                              quintptr idOrPopup) {
    if (idOrPopup == 0)
        flags = MF_SEPARATOR | MF_OWNERDRAW | (flags & MF_BYPOSITION);
    else
        flags |= MF_OWNERDRAW;
    const bool popup = (flags & MF_POPUP) != 0;
    auto* child = popup ? reinterpret_cast<CMy_Menu_1*>(idOrPopup) : nullptr;
    if (child) {
        m_Lookup.push_back(child);
        m_OwnedMenus.push_back(child);
    }

    auto* rec = new MenuItemRecord;
    index = std::min(index, m_Items.size());
    // The shown text carries the entry's underlined letter; the caller's text is the key of both.
    const QString shownText = (flags & MF_SEPARATOR) ? wideText : withAccelerator(wideText);
    m_Items.insert(m_Items.begin() + static_cast<std::ptrdiff_t>(index), rec);
    ToNarrow(shownText, rec->text);
    rec->wideText = limitWide(shownText);
    rec->flags = flags;
    rec->id = idOrPopup;

    if (!m_hMenu)
        EnsureMenu();
    // The entries of m_hMenu and m_Items stay in step: insert before the action of the next record.
    const QList<QAction*> actions = m_hMenu->actions();
    QAction* before =
        index < static_cast<std::size_t>(actions.size()) ? actions[static_cast<qsizetype>(index)] : nullptr;
    QAction* action = nullptr;
    if (child) {
        if (!child->m_hMenu)
            child->EnsureMenu();
        child->m_hMenu->setTitle(rec->wideText);
        action = m_hMenu->insertMenu(before, child->m_hMenu);
    } else if (flags & MF_SEPARATOR) {
        action = m_hMenu->insertSeparator(before);
    } else {
        action = new QAction(rec->wideText, m_hMenu);
        m_hMenu->insertAction(before, action);
        action->setData(int(idOrPopup));
    }
    action->setProperty(kItemDataProperty, QVariant::fromValue(quintptr(rec)));
    action->setEnabled((flags & (MF_GRAYED | MF_DISABLED)) == 0);
    rec->action = action;
}

void CMy_Menu_1::AlignAccelerators() {
    const bool anyTab = std::any_of(m_Items.begin(), m_Items.end(), [](const MenuItemRecord* r) {
        return r->text.find('\t') != std::string::npos;
    });
    if (!anyTab)
        return;
    const QFontMetrics fm = menuMetrics(m_hOwner);
    auto labelOf = [](const std::string& text) {
        const auto tab = text.find('\t');
        return tab == std::string::npos ? std::string() : text.substr(0, tab);
    };
    auto width = [&fm](const std::string& s) { return fm.horizontalAdvance(fromGbk(s)); };

    int widest = 0;
    for (const MenuItemRecord* rec : m_Items)
        widest = std::max(widest, width(labelOf(rec->text) + ' '));
    for (MenuItemRecord* rec : m_Items) {
        const auto tab = rec->text.find('\t');
        if (tab == std::string::npos)
            continue;
        std::string label = rec->text.substr(0, tab);
        // The length bound keeps a font without a space width from padding for ever.
        while (width(label) < widest && label.size() < std::size_t(kMaxTextUnits))
            label += ' ';
        std::string text = label + rec->text.substr(tab);
        text.resize(gbkPrefixLength(text, kMaxTextUnits));
        rec->text = text;
        ToWide(rec->text, rec->wideText);
        if (rec->action && !(rec->flags & MF_POPUP))
            rec->action->setText(rec->wideText);
    }
}

void CMy_Menu_1::MeasureItem(MEASUREITEMSTRUCT* mis) {
    const auto* rec = mis ? reinterpret_cast<const MenuItemRecord*>(mis->itemData) : nullptr;
    if (!rec)
        return;
    if (rec->flags & MF_SEPARATOR) {
        mis->itemWidth = 0;
        mis->itemHeight = GetMenuBarHeight() / 2;
        return;
    }
    // As drawn: the underlined letter's '&' takes no room.
    const int textWidth = menuMetrics(m_hOwner).horizontalAdvance(QString(rec->wideText).remove(u'&'));
    mis->itemWidth = textWidth + 2 * m_GlyphWidth + 1;
    mis->itemHeight = std::max(GetMenuBarHeight(), m_GlyphHeight + 4);
}

bool CMy_Menu_1::IsFlatLook(const QPalette& palette) const {
    const bool same = faceColor(palette).rgb() == GetSysColor(COLOR_MENU, palette).rgb();
    return (same ? m_StyleIfSameColors : m_StyleIfDiffColors) == 1;
}

void CMy_Menu_1::DrawItem(const DRAWITEMSTRUCT* dis) {
    const auto* rec = dis ? reinterpret_cast<const MenuItemRecord*>(dis->itemData) : nullptr;
    if (!rec || !dis->hDC)
        return;
    const QPalette palette = menuPalette(dis->hwndItem);
    dis->hDC->save();
    if (IsFlatLook(palette))
        DrawFlat(dis, rec, palette);
    else
        DrawClassic(dis, rec, palette);
    dis->hDC->restore();
}

void CMy_Menu_1::DrawClassic(const DRAWITEMSTRUCT* dis, const MenuItemRecord* rec, const QPalette& palette) {
    QPainter* dc = dis->hDC;
    const QRect& r = dis->rcItem;
    const bool disabled = (dis->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    bool selected = (dis->itemState & ODS_SELECTED) != 0;
    if (disabled && selected && !m_ClassicHiliteGrayed)
        selected = false;
    const QColor face = faceColor(palette);

    if (rec->flags & MF_SEPARATOR) {
        dc->fillRect(r, face);
        drawEtchedLine(dc, r.x(), r.x() + r.width(), r.y() + r.height() / 2, palette);
        return;
    }
    QColor text;
    if (!selected) {
        dc->fillRect(r, face);
        text = GetSysColor(COLOR_MENUTEXT, palette);
    } else {
        dc->fillRect(r, GetSysColor(COLOR_HIGHLIGHT, palette));
        text = GetSysColor(COLOR_HIGHLIGHTTEXT, palette);
    }
    if (!disabled) {
        DrawEntryText(dc, r, rec, text);
    } else if (!selected) {
        DrawEntryText(dc, r, rec, GetSysColor(COLOR_BTNHIGHLIGHT, palette), QPoint(1, 1));
        DrawEntryText(dc, r, rec, GetSysColor(COLOR_GRAYTEXT, palette));
    } else {
        DrawEntryText(dc, r, rec, face);
    }
}

void CMy_Menu_1::DrawFlat(const DRAWITEMSTRUCT* dis, const MenuItemRecord* rec, const QPalette& palette) {
    QPainter* dc = dis->hDC;
    const QRect& r = dis->rcItem;
    const QRect gutter(r.x(), r.y(), m_GlyphWidth + 5, r.height());
    const QColor highlight = GetSysColor(COLOR_HIGHLIGHT, palette);
    const bool disabled = (dis->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    bool selected = (dis->itemState & ODS_SELECTED) != 0;
    if (disabled && selected && !m_FlatHiliteGrayed)
        selected = false;

    if (rec->flags & MF_SEPARATOR) {
        dc->fillRect(r, GetSysColor(COLOR_MENU, palette));
        drawEtchedLine(dc, gutter.x() + gutter.width() + 4, r.x() + r.width(), r.y() + r.height() / 2,
                       palette);
        dc->fillRect(gutter, faceColor(palette));
        return;
    }
    if (!selected) {
        dc->fillRect(r, GetSysColor(COLOR_MENU, palette));
        dc->fillRect(gutter, faceColor(palette));
    } else {
        dc->fillRect(r, TintTowardWhite(highlight, 0.7));
        DrawTwoToneFrame(dc, r.x(), r.y(), r.width(), r.height(), highlight, highlight);
    }
    DrawEntryText(dc, r, rec, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_MENUTEXT, palette));
}

void CMy_Menu_1::DrawEntryText(QPainter* dc, const QRect& item, const MenuItemRecord* rec,
                               const QColor& color, QPoint shift) {
    if (rec->text.empty())
        return;
    const QString text = fromGbk(rec->text);
    const int left = item.x() + m_GlyphWidth + 9;
    QRect box(left, item.y() - 1, item.x() + item.width() - left, item.height());
    box.translate(shift);
    dc->setFont(GetMenuFont());
    dc->setPen(color);
    dc->setBackgroundMode(Qt::TransparentMode);
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    const auto tab = text.lastIndexOf(QLatin1Char('\t'));
    if (tab < 0) {
        dc->drawText(box, flags | Qt::AlignLeft, text);
        return;
    }
    box.setRight(box.right() - m_GlyphWidth);
    dc->drawText(box, flags | Qt::AlignLeft, text.left(tab));
    dc->drawText(box, flags | Qt::AlignRight, text.mid(tab + 1));
}
