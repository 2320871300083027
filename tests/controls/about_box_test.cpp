// The about box: its texts, the picture, and the OK button that ends the modal showing.
#include "controls/about_box.h"
#include "toolkit/application.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <gtest/gtest.h>

using namespace controls;
using namespace toolkit;

namespace {

TEST(AboutBox, TextsAndPicture) {
    auto* box = TCustomForm::Create<TAboutBox>(nullptr);
    EXPECT_EQ(box->Caption(), "Info");
    EXPECT_EQ(box->ClientWidth(), 294);
    EXPECT_EQ(box->ClientHeight(), 296);
    EXPECT_EQ(box->lbName->Caption(), "Orvane");
    EXPECT_EQ(box->lbVersion->Caption(), "Version 1.05");
    EXPECT_EQ(box->lbSys->Caption(), "für Windows(tm) 95/98/ME");
    EXPECT_EQ(box->lbContact->Caption(), "Kontakt:");
    EXPECT_EQ(box->lbContact->CaptionEnglish(), "Contact:");
    // The credits area lies between 96 and 234 of the inner panel.
    for (TControl* c : box->pnInner->ControlList()) {
        if (c->Top() >= 96) {
            EXPECT_LE(c->Top() + c->Height(), 234) << c->Name();
        }
    }
    Snapshot shot = GrabControl(box);
    ASSERT_EQ(shot.width, 294);
    // The picture's frame and background, inside the inner panel inside the outer one.
    int x = 4 + 8 + box->imgLogo->Left();
    int y = 2 + 8 + box->imgLogo->Top();
    EXPECT_EQ(shot.PixelAt(x, y), RGB(0x5A, 0x78, 0xC8));
    EXPECT_EQ(shot.PixelAt(x + 1, y + 1), RGB(0x10, 0x1C, 0x48));
    EXPECT_EQ(shot.PixelAt(x - 3, y + 10), 14803425); // the inner panel beside it
    box->Free();
}

TEST(AboutBox, OkEndsEachModalShowing) {
    auto* box = TCustomForm::Create<TAboutBox>(nullptr);
    constexpr UINT kPressOk = WM_USER + 50;
    box->SetMessageHandler(kPressOk, [box](TMessage&) { box->OKButton->Click(); });
    for (int round = 0; round < 2; ++round) {
        PostMessageA(box->Handle(), kPressOk, 0, 0);
        EXPECT_EQ(box->ShowModal(), mrOk);
        EXPECT_FALSE(box->Visible());
    }
    box->Free();
}

} // namespace
