#include "library/SoundLibrary.h"

#include "library/IndexFormat.h"
#include "platform/Files.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/TempFiles.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

CSoundLibrary* g_pSoundLibrary = nullptr;

const char* const kIndexName = "KIV_Lib.cfg";
const char* const kSettingsName = "KIV.ini";
const char* const kTooLargeText = "条码 \"%s\"超过了最大允许的编号999999，请重新选择声音库目录。 ";
const char* const kTooLargeCaption = "出错了！";
const char* const kCannotSaveSoundText = "出错了! 不能保存录制的声音! ";
const char* const kCannotSaveFileText = "不能保存文件 \"%s\" ! ";
const char* const kIndexTooLargeText =
    "声音库索引文件 \"%s\" 太大，超过了一百万条记录所能占用的大小，不能打开。";

// A message text with its one %s replaced by a GBK text.
QString messageText(const char* utf8Format, std::string_view gbkArg) {
    QString text = QString::fromUtf8(utf8Format);
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

bool statFile(const std::string& nativeFile, struct stat& st) {
    return ::stat(nativeFile.c_str(), &st) == 0;
}

} // namespace

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
    if (g_pSoundLibrary == this)
        g_pSoundLibrary = nullptr;
}

void CSoundLibrary::SetRecorder(std::unique_ptr<SoundRecorder> recorder) {
    std::lock_guard lock(m_Lock);
    if (m_pRecorder && m_pRecorder != recorder)
        m_pRecorder->CloseRecording();
    m_pRecorder = std::move(recorder);
}

std::string CSoundLibrary::IndexPath() const {
    return m_LibraryFolder + kIndexName;
}

std::string CSoundLibrary::soundPathFor(int number) const {
    char name[32];
    std::snprintf(name, sizeof name, "%06d.wav", number);
    return m_LibraryFolder + name;
}

void CSoundLibrary::rememberIndexState(int end) {
    struct stat st {};
    m_IndexState = IndexState();
    if (!statFile(toNative(IndexPath()), st))
        return;
    m_IndexState.known = true;
    m_IndexState.device = st.st_dev;
    m_IndexState.inode = st.st_ino;
    m_IndexState.size = st.st_size;
    m_IndexState.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    m_IndexState.end = end;
}

bool CSoundLibrary::indexStateCurrent() const {
    struct stat st {};
    if (!m_IndexState.known || !statFile(toNative(IndexPath()), st))
        return false;
    return m_IndexState.device == st.st_dev && m_IndexState.inode == st.st_ino &&
           m_IndexState.size == st.st_size &&
           m_IndexState.mtimeNs ==
               static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

const std::string* CSoundLibrary::indexText() {
    if (m_IndexState.known && indexStateCurrent())
        return &m_IndexText;
    forgetIndexText();
    std::string text;
    if (m_IndexRefused || !readWholeFile(toNative(IndexPath()), text, kIndexFileLimit))
        return nullptr;
    IndexEnd end = ScanIndex(text, [](const IndexLine&) {});
    m_IndexText = std::move(text);
    rememberIndexState(static_cast<int>(end));
    if (m_IndexState.size != static_cast<long long>(m_IndexText.size()))
        m_IndexState.known = false;
    return &m_IndexText;
}

void CSoundLibrary::forgetIndexText() {
    m_IndexState.known = false;
    m_IndexText.clear();
    m_IndexText.shrink_to_fit();
    m_Lines = LineTable();
}

void CSoundLibrary::buildLineTable() {
    m_Lines = LineTable();
    IndexEnd end = ScanIndex(m_IndexText, [&](const IndexLine& line) {
        m_Lines.begins.push_back(line.begin);
        m_Lines.numbers.push_back(CodeNumber(CutGbk(line.field[0], kCodeLimit)));
    });
    m_Lines.end = static_cast<int>(end);
    m_Lines.valid = true;
}

IndexLine CSoundLibrary::lineAt(std::size_t i) const {
    // A record starts in a fresh reader state, so reading from its start to the next record's start finds
    // it exactly as a read of the whole text does.
    const std::size_t from = m_Lines.begins[i];
    const std::size_t to = i + 1 < m_Lines.begins.size() ? m_Lines.begins[i + 1] : m_IndexText.size();
    IndexLine found;
    bool got = false;
    ScanIndex(std::string_view(m_IndexText).substr(from, to - from), [&](const IndexLine& line) {
        if (!got) {
            found = line;
            got = true;
        }
    });
    found.begin += from;
    found.end += from;
    return found;
}

bool CSoundLibrary::removeLines(const std::vector<std::size_t>& entries) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    spans.reserve(entries.size());
    for (std::size_t e : entries) {
        IndexLine line = lineAt(e);
        spans.emplace_back(line.begin, line.end);
    }
    std::string& text = m_IndexText;
    const std::size_t size = text.size();
    const bool removedLast = spans.back().second == size;
    // Edited in place: a copy of the whole text would cost as much as writing it.
    std::size_t out = spans.front().first;
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const std::size_t from = spans[k].second;
        const std::size_t to = k + 1 < spans.size() ? spans[k + 1].first : size;
        if (to > from)
            std::memmove(text.data() + out, text.data() + from, to - from);
        out += to - from;
    }
    text.resize(out);
    // Later records keep their bytes and move back by what was removed before them.
    std::size_t write = entries.front(), shift = 0, k = 0;
    for (std::size_t i = entries.front(); i < m_Lines.begins.size(); ++i) {
        if (k < entries.size() && entries[k] == i) {
            shift += spans[k].second - spans[k].first;
            ++k;
            continue;
        }
        m_Lines.begins[write] = m_Lines.begins[i] - shift;
        m_Lines.numbers[write] = m_Lines.numbers[i];
        ++write;
    }
    m_Lines.begins.resize(write);
    m_Lines.numbers.resize(write);
    if (removedLast)
        m_Lines.end = static_cast<int>(IndexEnd::Clean);
    if (!atomicReplace(toNative(IndexPath()), text, LinkPolicy::WriteTarget)) {
        forgetIndexText();
        return false;
    }
    rememberIndexState(m_Lines.end);
    return true;
}

void CSoundLibrary::LoadIndex() {
    std::lock_guard lock(m_Lock);
    ClearRecords();
    forgetIndexText();
    const std::string path = toNative(IndexPath());
    struct stat before {};
    bool statted = statFile(path, before);
    std::string text;
    m_IndexRefused = false;
    if (!readWholeFile(path, text, kIndexFileLimit)) {
        // Not even read: it would take the memory of many books, and nothing here may write over it.
        if (errno == EFBIG) {
            m_IndexRefused = true;
            messageBox(messageText(kIndexTooLargeText, IndexPath()));
        }
        return;
    }
    // The table of record starts comes with the one scan, so the first delete need not scan again.
    LineTable lines;
    const std::size_t lineEnds = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    lines.begins.reserve(lineEnds + 1);
    lines.numbers.reserve(lineEnds + 1);
    IndexEnd end = ScanIndex(text, [&](const IndexLine& line) {
        IndexFields f = FieldsOf(line);
        lines.begins.push_back(line.begin);
        lines.numbers.push_back(CodeNumber(f.code));
        SOUND_RECORD r;
        r.Code = f.code;
        r.Content = f.content;
        r.SoundType = f.soundType;
        r.SoundFile = f.soundFile;
        m_Map.Add(std::move(r));
    });
    rememberIndexState(static_cast<int>(end));
    // Changed while we read it: do not trust what we remember of its end.
    if (!statted || m_IndexState.size != before.st_size || m_IndexState.inode != before.st_ino ||
        static_cast<long long>(text.size()) != m_IndexState.size) {
        forgetIndexText();
    } else {
        m_IndexText = std::move(text);
        lines.end = static_cast<int>(end);
        lines.valid = true;
        m_Lines = std::move(lines);
    }
    // Room for many appended lines before the text has to move.
    m_IndexText.reserve(m_IndexText.size() + m_IndexText.size() / 16 + 4096);
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
    std::string code;
    if (const SOUND_RECORD* over = m_Map.FirstOverLimit(); over && whyNot)
        return fail(messageText(kTooLargeText, over->Code));
    if (!AllocateCode(code))
        return nullptr;
    SOUND_RECORD record;
    record.Code = code;
    record.Content = NormaliseContent(content);
    record.SoundType = "S_WAV";
    const std::string soundPath = soundPathFor(CodeNumber(code));
    const std::string indexPath = IndexPath();
    std::string line;
    if (soundPath.size() > kSoundFileLimit)
        return fail(QString::fromUtf8(kCannotSaveSoundText));
    record.SoundFile = soundPath;
    // Checked before the sound is saved, so a line that cannot be written leaves no sound behind.
    if (!FormatIndexLine(record, line))
        return fail(messageText(kCannotSaveFileText, indexPath));
    // The sound is whole on disk before its line names it: a crash in between leaves an unnamed file that
    // the next filing of this number replaces, never a line without its sound.
    if (!writer(soundPath))
        return fail(QString::fromUtf8(kCannotSaveSoundText));
    // An index whose last line lacks its line end (or leaves a quote open) would swallow the new line.
    const std::string nativeIndex = toNative(indexPath);
    bool ok = true;
    IndexEnd end = IndexEnd::Clean;
    if (fileExists(nativeIndex)) {
        ok = indexText() != nullptr;
        end = static_cast<IndexEnd>(m_IndexState.end);
    } else {
        forgetIndexText();
    }
    const bool textKnown = ok && m_IndexState.known;
    std::string data(AppendPrefix(end));
    data += line;
    if (!ok || !appendDurable(nativeIndex, data)) {
        // Nothing is filed: the sound just saved would be an orphan.
        deleteFile(toNative(soundPath));
        forgetIndexText();
        return fail(messageText(kCannotSaveFileText, indexPath));
    }
    if (textKnown || m_IndexText.empty()) {
        // The appended line is one record, starting right after the prefix.
        if (m_Lines.valid) {
            m_Lines.begins.push_back(m_IndexText.size() + AppendPrefix(end).size());
            m_Lines.numbers.push_back(CodeNumber(CutGbk(record.Code.view(), kCodeLimit)));
            m_Lines.end = static_cast<int>(IndexEnd::Clean);
        }
        m_IndexText += data;
    }
    rememberIndexState(static_cast<int>(IndexEnd::Clean));
    if (m_IndexState.size != static_cast<long long>(m_IndexText.size()))
        forgetIndexText();
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
    if (!m_Map.Owns(record))
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
        messageBox(QString::fromUtf8(kCannotSaveSoundText));
        return 0;
    }
    const std::string nativeIndex = toNative(indexPath);
    const std::string empty;
    const std::string* current = &empty;
    if (fileExists(nativeIndex) && !(current = indexText())) {
        messageBox(messageText(kCannotSaveFileText, indexPath));
        return 0;
    }
    const std::string& text = *current;
    std::size_t begin = 0, end = 0;
    int tail = 0;
    // A line removed by hand while we ran stays removed: the index is left as the user left it.
    if (findOwnLine(text, record, begin, end, tail)) {
        std::string next;
        next.reserve(text.size() + text.size() / 16 + 4096); // room for later appends
        next.append(text, 0, begin);
        next.append(text, end, std::string::npos);
        if (end == text.size())
            tail = static_cast<int>(IndexEnd::Clean);
        next += AppendPrefix(static_cast<IndexEnd>(tail));
        next += line;
        if (!atomicReplace(nativeIndex, next, LinkPolicy::WriteTarget)) {
            forgetIndexText();
            messageBox(messageText(kCannotSaveFileText, indexPath));
            return 0;
        }
        m_IndexText = std::move(next);
        m_Lines = LineTable();
        rememberIndexState(static_cast<int>(IndexEnd::Clean));
    }
    // Only now that the sound and its line are saved does the record name the new file.
    SOUND_RECORD* p = m_Map.ByKey(record->Index);
    p->SoundFile = updated.SoundFile;
    p->SoundType = updated.SoundType;
    p->Content = updated.Content;
    sendMessage(mainWindow(), UM_RECORD_UPDATED, reinterpret_cast<WPARAM>(p), 0);
    return 1;
}

bool CSoundLibrary::findOwnLine(const std::string& text, const SOUND_RECORD* record, std::size_t& begin,
                                std::size_t& end, int& tailEnd) const {
    const int number = CodeNumber(record->Code);
    const int rank = twinRank(record);
    int seen = 0;
    bool found = false;
    IndexEnd e = ScanIndex(text, [&](const IndexLine& line) {
        if (found || CodeNumber(CutGbk(line.field[0], kCodeLimit)) != number)
            return;
        if (sameFields(FieldsOf(line), *record)) {
            if (seen == rank) {
                found = true;
                begin = line.begin;
                end = line.end;
            }
            ++seen;
        }
    });
    tailEnd = static_cast<int>(e);
    return found;
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
    const std::string folder = toNative(m_LibraryFolder);
    const std::string file = toNative(gbkPath);
    auto ours = [](std::string_view name) {
        return name == kIndexName || name == kSettingsName || isTempFileName(std::string(name));
    };
    // Never the running program, under whatever name it is reached.
    static const std::pair<dev_t, ino_t> program = [] {
        struct stat exe {};
        return ::stat("/proc/self/exe", &exe) == 0 ? std::pair(exe.st_dev, exe.st_ino)
                                                   : std::pair<dev_t, ino_t>();
    }();
    auto isProgram = [](const struct stat& st) { return std::pair(st.st_dev, st.st_ino) == program; };
    // A sound the user made read-only stays, as it does where deleting such a file fails.
    auto mayWrite = [](const std::string& path) {
        return ::geteuid() == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
    };
    // The usual case, a plain file named directly in the folder: no link to follow, nothing to resolve.
    if (!folder.empty() && folder.back() == '/' && file.size() > folder.size() &&
        file.compare(0, folder.size(), folder) == 0) {
        std::string_view name = std::string_view(file).substr(folder.size());
        if (name.find('/') == std::string_view::npos && name != "." && name != "..") {
            if (names && !names->count(std::string(name)))
                return false;
            struct stat st {};
            if (::lstat(file.c_str(), &st) != 0)
                return false;
            if (S_ISREG(st.st_mode))
                return !ours(name) && !isProgram(st) && mayWrite(file);
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
    struct stat st {};
    if (::stat(canonicalFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || isProgram(st))
        return false;
    // Neither the name the record gives nor the one it leads to may be one of the program's own files.
    const std::string_view given = std::string_view(file).substr(file.rfind('/') + 1);
    const std::string_view real = std::string_view(canonicalFile).substr(canonicalFile.rfind('/') + 1);
    return !ours(given) && !ours(real) && mayWrite(canonicalFile);
}

bool CSoundLibrary::deleteSoundFileOf(const SOUND_RECORD* record,
                                      const std::unordered_set<std::string>* names) {
    if (!isDeletableSound(record->SoundFile, names))
        return false;
    return deleteFile(toNative(record->SoundFile));
}

int CSoundLibrary::DeleteSoundFile(int number) {
    std::lock_guard lock(m_Lock);
    const SOUND_RECORD* r = m_Map.First(number);
    return r && deleteSoundFileOf(r) ? 1 : 0;
}

int CSoundLibrary::DeleteSoundFile(const SOUND_RECORD* record) {
    std::lock_guard lock(m_Lock);
    return m_Map.Owns(record) && deleteSoundFileOf(record) ? 1 : 0;
}

int CSoundLibrary::RemoveIndexLines(int number) {
    std::lock_guard lock(m_Lock);
    if (!indexText())
        return 0;
    if (!m_Lines.valid)
        buildLineTable();
    std::vector<std::size_t> entries;
    for (std::size_t i = 0; i < m_Lines.numbers.size(); ++i)
        if (m_Lines.numbers[i] == number)
            entries.push_back(i);
    if (entries.empty())
        return 1;
    return removeLines(entries) ? 1 : 0;
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
    std::vector<const SOUND_RECORD*> held;
    std::unordered_set<const SOUND_RECORD*> chosen;
    for (const SOUND_RECORD* r : records)
        if (m_Map.Owns(r) && chosen.insert(r).second)
            held.push_back(r);
    if (held.empty())
        return true;
    if (!indexText())
        return false;
    if (!m_Lines.valid)
        buildLineTable();
    // One pass over the lines finds the candidates of every number concerned.
    std::unordered_map<int, std::vector<std::size_t>> linesOf;
    for (const SOUND_RECORD* r : held)
        linesOf[CodeNumber(r->Code)];
    for (std::size_t i = 0; i < m_Lines.numbers.size(); ++i)
        if (auto it = linesOf.find(m_Lines.numbers[i]); it != linesOf.end())
            it->second.push_back(i);
    // Each record's own line: among the lines with its number and its fields, the one its rank picks.
    std::vector<std::size_t> own;
    for (const SOUND_RECORD* r : held) {
        const int rank = twinRank(r);
        int seen = 0;
        for (std::size_t i : linesOf[CodeNumber(r->Code)]) {
            if (!sameFields(FieldsOf(lineAt(i)), *r))
                continue;
            if (seen++ == rank) {
                own.push_back(i);
                break;
            }
        }
    }
    std::sort(own.begin(), own.end());
    // The index first: if it cannot be rewritten, the records and their sounds stay as they were.
    if (!own.empty() && !removeLines(own))
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
    if (m_IndexRefused)
        return false;
    // Emptying the index comes first: should it fail, nothing is lost.
    if (!atomicReplace(toNative(IndexPath()), std::string_view(), LinkPolicy::WriteTarget)) {
        forgetIndexText();
        trace("DeleteAllRecords(): cannot rewrite %s\n", IndexPath().c_str());
        return false;
    }
    forgetIndexText();
    rememberIndexState(static_cast<int>(IndexEnd::Clean));
    // One listing of the folder spares a system call for each record whose file is not there.
    std::unordered_set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(toNative(m_LibraryFolder), ec))
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
