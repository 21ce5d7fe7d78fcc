#pragma once
// Speech from text: libespeak-ng's Mandarin voice "cmn" speaks a text into 16-bit mono PCM in memory. The
// synthesiser is one per process and not reentrant; every call takes its turn.
#include <QString>
#include <vector>

// Speaking rates, in words per minute, that the synthesiser accepts.
constexpr int kSpeechRateMin = 80;
constexpr int kSpeechRateMax = 450;
constexpr int kSpeechRateNormal = 175;

struct SpeechSound {
    std::vector<short> samples; // mono
    int sampleRate = 0;
};

// Speaks text at rate (clamped to the accepted range). False, with the reason in *why, when the
// synthesiser or its voice cannot be loaded or nothing audible came out.
bool synthesiseSpeech(const QString& text, int rate, SpeechSound& out, QString* why = nullptr);
