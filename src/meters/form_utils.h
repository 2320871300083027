// Free-standing routines for windows: the always-on-top state, closing and freeing a window held
// in a variable, pages of a page control by index, and the window's settings in the per-user
// registry: the state of its named controls that pass a Tag filter, its position, size and hint
// switch, kept in a section named after the window's caption.
//
// A control takes part when it has a Name and, unless the mask is 0, all bits of the mask are
// set in its Tag. Its class decides what is kept (the first that fits, descendants included):
// check box: Checked; panel (so also bar graphs and level meters): Visible; edit: Text; page
// control: the active page's index; speed button: Down; slider: Position; combo box: ItemIndex.
// The window's own values are "Top", "Left", "Width", "Height" and "Hints".
#pragma once

#include "toolkit/forms.h"
#include "toolkit/page_control.h"
#include "toolkit/registry_ini_file.h"

#include <cstdint>
#include <string>

namespace meters {

// The key under the current user's root that holds every key name's settings.
inline constexpr const char* kSettingsRoot = "software\\Kelvra\\";

// Puts the window above all others (or back among them), without moving, sizing or activating
// it; creates its handle when it has none yet.
void StayOnTop(toolkit::TCustomForm* Form, bool OnTop);

// Closes the window held in the variable (its close handler runs as for any close), empties the
// variable and releases the window: it is freed once the messages being handled are done, so
// that a window closed from inside one of its own handlers (its show, say, which handles
// messages while it restores the settings) is never freed under that handler. An empty variable
// is left alone.
void CloseAndFreeForm(toolkit::TCustomForm*& Form);
template <typename F> void CloseAndFree(F*& Form) {
    toolkit::TCustomForm* form = Form;
    CloseAndFreeForm(form);
    Form = nullptr;
}

// The page at the index (EListError when there is none).
toolkit::TTabSheet* PageByIndex(toolkit::TPageControl* PageControl, std::int32_t Index);
// The page's index; a silent abort when the page is not among the control's pages.
std::int32_t PageIndexOf(toolkit::TPageControl* PageControl, toolkit::TTabSheet* Page);

// Restores the window's controls (letting the application handle its pending messages after
// each component) and, with geometry, the window's position, size and hints. A stored position
// that would leave the window wholly outside every screen brings it onto the nearest screen.
void LoadFormState(toolkit::TCustomForm* Form, const toolkit::TRegistryIniFile& Ini,
                   const std::string& SectionSuffix, std::int32_t TagMask, bool WithGeometry);
// Stores what LoadFormState restores.
void SaveFormState(toolkit::TCustomForm* Form, toolkit::TRegistryIniFile& Ini,
                   const std::string& SectionSuffix, std::int32_t TagMask, bool WithGeometry);

// The same on the store kSettingsRoot + KeyName, opened for the call. A save reaches the store as
// a whole: another program never sees half of it.
void LoadFormSettings(toolkit::TCustomForm* Form, const std::string& KeyName,
                      const std::string& SectionSuffix, std::int32_t TagMask, bool WithGeometry);
void SaveFormSettings(toolkit::TCustomForm* Form, const std::string& KeyName,
                      const std::string& SectionSuffix, std::int32_t TagMask, bool WithGeometry);

// Whether a component takes part under the mask.
bool TakesPart(const toolkit::TComponent* Component, std::int32_t TagMask);

// The position at which a window of the given bounds is seen: unchanged when it overlaps any of
// the screens, otherwise moved (size kept) into the nearest screen.
toolkit::TPoint PlaceOnScreens(const toolkit::TRect& bounds,
                               const std::vector<toolkit::TRect>& screens);

} // namespace meters
