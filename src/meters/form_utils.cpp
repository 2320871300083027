#include "meters/form_utils.h"

#include "controls/slider.h"
#include "platform/registry.h"
#include "toolkit/application.h"
#include "toolkit/check_box.h"
#include "toolkit/combo_box.h"
#include "toolkit/edit.h"
#include "toolkit/panel.h"
#include "toolkit/peer.h"
#include "toolkit/speed_button.h"
#include "toolkit/win_ui.h"

#include <algorithm>
#include <climits>

namespace meters {

using namespace toolkit;

void StayOnTop(TCustomForm* Form, bool OnTop) {
    SetWindowPos(Form->Handle(), OnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void CloseAndFreeForm(TCustomForm*& Form) {
    if (Form == nullptr) {
        return;
    }
    TCustomForm* form = Form;
    form->Close();
    Form = nullptr;
    form->Release();
}

TTabSheet* PageByIndex(TPageControl* PageControl, std::int32_t Index) {
    return PageControl->Pages(Index);
}

std::int32_t PageIndexOf(TPageControl* PageControl, TTabSheet* Page) {
    for (int i = 0; i < PageControl->PageCount(); ++i) {
        if (PageControl->Pages(i) == Page) {
            return i;
        }
    }
    Abort();
}

bool TakesPart(const TComponent* Component, std::int32_t TagMask) {
    if (Component->Name().empty()) {
        return false;
    }
    return TagMask == 0 || (Component->Tag() & TagMask) == TagMask;
}

namespace {

void loadComponent(TComponent* c, const TRegistryIniFile& ini, const std::string& section) {
    const std::string& name = c->Name();
    if (auto* box = dynamic_cast<TCheckBox*>(c)) {
        box->SetChecked(ini.ReadBool(section, name, box->Checked()));
    } else if (auto* panel = dynamic_cast<TPanel*>(c)) {
        panel->SetVisible(ini.ReadBool(section, name, panel->Visible()));
    } else if (auto* edit = dynamic_cast<TEdit*>(c)) {
        edit->SetText(ini.ReadString(section, name, edit->Text()));
    } else if (auto* pages = dynamic_cast<TPageControl*>(c)) {
        pages->SetActivePage(PageByIndex(pages, ini.ReadInteger(section, name, 0)));
    } else if (auto* button = dynamic_cast<TSpeedButton*>(c)) {
        // As a plain speed button: a button class of its own does not see this change.
        button->TSpeedButton::SetDown(ini.ReadBool(section, name, button->Down()));
        if (button->OnClick) {
            button->OnClick(button);
        }
    } else if (auto* slider = dynamic_cast<controls::TSlider*>(c)) {
        slider->SetPosition(ini.ReadInteger(section, name, slider->Position()));
    } else if (auto* combo = dynamic_cast<TComboBox*>(c)) {
        combo->SetItemIndex(ini.ReadInteger(section, name, combo->ItemIndex()));
    }
}

void saveComponent(TComponent* c, TRegistryIniFile& ini, const std::string& section) {
    const std::string& name = c->Name();
    if (auto* box = dynamic_cast<TCheckBox*>(c)) {
        ini.WriteBool(section, name, box->Checked());
    } else if (auto* panel = dynamic_cast<TPanel*>(c)) {
        ini.WriteBool(section, name, panel->Visible());
    } else if (auto* pages = dynamic_cast<TPageControl*>(c)) {
        ini.WriteInteger(section, name, PageIndexOf(pages, pages->ActivePage()));
    } else if (auto* button = dynamic_cast<TSpeedButton*>(c)) {
        ini.WriteBool(section, name, button->Down());
    } else if (auto* slider = dynamic_cast<controls::TSlider*>(c)) {
        ini.WriteInteger(section, name, slider->Position());
    } else if (auto* edit = dynamic_cast<TEdit*>(c)) {
        ini.WriteString(section, name, edit->Text());
    } else if (auto* combo = dynamic_cast<TComboBox*>(c)) {
        ini.WriteInteger(section, name, combo->ItemIndex());
    }
}

// Distance between two rectangles (0 when they overlap), squared.
long long distance2(const TRect& a, const TRect& b) {
    long long dx = std::max({0, b.Left - a.Right, a.Left - b.Right});
    long long dy = std::max({0, b.Top - a.Bottom, a.Top - b.Bottom});
    return dx * dx + dy * dy;
}

bool overlaps(const TRect& a, const TRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

} // namespace

TPoint PlaceOnScreens(const TRect& bounds, const std::vector<TRect>& screens) {
    TPoint at{bounds.Left, bounds.Top};
    if (screens.empty()) {
        return at;
    }
    const TRect* nearest = nullptr;
    long long best = LLONG_MAX;
    for (const TRect& screen : screens) {
        if (overlaps(bounds, screen)) {
            return at;
        }
        long long d = distance2(bounds, screen);
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    // Into the screen as far as it fits; a window larger than the screen keeps its top-left
    // corner (and so its caption) on it.
    at.X = std::max(std::min(bounds.Left, nearest->Right - bounds.Width()), nearest->Left);
    at.Y = std::max(std::min(bounds.Top, nearest->Bottom - bounds.Height()), nearest->Top);
    return at;
}

void LoadFormState(TCustomForm* Form, const TRegistryIniFile& Ini, const std::string& SectionSuffix,
                   std::int32_t TagMask, bool WithGeometry) {
    const std::string section = Form->Caption() + SectionSuffix;
    // Handlers that run meanwhile may add components; each one counts when it is reached.
    for (int i = 0; i < Form->ComponentCount(); ++i) {
        TComponent* c = Form->Components(i);
        if (TakesPart(c, TagMask)) {
            loadComponent(c, Ini, section);
        }
        if (Application != nullptr) {
            Application->ProcessMessages();
        }
    }
    if (!WithGeometry) {
        return;
    }
    Form->SetTop(Ini.ReadInteger(section, "Top", Form->Top()));
    Form->SetLeft(Ini.ReadInteger(section, "Left", Form->Left()));
    Form->SetWidth(Ini.ReadInteger(section, "Width", Form->Width()));
    Form->SetHeight(Ini.ReadInteger(section, "Height", Form->Height()));
    if (WindowingBackend* backend = GetWindowingBackend()) {
        TPoint at = PlaceOnScreens(Form->BoundsRect(), backend->screenRects());
        if (at.X != Form->Left() || at.Y != Form->Top()) {
            Form->SetBounds(at.X, at.Y, Form->Width(), Form->Height());
        }
    }
    Form->SetShowHint(Ini.ReadInteger(section, "Hints", Form->ShowHint() ? 1 : 0) != 0);
}

void SaveFormState(TCustomForm* Form, TRegistryIniFile& Ini, const std::string& SectionSuffix,
                   std::int32_t TagMask, bool WithGeometry) {
    const std::string section = Form->Caption() + SectionSuffix;
    for (TComponent* c : Form->ComponentList()) {
        if (TakesPart(c, TagMask)) {
            saveComponent(c, Ini, section);
        }
    }
    if (!WithGeometry) {
        return;
    }
    Ini.WriteInteger(section, "Top", Form->Top());
    Ini.WriteInteger(section, "Left", Form->Left());
    Ini.WriteInteger(section, "Width", Form->Width());
    Ini.WriteInteger(section, "Height", Form->Height());
    Ini.WriteInteger(section, "Hints", Form->ShowHint() ? 1 : 0);
}

void LoadFormSettings(TCustomForm* Form, const std::string& KeyName,
                      const std::string& SectionSuffix, std::int32_t TagMask, bool WithGeometry) {
    TRegistryIniFile ini(kSettingsRoot + KeyName);
    LoadFormState(Form, ini, SectionSuffix, TagMask, WithGeometry);
}

void SaveFormSettings(TCustomForm* Form, const std::string& KeyName,
                      const std::string& SectionSuffix, std::int32_t TagMask, bool WithGeometry) {
    TRegistryIniFile ini(kSettingsRoot + KeyName);
    platform::RegistryBatch batch;
    try {
        SaveFormState(Form, ini, SectionSuffix, TagMask, WithGeometry);
    } catch (...) {
        // What was written before the failure stays written.
        batch.commit();
        throw;
    }
    batch.commit();
}

} // namespace meters
