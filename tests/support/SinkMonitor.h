#pragma once
// What the null sink plays, read from its monitor source with parec (16-bit mono 44.1 kHz) while the
// monitor lives: kept for the tests' loudness checks, and timestamped for the benchmarks' latency figures.
#include <QByteArray>
#include <QProcess>
#include <QtGlobal>
#include <vector>

// A sample above -30 dBFS: where a listener hears the first word.
constexpr int kWordSample = 1036;

class CSinkMonitor {
public:
    CSinkMonitor();
    ~CSinkMonitor();
    CSinkMonitor(const CSinkMonitor&) = delete;
    CSinkMonitor& operator=(const CSinkMonitor&) = delete;

    bool started() const { return m_Started; }
    // Lets the events run for ms milliseconds while capturing.
    void wait(int ms);
    // Forgets what was captured so far, including what parec has written and we have not read yet.
    void drain();

    // The samples captured since the start or the last drain.
    std::vector<short> samples();
    // Seconds of sound louder than level (rms over 10 ms windows) in the capture.
    double loudSeconds(double level = 0.02);
    // Seconds from the capture's start to its first loud 10 ms window, or -1.
    double firstLoud(double level = 0.02);
    // Seconds from the capture's start to the end of its last loud 10 ms window, or -1.
    double lastLoud(double level = 0.02);
    // Loudness (rms) over the last ms milliseconds captured.
    double tailRms(int ms);

    // Waits for a loud sample (above the given value, -21 dBFS unless told) not looked at yet; 0 after the
    // timeout. The time (nowNs) is when the read holding it returned (an upper bound), or, with estimate,
    // that moment less the samples after it.
    qint64 waitLoud(int timeoutMs, bool estimate = false, int above = 3000);
    // Waits until a 5 ms stretch not looked at yet is quiet; its estimated start, or 0 after the timeout.
    qint64 waitQuiet(int timeoutMs);

private:
    // Reads what parec has written; the new samples start at m_Data's old size.
    bool read(int waitMs);
    template <class Found> qint64 scan(int timeoutMs, Found found);

    QProcess m_Parec;
    QByteArray m_Data;
    qsizetype m_Seen = 0; // bytes waitLoud/waitQuiet have looked at
    bool m_Started = false;
};
