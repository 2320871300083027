// What a meter draws: each lamp repaints only its own rectangle and only when its state changes
// (recorded through a windowing backend that notes every repaint request), and the pixels of an
// offscreen rendering show the lamps in their zone colours, with shared black outlines.
#include "controls/level_meter.h"
#include "controls/meter_preset.h"
#include "toolkit/peer.h"
#include "toolkit/windowing.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

// A backend whose widgets only note the rectangles they are asked to repaint.
struct RecordingPeer : WidgetPeer {
    explicit RecordingPeer(std::vector<TRect>& log) : log(log) {}
    void setParent(WidgetPeer*) override {}
    void setBounds(const TRect&) override {}
    void setVisible(bool) override {}
    void setEnabled(bool) override {}
    void setColor(TColor) override {}
    void setFont(const TFont&) override {}
    void setText(const std::string&) override {}
    void setHint(const std::string&, bool) override {}
    void setCursor(TCursor) override {}
    void invalidate(const TRect& rect) override { log.push_back(rect); }
    void invalidateAll() override { log.push_back({0, 0, -1, -1}); }
    void update() override {}
    void setFocus() override {}
    bool hasFocus() const override { return false; }
    void bringToFront() override {}
    void sendToBack() override {}
    TPoint clientToScreen(TPoint p) const override { return p; }
    TPoint screenToClient(TPoint p) const override { return p; }
    std::vector<TRect>& log;
};

struct RecordingBackend : WindowingBackend {
    std::unique_ptr<WidgetPeer> createPeer(TWinControl*, PeerKind) override {
        return std::make_unique<RecordingPeer>(log);
    }
    void processEvents(bool) override {}
    TRect screenRect() const override { return {0, 0, 1280, 800}; }
    TPoint textExtent(const TFont&, const std::string&, bool) const override { return {0, 0}; }
    std::vector<TRect> log;
};

class MeterRepaints : public ::testing::Test {
protected:
    void SetUp() override {
        saved = GetWindowingBackend();
        SetWindowingBackend(&backend);
        meter = new TLevelMeter(nullptr);
        ApplyMeterPreset(*meter);
        meter->HandleNeeded();
        backend.log.clear();
    }
    void TearDown() override {
        meter->Free();
        SetWindowingBackend(saved);
    }
    std::vector<TRect> lampRects(int from, int to) const {
        std::vector<TRect> rects;
        for (int i = from; i <= to; ++i) {
            rects.push_back(meter->Lumi(i)->BoundsRect());
        }
        return rects;
    }
    void tick() { meter->Perform(kLevelTickMessage, 0, 0); }

    WindowingBackend* saved = nullptr;
    RecordingBackend backend;
    TLevelMeter* meter = nullptr;
};

TEST_F(MeterRepaints, OnlyChangedLampsRepaintTheirOwnRectangles) {
    meter->SetLevel(3277); // lamps 0 to 15
    EXPECT_EQ(backend.log, lampRects(0, 15));
    backend.log.clear();
    meter->SetLevel(3277);
    meter->SetLevel(100);
    meter->SetNumLumisOrange(20); // recolouring alone repaints nothing
    EXPECT_TRUE(backend.log.empty());
    meter->SetLevel(5000); // lamps 16 to 19
    EXPECT_EQ(backend.log, lampRects(16, 19));
    backend.log.clear();
    tick(); // the lamp below the peak
    EXPECT_EQ(backend.log, lampRects(18, 18));
    backend.log.clear();
    tick(); // dark already
    EXPECT_TRUE(backend.log.empty());
    tick();
    EXPECT_EQ(backend.log, lampRects(17, 17));
}

// ---- pixels ----------------------------------------------------------------------------------

// The fill colour in the middle of lamp i of a 40-lamp column.
TColor fillOf(const Snapshot& shot, int lamp) {
    return shot.PixelAt(8, 156 - 4 * lamp + 2);
}

TEST(MeterPixels, ZoneColoursSharedOutlinesAndTheHeldPeak) {
    auto* meter = new TLevelMeter(nullptr);
    ApplyMeterPreset(*meter);
    meter->SetLevel(32767);
    Snapshot shot = GrabControl(meter);
    ASSERT_EQ(shot.width, 18);
    ASSERT_EQ(shot.height, 163);
    for (int i = 0; i < 40; ++i) {
        TColor expected = i == 39 ? kLumiRed : i >= 27 ? kLumiOrange : kLumiGreen;
        int top = 156 - 4 * i;
        for (int y = top + 1; y <= top + 3; ++y) { // fill: columns 2 to 14, outline 1 and 15
            EXPECT_EQ(shot.PixelAt(2, y), expected) << "lamp " << i;
            EXPECT_EQ(shot.PixelAt(14, y), expected) << "lamp " << i;
            EXPECT_EQ(shot.PixelAt(1, y), clBlack) << "lamp " << i;
            EXPECT_EQ(shot.PixelAt(15, y), clBlack) << "lamp " << i;
        }
        // One black row between neighbours, shared.
        EXPECT_EQ(shot.PixelAt(8, top), clBlack) << "lamp " << i;
        EXPECT_EQ(shot.PixelAt(8, top + 4), clBlack) << "lamp " << i;
    }
    EXPECT_EQ(shot.PixelAt(16, 80), ColorToRGB(clBtnFace)); // beside the column

    // Nine ticks after silence: lamp 38 dark first, a pause, then 37 down to 31.
    meter->SetLevel(0);
    for (int i = 0; i < 9; ++i) {
        meter->Perform(kLevelTickMessage, 0, 0);
    }
    shot = GrabControl(meter);
    EXPECT_EQ(fillOf(shot, 39), kLumiRed);
    for (int i = 31; i <= 38; ++i) {
        EXPECT_EQ(fillOf(shot, i), kLumiDark) << "lamp " << i;
    }
    EXPECT_EQ(fillOf(shot, 30), kLumiOrange);
    EXPECT_EQ(fillOf(shot, 26), kLumiGreen);
    meter->Free();
}

} // namespace
