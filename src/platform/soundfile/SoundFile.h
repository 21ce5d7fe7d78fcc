#pragma once
// Sound files, decoded: any file libsndfile reads (WAV in every encoding, MP3, FLAC, Ogg, Opus) becomes
// interleaved 16-bit PCM at the file's own rate and channel count. The type a book files a sound under does
// not matter here: what the bytes are decides.
//
// A CSoundFile decodes a chunk at a time, so a long sound never has to sit in memory whole; decodeSoundFile
// takes all of a short one; probeSoundFile only asks whether a file decodes at all. A missing file is told
// apart from one that is there but gives no sound, and the second comes with a reason for the logs.
// Only regular files are opened, without blocking: a folder or a named pipe is refused, never waited on.
// A header claiming a rate or a channel count no sound has (above 768 kHz or 32 channels) is refused too.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag; // libsndfile's SNDFILE
struct SoundFileBytes; // the open file as the decoder reads it

enum class SoundFileStatus {
    Ok,
    Missing,     // nothing at that path, or a folder on the way is missing
    Undecodable, // there, but not a sound the decoder reads (or cannot be read at all)
};

class CSoundFile {
public:
    CSoundFile();
    ~CSoundFile();
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    // Opens the file and reads its header. Decoding starts at the first frame. A caller that only looks
    // may ask to leave the file's access time as it was (where the system lets it).
    SoundFileStatus open(const std::string& nativePath, bool leaveAccessTime = false);
    void close();
    // Why the last open or read failed, in English; empty when it did not.
    const std::string& error() const { return m_Error; }

    int sampleRate() const { return m_Rate; }
    int channels() const { return m_Channels; }
    // The frames the file says it holds: exact for WAV, an estimate for some MP3s. 0 when none or unknown.
    long long frames() const { return m_Frames; }
    // True when the content is MPEG audio (whatever the file is called or filed as).
    bool isMp3() const { return m_Mp3; }
    // The file's title tag as stored (ID3 or a wave LIST chunk); empty when it has none.
    std::string title() const;

    // Decodes up to maxFrames frames into out, which holds maxFrames * channels() samples. Returns the
    // frames decoded: 0 at the end of the sound, or on a decoding error (then error() says why).
    long long read(std::int16_t* out, long long maxFrames);

private:
    long long readFloat(std::int16_t* out, long long maxFrames);

    sf_private_tag* m_File = nullptr;
    std::unique_ptr<SoundFileBytes> m_Bytes;
    std::string m_Error;
    int m_Rate = 0;
    int m_Channels = 0;
    long long m_Frames = 0;
    bool m_Mp3 = false;
    bool m_Float = false;
    std::vector<float> m_FloatBuffer;
};

// All of a file's sound.
struct DecodedSound {
    int sampleRate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples; // interleaved
    std::string title;
};
// Decodes the whole file, or its first maxFrames frames. Undecodable also when the file holds frames but
// none decode.
SoundFileStatus decodeSoundFile(const std::string& nativePath, DecodedSound& out,
                                std::string* error = nullptr, long long maxFrames = -1);
// Whether the file decodes: opens it and decodes its first few frames, no more, so it is cheap for any
// length. A file that holds no frames at all (an empty recording) counts as decodable.
SoundFileStatus probeSoundFile(const std::string& nativePath, std::string* error = nullptr);
