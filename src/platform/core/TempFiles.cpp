#include "platform/core/TempFiles.h"
#include "platform/core/FolderPath.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A fixed table, because the signal handler may neither allocate nor lock.
constexpr int kFree = 0, kFilling = 1, kHeld = 2;
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
std::array<Slot, 64> g_Slots;

void removeHeld() {
    for (Slot& s : g_Slots)
        if (s.state.load() == kHeld)
            ::unlink(s.path);
}

void onTerminatingSignal(int sig) {
    const int saved = errno;
    removeHeld();
    ::signal(sig, SIG_DFL);
    ::raise(sig);
    errno = saved;
}

bool allDigits(std::string_view s) {
    if (s.empty() || s.size() > 9)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool isRandomPart(std::string_view s) {
    if (s.size() != 6)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    return true;
}

// "<pid>-XXXXXX" → pid, or 0 when the text is not of that form.
pid_t pidAndRandom(std::string_view s) {
    const std::size_t dash = s.find('-');
    if (dash == std::string_view::npos || !allDigits(s.substr(0, dash)) || !isRandomPart(s.substr(dash + 1)))
        return 0;
    return static_cast<pid_t>(std::atol(std::string(s.substr(0, dash)).c_str()));
}

bool startsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}
bool endsWith(std::string_view s, std::string_view p) {
    return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

// The process that made a temporary file of ours with this name, or 0 when the name is not one of ours.
pid_t ownerOf(std::string_view name) {
    if (startsWith(name, ".kiv-probe-"))
        return pidAndRandom(name.substr(11));
    if (startsWith(name, "kiv-recording-") && endsWith(name, ".wav"))
        return pidAndRandom(name.substr(14, name.size() - 14 - 4));
    if (startsWith(name, "kiv-warm-") && endsWith(name, ".mp3")) {
        std::string_view pid = name.substr(9, name.size() - 9 - 4);
        return allDigits(pid) ? static_cast<pid_t>(std::atol(std::string(pid).c_str())) : 0;
    }
    const std::size_t tmp = name.rfind(".tmp-");
    if (tmp != std::string_view::npos && tmp > 0)
        return pidAndRandom(name.substr(tmp + 5));
    return 0;
}

bool processAlive(pid_t pid) {
    return pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

int createHeldTempFile(std::string& pathTemplate) {
    // Blocking the terminating signals keeps a kill from landing between creating the file and holding it.
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &block, &old);
    const int fd = ::mkstemp(pathTemplate.data());
    if (fd >= 0)
        holdTempFile(pathTemplate);
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return fd;
}

void holdTempFile(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return;
    for (Slot& s : g_Slots) {
        int expected = kFree;
        if (s.state.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(s.path, path.c_str(), path.size() + 1);
            s.state.store(kHeld);
            return;
        }
    }
    // A full table only means the start-up clean-up finds this one later.
}

void releaseTempFile(const std::string& path) {
    for (Slot& s : g_Slots) {
        if (s.state.load() == kHeld && path == s.path) {
            s.state.store(kFree);
            return;
        }
    }
}

std::string tempNamePrefix(const std::string& prefix) {
    return prefix + std::to_string(::getpid()) + "-";
}

void removeHeldTempFilesOnExit() {
    static std::atomic<bool> installed{false};
    if (installed.exchange(true))
        return;
    std::atexit(removeHeld);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) != 0 || now.sa_handler != SIG_DFL)
            continue;
        struct sigaction act {};
        act.sa_handler = onTerminatingSignal;
        sigemptyset(&act.sa_mask);
        act.sa_flags = SA_RESETHAND;
        ::sigaction(sig, &act, nullptr);
    }
}

bool isTempFileName(const std::string& name) {
    return ownerOf(name) > 0;
}

int removeStaleTempFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    const CFolderPath base(folder);
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        const pid_t pid = ownerOf(e->d_name);
        if (pid <= 0 || processAlive(pid))
            continue;
        const std::string path = base / e->d_name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        if (::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

long currentProcessId() {
    return static_cast<long>(::getpid());
}

bool processRunning(long pid) {
    return pid > 0 && processAlive(static_cast<pid_t>(pid));
}
