#include "support/SinkMonitor.h"

#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>

namespace {
constexpr int kRate = 44100;
constexpr std::size_t kWindow = kRate / 100;
} // namespace

CSinkMonitor::CSinkMonitor() {
    // parec dies with its test: one left running would hold the sink for the next run.
    m_Parec.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_Parec.start(QStringLiteral("parec"),
                  {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"), QStringLiteral("--raw"),
                   QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                   QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5")});
    m_Started = m_Parec.waitForStarted(5000);
    // Connected once samples come (the sink always plays, zeros when nothing else): then anything played
    // is captured.
    QElapsedTimer t;
    t.start();
    while (m_Started && m_Data.isEmpty() && t.elapsed() < 5000)
        read(5);
    drain();
}

CSinkMonitor::~CSinkMonitor() {
    m_Parec.kill();
    m_Parec.waitForFinished(2000);
}

bool CSinkMonitor::read(int waitMs) {
    const bool more = m_Parec.waitForReadyRead(waitMs);
    m_Data += m_Parec.readAllStandardOutput();
    return more;
}

void CSinkMonitor::wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        read(5);
    }
}

void CSinkMonitor::drain() {
    // A test that blocked on another process left sound in the pipe: empty it, boundedly (parec never stops).
    for (int i = 0; i < 50 && read(0); ++i) {
    }
    m_Data.clear();
    m_Seen = 0;
}

std::vector<short> CSinkMonitor::samples() {
    read(0);
    std::vector<short> s(std::size_t(m_Data.size() / 2));
    if (!s.empty()) // nothing captured yet: memcpy must not see the empty vector's null data
        std::memcpy(s.data(), m_Data.constData(), s.size() * 2);
    return s;
}

double CSinkMonitor::loudSeconds(double level) {
    const auto s = samples();
    int loud = 0;
    for (std::size_t i = 0; i + kWindow <= s.size(); i += kWindow)
        loud += rms(s, i, i + kWindow) > level;
    return loud / 100.0;
}

double CSinkMonitor::firstLoud(double level) {
    const auto s = samples();
    for (std::size_t i = 0; i + kWindow <= s.size(); i += kWindow)
        if (rms(s, i, i + kWindow) > level)
            return double(i) / kRate;
    return -1;
}

double CSinkMonitor::lastLoud(double level) {
    const auto s = samples();
    double last = -1;
    for (std::size_t i = 0; i + kWindow <= s.size(); i += kWindow)
        if (rms(s, i, i + kWindow) > level)
            last = double(i + kWindow) / kRate;
    return last;
}

double CSinkMonitor::tailRms(int ms) {
    const auto s = samples();
    const std::size_t n = std::size_t(kRate) * std::size_t(ms) / 1000;
    return rms(s, s.size() > n ? s.size() - n : 0, s.size());
}

// Hands found() each sample not looked at yet, with how many follow it in the read that brought it;
// found() returns the time to report, or 0 to go on.
template <class Found> qint64 CSinkMonitor::scan(int timeoutMs, Found found) {
    QElapsedTimer t;
    t.start();
    bool first = true;
    while (first || t.elapsed() < timeoutMs) {
        if (!first) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (!read(2))
                continue;
        }
        first = false;
        const qint64 at = nowNs();
        const auto* s = reinterpret_cast<const short*>(m_Data.constData());
        const qsizetype n = m_Data.size() / 2;
        for (qsizetype i = m_Seen / 2; i < n; ++i) {
            if (const qint64 when = found(s[i], at, n - i)) {
                m_Seen = m_Data.size();
                return when;
            }
        }
        m_Seen = n * 2;
    }
    return 0;
}

qint64 CSinkMonitor::waitLoud(int timeoutMs, bool estimate, int above) {
    return scan(timeoutMs, [estimate, above](short v, qint64 at, qsizetype after) -> qint64 {
        if (std::abs(int(v)) <= above)
            return 0;
        return estimate ? at - after * 1000000000LL / kRate : at;
    });
}

qint64 CSinkMonitor::waitQuiet(int timeoutMs) {
    int quiet = 0;
    return scan(timeoutMs, [&quiet](short v, qint64 at, qsizetype after) -> qint64 {
        quiet = std::abs(int(v)) < 300 ? quiet + 1 : 0;
        return quiet >= 220 ? at - (after + 220) * 1000000000LL / kRate : 0;
    });
}
