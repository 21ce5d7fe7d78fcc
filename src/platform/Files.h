#pragma once
// Files, by native path. Every rewrite of a file the user cares about goes through atomicReplace, so a
// crash or a full disk leaves the old or the new content, never a torn file.
#include <string>
#include <string_view>

// Reads the whole file; false when it cannot be opened or fewer bytes arrive than its size.
bool readWholeFile(const std::string& path, std::string& out);
// Writes data to a temporary file in the same folder, syncs it and renames it over path.
bool atomicReplace(const std::string& path, std::string_view data);
// Appends data and syncs the file before returning; creates the file when it is missing.
bool appendDurable(const std::string& path, std::string_view data);
bool fileExists(const std::string& path);
// Copies by way of a temporary file beside the target, so the target is whole or untouched.
bool copyFile(const std::string& from, const std::string& to);
bool deleteFile(const std::string& path);
// Size in bytes, or -1.
long long fileSize(const std::string& path);

// The running executable's full path; empty when it cannot be found.
std::string executablePath();
// The per-user data folder for KIV ($XDG_DATA_HOME/KIV/, by default ~/.local/share/KIV/), with its
// trailing separator; not created.
std::string userDataFolder();
// Creates the folder and its parents; true when it exists afterwards.
bool ensureFolder(const std::string& path);
// True when a file can be created in the folder (tried for real, then removed).
bool folderWritable(const std::string& path);
// Canonical form (links and ".." resolved) of an existing path; empty when it cannot be resolved.
std::string canonicalPath(const std::string& path);
