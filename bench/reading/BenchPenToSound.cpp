// From the pen's Enter to sound: the key goes through the window's real key delivery, the key watcher posts
// UM_PLAY_CODE, the main window's stand-in plays the record while the point-reading window is open (and logs
// the line). Reports, in milliseconds, the time until the first frame is handed to the sound server and
// until the null sink's monitor hears it (median, p90, worst). Needs the headless sound server
// (source scripts/services.sh; start_sound_server). "heard" is when the read from the monitor that holds the
// first loud sample returned: an upper bound (the null sink renders ahead of the clock, so placing samples
// back in time from the read would come out too early). Also the cost of the watcher routine per code,
// its trace line included (run with 2>/dev/null to keep the traces out).
#include "audio/Playback.h"
#include "controls/GridListCtrlEx1.h"
#include "library/IndexFormat.h"
#include "library/SoundLibrary.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "reading/KeyboardHook.h"
#include "reading/Training.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

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

void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void writeTone(const std::string& path, double seconds, double hz) {
    auto n = static_cast<std::uint32_t>(seconds * 44100);
    std::string w = "RIFF";
    put32(w, 36 + n * 2);
    w += "WAVEfmt ";
    put32(w, 16);
    put16(w, 1);
    put16(w, 1);
    put32(w, 44100);
    put32(w, 88200);
    put16(w, 2);
    put16(w, 16);
    w += "data";
    put32(w, n * 2);
    for (std::uint32_t i = 0; i < n; ++i)
        put16(w, static_cast<std::uint16_t>(
                     static_cast<short>(0.5 * 32767 * std::sin(2 * M_PI * hz * i / 44100))));
    atomicReplace(path, w);
}

// Stands in for the main window: plays what the watcher posts.
class CMain : public CMessageWindow<QWidget> {
public:
    CPlayback* playback = nullptr;

protected:
    LRESULT WindowProc(unsigned msg, WPARAM w, LPARAM) override {
        if (msg == UM_PLAY_CODE)
            return playback->PlayCode(static_cast<int>(w));
        return 0;
    }
};

// Timestamps what the null sink plays, read from its monitor.
class CMonitor {
public:
    CMonitor() {
        m_Parec.start(QStringLiteral("parec"),
                      {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"), QStringLiteral("--raw"),
                       QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                       QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5")});
        m_Parec.waitForStarted(5000);
        pump(300);
        m_Parec.readAllStandardOutput();
    }
    ~CMonitor() {
        m_Parec.kill();
        m_Parec.waitForFinished(2000);
    }
    void drain() { m_Parec.readAllStandardOutput(); }
    // When the read holding the first loud sample from now on returned (ns), or 0 after the timeout.
    qint64 waitLoud(int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (!m_Parec.waitForReadyRead(2))
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

struct World {
    QTemporaryDir dir;
    CSoundLibrary library;
    CPlayback playback{&library};
    CMain main;
    CTraining* training = nullptr;

    World() {
        main.playback = &playback;
        const std::string folder = dir.path().toStdString() + "/";
        library.SetLibraryFolder(folder);
        writeTone(folder + "000042.wav", 3.0, 440);
        SOUND_RECORD r;
        r.Code = "000042";
        r.Content = "tone";
        r.SoundType = "S_WAV";
        r.SoundFile = folder + "000042.wav";
        std::string line;
        FormatIndexLine(r, line);
        atomicReplace(library.IndexPath(), line);
        library.LoadIndex();
        playback.Warm();
        training = new CTraining(&main);
        training->Create();
        training->show();
        if (!QTest::qWaitForWindowExposed(training))
            std::fprintf(stderr, "the point-reading window did not show\n");
        playback.SetLogWindow(training);
    }
    ~World() { delete training; }

    void key(Qt::Key k) { QTest::keyClick(training->windowHandle(), k); }
};

World* gWorld = nullptr;

void report(benchmark::State& state, const char* name, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    state.counters[std::string(name) + "_median_ms"] = ms[ms.size() / 2];
    state.counters[std::string(name) + "_p90_ms"] = ms[std::min(ms.size() - 1, ms.size() * 9 / 10)];
    state.counters[std::string(name) + "_max_ms"] = ms.back();
}

void BM_PenEnterToSound(benchmark::State& state) {
    World& w = *gWorld;
    CMonitor monitor;
    for (auto _ : state) {
        std::vector<double> handed, heard;
        for (int i = 0; i < 30; ++i) {
            for (Qt::Key k : {Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_4, Qt::Key_2})
                w.key(k);
            pump(20);
            monitor.drain();
            const qint64 t0 = nowNs();
            w.key(Qt::Key_Return);
            const qint64 loud = monitor.waitLoud(3000);
            const qint64 first = w.playback.Output().firstFrameNs();
            handed.push_back(first >= t0 ? double(first - t0) / 1e6 : 3000);
            heard.push_back(loud ? double(loud - t0) / 1e6 : 3000);
            pump(60);
            w.playback.StopPlay();
            pump(120);
        }
        report(state, "handed", handed);
        report(state, "heard", heard);
        state.counters["log_rows"] = w.training->m_LogList->m_FilledRows;
        std::sort(heard.begin(), heard.end());
        state.SetIterationTime(heard[heard.size() / 2] / 1000);
    }
}

// The watcher routine alone: six digits and Enter (nobody receives the code).
void BM_HookRoutinePerCode(benchmark::State& state) {
    const LPARAM press = 1;
    for (auto _ : state) {
        for (WPARAM k : {'1', '2', '3', '4', '5', '6'})
            benchmark::DoNotOptimize(KeyboardHookProc(HC_ACTION, k, press));
        benchmark::DoNotOptimize(KeyboardHookProc(HC_ACTION, 0x0D, press));
    }
}

} // namespace

BENCHMARK(BM_PenEnterToSound)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HookRoutinePerCode);

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    int boxes = 0;
    setMessageBoxResponder([&boxes](const MessageBoxCall& call) {
        ++boxes;
        std::fprintf(stderr, "message box: %s\n", qPrintable(call.text));
        return IDOK;
    });
    World world;
    gWorld = &world;
    pump(1500);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    UnhookKeyboard();
    std::fprintf(stderr, "message boxes during the run: %d\n", boxes);
    return boxes == 0 ? 0 : 1;
}
