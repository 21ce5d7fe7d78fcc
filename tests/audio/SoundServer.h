#pragma once
// Real sound for the tests: the headless sound server (null sink "nullsink", virtual microphone "mic"),
// capturing what the sink plays, and files made by espeak-ng, sox and lame.
#include <QByteArray>
#include <QProcess>
#include <string>
#include <vector>

// Empty when the sound server answers; otherwise why not (the tests that need it fail with this text).
std::string soundServerProblem();

// Runs a program to its end; true when it exits with 0 within the time.
bool runTool(const QString& program, const QStringList& args, int timeoutMs = 20000,
             QByteArray* out = nullptr);

// Writes a sine tone as a wave file (16-bit mono 44.1 kHz).
void writeTone(const std::string& path, double seconds, double hz, double amplitude = 0.5);
// Encodes a wave file as MP3 with lame.
bool encodeMp3(const std::string& wavPath, const std::string& mp3Path);
// Speech as a wave file; its length in seconds.
double writeSpeech(const std::string& path, const QString& text);
// The wave file's samples (16-bit mono) and rate; empty when it is no such file.
std::vector<short> readMono16(const std::string& path, int* rate = nullptr);
// Root mean square of samples [from, to) on a 0..1 scale.
double rms(const std::vector<short>& s, std::size_t from = 0, std::size_t to = SIZE_MAX);

// Records the null sink's monitor (16-bit mono 44.1 kHz) while it lives.
class CSinkCapture {
public:
    CSinkCapture();
    ~CSinkCapture();
    bool started() const { return m_Started; }
    // Lets the events run for ms milliseconds while capturing.
    void wait(int ms);
    // The samples captured so far.
    std::vector<short> samples();
    // Seconds of sound louder than level (rms over 10 ms windows) in the capture.
    double loudSeconds(double level = 0.02);
    // Seconds from the capture's start to its first loud 10 ms window, or -1.
    double firstLoud(double level = 0.02);
    // Seconds from the capture's start to the end of its last loud 10 ms window, or -1.
    double lastLoud(double level = 0.02);
    // Loudness (rms) over the last ms milliseconds captured.
    double tailRms(int ms);

private:
    QProcess m_Parec;
    QByteArray m_Data;
    bool m_Started = false;
};
