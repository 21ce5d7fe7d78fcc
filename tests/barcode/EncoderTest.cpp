// The encoders on their own: exact symbols, lengths, refusals and the shape of their tables.
#include "barcode/Code128.h"
#include "barcode/Code39.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

namespace {
// Runs an encoder on a buffer of exactly the size callers give it; "" when it fails.
std::string code39(const std::string& text, int* rc = nullptr) {
    std::string buf(10 * text.size() + 20, 'x');
    buf[0] = '\0';
    const int r = CCode39().Encode(buf.data(), text.c_str());
    if (rc)
        *rc = r;
    if (r != 0) {
        EXPECT_EQ(buf[0], '\0') << "a failure leaves the buffer empty";
    }
    return r == 0 ? std::string(buf.c_str()) : std::string();
}

std::string code128(char set, const std::string& text, int* rc = nullptr) {
    std::string buf(6 * text.size() + 20, 'x');
    buf[0] = '\0';
    CCode128 c;
    const int r = set == 'A'   ? c.EncodeA(text.c_str(), buf.data())
                  : set == 'B' ? c.EncodeB(text.c_str(), buf.data())
                               : c.EncodeC(text.c_str(), buf.data());
    if (rc)
        *rc = r;
    if (r != 0) {
        EXPECT_EQ(buf[0], '\0') << "a failure leaves the buffer empty";
    }
    return r == 0 ? std::string(buf.c_str()) : std::string();
}

int modules(const std::string& widths) {
    int n = 0;
    for (char c : widths)
        n += c - '0';
    return n;
}
} // namespace

TEST(Code39Test, EncodesTheCodeNumberPieceByPiece) {
    const std::string w = code39("123456");
    EXPECT_EQ(w, "1211212112"
                 "2112111122"
                 "1122111122"
                 "2122111112"
                 "1112211122"
                 "2112211112"
                 "1122211112"
                 "121121211");
    EXPECT_EQ(w.size(), 79u);
    EXPECT_EQ(modules(w), 110);
}

TEST(Code39Test, LengthIsTenPerCharacterPlusNineteen) {
    const std::string all = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
    for (std::size_t n = 1; n <= all.size(); ++n) {
        const std::string w = code39(all.substr(0, n));
        EXPECT_EQ(w.size(), 10 * n + 19) << n;
        EXPECT_EQ(modules(w), static_cast<int>(14 * n + 26)) << n;
    }
}

TEST(Code39Test, RefusesEmptyAndForeignCharactersLeavingTheBufferEmpty) {
    CCode39 c;
    EXPECT_EQ(c.CheckText(""), 0);
    EXPECT_EQ(c.CheckText("AZ09-. $/+%*"), 0);
    for (const char* bad : {"12a", "a", "1\x80", "#", "A\tB", "_"}) {
        EXPECT_EQ(c.CheckText(bad), -1) << bad;
        int rc = 0;
        EXPECT_EQ(code39(bad, &rc), "");
        EXPECT_EQ(rc, -1);
    }
    int rc = 0;
    code39("", &rc);
    EXPECT_EQ(rc, -1);
}

TEST(Code39Test, StarAndBlankInsideTheTextAreEncodedInPlace) {
    EXPECT_EQ(code39("A*B"),
              std::string("1211212112") + "2111121122" + "1211212112" + "1121121122" + "121121211");
    EXPECT_EQ(code39(" "), std::string("1211212112") + "1221112112" + "121121211");
}

TEST(Code39Test, TableHasNineElementsThreeWideAndNoTwoAlike) {
    std::set<std::string> seen;
    for (char c : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*")) {
        const std::string p = CCode39::Pattern(c);
        ASSERT_EQ(p.size(), 9u) << c;
        EXPECT_EQ(std::count(p.begin(), p.end(), '2'), 3) << c;
        EXPECT_EQ(p.find_first_not_of("12"), std::string::npos) << c;
        EXPECT_TRUE(seen.insert(p).second) << c;
    }
}

TEST(Code128Test, EncodesTheCodeNumberInEachSet) {
    const std::string data = "123221223211221132221231213212223112";
    const std::string a = code128('A', "123456");
    EXPECT_EQ(a, "211412" + data + "113222" + "2331112");
    EXPECT_EQ(modules(a), 101);
    EXPECT_EQ(code128('B', "123456"), "211214" + data + "123122" + "2331112");
    const std::string c = code128('C', "123456");
    EXPECT_EQ(c, std::string("211232") + "112232" + "131123" + "331121" + "132131" + "2331112");
    EXPECT_EQ(c.size(), 37u);
    EXPECT_EQ(modules(c), 68);
}

TEST(Code128Test, LengthsAreSixOrThreePerCharacterPlusNineteen) {
    std::string ab, digits;
    for (int n = 0; n <= 40; ++n) {
        EXPECT_EQ(code128('A', ab).size(), 6u * n + 19) << n;
        EXPECT_EQ(code128('B', ab).size(), 6u * n + 19) << n;
        if (n % 2 == 0) {
            EXPECT_EQ(code128('C', digits).size(), 3u * n + 19) << n;
        }
        ab += static_cast<char>('0' + n % 43);
        digits += static_cast<char>('0' + n % 10);
    }
}

TEST(Code128Test, EmptyTextInSetAIsStartCheckAndStop) {
    EXPECT_EQ(code128('A', ""), "211412212222"
                                "2331112");
}

TEST(Code128Test, EachSetTakesOnlyItsOwnBytes) {
    int rc = 0;
    // Set A: control characters as byte + 64, NUL as 0x80, FNC1-FNC4; no lower case, no other high bytes.
    EXPECT_EQ(code128('A', "\x01"), std::string("211412") + CCode128::Pattern(65) +
                                        CCode128::Pattern((103 + 65) % 103) + "2331112");
    EXPECT_EQ(CCode128::ValueA(0x80), 64);
    EXPECT_EQ(CCode128::ValueA(0xC1), 102);
    EXPECT_EQ(CCode128::ValueA(0xC2), 97);
    EXPECT_EQ(CCode128::ValueA(0xC3), 96);
    EXPECT_EQ(CCode128::ValueA(0xC4), 101);
    for (const char* bad : {"a", "12`", "\x7f", "\x81", "\xC0", "\xC5", "\xFF"}) {
        EXPECT_EQ(code128('A', bad, &rc), "") << bad;
        EXPECT_EQ(rc, -1);
    }
    // Set B: 0x20-0x7F only; "a" has value 65.
    EXPECT_EQ(code128('B', "a"), std::string("211214") + CCode128::Pattern(65) +
                                     CCode128::Pattern((104 + 65) % 103) + "2331112");
    for (const char* bad : {"\x1f", "A\n", "\x80", "\xC1"}) {
        EXPECT_EQ(code128('B', bad, &rc), "") << bad;
        EXPECT_EQ(rc, -1);
    }
    // Set C: digit pairs only; an odd length fails at its last pair.
    for (const char* bad : {"12345", "1", "12a4", "a1", "1 "}) {
        EXPECT_EQ(code128('C', bad, &rc), "") << bad;
        EXPECT_EQ(rc, -1);
    }
}

TEST(Code128Test, CheckSymbolWeighsPositions) {
    // Start B 104 + 1*33 ("A") + 2*34 ("B") = 205, 205 % 103 = 102.
    EXPECT_EQ(code128('B', "AB").substr(18, 6), CCode128::Pattern(102));
    // A long text keeps the weighted sum exact: 20000 x "~" (94): (104 + 94 * n(n+1)/2) % 103.
    const std::string longText(20000, '~');
    const long long n = 20000;
    const int check = static_cast<int>((104 + 94 * (n * (n + 1) / 2)) % 103);
    const std::string w = code128('B', longText);
    EXPECT_EQ(w.substr(w.size() - 13, 6), CCode128::Pattern(check));
}

TEST(Code128Test, TableSymbolsAreElevenModulesWithEvenBarsAndNoTwoAlike) {
    std::set<std::string> seen;
    for (int v = 0; v < 106; ++v) {
        const std::string p = CCode128::Pattern(v);
        ASSERT_EQ(p.size(), 6u) << v;
        EXPECT_EQ(modules(p), 11) << v;
        EXPECT_EQ((p[0] - '0' + p[2] - '0' + p[4] - '0') % 2, 0) << v;
        EXPECT_TRUE(seen.insert(p).second) << v;
    }
    EXPECT_STREQ(CCode128::Pattern(106), "2331112");
    EXPECT_EQ(CCode128::Pattern(107), nullptr);
    EXPECT_EQ(CCode128::Pattern(-1), nullptr);
}
