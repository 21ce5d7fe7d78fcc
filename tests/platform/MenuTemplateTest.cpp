// The menu-template parser on hand-made bytes, truncated and random input, and the program's own templates.
#include "platform/gui/MenuTemplate.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace {

void word(QByteArray& b, unsigned w) {
    b.append(char(w & 0xFF));
    b.append(char(w >> 8));
}
void text(QByteArray& b, const QString& s) {
    for (QChar c : s)
        word(b, c.unicode());
    word(b, 0);
}

// Parses a copy that ends exactly where the data ends, so a read past it is a sanitizer error.
bool parseExact(const QByteArray& bytes, MenuTemplate& out, QString* error = nullptr) {
    std::unique_ptr<char[]> copy(new char[std::max<qsizetype>(bytes.size(), 1)]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return parseMenuTemplate(QByteArray::fromRawData(copy.get(), bytes.size()), out, error);
}

// Popup "文件" { 5 "打开", separator, popup "More" { 7 "x" (grayed) }, 6 "退出" (end) }, 9 "Help" (end).
QByteArray handMade() {
    QByteArray b;
    word(b, 0);
    word(b, 0);
    word(b, MF_POPUP);
    text(b, QStringLiteral("文件"));
    word(b, 0);
    word(b, 5);
    text(b, QStringLiteral("打开"));
    word(b, 0);
    word(b, 0);
    text(b, QString());
    word(b, MF_POPUP);
    text(b, QStringLiteral("More"));
    word(b, MF_END | MF_GRAYED);
    word(b, 7);
    text(b, QStringLiteral("x"));
    word(b, MF_END);
    word(b, 6);
    text(b, QStringLiteral("退出"));
    word(b, MF_END);
    word(b, 9);
    text(b, QStringLiteral("Help"));
    return b;
}

bool sameTree(const std::vector<MenuTemplateItem>& a, const std::vector<MenuTemplateItem>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].flags != b[i].flags || a[i].id != b[i].id || a[i].text != b[i].text ||
            !sameTree(a[i].children, b[i].children))
            return false;
    }
    return true;
}

QByteArray resourceBytes(int id) {
    QByteArray bytes;
    EXPECT_TRUE(loadMenuTemplate(id, bytes)) << id;
    return bytes;
}

} // namespace

TEST(MenuTemplateParser, ReadsNestedPopupsCommandsAndSeparators) {
    MenuTemplate m;
    QString error;
    ASSERT_TRUE(parseExact(handMade(), m, &error)) << error.toStdString();
    ASSERT_EQ(m.items.size(), 2u);
    const MenuTemplateItem& file = m.items[0];
    EXPECT_TRUE(file.isPopup());
    EXPECT_EQ(file.text, QStringLiteral("文件"));
    ASSERT_EQ(file.children.size(), 4u);
    EXPECT_EQ(file.children[0].id, 5);
    EXPECT_EQ(file.children[0].text, QStringLiteral("打开"));
    EXPECT_TRUE(file.children[1].isSeparator());
    EXPECT_TRUE(file.children[2].isPopup());
    ASSERT_EQ(file.children[2].children.size(), 1u);
    EXPECT_EQ(file.children[2].children[0].id, 7);
    EXPECT_EQ(file.children[2].children[0].flags, MF_GRAYED); // the end bit is not kept
    EXPECT_EQ(file.children[3].text, QStringLiteral("退出"));
    EXPECT_EQ(m.items[1].id, 9);
    EXPECT_FALSE(m.items[1].isPopup());
}

TEST(MenuTemplateParser, EntriesStartAfterTheHeaderOffsetAndTrailingBytesAreIgnored) {
    QByteArray b = handMade();
    b[2] = 4; // four bytes of padding before the entries
    b.insert(4, QByteArray(4, '\xFF'));
    b.append(QByteArray(3, '\x7F'));
    MenuTemplate m;
    ASSERT_TRUE(parseExact(b, m));
    MenuTemplate plain;
    ASSERT_TRUE(parseExact(handMade(), plain));
    EXPECT_TRUE(sameTree(m.items, plain.items));
}

TEST(MenuTemplateParser, EveryTruncationFailsCleanly) {
    const QByteArray full = handMade();
    for (qsizetype n = 0; n < full.size(); ++n) {
        MenuTemplate m;
        QString error;
        EXPECT_FALSE(parseExact(full.left(n), m, &error)) << "prefix of " << n << " bytes";
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(m.items.empty());
    }
}

TEST(MenuTemplateParser, RefusesOtherVersionsOffsetsPastTheEndAndDeepNesting) {
    MenuTemplate m;
    QByteArray v1 = handMade();
    v1[0] = 1;
    EXPECT_FALSE(parseExact(v1, m));

    QByteArray far = handMade();
    far[2] = char(0xFF);
    far[3] = char(0x7F);
    EXPECT_FALSE(parseExact(far, m));

    auto nested = [](int depth) {
        QByteArray b;
        word(b, 0);
        word(b, 0);
        for (int i = 0; i < depth; ++i) {
            word(b, MF_POPUP | MF_END);
            text(b, QStringLiteral("p"));
        }
        word(b, MF_END);
        word(b, 1);
        text(b, QStringLiteral("c"));
        return b;
    };
    EXPECT_TRUE(parseExact(nested(kMaxMenuDepth), m));
    EXPECT_FALSE(parseExact(nested(kMaxMenuDepth + 1), m));
    EXPECT_FALSE(parseExact(nested(5000), m));
}

TEST(MenuTemplateParser, RandomAndMutatedBytesNeverCrashAndWhatParsesReencodes) {
    std::mt19937 rng(20240607);
    const QByteArray seeds[] = {handMade(), resourceBytes(130), resourceBytes(134), resourceBytes(137)};
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray b;
        if (round % 2 == 0) {
            b.resize(std::uniform_int_distribution<int>(0, 96)(rng));
            for (char& c : b)
                c = char(rng() % 4 == 0 ? rng() & 0xFF : (rng() & 1 ? 0 : 0x80 | (rng() & 0x10)));
        } else {
            b = seeds[rng() % 4];
            const int flips = 1 + int(rng() % 4);
            for (int i = 0; i < flips; ++i)
                b[rng() % b.size()] = char(rng() & 0xFF);
            b.truncate(qsizetype(rng() % (b.size() + 1)));
        }
        MenuTemplate m;
        if (!parseExact(b, m))
            continue;
        ++parsed;
        MenuTemplate again;
        ASSERT_TRUE(parseExact(encodeMenuTemplate(m), again));
        ASSERT_TRUE(sameTree(m.items, again.items));
    }
    EXPECT_GT(parsed, 100); // the mutations reach the success path too
}

TEST(MenuTemplateParser, EncodingRoundTripsAndMatchesTheStoredTemplates) {
    MenuTemplate m;
    ASSERT_TRUE(parseExact(handMade(), m));
    EXPECT_EQ(encodeMenuTemplate(m), handMade());
    for (int id : {130, 134, 137}) {
        const QByteArray stored = resourceBytes(id);
        ASSERT_TRUE(parseExact(stored, m));
        EXPECT_EQ(encodeMenuTemplate(m), stored) << id;
    }
}

TEST(MenuTemplateResources, MainMenuBar130) {
    MenuTemplate m;
    ASSERT_TRUE(parseExact(resourceBytes(130), m));
    ASSERT_EQ(m.items.size(), 2u);
    EXPECT_EQ(m.items[0].text, QStringLiteral("设置"));
    ASSERT_EQ(m.items[0].children.size(), 2u);
    EXPECT_EQ(m.items[0].children[0].text, QStringLiteral("设置"));
    EXPECT_EQ(m.items[0].children[0].id, 32774);
    EXPECT_EQ(m.items[0].children[1].text, QStringLiteral("退出"));
    EXPECT_EQ(m.items[0].children[1].id, 32776);
    EXPECT_EQ(m.items[1].text, QStringLiteral("帮助"));
    ASSERT_EQ(m.items[1].children.size(), 1u);
    EXPECT_EQ(m.items[1].children[0].text, QStringLiteral("关于KIV点读簿"));
    EXPECT_EQ(m.items[1].children[0].id, 32773);
}

TEST(MenuTemplateResources, RecordListMenu134) {
    MenuTemplate m;
    ASSERT_TRUE(parseExact(resourceBytes(134), m));
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.items[0].text, QStringLiteral("View"));
    const std::vector<MenuTemplateItem>& e = m.items[0].children;
    ASSERT_EQ(e.size(), 8u);
    const int ids[] = {32779, 32780, 0, 32786, 0, 32792, 32782, 32788};
    const QString texts[] = {"播放", "停止", "", "打印条码", "", "重新录音", "删除", "删除全部"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(e[i].id, ids[i]) << i;
        EXPECT_EQ(e[i].text, texts[i]) << i;
        EXPECT_EQ(e[i].isSeparator(), ids[i] == 0) << i;
    }
}

TEST(MenuTemplateResources, LogListMenu137AndAMissingOne) {
    MenuTemplate m;
    ASSERT_TRUE(parseExact(resourceBytes(137), m));
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.items[0].text, QStringLiteral("Training"));
    ASSERT_EQ(m.items[0].children.size(), 1u);
    EXPECT_EQ(m.items[0].children[0].id, 32790);
    EXPECT_EQ(m.items[0].children[0].text, QStringLiteral("清空全部显示"));
    QByteArray none;
    EXPECT_FALSE(loadMenuTemplate(999, none));
}

TEST(MenuTemplateMenus, MenuBarActionsCarryTheirCommandIds) {
    MenuTemplate m;
    ASSERT_TRUE(parseExact(resourceBytes(130), m));
    QMenuBar bar;
    buildMenuBar(&bar, m);
    const QList<QAction*> top = bar.actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->text(), QStringLiteral("设置(&T)"));
    ASSERT_NE(top[0]->menu(), nullptr);
    const QList<QAction*> settings = top[0]->menu()->actions();
    ASSERT_EQ(settings.size(), 2);
    EXPECT_EQ(settings[0]->data().toInt(), 32774);
    EXPECT_EQ(settings[1]->data().toInt(), 32776);
    EXPECT_EQ(settings[1]->text(), QStringLiteral("退出(&X)"));
    ASSERT_NE(top[1]->menu(), nullptr);
    EXPECT_EQ(top[1]->menu()->actions().value(0)->data().toInt(), 32773);
}

TEST(MenuTemplateMenus, PlainPopupKeepsSeparatorsAndGreyedEntries) {
    MenuTemplate m;
    ASSERT_TRUE(parseExact(handMade(), m));
    std::unique_ptr<QMenu> menu(buildMenu(m.items[0]));
    const QList<QAction*> a = menu->actions();
    ASSERT_EQ(a.size(), 4);
    EXPECT_EQ(a[0]->data().toInt(), 5);
    EXPECT_TRUE(a[1]->isSeparator());
    ASSERT_NE(a[2]->menu(), nullptr);
    const QAction* greyed = a[2]->menu()->actions().value(0);
    EXPECT_EQ(greyed->data().toInt(), 7);
    EXPECT_FALSE(greyed->isEnabled());
    EXPECT_TRUE(a[3]->isEnabled());
}
