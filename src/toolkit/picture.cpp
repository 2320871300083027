#include "toolkit/picture.h"

#include "toolkit/peer.h"

namespace toolkit {

TPicture::TPicture() = default;
TPicture::~TPicture() = default;
TPicture::TPicture(const TPicture&) = default;
TPicture& TPicture::operator=(const TPicture&) = default;

bool TPicture::LoadFromXpm(const char* const* xpm) {
    WindowingBackend* backend = GetWindowingBackend();
    impl_ = backend != nullptr && xpm != nullptr ? backend->decodeXpm(xpm) : nullptr;
    return impl_ != nullptr;
}

bool TPicture::LoadFromFile(const std::string& path) {
    WindowingBackend* backend = GetWindowingBackend();
    impl_ = backend != nullptr ? backend->decodeImageFile(path) : nullptr;
    return impl_ != nullptr;
}

void TPicture::Clear() {
    impl_.reset();
}
bool TPicture::Empty() const {
    return !impl_;
}
int TPicture::Width() const {
    return impl_ ? impl_->width() : 0;
}
int TPicture::Height() const {
    return impl_ ? impl_->height() : 0;
}

} // namespace toolkit
