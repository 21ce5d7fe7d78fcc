// The real program starts into its main window and ends when that window closes, writing nothing.
#include "e2e/E2eSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(StartupE2e, MainWindowOpensAndClosingItEndsTheProgramWithoutWriting) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    KivProcess kiv;
    ASSERT_TRUE(kiv.start());
    const QString window = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"));
    ASSERT_FALSE(window.isEmpty()) << kiv.output().toStdString();
    ASSERT_TRUE(kiv.key(window, QStringLiteral("Escape")));
    EXPECT_EQ(kiv.waitForExit(), 0) << kiv.output().toStdString();
    // Only the program itself is in its folder: no settings, no index written at start or exit.
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(kiv.programFolder()))
        ++n;
    EXPECT_EQ(n, 1u);
    EXPECT_FALSE(std::filesystem::exists(kiv.folder().path() + "data/KIV"));
}
