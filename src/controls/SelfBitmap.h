#pragma once
// A bitmap that knows its size in pixels and may own a colour table; the grid list's background picture.
#include <QPixmap>
#include <QRgb>
#include <QVector>
#include <memory>

class QPaintDevice;

class CSelfBitmap {
public:
    CSelfBitmap() = default;
    ~CSelfBitmap();
    CSelfBitmap(const CSelfBitmap&) = delete;
    CSelfBitmap& operator=(const CSelfBitmap&) = delete;

    // Makes a bitmap of that size for drawing on the device. True on success; otherwise the width and the
    // height are 0 and no bitmap is held.
    bool CreateCompatible(const QPaintDevice* device, int width, int height);
    void SetPalette(QVector<QRgb> colours) {
        m_pPalette = std::make_unique<QVector<QRgb>>(std::move(colours));
    }
    void DeleteObject();

    bool IsNull() const { return m_Pixmap.isNull(); }
    int m_Width = 0;
    int m_Height = 0;
    const QVector<QRgb>* Palette() const { return m_pPalette.get(); }

private:
    QPixmap m_Pixmap;
    std::unique_ptr<QVector<QRgb>> m_pPalette;
};
