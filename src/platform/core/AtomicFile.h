#pragma once
// A file written piece by piece that appears under its name only when it is complete: the pieces go to a
// temporary file beside the target, named and held as atomicReplace's are (so a later start removes it
// when this process dies first), which commit() syncs and renames over the target. Dropped before commit,
// the temporary file goes with it.
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
