// An off-screen bitmap with rows running top-down: the back buffer of the timeline and of the 2D
// head. Drawn with QPainter or through its bits; owned by one view and used on the GUI thread.
#pragma once

#include <QImage>
#include <cstdint>

class COffscreenDib {
public:
    COffscreenDib() = default;
    virtual ~COffscreenDib() { Destroy(); }
    COffscreenDib(const COffscreenDib&) = delete;
    COffscreenDib& operator=(const COffscreenDib&) = delete;

    // Replaces any previous bitmap; false below 9 bits per pixel, for a size that is not positive
    // or when memory runs out (the previous bitmap is gone then too). 16, 24 and 32 bits.
    virtual bool Create(int width, int height, int bitsPerPixel);
    virtual int GetWidth() const { return width_; }
    virtual int GetHeight() const { return height_; }
    // Bytes per row: rows start on 4-byte boundaries.
    virtual int GetStride() const { return stride_; }
    virtual uint8_t* GetBits() { return image_.isNull() ? nullptr : image_.bits(); }
    virtual void Destroy();

    int GetBitsPerPixel() const { return bitsPerPixel_; }
    bool IsValid() const { return !image_.isNull(); }
    // The bitmap itself, for QPainter and for copying to a window.
    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }

private:
    QImage image_;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    int bitsPerPixel_ = 0;
};
