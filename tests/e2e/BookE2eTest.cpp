// Books that travel, with the real program: a finished book on a read-only medium, made on Windows, is
// played with the pen; a second copy of the program on the same book only plays it.
#include "e2e/E2eSupport.h"
#include "platform/core/Files.h"
#include "support/Wave.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {
class BookE2e : public E2eSoundTest {};
} // namespace

TEST_F(BookE2e, AWindowsBookOnAReadOnlyMediumPlaysWithThePen) {
    const std::string folder = kiv.programFolder();
    writeTone(folder + "000042.wav", 0.6, 440);
    // Made on Windows: the index names the file where it was recorded there, in other letter case.
    writeFile(folder + "KIV_Lib.cfg", "000042      tone        S_WAV       \"C:\\KIV\\000042.WAV\"\r\n");
    ReadOnlyMount readOnly(folder);
    ASSERT_TRUE(readOnly.ok()) << "needs root to mount the book read-only";
    ASSERT_NO_FATAL_FAILURE(startMain({}, QStringLiteral("KIV点读薄 V1.0 - app（只读）")));

    // The buttons that change the book show disabled: their labels are grey, not black as 进入点读's.
    const std::string shot = shotPath("read-only-book.png");
    const QImage image = screenshot(main, "read-only-book.png");
    ASSERT_FALSE(image.isNull());
    auto blackInLabel = [&](int x, int y) {
        int black = 0;
        for (int dy = -8; dy <= 8; ++dy)
            for (int dx = -30; dx <= 30; ++dx)
                black += qGray(image.pixel(x + dx, y + dy)) < 80;
        return black;
    };
    const int w = image.width(), h = image.height();
    EXPECT_GT(blackInLabel(8 + 88, h - 18 - 22), 20) << "进入点读 is no yardstick: " << shot;
    EXPECT_EQ(blackInLabel(w - 238, h - 42), 0) << "开始录音 is enabled: " << shot;
    EXPECT_EQ(blackInLabel(w - 48, h - 42), 0) << "保存 is enabled: " << shot;

    ASSERT_NO_FATAL_FAILURE(openReading());
    CSinkMonitor capture;
    ASSERT_TRUE(capture.started());
    ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 4 2 Return")));
    EXPECT_TRUE(waitUntil([&] { return capture.loudSeconds() >= 0.3; }, kPatience))
        << "the tone was not heard\n"
        << kiv.output().toStdString();
    ASSERT_NO_FATAL_FAILURE(leaveReading());
    quit();
    EXPECT_FALSE(fileExists(kiv.folder().file("data/KIV/KIV_Lib.cfg")))
        << "the book was swapped for an empty one";
}

TEST_F(BookE2e, ASecondCopyOnTheSameBookOnlyPlaysItAndSaysWhy) {
    writeFile(kiv.programFolder() + "KIV_Lib.cfg", "");
    ASSERT_NO_FATAL_FAILURE(startMain({}, QStringLiteral("KIV点读薄 V1.0 - app")));

    // Copies of the same program file: their folder, and so their book, is the first one's. Each is told and
    // only plays it; a third after the second has ended too, as the first still holds the book.
    for (int copy = 2; copy <= 3; ++copy) {
        SCOPED_TRACE(copy);
        KivProcess other;
        std::filesystem::remove(other.programFolder() + "KIV");
        std::filesystem::create_symlink(kiv.programFolder() + "KIV", other.programFolder() + "KIV");
        const QString readOnly =
            other.startPast(QStringLiteral("KIV"), QStringLiteral("KIV点读薄 V1.0 - app（只读）"));
        ASSERT_FALSE(readOnly.isEmpty()) << other.output().toStdString();
        other.key(readOnly, QStringLiteral("Escape"));
        EXPECT_EQ(other.waitForExit(), 0);
    }
}
