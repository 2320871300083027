// The bilingual captions: German is the one shown, English is only kept.
#include "controls/ext_controls.h"
#include "controls/ext_speed_button.h"
#include "toolkit/forms.h"

#include <gtest/gtest.h>

using namespace controls;
using namespace toolkit;

namespace {

template <typename T> class BilingualCaption : public ::testing::Test {
protected:
    void TearDown() override { control->Free(); }
    T* control = new T(nullptr);
};

using BilingualClasses = ::testing::Types<TExtLabel, TExtButton, TExtCheckBox, TExtRadioButton,
                                          TExtGroupBox, TExtSpeedButton>;
TYPED_TEST_SUITE(BilingualCaption, BilingualClasses);

TYPED_TEST(BilingualCaption, EnglishIsStoredButNeverShown) {
    this->control->SetCaption("Sichtbar");
    this->control->SetCaptionEnglish("Visible");
    EXPECT_EQ(this->control->Caption(), "Sichtbar");
    EXPECT_EQ(this->control->CaptionEnglish(), "Visible");
    EXPECT_EQ(this->control->CaptionGerman(), "");
}

TYPED_TEST(BilingualCaption, GermanBecomesTheCaptionOnEveryWrite) {
    this->control->SetCaptionGerman("Übernehmen");
    EXPECT_EQ(this->control->Caption(), "Übernehmen");
    // The same text again after the caption was changed directly: written again.
    this->control->SetCaption("anders");
    EXPECT_EQ(this->control->CaptionGerman(), "Übernehmen");
    this->control->SetCaptionGerman("Übernehmen");
    EXPECT_EQ(this->control->Caption(), "Übernehmen");
    // Empty empties the visible caption.
    this->control->SetCaptionGerman("");
    EXPECT_EQ(this->control->Caption(), "");
    EXPECT_EQ(this->control->CaptionGerman(), "");
}

TYPED_TEST(BilingualCaption, DirectCaptionLeavesBothLanguagesAlone) {
    this->control->SetCaptionEnglish("Apply");
    this->control->SetCaptionGerman("Übernehmen");
    this->control->SetCaption(">>");
    EXPECT_EQ(this->control->Caption(), ">>");
    EXPECT_EQ(this->control->CaptionGerman(), "Übernehmen");
    EXPECT_EQ(this->control->CaptionEnglish(), "Apply");
}

// A window description as the program's windows give it: Caption first, then the English and
// the German text; and a control that gives only Caption.
class TCaptionForm : public TForm {
public:
    using TForm::TForm;
    TExtCheckBox* chkOnTop = nullptr;
    TExtButton* btnMore = nullptr;
    TExtSpeedButton* sbMode = nullptr;
    bool loadingWhileDescribed = false;

protected:
    void Describe() override {
        SetName("frmCaptions");
        chkOnTop = new TExtCheckBox(this);
        chkOnTop->SetName("chkOnTop");
        chkOnTop->SetParent(this);
        chkOnTop->SetCaption(" Immer im &Vordergrund");
        chkOnTop->SetCaptionEnglish(" Always On &Top");
        chkOnTop->SetCaptionGerman(" Immer im &Vordergrund");
        loadingWhileDescribed = chkOnTop->IsLoading();

        btnMore = new TExtButton(this);
        btnMore->SetName("btnMore");
        btnMore->SetParent(this);
        btnMore->SetCaption(">>");

        sbMode = new TExtSpeedButton(this);
        sbMode->SetName("sbMode");
        sbMode->SetParent(this);
        sbMode->SetHintEnglish("Mode");
        sbMode->SetHintGerman("Betriebsart");
        sbMode->SetCaptionEnglish("Mode");
        sbMode->SetCaptionGerman("Modus");
    }
};

TEST(BilingualDescription, ControlsShowTheGermanTextsAfterLoading) {
    auto* form = TCustomForm::Create<TCaptionForm>(nullptr);
    EXPECT_TRUE(form->loadingWhileDescribed);
    EXPECT_FALSE(form->chkOnTop->IsLoading());
    EXPECT_EQ(form->chkOnTop->Caption(), " Immer im &Vordergrund");
    EXPECT_EQ(form->chkOnTop->CaptionEnglish(), " Always On &Top");
    EXPECT_EQ(form->chkOnTop->CaptionGerman(), " Immer im &Vordergrund");

    EXPECT_EQ(form->btnMore->Caption(), ">>");
    EXPECT_EQ(form->btnMore->CaptionEnglish(), "");
    EXPECT_EQ(form->btnMore->CaptionGerman(), "");

    EXPECT_EQ(form->sbMode->Caption(), "Modus");
    EXPECT_EQ(form->sbMode->Hint(), "Betriebsart");
    EXPECT_EQ(form->sbMode->HintEnglish(), "Mode");
    EXPECT_EQ(form->sbMode->HintGerman(), "Betriebsart");
    form->Free();
}

TEST(BilingualHint, EnglishHintIsOnlyStored) {
    auto* button = new TExtSpeedButton(nullptr);
    button->SetHint("Hinweis");
    button->SetHintEnglish("Hint");
    EXPECT_EQ(button->Hint(), "Hinweis");
    EXPECT_EQ(button->HintEnglish(), "Hint");
    EXPECT_EQ(button->HintGerman(), "");
    button->SetHintGerman("");
    EXPECT_EQ(button->Hint(), "");
    button->Free();
}

} // namespace
