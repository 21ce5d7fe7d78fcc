#include "barcode/RowLayout.h"

#include <algorithm>

QPoint CBarcodeRowLayout::Place(std::int64_t width, int height, bool* newPage) {
    *newPage = false;
    if (m_RowOpen && m_X + width > m_PageWidth)
        FlushRow();
    m_Tallest = std::max(m_Tallest, height);
    if (!m_RowOpen) {
        // A row that does not fit below the last one goes onto a new page.
        if (m_PageY > 0 && static_cast<std::int64_t>(m_PageY) + m_Tallest > m_PageHeight) {
            *newPage = true;
            m_PageY = 0;
        }
        m_X = 0;
        m_RowOpen = true;
    }
    return QPoint(m_X, m_PageY);
}

void CBarcodeRowLayout::Placed(int endX) {
    m_Widest = std::max(m_Widest, endX - m_X);
    const std::int64_t next = static_cast<std::int64_t>(m_X) + m_Widest + m_ColumnGap;
    if (next + m_Widest > m_PageWidth)
        FlushRow();
    else
        m_X = static_cast<int>(next);
}

void CBarcodeRowLayout::FlushRow() {
    if (!m_RowOpen)
        return;
    m_PageY += m_Tallest + m_RowGap;
    m_X = 0;
    m_RowOpen = false;
}
