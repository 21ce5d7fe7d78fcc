#include "platform/core/Files.h"
#include "platform/core/FolderPath.h"

#include "platform/core/TempFiles.h"
#include "platform/core/Trace.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

bool writeAll(int fd, std::string_view data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

void syncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Where a chain of symbolic links ends (the file need not exist); empty when the chain does not end.
std::string linkTarget(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        char buf[PATH_MAX + 1];
        ssize_t n = ::readlink(path.c_str(), buf, PATH_MAX);
        if (n < 0)
            return errno == EINVAL || errno == ENOENT ? path : std::string();
        std::string next(buf, static_cast<std::size_t>(n));
        path = next.front() == '/' ? next : folderOf(path) + "/" + next;
    }
    errno = ELOOP;
    return {};
}

mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Fails a call about a path that names no file, as the system fails one about a missing file.
bool refuseNul(const std::string& path) {
    if (!namesNoFile(path))
        return false;
    errno = ENOENT;
    return true;
}

} // namespace

bool namesNoFile(std::string_view path) {
    return path.find('\0') != std::string_view::npos;
}

bool linkLeavesFolder(const std::string& path) {
    struct stat st {};
    if (refuseNul(path) || ::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return false;
    const std::string end = linkTarget(path);
    if (end.empty())
        return true;
    std::error_code ec;
    const std::string folder = std::filesystem::canonical(folderOf(path), ec).string();
    const std::string target = std::filesystem::weakly_canonical(end, ec).string();
    if (ec || folder.empty() || target.empty())
        return true;
    const std::string inside = folder == "/" ? folder : folder + "/";
    return target.compare(0, inside.size(), inside) != 0;
}

bool readWholeFile(const std::string& path, std::string& out, std::size_t limit) {
    out.clear();
    if (refuseNul(path))
        return false;
    // Non-blocking, so a named pipe in place of a file cannot hold us until someone writes to it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    int why = 0;
    if (::fstat(fd, &st) != 0)
        why = errno;
    else if (!S_ISREG(st.st_mode))
        why = EINVAL;
    else if (static_cast<unsigned long long>(st.st_size) > limit)
        why = EFBIG;
    if (why) {
        ::close(fd);
        errno = why;
        return false;
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < out.size()) {
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got < out.size()) {
        out.clear();
        errno = EIO;
        return false;
    }
    return true;
}

bool atomicReplace(const std::string& path, std::string_view data, LinkPolicy links) {
    if (refuseNul(path))
        return false;
    std::string target = path;
    struct stat old {};
    bool exists = ::lstat(path.c_str(), &old) == 0;
    if (exists && S_ISLNK(old.st_mode) && links == LinkPolicy::WriteTarget) {
        if (linkLeavesFolder(path)) {
            errno = EXDEV;
            return false;
        }
        target = linkTarget(path);
        if (target.empty())
            return false;
        exists = ::lstat(target.c_str(), &old) == 0;
    }
    const bool replacesFile = exists && S_ISREG(old.st_mode);
    if (exists && !replacesFile && !S_ISLNK(old.st_mode)) {
        errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    // Renaming needs only the folder's permission: ask about the file itself, or a read-only file is
    // replaced.
    if (replacesFile && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return false;
    std::string tmp = target + tempNamePrefix(".tmp-") + "XXXXXX";
    int fd = createHeldTempFile(tmp);
    if (fd < 0)
        return false;
    // Allowed to root only: a book that root touched stays its owner's.
    if (replacesFile && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0)
        trace("atomicReplace(): %s keeps no owner\n", target.c_str());
    ::fchmod(fd, replacesFile ? (old.st_mode & 0777) : newFileMode());
    bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmp.c_str(), target.c_str()) == 0) {
        releaseTempFile(tmp);
        syncFolder(folderOf(target));
        return true;
    }
    const int why = errno;
    ::unlink(tmp.c_str());
    releaseTempFile(tmp);
    errno = why;
    return false;
}

bool appendDurable(const std::string& path, std::string_view data) {
    if (refuseNul(path))
        return false;
    if (linkLeavesFolder(path)) {
        errno = EXDEV;
        return false;
    }
    bool created = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        created = fd >= 0;
    }
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return false;
    }
    bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
    int why = errno;
    if (!ok) {
        // A part of a line would read back as a record of its own: take it away again.
        if (::ftruncate(fd, st.st_size) == 0)
            ::fsync(fd);
    }
    ok = (::close(fd) == 0) && ok;
    if (!ok && created)
        ::unlink(path.c_str());
    if (created)
        syncFolder(folderOf(path));
    errno = why;
    return ok;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !refuseNul(path) && ::stat(path.c_str(), &st) == 0;
}

bool copyFile(const std::string& from, const std::string& to) {
    std::string data;
    if (!readWholeFile(from, data))
        return false;
    return atomicReplace(to, data);
}

bool deleteFile(const std::string& path) {
    return !refuseNul(path) && ::unlink(path.c_str()) == 0;
}

bool renameNoReplace(const std::string& from, const std::string& to) {
    if (refuseNul(from) || refuseNul(to))
        return false;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        syncFolder(folderOf(to));
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system that cannot rename without replacing: a second name is also never made over another.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        syncFolder(folderOf(to));
        return true;
    }
    if (errno != EPERM && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // Neither (a FAT stick on an old kernel): look, then rename; only a writer racing us could lose here.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) != 0)
        return false;
    syncFolder(folderOf(to));
    return true;
}

long long fileSize(const std::string& path) {
    struct stat st {};
    return !refuseNul(path) && ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

std::string executablePath() {
    char buf[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string userDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/KIV/";
}

bool ensureFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool folderWritable(const std::string& path) {
    std::string probe = CFolderPath(path.empty() ? "." : path) / (tempNamePrefix(".kiv-probe-") + "XXXXXX");
    int fd = createHeldTempFile(probe);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    releaseTempFile(probe);
    return true;
}

int folderWriteError(const std::string& path) {
    std::string probe = CFolderPath(path.empty() ? "." : path) / (tempNamePrefix(".kiv-probe-") + "XXXXXX");
    int fd = createHeldTempFile(probe);
    if (fd < 0)
        return errno;
    const int error = writeAll(fd, std::string(4096, '\n')) && ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    ::unlink(probe.c_str());
    releaseTempFile(probe);
    return error;
}

std::string canonicalPath(const std::string& path) {
    char* resolved = refuseNul(path) ? nullptr : ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

namespace {
FileStamp stampOf(const struct stat& st) {
    FileStamp out;
    out.device = st.st_dev;
    out.inode = st.st_ino;
    out.size = st.st_size;
    out.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    out.ctimeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    out.regular = S_ISREG(st.st_mode);
    return out;
}
} // namespace

int fileStamp(const std::string& path, FileStamp& out) {
    out = FileStamp();
    struct stat st {};
    if (refuseNul(path) || ::stat(path.c_str(), &st) != 0)
        return errno;
    out = stampOf(st);
    return 0;
}

int fileStampOf(int fd, FileStamp& out) {
    out = FileStamp();
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno;
    out = stampOf(st);
    return 0;
}

PathKind pathKind(const std::string& path, bool followLinks) {
    PathKind kind;
    struct stat st {};
    if (refuseNul(path) || (followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return kind;
    kind.exists = true;
    kind.regular = S_ISREG(st.st_mode);
    kind.folder = S_ISDIR(st.st_mode);
    kind.link = S_ISLNK(st.st_mode);
    kind.size = static_cast<long long>(st.st_size);
    kind.device = st.st_dev;
    kind.inode = st.st_ino;
    kind.ownerMayWrite = (st.st_mode & S_IWUSR) != 0;
    kind.mtimeSeconds = static_cast<long long>(st.st_mtime);
    return kind;
}

bool canEnterFolder(const std::string& path) {
    return !refuseNul(path) && ::access(path.c_str(), R_OK | X_OK) == 0;
}

bool canWrite(const std::string& path) {
    return !refuseNul(path) && ::access(path.c_str(), W_OK) == 0;
}

bool folderNames(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = refuseNul(path) ? nullptr : ::opendir(path.c_str());
    if (!dir)
        return false;
    while (const dirent* e = ::readdir(dir))
        if (std::string_view name = e->d_name; name != "." && name != "..")
            names.emplace_back(name);
    ::closedir(dir);
    return true;
}

int fileLockHeld(const std::string& path) {
    const int fd =
        refuseNul(path) ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    int held = -1;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0)
        held = 0;
    else if (errno == EWOULDBLOCK)
        held = 1;
    ::close(fd); // lets go of our own lock too
    return held;
}

bool removeEmptyFolder(const std::string& path) {
    return !refuseNul(path) && ::rmdir(path.c_str()) == 0;
}

long long freeBytes(const std::string& path) {
    struct statvfs vfs {};
    if (refuseNul(path) || ::statvfs(path.c_str(), &vfs) != 0)
        return -1;
    return static_cast<long long>(vfs.f_bavail) * static_cast<long long>(vfs.f_frsize);
}

void syncFileSystem(const std::string& path) {
    const int fd = refuseNul(path) ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
}

int openForReading(const std::string& path) {
    return refuseNul(path) ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

int createNewFile(const std::string& path) {
    return refuseNul(path) ? -1
                           : ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

bool readAt(int fd, std::size_t offset, std::size_t size, std::string& out) {
    out.resize(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, out.data() + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool closeFile(int fd) {
    return ::close(fd) == 0;
}
