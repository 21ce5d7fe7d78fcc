// The link static: where it shows the hand cursor and what a click opens; the bitmap's sizes.
#include "controls/Statics.h"
#include "controls/SelfBitmap.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class Link : public ::testing::Test {
protected:
    void SetUp() override {
        m_Previous = CMy_Static_1::SetOpener([this](const QString& t) { opened.push_back(t); });
        parent.resize(400, 100);
        link = new CMy_Static_1(QStringLiteral("support@kiv.example.org"), &parent);
        link->setGeometry(10, 10, 380, 30); // wider and taller than its text
        link->SetLinkTarget(QStringLiteral("mailto:support@kiv.example.org"));
        parent.show();
    }
    void TearDown() override { CMy_Static_1::SetOpener(m_Previous); }

    QWidget parent;
    CMy_Static_1* link = nullptr;
    std::vector<QString> opened;
    CMy_Static_1::Opener m_Previous;
};

TEST_F(Link, ClickOnTheTextOpensTheTargetAndBesideItNothing) {
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QStringLiteral("mailto:support@kiv.example.org"));
    ASSERT_TRUE(link->IsMeasured());
    EXPECT_LT(link->TextWidth(), 370);
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(link->TextWidth() + 5, 2));
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, link->TextHeight() + 2));
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(Link, HandCursorOnlyOverTheTextAfterTheFirstMove) {
    QTest::mouseMove(link, QPoint(3, 3));
    EXPECT_NE(link->cursor().shape(), Qt::PointingHandCursor); // the first move only starts tracking
    QTest::mouseMove(link, QPoint(4, 4));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(link, QPoint(link->TextWidth() + 20, 4));
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(Link, TextIsTakenOnceWhenMade) {
    link->setText(QStringLiteral("other"));
    EXPECT_EQ(link->DisplayedText(), QStringLiteral("support@kiv.example.org"));
}

TEST(LinkWithoutParent, IsNeverMeasuredAndOpensNothing) {
    std::vector<QString> opened;
    auto previous = CMy_Static_1::SetOpener([&](const QString& t) { opened.push_back(t); });
    CMy_Static_1 link(QStringLiteral("https://kiv.example.org/"));
    link.SetLinkTarget(QStringLiteral("https://kiv.example.org/"));
    link.resize(200, 20);
    link.show();
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_FALSE(link.IsMeasured());
    EXPECT_TRUE(opened.empty());
    CMy_Static_1::SetOpener(previous);
}

TEST(SelfBitmap, RecordsItsSizeOrZeroWhenItCannotBeMade) {
    QWidget device;
    CSelfBitmap bitmap;
    EXPECT_TRUE(bitmap.CreateCompatible(&device, 40, 30));
    EXPECT_EQ(bitmap.m_Width, 40);
    EXPECT_EQ(bitmap.m_Height, 30);
    EXPECT_FALSE(bitmap.IsNull());
    EXPECT_FALSE(bitmap.CreateCompatible(&device, 0, 30));
    EXPECT_EQ(bitmap.m_Width, 0);
    EXPECT_EQ(bitmap.m_Height, 0);
    EXPECT_TRUE(bitmap.IsNull());
    bitmap.SetPalette({qRgb(1, 2, 3)});
    bitmap.DeleteObject();
    EXPECT_EQ(bitmap.Palette(), nullptr);
}

} // namespace
