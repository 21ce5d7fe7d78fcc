// Switching books through the "点读书" popup's recent list while a sound of the old book plays: the switch
// cuts it off, nothing of the old book sounds afterwards, and quick switches back and forth end well.
#include "e2e/E2eSupport.h"
#include "platform/core/Gbk.h"
#include "support/Wave.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

QString caption(const QString& window) {
    return xdotool({QStringLiteral("getwindowname"), window});
}

class BookSwitchE2e : public E2eSoundTest {
protected:
    // Picks the second recent book from the popup (first on the menu bar).
    void pickTheOther() { chooseFromMenu(20, 10, QStringLiteral("2")); }
};

} // namespace

TEST_F(BookSwitchE2e, SwitchingWhileASoundPlaysSilencesTheOldBook) {
    const std::string a = kiv.folder().path() + "故事/", b = kiv.folder().path() + "儿歌/";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    writeTone(a + "000001.wav", 6.0, 440);
    // The index keeps its paths in GBK.
    writeFile(a + "KIV_Lib.cfg", "000001  \"tone\"  S_WAV  \"" + gbkFromNative(a + "000001.wav") + "\"\r\n");
    writeFile(b + "KIV_Lib.cfg", "");
    // Both books once, so the popup lists them: 1 the open one, 2 the other.
    ASSERT_NO_FATAL_FAILURE(startMain({QString::fromStdString(b)}));
    quit();
    ASSERT_NO_FATAL_FAILURE(startMain({QString::fromStdString(a)}));
    ASSERT_EQ(caption(main), QStringLiteral("KIV点读薄 V1.0 - 故事"));

    CSinkMonitor sink;
    click(main, 30, 90); // selecting the first row plays it
    ASSERT_NE(sink.waitLoud(3000), 0) << "the old book's sound did not start";

    ASSERT_NO_FATAL_FAILURE(pickTheOther());
    ASSERT_TRUE(
        waitUntil([&] { return caption(main) == QStringLiteral("KIV点读薄 V1.0 - 儿歌"); }, kPatience))
        << caption(main).toStdString();
    sink.drain();
    EXPECT_EQ(sink.waitLoud(1500), 0) << "the old book still sounds after the switch";

    // Back and forth quickly: the program stays, on the book picked last.
    ASSERT_NO_FATAL_FAILURE(pickTheOther());
    ASSERT_NO_FATAL_FAILURE(pickTheOther());
    EXPECT_TRUE(
        waitUntil([&] { return caption(main) == QStringLiteral("KIV点读薄 V1.0 - 儿歌"); }, kPatience))
        << caption(main).toStdString();
    quit();
}
