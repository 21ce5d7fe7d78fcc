// A book changed by another program while KIV has it open: the other program (this test, holding the book
// as kivtool does) files records, and the running KIV lists and plays them without a restart; when the other
// program lets go, KIV may change the book, and its own filing keeps every line.
#include "e2e/E2eSupport.h"
#include "library/SoundLibrary.h"
#include "platform/Files.h"
#include "platform/Gbk.h"
#include "support/SinkMonitor.h"
#include "support/SoundServer.h"
#include "support/Wave.h"

#include <QSize>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

TEST(WatchE2e, RecordsFiledByAnotherProgramShowAndPlayAndTheBookIsOursWhenItLetsGo) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    KivProcess kiv;
    const std::string folder = kiv.programFolder();
    writeFile(folder + "KIV_Lib.cfg", "");
    auto other = std::make_unique<CSoundLibrary>();
    ASSERT_EQ(other->OpenBook(folder), CSoundLibrary::Access::Writable);

    QString log;
    auto said = [&](const char* text) {
        return waitUntil([&] {
            log += kiv.output();
            return log.contains(QString::fromUtf8(text));
        });
    };
    ASSERT_TRUE(kiv.start());
    const QString box = kiv.waitForWindow(QStringLiteral("KIV"));
    ASSERT_FALSE(box.isEmpty()) << kiv.output().toStdString();
    QString main;
    for (int i = 0; i < 20 && main.isEmpty(); ++i) {
        kiv.key(box, QStringLiteral("Return"));
        main = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0 - app（只读）"), 500);
    }
    ASSERT_FALSE(main.isEmpty()) << kiv.output().toStdString();
    pump(3000); // the sink delivers in small blocks only after a while

    // The pen is in use while the other program files two records.
    click(main, 28, windowSize(main).height() - 28); // 进入点读
    const QString reading = kiv.waitForWindow(QStringLiteral("点读"));
    ASSERT_FALSE(reading.isEmpty()) << kiv.output().toStdString();
    const std::string tone = kiv.folder().path() + "tone.wav";
    writeTone(tone, 0.6, 660);
    auto writer = [&](const std::string& gbkPath) {
        return std::filesystem::copy_file(tone, nativePath(gbkPath));
    };
    QString whyNot;
    ASSERT_NE(other->FileSound(gbk("第一课"), writer, &whyNot), nullptr) << whyNot.toStdString();
    ASSERT_NE(other->FileSound(gbk("第二课"), writer, &whyNot), nullptr) << whyNot.toStdString();
    ASSERT_TRUE(said("2 records are listed")) << log.toStdString();
    {
        CSinkMonitor capture;
        ASSERT_TRUE(capture.started());
        ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 0 1 Return")));
        for (int i = 0; i < 300 && capture.loudSeconds() < 0.3; ++i)
            capture.wait(10);
        EXPECT_GE(capture.loudSeconds(), 0.3) << "the new record was not heard\n" << log.toStdString();
    }
    const QSize size = windowSize(reading);
    click(reading, size.width() * 355 / 387, size.height() * 212 / 227); // 退出
    ASSERT_TRUE(windowGone(QStringLiteral("点读")));
    pump(500);
    run(QStringLiteral("import"),
        {QStringLiteral("-window"), main,
         QString::fromStdString(
             (std::filesystem::path(executablePath()).parent_path() / "watch-reloaded.png").string())});

    // The other program lets go: the caption loses its mark without a word, and a recording can be filed.
    other.reset();
    const QString writable = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0 - app"), 5000);
    ASSERT_FALSE(writable.isEmpty()) << log.toStdString() << kiv.output().toStdString();
    EXPECT_TRUE(kiv.waitForWindow(QStringLiteral("KIV"), 300).isEmpty()) << "a box was shown";
    clickFromCorner(main, 238, 42); // 开始录音
    pump(800);
    bool played = false;
    run(QStringLiteral("paplay"),
        {QStringLiteral("-d"), QStringLiteral("nullsink"), QString::fromStdString(tone)}, &played, 30000);
    ASSERT_TRUE(played);
    pump(500);
    clickFromCorner(main, 238, 42); // 停止录音
    pump(800);
    clickFromCorner(main, 48, 42); // 保存
    const QString dialog = kiv.waitForWindow(QStringLiteral("标注内容"));
    ASSERT_FALSE(dialog.isEmpty()) << "the recording did not start\n" << kiv.output().toStdString();
    const QSize d = windowSize(dialog);
    click(dialog, d.width() * 205 / 316, d.height() * 77 / 91); // 填好了,下一步...
    const QString printBox = kiv.waitForWindow(QStringLiteral("打印条码"));
    ASSERT_FALSE(printBox.isEmpty()) << kiv.output().toStdString();
    kiv.key(printBox, QStringLiteral("n"));
    ASSERT_TRUE(windowGone(QStringLiteral("打印条码")));

    // KIV filed after the other program's records, under the next code: no line lost or doubled.
    const std::string index = readFile(folder + "KIV_Lib.cfg");
    EXPECT_EQ(std::count(index.begin(), index.end(), '\n'), 3) << index;
    EXPECT_NE(index.find("000002"), std::string::npos) << index;
    kiv.key(main, QStringLiteral("Escape"));
    EXPECT_EQ(kiv.waitForExit(), 0);
}
