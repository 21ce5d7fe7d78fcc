#include "library/BookArchive.h"

#include "library/IndexFormat.h"
#include "library/SoundFileLocator.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Files.h"
#include "platform/core/FolderPath.h"
#include "platform/core/Gbk.h"
#include "platform/core/TempFiles.h"
#include "platform/core/UiText.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <set>
#include <unordered_map>
#include <zip.h>

namespace {

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}

// Strict checks of a name's bytes: well-formed UTF-8 (no overlong forms or surrogates), or GBK made only of
// its one-byte ASCII and its two-byte pairs.
bool isUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (more < 0 || (more > 0 && i + static_cast<std::size_t>(more) >= bytes.size()))
            return false;
        std::uint32_t cp = more == 0 ? c : c & (0x3F >> more);
        for (int k = 1; k <= more; ++k) {
            const auto t = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

bool isGbk(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80)
            continue;
        if (c == 0x80 || c == 0xFF || i + 1 >= bytes.size())
            return false;
        const auto t = static_cast<unsigned char>(bytes[++i]);
        if (t < 0x40 || t == 0x7F || t == 0xFF)
            return false;
    }
    return gbkRoundTrips(bytes);
}

// A name a book's file may have here: one plain component, nothing the file system or another system would
// read as a path, a drive, a hidden file or a control.
bool plainName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name.front() == '.')
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '\\' || c == ':')
            return false;
    return true;
}

// What packing does with a book: its index, and for each sound inside it the name it is stored under.
struct BookPlan {
    std::string index; // the index as it will be packed
    struct Sound {
        std::string file;  // native path on disk
        std::string entry; // name in the archive (UTF-8)
    };
    std::vector<Sound> sounds;
};

bool planBook(const std::string& folder, BookPlan& plan, PackReport& report, QString* whyNot) {
    report = PackReport();
    std::string text;
    if (!readWholeFile(folder + kBookArchiveIndex, text, kIndexFileLimit)) {
        if (whyNot)
            *whyNot = uiText("文件夹 \"%1\" 里没有能读的点读书索引文件 KIV_Lib.cfg。")
                          .arg(QString::fromStdString(folder));
        return false;
    }
    const std::string gbkFolder = gbkFromNative(folder);
    CSoundFileLocator locator;
    locator.SetFolder(gbkFolder);
    const std::string realFolder = canonicalPath(folder) + '/';
    std::unordered_map<std::string, std::string> entryOfFile; // canonical path -> entry name
    std::set<std::string> taken{lower(kBookArchiveIndex), lower(kLabelSheetEntry)};
    struct Rewrite {
        std::size_t begin, end;
        std::string line;
    };
    std::vector<Rewrite> rewrites;
    ScanIndex(text, [&](const IndexLine& line) {
        const IndexFields f = FieldsOf(line);
        if (f.soundFile.empty())
            return;
        const std::string located = locator.Locate(f.soundFile);
        const std::string real = canonicalPath(nativePath(located));
        // Only plain files inside the book travel: a link or a path elsewhere could hand out anything.
        const PathKind kind = pathKind(nativePath(located), false);
        if (real.empty() || real.compare(0, realFolder.size(), realFolder) != 0 || !kind.regular) {
            report.missing.emplace_back(f.soundFile);
            return;
        }
        if (entryOfFile.count(real))
            return;
        std::string name = nativePath(LastNameOf(f.soundFile));
        const bool usable = plainName(name) && isUtf8(name);
        std::string entry = usable ? name : std::string(f.code) + ".wav";
        if (!plainName(entry))
            entry = "sound.wav";
        const auto dot = entry.find_last_of('.');
        const std::string stem = dot == std::string::npos ? entry : entry.substr(0, dot);
        const std::string ext = dot == std::string::npos ? std::string() : entry.substr(dot);
        for (int n = 2; taken.count(lower(entry)); ++n)
            entry = stem + "-" + std::to_string(n) + ext;
        taken.insert(lower(entry));
        entryOfFile[real] = entry;
        plan.sounds.push_back({real, entry});
        report.sounds++;
        report.bytes += static_cast<std::uint64_t>(kind.size);
        if (entry != name) {
            // Only this line changes: its path now ends in the name the sound is stored under.
            const std::string_view stored = f.soundFile;
            const std::string path =
                std::string(stored.substr(0, stored.size() - LastNameOf(stored).size())) +
                gbkFromNative(entry);
            SOUND_RECORD r;
            r.Code = f.code;
            r.Content = f.content.empty() ? std::string_view("Null") : f.content;
            r.SoundType = f.soundType;
            r.SoundFile = path;
            std::string formatted;
            if (FormatIndexLine(r, formatted)) {
                rewrites.push_back({line.begin, line.end, formatted});
                report.renamed++;
            }
        }
    });
    plan.index.reserve(text.size());
    std::size_t at = 0;
    for (const Rewrite& r : rewrites) {
        plan.index.append(text, at, r.begin - at);
        plan.index += r.line;
        at = r.end;
    }
    plan.index.append(text, at, std::string::npos);
    report.bytes += plan.index.size();
    return true;
}

// Where libzip writes a new archive: our own temporary file beside the target (named with our pid, held, so
// a pack killed mid-way is removed by the next pack into that folder), renamed over the target only when
// the archive is whole. libzip's own file target would leave "FILE.kivbook.XXXXXX" behind for good.
struct ArchiveSink {
    std::string target;
    CAtomicFile file;
    zip_uint64_t at = 0, size = 0;
    zip_error_t error;
};

zip_int64_t sinkCommand(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& sink = *static_cast<ArchiveSink*>(state);
    auto failed = [&sink](int zipError) {
        zip_error_set(&sink.error, zipError, errno);
        return zip_int64_t{-1};
    };
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_WRITABLE;
    case ZIP_SOURCE_STAT: // nothing to read: the archive is new
        zip_error_set(&sink.error, ZIP_ER_READ, ENOENT);
        return -1;
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&sink.error, data, length);
    case ZIP_SOURCE_BEGIN_WRITE:
        sink.at = sink.size = 0;
        return sink.file.open(sink.target) ? 0 : failed(ZIP_ER_TMPOPEN);
    case ZIP_SOURCE_WRITE: {
        // libzip appends, and goes back only to complete headers it has written.
        const std::string_view bytes(static_cast<const char*>(data), length);
        const std::size_t inside = static_cast<std::size_t>(std::min(length, sink.size - sink.at));
        if ((inside > 0 && !sink.file.writeAt(static_cast<long long>(sink.at), bytes.substr(0, inside))) ||
            (inside < length && !sink.file.write(bytes.substr(inside))))
            return failed(ZIP_ER_WRITE);
        sink.at += length;
        sink.size = std::max(sink.size, sink.at);
        return static_cast<zip_int64_t>(length);
    }
    case ZIP_SOURCE_SEEK_WRITE: {
        auto* seek = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, length, &sink.error);
        if (!seek)
            return -1;
        const zip_int64_t base = seek->whence == SEEK_SET   ? 0
                                 : seek->whence == SEEK_CUR ? static_cast<zip_int64_t>(sink.at)
                                                            : static_cast<zip_int64_t>(sink.size);
        const zip_int64_t to = base + seek->offset;
        if (to < 0 || to > static_cast<zip_int64_t>(sink.size))
            return failed(ZIP_ER_SEEK);
        sink.at = static_cast<zip_uint64_t>(to);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return static_cast<zip_int64_t>(sink.at);
    case ZIP_SOURCE_COMMIT_WRITE:
        return sink.file.commit() ? 0 : failed(ZIP_ER_WRITE);
    case ZIP_SOURCE_ROLLBACK_WRITE:
        sink.file.discard();
        return 0;
    case ZIP_SOURCE_FREE:
        return 0;
    default:
        zip_error_set(&sink.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

QString zipError(zip_t* z) {
    return QString::fromUtf8(zip_strerror(z));
}

// The folder where this process records the unpacks it has under way, so a later start finds them.
std::string unpackRegistry() {
    return userDataFolder() + "unpacking/";
}

void removeBookFiles(const std::string& folder) {
    // Only plain files at the top: an unpack makes nothing else.
    if (std::vector<std::string> names; folderNames(folder, names))
        for (const std::string& n : names)
            if (n != kUnpackMarker && pathKind(folder + n, false).regular)
                deleteFile(folder + n);
    deleteFile(folder + kUnpackMarker);
}

// One unpack under way: its marker in the target and its note in the registry, both gone when it ends.
class CUnpackGuard {
public:
    CUnpackGuard(std::string folder, bool made) : m_Folder(std::move(folder)), m_Made(made) {
        ensureFolder(unpackRegistry());
        m_Note = unpackRegistry() + std::to_string(currentProcessId());
        atomicReplace(m_Note, (m_Made ? "1" : "0") + m_Folder);
    }
    ~CUnpackGuard() {
        if (!m_Done) {
            removeBookFiles(m_Folder);
            if (m_Made)
                removeEmptyFolder(m_Folder);
        }
        deleteFile(m_Note);
    }
    void done() {
        deleteFile(m_Folder + kUnpackMarker);
        m_Done = true;
    }

private:
    std::string m_Folder, m_Note;
    bool m_Made;
    bool m_Done = false;
};

struct Entry {
    zip_uint64_t index;
    std::string name; // native (UTF-8)
    zip_uint64_t size;
};

} // namespace

bool SurveyBook(const std::string& bookFolder, PackReport& report, QString* whyNot) {
    BookPlan plan;
    return planBook(bookFolder, plan, report, whyNot);
}

bool PackBook(const std::string& bookFolder, const std::string& archivePath, PackReport& report,
              QString* whyNot, const std::string& labelSheetPdf) {
    auto fail = [whyNot](const QString& text) {
        if (whyNot)
            *whyNot = text;
        return false;
    };
    const QString archiveName = QString::fromStdString(archivePath);
    // A pipe, a device or a folder in the way is the user's, and a pipe would keep us waiting.
    if (const PathKind kind = pathKind(archivePath); kind.exists && !kind.regular)
        return fail(uiText("\"%1\" 已经存在，但不是普通文件，不能写成点读书文件。").arg(archiveName));
    BookPlan plan;
    if (!planBook(bookFolder, plan, report, whyNot))
        return false;
    const auto slash = archivePath.find_last_of('/');
    removeStaleTempFiles(slash == std::string::npos ? std::string() : archivePath.substr(0, slash + 1));

    ArchiveSink sink;
    sink.target = archivePath;
    zip_error_init(&sink.error);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_function_create(sinkCommand, &sink, &error);
    ZipPtr z(target ? zip_open_from_source(target, ZIP_CREATE | ZIP_TRUNCATE, &error) : nullptr);
    if (!z) {
        if (target)
            zip_source_free(target);
        zip_error_fini(&error);
        return fail(uiText("不能写文件 \"%1\"。").arg(archiveName));
    }
    zip_error_fini(&error);
    zip_source_t* index = zip_source_buffer(z.get(), plan.index.data(), plan.index.size(), 0);
    if (!index || zip_file_add(z.get(), kBookArchiveIndex, index, ZIP_FL_ENC_UTF_8) < 0)
        return fail(zipError(z.get()));
    std::vector<BookPlan::Sound> files = plan.sounds;
    if (!labelSheetPdf.empty())
        files.push_back({labelSheetPdf, kLabelSheetEntry});
    for (const BookPlan::Sound& s : files) {
        // Read from disk while the archive is written, a piece at a time: memory stays flat.
        zip_source_t* src = zip_source_file(z.get(), s.file.c_str(), 0, -1);
        zip_int64_t at = src ? zip_file_add(z.get(), s.entry.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (at < 0) {
            if (src)
                zip_source_free(src);
            return fail(zipError(z.get()));
        }
        // Sounds hardly shrink: storing them keeps packing as fast as copying.
        zip_set_file_compression(z.get(), static_cast<zip_uint64_t>(at), ZIP_CM_STORE, 0);
    }
    if (zip_close(z.get()) != 0)
        return fail(uiText("不能写文件 \"%1\"：%2").arg(archiveName, zipError(z.get())));
    (void)z.release();
    return true;
}

QString UnpackTargetProblem(const std::string& folder) {
    const PathKind kind = pathKind(folder, false);
    if (!kind.exists)
        return errno == ENOENT ? QString()
                               : uiText("不能使用文件夹 \"%1\"。").arg(QString::fromStdString(folder));
    if (!kind.folder)
        return uiText("\"%1\" 不是文件夹（或是一个链接）。").arg(QString::fromStdString(folder));
    if (std::vector<std::string> names; folderNames(folder, names) && names.empty())
        return {};
    return uiText("文件夹 \"%1\" 不是空的：点读书只能解压到空文件夹或新文件夹里。")
        .arg(QString::fromStdString(folder));
}

bool IsBookArchive(const std::string& path) {
    if (lower(path).size() > 8 && lower(path).compare(path.size() - 8, 8, ".kivbook") == 0)
        return true;
    int err = 0;
    ZipPtr z(zip_open(path.c_str(), ZIP_RDONLY, &err));
    return z && zip_name_locate(z.get(), kBookArchiveIndex, 0) >= 0;
}

bool UnpackBook(const std::string& archivePath, const std::string& folderIn, UnpackReport& report,
                QString* whyNot) {
    report = UnpackReport();
    auto fail = [whyNot](const QString& text) {
        if (whyNot)
            *whyNot = text;
        return false;
    };
    const QString archiveName = QString::fromStdString(archivePath);
    const std::string folder = CFolderPath(folderIn).str();
    if (const QString problem = UnpackTargetProblem(folder.substr(0, folder.size() - 1)); !problem.isEmpty())
        return fail(problem);
    // Never wait on a pipe or read a device.
    if (!pathKind(archivePath).regular)
        return fail(uiText("找不到点读书文件 \"%1\"（或它不是普通文件）。").arg(archiveName));
    int err = 0;
    ZipPtr z(zip_open(archivePath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err));
    if (!z)
        return fail(err == ZIP_ER_NOZIP || err == ZIP_ER_INCONS
                        ? uiText("\"%1\" 不是点读书文件（不是完整的 zip 压缩包）。").arg(archiveName)
                        : uiText("不能打开点读书文件 \"%1\"。").arg(archiveName));
    const zip_int64_t count = zip_get_num_entries(z.get(), 0);
    if (count < 0 || static_cast<zip_uint64_t>(count) > kArchiveEntryLimit)
        return fail(uiText("\"%1\" 里的文件太多，不是一本点读书。").arg(archiveName));

    // The whole archive is checked before anything is written.
    auto bad = [&](const QString& why) {
        return fail(uiText("点读书文件 \"%1\" 不能解压：%2").arg(archiveName, why));
    };
    std::map<std::string, Entry> entries; // by name
    // A book zipped by hand often sits in a folder of its own inside the zip: that one folder is dropped.
    std::string prefix;
    if (zip_name_locate(z.get(), kBookArchiveIndex, ZIP_FL_ENC_RAW) < 0) {
        for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count) && prefix.empty(); ++i) {
            const char* raw = zip_get_name(z.get(), i, ZIP_FL_ENC_RAW);
            const std::string_view name = raw ? raw : "";
            const auto slash = name.find('/');
            if (slash != std::string_view::npos && slash > 0 && name.substr(slash + 1) == kBookArchiveIndex)
                prefix = std::string(name.substr(0, slash + 1));
        }
    }
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t st;
        const char* raw = zip_get_name(z.get(), i, ZIP_FL_ENC_RAW);
        if (!raw || zip_stat_index(z.get(), i, ZIP_FL_ENC_RAW, &st) != 0)
            return bad(uiText("压缩包坏了"));
        std::string name(raw);
        if (!prefix.empty()) {
            if (name == prefix)
                continue;
            if (name.compare(0, prefix.size(), prefix) != 0)
                return bad(uiText("\"%1\" 不在点读书的文件夹里").arg(QString::fromUtf8(raw)));
            name.erase(0, prefix.size());
        }
        if (!isUtf8(name)) {
            if (!isGbk(name))
                return bad(uiText("有文件名既不是 UTF-8 也不是 GBK"));
            name = nativePath(name);
        }
        const QString shown = QString::fromStdString(name);
        if (!plainName(name))
            return bad(uiText("文件名 \"%1\" 带有路径、盘符、反斜杠或隐藏文件名").arg(shown));
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(z.get(), i, 0, &opsys, &attributes) == 0 &&
            opsys == ZIP_OPSYS_UNIX) {
            // The file type bits of a Unix mode as zip stores them (the format's, whatever system reads it).
            constexpr zip_uint32_t kTypeBits = 0170000, kRegularFile = 0100000;
            const zip_uint32_t type = (attributes >> 16) & kTypeBits;
            if (type != 0 && type != kRegularFile)
                return bad(uiText("\"%1\" 不是普通文件（链接、文件夹或设备）").arg(shown));
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            return bad(uiText("\"%1\" 加了密码").arg(shown));
        if (!(st.valid & ZIP_STAT_SIZE) || !(st.valid & ZIP_STAT_COMP_SIZE) ||
            !zip_compression_method_supported(st.comp_method, 0))
            return bad(uiText("\"%1\" 的压缩方式不能读").arg(shown));
        if (st.size > 1024 * 1024 && st.size / (st.comp_size + 1) > kArchiveRatioLimit)
            return bad(uiText("\"%1\" 解压后大得不合常理（压缩炸弹？）").arg(shown));
        if (!entries.emplace(name, Entry{i, name, st.size}).second)
            return bad(uiText("文件名 \"%1\" 出现了两次").arg(shown));
    }
    const auto indexEntry = entries.find(kBookArchiveIndex);
    if (indexEntry == entries.end())
        return bad(uiText("里面没有点读书索引文件 KIV_Lib.cfg"));
    if (indexEntry->second.size > kIndexFileLimit)
        return bad(uiText("索引文件太大"));

    // The index decides which entries the book uses; read it whole (it is bounded) before writing.
    std::string index;
    {
        zip_file_t* f = zip_fopen_index(z.get(), indexEntry->second.index, 0);
        if (!f)
            return bad(zipError(z.get()));
        index.resize(indexEntry->second.size);
        const zip_int64_t got = zip_fread(f, index.data(), index.size());
        char extra;
        const bool whole = got == static_cast<zip_int64_t>(index.size()) && zip_fread(f, &extra, 1) == 0;
        zip_fclose(f);
        if (!whole)
            return bad(uiText("索引文件读不完整"));
    }
    // The label sheet a pack may carry comes along, for the receiver to print.
    std::set<std::string> used{kBookArchiveIndex};
    if (entries.count(kLabelSheetEntry))
        used.insert(kLabelSheetEntry);
    std::map<std::string, std::string> byLower;
    for (const auto& [name, e] : entries)
        byLower.emplace(lower(name), name);
    ScanIndex(index, [&](const IndexLine& line) {
        const IndexFields f = FieldsOf(line);
        if (f.soundFile.empty())
            return;
        const std::string name = nativePath(LastNameOf(f.soundFile));
        if (entries.count(name))
            used.insert(name);
        else if (auto it = byLower.find(lower(name)); it != byLower.end())
            used.insert(it->second);
        else
            report.missing.emplace_back(f.soundFile);
    });
    zip_uint64_t needed = 0;
    for (const std::string& name : used)
        needed += entries[name].size;
    report.skipped = static_cast<int>(entries.size() - used.size());

    const bool made = !fileExists(folder);
    if (made && !ensureFolder(folder))
        return fail(uiText("不能建立文件夹 \"%1\"。").arg(QString::fromStdString(folder)));
    if (const long long free = freeBytes(folder);
        free >= 0 && static_cast<unsigned long long>(free) < needed + 16 * 1024 * 1024) {
        if (made)
            removeEmptyFolder(folder);
        return fail(uiText("磁盘空间不够：解压这本点读书需要 %1 MB。").arg(needed / (1024 * 1024) + 1));
    }

    CUnpackGuard guard(folder, made);
    if (!atomicReplace(folder + kUnpackMarker, archivePath))
        return fail(uiText("不能在文件夹 \"%1\" 里写文件。").arg(QString::fromStdString(folder)));
    std::vector<char> buffer(1 << 20);
    for (const std::string& name : used) {
        const Entry& e = entries[name];
        const std::string path = folder + name;
        const int fd = createNewFile(path);
        if (fd < 0)
            return fail(uiText("不能写文件 \"%1\"。").arg(QString::fromStdString(path)));
        zip_file_t* f = zip_fopen_index(z.get(), e.index, 0);
        bool ok = f != nullptr;
        zip_uint64_t written = 0;
        while (ok) {
            const zip_int64_t got = zip_fread(f, buffer.data(), buffer.size());
            if (got <= 0) {
                ok = got == 0 && written == e.size;
                break;
            }
            written += static_cast<zip_uint64_t>(got);
            // Never more than the entry declared: a lying header does not fill the disk.
            if (written > e.size) {
                ok = false;
                break;
            }
            ok = writeAll(fd, std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        }
        if (f)
            zip_fclose(f);
        if (!closeFile(fd))
            ok = false;
        if (!ok)
            return fail(written > e.size || !f
                            ? uiText("点读书文件 \"%1\" 坏了（\"%2\" 读不出来）。")
                                  .arg(archiveName, QString::fromStdString(name))
                            : uiText("解压 \"%1\" 时出错（磁盘满了？），没有留下解压了一半的点读书。")
                                  .arg(QString::fromStdString(name)));
        if (name != kBookArchiveIndex && name != kLabelSheetEntry)
            report.sounds++;
    }
    // Everything on disk before the marker goes: a crash after this leaves a whole book.
    syncFileSystem(folder);
    guard.done();
    return true;
}

int RemoveUnfinishedUnpacks() {
    int removed = 0;
    const std::string registry = unpackRegistry();
    std::vector<std::string> notes;
    if (!folderNames(registry, notes))
        return 0;
    for (const std::string& note : notes) {
        if (note.front() == '.')
            continue;
        char* end = nullptr;
        const long pid = std::strtol(note.c_str(), &end, 10);
        if (!end || *end != '\0' || pid <= 0 || processRunning(pid))
            continue; // still running (or not one of ours)
        std::string text;
        if (readWholeFile(registry + note, text, 8192) && text.size() > 2) {
            const bool made = text[0] == '1';
            const std::string folder = text.substr(1);
            // Only a folder that still carries our marker is ours to empty.
            if (pathKind(folder + kUnpackMarker, false).regular) {
                removeBookFiles(folder);
                if (made)
                    removeEmptyFolder(folder);
                ++removed;
            }
        }
        deleteFile(registry + note);
    }
    return removed;
}
