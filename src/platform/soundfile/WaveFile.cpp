#include "platform/soundfile/WaveFile.h"

#include <algorithm>

namespace {

void put32(std::string& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put16(std::string& b, std::uint16_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
}

} // namespace

std::string waveHeader(const WaveFormat& format, std::uint32_t dataBytes) {
    if (dataBytes > kWaveMaxDataBytes)
        dataBytes = kWaveMaxDataBytes;
    std::string h;
    h.reserve(kWaveHeaderBytes);
    h += "RIFF";
    put32(h, kWaveHeaderBytes - 8 + dataBytes);
    h += "WAVEfmt ";
    put32(h, 16);
    put16(h, format.isFloat ? 3 : 1);
    put16(h, static_cast<std::uint16_t>(format.channels));
    put32(h, static_cast<std::uint32_t>(format.sampleRate));
    // A lying header's rate times its frame size does not fit an int.
    put32(h,
          static_cast<std::uint32_t>(static_cast<std::int64_t>(format.sampleRate) * format.bytesPerFrame()));
    put16(h, static_cast<std::uint16_t>(format.bytesPerFrame()));
    put16(h, static_cast<std::uint16_t>(format.bitsPerSample));
    h += "data";
    put32(h, dataBytes);
    return h;
}

std::string waveFileBytes(const WaveFormat& format, const void* data, std::size_t bytes) {
    std::string file =
        waveHeader(format, static_cast<std::uint32_t>(std::min<std::size_t>(bytes, kWaveMaxDataBytes)));
    file.append(static_cast<const char*>(data), bytes);
    return file;
}
