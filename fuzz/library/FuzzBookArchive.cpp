// Arbitrary bytes as a .kivbook: UnpackBook must refuse or unpack, and never write outside its target
// folder nor leave a refused one behind.
#include "library/BookArchive.h"
#include "platform/core/Files.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string parent = [] {
        char tmpl[] = "/tmp/kiv-fuzz-archive-XXXXXX";
        const std::string made = std::string(::mkdtemp(tmpl)) + "/";
        ::setenv("XDG_DATA_HOME", (made + "data").c_str(), 1);
        return made;
    }();
    const std::string archive = parent + "in.kivbook";
    if (!atomicReplace(archive, std::string_view(reinterpret_cast<const char*>(data), size)))
        std::abort();
    UnpackReport report;
    QString whyNot;
    const bool unpacked = UnpackBook(archive, parent + "book/", report, &whyNot);
    for (const auto& e : fs::directory_iterator(parent)) {
        const std::string name = e.path().filename().string();
        if (name != "in.kivbook" && name != "data" && !(unpacked && name == "book"))
            std::abort();
    }
    if (unpacked) {
        for (const auto& e : fs::directory_iterator(parent + "book"))
            if (!e.is_regular_file() || e.is_symlink())
                std::abort();
    }
    fs::remove_all(parent + "book");
    return 0;
}
