#include "platform/core/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

QString fromGbk(std::string_view gbk) {
    // A fresh converter per call: the converters' error flags survive resetState().
    QStringDecoder decoder("GBK");
    return decoder.decode(QByteArrayView(gbk.data(), static_cast<qsizetype>(gbk.size())));
}

std::string toGbk(const QString& text, bool* ok) {
    QStringEncoder encoder("GBK");
    QByteArray bytes = encoder.encode(text);
    bool good = !encoder.hasError();
    // The encoder keeps the surrogate pair of a character outside the basic plane as one '?': the
    // round trip below catches the cases its error flag misses.
    if (good && fromGbk(std::string_view(bytes.constData(), bytes.size())) != text)
        good = false;
    if (ok)
        *ok = good;
    return std::string(bytes.constData(), bytes.size());
}

bool isGbkText(const QString& text) {
    bool ok = false;
    toGbk(text, &ok);
    return ok;
}

bool gbkRoundTrips(std::string_view gbk) {
    bool ok = false;
    std::string back = toGbk(fromGbk(gbk), &ok);
    return ok && back == gbk;
}

namespace {
inline bool isLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
} // namespace

std::size_t gbkPrefixLength(std::string_view s, std::size_t maxBytes) {
    if (s.size() <= maxBytes)
        return s.size();
    std::size_t i = 0;
    while (i < maxBytes) {
        std::size_t len = (isLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        if (i + len > maxBytes)
            break;
        i += len;
    }
    return i;
}

bool gbkIsCharStart(std::string_view s, std::size_t i) {
    std::size_t p = 0;
    while (p < i)
        p += (isLead(static_cast<unsigned char>(s[p])) && p + 1 < s.size()) ? 2 : 1;
    return p == i;
}

std::string nativePath(std::string_view gbkPath) {
    // ASCII is the same in both; most paths are, and a book may name a million.
    if (std::all_of(gbkPath.begin(), gbkPath.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(gbkPath);
    QString text = fromGbk(gbkPath);
    QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), utf8.size());
}

std::string gbkFromNative(std::string_view native, bool* ok) {
    QString text = QString::fromUtf8(native.data(), static_cast<qsizetype>(native.size()));
    bool good = text.toUtf8() == QByteArray(native.data(), static_cast<qsizetype>(native.size()));
    bool encoded = false;
    std::string gbk = toGbk(text, &encoded);
    if (ok)
        *ok = good && encoded;
    return gbk;
}
