// Reading and writing index lines: the reader's rules, bounded fields, and the writer's round trip.
#include "library/IndexFormat.h"

#include <climits>
#include <gtest/gtest.h>
#include <random>

namespace {

struct Scanned {
    std::vector<std::vector<std::string>> records; // the four fields as a record holds them
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    IndexEnd end = IndexEnd::Clean;
};

Scanned scan(std::string_view text) {
    Scanned s;
    s.end = ScanIndex(text, [&](const IndexLine& line) {
        IndexFields f = FieldsOf(line);
        s.records.push_back({std::string(f.code), std::string(f.content), std::string(f.soundType),
                             std::string(f.soundFile)});
        s.spans.emplace_back(line.begin, line.end);
    });
    return s;
}

using Fields = std::vector<std::string>;

// GBK for 苹果.
const std::string kApple = "\xC6\xBB\xB9\xFB";

} // namespace

TEST(IndexReader, ProgramLinesLoadBackWithoutFiller) {
    std::string line = "000007      " + kApple + "        S_WAV       \"C:\\My Books\\000007.wav\"\r\n";
    Scanned s = scan(line);
    ASSERT_EQ(s.records.size(), 1u);
    EXPECT_EQ(s.records[0], (Fields{"000007", kApple, "S_WAV", "C:\\My Books\\000007.wav"}));
    EXPECT_EQ(s.end, IndexEnd::Clean);
}

TEST(IndexReader, LineEndsAndBlankLinesSeparateRecordsAlike) {
    const char* variants[] = {
        "1 a S_WAV \"p1\"\r\n2 b S_WAV \"p2\"\r\n", "1 a S_WAV \"p1\"\r\r\n\n\n2 b S_WAV \"p2\"\n",
        "1 a S_WAV \"p1\"\r2 b S_WAV \"p2\"\r", "\r\n\r\n1\ta\tS_WAV\t\"p1\"\n  \t \n2 b S_WAV \"p2\""};
    for (const char* v : variants) {
        Scanned s = scan(v);
        ASSERT_EQ(s.records.size(), 2u) << v;
        EXPECT_EQ(s.records[0], (Fields{"1", "a", "S_WAV", "p1"})) << v;
        EXPECT_EQ(s.records[1], (Fields{"2", "b", "S_WAV", "p2"})) << v;
    }
}

TEST(IndexReader, QuotesFollowTheirRules) {
    // Text after a closing quote up to the next blank is dropped; a quote inside a started field is a byte.
    Scanned s = scan("1 a\"b S_WAV \"p\"x y\r\n");
    ASSERT_EQ(s.records.size(), 1u);
    EXPECT_EQ(s.records[0], (Fields{"1", "a\"b", "S_WAV", "p"}));
    // The byte after an opening quote belongs to the field, even a quote.
    s = scan("\"\"7\" \"a b\r\nc\" T \"q\"\r\n");
    ASSERT_EQ(s.records.size(), 1u);
    EXPECT_EQ(s.records[0], (Fields{"\"7", "a b\r\nc", "T", "q"}));
}

TEST(IndexReader, ShortAndLongLines) {
    Scanned s = scan("7\r\n8 x\r\n9 a b c d e f\r\n");
    ASSERT_EQ(s.records.size(), 3u);
    EXPECT_EQ(s.records[0], (Fields{"7", "", "", ""}));
    EXPECT_EQ(s.records[1], (Fields{"8", "x", "", ""}));
    EXPECT_EQ(s.records[2], (Fields{"9", "a", "b", "c"}));
}

TEST(IndexReader, LastLineWithAnyFieldIsARecord) {
    Scanned s = scan("1 a S_WAV \"p1\"\r\n2 b S_WAV \"p2\"");
    ASSERT_EQ(s.records.size(), 2u);
    EXPECT_EQ(s.records[1], (Fields{"2", "b", "S_WAV", "p2"}));
    EXPECT_EQ(s.end, IndexEnd::OpenLine);
    s = scan("1 a S_WAV \"p1\"\r\n2 b ");
    ASSERT_EQ(s.records.size(), 2u);
    EXPECT_EQ(s.end, IndexEnd::OpenLine);
    s = scan("1 a S_WAV \"p1 open");
    ASSERT_EQ(s.records.size(), 1u);
    EXPECT_EQ(s.records[0][3], "p1 open");
    EXPECT_EQ(s.end, IndexEnd::InQuote);
    s = scan("1 \"");
    ASSERT_EQ(s.records.size(), 1u);
    EXPECT_EQ(s.end, IndexEnd::QuoteOpened);
}

TEST(IndexReader, LinesOfBlanksAreNoRecords) {
    Scanned s = scan("   \r\n\t\r\n1 a S_WAV \"p\"\r\n  ");
    ASSERT_EQ(s.records.size(), 1u);
    EXPECT_EQ(s.records[0][0], "1");
    // The record's bytes start after the blank lines and run through its line ends.
    EXPECT_EQ(s.spans[0], std::make_pair(std::size_t{8}, std::size_t{23}));
    EXPECT_TRUE(scan("\r\r\r\r").records.empty());
    EXPECT_TRUE(scan("").records.empty());
}

TEST(IndexReader, AppendedLineAlwaysStartsItsOwnRecord) {
    const char* tails[] = {"",
                           "1 a S_WAV \"p\"\r\n",
                           "1 a S_WAV \"p\"",
                           "1 a S_WAV \"p",
                           "1 a S_WAV \"",
                           "1 a  ",
                           "1 a S_WAV \"p\"xyz",
                           "  "};
    for (const char* t : tails) {
        std::string text = t;
        Scanned before = scan(text);
        text += AppendPrefix(before.end);
        text += "000009  n  S_WAV  \"f\"\r\n";
        Scanned after = scan(text);
        ASSERT_EQ(after.records.size(), before.records.size() + 1) << t;
        EXPECT_EQ(after.records.back(), (Fields{"000009", "n", "S_WAV", "f"})) << t;
        EXPECT_EQ(after.end, IndexEnd::Clean);
    }
}

TEST(IndexReader, OverlongFieldsAreCutAtCharacterBoundaries) {
    std::string code(40, '1');
    std::string content = "a";
    for (int i = 0; i < 40; ++i)
        content += kApple.substr(0, 2);
    std::string type = "S_WAV_WITH_A_LONG_TAIL";
    std::string file(2000, 'f');
    Scanned s = scan(code + " " + content + " " + type + " \"" + file + "\"\r\n");
    ASSERT_EQ(s.records.size(), 1u);
    EXPECT_EQ(s.records[0][0], std::string(31, '1'));
    EXPECT_EQ(s.records[0][1], content.substr(0, 63)); // 'a' + 31 characters: 63 bytes, none split
    EXPECT_EQ(s.records[0][2], type.substr(0, 15));
    EXPECT_EQ(s.records[0][3], file.substr(0, 1023));
    std::string even = content.substr(1);
    s = scan("1 " + even + "\r\n");
    EXPECT_EQ(s.records[0][1], even.substr(0, 62)); // the 64th byte would split a character
}

TEST(CodeNumber, ReadsLikeAtoiAndSaturates) {
    EXPECT_EQ(CodeNumber("000007"), 7);
    EXPECT_EQ(CodeNumber("7"), 7);
    EXPECT_EQ(CodeNumber(" \t12x"), 12);
    EXPECT_EQ(CodeNumber("abc"), 0);
    EXPECT_EQ(CodeNumber("5/../../x"), 5);
    EXPECT_EQ(CodeNumber("-5"), -5);
    EXPECT_EQ(CodeNumber(std::string(31, '9')), INT_MAX);
    EXPECT_EQ(CodeNumber("2147483648"), INT_MAX);
    EXPECT_EQ(CodeNumber("-2147483648"), INT_MIN);
    EXPECT_EQ(CodeNumber("-99999999999999"), INT_MIN);
}

TEST(IndexWriter, WritesTheProgramFormat) {
    SOUND_RECORD r;
    r.Code = "000007";
    r.Content = kApple;
    r.SoundType = "S_WAV";
    r.SoundFile = "/lib/000007.wav";
    std::string line;
    ASSERT_TRUE(FormatIndexLine(r, line));
    EXPECT_EQ(line, "000007      " + kApple + "        S_WAV       \"/lib/000007.wav\"\r\n");
    r.Content = "two words";
    ASSERT_TRUE(FormatIndexLine(r, line));
    EXPECT_EQ(line, "000007      \"two words\"  S_WAV       \"/lib/000007.wav\"\r\n");
}

TEST(IndexWriter, RefusesWhatCannotReadBack) {
    SOUND_RECORD r;
    r.Code = "1";
    r.Content = "a \"b\" c";
    r.SoundType = "S_WAV";
    r.SoundFile = "/lib/1.wav";
    std::string line;
    EXPECT_FALSE(FormatIndexLine(r, line));
    r.Content = "";
    EXPECT_FALSE(FormatIndexLine(r, line));
    EXPECT_TRUE(line.empty());
}

TEST(IndexWriter, NormalisesOnlyWhatItMust) {
    EXPECT_EQ(NormaliseContent(""), "Null");
    EXPECT_EQ(NormaliseContent("a\"b"), "a\"b");
    EXPECT_EQ(NormaliseContent("say \"hi\""), "say 'hi'");
    EXPECT_EQ(NormaliseContent("\"q\""), "'q'");
    EXPECT_EQ(NormaliseContent("line\r\nbreak"), "line\r\nbreak");
    EXPECT_EQ(NormaliseContent(std::string(70, 'x')), std::string(63, 'x'));
}

// Whatever the annotation dialog can hand over files a line that reads back as the same four fields.
TEST(IndexWriter, RandomAnnotationsRoundTrip) {
    std::mt19937 rng(1234);
    const std::string pieces[] = {" ", "\t",   "\r",       "\n", "\r\n", "\"", "a",   "Z",
                                  "0", kApple, "\xB0\xA1", "'",  "  ",   "\\", "x\"y"};
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        int parts = static_cast<int>(rng() % 40);
        for (int i = 0; i < parts; ++i)
            text += pieces[rng() % std::size(pieces)];
        std::string content = NormaliseContent(text);
        ASSERT_LE(content.size(), kContentLimit);
        if (text.find('"') == std::string::npos && !text.empty() && text.size() <= kContentLimit) {
            EXPECT_EQ(content, text);
        }
        SOUND_RECORD r;
        r.Code = "000123";
        r.Content = content;
        r.SoundType = "S_WAV";
        r.SoundFile = "/my books/000123.wav";
        std::string line;
        ASSERT_TRUE(FormatIndexLine(r, line)) << text;
        Scanned s = scan("000001 a S_WAV \"p\"\r\n" + line + "000002 b S_WAV \"q\"\r\n");
        ASSERT_EQ(s.records.size(), 3u) << text;
        EXPECT_EQ(s.records[1], (Fields{"000123", content, "S_WAV", "/my books/000123.wav"})) << text;
        EXPECT_EQ(s.records[2][0], "000002");
    }
}
