// Playback into the headless sound server's null sink, checked by recording the sink.
#include "audio/PlaybackFixture.h"
#include "platform/core/Gbk.h"
#include "platform/soundfile/WaveFile.h"
#include "support/SinkMonitor.h"
#include "support/SoundServer.h"
#include "support/Wave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class SoundPlayTest : public PlaybackFixture {
protected:
    void SetUp() override {
        std::string problem = soundServerProblem();
        ASSERT_TRUE(problem.empty()) << problem;
        playback.SetLogWindow(&log);
        playback.Warm();
    }
};

TEST_F(SoundPlayTest, WaveAndMp3FilesSoundInTheSink) {
    const std::string wav = folder.file("000001.wav");
    const std::string mp3 = folder.file("000002.mp3");
    writeTone(wav, 1.0, 440);
    ASSERT_TRUE(encodeMp3(wav, mp3)) << "lame is needed for the MP3 files (scripts/setup installs it)";
    file(1, "S_WAV", wav);
    file(2, "S_MP3", mp3);
    {
        CSinkMonitor sink;
        ASSERT_TRUE(sink.started());
        playback.PlayCode(1);
        EXPECT_EQ(playback.PlayKind(), 0);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0], toGbk(QString::fromUtf8("播放文件 \"")) + wav + "\" !");
        EXPECT_TRUE(playback.Output().isPlaying());
        sink.wait(1400);
        EXPECT_GT(sink.loudSeconds(), 0.8);
        EXPECT_LT(sink.loudSeconds(), 1.2);
        // The sound has ended: the output says so.
        EXPECT_FALSE(playback.Output().isPlaying());
    }
    {
        CSinkMonitor sink;
        playback.PlayCode(2);
        EXPECT_EQ(playback.PlayKind(), 1);
        sink.wait(1400);
        EXPECT_GT(sink.loudSeconds(), 0.8);
        EXPECT_LT(sink.loudSeconds(), 1.2);
    }
    EXPECT_EQ(log.lines.size(), 1u); // the MP3 was not logged
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(SoundPlayTest, StopAndANewPlayCutOffTheOldSound) {
    const std::string longWav = folder.file("long.wav");
    const std::string shortWav = folder.file("short.wav");
    const std::string longMp3 = folder.file("long.mp3");
    writeTone(longWav, 3.0, 440);
    writeTone(shortWav, 0.3, 880);
    ASSERT_TRUE(encodeMp3(longWav, longMp3));
    file(1, "S_WAV", longWav);
    file(2, "S_WAV", shortWav);
    file(3, "S_MP3", longMp3);

    for (int first : {1, 3}) {
        SCOPED_TRACE(first);
        // A code that is not filed leaves the sound playing.
        CSinkMonitor sink;
        playback.PlayCode(first);
        sink.wait(400);
        playback.PlayCode(42);
        sink.wait(300);
        EXPECT_GT(sink.tailRms(200), 0.1);
        // A second play cuts the first off: after the short sound, silence.
        playback.PlayCode(2);
        EXPECT_EQ(playback.PlayKind(), 0);
        sink.wait(900);
        EXPECT_LT(sink.tailRms(400), 0.01);
        EXPECT_LT(sink.loudSeconds(), 1.3);
    }
    {
        CSinkMonitor sink;
        playback.PlayCode(1);
        sink.wait(400);
        playback.StopPlay();
        EXPECT_EQ(playback.PlayKind(), -1);
        sink.wait(500);
        EXPECT_LT(sink.tailRms(350), 0.01);
    }
    {
        // Destroying the playback object silences it too.
        CSinkMonitor sink;
        auto other = std::make_unique<CPlayback>(&library);
        other->PlayCode(3);
        sink.wait(500);
        EXPECT_GT(sink.tailRms(200), 0.1);
        other.reset();
        sink.wait(500);
        EXPECT_LT(sink.tailRms(350), 0.01);
    }
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(SoundPlayTest, CorruptMp3FailsAtOnce) {
    // It looks like an MP3 at its start; the decoder finds out before the play call returns.
    std::string bytes = "ID3\x03";
    bytes += std::string(6, '\0');
    for (int i = 0; i < 20000; ++i)
        bytes += static_cast<char>((i * 7919) % 251);
    const std::string mp3 = folder.file("corrupt.mp3");
    writeFile(mp3, bytes);
    file(1, "S_MP3", mp3);
    playback.PlayCode(1);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text, QString::fromUtf8("不能播放这种类型的文件!"));
    EXPECT_EQ(playback.PlayKind(), -1);
}

TEST_F(SoundPlayTest, AReRecordedMp3NeverPlaysStale) {
    const std::string wav = folder.file("t.wav");
    const std::string mp3 = folder.file("000001.mp3");
    writeTone(wav, 0.4, 440);
    ASSERT_TRUE(encodeMp3(wav, mp3));
    file(1, "S_MP3", mp3);
    // Point reading opens: the book's sounds are measured ahead, and the stale measure must not cut the new
    // one.
    playback.SetLogWindow(&log);
    playback.Output().plans().waitUntilDone();
    FileStamp stamp;
    ReadyCut planned;
    ASSERT_EQ(fileStamp(mp3, stamp), 0);
    EXPECT_TRUE(playback.Output().plans().find(mp3, stamp, g_ReadyChoice, planned));
    {
        CSinkMonitor sink;
        playback.PlayCode(1);
        sink.wait(900);
        EXPECT_NEAR(sink.loudSeconds(), 0.4, 0.15);
        EXPECT_EQ(playback.Output().cachedSounds(), 1u);
    }
    {
        // A replay comes from the decoded sound, and sounds the same.
        CSinkMonitor sink;
        playback.PlayCode(1);
        sink.wait(900);
        EXPECT_NEAR(sink.loudSeconds(), 0.4, 0.15);
    }
    writeTone(wav, 1.5, 440);
    ASSERT_TRUE(encodeMp3(wav, mp3));
    {
        CSinkMonitor sink;
        playback.PlayCode(1);
        sink.wait(2000);
        EXPECT_NEAR(sink.loudSeconds(), 1.5, 0.2);
    }
    EXPECT_EQ(boxes.count(), 0u);
}

} // namespace

namespace {

bool tool(const QString& program, const QStringList& args) {
    bool ok = false;
    run(program, args, &ok);
    return ok;
}

// Every encoding a book made elsewhere may hold sounds for as long as it lasts, whatever type it is filed as.
TEST_F(SoundPlayTest, EveryEncodingSoundsInTheSink) {
    const QString tone = QString::fromStdString(folder.file("tone.wav"));
    writeTone(tone.toStdString(), 0.6, 440);
    const std::pair<const char*, QStringList> wavs[] = {
        {"pcm24.wav", {"-b", "24"}},
        {"ima.wav", {"-e", "ima-adpcm"}},
        {"ms.wav", {"-e", "ms-adpcm"}},
        {"ulaw.wav", {"-e", "u-law"}},
        {"alaw.wav", {"-e", "a-law"}},
        {"pcm8.wav", {"-b", "8"}},
        {"float.wav", {"-e", "floating-point", "-b", "32"}},
        {"11k.wav", {"-r", "11025"}},
    };
    int code = 1;
    for (const auto& [name, args] : wavs) {
        ASSERT_TRUE(
            tool("sox", QStringList{tone} + args + QStringList{QString::fromStdString(folder.file(name))}))
            << "sox is needed (scripts/setup installs it)";
        file(code++, "S_WAV", folder.file(name));
    }
    for (const char* rate : {"22.05", "48"}) {
        const std::string mp3 = folder.file(std::string("mp3-") + rate + ".mp3");
        ASSERT_TRUE(tool("lame", {"--quiet", "--resample", rate, tone, QString::fromStdString(mp3)}));
        file(code++, "S_MP3", mp3);
    }
    // Filed under the other type: the bytes decide.
    file(code++, "S_WAV", folder.file("mp3-48.mp3"));
    file(code++, "S_MP3", folder.file("ima.wav"));
    for (int c = 1; c < code; ++c) {
        SCOPED_TRACE(c);
        CSinkMonitor sink;
        playback.PlayCode(c);
        EXPECT_NE(playback.PlayKind(), -1);
        sink.wait(1000);
        EXPECT_NEAR(sink.loudSeconds(), 0.6, 0.15);
    }
    EXPECT_EQ(boxes.count(), 0u);
}

// A long sound is decoded as it plays: it sounds to its end, starts at once, and holds little memory.
TEST_F(SoundPlayTest, LongSoundsStream) {
    const std::string longWav = folder.file("long.wav"), longMp3 = folder.file("long.mp3");
    writeTone(longWav, 4.0, 440);
    ASSERT_TRUE(encodeMp3(longWav, longMp3));
    file(1, "S_WAV", longWav);
    file(2, "S_MP3", longMp3);
    for (int c : {1, 2}) {
        SCOPED_TRACE(c);
        CSinkMonitor sink;
        playback.PlayCode(c);
        EXPECT_GT(playback.Output().firstFrameNs(), 0);
        sink.wait(4600);
        EXPECT_NEAR(sink.loudSeconds(), 4.0, 0.3);
    }
    // Two gigabytes of sound (silent: a sparse file) play without being read whole.
    const std::string huge = folder.file("huge.wav");
    writeFile(huge, waveHeader(WaveFormat{}, kWaveMaxDataBytes));
    std::filesystem::resize_file(huge, 2LL << 30);
    file(3, "S_WAV", huge);
    [[maybe_unused]] const long before = residentKiB();
    playback.PlayCode(3);
    EXPECT_EQ(playback.PlayKind(), 0);
    EXPECT_GT(playback.Output().firstFrameNs(), 0);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(playback.Output().isPlaying());
    EXPECT_LT(playback.Output().pendingBytes(), 256 * 1024);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer keeps freed pieces in quarantine: its RSS says nothing here
    EXPECT_LT(residentKiB() - before, 30 * 1024);
#endif
    playback.StopPlay();
    EXPECT_EQ(boxes.count(), 0u);
}

} // namespace
