#include "library/SoundFileLocator.h"

#include "platform/core/Gbk.h"

#include <filesystem>

namespace {

std::string toNative(std::string_view gbk) {
    for (char c : gbk)
        if (static_cast<unsigned char>(c) >= 0x80)
            return nativePath(gbk);
    return std::string(gbk);
}

bool isRegularFile(const std::string& nativePath) {
    FileStamp stamp;
    return fileStamp(nativePath, stamp) == 0 && stamp.regular;
}

} // namespace

std::string StoredPathInBook(std::string_view gbkFolder, std::string_view gbkStored) {
    // A Windows path ("C:\\..." or "\\\\server\\...") is absolute too, only not on this computer.
    const bool windows = (gbkStored.size() > 1 && gbkStored[1] == ':') || gbkStored.starts_with('\\');
    if (gbkStored.empty() || gbkStored.front() == '/' || windows || gbkFolder.empty())
        return std::string(gbkStored);
    return std::string(gbkFolder) + std::string(gbkStored);
}

// Folding only ASCII letters is safe on UTF-8 names: no byte of a multi-byte character is ASCII.
std::string FoldedName(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string_view LastNameOf(std::string_view gbkPath) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < gbkPath.size(); ++i) {
        const auto c = static_cast<unsigned char>(gbkPath[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < gbkPath.size()) {
            ++i; // a two-byte character; its trail byte may be '\'
            continue;
        }
        if (c == '/' || c == '\\')
            start = i + 1;
    }
    return gbkPath.substr(start);
}

void CSoundFileLocator::SetFolder(const std::string& gbkFolder) {
    m_Folder = gbkFolder;
    m_NativeFolder = toNative(gbkFolder);
    m_NamesKnown = false;
    m_FoldedNames.clear();
}

const std::unordered_map<std::string, std::string>& CSoundFileLocator::foldedNames() {
    FileStamp now;
    const bool statted = fileStamp(m_NativeFolder, now) == 0;
    if (m_NamesKnown && statted && now == m_FolderStamp)
        return m_FoldedNames;
    m_FoldedNames.clear();
    m_NamesKnown = statted;
    m_FolderStamp = now;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_NativeFolder, ec)) {
        std::string name = entry.path().filename().string();
        auto [it, added] = m_FoldedNames.try_emplace(FoldedName(name), name);
        // Names that differ only in case: the smallest wins, whatever order the folder lists them in.
        if (!added && name < it->second)
            it->second = name;
    }
    return m_FoldedNames;
}

std::string CSoundFileLocator::Locate(std::string_view gbkStored, SoundFileFound* how) {
    auto tell = [&](SoundFileFound f) {
        if (how)
            *how = f;
    };
    if (namesNoFile(gbkStored)) {
        tell(SoundFileFound::Missing);
        return std::string(gbkStored);
    }
    if (std::string stored = StoredPathInBook(m_Folder, gbkStored); fileExists(toNative(stored))) {
        tell(SoundFileFound::AsStored);
        return stored;
    }
    const std::string_view name = LastNameOf(gbkStored);
    if (!name.empty() && !m_Folder.empty()) {
        const std::string exact = m_Folder + std::string(name);
        if (isRegularFile(toNative(exact))) {
            tell(SoundFileFound::Relocated);
            return exact;
        }
        const auto& names = foldedNames();
        auto it = names.find(FoldedName(toNative(name)));
        if (it != names.end() && isRegularFile(m_NativeFolder + it->second)) {
            bool ok = false;
            std::string gbkName = gbkFromNative(it->second, &ok);
            if (ok) {
                tell(SoundFileFound::Relocated);
                return m_Folder + gbkName;
            }
        }
    }
    tell(SoundFileFound::Missing);
    return std::string(gbkStored);
}
