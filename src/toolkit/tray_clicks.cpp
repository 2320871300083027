#include "toolkit/tray_clicks.h"

namespace toolkit {

std::vector<UINT> TrayClickMapper::map(TrayActivation what, std::uint64_t nowMs,
                                       unsigned doubleClickMs) {
    const bool notifierItem = host_ == TrayHostKind::StatusNotifier;
    if (what != TrayActivation::Trigger) {
        // Any other button in between breaks a double click, as on a classic desktop.
        pending_ = false;
    }
    switch (what) {
    case TrayActivation::Trigger:
        if (notifierItem) {
            return mapActivation(nowMs, doubleClickMs);
        }
        return {WM_LBUTTONDOWN, WM_LBUTTONUP};
    case TrayActivation::DoubleClick:
        return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    case TrayActivation::Context:
        return {WM_RBUTTONDOWN, WM_RBUTTONUP};
    case TrayActivation::MiddleClick:
        if (notifierItem) {
            return {WM_RBUTTONDOWN, WM_RBUTTONUP};
        }
        return {WM_MBUTTONDOWN, WM_MBUTTONUP};
    }
    return {};
}

std::vector<UINT> TrayClickMapper::mapActivation(std::uint64_t nowMs, unsigned doubleClickMs) {
    if (pending_ && nowMs >= pendingAt_ && nowMs - pendingAt_ <= doubleClickMs) {
        // The second click of a pair; a third one starts anew.
        pending_ = false;
        return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    }
    pending_ = true;
    pendingAt_ = nowMs;
    return {WM_LBUTTONDOWN, WM_LBUTTONUP};
}

} // namespace toolkit
