#pragma once
// Files, by native path. Every rewrite of a file the user cares about goes through atomicReplace, so a
// crash or a full disk leaves the old or the new content, never a torn file.
#include <string>
#include <string_view>
#include <vector>

#include <cstddef>

// A path with a NUL in it names no file: the system would read it only up to the NUL, which may name another
// file. Every function here treats such a path as missing (errno ENOENT).
bool namesNoFile(std::string_view path);

// Reads the whole of a regular file; false when it cannot be opened, is something else (a folder, a named
// pipe, a device: errno EINVAL), holds more than limit bytes (errno EFBIG) or fewer bytes arrive than its
// size. Never waits for a writer.
bool readWholeFile(const std::string& path, std::string& out,
                   std::size_t limit = static_cast<std::size_t>(-1));

// What a rewrite does when the path is a symbolic link.
enum class LinkPolicy {
    ReplaceLink, // the link itself becomes a plain file; whatever it pointed at stays as it was
    WriteTarget, // the file the link leads to is replaced, in its own folder; the link stays. Refused (errno
                 // EXDEV) when that file lies outside the link's folder: a handed-over book may point
                 // anywhere.
};
// True when path is a symbolic link that does not end inside the folder holding it (its subfolders count as
// inside), or whose chain does not end.
bool linkLeavesFolder(const std::string& path);
// Writes data to a temporary file in the target's folder, syncs it and renames it over the target. Refused
// (false, nothing changed) when the target exists and is not a regular file, or this user may not write it.
// The new file keeps the old one's permissions (never set-id or sticky bits) and, where allowed, its owner.
bool atomicReplace(const std::string& path, std::string_view data,
                   LinkPolicy links = LinkPolicy::ReplaceLink);
// Appends data and syncs the file before returning; creates the file when it is missing. All or nothing:
// when the data cannot be written whole the file is cut back to its old length. Through a link only as
// WriteTarget writes.
bool appendDurable(const std::string& path, std::string_view data);
bool fileExists(const std::string& path);
// Copies by way of a temporary file beside the target, so the target is whole or untouched.
bool copyFile(const std::string& from, const std::string& to);
bool deleteFile(const std::string& path);
// Renames a file to a name nothing has yet; false with errno EEXIST when the name is taken (by anything, a
// dangling link too), and the file that has it stays as it was.
bool renameNoReplace(const std::string& from, const std::string& to);
// Size in bytes, or -1.
long long fileSize(const std::string& path);

// What tells one version of a file from another without reading it: any change of content moves one of
// these (ctime catches an edit that put the old mtime back).
struct FileStamp {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long mtimeNs = 0;
    long long ctimeNs = 0;
    bool regular = false;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of path (links followed); the errno value when it cannot be taken, else 0.
int fileStamp(const std::string& path, FileStamp& out);
// The same for an open file.
int fileStampOf(int fd, FileStamp& out);

// The running executable's full path; empty when it cannot be found.
std::string executablePath();
// The per-user data folder for KIV ($XDG_DATA_HOME/KIV/, by default ~/.local/share/KIV/), with its
// trailing separator; not created.
std::string userDataFolder();
// Creates the folder and its parents; true when it exists afterwards.
bool ensureFolder(const std::string& path);
// True when a file can be created in the folder (tried for real, then removed).
bool folderWritable(const std::string& path);
// Why a file with content cannot be written in the folder (a full disk, a quota, ...): the errno value of a
// real try, 0 when it can.
int folderWriteError(const std::string& path);
// Canonical form (links and ".." resolved) of an existing path; empty when it cannot be resolved.
std::string canonicalPath(const std::string& path);

// What a path names, looked at without opening it (so a pipe is never waited on).
struct PathKind {
    bool exists = false;
    bool regular = false;
    bool folder = false;
    bool link = false; // only when links are not followed
    long long size = 0;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool ownerMayWrite = false; // the permission bits say so; canWrite tells whether this user may
    long long mtimeSeconds = 0;
};
// Links followed unless told otherwise; errno is set when the path does not exist.
PathKind pathKind(const std::string& path, bool followLinks = true);
// Whether this user may list and enter the folder, or write the file.
bool canEnterFolder(const std::string& path);
bool canWrite(const std::string& path);
// The names in a folder but "." and ".."; false when it cannot be read.
bool folderNames(const std::string& path, std::vector<std::string>& names);
// Whether some program holds a lock (flock) on the file, as a lock file's owner does from the moment it makes
// it: 1 held, 0 not, -1 when the file system cannot tell.
int fileLockHeld(const std::string& path);
// Removes a folder that is empty; false otherwise.
bool removeEmptyFolder(const std::string& path);
// Bytes this user may still write on the file system holding path; -1 when it cannot be told.
long long freeBytes(const std::string& path);
// Writes everything on the file system holding path to the disk.
void syncFileSystem(const std::string& path);

// Reading and writing through an open descriptor, for files read in parts or written as they arrive.
// Opens for reading without waiting on a writer (a pipe opens at once); -1 with errno when it cannot.
int openForReading(const std::string& path);
// Makes a new file (0644) that did not exist, never through a link; -1 with errno when it cannot.
int createNewFile(const std::string& path);
// Exactly size bytes from offset; false when fewer arrive.
bool readAt(int fd, std::size_t offset, std::size_t size, std::string& out);
bool writeAll(int fd, std::string_view data);
// False when what was written could not be kept.
bool closeFile(int fd);
