// Images: where the picture goes (stretched, centred, at the corner) and how large the control
// becomes with AutoSize.
#include "toolkit/image.h"
#include "toolkit/panel.h"
#include "toolkit/windowing.h"

#include <gtest/gtest.h>

using namespace toolkit;

namespace {

// 4 x 2: red left half, blue right half, with one transparent pixel.
const char* const kTinyXpm[] = {"4 2 3 1",  "r c #FF0000", "b c #0000FF",
                                "  c None", "rrbb",        "r bb"};

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tiny.LoadFromXpm(kTinyXpm));
        panel = new TPanel(nullptr);
        panel->SetBevelOuter(TBevelCut::bvNone);
        panel->SetBounds(0, 0, 40, 20);
        panel->SetColor(clWhite);
        image = new TImage(panel);
        image->SetParent(panel);
        image->SetBounds(10, 5, 20, 10);
    }
    void TearDown() override { panel->Free(); }

    TPicture tiny;
    TPanel* panel = nullptr;
    TImage* image = nullptr;
};

TEST_F(ImageTest, PlacementRules) {
    image->SetPicture(tiny);
    EXPECT_EQ(image->DestRect(), Bounds(0, 0, 4, 2));
    image->SetCenter(true);
    EXPECT_EQ(image->DestRect(), Bounds(8, 4, 4, 2));
    image->SetStretch(true);
    EXPECT_EQ(image->DestRect(), Bounds(0, 0, 20, 10));
    EXPECT_EQ(image->BoundsRect(), Bounds(10, 5, 20, 10));
    image->SetAutoSize(true);
    EXPECT_EQ(image->BoundsRect(), Bounds(10, 5, 4, 2));
}

TEST_F(ImageTest, AutoSizeFollowsANewPicture) {
    image->SetAutoSize(true);
    EXPECT_EQ(image->Width(), 20); // no picture yet
    image->SetPicture(tiny);
    EXPECT_EQ(image->BoundsRect(), Bounds(10, 5, 4, 2));
}

TEST_F(ImageTest, PaintsThePictureAndItsTransparency) {
    image->SetPicture(tiny);
    image->SetStretch(true); // 5 x 5 pixels per picture pixel
    Snapshot shot = GrabControl(panel);
    EXPECT_EQ(shot.PixelAt(12, 7), clRed);
    EXPECT_EQ(shot.PixelAt(27, 12), clBlue);
    EXPECT_EQ(shot.PixelAt(5, 5), clWhite); // outside the image
    // The transparent pixel: the image's colour (the parent's) when opaque, the parent when not.
    EXPECT_EQ(shot.PixelAt(17, 12), clWhite);
    image->SetColor(clBlack);
    shot = GrabControl(panel);
    EXPECT_EQ(shot.PixelAt(17, 12), clBlack);
    image->SetTransparent(true);
    shot = GrabControl(panel);
    EXPECT_EQ(shot.PixelAt(17, 12), clWhite);
}

} // namespace
