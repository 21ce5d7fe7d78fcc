#pragma once
// The library's records in memory, keyed by their running index, with what lookups need kept up to date.
//
// Order: every visit follows the order of the old 17-bucket hash map the index was first read into: key k
// lies in bucket (k / 16) % 17, buckets are visited in ascending order and, within a bucket, the newest key
// comes first. Keys are handed out in ascending order, so "newest" is simply "largest".
//
// Storage: records live in fixed blocks that never move, so a record's address stays valid until the record
// is removed or the map is cleared. A removed record's slot is not reused before the next clear: its key is
// never handed out again, and its memory stays a (dead) record rather than freed memory.
#include "library/SoundRecord.h"

#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

// True when key a comes before key b in enumeration order.
struct CEnumOrderLess {
    bool operator()(int a, int b) const {
        int ba = (a >> 4) % 17;
        int bb = (b >> 4) % 17;
        return ba < bb || (ba == bb && a > b);
    }
};

class CRecordMap {
public:
    // The largest code number the library may hold; a record at or above it blocks new codes.
    static constexpr int kMaxCode = 999999;

    CRecordMap();
    ~CRecordMap();
    CRecordMap(const CRecordMap&) = delete;
    CRecordMap& operator=(const CRecordMap&) = delete;

    // Takes the record under the next key (set as its Index) and returns where it now lives.
    SOUND_RECORD* Add(SOUND_RECORD&& record);
    // Removes a live record; its pointer must come from this map.
    void Remove(SOUND_RECORD* record);
    void Clear();

    int NextKey() const { return m_Next; }
    std::size_t Count() const { return m_Count; }
    // The live record with that key, or null.
    SOUND_RECORD* ByKey(int key) const;
    // True when p is a live record of this map (checked by address, so any pointer may be asked about).
    bool Owns(const SOUND_RECORD* p) const;

    // The first record in enumeration order whose code is the number, or null.
    SOUND_RECORD* First(int number) const;
    // Keys of the records with that number, in enumeration order.
    std::vector<int> KeysOf(int number) const;
    // The first record (enumeration order) whose number is kMaxCode or more, or null.
    SOUND_RECORD* FirstOverLimit() const;
    // The largest number below kMaxCode held by any record, or -1.
    int MaxNumber() const { return m_MaxNumber; }

    template <class Fn> void ForEach(Fn&& fn) const {
        if (m_Next == 0)
            return;
        const int maxGroup = (m_Next - 1) >> 4;
        for (int bucket = 0; bucket < 17 && bucket <= maxGroup; ++bucket) {
            for (int group = bucket + 17 * ((maxGroup - bucket) / 17); group >= bucket; group -= 17) {
                for (int key = group * 16 + 15; key >= group * 16; --key) {
                    if (key >= m_Next)
                        continue;
                    SOUND_RECORD* r = slot(key);
                    if (r->Index >= 0)
                        fn(static_cast<const SOUND_RECORD*>(r));
                }
            }
        }
    }

private:
    static constexpr int kBlockBits = 12;
    static constexpr int kBlockSize = 1 << kBlockBits;
    // Marks a number in m_Single whose records are listed in m_Multi.
    static constexpr int kSeeMulti = -2;

    SOUND_RECORD* slot(int key) const {
        return &m_Blocks[static_cast<std::size_t>(key >> kBlockBits)][key & (kBlockSize - 1)];
    }
    void indexNumber(int key, int number);
    void unindexNumber(int key, int number);
    bool hasNumber(int number) const;

    std::vector<std::unique_ptr<SOUND_RECORD[]>> m_Blocks;
    int m_Next = 0;
    std::size_t m_Count = 0;
    // Code number -> its one key (-1 none, kSeeMulti several) for 0..kMaxCode; others and duplicates below.
    std::vector<int> m_Single;
    std::unordered_map<int, std::set<int, CEnumOrderLess>> m_Multi;
    std::set<int, CEnumOrderLess> m_OverLimit;
    int m_MaxNumber = -1;
};
