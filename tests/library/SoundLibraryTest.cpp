// The library's operations on real files in a temporary folder, with a stand-in recorder and the test as
// the main window.
#include "library/SoundLibrary.h"
#include "library/IndexFormat.h"
#include "platform/core/Files.h"
#include "support/FakeRecorder.h"
#include "support/Faults.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kApple = "\xC6\xBB\xB9\xFB"; // 苹果

class SoundLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMainWindow(&m_Window);
        m_Library.SetLibraryFolder(m_Folder.path());
        m_Library.SetRecorder(std::make_unique<CFakeRecorder>(&m_RecorderLog));
    }
    void TearDown() override { setMainWindow(nullptr); }

    std::string indexPath() const { return m_Folder.file("KIV_Lib.cfg"); }
    std::string index() const { return readFile(indexPath()); }
    std::string line(const std::string& code, const std::string& content, const std::string& path,
                     const std::string& type = "S_WAV") const {
        SOUND_RECORD r;
        r.Code = code;
        r.Content = content;
        r.SoundType = type;
        r.SoundFile = path;
        std::string l;
        EXPECT_TRUE(FormatIndexLine(r, l));
        return l;
    }
    std::string own(const std::string& code, const std::string& content = "c") const {
        return line(code, content, m_Folder.file(code + ".wav"));
    }
    void load(const std::string& text) {
        writeFile(indexPath(), text);
        m_Library.LoadIndex();
    }
    std::vector<std::string> codesInOrder() {
        std::vector<std::string> codes;
        m_Library.ForEachRecord([&](const SOUND_RECORD* r) { codes.push_back(r->Code.str()); });
        return codes;
    }
    QString text(const char* utf8) const { return QString::fromUtf8(utf8); }

    TempFolder m_Folder;
    MessageBoxRecorder m_Boxes;
    RecordingReceiver m_Window;
    CFakeRecorder::Log m_RecorderLog;
    CSoundLibrary m_Library;
};

} // namespace

TEST_F(SoundLibraryTest, FirstFilingCreatesSoundIndexAndRecord) {
    m_Library.LoadIndex();
    const SOUND_RECORD* r = m_Library.FileRecording(kApple);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Code, "000000");
    EXPECT_EQ(r->Content, kApple);
    EXPECT_EQ(r->SoundType, "S_WAV");
    EXPECT_EQ(r->SoundFile, m_Folder.file("000000.wav"));
    EXPECT_EQ(readFile(m_Folder.file("000000.wav")), WaveBytes());
    EXPECT_EQ(index(),
              "000000      " + kApple + "        S_WAV       \"" + m_Folder.file("000000.wav") + "\"\r\n");
    ASSERT_EQ(m_Window.messages.size(), 1u);
    EXPECT_EQ(m_Window.messages[0].message, UM_RECORD_ADDED);
    EXPECT_EQ(m_Window.messages[0].wParam, reinterpret_cast<WPARAM>(r));
    EXPECT_EQ(m_Boxes.count(), 0u);
    EXPECT_EQ(m_Library.FindRecord(0), r);
}

TEST_F(SoundLibraryTest, CodesFollowTheLargestNumberAndStopAt999999) {
    load(own("000003") + own("000010") + line("abc", "x", "/none"));
    std::string code;
    ASSERT_EQ(m_Library.AllocateCode(code), 1);
    EXPECT_EQ(code, "000011");
    EXPECT_EQ(m_Library.FindRecord(0)->Code, "abc"); // a code that is no number counts as 0
    load(own("000005") + own("999998"));
    EXPECT_EQ(m_Library.FileRecording("a")->Code, "999999");
    std::string before = index();
    EXPECT_EQ(m_Library.FileRecording("b"), nullptr);
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text,
              text("条码 \"999999\"超过了最大允许的编号999999，请重新选择声音库目录。 "));
    EXPECT_EQ(m_Boxes.last().caption, text("出错了！"));
    EXPECT_EQ(index(), before);
    // A hand-edited 31-digit code is a number above the limit, not an overflow.
    load(own("000001") + line(std::string(31, '9'), "x", "/none"));
    EXPECT_EQ(m_Library.AllocateCode(code), 0);
    EXPECT_EQ(m_Library.FindRecord(std::numeric_limits<int>::max())->Code, std::string(31, '9'));
}

TEST_F(SoundLibraryTest, RecorderFailureFilesNothing) {
    load(own("000001"));
    m_Library.SetRecorder(std::make_unique<CFakeRecorder>(&m_RecorderLog, true));
    EXPECT_EQ(m_RecorderLog.closed, 1); // the replaced recorder was closed
    EXPECT_EQ(m_Library.FileRecording("a"), nullptr);
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text, text("出错了! 不能保存录制的声音! "));
    EXPECT_TRUE(m_Boxes.last().caption.isEmpty() || m_Boxes.last().caption == defaultCaption());
    EXPECT_EQ(m_Library.RecordCount(), 1u);
    EXPECT_EQ(index(), own("000001"));
    EXPECT_EQ(m_Window.messages.size(), 0u);
}

TEST_F(SoundLibraryTest, FilingTakesItsCodeFromTheIndexOnDiskAndNeverReplacesASound) {
    // Other copies file without a lock, hands remove lines, killed filings leave sounds without lines: a
    // filing takes the next code of the index as it is then, passing over every code whose name is taken.
    load(own("000000"));
    const std::string theirs = own("000001", "theirs");
    writeFile(indexPath(), index() + theirs);
    struct Case {
        const char* what;
        std::vector<std::string> taken; // names that exist before the filing, with no line of ours
        const char* code;
    } cases[] = {
        {"another program filed 000001 after our load", {"000001.wav"}, "000002"},
        {"a killed filing's sound, a dangling link", {"000003.wav", "000004.wav"}, "000005"},
        {"a line removed by hand, its sound kept", {}, "000006"},
    };
    for (const Case& c : cases) {
        for (const std::string& name : c.taken) {
            if (name == "000004.wav") {
                ASSERT_EQ(::symlink("nowhere", m_Folder.file(name).c_str()), 0);
            } else {
                writeFile(m_Folder.file(name), "not ours " + name);
            }
        }
        if (std::string(c.code) == "000006") {
            writeFile(indexPath(), own("000000") + theirs + own("000002", "a")); // 000005's line goes
            m_Library.LoadIndex();
        }
        const SOUND_RECORD* r = m_Library.FileRecording("a");
        ASSERT_NE(r, nullptr) << c.what;
        EXPECT_EQ(r->Code, c.code) << c.what;
        EXPECT_EQ(r->SoundFile, m_Folder.file(std::string(c.code) + ".wav")) << c.what;
        EXPECT_EQ(readFile(m_Folder.file(std::string(c.code) + ".wav")), WaveBytes()) << c.what;
        for (const std::string& name : c.taken) {
            if (name != "000004.wav") {
                EXPECT_EQ(readFile(m_Folder.file(name)), "not ours " + name) << c.what;
            }
        }
    }
    EXPECT_EQ(index(), own("000000") + theirs + own("000002", "a") + own("000006", "a"));
    EXPECT_EQ(readFile(m_Folder.file("000005.wav")), WaveBytes()); // kept with its line gone
    EXPECT_EQ(m_Boxes.count(), 0u);                                // nobody was asked to overwrite
}

TEST_F(SoundLibraryTest, UnwritableIndexFilesNothingAndLeavesNoSound) {
    m_Library.LoadIndex();
    ASSERT_EQ(::mkdir(indexPath().c_str(), 0755), 0); // an index that cannot be appended to
    EXPECT_EQ(m_Library.FileRecording("a"), nullptr);
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text,
              text("不能保存文件 \"") + QString::fromStdString(indexPath()) + text("\" ! "));
    EXPECT_FALSE(fileExists(m_Folder.file("000000.wav")));
    EXPECT_EQ(m_Library.RecordCount(), 0u);
    EXPECT_TRUE(m_Window.messages.empty());
}

TEST_F(SoundLibraryTest, LastLineWithoutLineEndKeepsItsRecordAndTheNewOne) {
    const char* tails[] = {"000003  a  S_WAV  \"/x/000003.wav\"", "000003  a  S_WAV  \"/x/000003.wav",
                           "000003 a"};
    for (const char* tail : tails) {
        load(tail);
        ASSERT_EQ(m_Library.RecordCount(), 1u) << tail;
        const SOUND_RECORD* r = m_Library.FileRecording("n");
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->Code, "000004");
        m_Library.LoadIndex();
        EXPECT_EQ(codesInOrder(), (std::vector<std::string>{"000004", "000003"})) << tail;
        ASSERT_NE(m_Library.FindRecord(4), nullptr);
        EXPECT_EQ(m_Library.FindRecord(4)->SoundFile, m_Folder.file("000004.wav"));
        deleteFile(m_Folder.file("000004.wav"));
    }
    // A line of blanks is no record: nothing shadows 000000.
    load(own("000000") + "    \r\n");
    EXPECT_EQ(m_Library.RecordCount(), 1u);
}

TEST_F(SoundLibraryTest, AnnotationsWithBlanksAndLineBreaksSurviveAReload) {
    m_Library.LoadIndex();
    const std::string notes[] = {"two words", "tab\there", "line\r\nbreak", kApple + " " + kApple,
                                 "say \"hi\" now"};
    for (const auto& note : notes)
        ASSERT_NE(m_Library.FileRecording(note), nullptr) << note;
    m_Library.LoadIndex();
    ASSERT_EQ(m_Library.RecordCount(), 5u);
    for (int i = 0; i < 5; ++i) {
        const SOUND_RECORD* r = m_Library.FindRecord(i);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->Content, i == 4 ? std::string("say 'hi' now") : notes[i]);
        EXPECT_EQ(r->SoundType, "S_WAV");
        EXPECT_EQ(r->SoundFile, m_Folder.file(r->Code.str() + ".wav"));
    }
}

TEST_F(SoundLibraryTest, ReplaceSavesTheSoundThenMovesTheLineToTheEnd) {
    const std::string mp3 = line("000005", kApple, m_Folder.file("song.mp3"), "S_MP3");
    load(own("000004") + mp3 + own("000006"));
    const SOUND_RECORD* r = m_Library.FindRecord(5);
    ASSERT_EQ(m_Library.ReplaceRecording(5), 1);
    EXPECT_EQ(r->Code, "000005");
    EXPECT_EQ(r->Content, kApple);
    EXPECT_EQ(r->SoundType, "S_WAV");
    EXPECT_EQ(r->SoundFile, m_Folder.file("000005.wav"));
    EXPECT_EQ(readFile(m_Folder.file("000005.wav")), WaveBytes());
    EXPECT_EQ(index(), own("000004") + own("000006") + own("000005", kApple));
    ASSERT_EQ(m_Window.messages.size(), 1u);
    EXPECT_EQ(m_Window.messages[0].message, UM_RECORD_UPDATED);
    EXPECT_EQ(m_Window.messages[0].wParam, reinterpret_cast<WPARAM>(r));
    // A failed save changes nothing, in memory or on disk.
    load(own("000004") + mp3);
    m_Library.SetRecorder(std::make_unique<CFakeRecorder>(nullptr, true));
    EXPECT_EQ(m_Library.ReplaceRecording(5), 0);
    EXPECT_EQ(m_Boxes.last().text, text("出错了! 不能保存录制的声音! "));
    EXPECT_EQ(m_Library.FindRecord(5)->SoundFile, m_Folder.file("song.mp3"));
    EXPECT_EQ(m_Library.FindRecord(5)->SoundType, "S_MP3");
    EXPECT_EQ(index(), own("000004") + mp3);
    EXPECT_EQ(m_Library.ReplaceRecording(77), 0);
}

TEST_F(SoundLibraryTest, ReplaceLeavesAnIndexWhoseLineWasRemovedByHandAsItIs) {
    load(own("000004") + own("000005"));
    writeFile(indexPath(), own("000004") + "# kept\r\n");
    m_Window.messages.clear();
    ASSERT_EQ(m_Library.ReplaceRecording(5), 1);
    EXPECT_EQ(index(), own("000004") + "# kept\r\n");
    EXPECT_EQ(readFile(m_Folder.file("000005.wav")), WaveBytes());
    ASSERT_EQ(m_Window.messages.size(), 1u);
    EXPECT_EQ(m_Window.messages[0].message, UM_RECORD_UPDATED);
    // No index at all: none is made.
    deleteFile(indexPath());
    deleteFile(m_Folder.file("000005.wav"));
    ASSERT_EQ(m_Library.ReplaceRecording(5), 1);
    EXPECT_FALSE(fileExists(indexPath()));
}

TEST_F(SoundLibraryTest, HandEditedCodeCannotWriteOutsideTheLibrary) {
    load(line("5/../../x", "a", "/elsewhere/x.wav"));
    ASSERT_EQ(m_Library.ReplaceRecording(5), 1);
    EXPECT_EQ(m_RecorderLog.saved.back(), m_Folder.file("000005.wav"));
    EXPECT_EQ(m_Library.FindRecord(5)->SoundFile, m_Folder.file("000005.wav"));
    m_Library.LoadIndex();
    EXPECT_EQ(m_Library.FindRecord(5)->Code, "5/../../x");
}

TEST_F(SoundLibraryTest, DeleteRemovesSoundLineAndEntryOnly) {
    // Another line's annotation and path hold the text 000005: that line stays whole.
    const std::string decoy = line("000009", "000005", m_Folder.file("000005.wav.bak"));
    load(own("000004") + own("000005") + decoy + "   \r\n" + own("000006"));
    writeFile(m_Folder.file("000005.wav"), "w");
    writeFile(m_Folder.file("000005.wav.bak"), "b");
    ASSERT_EQ(m_Library.DeleteRecord(5), 1);
    EXPECT_FALSE(fileExists(m_Folder.file("000005.wav")));
    EXPECT_TRUE(fileExists(m_Folder.file("000005.wav.bak")));
    EXPECT_EQ(index(), own("000004") + decoy + "   \r\n" + own("000006"));
    EXPECT_EQ(m_Library.FindRecord(5), nullptr);
    EXPECT_EQ(m_Library.DeleteRecord(5), 0);
    std::string code;
    m_Library.AllocateCode(code);
    EXPECT_EQ(code, "000010");
}

TEST_F(SoundLibraryTest, HandEditedShortCodeLineGoesWithItsRecord) {
    load(own("000001") + "7 x S_WAV \"" + m_Folder.file("7.wav") + "\"\r\n" + own("000008"));
    ASSERT_EQ(m_Library.DeleteRecord(7), 1);
    EXPECT_EQ(index(), own("000001") + own("000008"));
    m_Library.LoadIndex();
    EXPECT_EQ(m_Library.FindRecord(7), nullptr);
    // RemoveIndexLines goes by the first field's number too.
    load(own("000001") + "  +0007 a\r\n" + own("000008") + "7");
    EXPECT_EQ(m_Library.RemoveIndexLines(7), 1);
    EXPECT_EQ(index(), own("000001") + own("000008"));
}

TEST_F(SoundLibraryTest, DeletesFilingsAndRemovalsInTurnKeepEveryOtherByte) {
    // Record 2's quoted annotation spans a line end and holds a text that looks like a line of its own.
    const std::string two = "000002 \"two\r\n000003 fake\" S_WAV x\r\n";
    const std::string tails[] = {"", "000005 open", "000005 \"open", "000005 \""};
    const IndexEnd ends[] = {IndexEnd::Clean, IndexEnd::OpenLine, IndexEnd::InQuote, IndexEnd::QuoteOpened};
    for (int t = 0; t < 4; ++t) {
        SCOPED_TRACE(t);
        deleteFile(m_Folder.file("000006.wav")); // the last round's filing: no overwrite question
        load(own("000001") + two + own("000004") + tails[t]);
        ASSERT_EQ(m_Library.DeleteRecord(4), 1);
        std::string expected = own("000001") + two + tails[t];
        EXPECT_EQ(index(), expected);
        ASSERT_NE(m_Library.FileRecording("note"), nullptr);
        const std::string six = own(t == 0 ? "000003" : "000006", "note");
        expected += std::string(AppendPrefix(ends[t])) + six;
        EXPECT_EQ(index(), expected);
        EXPECT_EQ(m_Library.DeleteRecord(3), t == 0 ? 1 : 0);
        ASSERT_EQ(m_Library.DeleteRecord(2), 1);
        if (t == 0) {
            EXPECT_EQ(index(), own("000001"));
            continue;
        }
        EXPECT_EQ(index(), own("000001") + tails[t] + std::string(AppendPrefix(ends[t])) + six);
        EXPECT_EQ(m_Library.RemoveIndexLines(5), 1);
        EXPECT_EQ(index(), own("000001") + six);
        ASSERT_EQ(m_Library.DeleteRecord(6), 1);
        ASSERT_NE(m_Library.FileRecording("again"), nullptr);
        EXPECT_EQ(index(), own("000001") + own("000006", "again"));
        ASSERT_EQ(m_Library.DeleteRecord(1), 1);
        EXPECT_EQ(index(), own("000006", "again"));
    }
}

TEST_F(SoundLibraryTest, DuplicateNumbersAreDeletedAndReplacedOneByOne) {
    const std::string a = line("000005", "first", m_Folder.file("a.wav"));
    const std::string b = line("000005", "second", m_Folder.file("b.wav"));
    load(a + own("000006") + b + b);
    std::vector<const SOUND_RECORD*> fives;
    m_Library.ForEachRecord([&](const SOUND_RECORD* r) {
        if (CodeNumber(r->Code) == 5)
            fives.push_back(r);
    });
    ASSERT_EQ(fives.size(), 3u); // newest first: the two "second", then "first"
    EXPECT_EQ(m_Library.FindRecord(5), fives[0]);
    const SOUND_RECORD* first = fives[2];
    EXPECT_EQ(first->Content, "first");
    // Delete the one the user chose: only its own line goes; the others keep theirs and stay valid.
    ASSERT_EQ(m_Library.DeleteRecord(first), 1);
    EXPECT_EQ(index(), own("000006") + b + b);
    EXPECT_EQ(m_Library.RecordByIndex(0), nullptr);
    EXPECT_EQ(fives[0]->Content, "second");
    EXPECT_EQ(m_Library.DeleteRecord(first), 0); // a stale pointer is refused
    // Of two identical twins, deleting one removes one of their lines.
    ASSERT_EQ(m_Library.DeleteRecord(fives[1]), 1);
    EXPECT_EQ(index(), own("000006") + b);
    // Replacing the remaining one touches only its line.
    load(a + own("000006") + b);
    const SOUND_RECORD* second = m_Library.FindRecord(5);
    ASSERT_EQ(second->Content, "second");
    const SOUND_RECORD* other = nullptr;
    m_Library.ForEachRecord([&](const SOUND_RECORD* r) {
        if (r->Content == std::string_view("first"))
            other = r;
    });
    ASSERT_EQ(m_Library.ReplaceRecording(other), 1);
    EXPECT_EQ(index(), own("000006") + b + own("000005", "first"));
    EXPECT_EQ(second->SoundFile, m_Folder.file("b.wav"));
}

TEST_F(SoundLibraryTest, FailedRewriteLosesNothing) {
    load(own("000001") + own("000002"));
    writeFile(m_Folder.file("000002.wav"), "w");
    deleteFile(indexPath());
    ASSERT_EQ(::mkdir(indexPath().c_str(), 0755), 0);
    EXPECT_EQ(m_Library.DeleteRecord(2), 0);
    EXPECT_TRUE(fileExists(m_Folder.file("000002.wav")));
    EXPECT_NE(m_Library.FindRecord(2), nullptr);
    m_Library.DeleteAllRecords();
    EXPECT_EQ(m_Library.RecordCount(), 2u);
    EXPECT_TRUE(fileExists(m_Folder.file("000002.wav")));
}

TEST_F(SoundLibraryTest, AnEditThatPutsItsTimeBackIsNotOverwrittenByTheKeptText) {
    load(own("000001") + own("000002", "old"));
    ASSERT_NE(m_Library.FileRecording("x"), nullptr); // the index text is now kept in memory
    struct stat before {};
    ASSERT_EQ(::stat(indexPath().c_str(), &before), 0);
    // Same inode, same size, mtime restored: only the change time tells.
    std::string edited = index();
    edited.replace(edited.find("old"), 3, "new");
    writeFile(indexPath(), edited);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, indexPath().c_str(), times, 0), 0);
    ASSERT_EQ(m_Library.DeleteRecord(1), 1);
    EXPECT_EQ(index(), own("000002", "new") + own("000003", "x"));
}

TEST_F(SoundLibraryTest, DeletesOnlyFilesInsideTheLibrary) {
    TempFolder outside;
    writeFile(outside.file("keep.wav"), "k");
    writeFile(outside.file("linked.wav"), "l");
    ASSERT_EQ(::mkdir(m_Folder.file("sub").c_str(), 0755), 0);
    writeFile(m_Folder.file("sub/in.wav"), "i");
    ASSERT_EQ(::symlink(outside.file("linked.wav").c_str(), m_Folder.file("link.wav").c_str()), 0);
    const std::string dotdot =
        m_Folder.file("sub/../../") +
        outside.path().substr(outside.path().rfind('/', outside.path().size() - 2) + 1) + "keep.wav";
    load(line("000001", "a", outside.file("keep.wav")) + line("000002", "b", dotdot) +
         line("000003", "c", m_Folder.file("link.wav")) + line("000004", "d", m_Folder.file("sub/in.wav")) +
         line("000005", "e", m_Folder.file("KIV_Lib.cfg")) +
         line("000006", "f", m_Folder.file("sub/../KIV_Lib.cfg")) +
         // The book's own files, also behind a NUL that the system would stop reading at.
         line("000007", "g", m_Folder.file(std::string("KIV_Lib.cfg\0.wav", 16))) +
         line("000008", "h", m_Folder.file(std::string("KIV.ini\0.wav", 12))) +
         line("000009", "i", m_Folder.file("KIV_Lib.lock")));
    writeFile(m_Folder.file("KIV.ini"), "CodeType=1");
    writeFile(m_Folder.file("KIV_Lib.lock"), "1\nKIV\nhost\n");
    for (int n = 1; n <= 4; ++n)
        ASSERT_EQ(m_Library.DeleteRecord(n), 1) << n;
    EXPECT_TRUE(fileExists(outside.file("keep.wav")));
    EXPECT_TRUE(fileExists(outside.file("linked.wav")));
    EXPECT_FALSE(fileExists(m_Folder.file("sub/in.wav")));
    SoundFileFound how{};
    m_Library.SoundFileToPlay(m_Library.FindRecord(7)->SoundFile.view(), &how);
    EXPECT_EQ(how, SoundFileFound::Missing);
    for (int n = 5; n <= 9; ++n) {
        EXPECT_EQ(m_Library.DeleteSoundFile(n), 0) << n;
        ASSERT_EQ(m_Library.DeleteRecord(n), 1) << n;
    }
    EXPECT_EQ(readFile(m_Folder.file("KIV.ini")), "CodeType=1");
    EXPECT_TRUE(fileExists(m_Folder.file("KIV_Lib.lock")));
    EXPECT_TRUE(fileExists(indexPath()));
    EXPECT_EQ(index(), "");
    m_Library.LoadIndex();
    EXPECT_EQ(m_Library.RecordCount(), 0u);
}

TEST_F(SoundLibraryTest, DeleteAllKeepsTheProgramItsSettingsFoldersAndTemporaryFiles) {
    // The program in its own folder (a second name of the running executable), its settings, a
    // rewrite in progress and a folder, all named by hand-edited lines.
    const bool exeLinked = ::link(executablePath().c_str(), m_Folder.file("KIV").c_str()) == 0;
    writeFile(m_Folder.file("KIV.ini"), "CodeType=1");
    const std::string tmp = m_Folder.file("KIV_Lib.cfg.tmp-") + std::to_string(::getpid()) + "-abcdef";
    writeFile(tmp, "half");
    ASSERT_EQ(::mkdir(m_Folder.file("000004.wav").c_str(), 0755), 0);
    writeFile(m_Folder.file("000005.wav"), "w");
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(m_Folder.path().c_str()), 0);
    load(line("000001", "a", m_Folder.file("KIV")) + line("000002", "b", m_Folder.file("KIV.ini")) +
         line("000003", "c", "/proc/self/cwd/KIV.ini") + line("000004", "d", m_Folder.file("000004.wav")) +
         line("000006", "f", tmp) + own("000005"));
    EXPECT_EQ(m_Library.DeleteSoundFile(3), 0);
    EXPECT_TRUE(m_Library.DeleteAllRecords());
    EXPECT_EQ(::chdir(cwd), 0);
    EXPECT_FALSE(fileExists(m_Folder.file("000005.wav"))); // a sound goes
    EXPECT_EQ(readFile(m_Folder.file("KIV.ini")), "CodeType=1");
    EXPECT_TRUE(fileExists(tmp));
    EXPECT_TRUE(std::filesystem::is_directory(m_Folder.file("000004.wav")));
    EXPECT_TRUE(!exeLinked || fileExists(m_Folder.file("KIV")));
    EXPECT_EQ(m_Boxes.count(), 0u); // silently
}

TEST_F(SoundLibraryTest, DeletingSelectedRecordsTogetherRemovesExactlyTheirLinesAndSounds) {
    std::string text;
    for (int i = 0; i < 8; ++i) {
        const std::string code = "00000" + std::to_string(i);
        text += own(code, "n" + std::to_string(i));
        writeFile(m_Folder.file(code + ".wav"), "w");
    }
    text += own("000003", "twin"); // a hand-merged twin of 3 that is not selected
    load(text);
    std::vector<const SOUND_RECORD*> chosen;
    m_Library.ForEachRecord([&](const SOUND_RECORD* r) {
        if (r->Content.str() == "n1" || r->Content.str() == "n3" || r->Content.str() == "n7")
            chosen.push_back(r);
    });
    chosen.push_back(chosen.front()); // the same row twice
    const SOUND_RECORD* stranger = nullptr;
    {
        CSoundLibrary other; // a record this library does not hold
        other.SetLibraryFolder(m_Folder.path());
        stranger = other.AddRecord(SOUND_RECORD());
        chosen.push_back(stranger);
        std::vector<bool> deleted;
        ASSERT_TRUE(m_Library.DeleteRecords(chosen, &deleted));
        EXPECT_EQ(deleted, (std::vector<bool>{true, true, true, true, false}));
    }
    std::string expected;
    for (int i : {0, 2, 4, 5, 6})
        expected += own("00000" + std::to_string(i), "n" + std::to_string(i));
    expected += own("000003", "twin");
    EXPECT_EQ(index(), expected);
    EXPECT_EQ(m_Library.RecordCount(), 6u);
    EXPECT_FALSE(fileExists(m_Folder.file("000001.wav")));
    EXPECT_FALSE(fileExists(m_Folder.file("000007.wav")));
    EXPECT_TRUE(fileExists(m_Folder.file("000002.wav")));
}

TEST_F(SoundLibraryTest, AnIndexThisUserMayNotWriteKeepsEveryRecordAndSound) {
    if (!isRoot())
        GTEST_SKIP() << "changing to another user needs root";
    ::chmod(m_Folder.path().c_str(), 0777);
    load(own("000001") + own("000002"));
    writeFile(m_Folder.file("000001.wav"), "w");
    ::chmod(m_Folder.file("000001.wav").c_str(), 0666);
    ::chmod(indexPath().c_str(), 0444);
    const std::string before = index();
    const int result = runAsNobody([&] {
        const SOUND_RECORD* r = m_Library.FindRecord(1);
        return (m_Library.DeleteRecords({r}) ? 1 : 0) | (m_Library.DeleteAllRecords() ? 2 : 0) |
               (m_Library.RecordCount() == 2 ? 0 : 4);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(index(), before);
    EXPECT_TRUE(fileExists(m_Folder.file("000001.wav")));
    // A sound made read-only is not deleted (re-recording deletes the old sound first), its line is.
    ::chmod(indexPath().c_str(), 0666);
    ::chmod(m_Folder.file("000001.wav").c_str(), 0444);
    EXPECT_EQ(runAsNobody([&] { return m_Library.DeleteSoundFile(1) + 2 * m_Library.DeleteRecord(1); }), 2);
    EXPECT_TRUE(fileExists(m_Folder.file("000001.wav")));
    EXPECT_EQ(index(), own("000002"));
}

TEST_F(SoundLibraryTest, OddIndexFilesAreNeitherWaitedForNorReadWholeNorReplaced) {
    const QString refused = QStringLiteral("不能保存文件 \"%1\" ! ").arg(QString::fromStdString(indexPath()));
    // Larger than a million records can be: refused at once, and nothing writes to it.
    writeFile(indexPath(), own("000001"));
    ASSERT_EQ(::truncate(indexPath().c_str(), 3LL << 30), 0);
    m_Library.LoadIndex();
    EXPECT_EQ(m_Library.RecordCount(), 0u);
    ASSERT_EQ(m_Boxes.count(), 1u);
    EXPECT_EQ(m_Boxes.last().text,
              QStringLiteral("声音库索引文件 \"%1\" 太大，超过了一百万条记录所能占用的大小，不能打开。")
                  .arg(QString::fromStdString(indexPath())));
    EXPECT_EQ(m_Library.FileRecording("x"), nullptr);
    EXPECT_EQ(m_Boxes.last().text, refused);
    EXPECT_FALSE(m_Library.DeleteAllRecords());
    EXPECT_EQ(fileSize(indexPath()), 3LL << 30);
    EXPECT_FALSE(fileExists(m_Folder.file("000000.wav")));

    // A named pipe: no records, no wait, and filing is refused.
    deleteFile(indexPath());
    ASSERT_EQ(::mkfifo(indexPath().c_str(), 0644), 0);
    m_Library.LoadIndex();
    EXPECT_EQ(m_Library.RecordCount(), 0u);
    EXPECT_EQ(m_Library.FileRecording("x"), nullptr);
    EXPECT_EQ(m_Boxes.last().text, refused);

    // An index kept in a synced folder of the book behind a link: every change goes to the target and the
    // link stays.
    deleteFile(indexPath());
    ASSERT_TRUE(ensureFolder(m_Folder.file("synced")));
    writeFile(m_Folder.file("synced/KIV_Lib.cfg"), own("000001", "a") + own("000002", "b"));
    ASSERT_EQ(::symlink("synced/KIV_Lib.cfg", indexPath().c_str()), 0);
    m_Library.LoadIndex();
    ASSERT_NE(m_Library.FileRecording("c"), nullptr);
    ASSERT_EQ(m_Library.ReplaceRecording(1), 1);
    ASSERT_EQ(m_Library.DeleteRecord(2), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(indexPath()));
    EXPECT_EQ(readFile(m_Folder.file("synced/KIV_Lib.cfg")), own("000003", "c") + own("000001", "a"));
    EXPECT_TRUE(m_Library.DeleteAllRecords());
    EXPECT_TRUE(std::filesystem::is_symlink(indexPath()));
    EXPECT_EQ(readFile(m_Folder.file("synced/KIV_Lib.cfg")), "");
}

TEST_F(SoundLibraryTest, DeleteAllEmptiesEverythingAtOnce) {
    TempFolder outside;
    writeFile(outside.file("keep.wav"), "k");
    std::string text;
    for (int i = 0; i < 300; ++i) {
        char code[8];
        std::snprintf(code, sizeof code, "%06d", i);
        text += own(code);
        writeFile(m_Folder.file(std::string(code) + ".wav"), "w");
    }
    text += line("000300", "x", outside.file("keep.wav"));
    load(text);
    unsigned generation = m_Library.LoadGeneration();
    m_Library.DeleteAllRecords();
    EXPECT_EQ(m_Library.RecordCount(), 0u);
    EXPECT_EQ(m_Library.RunningIndex(), 0);
    EXPECT_NE(m_Library.LoadGeneration(), generation);
    EXPECT_TRUE(fileExists(indexPath()));
    EXPECT_EQ(index(), "");
    EXPECT_FALSE(fileExists(m_Folder.file("000000.wav")));
    EXPECT_FALSE(fileExists(m_Folder.file("000299.wav")));
    EXPECT_TRUE(fileExists(outside.file("keep.wav")));
    EXPECT_EQ(m_Library.FileRecording("again")->Code, "000000");
}

TEST_F(SoundLibraryTest, ListOrderAndFilingsAfterALoad) {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        char code[8];
        std::snprintf(code, sizeof code, "%06d", i);
        text += own(code);
    }
    load(text);
    std::vector<std::string> codes = codesInOrder();
    ASSERT_EQ(codes.size(), 300u);
    EXPECT_EQ(codes[0], "000287");
    EXPECT_EQ(codes[16], "000015");
    ASSERT_EQ(m_Library.DeleteRecord(295), 1);
    const SOUND_RECORD* r = m_Library.FileRecording("n"); // key 300 joins bucket 1 at its head
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Index, 300);
    codes = codesInOrder();
    EXPECT_EQ(codes[32], "000300");
    EXPECT_EQ(codes[33], "000299");
    EXPECT_EQ(codes[34], "000298");
}

TEST_F(SoundLibraryTest, CopiesOutliveTheRecord) {
    load(own("000001", kApple));
    SOUND_RECORD copy;
    const SOUND_RECORD* r = m_Library.FindRecord(1, &copy);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(m_Library.DeleteRecord(1), 1);
    EXPECT_EQ(copy.Content, kApple);
    EXPECT_EQ(copy.SoundFile, m_Folder.file("000001.wav"));
    EXPECT_EQ(m_Library.FindRecord(1, &copy), nullptr);
}

TEST(SoundLibraryLifetime, DestructionClosesTheRecorderAndIsTheProcessLibrary) {
    CFakeRecorder::Log log;
    {
        CSoundLibrary library;
        EXPECT_EQ(&SoundLibrary(), &library);
        library.SetRecorder(std::make_unique<CFakeRecorder>(&log));
        EXPECT_EQ(log.closed, 0);
    }
    EXPECT_EQ(log.closed, 1);
    EXPECT_FALSE(HasSoundLibrary());
}

TEST(SoundLibraryLifetime, MissingIndexLeavesTheLibraryEmpty) {
    TempFolder folder;
    CSoundLibrary library;
    library.SetLibraryFolder(folder.path());
    library.LoadIndex();
    EXPECT_EQ(library.RecordCount(), 0u);
    EXPECT_EQ(library.DeleteRecord(0), 0);
    EXPECT_EQ(library.RemoveIndexLines(0), 0);
}

TEST_F(SoundLibraryTest, BadInputLoadsWithinTheLimits) {
    std::string huge(100 * 1024 * 1024, 'x');
    huge[5] = ' ';
    huge += " \"unterminated";
    const std::string inputs[] = {std::string("\x81\x00\xFF\"\x81 \x81\x81\x81\r\n\x00\x00 a\x80", 16), huge,
                                  std::string(1000, '\r'), "\"", std::string(5000, '"')};
    for (const auto& input : inputs) {
        load(input);
        m_Library.ForEachRecord([&](const SOUND_RECORD* r) {
            EXPECT_LE(r->Code.size(), kCodeLimit);
            EXPECT_LE(r->Content.size(), kContentLimit);
            EXPECT_LE(r->SoundType.size(), kSoundTypeLimit);
            EXPECT_LE(r->SoundFile.size(), kSoundFileLimit);
        });
    }
    load(huge);
    ASSERT_EQ(m_Library.RecordCount(), 1u);
    EXPECT_EQ(m_Library.FindRecord(0)->Code, "xxxxx");
    EXPECT_EQ(m_Library.FindRecord(0)->Content.size(), kContentLimit);
    EXPECT_EQ(m_Library.FindRecord(0)->SoundType, "unterminated");
    EXPECT_TRUE(m_Library.FindRecord(0)->SoundFile.empty());
}
