#include "platform/core/AtomicFile.h"

#include "platform/core/TempFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeAllAt(int fd, std::string_view data, off_t offset, bool append) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = append ? ::write(fd, p, left) : ::pwrite(fd, p, left, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

} // namespace

CAtomicFile::~CAtomicFile() {
    discard();
}

bool CAtomicFile::open(const std::string& nativePath) {
    discard();
    m_Target = nativePath;
    m_Temp = nativePath + tempNamePrefix(".tmp-") + "XXXXXX";
    m_Fd = createHeldTempFile(m_Temp);
    m_Failed = m_Fd < 0;
    if (m_Failed)
        return false;
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_Fd, 0666 & ~mask);
    return true;
}

bool CAtomicFile::write(std::string_view data) {
    if (m_Fd < 0 || m_Failed)
        return false;
    m_Failed = !writeAllAt(m_Fd, data, 0, true);
    return !m_Failed;
}

bool CAtomicFile::writeAt(long long offset, std::string_view data) {
    if (m_Fd < 0 || m_Failed)
        return false;
    m_Failed = !writeAllAt(m_Fd, data, static_cast<off_t>(offset), false);
    return !m_Failed;
}

bool CAtomicFile::commit() {
    if (m_Fd < 0 || m_Failed) {
        discard();
        return false;
    }
    bool ok = ::fsync(m_Fd) == 0;
    ok = ::close(m_Fd) == 0 && ok;
    m_Fd = -1;
    if (!ok || ::rename(m_Temp.c_str(), m_Target.c_str()) != 0) {
        discard();
        return false;
    }
    releaseTempFile(m_Temp);
    m_Temp.clear();
    const auto slash = m_Target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : m_Target.substr(0, slash ? slash : 1);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void CAtomicFile::discard() {
    if (m_Fd >= 0)
        ::close(m_Fd);
    m_Fd = -1;
    if (!m_Temp.empty()) {
        ::unlink(m_Temp.c_str());
        releaseTempFile(m_Temp);
    }
    m_Temp.clear();
    m_Failed = false;
}
