#include "platform/gui/DataExchange.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>

TEST(DataExchange, NumbersReadLikeScanfAndWriteLikePrintfG15) {
    double v = -1;
    EXPECT_TRUE(scanDouble(QStringLiteral("  15abc"), v));
    EXPECT_EQ(v, 15.0);
    EXPECT_TRUE(scanDouble(QStringLiteral("-0.4mm"), v));
    EXPECT_EQ(v, -0.4);
    EXPECT_TRUE(scanDouble(QStringLiteral("+2e1"), v));
    EXPECT_EQ(v, 20.0);
    // Out of range: too small reads as 0, too large as infinity.
    EXPECT_TRUE(scanDouble(QStringLiteral("1e-400"), v));
    EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(scanDouble(QStringLiteral("-1e400"), v));
    EXPECT_EQ(v, -HUGE_VAL);
    const QString zeros(400, u'0');
    const struct {
        QString text;
        double value;
    } outOfRange[] = {{"0." + zeros + "1", 0.0},       {"-0." + zeros + "1mm", -0.0},
                      {"1" + zeros + ".5", HUGE_VAL},  {"0." + zeros + "1e-9", 0.0},
                      {"1" + zeros + "e-5", HUGE_VAL}, {"0.1e-99999999999999", 0.0},
                      {"1" + zeros + "e-999", 0.0}};
    for (const auto& c : outOfRange) {
        EXPECT_TRUE(scanDouble(c.text, v)) << c.text.left(12).toStdString();
        EXPECT_EQ(v, c.value) << c.text.left(12).toStdString();
    }
    EXPECT_FALSE(scanDouble(QStringLiteral(""), v));
    EXPECT_FALSE(scanDouble(QStringLiteral("mm"), v));
    EXPECT_FALSE(scanDouble(QStringLiteral("- 1"), v));
    EXPECT_FALSE(scanDouble(QStringLiteral("高度"), v));
    EXPECT_EQ(formatDouble15(15.0), QStringLiteral("15"));
    EXPECT_EQ(formatDouble15(0.4), QStringLiteral("0.4"));
    EXPECT_EQ(formatDouble15(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(formatDouble15(1e20), QStringLiteral("1e+20"));
    int i = 0;
    EXPECT_TRUE(scanInt(QStringLiteral(" 42x"), i));
    EXPECT_EQ(i, 42);
    EXPECT_TRUE(scanInt(QStringLiteral("99999999999"), i));
    EXPECT_EQ(i, 2147483647);
    EXPECT_FALSE(scanInt(QStringLiteral("x"), i));
}

TEST(DataExchange, BothDirectionsAndAFailureAbandonsTheRest) {
    MessageBoxRecorder boxes;
    QWidget dlg;
    auto* height = new QLineEdit(&dlg);
    auto* width = new QLineEdit(&dlg);
    auto* text = new QLineEdit(&dlg);
    double h = 15.0, w = 0.4;
    QString t = QStringLiteral("123456");
    {
        CDataExchange dx(&dlg, false);
        DDX_Text(dx, height, h);
        DDX_Text(dx, width, w);
        DDX_Text(dx, text, t);
    }
    EXPECT_EQ(height->text(), QStringLiteral("15"));
    EXPECT_EQ(width->text(), QStringLiteral("0.4"));
    EXPECT_EQ(text->text(), QStringLiteral("123456"));

    height->setText(QStringLiteral("20"));
    width->setText(QStringLiteral("wide"));
    text->setText(QStringLiteral("7"));
    CDataExchange dx(&dlg, true);
    DDX_Text(dx, height, h);
    DDX_Text(dx, width, w);
    DDX_Text(dx, text, t);
    EXPECT_TRUE(dx.m_bFailed);
    EXPECT_EQ(h, 20.0);                     // read before the failing edit
    EXPECT_EQ(w, 0.4);                      // unchanged
    EXPECT_EQ(t, QStringLiteral("123456")); // the rest of the exchange is abandoned
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Enter a number."));
    EXPECT_EQ(boxes.last().caption, QStringLiteral("KIV"));
    EXPECT_EQ(boxes.last().type & 0xF0, MB_ICONEXCLAMATION);
    EXPECT_EQ(width->selectedText(), QStringLiteral("wide"));
}
