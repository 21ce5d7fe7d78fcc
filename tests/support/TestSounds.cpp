#include "support/TestSounds.h"

#include "platform/soundfile/SoundLevel.h"
#include "platform/soundfile/Speech.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

std::vector<short> scaled(const std::vector<double>& x, double dbfs) {
    double sum = 0;
    for (double v : x)
        sum += v * v;
    const double rms = x.empty() ? 0 : std::sqrt(sum / double(x.size()));
    const double k = rms > 0 ? std::pow(10.0, dbfs / 20) * 32768.0 / rms : 0;
    std::vector<short> out(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        out[i] = short(std::clamp(std::lround(x[i] * k), -32768L, 32767L));
    return out;
}

} // namespace

std::vector<short> pinkNoise(double seconds, double dbfs, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> white;
    std::vector<double> x(std::size_t(seconds * kTestRate));
    double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
    for (double& v : x) {
        const double w = white(random);
        b0 = 0.99886 * b0 + w * 0.0555179;
        b1 = 0.99332 * b1 + w * 0.0750759;
        b2 = 0.96900 * b2 + w * 0.1538520;
        b3 = 0.86650 * b3 + w * 0.3104856;
        b4 = 0.55000 * b4 + w * 0.5329522;
        b5 = -0.7616 * b5 - w * 0.0168980;
        v = b0 + b1 + b2 + b3 + b4 + b5 + b6 + w * 0.5362;
        b6 = w * 0.115926;
    }
    return scaled(x, dbfs);
}

std::vector<short> vowel(double seconds, double dbfs) {
    std::vector<double> x(std::size_t(seconds * kTestRate));
    for (std::size_t i = 0; i < x.size(); ++i)
        for (int h = 1; h <= 8; ++h)
            x[i] += std::sin(2 * M_PI * 150 * h * double(i) / kTestRate) / h;
    return scaled(x, dbfs);
}

std::vector<short> hiss(double seconds, double dbfs, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> white;
    std::vector<double> x(std::size_t(seconds * kTestRate));
    for (double& v : x)
        v = white(random);
    return scaled(x, dbfs);
}

std::vector<short> speech(const char* utf8) {
    SpeechSound s;
    if (!synthesiseSpeech(QString::fromUtf8(utf8), kSpeechRateNormal, s) || kTestRate % s.sampleRate != 0)
        return {};
    auto first = std::find_if(s.samples.begin(), s.samples.end(), [](short v) { return std::abs(v) > 100; });
    // The voice speaks at 22.05 kHz: each sample held for as long as ours last is plenty for a level.
    std::vector<short> out;
    for (auto it = first; it != s.samples.end(); ++it)
        out.insert(out.end(), std::size_t(kTestRate / s.sampleRate), *it);
    return out;
}

void append(std::vector<short>& a, const std::vector<short>& b) {
    a.insert(a.end(), b.begin(), b.end());
}

void mixIn(std::vector<short>& a, const std::vector<short>& b, std::size_t at) {
    if (a.size() < at + b.size())
        a.resize(at + b.size());
    for (std::size_t i = 0; i < b.size(); ++i)
        a[at + i] = short(std::clamp(int(a[at + i]) + b[i], -32768, 32767));
}

double lufs(const std::vector<short>& s, int rate) {
    return measureLoudness(s.data(), (long long)s.size(), rate, 1, false).lufs;
}

double firstAbove(const std::vector<short>& s, double dbfs, int rate) {
    const double limit = std::pow(10.0, dbfs / 20) * 32768.0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (std::abs(double(s[i])) > limit)
            return double(i) / rate;
    return -1;
}
