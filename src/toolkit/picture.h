// A picture: an image from XPM data (the usual form of the program's built-in pictures and
// icons) or from a PNG file. Copies share the image.
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

    struct Impl;
    const Impl* impl() const { return impl_.get(); }

private:
    std::shared_ptr<Impl> impl_;
};

} // namespace toolkit
