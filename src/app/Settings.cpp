#include "app/Settings.h"
#include "platform/core/UiText.h"

#include "app/Folders.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Numbers.h"
#include "platform/core/Trace.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>

BARCODE_SETTINGS BarcodeSettings = {0, 0.0, 0.0};

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view skipBlanks(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return s.substr(i);
}

// Start-up reads the file once per key: say it once that it is too large.
std::string g_ToldTooLarge;

template <class T, class Parse> T readKey(std::string_view key, T fallback, Parse parse) {
    std::string text;
    if (SettingsPath.empty())
        return fallback;
    if (!readWholeFile(nativePath(SettingsPath), text, kSettingsFileLimit)) {
        if (errno == EFBIG && g_ToldTooLarge != SettingsPath) {
            g_ToldTooLarge = SettingsPath;
            messageBox(uiText("设置文件 \"%1\" 太大（超过 16 MB），没有读取：条码设置使用默认值。")
                           .arg(fromGbk(SettingsPath)));
        }
        return fallback;
    }
    T result = fallback;
    ScanIniItems(text, key, [&](std::string_view value) { result = parse(value); });
    return result;
}

// "%f" without the locale: six decimals, as every copy of the program writes them.
std::string formatFixed6(double v) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    if (r.ec != std::errc())
        return "0.000000";
    return std::string(buf, r.ptr);
}

constexpr std::size_t kWriterLineLimit = 2047;

} // namespace

int IniToInt(std::string_view s) {
    s = skipBlanks(s);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    long long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            break;
        v = v * 10 + (c - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            v = static_cast<long long>(INT_MAX) + 1; // saturate; keeps going through the digits
    }
    if (negative)
        return v > INT_MAX ? INT_MIN : static_cast<int>(-v);
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

double IniToDouble(std::string_view s) {
    double v = 0.0;
    return scanDecimal(s, v) ? v : 0.0;
}

int ReadCodeType() {
    return readKey<int>("CodeType=", kDefaultCodeType, IniToInt);
}
double ReadHeight() {
    return readKey<double>("Height=", kDefaultHeight, IniToDouble);
}
double ReadLineWidth() {
    return readKey<double>("LineWidth=", kDefaultLineWidth, IniToDouble);
}

std::string BuildIniText(const std::string* oldText, const BARCODE_SETTINGS& s, std::string* keySection) {
    std::string comments;
    if (oldText) {
        SplitIniLines(*oldText, [&](std::string_view line) {
            std::size_t i = 0;
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
                ++i;
            line.remove_prefix(i);
            if (line.empty() || (line[0] != '#' && line[0] != '*'))
                return;
            // A comment longer than a line may be is cut, never mid-character.
            line = line.substr(0, gbkPrefixLength(line, kWriterLineLimit));
            comments.append(line);
            comments.append("\r\n");
        });
    }
    if (comments.empty())
        trace("SaveIniFile(): save_pos=%d \r\n", 0);

    std::string keys;
    auto setKey = [&](const char* key, const std::string& value) {
        keys += "\r\n";
        keys += key;
        keys += '=';
        keys += value;
    };
    if (s.CodeType != -1 && s.CodeType >= 0 && s.CodeType <= 999999)
        setKey("CodeType", std::to_string(s.CodeType));
    if (s.Height != -1.0)
        setKey("Height", formatFixed6(s.Height));
    if (s.LineWidth != -1.0)
        setKey("LineWidth", formatFixed6(s.LineWidth));
    auto isTrim = [](char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t'; };
    std::size_t b = 0, e = keys.size();
    while (b < e && isTrim(keys[b]))
        ++b;
    while (e > b && isTrim(keys[e - 1]))
        --e;
    keys = keys.substr(b, e - b);
    if (keySection)
        *keySection = keys;
    return comments + keys;
}

int SaveIniFile(const BARCODE_SETTINGS* settings) {
    trace("SaveIniFile(): save to \"%s\" \r\n", SettingsPath.c_str());
    const std::string path = nativePath(SettingsPath);
    std::string old;
    const bool exists = fileExists(path);
    if (exists && !readWholeFile(path, old, kSettingsFileLimit)) {
        trace("SaveIniFile(): fopen \"%s\" with \"rb+\" failed ! \r\n", SettingsPath.c_str());
        messageBox(uiText("不能保存文件 \"%1\" ! ").arg(fromGbk(SettingsPath)));
        return 0;
    }
    std::string keys;
    const std::string text = BuildIniText(exists ? &old : nullptr, *settings, &keys);
    // The new text goes to a temporary file that replaces the old one only when whole.
    // A settings file kept elsewhere behind a link stays there.
    if (!atomicReplace(path, text, LinkPolicy::WriteTarget)) {
        trace("SaveIniFile(): fopen \"%s\" with \"wb+\" failed ! \r\n", SettingsPath.c_str());
        trace("SaveIniFile(): failed \"%s\" \r\n", keys.c_str());
        messageBox(uiText("不能保存文件 \"%1\" ! ").arg(fromGbk(SettingsPath)));
        return 0;
    }
    trace("SaveIniFile(): successful \"%s\" \r\n ", keys.c_str());
    return 1;
}
