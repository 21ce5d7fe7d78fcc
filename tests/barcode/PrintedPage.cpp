#include "PrintedPage.h"

#include "support/TestSupport.h"

#include <QStringList>
#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
QByteArray programOutput(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    const ProcessRun r = runProcess(program, args);
    if (exitCode)
        *exitCode = r.exitCode;
    return r.out.toUtf8();
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Reads a binary PGM (P5, maxval 255) as pdftoppm -gray writes it.
Raster readPgm(const std::string& path) {
    Raster r;
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> r.width >> r.height >> maxval;
    in.get();
    if (magic != "P5" || maxval != 255 || r.width <= 0 || r.height <= 0)
        return Raster{};
    r.pixels.resize(static_cast<std::size_t>(r.width) * r.height);
    in.read(reinterpret_cast<char*>(r.pixels.data()), static_cast<std::streamsize>(r.pixels.size()));
    return r;
}
} // namespace

int pdfPages(const std::string& pdf) {
    int rc = 0;
    const QString info = QString::fromUtf8(programOutput("pdfinfo", {q(pdf)}, &rc));
    if (rc != 0)
        return 0;
    for (const QString& line : info.split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return 0;
}

Raster rasterize(const std::string& pdf, int page, int dpi, int w, int h, int x, int y) {
    const std::string base = pdf + ".r" + std::to_string(page) + "-" + std::to_string(dpi);
    QStringList args{"-r", QString::number(dpi),  "-gray",      "-f", QString::number(page),
                     "-l", QString::number(page), "-singlefile"};
    if (w > 0 && h > 0)
        args << "-x" << QString::number(x) << "-y" << QString::number(y) << "-W" << QString::number(w) << "-H"
             << QString::number(h);
    args << q(pdf) << q(base);
    programOutput("pdftoppm", args);
    Raster r = readPgm(base + ".pgm");
    std::filesystem::remove(base + ".pgm");
    return r;
}

std::string renderPng(const std::string& pdf, int page, int dpi) {
    const std::string base = pdf + ".p" + std::to_string(page);
    programOutput("pdftoppm", {"-r", QString::number(dpi), "-gray", "-png", "-f", QString::number(page), "-l",
                               QString::number(page), "-singlefile", q(pdf), q(base)});
    return base + ".png";
}

namespace {
std::vector<Decoded> parseZbarXml(const QByteArray& xml) {
    std::vector<Decoded> found;
    QXmlStreamReader reader(xml);
    std::string type;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("symbol")) {
            type = reader.attributes().value("type").toString().toStdString();
        } else if (reader.name() == QLatin1String("data")) {
            const bool base64 = reader.attributes().value("format") == QLatin1String("base64");
            const QString text = reader.readElementText();
            const QByteArray bytes = base64 ? QByteArray::fromBase64(text.toLatin1()) : text.toUtf8();
            found.push_back({type, bytes.toStdString()});
        }
    }
    return found;
}

void writePgm(const std::string& path, const Raster& r, int x0, int y0, int w, int h) {
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << w << " " << h << "\n255\n";
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            out.put(static_cast<char>(x >= 0 && y >= 0 && x < r.width && y < r.height
                                          ? r.pixels[static_cast<std::size_t>(y) * r.width + x]
                                          : 255));
}
} // namespace

std::vector<Decoded> decodeEach(const std::string& pdf, int page) {
    constexpr int dpi = 600;
    constexpr int margin = dpi * 4 / 25;     // 4 mm of quiet zone around each cut
    constexpr int splitRun = dpi * 45 / 254; // a white run of 4.5 mm parts two barcodes
    const Raster r = rasterize(pdf, page, dpi);
    std::vector<Decoded> found;
    int y = 0;
    while (y < r.height) {
        // A band of rows holding dark pixels is one row of barcodes.
        auto rowDark = [&](int yy) {
            for (int x = 0; x < r.width; ++x)
                if (r.dark(x, yy))
                    return true;
            return false;
        };
        while (y < r.height && !rowDark(y))
            ++y;
        if (y >= r.height)
            break;
        const int top = y;
        while (y < r.height && rowDark(y))
            ++y;
        const int bottom = y; // exclusive
        const int mid = (top + bottom) / 2;
        int x = 0;
        while (x < r.width) {
            while (x < r.width && !r.dark(x, mid))
                ++x;
            if (x >= r.width)
                break;
            const int left = x;
            int lastDark = x;
            while (x < r.width && x - lastDark < splitRun) {
                if (r.dark(x, mid))
                    lastDark = x;
                ++x;
            }
            const std::string cut = pdf + ".cut.pgm";
            writePgm(cut, r, left - margin, top - margin, lastDark - left + 1 + 2 * margin,
                     bottom - top + 2 * margin);
            auto symbols = parseZbarXml(programOutput("zbarimg", {"-q", "--xml", q(cut)}));
            std::filesystem::remove(cut);
            if (symbols.empty())
                found.push_back({"", ""});
            for (auto& s : symbols)
                found.push_back(std::move(s));
        }
    }
    return found;
}
