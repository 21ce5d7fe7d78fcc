#pragma once
// Hostile conditions for tests: a full disk and an unprivileged user.
#include <functional>
#include <string>

// A small file system of its own (tmpfs), mounted while the object lives; needs root.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& size = "64k");
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return m_Mounted; }
    const std::string& path() const { return m_Path; } // ends in '/'
    // Takes every free block, so the next write that needs one fails.
    void fill();

private:
    std::string m_Path;
    bool m_Mounted = false;
};

// Runs fn in a child process as the user "nobody"; fn's result, or -1 when the child did not end normally.
int runAsNobody(const std::function<int()>& fn);
// True when this process may mount and change users (CI runs the tests as root).
bool isRoot();
