#pragma once
// One filed sound, as the rest of the program sees it. A million of these stay in memory, so each text field
// is a compact owned string with room for 14 bytes in place; longer texts take one heap block of their own.
// Every field keeps its byte limit: a longer text is cut at a GBK character boundary, never mid-character.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// The byte limits of the record's texts (the widths of the old fixed layout, less the terminator).
constexpr std::size_t kCodeLimit = 31;
constexpr std::size_t kContentLimit = 63;
constexpr std::size_t kSoundTypeLimit = 15;
constexpr std::size_t kSoundFileLimit = 1023;

// Cuts text to at most maxBytes without splitting a two-byte GBK character.
std::string_view CutGbk(std::string_view text, std::size_t maxBytes);

// A GBK text of at most Max bytes, always zero-terminated.
template <std::size_t Max> class CRecordText {
public:
    static constexpr std::size_t kMax = Max;

    CRecordText() { clearInline(); }
    CRecordText(std::string_view text) {
        clearInline();
        assign(text);
    }
    CRecordText(const CRecordText& other) {
        clearInline();
        assign(other.view());
    }
    CRecordText(CRecordText&& other) noexcept {
        std::memcpy(m_Bytes, other.m_Bytes, sizeof m_Bytes);
        other.clearInline();
    }
    CRecordText& operator=(const CRecordText& other) {
        if (this != &other)
            assign(other.view());
        return *this;
    }
    CRecordText& operator=(CRecordText&& other) noexcept {
        if (this != &other) {
            release();
            std::memcpy(m_Bytes, other.m_Bytes, sizeof m_Bytes);
            other.clearInline();
        }
        return *this;
    }
    CRecordText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    ~CRecordText() { release(); }

    // Takes the text, cut to Max bytes at a character boundary; returns false when it had to be cut.
    bool assign(std::string_view text) {
        std::string_view kept = CutGbk(text, Max);
        release();
        if (kept.size() <= kInline) {
            if (!kept.empty())
                std::memcpy(m_Bytes, kept.data(), kept.size());
            m_Bytes[kept.size()] = '\0';
            m_Bytes[kTag] = static_cast<char>(kept.size());
        } else {
            char* heap = new char[kept.size() + 1];
            std::memcpy(heap, kept.data(), kept.size());
            heap[kept.size()] = '\0';
            auto size = static_cast<std::uint32_t>(kept.size());
            std::memcpy(m_Bytes, &heap, sizeof heap);
            std::memcpy(m_Bytes + sizeof(char*), &size, sizeof size);
            m_Bytes[kTag] = kHeapTag;
        }
        return kept.size() == text.size();
    }

    const char* c_str() const { return isHeap() ? heapPointer() : m_Bytes; }
    std::size_t size() const {
        if (!isHeap())
            return static_cast<unsigned char>(m_Bytes[kTag]);
        std::uint32_t size;
        std::memcpy(&size, m_Bytes + sizeof(char*), sizeof size);
        return size;
    }
    bool empty() const { return size() == 0; }
    std::string_view view() const { return std::string_view(c_str(), size()); }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }
    bool operator==(std::string_view text) const { return view() == text; }

private:
    static constexpr std::size_t kInline = 14;
    static constexpr std::size_t kTag = 15;
    static constexpr char kHeapTag = static_cast<char>(0xFF);

    bool isHeap() const { return m_Bytes[kTag] == kHeapTag; }
    char* heapPointer() const {
        char* p;
        std::memcpy(&p, m_Bytes, sizeof p);
        return p;
    }
    void clearInline() {
        m_Bytes[0] = '\0';
        m_Bytes[kTag] = 0;
    }
    void release() {
        if (isHeap())
            delete[] heapPointer();
        clearInline();
    }

    alignas(8) char m_Bytes[16];
};

struct SOUND_RECORD {
    // Key in the library: the running index the record got when it entered; -1 while it is being built.
    std::int32_t Index = -1;
    CRecordText<kCodeLimit> Code;           // the code number as text, six digits when the program wrote it
    CRecordText<kContentLimit> Content;     // the user's annotation
    CRecordText<kSoundTypeLimit> SoundType; // "S_WAV" or "S_MP3"
    CRecordText<kSoundFileLimit> SoundFile; // full path of the sound file (GBK)
};

// The number a code text stands for, read as atoi reads it (leading white space, a sign, digits), but
// saturating at the int range instead of overflowing. Text that is no number gives 0.
int CodeNumber(std::string_view code);
