// The information dialog: product name, platform and version, and a credits and contact area.
// Created once and shown modally; OK (the default button), Enter or the close box end it.
#pragma once

#include "controls/ext_controls.h"
#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/forms.h"
#include "toolkit/image.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"

namespace controls {

class TAboutBox : public toolkit::TForm {
public:
    explicit TAboutBox(toolkit::TComponent* owner);

    toolkit::TPanel* pnOuter = nullptr;
    toolkit::TPanel* pnInner = nullptr;
    toolkit::TLabel* lbName = nullptr;
    toolkit::TBevel* Bevel1 = nullptr;
    toolkit::TLabel* lbsytem = nullptr;
    TExtLabel* lbSys = nullptr;
    toolkit::TLabel* lbVersion = nullptr;
    toolkit::TBevel* Bevel2 = nullptr;
    TExtLabel* lbDesigned = nullptr;
    toolkit::TImage* imgLogo = nullptr;
    toolkit::TLabel* lbThanks = nullptr;
    toolkit::TLabel* lbCredits1 = nullptr;
    toolkit::TLabel* lbCredits2 = nullptr;
    TExtLabel* lbContact = nullptr;
    toolkit::TLabel* lbMail = nullptr;
    toolkit::TButton* OKButton = nullptr;

    // Fills the name, version and system labels.
    void FormCreate(toolkit::TObject* Sender);

protected:
    void Describe() override;

private:
    void describeCredits();
};

} // namespace controls
