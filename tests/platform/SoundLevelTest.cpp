// Where a sound's content starts and ends, and the ready file made of it: the sounds people make.
#include "platform/soundfile/SoundLevel.h"
#include "platform/soundfile/ReadySound.h"
#include "platform/soundfile/SoundFile.h"
#include "support/TestSounds.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QProcess>
#include <cmath>
#include <gtest/gtest.h>

namespace {

std::vector<short> silence(double seconds) {
    return std::vector<short>(std::size_t(seconds * kTestRate), 0);
}

std::vector<short> then(std::vector<short> a, const std::vector<short>& b) {
    append(a, b);
    return a;
}

} // namespace

TEST(SoundLevel, FindsTheContentOfTheSoundsPeopleMake) {
    const std::vector<short> word = speech("你好");
    ASSERT_FALSE(word.empty()) << "espeak-ng's Mandarin voice is needed";
    std::vector<short> click = silence(1.5);
    click[std::size_t(0.2 * kTestRate)] = 30000;
    mixIn(click, vowel(0.4, -16), std::size_t(0.8 * kTestRate));
    std::vector<short> dc = then(silence(0.3), vowel(0.5, -20));
    for (short& v : dc)
        v = short(v + 3000);
    std::vector<short> clipped = silence(0.3);
    for (short v : vowel(0.5, -3))
        clipped.push_back(short(std::clamp(int(v) * 4, -32768, 32767)));
    struct Case {
        const char* name;
        std::vector<short> sound;
        double onset, end; // seconds; onset < 0: room noise, left whole
    };
    const Case cases[] = {
        {"speech after a second of room noise", then(pinkNoise(1, -50), then(word, pinkNoise(0.5, -50, 3))),
         1.0, 1.0 + double(word.size()) / kTestRate},
        {"a soft fricative before the vowel",
         then(pinkNoise(0.5, -50), then(hiss(0.12, -35), then(vowel(0.4, -14), pinkNoise(0.3, -50, 4)))), 0.5,
         1.02},
        {"nothing but room noise", pinkNoise(2, -50), -1, 0},
        {"a click before the word", click, 0.8, 1.2},
        {"an offset that never leaves", dc, 0.3, 0.8},
        {"a sound that already clips", then(clipped, silence(0.2)), 0.3, 0.8},
        {"a quiet pause is kept",
         then(silence(0.4), then(vowel(0.4, -16), then(pinkNoise(0.8, -48), vowel(0.4, -16)))), 0.4, 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SoundLevel level = measureContent(c.sound.data(), (long long)c.sound.size(), kTestRate, 1);
        std::vector<short> ready = c.sound;
        const ReadyCut cut = makeReady(ready, kTestRate, 1, ReadyChoice{}, true);
        if (c.onset < 0) {
            EXPECT_TRUE(level.silent);
            EXPECT_EQ(ready, c.sound);
            continue;
        }
        ASSERT_FALSE(level.silent);
        EXPECT_NEAR(double(level.onset) / kTestRate, c.onset, 0.015);
        EXPECT_NEAR(double(level.end) / kTestRate, c.end, 0.03);
        // The pad before the onset never reaches into the word, and what is kept plays at the target.
        EXPECT_NEAR(double(level.onset - cut.from) / kTestRate, kLeadPadMs / 1000.0, 0.001);
        const SoundLoudness after =
            measureLoudness(ready.data(), (long long)ready.size(), kTestRate, 1, true);
        EXPECT_LE(20 * std::log10(after.peak), kPeakCeilingDb + 0.1);
        if (20 * std::log10(after.peak) < kPeakCeilingDb - 0.5) {
            EXPECT_NEAR(after.lufs, kTargetLufs, 0.2);
        }
        EXPECT_NEAR(measureContent(ready.data(), (long long)ready.size(), kTestRate, 1).dc[0], 0,
                    50); // the offset is gone
    }
}

// Every source the decoder reads becomes the same ready wave file; with both choices off the file is the
// sound as it was.
TEST(SoundLevel, ReadyFilesFromEverySource) {
    TempFolder folder;
    std::vector<short> take = then(pinkNoise(1, -50), then(vowel(0.6, -32), pinkNoise(0.4, -50, 5)));
    const std::string source = folder.file("take.wav");
    writeFile(source, waveBytes(kTestRate, take));
    const struct {
        const char* name;
        QStringList sox;
    } sources[] = {
        {"take.wav", {}},
        {"pcm8.wav", {"-b", "8"}},
        {"mulaw.wav", {"-e", "u-law"}},
        {"stereo48k.wav", {"-r", "48000", "-c", "2"}},
    };
    for (const auto& s : sources) {
        SCOPED_TRACE(s.name);
        const std::string path = folder.file(s.name);
        if (!s.sox.isEmpty()) {
            QStringList args{QString::fromStdString(source)};
            args << s.sox << QString::fromStdString(path);
            ASSERT_EQ(QProcess::execute("sox", args), 0);
        }
        const std::string ready = folder.file(std::string("ready-") + s.name);
        ReadySoundReport report;
        ASSERT_TRUE(writeReadySound(path, ready, ReadyChoice{}, &report));
        DecodedSound out;
        ASSERT_EQ(decodeSoundFile(ready, out), SoundFileStatus::Ok);
        const long long frames = (long long)out.samples.size() / out.channels;
        const SoundLevel level = measureContent(out.samples.data(), frames, out.sampleRate, out.channels);
        const SoundLoudness loudness =
            measureLoudness(out.samples.data(), frames, out.sampleRate, out.channels, true);
        EXPECT_NEAR(loudness.lufs, kTargetLufs, 0.3);
        EXPECT_LE(20 * std::log10(loudness.peak), kPeakCeilingDb + 0.1);
        EXPECT_NEAR(double(level.onset) / out.sampleRate, kLeadPadMs / 1000.0, 0.012);
        EXPECT_NEAR(double(frames) / out.sampleRate, 0.03 + 0.6 + 0.1, 0.02);
    }
    // A take that is room noise only is filed as it is, so is everything when the user turns both off.
    const std::vector<short> noise = pinkNoise(1, -50);
    const std::string ready = folder.file("noise-ready.wav");
    ASSERT_TRUE(writeReadySound(noise.data(), (long long)noise.size(), kTestRate, 1, ready, ReadyChoice{}));
    EXPECT_EQ(readMono16(ready), noise);
    ASSERT_TRUE(writeReadySound(source, ready, ReadyChoice{false, false}));
    EXPECT_EQ(readFile(ready), readFile(source));
    // A sound that does not decode leaves the target as it was.
    writeFile(folder.file("bad.wav"), "RIFF not a sound");
    EXPECT_FALSE(writeReadySound(folder.file("bad.wav"), ready, ReadyChoice{}));
    EXPECT_EQ(readFile(ready), readFile(source));
}
