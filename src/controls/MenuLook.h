#pragma once
// What the owner-drawn menus ask of the desktop: system colours, the menu font and the menu-bar height.
//
// The system colours are one fixed mapping to QPalette roles of the palette in use (the menu widget's when
// there is one, else the application's palette for QMenu). Active group unless noted:
//   COLOR_MENU          -> Window
//   COLOR_MENUTEXT      -> WindowText
//   COLOR_BTNFACE       -> Button
//   COLOR_BTNHIGHLIGHT  -> Light
//   COLOR_BTNSHADOW     -> Dark
//   COLOR_HIGHLIGHT     -> Highlight
//   COLOR_HIGHLIGHTTEXT -> HighlightedText
//   COLOR_GRAYTEXT      -> Text of the Disabled group
#include <QColor>
#include <QFont>

class QPalette;
class QWidget;

constexpr int COLOR_MENU = 4;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNHIGHLIGHT = 20;

// The palette the menu colours come from: the widget's, or the application's palette for menus.
QPalette menuPalette(const QWidget* menu);
// A system colour from a palette; an unknown index gives black.
QColor GetSysColor(int index, const QPalette& palette);
QColor GetSysColor(int index, const QWidget* menu = nullptr);

// The font of every menu entry.
QFont GetMenuFont();
// The height of one row of a menu bar in the current style and menu font.
int GetMenuBarHeight();
