#pragma once
// A sound made ready to file: decoded, cut to short pads around its content and brought to the target
// loudness as the user's choice says, and written as the 16-bit wave file every copy of the program plays
// (the source's rate and channels kept). Recordings, imports, speech and replaced sounds all go through
// here. The sound is read twice, a chunk at a time (once to measure it, once to write it), so a long take
// never has to sit in memory whole; the target is replaced atomically or not at all.
#include "platform/soundfile/SoundLevel.h"

#include <cstdint>
#include <string>

struct ReadySoundReport {
    long long framesRead = 0;  // decoded from the source
    bool sourceFailed = false; // the source stopped decoding part of the way (or changed between the reads)
    bool tooLong = false;      // more sound than a wave file can hold
    SoundLevel level;
    SoundLoudness loudness; // of the kept part, when levelled
    ReadyCut cut;
};

// From any file the decoder reads. False when it does not open or decode, or the target cannot be written.
bool writeReadySound(const std::string& sourceNativePath, const std::string& targetNativePath,
                     ReadyChoice choice, ReadySoundReport* report = nullptr);
// From interleaved 16-bit PCM in memory.
bool writeReadySound(const std::int16_t* pcm, long long frames, int sampleRate, int channels,
                     const std::string& targetNativePath, ReadyChoice choice,
                     ReadySoundReport* report = nullptr);

// Measures a sound file in one pass, a chunk at a time: where its content lies and how loud all of it is
// (sample peak). For telling how far a sound is from ready; making it ready measures the kept part again.
bool measureSoundFile(const std::string& nativePath, SoundLevel& level, SoundLoudness& loudness,
                      std::string* error = nullptr);
