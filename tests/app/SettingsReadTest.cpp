// The readers of KIV.ini, on real files.
#include "app/Folders.h"
#include "app/Settings.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class SettingsRead : public ::testing::Test {
protected:
    void SetUp() override { SettingsPath = dir.file("KIV.ini"); }
    void TearDown() override { SettingsPath.clear(); }
    void ini(const std::string& text) { writeFile(SettingsPath, text); }

    TempFolder dir;
};

} // namespace

TEST_F(SettingsRead, NoFileGivesTheDefaults) {
    EXPECT_EQ(ReadCodeType(), 3);
    EXPECT_EQ(ReadHeight(), 15.0);
    EXPECT_EQ(ReadLineWidth(), 0.4);
    ini("");
    EXPECT_EQ(ReadCodeType(), 3);
    SettingsPath = dir.path(); // a folder cannot be read as a file
    EXPECT_EQ(ReadHeight(), 15.0);
}

TEST_F(SettingsRead, FileAsTheProgramWritesIt) {
    ini("CodeType=0\r\nHeight=20.500000\r\nLineWidth=0.330000");
    EXPECT_EQ(ReadCodeType(), 0);
    EXPECT_EQ(ReadHeight(), 20.5);
    EXPECT_EQ(ReadLineWidth(), 0.33);
}

TEST_F(SettingsRead, KeysAnyCaseSeveralPerLineLastWins) {
    ini("codetype=1 HEIGHT=20\nHeight=10\n\n\r\rheight=12");
    EXPECT_EQ(ReadCodeType(), 1);
    EXPECT_EQ(ReadHeight(), 12.0);
    EXPECT_EQ(ReadLineWidth(), 0.4); // untouched keys keep their defaults
}

TEST_F(SettingsRead, ItemsAreSplitAtSingleSpacesOnly) {
    ini("CodeType = 1\nHeight=7\tLineWidth=0.2\n");
    EXPECT_EQ(ReadCodeType(), 3);    // no item begins with "CodeType="
    EXPECT_EQ(ReadHeight(), 7.0);    // tabs do not divide: atof stops at the tab
    EXPECT_EQ(ReadLineWidth(), 0.4); // so LineWidth is inside the Height item
    ini("Height=5  LineWidth=0.25"); // two spaces: an empty item between
    EXPECT_EQ(ReadHeight(), 5.0);
    EXPECT_EQ(ReadLineWidth(), 0.25);
}

TEST_F(SettingsRead, EmptyAndNonNumericValues) {
    ini("CodeType=\nHeight=");
    EXPECT_EQ(ReadCodeType(), 3);
    EXPECT_EQ(ReadHeight(), 15.0);
    ini("CodeType=x1 Height=abc LineWidth=-0.5mm");
    EXPECT_EQ(ReadCodeType(), 0);
    EXPECT_EQ(ReadHeight(), 0.0);
    EXPECT_EQ(ReadLineWidth(), -0.5);
}

TEST_F(SettingsRead, CommentsOnlyInTheFirstColumn) {
    ini("# CodeType=1\n#CodeType=2\n");
    EXPECT_EQ(ReadCodeType(), 3);
    ini(" # CodeType=1\n"); // items "", "#", "CodeType=1"
    EXPECT_EQ(ReadCodeType(), 1);
}

TEST_F(SettingsRead, LastCharacterOfTheFileBelongsToTheLastLine) {
    ini("Height=9\n");
    EXPECT_EQ(ReadHeight(), 9.0);
    ini("LineWidth=0.3 ");
    EXPECT_EQ(ReadLineWidth(), 0.3);
    ini("CodeType=2");
    EXPECT_EQ(ReadCodeType(), 2);
}

TEST_F(SettingsRead, NumbersDoNotOverflowOrFollowTheLocale) {
    ini("CodeType=99999999999999999999 Height=1e999 LineWidth=+0.5");
    EXPECT_EQ(ReadCodeType(), 2147483647);
    EXPECT_TRUE(std::isinf(ReadHeight()));
    EXPECT_EQ(ReadLineWidth(), 0.5);
    EXPECT_EQ(IniToInt("  -12abc"), -12);
    EXPECT_EQ(IniToInt("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(IniToDouble("\t 2.5e1x"), 25.0);
    EXPECT_EQ(IniToDouble("--1"), 0.0);
    EXPECT_EQ(IniToDouble("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(IniToDouble(""), 0.0);
}

TEST_F(SettingsRead, OverlongLinesAndItemsAreSkippedWhole) {
    // A line longer than the readers' limit is refused whole rather than cut into a wrong value.
    ini(std::string(kIniLineLimit, ' ') + "Height=1\nLineWidth=0.2");
    EXPECT_EQ(ReadHeight(), 15.0);
    EXPECT_EQ(ReadLineWidth(), 0.2);
    ini(std::string(kIniLineLimit - 9, ' ') + "Height=1"); // exactly at the limit: read
    EXPECT_EQ(ReadHeight(), 1.0);
    ini("Height=" + std::string(300, '1') + " LineWidth=0.3");
    EXPECT_EQ(ReadHeight(), 15.0);
    EXPECT_EQ(ReadLineWidth(), 0.3);
    ini("Height=" + std::string(kIniItemLimit - 8, '0') + "7"); // 255 characters: read
    EXPECT_EQ(ReadHeight(), 7.0);
}

TEST_F(SettingsRead, JunkGivesDefaultsOrWhatCanBeRead) {
    std::string junk;
    for (int i = 0; i < 5000; ++i)
        junk += static_cast<char>((i * 131) % 256);
    ini(junk + std::string("\0\nHeight=8\n\xFF\xFE", 14) + std::string(3 << 20, 'x'));
    EXPECT_EQ(ReadHeight(), 8.0);
    EXPECT_EQ(ReadCodeType(), 3);
}
