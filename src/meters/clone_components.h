// Copies the named children of a container control, with their own children, into a destination
// container at an offset, so that a window designed for one unit of hardware can show the same
// group of controls once per unit.
//
// Children are visited in the container's control order (non-windowed first, then windowed),
// counted when the call starts, with the application's pending messages handled before each.
// Unnamed children are skipped, so copies (which are made without a name) are never copied by a
// later call. Each named child is copied by the first class rule it matches:
//
//   TLabel -> TLabel             TButton -> TButton          TExtSpeedButton -> TExtSpeedButton
//   TSpeedButton -> TSpeedButton TCheckBox -> TCheckBox      TExtRadioButton -> TExtRadioButton
//   TRadioButton -> TRadioButton TSlider -> TSlider          TLevelMeter -> TLevelMeter
//   TPanel -> TPanel (container) TGroupBox -> TGroupBox (container)   TBevel -> TBevel
//
// each with its own list of properties and handlers (handlers are shared with the source), then
// Left and Top with the offset, Width, Height and Tag. OnClone then gets the copy by reference and
// may change, replace or clear it; a copy that is still there is listed and, for a container,
// receives copies of the child's own children at unchanged relative positions. After the last
// child the listed copies become children of Dest, in order. Copies are owned by the form that
// holds Source; creation order is depth-first in visiting order.
//
// Errors: a named child of a class without a rule raises EComponentError
// "CloneComponents: Komponentenklasse von <Name> nicht implementiert." (the copies made so far
// stay without a parent); a Source that is not a windowed control raises EInvalidCast at once,
// a Dest that is not one when the first copy is to be inserted.
#pragma once

#include "toolkit/control.h"

#include <cstdint>

namespace meters {

using TCloneEvent = toolkit::TEvent<toolkit::TControl*&>;

void CloneComponents(toolkit::TControl* Source, toolkit::TControl* Dest, std::int32_t DeltaX,
                     std::int32_t DeltaY, const TCloneEvent& OnClone);

} // namespace meters
