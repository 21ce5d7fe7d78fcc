// A whole book in one file: packed names that clash, and archives from anyone refused before anything is
// written, with nothing written outside the target and no half-unpacked book left behind.
#include "library/BookArchive.h"
#include "platform/core/Files.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

namespace fs = std::filesystem;

namespace {

struct ZipEntry {
    std::string name, data;
    mode_t mode = S_IFREG | 0644;
    bool encrypt = false;
    bool deflate = false;
};

// libzip stores names it is given as UTF-8 or CP437 text; names in other encodings are patched in afterwards
// ("G1.wav" becomes GBK 你.wav, "FF.wav" bytes that are neither GBK nor UTF-8).
void patchNames(const std::string& path) {
    std::string bytes = readFile(path);
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"G1.wav", "\xC4\xE3.wav"}, {"FF.wav", "\xFF\xFF.wav"}})
        for (std::size_t at = 0; (at = bytes.find(from, at)) != std::string::npos;)
            bytes.replace(at, from.size(), to);
    writeFile(path, bytes);
}

void writeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(z, nullptr);
    for (const ZipEntry& e : entries) {
        zip_source_t* src = zip_source_buffer(z, e.data.data(), e.data.size(), 0);
        const zip_int64_t at = zip_file_add(z, e.name.c_str(), src, ZIP_FL_ENC_RAW);
        ASSERT_GE(at, 0) << e.name << zip_strerror(z);
        const auto i = static_cast<zip_uint64_t>(at);
        zip_file_set_external_attributes(z, i, 0, ZIP_OPSYS_UNIX, static_cast<zip_uint32_t>(e.mode) << 16);
        zip_set_file_compression(z, i, e.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 9);
        if (e.encrypt)
            zip_file_set_encryption(z, i, ZIP_EM_AES_256, "secret");
    }
    ASSERT_EQ(zip_close(z), 0);
    patchNames(path);
}

std::string indexNaming(const std::vector<std::string>& names) {
    std::string text;
    int code = 1;
    for (const std::string& n : names)
        text += "00000" + std::to_string(code++) + "  c  S_WAV  \"C:\\Books\\" + n + "\"\r\n";
    return text;
}

// Every path under the folder, relative to it.
std::set<std::string> everything(const std::string& folder) {
    std::set<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        found.insert(fs::relative(e.path(), folder).string());
    return found;
}

} // namespace

TEST(BookArchive, ClashingNamesArePackedApartAndOnlyTheirLinesNameTheNewFile) {
    TempFolder book, out;
    fs::create_directory(book.file("sub"));
    writeTone(book.file("a.wav"), 0.1, 440);
    writeTone(book.file("sub/a.wav"), 0.1, 880);
    const std::string index = "000001  one  S_WAV  \"" + book.file("a.wav") + "\"\r\n000002  two  S_WAV  \"" +
                              book.file("sub/a.wav") + "\"\r\n000003  gone  S_WAV  \"" + book.file("x.wav") +
                              "\"\r\n";
    writeFile(book.file("KIV_Lib.cfg"), index);
    PackReport packed;
    QString whyNot;
    ASSERT_TRUE(PackBook(book.path(), out.file("b.kivbook"), packed, &whyNot)) << whyNot.toStdString();
    EXPECT_EQ(packed.sounds, 2);
    EXPECT_EQ(packed.renamed, 1);
    ASSERT_EQ(packed.missing.size(), 1u);
    UnpackReport unpacked;
    ASSERT_TRUE(UnpackBook(out.file("b.kivbook"), out.file("new/"), unpacked, &whyNot))
        << whyNot.toStdString();
    EXPECT_EQ(everything(out.file("new")), (std::set<std::string>{"KIV_Lib.cfg", "a.wav", "a-2.wav"}));
    EXPECT_EQ(readFile(out.file("new/a-2.wav")), readFile(book.file("sub/a.wav")));
    const std::string text = readFile(out.file("new/KIV_Lib.cfg"));
    EXPECT_EQ(text.substr(0, index.find("000002")), index.substr(0, index.find("000002")));
    EXPECT_NE(text.find(book.file("sub/a-2.wav")), std::string::npos) << text;
    EXPECT_EQ(unpacked.missing.size(), 1u); // told, the rest unpacked
    // The target must be empty or new: never a merge.
    EXPECT_FALSE(UnpackBook(out.file("b.kivbook"), out.file("new/"), unpacked, &whyNot));
    EXPECT_EQ(everything(out.file("new")).size(), 3u);
}

TEST(BookArchive, HostileArchivesAreRefusedWithNothingWritten) {
    const std::string wave = WaveBytes();
    std::string bomb(40 << 20, '\0');
    struct Case {
        const char* what;
        std::vector<ZipEntry> entries;
    } cases[] = {
        {"parent path", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"../a.wav", wave}}},
        {"absolute path", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"/tmp/a.wav", wave}}},
        {"drive letter", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"C:a.wav", wave}}},
        {"backslash", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"..\\a.wav", wave}}},
        {"symlink", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"a.wav", "/etc/passwd", S_IFLNK | 0777}}},
        {"device", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"a.wav", "", S_IFCHR | 0644}}},
        {"folder", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"d/", "", S_IFDIR | 0755}}},
        {"zip bomb", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"a.wav", bomb, S_IFREG | 0644, false, true}}},
        {"encrypted", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"a.wav", wave, S_IFREG | 0644, true}}},
        {"name neither UTF-8 nor GBK", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {"FF.wav", wave}}},
        {"no index", {{"a.wav", wave}}},
        {"hidden name", {{"KIV_Lib.cfg", indexNaming({"a.wav"})}, {".kivbook-unpacking", ""}}},
    };
    TempFolder parent;
    for (const Case& c : cases) {
        writeZip(parent.file("x.kivbook"), c.entries);
        UnpackReport report;
        QString whyNot;
        EXPECT_FALSE(UnpackBook(parent.file("x.kivbook"), parent.file("book/"), report, &whyNot)) << c.what;
        EXPECT_FALSE(whyNot.isEmpty()) << c.what;
        EXPECT_EQ(everything(parent.path()), std::set<std::string>{"x.kivbook"}) << c.what;
        fs::remove_all(parent.file("book"));
    }

    // Not a zip, a truncated one, and duplicate names (made by renaming one entry's bytes).
    writeFile(parent.file("x.kivbook"), "KIV_Lib.cfg is not here");
    std::vector<std::string> broken{readFile(parent.file("x.kivbook"))};
    writeZip(parent.file("x.kivbook"),
             {{"KIV_Lib.cfg", indexNaming({"a.wav", "b.wav"})}, {"a.wav", wave}, {"b.wav", wave}});
    const std::string whole = readFile(parent.file("x.kivbook"));
    broken.push_back(whole.substr(0, whole.size() - 30));
    std::string twins = whole;
    for (std::size_t at = 0; (at = twins.find("b.wav", at)) != std::string::npos;)
        twins[at] = 'a';
    // The index lines name "a.wav" twice now, too; the archive holds two entries "a.wav".
    broken.push_back(twins);
    for (const std::string& bytes : broken) {
        writeFile(parent.file("x.kivbook"), bytes);
        UnpackReport report;
        QString whyNot;
        EXPECT_FALSE(UnpackBook(parent.file("x.kivbook"), parent.file("book/"), report, &whyNot))
            << bytes.size();
        EXPECT_EQ(everything(parent.path()), std::set<std::string>{"x.kivbook"});
    }

    // Names in GBK and in UTF-8 are both taken, as UTF-8 here; a hand-made zip's one folder is dropped;
    // entries the index does not name are left out.
    writeZip(parent.file("x.zip"), {{"Book/", "", S_IFDIR | 0755},
                                    {"Book/KIV_Lib.cfg", indexNaming({"\xC4\xE3.wav", "\xBA\xC3.wav"})},
                                    {"Book/G1.wav", wave},
                                    {"Book/\xE5\xA5\xBD.wav", wave},
                                    {"Book/Thumbs.db", "junk"}});
    UnpackReport report;
    QString whyNot;
    ASSERT_TRUE(UnpackBook(parent.file("x.zip"), parent.file("book"), report, &whyNot))
        << whyNot.toStdString();
    EXPECT_EQ(everything(parent.file("book")),
              (std::set<std::string>{"KIV_Lib.cfg", "\xE4\xBD\xA0.wav", "\xE5\xA5\xBD.wav"}));
    EXPECT_EQ(report.skipped, 1);
}

TEST(BookArchive, AnUnpackKilledMidWayIsRemovedAtTheNextStart) {
    TempFolder parent, data;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path()));
    fs::create_directories(data.file("KIV/unpacking"));
    // What a killed unpack leaves: its note (a pid that is gone) and its marked, half-filled folder.
    fs::create_directory(parent.file("half"));
    writeFile(parent.file("half/.kivbook-unpacking"), "x.kivbook");
    writeFile(parent.file("half/KIV_Lib.cfg"), "000001 a S_WAV a.wav\r\n");
    writeFile(data.file("KIV/unpacking/999999999"), "1" + parent.file("half/"));
    // A folder without the marker is somebody's book, whatever a note says.
    fs::create_directory(parent.file("kept"));
    writeFile(parent.file("kept/KIV_Lib.cfg"), "");
    writeFile(data.file("KIV/unpacking/999999998"), "0" + parent.file("kept/"));
    EXPECT_EQ(RemoveUnfinishedUnpacks(), 1);
    EXPECT_EQ(everything(parent.path()), (std::set<std::string>{"kept", "kept/KIV_Lib.cfg"}));
    EXPECT_TRUE(everything(data.file("KIV/unpacking")).empty());
    qunsetenv("XDG_DATA_HOME");
}
