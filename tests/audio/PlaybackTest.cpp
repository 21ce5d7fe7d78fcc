// Playback decisions that need no sound server: lookups, types, messages and log lines.
#include "audio/PlaybackFixture.h"
#include "platform/core/Gbk.h"
#include "platform/soundfile/WaveFile.h"

#include <QCoreApplication>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

class PlaybackTest : public PlaybackFixture {};

TEST_F(PlaybackTest, CodeNotFiledChangesNothing) {
    file(1, "S_XYZ", folder.file("a.xyz"));
    playback.SetLogWindow(&log);
    playback.PlayCode(2);
    EXPECT_EQ(playback.PlayKind(), -1);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(PlaybackTest, UnsupportedTypeLogsOnlyWhileTheReadingWindowIsOpen) {
    const std::string path = folder.file("000001.ogg");
    file(1, "S_OGG", path);
    playback.PlayCode(1);
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(playback.PlayKind(), -1);

    playback.SetLogWindow(&log);
    playback.PlayCode(1);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], gbk("不能支持的文件格式 \"") + "S_OGG\" --- \"" + path + "\" !");
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(playback.PlayKind(), -1);

    // Closing the reading window silences the log again.
    playback.SetLogWindow(nullptr);
    playback.PlayCode(1);
    EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(PlaybackTest, MissingWaveFileIsReportedByName) {
    // A Chinese file name: the message shows it as the user typed it.
    const std::string path = folder.path() + gbk("录音") + "/000003.wav";
    file(3, "s_wav", path); // the type in small letters is still a wave file
    playback.SetLogWindow(&log);
    playback.PlayCode(3);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text,
              QString::fromUtf8("找不到文件\"") + fromGbk(path) + QString::fromUtf8("\", 播放失败! "));
    EXPECT_EQ(boxes.last().caption, defaultCaption());
    EXPECT_EQ(boxes.last().type, MB_OK);
    EXPECT_EQ(boxes.last().owner, nullptr);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(playback.PlayKind(), -1);

    // In English the same message, the name still as it is.
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral("kiv_en"), QStringLiteral(":/i18n")));
    QCoreApplication::installTranslator(&english);
    playback.PlayCode(3);
    QCoreApplication::removeTranslator(&english);
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.last().text,
              QStringLiteral("File \"%1\" not found: it cannot be played.").arg(fromGbk(path)));
}

TEST_F(PlaybackTest, WaveFileThatIsNoWaveIsUnplayable) {
    const std::string bad = folder.file("bad.wav");
    writeFile(bad, std::string("RIFF\x10\0\0\0WAVEjunkjunkjunkjunk", 28));
    const std::string text = folder.file("text.wav");
    writeFile(text, "this is not a sound at all\n");
    // A wave header that names no channels.
    std::string h = waveHeader(WaveFormat{}, 6);
    h[22] = 0;
    const std::string odd = folder.file("odd.wav");
    writeFile(odd, h + std::string(6, '\1'));
    file(4, "S_WAV", bad);
    file(5, "S_WAV", text);
    file(6, "S_WAV", odd);
    file(7, "S_WAV", folder.path()); // a folder, not a file
    // A header claiming 2 GHz and 1024 channels: the first piece sized from it would not fit in memory.
    const std::string absurd = folder.file("absurd.wav");
    writeFile(absurd, waveHeader(WaveFormat{2000000000, 1024}, 4096) + std::string(4096, '\1'));
    file(8, "S_WAV", absurd);
    playback.SetLogWindow(&log);
    for (int code : {4, 5, 6, 7, 8}) {
        boxes.clear();
        playback.PlayCode(code);
        ASSERT_EQ(boxes.count(), 1u) << code;
        EXPECT_EQ(boxes.last().text, QString::fromUtf8("不能播放这种类型的文件!")) << code;
        EXPECT_EQ(playback.PlayKind(), -1);
    }
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(PlaybackTest, MissingOrFalseMp3FailsAsUnplayable) {
    file(8, "S_MP3", folder.file("gone.mp3"));
    const std::string text = folder.file("text.mp3");
    writeFile(text, "plain text, not MPEG audio");
    file(9, "s_Mp3", text);
    playback.SetLogWindow(&log);
    for (int code : {8, 9}) {
        boxes.clear();
        playback.PlayCode(code);
        ASSERT_EQ(boxes.count(), 1u);
        EXPECT_EQ(boxes.last().text, QString::fromUtf8("不能播放这种类型的文件!"));
        EXPECT_EQ(playback.PlayKind(), -1);
    }
    EXPECT_TRUE(log.lines.empty()); // MP3 plays are never logged
}

TEST_F(PlaybackTest, LongLinesAreCutAtACharacterBoundary) {
    // A path of two-byte characters with an odd number of ASCII bytes in front: a cut at 1023 bytes
    // would land inside a character unless it steps back.
    std::string path = "/x";
    for (int i = 1; path.size() < 1400; ++i)
        path += i % 40 ? gbk("长") : "/"; // folder names stay within the system's limit
    file(10, "S_OGG", path);
    playback.SetLogWindow(&log);
    playback.PlayCode(10);
    ASSERT_EQ(log.lines.size(), 1u);
    const std::string& line = log.lines[0];
    EXPECT_LE(line.size(), kLogTextLimit);
    EXPECT_GE(line.size(), kLogTextLimit - 1);
    EXPECT_TRUE(gbkRoundTrips(line));
    EXPECT_EQ(line.compare(0, 20, (gbk("不能支持的文件格式 \"") + "S_OGG").substr(0, 20)), 0);

    // The not-found message of such a path is cut the same way and still names its start.
    file(11, "S_WAV", path);
    playback.PlayCode(11);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_TRUE(boxes.last().text.startsWith(QString::fromUtf8("找不到文件\"/x长长")));
    EXPECT_LE(toGbk(boxes.last().text).size(), kLogTextLimit);
}

TEST_F(PlaybackTest, StopWithNothingPlayingDoesNothing) {
    EXPECT_EQ(playback.StopPlay(), 0);
    EXPECT_EQ(playback.PlayKind(), -1);
    EXPECT_EQ(boxes.count(), 0u);
}

} // namespace
