#include "platform/core/Gbk.h"

#include <gtest/gtest.h>

TEST(Gbk, ChineseRoundTripsThroughGbkBytes) {
    const QString apple = QStringLiteral("苹果");
    bool ok = false;
    const std::string bytes = toGbk(apple, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(bytes, std::string("\xC6\xBB\xB9\xFB"));
    EXPECT_EQ(fromGbk(bytes), apple);
    EXPECT_TRUE(isGbkText(QStringLiteral("门T的说你 ABC")));
    EXPECT_TRUE(gbkRoundTrips(bytes));
}

TEST(Gbk, TextWithoutGbkFormIsReported) {
    bool ok = true;
    toGbk(QString::fromUtf8("smile \xF0\x9F\x98\x80"), &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(isGbkText(QString::fromUtf8("Stra\xC3\x9F"
                                             "e")));
    EXPECT_FALSE(gbkRoundTrips(std::string("\x81 "))); // a lead byte without its trail
}

TEST(Gbk, PrefixNeverEndsInsideACharacter) {
    const std::string s = toGbk(QStringLiteral("a苹果b"));
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ(gbkPrefixLength(s, 0), 0u);
    EXPECT_EQ(gbkPrefixLength(s, 1), 1u);
    EXPECT_EQ(gbkPrefixLength(s, 2), 1u); // would split 苹
    EXPECT_EQ(gbkPrefixLength(s, 3), 3u);
    EXPECT_EQ(gbkPrefixLength(s, 4), 3u);
    EXPECT_EQ(gbkPrefixLength(s, 5), 5u);
    EXPECT_EQ(gbkPrefixLength(s, 100), 6u);
    // A lone lead byte at the very end counts as one byte.
    EXPECT_EQ(gbkPrefixLength(std::string("ab\xC6"), 2), 2u);
    EXPECT_EQ(gbkPrefixLength(std::string("ab\xC6", 3), 3), 3u);
}

TEST(Gbk, CharacterStarts) {
    // "说你" is CB B5 C4 E3: byte 1 is a trail byte although B5 C4 would read as "的".
    const std::string s = toGbk(QStringLiteral("说你"));
    EXPECT_TRUE(gbkIsCharStart(s, 0));
    EXPECT_FALSE(gbkIsCharStart(s, 1));
    EXPECT_TRUE(gbkIsCharStart(s, 2));
    EXPECT_FALSE(gbkIsCharStart(s, 3));
    EXPECT_TRUE(gbkIsCharStart(s, 4));
}

TEST(Gbk, PathsConvertBetweenStoredAndNativeForms) {
    const std::string native = "/tmp/书 本/000001.wav";
    bool ok = false;
    const std::string gbk = gbkFromNative(native, &ok);
    EXPECT_TRUE(ok);
    EXPECT_NE(gbk, native);
    EXPECT_EQ(nativePath(gbk), native);
    gbkFromNative("/tmp/Stra\xC3\x9F"
                  "e/",
                  &ok);
    EXPECT_FALSE(ok);
    gbkFromNative("/tmp/\xFF\xFE/", &ok); // not even UTF-8
    EXPECT_FALSE(ok);
}
