// Arbitrary bytes as KIV_Lib.cfg: LoadIndex must take anything, keep every field within its limit, and
// keep its lookup indexes in step with a plain scan of the records.
#include "library/SoundLibrary.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <unordered_set>

namespace {

struct Library {
    std::string folder;
    CSoundLibrary library;
    Library() {
        char tmpl[] = "/tmp/kiv-fuzz-XXXXXX";
        folder = std::string(::mkdtemp(tmpl)) + "/";
        library.SetLibraryFolder(folder);
    }
};

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Library lib;
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        // A plain write: durability is not under test here, and syncing would starve the fuzzer.
        std::ofstream out(lib.folder + "KIV_Lib.cfg", std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        check(static_cast<bool>(out));
    }
    CSoundLibrary& library = lib.library;
    library.LoadIndex();
    int visited = 0;
    int largest = -1;
    bool overLimit = false;
    std::unordered_set<int> seen;
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        check(r->Code.size() <= kCodeLimit && r->Content.size() <= kContentLimit &&
              r->SoundType.size() <= kSoundTypeLimit && r->SoundFile.size() <= kSoundFileLimit);
        check(r->Code.c_str()[r->Code.size()] == '\0' && r->SoundFile.c_str()[r->SoundFile.size()] == '\0');
        const int n = CodeNumber(r->Code);
        // The first record of its number in visiting order is what a lookup finds.
        if (seen.insert(n).second)
            check(library.FindRecord(n) == r);
        overLimit = overLimit || n >= 999999;
        if (!overLimit && n > largest)
            largest = n;
        ++visited;
    });
    check(static_cast<std::size_t>(visited) == library.RecordCount());
    if (!overLimit) {
        std::string code;
        check(library.AllocateCode(code) == 1 && CodeNumber(code) == largest + 1);
    }
    return 0;
}
