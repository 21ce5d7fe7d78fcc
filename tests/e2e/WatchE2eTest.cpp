// A book changed by another program while KIV has it open: the other program (this test, holding the book
// as kivtool does) files records, and the running KIV lists and plays them without a restart; when the other
// program lets go, KIV may change the book, and its own filing keeps every line.
#include "e2e/E2eSupport.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "support/Wave.h"

#include <QSize>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {
class WatchE2e : public E2eSoundTest {};
} // namespace

TEST_F(WatchE2e, RecordsFiledByAnotherProgramShowAndPlayAndTheBookIsOursWhenItLetsGo) {
    const std::string folder = kiv.programFolder();
    writeFile(folder + "KIV_Lib.cfg", "");
    auto other = std::make_unique<CSoundLibrary>();
    ASSERT_EQ(other->OpenBook(folder), CSoundLibrary::Access::Writable);

    main = kiv.startPast(QStringLiteral("KIV"), QStringLiteral("KIV点读薄 V1.0 - app（只读）"));
    ASSERT_FALSE(main.isEmpty()) << kiv.output().toStdString();
    ASSERT_TRUE(kiv.soundReady());

    // The pen is in use while the other program files two records.
    ASSERT_NO_FATAL_FAILURE(openReading());
    const std::string tone = kiv.folder().path() + "tone.wav";
    writeTone(tone, 0.6, 660);
    auto writer = [&](const std::string& gbkPath) {
        return std::filesystem::copy_file(tone, nativePath(gbkPath));
    };
    QString whyNot;
    ASSERT_NE(other->FileSound(gbk("第一课"), writer, &whyNot), nullptr) << whyNot.toStdString();
    ASSERT_NE(other->FileSound(gbk("第二课"), writer, &whyNot), nullptr) << whyNot.toStdString();
    ASSERT_TRUE(kiv.said(QStringLiteral("2 records are listed"))) << kiv.output().toStdString();
    {
        CSinkMonitor capture;
        ASSERT_TRUE(capture.started());
        ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 0 1 Return")));
        EXPECT_TRUE(waitUntil([&] { return capture.loudSeconds() >= 0.3; }, kPatience))
            << "the new record was not heard\n"
            << kiv.output().toStdString();
    }
    ASSERT_NO_FATAL_FAILURE(leaveReading());
    // The shot of the reloaded list, for a person to look at, once the main window has the focus back.
    waitUntil([&] { return focusedWindow() == main; }, kPatience);
    screenshot(main, "watch-reloaded.png");

    // The other program lets go: the caption loses its mark without a word, and a recording can be filed.
    other.reset();
    const QString writable = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0 - app"), 5000);
    ASSERT_FALSE(writable.isEmpty()) << kiv.output().toStdString();
    EXPECT_TRUE(kiv.waitForWindow(QStringLiteral("KIV"), 300).isEmpty()) << "a box was shown";
    ASSERT_NO_FATAL_FAILURE(record(tone));
    clickFromCorner(main, 48, 42); // 保存
    const QString dialog = kiv.waitForWindow(QStringLiteral("标注内容"));
    ASSERT_FALSE(dialog.isEmpty()) << "the recording did not start\n" << kiv.output().toStdString();
    const QSize d = windowSize(dialog);
    click(dialog, d.width() * 205 / 316, d.height() * 77 / 91); // 填好了,下一步...
    ASSERT_NO_FATAL_FAILURE(answer(QStringLiteral("打印条码"), QStringLiteral("n")));

    // KIV filed after the other program's records, under the next code: no line lost or doubled.
    const std::string index = readFile(folder + "KIV_Lib.cfg");
    EXPECT_EQ(std::count(index.begin(), index.end(), '\n'), 3) << index;
    EXPECT_NE(index.find("000002"), std::string::npos) << index;
    quit();
}
