// A small form of the windowing toolkit: panels, labels, check boxes, buttons.
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/check_box.h"
#include "toolkit/forms.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

using namespace toolkit;

class TDemoForm : public TForm {
public:
    explicit TDemoForm(TComponent* owner) : TForm(owner) {
        Publish("FormClose", this, &TDemoForm::FormClose);
        Publish("chkShoutClick", this, &TDemoForm::chkShoutClick);
        Publish("btnCloseClick", this, &TDemoForm::btnCloseClick);
    }

    TPanel* pnTop = nullptr;
    TLabel* lbHello = nullptr;
    TCheckBox* chkShout = nullptr;
    TButton* btnClose = nullptr;

    void FormClose(TObject*, TCloseAction&) { Application->Terminate(); }
    void chkShoutClick(TObject*) {
        lbHello->SetCaption(chkShout->Checked() ? "HALLO WELT!" : "Hallo Welt");
    }
    void btnCloseClick(TObject*) { Close(); }

protected:
    void Describe() override {
        SetName("frmDemo");
        SetCaption("Toolkit demo");
        SetBounds(200, 150, 320, 200);
        SetPosition(TPosition::poScreenCenter);
        Font().SetName("Arial");
        Font().SetHeight(-11);
        Bind(OnClose, "FormClose");

        pnTop = new TPanel(this);
        pnTop->SetName("pnTop");
        pnTop->SetParent(this);
        pnTop->SetAlign(TAlign::alTop);
        pnTop->SetHeight(60);
        pnTop->SetBevelInner(TBevelCut::bvRaised);
        pnTop->SetBevelOuter(TBevelCut::bvLowered);
        pnTop->SetCaption("");

        lbHello = new TLabel(this);
        lbHello->SetName("lbHello");
        lbHello->SetParent(pnTop);
        lbHello->SetBounds(10, 10, 100, 20);
        lbHello->SetCaption("Hallo Welt");
        lbHello->Font().SetHeight(-16);
        lbHello->Font().SetStyle(fsBold);
        lbHello->SetTransparent(true);

        chkShout = new TCheckBox(this);
        chkShout->SetName("chkShout");
        chkShout->SetParent(this);
        chkShout->SetBounds(10, 75, 150, 17);
        chkShout->SetCaption(" &Laut");
        Bind(chkShout->OnClick, "chkShoutClick");

        btnClose = new TButton(this);
        btnClose->SetName("btnClose");
        btnClose->SetParent(this);
        btnClose->SetBounds(230, 140, 75, 25);
        btnClose->SetCaption("&Schlie\xC3\x9F"
                             "en");
        btnClose->SetDefault(true);
        Bind(btnClose->OnClick, "btnCloseClick");
    }
};

int main() {
    InitializeWindowing();
    Application->SetTitle("Toolkit demo");
    TDemoForm* form = nullptr;
    Application->CreateForm(form);
    form->Show();
    while (!Application->Terminated()) {
        Application->HandleMessage();
    }
    Application->Free();
    return 0;
}
