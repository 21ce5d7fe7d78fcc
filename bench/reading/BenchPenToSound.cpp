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
#include "platform/core/Files.h"
#include "platform/core/MessageBox.h"
#include "platform/soundfile/SoundLevel.h"
#include "reading/KeyboardHook.h"
#include "reading/Training.h"
#include "support/SinkMonitor.h"
#include "support/TestSounds.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

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
        // A take as recordings come: a second of silence before the word.
        std::vector<short> take(44100, 0);
        append(take, vowel(1.0, -20));
        writeFile(folder + "000043.wav", waveBytes(kTestRate, take));
        std::string text;
        for (const char* code : {"000042", "000043"}) {
            SOUND_RECORD r;
            r.Code = code;
            r.Content = "tone";
            r.SoundType = "S_WAV";
            r.SoundFile = folder + code + ".wav";
            std::string line;
            FormatIndexLine(r, line);
            text += line;
        }
        atomicReplace(library.IndexPath(), text);
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
    CSinkMonitor monitor;
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

// Pen Enter to the first sample above -30 dBFS at the sink, for a take that starts with a second of
// silence: ready (both switches on) and as the file is (both off, the baseline), 15 scans each.
void BM_PenEnterToWord(benchmark::State& state) {
    World& w = *gWorld;
    CSinkMonitor monitor;
    for (auto _ : state) {
        for (bool ready : {false, true}) {
            g_ReadyChoice = ready ? ReadyChoice{} : ReadyChoice{false, false};
            std::vector<double> heard;
            for (int i = 0; i < 15; ++i) {
                for (Qt::Key k : {Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_4, Qt::Key_3})
                    w.key(k);
                pump(20);
                monitor.drain();
                const qint64 t0 = nowNs();
                w.key(Qt::Key_Return);
                const qint64 loud = monitor.waitLoud(3000, false, kWordSample);
                heard.push_back(loud ? double(loud - t0) / 1e6 : 3000);
                pump(60);
                w.playback.StopPlay();
                pump(120);
            }
            report(state, ready ? "ready" : "as_it_is", heard);
            if (ready) {
                std::sort(heard.begin(), heard.end());
                state.SetIterationTime(heard[heard.size() / 2] / 1000);
            }
        }
        g_ReadyChoice = ReadyChoice{};
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
BENCHMARK(BM_PenEnterToWord)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
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
