// Making sounds ready to play: what the analysis costs (a 3 s sound as played and as filed, an hour-long one
// streamed, against decoding the same 3 s), and what the first play of a file costs with and without it
// (median of fresh files: nothing cached), wave and MP3, also with the files prepared in the background as
// point reading does. Needs the headless sound server for the plays (source scripts/services.sh;
// start_sound_server).
#include "platform/sound/SoundOutput.h"
#include "platform/soundfile/ReadySound.h"
#include "platform/soundfile/SoundFile.h"
#include "platform/soundfile/SoundLevel.h"
#include "support/TestSounds.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QApplication>
#include <QProcess>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

TempFolder* gFolder = nullptr;

std::vector<short> threeSeconds() {
    std::vector<short> s = pinkNoise(1, -50);
    append(s, vowel(1.5, -24));
    append(s, pinkNoise(0.5, -50, 9));
    return s;
}

void BM_Decode3sWave(benchmark::State& state) {
    const std::string path = gFolder->file("three.wav");
    writeFile(path, waveBytes(kTestRate, threeSeconds()));
    for (auto _ : state) {
        DecodedSound d;
        benchmark::DoNotOptimize(decodeSoundFile(path, d));
    }
}

// What a first play does before its first frame: the content, then the loudness of the kept part.
void BM_Analyse3sAsPlayed(benchmark::State& state) {
    const std::vector<short> sound = threeSeconds();
    for (auto _ : state) {
        std::vector<short> s = sound;
        benchmark::DoNotOptimize(makeReady(s, kTestRate, 1, ReadyChoice{}, false));
    }
}

// What a filing adds: the true peak.
void BM_Analyse3sAsFiled(benchmark::State& state) {
    const std::vector<short> sound = threeSeconds();
    for (auto _ : state) {
        std::vector<short> s = sound;
        benchmark::DoNotOptimize(makeReady(s, kTestRate, 1, ReadyChoice{}, true));
    }
}

// An hour, streamed through both meters a chunk at a time: time and the memory it grew by.
void BM_AnalyseOneHourStreamed(benchmark::State& state) {
    const std::vector<short> chunk = threeSeconds();
    for (auto _ : state) {
        const long before = residentKiB();
        CContentMeter content(kTestRate, 1);
        CLoudnessMeter loudness(kTestRate, 1, false);
        for (int i = 0; i < 1200; ++i) {
            content.add(chunk.data(), (long long)chunk.size());
            loudness.add(chunk.data(), (long long)chunk.size());
        }
        benchmark::DoNotOptimize(content.finish());
        benchmark::DoNotOptimize(loudness.finish());
        state.counters["grew_kib"] = double(residentKiB() - before);
    }
}

// First plays of fresh copies: from the play call to the first frame handed to the server. Prepared: the
// copies were measured in the background first, as when point reading opens.
void firstPlays(benchmark::State& state, const char* source, bool ready, bool prepared = false) {
    static CSoundOutput output;
    output.warm();
    pump(300);
    g_ReadyChoice = ready ? ReadyChoice{} : ReadyChoice{false, false};
    const std::string bytes = readFile(gFolder->file(source));
    static int copy = 0;
    for (auto _ : state) {
        std::vector<std::string> paths;
        for (int i = 0; i < 30; ++i) {
            paths.push_back(gFolder->file("copy" + std::to_string(++copy) + "-" + source));
            writeFile(paths.back(), bytes);
        }
        if (prepared) {
            output.prepare(paths);
            output.plans().waitUntilDone();
        }
        std::vector<double> ms;
        for (const std::string& path : paths) {
            output.play(path);
            ms.push_back(double(output.firstFrameNs() - output.requestNs()) / 1e6);
            pump(60);
            output.stop();
            pump(30);
        }
        std::sort(ms.begin(), ms.end());
        state.counters["median_ms"] = ms[ms.size() / 2];
        state.counters["p90_ms"] = ms[ms.size() * 9 / 10];
        state.SetIterationTime(ms[ms.size() / 2] / 1000);
    }
    g_ReadyChoice = ReadyChoice{};
}
void BM_FirstPlayWave_Ready(benchmark::State& state) {
    firstPlays(state, "three.wav", true);
}
void BM_FirstPlayWave_ReadyPrepared(benchmark::State& state) {
    firstPlays(state, "three.wav", true, true);
}
void BM_FirstPlayWave_AsItIs(benchmark::State& state) {
    firstPlays(state, "three.wav", false);
}
void BM_FirstPlayMp3_Ready(benchmark::State& state) {
    firstPlays(state, "three.mp3", true);
}
void BM_FirstPlayMp3_ReadyPrepared(benchmark::State& state) {
    firstPlays(state, "three.mp3", true, true);
}
void BM_FirstPlayMp3_AsItIs(benchmark::State& state) {
    firstPlays(state, "three.mp3", false);
}

} // namespace

BENCHMARK(BM_Decode3sWave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Analyse3sAsPlayed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Analyse3sAsFiled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyseOneHourStreamed)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPlayWave_AsItIs)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPlayWave_Ready)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPlayWave_ReadyPrepared)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPlayMp3_AsItIs)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPlayMp3_Ready)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPlayMp3_ReadyPrepared)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    TempFolder folder;
    gFolder = &folder;
    writeFile(folder.file("three.wav"), waveBytes(kTestRate, threeSeconds()));
    QProcess::execute("lame", {"--quiet", QString::fromStdString(folder.file("three.wav")),
                               QString::fromStdString(folder.file("three.mp3"))});
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
