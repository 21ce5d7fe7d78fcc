// Books that travel: made on Windows or in another folder, on a read-only medium, open in two programs.
#include "library/IndexFormat.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "support/FakeRecorder.h"
#include "support/Faults.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QSysInfo>
#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string indexLine(const std::string& code, const std::string& path, const std::string& content = "c") {
    SOUND_RECORD r;
    r.Code = code;
    r.Content = content;
    r.SoundType = "S_WAV";
    r.SoundFile = path;
    std::string line;
    EXPECT_TRUE(FormatIndexLine(r, line));
    return line;
}

} // namespace

TEST(Book, SoundsNamedByAnotherComputerArePlayedFromTheBooksFolder) {
    TempFolder book;
    // 乗 ends in the byte of '\': it must not cut the name.
    const std::string windowsName = "\x81\x5C.wav";
    writeFile(book.file("000001.wav"), WaveBytes());
    writeFile(book.file("Lesson.WAV"), WaveBytes());
    writeFile(book.file("\xE4\xB9\x97.wav"), WaveBytes()); // 乗 in UTF-8, as the file is named here
    writeFile(book.file("kept.wav"), WaveBytes());
    writeFile(book.file("relative.wav"), WaveBytes());
    const std::string teacher = "C:\\Documents and Settings\\\xC0\xCF\xCA\xA6\\KIV\\"; // 老师
    const std::string index =
        indexLine("000001", teacher + "000001.wav") + indexLine("000002", "/home/other/book/lesson.wav") +
        indexLine("000003", teacher + windowsName) + indexLine("000004", book.file("kept.wav")) +
        indexLine("000005", teacher + "gone.wav") + indexLine("000006", "relative.wav");
    writeFile(book.file("KIV_Lib.cfg"), index);

    CSoundLibrary library;
    ASSERT_EQ(library.OpenBook(book.path()), CSoundLibrary::Access::Writable);
    auto play = [&](int code, SoundFileFound expected) {
        SOUND_RECORD r;
        EXPECT_NE(library.FindRecord(code, &r), nullptr);
        SoundFileFound how{};
        std::string path = library.SoundFileToPlay(r.SoundFile.view(), &how);
        EXPECT_EQ(how, expected) << code;
        return path;
    };
    EXPECT_EQ(play(1, SoundFileFound::Relocated), book.file("000001.wav"));
    EXPECT_EQ(play(2, SoundFileFound::Relocated), book.file("Lesson.WAV"));
    EXPECT_EQ(play(3, SoundFileFound::Relocated), book.file(windowsName));
    EXPECT_EQ(play(4, SoundFileFound::AsStored), book.file("kept.wav"));
    EXPECT_EQ(play(5, SoundFileFound::Missing), teacher + "gone.wav");
    // A relative path lies in the book, wherever the program was started.
    EXPECT_EQ(play(6, SoundFileFound::AsStored), book.file("relative.wav"));
    // The records and the index keep the other computer's text.
    EXPECT_EQ(library.FindRecord(1)->SoundFile.str(), teacher + "000001.wav");
    EXPECT_EQ(readFile(book.file("KIV_Lib.cfg")), index);
    // Deleting the record deletes its sound in the book.
    EXPECT_EQ(library.DeleteRecord(6), 1);
    EXPECT_FALSE(std::filesystem::exists(book.file("relative.wav")));
}

TEST(Book, ABookThatCannotBeWrittenPlaysButNothingChangesIt) {
    TempFolder book;
    writeFile(book.file("000001.wav"), WaveBytes());
    const std::string index = indexLine("000001", book.file("000001.wav"));
    writeFile(book.file("KIV_Lib.cfg"), index);
    ReadOnlyMount readOnly(book.path());
    if (!readOnly.ok())
        GTEST_SKIP() << "needs root to mount";
    MessageBoxRecorder boxes;
    CSoundLibrary library;
    library.SetRecorder(std::make_unique<CFakeRecorder>());
    EXPECT_EQ(library.OpenBook(book.path()), CSoundLibrary::Access::ReadOnlyFolder);
    EXPECT_TRUE(library.IsReadOnly());
    ASSERT_EQ(library.RecordCount(), 1u);
    EXPECT_EQ(library.SoundFileToPlay(library.FindRecord(1)->SoundFile.view()), book.file("000001.wav"));
    EXPECT_EQ(library.FileRecording("x"), nullptr);
    EXPECT_EQ(library.ReplaceRecording(1), 0);
    EXPECT_EQ(library.DeleteRecord(1), 0);
    library.DeleteAllRecords();
    EXPECT_EQ(library.RecordCount(), 1u);
    EXPECT_EQ(boxes.count(), 0u); // the window disables what would change it; nothing to tell here
}

TEST(Book, AnIndexOrSettingsLinkedOutOfTheBookOnlyPlaysAndSaysWhy) {
    TempFolder home;
    const std::string bashrc = home.file(".bashrc");
    const std::string kept = indexLine("000001", "a.wav");
    MessageBoxRecorder boxes;
    for (const char* name : {"KIV_Lib.cfg", "KIV.ini"}) {
        SCOPED_TRACE(name);
        writeFile(bashrc, kept);
        std::filesystem::remove_all(home.file("book"));
        std::filesystem::create_directories(home.file("book"));
        std::filesystem::create_symlink("../.bashrc", home.file("book/") + name);
        CSoundLibrary library;
        library.SetRecorder(std::make_unique<CFakeRecorder>());
        ASSERT_EQ(library.OpenBook(home.file("book")), CSoundLibrary::Access::LinkLeavesBook);
        EXPECT_TRUE(library.ReadOnlyReason().startsWith(
            QStringLiteral("点读书里的 \"%1\" 链接到点读书文件夹以外的文件 \"%2\"")
                .arg(QString::fromUtf8(name), QString::fromStdString(bashrc))))
            << library.ReadOnlyReason().toStdString();
        EXPECT_EQ(library.FileRecording("x"), nullptr);
        EXPECT_FALSE(library.DeleteAllRecords());
        EXPECT_EQ(readFile(bashrc), kept);
    }
}

TEST(Book, OneProgramChangesABookAtATimeAndADeadOnesLockIsTakenOver) {
    TempFolder book;
    MessageBoxRecorder boxes;
    CSoundLibrary first;
    first.SetRecorder(std::make_unique<CFakeRecorder>());
    ASSERT_EQ(first.OpenBook(book.path()), CSoundLibrary::Access::Writable);
    ASSERT_NE(first.FileRecording("a"), nullptr);
    {
        CSoundLibrary second;
        second.SetRecorder(std::make_unique<CFakeRecorder>());
        EXPECT_EQ(second.OpenBook(book.path()), CSoundLibrary::Access::LockedByOther);
        EXPECT_EQ(second.RecordCount(), 1u);
        EXPECT_EQ(second.FileRecording("b"), nullptr);
        EXPECT_EQ(second.DeleteRecord(0), 0);
    }
    ASSERT_NE(first.FileRecording("c"), nullptr);
    EXPECT_EQ(readFile(book.file("KIV_Lib.cfg")), indexLine("000000", book.file("000000.wav"), "a") +
                                                      indexLine("000001", book.file("000001.wav"), "c"));
    first.CloseBook();

    // A program that died holding the lock: its lock is taken over, not obeyed forever.
    const pid_t child = ::fork();
    if (child == 0) {
        CSoundLibrary dying;
        ::_exit(dying.OpenBook(book.path()) == CSoundLibrary::Access::Writable ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(status, 0);
    ASSERT_TRUE(fileExists(book.file("KIV_Lib.lock")));
    CSoundLibrary after;
    EXPECT_EQ(after.OpenBook(book.path()), CSoundLibrary::Access::Writable);
}

TEST(Book, ALockNoProgramHoldsIsTakenOverAndOneFromAnotherComputerOnlyWhenAsked) {
    TempFolder outside;
    writeFile(outside.file("precious"), "keep");
    const std::time_t old = std::time(nullptr) - 60;
    const pid_t gone = [] {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        ::waitpid(child, nullptr, 0);
        return child;
    }();
    const std::string deadHolder =
        std::to_string(gone) + "\nkivtool\n" + QSysInfo::machineHostName().toStdString() + "\n";
    int makerFd = -1;
    const struct {
        const char* name;
        std::function<void(const std::string& lock)> make;
        CSoundLibrary::Access access;
        bool fresh = false; // made a moment ago
    } cases[] = {
        // A pipe would stall whoever reads it; an empty or garbled lock names no holder.
        {"pipe", [](const std::string& l) { ::mkfifo(l.c_str(), 0600); }, CSoundLibrary::Access::Writable},
        {"empty", [](const std::string& l) { writeFile(l, ""); }, CSoundLibrary::Access::Writable},
        {"garbage", [](const std::string& l) { writeFile(l, "\x01\x02 not a lock"); },
         CSoundLibrary::Access::Writable},
        {"link", [&](const std::string& l) { ::symlink(outside.file("precious").c_str(), l.c_str()); },
         CSoundLibrary::Access::Writable},
        {"other computer", [](const std::string& l) { writeFile(l, "4242\nKIV\nclassroom-pc\n"); },
         CSoundLibrary::Access::LockedElsewhere},
        // A program killed between making its lock and writing itself in, or while it took over a dead
        // holder's lock, left no one holding the file; one still making its lock holds it.
        {"empty, its program killed", [](const std::string& l) { writeFile(l, ""); },
         CSoundLibrary::Access::Writable, true},
        {"dead holder, empty removal guard",
         [&](const std::string& l) {
             writeFile(l, deadHolder);
             writeFile(l + ".rmlock", "");
         },
         CSoundLibrary::Access::Writable, true},
        {"empty, its program making it",
         [&](const std::string& l) {
             writeFile(l, "");
             makerFd = ::open(l.c_str(), O_RDONLY);
             ::flock(makerFd, LOCK_EX);
         },
         CSoundLibrary::Access::LockedByOther, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder book;
        const std::string lock = book.file("KIV_Lib.lock");
        c.make(lock);
        const struct timeval times[2] = {{old, 0}, {old, 0}};
        if (!c.fresh)
            ::lutimes(lock.c_str(), times);
        CSoundLibrary library;
        ASSERT_EQ(library.OpenBook(book.path()), c.access);
        if (c.access == CSoundLibrary::Access::LockedByOther) {
            ::close(makerFd);
            continue;
        }
        if (c.access == CSoundLibrary::Access::LockedElsewhere) {
            EXPECT_TRUE(library.ReadOnlyReason().startsWith(
                QStringLiteral("这本点读书在另一台电脑（classroom-pc）上于 %1 打开，还没有关闭。")
                    .arg(QDateTime::fromSecsSinceEpoch(old).toString(QStringLiteral("yyyy-MM-dd HH:mm")))))
                << library.ReadOnlyReason().toStdString();
            EXPECT_TRUE(library.TakeOverLock());
        }
        EXPECT_FALSE(library.IsReadOnly());
        EXPECT_TRUE(library.ReadOnlyReason().isEmpty());
    }
    EXPECT_EQ(readFile(outside.file("precious")), "keep");

    // A folder whose name no index line can hold (a blank and a quote) only plays, and says why.
    TempFolder parent;
    const std::string odd = parent.path() + "my \"book\"/";
    std::filesystem::create_directory(odd);
    CSoundLibrary library;
    EXPECT_EQ(library.OpenBook(odd), CSoundLibrary::Access::UnnameableFolder);
    EXPECT_TRUE(library.ReadOnlyReason().contains(QStringLiteral("里同时有空格和引号")))
        << library.ReadOnlyReason().toStdString();

    // A folder given without its separator keeps the book's files inside it.
    TempFolder bare;
    library.SetRecorder(std::make_unique<CFakeRecorder>());
    ASSERT_EQ(library.OpenBook(bare.path().substr(0, bare.path().size() - 1)),
              CSoundLibrary::Access::Writable);
    ASSERT_NE(library.FileRecording("a"), nullptr);
    EXPECT_TRUE(fileExists(bare.file("KIV_Lib.cfg")));
    EXPECT_TRUE(fileExists(bare.file("000000.wav")));
}

TEST(Book, AFullDiskSaysTheFolderCannotBeWrittenAndWhy) {
    if (!isRoot())
        GTEST_SKIP() << "needs a small disk of its own (root)";
    SmallDisk disk;
    ASSERT_TRUE(disk.mounted());
    disk.fill();
    CSoundLibrary library;
    EXPECT_EQ(library.OpenBook(disk.path()), CSoundLibrary::Access::CannotWrite);
    EXPECT_TRUE(library.ReadOnlyReason().contains(QStringLiteral("不能写入（磁盘已满）")))
        << library.ReadOnlyReason().toStdString();
}

TEST(Book, ChangesByAnotherProgramOrByHandAreNoticedButOurOwnFilingIsNot) {
    TempFolder book;
    MessageBoxRecorder boxes;
    CSoundLibrary first;
    first.SetRecorder(std::make_unique<CFakeRecorder>());
    ASSERT_EQ(first.OpenBook(book.path()), CSoundLibrary::Access::Writable);
    CSoundLibrary second;
    ASSERT_EQ(second.OpenBook(book.path()), CSoundLibrary::Access::LockedByOther);
    ASSERT_NE(first.FileRecording("a"), nullptr);
    EXPECT_FALSE(first.IndexChangedOnDisk());
    EXPECT_TRUE(second.IndexChangedOnDisk());
    EXPECT_FALSE(second.RetakeLock());

    // A line added by hand under the writing program: its own next filing must not hide it.
    {
        std::ofstream index(book.file("KIV_Lib.cfg"), std::ios::app | std::ios::binary);
        index << indexLine("000007", book.file("000007.wav"), "hand");
    }
    EXPECT_TRUE(first.IndexChangedOnDisk());
    ASSERT_NE(first.FileRecording("c"), nullptr);
    EXPECT_TRUE(first.IndexChangedOnDisk());
    first.LoadIndex();
    EXPECT_FALSE(first.IndexChangedOnDisk());
    EXPECT_EQ(first.RecordCount(), 3u);

    // The writer lets go: the other copy may change the book now, and sees every line.
    first.CloseBook();
    EXPECT_TRUE(second.RetakeLock());
    EXPECT_FALSE(second.IsReadOnly());
    ASSERT_TRUE(second.IndexChangedOnDisk());
    second.LoadIndex();
    EXPECT_EQ(second.RecordCount(), 3u);
    EXPECT_FALSE(second.IndexChangedOnDisk());
}

TEST(Book, LinesAnotherProgramAppendedAreReadAloneAndAnyOtherChangeAsksForAWholeLoad) {
    TempFolder book;
    const std::string index = book.file("KIV_Lib.cfg");
    writeFile(index, indexLine("000001", "a.wav") + indexLine("000002", "b.wav"));
    CSoundLibrary library;
    library.OpenBook(book.path());
    auto append = [&](const std::string& text) {
        std::ofstream(index, std::ios::app | std::ios::binary) << text;
    };
    auto records = [](CSoundLibrary& l) {
        std::vector<std::string> all;
        l.ForEachRecord([&](const SOUND_RECORD* r) { all.push_back(r->Code.str() + r->Content.str()); });
        std::sort(all.begin(), all.end());
        return all;
    };
    const struct {
        const char* change;
        std::function<void()> make;
        bool readAlone;
        std::size_t added;
    } steps[] = {
        {"two lines filed", [&] { append(indexLine("000003", "c.wav") + indexLine("000004", "d.wav")); },
         true, 2},
        {"a line half written", [&] { append("000005  \"hal"); }, true, 1},
        {"its rest", [&] { append("f\"  S_WAV  e.wav\r\n"); }, false, 0},
        {"an earlier line edited in place, one added",
         [&] {
             std::fstream f(index, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(5);
             f << '9';
             f.seekp(0, std::ios::end);
             f << indexLine("000006", "f.wav");
         },
         false, 0},
        {"replaced by a longer file",
         [&] { atomicReplace(index, readFile(index) + indexLine("000007", "g.wav")); }, false, 0},
        {"filed after the whole load", [&] { append(indexLine("000008", "h.wav")); }, true, 1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.change);
        step.make();
        std::vector<const SOUND_RECORD*> added;
        ASSERT_EQ(library.LoadAppendedRecords(added), step.readAlone);
        EXPECT_EQ(added.size(), step.added);
        if (!step.readAlone)
            library.LoadIndex();
        EXPECT_FALSE(library.IndexChangedOnDisk());
        CSoundLibrary whole;
        whole.OpenBook(book.path());
        EXPECT_EQ(records(library), records(whole));
    }
}
