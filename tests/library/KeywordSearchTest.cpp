// The search's rules on GBK text: which words count and where they match.
#include "library/KeywordSearch.h"
#include "platform/core/Gbk.h"

#include <QString>
#include <gtest/gtest.h>

namespace {
std::string gbk(const char* utf8) {
    return toGbk(QString::fromUtf8(utf8));
}
} // namespace

TEST(KeywordSearch, MatchRules) {
    const struct {
        std::string keywords, annotation;
        bool shown;
    } cases[] = {
        {"", "pear", true},           // no keyword lists everything
        {" \t ", "pear", true},       // nor do blanks
        {"apple pear", "pear", true}, // any one word
        {gbk("苹果"), gbk("红苹果 apple"), true},
        {"APPLE", "apple", false},       // case counts
        {gbk("的"), gbk("说你"), false}, // B5 C4 inside CB B5 C4 E3: not on a character
        {"T", gbk("門"), false},         // a trail byte is no letter
        {gbk("你"), gbk("说你"), true},
        {"apple\r\n\r\npear", "apple", false}, // only the last line's words
        {"apple\r\n", "apple", true},          // a trailing line end leaves no keyword
    };
    for (const auto& c : cases) {
        CKeywordSearch search;
        search.Split(c.keywords);
        EXPECT_EQ(search.Shows(c.annotation), c.shown) << c.keywords << " / " << c.annotation;
    }
}

TEST(KeywordSearch, SplittingKeepsTheLastLineAndItsLimits) {
    CKeywordSearch search;
    EXPECT_EQ(search.Split("apple\r\n\r\npear fig"), 2);
    EXPECT_EQ(search.Keywords(), (std::vector<std::string>{"pear", "fig"}));
    std::string many;
    for (int i = 0; i < 600; ++i)
        many += "k" + std::to_string(i) + " ";
    EXPECT_EQ(search.Split(many), 512);
    EXPECT_EQ(search.Keywords()[511], "k511");
    // A keyword longer than 1023 bytes is cut, never mid-character.
    std::string chinese;
    for (int i = 0; i < 600; ++i)
        chinese += gbk("苹");
    EXPECT_EQ(search.Split("x" + chinese), 1);
    EXPECT_EQ(search.Keywords()[0].size(), 1023u);
    EXPECT_TRUE(gbkRoundTrips(search.Keywords()[0].substr(1)));
}
