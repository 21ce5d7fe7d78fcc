// A whole book as one file: packing and unpacking a book of 1,000 records of 3 s sounds, each beside its
// yardstick measured in the same run, copying the book's folder file by file. Resident memory before and
// after tells whether it grew with the book.
#include "library/BookArchive.h"
#include "library/IndexFormat.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kRecords = 1000;

struct Book {
    std::string root, folder;
    Book() {
        char tmpl[] = "/tmp/kiv-bench-archive-XXXXXX";
        root = std::string(::mkdtemp(tmpl)) + "/";
        folder = root + "book/";
        fs::create_directory(folder);
        ::setenv("XDG_DATA_HOME", (root + "data").c_str(), 1);
        writeTone(folder + "tone.wav", 3.0, 440);
        std::string index;
        for (int i = 0; i < kRecords; ++i) {
            char code[16];
            std::snprintf(code, sizeof code, "%06d", i);
            fs::copy_file(folder + "tone.wav", folder + code + ".wav");
            SOUND_RECORD r;
            r.Code = code;
            r.Content = "Null";
            r.SoundType = "S_WAV";
            r.SoundFile = folder + code + ".wav";
            std::string line;
            FormatIndexLine(r, line);
            index += line;
        }
        fs::remove(folder + "tone.wav");
        writeFile(folder + "KIV_Lib.cfg", index);
    }
    ~Book() { fs::remove_all(root); }
};

Book& book() {
    static Book b;
    return b;
}

void reportMemory(benchmark::State& state, long before) {
    state.counters["resident_growth_KiB"] = static_cast<double>(residentKiB() - before);
}

void BM_CopyFolder(benchmark::State& state) {
    Book& b = book();
    const long before = residentKiB();
    for (auto _ : state) {
        fs::copy(b.folder, b.root + "copy", fs::copy_options::recursive);
        state.PauseTiming();
        fs::remove_all(b.root + "copy");
        state.ResumeTiming();
    }
    reportMemory(state, before);
}

void BM_Pack(benchmark::State& state) {
    Book& b = book();
    const long before = residentKiB();
    for (auto _ : state) {
        PackReport report;
        if (!PackBook(b.folder, b.root + "book.kivbook", report, nullptr) || report.sounds != kRecords)
            state.SkipWithError("pack failed");
    }
    reportMemory(state, before);
}

void BM_Unpack(benchmark::State& state) {
    Book& b = book();
    PackReport packed;
    PackBook(b.folder, b.root + "book.kivbook", packed, nullptr);
    const long before = residentKiB();
    for (auto _ : state) {
        UnpackReport report;
        if (!UnpackBook(b.root + "book.kivbook", b.root + "unpacked/", report, nullptr) ||
            report.sounds != kRecords)
            state.SkipWithError("unpack failed");
        state.PauseTiming();
        fs::remove_all(b.root + "unpacked");
        state.ResumeTiming();
    }
    reportMemory(state, before);
}

} // namespace

BENCHMARK(BM_CopyFolder)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Unpack)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
