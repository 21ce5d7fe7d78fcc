// Which book opens at start, and the recent-books list behind it.
#include "app/StartBook.h"
#include "app/Folders.h"
#include "app/RecentBooks.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "support/TestSupport.h"

#include <QString>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// A folder holding an (empty) index.
std::string book(const TempFolder& dir, const std::string& name) {
    const std::string folder = dir.path() + name + "/";
    ensureFolder(folder);
    writeFile(folder + "KIV_Lib.cfg", "");
    return folder;
}

} // namespace

TEST(StartBook, RulesInOrderProgramFolderCommandLineRecentDataFolder) {
    TempFolder dir;
    const std::string program = book(dir, "程序");
    const std::string given = book(dir, "given");
    const std::string recent = book(dir, "recent");
    const std::string data = dir.path() + "share/KIV/";
    const QStringList args{QStringLiteral("-style"), q(given)};

    StartBookChoice c = ChooseStartBook(program, args, {q(recent)}, data);
    EXPECT_EQ(c.folder, gbkFromNative(program)); // a program folder with a book wins
    EXPECT_TRUE(c.messages.isEmpty());

    const std::string emptyProgram = dir.path() + "bin/";
    ensureFolder(emptyProgram);
    EXPECT_EQ(ChooseStartBook(emptyProgram, args, {q(recent)}, data).folder, given);
    // The index's own path names its book, as a file manager would hand it over.
    EXPECT_EQ(ChooseStartBook(emptyProgram, {q(given + "KIV_Lib.cfg")}, {}, data).folder, given);
    EXPECT_EQ(ChooseStartBook(emptyProgram, {}, {q(recent)}, data).folder, recent);

    // Nothing else: the per-user folder, made on demand; the empty program folder stays untouched.
    c = ChooseStartBook(emptyProgram, {}, {}, data);
    EXPECT_EQ(c.folder, data);
    EXPECT_TRUE(std::filesystem::is_directory(data));
    EXPECT_TRUE(std::filesystem::is_empty(emptyProgram));

    // A command-line folder that is not there is said, and the next rule opens.
    c = ChooseStartBook(emptyProgram, {q(dir.path() + "gone")}, {q(recent)}, data);
    EXPECT_EQ(c.folder, recent);
    ASSERT_EQ(c.messages.size(), 1);
    EXPECT_EQ(c.messages[0],
              QStringLiteral("文件夹 \"%1gone/\" 不存在或不能读取，不能作为点读书打开。").arg(q(dir.path())));
}

namespace {
std::string g_Exe;
std::string fakeExe() {
    return g_Exe;
}
} // namespace

TEST(StartBook, BuildTreeKeepsNeitherBookNorSettings) {
    // The test binary lives in <build>/tests/.
    const char* build = std::getenv("KIV_BINARY_DIR");
    g_Exe = (build ? std::string(build)
                   : std::filesystem::path(executablePath()).parent_path().parent_path().string()) +
            "/KIV";
    ExecutablePathSource = fakeExe;
    FolderChoice choice;
    EXPECT_EQ(DetermineProgramFolder(&choice), 1);
    ExecutablePathSource = executablePath;
    EXPECT_TRUE(choice.usedDataFolder); // though the build tree can be written
    EXPECT_EQ(ProgramFolder, userDataFolder());
    ProgramFolder.clear();

    TempFolder dir;
    EXPECT_FALSE(IsFixedProgramFolder(dir.path()));
}

TEST(RecentBooks, NewestFirstOnceEachAtMostEightAndOnlyBooksThatStillOpen) {
    TempFolder dir;
    std::vector<std::string> books;
    for (int i = 0; i < 10; ++i)
        books.push_back(book(dir, "b" + std::to_string(i)));
    for (const std::string& b : books)
        RememberBook(q(b));
    RememberBook(q(books[3])); // again: moves to the front, not listed twice
    QStringList expected{q(books[3])};
    for (int i = 9; expected.size() < kRecentBookLimit; --i)
        if (i != 3)
            expected << q(books[static_cast<std::size_t>(i)]);
    EXPECT_EQ(RecentBooks(), expected);

    // A folder that went, and one whose name GBK cannot hold, drop out of the stored list too.
    std::filesystem::remove_all(books[9]);
    const std::string emoji = book(dir, "\xF0\x9F\x98\x80");
    RememberBook(q(emoji));
    expected.removeAll(q(books[9]));
    EXPECT_EQ(RecentBooks(), expected);
    std::filesystem::remove_all(dir.path());
    EXPECT_TRUE(RecentBooks().isEmpty());

    // Written by hand without the trailing '/': the book opens as its folder, so its files go inside it.
    TempFolder other;
    const std::string bare = book(other, "bare");
    const std::string conf = qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/KIV/KIV.conf";
    const std::string noSlash = bare.substr(0, bare.size() - 1);
    writeFile(conf, "[General]\nRecentBooks=" + noSlash + "\n");
    EXPECT_EQ(RecentBooks(), QStringList{q(bare)});
    const std::string data = other.path() + "data/";
    EXPECT_EQ(ChooseStartBook(other.path(), {}, RecentBooks(), data).folder, bare);
    // Nor does a program folder named without it miss its own book, or name its settings beside it.
    EXPECT_EQ(ChooseStartBook(noSlash, {}, {}, data).folder, bare);
    FolderChoice choice;
    choice.folder = noSlash;
    EXPECT_EQ(SettingsFilesFor(choice).save, bare + "KIV.ini");
    // A pipe in place of the file is neither read nor written: nothing waits for a writer.
    std::filesystem::remove(conf);
    ASSERT_EQ(::mkfifo(conf.c_str(), 0600), 0);
    EXPECT_TRUE(RecentBooks().isEmpty());
    RememberBook(q(bare));
    EXPECT_EQ(std::filesystem::status(conf).type(), std::filesystem::file_type::fifo);
    std::filesystem::remove(conf);
}
