// A small form of the windowing toolkit with its standard controls: panels, labels, check
// boxes, radio buttons, a track bar, a page control with an edit, a combo box and a scroll box,
// buttons and a popup menu.
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/check_box.h"
#include "toolkit/combo_box.h"
#include "toolkit/edit.h"
#include "toolkit/forms.h"
#include "toolkit/group_box.h"
#include "toolkit/label.h"
#include "toolkit/menus.h"
#include "toolkit/page_control.h"
#include "toolkit/panel.h"
#include "toolkit/radio_button.h"
#include "toolkit/scroll_box.h"
#include "toolkit/track_bar.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <string>

using namespace toolkit;

class TDemoForm : public TForm {
public:
    explicit TDemoForm(TComponent* owner) : TForm(owner) {
        Publish("FormClose", this, &TDemoForm::FormClose);
        Publish("chkShoutClick", this, &TDemoForm::chkShoutClick);
        Publish("rbClick", this, &TDemoForm::rbClick);
        Publish("tckVolumeChange", this, &TDemoForm::tckVolumeChange);
        Publish("edNameChange", this, &TDemoForm::edNameChange);
        Publish("btnMenuClick", this, &TDemoForm::btnMenuClick);
        Publish("btnCloseClick", this, &TDemoForm::btnCloseClick);
    }

    TPanel* pnTop = nullptr;
    TLabel* lbHello = nullptr;
    TLabel* lbInfo = nullptr;
    TGroupBox* grpMode = nullptr;
    TRadioButton* rbQuiet = nullptr;
    TRadioButton* rbNormal = nullptr;
    TRadioButton* rbLoud = nullptr;
    TCheckBox* chkShout = nullptr;
    TLabel* lbVolume = nullptr;
    TTrackBar* tckVolume = nullptr;
    TPageControl* pgMain = nullptr;
    TTabSheet* tabInput = nullptr;
    TTabSheet* tabList = nullptr;
    TEdit* edName = nullptr;
    TComboBox* boxRate = nullptr;
    TScrollBox* sbItems = nullptr;
    TPanel* pnBottom = nullptr;
    TButton* btnMenu = nullptr;
    TButton* btnClose = nullptr;
    TPopupMenu* mnuDemo = nullptr;

    void FormClose(TObject*, TCloseAction&) { Application->Terminate(); }
    void chkShoutClick(TObject*) { updateGreeting(); }
    void rbClick(TObject* sender) {
        lbInfo->SetCaption("Modus: " + static_cast<TRadioButton*>(sender)->Caption());
    }
    void tckVolumeChange(TObject*) {
        lbVolume->SetCaption("Lautst\xC3\xA4rke: " + std::to_string(tckVolume->Position()));
    }
    void edNameChange(TObject*) { updateGreeting(); }
    void btnMenuClick(TObject*) {
        TPoint p = btnMenu->ClientToScreen({0, btnMenu->Height()});
        mnuDemo->Popup(p.X, p.Y);
    }
    void btnCloseClick(TObject*) { Close(); }

protected:
    void Describe() override {
        SetName("frmDemo");
        SetCaption("Toolkit demo");
        SetBorderStyle(TBorderStyle::bsDialog);
        SetBounds(200, 150, 446, 330);
        SetPosition(TPosition::poScreenCenter);
        Font().SetName("Arial");
        Font().SetHeight(-11);
        Bind(OnClose, "FormClose");

        pnTop = make<TPanel>("pnTop", this);
        pnTop->SetAlign(TAlign::alTop);
        pnTop->SetHeight(52);
        pnTop->SetBevelInner(TBevelCut::bvRaised);
        pnTop->SetBevelOuter(TBevelCut::bvLowered);
        pnTop->SetCaption("");

        lbHello = make<TLabel>("lbHello", pnTop);
        lbHello->SetBounds(10, 8, 100, 20);
        lbHello->Font().SetHeight(-16);
        lbHello->Font().SetStyle(fsBold);
        lbHello->SetTransparent(true);
        lbHello->SetCaption("Hallo Welt");

        lbInfo = make<TLabel>("lbInfo", pnTop);
        lbInfo->SetBounds(10, 30, 100, 14);
        lbInfo->SetTransparent(true);
        lbInfo->SetCaption("Modus: Normal");

        grpMode = make<TGroupBox>("grpMode", this);
        grpMode->SetBounds(8, 60, 150, 86);
        grpMode->SetCaption(" Modus ");
        rbQuiet = makeRadio("rbQuiet", "Leise", 18);
        rbNormal = makeRadio("rbNormal", "Normal", 40);
        rbLoud = makeRadio("rbLoud", "Laut", 62);
        rbNormal->SetChecked(true);

        chkShout = make<TCheckBox>("chkShout", this);
        chkShout->SetBounds(12, 154, 140, 17);
        chkShout->SetCaption(" &Gro\xC3\x9F"
                             "buchstaben");
        Bind(chkShout->OnClick, "chkShoutClick");

        lbVolume = make<TLabel>("lbVolume", this);
        lbVolume->SetBounds(12, 180, 120, 14);
        lbVolume->SetCaption("Lautst\xC3\xA4rke: 60");

        tckVolume = make<TTrackBar>("tckVolume", this);
        tckVolume->SetBounds(6, 196, 156, 34);
        tckVolume->SetMax(100);
        tckVolume->SetPosition(60);
        tckVolume->SetPageSize(10);
        tckVolume->SetFrequency(10);
        Bind(tckVolume->OnChange, "tckVolumeChange");

        pgMain = make<TPageControl>("pgMain", this);
        pgMain->SetBounds(168, 60, 268, 170);
        pgMain->SetTabWidth(80);
        tabInput = make<TTabSheet>("tabInput", nullptr);
        tabInput->SetPageControl(pgMain);
        tabInput->SetCaption("Eingabe");
        tabList = make<TTabSheet>("tabList", nullptr);
        tabList->SetPageControl(pgMain);
        tabList->SetCaption("Liste");
        pgMain->SetActivePage(tabInput);

        auto* lbName = make<TLabel>("lbName", tabInput);
        lbName->SetBounds(8, 12, 40, 14);
        lbName->SetCaption("Name:");
        edName = make<TEdit>("edName", tabInput);
        edName->SetBounds(64, 8, 180, 21);
        edName->SetText("Welt");
        Bind(edName->OnChange, "edNameChange");
        auto* lbRate = make<TLabel>("lbRate", tabInput);
        lbRate->SetBounds(8, 44, 40, 14);
        lbRate->SetCaption("Rate:");
        boxRate = make<TComboBox>("boxRate", tabInput);
        boxRate->SetBounds(64, 40, 120, 21);
        boxRate->Items().Add("44100 Hz");
        boxRate->Items().Add("48000 Hz");
        boxRate->SetItemIndex(0);

        sbItems = make<TScrollBox>("sbItems", tabList);
        sbItems->SetAlign(TAlign::alClient);
        sbItems->HorzScrollBar().SetIncrement(78);
        sbItems->HorzScrollBar().SetMargin(2);
        sbItems->VertScrollBar().SetVisible(false);
        for (int i = 0; i < 5; ++i) {
            auto* item = make<TPanel>("pnItem" + std::to_string(i + 1), sbItems);
            item->SetBounds(2 + i * 78, 4, 74, 80);
            item->SetCaption(std::to_string(i + 1));
            item->SetBevelOuter(TBevelCut::bvLowered);
        }

        pnBottom = make<TPanel>("pnBottom", this);
        pnBottom->SetAlign(TAlign::alBottom);
        pnBottom->SetHeight(38);
        pnBottom->SetBevelOuter(TBevelCut::bvNone);

        btnMenu = make<TButton>("btnMenu", pnBottom);
        btnMenu->SetBounds(8, 6, 75, 25);
        btnMenu->SetCaption("&Men\xC3\xBC");
        Bind(btnMenu->OnClick, "btnMenuClick");

        btnClose = make<TButton>("btnClose", pnBottom);
        btnClose->SetBounds(354, 6, 80, 25);
        btnClose->SetCaption("&Schlie\xC3\x9F"
                             "en");
        btnClose->SetDefault(true);
        Bind(btnClose->OnClick, "btnCloseClick");

        mnuDemo = new TPopupMenu(this);
        mnuDemo->SetName("mnuDemo");
        for (const char* caption : {"&Leise", "&Normal", "-", "&Beenden"}) {
            auto* item = new TMenuItem(this);
            item->SetCaption(caption);
            mnuDemo->Items()->Add(item);
        }
        mnuDemo->Items()->Items(0)->OnClick = [this](TObject*) { rbQuiet->SetChecked(true); };
        mnuDemo->Items()->Items(1)->OnClick = [this](TObject*) { rbNormal->SetChecked(true); };
        Bind(mnuDemo->Items()->Items(3)->OnClick, "btnCloseClick");
    }

private:
    template <typename C> C* make(const std::string& name, TWinControl* parent) {
        auto* c = new C(this);
        c->SetName(name);
        if (parent != nullptr) {
            c->SetParent(parent);
        }
        return c;
    }

    TRadioButton* makeRadio(const std::string& name, const std::string& caption, int top) {
        auto* rb = make<TRadioButton>(name, grpMode);
        rb->SetBounds(10, top, 120, 17);
        rb->SetCaption(caption);
        Bind(rb->OnClick, "rbClick");
        return rb;
    }

    void updateGreeting() {
        std::string text = "Hallo " + edName->Text();
        if (chkShout->Checked()) {
            for (char& c : text) {
                if (c >= 'a' && c <= 'z') {
                    c = static_cast<char>(c - 'a' + 'A');
                }
            }
        }
        lbHello->SetCaption(text);
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
