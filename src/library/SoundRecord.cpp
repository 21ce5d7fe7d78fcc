#include "library/SoundRecord.h"

#include "platform/core/Gbk.h"

#include <climits>

std::string_view CutGbk(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    return text.substr(0, gbkPrefixLength(text, maxBytes));
}

int CodeNumber(std::string_view code) {
    std::size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < code.size() && isSpace(code[i]))
        ++i;
    bool negative = false;
    if (i < code.size() && (code[i] == '+' || code[i] == '-')) {
        negative = code[i] == '-';
        ++i;
    }
    long long value = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < code.size() && code[i] >= '0' && code[i] <= '9'; ++i) {
        value = value * 10 + (code[i] - '0');
        if (value >= limit) {
            value = limit;
            break;
        }
    }
    return static_cast<int>(negative ? -value : value);
}
