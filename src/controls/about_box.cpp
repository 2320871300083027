#include "controls/about_box.h"

#include "controls/about_logo.h"

namespace controls {

using namespace toolkit;

namespace {

constexpr TColor kInnerPanelColor = 14803425; // RGB 225, 225, 225

template <typename L>
L* makeLabel(TAboutBox* form, TWinControl* parent, const char* name, int left, int top) {
    auto* label = new L(form);
    label->SetName(name);
    label->SetParent(parent);
    label->SetLeft(left);
    label->SetTop(top);
    label->SetTransparent(true);
    return label;
}

// A label across the inner panel with its text centred.
template <typename L>
L* makeCentredLabel(TAboutBox* form, TWinControl* parent, const char* name, int top, int height) {
    L* label = makeLabel<L>(form, parent, name, 6, top);
    label->SetAutoSize(false);
    label->SetBounds(6, top, 257, height);
    label->SetAlignment(TAlignment::taCenter);
    return label;
}

} // namespace

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
    Publish("FormCreate", this, &TAboutBox::FormCreate);
}

void TAboutBox::FormCreate(TObject*) {
    lbName->SetCaption("Orvane");
    lbVersion->SetCaption("Version 1.05");
    lbSys->SetCaption("für Windows(tm) 95/98/ME");
}

void TAboutBox::Describe() {
    SetName("AboutBox");
    SetCaption("Info");
    SetBorderStyle(TBorderStyle::bsDialog);
    SetClientSize(294, 296);
    SetPosition(TPosition::poScreenCenter);
    SetColor(clBtnFace);
    Font().SetName("MS Sans Serif");
    Font().SetHeight(-11);
    Bind(OnCreate, "FormCreate");

    pnOuter = new TPanel(this);
    pnOuter->SetName("pnOuter");
    pnOuter->SetParent(this);
    pnOuter->SetBounds(4, 2, 285, 257);
    pnOuter->SetBevelInner(TBevelCut::bvRaised);
    pnOuter->SetBevelOuter(TBevelCut::bvLowered);
    pnOuter->SetCaption("");

    pnInner = new TPanel(this);
    pnInner->SetName("pnInner");
    pnInner->SetParent(pnOuter);
    pnInner->SetBounds(8, 8, 269, 241);
    pnInner->SetBevelInner(TBevelCut::bvLowered);
    pnInner->SetBevelOuter(TBevelCut::bvNone);
    pnInner->SetColor(kInnerPanelColor);
    pnInner->SetCaption("");

    lbName = makeCentredLabel<TLabel>(this, pnInner, "lbName", 8, 33);
    lbName->Font().SetName("Arial");
    lbName->Font().SetHeight(-24);
    lbName->Font().SetStyle(fsBold | fsItalic);
    lbName->Font().SetColor(clNavy);

    Bevel1 = new TBevel(this);
    Bevel1->SetName("Bevel1");
    Bevel1->SetParent(pnInner);
    Bevel1->SetBounds(6, 32, 257, 9);
    Bevel1->SetShape(TBevelShape::bsBottomLine);

    lbsytem = makeLabel<TLabel>(this, pnInner, "lbsytem", 8, 44);
    lbsytem->SetCaption("Sound System");
    lbsytem->Font().SetHeight(-13);

    lbSys = makeLabel<TExtLabel>(this, pnInner, "lbSys", 100, 44);
    lbSys->Font().SetHeight(-13);

    lbVersion = makeCentredLabel<TLabel>(this, pnInner, "lbVersion", 64, 16);
    lbVersion->Font().SetHeight(-13);

    Bevel2 = new TBevel(this);
    Bevel2->SetName("Bevel2");
    Bevel2->SetParent(pnInner);
    Bevel2->SetBounds(6, 80, 257, 9);
    Bevel2->SetShape(TBevelShape::bsBottomLine);

    describeCredits();

    OKButton = new TButton(this);
    OKButton->SetName("OKButton");
    OKButton->SetParent(this);
    OKButton->SetBounds(110, 266, 75, 25);
    OKButton->SetCaption("OK");
    OKButton->SetDefault(true);
    OKButton->SetModalResult(mrOk);
}

void TAboutBox::describeCredits() {
    lbDesigned = makeCentredLabel<TExtLabel>(this, pnInner, "lbDesigned", 96, 14);
    lbDesigned->SetCaption("designed && developed by");
    lbDesigned->SetCaptionEnglish("designed && developed by");
    lbDesigned->SetCaptionGerman("designed && developed by");

    imgLogo = new TImage(this);
    imgLogo->SetName("imgLogo");
    imgLogo->SetParent(pnInner);
    imgLogo->SetBounds(75, 112, 119, 33);
    TPicture logo;
    logo.LoadFromXpm(kAboutLogoXpm);
    imgLogo->SetPicture(logo);

    lbThanks = makeCentredLabel<TLabel>(this, pnInner, "lbThanks", 152, 14);
    lbThanks->SetCaption("with special thanks to");

    lbCredits1 = makeCentredLabel<TLabel>(this, pnInner, "lbCredits1", 168, 14);
    lbCredits1->SetCaption("the Orvane Manager for Linux team");

    lbCredits2 = makeCentredLabel<TLabel>(this, pnInner, "lbCredits2", 184, 14);
    lbCredits2->SetCaption("Mara Lindqvist, Tobias Renner, Ines Varga");

    lbContact = makeLabel<TExtLabel>(this, pnInner, "lbContact", 44, 212);
    lbContact->SetCaption("Kontakt:");
    lbContact->SetCaptionEnglish("Contact:");
    lbContact->SetCaptionGerman("Kontakt:");

    lbMail = makeLabel<TLabel>(this, pnInner, "lbMail", 92, 212);
    lbMail->SetCaption("orvane-manager@example.org");
    lbMail->Font().SetColor(clBlue);
    lbMail->Font().SetStyle(fsUnderline);
}

} // namespace controls
