#include "toolkit/qt/icons.h"
#include "toolkit/qt/picture_impl.h"
#include "toolkit/win_ui.h"

#include <QPixmap>

namespace toolkit::qt {
namespace {

std::shared_ptr<const TPicture::Impl> fromImage(const QImage& image) {
    if (image.isNull()) {
        return nullptr;
    }
    return std::make_shared<QtPicture>(image.convertToFormat(QImage::Format_ARGB32));
}

} // namespace

const QImage& ImageOf(const TPicture& picture) {
    static const QImage none;
    // Every picture is made by this backend, so its image is a QtPicture.
    const auto* impl = static_cast<const QtPicture*>(picture.impl());
    return impl != nullptr ? impl->image : none;
}

std::shared_ptr<const TPicture::Impl> DecodeXpm(const char* const* xpm) {
    return fromImage(QImage(xpm));
}

std::shared_ptr<const TPicture::Impl> DecodeImageFile(const std::string& path) {
    return fromImage(QImage(QString::fromStdString(path)));
}

QIcon IconOf(HICON icon) {
    TPicture picture = IconPicture(icon);
    return picture.Empty() ? QIcon() : QIcon(QPixmap::fromImage(ImageOf(picture)));
}

} // namespace toolkit::qt
