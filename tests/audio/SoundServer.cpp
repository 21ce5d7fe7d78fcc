#include "SoundServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

bool runTool(const QString& program, const QStringList& args, int timeoutMs, QByteArray* out) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(5000))
        return false;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    if (out)
        *out = p.readAllStandardOutput() + p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

std::string soundServerProblem() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime)
        return "no sound server: XDG_RUNTIME_DIR is not set. Start it with "
               "`source scripts/services.sh; start_sound_server` (scripts/test does) before the tests.";
    QByteArray out;
    if (!runTool(QStringLiteral("pactl"),
                 {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sources")}, 5000, &out))
        return "no sound server answers at XDG_RUNTIME_DIR=" + std::string(runtime) +
               ". Start it with `source scripts/services.sh; start_sound_server`.";
    if (!out.contains("nullsink.monitor") || !out.contains("mic"))
        return "the sound server has no null sink and virtual microphone (see scripts/services.sh)";
    return {};
}

void writeTone(const std::string& path, double seconds, double hz, double amplitude) {
    auto n = static_cast<std::uint32_t>(seconds * kRate);
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
    for (std::uint32_t i = 0; i < n; ++i) {
        double v = amplitude * std::sin(2 * M_PI * hz * i / kRate);
        put16(w, static_cast<std::uint16_t>(static_cast<short>(v * 32767)));
    }
    QFile f(QString::fromStdString(path));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(w.data(), static_cast<qint64>(w.size()));
}

bool encodeMp3(const std::string& wavPath, const std::string& mp3Path) {
    return runTool(QStringLiteral("lame"),
                   {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("64"),
                    QString::fromStdString(wavPath), QString::fromStdString(mp3Path)});
}

double writeSpeech(const std::string& path, const QString& text) {
    if (!runTool(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), QString::fromStdString(path), text}))
        return -1;
    int rate = 0;
    auto s = readMono16(path, &rate);
    return rate > 0 ? double(s.size()) / rate : -1;
}

std::vector<short> readMono16(const std::string& path, int* rate) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray b = f.readAll();
    if (b.size() < 44 || !b.startsWith("RIFF"))
        return {};
    // Walk the chunks: espeak-ng and our recorder both write fmt then data, but do not rely on 44 bytes.
    qsizetype at = 12;
    std::vector<short> out;
    while (at + 8 <= b.size()) {
        std::uint32_t size;
        std::memcpy(&size, b.constData() + at + 4, 4);
        if (std::memcmp(b.constData() + at, "fmt ", 4) == 0 && rate) {
            std::uint32_t r;
            std::memcpy(&r, b.constData() + at + 12, 4);
            *rate = int(r);
        }
        if (std::memcmp(b.constData() + at, "data", 4) == 0) {
            qsizetype bytes = std::min<qsizetype>(size, b.size() - at - 8);
            out.resize(std::size_t(std::max<qsizetype>(0, bytes / 2)));
            if (!out.empty())
                std::memcpy(out.data(), b.constData() + at + 8, out.size() * 2);
            return out;
        }
        at += 8 + qsizetype(size) + (size & 1);
    }
    return {};
}

double rms(const std::vector<short>& s, std::size_t from, std::size_t to) {
    to = std::min(to, s.size());
    if (from >= to)
        return 0;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from)) / 32768.0;
}

CSinkCapture::CSinkCapture() {
    QObject::connect(&m_Parec, &QProcess::readyReadStandardOutput,
                     [this] { m_Data += m_Parec.readAllStandardOutput(); });
    m_Parec.start(QStringLiteral("parec"),
                  {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"), QStringLiteral("--raw"),
                   QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                   QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5")});
    m_Started = m_Parec.waitForStarted(5000);
    // Let the stream connect before anything is played.
    wait(300);
    m_Data.clear();
}

CSinkCapture::~CSinkCapture() {
    m_Parec.kill();
    m_Parec.waitForFinished(2000);
}

void CSinkCapture::wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        m_Parec.waitForReadyRead(5);
        m_Data += m_Parec.readAllStandardOutput();
    }
}

std::vector<short> CSinkCapture::samples() {
    m_Data += m_Parec.readAllStandardOutput();
    std::vector<short> s(std::size_t(m_Data.size() / 2));
    if (!s.empty()) // nothing captured yet: memcpy must not see the empty vector's null data
        std::memcpy(s.data(), m_Data.constData(), s.size() * 2);
    return s;
}

double CSinkCapture::loudSeconds(double level) {
    auto s = samples();
    const std::size_t win = kRate / 100;
    int loud = 0;
    for (std::size_t i = 0; i + win <= s.size(); i += win)
        loud += rms(s, i, i + win) > level;
    return loud / 100.0;
}

double CSinkCapture::firstLoud(double level) {
    auto s = samples();
    const std::size_t win = kRate / 100;
    for (std::size_t i = 0; i + win <= s.size(); i += win)
        if (rms(s, i, i + win) > level)
            return double(i) / kRate;
    return -1;
}

double CSinkCapture::lastLoud(double level) {
    auto s = samples();
    const std::size_t win = kRate / 100;
    double last = -1;
    for (std::size_t i = 0; i + win <= s.size(); i += win)
        if (rms(s, i, i + win) > level)
            last = double(i + win) / kRate;
    return last;
}

double CSinkCapture::tailRms(int ms) {
    auto s = samples();
    std::size_t n = std::size_t(kRate) * std::size_t(ms) / 1000;
    return rms(s, s.size() > n ? s.size() - n : 0, s.size());
}
