#include "controls/SelfBitmap.h"

#include <QPaintDevice>

namespace {
// Beyond this a pixmap is a mistake, not a picture: refuse it rather than ask for gigabytes.
constexpr int kMaxSide = 32767;
} // namespace

CSelfBitmap::~CSelfBitmap() {
    DeleteObject();
}

bool CSelfBitmap::CreateCompatible(const QPaintDevice* device, int width, int height) {
    m_Pixmap = QPixmap();
    if (device && width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide) {
        QPixmap pixmap(width, height);
        if (!pixmap.isNull()) {
            m_Pixmap = std::move(pixmap);
            m_Width = width;
            m_Height = height;
            return true;
        }
    }
    m_Width = 0;
    m_Height = 0;
    return false;
}

void CSelfBitmap::DeleteObject() {
    m_Pixmap = QPixmap();
    m_pPalette.reset();
    m_Width = 0;
    m_Height = 0;
}
