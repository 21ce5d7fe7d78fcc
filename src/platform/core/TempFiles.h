#pragma once
// Our own temporary files. Each name carries the id of the process that made it, so a later start can tell
// what a dead process left from what a running copy is still writing; the files a process holds are
// removed when it is terminated by a signal or leaves through exit() without unwinding.
//
// The names, all in a file's own folder or in the temporary folder:
//   <target>.tmp-<pid>-XXXXXX          a rewrite of <target> that has not yet replaced it
//   .kiv-probe-<pid>-XXXXXX            a test whether a folder takes new files
//   kiv-recording-<pid>-XXXXXX.wav     a recording being made
//   kiv-warm-<pid>.mp3                 left by older copies (a decoder's start-up sample): only removed
#include <string>

// Creates a new file from a template ending in "XXXXXX" (as mkstemp) and holds it; returns its descriptor
// or -1. The template is replaced by the name made.
int createHeldTempFile(std::string& pathTemplate);
// Holds or releases a temporary file made some other way; release it once it is renamed or deleted.
void holdTempFile(const std::string& path);
void releaseTempFile(const std::string& path);

// "<prefix><pid>-": the start of every temporary name this process makes with that prefix.
std::string tempNamePrefix(const std::string& prefix);

// Removes held files on SIGTERM, SIGINT and SIGHUP (then ends as the signal would) and at exit(). Signals
// whose handling someone else already set are left alone. Safe to call more than once.
void removeHeldTempFilesOnExit();

// True when the name (without folder) has one of the forms above, whoever made it.
bool isTempFileName(const std::string& name);

// Removes, from the folder, the temporary files named as above whose process is gone: only regular files
// owned by this user. Returns how many were removed.
int removeStaleTempFiles(const std::string& folder);

// This process's id, and whether a process of that id runs (one of another user's counts).
long currentProcessId();
bool processRunning(long pid);
