#include "platform/SoundFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Decoded at a time by the whole-file and probe calls.
constexpr long long kChunkFrames = 16384;
constexpr long long kProbeFrames = 1024;

std::string errnoText(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

// A file that opened but gave no frame has no error of its own to tell.
std::string reasonOf(const CSoundFile& file) {
    return file.error().empty() ? std::string("no frame decodes") : file.error();
}

} // namespace

CSoundFile::~CSoundFile() {
    close();
}

void CSoundFile::close() {
    if (m_File)
        sf_close(m_File);
    m_File = nullptr;
    if (m_Fd >= 0)
        ::close(m_Fd);
    m_Fd = -1;
    m_Rate = m_Channels = 0;
    m_Frames = 0;
    m_Mp3 = false;
    m_Float = false;
}

SoundFileStatus CSoundFile::open(const std::string& nativePath) {
    close();
    m_Error.clear();
    // Non-blocking, so a named pipe cannot stall the caller before it is refused below.
    int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        int error = errno;
        m_Error = errnoText("cannot open", error);
        return error == ENOENT || error == ENOTDIR ? SoundFileStatus::Missing : SoundFileStatus::Undecodable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_Error = S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file";
        ::close(fd);
        return SoundFileStatus::Undecodable;
    }
    if (st.st_size == 0) {
        m_Error = "the file is empty";
        ::close(fd);
        return SoundFileStatus::Undecodable;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (!file) {
        m_Error = sf_strerror(nullptr);
        ::close(fd);
        return SoundFileStatus::Undecodable;
    }
    if (info.channels < 1 || info.samplerate < 1) {
        m_Error = "no channels or no sample rate";
        sf_close(file);
        ::close(fd);
        return SoundFileStatus::Undecodable;
    }
    m_File = file;
    m_Fd = fd;
    m_Rate = info.samplerate;
    m_Channels = info.channels;
    m_Frames = info.frames > 0 && info.frames < SF_COUNT_MAX ? info.frames : 0;
    m_Mp3 = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
    const int sub = info.format & SF_FORMAT_SUBMASK;
    m_Float = sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE;
    return SoundFileStatus::Ok;
}

std::string CSoundFile::title() const {
    const char* t = m_File ? sf_get_string(m_File, SF_STR_TITLE) : nullptr;
    return t ? std::string(t) : std::string();
}

long long CSoundFile::read(std::int16_t* out, long long maxFrames) {
    if (!m_File || maxFrames <= 0)
        return 0;
    sf_count_t n = m_Float ? readFloat(out, maxFrames) : sf_readf_short(m_File, out, maxFrames);
    if (n <= 0) {
        if (sf_error(m_File) != SF_ERR_NO_ERROR)
            m_Error = sf_strerror(m_File);
        return 0;
    }
    return n;
}

long long CSoundFile::readFloat(std::int16_t* out, long long maxFrames) {
    // libsndfile hands float files to a short reader unscaled (silence); scale and clip them here.
    m_FloatBuffer.resize(static_cast<std::size_t>(std::min(maxFrames, kChunkFrames) * m_Channels));
    long long done = 0;
    while (done < maxFrames) {
        const long long want = std::min(maxFrames - done, kChunkFrames);
        sf_count_t n = sf_readf_float(m_File, m_FloatBuffer.data(), want);
        if (n <= 0)
            break;
        const auto samples = static_cast<std::size_t>(n * m_Channels);
        for (std::size_t i = 0; i < samples; ++i) {
            float v = m_FloatBuffer[i];
            v = std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f);
            out[static_cast<std::size_t>(done * m_Channels) + i] =
                static_cast<std::int16_t>(std::lrint(v * 32767.0f));
        }
        done += n;
        if (n < want)
            break;
    }
    return done;
}

SoundFileStatus decodeSoundFile(const std::string& nativePath, DecodedSound& out, std::string* error,
                                long long maxFrames) {
    out = DecodedSound();
    CSoundFile file;
    SoundFileStatus status = file.open(nativePath);
    if (status == SoundFileStatus::Ok) {
        out.sampleRate = file.sampleRate();
        out.channels = file.channels();
        out.title = file.title();
        const auto channels = static_cast<std::size_t>(file.channels());
        std::size_t frames = 0;
        for (;;) {
            long long want = kChunkFrames;
            if (maxFrames >= 0)
                want = std::min<long long>(want, maxFrames - static_cast<long long>(frames));
            if (want <= 0)
                break;
            // Grown as frames arrive, never from the header's count: a header may lie.
            out.samples.resize((frames + static_cast<std::size_t>(want)) * channels);
            long long n = file.read(out.samples.data() + frames * channels, want);
            frames += static_cast<std::size_t>(n);
            if (n < want)
                break;
        }
        out.samples.resize(frames * channels);
        if (frames == 0 && (file.frames() > 0 || !file.error().empty()))
            status = SoundFileStatus::Undecodable;
    }
    if (error)
        *error = status == SoundFileStatus::Ok ? std::string() : reasonOf(file);
    if (status != SoundFileStatus::Ok)
        out = DecodedSound();
    return status;
}

SoundFileStatus probeSoundFile(const std::string& nativePath, std::string* error) {
    CSoundFile file;
    SoundFileStatus status = file.open(nativePath);
    if (status == SoundFileStatus::Ok) {
        std::vector<std::int16_t> buffer(static_cast<std::size_t>(kProbeFrames * file.channels()));
        if (file.read(buffer.data(), kProbeFrames) == 0 && (file.frames() > 0 || !file.error().empty()))
            status = SoundFileStatus::Undecodable;
    }
    if (error)
        *error = status == SoundFileStatus::Ok ? std::string() : reasonOf(file);
    return status;
}
