#pragma once
// Wave files for the tests: written (16-bit mono PCM) and read back.
#include <cstdint>
#include <string>
#include <vector>

// A 16-bit mono PCM wave file holding the samples.
std::string waveBytes(int rate, const std::vector<short>& samples);
// A sine tone as a 16-bit mono 44.1 kHz wave file, written atomically.
void writeTone(const std::string& path, double seconds, double hz, double amplitude = 0.5);
// A 0.01 s mono 8 kHz 16-bit PCM wave file, as the fake recorder saves.
std::string WaveBytes();

// The wave file's samples (16-bit mono) and rate; empty when it is no such file.
std::vector<short> readMono16(const std::string& path, int* rate = nullptr);
// Root mean square of samples [from, to) on a 0..1 scale.
double rms(const std::vector<short>& s, std::size_t from = 0, std::size_t to = SIZE_MAX);
