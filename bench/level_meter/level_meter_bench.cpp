// What the level meters cost the program, against a plain Qt program doing the same: 64 meters
// of 40 lamps (both meter windows of four cards) on one screen, all on screen and painted, fed
// with the same lively levels.
//
//   cycle + repaint      64 levels, one tick for every meter, then the repaint of what changed
//   invalidation only    the same levels and tick, timed without the repaint; the repaint still
//                        follows every cycle, as in the program. Timed with it: the program's
//                        meters' repaint requests, which wait until the message that made them
//                        is done, reaching Qt (the baseline asks Qt at once)
//   cold caches          cycle + repaint, each after writing over more memory than the caches
//                        hold: what the program pays when its timer wakes it after 40 ms in
//                        which the machine ran other work (fewer cycles, the writing takes time)
//   silent               64 levels of 0 and a tick once every column has fallen
//
// The program's meters and the baseline run in alternating blocks in this process; the figures
// are the medians over the blocks of the thread's CPU time per cycle (wall time beside it).
// Also printed: paint events per cycle (the program's meters are drawn with the window that holds
// them, the baseline's one widget each), how many meters lay in the painted area, and whether
// both ended with the same lamps lit.
//
// Usage: level_meter_bench [--rounds N] [--cycles N]
#include "controls/meter_preset.h"
#include "plain_meters.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/windowing.h"

#include <QApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

constexpr int kMeters = 64;
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

// Deterministic levels of a lively signal: mostly moderate, sometimes loud, sometimes silent.
std::array<int, 1024> makeLevels() {
    std::array<int, 1024> levels{};
    std::uint32_t seed = 12345;
    for (int& level : levels) {
        seed = seed * 1664525u + 1013904223u;
        int r = static_cast<int>(seed >> 8) % 1000;
        level = r < 100 ? 0 : r < 900 ? (r * 37) % 12000 : 20000 + (r * 71) % 12767;
    }
    return levels;
}
const std::array<int, 1024> kLevels = makeLevels();

double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Writes over more memory than the caches hold, so that the next cycle finds none of its data
// there: as the program's window thread does when a timer wakes it after 40 ms in which the
// machine ran other work.
void evictCaches() {
    static std::vector<std::uint64_t> junk(64u << 20 >> 3, 1);
    for (std::size_t i = 0; i < junk.size(); i += 8) {
        junk[i] += i;
    }
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The program's meters on a shown form, as the meter windows hold them.
struct ToolkitMeters {
    ToolkitMeters() {
        form = TCustomForm::Create<TForm>(nullptr);
        form->SetCaption("toolkit meters");
        form->SetBounds(0, 0, 22 * kMeters + 20, 220);
        for (int i = 0; i < kMeters; ++i) {
            auto* meter = new TLevelMeter(form);
            meter->SetParent(form);
            meter->SetBounds(6 + 22 * i, 6, kWindowMeter.Width, kWindowMeter.Height);
            ApplyMeterPreset(*meter);
            meters.push_back(meter);
        }
        form->Show();
        Application->ProcessMessages();
    }
    ~ToolkitMeters() {
        form->Free();
        Application->ProcessMessages();
    }
    void feed(const int* levels) {
        for (int i = 0; i < kMeters; ++i) {
            meters[static_cast<std::size_t>(i)]->SetLevel(levels[i]);
        }
    }
    void tick() {
        for (TLevelMeter* meter : meters) {
            meter->LevelTick(message);
        }
    }
    // What the toolkit does when the message that made the changes is done.
    void flush() { TWinControl::FlushDeferredRepaints(); }
    void paint() { form->Update(); }
    bool lit(int meter, int lamp) const {
        return meters[static_cast<std::size_t>(meter)]->Lumi(lamp)->Get_On();
    }
    QWidget* window() const {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->windowTitle() == QStringLiteral("toolkit meters")) {
                return w;
            }
        }
        return nullptr;
    }
    // Where each meter lies in the window.
    std::vector<QRect> meterRects() const {
        std::vector<QRect> rects;
        QWidget* w = window();
        for (TLevelMeter* meter : meters) {
            TPoint p = meter->ClientToScreen({0, 0});
            rects.emplace_back(w->mapFromGlobal(QPoint(p.X, p.Y)),
                               QSize(meter->Width(), meter->Height()));
        }
        return rects;
    }

    TForm* form = nullptr;
    std::vector<TLevelMeter*> meters;
    TMessage message{kLevelTickMessage, 0, 0, 0};
};

struct PlainMeters {
    PlainMeters() : win(kMeters, kWindowMeter.HoldTicks(), 260) {}
    void feed(const int* levels) {
        for (int i = 0; i < kMeters; ++i) {
            win.meters()[static_cast<std::size_t>(i)]->setLevel(levels[i]);
        }
    }
    void tick() {
        for (bench::PlainMeter* meter : win.meters()) {
            meter->tick();
        }
    }
    void flush() {}
    void paint() { win.paint(); }
    bool lit(int meter, int lamp) const {
        return win.meters()[static_cast<std::size_t>(meter)]->lit(lamp);
    }
    QWidget* window() const { return win.window(); }
    std::vector<QRect> meterRects() const {
        std::vector<QRect> rects;
        for (bench::PlainMeter* meter : win.meters()) {
            rects.emplace_back(meter->mapTo(win.window(), QPoint(0, 0)), meter->size());
        }
        return rects;
    }

    bench::PlainMeterWindow win;
};

// Counts the paint events in one window and gathers what they painted, in the window's
// coordinates.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int paints() const { return paints_; }
    // How many of the rectangles lay at least partly in the painted area.
    int painted(const std::vector<QRect>& rects) const {
        return static_cast<int>(std::count_if(
            rects.begin(), rects.end(), [this](const QRect& r) { return area_.intersects(r); }));
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(object);
            if (widget != nullptr && widget->window() == window_) {
                ++paints_;
                area_ += static_cast<QPaintEvent*>(event)->region().translated(
                    widget->mapTo(window_, QPoint(0, 0)));
            }
        }
        return false;
    }

private:
    QWidget* window_;
    int paints_ = 0;
    QRegion area_;
};

// One side of the comparison: its meters and where it stands in the level sequence.
template <typename Meters> struct Side {
    Meters meters;
    std::size_t next = 0;
    const int* levels(bool silent) {
        static const std::array<int, kMeters> zeros{};
        if (silent) {
            return zeros.data();
        }
        // 64 consecutive levels, wrapping around the table.
        static std::array<int, kMeters> buffer{};
        for (int i = 0; i < kMeters; ++i) {
            buffer[static_cast<std::size_t>(i)] =
                kLevels[(next + static_cast<std::size_t>(i)) & 1023];
        }
        next += kMeters;
        return buffer.data();
    }
    // Runs cycles; returns the CPU and wall seconds of the timed part.
    std::pair<double, double> run(int cycles, bool timePaint, bool silent, bool cold = false) {
        double cpu = 0;
        double wall = 0;
        for (int c = 0; c < cycles; ++c) {
            const int* l = levels(silent);
            if (cold) {
                evictCaches();
            }
            double c0 = threadSeconds();
            double w0 = wallSeconds();
            meters.feed(l);
            meters.tick();
            meters.flush();
            if (timePaint) {
                meters.paint();
            }
            cpu += threadSeconds() - c0;
            wall += wallSeconds() - w0;
            if (!timePaint) {
                meters.paint();
            }
        }
        return {cpu, wall};
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Figures {
    double oursCpu, plainCpu, oursWall, plainWall;
};

template <typename A, typename B>
Figures compare(A& ours, B& plain, int rounds, int cycles, bool timePaint, bool silent,
                bool cold = false) {
    std::vector<double> oc, pc, ow, pw;
    for (int r = 0; r < rounds; ++r) {
        auto runOurs = [&] {
            auto [cpu, wall] = ours.run(cycles, timePaint, silent, cold);
            oc.push_back(cpu / cycles);
            ow.push_back(wall / cycles);
        };
        auto runPlain = [&] {
            auto [cpu, wall] = plain.run(cycles, timePaint, silent, cold);
            pc.push_back(cpu / cycles);
            pw.push_back(wall / cycles);
        };
        if (r % 2 == 0) {
            runOurs();
            runPlain();
        } else {
            runPlain();
            runOurs();
        }
    }
    return {median(oc), median(pc), median(ow), median(pw)};
}

void print(const char* name, const Figures& f) {
    std::printf("%-20s  cpu  ours %8.1f us  baseline %8.1f us  ratio %5.2f\n", name,
                f.oursCpu * 1e6, f.plainCpu * 1e6, f.oursCpu / f.plainCpu);
    std::printf("%-20s  wall ours %8.1f us  baseline %8.1f us  ratio %5.2f\n", "", f.oursWall * 1e6,
                f.plainWall * 1e6, f.oursWall / f.plainWall);
}

// Paints per cycle over some cycles, and how many meters were painted at all.
struct Census {
    double paintsPerCycle;
    int metersPainted;
};

template <typename S> Census census(S& side, int cycles, bool silent) {
    PaintCounter counter(side.meters.window());
    side.run(cycles, true, silent);
    return {static_cast<double>(counter.paints()) / cycles,
            counter.painted(side.meters.meterRects())};
}

// Writes a configuration of the offscreen platform with a screen large enough for both
// windows, and selects it (unless another platform was asked for).
void selectLargeOffscreenScreen(std::string& path) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && std::strcmp(platform, "offscreen") != 0) {
        return;
    }
    char name[] = "/tmp/level_meter_bench_screen_XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) {
        std::perror("level_meter_bench: screen configuration");
        std::exit(1);
    }
    std::string json = "{\"screens\": [{\"name\": \"bench\", \"x\": 0, \"y\": 0, \"width\": " +
                       std::to_string(kScreenWidth) +
                       ", \"height\": " + std::to_string(kScreenHeight) + "}]}";
    if (write(fd, json.data(), json.size()) != static_cast<ssize_t>(json.size())) {
        std::perror("level_meter_bench: screen configuration");
        std::exit(1);
    }
    close(fd);
    path = name;
    std::string value = "offscreen:configfile=" + path;
    setenv("QT_QPA_PLATFORM", value.c_str(), 1);
}

int argument(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return std::max(1, std::atoi(argv[i + 1]));
        }
    }
    return fallback;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argument(argc, argv, "--rounds", 15);
    int cycles = argument(argc, argv, "--cycles", 100);
    std::string screenConfig;
    selectLargeOffscreenScreen(screenConfig);
    InitializeWindowing();
    // The offscreen platform notes every window request it cannot carry out; not of interest.
    SetWarningHandler([](const std::string&) {});
    if (!screenConfig.empty()) {
        unlink(screenConfig.c_str());
    }

    Side<ToolkitMeters> ours;
    Side<PlainMeters> plain;
    ours.meters.paint();
    plain.meters.paint();

    Census oursLively = census(ours, cycles, false);
    Census plainLively = census(plain, cycles, false);
    std::printf("lively: meters painted ours %d of %d, baseline %d of %d; paint events per cycle "
                "ours "
                "%.2f, baseline %.2f\n",
                oursLively.metersPainted, kMeters, plainLively.metersPainted, kMeters,
                oursLively.paintsPerCycle, plainLively.paintsPerCycle);
    if (oursLively.metersPainted != kMeters || plainLively.metersPainted != kMeters) {
        std::printf("not every meter is on the screen: the figures do not compare what users "
                    "get\n");
    }

    print("cycle + repaint", compare(ours, plain, rounds, cycles, true, false));
    print("invalidation only", compare(ours, plain, rounds, cycles, false, false));
    print("cold caches", compare(ours, plain, rounds, std::max(cycles / 5, 1), true, false, true));

    int differing = 0;
    for (int m = 0; m < kMeters; ++m) {
        for (int l = 0; l < kWindowMeter.LumiCount(); ++l) {
            differing += ours.meters.lit(m, l) != plain.meters.lit(m, l) ? 1 : 0;
        }
    }
    std::printf("lamps lit differently after the lively run: %d of %d\n", differing,
                kMeters * kWindowMeter.LumiCount());

    // Silence until every column and every held peak has gone dark.
    ours.run(kWindowMeter.LumiCount() + kWindowMeter.HoldTicks() + 5, true, true);
    plain.run(kWindowMeter.LumiCount() + kWindowMeter.HoldTicks() + 5, true, true);
    Census oursSilent = census(ours, cycles, true);
    Census plainSilent = census(plain, cycles, true);
    std::printf("silent: paint events per cycle ours %.2f, baseline %.2f\n",
                oursSilent.paintsPerCycle, plainSilent.paintsPerCycle);
    print("silent cycle", compare(ours, plain, rounds, cycles, true, true));
    return 0;
}
