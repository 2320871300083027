// Device discovery and control handles over the simulated card's wave devices.
#include "driver/devices.h"
#include "platform/winmm_driver.h"
#include "platform/wow16.h"
#include "simcard/wave_driver.h"
#include "support/simcard_env.h"
#include "toolkit/exceptions.h"

#include <sstream>

using namespace driver;

namespace {

class DiscoveryTest : public orv_test::SimcardTest {
protected:
    void install(const std::string& text) {
        auto parsed = simcard::parseDescription(text, "test");
        ASSERT_TRUE(parsed.description) << parsed.error;
        winmmRemoveAllDrivers();
        simcard::installDrivers(*parsed.description);
    }
    void TearDown() override {
        winmmRemoveAllDrivers();
        SimcardTest::TearDown();
    }
    // Explicit device lines: n wave-in and m wave-out devices of the card, pairs counted over
    // all cards from the first.
    static std::string devices(int in, int out, int pid = 0) {
        std::ostringstream text;
        for (int i = 0; i < in; ++i) {
            text << "device in 0x4B56 " << (pid ? pid : 46) << " \"Orvane ADAT In " << 2 * i + 1
                 << "-" << 2 * i + 2 << "\"\n";
        }
        for (int i = 0; i < out; ++i) {
            text << "device out 0x4B56 " << (pid ? pid : 45) << " \"Orvane ADAT Out " << 2 * i + 1
                 << "-" << 2 * i + 2 << "\"\n";
        }
        return text.str();
    }
};

TEST_F(DiscoveryTest, ChannelNumbersMapToCardsAndPairs) {
    struct Row {
        std::int32_t n, card, pair;
    };
    for (Row row : {Row{2, 0, 0}, Row{8, 0, 3}, Row{10, 1, 0}, Row{32, 3, 3}, Row{34, 4, 0},
                    Row{1, 0, 0}, Row{0, 0, -1}}) {
        std::int32_t pair = 99;
        EXPECT_EQ(DevNameChannelPairToCardId("Orvane ADAT In x-" + std::to_string(row.n), 8, pair),
                  row.card)
            << row.n;
        EXPECT_EQ(pair, row.pair) << row.n;
    }
    std::int32_t pair = 0;
    // The last hyphen counts; blanks and control characters around the number do not.
    EXPECT_EQ(DevNameChannelPairToCardId("A-B 9-10 \t", 8, pair), 1);
    try {
        DevNameChannelPairToCardId("Orvane ADAT In 1 2", 8, pair);
        FAIL() << "no error";
    } catch (const toolkit::EConvertError& e) {
        EXPECT_STREQ(e.what(), "DevNameChannelPairToCardId: Separator not found.");
    }
    EXPECT_THROW(DevNameChannelPairToCardId("Orvane ADAT In 1-", 8, pair), toolkit::EConvertError);
    EXPECT_THROW(DevNameChannelPairToCardId("Orvane ADAT In 1-2a", 8, pair),
                 toolkit::EConvertError);
}

TEST_F(DiscoveryTest, TwoCardsBehindAnotherMakersDeviceAreFiledByCardAndPair) {
    install("cards 2\nsystem-device yes\ndevnode 1 0x00ABCDEF\n");
    FindDevices();
    EXPECT_TRUE(CardsPresent);
    EXPECT_EQ(CardCount, 2);
    // Device 0 of each direction belongs to the other maker.
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(InDevices[i], i + 1);
        EXPECT_EQ(OutDevices[i], i + 1);
    }
    for (int i = 8; i < 16; ++i) {
        EXPECT_EQ(InDevices[i], -1);
        EXPECT_EQ(OutDevices[i], -1);
    }
    EXPECT_EQ(CardDevNodes[0], 0xC1A30000u);
    EXPECT_EQ(CardDevNodes[1], 0x00ABCDEFu);
    EXPECT_EQ(CardDevNodes[2], 0xFFFFFFFFu);
}

TEST_F(DiscoveryTest, CardsAreCountedByWholeSetsOfEightDevices) {
    struct Case {
        int in, out, cards;
    };
    for (Case c : {Case{4, 3, 0}, Case{8, 4, 1}, Case{8, 8, 2}}) {
        install(devices(c.in, c.out));
        FindDevices();
        EXPECT_EQ(CardCount, c.cards) << c.in << "+" << c.out;
        EXPECT_EQ(CardsPresent, c.cards > 0);
    }
}

TEST_F(DiscoveryTest, DevicesGivingTheSameIndexCountButNeverMakeMoreThanFourCards) {
    // Three sets of two cards' devices under the same names: 48 counted devices, the later
    // ids in the tables, and no more cards than the tables and the meter windows hold.
    install(devices(8, 8) + devices(8, 8) + devices(8, 8));
    EXPECT_THROW(FindDevices(), toolkit::EAbort); // the third card has no devices to ask
    EXPECT_EQ(CardCount, 4);
    EXPECT_EQ(InDevices[0], 16);
    EXPECT_EQ(OutDevices[7], 23);
    EXPECT_EQ(InDevices[8], -1);
}

TEST_F(DiscoveryTest, OtherMakersOtherProductsAndIndexesBeyondTheTableAreIgnored) {
    install("device in 1 46 \"Other In 1-2\"\n"
            "device out 1 45 \"Other Out 1-2\"\n");
    FindDevices();
    EXPECT_FALSE(CardsPresent);
    EXPECT_EQ(CardCount, 0);
    EXPECT_EQ(InDevices[0], -1);

    // Seven good devices, one of product id 47, and one whose number maps to index 16.
    install(devices(3, 4) + "device in 0x4B56 47 \"Orvane ADAT In 7-8\"\n" +
            "device in 0x4B56 46 \"Orvane ADAT In 33-34\"\n");
    FindDevices();
    EXPECT_EQ(CardCount, 0);
    EXPECT_EQ(InDevices[3], -1);
}

TEST_F(DiscoveryTest, ANameWithoutHyphenStopsDiscoveryWithTheTablesSoFar) {
    install("cards 1\nfault name-without-hyphen in 0 2\n");
    try {
        FindDevices();
        FAIL() << "no error";
    } catch (const toolkit::EConvertError& e) {
        EXPECT_STREQ(e.what(), "DevNameChannelPairToCardId: Separator not found.");
    }
    EXPECT_TRUE(CardsPresent);
    EXPECT_EQ(CardCount, 0);
    EXPECT_EQ(InDevices[1], 1);
    EXPECT_EQ(InDevices[2], -1);
    EXPECT_EQ(OutDevices[0], -1);
}

TEST_F(DiscoveryTest, AControlOpenThatFailsEndsTheNodeQuerySilentlyAndReleasesTheBlock) {
    install("cards 2\nfault control-open-refused 1\n");
    int blocks = platform::wow16LiveBlockCount();
    EXPECT_THROW(FindDevices(), toolkit::EAbort);
    EXPECT_EQ(CardCount, 2);
    EXPECT_EQ(CardDevNodes[0], 0xC1A30000u);
    EXPECT_EQ(CardDevNodes[1], 0xFFFFFFFFu);
    EXPECT_EQ(platform::wow16LiveBlockCount(), blocks);
}

TEST_F(DiscoveryTest, AnUnansweredNodeQueryLeavesThePreviousCardsNode) {
    install("cards 2\nfault devnode-unanswered 1\n");
    FindDevices();
    EXPECT_EQ(CardDevNodes[0], 0xC1A30000u);
    EXPECT_EQ(CardDevNodes[1], 0xC1A30000u);
}

TEST_F(DiscoveryTest, RangesOpenOneHandlePerChannelOnThePairsDevice) {
    // Each input channel carries its own number times 1000.
    std::string text = "cards 2\n";
    for (int ch = 1; ch <= 16; ++ch) {
        text += "level in " + std::to_string(ch) + " constant " + std::to_string(ch * 1000) + "\n";
    }
    install(text);
    FindDevices();
    std::array<HWAVE, 32> handles{};
    OpenCtrlRange(nullptr, false, 0, 7, 0, 1, handles);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NE(handles[i], nullptr) << i;
    }
    EXPECT_EQ(handles[16], nullptr);
    EXPECT_NE(handles[0], handles[1]);

    DWORD record = WOWGlobalAllocLock16(GMEM_MOVEABLE | GMEM_ZEROINIT, 8, nullptr);
    auto* levels = static_cast<std::int32_t*>(WOWGetVDMPointerFix(record, 8, TRUE));
    auto read = [&](int i) {
        auto h = static_cast<HWAVEIN>(handles[i]);
        waveInMessage(h, DRV_USER + 0x38, 0, 0);
        waveInMessage(h, DRV_USER + 0x3A, record, 0);
        return std::pair(levels[0], levels[1]);
    };
    EXPECT_EQ(read(0), std::pair(1000, 2000));
    EXPECT_EQ(read(1), std::pair(1000, 2000)); // the second channel's handle: the same pair
    EXPECT_EQ(read(7), std::pair(7000, 8000));
    EXPECT_EQ(read(8), std::pair(9000, 10000)); // card 1, pair 0
    WOWGetVDMPointerUnfix(record);
    WOWGlobalUnlockFree16(record);

    // Closing skips empty entries, empties closed ones and keeps one that fails to close.
    HWAVE stale = handles[3];
    CloseCtrlRange(false, 16, handles);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(handles[i], nullptr) << i;
    }
    handles[0] = stale;
    CloseCtrlRange(false, 1, handles);
    EXPECT_EQ(handles[0], stale);
}

TEST_F(DiscoveryTest, OpeningAPairWithoutDeviceAbortsSilentlyAndOpensNothing) {
    install("cards 1\n");
    FindDevices();
    HWAVEIN handle = nullptr;
    EXPECT_THROW(OpenCtrlIn(nullptr, 4, handle), toolkit::EAbort);
    EXPECT_EQ(handle, nullptr);
    EXPECT_THROW(OpenCtrlIn(nullptr, 16, handle), toolkit::EAbort);

    // A range stops at the failing card; the handles before it stay.
    std::array<HWAVE, 16> handles{};
    EXPECT_THROW(OpenCtrlRange(nullptr, true, 0, 7, 0, 1, handles), toolkit::EAbort);
    EXPECT_NE(handles[7], nullptr);
    EXPECT_EQ(handles[8], nullptr);
    CloseCtrlRange(true, 16, handles);
}

} // namespace
