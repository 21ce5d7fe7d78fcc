#pragma once
// The files keep text in GBK, the code page of every other copy of the program; the user interface speaks
// QString. Convert only at that border.
#include <QString>
#include <string>
#include <string_view>

// GBK bytes to text. Bytes that are not GBK come out as replacement or private-use characters.
QString fromGbk(std::string_view gbk);
// Text to GBK. *ok (when given) turns false if some character has no GBK form; it is then written as '?'.
std::string toGbk(const QString& text, bool* ok = nullptr);
// True when the text can be written in GBK and read back unchanged.
bool isGbkText(const QString& text);
// True when the bytes decode as GBK and encode back to the same bytes.
bool gbkRoundTrips(std::string_view gbk);

// Length of the longest prefix of s that is at most maxBytes long and does not end inside a two-byte
// character. Cutting there never splits a character.
std::size_t gbkPrefixLength(std::string_view s, std::size_t maxBytes);
// True when byte i of s begins a character (is not the trail byte of a two-byte character).
bool gbkIsCharStart(std::string_view s, std::size_t i);

// Stored paths are GBK; file names on disk are in the native encoding (UTF-8 here).
std::string nativePath(std::string_view gbkPath);
// A native path as GBK; *ok turns false when it cannot be written in GBK unchanged.
std::string gbkFromNative(std::string_view nativePath, bool* ok = nullptr);
