#pragma once
// Sounds as people make them, for the onset and loudness checks: speech after room noise, a soft first
// consonant, a click before the word, a quiet pause. 16-bit mono at 44.1 kHz unless said.
#include <string>
#include <vector>

constexpr int kTestRate = 44100;

// Pink noise (Kellet's filter over a fixed seed) at the given RMS level, dBFS.
std::vector<short> pinkNoise(double seconds, double dbfs, unsigned seed = 1);
// A vowel-like sound: a 150 Hz voice with its harmonics, at the given RMS level.
std::vector<short> vowel(double seconds, double dbfs);
// White noise at the given RMS level: a soft "s" or "f".
std::vector<short> hiss(double seconds, double dbfs, unsigned seed = 2);
// espeak-ng's Mandarin voice speaking the text (its own leading silence cut off), or empty.
std::vector<short> speech(const char* utf8);
// Appends b to a; mixes b into a from frame at when given.
void append(std::vector<short>& a, const std::vector<short>& b);
void mixIn(std::vector<short>& a, const std::vector<short>& b, std::size_t at);
// Integrated loudness (LUFS) of mono 16-bit samples.
double lufs(const std::vector<short>& s, int rate = kTestRate);
// Seconds to the first sample above the level (dBFS), or -1.
double firstAbove(const std::vector<short>& s, double dbfs, int rate = kTestRate);
