// Decoding sound files: every encoding a book may hold, and what is no sound at all.
#include "platform/soundfile/SoundFile.h"
#include "platform/soundfile/WaveFile.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

bool runProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Half a second of 440 Hz at half of full scale: its RMS is 0.354.
std::string makeTone(TempFolder& folder) {
    std::string tone = folder.file("tone.wav");
    EXPECT_TRUE(runProgram("sox", {"-n", "-r", "44100", "-c", "1", "-b", "16", QString::fromStdString(tone),
                                   "synth", "0.5", "sine", "440", "vol", "0.5"}))
        << "sox is needed (scripts/setup installs it)";
    return tone;
}

// RMS of the middle half, away from the padding some encoders add at either end.
double rmsOf(const DecodedSound& s) {
    const std::size_t from = s.samples.size() / 4, to = s.samples.size() * 3 / 4;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(s.samples[i]) * s.samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) / 32768.0 : 0;
}

TEST(SoundFile, EveryEncodingDecodesToItsTone) {
    TempFolder folder;
    const QString tone = QString::fromStdString(makeTone(folder));
    struct Case {
        const char* name;
        QStringList sox; // sox output options, or empty for lame
        QStringList lame;
        int rate;
        bool mp3;
    };
    const Case cases[] = {
        {"pcm24-extensible.wav", {"-b", "24"}, {}, 44100, false},
        {"ima-adpcm.wav", {"-e", "ima-adpcm"}, {}, 44100, false},
        {"ms-adpcm.wav", {"-e", "ms-adpcm"}, {}, 44100, false},
        {"mu-law.wav", {"-e", "u-law"}, {}, 44100, false},
        {"a-law.wav", {"-e", "a-law"}, {}, 44100, false},
        {"pcm8.wav", {"-b", "8"}, {}, 44100, false},
        {"float.wav", {"-e", "floating-point", "-b", "32"}, {}, 44100, false},
        {"pcm-11k.wav", {"-r", "11025"}, {}, 11025, false},
        {"mp3-22k.mp3", {}, {"--resample", "22.05"}, 22050, true},
        {"mp3-48k.mp3", {}, {"--resample", "48"}, 48000, true},
        // MP3 bytes under a wave name: what the bytes are decides.
        {"really-mp3.wav", {}, {}, 44100, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = QString::fromStdString(folder.file(c.name));
        if (!c.sox.isEmpty())
            ASSERT_TRUE(runProgram("sox", QStringList{tone} + c.sox + QStringList{out}));
        else
            ASSERT_TRUE(runProgram("lame", QStringList{"--quiet"} + c.lame + QStringList{tone, out}));
        DecodedSound s;
        std::string why;
        ASSERT_EQ(decodeSoundFile(out.toStdString(), s, &why), SoundFileStatus::Ok) << why;
        EXPECT_EQ(s.sampleRate, c.rate);
        EXPECT_EQ(s.channels, 1);
        // MP3 may pad a frame's worth at either end, ADPCM to its block size.
        const double seconds = double(s.samples.size()) / c.rate;
        EXPECT_NEAR(seconds, 0.5, c.mp3 ? 0.08 : 0.01);
        EXPECT_NEAR(rmsOf(s), 0.354, 0.03);
        CSoundFile f;
        ASSERT_EQ(f.open(out.toStdString()), SoundFileStatus::Ok);
        EXPECT_EQ(f.isMp3(), c.mp3);
        EXPECT_EQ(probeSoundFile(out.toStdString()), SoundFileStatus::Ok);
    }
}

TEST(SoundFile, TitleTagAndChunkedReading) {
    TempFolder folder;
    const QString tone = QString::fromStdString(makeTone(folder));
    const std::string mp3 = folder.file("titled.mp3");
    ASSERT_TRUE(runProgram("lame", {"--quiet", "--tt", "Apple", tone, QString::fromStdString(mp3)}));
    DecodedSound whole;
    ASSERT_EQ(decodeSoundFile(mp3, whole), SoundFileStatus::Ok);
    EXPECT_EQ(whole.title, "Apple");
    // Read in small chunks, the same samples arrive as in one go; the first frames only, when asked.
    CSoundFile f;
    ASSERT_EQ(f.open(mp3), SoundFileStatus::Ok);
    EXPECT_EQ(f.title(), "Apple");
    std::vector<std::int16_t> chunked, buffer(777);
    while (long long n = f.read(buffer.data(), 777))
        chunked.insert(chunked.end(), buffer.begin(), buffer.begin() + n);
    EXPECT_EQ(chunked, whole.samples);
    DecodedSound head;
    ASSERT_EQ(decodeSoundFile(mp3, head, nullptr, 1000), SoundFileStatus::Ok);
    EXPECT_EQ(head.samples.size(), 1000u);
    // A Chinese title comes as UTF-8.
    const std::string zh = folder.file("zh.mp3");
    ASSERT_TRUE(runProgram("lame", {"--quiet", "--id3v2-only", "--id3v2-utf16", "--tt",
                                    QString::fromUtf8("苹果"), tone, QString::fromStdString(zh)}));
    ASSERT_EQ(decodeSoundFile(zh, whole), SoundFileStatus::Ok);
    EXPECT_EQ(whole.title, "苹果");
}

TEST(SoundFile, WhatIsNoSoundFailsAtOnceWithAReason) {
    TempFolder folder;
    const std::string good = readFile(makeTone(folder));
    const WaveFormat mono16;
    std::string lying = waveHeader(mono16, 1000000000) + std::string(1000, '\x10'); // claims 1 GB
    std::string noChannels = good;
    noChannels[22] = 0;
    // Headers claiming what no sound has: buffers sized from them would not fit in memory.
    auto claiming = [](int rate, int channels) {
        WaveFormat f;
        f.sampleRate = rate;
        f.channels = channels;
        return waveHeader(f, 4096) + std::string(4096, '\x10');
    };
    std::string junkMp3 = "ID3\x03" + std::string(6, '\0');
    for (int i = 0; i < 20000; ++i)
        junkMp3 += static_cast<char>((i * 7919) % 251);
    const std::pair<const char*, std::string> undecodable[] = {
        {"empty.wav", ""},
        {"text.wav", "this is not a sound at all\n"},
        {"cut-in-header.wav", good.substr(0, 30)},
        {"no-channels.wav", noChannels},
        {"junk.mp3", junkMp3},
        {"2GHz-1024ch.wav", claiming(2000000000, 1024)},
        {"1MHz.wav", claiming(1000000, 1)},
        {"64ch.wav", claiming(44100, 64)},
        {"100Hz.wav", claiming(100, 1)},
    };
    for (const auto& [name, bytes] : undecodable) {
        SCOPED_TRACE(name);
        writeFile(folder.file(name), bytes);
        DecodedSound s;
        std::string why;
        EXPECT_EQ(decodeSoundFile(folder.file(name), s, &why), SoundFileStatus::Undecodable);
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(probeSoundFile(folder.file(name)), SoundFileStatus::Undecodable);
    }
    // A header that claims more than the file holds: what is there plays.
    writeFile(folder.file("lying.wav"), lying);
    DecodedSound s;
    ASSERT_EQ(decodeSoundFile(folder.file("lying.wav"), s), SoundFileStatus::Ok);
    EXPECT_EQ(s.samples.size(), 500u);
    // A sound cut off half-way plays its first half.
    writeFile(folder.file("cut.wav"), good.substr(0, good.size() / 2));
    ASSERT_EQ(decodeSoundFile(folder.file("cut.wav"), s), SoundFileStatus::Ok);
    EXPECT_NEAR(double(s.samples.size()) / 44100, 0.25, 0.01);

    EXPECT_EQ(probeSoundFile(folder.file("gone.wav")), SoundFileStatus::Missing);
    EXPECT_EQ(probeSoundFile(folder.file("gone/x.wav")), SoundFileStatus::Missing);
    std::string why;
    std::filesystem::create_directory(folder.file("folder.wav"));
    EXPECT_EQ(probeSoundFile(folder.file("folder.wav"), &why), SoundFileStatus::Undecodable);
    EXPECT_EQ(why, "is a folder");
    // A named pipe nobody writes to is refused, not waited on.
    ASSERT_EQ(::mkfifo(folder.file("pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(probeSoundFile(folder.file("pipe.wav")), SoundFileStatus::Undecodable);

    // 2 GB: zeros are refused and a long sound is probed, both without reading it all.
    QElapsedTimer t;
    t.start();
    const std::string zeros = folder.file("zeros.wav"), huge = folder.file("huge.wav");
    writeFile(zeros, "");
    std::filesystem::resize_file(zeros, 2LL << 30);
    EXPECT_EQ(probeSoundFile(zeros), SoundFileStatus::Undecodable);
    writeFile(huge, waveHeader(mono16, kWaveMaxDataBytes));
    std::filesystem::resize_file(huge, 2LL << 30);
    EXPECT_EQ(probeSoundFile(huge), SoundFileStatus::Ok);
    EXPECT_LT(t.elapsed(), 2000);
}

TEST(SoundFile, ProbingLeavesTheAccessTimeAndPlayingReadsPastTheHeader) {
    TempFolder folder;
    const std::string tone = makeTone(folder);
    // A day-old access time is renewed by any ordinary read, also where reads are stamped lazily.
    const timespec old[2] = {{946684800, 0}, {UTIME_OMIT, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tone.c_str(), old, 0), 0);
    EXPECT_EQ(probeSoundFile(tone), SoundFileStatus::Ok);
    struct stat st {};
    ASSERT_EQ(::stat(tone.c_str(), &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, 946684800);
    // The sound after the first bytes read at open is decoded from the file, whole and in order.
    DecodedSound s;
    ASSERT_EQ(decodeSoundFile(tone, s), SoundFileStatus::Ok);
    ASSERT_EQ(s.samples.size(), 22050u);
    EXPECT_NEAR(rmsOf(s), 0.354, 0.01);
    EXPECT_NEAR(std::sin(2 * M_PI * 440 * 20000 / 44100.0) * 0.5 * 32768, s.samples[20000], 200);
}

} // namespace
