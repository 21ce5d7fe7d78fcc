#include "platform/gui/DialogTemplate.h"
#include "platform/gui/Dialog.h"

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

TEST(DialogTemplate, ParsesControlsWithQuotesAndStyles) {
    DialogTemplate t;
    QString error;
    ASSERT_TRUE(parseDialogTemplate(R"(# comment
DIALOG 7 100 50
CAPTION "Say \"hi\""
FONT 8 "MS Shell Dlg"
STYLE POPUP|CAPTION
CONTROL 1 Button "OK" DEFPUSHBUTTON 1 2 3 4
CONTROL -1 Static "a b  c" - 5 6 7 8
)",
                                    t, &error))
        << error.toStdString();
    EXPECT_EQ(t.id, 7);
    EXPECT_EQ(t.size, QSize(100, 50));
    EXPECT_EQ(t.caption, QStringLiteral("Say \"hi\""));
    EXPECT_TRUE(t.hasStyle("CAPTION"));
    ASSERT_EQ(t.controls.size(), 2u);
    EXPECT_TRUE(t.controls[0].hasStyle("DEFPUSHBUTTON"));
    EXPECT_EQ(t.controls[0].rect, QRect(1, 2, 3, 4));
    EXPECT_EQ(t.controls[1].id, -1);
    EXPECT_EQ(t.controls[1].text, QStringLiteral("a b  c"));
    EXPECT_TRUE(t.controls[1].styles.isEmpty());
}

TEST(DialogTemplate, RefusesMalformedTemplates) {
    DialogTemplate t;
    QString error;
    EXPECT_FALSE(parseDialogTemplate("CAPTION \"x\"\n", t, &error)); // no DIALOG line
    EXPECT_FALSE(parseDialogTemplate("DIALOG 1 2\n", t, &error));
    EXPECT_FALSE(parseDialogTemplate("DIALOG 1 2 3\nCONTROL 1 Button \"x\n", t, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("line 2")));
    EXPECT_FALSE(parseDialogTemplate("DIALOG 1 2 3\nCONTROL x Button \"\" - 1 2 3 4\n", t, &error));
    EXPECT_FALSE(parseDialogTemplate("DIALOG 1 2 3\nBOGUS\n", t, &error));
}

TEST(DialogTemplate, EveryTemplateOfTheProgramLoads) {
    for (int id : {100, 102, 129, 132, 133}) {
        DialogTemplate t;
        QString error;
        ASSERT_TRUE(loadDialogTemplate(id, t, &error)) << id << ": " << error.toStdString();
        EXPECT_EQ(t.id, id);
        EXPECT_FALSE(t.controls.empty());
    }
    DialogTemplate main;
    ASSERT_TRUE(loadDialogTemplate(102, main));
    EXPECT_EQ(main.size, QSize(504, 294));
    ASSERT_NE(main.control(1006), nullptr);
    EXPECT_EQ(main.control(1006)->className, QStringLiteral("SysListView32"));
    EXPECT_EQ(main.control(1006)->rect, QRect(7, 34, 490, 179));
    EXPECT_EQ(main.control(1013)->text, QStringLiteral("查找\"内容\"的关键字:"));
    EXPECT_TRUE(main.control(1002)->hasStyle("DISABLED"));
    EXPECT_TRUE(main.control(1)->hasStyle("HIDDEN"));
    DialogTemplate missing;
    EXPECT_FALSE(loadDialogTemplate(4242, missing));
}

TEST(DialogTemplate, DialogUnitsFollowTheFontAsThePlatformComputesThem) {
    const QFont font = dialogFont();
    EXPECT_TRUE(QFontInfo(font).family().contains(QStringLiteral("WenQuanYi")))
        << QFontInfo(font).family().toStdString();
    QFontMetrics fm(font);
    const DialogBaseUnits u = dialogBaseUnits(font);
    const int avg =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(u.x, (avg / 26 + 1) / 2);
    EXPECT_EQ(u.y, fm.height());
    EXPECT_GT(u.x, 3);
    // x: 4 dialog units per base unit, y: 8.
    const DialogBaseUnits fixed{6, 13};
    EXPECT_EQ(dialogUnitsToPixels(QRect(7, 34, 490, 179), fixed), QRect(11, 55, 735, 291));
    EXPECT_EQ(dialogUnitsToPixels(QSize(504, 294), fixed), QSize(756, 478));
}

TEST(DialogTemplate, BuilderMakesControlsAtTheirPlacesAndHonoursFactories) {
    DialogTemplate t;
    ASSERT_TRUE(loadDialogTemplate(102, t));
    QWidget dlg;
    CDialogBuilder builder;
    builder.setFactory(1005, [](const DialogControl&, QWidget* parent) { return new QComboBox(parent); });
    builder.build(&dlg, t);
    const DialogBaseUnits u = dialogBaseUnits(dlg.font());
    auto* search = qobject_cast<QPushButton*>(controlById(&dlg, 1000));
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->text(), QStringLiteral("查找(&F)"));
    EXPECT_EQ(search->geometry(), dialogUnitsToPixels(QRect(459, 7, 38, 17), u));
    EXPECT_EQ(controlId(search), 1000);
    EXPECT_NE(qobject_cast<QComboBox*>(controlById(&dlg, 1005)), nullptr);
    EXPECT_NE(qobject_cast<QTableView*>(controlById(&dlg, 1006)), nullptr);
    EXPECT_FALSE(controlById(&dlg, 1002)->isEnabled());
    EXPECT_TRUE(controlById(&dlg, 1001)->isEnabled());
    EXPECT_TRUE(controlById(&dlg, 1)->isHidden());
    EXPECT_EQ(dlg.size(), dialogUnitsToPixels(QSize(504, 294), u));
    EXPECT_EQ(controlById(&dlg, 4242), nullptr);
}

namespace {
class CommandDialog : public CDialog {
public:
    CommandDialog() : CDialog(129) {}
    std::vector<int> commands;
    bool inited = false;

protected:
    bool OnInitDialog() override {
        inited = true;
        return true;
    }
    bool OnCommand(int id) override {
        commands.push_back(id);
        return id != 1; // OK goes on to OnOK
    }
};
} // namespace

TEST(Dialog, ButtonsRouteToCommandsOkAndCancel) {
    CommandDialog d;
    ASSERT_TRUE(d.Create());
    EXPECT_TRUE(d.inited);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("设置"));
    qobject_cast<QPushButton*>(d.GetDlgItem(1000))->click();
    EXPECT_EQ(d.commands, std::vector<int>{1000});
    d.show();
    qobject_cast<QPushButton*>(d.GetDlgItem(1))->click();
    EXPECT_EQ(d.result(), 1);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(loadString(103), QStringLiteral("Windows sockets initialization failed."));
    EXPECT_EQ(loadString(101), QStringLiteral("&About KIV..."));
    EXPECT_TRUE(loadString(9999).isEmpty());
}
