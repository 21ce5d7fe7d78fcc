#pragma once
// Menu templates: menus as data in res/, in the standard binary menu-template format, and plain Qt menus
// built from them.
#include <QByteArray>
#include <QString>
#include <vector>

class QMenu;
class QMenuBar;
class QWidget;

// Menu entry flags as the template and the menu routines use them.
constexpr unsigned MF_STRING = 0x0;
constexpr unsigned MF_BYCOMMAND = 0x0;
constexpr unsigned MF_GRAYED = 0x1;
constexpr unsigned MF_DISABLED = 0x2;
constexpr unsigned MF_CHECKED = 0x8;
constexpr unsigned MF_POPUP = 0x10;
constexpr unsigned MF_END = 0x80;
constexpr unsigned MF_OWNERDRAW = 0x100;
constexpr unsigned MF_BYPOSITION = 0x400;
constexpr unsigned MF_SEPARATOR = 0x800;

// Deepest nesting of popups a template may have; deeper ones are refused as malformed.
constexpr int kMaxMenuDepth = 16;

// One entry of a template. A popup has children and no id; a separator is a non-popup entry with id 0.
struct MenuTemplateItem {
    unsigned flags = 0; // as stored, without the end bit
    int id = 0;
    QString text;
    std::vector<MenuTemplateItem> children;

    bool isPopup() const { return (flags & MF_POPUP) != 0; }
    bool isSeparator() const { return !isPopup() && (id == 0 || (flags & MF_SEPARATOR) != 0); }
};

struct MenuTemplate {
    std::vector<MenuTemplateItem> items; // the top level
};

// Parses template bytes. False (and *error) on a truncated or malformed template; never reads past the end.
// Bytes after the last entry of the top level are ignored.
bool parseMenuTemplate(const QByteArray& bytes, MenuTemplate& out, QString* error = nullptr);
// The bytes of a template (version 0, offset 0); parseMenuTemplate gives the same tree back.
QByteArray encodeMenuTemplate(const MenuTemplate& menu);

// Reads template id from the program's resources (":/menus/<id>.bin"); false when there is none.
bool loadMenuTemplate(int id, QByteArray& bytes);

// Fills a menu bar with plain popups; every command's QAction::data() is its command id.
void buildMenuBar(QMenuBar* bar, const MenuTemplate& menu);
// Appends plain entries to a menu: commands (data() = id), separators, and popups as child menus.
void fillMenu(QMenu* menu, const std::vector<MenuTemplateItem>& items);
// A plain popup menu for one popup entry of a template, owned by parent.
QMenu* buildMenu(const MenuTemplateItem& popup, QWidget* parent = nullptr);
