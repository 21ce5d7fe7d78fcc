// kivtool check notes the sounds that start late or lie off the common loudness, and kivtool level mends
// the book's own wave files, leaving read-only files, MP3s and files outside the book as they are.
#include "cli/Kivtool.h"
#include "platform/soundfile/SoundLevel.h"
#include "support/TestSounds.h"
#include "support/Wave.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QStringList kivtoolLines(const QStringList& args, int* status) {
    const ProcessRun run = kivtool(args);
    *status = run.exitCode;
    return run.lines();
}

std::string line(const char* code, const std::string& file, const char* type = "S_WAV") {
    return std::string(code) + "      x           " + type + "       \"" + file + "\"\r\n";
}

} // namespace

TEST(LevelTool, ChecksAndMendsOnlyTheBooksOwnWritableWaveFiles) {
    TempFolder book, elsewhere;
    std::vector<short> take = pinkNoise(1, -50);
    append(take, vowel(0.8, -34));
    append(take, pinkNoise(0.5, -50, 7));
    const std::string bytes = waveBytes(kTestRate, take);
    for (const char* name : {"000001.wav", "000002.wav", "000003.wav"})
        writeFile(book.file(name), bytes);
    ::chmod(book.file("000002.wav").c_str(), 0444);
    writeFile(elsewhere.file("outside.wav"), bytes);
    ASSERT_EQ(runProcess("lame", {"--quiet", QString::fromStdString(book.file("000001.wav")),
                                  QString::fromStdString(book.file("000004.mp3"))})
                  .exitCode,
              0);
    const std::string index =
        line("000001", book.file("000001.wav")) + line("000002", book.file("000002.wav")) +
        line("000003", "C:\\KIV\\000003.wav") + line("000004", book.file("000004.mp3"), "S_MP3") +
        line("000005", elsewhere.file("outside.wav")) + line("000006", book.file("000001.wav"));
    writeFile(book.file("KIV_Lib.cfg"), index);
    const QString folder = QString::fromStdString(book.path());

    int status = -1;
    QStringList out = kivtoolLines({"check", folder}, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.filter(QStringLiteral("（提示）声音开头有 1.0 秒静音；响度")).size(), 6)
        << out.join(u'\n').toStdString();

    out = kivtoolLines({"level", folder}, &status);
    EXPECT_EQ(status, 0) << out.join(u'\n').toStdString();
    EXPECT_EQ(out.filter(QStringLiteral("已整理")).size(),
              2); // 000001 once for two records, 000003 found in the book
    EXPECT_EQ(out.filter(QStringLiteral("只读，保持原样")).size(), 1);
    EXPECT_EQ(out.filter(QStringLiteral("MP3，保持原样")).size(), 1);
    EXPECT_EQ(out.filter(QStringLiteral("不在点读书文件夹里，保持原样")).size(), 1);
    EXPECT_EQ(out.last(), QStringLiteral("整理了 2 个声音，0 个不用整理，3 个保持原样，0 个失败。"));
    EXPECT_EQ(readFile(book.file("000002.wav")), bytes);
    EXPECT_EQ(readFile(elsewhere.file("outside.wav")), bytes);
    EXPECT_EQ(readFile(book.file("KIV_Lib.cfg")), index);
    for (const char* name : {"000001.wav", "000003.wav"}) {
        const std::vector<short> ready = readMono16(book.file(name));
        const SoundLevel level = measureContent(ready.data(), (long long)ready.size(), kTestRate, 1);
        EXPECT_NEAR(double(level.onset) / kTestRate, kLeadPadMs / 1000.0, 0.011) << name;
        EXPECT_NEAR(lufs(ready), kTargetLufs, 0.5) << name;
    }

    // Mended, the book's own files get no note, and a second run leaves them alone.
    out = kivtoolLines({"check", folder}, &status);
    EXPECT_EQ(out.filter(QStringLiteral("（提示）声音开头")).size(), 3) << out.join(u'\n').toStdString();
    const auto before = std::filesystem::last_write_time(book.file("000001.wav"));
    out = kivtoolLines({"level", folder}, &status);
    EXPECT_EQ(out.last(), QStringLiteral("整理了 0 个声音，2 个不用整理，3 个保持原样，0 个失败。"));
    EXPECT_EQ(std::filesystem::last_write_time(book.file("000001.wav")), before);
    kivtoolLines({"level"}, &status);
    EXPECT_EQ(status, 2);
}
