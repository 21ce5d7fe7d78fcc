#include "platform/soundfile/SoundLevel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <ebur128.h>

namespace {

constexpr int kBlockMs = 10;
// Blocks looked at for the onset and the end: the first and the last two minutes.
constexpr long long kKeptBlocks = 2 * 60 * 1000 / kBlockMs;
// Block levels, dBFS, in half-decibel steps.
constexpr double kLowestDb = -120.0;
constexpr int kBins = 240;
constexpr double kFloorMarginDb = 12.0;
constexpr double kSteadyContentDb = 25.0; // a steady sound is content down to this far below its level
constexpr double kAlwaysSilentDb = -65.0; // a block this quiet is never content
constexpr double kNoContrastDb = 10.0;
constexpr double kRoomNoiseDb = -45.0;
// Content is sustained: this many of the window's blocks stand out.
constexpr int kWindowBlocks = 5;
constexpr int kSustainedBlocks = 3;

int binOf(double db) {
    return std::clamp(int((db - kLowestDb) * 2), 0, kBins - 1);
}

double percentile(const std::array<long long, kBins>& histogram, long long total, double fraction) {
    const long long want = std::max<long long>(1, (long long)std::ceil(double(total) * fraction));
    long long seen = 0;
    for (int i = 0; i < kBins; ++i) {
        seen += histogram[std::size_t(i)];
        if (seen >= want)
            return kLowestDb + i / 2.0;
    }
    return 0;
}

} // namespace

struct CContentMeter::State {
    int rate = 0;
    int channels = 0;
    long long blockFrames = 1;
    long long frames = 0;
    // The block being filled.
    long long inBlock = 0;
    std::vector<double> blockSum, blockSquares;
    // Every channel, the whole sound.
    std::vector<double> sum;
    std::array<long long, kBins> histogram{};
    long long blocks = 0;
    std::vector<float> head;
    std::vector<float> tail; // a ring: block b is at b % kKeptBlocks

    void closeBlock() {
        if (inBlock == 0)
            return;
        double energy = 0;
        for (int c = 0; c < channels; ++c) {
            const double mean = blockSum[std::size_t(c)] / double(inBlock);
            energy += std::max(0.0, blockSquares[std::size_t(c)] / double(inBlock) - mean * mean);
            blockSum[std::size_t(c)] = blockSquares[std::size_t(c)] = 0;
        }
        energy /= channels;
        const double db = energy > 0 ? 10 * std::log10(energy / (32768.0 * 32768.0)) : kLowestDb;
        const auto level = float(std::max(db, kLowestDb));
        ++histogram[std::size_t(binOf(level))];
        if (blocks < kKeptBlocks)
            head.push_back(level);
        if (tail.size() < std::size_t(kKeptBlocks))
            tail.push_back(level);
        else
            tail[std::size_t(blocks % kKeptBlocks)] = level;
        ++blocks;
        inBlock = 0;
    }

    // The level of block b, which must be among those kept.
    float levelOf(long long b) const {
        if (b < static_cast<long long>(head.size()))
            return head[std::size_t(b)];
        return tail[std::size_t(b % kKeptBlocks)];
    }
    bool kept(long long b) const {
        return b >= 0 && b < blocks && (b < static_cast<long long>(head.size()) || b >= blocks - kKeptBlocks);
    }
};

CContentMeter::CContentMeter(int sampleRate, int channels) : m(std::make_unique<State>()) {
    m->rate = std::max(1, sampleRate);
    m->channels = std::max(1, channels);
    m->blockFrames = std::max<long long>(1, (long long)m->rate * kBlockMs / 1000);
    const auto n = std::size_t(m->channels);
    m->blockSum.assign(n, 0);
    m->blockSquares.assign(n, 0);
    m->sum.assign(n, 0);
}

CContentMeter::~CContentMeter() = default;

void CContentMeter::add(const std::int16_t* samples, long long frames) {
    if (frames <= 0)
        return;
    const int channels = m->channels;
    long long done = 0;
    while (done < frames) {
        const long long n = std::min(frames - done, m->blockFrames - m->inBlock);
        const std::int16_t* p = samples + done * channels;
        for (int c = 0; c < channels; ++c) {
            double s = 0, q = 0;
            for (long long i = 0; i < n; ++i) {
                const double v = p[i * channels + c];
                s += v;
                q += v * v;
            }
            m->blockSum[std::size_t(c)] += s;
            m->blockSquares[std::size_t(c)] += q;
            m->sum[std::size_t(c)] += s;
        }
        m->inBlock += n;
        done += n;
        if (m->inBlock == m->blockFrames)
            m->closeBlock();
    }
    m->frames += frames;
}

SoundLevel CContentMeter::finish() {
    m->closeBlock();
    SoundLevel level;
    level.rate = m->rate;
    level.frames = m->frames;
    level.end = m->frames;
    if (m->frames == 0)
        return level;
    for (int c = 0; c < m->channels; ++c)
        level.dc.push_back(m->sum[std::size_t(c)] / double(m->frames));

    const double floorDb = percentile(m->histogram, m->blocks, 0.10);
    const double contentDb = percentile(m->histogram, m->blocks, 0.95);
    // Half way up from the floor to the content when they lie close together (a quiet take in a noisy room).
    double threshold = floorDb + std::min(kFloorMarginDb, (contentDb - floorDb) / 2);
    if (contentDb - floorDb < kNoContrastDb) {
        if (contentDb < kRoomNoiseDb)
            return level;                         // room noise only
        threshold = contentDb - kSteadyContentDb; // one steady sound: all of it is content
    }
    threshold = std::max(threshold, kAlwaysSilentDb);
    auto loud = [&](long long b) { return m->kept(b) && m->levelOf(b) > threshold; };
    auto sustained = [&](long long from) {
        int n = 0;
        for (long long b = from; b < from + kWindowBlocks; ++b)
            n += loud(b) ? 1 : 0;
        return n >= kSustainedBlocks;
    };
    const auto headBlocks = static_cast<long long>(m->head.size());
    long long first = -1, firstSustained = -1;
    for (long long b = 0; b < headBlocks && firstSustained < 0; ++b) {
        if (!loud(b))
            continue;
        if (first < 0)
            first = b;
        if (sustained(b))
            firstSustained = b;
    }
    long long last = -1, lastSustained = -1;
    for (long long b = m->blocks - 1; b >= 0 && m->kept(b) && lastSustained < 0; --b) {
        if (!loud(b))
            continue;
        if (last < 0)
            last = b;
        if (sustained(b - kWindowBlocks + 1))
            lastSustained = b;
    }
    if (first < 0 && last < 0)
        return level; // nothing stands out where it was looked for
    level.silent = false;
    const long long onsetBlock = firstSustained >= 0 ? firstSustained : first;
    const long long endBlock = lastSustained >= 0 ? lastSustained : last;
    level.onset = onsetBlock >= 0 ? onsetBlock * m->blockFrames : 0;
    level.end = endBlock >= 0 ? std::min(m->frames, (endBlock + 1) * m->blockFrames) : m->frames;
    if (level.end <= level.onset) {
        level.onset = 0;
        level.end = m->frames;
    }
    return level;
}

ReadyChoice g_ReadyChoice;

SoundLevel measureContent(const std::int16_t* samples, long long frames, int sampleRate, int channels) {
    CContentMeter meter(sampleRate, channels);
    meter.add(samples, frames);
    return meter.finish();
}

CLoudnessMeter::CLoudnessMeter(int sampleRate, int channels, bool truePeak)
    : m_Channels(std::max(1, channels)), m_TruePeak(truePeak) {
    const int mode = EBUR128_MODE_I | (truePeak ? EBUR128_MODE_TRUE_PEAK : EBUR128_MODE_SAMPLE_PEAK);
    m_State = ebur128_init(unsigned(m_Channels), unsigned(std::max(1, sampleRate)), mode);
}

CLoudnessMeter::~CLoudnessMeter() {
    auto* state = static_cast<ebur128_state*>(m_State);
    if (state)
        ebur128_destroy(&state);
}

void CLoudnessMeter::add(const std::int16_t* samples, long long frames) {
    if (m_State && frames > 0)
        ebur128_add_frames_short(static_cast<ebur128_state*>(m_State), samples, std::size_t(frames));
}

SoundLoudness CLoudnessMeter::finish() {
    SoundLoudness out;
    auto* state = static_cast<ebur128_state*>(m_State);
    double lufs = 0;
    if (!state || ebur128_loudness_global(state, &lufs) != EBUR128_SUCCESS)
        return out;
    out.measured = true;
    out.lufs = std::isfinite(lufs) ? lufs : -1e9;
    for (int c = 0; c < m_Channels; ++c) {
        double peak = 0;
        const int r = m_TruePeak ? ebur128_true_peak(state, unsigned(c), &peak)
                                 : ebur128_sample_peak(state, unsigned(c), &peak);
        if (r == EBUR128_SUCCESS)
            out.peak = std::max(out.peak, peak);
    }
    return out;
}

SoundLoudness measureLoudness(const std::int16_t* samples, long long frames, int sampleRate, int channels,
                              bool truePeak) {
    CLoudnessMeter meter(sampleRate, channels, truePeak);
    meter.add(samples, frames);
    return meter.finish();
}

ReadyCut readyPart(const SoundLevel& level, int sampleRate, ReadyChoice choice) {
    ReadyCut cut;
    cut.to = level.frames;
    if (level.silent || level.frames == 0)
        return cut;
    if (choice.trim) {
        cut.from = std::max(0LL, level.onset - (long long)sampleRate * kLeadPadMs / 1000);
        cut.to = std::min(level.frames, level.end + (long long)sampleRate * kTailPadMs / 1000);
    }
    if (choice.level) {
        cut.removeDc = true;
        cut.dc = level.dc;
    }
    return cut;
}

double readyGain(const SoundLoudness& loudness) {
    if (!loudness.measured || loudness.lufs <= -70)
        return 1.0;
    double db = std::min(kTargetLufs - loudness.lufs, kMaxBoostDb);
    if (loudness.peak > 0)
        db = std::min(db, kPeakCeilingDb - 20 * std::log10(loudness.peak));
    return std::pow(10.0, db / 20);
}

void applyCut(const ReadyCut& cut, const std::int16_t* in, std::int16_t* out, long long frames,
              int channels) {
    const long long samples = frames * channels;
    if (!cut.removeDc && cut.gain == 1.0) {
        if (in != out)
            std::memmove(out, in, std::size_t(samples) * sizeof(std::int16_t));
        return;
    }
    // A channel at a time with the offset folded into the gain: this runs before a first play's first frame.
    for (int c = 0; c < channels; ++c) {
        const double dc = cut.removeDc && std::size_t(c) < cut.dc.size() ? cut.dc[std::size_t(c)] : 0.0;
        const double shift = -dc * cut.gain;
        for (long long i = c; i < samples; i += channels) {
            const double v = std::clamp(in[i] * cut.gain + shift, -32768.0, 32767.0);
            out[i] = std::int16_t(v < 0 ? v - 0.5 : v + 0.5); // rounds half away from zero
        }
    }
}

ReadyCut planReady(const std::int16_t* samples, long long frames, int sampleRate, int channels,
                   ReadyChoice choice) {
    channels = std::max(1, channels);
    ReadyCut cut;
    cut.to = frames;
    if (!choice.trim && !choice.level)
        return cut;
    cut = readyPart(measureContent(samples, frames, sampleRate, channels), sampleRate, choice);
    if (!cut.removeDc)
        return cut;
    // The loudness filter's high-pass takes the DC out anyway, and the sample peak without it follows from
    // the part's extremes, so the part is measured as it is.
    const std::int16_t* part = samples + cut.from * channels;
    const long long kept = cut.to - cut.from;
    SoundLoudness loudness = measureLoudness(part, kept, sampleRate, channels, false);
    loudness.peak = 0;
    for (int c = 0; c < channels; ++c) {
        std::int16_t lo = 0, hi = 0;
        for (long long i = c; i < kept * channels; i += channels) {
            lo = std::min(lo, part[i]);
            hi = std::max(hi, part[i]);
        }
        const double dc = std::size_t(c) < cut.dc.size() ? cut.dc[std::size_t(c)] : 0.0;
        loudness.peak = std::max({loudness.peak, (hi - dc) / 32768.0, (dc - lo) / 32768.0});
    }
    cut.gain = readyGain(loudness);
    return cut;
}

void applyReady(const ReadyCut& cut, std::vector<std::int16_t>& samples, int channels) {
    channels = std::max(1, channels);
    const long long kept = cut.to - cut.from;
    applyCut(cut, samples.data() + cut.from * channels, samples.data(), kept, channels);
    samples.resize(std::size_t(kept * channels));
}

ReadyCut makeReady(std::vector<std::int16_t>& samples, int sampleRate, int channels, ReadyChoice choice,
                   bool truePeak) {
    channels = std::max(1, channels);
    const auto frames = static_cast<long long>(samples.size()) / channels;
    if (!truePeak) {
        const ReadyCut cut = planReady(samples.data(), frames, sampleRate, channels, choice);
        applyReady(cut, samples, channels);
        return cut;
    }
    ReadyCut cut;
    cut.to = frames;
    if (!choice.trim && !choice.level)
        return cut;
    // The true peak of the part must be measured without its DC: it is taken out first.
    cut = readyPart(measureContent(samples.data(), frames, sampleRate, channels), sampleRate, choice);
    applyReady(cut, samples, channels);
    if (cut.removeDc) {
        cut.gain = readyGain(measureLoudness(samples.data(), cut.to - cut.from, sampleRate, channels, true));
        ReadyCut gainOnly;
        gainOnly.gain = cut.gain;
        applyCut(gainOnly, samples.data(), samples.data(), cut.to - cut.from, channels);
    }
    return cut;
}
