#pragma once
// The search over annotations: the keywords a user typed and whether an annotation holds one. Both are GBK
// bytes as stored. Only the last line's words count, blanks and tabs between them; at most kMaxKeywords
// words, each cut to kKeywordBytes bytes (never inside a character). An annotation matches when one of the
// words occurs in it starting on a character: "的" (B5 C4) is not inside "说你" (CB B5 C4 E3). Case counts.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CKeywordSearch {
public:
    static constexpr int kMaxKeywords = 512;
    static constexpr std::size_t kKeywordBytes = 1023;

    // Takes the words of the text as the keywords; returns how many there are.
    int Split(const std::string& text);
    // No keywords: every annotation is shown.
    void Clear() { m_Keywords.clear(); }
    const std::vector<std::string>& Keywords() const { return m_Keywords; }
    // Whether the annotation holds one of the keywords.
    bool Matches(std::string_view content) const;
    // Whether a record with that annotation is listed: all of them while there are no keywords.
    bool Shows(std::string_view content) const { return m_Keywords.empty() || Matches(content); }

private:
    std::vector<std::string> m_Keywords;
};
