#pragma once
// The folders fixed at start-up. Paths are kept as GBK bytes, like every path the program stores, and end
// in the separator.
#include <functional>
#include <string>

extern std::string ProgramFolder;
extern std::string SettingsPath;

constexpr std::size_t kFolderLimit = 1023;

// The executable's folder by a backwards scan for the separator (the first character is never examined);
// with no separator the whole name. False for an empty path.
bool FolderOfExecutable(const std::string& exePath, std::string& folder);

// Where the settings and the library live: the program folder when it can be written and its name survives
// GBK, or when it holds a book (KIV_Lib.cfg) though it cannot be written; else the per-user data folder
// (created). *warning gets a message for the user when neither fits.
struct FolderChoice {
    std::string folder; // GBK, with trailing separator
    bool usedDataFolder = false;
    bool usable = true;
    bool readOnlyBook = false; // the program folder cannot be written but holds a book: it opens read-only
};
// fixed: the program folder is one the program never keeps a book in (IsFixedProgramFolder).
FolderChoice ChooseLibraryFolder(const std::string& nativeProgramFolder, const std::string& nativeDataFolder,
                                 const std::function<bool(const std::string&)>& writable, bool fixed = false);

// True for the folder the program is installed into and for its build tree: the program never keeps a
// book or its settings there, where an upgrade or a clean build would lose them (even when it may write).
bool IsFixedProgramFolder(const std::string& nativeFolder);

// The settings file KIV.ini the window reads its barcode settings from, and the one it saves them to (GBK),
// for the folder start-up chose: the chosen folder's; beside a read-only book the per-user one once it was
// saved there. kivtool reads the same one, so its labels come out as the window prints them.
struct SettingsFiles {
    std::string read;
    std::string save;
};
SettingsFiles SettingsFilesFor(const FolderChoice& choice);

// Where DetermineProgramFolder learns the executable's path (tests point it elsewhere).
extern std::string (*ExecutablePathSource)();

// Fills ProgramFolder from the running executable, choosing as above; 1 on success, 0 when the
// executable's path cannot be found (ProgramFolder then stays empty). *choice tells what was chosen.
int DetermineProgramFolder(FolderChoice* choice = nullptr);
