#include "support/Faults.h"

#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

SmallDisk::SmallDisk(const std::string& size) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kiv-disk-XXXXXX").string();
    if (char* made = ::mkdtemp(tmpl.data()))
        m_Path = std::string(made) + "/";
    m_Mounted =
        !m_Path.empty() && ::mount("tmpfs", m_Path.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    if (m_Mounted)
        ::chmod(m_Path.c_str(), 0777);
}

SmallDisk::~SmallDisk() {
    if (m_Mounted)
        ::umount2(m_Path.c_str(), MNT_DETACH);
    if (!m_Path.empty())
        ::rmdir(m_Path.c_str());
}

void SmallDisk::fill() {
    int fd = ::open((m_Path + ".filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    static const char block[4096] = {};
    while (fd >= 0 && ::write(fd, block, sizeof block) > 0) {
    }
    while (fd >= 0 && ::write(fd, block, 1) > 0) {
    }
    if (fd >= 0)
        ::close(fd);
}

bool isRoot() {
    return ::geteuid() == 0;
}

int runAsNobody(const std::function<int()>& fn) {
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        return -1;
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(120);
        ::_exit(fn());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
