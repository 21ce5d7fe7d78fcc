#include "barcode/BarcodeWidths.h"

#include "barcode/Code128.h"
#include "barcode/Code39.h"

#include <cstring>

namespace {
bool anyByte(const char* text, bool (*bad)(unsigned char)) {
    for (const char* p = text; *p; ++p)
        if (bad(static_cast<unsigned char>(*p)))
            return true;
    return false;
}
} // namespace

const char* BarcodeWidths(const char* text, int type, std::string* widths) {
    if (type < kCode39 || type > kCode128C)
        return "";
    const std::size_t n = std::strlen(text);
    // The sizes the encoders ask for: room for the longest result and its terminator.
    std::string buffer(type == kCode39 ? 10 * n + 20 : 6 * n + 20, '\0');
    char* out = buffer.data();
    switch (type) {
    case kCode39: {
        CCode39 code;
        if (n == 0 || code.CheckText(text) != 0)
            return "CODE39: 输入非法字符";
        if (code.Encode(out, text) != 0)
            return "CODE39: 编码错误";
        break;
    }
    case kCode128A:
        if (anyByte(text, [](unsigned char c) { return c >= 0x60 && c <= 0x7F; }))
            return "CODE128A: 输入非法字符";
        if (CCode128().EncodeA(text, out) != 0)
            return "CODE128A: 编码错误";
        break;
    case kCode128B:
        if (n == 0 || anyByte(text, [](unsigned char c) { return c < 0x20 || c >= 0x80; }))
            return "CODE128B: 输入非法字符";
        if (CCode128().EncodeB(text, out) != 0)
            return "CODE128B: 编码错误";
        break;
    case kCode128C:
        if (n == 0 || n % 2 != 0 || anyByte(text, [](unsigned char c) { return c < '0' || c > '9'; }))
            return "CODE128C: 输入非法字符";
        if (CCode128().EncodeC(text, out) != 0)
            return "CODE128C: 编码错误";
        break;
    }
    widths->assign(out);
    return nullptr;
}
