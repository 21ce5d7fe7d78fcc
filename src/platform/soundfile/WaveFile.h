#pragma once
// The RIFF wave header: what the recorder writes in front of a take, and what tests and tools write when
// they make a sound file. Reading is the sound-file decoder's job.
#include <cstdint>
#include <string>

struct WaveFormat {
    int sampleRate = 44100;
    int channels = 1;
    int bitsPerSample = 16; // 8 (unsigned), 16, 24 or 32 (signed), or 32 float
    bool isFloat = false;
    int bytesPerFrame() const { return channels * (bitsPerSample / 8); }
};

constexpr std::uint32_t kWaveHeaderBytes = 44;
// The largest data size the header's 32-bit fields can describe.
constexpr std::uint32_t kWaveMaxDataBytes = 0xFFFFFFFFu - (kWaveHeaderBytes - 8);

// The 44-byte header of a wave file holding dataBytes bytes of PCM in the given format.
std::string waveHeader(const WaveFormat& format, std::uint32_t dataBytes);
// Header and samples as one wave file's bytes.
std::string waveFileBytes(const WaveFormat& format, const void* data, std::size_t bytes);
