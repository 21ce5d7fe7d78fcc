#include "common/TestSupport.h"
#include "platform/Files.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
std::size_t entriesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}
} // namespace

TEST(Files, ReadWhole) {
    TempFolder dir;
    std::string out = "stale";
    EXPECT_FALSE(readWholeFile(dir.file("missing"), out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(readWholeFile(dir.path(), out)); // a folder is no file
    writeFile(dir.file("a"), std::string("x\0y\r\n", 5));
    ASSERT_TRUE(readWholeFile(dir.file("a"), out));
    EXPECT_EQ(out, std::string("x\0y\r\n", 5));
    writeFile(dir.file("empty"), "");
    EXPECT_TRUE(readWholeFile(dir.file("empty"), out));
    EXPECT_TRUE(out.empty());
}

TEST(Files, AtomicReplaceLeavesOnlyTheNewFileAndKeepsItsMode) {
    TempFolder dir;
    const std::string p = dir.file("KIV_Lib.cfg");
    ASSERT_TRUE(atomicReplace(p, "first"));
    EXPECT_EQ(readFile(p), "first");
    ::chmod(p.c_str(), 0640);
    ASSERT_TRUE(atomicReplace(p, "second, longer"));
    EXPECT_EQ(readFile(p), "second, longer");
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entriesIn(dir.path()), 1u); // no temporary file left behind
}

TEST(Files, AtomicReplaceThatCannotFinishLeavesTheOldContent) {
    TempFolder dir;
    EXPECT_FALSE(atomicReplace(dir.file("no/such/folder/x"), "data"));
    // A folder in the way: the rename fails and the temporary file goes.
    std::filesystem::create_directory(dir.file("blocked"));
    EXPECT_FALSE(atomicReplace(dir.file("blocked"), "data"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("blocked")));
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(Files, AppendCopyDeleteExists) {
    TempFolder dir;
    const std::string p = dir.file("log");
    EXPECT_FALSE(fileExists(p));
    EXPECT_EQ(fileSize(p), -1);
    ASSERT_TRUE(appendDurable(p, "a\r\n"));
    ASSERT_TRUE(appendDurable(p, "b\r\n"));
    EXPECT_EQ(readFile(p), "a\r\nb\r\n");
    EXPECT_EQ(fileSize(p), 6);
    ASSERT_TRUE(copyFile(p, dir.file("copy")));
    EXPECT_EQ(readFile(dir.file("copy")), "a\r\nb\r\n");
    EXPECT_FALSE(copyFile(dir.file("missing"), dir.file("copy")));
    EXPECT_EQ(readFile(dir.file("copy")), "a\r\nb\r\n"); // a failed copy keeps the target
    EXPECT_TRUE(deleteFile(p));
    EXPECT_FALSE(fileExists(p));
    EXPECT_FALSE(deleteFile(p));
    EXPECT_FALSE(appendDurable(dir.file("no/folder/log"), "x"));
}

TEST(Files, ExecutableAndFolders) {
    const std::string exe = executablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.substr(exe.rfind('/') + 1), "tests_platform");

    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", "/srv/data/", 1);
    EXPECT_EQ(userDataFolder(), "/srv/data/KIV/");
    setenv("XDG_DATA_HOME", "relative/ignored", 1); // only absolute paths count
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(userDataFolder(), "/home/someone/.local/share/KIV/");
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");

    TempFolder dir;
    EXPECT_TRUE(folderWritable(dir.path()));
    EXPECT_EQ(entriesIn(dir.path()), 0u); // the probe is gone
    EXPECT_FALSE(folderWritable("/proc/"));
    EXPECT_FALSE(folderWritable(dir.file("missing/")));
    EXPECT_TRUE(ensureFolder(dir.file("a/b/c")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("a/b/c")));
}

TEST(Files, CanonicalPathResolvesLinksAndDots) {
    TempFolder dir;
    std::filesystem::create_directory(dir.file("lib"));
    writeFile(dir.file("lib/x.wav"), "x");
    std::filesystem::create_symlink(dir.file("lib"), dir.file("link"));
    const std::string real = canonicalPath(dir.file("lib/x.wav"));
    EXPECT_FALSE(real.empty());
    EXPECT_EQ(canonicalPath(dir.file("link/../lib/./x.wav")), real);
    EXPECT_EQ(canonicalPath(dir.file("link/x.wav")), real);
    EXPECT_TRUE(canonicalPath(dir.file("missing")).empty());
}
