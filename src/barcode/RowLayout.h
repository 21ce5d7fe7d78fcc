#pragma once
// Where "打印条码" puts its barcodes: left to right in rows from the top-left corner of the printable area,
// a new row when a barcode as wide as the widest so far would not fit, a new page when a row would not.
// Geometry only, in device dots; the print job draws at the places it hands out.
#include <QPoint>
#include <cstdint>

class CBarcodeRowLayout {
public:
    CBarcodeRowLayout(int pageWidth, int pageHeight, int columnGap, int rowGap)
        : m_PageWidth(pageWidth), m_PageHeight(pageHeight), m_ColumnGap(columnGap), m_RowGap(rowGap) {}

    // The place for a barcode width x height dots. newPage is set when it goes onto a new page (the caller
    // starts that page before drawing).
    QPoint Place(std::int64_t width, int height, bool* newPage);
    // After drawing at the last place: the symbol ended at endX.
    void Placed(int endX);
    // Ends the current row: the next barcode starts a new one.
    void FlushRow();

private:
    int m_PageWidth;
    int m_PageHeight;
    int m_ColumnGap;
    int m_RowGap;
    int m_X = 0;     // where the next barcode of the row goes
    int m_PageY = 0; // top of the current row on the page
    bool m_RowOpen = false;
    int m_Widest = 0;
    int m_Tallest = 0;
};
