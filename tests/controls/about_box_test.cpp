// The about box: its texts, its layout and the OK button that ends the modal showing.
#include "controls/about_box.h"
#include "platform_notes.h"
#include "toolkit/application.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <gtest/gtest.h>

using namespace controls;
using namespace toolkit;

namespace {

TEST(AboutBox, CreationFillsNameVersionAndSystem) {
    auto* box = TCustomForm::Create<TAboutBox>(nullptr);
    EXPECT_EQ(box->Caption(), "Info");
    EXPECT_EQ(box->BorderStyle(), TBorderStyle::bsDialog);
    EXPECT_EQ(box->ClientWidth(), 294);
    EXPECT_EQ(box->ClientHeight(), 296);
    EXPECT_EQ(box->Position(), TPosition::poScreenCenter);
    EXPECT_EQ(box->lbName->Caption(), "Orvane");
    EXPECT_EQ(box->lbVersion->Caption(), "Version 1.05");
    EXPECT_EQ(box->lbSys->Caption(), "für Windows(tm) 95/98/ME");
    EXPECT_EQ(box->lbsytem->Caption(), "Sound System");
    EXPECT_EQ(box->lbContact->Caption(), "Kontakt:");
    EXPECT_EQ(box->lbContact->CaptionGerman(), "Kontakt:");
    EXPECT_EQ(box->lbContact->CaptionEnglish(), "Contact:");
    EXPECT_EQ(box->lbDesigned->Caption(), "designed && developed by");
    EXPECT_EQ(box->lbName->Font().Height(), -24);
    EXPECT_EQ(box->lbName->Font().Style(), fsBold | fsItalic);
    EXPECT_EQ(box->lbName->Font().Color(), clNavy);
    EXPECT_EQ(box->lbMail->Font().Color(), clBlue);
    EXPECT_EQ(box->lbMail->Font().Style(), fsUnderline);
    box->Free();
}

TEST(AboutBox, LayoutOfPanelsAndCredits) {
    auto* box = TCustomForm::Create<TAboutBox>(nullptr);
    EXPECT_EQ(box->pnOuter->BoundsRect(), Bounds(4, 2, 285, 257));
    EXPECT_EQ(box->pnInner->Parent(), box->pnOuter);
    EXPECT_EQ(box->pnInner->BoundsRect(), Bounds(8, 8, 269, 241));
    EXPECT_EQ(box->pnInner->Color(), 14803425);
    EXPECT_EQ(box->lbName->BoundsRect(), Bounds(6, 8, 257, 33));
    EXPECT_EQ(box->lbVersion->BoundsRect(), Bounds(6, 64, 257, 16));
    EXPECT_EQ(box->lbSys->Left(), 100);
    EXPECT_EQ(box->lbSys->Top(), 44);
    EXPECT_EQ(box->Bevel1->Shape(), TBevelShape::bsBottomLine);
    EXPECT_EQ(box->imgLogo->Width(), 119);
    EXPECT_EQ(box->imgLogo->Height(), 33);
    EXPECT_EQ(box->imgLogo->Picture().Width(), 119);
    EXPECT_EQ(box->imgLogo->Picture().Height(), 33);
    // The credits and contact area lies between 96 and 234 on the inner panel.
    for (TControl* c :
         {static_cast<TControl*>(box->lbDesigned), static_cast<TControl*>(box->imgLogo),
          static_cast<TControl*>(box->lbThanks), static_cast<TControl*>(box->lbCredits1),
          static_cast<TControl*>(box->lbCredits2), static_cast<TControl*>(box->lbContact),
          static_cast<TControl*>(box->lbMail)}) {
        EXPECT_EQ(c->Parent(), box->pnInner) << c->Name();
        EXPECT_GE(c->Top(), 96) << c->Name();
        EXPECT_LE(c->Top() + c->Height(), 234) << c->Name();
        EXPECT_FALSE(c->Caption().empty() && c != box->imgLogo) << c->Name();
    }
    EXPECT_EQ(box->OKButton->BoundsRect(), Bounds(110, 266, 75, 25));
    EXPECT_TRUE(box->OKButton->Default());
    box->Free();
}

TEST(AboutBox, OkEndsTheModalShowingAndTheBoxCanBeShownAgain) {
    AcceptPlatformLimitNotes notes;
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

TEST(AboutBox, RenderingShowsThePicture) {
    auto* box = TCustomForm::Create<TAboutBox>(nullptr);
    Snapshot shot = GrabControl(box);
    ASSERT_EQ(shot.width, 294);
    // The picture's frame colour at its top-left corner, on the inner panel inside the outer one.
    int x = 4 + 8 + box->imgLogo->Left();
    int y = 2 + 8 + box->imgLogo->Top();
    EXPECT_EQ(shot.PixelAt(x, y), RGB(0x5A, 0x78, 0xC8));
    EXPECT_EQ(shot.PixelAt(x + 1, y + 1), RGB(0x10, 0x1C, 0x48));
    // Inner panel colour beside it.
    EXPECT_EQ(shot.PixelAt(x - 3, y + 10), 14803425);
    box->Free();
}

} // namespace
