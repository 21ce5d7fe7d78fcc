// The barcode settings dialog, offscreen: what it shows, what "保存" stores and writes, the test text's
// range, and the test print of all four types.
#include "barcode/Options.h"
#include "app/Folders.h"
#include "app/Settings.h"
#include "barcode/SharedPrintDialog.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class Options : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramFolder = m_Folder.path();
        SettingsPath = m_Folder.file("KIV.ini");
        BarcodeSettings = {3, 15.0, 0.4};
        m_Print.SetOutputFile(QString::fromStdString(m_Folder.file("test-%n.pdf")));
        ASSERT_TRUE(m_Dlg.Create());
        m_Dlg.show();
        combo = qobject_cast<QComboBox*>(m_Dlg.GetDlgItem(1004));
        height = qobject_cast<QLineEdit*>(m_Dlg.GetDlgItem(1005));
        width = qobject_cast<QLineEdit*>(m_Dlg.GetDlgItem(1006));
        text = qobject_cast<QLineEdit*>(m_Dlg.GetDlgItem(1007));
        ASSERT_TRUE(combo && height && width && text);
    }
    void TearDown() override {
        SettingsPath.clear();
        ProgramFolder.clear();
    }
    void press(int id) { qobject_cast<QPushButton*>(m_Dlg.GetDlgItem(id))->click(); }
    bool iniWritten() const { return std::filesystem::exists(SettingsPath); }

    TempFolder m_Folder;
    MessageBoxRecorder m_Boxes;
    CSharedPrintDialog m_Print;
    COptions m_Dlg;
    QComboBox* combo = nullptr;
    QLineEdit *height = nullptr, *width = nullptr, *text = nullptr;
};

TEST_F(Options, OpensWithTheSettingsAndTheTestText) {
    EXPECT_EQ(m_Dlg.windowTitle(), u("设置"));
    ASSERT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemText(0), u("CODE 39"));
    EXPECT_EQ(combo->itemText(3), u("CODE 128C"));
    EXPECT_EQ(m_Dlg.SelectedType(), 3);
    EXPECT_EQ(combo->currentText(), u("CODE 128C"));
    EXPECT_EQ(height->text(), u("15"));
    EXPECT_EQ(width->text(), u("0.4"));
    EXPECT_EQ(text->text(), u("123456"));
}

TEST_F(Options, SaveStoresAndWritesTheSettingsAndCloses) {
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    height->setText(u("  20.5mm"));
    width->setText(u("-0.3"));
    press(1);
    EXPECT_EQ(BarcodeSettings.CodeType, 0);
    EXPECT_DOUBLE_EQ(BarcodeSettings.Height, 20.5);
    EXPECT_DOUBLE_EQ(BarcodeSettings.LineWidth, -0.3);
    EXPECT_EQ(m_Dlg.result(), IDOK);
    ASSERT_TRUE(iniWritten());
    EXPECT_EQ(ReadCodeType(), 0);
    EXPECT_DOUBLE_EQ(ReadHeight(), 20.5);
    EXPECT_EQ(m_Boxes.count(), 0u);
}

TEST_F(Options, SaveWithAnUnreadableNumberStoresNothingAndStaysOpen) {
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    height->setText(u("30"));
    width->setText(u("abc"));
    press(1);
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text, u("Enter a number."));
    EXPECT_EQ(BarcodeSettings.CodeType, 3);
    EXPECT_DOUBLE_EQ(BarcodeSettings.Height, 15.0); // not the mix of a new height and an old width
    EXPECT_FALSE(iniWritten());
    EXPECT_TRUE(m_Dlg.isVisible());
    EXPECT_EQ(m_Dlg.result(), 0);
}

TEST_F(Options, CancelStoresNothing) {
    height->setText(u("99"));
    press(2);
    EXPECT_DOUBLE_EQ(BarcodeSettings.Height, 15.0);
    EXPECT_FALSE(iniWritten());
    EXPECT_EQ(m_Dlg.result(), IDCANCEL);
}

TEST_F(Options, TypedBarcodeTypeMeansNoSelection) {
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("EAN"));
    EXPECT_EQ(m_Dlg.SelectedType(), -1);
    press(1000);
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text, u("请选择编码方式"));
    EXPECT_EQ(m_Boxes.last().caption, applicationName());
    EXPECT_EQ(m_Boxes.last().owner, &m_Dlg);
    EXPECT_EQ(m_Print.Jobs(), 0);
    press(1); // silently nothing
    EXPECT_EQ(m_Boxes.count(), 1u);
    EXPECT_TRUE(m_Dlg.isVisible());
    EXPECT_FALSE(iniWritten());
}

TEST_F(Options, SeventhDigitEmptiesTheTestTextAndLettersAreNotTyped) {
    text->clear();
    QTest::keyClicks(text, QStringLiteral("99a99x99"));
    EXPECT_EQ(text->text(), u("999999"));
    QTest::keyClicks(text, QStringLiteral("9"));
    EXPECT_TRUE(text->text().isEmpty());
    text->setText(u("99999999999999999999")); // pasted: too big even for an int
    EXPECT_TRUE(text->text().isEmpty());
}

TEST_F(Options, EnterInAnEditDoesNotSave) {
    height->setFocus();
    QTest::keyClick(height, Qt::Key_Return);
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_TRUE(m_Dlg.isVisible());
    EXPECT_FALSE(iniWritten());
}

TEST_F(Options, TestPrintMakesOneJobWithTheDialogsSizes) {
    height->setText(u("10"));
    press(1000);
    EXPECT_EQ(m_Print.Jobs(), 1);
    EXPECT_GT(std::filesystem::file_size(m_Folder.file("test-1.pdf")), 0u);
    EXPECT_EQ(m_Boxes.count(), 0u); // all four types take "123456"
    EXPECT_DOUBLE_EQ(BarcodeSettings.Height, 15.0);
}

} // namespace
