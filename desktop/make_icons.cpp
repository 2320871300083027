// Makes the program's icons for the desktop's icon theme from its own meter-bridge icon: PNG
// files of the hicolor sizes and a scalable SVG, written as
//   OUT/hicolor/<N>x<N>/apps/orvane-manager.png and OUT/hicolor/scalable/apps/orvane-manager.svg
//
//   make_icons OUT
#include "app/icons.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <cstdio>
#include <fstream>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The icon at size x size. Whole multiples keep the pixels sharp; other sizes are drawn large
// by whole pixels first and then scaled down smoothly, so every pixel of the original keeps its
// share.
QImage scaledIcon(const QImage& icon, int size) {
    if (size % icon.width() == 0) {
        return icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    QImage large = icon;
    if (size > icon.width()) {
        const int factor = (size + icon.width() - 1) / icon.width();
        large = icon.scaled(icon.width() * factor, icon.height() * factor, Qt::IgnoreAspectRatio,
                            Qt::FastTransformation);
    }
    return large.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The icon as SVG: one rectangle for every run of equal pixels in a row.
std::string svgOf(const QImage& icon) {
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      std::to_string(icon.width()) + "\" height=\"" +
                      std::to_string(icon.height()) + "\" viewBox=\"0 0 " +
                      std::to_string(icon.width()) + " " + std::to_string(icon.height()) +
                      "\" shape-rendering=\"crispEdges\">\n";
    for (int y = 0; y < icon.height(); ++y) {
        int x = 0;
        while (x < icon.width()) {
            const QRgb pixel = icon.pixel(x, y);
            int end = x + 1;
            while (end < icon.width() && icon.pixel(end, y) == pixel) {
                ++end;
            }
            if (qAlpha(pixel) != 0) {
                svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
                       "\" width=\"" + std::to_string(end - x) + "\" height=\"1\" fill=\"" +
                       QColor(pixel).name().toStdString() + "\"/>\n";
            }
            x = end;
        }
    }
    return svg + "</svg>\n";
}

bool write(const QString& path, const std::string& text) {
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons OUT\n");
        return 2;
    }
    const QImage icon = QImage(app::MixerIconXpm()).convertToFormat(QImage::Format_ARGB32);
    if (icon.isNull()) {
        std::fprintf(stderr, "make_icons: the icon did not load\n");
        return 1;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + "/hicolor/";
    for (int size : kSizes) {
        const QString dir = out + QString("%1x%1/apps").arg(size);
        if (!QDir().mkpath(dir) || !scaledIcon(icon, size).save(dir + "/orvane-manager.png")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    const QString scalable = out + "scalable/apps";
    if (!QDir().mkpath(scalable) || !write(scalable + "/orvane-manager.svg", svgOf(icon))) {
        std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(scalable));
        return 1;
    }
    return 0;
}
