#include "simcard/command_line.h"

#include <gtest/gtest.h>

namespace {

using simcard::ConfigCommand;
using simcard::parseCommandLine;

TEST(CommandLine, ReadsTheTextThatTheProgramForms) {
    const auto result = parseCommandLine("qorva.DRV,DriverConfig getconfig $1A2F0000 #1A370000");
    ASSERT_TRUE(result.call) << result.error;
    EXPECT_EQ(result.call->command, ConfigCommand::GetConfig);
    EXPECT_EQ(result.call->dataAddress, 0x1A2F0000u);
    EXPECT_EQ(result.call->flagAddress, 0x1A370000u);
    EXPECT_TRUE(result.error.empty());
}

TEST(CommandLine, KnowsEachCommandByItsName) {
    const std::pair<const char*, ConfigCommand> cases[] = {
        {"getstates", ConfigCommand::GetStates},
        {"reconfigurable", ConfigCommand::Reconfigurable},
        {"getconfig", ConfigCommand::GetConfig},
        {"setconfig", ConfigCommand::SetConfig},
        {"setconfig_onthefly", ConfigCommand::SetConfigOnTheFly},
    };
    for (const auto& [name, command] : cases) {
        const auto result = parseCommandLine(std::string("qorva.DRV,DriverConfig ") + name +
                                             " $000F0000 #00170004");
        ASSERT_TRUE(result.call) << name << ": " << result.error;
        EXPECT_EQ(result.call->command, command) << name;
        EXPECT_EQ(simcard::commandName(command), name);
        EXPECT_EQ(result.call->flagAddress, 0x00170004u) << "leading zeros, offsets kept";
    }
}

TEST(CommandLine, AcceptsWhatAWindowsRundllWould) {
    EXPECT_TRUE(parseCommandLine("  QORVA.drv,DriverConfig\tgetstates  $0abcdef0 #FFFFFFFF  ").call)
        << "module names ignore case; extra blanks and lower-case digits are fine";
    const char* argv[] = {"rundll", "qorva.DRV,DriverConfig", "setconfig", "$000F0000",
                          "#00170000"};
    EXPECT_EQ(simcard::joinArguments(5, argv),
              "qorva.DRV,DriverConfig setconfig $000F0000 #00170000");
    EXPECT_EQ(simcard::formatAddress(0x000F0000), "000F0000");
    EXPECT_EQ(simcard::formatAddress(0xABCDEF01), "ABCDEF01");
}

TEST(CommandLine, RejectsMalformedTextWithAOneLineReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "empty"},
        {"qorva.DRV DriverConfig getstates $000F0000 #00170000", "<module>,<entry point>"},
        {"other.DRV,DriverConfig getstates $000F0000 #00170000", "cannot load module 'other.DRV'"},
        {"qorva.DRV,driverconfig getstates $000F0000 #00170000", "no entry point 'driverconfig'"},
        {"qorva.DRV,DriverConfig", "missing command"},
        {"qorva.DRV,DriverConfig getstate $000F0000 #00170000", "unknown command 'getstate'"},
        {"qorva.DRV,DriverConfig GETSTATES $000F0000 #00170000", "unknown command"},
        {"qorva.DRV,DriverConfig getstates", "missing data address"},
        {"qorva.DRV,DriverConfig getstates #000F0000 #00170000", "malformed data address"},
        {"qorva.DRV,DriverConfig getstates $000F000 #00170000", "malformed data address"},
        {"qorva.DRV,DriverConfig getstates $000F00000 #00170000", "malformed data address"},
        {"qorva.DRV,DriverConfig getstates $000G0000 #00170000", "malformed data address"},
        {"qorva.DRV,DriverConfig getstates $000F0000", "missing flag address"},
        {"qorva.DRV,DriverConfig getstates $000F0000 $00170000", "malformed flag address"},
        {"qorva.DRV,DriverConfig getstates $000F0000 #0017", "malformed flag address"},
        {"qorva.DRV,DriverConfig getstates $000F0000 #00170000 extra", "unexpected text"},
        {"qorva.DRV,DriverConfig getstates $000F0000 #-0170000", "malformed flag address"},
    };
    for (const auto& [text, expected] : cases) {
        const auto result = parseCommandLine(text);
        EXPECT_FALSE(result.call) << text;
        EXPECT_NE(result.error.find(expected), std::string::npos)
            << text << " gave: " << result.error;
        EXPECT_EQ(result.error.find('\n'), std::string::npos);
    }
}

TEST(CommandLine, ShowsStrangeBytesSafelyInItsMessage) {
    const auto result = parseCommandLine(std::string("qorva.DRV,DriverConfig get\x01\x7f\xff") +
                                         std::string(100, 'x') + " $000F0000 #00170000");
    ASSERT_FALSE(result.call);
    for (char ch : result.error) {
        EXPECT_TRUE(ch >= 0x20 && ch < 0x7F) << "byte " << int(static_cast<unsigned char>(ch));
    }
    EXPECT_LT(result.error.size(), 100u);
}

} // namespace
