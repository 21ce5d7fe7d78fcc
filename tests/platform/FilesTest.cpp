#include "platform/core/Files.h"
#include "platform/core/TempFiles.h"
#include "support/Faults.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(Files, AFullDiskLeavesEveryFileAsItWas) {
    if (!isRoot())
        GTEST_SKIP() << "mounting a small disk needs root";
    SmallDisk disk;
    ASSERT_TRUE(disk.mounted());
    const std::string index = disk.path() + "KIV_Lib.cfg";
    const std::string old = "000000      Null        S_WAV       \"/b/000000.wav\"\r\n";
    ASSERT_TRUE(appendDurable(index, old));
    disk.fill();
    // The line fits partly into the file's last block: a torn append would leave that part behind.
    const std::string line(6000, 'x');
    EXPECT_FALSE(appendDurable(index, line));
    EXPECT_EQ(fileSize(index), static_cast<long long>(old.size()));
    EXPECT_FALSE(appendDurable(disk.path() + "new.cfg", line));
    EXPECT_FALSE(fileExists(disk.path() + "new.cfg"));
    EXPECT_FALSE(atomicReplace(index, line));
    EXPECT_TRUE(readFile(index) == old);
    EXPECT_EQ(entriesIn(disk.path()), 2u); // the index and the filler: no temporary file
}

TEST(Files, AFileThisUserMayNotWriteIsLeftAlone) {
    if (!isRoot())
        GTEST_SKIP() << "changing to another user needs root";
    TempFolder dir;
    ::chmod(dir.path().c_str(), 0777);
    const std::string p = dir.file("KIV.ini");
    writeFile(p, "CodeType=1");
    ::chmod(p.c_str(), 0444);
    const int result = runAsNobody([&] {
        return (atomicReplace(p, "CodeType=2") ? 1 : 0) | (appendDurable(p, "x") ? 2 : 0) |
               (atomicReplace(dir.file("new"), "ok") ? 0 : 4);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(p), "CodeType=1");
    EXPECT_EQ(readFile(dir.file("new")), "ok");
}

TEST(Files, LinksAreWrittenThroughOnlyInsideTheirFolderOrReplacedAndSetIdBitsNeverCopied) {
    TempFolder dir;
    std::filesystem::create_directories(dir.file("book/synced"));
    // An index kept in a synced folder inside the book: the link stays and its target takes the new text.
    writeFile(dir.file("book/synced/KIV_Lib.cfg"), "old");
    ::chmod(dir.file("book/synced/KIV_Lib.cfg").c_str(), 0640);
    std::filesystem::create_symlink("synced/KIV_Lib.cfg", dir.file("book/KIV_Lib.cfg"));
    ASSERT_TRUE(atomicReplace(dir.file("book/KIV_Lib.cfg"), "new", LinkPolicy::WriteTarget));
    ASSERT_TRUE(appendDurable(dir.file("book/KIV_Lib.cfg"), "+"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("book/KIV_Lib.cfg")));
    EXPECT_EQ(readFile(dir.file("book/synced/KIV_Lib.cfg")), "new+");
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("book/synced/KIV_Lib.cfg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entriesIn(dir.file("book/synced")), 1u);

    // A link leading out of its folder, however it gets there, is never written through.
    writeFile(dir.file(".bashrc"), "keep");
    std::filesystem::create_symlink(dir.path(), dir.file("book/up"));
    for (const std::string& to : {dir.file(".bashrc"), std::string("../.bashrc"), std::string("up/.bashrc"),
                                  std::string("synced/../../.bashrc"), std::string("loop")}) {
        SCOPED_TRACE(to);
        const std::string link = dir.file("book/loop");
        std::filesystem::remove(link);
        std::filesystem::create_symlink(to, link);
        EXPECT_TRUE(linkLeavesFolder(link));
        EXPECT_FALSE(atomicReplace(link, "x", LinkPolicy::WriteTarget));
        EXPECT_FALSE(appendDurable(link, "x"));
    }
    EXPECT_EQ(readFile(dir.file(".bashrc")), "keep");

    // A planted link to a set-uid program: the sound replaces the link, the program is untouched.
    writeFile(dir.file("program"), "#!/bin/sh");
    ::chmod(dir.file("program").c_str(), 04755);
    std::filesystem::create_symlink(dir.file("program"), dir.file("book/000000.wav"));
    ASSERT_TRUE(copyFile(dir.file("book/synced/KIV_Lib.cfg"), dir.file("book/000000.wav")));
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("book/000000.wav")));
    EXPECT_EQ(readFile(dir.file("program")), "#!/bin/sh");
    ASSERT_EQ(::stat(dir.file("book/000000.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07000, 0u);
    // Nor from a set-id file replaced in place.
    ASSERT_TRUE(atomicReplace(dir.file("program"), "#!/bin/true"));
    ASSERT_EQ(::stat(dir.file("program").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
}

TEST(Files, SpecialAndHugeFilesAreRefusedAtOnce) {
    TempFolder dir;
    const std::string fifo = dir.file("KIV_Lib.cfg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string out;
    EXPECT_FALSE(readWholeFile(fifo, out)); // would wait for a writer forever
    EXPECT_EQ(errno, EINVAL);
    EXPECT_FALSE(appendDurable(fifo, "x"));
    EXPECT_FALSE(atomicReplace(fifo, "x", LinkPolicy::WriteTarget));
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(readWholeFile("/dev/zero", out));

    const std::string huge = dir.file("huge");
    writeFile(huge, "");
    ASSERT_EQ(::truncate(huge.c_str(), 3LL << 30), 0); // sparse: costs no disk
    EXPECT_FALSE(readWholeFile(huge, out, 1 << 20));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_TRUE(out.empty());
}

TEST(Files, TemporaryFilesOfDeadProcessesGoAtStartAndHeldOnesOnTermination) {
    TempFolder dir;
    pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string d = std::to_string(dead), me = std::to_string(::getpid());
    for (const std::string& name :
         {"KIV_Lib.cfg.tmp-" + d + "-a1B2c3", "000001.wav.tmp-" + d + "-Zz9Zz9",
          "kiv-recording-" + d + "-abcdef.wav", "kiv-warm-" + d + ".mp3", ".kiv-probe-" + d + "-abcdef"})
        writeFile(dir.file(name), "left over");
    // A running copy's file, a user's files and things that only look like ours stay.
    const std::vector<std::string> kept = {"KIV_Lib.cfg.tmp-" + me + "-abcdef", "KIV_Lib.cfg", "notes.tmp-12",
                                           "kiv-warm-x.mp3", "kiv-recording-" + d + "-abcdef.wav.bak"};
    for (const std::string& name : kept)
        writeFile(dir.file(name), "keep");
    std::filesystem::create_directory(dir.file("KIV.ini.tmp-" + d + "-abcdef"));
    std::filesystem::create_symlink(dir.file("KIV_Lib.cfg"), dir.file("KIV.ini.tmp-" + d + "-zzzzzz"));
    EXPECT_EQ(removeStaleTempFiles(dir.path()), 5);
    EXPECT_EQ(entriesIn(dir.path()), kept.size() + 2);

    // A writer terminated while it holds a temporary file takes the file with it, and still dies of the
    // signal.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {
        removeHeldTempFilesOnExit();
        std::string name = dir.file("KIV_Lib.cfg") + tempNamePrefix(".tmp-") + "XXXXXX";
        createHeldTempFile(name);
        (void)!::write(ready[1], "r", 1);
        ::pause();
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(entriesIn(dir.path()), kept.size() + 2);
    ::close(ready[0]);
    ::close(ready[1]);

    // The display going away ends the process through exit(), without unwinding.
    child = ::fork();
    if (child == 0) {
        removeHeldTempFilesOnExit();
        std::string name = dir.file("kiv-warm-") + std::to_string(::getpid()) + ".mp3";
        writeFile(name, "sample");
        holdTempFile(name);
        std::exit(1);
    }
    ::waitpid(child, &status, 0);
    EXPECT_EQ(entriesIn(dir.path()), kept.size() + 2);
}
