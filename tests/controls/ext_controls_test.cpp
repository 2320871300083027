// The bilingual captions: German is the one shown, English is only kept.
#include "controls/ext_controls.h"
#include "controls/ext_speed_button.h"
#include "toolkit/forms.h"

#include <gtest/gtest.h>

using namespace controls;
using namespace toolkit;

namespace {

template <typename T> class BilingualCaption : public ::testing::Test {};
using BilingualClasses = ::testing::Types<TExtLabel, TExtButton, TExtCheckBox, TExtRadioButton,
                                          TExtGroupBox, TExtSpeedButton>;
TYPED_TEST_SUITE(BilingualCaption, BilingualClasses);

TYPED_TEST(BilingualCaption, GermanIsShownEnglishIsKept) {
    auto* c = new TypeParam(nullptr);
    c->SetCaption("Sichtbar");
    c->SetCaptionEnglish("Visible");
    EXPECT_EQ(c->Caption(), "Sichtbar");
    EXPECT_EQ(c->CaptionEnglish(), "Visible");
    c->SetCaptionGerman("Übernehmen");
    EXPECT_EQ(c->Caption(), "Übernehmen");
    // A direct caption leaves both languages; the same German text is written again.
    c->SetCaption(">>");
    EXPECT_EQ(c->CaptionGerman(), "Übernehmen");
    EXPECT_EQ(c->CaptionEnglish(), "Visible");
    c->SetCaptionGerman("Übernehmen");
    EXPECT_EQ(c->Caption(), "Übernehmen");
    c->SetCaptionGerman("");
    EXPECT_EQ(c->Caption(), "");
    c->Free();
}

// A description as the program's windows give one: Caption, then English, then German.
class TCaptionForm : public TForm {
public:
    using TForm::TForm;
    TExtCheckBox* chkOnTop = nullptr;
    TExtButton* btnMore = nullptr;
    TExtSpeedButton* sbMode = nullptr;

protected:
    void Describe() override {
        chkOnTop = new TExtCheckBox(this);
        chkOnTop->SetParent(this);
        chkOnTop->SetCaption(" Immer im &Vordergrund");
        chkOnTop->SetCaptionEnglish(" Always On &Top");
        chkOnTop->SetCaptionGerman(" Immer im &Vordergrund");
        btnMore = new TExtButton(this);
        btnMore->SetParent(this);
        btnMore->SetCaption(">>");
        sbMode = new TExtSpeedButton(this);
        sbMode->SetParent(this);
        sbMode->SetHintEnglish("Mode");
        sbMode->SetHintGerman("Betriebsart");
        sbMode->SetCaptionEnglish("Mode");
        sbMode->SetCaptionGerman("Modus");
    }
};

TEST(BilingualDescription, ControlsShowTheGermanTexts) {
    auto* form = TCustomForm::Create<TCaptionForm>(nullptr);
    EXPECT_EQ(form->chkOnTop->Caption(), " Immer im &Vordergrund");
    EXPECT_EQ(form->chkOnTop->CaptionEnglish(), " Always On &Top");
    EXPECT_EQ(form->btnMore->Caption(), ">>");
    EXPECT_EQ(form->btnMore->CaptionGerman(), "");
    EXPECT_EQ(form->sbMode->Caption(), "Modus");
    EXPECT_EQ(form->sbMode->Hint(), "Betriebsart");
    EXPECT_EQ(form->sbMode->HintEnglish(), "Mode");
    form->sbMode->SetHintEnglish("Other");
    EXPECT_EQ(form->sbMode->Hint(), "Betriebsart");
    form->Free();
}

} // namespace
