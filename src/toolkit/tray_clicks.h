// What a notification-area host reports of the user's clicks on an icon, turned into the mouse
// messages that a classic notification area delivers to the icon's window.
//
// Hosts differ in what they report:
// - an XEmbed host (an X11 panel) reports a press of the left button, a double click, a press
//   of the right button (context) and a middle click, as they happen;
// - a StatusNotifierItem host (KDE Plasma, GNOME with the AppIndicator extension, every Wayland
//   desktop) reports one activation per click and never a double click; a secondary activation
//   or a request for the context menu is the right button. Two activations within the desktop's
//   double-click interval are a double click;
// - the stand-in window holds real mouse events and needs no translation.
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <vector>

namespace toolkit {

enum class TrayHostKind { XEmbed, StatusNotifier, StandIn };

// A host's report, in the terms of the windowing backend: Trigger is a left press (XEmbed) or an
// activation (StatusNotifierItem); DoubleClick comes from XEmbed hosts only; Context is a right
// press or a context-menu request; MiddleClick is a middle press (XEmbed) or a secondary
// activation (StatusNotifierItem).
enum class TrayActivation { Trigger, DoubleClick, Context, MiddleClick };

class TrayClickMapper {
public:
    explicit TrayClickMapper(TrayHostKind host) : host_(host) {}

    TrayHostKind host() const { return host_; }
    // The mouse messages for one report, in the order they are delivered. nowMs is a monotonic
    // time in milliseconds, doubleClickMs the desktop's double-click interval.
    std::vector<UINT> map(TrayActivation what, std::uint64_t nowMs, unsigned doubleClickMs);

private:
    std::vector<UINT> mapActivation(std::uint64_t nowMs, unsigned doubleClickMs);

    TrayHostKind host_;
    // The time of an activation that may still become the first half of a double click.
    bool pending_ = false;
    std::uint64_t pendingAt_ = 0;
};

} // namespace toolkit
