// Arbitrary bytes as a sound file: decoding must take anything without crashing or hanging, and must hand
// out whole frames, the same samples whether read whole or in chunks.
#include "platform/soundfile/SoundFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// Enough for any seed; a header claiming hours must not make one run take minutes.
constexpr long long kMaxFrames = 1 << 18;

// Says which promise broke before ending the run, so a crash file tells its story.
void checkAt(bool ok, int line) {
    if (!ok) {
        std::fprintf(stderr, "FuzzSoundFile.cpp:%d: broken\n", line);
        std::abort();
    }
}
#define check(ok) checkAt((ok), __LINE__)

std::string scratchFile() {
    char tmpl[] = "/tmp/kiv-fuzz-sound-XXXXXX";
    int fd = ::mkstemp(tmpl);
    check(fd >= 0);
    ::close(fd);
    return tmpl;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = scratchFile();
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    check(fd >= 0);
    check(::write(fd, data, size) == static_cast<ssize_t>(size));
    ::close(fd);

    DecodedSound whole;
    std::string why;
    SoundFileStatus status = decodeSoundFile(path, whole, &why, kMaxFrames);
    check(status != SoundFileStatus::Missing);
    check(status == SoundFileStatus::Ok ? why.empty() : !why.empty());
    check((probeSoundFile(path) == SoundFileStatus::Ok) == (status == SoundFileStatus::Ok));
    if (status != SoundFileStatus::Ok)
        return 0;
    // Only what a sound can have comes out: buffers are sized from these.
    check(whole.channels > 0 && whole.channels <= 32 && whole.sampleRate >= 1000 &&
          whole.sampleRate <= 768000);
    check(whole.samples.size() % static_cast<std::size_t>(whole.channels) == 0);

    CSoundFile file;
    check(file.open(path) == SoundFileStatus::Ok);
    check(file.channels() == whole.channels && file.sampleRate() == whole.sampleRate);
    std::vector<std::int16_t> chunked, buffer(static_cast<std::size_t>(333 * file.channels()));
    while (static_cast<long long>(chunked.size()) < kMaxFrames * file.channels()) {
        long long n = file.read(buffer.data(), 333);
        check(n >= 0 && n <= 333);
        if (n == 0)
            break;
        chunked.insert(chunked.end(), buffer.begin(), buffer.begin() + n * file.channels());
    }
    // A damaged stream may end sooner for one read size than another (libsndfile drops a whole read that
    // runs into a bad MP3 frame); what both hand out must be the same samples.
    const std::size_t common = std::min(chunked.size(), whole.samples.size());
    check(std::equal(chunked.begin(), chunked.begin() + static_cast<std::ptrdiff_t>(common),
                     whole.samples.begin()));
    (void)file.title();
    return 0;
}
