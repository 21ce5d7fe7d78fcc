// Filling a book without the microphone: 100 three-second MP3 files imported (goal: 10 s at most) and 100
// short lines spoken (goal: 20 s at most), each into a fresh book on disk. The resident memory after the
// first tenth of the files is the yardstick for the memory after all of them: it must not grow with the
// count.
#include "library/ImportSounds.h"
#include "library/SoundLibrary.h"
#include "library/SpeakText.h"
#include "platform/core/Files.h"
#include "platform/core/MessageBox.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QCoreApplication>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string freshFolder() {
    std::string path = (std::filesystem::temp_directory_path() / "kiv-bench-XXXXXX").string();
    if (!::mkdtemp(path.data()))
        std::abort();
    return path + "/";
}

// 100 copies of one three-second MP3 (a tone made by lame), named as a CD's tracks are.
std::string mp3Folder() {
    static std::string folder;
    if (!folder.empty())
        return folder;
    folder = freshFolder();
    writeTone(folder + "tone.wav", 3.0, 440, 0.3);
    if (QProcess::execute(QStringLiteral("lame"),
                          {QStringLiteral("--quiet"), QString::fromStdString(folder + "tone.wav"),
                           QString::fromStdString(folder + "tone.mp3")}) != 0)
        std::abort();
    std::string mp3;
    readWholeFile(folder + "tone.mp3", mp3);
    deleteFile(folder + "tone.wav");
    deleteFile(folder + "tone.mp3");
    for (int i = 1; i <= 100; ++i)
        atomicReplace(folder + "track " + std::to_string(i) + ".mp3", mp3);
    return folder;
}

void BM_Import100Mp3(benchmark::State& state) {
    const ImportList list = CollectSoundFiles({mp3Folder()});
    long tenthKiB = 0, endKiB = 0;
    for (auto _ : state) {
        CSoundLibrary library;
        library.SetLibraryFolder(freshFolder());
        int filed = 0;
        for (std::size_t i = 0; i < list.files.size(); ++i) {
            filed += ImportSoundFile(library, list.files[i]).filed() ? 1 : 0;
            if (i == 9)
                tenthKiB = residentKiB();
        }
        endKiB = residentKiB();
        if (filed != 100)
            state.SkipWithError("not every file was filed");
        std::filesystem::remove_all(library.LibraryFolder());
    }
    state.counters["files"] = double(list.files.size());
    state.counters["rss_after_10_KiB"] = double(tenthKiB);
    state.counters["rss_after_100_KiB"] = double(endKiB);
}
BENCHMARK(BM_Import100Mp3)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Speak100Lines(benchmark::State& state) {
    for (auto _ : state) {
        CSoundLibrary library;
        library.SetLibraryFolder(freshFolder());
        int filed = 0;
        for (int i = 1; i <= 100; ++i)
            filed += SpeakLine(library, QStringLiteral("第%1课 小明的苹果").arg(i), 175).filed() ? 1 : 0;
        if (filed != 100)
            state.SkipWithError("not every line was filed");
        std::filesystem::remove_all(library.LibraryFolder());
    }
}
BENCHMARK(BM_Speak100Lines)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setMessageBoxResponder([](const MessageBoxCall&) { return IDOK; });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(mp3Folder());
    return 0;
}
