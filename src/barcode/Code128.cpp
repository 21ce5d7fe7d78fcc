#include "barcode/Code128.h"

#include <cstring>

namespace {
constexpr const char* kPatterns[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213",  "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122",  "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221",  "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313",  "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321",  "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121",  "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421",  "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114",  "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212",  "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311",  "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112",
};

// Writes the symbols of one code set; valueAt(p, &len) gives the value of the data symbol at p and how many
// characters it takes, or -1. Nothing is written before the whole text has values, so a refused text leaves
// out as it was.
template <class ValueAt> int EncodeSet(const char* text, char* out, int startValue, ValueAt valueAt) {
    char* const start = out + std::strlen(out);
    for (const char* p = text; *p;) {
        int len = 0;
        if (valueAt(p, &len) < 0) {
            *start = '\0';
            return -1;
        }
        p += len;
    }
    char* w = start;
    auto put = [&w](int value) {
        const char* pattern = kPatterns[value];
        const std::size_t n = std::strlen(pattern);
        std::memcpy(w, pattern, n);
        w += n;
    };
    put(startValue);
    unsigned sum = static_cast<unsigned>(startValue) % 103;
    unsigned position = 1;
    for (const char* p = text; *p; ++position) {
        int len = 0;
        const int value = valueAt(p, &len);
        put(value);
        // Kept reduced so that long texts cannot overflow the sum.
        sum = (sum + position % 103 * static_cast<unsigned>(value)) % 103;
        p += len;
    }
    put(static_cast<int>(sum));
    put(CCode128::kStop);
    *w = '\0';
    return 0;
}
} // namespace

const char* CCode128::Pattern(int value) {
    return value >= 0 && value <= kStop ? kPatterns[value] : nullptr;
}

int CCode128::ValueA(unsigned char c) {
    if (c < 0x20)
        return c + 64;
    if (c < 0x60)
        return c - 32;
    switch (c) {
    case 0x80:
        return 64; // NUL, which a zero-terminated text cannot carry
    case 0xC1:
        return 102; // FNC1
    case 0xC2:
        return 97; // FNC2
    case 0xC3:
        return 96; // FNC3
    case 0xC4:
        return 101; // FNC4
    default:
        return -1;
    }
}

int CCode128::ValueB(unsigned char c) {
    return c >= 0x20 && c <= 0x7F ? c - 32 : -1;
}

int CCode128::EncodeA(const char* text, char* out) const {
    return EncodeSet(text, out, kStartA, [](const char* p, int* len) {
        *len = 1;
        return ValueA(static_cast<unsigned char>(*p));
    });
}

int CCode128::EncodeB(const char* text, char* out) const {
    return EncodeSet(text, out, kStartB, [](const char* p, int* len) {
        *len = 1;
        return ValueB(static_cast<unsigned char>(*p));
    });
}

int CCode128::EncodeC(const char* text, char* out) const {
    return EncodeSet(text, out, kStartC, [](const char* p, int* len) {
        *len = 2;
        const auto digit = [](char c) { return c >= '0' && c <= '9'; };
        // p[1] is read only when p[0] is a digit, so the terminator is never passed.
        if (!digit(p[0]) || !digit(p[1])) {
            *len = 1;
            return -1;
        }
        return (p[0] - '0') * 10 + (p[1] - '0');
    });
}
