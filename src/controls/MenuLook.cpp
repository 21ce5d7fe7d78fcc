#include "controls/MenuLook.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QWidget>

QPalette menuPalette(const QWidget* menu) {
    return menu ? menu->palette() : QApplication::palette("QMenu");
}

QColor GetSysColor(int index, const QPalette& palette) {
    switch (index) {
    case COLOR_MENU:
        return palette.color(QPalette::Active, QPalette::Window);
    case COLOR_MENUTEXT:
        return palette.color(QPalette::Active, QPalette::WindowText);
    case COLOR_HIGHLIGHT:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case COLOR_BTNFACE:
        return palette.color(QPalette::Active, QPalette::Button);
    case COLOR_BTNSHADOW:
        return palette.color(QPalette::Active, QPalette::Dark);
    case COLOR_GRAYTEXT:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case COLOR_BTNHIGHLIGHT:
        return palette.color(QPalette::Active, QPalette::Light);
    default:
        return QColor(0, 0, 0);
    }
}

QColor GetSysColor(int index, const QWidget* menu) {
    return GetSysColor(index, menuPalette(menu));
}

QFont GetMenuFont() {
    return QApplication::font("QMenu");
}

int GetMenuBarHeight() {
    // Computed as a menu bar lays out one entry: the style's item size plus the bar's margins and frame.
    QStyle* style = QApplication::style();
    const QFont font = GetMenuFont();
    const QFontMetrics fm(font);
    QStyleOptionMenuItem opt;
    opt.palette = QApplication::palette("QMenuBar");
    opt.fontMetrics = fm;
    opt.font = font;
    opt.menuItemType = QStyleOptionMenuItem::Normal;
    opt.text = QStringLiteral("X");
    const QSize text = fm.size(Qt::TextShowMnemonic, opt.text);
    const QSize item = style->sizeFromContents(QStyle::CT_MenuBarItem, &opt, text, nullptr);
    const int margins =
        style->pixelMetric(QStyle::PM_MenuBarVMargin) + style->pixelMetric(QStyle::PM_MenuBarPanelWidth);
    return item.height() + 2 * margins;
}
