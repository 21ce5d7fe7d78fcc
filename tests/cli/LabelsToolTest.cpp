// Label sheets as a user makes them with kivtool: every shipped sheet printed full from a book, read back the
// way a pen and a person would.
#include "barcode/LabelPages.h"
#include "barcode/LabelSheets.h"
#include "barcode/PrintedPage.h"
#include "cli/Kivtool.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"

#include <gtest/gtest.h>

#include <QXmlStreamReader>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {
std::string code(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06d", 100 + i * 37);
    return buf;
}

QString annotation(int i) {
    return QStringLiteral("苹果%1").arg(i);
}

// A book of n records: code(i) annotated annotation(i).
void writeBook(const std::string& folder, int n) {
    std::string index;
    for (int i = 0; i < n; ++i)
        index += code(i) + " \"" + toGbk(annotation(i)) + "\" wav \"" + code(i) + ".wav\"\r\n";
    writeFile(folder + "KIV_Lib.cfg", index);
}

// The book's codes in ascending order, which is the order labels are printed in (the book enumerates its
// records in another).
std::vector<std::string> codeOrder(const std::string& folder) {
    CSoundLibrary library;
    library.SetLibraryFolder(gbkFromNative(folder));
    library.LoadIndex();
    std::vector<std::string> codes;
    library.ForEachRecord([&](const SOUND_RECORD* r) { codes.emplace_back(r->Code.view()); });
    std::sort(codes.begin(), codes.end());
    return codes;
}

// What zbarimg reads in each label of the page, cut out at 300 dpi along the sheet's label rectangles.
std::vector<std::string> readLabels(const std::string& pdf, const CLabelPages& pages) {
    constexpr int dpi = 300;
    const Raster page = rasterize(pdf, 1, dpi);
    QStringList files;
    for (int pos = 0; pos < pages.Sheet().LabelsPerSheet(); ++pos) {
        const QRect r = pages.LabelRect(pos, dpi, dpi);
        const std::string cut = pdf + ".label" + std::to_string(pos) + ".pgm";
        std::ofstream out(cut, std::ios::binary);
        out << "P5\n" << r.width() << " " << r.height() << "\n255\n";
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                out.put(static_cast<char>(x < page.width && y < page.height ? page.pixels[y * page.width + x]
                                                                            : 255));
        files << QString::fromStdString(cut);
    }
    std::map<QString, std::string> found;
    QXmlStreamReader xml(runProcess("zbarimg", QStringList{"-q", "--xml"} + files).out);
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source"))
            source = xml.attributes().value("href").toString();
        else if (xml.name() == QLatin1String("data"))
            found[source] += xml.readElementText().toStdString();
    }
    std::vector<std::string> labels;
    for (const QString& f : files) {
        labels.push_back(found[f]);
        std::filesystem::remove(f.toStdString());
    }
    return labels;
}

// The box of everything printed in a label and around it, at 1200 dpi, in that label's coordinates.
QRect inkBox(const std::string& pdf, const QRect& label, int margin) {
    const QRect area = label.adjusted(-margin, -margin, margin, margin);
    const Raster r = rasterize(pdf, 1, 1200, area.width(), area.height(), area.left(), area.top());
    QRect box;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x)
            if (r.dark(x, y))
                box |= QRect(x - margin, y - margin, 1, 1);
    return box;
}
} // namespace

TEST(LabelsTool, EveryShippedSheetPrintsLabelsAPenAndAPersonCanRead) {
    TempFolder tmp;
    for (const CLabelSheet& sheet : ShippedLabelSheets()) {
        SCOPED_TRACE(sheet.name);
        const int n = sheet.LabelsPerSheet();
        writeBook(tmp.path(), n);
        const std::string pdf = tmp.file(sheet.name + ".pdf");
        const ProcessRun run =
            kivtool({"labels", QString::fromStdString(tmp.path()), "--sheet",
                     QString::fromStdString(sheet.name), "--out", QString::fromStdString(pdf)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("%1 个标签, 1 页").arg(n))) << run.out.toStdString();
        ASSERT_EQ(pdfPages(pdf), 1);

        // The pen: every label's code, in code order, where the sheet puts that label.
        std::vector<CLabel> labels(static_cast<std::size_t>(n));
        const CLabelPages pages(sheet, labels, CLabelOptions());
        EXPECT_EQ(readLabels(pdf, pages), codeOrder(tmp.path()));

        // The person: the digits and the annotation of every label.
        const QString words = runProcess("pdftotext", {QString::fromStdString(pdf), "-"}).out;
        for (int i = 0; i < n; ++i) {
            EXPECT_TRUE(words.contains(QString::fromStdString(code(i)))) << code(i);
            EXPECT_TRUE(words.contains(annotation(i))) << annotation(i).toStdString();
        }

        // Nothing leaves the first and the last label's inner margin (1.5 mm), to 0.2 mm.
        const int mm02 = 1200 * 2 / 254, inner = 1200 * 15 / 254, around = 1200 / 25;
        for (int pos : {0, n - 1}) {
            const QRect label = pages.LabelRect(pos, 1200, 1200);
            const QRect ink = inkBox(pdf, label, around);
            ASSERT_FALSE(ink.isEmpty()) << "label " << pos;
            EXPECT_TRUE(QRect(0, 0, label.width(), label.height())
                            .adjusted(inner - mm02, inner - mm02, mm02 - inner, mm02 - inner)
                            .contains(ink))
                << "label " << pos << " ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
                << ink.height() << " in " << label.width() << "x" << label.height();
        }
    }
}

TEST(LabelsTool, PartUsedSheetAndCopiesFillTheFreePositionsInOrder) {
    TempFolder tmp;
    writeBook(tmp.path(), 3);
    const std::string pdf = tmp.file("part.pdf");
    const ProcessRun run = kivtool({"labels", QString::fromStdString(tmp.path()), "--sheet", "a4-3x8",
                                    "--out", QString::fromStdString(pdf), "--start", "23", "--copies", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(pdfPages(pdf), 2); // positions 23 and 24, then a fresh sheet
    const CLabelPages pages(*FindLabelSheet("a4-3x8"), {}, CLabelOptions());
    const auto first = readLabels(pdf, pages);
    for (int pos = 0; pos < 22; ++pos)
        EXPECT_EQ(first[static_cast<std::size_t>(pos)], "") << pos;
    const std::string firstCode = codeOrder(tmp.path()).front();
    EXPECT_EQ(first[22], firstCode);
    EXPECT_EQ(first[23], firstCode);
}

TEST(LabelsTool, CodeRangeWithoutRecordsWritesNothingAndSaysSo) {
    TempFolder tmp;
    writeBook(tmp.path(), 3);
    const std::string pdf = tmp.file("none.pdf");
    const ProcessRun run = kivtool({"labels", QString::fromStdString(tmp.path()), "--sheet", "a4-3x8",
                                    "--out", QString::fromStdString(pdf), "--codes", "500-600"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("没有录音"))) << run.err.toStdString();
    EXPECT_FALSE(std::filesystem::exists(pdf));

    writeFile(tmp.file("mine.sheet"), "name = mine\ntitle = x\npage-width = -1\n");
    const ProcessRun bad =
        kivtool({"labels", QString::fromStdString(tmp.path()), "--sheet",
                 QString::fromStdString(tmp.file("mine.sheet")), "--out", QString::fromStdString(pdf)});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("mine.sheet 的字段 page-width"))) << bad.err.toStdString();
}

TEST(LabelsTool, TakesTheWindowsSettingsAndWritesOnlyOverAFile) {
    TempFolder tmp;
    writeBook(tmp.path(), 1);
    // The build tree is never a book: the window keeps its KIV.ini in the per-user data folder.
    const std::string windowIni = qEnvironmentVariable("XDG_DATA_HOME").toStdString() + "/KIV/KIV.ini";
    std::filesystem::create_directories(qEnvironmentVariable("XDG_DATA_HOME").toStdString() + "/KIV");
    writeFile(windowIni, "CodeType=0\r\n");
    writeFile(tmp.file("KIV.ini"), "CodeType=3\r\n");
    const std::string pdf = tmp.file("window.pdf");
    const ProcessRun run = kivtoolProcess({"labels", QString::fromStdString(tmp.path()), "--sheet", "a4-3x8",
                                           "--out", QString::fromStdString(pdf)});
    std::filesystem::remove(windowIni);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    std::set<std::string> read;
    for (const Decoded& d : decodeEach(pdf, 1))
        if (!d.type.empty())
            read.insert(d.type + ":" + d.data);
    EXPECT_EQ(read, std::set<std::string>{"CODE-39:" + code(0)});

    // What is in the way of --out and is not a file stays as it was.
    ASSERT_EQ(::mkfifo(tmp.file("pipe").c_str(), 0600), 0);
    // A device of our own: a run that wrongly writes over it must not reach the system's.
    const bool devices = ::mknod(tmp.file("device").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    if (devices)
        std::filesystem::create_symlink(tmp.file("device"), tmp.file("device-link"));
    std::filesystem::create_symlink(tmp.file("gone"), tmp.file("dangling"));
    std::filesystem::create_directory(tmp.file("folder"));
    std::filesystem::create_symlink(pdf, tmp.file("link.pdf"));
    const struct {
        const char* name;
        int status;
        std::filesystem::file_type after;
    } targets[] = {{"pipe", 1, std::filesystem::file_type::fifo},
                   {"device", 1, std::filesystem::file_type::character},
                   {"device-link", 1, std::filesystem::file_type::character},
                   {"dangling", 1, std::filesystem::file_type::not_found},
                   {"folder", 1, std::filesystem::file_type::directory},
                   {"link.pdf", 0, std::filesystem::file_type::regular}};
    for (const auto& t : targets) {
        if (!devices && t.after == std::filesystem::file_type::character)
            continue;
        const ProcessRun r = kivtool({"labels", QString::fromStdString(tmp.path()), "--sheet", "a4-3x8",
                                      "--out", QString::fromStdString(tmp.file(t.name))});
        EXPECT_EQ(r.exitCode, t.status) << t.name << r.err.toStdString();
        EXPECT_EQ(std::filesystem::status(tmp.file(t.name)).type(), t.after) << t.name;
        EXPECT_EQ(r.err.contains(QStringLiteral("不是普通文件")), t.status != 0) << r.err.toStdString();
    }
}
