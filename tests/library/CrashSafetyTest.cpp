// A writer process is killed at random moments while it files, replaces and deletes; after every kill the
// index must hold exactly the library before or after the operation that was running, never a torn text.
#include "library/IndexFormat.h"
#include "library/SoundLibrary.h"
#include "support/FakeRecorder.h"
#include "support/TestSupport.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Entry {
    std::string code, content;
    bool operator==(const Entry&) const = default;
};
using Model = std::vector<Entry>;

struct Progress {
    std::atomic<int> started;
    std::atomic<int> done;
};

// The index as the list it stands for; false when the text is not whole lines of four fields.
bool readModel(const std::string& text, const std::string& folder, Model& model) {
    model.clear();
    bool wellFormed = true;
    IndexEnd end = ScanIndex(text, [&](const IndexLine& line) {
        IndexFields f = FieldsOf(line);
        wellFormed = wellFormed && line.fieldCount == 4 && f.soundType == "S_WAV" &&
                     std::string(f.soundFile) == folder + std::string(f.code) + ".wav";
        model.push_back({std::string(f.code), std::string(f.content)});
    });
    return wellFormed && end == IndexEnd::Clean;
}

enum class Op { File, Replace, Delete };
struct Step {
    Op op;
    std::string code;
};

// The operation number i does to a library in the given state; the writer and the checker agree on it.
Step plan(int i, const Model& m) {
    if (m.size() > 2 && i % 4 == 3)
        return {Op::Delete, m[static_cast<std::size_t>(i) % m.size()].code};
    if (m.size() > 2 && i % 4 == 1)
        return {Op::Replace, m[static_cast<std::size_t>(i / 2) % m.size()].code};
    return {Op::File, {}};
}

void apply(int i, Model& m) {
    Step s = plan(i, m);
    auto at = std::find_if(m.begin(), m.end(), [&](const Entry& e) { return e.code == s.code; });
    if (s.op == Op::File) {
        int largest = -1;
        for (const Entry& e : m)
            largest = std::max(largest, CodeNumber(e.code));
        char code[16];
        std::snprintf(code, sizeof code, "%06d", largest + 1);
        m.push_back({code, "note_" + std::to_string(i)});
    } else if (s.op == Op::Delete) {
        m.erase(at);
    } else {
        Entry e = *at;
        m.erase(at);
        m.push_back(e);
    }
}

[[noreturn]] void runWriter(const std::string& folder, int first, Progress* progress) {
    CSoundLibrary library;
    library.SetLibraryFolder(folder);
    library.SetRecorder(std::make_unique<CFakeRecorder>());
    library.LoadIndex();
    Model m;
    readModel(readFile(folder + "KIV_Lib.cfg"), folder, m);
    for (int i = first; i < first + 100000; ++i) {
        progress->started = i;
        Step s = plan(i, m);
        int number = CodeNumber(s.code);
        bool ok = s.op == Op::File     ? library.FileRecording("note_" + std::to_string(i)) != nullptr
                  : s.op == Op::Delete ? library.DeleteRecord(number) == 1
                                       : library.ReplaceRecording(number) == 1;
        if (!ok)
            _exit(3);
        apply(i, m);
        progress->done = i + 1;
    }
    _exit(0);
}

} // namespace

TEST(CrashSafety, KilledWriterLeavesTheOldOrTheNewIndex) {
    TempFolder folder;
    MessageBoxRecorder boxes(IDYES);
    auto* progress = static_cast<Progress*>(
        ::mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(progress, MAP_FAILED);
    new (progress) Progress{};
    std::mt19937 rng(99);
    Model model;
    int next = 0; // operations the index already holds
    int inFlightKills = 0;
    // A slow machine (or a sanitizer build) gets more rounds, so the writer still gets far enough.
    for (int round = 0; round < 400 && (round < 80 || next <= 50); ++round) {
        progress->started = -1;
        progress->done = next;
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            runWriter(folder.path(), next, progress);
        ::usleep(static_cast<useconds_t>(rng() % 100000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed on its own, status " << status;

        const int done = progress->done;
        Model before = model;
        for (int i = next; i < done; ++i)
            apply(i, before);
        Model after = before;
        apply(done, after);
        Model found;
        std::string text = readFile(folder.file("KIV_Lib.cfg"));
        ASSERT_TRUE(readModel(text, folder.path(), found)) << "torn index after round " << round;
        bool isBefore = found == before;
        bool isAfter = progress->started == done && found == after;
        ASSERT_TRUE(isBefore || isAfter) << "round " << round << ": neither the old nor the new index";
        inFlightKills += progress->started == done ? 1 : 0;
        model = isAfter ? after : before;
        next = isAfter ? done + 1 : done;

        // A kill between a sound and its line leaves a sound no line names, whose code later filings pass
        // over; the user removes it (kivtool check names it), so the codes stay those the model expects.
        std::set<std::string> named;
        for (const Entry& e : model)
            named.insert(e.code + ".wav");
        for (const auto& f : std::filesystem::directory_iterator(folder.path()))
            if (f.path().extension() == ".wav" && !named.count(f.path().filename().string()))
                std::filesystem::remove(f.path());

        CSoundLibrary check;
        check.SetLibraryFolder(folder.path());
        check.LoadIndex();
        ASSERT_EQ(check.RecordCount(), model.size());
    }
    EXPECT_GT(next, 50);          // the writer got far enough to matter
    EXPECT_GT(inFlightKills, 40); // and most kills hit an operation under way
    ::munmap(progress, sizeof(Progress));
}
