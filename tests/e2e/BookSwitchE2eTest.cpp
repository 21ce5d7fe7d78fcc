// Switching books through the "点读书" popup's recent list while a sound of the old book plays: the switch
// cuts it off, nothing of the old book sounds afterwards, and quick switches back and forth end well.
#include "e2e/E2eSupport.h"
#include "platform/Gbk.h"
#include "support/SinkMonitor.h"
#include "support/SoundServer.h"
#include "support/Wave.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

QString caption(const QString& window) {
    return xdotool({QStringLiteral("getwindowname"), window});
}

// Opens the popup (first on the menu bar) and picks a recent book by its number.
void pickRecent(const QString& window, int number) {
    click(window, 20, 10);
    pump(300); // the menu takes keys once it has grabbed the keyboard
    xdotool({QStringLiteral("key"), QString::number(number)});
}

} // namespace

TEST(BookSwitchE2e, SwitchingWhileASoundPlaysSilencesTheOldBook) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    KivProcess kiv;
    const std::string a = kiv.folder().path() + "故事/", b = kiv.folder().path() + "儿歌/";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    writeTone(a + "000001.wav", 6.0, 440);
    // The index keeps its paths in GBK.
    writeFile(a + "KIV_Lib.cfg", "000001  \"tone\"  S_WAV  \"" + gbkFromNative(a + "000001.wav") + "\"\r\n");
    writeFile(b + "KIV_Lib.cfg", "");
    // Both books once, so the popup lists them: 1 the open one, 2 the other.
    for (const std::string& book : {b, a}) {
        ASSERT_TRUE(kiv.start({QString::fromStdString(book)}));
        const QString w = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"));
        ASSERT_FALSE(w.isEmpty()) << kiv.output().toStdString();
        if (book == a) {
            pump(3000); // the sink delivers in small blocks only after a while
            break;
        }
        kiv.key(w, QStringLiteral("Escape"));
        ASSERT_EQ(kiv.waitForExit(), 0);
    }
    const QString window = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"));
    ASSERT_EQ(caption(window), QStringLiteral("KIV点读薄 V1.0 - 故事"));

    CSinkMonitor sink;
    click(window, 30, 90); // selecting the first row plays it
    ASSERT_NE(sink.waitLoud(3000), 0) << "the old book's sound did not start";

    pickRecent(window, 2);
    ASSERT_TRUE(waitUntil([&] { return caption(window) == QStringLiteral("KIV点读薄 V1.0 - 儿歌"); }))
        << caption(window).toStdString();
    sink.drain();
    EXPECT_EQ(sink.waitLoud(1500), 0) << "the old book still sounds after the switch";

    // Back and forth quickly: the program stays, on the book picked last.
    pickRecent(window, 2);
    pickRecent(window, 2);
    EXPECT_TRUE(waitUntil([&] { return caption(window) == QStringLiteral("KIV点读薄 V1.0 - 儿歌"); }))
        << caption(window).toStdString();
    kiv.key(window, QStringLiteral("Escape"));
    EXPECT_EQ(kiv.waitForExit(), 0) << kiv.output().toStdString();
}
