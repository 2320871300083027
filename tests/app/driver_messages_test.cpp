// The driver's messages: texts, captions and icons as shown.
#include "app/driver_messages.h"
#include "support/ui_logs.h"

#include <gtest/gtest.h>
#include <vector>

using namespace app;

namespace {

class DriverMessagesTest : public ::testing::Test {
protected:
    orv_test::MessageBoxLog log_;
    std::vector<toolkit::MessageBoxRecord>& boxes = log_.boxes;
};

const std::string kNoAudio = "\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.";

TEST_F(DriverMessagesTest, CardMessagesNameTheCardNumber) {
    EXPECT_TRUE(ShowDriverError(2, -30));
    EXPECT_TRUE(ShowDriverError(0, -30));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Die Hardware der Orvane Karte #2 konnte nicht initialisiert werden. "
                             "\r\nFpga konnte nicht initialisiert werden." +
                                 kNoAudio);
    EXPECT_EQ(boxes[0].caption, "Orvane Initialisierungsfehler");
    EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONERROR);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[1].text.rfind("Die Hardware der Orvane Karte #0 konnte", 0), 0u);
}

TEST_F(DriverMessagesTest, DeviceMessagesWithoutADeviceKeepTheirGapsAndPlaceholders) {
    ShowDriverError(0, -56);
    ShowDriverError(0, -57);
    ShowDriverError(0, -52);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Das Gerät  konnte nicht geöffnet werden. \r\nFehler beim Erzeugen "
                             "eines Threads." +
                                 kNoAudio);
    EXPECT_EQ(boxes[0].caption, "Orvane Fehler");
    // The closing line stands once, at the end.
    EXPECT_EQ(boxes[1].text.find("Keine Audiofunktionen"),
              boxes[1].text.rfind("Keine Audiofunktionen"));
    EXPECT_EQ(boxes[1].text.substr(boxes[1].text.size() - kNoAudio.size()), kNoAudio);
    EXPECT_EQ(boxes[2].text, "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz stimmt "
                             "nicht mit der des angeschlossenen und Clock Generators (%d Hz) "
                             "überein.");
    EXPECT_EQ(boxes[2].caption, "Orvane Warnung");
    EXPECT_EQ(boxes[2].style, MB_OK | MB_ICONINFORMATION);
}

TEST_F(DriverMessagesTest, PlainAndUndefinedIdsIgnoreTheCardAndSilentIdsShowNothing) {
    ShowDriverError(3, -27);
    ShowDriverError(1, -12);
    ShowDriverError(1, 7);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Der Orvane Treiber konnte nicht initialisiert werden. \r\nFalsche "
                             "Version des Moduls qorva.VXD" +
                                 kNoAudio);
    for (int i : {1, 2}) {
        EXPECT_EQ(boxes[i].text, "Undefined ErrId");
        EXPECT_EQ(boxes[i].caption, "Internal Error");
        EXPECT_EQ(boxes[i].style, MB_OK | MB_ICONERROR);
    }
    EXPECT_FALSE(ShowDriverError(1, 1));
    EXPECT_FALSE(ShowDriverError(0, 0));
    EXPECT_FALSE(ShowDriverError(0, -50));
    EXPECT_EQ(boxes.size(), 3u);
}

TEST_F(DriverMessagesTest, EveryMessageFitsTheBufferInSingleByteCharacters) {
    std::size_t longest = 0;
    std::int32_t longestId = 0;
    for (std::int32_t id = -62; id <= 2; ++id) {
        TDriverMessage msg;
        if (!DriverErrorMessage(4, id, msg)) {
            EXPECT_TRUE(id == 1 || id == 0 || id == -50) << id;
            continue;
        }
        // Code page 1252: one byte per character, umlauts included.
        EXPECT_EQ(msg.Text.find('\xC3'), std::string::npos) << id;
        EXPECT_LT(msg.Text.size(), kMessageBufferSize) << id;
        if (msg.Text.size() > longest) {
            longest = msg.Text.size();
            longestId = id;
        }
    }
    EXPECT_EQ(longest, 246u);
    EXPECT_EQ(longestId, -5);
}

TEST_F(DriverMessagesTest, BuildersWithADeviceNameItAndStayWithinTheBuffer) {
    TDeviceDescription device{std::string(80, 'N'), 44100, 48000};
    std::string open = DeviceOpenText(&device, "x");
    EXPECT_EQ(open.substr(0, 75), "Das Ger\xE4t \"" + std::string(63, 'N') + "\"");
    std::string rate = DeviceRateText(&device, "%s: %d Hz, %d Hz, %d, 100%");
    EXPECT_EQ(rate, std::string(80, 'N') + ": 44100 Hz, 48000 Hz, %d, 100%");
    // The longest device text is cut to the buffer.
    TDriverMessage msg;
    DriverErrorMessage(0, -5, msg);
    std::string cut = DeviceOpenText(&device, msg.Text);
    EXPECT_EQ(cut.size(), kMessageBufferSize - 1);
}

} // namespace
