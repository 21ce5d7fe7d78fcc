#include "library/KeywordSearch.h"

#include "platform/core/Gbk.h"

int CKeywordSearch::Split(const std::string& text) {
    m_Keywords.clear();
    bool open = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            open = false;
        } else if (c == '\n' || c == '\r') {
            // Only the last line's words count: a line end starts over.
            m_Keywords.clear();
            open = false;
        } else {
            if (!open) {
                if (m_Keywords.size() >= static_cast<std::size_t>(kMaxKeywords))
                    continue; // no room for more keywords: the rest are dropped
                m_Keywords.emplace_back();
                open = true;
            }
            if (m_Keywords.back().size() < kKeywordBytes)
                m_Keywords.back() += c;
        }
    }
    // A keyword cut at its byte limit must not end inside a character.
    for (std::string& k : m_Keywords)
        k.resize(gbkPrefixLength(k, kKeywordBytes));
    return static_cast<int>(m_Keywords.size());
}

bool CKeywordSearch::Matches(std::string_view content) const {
    for (const std::string& key : m_Keywords) {
        if (key.empty())
            continue;
        for (std::size_t pos = content.find(key); pos != std::string_view::npos;
             pos = content.find(key, pos + 1))
            if (gbkIsCharStart(content, pos))
                return true;
    }
    return false;
}
