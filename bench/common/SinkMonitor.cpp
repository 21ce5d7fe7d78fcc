#include "SinkMonitor.h"

#include "platform/Files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {
constexpr int kRate = 44100;

void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
} // namespace

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

void writeTone(const std::string& path, double seconds, double hz) {
    const auto n = static_cast<std::uint32_t>(seconds * kRate);
    std::string w = "RIFF";
    put32(w, 36 + n * 2);
    w += "WAVEfmt ";
    put32(w, 16);
    put16(w, 1);
    put16(w, 1);
    put32(w, kRate);
    put32(w, kRate * 2);
    put16(w, 2);
    put16(w, 16);
    w += "data";
    put32(w, n * 2);
    for (std::uint32_t i = 0; i < n; ++i)
        put16(w, static_cast<std::uint16_t>(
                     static_cast<short>(0.5 * 32767 * std::sin(2 * M_PI * hz * i / kRate))));
    atomicReplace(path, w);
}

CSinkMonitor::CSinkMonitor() {
    m_Parec.start(QStringLiteral("parec"),
                  {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"), QStringLiteral("--raw"),
                   QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                   QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5")});
    m_Parec.waitForStarted(5000);
    pump(300);
    m_Parec.readAllStandardOutput();
}

CSinkMonitor::~CSinkMonitor() {
    m_Parec.kill();
    m_Parec.waitForFinished(2000);
}

void CSinkMonitor::drain() {
    m_Parec.readAllStandardOutput();
}

qint64 CSinkMonitor::waitLoud(int timeoutMs, bool estimate) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (!m_Parec.waitForReadyRead(2))
            continue;
        const qint64 at = nowNs();
        const QByteArray b = m_Parec.readAllStandardOutput();
        const auto* s = reinterpret_cast<const short*>(b.constData());
        const qsizetype n = b.size() / 2;
        for (qsizetype i = 0; i < n; ++i)
            if (std::abs(int(s[i])) > 3000)
                return estimate ? at - (n - i) * 1000000000LL / kRate : at;
    }
    return 0;
}

qint64 CSinkMonitor::waitQuiet(int timeoutMs) {
    QElapsedTimer t;
    t.start();
    int quiet = 0;
    while (t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (!m_Parec.waitForReadyRead(2))
            continue;
        const qint64 at = nowNs();
        const QByteArray b = m_Parec.readAllStandardOutput();
        const auto* s = reinterpret_cast<const short*>(b.constData());
        const qsizetype n = b.size() / 2;
        for (qsizetype i = 0; i < n; ++i) {
            quiet = std::abs(int(s[i])) < 300 ? quiet + 1 : 0;
            if (quiet >= 220)
                return at - (n - i + 220) * 1000000000LL / kRate;
        }
    }
    return 0;
}
