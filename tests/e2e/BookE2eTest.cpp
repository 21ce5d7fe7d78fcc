// Books that travel, with the real program: a finished book on a read-only medium, made on Windows, is
// played with the pen; a second copy of the program on the same book only plays it.
#include "e2e/E2eSupport.h"
#include "platform/Files.h"
#include "support/SinkMonitor.h"
#include "support/SoundServer.h"
#include "support/Wave.h"

#include <QImage>
#include <QSize>
#include <QThread>
#include <filesystem>
#include <gtest/gtest.h>

namespace {
void pause(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

// Presses Return on a box until the window behind it shows: a key sent while the box takes the focus is lost.
QString answerBox(KivProcess& kiv, const QString& box, const QString& next) {
    QString window;
    for (int i = 0; i < 20 && window.isEmpty(); ++i) {
        kiv.key(box, QStringLiteral("Return"));
        window = kiv.waitForWindow(next, 500);
    }
    return window;
}
} // namespace

TEST(BookE2e, AWindowsBookOnAReadOnlyMediumPlaysWithThePen) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    KivProcess kiv;
    const std::string folder = kiv.programFolder();
    writeTone(folder + "000042.wav", 0.6, 440);
    // Made on Windows: the index names the file where it was recorded there, in other letter case.
    writeFile(folder + "KIV_Lib.cfg", "000042      tone        S_WAV       \"C:\\KIV\\000042.WAV\"\r\n");
    ReadOnlyMount readOnly(folder);
    ASSERT_TRUE(readOnly.ok()) << "needs root to mount the book read-only";
    ASSERT_TRUE(kiv.start());
    const QString main = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0 - app（只读）"));
    ASSERT_FALSE(main.isEmpty()) << kiv.output().toStdString();
    pause(3000); // the sink delivers in small blocks only after a while

    // The buttons that change the book show disabled: their labels are grey, not black as 进入点读's.
    const std::string shot = kiv.folder().file("main.png");
    run(QStringLiteral("import"), {QStringLiteral("-window"), main, QString::fromStdString(shot)});
    const QImage image(QString::fromStdString(shot));
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

    // "进入点读" keeps 8 pixels from the left edge and 18 from the bottom.
    click(main, 28, windowSize(main).height() - 28);
    const QString reading = kiv.waitForWindow(QStringLiteral("点读"));
    ASSERT_FALSE(reading.isEmpty()) << kiv.output().toStdString();
    pause(300);
    CSinkMonitor capture;
    ASSERT_TRUE(capture.started());
    ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 4 2 Return")));
    for (int i = 0; i < 300 && capture.loudSeconds() < 0.3; ++i)
        capture.wait(10);
    EXPECT_GE(capture.loudSeconds(), 0.3) << "the tone was not heard\n" << kiv.output().toStdString();

    // "退出" sits at 330..380 x 205..219 of the 387 x 227 dialog units.
    const QSize size = windowSize(reading);
    click(reading, size.width() * 355 / 387, size.height() * 212 / 227);
    pause(500);
    kiv.key(main, QStringLiteral("Escape"));
    EXPECT_EQ(kiv.waitForExit(), 0);
    EXPECT_FALSE(fileExists(kiv.folder().file("data/KIV/KIV_Lib.cfg")))
        << "the book was swapped for an empty one";
}

TEST(BookE2e, ASecondCopyOnTheSameBookOnlyPlaysItAndSaysWhy) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    KivProcess first;
    writeFile(first.programFolder() + "KIV_Lib.cfg", "");
    ASSERT_TRUE(first.start());
    ASSERT_FALSE(first.waitForWindow(QStringLiteral("KIV点读薄 V1.0 - app")).isEmpty())
        << first.output().toStdString();

    // The same program file: its folder, and so its book, is the first one's.
    KivProcess second;
    std::filesystem::remove(second.programFolder() + "KIV");
    std::filesystem::create_symlink(first.programFolder() + "KIV", second.programFolder() + "KIV");
    ASSERT_TRUE(second.start());
    const QString box = second.waitForWindow(QStringLiteral("KIV"));
    ASSERT_FALSE(box.isEmpty()) << second.output().toStdString();
    const QString readOnly = answerBox(second, box, QStringLiteral("KIV点读薄 V1.0 - app（只读）"));
    ASSERT_FALSE(readOnly.isEmpty()) << second.output().toStdString();
    second.key(readOnly, QStringLiteral("Escape"));
    EXPECT_EQ(second.waitForExit(), 0);

    // The first copy still holds the book: a copy started after the second ended is read-only again.
    KivProcess third;
    std::filesystem::remove(third.programFolder() + "KIV");
    std::filesystem::create_symlink(first.programFolder() + "KIV", third.programFolder() + "KIV");
    ASSERT_TRUE(third.start());
    const QString again = third.waitForWindow(QStringLiteral("KIV"));
    ASSERT_FALSE(again.isEmpty()) << third.output().toStdString();
    ASSERT_FALSE(answerBox(third, again, QStringLiteral("KIV点读薄 V1.0 - app（只读）")).isEmpty());
}
