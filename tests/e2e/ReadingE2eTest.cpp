// Point reading with the real program: the pen's digits and Enter arrive as real X key events at the
// point-reading window, and the filed sound is heard in the sound server's sink.
#include "audio/SoundServer.h"
#include "e2e/E2eSupport.h"

#include <QElapsedTimer>
#include <QSize>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

QString x(const QStringList& args) {
    return run(QStringLiteral("xdotool"), args);
}
void pause(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QSize windowSize(const QString& window) {
    int w = 0, h = 0;
    for (const QString& line :
         x({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}).split(u'\n')) {
        if (line.startsWith(QLatin1String("WIDTH=")))
            w = line.mid(6).toInt();
        if (line.startsWith(QLatin1String("HEIGHT=")))
            h = line.mid(7).toInt();
    }
    return {w, h};
}

void click(const QString& window, int px, int py) {
    x({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(px),
       QString::number(py), QStringLiteral("click"), QStringLiteral("1")});
}

bool windowGone(const QString& title, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        bool found = false;
        const QString ids = run(QStringLiteral("xdotool"),
                                {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--name"), QStringLiteral("^%1$").arg(title)},
                                &found);
        if (!found || ids.isEmpty())
            return true;
        pause(100);
    }
    return false;
}

// What the null sink plays, read from its monitor.
class CMonitor {
public:
    CMonitor() {
        m_Parec.start(QStringLiteral("parec"),
                      {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"), QStringLiteral("--raw"),
                       QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                       QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5")});
        m_Parec.waitForStarted(5000);
        pause(300);
        m_Parec.readAllStandardOutput();
    }
    ~CMonitor() {
        m_Parec.kill();
        m_Parec.waitForFinished(2000);
    }
    void drain() {
        m_Parec.waitForReadyRead(20);
        m_Parec.readAllStandardOutput();
    }
    // When the read holding the first loud sample since the last drain returned (ns), or 0 when none came in
    // time.
    qint64 waitLoud(int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (!m_Parec.waitForReadyRead(5))
                continue;
            const qint64 at = nowNs();
            const QByteArray b = m_Parec.readAllStandardOutput();
            const auto* s = reinterpret_cast<const short*>(b.constData());
            for (qsizetype i = 0; i < b.size() / 2; ++i)
                if (std::abs(int(s[i])) > 3000)
                    return at;
        }
        return 0;
    }

private:
    QProcess m_Parec;
};

} // namespace

TEST(ReadingE2e, PenKeysAtThePointReadingWindowPlayTheFiledSound) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    KivProcess kiv;
    const std::string folder = kiv.programFolder();
    writeTone(folder + "000042.wav", 0.6, 440);
    writeFile(folder + "KIV_Lib.cfg", "000042  \"tone\"  S_WAV  \"" + folder + "000042.wav\"\r\n");
    ASSERT_TRUE(kiv.start());
    const QString main = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"));
    ASSERT_FALSE(main.isEmpty()) << kiv.output().toStdString();
    pause(3000); // the sink delivers in small blocks only after a while

    // "进入点读" keeps 8 pixels from the left edge and 18 from the bottom.
    const QSize mainSize = windowSize(main);
    click(main, 8 + 20, mainSize.height() - 18 - 10);
    const QString reading = kiv.waitForWindow(QStringLiteral("点读"));
    ASSERT_FALSE(reading.isEmpty()) << kiv.output().toStdString();
    pause(300);

    CMonitor monitor;
    ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 4 2")));
    pause(100);
    monitor.drain();
    EXPECT_EQ(monitor.waitLoud(300), 0) << "six digits alone play nothing";
    const qint64 enter = nowNs();
    x({QStringLiteral("key"), QStringLiteral("Return")});
    const qint64 loud = monitor.waitLoud(5000);
    ASSERT_NE(loud, 0) << "no sound after the pen's Enter\n" << kiv.output().toStdString();
    const double ms = double(loud - enter) / 1e6;
    std::printf("pen Enter as an X key event (xdotool started) to sound read from the sink: %.1f ms\n", ms);
    RecordProperty("enter_to_sound_ms", QString::number(ms, 'f', 1).toStdString());
    pause(1000); // the tone ends

    // The Enter did not end the window; a number of five digits plays nothing.
    EXPECT_FALSE(windowGone(QStringLiteral("点读"), 300));
    ASSERT_TRUE(kiv.key(reading, QStringLiteral("1 2 3 4 5 Return")));
    monitor.drain();
    EXPECT_EQ(monitor.waitLoud(1500), 0) << "five digits and Enter played something";
    // The same code read again plays again.
    ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 4 2 Return")));
    EXPECT_NE(monitor.waitLoud(5000), 0) << "the second reading played nothing";
    pause(1000);

    // "退出" ends the window; it sits at 330..380 x 205..219 of the 387 x 227 dialog units.
    const QSize size = windowSize(reading);
    click(reading, size.width() * 355 / 387, size.height() * 212 / 227);
    EXPECT_TRUE(windowGone(QStringLiteral("点读"), 5000));

    kiv.key(main, QStringLiteral("Escape"));
    EXPECT_EQ(kiv.waitForExit(), 0);
    const QString out = kiv.output();
    // The watcher traced the two Enters that completed six digits, and nothing for the five.
    EXPECT_EQ(out.count(QStringLiteral("CH==0d")), 2) << out.toStdString();
}
