#include "library/RecordMap.h"

#include <algorithm>
#include <functional>

CRecordMap::CRecordMap() = default;
CRecordMap::~CRecordMap() = default;

SOUND_RECORD* CRecordMap::Add(SOUND_RECORD&& record) {
    const int key = m_Next;
    if ((key >> kBlockBits) >= static_cast<int>(m_Blocks.size()))
        m_Blocks.push_back(std::make_unique<SOUND_RECORD[]>(kBlockSize));
    SOUND_RECORD* r = slot(key);
    *r = std::move(record);
    r->Index = key;
    ++m_Next;
    ++m_Count;
    indexNumber(key, CodeNumber(r->Code));
    return r;
}

void CRecordMap::Remove(SOUND_RECORD* r) {
    const int key = r->Index;
    unindexNumber(key, CodeNumber(r->Code));
    // The slot stays a record, emptied and marked dead, until the next clear.
    *r = SOUND_RECORD();
    --m_Count;
}

void CRecordMap::Clear() {
    m_Blocks.clear();
    m_Next = 0;
    m_Count = 0;
    m_Single.clear();
    m_Single.shrink_to_fit();
    m_Multi.clear();
    m_OverLimit.clear();
    m_MaxNumber = -1;
}

SOUND_RECORD* CRecordMap::ByKey(int key) const {
    if (key < 0 || key >= m_Next)
        return nullptr;
    SOUND_RECORD* r = slot(key);
    return r->Index >= 0 ? r : nullptr;
}

bool CRecordMap::Owns(const SOUND_RECORD* p) const {
    if (!p)
        return false;
    std::less<const SOUND_RECORD*> less;
    for (std::size_t b = 0; b < m_Blocks.size(); ++b) {
        const SOUND_RECORD* first = m_Blocks[b].get();
        if (!less(p, first) && less(p, first + kBlockSize)) {
            const int key = static_cast<int>(b) * kBlockSize + static_cast<int>(p - first);
            return key < m_Next && p->Index == key;
        }
    }
    return false;
}

SOUND_RECORD* CRecordMap::First(int number) const {
    if (number >= 0 && number <= kMaxCode) {
        if (static_cast<std::size_t>(number) >= m_Single.size())
            return nullptr;
        const int key = m_Single[static_cast<std::size_t>(number)];
        if (key >= 0)
            return slot(key);
        if (key == -1)
            return nullptr;
    }
    auto it = m_Multi.find(number);
    return it == m_Multi.end() ? nullptr : slot(*it->second.begin());
}

std::vector<int> CRecordMap::KeysOf(int number) const {
    if (number >= 0 && static_cast<std::size_t>(number) < m_Single.size()) {
        const int key = m_Single[static_cast<std::size_t>(number)];
        if (key >= 0)
            return {key};
    }
    auto it = m_Multi.find(number);
    if (it == m_Multi.end())
        return {};
    return std::vector<int>(it->second.begin(), it->second.end());
}

SOUND_RECORD* CRecordMap::FirstOverLimit() const {
    return m_OverLimit.empty() ? nullptr : slot(*m_OverLimit.begin());
}

bool CRecordMap::hasNumber(int number) const {
    return static_cast<std::size_t>(number) < m_Single.size() &&
           m_Single[static_cast<std::size_t>(number)] != -1;
}

void CRecordMap::indexNumber(int key, int number) {
    if (number >= kMaxCode)
        m_OverLimit.insert(key);
    else if (number > m_MaxNumber)
        m_MaxNumber = number;
    if (number >= 0 && number <= kMaxCode) {
        // Grows with the numbers in use, so a small library keeps a small table.
        if (static_cast<std::size_t>(number) >= m_Single.size()) {
            std::size_t size =
                std::max<std::size_t>(static_cast<std::size_t>(number) + 1, m_Single.size() * 2);
            m_Single.resize(std::min<std::size_t>(size, kMaxCode + 1), -1);
        }
        int& single = m_Single[static_cast<std::size_t>(number)];
        if (single == -1) {
            single = key;
            return;
        }
        if (single >= 0) {
            m_Multi[number].insert(single);
            single = kSeeMulti;
        }
    }
    m_Multi[number].insert(key);
}

void CRecordMap::unindexNumber(int key, int number) {
    if (number >= kMaxCode)
        m_OverLimit.erase(key);
    bool inRange = number >= 0 && number <= kMaxCode;
    if (inRange && m_Single[static_cast<std::size_t>(number)] == key) {
        m_Single[static_cast<std::size_t>(number)] = -1;
    } else {
        auto it = m_Multi.find(number);
        if (it != m_Multi.end()) {
            it->second.erase(key);
            if (inRange && it->second.size() == 1) {
                m_Single[static_cast<std::size_t>(number)] = *it->second.begin();
                m_Multi.erase(it);
            } else if (it->second.empty()) {
                m_Multi.erase(it);
            }
        }
    }
    // The largest number went: look downwards for the next one still held.
    if (number == m_MaxNumber && !hasNumber(number)) {
        int n = number - 1;
        while (n >= 0 && !hasNumber(n))
            --n;
        m_MaxNumber = n;
    }
}
