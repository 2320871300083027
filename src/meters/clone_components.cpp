#include "meters/clone_components.h"

#include "controls/ext_controls.h"
#include "controls/ext_speed_button.h"
#include "controls/level_meter.h"
#include "controls/slider.h"
#include "toolkit/application.h"
#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/check_box.h"
#include "toolkit/exceptions.h"
#include "toolkit/forms.h"
#include "toolkit/group_box.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/radio_button.h"
#include "toolkit/speed_button.h"

#include <vector>

namespace meters {

using namespace toolkit;
using controls::TExtRadioButton;
using controls::TExtSpeedButton;
using controls::TLevelMeter;
using controls::TSlider;

namespace {

void processMessages() {
    if (Application != nullptr) {
        Application->ProcessMessages();
    }
}

template <typename B> void copyCheckLike(B* copy, const B* from) {
    copy->SetCaption(from->Caption());
    copy->SetFont(from->Font());
    copy->SetChecked(from->Checked());
    copy->OnClick = from->OnClick;
    copy->OnEnter = from->OnEnter;
    copy->OnExit = from->OnExit;
    copy->OnMouseDown = from->OnMouseDown;
    copy->OnMouseUp = from->OnMouseUp;
    copy->SetShowHint(from->ShowHint());
    copy->SetHint(from->Hint());
}

void copySpeedButtonCommon(TSpeedButton* copy, const TSpeedButton* from) {
    copy->SetGroupIndex(from->GroupIndex());
    copy->OnClick = from->OnClick;
    copy->OnDblClick = from->OnDblClick;
    copy->OnMouseDown = from->OnMouseDown;
    copy->OnMouseUp = from->OnMouseUp;
    copy->SetLayout(from->Layout());
    copy->SetMargin(from->Margin());
    copy->SetNumGlyphs(from->NumGlyphs());
    copy->SetSpacing(from->Spacing());
    copy->SetCursor(from->Cursor());
    copy->SetShowHint(from->ShowHint());
    copy->SetHint(from->Hint());
}

// Makes the copy of one child by the first rule it matches; container tells whether the rule
// copies the child's children too.
TControl* makeCopy(TControl* child, TComponent* owner, bool& container) {
    container = false;
    if (auto* from = dynamic_cast<TLabel*>(child)) {
        auto* copy = new TLabel(owner);
        copy->SetCaption(from->Caption());
        copy->SetFont(from->Font());
        copy->SetAlignment(from->Alignment());
        copy->SetAutoSize(from->AutoSize());
        copy->SetTransparent(from->Transparent());
        return copy;
    }
    if (auto* from = dynamic_cast<TButton*>(child)) {
        auto* copy = new TButton(owner);
        copy->SetCaption(from->Caption());
        copy->SetFont(from->Font());
        copy->SetShowHint(from->ShowHint());
        copy->SetHint(from->Hint());
        copy->OnClick = from->OnClick;
        copy->OnEnter = from->OnEnter;
        copy->OnExit = from->OnExit;
        return copy;
    }
    if (auto* from = dynamic_cast<TExtSpeedButton*>(child)) {
        auto* copy = new TExtSpeedButton(owner);
        copy->SetCaption(from->Caption());
        copy->SetFont(from->Font());
        copy->SetAllowAllUp(from->AllowAllUp());
        copy->SetDown(from->GetDown());
        copySpeedButtonCommon(copy, from);
        copy->SetFlat(from->Flat());
        copy->OnDown = from->OnDown;
        return copy;
    }
    if (auto* from = dynamic_cast<TSpeedButton*>(child)) {
        auto* copy = new TSpeedButton(owner);
        copy->SetCaption(from->Caption());
        copy->SetFont(from->Font());
        copy->SetAllowAllUp(from->AllowAllUp());
        copy->SetDown(from->Down());
        copySpeedButtonCommon(copy, from);
        copy->SetVisible(from->Visible());
        copy->SetFlat(from->Flat());
        return copy;
    }
    if (auto* from = dynamic_cast<TCheckBox*>(child)) {
        auto* copy = new TCheckBox(owner);
        copyCheckLike<TCheckBox>(copy, from);
        return copy;
    }
    if (auto* from = dynamic_cast<TExtRadioButton*>(child)) {
        auto* copy = new TExtRadioButton(owner);
        copyCheckLike<TRadioButton>(copy, from);
        return copy;
    }
    if (auto* from = dynamic_cast<TRadioButton*>(child)) {
        auto* copy = new TRadioButton(owner);
        copyCheckLike<TRadioButton>(copy, from);
        return copy;
    }
    if (auto* from = dynamic_cast<TSlider*>(child)) {
        auto* copy = new TSlider(owner);
        copy->SetBtnHeight(from->BtnHeight());
        copy->SetBtnWidth(from->BtnWidth());
        copy->SetMax(from->Max());
        copy->SetMin(from->Min());
        copy->SetMoveRestriction(from->MoveRestriction());
        copy->SetNumber(from->Number());
        copy->SetBtnHeight(from->BtnHeight());
        copy->SetPosition(from->Position());
        copy->OnChange = from->OnChange;
        return copy;
    }
    if (auto* from = dynamic_cast<TLevelMeter*>(child)) {
        auto* copy = new TLevelMeter(owner);
        copy->SetNumLumisOrange(from->NumLumisOrange());
        copy->SetNumLumisRed(from->NumLumisRed());
        copy->SetLumiColor(from->LumiColor());
        copy->SetLumiHeight(from->LumiHeight());
        copy->SetTimerEnable(from->TimerEnable());
        copy->SetTimerInterval(from->TimerInterval());
        copy->Set_On(from->Get_On());
        copy->SetLevelMax(from->LevelMax());
        copy->SetLevelMaxHold(from->LevelMaxHold());
        copy->SetLevel(from->Level());
        return copy;
    }
    if (auto* from = dynamic_cast<TPanel*>(child)) {
        auto* copy = new TPanel(owner);
        copy->SetCaption(from->Caption());
        copy->SetParentColor(from->ParentColor());
        copy->SetFont(from->Font());
        copy->SetAlign(from->Align());
        copy->SetBevelInner(from->BevelInner());
        copy->SetBevelOuter(from->BevelOuter());
        copy->SetBevelWidth(from->BevelWidth());
        container = true;
        return copy;
    }
    if (auto* from = dynamic_cast<TGroupBox*>(child)) {
        auto* copy = new TGroupBox(owner);
        copy->SetAlign(from->Align());
        copy->SetCaption(from->Caption());
        copy->SetFont(from->Font());
        copy->SetCtl3D(from->Ctl3D());
        copy->SetParentCtl3D(from->ParentCtl3D());
        container = true;
        return copy;
    }
    if (auto* from = dynamic_cast<TBevel*>(child)) {
        auto* copy = new TBevel(owner);
        copy->SetAlign(from->Align());
        copy->SetShape(from->Shape());
        copy->SetStyle(from->Style());
        return copy;
    }
    throw EComponentError("CloneComponents: Komponentenklasse von " + child->Name() +
                          " nicht implementiert.");
}

// The form that holds a control (the control itself when it is one).
TComponent* holdingForm(TWinControl* control) {
    if (TCustomForm* form = control->ParentForm()) {
        return form;
    }
    return control->Owner();
}

} // namespace

void CloneComponents(TControl* Source, TControl* Dest, std::int32_t DeltaX, std::int32_t DeltaY,
                     const TCloneEvent& OnClone) {
    TWinControl* source = As<TWinControl>(Source);
    if (source == nullptr) {
        throw EInvalidCast();
    }
    TComponent* owner = holdingForm(source);
    std::vector<TControl*> copies;
    const int count = source->ControlCount();
    for (int i = 0; i < count && i < source->ControlCount(); ++i) {
        processMessages();
        TControl* child = source->Controls(i);
        if (child->Name().empty()) {
            continue;
        }
        bool container = false;
        TControl* copy = makeCopy(child, owner, container);
        copy->SetBounds(child->Left() + DeltaX, child->Top() + DeltaY, child->Width(),
                        child->Height());
        copy->SetTag(child->Tag());
        if (OnClone) {
            OnClone(copy);
        }
        if (copy != nullptr) {
            copies.push_back(copy);
            if (container) {
                CloneComponents(child, copy, 0, 0, OnClone);
            }
        }
    }
    for (TControl* copy : copies) {
        TWinControl* dest = As<TWinControl>(Dest);
        if (dest == nullptr) {
            throw EInvalidCast();
        }
        copy->SetParent(dest);
        processMessages();
    }
}

} // namespace meters
