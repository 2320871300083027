// What a meter draws: the changes made while one message is handled (levels, ticks) ask for one
// repaint, of the insides of the lamps that changed, and a meter whose lamps stay as they are
// asks for none (recorded through
// a windowing backend that notes every repaint request); the pixels of an offscreen rendering
// show the lamps in their zone colours, with shared black outlines, in a closed sunken bevel.
#include "controls/level_meter.h"
#include "controls/meter_preset.h"
#include "toolkit/peer.h"
#include "toolkit/windowing.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

// A backend whose widgets only note the rectangles they are asked to repaint.
struct RecordingPeer : WidgetPeer {
    explicit RecordingPeer(std::vector<TRect>& repaints) : log(repaints) {}
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
    // The insides of lamps from to to (their outlines never change), in the meter.
    static TRect insides(int from, int to) { return {2, 157 - 4 * to, 15, 160 - 4 * from}; }
    void tick() { meter->Perform(kLevelTickMessage, 0, 0); }
    // What the toolkit does once a message has been handled.
    void flush() { TWinControl::FlushDeferredRepaints(); }

    WindowingBackend* saved = nullptr;
    RecordingBackend backend;
    TLevelMeter* meter = nullptr;
};

TEST_F(MeterRepaints, OneRequestPerChangeCoveringTheInsidesOfTheChangedLamps) {
    meter->SetLevel(3277);            // lamps 0 to 15
    EXPECT_TRUE(backend.log.empty()); // not before the message is done
    flush();
    EXPECT_EQ(backend.log, std::vector<TRect>{insides(0, 15)});
    backend.log.clear();
    meter->SetLevel(3277);
    meter->SetLevel(100);
    meter->SetNumLumisOrange(20); // recolouring alone repaints nothing
    flush();
    EXPECT_TRUE(backend.log.empty());
    meter->SetLevel(5000); // lamps 16 to 19
    flush();
    EXPECT_EQ(backend.log, std::vector<TRect>{insides(16, 19)});
    backend.log.clear();
    tick(); // the lamp below the peak
    flush();
    EXPECT_EQ(backend.log, std::vector<TRect>{insides(18, 18)});
    backend.log.clear();
    tick(); // dark already
    flush();
    EXPECT_TRUE(backend.log.empty());
    tick();
    meter->Update(); // painting now flushes first
    EXPECT_EQ(backend.log, std::vector<TRect>{insides(17, 17)});
}

TEST_F(MeterRepaints, ALevelAndATickHandledTogetherAskOnceForBoth) {
    meter->SetLevel(3277); // lamps 0 to 15
    flush();
    backend.log.clear();
    meter->SetLevel(5000); // lamps 16 to 19
    tick();                // 18 dark
    meter->SetLevel(6000); // 20 and 21
    tick();                // 20 dark
    flush();
    EXPECT_EQ(backend.log, std::vector<TRect>{insides(16, 21)});
    backend.log.clear();
    flush();
    EXPECT_TRUE(backend.log.empty());
    // A meter freed with requests still waiting takes them with it.
    meter->SetLevel(32767);
    meter->Free();
    meter = nullptr;
    flush();
    EXPECT_TRUE(backend.log.empty());
    meter = new TLevelMeter(nullptr);
}

TEST_F(MeterRepaints, ASilentMeterAsksForNoRepaintOnceItHasFallen) {
    meter->SetLevel(32767);
    int ticks = 0;
    while (meter->TopIndex() > 0 || meter->PeakIndex() > 0) {
        meter->SetLevel(0);
        tick();
        flush();
        ASSERT_LT(++ticks, 200);
    }
    // The column fell lamp by lamp, and the held peak went dark on its own: 75 ticks.
    EXPECT_EQ(ticks, kWindowMeter.HoldTicks());
    EXPECT_EQ(backend.log.back(), insides(39, 39));
    backend.log.clear();
    for (int i = 0; i < 100; ++i) {
        meter->SetLevel(0);
        meter->SetLevel(-5);
        tick();
        flush();
    }
    EXPECT_TRUE(backend.log.empty());
    for (int i = 0; i < 40; ++i) {
        EXPECT_FALSE(meter->Lumi(i)->Get_On()) << i;
    }
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
    // The sunken bevel: shadow on the left and top, light on the right and bottom, with the
    // corners closed (the top lamp's outline lies on the top row from 1 to 15).
    TColor dark = ColorToRGB(clBtnShadow);
    TColor light = ColorToRGB(clBtnHighlight);
    EXPECT_EQ(shot.PixelAt(0, 0), dark);
    EXPECT_EQ(shot.PixelAt(16, 0), dark);
    for (int x = 0; x < 17; ++x) {
        EXPECT_EQ(shot.PixelAt(x, 162), light) << x;
    }
    for (int y = 0; y < 162; ++y) {
        EXPECT_EQ(shot.PixelAt(0, y), dark) << y;
        EXPECT_EQ(shot.PixelAt(17, y), light) << y;
    }
    EXPECT_EQ(shot.PixelAt(17, 0), light);
    EXPECT_EQ(shot.PixelAt(17, 162), light);

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

// ---- painting a part --------------------------------------------------------------------------

// A canvas of pixels that knows fills, boxes with a one-pixel outline and straight lines, enough
// for a meter; what is not painted keeps the colour it was given.
class PixelCanvas : public TCanvas {
public:
    PixelCanvas(int width, int height, TColor ground, const TRect& clip)
        : width_(width), pixels_(static_cast<std::size_t>(width * height), ground) {
        frames_.push_back({0, 0, clip});
    }
    TColor At(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }

    TRect ClipRect() const override {
        const Frame& f = frames_.back();
        return f.clip.Offset(-f.dx, -f.dy);
    }
    void Rectangle(const TRect& r) override {
        if (Brush.Style == TBrushStyle::bsSolid) {
            fill(r, Brush.Color);
        }
        if (Pen.Style != TPenStyle::psClear) {
            fill({r.Left, r.Top, r.Right, r.Top + 1}, Pen.Color);
            fill({r.Left, r.Bottom - 1, r.Right, r.Bottom}, Pen.Color);
            fill({r.Left, r.Top, r.Left + 1, r.Bottom}, Pen.Color);
            fill({r.Right - 1, r.Top, r.Right, r.Bottom}, Pen.Color);
        }
    }
    void FillRect(const TRect& r) override { fill(r, Brush.Color); }
    void MoveTo(int x, int y) override { at_ = {x, y}; }
    void LineTo(int x, int y) override {
        // Straight lines only, the end left out.
        int dx = x > at_.X ? 1 : x < at_.X ? -1 : 0;
        int dy = y > at_.Y ? 1 : y < at_.Y ? -1 : 0;
        for (TPoint p = at_; p.X != x || p.Y != y; p.X += dx, p.Y += dy) {
            fill({p.X, p.Y, p.X + 1, p.Y + 1}, Pen.Color);
        }
        at_ = {x, y};
    }
    void Ellipse(const TRect&) override {}
    void TextOut(int, int, const std::string&) override {}
    void TextRect(const TRect&, const std::string&, TAlignment, bool, bool, bool) override {}
    int TextWidth(const std::string&) override { return 0; }
    int TextHeight(const std::string&) override { return 0; }
    void Draw(int, int, const TPicture&) override {}
    void StretchDraw(const TRect&, const TPicture&) override {}
    void Save(int dx, int dy, const TRect& clip) override {
        const Frame& f = frames_.back();
        int x = f.dx + dx;
        int y = f.dy + dy;
        frames_.push_back({x, y, clip.Offset(x, y).Intersected(f.clip)});
    }
    void Restore() override { frames_.pop_back(); }

private:
    struct Frame {
        int dx;
        int dy;
        TRect clip; // on the pixels
    };
    void fill(const TRect& r, TColor colour) {
        const Frame& f = frames_.back();
        TRect on = r.Offset(f.dx, f.dy).Intersected(f.clip);
        for (int y = on.Top; y < on.Bottom; ++y) {
            for (int x = on.Left; x < on.Right; ++x) {
                pixels_[static_cast<std::size_t>(y * width_ + x)] = colour;
            }
        }
    }
    int width_;
    std::vector<TColor> pixels_;
    std::vector<Frame> frames_;
    TPoint at_{0, 0};
};

TEST(MeterPixels, APartPaintedAloneLooksAsInTheWholePicture) {
    auto* meter = new TLevelMeter(nullptr);
    ApplyMeterPreset(*meter);
    meter->SetLevel(20000);
    meter->Perform(kLevelTickMessage, 0, 0);
    const int w = meter->Width();
    const int h = meter->Height();
    const TRect all{0, 0, w, h};
    PixelCanvas whole(w, h, clNone, all);
    meter->PeerPaint(whole, false);
    // Lamp insides (as the meter asks), whole lamps, runs of lamps, areas reaching the bevel or
    // the column's side, and a lamp that is not a plain box.
    std::vector<TRect> parts{{2, 97, 15, 100},  {1, 96, 16, 101}, {2, 37, 15, 140},
                             {1, 0, 16, 163},   {0, 50, 18, 60},  {15, 50, 17, 52},
                             {1, 158, 16, 163}, {2, 1, 15, 4},    all};
    for (int round = 0; round < 2; ++round) {
        for (const TRect& part : parts) {
            PixelCanvas piece(w, h, 0x123456, part);
            meter->PeerPaint(piece, false);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    bool inside =
                        x >= part.Left && x < part.Right && y >= part.Top && y < part.Bottom;
                    ASSERT_EQ(piece.At(x, y), inside ? whole.At(x, y) : TColor(0x123456))
                        << "round " << round << ", part " << part.Left << "," << part.Top << ","
                        << part.Right << "," << part.Bottom << " at " << x << "," << y;
                }
            }
        }
        // A lamp without its fill lets the panel show through.
        meter->Lumi(20)->SetBrush({kLumiDark, TBrushStyle::bsClear});
        whole = PixelCanvas(w, h, clNone, all);
        meter->PeerPaint(whole, false);
        parts.push_back({2, 77, 15, 80});
    }
    // The same area painted again after a lamp in it stopped being a plain box: the lamps
    // there are looked at again.
    const TRect area{1, 60, 16, 100};
    meter->Lumi(20)->SetBrush({kLumiDark, TBrushStyle::bsSolid});
    PixelCanvas first(w, h, 0x123456, area);
    meter->PeerPaint(first, false);
    meter->Lumi(20)->SetBrush({kLumiDark, TBrushStyle::bsClear});
    PixelCanvas again(w, h, 0x123456, area);
    meter->PeerPaint(again, false);
    whole = PixelCanvas(w, h, clNone, all);
    meter->PeerPaint(whole, false);
    for (int y = area.Top; y < area.Bottom; ++y) {
        for (int x = area.Left; x < area.Right; ++x) {
            ASSERT_EQ(again.At(x, y), whole.At(x, y)) << "at " << x << "," << y;
        }
    }
    meter->Free();
}

// A meter with a lively column, painted whole on a canvas of its size.
TLevelMeter* liveMeter() {
    auto* meter = new TLevelMeter(nullptr);
    ApplyMeterPreset(*meter);
    meter->SetLevel(20000);
    meter->Perform(kLevelTickMessage, 0, 0);
    return meter;
}

PixelCanvas paintedPart(TLevelMeter* meter, const TRect& part) {
    PixelCanvas canvas(meter->Width(), meter->Height(), 0x123456, part);
    meter->PeerPaint(canvas, false);
    return canvas;
}

TEST(MeterPixels, ALampChangedAfterTheColumnWasPaintedLooksAsOnAColumnPaintedFirstAfterIt) {
    struct Change {
        const char* what;
        std::function<void(TLevelMeter*)> make;
    };
    const std::vector<Change> changes{
        {"outline colour",
         [](TLevelMeter* m) {
             m->Lumi(20)->SetPen({clRed, 1, TPenStyle::psSolid});
         }},
        {"outline width",
         [](TLevelMeter* m) {
             m->Lumi(20)->SetPen({clBlack, 2, TPenStyle::psSolid});
         }},
        {"outline and back",
         [](TLevelMeter* m) {
             m->Lumi(20)->SetPen({clRed, 1, TPenStyle::psSolid});
             m->Lumi(20)->SetPen({clBlack, 1, TPenStyle::psSolid});
         }},
        {"shape", [](TLevelMeter* m) { m->Lumi(20)->SetShape(TShapeType::stEllipse); }},
        {"no fill",
         [](TLevelMeter* m) {
             m->Lumi(20)->SetBrush({clBlue, TBrushStyle::bsClear});
         }},
        {"fill colour", [](TLevelMeter* m) { m->Lumi(20)->SetBrushColor(clBlue); }},
        {"hidden", [](TLevelMeter* m) { m->Lumi(20)->SetVisible(false); }},
        {"moved aside", [](TLevelMeter* m) { m->Lumi(20)->SetLeft(2); }},
        {"bottom lamp moved up", [](TLevelMeter* m) { m->Lumi(0)->SetTop(m->Lumi(0)->Top() - 1); }},
        {"bottom lamp taller", [](TLevelMeter* m) { m->Lumi(0)->SetHeight(8); }},
        {"freed", [](TLevelMeter* m) { m->Lumi(20)->Free(); }},
        {"another child",
         [](TLevelMeter* m) {
             auto* other = new TShape(m);
             other->SetBounds(1, 77, 15, 5);
             other->SetParent(m);
         }},
    };
    for (const Change& change : changes) {
        TLevelMeter* before = liveMeter(); // painted, then changed
        TLevelMeter* after = liveMeter();  // changed, then painted for the first time
        const int w = before->Width();
        const int h = before->Height();
        paintedPart(before, {0, 0, w, h});
        change.make(before);
        change.make(after);
        // The whole meter, and the lamp's inside alone (as a switch asks).
        for (const TRect& part : {TRect{0, 0, w, h}, TRect{2, 77, 15, 80}}) {
            PixelCanvas seen = paintedPart(before, part);
            PixelCanvas expected = paintedPart(after, part);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    ASSERT_EQ(seen.At(x, y), expected.At(x, y))
                        << change.what << ", part from " << part.Top << ", at " << x << "," << y;
                }
            }
        }
        before->Free();
        after->Free();
    }
}

} // namespace

namespace {

// Two meters through the same levels and ticks: one painted before (which lets the column paint
// and switch its lamps from what it keeps), one never painted until the end.
TEST_F(MeterRepaints, AColumnPaintedBeforeSwitchesItsLampsAsOneNeverPainted) {
    TLevelMeter* painted = meter;
    auto* fresh = new TLevelMeter(nullptr);
    ApplyMeterPreset(*fresh);
    fresh->HandleNeeded();
    const int w = painted->Width();
    const int h = painted->Height();
    paintedPart(painted, {0, 0, w, h});
    backend.log.clear();

    // What each step asks to be repainted, meter by meter.
    auto step = [&](const char* what, const std::function<void(TLevelMeter*)>& make) {
        std::vector<TRect> asked[2];
        TLevelMeter* meters[2] = {painted, fresh};
        for (int k = 0; k < 2; ++k) {
            make(meters[k]);
            flush();
            asked[k] = backend.log;
            backend.log.clear();
        }
        EXPECT_EQ(asked[0], asked[1]) << what;
        for (int i = 0; i < 40; ++i) {
            ASSERT_EQ(painted->Lumi(i)->Get_On(), fresh->Lumi(i)->Get_On()) << what << " " << i;
            ASSERT_EQ(painted->Lumi(i)->Brush(), fresh->Lumi(i)->Brush()) << what << " " << i;
        }
    };
    auto ticks = [](int n) {
        return [n](TLevelMeter* m) {
            for (int i = 0; i < n; ++i) {
                m->Perform(kLevelTickMessage, 0, 0);
            }
        };
    };
    step("level", [](TLevelMeter* m) { m->SetLevel(20000); });
    step("ticks", ticks(3));
    step("level again", [](TLevelMeter* m) { m->SetLevel(32767); });
    step("a lamp switched from outside", [](TLevelMeter* m) { m->Lumi(5)->Set_On(false); });
    step("lit and dark the same colour", [](TLevelMeter* m) {
        m->Lumi(6)->SetColorOff(m->Lumi(6)->ColorOn());
        m->Lumi(6)->Set_On(false);
    });
    step("a lit lamp given new colours, then switched by the column", [&ticks](TLevelMeter* m) {
        m->Lumi(3)->SetColorOn(clBlue);
        m->Lumi(3)->SetColorOff(clYellow);
        m->SetLevel(0);
        ticks(40)(m);
        m->SetLevel(32767);
    });
    paintedPart(painted, {0, 0, w, h});
    // A lamp that is no longer a plain box: the column stops switching from what it keeps.
    step("outline", [](TLevelMeter* m) { m->Lumi(30)->SetPen({clBlack, 2, TPenStyle::psSolid}); });
    step("ticks after the outline", ticks(12));
    paintedPart(painted, {0, 0, w, h});
    step("outline back", [](TLevelMeter* m) {
        m->Lumi(30)->SetPen({clBlack, 1, TPenStyle::psSolid});
    });
    paintedPart(painted, {0, 0, w, h});
    step("silence", [](TLevelMeter* m) { m->SetLevel(0); });
    step("falling", ticks(80));

    PixelCanvas seen = paintedPart(painted, {0, 0, w, h});
    PixelCanvas expected = paintedPart(fresh, {0, 0, w, h});
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(seen.At(x, y), expected.At(x, y)) << "at " << x << "," << y;
        }
    }
    fresh->Free();
}

} // namespace
