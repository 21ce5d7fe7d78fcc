#pragma once
// Checking printed barcodes the way a reader would: the PDF is rasterised with pdftoppm and decoded with
// zbarimg, both independent of our code.
#include <string>
#include <vector>

struct Decoded {
    std::string type; // "CODE-39", "CODE-128", ...
    std::string data; // the bytes the reader reports
};

// Pages of a PDF file (pdfinfo), 0 when it is not a readable PDF.
int pdfPages(const std::string& pdf);

// A grey raster of one page (1-based), at dpi; cropped to w x h pixels from x, y when w, h > 0.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels; // 0 black ... 255 white
    bool dark(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] < 128; }
};
Raster rasterize(const std::string& pdf, int page, int dpi, int w = 0, int h = 0, int x = 0, int y = 0);
// Writes the raster of one page as PNG next to the PDF; returns its path.
std::string renderPng(const std::string& pdf, int page, int dpi);

// Every barcode on the page, each cut out of a 600-dpi raster and decoded on its own (zbarimg reports two
// alike symbols of one image as one). A barcode the reader cannot read comes back with type "".
std::vector<Decoded> decodeEach(const std::string& pdf, int page);
