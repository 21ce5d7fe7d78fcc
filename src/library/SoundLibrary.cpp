#include "library/SoundLibrary.h"

#include "library/IndexFormat.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Messages.h"
#include "platform/core/TempFiles.h"
#include "platform/core/Trace.h"
#include "platform/core/UiText.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <unordered_map>

namespace {

CSoundLibrary* g_pSoundLibrary = nullptr;

const char* const kIndexName = "KIV_Lib.cfg";
const char* const kSettingsName = "KIV.ini";
const char* const kLockName = "KIV_Lib.lock";
const char* const kTooLargeText = "条码 \"%s\"超过了最大允许的编号999999，请重新选择声音库目录。 ";
const char* const kTooLargeCaption = "出错了！";
const char* const kCannotSaveSoundText = "出错了! 不能保存录制的声音! ";
const char* const kCannotSaveFileText = "不能保存文件 \"%s\" ! ";
const char* const kIndexTooLargeText =
    "声音库索引文件 \"%s\" 太大，超过了一百万条记录所能占用的大小，不能打开。";

// A message text with its one %s replaced by a GBK text.
QString messageText(const char* utf8Format, std::string_view gbkArg) {
    QString text = uiText(utf8Format);
    qsizetype at = text.indexOf(QStringLiteral("%s"));
    if (at >= 0)
        text.replace(at, 2, fromGbk(gbkArg));
    return text;
}

// ASCII paths are the same in GBK and UTF-8: skip the conversion, which a delete-all does a million times.
std::string toNative(std::string_view gbk) {
    for (char c : gbk)
        if (static_cast<unsigned char>(c) >= 0x80)
            return nativePath(gbk);
    return std::string(gbk);
}

bool sameFields(const IndexFields& f, const SOUND_RECORD& r) {
    return f.code == r.Code.view() && f.content == r.Content.view() && f.soundType == r.SoundType.view() &&
           f.soundFile == r.SoundFile.view();
}

bool sameFields(const SOUND_RECORD& a, const SOUND_RECORD& b) {
    return a.Code.view() == b.Code.view() && a.Content.view() == b.Content.view() &&
           a.SoundType.view() == b.SoundType.view() && a.SoundFile.view() == b.SoundFile.view();
}

} // namespace

QString IndexTooLargeText(std::string_view gbkIndexPath) {
    return messageText(kIndexTooLargeText, gbkIndexPath);
}

CSoundLibrary& SoundLibrary() {
    return *g_pSoundLibrary;
}
bool HasSoundLibrary() {
    return g_pSoundLibrary != nullptr;
}

CSoundLibrary::CSoundLibrary() {
    g_pSoundLibrary = this;
}

CSoundLibrary::~CSoundLibrary() {
    if (m_pRecorder) {
        m_pRecorder->CloseRecording();
        m_pRecorder.reset();
    }
    ClearRecords();
    CloseBook();
    if (g_pSoundLibrary == this)
        g_pSoundLibrary = nullptr;
}

void CSoundLibrary::SetRecorder(std::unique_ptr<SoundRecorder> recorder) {
    std::lock_guard lock(m_Lock);
    if (m_pRecorder && m_pRecorder != recorder)
        m_pRecorder->CloseRecording();
    m_pRecorder = std::move(recorder);
}

void CSoundLibrary::SetLibraryFolder(const std::string& gbkFolder) {
    std::lock_guard lock(m_Lock);
    m_LibraryFolder = CFolderPath(gbkFolder);
    m_Index.SetPath(toNative(IndexPath()));
    m_Locator.SetFolder(m_LibraryFolder.str());
}

CSoundLibrary::Access CSoundLibrary::OpenBook(const std::string& gbkFolder) {
    std::lock_guard lock(m_Lock);
    CloseBook();
    SetLibraryFolder(gbkFolder);
    const CFolderPath folder = nativeFolder();
    m_OutsideLink.clear();
    for (const char* name : {kIndexName, kSettingsName})
        if (m_OutsideLink.empty() && linkLeavesFolder(folder / name))
            m_OutsideLink = name;
    if (!IndexCanNameFile(soundPathFor(0)))
        m_Access = Access::UnnameableFolder;
    else if (!m_OutsideLink.empty())
        m_Access = Access::LinkLeavesBook;
    else if (!folderWritable(folder.str()))
        m_Access = Access::ReadOnlyFolder;
    else
        takeLock(folder);
    LoadIndex();
    return m_Access;
}

namespace {

// What a lock file says of its holder. QLockFile writes its process id, its name and its host, a line each.
struct LockHolder {
    bool valid = false;
    QString host;
    QDateTime taken;
};

// Reads a lock without waiting: only a small regular file, never through a pipe.
LockHolder lockHolder(const std::string& path) {
    LockHolder holder;
    std::string text;
    if (!readWholeFile(path, text, 4096))
        return holder;
    const QStringList lines = QString::fromUtf8(text.data(), qsizetype(text.size())).split(u'\n');
    bool numeric = false;
    holder.valid = lines.size() >= 3 && lines[0].toLongLong(&numeric) > 0 && numeric;
    holder.host = lines.value(2);
    holder.taken = QFileInfo(QString::fromStdString(path)).lastModified();
    return holder;
}

// A lock no program can hold: something other than a regular file (a pipe would stall whoever reads it),
// or a file without a holder in it that nobody is writing any more.
bool isDeadLock(const std::string& path) {
    const PathKind kind = pathKind(path, false);
    if (!kind.exists || kind.folder)
        return false;
    if (!kind.regular)
        return true;
    if (lockHolder(path).valid)
        return false; // QLockFile asks whether its holder still runs
    // QLockFile locks the file the moment it makes it and then writes its holder: a file nobody holds was
    // left by a program that died, even one killed a moment ago. Where the file system cannot tell, a fresh
    // file gets a moment for its holder to be written.
    if (const int held = fileLockHeld(path); held >= 0)
        return held == 0;
    return std::abs(static_cast<long long>(std::time(nullptr)) - kind.mtimeSeconds) >= 2;
}

} // namespace

void CSoundLibrary::takeLock(const CFolderPath& folder) {
    const std::string path = folder / kLockName;
    m_LockHost.clear();
    m_LockTime.clear();
    m_WriteError = 0;
    // QLockFile guards taking over a dead holder's lock with a second lock file; one left empty by a
    // program killed at that moment would keep the book locked for half a minute.
    for (const std::string& lockFile : {path + ".rmlock", path})
        if (isDeadLock(lockFile))
            deleteFile(lockFile);
    auto bookLock = std::make_unique<QLockFile>(QString::fromStdString(path));
    // A holder keeps its lock however long it runs; only the lock of a program that died on this computer
    // is taken over unasked.
    bookLock->setStaleLockTime(0);
    if (bookLock->tryLock(0)) {
        // A copy ended by a signal takes its lock with it, as it does its temporary files.
        holdTempFile(path);
        m_pBookLock = std::move(bookLock);
        m_Access = Access::Writable;
        return;
    }
    switch (bookLock->error()) {
    case QLockFile::PermissionError:
        m_Access = Access::ReadOnlyFolder;
        return;
    case QLockFile::LockFailedError:
        if (const LockHolder holder = lockHolder(path);
            holder.valid && holder.host != QSysInfo::machineHostName()) {
            m_Access = Access::LockedElsewhere;
            m_LockHost = holder.host;
            m_LockTime = holder.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
            return;
        }
        if (!pathKind(path, false).folder) {
            m_Access = Access::LockedByOther;
            return;
        }
        m_WriteError = EISDIR;
        break;
    default:
        // The lock could be made but not written: say what the folder refuses.
        m_WriteError = folderWriteError(folder.str());
        break;
    }
    m_Access = Access::CannotWrite;
    if (!m_WriteError)
        m_WriteError = EIO;
}

bool CSoundLibrary::TakeOverLock() {
    std::lock_guard lock(m_Lock);
    if (m_Access != Access::LockedElsewhere)
        return m_Access == Access::Writable;
    const CFolderPath folder = nativeFolder();
    const std::string path = folder / kLockName;
    // Only the lock the user was told of: one that changed meanwhile is a new holder's.
    const LockHolder holder = lockHolder(path);
    if (holder.valid && holder.host == m_LockHost)
        deleteFile(path);
    takeLock(folder);
    return m_Access == Access::Writable;
}

QString CSoundLibrary::ReadOnlyReason() const {
    std::lock_guard lock(m_Lock);
    const QString folder = fromGbk(m_LibraryFolder.str());
    switch (m_Access) {
    case Access::Writable:
        return {};
    case Access::ReadOnlyFolder:
        return uiText("点读书文件夹 \"%1\" 不能写入，现在只能点读，不能修改。").arg(folder);
    case Access::LockedByOther:
        return uiText("这本点读书已在另一个KIV中打开，现在只能点读，不能修改。");
    case Access::LockedElsewhere:
        return uiText("这本点读书在另一台电脑（%1）上于 %2 打开，还没有关闭。如果那台电脑上的KIV已经关闭，"
                      "可以接管这本点读书。是否接管？")
            .arg(m_LockHost, m_LockTime);
    case Access::CannotWrite: {
        QString why;
        switch (m_WriteError) {
        case ENOSPC:
            why = uiText("磁盘已满");
            break;
        case EDQUOT:
            why = uiText("超出了磁盘配额");
            break;
        case EROFS:
            why = uiText("磁盘是只读的");
            break;
        case EACCES:
        case EPERM:
            why = uiText("没有写入的权限");
            break;
        case EISDIR:
            why = uiText("\"KIV_Lib.lock\" 是一个文件夹");
            break;
        default:
            why = uiText("读写出错，错误代码 %1").arg(m_WriteError);
        }
        return uiText("点读书文件夹 \"%1\" 不能写入（%2），现在只能点读，不能修改。").arg(folder, why);
    }
    case Access::UnnameableFolder:
        return uiText("点读书文件夹的名称 \"%1\" 里同时有空格和引号（\"），索引文件记不下其中的声音文件，"
                      "现在只能点读，不能修改。请给文件夹换一个名称。")
            .arg(folder);
    case Access::LinkLeavesBook: {
        std::error_code ec;
        const auto target = std::filesystem::weakly_canonical(nativeFolder() / m_OutsideLink, ec);
        return uiText("点读书里的 \"%1\" 链接到点读书文件夹以外的文件 \"%2\"，KIV不会通过它写入别处的文件。"
                      "现在只能点读，不能修改。")
            .arg(QString::fromStdString(m_OutsideLink),
                 QString::fromStdString(ec ? std::string() : target.string()));
    }
    }
    return {};
}

bool CSoundLibrary::RetakeLock() {
    std::lock_guard lock(m_Lock);
    if (m_Access == Access::LockedByOther)
        takeLock(nativeFolder());
    return m_Access == Access::Writable;
}

bool CSoundLibrary::IndexChangedOnDisk() const {
    std::lock_guard lock(m_Lock);
    return !m_LibraryFolder.empty() && m_Index.ChangedOnDisk();
}

void CSoundLibrary::CloseBook() {
    std::lock_guard lock(m_Lock);
    if (m_pBookLock) {
        releaseTempFile(m_pBookLock->fileName().toStdString());
        m_pBookLock.reset();
    }
    m_Access = Access::ReadOnlyFolder;
}

std::string CSoundLibrary::SoundFileToPlay(std::string_view gbkStored, SoundFileFound* how) {
    std::lock_guard lock(m_Lock);
    return m_Locator.Locate(gbkStored, how);
}

CFolderPath CSoundLibrary::nativeFolder() const {
    return CFolderPath(toNative(m_LibraryFolder.str()));
}

std::string CSoundLibrary::IndexPath() const {
    return m_LibraryFolder / kIndexName;
}

std::string CSoundLibrary::soundPathFor(int number) const {
    char name[32];
    std::snprintf(name, sizeof name, "%06d.wav", number);
    return m_LibraryFolder / name;
}

namespace {
SOUND_RECORD recordOf(const IndexLine& line) {
    IndexFields f = FieldsOf(line);
    SOUND_RECORD r;
    r.Code = f.code;
    r.Content = f.content;
    r.SoundType = f.soundType;
    r.SoundFile = f.soundFile;
    return r;
}
} // namespace

void CSoundLibrary::LoadIndex() {
    std::lock_guard lock(m_Lock);
    ClearRecords();
    const bool read = m_Index.Load([&](const IndexLine& line) { m_Map.Add(recordOf(line)); });
    if (!read && m_Index.Refused())
        messageBox(IndexTooLargeText(IndexPath()));
}

bool CSoundLibrary::LoadAppendedRecords(std::vector<const SOUND_RECORD*>& added) {
    std::lock_guard lock(m_Lock);
    return m_Index.LoadAppended([&](const IndexLine& line) { added.push_back(m_Map.Add(recordOf(line))); }) !=
           CIndexFile::Growth::Changed;
}

void CSoundLibrary::ClearRecords() {
    std::lock_guard lock(m_Lock);
    m_Map.Clear();
    ++m_Generation;
}

const SOUND_RECORD* CSoundLibrary::AddRecord(SOUND_RECORD record) {
    std::lock_guard lock(m_Lock);
    return m_Map.Add(std::move(record));
}

int CSoundLibrary::AllocateCode(std::string& code) {
    std::lock_guard lock(m_Lock);
    if (const SOUND_RECORD* over = m_Map.FirstOverLimit()) {
        messageBox(messageText(kTooLargeText, over->Code), QString::fromUtf8(kTooLargeCaption), MB_OK);
        return 0;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%06d", m_Map.MaxNumber() + 1);
    code = text;
    return 1;
}

const SOUND_RECORD* CSoundLibrary::FindRecord(int number, SOUND_RECORD* copy) {
    std::lock_guard lock(m_Lock);
    const SOUND_RECORD* r = m_Map.First(number);
    if (r && copy)
        *copy = *r;
    return r;
}

const SOUND_RECORD* CSoundLibrary::FileRecording(std::string_view content) {
    std::lock_guard lock(m_Lock);
    SoundRecorder* recorder = m_pRecorder.get();
    return fileSound(
        content, [recorder](const std::string& path) { return recorder && recorder->SaveRecording(path); },
        nullptr);
}

const SOUND_RECORD* CSoundLibrary::FileSound(std::string_view content, const SoundWriter& writer,
                                             QString* whyNot) {
    QString ignored;
    return fileSound(content, writer, whyNot ? whyNot : &ignored);
}

const SOUND_RECORD* CSoundLibrary::fileSound(std::string_view content, const SoundWriter& writer,
                                             QString* whyNot) {
    std::lock_guard lock(m_Lock);
    auto fail = [whyNot](const QString& text) -> const SOUND_RECORD* {
        if (whyNot)
            *whyNot = text;
        else
            messageBox(text);
        return nullptr;
    };
    // The window offers nothing that changes a read-only book, so only a caller that asks is told.
    if (IsReadOnly())
        return whyNot ? fail(messageText(kCannotSaveFileText, IndexPath())) : nullptr;
    if (const SOUND_RECORD* over = m_Map.FirstOverLimit(); over && whyNot)
        return fail(messageText(kTooLargeText, over->Code));
    std::string code;
    if (!AllocateCode(code))
        return nullptr;
    SOUND_RECORD record;
    record.Code = code;
    record.Content = NormaliseContent(content);
    record.SoundType = "S_WAV";
    const std::string indexPath = IndexPath();
    std::string line;
    auto formatLine = [&](int number) {
        const std::string soundPath = soundPathFor(number);
        char text[16];
        std::snprintf(text, sizeof text, "%06d", number);
        record.Code = text;
        record.SoundFile = soundPath;
        return soundPath.size() <= kSoundFileLimit && FormatIndexLine(record, line);
    };
    // Checked before the sound is saved, so a line that cannot be written leaves no sound behind.
    if (soundPathFor(CodeNumber(code)).size() > kSoundFileLimit)
        return fail(uiText(kCannotSaveSoundText));
    if (!formatLine(CodeNumber(code)))
        return fail(messageText(kCannotSaveFileText, indexPath));
    // The sound is made under a name of our own and takes its code's name only once whole, never over a
    // file someone else made.
    std::string temp = nativeFolder() / (tempNamePrefix("KIV_Sound.tmp-") + "XXXXXX");
    const int fd = createHeldTempFile(temp);
    if (fd < 0)
        return fail(uiText(kCannotSaveSoundText));
    closeFile(fd);
    deleteFile(temp); // the writer makes the file; a recorder would ask before replacing it
    struct TempName {
        std::string path;
        ~TempName() {
            deleteFile(path);
            releaseTempFile(path);
        }
    } held{temp};
    const std::string gbkTemp = m_LibraryFolder / temp.substr(temp.rfind('/') + 1);
    if (!writer(gbkTemp))
        return fail(uiText(kCannotSaveSoundText));
    // Another program that takes no lock (a copy on a shared folder, a hand edit) may have filed meanwhile:
    // the code comes from the index as it is now. A name that is taken (a sound whose line went, one a
    // killed filing left) is passed over with its code.
    int highest = -1;
    std::string overLimit;
    if (!m_Index.HighestNumber(highest, overLimit))
        return fail(messageText(kCannotSaveFileText, indexPath));
    if (!overLimit.empty())
        return fail(messageText(kTooLargeText, overLimit));
    std::string soundPath;
    for (int number = std::max(highest, m_Map.MaxNumber()) + 1;; ++number) {
        if (number > CRecordMap::kMaxCode)
            return fail(messageText(kTooLargeText, "999999"));
        if (!formatLine(number))
            return fail(messageText(kCannotSaveFileText, indexPath));
        if (renameNoReplace(temp, toNative(record.SoundFile))) {
            soundPath = record.SoundFile.str();
            break;
        }
        if (errno != EEXIST)
            return fail(uiText(kCannotSaveSoundText));
    }
    // The sound is whole on disk before its line names it: a crash in between leaves a file without a line,
    // whose name later filings pass over and that kivtool check names.
    if (!m_Index.AppendLine(line)) {
        // Nothing is filed: the sound just saved would be an orphan.
        deleteFile(toNative(soundPath));
        return fail(messageText(kCannotSaveFileText, indexPath));
    }
    const SOUND_RECORD* added = m_Map.Add(std::move(record));
    sendMessage(mainWindow(), UM_RECORD_ADDED, reinterpret_cast<WPARAM>(added), 0);
    return added;
}

int CSoundLibrary::ReplaceRecording(int number) {
    std::lock_guard lock(m_Lock);
    return ReplaceRecording(m_Map.First(number));
}

int CSoundLibrary::ReplaceRecording(const SOUND_RECORD* record) {
    std::lock_guard lock(m_Lock);
    if (IsReadOnly() || !m_Map.Owns(record))
        return 0;
    const std::string indexPath = IndexPath();
    SOUND_RECORD updated = *record;
    const std::string soundPath = soundPathFor(CodeNumber(record->Code));
    updated.SoundFile = soundPath;
    updated.SoundType = "S_WAV";
    // An empty annotation (from a short hand-edited line) cannot be written as a field.
    if (updated.Content.empty())
        updated.Content = "Null";
    std::string line;
    if (soundPath.size() > kSoundFileLimit || !FormatIndexLine(updated, line)) {
        messageBox(messageText(kCannotSaveFileText, indexPath));
        return 0;
    }
    if (!m_pRecorder || !m_pRecorder->SaveRecording(soundPath)) {
        messageBox(uiText(kCannotSaveSoundText));
        return 0;
    }
    // A line removed by hand while we ran stays removed: the index is left as the user left it.
    std::optional<std::size_t> own;
    if ((fileExists(m_Index.Path()) && !ownLine(record, own)) || (own && !m_Index.MoveLineToEnd(own, line))) {
        messageBox(messageText(kCannotSaveFileText, indexPath));
        return 0;
    }
    // Only now that the sound and its line are saved does the record name the new file.
    SOUND_RECORD* p = m_Map.ByKey(record->Index);
    p->SoundFile = updated.SoundFile;
    p->SoundType = updated.SoundType;
    p->Content = updated.Content;
    sendMessage(mainWindow(), UM_RECORD_UPDATED, reinterpret_cast<WPARAM>(p), 0);
    return 1;
}

bool CSoundLibrary::ownLine(const SOUND_RECORD* record, std::optional<std::size_t>& entry) {
    entry.reset();
    std::vector<std::size_t> entries;
    if (!m_Index.LinesOf(CodeNumber(record->Code), entries))
        return false;
    const int rank = twinRank(record);
    int seen = 0;
    for (std::size_t i : entries) {
        if (!sameFields(FieldsOf(m_Index.LineAt(i)), *record))
            continue;
        if (seen++ == rank) {
            entry = i;
            break;
        }
    }
    return true;
}

int CSoundLibrary::twinRank(const SOUND_RECORD* record) const {
    // Identical twins are told apart by order: the n-th of them (by key) owns the n-th matching line.
    int rank = 0;
    for (int key : m_Map.KeysOf(CodeNumber(record->Code))) {
        const SOUND_RECORD* other = m_Map.ByKey(key);
        if (other && key < record->Index && sameFields(*other, *record))
            ++rank;
    }
    return rank;
}

bool CSoundLibrary::isDeletableSound(std::string_view gbkPath,
                                     const std::unordered_set<std::string>* names) const {
    const std::string folder = nativeFolder().str();
    const std::string file = toNative(gbkPath);
    if (namesNoFile(file))
        return false;
    auto ours = [](std::string_view name) {
        return name == kIndexName || name == kSettingsName || name == kLockName ||
               isTempFileName(std::string(name));
    };
    // Never the running program, under whatever name it is reached.
    static const PathKind program = pathKind(executablePath());
    auto isProgram = [](const PathKind& kind) {
        return program.exists && kind.device == program.device && kind.inode == program.inode;
    };
    // The usual case, a plain file named directly in the folder: no link to follow, nothing to resolve.
    if (!folder.empty() && folder.back() == '/' && file.size() > folder.size() &&
        file.compare(0, folder.size(), folder) == 0) {
        std::string_view name = std::string_view(file).substr(folder.size());
        if (name.find('/') == std::string_view::npos && name != "." && name != "..") {
            if (names && !names->count(std::string(name)))
                return false;
            const PathKind kind = pathKind(file, false);
            if (!kind.exists)
                return false;
            if (kind.regular)
                return !ours(name) && !isProgram(kind) && canWrite(file);
        }
    }
    std::string canonicalFolder = canonicalPath(folder);
    std::string canonicalFile = canonicalPath(file);
    if (canonicalFolder.empty() || canonicalFile.empty())
        return false;
    if (canonicalFolder.back() != '/')
        canonicalFolder += '/';
    if (canonicalFile.size() <= canonicalFolder.size() ||
        canonicalFile.compare(0, canonicalFolder.size(), canonicalFolder) != 0)
        return false;
    if (const PathKind kind = pathKind(canonicalFile); !kind.regular || isProgram(kind))
        return false;
    // Neither the name the record gives nor the one it leads to may be one of the program's own files.
    const std::string_view given = std::string_view(file).substr(file.rfind('/') + 1);
    const std::string_view real = std::string_view(canonicalFile).substr(canonicalFile.rfind('/') + 1);
    // A sound the user made read-only stays, as it does where deleting such a file fails.
    return !ours(given) && !ours(real) && canWrite(canonicalFile);
}

bool CSoundLibrary::deleteSoundFileOf(const SOUND_RECORD* record,
                                      const std::unordered_set<std::string>* names) {
    const std::string file = StoredPathInBook(m_LibraryFolder.str(), record->SoundFile.view());
    if (!isDeletableSound(file, names))
        return false;
    return deleteFile(toNative(file));
}

int CSoundLibrary::DeleteSoundFile(int number) {
    std::lock_guard lock(m_Lock);
    const SOUND_RECORD* r = m_Map.First(number);
    return !IsReadOnly() && r && deleteSoundFileOf(r) ? 1 : 0;
}

int CSoundLibrary::DeleteSoundFile(const SOUND_RECORD* record) {
    std::lock_guard lock(m_Lock);
    return !IsReadOnly() && m_Map.Owns(record) && deleteSoundFileOf(record) ? 1 : 0;
}

int CSoundLibrary::RemoveIndexLines(int number) {
    std::lock_guard lock(m_Lock);
    std::vector<std::size_t> entries;
    if (IsReadOnly() || !m_Index.LinesOf(number, entries))
        return 0;
    if (entries.empty())
        return 1;
    return m_Index.RemoveLines(entries) ? 1 : 0;
}

int CSoundLibrary::DeleteRecord(int number) {
    std::lock_guard lock(m_Lock);
    return DeleteRecord(m_Map.First(number));
}

int CSoundLibrary::DeleteRecord(const SOUND_RECORD* record) {
    std::vector<bool> deleted;
    return DeleteRecords({record}, &deleted) && deleted[0] ? 1 : 0;
}

bool CSoundLibrary::DeleteRecords(const std::vector<const SOUND_RECORD*>& records,
                                  std::vector<bool>* deleted) {
    std::lock_guard lock(m_Lock);
    if (deleted)
        deleted->assign(records.size(), false);
    if (IsReadOnly())
        return false;
    std::vector<const SOUND_RECORD*> held;
    std::unordered_set<const SOUND_RECORD*> chosen;
    for (const SOUND_RECORD* r : records)
        if (m_Map.Owns(r) && chosen.insert(r).second)
            held.push_back(r);
    if (held.empty())
        return true;
    // One pass over the lines finds the candidates of every number concerned.
    std::unordered_map<int, std::vector<std::size_t>> linesOf;
    for (const SOUND_RECORD* r : held)
        linesOf[CodeNumber(r->Code)];
    if (!m_Index.LinesOf(linesOf))
        return false;
    // Each record's own line: among the lines with its number and its fields, the one its rank picks.
    std::vector<std::size_t> own;
    for (const SOUND_RECORD* r : held) {
        const int rank = twinRank(r);
        int seen = 0;
        for (std::size_t i : linesOf[CodeNumber(r->Code)]) {
            if (!sameFields(FieldsOf(m_Index.LineAt(i)), *r))
                continue;
            if (seen++ == rank) {
                own.push_back(i);
                break;
            }
        }
    }
    // A line another program changed is not found, and its sound would go while it names it: the records
    // must be reloaded first.
    if (own.size() < held.size() && m_Index.ChangedOnDisk())
        return false;
    std::sort(own.begin(), own.end());
    // The index first: if it cannot be rewritten, the records and their sounds stay as they were.
    if (!own.empty() && !m_Index.RemoveLines(own))
        return false;
    if (deleted)
        for (std::size_t i = 0; i < records.size(); ++i)
            (*deleted)[i] = chosen.count(records[i]) != 0;
    for (const SOUND_RECORD* r : held) {
        deleteSoundFileOf(r);
        m_Map.Remove(m_Map.ByKey(r->Index));
    }
    return true;
}

bool CSoundLibrary::DeleteAllRecords() {
    std::lock_guard lock(m_Lock);
    if (IsReadOnly())
        return false;
    // Emptying the index comes first: should it fail, nothing is lost.
    if (!m_Index.Clear()) {
        trace("DeleteAllRecords(): cannot rewrite %s\n", IndexPath().c_str());
        return false;
    }
    // One listing of the folder spares a system call for each record whose file is not there.
    std::unordered_set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(nativeFolder().str(), ec))
        names.insert(entry.path().filename().string());
    m_Map.ForEach([&](const SOUND_RECORD* r) { deleteSoundFileOf(r, ec ? nullptr : &names); });
    ClearRecords();
    return true;
}

void CSoundLibrary::ForEachRecord(const std::function<void(const SOUND_RECORD*)>& fn) {
    std::lock_guard lock(m_Lock);
    m_Map.ForEach(fn);
}

std::size_t CSoundLibrary::RecordCount() const {
    std::lock_guard lock(m_Lock);
    return m_Map.Count();
}

int CSoundLibrary::RunningIndex() const {
    std::lock_guard lock(m_Lock);
    return m_Map.NextKey();
}

const SOUND_RECORD* CSoundLibrary::RecordByIndex(int index) const {
    std::lock_guard lock(m_Lock);
    return m_Map.ByKey(index);
}
