// Offscreen and minimal platform plugins warn about every window request they cannot carry out
// (raising a window, size hints). Tests that show windows accept those notes and still fail on
// any other backend warning.
#pragma once

#include "toolkit/windowing.h"

#include <gtest/gtest.h>
#include <string>

class AcceptPlatformLimitNotes {
public:
    AcceptPlatformLimitNotes() {
        toolkit::SetWarningHandler([](const std::string& message) {
            if (message.rfind("This plugin does not support", 0) != 0) {
                ADD_FAILURE() << "backend warning: " << message;
            }
        });
    }
    ~AcceptPlatformLimitNotes() {
        toolkit::SetWarningHandler(
            [](const std::string& message) { ADD_FAILURE() << "backend warning: " << message; });
    }
    AcceptPlatformLimitNotes(const AcceptPlatformLimitNotes&) = delete;
    AcceptPlatformLimitNotes& operator=(const AcceptPlatformLimitNotes&) = delete;
};
