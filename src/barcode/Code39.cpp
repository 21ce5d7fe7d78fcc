#include "barcode/Code39.h"

#include <cstring>

namespace {
// Order: "0"-"9", "A"-"Z", "-", ".", blank, "$", "/", "+", "%", "*".
constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
constexpr const char* kPatterns[44] = {
    "111221211", "211211112", "112211112", "212211111", "111221112", "211221111", "112221111", "111211212",
    "211211211", "112211211", "211112112", "112112112", "212112111", "111122112", "211122111", "112122111",
    "111112212", "211112211", "112112211", "111122211", "211111122", "112111122", "212111121", "111121122",
    "211121121", "112121121", "111111222", "211111221", "112111221", "111121221", "221111112", "122111112",
    "222111111", "121121112", "221121111", "122121111", "121111212", "221111211", "122111211", "121212111",
    "121211121", "121112121", "111212121", "121121211",
};
static_assert(sizeof(kAlphabet) - 1 == 44);

constexpr std::size_t kPatternLength = 9;
const char* const kStartStop = kPatterns[43];
} // namespace

const char* CCode39::Pattern(char c) {
    if (c == '\0')
        return nullptr;
    const char* at = std::strchr(kAlphabet, c);
    return at ? kPatterns[at - kAlphabet] : nullptr;
}

int CCode39::CheckText(const char* text) const {
    for (const char* p = text; *p; ++p)
        if (!Pattern(*p))
            return -1;
    return 0;
}

int CCode39::Encode(char* out, const char* text) const {
    char* const start = out + std::strlen(out);
    char* w = start;
    auto put = [&w](const char* pattern) {
        std::memcpy(w, pattern, kPatternLength);
        w += kPatternLength;
        *w++ = '2'; // the inter-character gap
    };
    // Nothing is written before the text is known to be good, so a refused text leaves out as it was and
    // never needs more room than the caller gave for it.
    if (*text == '\0' || CheckText(text) != 0) {
        *start = '\0';
        return -1;
    }
    put(kStartStop);
    for (const char* p = text; *p; ++p)
        put(Pattern(*p));
    std::memcpy(w, kStartStop, kPatternLength);
    w += kPatternLength;
    *w = '\0';
    return 0;
}
