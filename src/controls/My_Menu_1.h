#pragma once
// The owner-drawn context menu of the lists. A root object is built from a menu template; every entry
// inside its popups is measured and drawn by MeasureItem/DrawItem, in a classic or a flat look chosen from
// the face and menu colours (see MenuLook.h for how system colours map to the palette).
//
// In Qt terms: m_hMenu is a QMenu whose style routes each entry's size and painting to the root object's
// MeasureItem and DrawItem; the entry's item data is the address of its MenuItemRecord.
#include "controls/MenuLook.h"
#include "platform/gui/MenuTemplate.h"

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QObject;
class QPainter;
class QWidget;

extern int g_OsKind;             // 3 on our platforms ("new shell"); set by InitOsKind() at start-up
int InitOsKind();                // computes, stores and returns g_OsKind
QString GetWindowsVersionText(); // a text describing the running system

// Each channel moved the fraction f of the way to 255; f above 1 leaves the colour as it is, f below 0
// is taken as 0.
QColor TintTowardWhite(QColor c, double f);
// A one-pixel frame: top and left in topLeft, right and bottom in bottomRight. Nothing for an empty size.
void DrawTwoToneFrame(QPainter* dc, int x, int y, int w, int h, QColor topLeft, QColor bottomRight);

// Conversions between the system code page (GBK) and UTF-16, limited to 1023 units and never splitting a
// character; both return 1.
int ToNarrow(const QString& wide, std::string& narrow);
int ToWide(const std::string& narrow, QString& wide);

struct MEASUREITEMSTRUCT {
    quintptr itemData;
    int itemWidth;
    int itemHeight;
};
struct DRAWITEMSTRUCT {
    quintptr itemData;
    unsigned itemState;
    QPainter* hDC;
    QRect rcItem;
    QMenu* hwndItem;
    int itemID;
};
constexpr unsigned ODS_SELECTED = 0x1, ODS_GRAYED = 0x2, ODS_DISABLED = 0x4;

// One entry appended by AppendItem; owned by the menu object whose m_Items holds it.
struct MenuItemRecord {
    std::string text;          // GBK; what is drawn; may hold a tab before an accelerator text
    QString wideText;          // the same text; what is measured
    unsigned flags = 0;        // as appended (owner-drawn, separator, popup, grayed ...)
    quintptr id = 0;           // command id, or for a popup the address of its CMy_Menu_1
    QAction* action = nullptr; // the entry in the QMenu
};

class CMy_Menu_1 {
public:
    CMy_Menu_1();
    virtual ~CMy_Menu_1();
    CMy_Menu_1(const CMy_Menu_1&) = delete;
    CMy_Menu_1& operator=(const CMy_Menu_1&) = delete;

    QObject* m_hInstance = nullptr; // module whose resources are read (null: the program's)
    QWidget* m_hOwner = nullptr;    // the owner window (the list); lends its font metrics
    QMenu* m_hMenu = nullptr;       // the menu this object stands for

    std::vector<MenuItemRecord*> m_Items;  // one per entry of m_hMenu, in order; owned
    std::vector<CMy_Menu_1*> m_OwnedMenus; // the popups directly inside m_hMenu; owned
    std::vector<CMy_Menu_1*> m_Lookup;     // the same popups, searched by LookupByHandle
    int m_GlyphWidth = 16;
    int m_GlyphHeight = 16;
    int m_StyleIfSameColors = 0; // look when face == menu colour: 1 flat, else classic
    int m_StyleIfDiffColors = 1; // look when they differ: 1 flat, else classic
    bool m_ClassicHiliteGrayed = true;
    bool m_FlatHiliteGrayed = false;

    // 1 built, 0 not. Resource id 0 shows "Err: A074"; a missing or malformed template returns 0 quietly.
    int LoadFromResource(int resourceId);
    // The same from template bytes in hand.
    int LoadFromTemplate(const QByteArray& bytes);
    CMy_Menu_1* LookupByHandle(QMenu* menu) const;    // a popup object of this menu, or null
    QMenu* GetSubMenu(int position) const;            // the popup at that position of m_hMenu, or null
    void EnableMenuItem(int commandId, bool enabled); // anywhere in the tree
    // Shows this popup at a screen position, modal; returns the chosen command id or 0.
    int TrackPopupMenu(const QPoint& globalPos);

    virtual void DestroyAll();
    virtual void DrawItem(const DRAWITEMSTRUCT* dis);
    virtual void MeasureItem(MEASUREITEMSTRUCT* mis);
    void AppendItem(const QString& wideText, unsigned flags, quintptr idOrPopup);
    // Puts a command entry right after the entry of commandId in this menu; false when there is none.
    bool InsertItemAfter(int commandId, const QString& wideText, int newId);
    void AlignAccelerators();

    // The record behind an entry of one of these menus, or null.
    static MenuItemRecord* RecordOf(const QAction* action);

private:
    // Creates m_hMenu when missing; its entries' requests go to receiver (null: this object).
    void EnsureMenu(CMy_Menu_1* receiver = nullptr);
    void InsertItemAt(std::size_t index, const QString& wideText, unsigned flags, quintptr idOrPopup);
    void BuildLevel(const std::vector<MenuTemplateItem>& items, CMy_Menu_1* root);
    bool IsFlatLook(const QPalette& palette) const;
    void DrawClassic(const DRAWITEMSTRUCT* dis, const MenuItemRecord* rec, const QPalette& palette);
    void DrawFlat(const DRAWITEMSTRUCT* dis, const MenuItemRecord* rec, const QPalette& palette);
    void DrawEntryText(QPainter* dc, const QRect& item, const MenuItemRecord* rec, const QColor& color,
                       QPoint shift = QPoint());
};

// Shows "Err: A0735" for a missing object, else loads into it.
int LoadFromResource(CMy_Menu_1* menu, int resourceId);

// Tests and headless runs: when set, TrackPopupMenu asks it for the chosen entry (null: none) instead of
// showing the menu. Returns the previous responder; an empty one restores real menus.
using TrackPopupResponder = std::function<QAction*(QMenu*)>;
TrackPopupResponder SetTrackPopupResponder(TrackPopupResponder responder);
