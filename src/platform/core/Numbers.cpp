#include "platform/core/Numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

std::string_view skipBlanks(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        ++i;
    return s.substr(i);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether a number from_chars found out of range lies below 1 (and so underflowed): the power of ten of its
// first nonzero digit, plus its exponent, is negative. Saturates, so a thousand-digit exponent cannot wrap.
bool belowOne(std::string_view number) {
    long long power = 0;
    bool seenNonzero = false, inFraction = false;
    std::size_t i = 0;
    for (; i < number.size() && (isDigit(number[i]) || number[i] == '.'); ++i) {
        if (number[i] == '.') {
            inFraction = true;
        } else if (seenNonzero) {
            if (!inFraction && power < 1'000'000)
                ++power;
        } else if (number[i] != '0') {
            seenNonzero = true;
            if (inFraction)
                --power;
        } else if (inFraction && power > -1'000'000) {
            --power;
        }
    }
    if (!seenNonzero)
        return true;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        const bool negative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '-' || number[i] == '+'))
            ++i;
        long long exponent = 0;
        for (; i < number.size() && isDigit(number[i]); ++i)
            exponent = std::min<long long>(exponent * 10 + (number[i] - '0'), 1'000'000'000);
        power += negative ? -exponent : exponent;
    }
    return power < 0;
}

} // namespace

bool scanDecimal(std::string_view text, double& value) {
    std::string_view s = skipBlanks(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s[0] == '+' || s[0] == '-')
        return false;
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec == std::errc::invalid_argument)
        return false;
    // from_chars leaves v untouched here; the scan gives infinity for a number too large and 0 for one too
    // small.
    if (r.ec == std::errc::result_out_of_range)
        v = belowOne(s.substr(0, static_cast<std::size_t>(r.ptr - s.data())))
                ? 0.0
                : std::numeric_limits<double>::infinity();
    value = negative ? -v : v;
    return true;
}
