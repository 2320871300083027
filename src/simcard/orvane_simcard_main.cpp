// orvane-simcard: speaks for the simulated card's hardware. It announces device changes of the
// cards to every running program of the user, as the system does when a card is to be removed
// or arrives, and shows the settings that the driver keeps.
#include "platform/system_messages.h"
#include "simcard/config_report.h"
#include "simcard/description.h"
#include "simcard/settings_store.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A program may make two calls of the driver's entry point while it handles a removal query.
constexpr int kAnswerTimeoutMs = 15000;

const char kUsage[] =
    "Usage: orvane-simcard COMMAND\n"
    "\n"
    "Commands:\n"
    "  remove-query CARD     ask every running Orvane Manager of this user whether card CARD\n"
    "                        (0 to 3) may be removed (WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE,\n"
    "                        with the card's device node)\n"
    "  arrival CARD          announce that card CARD arrived (DBT_DEVICEARRIVAL)\n"
    "  show                  print the driver's stored settings of every card, field by field\n"
    "\n"
    "Instead of CARD, --devnode VALUE names a device node directly (decimal or 0x hex).\n"
    "The cards' device nodes come from the simulated card's description ($ORVANE_SIMCARD).\n"
    "\n"
    "Exit status: 0 done (every running program answered), 1 a program did not answer or the\n"
    "settings could not be read, 2 bad command line or description.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "orvane-simcard: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

bool parseNumber(std::string_view text, std::uint32_t& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The device node the arguments name: a card of the description, or --devnode VALUE.
bool deviceNode(const std::vector<std::string>& args, DWORD& node, std::string& error) {
    if (args.size() == 3 && args[1] == "--devnode") {
        std::uint32_t value = 0;
        if (!parseNumber(args[2], value)) {
            error = "not a device node: " + args[2];
            return false;
        }
        node = value;
        return true;
    }
    if (args.size() != 2) {
        error = args[0] + " wants one card number";
        return false;
    }
    std::uint32_t card = 0;
    if (!parseNumber(args[1], card) || card >= static_cast<std::uint32_t>(simcard::kMaxCards)) {
        error = "not a card number (0 to 3): " + args[1];
        return false;
    }
    simcard::DescriptionResult loaded = simcard::loadDescription();
    if (!loaded.description) {
        error = loaded.error;
        return false;
    }
    if (static_cast<int>(card) >= loaded.description->cards) {
        error = "the simulated system has no card " + std::to_string(card) + " (it has " +
                std::to_string(loaded.description->cards) + ")";
        return false;
    }
    node = loaded.description->devNodes[card];
    return true;
}

std::string describeAnswer(WPARAM event, const platform::ProgramAnswer& answer) {
    if (!answer.reached) {
        return answer.error;
    }
    switch (answer.delivery.status) {
    case platform::DeliveryStatus::Refused:
        return "the program did not accept the message";
    case platform::DeliveryStatus::NoAnswer:
        return "the program did not handle the message in time";
    case platform::DeliveryStatus::Delivered:
        break;
    }
    constexpr LRESULT kDeny = 0x424D5144; // BROADCAST_QUERY_DENY
    if (event == DBT_DEVICEQUERYREMOVE) {
        return answer.delivery.result == kDeny ? "removal refused" : "removal allowed";
    }
    return "delivered";
}

int announce(const std::vector<std::string>& args, WPARAM event) {
    DWORD node = 0;
    std::string error;
    if (!deviceNode(args, node, error)) {
        return usageError(error);
    }
    DEV_BROADCAST_DEVNODE record{sizeof(DEV_BROADCAST_DEVNODE), DBT_DEVTYP_DEVNODE, 0, node};
    platform::SystemMessage message;
    message.msg = WM_DEVICECHANGE;
    message.wParam = event;
    message.record.resize(sizeof record);
    std::memcpy(message.record.data(), &record, sizeof record);
    std::vector<platform::ProgramAnswer> answers =
        platform::sendSystemMessage(message, kAnswerTimeoutMs);
    int status = 0;
    int reached = 0;
    for (const auto& answer : answers) {
        bool ok = answer.reached && answer.delivery.status == platform::DeliveryStatus::Delivered;
        bool gone = !answer.reached && answer.error == "the program is gone";
        if (gone) {
            continue;
        }
        ++reached;
        std::printf("process %d: %s\n", static_cast<int>(answer.pid),
                    describeAnswer(event, answer).c_str());
        if (!ok) {
            status = 1;
        }
    }
    if (reached == 0) {
        std::printf("no running program to tell (device node 0x%08X)\n",
                    static_cast<unsigned>(node));
    }
    return status;
}

int show() {
    simcard::SettingsStore store(simcard::SettingsStore::defaultPath());
    std::string warning;
    simcard::DriverConfig config = store.load(warning);
    if (!warning.empty()) {
        std::fprintf(stderr, "orvane-simcard: %s\n", warning.c_str());
    }
    std::printf("%s", simcard::formatDriverConfig(config).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return usageError("no command given");
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::printf("%s", kUsage);
        return 0;
    }
    if (command == "remove-query") {
        return announce(args, DBT_DEVICEQUERYREMOVE);
    }
    if (command == "arrival") {
        return announce(args, DBT_DEVICEARRIVAL);
    }
    if (command == "show") {
        if (args.size() != 1) {
            return usageError("show takes no arguments");
        }
        return show();
    }
    return usageError("unknown command: " + command);
}
