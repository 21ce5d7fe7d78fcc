// The owner-drawn popup menu: building from templates, sizes, the two looks' colours, tracking, teardown.
#include "controls/My_Menu_1.h"
#include "platform/core/Gbk.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QColor kMenu(250, 240, 230);  // Window
const QColor kFace(200, 210, 220);  // Button
const QColor kText(10, 20, 30);     // WindowText
const QColor kHighlight(0, 0, 255); // Highlight
const QColor kHighlightText(255, 255, 0);
const QColor kGray(128, 64, 0);   // Disabled Text
const QColor kLight(0, 255, 128); // Light
const QColor kDark(90, 0, 90);    // Dark

// A palette with every colour the menu reads told apart; sameColors makes the face equal the menu colour.
QPalette menuTestPalette(bool sameColors) {
    QPalette p;
    p.setColor(QPalette::All, QPalette::Window, kMenu);
    p.setColor(QPalette::All, QPalette::Button, sameColors ? kMenu : kFace);
    p.setColor(QPalette::All, QPalette::WindowText, kText);
    p.setColor(QPalette::All, QPalette::Highlight, kHighlight);
    p.setColor(QPalette::All, QPalette::HighlightedText, kHighlightText);
    p.setColor(QPalette::Disabled, QPalette::Text, kGray);
    p.setColor(QPalette::All, QPalette::Light, kLight);
    p.setColor(QPalette::All, QPalette::Dark, kDark);
    return p;
}

int countColor(const QImage& img, const QColor& c, QRect area = QRect()) {
    if (area.isNull())
        area = img.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.pixelColor(x, y).rgb() == c.rgb();
    return n;
}

QColor at(const QImage& img, int x, int y) {
    return QColor(img.pixelColor(x, y).rgb());
}

// One entry drawn alone into an image through DrawItem.
struct Drawn {
    QImage image;
    QRect rect;
};
Drawn drawEntry(CMy_Menu_1& menu, MenuItemRecord* rec, unsigned state, QMenu* paletteSource) {
    Drawn d;
    d.rect = QRect(0, 0, 160, 24);
    d.image = QImage(d.rect.size(), QImage::Format_RGB32);
    d.image.fill(Qt::black);
    QPainter p(&d.image);
    DRAWITEMSTRUCT dis{quintptr(rec), state, &p, d.rect, paletteSource, int(rec->id)};
    menu.DrawItem(&dis);
    return d;
}

// A menu of its own: "播放", a separator, "删除全部"; palette set on its QMenu.
struct LooseMenu {
    CMy_Menu_1 menu;
    MenuItemRecord* play = nullptr;
    MenuItemRecord* separator = nullptr;
    MenuItemRecord* all = nullptr;
    explicit LooseMenu(bool sameColors) {
        menu.AppendItem(QStringLiteral("播放"), MF_STRING, 32779);
        menu.AppendItem(QString(), MF_STRING, 0);
        menu.AppendItem(QStringLiteral("删除全部"), MF_STRING, 32788);
        play = menu.m_Items[0];
        separator = menu.m_Items[1];
        all = menu.m_Items[2];
        menu.m_hMenu->setPalette(menuTestPalette(sameColors));
    }
};

} // namespace

// --- building ---

TEST(MenuBuild, RecordListMenuHasOnePopupOfEightEntriesTwoOfThemSeparators) {
    CMy_Menu_1 root;
    ASSERT_EQ(root.LoadFromResource(134), 1);
    ASSERT_EQ(root.m_Items.size(), 1u);
    EXPECT_EQ(root.m_Items[0]->flags, MF_POPUP | MF_BYPOSITION); // a plain entry, not owner-drawn
    EXPECT_EQ(root.m_Items[0]->wideText, QStringLiteral("View"));
    ASSERT_EQ(root.m_OwnedMenus.size(), 1u);

    CMy_Menu_1* popup = root.LookupByHandle(root.GetSubMenu(0));
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup, root.m_OwnedMenus[0]);
    ASSERT_EQ(popup->m_Items.size(), 8u);
    int separators = 0;
    for (const MenuItemRecord* rec : popup->m_Items) {
        EXPECT_TRUE(rec->flags & MF_OWNERDRAW);
        if (rec->flags & MF_SEPARATOR) {
            ++separators;
            EXPECT_EQ(rec->flags, MF_SEPARATOR | MF_OWNERDRAW);
        }
    }
    EXPECT_EQ(separators, 2);
    EXPECT_EQ(popup->m_Items[0]->id, 32779u);
    EXPECT_EQ(popup->m_Items[0]->text, std::string("\xB2\xA5\xB7\xC5(&P)")); // "播放(&P)" in GBK
    EXPECT_EQ(popup->m_Items[7]->wideText, QStringLiteral("删除全部(&A)"));
    // The QMenu holds the same entries, each pointing at its record.
    const QList<QAction*> actions = popup->m_hMenu->actions();
    ASSERT_EQ(actions.size(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(CMy_Menu_1::RecordOf(actions[i]), popup->m_Items[i]) << i;
    EXPECT_EQ(actions[3]->data().toInt(), 32786);
}

TEST(MenuBuild, LogListMenuAndMenuBarTemplateLoad) {
    CMy_Menu_1 log;
    ASSERT_EQ(log.LoadFromResource(137), 1);
    CMy_Menu_1* popup = log.LookupByHandle(log.GetSubMenu(0));
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->m_Items.size(), 1u);
    EXPECT_EQ(popup->m_Items[0]->id, 32790u);
    EXPECT_EQ(popup->m_Items[0]->wideText, QStringLiteral("清空全部显示(&C)"));

    CMy_Menu_1 bar;
    ASSERT_EQ(bar.LoadFromResource(130), 1);
    EXPECT_EQ(bar.m_OwnedMenus.size(), 2u);
    EXPECT_NE(bar.LookupByHandle(bar.GetSubMenu(1)), nullptr);
    EXPECT_EQ(bar.GetSubMenu(2), nullptr);
    EXPECT_EQ(bar.GetSubMenu(-1), nullptr);
}

TEST(MenuBuild, LookupByHandleFindsOnlyItsOwnPopups) {
    CMy_Menu_1 a, b;
    ASSERT_EQ(a.LoadFromResource(134), 1);
    ASSERT_EQ(b.LoadFromResource(137), 1);
    EXPECT_EQ(a.LookupByHandle(nullptr), nullptr);
    EXPECT_EQ(a.LookupByHandle(b.GetSubMenu(0)), nullptr);
    EXPECT_EQ(a.LookupByHandle(a.m_hMenu), nullptr);
}

TEST(MenuBuild, ErrorBoxesAndQuietFailures) {
    MessageBoxRecorder boxes;
    CMy_Menu_1 menu;
    EXPECT_EQ(menu.LoadFromResource(0), 0);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Err: A074"));
    EXPECT_EQ(boxes.last().caption, defaultCaption());

    EXPECT_EQ(LoadFromResource(nullptr, 134), 0);
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Err: A0735"));

    EXPECT_EQ(menu.LoadFromResource(999), 0); // no such template: no box
    QByteArray broken;
    ASSERT_TRUE(loadMenuTemplate(134, broken));
    broken.chop(3);
    EXPECT_EQ(menu.LoadFromTemplate(broken), 0);
    EXPECT_EQ(boxes.count(), 2u);
    EXPECT_TRUE(menu.m_Items.empty()); // nothing half-built
    EXPECT_EQ(LoadFromResource(&menu, 137), 1);
}

TEST(MenuBuild, DestroyAllReleasesMenusAndRecords) {
    CMy_Menu_1 root;
    ASSERT_EQ(root.LoadFromResource(134), 1);
    QPointer<QMenu> rootMenu = root.m_hMenu;
    QPointer<QMenu> popupMenu = root.GetSubMenu(0);
    root.DestroyAll();
    EXPECT_TRUE(rootMenu.isNull());
    EXPECT_TRUE(popupMenu.isNull());
    EXPECT_EQ(root.m_hMenu, nullptr);
    EXPECT_TRUE(root.m_Items.empty());
    EXPECT_TRUE(root.m_OwnedMenus.empty());
    EXPECT_TRUE(root.m_Lookup.empty());
    // Loading again after a teardown works.
    EXPECT_EQ(root.LoadFromResource(137), 1);
    EXPECT_NE(root.LookupByHandle(root.GetSubMenu(0)), nullptr);
}

TEST(MenuBuild, AppendItemFlags) {
    CMy_Menu_1 menu;
    menu.AppendItem(QStringLiteral("a"), MF_GRAYED, 5);
    menu.AppendItem(QStringLiteral("ignored"), MF_GRAYED | MF_BYPOSITION, 0);
    menu.AppendItem(QStringLiteral("b"), MF_POPUP, 0); // a popup without an object is a separator
    ASSERT_EQ(menu.m_Items.size(), 3u);
    EXPECT_EQ(menu.m_Items[0]->flags, MF_GRAYED | MF_OWNERDRAW);
    EXPECT_FALSE(menu.m_Items[0]->action->isEnabled());
    EXPECT_EQ(menu.m_Items[1]->flags, MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION);
    EXPECT_TRUE(menu.m_Items[1]->action->isSeparator());
    EXPECT_EQ(menu.m_Items[2]->flags, MF_SEPARATOR | MF_OWNERDRAW);
    EXPECT_TRUE(menu.m_OwnedMenus.empty());
}

TEST(MenuBuild, AlignAcceleratorsPadsLabelsToOneWidth) {
    CMy_Menu_1 menu;
    menu.AppendItem(QStringLiteral("Open\tCtrl+O"), MF_STRING, 1);
    menu.AppendItem(QStringLiteral("Delete everything\tShift+Del"), MF_STRING, 2);
    menu.AppendItem(QStringLiteral("Plain"), MF_STRING, 3);
    menu.AlignAccelerators();
    const QFontMetrics fm(GetMenuFont());
    const QString open = menu.m_Items[0]->wideText;
    const QString del = menu.m_Items[1]->wideText;
    ASSERT_TRUE(open.startsWith(QStringLiteral("Open ")));
    ASSERT_TRUE(open.endsWith(QStringLiteral("\tCtrl+O")));
    EXPECT_EQ(del, QStringLiteral("Delete everything \tShift+Del")); // the widest label gets one space
    const int target = fm.horizontalAdvance(QStringLiteral("Delete everything "));
    const QString openLabel = open.left(open.indexOf('\t'));
    EXPECT_GE(fm.horizontalAdvance(openLabel), target);
    EXPECT_LT(fm.horizontalAdvance(openLabel.chopped(1)), target); // no space more than needed
    EXPECT_EQ(menu.m_Items[2]->wideText, QStringLiteral("Plain"));
    EXPECT_EQ(menu.m_Items[0]->text, toGbk(open)); // both texts agree
    EXPECT_EQ(menu.m_Items[0]->action->text(), open);
}

TEST(MenuBuild, EnableMenuItemGreysEntriesAnywhereInTheTree) {
    CMy_Menu_1 root;
    ASSERT_EQ(root.LoadFromResource(134), 1);
    root.EnableMenuItem(32792, false);
    CMy_Menu_1* popup = root.LookupByHandle(root.GetSubMenu(0));
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(popup->m_Items[5]->action->isEnabled());
    EXPECT_TRUE(popup->m_Items[5]->flags & MF_GRAYED);
    EXPECT_TRUE(popup->m_Items[6]->action->isEnabled());
    root.EnableMenuItem(32792, true);
    EXPECT_TRUE(popup->m_Items[5]->action->isEnabled());
    EXPECT_FALSE(popup->m_Items[5]->flags & MF_GRAYED);
}

// --- sizes ---

TEST(MenuMeasure, MenuBarHeightIsARealMenuBarsRow) {
    QMenuBar bar;
    bar.setFont(GetMenuFont());
    bar.addMenu(QStringLiteral("设置"));
    EXPECT_EQ(GetMenuBarHeight(), bar.sizeHint().height());
}

TEST(MenuMeasure, SeparatorAndTextSizes) {
    LooseMenu m(false);
    MEASUREITEMSTRUCT sep{quintptr(m.separator), 99, 99};
    m.menu.MeasureItem(&sep);
    EXPECT_EQ(sep.itemWidth, 0);
    EXPECT_EQ(sep.itemHeight, GetMenuBarHeight() / 2);

    MEASUREITEMSTRUCT text{quintptr(m.all), 0, 0};
    m.menu.MeasureItem(&text);
    const int textWidth =
        QFontMetrics(GetMenuFont()).horizontalAdvance(QStringLiteral("删除全部(A)")); // as drawn
    EXPECT_GT(textWidth, 0);
    EXPECT_EQ(text.itemWidth, textWidth + 33);
    EXPECT_EQ(text.itemHeight, std::max(GetMenuBarHeight(), 20));

    m.menu.m_GlyphWidth = 20;
    m.menu.m_GlyphHeight = 100;
    m.menu.MeasureItem(&text);
    EXPECT_EQ(text.itemWidth, textWidth + 41);
    EXPECT_EQ(text.itemHeight, 104);

    MEASUREITEMSTRUCT none{0, 7, 7};
    m.menu.MeasureItem(&none); // no record: left unanswered
    EXPECT_EQ(none.itemWidth, 7);
}

TEST(MenuMeasure, TheShownMenuUsesMeasureItemForEveryEntry) {
    CMy_Menu_1 root;
    ASSERT_EQ(root.LoadFromResource(134), 1);
    CMy_Menu_1* popup = root.LookupByHandle(root.GetSubMenu(0));
    ASSERT_NE(popup, nullptr);
    QMenu* menu = popup->m_hMenu;
    menu->adjustSize();
    const QList<QAction*> actions = menu->actions();
    int widest = 0;
    for (const MenuItemRecord* rec : popup->m_Items) {
        MEASUREITEMSTRUCT mis{quintptr(rec), 0, 0};
        root.MeasureItem(&mis);
        widest = std::max(widest, mis.itemWidth);
    }
    for (int i = 0; i < actions.size(); ++i) {
        MEASUREITEMSTRUCT mis{quintptr(popup->m_Items[i]), 0, 0};
        root.MeasureItem(&mis);
        const QRect g = menu->actionGeometry(actions[i]);
        EXPECT_EQ(g.height(), mis.itemHeight) << i;
        EXPECT_EQ(g.width(), widest) << i;
    }
}

// --- colours ---

TEST(MenuColors, TintTowardWhite) {
    EXPECT_EQ(TintTowardWhite(QColor(0, 0, 255), 0.7), QColor(178, 178, 255));
    EXPECT_EQ(TintTowardWhite(QColor(10, 100, 200), 1.0), QColor(255, 255, 255));
    EXPECT_EQ(TintTowardWhite(QColor(10, 100, 200), 0.0), QColor(10, 100, 200));
    EXPECT_EQ(TintTowardWhite(QColor(10, 100, 200), 1.5), QColor(10, 100, 200));
    EXPECT_EQ(TintTowardWhite(QColor(10, 100, 200), -2.0), QColor(10, 100, 200));
    EXPECT_EQ(TintTowardWhite(QColor(0, 100, 255), 0.5), QColor(127, 177, 255));
}

TEST(MenuColors, TwoToneFrame) {
    QImage img(10, 8, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        DrawTwoToneFrame(&p, 1, 1, 6, 5, Qt::red, Qt::green);
        DrawTwoToneFrame(&p, 8, 0, 0, 5, Qt::red, Qt::red); // empty: nothing
    }
    EXPECT_EQ(at(img, 1, 1), QColor(Qt::red));
    EXPECT_EQ(at(img, 5, 1), QColor(Qt::red));   // top runs w - 1 wide
    EXPECT_EQ(at(img, 6, 1), QColor(Qt::green)); // right column, full height
    EXPECT_EQ(at(img, 1, 4), QColor(Qt::red));
    EXPECT_EQ(at(img, 1, 5), QColor(Qt::green)); // bottom row, full width
    EXPECT_EQ(at(img, 6, 5), QColor(Qt::green));
    EXPECT_EQ(at(img, 3, 3), QColor(Qt::black));
    EXPECT_EQ(at(img, 7, 1), QColor(Qt::black));
    EXPECT_EQ(at(img, 8, 0), QColor(Qt::black));
    EXPECT_EQ(countColor(img, Qt::red) + countColor(img, Qt::green), 2 * 6 + 2 * 5 - 4);
}

TEST(MenuColors, SystemColoursComeFromFixedPaletteRoles) {
    const QPalette p = menuTestPalette(false);
    EXPECT_EQ(GetSysColor(COLOR_MENU, p), kMenu);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE, p), kFace);
    EXPECT_EQ(GetSysColor(COLOR_MENUTEXT, p), kText);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT, p), kHighlight);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT, p), kHighlightText);
    EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT, p), kGray);
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT, p), kLight);
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW, p), kDark);
}

TEST(MenuColors, ClassicLookWhenFaceEqualsMenuColour) {
    LooseMenu m(true);
    QMenu* src = m.menu.m_hMenu;
    const int textX0 = 25;

    Drawn plain = drawEntry(m.menu, m.play, 0, src);
    EXPECT_EQ(at(plain.image, 2, 2), kMenu);
    EXPECT_GT(countColor(plain.image, kText), 0);
    EXPECT_EQ(countColor(plain.image, kText, QRect(0, 0, textX0, 24)), 0); // text starts after the glyph cell

    Drawn hot = drawEntry(m.menu, m.play, ODS_SELECTED, src);
    EXPECT_EQ(at(hot.image, 2, 2), kHighlight); // full-width bar
    EXPECT_EQ(at(hot.image, 159, 23), kHighlight);
    EXPECT_GT(countColor(hot.image, kHighlightText), 0);
    EXPECT_EQ(countColor(hot.image, kText), 0);

    // Disabled and under the pointer: still the bar, text in the face colour.
    Drawn hotGrey = drawEntry(m.menu, m.play, ODS_SELECTED | ODS_GRAYED | ODS_DISABLED, src);
    EXPECT_EQ(at(hotGrey.image, 2, 2), kHighlight);
    EXPECT_GT(countColor(hotGrey.image, kMenu, QRect(textX0, 0, 135, 24)), 0);
    EXPECT_EQ(countColor(hotGrey.image, kHighlightText), 0);

    // Disabled: engraved, light copy one pixel right and down, grey on top.
    Drawn grey = drawEntry(m.menu, m.play, ODS_GRAYED | ODS_DISABLED, src);
    EXPECT_EQ(at(grey.image, 2, 2), kMenu);
    EXPECT_GT(countColor(grey.image, kGray), 0);
    EXPECT_GT(countColor(grey.image, kLight), 0);
    EXPECT_EQ(countColor(grey.image, kText), 0);

    Drawn sep = drawEntry(m.menu, m.separator, 0, src);
    EXPECT_EQ(at(sep.image, 0, 12), kDark); // etched line across the whole width at half height
    EXPECT_EQ(at(sep.image, 159, 12), kDark);
    EXPECT_EQ(at(sep.image, 0, 13), kLight);
    EXPECT_EQ(at(sep.image, 0, 11), kMenu);
}

TEST(MenuColors, FlatLookWhenFaceDiffersFromMenuColour) {
    LooseMenu m(false);
    QMenu* src = m.menu.m_hMenu;
    const QColor tint = TintTowardWhite(kHighlight, 0.7);

    Drawn plain = drawEntry(m.menu, m.play, 0, src);
    EXPECT_EQ(at(plain.image, 0, 5), kFace); // gutter of 21 pixels
    EXPECT_EQ(at(plain.image, 20, 5), kFace);
    EXPECT_EQ(at(plain.image, 21, 5), kMenu);
    EXPECT_EQ(at(plain.image, 159, 5), kMenu);
    EXPECT_GT(countColor(plain.image, kText), 0);

    Drawn hot = drawEntry(m.menu, m.play, ODS_SELECTED, src);
    EXPECT_EQ(at(hot.image, 0, 0), kHighlight); // one-pixel border
    EXPECT_EQ(at(hot.image, 159, 23), kHighlight);
    EXPECT_EQ(at(hot.image, 0, 12), kHighlight);
    EXPECT_EQ(at(hot.image, 1, 1), tint); // light tint inside
    EXPECT_EQ(at(hot.image, 158, 22), tint);
    EXPECT_GT(countColor(hot.image, kText), 0); // normal menu text
    EXPECT_EQ(countColor(hot.image, kHighlightText), 0);

    // Disabled under the pointer: no highlight, grey text.
    Drawn hotGrey = drawEntry(m.menu, m.play, ODS_SELECTED | ODS_GRAYED, src);
    EXPECT_EQ(countColor(hotGrey.image, tint), 0);
    EXPECT_EQ(at(hotGrey.image, 0, 0), kFace);
    EXPECT_EQ(at(hotGrey.image, 30, 1), kMenu);
    EXPECT_GT(countColor(hotGrey.image, kGray), 0);
    EXPECT_EQ(countColor(hotGrey.image, kText), 0);
    EXPECT_EQ(countColor(hotGrey.image, kLight), 0); // not engraved

    Drawn sep = drawEntry(m.menu, m.separator, 0, src);
    EXPECT_EQ(at(sep.image, 5, 12), kFace);  // the gutter covers the line's start
    EXPECT_EQ(at(sep.image, 22, 12), kMenu); // the line starts 4 pixels after the gutter
    EXPECT_EQ(at(sep.image, 25, 12), kDark);
    EXPECT_EQ(at(sep.image, 159, 12), kDark);
    EXPECT_EQ(at(sep.image, 25, 13), kLight);
}

TEST(MenuColors, LookMembersAndOsKindSteerTheChoice) {
    LooseMenu same(true);
    same.menu.m_StyleIfSameColors = 1;
    EXPECT_EQ(at(drawEntry(same.menu, same.play, ODS_SELECTED, same.menu.m_hMenu).image, 1, 1),
              TintTowardWhite(kHighlight, 0.7));

    LooseMenu diff(false);
    diff.menu.m_StyleIfDiffColors = 0;
    EXPECT_EQ(at(drawEntry(diff.menu, diff.play, 0, diff.menu.m_hMenu).image, 2, 2), kFace); // classic face

    // Without the new shell the face is the menu colour itself, so the two never differ: classic.
    EXPECT_EQ(InitOsKind(), 3);
    g_OsKind = 2;
    LooseMenu old(false);
    Drawn d = drawEntry(old.menu, old.play, 0, old.menu.m_hMenu);
    g_OsKind = InitOsKind();
    EXPECT_EQ(at(d.image, 2, 2), kMenu);
    EXPECT_EQ(at(d.image, 30, 2), kMenu);
    EXPECT_EQ(g_OsKind, 3);
}

TEST(MenuColors, TheShownMenuIsDrawnByDrawItem) {
    CMy_Menu_1 root;
    ASSERT_EQ(root.LoadFromResource(134), 1);
    CMy_Menu_1* popup = root.LookupByHandle(root.GetSubMenu(0));
    ASSERT_NE(popup, nullptr);
    QMenu* menu = popup->m_hMenu;
    QAction* play = menu->actions().value(0);
    QAction* stop = menu->actions().value(1);

    for (bool sameColors : {true, false}) {
        menu->setPalette(menuTestPalette(sameColors));
        root.EnableMenuItem(32779, true);
        menu->adjustSize();
        menu->setActiveAction(play);
        QImage img = menu->grab().toImage();
        const QRect p = menu->actionGeometry(play);
        const QRect s = menu->actionGeometry(stop);
        if (sameColors) {
            EXPECT_EQ(at(img, p.x() + 2, p.y() + 2), kHighlight);
            EXPECT_GT(countColor(img, kHighlightText, p), 0);
            EXPECT_EQ(at(img, s.x() + 2, s.y() + 2), kMenu);
        } else {
            EXPECT_EQ(at(img, p.x(), p.y()), kHighlight);
            EXPECT_EQ(at(img, p.x() + 2, p.y() + 2), TintTowardWhite(kHighlight, 0.7));
            EXPECT_EQ(at(img, s.x() + 2, s.y() + 2), kFace);
        }
        // Greyed and under the pointer: the classic bar stays, the flat look drops it.
        root.EnableMenuItem(32779, false);
        menu->setActiveAction(play);
        EXPECT_EQ(menu->activeAction(), play);
        img = menu->grab().toImage();
        EXPECT_EQ(at(img, p.x() + 2, p.y() + 2), sameColors ? kHighlight : kFace);
        EXPECT_GT(countColor(img, sameColors ? kMenu : kGray, p.adjusted(25, 0, 0, 0)), 0);
    }
}

// --- tracking ---

TEST(MenuTrack, ResponderPicksAnEntryAndGreyedOnesReturnNothing) {
    CMy_Menu_1 root;
    ASSERT_EQ(root.LoadFromResource(134), 1);
    CMy_Menu_1* popup = root.LookupByHandle(root.GetSubMenu(0));
    ASSERT_NE(popup, nullptr);
    int index = 0;
    QMenu* shown = nullptr;
    auto previous = SetTrackPopupResponder([&](QMenu* m) {
        shown = m;
        return m->actions().value(index);
    });
    EXPECT_EQ(popup->TrackPopupMenu(QPoint(10, 10)), 32779);
    EXPECT_EQ(shown, popup->m_hMenu);
    index = 7;
    EXPECT_EQ(popup->TrackPopupMenu(QPoint(10, 10)), 32788);
    index = 2; // a separator
    EXPECT_EQ(popup->TrackPopupMenu(QPoint(10, 10)), 0);
    index = 99; // nothing chosen
    EXPECT_EQ(popup->TrackPopupMenu(QPoint(10, 10)), 0);
    root.EnableMenuItem(32779, false);
    index = 0;
    EXPECT_EQ(popup->TrackPopupMenu(QPoint(10, 10)), 0);
    SetTrackPopupResponder(previous);
}

TEST(MenuTrack, KeyboardChoiceInTheShownMenu) {
    CMy_Menu_1 root;
    ASSERT_EQ(root.LoadFromResource(134), 1);
    CMy_Menu_1* popup = root.LookupByHandle(root.GetSubMenu(0));
    ASSERT_NE(popup, nullptr);
    QMenu* menu = popup->m_hMenu;
    bool pressed = false;
    QTimer driver;
    driver.setInterval(10);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (pressed || !menu->isVisible())
            return;
        pressed = true;
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTimer::singleShot(5000, menu, &QMenu::close); // never hang the run
    driver.start();
    EXPECT_EQ(popup->TrackPopupMenu(QPoint(20, 20)), 32780);
    EXPECT_TRUE(pressed);
}

TEST(MenuTrack, EscapeChoosesNothing) {
    CMy_Menu_1 root;
    ASSERT_EQ(root.LoadFromResource(137), 1);
    CMy_Menu_1* popup = root.LookupByHandle(root.GetSubMenu(0));
    ASSERT_NE(popup, nullptr);
    QMenu* menu = popup->m_hMenu;
    QTimer driver;
    driver.setInterval(10);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (menu->isVisible())
            QTest::keyClick(menu, Qt::Key_Escape);
    });
    QTimer::singleShot(5000, menu, &QMenu::close);
    driver.start();
    EXPECT_EQ(popup->TrackPopupMenu(QPoint(20, 20)), 0);
}

// --- small routines ---

TEST(MenuHelpers, VersionTextAndCodePageConversions) {
    const QString version = GetWindowsVersionText();
    EXPECT_FALSE(version.isEmpty());
    EXPECT_NE(version, QStringLiteral("Error!"));
    EXPECT_TRUE(version.contains(QSysInfo::kernelVersion()));

    std::string narrow;
    EXPECT_EQ(ToNarrow(QStringLiteral("播放\tF5"), narrow), 1);
    EXPECT_EQ(narrow, std::string("\xB2\xA5\xB7\xC5\tF5"));
    QString wide;
    EXPECT_EQ(ToWide(narrow, wide), 1);
    EXPECT_EQ(wide, QStringLiteral("播放\tF5"));

    // Long texts stop at 1023 units without splitting a character.
    ToNarrow(QString(600, QChar(0x64AD)), narrow);
    EXPECT_EQ(narrow.size(), 1022u);
    ToWide(std::string(2000, 'a'), wide);
    EXPECT_EQ(wide.size(), 1023);
}
