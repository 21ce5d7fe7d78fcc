#include "platform/soundfile/ReadySound.h"

#include "platform/core/AtomicFile.h"
#include "platform/soundfile/SoundFile.h"
#include "platform/soundfile/WaveFile.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

namespace {

constexpr long long kChunkFrames = 16384;

// Reads a sound from its start, a chunk at a time; 0 at its end, -1 on a failure.
using Reader = std::function<long long(std::int16_t* out, long long frames)>;
using Rewinder = std::function<bool()>;

// Calls use(chunk, frames) for each piece of frames [from, to) of the sound, read from its start again.
template <class Use>
bool eachPart(const Reader& read, const Rewinder& rewind, int channels, long long from, long long to,
              std::vector<std::int16_t>& chunk, Use use) {
    if (!rewind())
        return false;
    long long at = 0, n = 0;
    while (at < to && (n = read(chunk.data(), kChunkFrames)) > 0) {
        const long long begin = std::max(from - at, 0LL);
        const long long end = std::min(to - at, n);
        if (end > begin && !use(chunk.data() + begin * channels, end - begin))
            return false;
        at += n;
    }
    return at >= to; // less than before: the source changed or failed in between
}

bool writeReady(const Reader& read, const Rewinder& rewind, int rate, int channels, const std::string& target,
                ReadyChoice choice, ReadySoundReport& report) {
    std::vector<std::int16_t> chunk(std::size_t(kChunkFrames * channels));
    CContentMeter meter(rate, channels);
    long long n;
    while ((n = read(chunk.data(), kChunkFrames)) > 0) {
        meter.add(chunk.data(), n);
        report.framesRead += n;
    }
    if (n < 0) {
        report.sourceFailed = true;
        return false;
    }
    report.level = meter.finish();
    ReadyCut cut;
    cut.to = report.level.frames;
    if (choice.trim || choice.level)
        cut = readyPart(report.level, rate, choice);
    if (cut.removeDc) {
        CLoudnessMeter loudness(rate, channels, true);
        const bool whole =
            eachPart(read, rewind, channels, cut.from, cut.to, chunk, [&](std::int16_t* p, long long k) {
                applyCut(cut, p, p, k, channels);
                loudness.add(p, k);
                return true;
            });
        if (!whole) {
            report.sourceFailed = true;
            return false;
        }
        report.loudness = loudness.finish();
        cut.gain = readyGain(report.loudness);
    }
    report.cut = cut;
    WaveFormat format;
    format.sampleRate = rate;
    format.channels = channels;
    const auto bytes = static_cast<unsigned long long>(cut.to - cut.from) * unsigned(format.bytesPerFrame());
    if (bytes > kWaveMaxDataBytes) {
        report.tooLong = true;
        return false;
    }
    CAtomicFile out;
    if (!out.open(target) || !out.write(waveHeader(format, std::uint32_t(bytes))))
        return false;
    bool written = true;
    const bool whole =
        eachPart(read, rewind, channels, cut.from, cut.to, chunk, [&](std::int16_t* p, long long k) {
            applyCut(cut, p, p, k, channels);
            const std::size_t size = std::size_t(k) * std::size_t(format.bytesPerFrame());
            written = out.write(std::string_view(reinterpret_cast<const char*>(p), size));
            return written;
        });
    if (!whole && written)
        report.sourceFailed = true;
    return whole && out.commit();
}

} // namespace

bool writeReadySound(const std::string& sourceNativePath, const std::string& targetNativePath,
                     ReadyChoice choice, ReadySoundReport* report) {
    ReadySoundReport local;
    ReadySoundReport& r = report ? *report : local;
    r = ReadySoundReport();
    CSoundFile source;
    if (source.open(sourceNativePath) != SoundFileStatus::Ok)
        return false;
    auto read = [&source](std::int16_t* out, long long frames) {
        const long long n = source.read(out, frames);
        return n == 0 && !source.error().empty() ? -1 : n;
    };
    const int rate = source.sampleRate(), channels = source.channels();
    auto rewind = [&] {
        return source.open(sourceNativePath) == SoundFileStatus::Ok && source.sampleRate() == rate &&
               source.channels() == channels;
    };
    return writeReady(read, rewind, rate, channels, targetNativePath, choice, r);
}

bool writeReadySound(const std::int16_t* pcm, long long frames, int sampleRate, int channels,
                     const std::string& targetNativePath, ReadyChoice choice, ReadySoundReport* report) {
    ReadySoundReport local;
    ReadySoundReport& r = report ? *report : local;
    r = ReadySoundReport();
    if (sampleRate <= 0 || channels <= 0 || frames < 0)
        return false;
    long long at = 0;
    auto read = [&](std::int16_t* out, long long want) {
        const long long n = std::min(want, frames - at);
        std::copy(pcm + at * channels, pcm + (at + n) * channels, out);
        at += n;
        return n;
    };
    auto rewind = [&at] {
        at = 0;
        return true;
    };
    return writeReady(read, rewind, sampleRate, channels, targetNativePath, choice, r);
}

bool measureSoundFile(const std::string& nativePath, SoundLevel& level, SoundLoudness& loudness,
                      std::string* error) {
    CSoundFile source;
    if (source.open(nativePath, true) != SoundFileStatus::Ok) {
        if (error)
            *error = source.error();
        return false;
    }
    const int channels = source.channels();
    CContentMeter content(source.sampleRate(), channels);
    CLoudnessMeter meter(source.sampleRate(), channels, false);
    std::vector<std::int16_t> chunk(std::size_t(kChunkFrames * channels));
    long long n;
    while ((n = source.read(chunk.data(), kChunkFrames)) > 0) {
        content.add(chunk.data(), n);
        meter.add(chunk.data(), n);
    }
    if (!source.error().empty()) {
        if (error)
            *error = source.error();
        return false;
    }
    level = content.finish();
    loudness = meter.finish();
    return true;
}
