// The real program starts into its main window and ends when that window closes, writing nothing; which
// book it opens follows the command line and the books opened before.
#include "e2e/E2eSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

QString windowName(const QString& window) {
    return xdotool({QStringLiteral("getwindowname"), window});
}

class StartupE2e : public E2eTest {
protected:
    // Starts the program, waits for its main window, returns its caption and closes it.
    QString captionOfARun(const QStringList& args, const QString& answerFirst = {}) {
        const QString window = answerFirst.isEmpty()
                                   ? (kiv.start(args) ? kiv.waitForWindow(kMainTitle) : QString())
                                   : kiv.startPast(answerFirst, kMainTitle, args);
        if (window.isEmpty())
            return QStringLiteral("(no main window)");
        const QString caption = windowName(window);
        kiv.key(window, QStringLiteral("Escape"));
        return kiv.waitForExit() == 0 ? caption : QStringLiteral("(did not end)");
    }
};

} // namespace

TEST_F(StartupE2e, MainWindowOpensAndClosingItEndsTheProgramWithoutWriting) {
    ASSERT_NO_FATAL_FAILURE(startMain());
    // An empty program folder holds no book: the per-user one opens.
    EXPECT_EQ(windowName(main), QStringLiteral("KIV点读薄 V1.0 - KIV"));
    quit();
    // Only the program itself is in its folder, and the per-user book is made but empty: no settings, no
    // index written at start or exit.
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(kiv.programFolder()))
        ++n;
    EXPECT_EQ(n, 1u);
    EXPECT_TRUE(std::filesystem::is_directory(kiv.userBook()));
    EXPECT_TRUE(std::filesystem::is_empty(kiv.userBook()));
}

TEST_F(StartupE2e, BookFromTheCommandLineThenTheMostRecentAndAMissingOneIsSaid) {
    const std::string book = kiv.folder().path() + "三年级/";
    std::filesystem::create_directories(book);
    writeFile(book + "KIV_Lib.cfg", "");
    const QString bookPath = QString::fromStdString(book);

    EXPECT_EQ(captionOfARun({bookPath}), QStringLiteral("KIV点读薄 V1.0 - 三年级"))
        << kiv.output().toStdString();
    EXPECT_EQ(captionOfARun({}), QStringLiteral("KIV点读薄 V1.0 - 三年级")) << kiv.output().toStdString();
    // A folder that is not there: its message first ("错误" is the default caption), then the recent book.
    EXPECT_EQ(captionOfARun({QString::fromStdString(kiv.folder().path() + "gone")}, QStringLiteral("错误")),
              QStringLiteral("KIV点读薄 V1.0 - 三年级"))
        << kiv.output().toStdString();
    EXPECT_FALSE(std::filesystem::exists(kiv.userBook())); // never needed
}
