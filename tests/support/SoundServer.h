#pragma once
// The headless sound server the sound tests need (null sink "nullsink", virtual microphone "mic"), and sound
// files made by espeak-ng and lame.
#include <QString>
#include <string>

// Empty when the sound server answers; otherwise why not (the tests that need it fail with this text).
std::string soundServerProblem();

// Encodes a wave file as MP3 with lame.
bool encodeMp3(const std::string& wavPath, const std::string& mp3Path);
// Speech as a wave file; its length in seconds, or -1.
double writeSpeech(const std::string& path, const QString& text);
