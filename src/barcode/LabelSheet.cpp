#include "barcode/LabelSheet.h"

#include <charconv>
#include <cmath>
#include <map>

namespace {
constexpr double kMinPage = 20;
constexpr double kMaxPage = 2000;
constexpr double kMinLabel = 5;
constexpr int kMaxCount = 100;
// Sizes are typed to a tenth or a hundredth of a millimetre; allow for the rounding of such sums.
constexpr double kSlack = 0.01;

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string fmt(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

class Reader {
public:
    Reader(std::string_view file, std::string* error) : m_File(file), m_Error(error) {}

    bool fail(std::string_view field, const std::string& why) {
        if (m_Error)
            *m_Error = "标签页模板 " + std::string(m_File) + " 的字段 " + std::string(field) + ": " + why;
        return false;
    }

    bool number(const std::map<std::string_view, std::string_view>& keys, std::string_view field, double low,
                double high, double* out, bool required = true) {
        const auto it = keys.find(field);
        if (it == keys.end()) {
            if (required)
                return fail(field, "缺少");
            return true;
        }
        const std::string_view v = it->second;
        double d = 0;
        const auto r = std::from_chars(v.data(), v.data() + v.size(), d);
        if (r.ec != std::errc() || r.ptr != v.data() + v.size() || !std::isfinite(d))
            return fail(field, "不是数字: " + std::string(v));
        if (d < low || d > high)
            return fail(field, "值 " + std::string(v) + " 不在 " + fmt(low) + " 到 " + fmt(high) + " 之间");
        *out = d;
        return true;
    }

    bool count(const std::map<std::string_view, std::string_view>& keys, std::string_view field, int* out) {
        double d = 0;
        if (!number(keys, field, 1, kMaxCount, &d))
            return false;
        if (d != std::floor(d))
            return fail(field, "应为整数");
        *out = static_cast<int>(d);
        return true;
    }

private:
    std::string_view m_File;
    std::string* m_Error;
};

bool validName(std::string_view s) {
    if (s.empty() || s.size() > 32)
        return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
            return false;
    return true;
}
} // namespace

bool ParseLabelSheet(std::string_view text, std::string_view fileName, CLabelSheet* sheet,
                     std::string* error) {
    static constexpr std::string_view kKeys[] = {
        "name",    "title", "layout", "page-width", "page-height", "label-width", "label-height",
        "columns", "rows",  "left",   "top",        "pitch-x",     "pitch-y",     "radius"};
    Reader in(fileName, error);
    std::map<std::string_view, std::string_view> keys;
    if (text.starts_with("\xEF\xBB\xBF")) // editors on Windows put a byte-order mark first
        text.remove_prefix(3);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t eq = line.find('=');
        const std::string_view key = trim(line.substr(0, eq));
        if (eq == std::string_view::npos)
            return in.fail(key, "缺少 \"=\"");
        bool known = false;
        for (std::string_view k : kKeys)
            known = known || k == key;
        if (!known)
            return in.fail(key, "不认识");
        if (!keys.emplace(key, trim(line.substr(eq + 1))).second)
            return in.fail(key, "重复");
    }

    CLabelSheet s;
    const auto name = keys.find("name");
    if (name == keys.end() || !validName(name->second))
        return in.fail("name", "应为 1 到 32 个小写字母、数字或 \"-\"");
    s.name = name->second;
    const auto title = keys.find("title");
    if (title == keys.end() || title->second.empty() || title->second.size() > 200)
        return in.fail("title", "缺少或太长");
    s.title = title->second;
    if (const auto layout = keys.find("layout"); layout != keys.end()) {
        if (layout->second != "grid" && layout->second != "list")
            return in.fail("layout", "应为 grid 或 list");
        s.list = layout->second == "list";
    }
    if (!in.number(keys, "page-width", kMinPage, kMaxPage, &s.pageWidth) ||
        !in.number(keys, "page-height", kMinPage, kMaxPage, &s.pageHeight) ||
        !in.number(keys, "label-width", kMinLabel, s.pageWidth, &s.labelWidth) ||
        !in.number(keys, "label-height", kMinLabel, s.pageHeight, &s.labelHeight) ||
        !in.count(keys, "columns", &s.columns) || !in.count(keys, "rows", &s.rows) ||
        !in.number(keys, "left", 0, s.pageWidth - s.labelWidth + kSlack, &s.left) ||
        !in.number(keys, "top", 0, s.pageHeight - s.labelHeight + kSlack, &s.top) ||
        !in.number(keys, "pitch-x", s.labelWidth, s.pageWidth, &s.pitchX) ||
        !in.number(keys, "pitch-y", s.labelHeight, s.pageHeight, &s.pitchY) ||
        !in.number(keys, "radius", 0, std::min(s.labelWidth, s.labelHeight) / 2, &s.radius, false))
        return false;
    // Labels that would run off the paper.
    if (s.left + (s.columns - 1) * s.pitchX + s.labelWidth > s.pageWidth + kSlack)
        return in.fail("columns", "标签超出纸张右边");
    if (s.top + (s.rows - 1) * s.pitchY + s.labelHeight > s.pageHeight + kSlack)
        return in.fail("rows", "标签超出纸张下边");
    *sheet = std::move(s);
    return true;
}
