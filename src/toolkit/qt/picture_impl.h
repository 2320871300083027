// The backend's form of a picture: a QImage in ARGB32.
#pragma once

#include "toolkit/picture.h"

#include <QImage>
#include <memory>
#include <string>

namespace toolkit::qt {

struct QtPicture : TPicture::Impl {
    explicit QtPicture(QImage decoded) : image(std::move(decoded)) {}
    int width() const override { return image.width(); }
    int height() const override { return image.height(); }
    QImage image;
};

// A picture's image; a null image for an empty picture.
const QImage& ImageOf(const TPicture& picture);

std::shared_ptr<const TPicture::Impl> DecodeXpm(const char* const* xpm);
std::shared_ptr<const TPicture::Impl> DecodeImageFile(const std::string& path);

} // namespace toolkit::qt
