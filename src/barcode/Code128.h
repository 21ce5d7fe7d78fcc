#pragma once
// Code 128 in one code set per symbol (A, B or C, no shifts): a text as a width string (one digit per bar or
// space, its width in modules, starting with a bar), with start, check and stop symbols.

class CCode128 {
public:
    virtual ~CCode128() = default;

    // Each appends the symbol of the zero-terminated text to out, which holds an empty string on entry and
    // has room for 6 * strlen(text) + 20 characters. Returns 0 on success, with 6n + 19 digits written (3n +
    // 19 in set C), or -1 with out left empty.

    // Set A: bytes 0x00-0x5F, 0x80 (NUL) and 0xC1-0xC4 (FNC1-FNC4); "" gives start, check and stop alone.
    int EncodeA(const char* text, char* out) const;
    // Set B: bytes 0x20-0x7F; "" is encoded like set A's.
    int EncodeB(const char* text, char* out) const;
    // Set C: pairs of digits; an odd length fails.
    int EncodeC(const char* text, char* out) const;

    // The width string of a symbol value 0-106 (6 digits, 7 for the stop 106), or nullptr.
    static const char* Pattern(int value);

    static constexpr int kStartA = 103;
    static constexpr int kStartB = 104;
    static constexpr int kStartC = 105;
    static constexpr int kStop = 106;

    // The value of a byte in set A or B, or -1 when the set has none for it.
    static int ValueA(unsigned char c);
    static int ValueB(unsigned char c);
};
