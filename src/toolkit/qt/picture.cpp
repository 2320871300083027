#include "toolkit/picture.h"

#include "toolkit/qt/picture_impl.h"

namespace toolkit {

TPicture::TPicture() = default;
TPicture::~TPicture() = default;
TPicture::TPicture(const TPicture&) = default;
TPicture& TPicture::operator=(const TPicture&) = default;

bool TPicture::LoadFromXpm(const char* const* xpm) {
    QImage image(xpm);
    if (image.isNull()) {
        impl_.reset();
        return false;
    }
    impl_ = std::make_shared<Impl>(Impl{image.convertToFormat(QImage::Format_ARGB32)});
    return true;
}

bool TPicture::LoadFromFile(const std::string& path) {
    QImage image(QString::fromStdString(path));
    if (image.isNull()) {
        impl_.reset();
        return false;
    }
    impl_ = std::make_shared<Impl>(Impl{image.convertToFormat(QImage::Format_ARGB32)});
    return true;
}

void TPicture::Clear() {
    impl_.reset();
}
bool TPicture::Empty() const {
    return !impl_;
}
int TPicture::Width() const {
    return impl_ ? impl_->image.width() : 0;
}
int TPicture::Height() const {
    return impl_ ? impl_->image.height() : 0;
}

} // namespace toolkit
