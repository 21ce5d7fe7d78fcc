#include "support/Wave.h"

#include "platform/core/Files.h"
#include "platform/soundfile/WaveFile.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

std::string waveBytes(int rate, const std::vector<short>& samples) {
    return waveFileBytes(WaveFormat{rate, 1, 16, false}, samples.data(), samples.size() * sizeof(short));
}

void writeTone(const std::string& path, double seconds, double hz, double amplitude) {
    constexpr int kRate = 44100;
    std::vector<short> s(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<short>(amplitude * 32767 * std::sin(2 * M_PI * hz * double(i) / kRate));
    atomicReplace(path, waveBytes(kRate, s));
}

std::string WaveBytes() {
    std::vector<short> s(80);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<short>(static_cast<std::uint16_t>(i * 300));
    return waveBytes(8000, s);
}

std::vector<short> readMono16(const std::string& path, int* rate) {
    const std::string b = readFile(path);
    if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0)
        return {};
    // Walk the chunks: espeak-ng and our recorder both write fmt then data, but do not rely on 44 bytes.
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        std::uint32_t size;
        std::memcpy(&size, b.data() + at + 4, 4);
        if (b.compare(at, 4, "fmt ") == 0 && rate && at + 16 <= b.size()) {
            std::uint32_t r;
            std::memcpy(&r, b.data() + at + 12, 4);
            *rate = int(r);
        }
        if (b.compare(at, 4, "data") == 0) {
            const std::size_t bytes = std::min<std::size_t>(size, b.size() - at - 8);
            std::vector<short> out(bytes / 2);
            if (!out.empty())
                std::memcpy(out.data(), b.data() + at + 8, out.size() * 2);
            return out;
        }
        at += 8 + std::size_t(size) + (size & 1);
    }
    return {};
}

double rms(const std::vector<short>& s, std::size_t from, std::size_t to) {
    to = std::min(to, s.size());
    if (from >= to)
        return 0;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from)) / 32768.0;
}
