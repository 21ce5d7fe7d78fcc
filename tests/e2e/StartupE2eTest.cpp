// The real program starts into its main window and ends when that window closes, writing nothing; which
// book it opens follows the command line and the books opened before.
#include "e2e/E2eSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

QString windowName(const QString& window) {
    return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), window});
}

// Starts the program, waits for its main window, returns its caption and closes it.
QString captionOfARun(KivProcess& kiv, const QStringList& args, const QString& answerFirst = {}) {
    if (!kiv.start(args))
        return QStringLiteral("(did not start)");
    QString window;
    if (!answerFirst.isEmpty()) {
        const QString box = kiv.waitForWindow(answerFirst);
        if (box.isEmpty())
            return QStringLiteral("(no box \"%1\")").arg(answerFirst);
        // A key sent while the box is still taking the focus is lost: press again until it has gone.
        for (int i = 0; i < 20 && window.isEmpty(); ++i) {
            kiv.key(box, QStringLiteral("Return"));
            window = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"), 500);
        }
    }
    if (window.isEmpty())
        window = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"));
    if (window.isEmpty())
        return QStringLiteral("(no main window)");
    const QString caption = windowName(window);
    kiv.key(window, QStringLiteral("Escape"));
    return kiv.waitForExit() == 0 ? caption : QStringLiteral("(did not end)");
}

} // namespace

TEST(StartupE2e, MainWindowOpensAndClosingItEndsTheProgramWithoutWriting) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    KivProcess kiv;
    ASSERT_TRUE(kiv.start());
    const QString window = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"));
    ASSERT_FALSE(window.isEmpty()) << kiv.output().toStdString();
    // An empty program folder holds no book: the per-user one opens.
    EXPECT_EQ(windowName(window), QStringLiteral("KIV点读薄 V1.0 - KIV"));
    ASSERT_TRUE(kiv.key(window, QStringLiteral("Escape")));
    EXPECT_EQ(kiv.waitForExit(), 0) << kiv.output().toStdString();
    // Only the program itself is in its folder, and the per-user book is made but empty: no settings, no
    // index written at start or exit.
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(kiv.programFolder()))
        ++n;
    EXPECT_EQ(n, 1u);
    EXPECT_TRUE(std::filesystem::is_directory(kiv.userBook()));
    EXPECT_TRUE(std::filesystem::is_empty(kiv.userBook()));
}

TEST(StartupE2e, BookFromTheCommandLineThenTheMostRecentAndAMissingOneIsSaid) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    KivProcess kiv;
    const std::string book = kiv.folder().path() + "三年级/";
    std::filesystem::create_directories(book);
    writeFile(book + "KIV_Lib.cfg", "");
    const QString bookPath = QString::fromStdString(book);

    EXPECT_EQ(captionOfARun(kiv, {bookPath}), QStringLiteral("KIV点读薄 V1.0 - 三年级"))
        << kiv.output().toStdString();
    EXPECT_EQ(captionOfARun(kiv, {}), QStringLiteral("KIV点读薄 V1.0 - 三年级"))
        << kiv.output().toStdString();
    // A folder that is not there: its message first ("错误" is the default caption), then the recent book.
    EXPECT_EQ(
        captionOfARun(kiv, {QString::fromStdString(kiv.folder().path() + "gone")}, QStringLiteral("错误")),
        QStringLiteral("KIV点读薄 V1.0 - 三年级"))
        << kiv.output().toStdString();
    EXPECT_FALSE(std::filesystem::exists(kiv.userBook())); // never needed
}
