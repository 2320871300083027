// Plain containers drawn with the surface of the form or panel that holds them: on the screen
// they look as they do painted alone, every change reaches the screen, moving, hiding and
// reparenting leave no trace, a container with a native child paints itself again, and a
// round of posted messages is painted once, at its end.
#include "support/forms.h"
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/message_queue.h"
#include "toolkit/panel.h"
#include "toolkit/qt/canvas.h"
#include "toolkit/qt/peers.h"
#include "toolkit/qt/surfaces.h"
#include "toolkit/shape.h"
#include "toolkit/win_ui.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::Owned;
using orv_test::pump;
using orv_test::TDescribedForm;

// A panel that paints stripes of its own colour and black, so that a part painted at a wrong
// offset shows.
class TStriped : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;

protected:
    void PaintWindow(TCanvas& canvas) override {
        TCustomPanel::PaintWindow(canvas);
        canvas.Brush.Color = clBlack;
        for (int x = 2; x < Width(); x += 5) {
            canvas.FillRect({x, 2 + x % 7, x + 2, Height() - 2});
        }
    }
};

::testing::AssertionResult SameSnapshots(const Snapshot& shown, const Snapshot& alone) {
    if (shown.width != alone.width || shown.height != alone.height || shown.scale != alone.scale) {
        return ::testing::AssertionFailure()
               << "sizes differ: " << shown.width << "x" << shown.height << " at " << shown.scale
               << " against " << alone.width << "x" << alone.height << " at " << alone.scale;
    }
    // Every screen pixel counts: at a scale above 1 a part painted half a control pixel off
    // shows only there.
    int differing = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < shown.pixels.size(); ++i) {
        if (shown.pixels[i] != alone.pixels[i] && differing++ == 0) {
            first = i;
        }
    }
    if (differing == 0) {
        return ::testing::AssertionSuccess();
    }
    const std::size_t columns = static_cast<std::size_t>(shown.width * shown.scale);
    return ::testing::AssertionFailure()
           << differing << " screen pixels differ, the first at (" << first % columns << ", "
           << first / columns << ") of " << columns << " columns";
}

// What the window shows of a control after the pending repaints, against the control painted
// alone.
::testing::AssertionResult ShownAsPaintedAlone(TWinControl* control) {
    pump();
    control->Update();
    return SameSnapshots(GrabOnScreen(control), GrabControl(control));
}

// Counts paint events by widget.
class PaintLog : public QObject {
public:
    PaintLog() { qApp->installEventFilter(this); }
    ~PaintLog() override { qApp->removeEventFilter(this); }
    std::vector<QObject*> painted;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted.push_back(object);
        }
        return false;
    }
};

struct Nest {
    TPanel* outer = nullptr;
    TPanel* inner = nullptr;
    TStriped* leaf = nullptr;
    TShape* lamp = nullptr; // a non-windowed child of the leaf: it asks for its own rectangle
    TPanel* other = nullptr;
    Owned<TDescribedForm> form{makeForm([this](TDescribedForm& f) {
        f.SetClientSize(220, 130);
        f.SetColor(clBtnFace);
        outer = f.Add<TPanel>("Outer", &f);
        outer->SetBounds(8, 8, 150, 110);
        outer->SetBevelInner(TBevelCut::bvRaised);
        outer->SetBevelOuter(TBevelCut::bvLowered);
        outer->SetColor(clSilver);
        inner = f.Add<TPanel>("Inner", outer);
        inner->SetBounds(10, 12, 90, 70);
        inner->SetColor(clWhite);
        leaf = f.Add<TStriped>("Leaf", inner);
        leaf->SetBounds(6, 5, 40, 36);
        leaf->SetColor(clLime);
        lamp = f.Add<TShape>("Lamp", leaf);
        lamp->SetBounds(20, 8, 12, 9);
        lamp->SetBrushColor(clGreen);
        other = f.Add<TPanel>("Other", &f);
        other->SetBounds(165, 8, 48, 110);
        other->SetColor(clTeal);
    })};
    Nest() {
        form->Show();
        pump();
    }
};

TEST(DrawnContainers, LookOnTheScreenAsWhenPaintedAloneAndShareOnePaint) {
    Nest n;
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    EXPECT_TRUE(ShownAsPaintedAlone(n.outer));
    EXPECT_TRUE(ShownAsPaintedAlone(n.leaf));

    // A non-windowed child deep inside asks for its own rectangle only.
    PaintLog log;
    n.lamp->SetBrushColor(clBlue);
    pump();
    n.form->Update();
    EXPECT_EQ(log.painted.size(), 1u);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    EXPECT_EQ(GrabOnScreen(n.leaf).PixelAt(25, 12), clBlue);

    // Changes in three nested containers and a sibling: one paint of the form's widget.
    log.painted.clear();
    n.leaf->SetColor(clRed);
    n.inner->SetColor(clYellow);
    n.other->SetColor(clNavy);
    n.outer->SetBevelInner(TBevelCut::bvLowered);
    pump();
    n.form->Update();
    ASSERT_EQ(log.painted.size(), 1u);
    EXPECT_EQ(log.painted.front(), qt::widgetOf(n.form.get()));
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    EXPECT_EQ(GrabOnScreen(n.leaf).PixelAt(1, 1), clRed);
    EXPECT_EQ(GrabOnScreen(n.inner).PixelAt(60, 50), clYellow);
}

TEST(DrawnContainers, MovingResizingHidingAndReparentingLeaveNoTrace) {
    Nest n;
    // A change deep inside after the containers around it moved lands at the new place: both
    // in the round of the move and in a later one, after the move has been painted.
    n.lamp->SetBrushColor(clBlue);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.inner->SetBounds(30, 20, 100, 80);
    n.lamp->SetBrushColor(clRed);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.outer->SetLeft(4);
    n.lamp->SetBrushColor(clYellow);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.outer->SetLeft(12);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.lamp->SetBrushColor(clBlue);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.leaf->SetParent(n.other);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.lamp->SetBrushColor(clRed);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.leaf->SetParent(n.inner);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.lamp->SetBrushColor(clGreen);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));

    n.leaf->SetBounds(40, 20, 30, 40);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.leaf->Hide();
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    EXPECT_EQ(GrabOnScreen(n.inner).PixelAt(50, 30), clWhite);
    n.leaf->Show();
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.leaf->SetParent(n.other);
    n.leaf->SetBounds(2, 2, 40, 40);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.inner->SetParent(nullptr);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    n.inner->SetParent(n.outer);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));

    // Raised and lowered where two containers overlap: the upper one shows there.
    n.other->SetBounds(120, 30, 60, 60);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    EXPECT_EQ(GrabOnScreen(n.form.get()).PixelAt(150, 80), clTeal);
    n.outer->BringToFront();
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    EXPECT_EQ(GrabOnScreen(n.form.get()).PixelAt(150, 80), clSilver);
    n.outer->SendToBack();
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    EXPECT_EQ(GrabOnScreen(n.form.get()).PixelAt(150, 80), clTeal);
    n.other->Free();
    n.other = nullptr;
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
}

TEST(DrawnContainers, AContainerWithANativeChildPaintsItselfUntilTheChildGoes) {
    Nest n;
    auto* button = new TButton(n.form.get());
    button->SetParent(n.inner);
    button->SetBounds(50, 40, 36, 24);
    button->SetCaption("OK");
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));

    // The containers holding the button paint themselves; the others are still drawn.
    PaintLog log;
    n.inner->SetColor(clAqua);
    n.leaf->SetColor(clFuchsia);
    n.other->SetColor(clMaroon);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    auto painted = [&log](TWinControl* c) {
        return std::count(log.painted.begin(), log.painted.end(), qt::widgetOf(c)) > 0;
    };
    EXPECT_TRUE(painted(n.inner));
    EXPECT_FALSE(painted(n.leaf));
    EXPECT_FALSE(painted(n.other));

    button->Free();
    log.painted.clear();
    n.inner->SetColor(clWhite);
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    EXPECT_FALSE(painted(n.inner));
}

TEST(DrawnContainers, OverlappingContainersChangedTogetherShowTheUpperOne) {
    // Panels stacked over each other, and small changes beside a wide one: each pixel shows
    // the topmost container, whichever areas one paint holds.
    TPanel* lower = nullptr;
    TPanel* upper = nullptr;
    TStriped* inLower = nullptr;
    std::vector<TShape*> lamps;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        f.SetClientSize(240, 140);
        lower = f.Add<TPanel>("Lower", &f);
        lower->SetBounds(10, 10, 120, 100);
        lower->SetColor(clSilver);
        inLower = f.Add<TStriped>("InLower", lower);
        inLower->SetBounds(60, 20, 50, 60);
        inLower->SetColor(clLime);
        upper = f.Add<TPanel>("Upper", &f);
        upper->SetBounds(90, 30, 120, 90);
        upper->SetColor(clWhite);
        for (int i = 0; i < 12; ++i) {
            auto* lamp = f.Add<TShape>("Lamp" + std::to_string(i), i % 2 == 0 ? lower : upper);
            lamp->SetBounds(4 + 9 * i, 6 + 5 * (i % 3), 7, 5);
            lamps.push_back(lamp);
        }
    }));
    form->Show();
    pump();
    EXPECT_TRUE(ShownAsPaintedAlone(form.get()));
    PaintLog log;
    const TColor colours[] = {clRed, clBlue, clYellow, clFuchsia};
    for (int round = 0; round < 4; ++round) {
        for (std::size_t i = 0; i < lamps.size(); ++i) {
            if ((i + round) % 3 != 0) {
                lamps[i]->SetBrushColor(colours[(i + round) % 4]);
            }
        }
        inLower->SetColor(colours[round]); // wide, and half under the upper panel
        if (round == 2) {
            upper->SetBounds(70, 40, 120, 90);
        }
        pump();
        form->Update();
        EXPECT_TRUE(ShownAsPaintedAlone(form.get())) << "round " << round;
    }
    EXPECT_EQ(GrabOnScreen(upper).PixelAt(60, 60), clWhite);
}

constexpr UINT kChange = WM_USER + 31;

TEST(DrawnContainers, ARoundOfPostedMessagesIsPaintedOnceBeforeItsWakeIsDone) {
    Nest n;
    // Three messages of one round change three containers, as a poll and the ticks change
    // many meters of one window.
    n.form->SetMessageHandler(kChange, [&n](TMessage& m) {
        if (m.WParam == 1) {
            n.leaf->SetColor(clRed);
        } else if (m.WParam == 2) {
            n.lamp->SetBrushColor(clBlue);
        } else if (m.WParam == 4) {
            n.inner->SetColor(clYellow);
        } else {
            n.other->SetColor(clNavy);
        }
    });
    PaintLog log;
    for (WPARAM i = 1; i <= 3; ++i) {
        PostMessageA(n.form->Handle(), kChange, i, 0);
    }
    ASSERT_EQ(DeliverPostedMessagesOfThisWake(), 3u);
    // Painted there and then: what the window shows is right without a turn of Qt's loop.
    ASSERT_EQ(log.painted.size(), 1u);
    EXPECT_EQ(log.painted.front(), qt::widgetOf(n.form.get()));
    EXPECT_EQ(GrabOnScreen(n.leaf).PixelAt(1, 1), clRed);
    EXPECT_EQ(GrabOnScreen(n.leaf).PixelAt(25, 12), clBlue);
    EXPECT_EQ(GrabOnScreen(n.other).PixelAt(20, 50), clNavy);
    pump();
    EXPECT_EQ(log.painted.size(), 1u) << "a second paint of the same changes";
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));

    // Two windows changed in one round (both meter windows on the same timers): each is
    // painted in the round, the second as well as the first.
    Nest second;
    second.form->SetMessageHandler(kChange,
                                   [&second](TMessage&) { second.other->SetColor(clMaroon); });
    log.painted.clear();
    PostMessageA(n.form->Handle(), kChange, 4, 0);
    PostMessageA(second.form->Handle(), kChange, 0, 0);
    ASSERT_EQ(DeliverPostedMessagesOfThisWake(), 2u);
    EXPECT_EQ(log.painted.size(), 2u);
    EXPECT_EQ(GrabOnScreen(n.inner).PixelAt(60, 60), clYellow);
    EXPECT_EQ(GrabOnScreen(second.other).PixelAt(20, 50), clMaroon);
    pump();
    EXPECT_EQ(log.painted.size(), 2u) << "a window left to Qt's next turn";

    // A message that the program's loop takes itself, found waiting as it comes round, is a
    // round of its own.
    log.painted.clear();
    PostMessageA(n.form->Handle(), kChange, 1, 0);
    n.leaf->SetColor(clLime); // the message turns it red again
    Application->HandleMessage();
    ASSERT_EQ(log.painted.size(), 1u);
    EXPECT_EQ(GrabOnScreen(n.leaf).PixelAt(1, 1), clRed);
}

TEST(DrawnContainers, ALoopRunByAMessageOfARoundShowsTheRoundsChangesSoFar) {
    Nest n;
    TColor shownDuringBox = clNone;
    bool boxClosed = false;
    n.form->SetMessageHandler(kChange, [&](TMessage& m) {
        if (m.WParam == 1) {
            n.leaf->SetColor(clRed);
            return;
        }
        // A message box: its loop paints before it waits; the round goes on after it.
        QTimer::singleShot(300, [&] {
            shownDuringBox = GrabOnScreen(n.leaf).PixelAt(1, 1);
            if (QWidget* box = QApplication::activeModalWidget()) {
                boxClosed = true;
                box->close();
            }
        });
        MessageBoxA(nullptr, "Text", "Caption", MB_OK);
    });
    PostMessageA(n.form->Handle(), kChange, 1, 0);
    PostMessageA(n.form->Handle(), kChange, 2, 0);
    ASSERT_EQ(DeliverPostedMessagesOfThisWake(), 2u);
    EXPECT_TRUE(boxClosed);
    EXPECT_EQ(shownDuringBox, clRed) << "the round's change waited for the box";
}

// A panel that runs a hook the next time it paints (as a failure in painting opens a box).
class TPaintHook : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
    std::function<void()> onPaint;

protected:
    void PaintWindow(TCanvas& canvas) override {
        TCustomPanel::PaintWindow(canvas);
        if (auto hook = std::exchange(onPaint, nullptr)) {
            hook();
        }
    }
};

TEST(DrawnContainers, AWindowChangedWhileAPaintOfTheRoundWaitsForABoxIsPaintedMeanwhile) {
    Nest n;
    Nest second;
    auto* hooked = new TPaintHook(n.form.get());
    hooked->SetParent(n.form.get());
    hooked->SetBounds(170, 100, 40, 20);
    pump();
    TColor shownDuringBox = clNone;
    bool boxClosed = false;
    hooked->onPaint = [&] {
        QTimer::singleShot(50, [&] { second.other->SetColor(clMaroon); });
        QTimer::singleShot(400, [&] {
            shownDuringBox = GrabOnScreen(second.other).PixelAt(20, 50);
            if (QWidget* box = QApplication::activeModalWidget()) {
                boxClosed = true;
                box->close();
            }
        });
        MessageBoxA(nullptr, "Text", "Caption", MB_OK);
    };
    n.form->SetMessageHandler(kChange, [hooked](TMessage&) { hooked->SetColor(clRed); });
    PostMessageA(n.form->Handle(), kChange, 0, 0);
    ASSERT_EQ(DeliverPostedMessagesOfThisWake(), 1u);
    EXPECT_TRUE(boxClosed);
    EXPECT_EQ(shownDuringBox, clMaroon) << "the other window waited for the box";
    EXPECT_TRUE(ShownAsPaintedAlone(n.form.get()));
    EXPECT_TRUE(ShownAsPaintedAlone(second.form.get()));
}

TEST(DrawnContainers, FillsGoStraightOnlyToImagesTheyCanFillExactly) {
    // Where a paint goes: 32-bit pixels at a whole scale are filled directly; anything else
    // (16-bit or 8-bit pixels, a fractional scale, a pixmap) through the painter.
    QImage plain(8, 8, QImage::Format_RGB32);
    auto direct = qt::DirectPixelsOf(&plain, QPoint(-12, -5));
    ASSERT_TRUE(direct.has_value());
    EXPECT_EQ(direct->image, &plain);
    EXPECT_EQ(direct->offset, QPoint(12, 5));
    EXPECT_EQ(direct->scale, 1);
    QImage doubled(16, 16, QImage::Format_ARGB32_Premultiplied);
    doubled.setDevicePixelRatio(2);
    ASSERT_TRUE(qt::DirectPixelsOf(&doubled, QPoint()).has_value());
    EXPECT_EQ(qt::DirectPixelsOf(&doubled, QPoint())->scale, 2);
    QImage fractional(12, 12, QImage::Format_RGB32);
    fractional.setDevicePixelRatio(1.5);
    EXPECT_FALSE(qt::DirectPixelsOf(&fractional, QPoint()).has_value());
    for (QImage::Format other : {QImage::Format_RGB16, QImage::Format_RGB888,
                                 QImage::Format_RGBX8888, QImage::Format_Indexed8}) {
        QImage image(8, 8, other);
        EXPECT_FALSE(qt::DirectPixelsOf(&image, QPoint()).has_value()) << other;
    }
    QPixmap pixmap(8, 8);
    EXPECT_FALSE(qt::DirectPixelsOf(&pixmap, QPoint()).has_value());
    EXPECT_FALSE(qt::DirectPixelsOf(nullptr, QPoint()).has_value());
}

TEST(DrawnContainers, RegionOfRectanglesIsTheirUnion) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(0, 40);
    std::uniform_int_distribution<int> extent(0, 12);
    std::uniform_int_distribution<int> count(1, 24);
    for (int round = 0; round < 300; ++round) {
        std::vector<QRect> rects;
        QRegion expected;
        int n = count(random);
        for (int i = 0; i < n; ++i) {
            QRect r(coordinate(random), coordinate(random), extent(random), extent(random));
            if (round % 3 == 0) {
                r.moveLeft(r.left() / 8 * 8); // columns of the same width: touching, sharing
                r.setWidth(8);
            }
            rects.push_back(r);
            expected += r;
        }
        QRegion got = qt::RegionOf(rects);
        ASSERT_EQ(got, expected) << "round " << round;
        // A well-formed region: its rectangles neither overlap nor leave anything out.
        int area = 0;
        for (const QRect& r : got) {
            area += r.width() * r.height();
        }
        int expectedArea = 0;
        for (const QRect& r : expected) {
            expectedArea += r.width() * r.height();
        }
        ASSERT_EQ(area, expectedArea) << "round " << round;
    }
}

} // namespace
} // namespace toolkit

namespace toolkit {
namespace {

class TestSurface : public qt::Surface {
public:
    TWinControl* surfaceControl() const override { return nullptr; }
};

TEST(DrawnContainers, TheSurfaceOfEveryRegisteredWidgetIsFoundAfterOthersGo) {
    // Widget addresses scattered as allocations come, registered, half of them removed in
    // a shuffled order, then registered again: every look-up stays right.
    constexpr std::size_t kCount = 3000;
    std::vector<TestSurface> surfaces(kCount);
    std::vector<const QWidget*> keys;
    std::mt19937_64 random(5);
    while (keys.size() < kCount) {
        auto* key = reinterpret_cast<const QWidget*>(0x7f0000000000 + 16 * (random() % 100000));
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
            keys.push_back(key);
        }
    }
    for (std::size_t i = 0; i < kCount; ++i) {
        qt::RegisterSurface(keys[i], &surfaces[i]);
    }
    std::vector<std::size_t> order(kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
        order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(11));
    std::vector<bool> present(kCount, true);
    for (std::size_t k = 0; k < kCount / 2; ++k) {
        qt::RegisterSurface(keys[order[k]], nullptr);
        present[order[k]] = false;
        if (k % 97 == 0) {
            for (std::size_t i = 0; i < kCount; ++i) {
                ASSERT_EQ(qt::SurfaceOf(keys[i]), present[i] ? &surfaces[i] : nullptr) << i;
            }
        }
    }
    for (std::size_t k = 0; k < kCount / 4; ++k) {
        qt::RegisterSurface(keys[order[k]], &surfaces[order[k]]);
        present[order[k]] = true;
    }
    for (std::size_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(qt::SurfaceOf(keys[i]), present[i] ? &surfaces[i] : nullptr) << i;
        qt::RegisterSurface(keys[i], nullptr);
    }
    for (std::size_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(qt::SurfaceOf(keys[i]), nullptr) << i;
    }
}

} // namespace
} // namespace toolkit
