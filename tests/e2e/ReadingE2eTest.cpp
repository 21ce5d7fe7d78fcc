// Point reading with the real program: the pen's digits and Enter arrive as real X key events at the
// point-reading window, and the filed sound is heard in the sound server's sink.
#include "e2e/E2eSupport.h"
#include "support/Wave.h"

#include <QImage>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// Pitch of 20 ms of sound from its zero crossings (Hz).
double pitch(const std::vector<short>& s, std::size_t from, std::size_t n) {
    int crossings = 0;
    for (std::size_t i = from + 1; i < from + n; ++i)
        crossings += (s[i - 1] < 0) != (s[i] < 0);
    return crossings * 44100.0 / double(n) / 2.0;
}

class ReadingE2e : public E2eSoundTest {};

} // namespace

TEST_F(ReadingE2e, PenKeysAtThePointReadingWindowPlayTheFiledSound) {
    const std::string folder = kiv.programFolder();
    writeTone(folder + "000042.wav", 0.6, 440);
    writeFile(folder + "KIV_Lib.cfg", "000042  \"tone\"  S_WAV  \"" + folder + "000042.wav\"\r\n");
    ASSERT_NO_FATAL_FAILURE(startMain());
    ASSERT_NO_FATAL_FAILURE(openReading());

    CSinkMonitor monitor;
    ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 4 2")));
    EXPECT_EQ(monitor.waitLoud(400), 0) << "six digits alone play nothing";
    const qint64 enter = nowNs();
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    const qint64 loud = monitor.waitLoud(5000);
    ASSERT_NE(loud, 0) << "no sound after the pen's Enter\n" << kiv.output().toStdString();
    const double ms = double(loud - enter) / 1e6;
    std::printf("pen Enter as an X key event (xdotool started) to sound read from the sink: %.1f ms\n", ms);
    RecordProperty("enter_to_sound_ms", QString::number(ms, 'f', 1).toStdString());
    ASSERT_NE(monitor.waitQuiet(3000), 0) << "the tone did not end";

    // The Enter did not end the window; a number of five digits plays nothing.
    EXPECT_FALSE(windowGone(QStringLiteral("点读"), 300));
    monitor.drain();
    ASSERT_TRUE(kiv.key(reading, QStringLiteral("1 2 3 4 5 Return")));
    EXPECT_EQ(monitor.waitLoud(1500), 0) << "five digits and Enter played something";
    // The same code read again plays again.
    ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 4 2 Return")));
    EXPECT_NE(monitor.waitLoud(5000), 0) << "the second reading played nothing";
    EXPECT_NE(monitor.waitQuiet(3000), 0) << "the tone did not end";

    ASSERT_NO_FATAL_FAILURE(leaveReading());
    quit();
    const QString out = kiv.output();
    // The watcher traced the two Enters that completed six digits, and nothing for the five.
    EXPECT_EQ(out.count(QStringLiteral("CH==0d")), 2) << out.toStdString();
}

TEST_F(ReadingE2e, ShiftKeypadSevenDigitsUnfiledCodesAndAQuickSecondScan) {
    ShiftReleased shiftReleased;
    const std::string folder = kiv.programFolder();
    // Two tones told apart by pitch and length: a long low one and a short high one.
    writeTone(folder + "000042.wav", 2.0, 440);
    writeTone(folder + "000777.wav", 0.4, 1500);
    writeFile(folder + "KIV_Lib.cfg", "000042  \"low\"  S_WAV  \"" + folder + "000042.wav\"\r\n" +
                                          "000777  \"high\"  S_WAV  \"" + folder + "000777.wav\"\r\n");
    ASSERT_NO_FATAL_FAILURE(startMain());
    ASSERT_NO_FATAL_FAILURE(openReading());

    {
        CSinkMonitor monitor;
        // Digits typed with Shift held are still the pen's digits.
        ASSERT_TRUE(sendKeys(reading, QStringLiteral("0 0 0 7 7 7 Return"), 5, true));
        EXPECT_NE(monitor.waitLoud(5000), 0) << "six digits and Enter with Shift held played nothing\n"
                                             << kiv.output().toStdString();
        ASSERT_NE(monitor.waitQuiet(3000), 0) << "the tone did not end";
        monitor.drain();
        // Keypad digits are not the pen's.
        ASSERT_TRUE(sendKeys(reading, QStringLiteral("KP_0 KP_0 KP_0 KP_7 KP_7 KP_7 Return"), 5));
        EXPECT_EQ(monitor.waitLoud(1500), 0) << "keypad digits and Enter played something";
        // Seven digits are no code, whether its first six or its last six are filed.
        ASSERT_TRUE(sendKeys(reading, QStringLiteral("0 0 0 7 7 7 1 Return"), 5));
        EXPECT_EQ(monitor.waitLoud(1500), 0) << "seven digits (first six filed) and Enter played something";
        ASSERT_TRUE(sendKeys(reading, QStringLiteral("1 0 0 0 7 7 7 Return"), 5));
        EXPECT_EQ(monitor.waitLoud(1500), 0) << "seven digits (last six filed) and Enter played something";

        // A code that is not filed plays nothing and adds nothing to the log.
        const QImage before = screenshot(reading, "reading-before-unfiled.png");
        ASSERT_FALSE(before.isNull()) << "no screenshot of the point-reading window";
        ASSERT_TRUE(sendKeys(reading, QStringLiteral("0 0 0 0 9 9 Return"), 5));
        EXPECT_EQ(monitor.waitLoud(1500), 0) << "an unfiled code played something";
        const QImage after = screenshot(reading, "reading-after-unfiled.png");
        EXPECT_TRUE(after == before) << "an unfiled code changed the point-reading window";
    }

    // Two quick scans: the second code stops the first sound and plays its own.
    const QImage beforeTwo = screenshot(reading, "reading-before-two.png");
    CSinkMonitor capture;
    ASSERT_TRUE(capture.started());
    ASSERT_TRUE(sendKeys(reading, QStringLiteral("0 0 0 0 4 2 Return"), 5));
    // The second scan comes 0.3 s into the first tone.
    ASSERT_TRUE(waitUntil([&] { return capture.loudSeconds() >= 0.3; }, kPatience))
        << "the first scan played nothing";
    ASSERT_TRUE(sendKeys(reading, QStringLiteral("0 0 0 7 7 7 Return"), 5));
    // Until both have been heard (0.3 s and more of the first, 0.4 s of the second) and the sink is quiet.
    waitUntil([&] { return capture.loudSeconds() >= 0.6 && capture.tailRms(300) < 0.005; }, kPatience);
    const std::vector<short> s = capture.samples();
    const std::size_t win = 44100 / 50;
    std::size_t firstLow = SIZE_MAX, firstHigh = SIZE_MAX, lastHigh = 0, lastLoud = 0;
    int lowAfterHigh = 0;
    double lowRms = 0, highRms = 0;
    int lows = 0, highs = 0;
    for (std::size_t i = 0; i + win <= s.size(); i += win) {
        const double level = rms(s, i, i + win);
        if (level < 0.02)
            continue;
        lastLoud = i;
        const double hz = pitch(s, i, win);
        if (hz > 300 && hz < 600) {
            firstLow = std::min(firstLow, i);
            // One window may hold the moment of the switch; more mean the first tone went on.
            if (firstHigh != SIZE_MAX)
                ++lowAfterHigh;
            lowRms += level;
            ++lows;
        } else if (hz > 1200 && hz < 1800) {
            firstHigh = std::min(firstHigh, i);
            lastHigh = i;
            highRms += level;
            ++highs;
        }
    }
    ASSERT_NE(firstLow, SIZE_MAX) << "the first code's tone was not heard";
    ASSERT_NE(firstHigh, SIZE_MAX) << "the second code's tone was not heard\n" << kiv.output().toStdString();
    EXPECT_LT(firstLow, firstHigh) << "the first tone came after the second";
    EXPECT_LE(lowAfterHigh, 1) << "the first tone went on after the second began";
    const double highSeconds = double(highs) * win / 44100.0;
    EXPECT_GT(highSeconds, 0.25) << "the second tone was cut short";
    EXPECT_LE(lastLoud, lastHigh + win) << "something played on after the second tone ended";
    // The second tone alone is as loud as the first; the two together would be louder.
    EXPECT_LT(highRms / highs, 1.2 * (lowRms / lows)) << "the two tones played at the same time";
    const double lowSeconds = double(lows) * win / 44100.0;
    EXPECT_LT(lowSeconds, 1.2) << "the first tone (2 s) was not cut off";

    // Both plays are logged; the shot is kept for a person to read the rows and their time stamps.
    const QImage afterTwo = screenshot(reading, "reading-log.png");
    EXPECT_FALSE(afterTwo == beforeTwo) << "the two plays left no rows in the log";
    std::printf("point-reading window with its log: %s\n", shotPath("reading-log.png").c_str());

    ASSERT_NO_FATAL_FAILURE(leaveReading());
    quit();
    const QString out = kiv.output();
    // Enter after six digits four times: the Shift scan, the unfiled code and the two quick scans.
    EXPECT_EQ(out.count(QStringLiteral("CH==0d")), 4) << out.toStdString();
}
