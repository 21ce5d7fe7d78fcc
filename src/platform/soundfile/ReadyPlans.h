#pragma once
// How each sound of a book is made ready to play, worked out ahead of the pen: a worker below normal
// priority decodes and measures the sounds it is given, and a first play then only decodes and cuts, as fast
// as a sound played as it is. Only the cut is kept (a few dozen bytes a sound, at most kMaxReadyPlans of
// them), keyed by the file's stamp, so a changed file is measured again when it plays.
#include "platform/core/Files.h"
#include "platform/soundfile/SoundLevel.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class CSoundFile;
class QThread;

constexpr std::size_t kMaxReadyPlans = 50000;

// Decodes a sound of up to maxFrames from its start into pcm (interleaved). Returns true when the sound ended
// (or stopped decoding) before maxFrames, false when it goes on.
bool decodeHead(CSoundFile& source, long long maxFrames, std::vector<std::int16_t>& pcm);

class CReadyPlans {
public:
    CReadyPlans();
    // Stops the worker; a sound being measured is given up.
    ~CReadyPlans();
    CReadyPlans(const CReadyPlans&) = delete;
    CReadyPlans& operator=(const CReadyPlans&) = delete;

    // Measures these sounds (native paths) in the background, made ready as chosen; replaces what was
    // still waiting. Sounds longer than maxSeconds are passed over: they start playing before they are known.
    void prepare(std::vector<std::string> paths, ReadyChoice choice, int maxSeconds);
    // The cut for the file as it is now, if it was worked out with the same choice.
    bool find(const std::string& path, const FileStamp& stamp, ReadyChoice choice, ReadyCut& cut) const;
    void remember(const std::string& path, const FileStamp& stamp, ReadyChoice choice, const ReadyCut& cut);
    // Waits until nothing is left to measure (for tests and benchmarks).
    void waitUntilDone();

private:
    struct Plan {
        FileStamp stamp;
        ReadyChoice choice;
        ReadyCut cut;
    };
    void work();

    mutable std::mutex m_Lock;
    std::condition_variable m_Wake;
    std::unordered_map<std::string, Plan> m_Plans;
    std::vector<std::string> m_Queue;
    std::size_t m_Next = 0;
    bool m_Busy = false;
    ReadyChoice m_Choice;
    int m_MaxSeconds = 60;
    bool m_Quit = false;
    std::unique_ptr<QThread> m_Worker;
};
