// The system's messages to every running program of the user, as Windows broadcasts them to
// all top-level windows: device changes (WM_DEVICECHANGE with its broadcast record) and the end
// of the session.
//
// Device changes travel over a per-user channel: every listening program keeps a Unix socket
// "<pid>.sock" in the folder systemMessageDir() (mode 0700, sockets 0600, only peers of the
// same user are served). A sender connects to each socket in turn, hands over one message and
// waits for the program's answer, which comes after the program's windows have handled it.
//
// The end of the session: SIGTERM, SIGINT and SIGHUP become an end-of-session notice. The
// signal handler only writes the signal's number into a pipe; the listener's thread reads it
// and reports it. A second signal of the same kind, while the first is still being handled,
// takes its default action (the program ends at once).
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

// A message with the record that its lParam points to (empty: lParam is 0).
struct SystemMessage {
    UINT msg = 0;
    WPARAM wParam = 0;
    std::vector<std::uint8_t> record;
};

enum class DeliveryStatus : std::uint32_t {
    Delivered = 0, // the program's windows handled it; result holds their answer
    Refused = 1,   // not a message that programs accept from outside
    NoAnswer = 2,  // the program did not handle it in time (busy, or ending)
};

struct DeliveryResult {
    DeliveryStatus status = DeliveryStatus::NoAnswer;
    LRESULT result = 0;
};

// The folder of the programs' sockets: <runtimeDir>/<name>-messages, with the identity's name
// (identity.h); empty when there is no runtime folder.
std::filesystem::path systemMessageDir();

// Which messages a program accepts from outside: WM_DEVICECHANGE with a record that starts
// with a DEV_BROADCAST_HDR whose dbch_size is the record's size (at most kMaxRecordSize).
constexpr std::size_t kMaxRecordSize = 512;
bool isAcceptedSystemMessage(const SystemMessage& message);

// Called on the listener's thread; returns when the message was handled (or given up).
using SystemMessageReceiver = std::function<DeliveryResult(const SystemMessage&)>;
// Called on the listener's thread with the number of the signal that asks the program to end.
using EndSignalReceiver = std::function<void(int signal)>;

// Starts listening: the socket for device changes and the three signals. One listener per
// process; false with a reason when it is running already or nothing could be set up. When
// only the socket cannot be made, the signals are still watched, and error says why.
bool startSystemMessageListener(SystemMessageReceiver onMessage, EndSignalReceiver onEndSignal,
                                std::string& error);
// Stops the thread, removes the socket and restores the signals' previous handling. A
// receiver that is still waiting must have been released by its owner before.
void stopSystemMessageListener();
bool systemMessageListenerRunning();
// This process's socket while listening (empty otherwise).
std::filesystem::path systemMessageSocket();

// One program's answer to a sent message.
struct ProgramAnswer {
    pid_t pid = 0;
    bool reached = false; // false: error says why
    DeliveryResult delivery;
    std::string error;
};

// Sends the message to every listening program of the user (this process's own socket
// excepted), one after the other, waiting up to timeoutMs for each answer. Sockets left behind
// by programs that are gone are removed.
std::vector<ProgramAnswer> sendSystemMessage(const SystemMessage& message, int timeoutMs);

} // namespace platform
