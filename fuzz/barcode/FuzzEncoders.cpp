// Arbitrary bytes to every encoder, each writing into a heap buffer of exactly the size callers give it, so
// that the address sanitizer catches any write past it. A success must have its exact length.
#include "barcode/Code128.h"
#include "barcode/Code39.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {
void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_encoders: %s\n", what);
        std::abort();
    }
}

template <class Encode>
void run(const char* text, std::size_t n, std::size_t perChar, std::size_t successLength, Encode encode) {
    const std::size_t size = perChar * n + 20;
    std::unique_ptr<char[]> out(new char[size]);
    std::memset(out.get(), 'x', size);
    out[0] = '\0';
    const int rc = encode(text, out.get());
    check(rc == 0 || rc == -1, "result is neither 0 nor -1");
    const void* end = std::memchr(out.get(), '\0', size);
    check(end != nullptr, "output not terminated inside the buffer");
    const std::size_t len = static_cast<const char*>(end) - out.get();
    if (rc == 0) {
        check(len == successLength, "success with the wrong length");
        for (std::size_t i = 0; i < len; ++i)
            check(out[i] >= '1' && out[i] <= '4', "width digit outside 1-4");
    } else {
        check(len == 0, "failure left a partial symbol");
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The encoders take zero-terminated texts: the bytes up to the first NUL.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* t = text.c_str();
    const std::size_t n = std::strlen(t);

    CCode39 c39;
    run(t, n, 10, 10 * n + 19, [&](const char* s, char* out) { return c39.Encode(out, s); });
    CCode128 c128;
    run(t, n, 6, 6 * n + 19, [&](const char* s, char* out) { return c128.EncodeA(s, out); });
    run(t, n, 6, 6 * n + 19, [&](const char* s, char* out) { return c128.EncodeB(s, out); });
    run(t, n, 6, 3 * n + 19, [&](const char* s, char* out) { return c128.EncodeC(s, out); });
    return 0;
}
