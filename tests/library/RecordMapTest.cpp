// The record map against a literal model of the 17-bucket hash map whose order the record list shows.
#include "library/RecordMap.h"

#include <gtest/gtest.h>
#include <list>
#include <map>
#include <random>

namespace {

// The old map: key k goes to the head of bucket (k >> 4) % 17; a visit walks the buckets in order.
class CModelMap {
public:
    void add(int key, int number) {
        m_Buckets[(key >> 4) % 17].push_front(key);
        m_Numbers[key] = number;
    }
    void remove(int key) {
        m_Buckets[(key >> 4) % 17].remove(key);
        m_Numbers.erase(key);
    }
    std::vector<int> order() const {
        std::vector<int> keys;
        for (const auto& b : m_Buckets)
            keys.insert(keys.end(), b.begin(), b.end());
        return keys;
    }
    int first(int number) const {
        for (int key : order())
            if (m_Numbers.at(key) == number)
                return key;
        return -1;
    }
    // What a linear allocation finds: the first over-limit key, else the largest number.
    std::pair<int, int> allocation() const {
        int largest = -1;
        for (int key : order()) {
            int n = m_Numbers.at(key);
            if (n >= 999999)
                return {key, largest};
            largest = std::max(largest, n);
        }
        return {-1, largest};
    }

private:
    std::list<int> m_Buckets[17];
    std::map<int, int> m_Numbers;
};

SOUND_RECORD recordWith(const std::string& code) {
    SOUND_RECORD r;
    r.Code = code;
    r.Content = "c";
    r.SoundType = "S_WAV";
    r.SoundFile = "/x/" + code + ".wav";
    return r;
}

std::vector<int> visitOrder(const CRecordMap& map) {
    std::vector<int> keys;
    map.ForEach([&](const SOUND_RECORD* r) { keys.push_back(r->Index); });
    return keys;
}

} // namespace

TEST(RecordMap, OrderAfterALoadWrapsAtKey272) {
    CRecordMap map;
    for (int i = 0; i < 300; ++i)
        map.Add(recordWith(std::to_string(i)));
    std::vector<int> keys = visitOrder(map);
    ASSERT_EQ(keys.size(), 300u);
    // Bucket 0 holds keys 272..287 (newest first), then 0..15.
    std::vector<int> head(keys.begin(), keys.begin() + 34);
    std::vector<int> expected;
    for (int k = 287; k >= 272; --k)
        expected.push_back(k);
    for (int k = 15; k >= 0; --k)
        expected.push_back(k);
    expected.push_back(299);
    expected.push_back(298);
    EXPECT_EQ(head, expected);
}

// Loads, deletions and later filings in many rounds, with codes that repeat: the visit order, the first
// match of every number and what a new code would be always agree with the model.
TEST(RecordMap, AgreesWithTheModelThroughDeletionsAndFilings) {
    std::mt19937 rng(77);
    CRecordMap map;
    CModelMap model;
    std::vector<int> live;
    auto add = [&](int number, const std::string& code) {
        const SOUND_RECORD* r = map.Add(recordWith(code));
        model.add(r->Index, number);
        live.push_back(r->Index);
    };
    for (int i = 0; i < 350; ++i) {
        int n = static_cast<int>(rng() % 200);
        add(n, std::to_string(n));
    }
    for (int round = 0; round < 40; ++round) {
        for (int d = 0; d < 8 && !live.empty(); ++d) {
            std::size_t at = rng() % live.size();
            int key = live[at];
            live.erase(live.begin() + static_cast<long>(at));
            SOUND_RECORD* r = map.ByKey(key);
            ASSERT_NE(r, nullptr);
            map.Remove(r);
            model.remove(key);
            EXPECT_EQ(map.ByKey(key), nullptr);
        }
        for (int a = 0; a < 6; ++a) {
            int kind = static_cast<int>(rng() % 10);
            if (kind == 0)
                add(0, "not a number");
            else if (kind == 1) {
                int n = 999999 + static_cast<int>(rng() % 2);
                add(n, std::to_string(n));
            } else if (kind == 2)
                add(-3, "-3");
            else {
                int n = static_cast<int>(rng() % 260);
                char code[16];
                std::snprintf(code, sizeof code, "%06d", n);
                add(n, code);
            }
        }
        ASSERT_EQ(visitOrder(map), model.order()) << "round " << round;
        ASSERT_EQ(map.Count(), live.size());
        for (int n : {-3, 0, 1, 5, 17, 199, 259, 999999, 1000000}) {
            const SOUND_RECORD* r = map.First(n);
            EXPECT_EQ(r ? r->Index : -1, model.first(n)) << "number " << n;
        }
        auto [overKey, largest] = model.allocation();
        const SOUND_RECORD* over = map.FirstOverLimit();
        EXPECT_EQ(over ? over->Index : -1, overKey);
        if (overKey < 0) {
            EXPECT_EQ(map.MaxNumber(), largest);
        }
        // Clear the over-limit records now and then, so the largest number gets checked too.
        if (round % 3 == 2) {
            for (auto it = live.begin(); it != live.end();) {
                SOUND_RECORD* r = map.ByKey(*it);
                if (CodeNumber(r->Code) >= 999999) {
                    model.remove(*it);
                    map.Remove(r);
                    it = live.erase(it);
                } else {
                    ++it;
                }
            }
            EXPECT_EQ(map.FirstOverLimit(), nullptr);
            EXPECT_EQ(map.MaxNumber(), model.allocation().second);
        }
    }
}

TEST(RecordMap, PointersStayPutAndStalePointersAreRecognised) {
    CRecordMap map;
    const SOUND_RECORD* first = map.Add(recordWith("000001"));
    for (int i = 0; i < 10000; ++i)
        map.Add(recordWith("x"));
    EXPECT_EQ(first, map.ByKey(0));
    EXPECT_EQ(first->Code, "000001");
    EXPECT_TRUE(map.Owns(first));
    map.Remove(map.ByKey(0));
    EXPECT_FALSE(map.Owns(first));
    SOUND_RECORD outside;
    EXPECT_FALSE(map.Owns(&outside));
    EXPECT_FALSE(map.Owns(nullptr));
    // Keys are never reused before a clear.
    EXPECT_EQ(map.Add(recordWith("2"))->Index, 10001);
    map.Clear();
    EXPECT_EQ(map.Count(), 0u);
    EXPECT_EQ(map.Add(recordWith("3"))->Index, 0);
}
