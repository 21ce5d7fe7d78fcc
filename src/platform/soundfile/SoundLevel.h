#pragma once
// How a sound lies: where its content starts and ends against its own noise floor, how loud it is
// (integrated loudness, EBU R128 through libebur128) and its peak. A sound is made ready to play by cutting
// its ends to short pads around that content and bringing it to one loudness without clipping.
//
// The content is found in 10 ms blocks, each measured without its DC: the noise floor is the level most of
// the quiet blocks lie at, the content's level that of its loud ones. A block counts as content when it is
// 12 dB above the floor (half way up to the content's level when that is closer), so room noise is silence
// while a soft first "s" or "f" is not. The onset is the first such block that begins 30 ms of
// content within 50 ms, so a lone click before the word is passed over; a sound with nothing sustained
// starts at its first loud block. A sound whose blocks all lie within 10 dB of each other below -45 dBFS is
// room noise only: it is left whole and as loud as it is.
//
// A meter takes the sound a chunk at a time; it keeps a histogram, the blocks of the first and last two
// minutes and the loudness meter's own state, so an hour-long sound costs no more memory than a short one
// (an onset later than two minutes in is not looked for).
#include <cstdint>
#include <memory>
#include <vector>

// Where the content lies.
struct SoundLevel {
    int rate = 0;           // frames a second
    long long frames = 0;   // frames measured
    long long onset = 0;    // first frame of the content
    long long end = 0;      // one past its last frame
    bool silent = true;     // nothing stands out of the noise floor (or no frames)
    std::vector<double> dc; // each channel's mean, in sample units
};

class CContentMeter {
public:
    CContentMeter(int sampleRate, int channels);
    ~CContentMeter();
    CContentMeter(const CContentMeter&) = delete;
    CContentMeter& operator=(const CContentMeter&) = delete;

    // Interleaved 16-bit samples, frames of them.
    void add(const std::int16_t* samples, long long frames);
    SoundLevel finish();

private:
    struct State;
    std::unique_ptr<State> m;
};
SoundLevel measureContent(const std::int16_t* samples, long long frames, int sampleRate, int channels);

// How loud: measured over what will play, after its DC is gone.
struct SoundLoudness {
    bool measured = false;
    double lufs = -1e9; // integrated; very low when everything is gated out
    double peak = 0;    // highest true (or sample) peak, 1 = full scale
};

class CLoudnessMeter {
public:
    // The true peak (4x oversampled) costs three times the rest: for what is written to a file.
    CLoudnessMeter(int sampleRate, int channels, bool truePeak);
    ~CLoudnessMeter();
    CLoudnessMeter(const CLoudnessMeter&) = delete;
    CLoudnessMeter& operator=(const CLoudnessMeter&) = delete;
    void add(const std::int16_t* samples, long long frames);
    SoundLoudness finish();

private:
    void* m_State = nullptr; // libebur128's state
    int m_Channels = 1;
    bool m_TruePeak = false;
};
SoundLoudness measureLoudness(const std::int16_t* samples, long long frames, int sampleRate, int channels,
                              bool truePeak);

// What the user lets playing and filing do.
struct ReadyChoice {
    bool trim = true;  // cut the silence before and after the content
    bool level = true; // bring the sound to the target loudness
    bool operator==(const ReadyChoice&) const = default;
};

// The user's choice for this run: set at start-up from the per-user settings (both on until then), read by
// every play and every filing.
extern ReadyChoice g_ReadyChoice;

constexpr double kTargetLufs = -18.0;
constexpr double kPeakCeilingDb = -1.0;
// The most a sound is made louder: a quiet take is helped, its hiss not blown up.
constexpr double kMaxBoostDb = 20.0;
constexpr int kLeadPadMs = 30;
constexpr int kTailPadMs = 100;

// The part of a sound to keep and what to do to it.
struct ReadyCut {
    long long from = 0;
    long long to = 0;
    bool removeDc = false;
    double gain = 1.0; // linear
    std::vector<double> dc;
};
// The part to keep, and whether its DC goes (gain still 1): enough to measure its loudness.
ReadyCut readyPart(const SoundLevel& level, int sampleRate, ReadyChoice choice);
// The gain that brings the part to the target, capped and kept below the peak ceiling.
double readyGain(const SoundLoudness& loudness);
// Copies frames of in to out (which may be in) without the cut's DC and with its gain, saturated.
void applyCut(const ReadyCut& cut, const std::int16_t* in, std::int16_t* out, long long frames, int channels);
// What makeReady does to a sound as played (sample peak), worked out without doing it.
ReadyCut planReady(const std::int16_t* samples, long long frames, int sampleRate, int channels,
                   ReadyChoice choice);
// Keeps the cut's part of samples (interleaved) with its DC and gain applied.
void applyReady(const ReadyCut& cut, std::vector<std::int16_t>& samples, int channels);
// All of it for a sound in memory: the ready sound replaces samples (interleaved). Returns the cut made.
ReadyCut makeReady(std::vector<std::int16_t>& samples, int sampleRate, int channels, ReadyChoice choice,
                   bool truePeak);
