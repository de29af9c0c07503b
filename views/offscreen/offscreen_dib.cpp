// The off-screen bitmap over a QImage.
#include "views/offscreen/offscreen_dib.h"

bool COffscreenDib::Create(int width, int height, int bitsPerPixel) {
    if (bitsPerPixel < 9) return false;
    Destroy();
    QImage::Format format;
    switch (bitsPerPixel) {
        case 16: format = QImage::Format_RGB16; break;
        case 24: format = QImage::Format_RGB888; break;
        case 32: format = QImage::Format_RGB32; break;
        default: return false;
    }
    if (width <= 0 || height <= 0) return false;
    QImage image(width, height, format);
    if (image.isNull()) return false;
    image_ = std::move(image);
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    stride_ = static_cast<int>(image_.bytesPerLine());
    return true;
}

void COffscreenDib::Destroy() {
    image_ = QImage();
    width_ = height_ = stride_ = bitsPerPixel_ = 0;
}
