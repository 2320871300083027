#pragma once

#include "toolkit/picture.h"

#include <QImage>

namespace toolkit {

struct TPicture::Impl {
    QImage image;
};

} // namespace toolkit
