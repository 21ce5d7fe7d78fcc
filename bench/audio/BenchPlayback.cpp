// From UM_PLAY_CODE posted to the first frame handed to the sound server, with a library of a million
// records, against plain QMediaPlayer in the same run. Needs the headless sound server
// (source scripts/services.sh; start_sound_server). Each benchmark runs its trials once and reports the
// median, p90 and worst case in milliseconds as counters; the iteration time is the median.
#include "audio/Playback.h"
#include "library/IndexFormat.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/MessageBox.h"
#include "support/SinkMonitor.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QApplication>
#include <QAudioOutput>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaPlayer>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kRecords = 1000000;
constexpr int kWavCode = 999990;
constexpr int kMp3Code = 999991;  // played again and again: decoded once, then from the cache
constexpr int kMp3Fresh = 999000; // 999000... each an MP3 of its own, never played before
constexpr int kRotation = 999980; // four MP3s played in turn
constexpr int kShortWav = 999992;
constexpr int kPcm24Fresh = 998000; // 998000... each a 24-bit extensible wave file never played before
constexpr int kAdpcmFresh = 998100; // 998100... each an IMA ADPCM wave file never played before

// The first loud sample from now on, timed back to its place in the capture.
qint64 heardLoud(CSinkMonitor& monitor, int timeoutMs) {
    monitor.drain();
    return monitor.waitLoud(timeoutMs, true);
}

// The world of the run: the library, its files, the playback object and the main window's dispatch.
struct World;
World* gWorld = nullptr;

class CDispatch : public CMessageReceiver {
public:
    CPlayback* playback = nullptr;

protected:
    LRESULT WindowProc(unsigned msg, WPARAM w, LPARAM) override {
        if (msg == UM_PLAY_CODE)
            return playback->PlayCode(static_cast<int>(w));
        if (msg == UM_STOP_PLAY)
            return playback->StopPlay();
        return 0;
    }
};

struct World {
    QTemporaryDir dir;
    CSoundLibrary library;
    CPlayback playback{&library};
    CDispatch dispatch;
    std::string wav, mp3;

    World() {
        dispatch.playback = &playback;
        const std::string folder = dir.path().toStdString() + "/";
        library.SetLibraryFolder(folder);
        wav = folder + "tone.wav";
        mp3 = folder + "tone.mp3";
        writeTone(wav, 3.0, 440);
        QProcess::execute(QStringLiteral("lame"),
                          {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("64"),
                           QString::fromStdString(wav), QString::fromStdString(mp3)});
        writeTone(folder + "short.wav", 0.2, 660);
        std::string mp3Bytes, pcm24Bytes, adpcmBytes;
        readWholeFile(mp3, mp3Bytes);
        QProcess::execute(QStringLiteral("sox"),
                          {QString::fromStdString(wav), QStringLiteral("-b"), QStringLiteral("24"),
                           QString::fromStdString(folder + "pcm24.wav")});
        QProcess::execute(QStringLiteral("sox"),
                          {QString::fromStdString(wav), QStringLiteral("-e"), QStringLiteral("ima-adpcm"),
                           QString::fromStdString(folder + "ima.wav")});
        readWholeFile(folder + "pcm24.wav", pcm24Bytes);
        readWholeFile(folder + "ima.wav", adpcmBytes);
        std::string index;
        index.reserve(std::size_t(kRecords) * 80);
        std::string line;
        for (int n = 0; n < kRecords; ++n) {
            SOUND_RECORD r;
            char code[16];
            std::snprintf(code, sizeof code, "%06d", n);
            r.Code = code;
            r.Content = "Null";
            std::string file = folder + code + ".wav";
            r.SoundType = "S_WAV";
            if (n == kWavCode) {
                file = wav;
            } else if (n == kShortWav) {
                file = folder + "short.wav";
            } else if (n == kMp3Code) {
                file = mp3;
                r.SoundType = "S_MP3";
            } else if (n >= kPcm24Fresh && n < kPcm24Fresh + 30) {
                atomicReplace(file, pcm24Bytes);
            } else if (n >= kAdpcmFresh && n < kAdpcmFresh + 30) {
                atomicReplace(file, adpcmBytes);
            } else if ((n >= kMp3Fresh && n < kMp3Fresh + 40) || (n >= kRotation && n < kRotation + 4)) {
                // Copies of one MP3 under names of their own: each decodes afresh the first time.
                file = folder + code + ".mp3";
                atomicReplace(file, mp3Bytes);
                r.SoundType = "S_MP3";
            }
            r.SoundFile = file;
            FormatIndexLine(r, line);
            index += line;
        }
        atomicReplace(library.IndexPath(), index);
        library.LoadIndex();
    }

    // Posts UM_PLAY_CODE as the pen's hook does and waits for the first frame handed over; ms.
    double play(int code) {
        qint64 t0 = nowNs();
        postMessage(&dispatch, UM_PLAY_CODE, WPARAM(code));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 3000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            qint64 first = playback.Output().firstFrameNs();
            if (first >= t0)
                return double(first - t0) / 1e6;
        }
        return 3000;
    }
};

void report(benchmark::State& state, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double median = ms[ms.size() / 2];
    double p90 = ms[std::min(ms.size() - 1, ms.size() * 9 / 10)];
    state.counters["median_ms"] = median;
    state.counters["p90_ms"] = p90;
    state.counters["max_ms"] = ms.back();
    state.counters["trials"] = double(ms.size());
    state.SetIterationTime(median / 1000);
}

// Set in main: the first plays after start-up (warm-up only, nothing played before).
double gFirstWav = 0, gFirstMp3 = 0;

void BM_FirstPlayAfterStartup(benchmark::State& state) {
    for (auto _ : state) {
        state.counters["wav_ms"] = gFirstWav;
        state.counters["mp3_ms"] = gFirstMp3;
        state.SetIterationTime(std::max(gFirstWav, gFirstMp3) / 1000);
    }
}

void BM_PlayCodeWav(benchmark::State& state) {
    World& w = *gWorld;
    for (auto _ : state) {
        std::vector<double> ms;
        for (int i = 0; i < 30; ++i) {
            ms.push_back(w.play(kWavCode));
            pump(60);
            w.playback.StopPlay();
            pump(40);
        }
        report(state, ms);
    }
}

void BM_PlayCodeMp3FirstDecode(benchmark::State& state) {
    World& w = *gWorld;
    int next = kMp3Fresh + 2; // the first two went to start-up
    for (auto _ : state) {
        std::vector<double> ms;
        for (int i = 0; i < 30; ++i) {
            ms.push_back(w.play(next++));
            pump(80);
            w.playback.StopPlay();
            pump(40);
        }
        report(state, ms);
    }
}

// The first play of wave files in encodings that need decoding: 24-bit extensible PCM and IMA ADPCM.
void firstPlays(benchmark::State& state, int first) {
    World& w = *gWorld;
    for (auto _ : state) {
        std::vector<double> ms;
        for (int i = 0; i < 30; ++i) {
            ms.push_back(w.play(first + i));
            pump(60);
            w.playback.StopPlay();
            pump(40);
        }
        report(state, ms);
    }
}
void BM_PlayCodePcm24First(benchmark::State& state) {
    firstPlays(state, kPcm24Fresh);
}
void BM_PlayCodeAdpcmFirst(benchmark::State& state) {
    firstPlays(state, kAdpcmFresh);
}

void BM_PlayCodeMp3Replay(benchmark::State& state) {
    World& w = *gWorld;
    w.play(kMp3Code);
    pump(200);
    for (auto _ : state) {
        std::vector<double> ms;
        for (int i = 0; i < 30; ++i) {
            ms.push_back(w.play(kMp3Code));
            pump(60);
        }
        w.playback.StopPlay();
        report(state, ms);
    }
}

void BM_PlayCodeMp3RecentFour(benchmark::State& state) {
    World& w = *gWorld;
    for (int i = 0; i < 4; ++i) {
        w.play(kRotation + i);
        pump(150);
    }
    for (auto _ : state) {
        std::vector<double> ms;
        for (int i = 0; i < 32; ++i) {
            ms.push_back(w.play(kRotation + i % 4));
            pump(60);
        }
        w.playback.StopPlay();
        report(state, ms);
    }
}

// A new play while the last one still sounds: the old stream is dropped first.
void BM_PlayCodeWavCuttingOff(benchmark::State& state) {
    World& w = *gWorld;
    for (auto _ : state) {
        std::vector<double> ms;
        w.play(kWavCode);
        for (int i = 0; i < 30; ++i) {
            pump(80);
            ms.push_back(w.play(i % 2 ? kWavCode : kShortWav));
        }
        w.playback.StopPlay();
        report(state, ms);
    }
}

// Stop while a sound plays: the time the stop takes, and until the sink's monitor hears silence.
void BM_StopSilences(benchmark::State& state) {
    World& w = *gWorld;
    CSinkMonitor monitor;
    for (auto _ : state) {
        std::vector<double> call, heard;
        for (int i = 0; i < 15; ++i) {
            w.play(kWavCode);
            heardLoud(monitor, 1000);
            pump(150);
            qint64 t0 = nowNs();
            w.playback.StopPlay();
            call.push_back(double(nowNs() - t0) / 1e6);
            qint64 quiet = monitor.waitQuiet(1000);
            heard.push_back(quiet ? double(std::max<qint64>(0, quiet - t0)) / 1e6 : 1000);
            pump(60);
        }
        report(state, call);
        std::sort(heard.begin(), heard.end());
        state.counters["monitor_quiet_median_ms"] = heard[heard.size() / 2];
        state.counters["monitor_quiet_p90_ms"] = heard[heard.size() * 9 / 10];
    }
}

// The same request measured at the sink's monitor, for ours and for QMediaPlayer: the baseline.
double gOursMonitorWav = 0, gOursMonitorMp3 = 0;

void monitorOurs(benchmark::State& state, int code, double* out) {
    World& w = *gWorld;
    CSinkMonitor monitor;
    for (auto _ : state) {
        std::vector<double> ms;
        for (int i = 0; i < 12; ++i) {
            pump(100);
            qint64 t0 = nowNs();
            postMessage(&w.dispatch, UM_PLAY_CODE, WPARAM(code));
            qint64 loud = heardLoud(monitor, 2000);
            ms.push_back(loud ? double(std::max<qint64>(0, loud - t0)) / 1e6 : 2000);
            pump(60);
            w.playback.StopPlay();
        }
        report(state, ms);
        std::sort(ms.begin(), ms.end());
        *out = ms[ms.size() / 2];
    }
}
void BM_MonitorOursWav(benchmark::State& state) {
    monitorOurs(state, kWavCode, &gOursMonitorWav);
}
void BM_MonitorOursMp3(benchmark::State& state) {
    monitorOurs(state, kMp3Code, &gOursMonitorMp3);
}

void baseline(benchmark::State& state, const std::string& path, double ours) {
    CSinkMonitor monitor;
    for (auto _ : state) {
        std::vector<double> ms;
        for (int i = 0; i < 12; ++i) {
            QMediaPlayer player;
            QAudioOutput output;
            player.setAudioOutput(&output);
            pump(100);
            qint64 t0 = nowNs();
            player.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
            player.play();
            qint64 loud = heardLoud(monitor, 3000);
            ms.push_back(loud ? double(std::max<qint64>(0, loud - t0)) / 1e6 : 3000);
            player.stop();
            pump(100);
        }
        report(state, ms);
        std::sort(ms.begin(), ms.end());
        state.counters["ours_at_monitor_over_baseline"] = ours / ms[ms.size() / 2];
    }
}
void BM_BaselineQMediaPlayerWav(benchmark::State& state) {
    baseline(state, gWorld->wav, gOursMonitorWav);
}
void BM_BaselineQMediaPlayerMp3(benchmark::State& state) {
    baseline(state, gWorld->mp3, gOursMonitorMp3);
}

} // namespace

BENCHMARK(BM_FirstPlayAfterStartup)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayCodeWav)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayCodeMp3FirstDecode)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayCodePcm24First)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayCodeAdpcmFirst)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayCodeMp3Replay)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayCodeMp3RecentFour)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayCodeWavCuttingOff)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StopSilences)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonitorOursWav)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonitorOursMp3)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineQMediaPlayerWav)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineQMediaPlayerMp3)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    // Any message box would stop the run: count them instead.
    int boxes = 0;
    setMessageBoxResponder([&boxes](const MessageBoxCall& call) {
        ++boxes;
        std::fprintf(stderr, "message box: %s\n", qPrintable(call.text));
        return IDOK;
    });
    World world;
    gWorld = &world;
    // Start-up as the main window does it: warm once, then the event loop runs for a while.
    world.playback.Warm();
    pump(1500);
    gFirstMp3 = world.play(kMp3Fresh);
    pump(100);
    world.playback.StopPlay();
    pump(50);
    gFirstWav = world.play(kWavCode);
    pump(100);
    world.playback.StopPlay();
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    std::fprintf(stderr, "message boxes during the run: %d\n", boxes);
    return boxes == 0 ? 0 : 1;
}
