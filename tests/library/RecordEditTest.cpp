// Looking after a filed record: a new annotation or a new sound changes its own line in place and nothing
// else, so a label already printed keeps playing it, and a line made on Windows keeps its path.
#include "library/ReplaceSound.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <gtest/gtest.h>

namespace {

// The sound as it is, so the file written can be compared byte for byte.
constexpr ReadyChoice kAsItIs{false, false};

// Lines as other programs wrote them: Windows (padded, quoted path), a quoted annotation, no final line end.
const std::string kWindowsLine = "000001      Old         S_WAV       \"C:\\Books\\000001.wav\"\r\n";
const std::string kQuotedLine = "000002  \"two words\"  S_MP3  \"%s000002.mp3\"\n";
const std::string kLastLine = "000003 plain S_WAV \"%s000003.wav\"";

std::string in(std::string line, const std::string& folder) {
    if (auto at = line.find("%s"); at != std::string::npos)
        line.replace(at, 2, folder);
    return line;
}

const SOUND_RECORD* recordOf(CSoundLibrary& library, int number) {
    return library.FindRecord(number);
}

} // namespace

TEST(RecordEdit, AnAnnotationChangesOnlyItsOwnFieldAndEveryOtherByteStays) {
    TempFolder book;
    const std::string index = kWindowsLine + in(kQuotedLine, book.path()) + in(kLastLine, book.path());
    writeFile(book.file("KIV_Lib.cfg"), index);
    CSoundLibrary library;
    ASSERT_EQ(library.OpenBook(book.path()), CSoundLibrary::Access::Writable);
    struct Case {
        int number;
        std::string content, oldField, newField;
    } cases[] = {
        {1, gbk("新的 标注"), "Old", "\"" + gbk("新的 标注") + "\""}, // gains quotes, path kept
        {2, "one", "\"two words\"", "one"},                           // loses them
        {3, std::string(70, 'x'), "plain", std::string(63, 'x')},     // cut as filing cuts
        {1, "", "\"" + gbk("新的 标注") + "\"", "Null"},
        {2, "say \"hi\" there", "one", "\"say 'hi' there\""},
    };
    std::string expected = index;
    for (const Case& c : cases) {
        QString whyNot;
        ASSERT_TRUE(library.ChangeAnnotation(recordOf(library, c.number), c.content, &whyNot))
            << whyNot.toStdString();
        const std::size_t line = expected.find(c.number == 1   ? "000001"
                                               : c.number == 2 ? "000002"
                                                               : "000003");
        const std::size_t at = expected.find(c.oldField, line);
        expected.replace(at, c.oldField.size(), c.newField);
        EXPECT_EQ(readFile(book.file("KIV_Lib.cfg")), expected) << c.number;
    }
    // Read again from disk, the records are what the program shows.
    CSoundLibrary again;
    again.OpenBook(book.path());
    EXPECT_EQ(again.FindRecord(2)->Content.str(), "say 'hi' there");
    EXPECT_EQ(again.FindRecord(1)->SoundFile.str(), "C:\\Books\\000001.wav");
    EXPECT_EQ(library.FindRecord(3)->Content.str(), std::string(63, 'x'));

    // A line another program removed is not written back, and a copy that only plays changes nothing.
    writeFile(book.file("KIV_Lib.cfg"), kWindowsLine);
    QString whyNot;
    EXPECT_FALSE(library.ChangeAnnotation(recordOf(library, 3), "x", &whyNot));
    EXPECT_EQ(readFile(book.file("KIV_Lib.cfg")), kWindowsLine);
    library.CloseBook();
    EXPECT_FALSE(library.ChangeAnnotation(recordOf(library, 1), "x", &whyNot));
    EXPECT_EQ(readFile(book.file("KIV_Lib.cfg")), kWindowsLine);
}

TEST(RecordEdit, ASoundFromAFileTakesTheCodesPlaceAndTheOldOneStaysUntilTheNewIsWhole) {
    TempFolder book, elsewhere;
    writeTone(book.file("000001.wav"), 0.2, 440); // found for the Windows line by its last name
    writeTone(book.file("000002.mp3"), 0.2, 440); // not really MP3: what the bytes are decides
    writeTone(book.file("000003.wav"), 0.2, 440);
    writeTone(elsewhere.file("new.flac.wav"), 0.3, 880);
    writeFile(elsewhere.file("broken.wav"), "RIFF....WAVEnot a sound");
    const std::string index = kWindowsLine + in(kQuotedLine, book.path()) + in(kLastLine, book.path());
    writeFile(book.file("KIV_Lib.cfg"), index);
    CSoundLibrary library;
    ASSERT_EQ(library.OpenBook(book.path()), CSoundLibrary::Access::Writable);
    QString whyNot;

    // Nothing that decodes: the old sound and the index stay.
    const std::string oldSound = readFile(book.file("000003.wav"));
    EXPECT_FALSE(
        ReplaceSoundFromFile(library, recordOf(library, 3), elsewhere.file("broken.wav"), kAsItIs, &whyNot));
    EXPECT_FALSE(whyNot.isEmpty());
    EXPECT_EQ(readFile(book.file("000003.wav")), oldSound);
    // A writer that fails half-way leaves the old sound.
    EXPECT_FALSE(library.ReplaceSound(
        recordOf(library, 3), [](const std::string&) { return false; }, &whyNot));
    EXPECT_EQ(readFile(book.file("000003.wav")), oldSound);

    // The Windows line and the plain wave line keep their bytes; their files hold the new sound.
    for (int number : {1, 3}) {
        ASSERT_TRUE(ReplaceSoundFromFile(library, recordOf(library, number), elsewhere.file("new.flac.wav"),
                                         kAsItIs, &whyNot))
            << whyNot.toStdString();
        EXPECT_EQ(readFile(book.path() + (number == 1 ? "000001.wav" : "000003.wav")),
                  readFile(elsewhere.file("new.flac.wav")));
    }
    EXPECT_EQ(readFile(book.file("KIV_Lib.cfg")), index);

    // The MP3-typed record becomes a wave file: only its type and path change, in its place.
    ASSERT_TRUE(ReplaceSoundFromFile(library, recordOf(library, 2), elsewhere.file("new.flac.wav"), kAsItIs,
                                     &whyNot));
    const std::string text = readFile(book.file("KIV_Lib.cfg"));
    EXPECT_EQ(text.substr(0, kWindowsLine.size()), kWindowsLine);
    EXPECT_NE(text.find("000002      \"two words\"  S_WAV       \"" + book.file("000002.wav") + "\"\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.size() - in(kLastLine, book.path()).size()), in(kLastLine, book.path()));
    EXPECT_EQ(recordOf(library, 2)->SoundFile.str(), book.file("000002.wav"));
    EXPECT_FALSE(fileExists(book.file("000002.mp3")));

    // A file of that name the record does not play is somebody else's: never overwritten.
    writeFile(book.file("000004.wav"), "someone's");
    writeFile(book.file("KIV_Lib.cfg"), text + "\r\n000004 four S_MP3 \"" + book.file("x.mp3") + "\"\r\n");
    library.LoadIndex();
    EXPECT_FALSE(ReplaceSoundFromFile(library, recordOf(library, 4), elsewhere.file("new.flac.wav"), kAsItIs,
                                      &whyNot));
    EXPECT_EQ(readFile(book.file("000004.wav")), "someone's");
}
