#include "support/TestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(MessageBox, ResponderSeesTextCaptionButtonsAndAnswers) {
    MessageBoxRecorder rec;
    rec.answer(IDNO);
    EXPECT_EQ(messageBox(QStringLiteral("确认删除所有声音记录? "), QString(), MB_YESNO), IDNO);
    EXPECT_EQ(messageBox(QStringLiteral("StartDoc error")), IDOK); // fallback answer
    EXPECT_EQ(appMessageBox(QStringLiteral("请选择编码方式")), IDOK);
    ASSERT_EQ(rec.count(), 3u);
    EXPECT_EQ(rec.calls()[0].text, QStringLiteral("确认删除所有声音记录? "));
    EXPECT_EQ(rec.calls()[0].caption, QStringLiteral("错误"));
    EXPECT_EQ(rec.calls()[0].type, MB_YESNO);
    EXPECT_EQ(rec.calls()[1].caption, QStringLiteral("错误"));
    EXPECT_EQ(rec.calls()[2].caption, QStringLiteral("KIV"));
    EXPECT_EQ(messageBox(QStringLiteral("x"), QStringLiteral("打印条码"), MB_YESNO), IDOK);
    EXPECT_EQ(rec.last().caption, QStringLiteral("打印条码"));
}

namespace {
// Presses the button with the given text on the next message box that opens.
void pressWhenShown(const QString& text) {
    QTimer::singleShot(0, [text] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible())
                continue;
            for (QAbstractButton* b : box->buttons())
                if (b->text() == text) {
                    b->click();
                    return;
                }
        }
        pressWhenShown(text); // not open yet
    });
}
} // namespace

TEST(MessageBox, RealBoxHasChineseButtonsThatMapToTheClassicResults) {
    pressWhenShown(QStringLiteral("否(&N)"));
    EXPECT_EQ(messageBox(QStringLiteral("是否替换？"), QString(), MB_YESNO), IDNO);
    pressWhenShown(QStringLiteral("是(&Y)"));
    EXPECT_EQ(messageBox(QStringLiteral("是否替换？"), QString(), MB_YESNO), IDYES);
    pressWhenShown(QStringLiteral("确定"));
    EXPECT_EQ(messageBox(QStringLiteral("error #01")), IDOK);
}
