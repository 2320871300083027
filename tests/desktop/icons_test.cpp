// The icons made at build time for the desktop's icon theme: every hicolor size, drawn from the
// program's own meter-bridge icon, and a scalable one that is the same picture.
#include "app/icons.h"
#include "support/build_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <QImage>
#include <QRect>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::filesystem::path kIcons = std::filesystem::path(ORVANE_ICON_DIR) / "hicolor";

QImage original() {
    return QImage(app::MixerIconXpm()).convertToFormat(QImage::Format_ARGB32);
}

QImage png(int size) {
    const auto path = kIcons / (std::to_string(size) + "x" + std::to_string(size)) / "apps" /
                      "orvane-manager.png";
    return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_ARGB32);
}

// The smallest rectangle that holds every pixel that is not fully transparent.
QRect opaqueBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

TEST(DesktopIcons, EverySizeIsTheMeterBridgeAtThatSize) {
    const QImage icon = original();
    ASSERT_EQ(icon.size(), QSize(32, 32));
    const QRect iconBounds = opaqueBounds(icon);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage image = png(size);
        ASSERT_EQ(image.size(), QSize(size, size)) << size;
        // Nothing cut off and nothing moved: the picture covers the same share of the square.
        const QRect bounds = opaqueBounds(image);
        const double k = size / 32.0;
        EXPECT_NEAR(bounds.left(), iconBounds.left() * k, 1.0) << size;
        EXPECT_NEAR(bounds.top(), iconBounds.top() * k, 1.0) << size;
        EXPECT_NEAR(bounds.right() + 1, (iconBounds.right() + 1) * k, 1.0) << size;
        EXPECT_NEAR(bounds.bottom() + 1, (iconBounds.bottom() + 1) * k, 1.0) << size;
        if (size % 32 == 0) {
            // Whole multiples keep every pixel sharp.
            const int f = size / 32;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    ASSERT_EQ(image.pixel(x, y), icon.pixel(x / f, y / f))
                        << size << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(DesktopIcons, ScalableIconIsTheSamePicture) {
    const std::string svg = orv_test::readFile(kIcons / "scalable" / "apps" / "orvane-manager.svg");
    ASSERT_NE(svg.find("viewBox=\"0 0 32 32\""), std::string::npos);
    // Paint its rectangles into a transparent square and compare with the icon.
    QImage painted(32, 32, QImage::Format_ARGB32);
    painted.fill(0);
    const std::regex rect(
        R"re(<rect x="(\d+)" y="(\d+)" width="(\d+)" height="(\d+)" fill="#([0-9a-f]{6})"/>)re");
    int rects = 0;
    for (std::sregex_iterator it(svg.begin(), svg.end(), rect), end; it != end; ++it) {
        const auto& m = *it;
        const QRgb colour = 0xFF000000u | std::stoul(m[5].str(), nullptr, 16);
        for (int y = std::stoi(m[2]); y < std::stoi(m[2]) + std::stoi(m[4]); ++y) {
            for (int x = std::stoi(m[1]); x < std::stoi(m[1]) + std::stoi(m[3]); ++x) {
                ASSERT_TRUE(painted.rect().contains(x, y));
                ASSERT_EQ(painted.pixel(x, y), 0u) << "painted twice at " << x << "," << y;
                painted.setPixel(x, y, colour);
            }
        }
        ++rects;
    }
    EXPECT_GT(rects, 0);
    EXPECT_EQ(painted, original());
}

} // namespace
