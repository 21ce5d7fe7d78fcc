#pragma once
// The barcode settings and their settings file KIV.ini.
#include <string>
#include <string_view>

struct BARCODE_SETTINGS {
    int CodeType;     // 0 CODE 39, 1 CODE 128A, 2 CODE 128B, 3 CODE 128C
    double Height;    // bar height, millimetres
    double LineWidth; // narrowest bar, millimetres
};

// The one process-wide record; all zero until start-up fills it.
extern BARCODE_SETTINGS BarcodeSettings;

constexpr int kDefaultCodeType = 3;
constexpr double kDefaultHeight = 15.0;
constexpr double kDefaultLineWidth = 0.4;

// The largest settings file read; a larger one is not read (the user is told once) and not rewritten.
constexpr std::size_t kSettingsFileLimit = 16 * 1024 * 1024;

// Readers: each reads the file at SettingsPath and returns the last usable value of its key, or its default.
int ReadCodeType();
double ReadHeight();
double ReadLineWidth();

// Writes the settings: the old file's comment lines, then the three keys. Returns 1 when written, 0 when not
// (and the user is told).
int SaveIniFile(const BARCODE_SETTINGS* settings);

// The readers' scan over a file's text, for one key: calls onValue with the text after the key of every
// matching item, in file order. Lines and items longer than the readers' limits are skipped whole.
constexpr std::size_t kIniLineLimit = 8191;
constexpr std::size_t kIniItemLimit = 255;
template <class F> void ScanIniItems(std::string_view text, std::string_view key, F&& onValue);

// atoi and atof as the file format knows them: leading blanks, a sign, digits; independent of the locale.
// IniToInt saturates instead of overflowing.
int IniToInt(std::string_view s);
double IniToDouble(std::string_view s);

// The settings file's text as SaveIniFile writes it, given the old file's text (or none).
std::string BuildIniText(const std::string* oldText, const BARCODE_SETTINGS& settings,
                         std::string* keySection = nullptr);

// Splits text into lines as the readers do: a line ends at CR or LF, a run of them counts as one line end,
// and the file's last character always belongs to the last line.
template <class F> void SplitIniLines(std::string_view text, F&& onLine) {
    std::size_t start = 0;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (i == n - 1) {
            onLine(text.substr(start, i + 1 - start));
            return;
        }
        if (c == '\r' || c == '\n') {
            onLine(text.substr(start, i - start));
            while (i < n && (text[i] == '\r' || text[i] == '\n'))
                ++i;
            start = i;
            continue;
        }
        ++i;
    }
}

inline bool IniKeyMatches(std::string_view item, std::string_view key) {
    if (item.size() <= key.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        char a = item[i], b = key[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

template <class F> void ScanIniItems(std::string_view text, std::string_view key, F&& onValue) {
    SplitIniLines(text, [&](std::string_view line) {
        if (line.empty() || line[0] == '#' || line.size() > kIniLineLimit)
            return;
        std::size_t itemStart = 0;
        auto item = [&](std::string_view it) {
            if (it.size() <= kIniItemLimit && IniKeyMatches(it, key))
                onValue(it.substr(key.size()));
        };
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == ' ') {
                item(line.substr(itemStart, i - itemStart));
                itemStart = i + 1;
            } else if (i == line.size() - 1) {
                item(line.substr(itemStart));
            }
        }
    });
}
