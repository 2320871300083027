// Images: where the picture goes and what shows through its transparent pixels.
#include "toolkit/image.h"
#include "toolkit/panel.h"
#include "toolkit/windowing.h"

#include <gtest/gtest.h>

using namespace toolkit;

namespace {

// 4 x 2: red left half, blue right half, one transparent pixel.
const char* const kTinyXpm[] = {"4 2 3 1",  "r c #FF0000", "b c #0000FF",
                                "  c None", "rrbb",        "r bb"};

TEST(Image, PlacementAndTransparency) {
    TPicture tiny;
    ASSERT_TRUE(tiny.LoadFromXpm(kTinyXpm));
    auto* panel = new TPanel(nullptr);
    panel->SetBevelOuter(TBevelCut::bvNone);
    panel->SetBounds(0, 0, 40, 20);
    panel->SetColor(clWhite);
    auto* image = new TImage(panel);
    image->SetParent(panel);
    image->SetBounds(10, 5, 20, 10);
    image->SetPicture(tiny);
    EXPECT_EQ(image->DestRect(), Bounds(0, 0, 4, 2));
    image->SetCenter(true);
    EXPECT_EQ(image->DestRect(), Bounds(8, 4, 4, 2));
    image->SetStretch(true); // 5 x 5 pixels per picture pixel
    EXPECT_EQ(image->DestRect(), Bounds(0, 0, 20, 10));

    Snapshot shot = GrabControl(panel);
    EXPECT_EQ(shot.PixelAt(12, 7), clRed);
    EXPECT_EQ(shot.PixelAt(27, 12), clBlue);
    EXPECT_EQ(shot.PixelAt(17, 12), clWhite); // opaque: the image's colour, the parent's
    image->SetColor(clBlack);
    EXPECT_EQ(GrabControl(panel).PixelAt(17, 12), clBlack);
    image->SetTransparent(true);
    EXPECT_EQ(GrabControl(panel).PixelAt(17, 12), clWhite);

    image->SetAutoSize(true);
    EXPECT_EQ(image->BoundsRect(), Bounds(10, 5, 4, 2));
    panel->Free();
}

} // namespace
