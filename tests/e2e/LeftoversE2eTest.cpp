// A copy that was killed leaves nothing behind: its temporary files go with it on SIGTERM, and what a copy
// killed harder left is cleared by the next start.
#include "e2e/E2eSupport.h"
#include "platform/core/Files.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {
class LeftoversE2e : public E2eTest {};
} // namespace

TEST_F(LeftoversE2e, TemporaryFilesGoAtStartAndWithATerminatedCopy) {
    pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string d = std::to_string(dead);
    std::filesystem::create_directories(kiv.tempFolder());
    for (const std::string& f : {kiv.programFolder() + "KIV_Lib.cfg.tmp-" + d + "-aaaaaa",
                                 kiv.programFolder() + "KIV.ini.tmp-" + d + "-bbbbbb",
                                 kiv.programFolder() + "000003.wav.tmp-" + d + "-cccccc",
                                 kiv.tempFolder() + "kiv-recording-" + d + "-dddddd.wav",
                                 kiv.tempFolder() + "kiv-warm-" + d + ".mp3"})
        writeFile(f, "left by a killed copy");
    ASSERT_NO_FATAL_FAILURE(startMain());
    EXPECT_EQ(entries(kiv.programFolder()), std::set<std::string>{"KIV"});
    // The book's lock stays while the program runs.
    EXPECT_TRUE(fileExists(kiv.userBook() + "KIV_Lib.lock"));
    // A recording under way: its take is a temporary file until it is saved.
    clickFromCorner(main, 238, 42); // 开始录音
    ASSERT_TRUE(waitUntil([&] { return !entries(kiv.tempFolder()).empty(); }, kPatience))
        << kiv.output().toStdString();
    kiv.terminate();
    EXPECT_NE(kiv.waitForExit(), -1);
    EXPECT_EQ(entries(kiv.programFolder()), std::set<std::string>{"KIV"});
    EXPECT_FALSE(fileExists(kiv.userBook() + "KIV_Lib.lock"));
    EXPECT_TRUE(entries(kiv.tempFolder()).empty());
}
