#pragma once
// Code 39: a text of digits, capitals and eight symbols as a width string (one digit per bar or space, its
// width in modules, starting with a bar).

class CCode39 {
public:
    virtual ~CCode39() = default;

    // 0 when every character of the zero-terminated text is one of the 44 of the table (also for ""), else
    // -1.
    int CheckText(const char* text) const;

    // Appends the symbol of the text to out, which holds an empty string on entry and has room for
    // 10 * strlen(text) + 20 characters. Returns 0 with 10n + 19 digits written, or -1 (empty text, or a
    // character outside the table) with out left empty.
    int Encode(char* out, const char* text) const;

    // The 9-digit pattern of a character, or nullptr when the character has none.
    static const char* Pattern(char c);
};
