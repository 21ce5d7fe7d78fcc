#include "platform/soundfile/ReadyPlans.h"

#include "platform/soundfile/SoundFile.h"

#include <QThread>
#include <algorithm>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

bool decodeHead(CSoundFile& source, long long maxFrames, std::vector<std::int16_t>& pcm) {
    const int channels = std::max(1, source.channels());
    long long decoded = 0;
    bool ended = false;
    while (decoded < maxFrames) {
        const long long want = std::min<long long>(maxFrames - decoded, 16384);
        pcm.resize(std::size_t((decoded + want) * channels));
        const long long n = source.read(pcm.data() + decoded * channels, want);
        decoded += std::max(n, 0LL);
        if (n < want) {
            ended = true;
            break;
        }
    }
    pcm.resize(std::size_t(decoded * channels));
    return ended;
}

namespace {
// Linux keeps a nice value per thread.
void lowerThisThreadsPriority() {
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 10);
}
} // namespace

CReadyPlans::CReadyPlans() = default;

CReadyPlans::~CReadyPlans() {
    {
        std::lock_guard lock(m_Lock);
        m_Quit = true;
    }
    m_Wake.notify_all();
    if (m_Worker)
        m_Worker->wait();
}

void CReadyPlans::prepare(std::vector<std::string> paths, ReadyChoice choice, int maxSeconds) {
    {
        std::lock_guard lock(m_Lock);
        if (paths.size() > kMaxReadyPlans)
            paths.resize(kMaxReadyPlans);
        m_Queue = std::move(paths);
        m_Next = 0;
        m_Choice = choice;
        m_MaxSeconds = maxSeconds;
    }
    if (!m_Worker) {
        m_Worker.reset(QThread::create([this] {
            // Below the window and the pen's own play, yet not starved on a busy machine (as idle priority
            // would be): a sound still waiting is measured when it plays.
            lowerThisThreadsPriority();
            work();
        }));
        m_Worker->start();
    }
    m_Wake.notify_all();
}

bool CReadyPlans::find(const std::string& path, const FileStamp& stamp, ReadyChoice choice,
                       ReadyCut& cut) const {
    std::lock_guard lock(m_Lock);
    const auto it = m_Plans.find(path);
    if (it == m_Plans.end() || !(it->second.stamp == stamp) || !(it->second.choice == choice))
        return false;
    cut = it->second.cut;
    return true;
}

void CReadyPlans::remember(const std::string& path, const FileStamp& stamp, ReadyChoice choice,
                           const ReadyCut& cut) {
    std::lock_guard lock(m_Lock);
    if (m_Plans.size() >= kMaxReadyPlans && !m_Plans.contains(path))
        m_Plans.erase(m_Plans.begin()); // any one: the bound matters, not which goes
    m_Plans[path] = Plan{stamp, choice, cut};
}

void CReadyPlans::waitUntilDone() {
    std::unique_lock lock(m_Lock);
    m_Wake.wait(lock, [&] { return m_Quit || (m_Next >= m_Queue.size() && !m_Busy); });
}

void CReadyPlans::work() {
    std::vector<std::int16_t> pcm;
    for (;;) {
        std::string path;
        ReadyChoice choice;
        int maxSeconds = 0;
        {
            std::unique_lock lock(m_Lock);
            m_Busy = false;
            m_Wake.notify_all();
            m_Wake.wait(lock, [&] { return m_Quit || m_Next < m_Queue.size(); });
            if (m_Quit)
                return;
            path = m_Queue[m_Next++];
            if (m_Next == m_Queue.size()) {
                m_Queue.clear();
                m_Next = 0;
            }
            choice = m_Choice;
            maxSeconds = m_MaxSeconds;
            m_Busy = true;
        }
        FileStamp stamp;
        ReadyCut known;
        if (fileStamp(path, stamp) != 0 || !stamp.regular || find(path, stamp, choice, known))
            continue;
        CSoundFile source;
        if (source.open(path) != SoundFileStatus::Ok)
            continue;
        const long long most = (long long)source.sampleRate() * maxSeconds;
        if (source.frames() <= 0 || source.frames() > most)
            continue;
        pcm.clear();
        if (!decodeHead(source, most, pcm) || pcm.empty())
            continue;
        const int channels = std::max(1, source.channels());
        remember(
            path, stamp, choice,
            planReady(pcm.data(), (long long)pcm.size() / channels, source.sampleRate(), channels, choice));
        if (pcm.capacity() > std::size_t(1) << 22)
            std::vector<std::int16_t>().swap(pcm); // a long sound's buffer is not held between sounds
    }
}
