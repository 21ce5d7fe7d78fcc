#pragma once
// A file written piece by piece that appears under its name only when it is complete: the pieces go to a
// temporary file beside the target ("<target>.tmp-XXXXXX", the name atomicReplace uses), which commit()
// syncs and renames over the target. Dropped before commit, the temporary file goes with it.
#include <string>
#include <string_view>

class CAtomicFile {
public:
    CAtomicFile() = default;
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Starts a new file that will replace nativePath. False when the temporary file cannot be made.
    bool open(const std::string& nativePath);
    // Appends; false (and every later call fails) when the disk refuses.
    bool write(std::string_view data);
    // Overwrites bytes already written, at offset from the start (a header completed at the end).
    bool writeAt(long long offset, std::string_view data);
    // Syncs, renames over the target and syncs the folder. True when the target now holds the new file.
    bool commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

private:
    int m_Fd = -1;
    bool m_Failed = false;
    std::string m_Target;
    std::string m_Temp;
};

// Removes the temporary files that writers killed before their commit left in the folder (native path),
// for the targets whose names satisfy isOurs. Only call it while no other writer can be at work there.
int removeAbandonedTemporaries(const std::string& nativeFolder, bool (*isOurs)(std::string_view targetName));
