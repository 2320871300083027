// A picture: an image from XPM data (the usual form of the program's built-in pictures and
// icons) or from a PNG file. Copies share the image. The windowing backend decodes the image
// and keeps it in its own form; without a backend, nothing loads.
#pragma once

#include <memory>
#include <string>

namespace toolkit {

class TPicture {
public:
    TPicture();
    ~TPicture();
    TPicture(const TPicture&);
    TPicture& operator=(const TPicture&);

    // Returns false (and leaves the picture empty) for data that is no image.
    bool LoadFromXpm(const char* const* xpm);
    bool LoadFromFile(const std::string& path);
    void Clear();
    bool Empty() const;
    int Width() const;
    int Height() const;

    // The decoded image, made by the backend, which alone knows its concrete type.
    struct Impl {
        virtual ~Impl() = default;
        virtual int width() const = 0;
        virtual int height() const = 0;
    };
    const Impl* impl() const { return impl_.get(); }

private:
    std::shared_ptr<const Impl> impl_;
};

} // namespace toolkit
