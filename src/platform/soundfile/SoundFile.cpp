#include "platform/soundfile/SoundFile.h"

#include "platform/core/Files.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

// The file's first bytes, read with one call when it is opened: a header is parsed from memory, and a short
// sound is decoded without asking the system again. The rest is read where it lies.
struct SoundFileBytes {
    int fd = -1;
    sf_count_t size = 0;
    sf_count_t pos = 0;
    std::vector<char> head;
};

namespace {

// Decoded at a time by the whole-file and probe calls.
constexpr long long kChunkFrames = 16384;
constexpr long long kProbeFrames = 1024;

std::string errnoText(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

constexpr std::size_t kHeadBytes = 16384;

// Beyond what any recording uses (the fastest studio rate; the most channels a sound server mixes): a header
// claiming more lies, and buffers sized from it would not fit in memory.
constexpr int kMinSampleRate = 1000;
constexpr int kMaxSampleRate = 768000;
constexpr int kMaxChannels = 32;

sf_count_t bytesLength(void* user) {
    return static_cast<SoundFileBytes*>(user)->size;
}

sf_count_t bytesSeek(sf_count_t offset, int whence, void* user) {
    auto* f = static_cast<SoundFileBytes*>(user);
    const sf_count_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->size : 0;
    if (offset > 0 && base > SF_COUNT_MAX - offset)
        return -1;
    const sf_count_t to = base + offset;
    if (to < 0)
        return -1;
    f->pos = to;
    return to;
}

sf_count_t bytesRead(void* out, sf_count_t count, void* user) {
    auto* f = static_cast<SoundFileBytes*>(user);
    char* to = static_cast<char*>(out);
    // Never past the length the decoder was given, so a sound held whole in memory needs no further call.
    count = std::min(count, std::max<sf_count_t>(f->size - f->pos, 0));
    sf_count_t done = 0;
    const auto inHead = static_cast<sf_count_t>(f->head.size());
    if (count > 0 && f->pos < inHead) {
        const sf_count_t n = std::min(count, inHead - f->pos);
        std::memcpy(to, f->head.data() + f->pos, static_cast<std::size_t>(n));
        done = n;
    }
    while (done < count) {
        const ssize_t n = ::pread(f->fd, to + done, static_cast<std::size_t>(count - done), f->pos + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    f->pos += done;
    return done;
}

sf_count_t bytesWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t bytesTell(void* user) {
    return static_cast<SoundFileBytes*>(user)->pos;
}

SF_VIRTUAL_IO kBytesIo = {bytesLength, bytesSeek, bytesRead, bytesWrite, bytesTell};

// Reads the file's first bytes into its head; false when the file cannot be read at all.
bool readHead(SoundFileBytes& f) {
    f.head.resize(static_cast<std::size_t>(std::min<sf_count_t>(f.size, kHeadBytes)));
    std::size_t done = 0;
    while (done < f.head.size()) {
        const ssize_t n = ::pread(f.fd, f.head.data() + done, f.head.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break; // shorter than it was a moment ago: what is there is the file
        done += static_cast<std::size_t>(n);
    }
    f.head.resize(done);
    return true;
}

// A file that opened but gave no frame has no error of its own to tell.
std::string reasonOf(const CSoundFile& file) {
    return file.error().empty() ? std::string("no frame decodes") : file.error();
}

} // namespace

CSoundFile::CSoundFile() = default;

CSoundFile::~CSoundFile() {
    close();
}

void CSoundFile::close() {
    if (m_File)
        sf_close(m_File);
    m_File = nullptr;
    if (m_Bytes && m_Bytes->fd >= 0)
        ::close(m_Bytes->fd);
    m_Bytes.reset();
    m_Rate = m_Channels = 0;
    m_Frames = 0;
    m_Mp3 = false;
    m_Float = false;
}

SoundFileStatus CSoundFile::open(const std::string& nativePath, bool leaveAccessTime) {
    close();
    m_Error.clear();
    if (namesNoFile(nativePath)) {
        m_Error = errnoText("cannot open", ENOENT);
        return SoundFileStatus::Missing;
    }
    // Non-blocking, so a named pipe cannot stall the caller before it is refused below.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
#ifdef O_NOATIME
    int fd = ::open(nativePath.c_str(), flags | (leaveAccessTime ? O_NOATIME : 0));
#else
    int fd = ::open(nativePath.c_str(), flags);
#endif
    if (fd < 0 && errno == EPERM && leaveAccessTime)
        fd = ::open(nativePath.c_str(), flags); // only the owner may leave the access time alone
    if (fd < 0) {
        int error = errno;
        m_Error = errnoText("cannot open", error);
        return error == ENOENT || error == ENOTDIR ? SoundFileStatus::Missing : SoundFileStatus::Undecodable;
    }
    m_Bytes = std::make_unique<SoundFileBytes>();
    m_Bytes->fd = fd;
    auto fail = [&](std::string why) {
        m_Error = std::move(why);
        close();
        return SoundFileStatus::Undecodable;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file");
    if (st.st_size == 0)
        return fail("the file is empty");
    m_Bytes->size = st.st_size;
    if (!readHead(*m_Bytes))
        return fail(errnoText("cannot read", errno));
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&kBytesIo, SFM_READ, &info, m_Bytes.get());
    if (!file)
        return fail(sf_strerror(nullptr));
    m_File = file;
    if (info.channels < 1 || info.channels > kMaxChannels)
        return fail("no sound has " + std::to_string(info.channels) + " channels");
    if (info.samplerate < kMinSampleRate || info.samplerate > kMaxSampleRate)
        return fail("no sound has a rate of " + std::to_string(info.samplerate) + " Hz");
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
            // The first read is the size a probe reads: a decoder that fails on a longer first read (a
            // damaged MP3 frame further in) then keeps what it could read, and plays what a check passed.
            long long want = frames == 0 ? kProbeFrames : kChunkFrames;
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
    // A check only looks: it leaves the book's files as it found them.
    SoundFileStatus status = file.open(nativePath, true);
    if (status == SoundFileStatus::Ok) {
        std::vector<std::int16_t> buffer(static_cast<std::size_t>(kProbeFrames * file.channels()));
        if (file.read(buffer.data(), kProbeFrames) == 0 && (file.frames() > 0 || !file.error().empty()))
            status = SoundFileStatus::Undecodable;
    }
    if (error)
        *error = status == SoundFileStatus::Ok ? std::string() : reasonOf(file);
    return status;
}
