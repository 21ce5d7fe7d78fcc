#pragma once
// What the sound benchmarks share: a clock, an event pump, a tone written as a wave file, and a monitor that
// timestamps what the null sink plays (read from its monitor source with parec).
#include <QProcess>
#include <QtGlobal>
#include <string>

qint64 nowNs();
// Runs the event loop for a while.
void pump(int ms);
// A 16-bit mono 44.1 kHz sine tone, written atomically.
void writeTone(const std::string& path, double seconds, double hz);

class CSinkMonitor {
public:
    CSinkMonitor();
    ~CSinkMonitor();
    CSinkMonitor(const CSinkMonitor&) = delete;
    CSinkMonitor& operator=(const CSinkMonitor&) = delete;

    // Drops what was captured so far.
    void drain();
    // Waits for the first loud sample; 0 after the timeout. The time is when the read holding it returned
    // (an upper bound), or, with estimate, that moment less the samples that followed it in the read.
    qint64 waitLoud(int timeoutMs, bool estimate = false);
    // Waits until a 5 ms stretch is quiet; its estimated start (ns), or 0 after the timeout.
    qint64 waitQuiet(int timeoutMs);

private:
    QProcess m_Parec;
};
