#include "app/Folders.h"

#include "platform/core/Files.h"
#include "platform/core/FolderPath.h"
#include "platform/core/Gbk.h"

std::string ProgramFolder;
std::string SettingsPath;
std::string (*ExecutablePathSource)() = executablePath;

bool FolderOfExecutable(const std::string& exePath, std::string& folder) {
    const std::size_t n = exePath.size();
    if (n < 1)
        return false;
    folder = exePath;
    for (std::size_t i = n; i >= 1; --i) {
        if (i < n && exePath[i] == '/') {
            folder = exePath.substr(0, i + 1);
            break;
        }
    }
    return true;
}

FolderChoice ChooseLibraryFolder(const std::string& nativeProgramFolder, const std::string& nativeDataFolder,
                                 const std::function<bool(const std::string&)>& writable, bool fixed) {
    FolderChoice choice;
    bool gbkOk = false;
    std::string gbk = gbkFromNative(nativeProgramFolder, &gbkOk);
    if (gbkOk && gbk.size() <= kFolderLimit && !fixed) {
        choice.folder = gbk;
        if (writable(nativeProgramFolder))
            return choice;
        // A finished book on a read-only medium is played where it is, not swapped for an empty one.
        if (fileExists(CFolderPath(nativeProgramFolder) / "KIV_Lib.cfg")) {
            choice.readOnlyBook = true;
            return choice;
        }
    }
    choice.usedDataFolder = true;
    std::string dataGbk = gbkFromNative(nativeDataFolder, &gbkOk);
    if (gbkOk && dataGbk.size() <= kFolderLimit && ensureFolder(nativeDataFolder) &&
        writable(nativeDataFolder)) {
        choice.folder = dataGbk;
        return choice;
    }
    // Neither can hold the library: keep the program folder so that reading still works; saving will fail
    // with its own message.
    choice.usable = false;
    choice.usedDataFolder = false;
    choice.folder = gbk;
    return choice;
}

bool IsFixedProgramFolder(const std::string& nativeFolder) {
    const std::string folder = canonicalPath(nativeFolder);
    if (folder.empty())
        return false;
    for (const char* fixed : {KIV_INSTALL_BINDIR, KIV_BUILD_DIR})
        if (folder == canonicalPath(fixed))
            return true;
    return false;
}

SettingsFiles SettingsFilesFor(const FolderChoice& choice) {
    SettingsFiles files;
    files.read = files.save = CFolderPath(choice.folder) / "KIV.ini";
    if (choice.readOnlyBook) {
        bool ok = false;
        const std::string nativeIni = CFolderPath(userDataFolder()) / "KIV.ini";
        const std::string userIni = gbkFromNative(nativeIni, &ok);
        if (ok && ensureFolder(userDataFolder())) {
            files.save = userIni;
            if (fileExists(nativeIni))
                files.read = userIni;
        }
    }
    return files;
}

int DetermineProgramFolder(FolderChoice* choice) {
    std::string folder;
    if (!FolderOfExecutable(ExecutablePathSource(), folder))
        return 0;
    const bool fixed = IsFixedProgramFolder(folder);
    FolderChoice c = ChooseLibraryFolder(folder, userDataFolder(), folderWritable, fixed);
    ProgramFolder = c.folder;
    if (choice)
        *choice = c;
    return 1;
}
