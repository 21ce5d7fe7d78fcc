// The library at full size: a generated index of 1,000,000 records in a temporary folder on disk. Each
// figure has its yardstick beside it, measured in the same run: reading the file and counting its lines
// (for LoadIndex; a whole reload for the lines another program appended), writing a copy of the index durably
// (for DeleteRecord and DeleteRecords).
#include "library/IndexFormat.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/MessageBox.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRecords = 1000000;

// Saves nothing: the recorder's own work is not the library's cost.
class CNullRecorder : public SoundRecorder {
public:
    bool SaveRecording(const std::string&) override { return true; }
    void CloseRecording() override {}
};

struct Setup {
    std::string folder;
    std::string indexText;
    CSoundLibrary library;
    long residentBeforeLoad = 0;

    Setup() {
        char tmpl[] = "/tmp/kiv-bench-XXXXXX";
        folder = std::string(::mkdtemp(tmpl)) + "/";
        // A failure would show a box: answer it, and let the benchmark report the failure.
        setMessageBoxResponder([](const MessageBoxCall&) { return IDOK; });
        library.SetLibraryFolder(folder);
        library.SetRecorder(std::make_unique<CNullRecorder>());
        const char* notes[] = {"\xC6\xBB\xB9\xFB", "apple", "\xCE\xD2\xB5\xC4\xCA\xE9", "lesson_3",
                               "\xB5\xDA\xD2\xBB\xD2\xB3"};
        indexText.reserve(static_cast<std::size_t>(kRecords) * 72);
        std::string line;
        for (int i = 0; i < kRecords; ++i) {
            // Numbers up to 999949, then 50 hand-merged duplicates: room is left for the filings below.
            char code[16];
            std::snprintf(code, sizeof code, "%06d", i < kRecords - 50 ? i : i - (kRecords - 50));
            SOUND_RECORD r;
            r.Code = code;
            r.Content = notes[i % 5];
            r.SoundType = "S_WAV";
            r.SoundFile = folder + code + ".wav";
            FormatIndexLine(r, line);
            indexText += line;
        }
        writeIndex();
    }
    ~Setup() {
        if (std::system(("rm -rf " + folder).c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", folder.c_str());
    }
    void writeIndex() { atomicReplace(folder + "KIV_Lib.cfg", indexText); }
};

Setup& setup() {
    static Setup s;
    return s;
}

void BM_ReadAndCountLines(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        std::string text;
        readWholeFile(s.folder + "KIV_Lib.cfg", text);
        benchmark::DoNotOptimize(std::count(text.begin(), text.end(), '\n'));
    }
    state.counters["bytes"] = static_cast<double>(s.indexText.size());
}

void BM_LoadIndex(benchmark::State& state) {
    Setup& s = setup();
    s.library.ClearRecords();
    s.residentBeforeLoad = residentKiB();
    for (auto _ : state)
        s.library.LoadIndex();
    state.counters["records"] = static_cast<double>(s.library.RecordCount());
    state.counters["resident_MiB"] = residentKiB() / 1024.0;
    state.counters["library_MiB"] = (residentKiB() - s.residentBeforeLoad) / 1024.0;
}

// Another program files a record every 0.3 s while KIV has the book open: what KIV does after each.
template <bool kWhole> void reloadAfterAnotherFiling(benchmark::State& state) {
    Setup& s = setup();
    s.library.LoadIndex();
    const std::string index = s.folder + "KIV_Lib.cfg";
    std::string line;
    std::size_t added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SOUND_RECORD r;
        r.Code = "999990";
        r.Content = "elsewhere";
        r.SoundType = "S_WAV";
        r.SoundFile = s.folder + "999990.wav";
        FormatIndexLine(r, line);
        appendDurable(index, line);
        state.ResumeTiming();
        std::vector<const SOUND_RECORD*> newRecords;
        if (kWhole || !s.library.LoadAppendedRecords(newRecords))
            s.library.LoadIndex();
        added += newRecords.size();
    }
    state.counters["records"] = static_cast<double>(s.library.RecordCount());
    state.counters["read_alone"] = static_cast<double>(added);
    s.writeIndex();
    s.library.LoadIndex();
}
// The yardstick: the whole index read again, as before.
void BM_WholeReloadAfterAnotherFiling(benchmark::State& state) {
    reloadAfterAnotherFiling<true>(state);
}
void BM_AppendedLinesReadAfterAnotherFiling(benchmark::State& state) {
    reloadAfterAnotherFiling<false>(state);
}

void BM_FindRecord(benchmark::State& state) {
    Setup& s = setup();
    std::mt19937 rng(1);
    SOUND_RECORD copy;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.library.FindRecord(static_cast<int>(rng() % kRecords), &copy));
}

void BM_AllocateCode(benchmark::State& state) {
    Setup& s = setup();
    std::string code;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.library.AllocateCode(code));
}

void BM_ForEachRecord(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        std::size_t bytes = 0;
        s.library.ForEachRecord([&](const SOUND_RECORD* r) { bytes += r->Code.size(); });
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_WriteIndexCopyDurably(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state)
        atomicReplace(s.folder + "copy.cfg", s.indexText);
    deleteFile(s.folder + "copy.cfg");
}

void BM_DeleteRecord(benchmark::State& state) {
    Setup& s = setup();
    // Run alone (a filter), nothing is loaded yet.
    if (s.library.RecordCount() == 0)
        s.library.LoadIndex();
    int number = 1000;
    for (auto _ : state) {
        if (!s.library.DeleteRecord(number))
            state.SkipWithError("DeleteRecord failed");
        number += 97331;
    }
}

// The record list's delete over 1,000 selected rows, spread over the book: one rewrite of the index, against
// BM_WriteIndexCopyDurably (at most twice that).
void BM_DeleteSelectedRecords(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        state.PauseTiming();
        s.writeIndex();
        s.library.LoadIndex();
        std::vector<const SOUND_RECORD*> selected;
        for (int number = 17; number < kRecords - 50 && selected.size() < 1000; number += 997)
            selected.push_back(s.library.FindRecord(number));
        state.ResumeTiming();
        std::vector<bool> deleted;
        if (!s.library.DeleteRecords(selected, &deleted) ||
            std::count(deleted.begin(), deleted.end(), true) != 1000)
            state.SkipWithError("DeleteRecords failed");
    }
}

void BM_FileRecording(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state)
        if (!s.library.FileRecording("\xD0\xC2\xC2\xBC\xD2\xF4 new"))
            state.SkipWithError("FileRecording failed");
}

void BM_DeleteAllRecords(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        state.PauseTiming();
        s.writeIndex();
        s.library.LoadIndex();
        state.ResumeTiming();
        s.library.DeleteAllRecords();
    }
}

} // namespace

BENCHMARK(BM_ReadAndCountLines)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadIndex)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WholeReloadAfterAnotherFiling)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_AppendedLinesReadAfterAnotherFiling)->Unit(benchmark::kMicrosecond)->Iterations(50);
BENCHMARK(BM_FindRecord)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AllocateCode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ForEachRecord)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_WriteIndexCopyDurably)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DeleteRecord)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DeleteSelectedRecords)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FileRecording)->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_DeleteAllRecords)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
