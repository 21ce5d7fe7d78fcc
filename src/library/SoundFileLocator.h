#pragma once
// Finds the sound file a record names. Books travel: a book made on Windows names its sounds
// "C:\...\000001.wav", a book copied elsewhere names its old folder. When the stored path does not exist, the
// file with its last name (after the last '/' or '\') is looked for in the book's folder, first exactly, then
// ignoring ASCII case as Windows does. A relative stored path is taken from the book's folder. The stored
// text is never rewritten for this.
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/core/Files.h"

enum class SoundFileFound {
    AsStored,  // the stored path exists
    Relocated, // found in the book's folder by its last name
    Missing,
};

class CSoundFileLocator {
public:
    // The book's folder, GBK, ending in '/'.
    void SetFolder(const std::string& gbkFolder);
    // The GBK path to open for a stored path: the stored one (in the book's folder when relative) unless the
    // file was found elsewhere.
    std::string Locate(std::string_view gbkStored, SoundFileFound* how = nullptr);

private:
    // The folder's names keyed by their ASCII-upper-case form, for the case-blind lookup; kept while the
    // folder is unchanged.
    const std::unordered_map<std::string, std::string>& foldedNames();

    std::string m_Folder;       // GBK
    std::string m_NativeFolder; // native
    bool m_NamesKnown = false;
    FileStamp m_FolderStamp;
    std::unordered_map<std::string, std::string> m_FoldedNames;
};

// Where a stored path lies: an absolute one as it is, a relative one inside the book's folder (GBK, ending
// in '/'), never in the working folder of whoever runs the program.
std::string StoredPathInBook(std::string_view gbkFolder, std::string_view gbkStored);

// The last name component of a stored GBK path (after the last '/' or '\' that is not a GBK trail byte).
std::string_view LastNameOf(std::string_view gbkPath);
// A native name as a case-blind lookup compares it (ASCII letters upper-cased).
std::string FoldedName(std::string_view nativeName);
