// kivtool check on a book of 1,000,000 records whose sound files are all there, run as a user runs it.
// Yardstick in the same run: the program's own loading of that index (LoadIndex), which check also does.
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "support/FakeRecorder.h"

#include <QProcess>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRecords = 1000000;

struct Book {
    std::string folder;
    Book() {
        char tmpl[] = "/tmp/kiv-bench-check-XXXXXX";
        folder = std::string(::mkdtemp(tmpl)) + "/";
        const std::string wave = WaveBytes();
        std::string index;
        index.reserve(static_cast<std::size_t>(kRecords) * 64);
        char line[256];
        for (int i = 0; i < kRecords; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%06d.wav", i);
            std::snprintf(line, sizeof line, "%06d      note        S_WAV       \"%s%s\"\r\n", i,
                          folder.c_str(), name);
            index += line;
            // Every sound present, and a real (tiny) wave file: check decodes each.
            FILE* f = std::fopen((folder + name).c_str(), "wb");
            std::fwrite(wave.data(), 1, wave.size(), f);
            std::fclose(f);
        }
        atomicReplace(folder + "KIV_Lib.cfg", index);
    }
    ~Book() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Book& book() {
    static Book b;
    return b;
}

std::string kivtool() {
    return (std::filesystem::path(executablePath()).parent_path().parent_path() / "kivtool").string();
}

void BM_LoadIndex(benchmark::State& state) {
    CSoundLibrary library;
    library.SetLibraryFolder(book().folder);
    for (auto _ : state) {
        library.LoadIndex();
        benchmark::DoNotOptimize(library.RecordCount());
    }
}
BENCHMARK(BM_LoadIndex)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_KivtoolCheck(benchmark::State& state) {
    book();
    for (auto _ : state) {
        QProcess p;
        p.start(QString::fromStdString(kivtool()),
                {QStringLiteral("check"), QString::fromStdString(book().folder)});
        p.waitForFinished(120000);
        if (p.exitCode() != 0) {
            state.SkipWithError(p.readAllStandardError().constData());
            break;
        }
    }
}
BENCHMARK(BM_KivtoolCheck)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
