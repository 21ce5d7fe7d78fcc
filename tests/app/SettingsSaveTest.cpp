// Saving KIV.ini: exact bytes, comments kept, the old file safe when writing fails.
#include "app/Folders.h"
#include "app/Settings.h"
#include "support/Faults.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SettingsSave : public ::testing::Test {
protected:
    void SetUp() override { SettingsPath = dir.file("KIV.ini"); }
    void TearDown() override { SettingsPath.clear(); }

    TempFolder dir;
    BARCODE_SETTINGS defaults{3, 15.0, 0.4};
};

} // namespace

TEST_F(SettingsSave, DefaultsWithoutAFileAreExactlyThreeLines) {
    MessageBoxRecorder boxes;
    EXPECT_EQ(SaveIniFile(&defaults), 1);
    EXPECT_EQ(readFile(SettingsPath), "CodeType=3\r\nHeight=15.000000\r\nLineWidth=0.400000");
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(ReadCodeType(), 3);
    EXPECT_EQ(ReadHeight(), 15.0);
    EXPECT_EQ(ReadLineWidth(), 0.4);
}

TEST_F(SettingsSave, CommentsSurviveOtherLinesGo) {
    writeFile(SettingsPath, "# my notes\r\nFoo=1\r\nHeight=20\r\n\t* starred\r\n  # indented # twice\r\n");
    BARCODE_SETTINGS s{1, 12.25, 0.33};
    EXPECT_EQ(SaveIniFile(&s), 1);
    EXPECT_EQ(readFile(SettingsPath), "# my notes\r\n* starred\r\n# indented # twice\r\n"
                                      "CodeType=1\r\nHeight=12.250000\r\nLineWidth=0.330000");
    // Saving again changes nothing.
    EXPECT_EQ(SaveIniFile(&s), 1);
    EXPECT_EQ(readFile(SettingsPath), "# my notes\r\n* starred\r\n# indented # twice\r\n"
                                      "CodeType=1\r\nHeight=12.250000\r\nLineWidth=0.330000");
}

TEST_F(SettingsSave, IndentedCommentBecomesAFirstColumnCommentAndTheSavedValueWins) {
    writeFile(SettingsPath, " # CodeType=1\r\n");
    EXPECT_EQ(ReadCodeType(), 1);
    BARCODE_SETTINGS s{0, 15.0, 0.4};
    SaveIniFile(&s);
    EXPECT_EQ(readFile(SettingsPath), "# CodeType=1\r\nCodeType=0\r\nHeight=15.000000\r\nLineWidth=0.400000");
    EXPECT_EQ(ReadCodeType(), 0);
}

TEST_F(SettingsSave, SkippedValuesAreAbsentAndReadBackAsDefaults) {
    BARCODE_SETTINGS s{1000000, -1.0, 0.25};
    SaveIniFile(&s);
    EXPECT_EQ(readFile(SettingsPath), "LineWidth=0.250000");
    EXPECT_EQ(ReadCodeType(), 3);
    EXPECT_EQ(ReadHeight(), 15.0);
    BARCODE_SETTINGS none{-1, -1.0, -1.0};
    writeFile(SettingsPath, "#c\r\n");
    SaveIniFile(&none);
    EXPECT_EQ(readFile(SettingsPath), "#c\r\n");
    BARCODE_SETTINGS odd{-5, 0.0, -0.4};
    SaveIniFile(&odd);
    EXPECT_EQ(readFile(SettingsPath), "#c\r\nHeight=0.000000\r\nLineWidth=-0.400000");
}

TEST_F(SettingsSave, NumbersAreWrittenWithSixDecimalsWhateverTheLocale) {
    BARCODE_SETTINGS s{999999, 1234567.8912345, 1e-7};
    SaveIniFile(&s);
    EXPECT_EQ(readFile(SettingsPath), "CodeType=999999\r\nHeight=1234567.891235\r\nLineWidth=0.000000");
}

TEST_F(SettingsSave, OverlongCommentIsCutAtACharacterBoundary) {
    // 2046 ASCII bytes and then a two-byte character: the cut at 2047 bytes must not split it.
    std::string comment = "#" + std::string(2045, 'c') + "\xC6\xBB" + "tail";
    writeFile(SettingsPath, comment + "\r\n");
    SaveIniFile(&defaults);
    const std::string text = readFile(SettingsPath);
    EXPECT_EQ(text.substr(0, 2048), "#" + std::string(2045, 'c') + "\r\n");
}

TEST_F(SettingsSave, FailedWriteKeepsTheOldFileAndTellsTheUser) {
    MessageBoxRecorder boxes;
    // A folder where the file should be: nothing can replace it.
    std::filesystem::create_directory(SettingsPath);
    EXPECT_EQ(SaveIniFile(&defaults), 0);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text,
              QStringLiteral("不能保存文件 \"%1\" ! ").arg(QString::fromStdString(SettingsPath)));
    EXPECT_EQ(boxes.last().caption, QStringLiteral("错误"));
    EXPECT_EQ(boxes.last().type, MB_OK);

    // A folder that is gone: the message names the settings path.
    SettingsPath = dir.file("gone/KIV.ini");
    testing::internal::CaptureStderr();
    EXPECT_EQ(SaveIniFile(&defaults), 0);
    const std::string traces = testing::internal::GetCapturedStderr();
    EXPECT_NE(traces.find("SaveIniFile(): failed \"CodeType=3"), std::string::npos) << traces;
    EXPECT_EQ(traces.find("successful"), std::string::npos) << traces;
    EXPECT_EQ(boxes.count(), 2u);
}

TEST_F(SettingsSave, NoTemporaryFileIsLeftBehind) {
    writeFile(SettingsPath, "#keep\r\n");
    SaveIniFile(&defaults);
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++n;
    EXPECT_EQ(n, 1u);
}

TEST_F(SettingsSave, OddSettingsFilesAreNeitherWaitedForNorReadWholeNorReplaced) {
    MessageBoxRecorder boxes;
    const QString refused =
        QStringLiteral("不能保存文件 \"%1\" ! ").arg(QString::fromStdString(SettingsPath));
    // A huge file: the three start-up readers say once that it is not read; saving leaves it alone.
    writeFile(SettingsPath, "CodeType=1\r\n");
    ASSERT_EQ(::truncate(SettingsPath.c_str(), 1LL << 30), 0);
    EXPECT_EQ(ReadCodeType(), 3);
    EXPECT_EQ(ReadHeight(), 15.0);
    EXPECT_EQ(ReadLineWidth(), 0.4);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text,
              QStringLiteral("设置文件 \"%1\" 太大（超过 16 MB），没有读取：条码设置使用默认值。")
                  .arg(QString::fromStdString(SettingsPath)));
    EXPECT_EQ(SaveIniFile(&defaults), 0);
    EXPECT_EQ(boxes.last().text, refused);
    EXPECT_EQ(std::filesystem::file_size(SettingsPath), 1ull << 30);

    // A named pipe reads as no file and is not replaced.
    std::filesystem::remove(SettingsPath);
    ASSERT_EQ(::mkfifo(SettingsPath.c_str(), 0644), 0);
    EXPECT_EQ(ReadCodeType(), 3);
    EXPECT_EQ(SaveIniFile(&defaults), 0);
    EXPECT_TRUE(std::filesystem::is_fifo(SettingsPath));

    // A link out of the program's folder is not written through; one to a file beside it is.
    std::filesystem::remove(SettingsPath);
    TempFolder home;
    writeFile(home.file(".bashrc"), "keep");
    std::filesystem::create_symlink(home.file(".bashrc"), SettingsPath);
    EXPECT_EQ(SaveIniFile(&defaults), 0);
    EXPECT_EQ(boxes.last().text, refused);
    EXPECT_EQ(readFile(home.file(".bashrc")), "keep");
    std::filesystem::remove(SettingsPath);
    writeFile(dir.file("shared.ini"), "# shared\r\n");
    std::filesystem::create_symlink("shared.ini", SettingsPath);
    BARCODE_SETTINGS s{1, 20.0, 0.5};
    EXPECT_EQ(SaveIniFile(&s), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(SettingsPath));
    EXPECT_EQ(readFile(dir.file("shared.ini")),
              "# shared\r\nCodeType=1\r\nHeight=20.000000\r\nLineWidth=0.500000");
}

TEST_F(SettingsSave, AReadOnlySettingsFileIsKeptAndTheUserTold) {
    if (!isRoot())
        GTEST_SKIP() << "changing to another user needs root";
    ::chmod(dir.path().c_str(), 0777);
    writeFile(SettingsPath, "CodeType=0");
    ::chmod(SettingsPath.c_str(), 0444);
    const int result = runAsNobody([&] {
        MessageBoxRecorder boxes;
        const bool told = SaveIniFile(&defaults) == 0 && boxes.count() == 1 &&
                          boxes.last().text.startsWith(QStringLiteral("不能保存文件"));
        return told ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(SettingsPath), "CodeType=0");
}
