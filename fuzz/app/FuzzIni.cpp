// Arbitrary bytes as a settings file: the readers and the writer's comment scan must stay in bounds.
#include "app/Settings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    int code = kDefaultCodeType;
    double height = kDefaultHeight;
    ScanIniItems(text, "CodeType=", [&](std::string_view v) { code = IniToInt(v); });
    ScanIniItems(text, "Height=", [&](std::string_view v) { height = IniToDouble(v); });
    ScanIniItems(text, "LineWidth=", [&](std::string_view v) { (void)IniToDouble(v); });
    BARCODE_SETTINGS s{code, height, 0.4};
    std::string keys;
    const std::string written = BuildIniText(&text, s, &keys);
    // Whatever the old file held, the new one reads back the values written.
    if (s.CodeType >= 0 && s.CodeType <= 999999) {
        int back = -1;
        ScanIniItems(written, "CodeType=", [&](std::string_view v) { back = IniToInt(v); });
        if (back != s.CodeType)
            __builtin_trap();
    }
    return 0;
}
