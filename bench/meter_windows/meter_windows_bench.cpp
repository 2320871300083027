// What the meter windows cost as the user runs them: both windows (inputs and outputs) for four
// simulated cards, shown at full width, metering on their own timers for a while. Prints the
// program's CPU time per second of wall time, paints per second and the bytes allocated in a
// poll; first with lively signals, then with every input and output silent once all columns
// have fallen. The baseline, in the same run: a plain Qt program showing the same 64 meters,
// polled and ticked the same way through the same driver (plain_meters.h). All four windows are
// on screen throughout; the two sides meter in turns of 2 s, so that the load of the (shared)
// machine falls on both alike. A third side in the same turns wakes as ours does, on the same
// four timers posting the same messages, and does nothing with them: what it costs is what
// waking 25 times a second costs this machine, whose speed (a shared virtual machine's) swings.
//
// Usage: meter_windows_bench [seconds of each side's lively phase, default 20]
#include "driver/devices.h"
#include "meters/adat_inp.h"
#include "meters/adat_out.h"
#include "meters/form_utils.h"
#include "plain_meters.h"
#include "platform/winmm_driver.h"
#include "platform/wow16.h"
#include "simcard/wave_driver.h"
#include "toolkit/application.h"
#include "toolkit/windowing.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <new>
#include <unistd.h>

// Allocations of the calling thread, counted.
namespace {
thread_local std::size_t tAllocatedBytes = 0;
thread_local std::size_t tAllocations = 0;
} // namespace

void* operator new(std::size_t size) {
    tAllocatedBytes += size;
    ++tAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

std::size_t bench::allocatedBytesOnThisThread() {
    return tAllocatedBytes;
}

using namespace meters;
using namespace toolkit;

namespace {

constexpr int kCards = 4;

// The card's driver with a switch that silences every channel: reads are answered by the
// simulated card and then overwritten with zeros, so the handles stay the same.
std::atomic<bool> gSilent{false};
DWORD gate(WaveDriverProc next, UINT readMsg, UINT id, UINT msg, DWORD_PTR user, DWORD_PTR p1,
           DWORD_PTR p2) {
    DWORD result = next(id, msg, user, p1, p2);
    if (msg == readMsg && result == MMSYSERR_NOERROR && gSilent) {
        if (auto* record = static_cast<TPairLevels*>(
                WOWGetVDMPointer(static_cast<DWORD>(p1), sizeof(TPairLevels), TRUE))) {
            *record = {0, 0};
        }
    }
    return result;
}
DWORD gateWid(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2) {
    return gate(simcard::cardWaveDriver()->widMessage, MSG_IN_METER_READ, id, msg, user, p1, p2);
}
DWORD gateWod(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2) {
    return gate(simcard::cardWaveDriver()->wodMessage, MSG_OUT_METER_READ, id, msg, user, p1, p2);
}
const WaveDriver kGateDriver{"simulated card with a silence switch", gateWid, gateWod};

// Counts the paint events that reach any widget.
class PaintCounter : public QObject {
public:
    long paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};
PaintCounter* gPaints = nullptr;

double cpuSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// What one side used while it metered, summed over its slices.
struct Totals {
    double wall = 0;
    double cpu = 0;   // the whole program
    double uiCpu = 0; // the window thread alone
    long paints = 0;
    long polls = 0;
    std::size_t pollBytes = 0;                 // allocated while a poll was handled
    std::size_t uiBytes = 0;                   // allocated on the window thread in all
    double handlers = 0;                       // time in the poll and tick handlers
    double minSliceCpu = 1e9, maxSliceCpu = 0; // CPU per wall second of a slice
};

// Polls handled and what they allocated (our windows; the baseline counts its own), and the
// time spent in the windows' poll and tick handlers.
long gPolls = 0;
std::size_t gPollBytes = 0;
double gHandlerSeconds = 0;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void runFor(double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        Application->HandleMessage();
    }
}

// One side of the comparison: how to start and pause its metering, and its counters.
struct Side {
    std::function<void()> start;
    std::function<void()> pause;
    std::function<long()> polls;
    std::function<std::size_t()> pollBytes;
    std::function<double()> handlers;
};

// Starts the side, lets it run unmeasured for a moment (the first poll after a start lights
// many lamps at once), then runs the message loop for the given time, measures and pauses it.
void slice(const Side& side, double seconds, Totals& t) {
    side.start();
    runFor(0.3);
    double handlers0 = side.handlers();
    long paints0 = gPaints->paints;
    long polls0 = side.polls();
    std::size_t pollBytes0 = side.pollBytes();
    std::size_t bytes0 = tAllocatedBytes;
    double cpu0 = cpuSeconds();
    double uiCpu0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    auto t0 = std::chrono::steady_clock::now();
    runFor(seconds);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double cpu = cpuSeconds() - cpu0;
    t.wall += wall;
    t.cpu += cpu;
    t.uiCpu += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - uiCpu0;
    t.paints += gPaints->paints - paints0;
    t.polls += side.polls() - polls0;
    t.pollBytes += side.pollBytes() - pollBytes0;
    t.uiBytes += tAllocatedBytes - bytes0;
    t.handlers += side.handlers() - handlers0;
    t.minSliceCpu = std::min(t.minSliceCpu, cpu / wall);
    t.maxSliceCpu = std::max(t.maxSliceCpu, cpu / wall);
    side.pause();
}

// Alternates the sides in slices of a few seconds, so that a change in the machine's load (it
// is shared) falls on all alike.
template <std::size_t N>
void alternate(const std::array<const Side*, N>& sides, double seconds,
               const std::array<Totals*, N>& totals) {
    const double each = 2.0;
    int rounds = std::max(1, static_cast<int>(seconds / each + 0.5));
    for (int i = 0; i < rounds; ++i) {
        // Who goes first changes too: a slice right after another side's may pay for it.
        for (std::size_t k = 0; k < N; ++k) {
            std::size_t which = (static_cast<std::size_t>(i) + k) % N;
            slice(*sides[which], each, *totals[which]);
        }
    }
}

// Wraps a window's poll and tick handlers to count polls, their allocations and the time. The
// repaint requests that the meters make wait until the message is done; they are handed to Qt
// here, inside what is counted.
void countPolls(TAdatMeterForm* form) {
    form->SetMessageHandler(WM_LEVELPOLL, [form](TMessage& m) {
        std::size_t before = tAllocatedBytes;
        double t0 = now();
        form->WMLevelPoll(m);
        TWinControl::FlushDeferredRepaints();
        gHandlerSeconds += now() - t0;
        gPollBytes += tAllocatedBytes - before;
        ++gPolls;
    });
    form->SetMessageHandler(WM_METERTICK, [form](TMessage& m) {
        double t0 = now();
        form->WMMeterTick(m);
        TWinControl::FlushDeferredRepaints();
        gHandlerSeconds += now() - t0;
    });
}

double ratio(double ours, double base) {
    return base > 0 ? ours / base : 0;
}

void print(const char* phase, const Totals& ours, const Totals& base, const Totals& wakes) {
    auto perWall = [](double v, const Totals& t) { return t.wall > 0 ? v / t.wall : 0; };
    auto perPoll = [](std::size_t v, const Totals& t) {
        return t.polls > 0 ? static_cast<double>(v) / static_cast<double>(t.polls) : 0;
    };
    auto row = [](const char* what, double o, double b, const char* format) {
        std::printf(format, what, o, b, ratio(o, b));
    };
    std::printf("%s, %.0f s measured on each side:\n", phase, ours.wall);
    const char* pct = "  %-24s ours %7.2f   plain Qt %7.2f   ratio %5.2f\n";
    row("CPU, % of one core", 100 * perWall(ours.cpu, ours), 100 * perWall(base.cpu, base), pct);
    std::printf("    slices from %.2f to %.2f (ours), %.2f to %.2f (plain Qt)\n",
                100 * ours.minSliceCpu, 100 * ours.maxSliceCpu, 100 * base.minSliceCpu,
                100 * base.maxSliceCpu);
    row("window thread, %", 100 * perWall(ours.uiCpu, ours), 100 * perWall(base.uiCpu, base), pct);
    row("poll + tick handlers, %", 100 * perWall(ours.handlers, ours),
        100 * perWall(base.handlers, base), pct);
    row("paints per second", perWall(static_cast<double>(ours.paints), ours),
        perWall(static_cast<double>(base.paints), base),
        "  %-24s ours %7.1f   plain Qt %7.1f   ratio %5.2f\n");
    // A poll of ours reads one window's pairs; one of the baseline reads both windows'.
    std::printf("  %-24s ours %7.1f   plain Qt %7.1f\n", "bytes allocated a poll",
                perPoll(ours.pollBytes, ours), perPoll(base.pollBytes, base));
    std::printf("  %-24s ours %7.0f   plain Qt %7.0f\n", "window thread, bytes/s",
                perWall(static_cast<double>(ours.uiBytes), ours),
                perWall(static_cast<double>(base.uiBytes), base));
    std::printf("  our wakes, nothing metered: CPU %.2f %% (slices %.2f to %.2f), window thread "
                "%.2f %%\n",
                100 * perWall(wakes.cpu, wakes), 100 * wakes.minSliceCpu, 100 * wakes.maxSliceCpu,
                100 * perWall(wakes.uiCpu, wakes));
}

} // namespace

int main(int argc, char** argv) {
    double lively = argc > 1 ? std::atof(argv[1]) : 20.0;
    if (lively <= 0) {
        std::fprintf(stderr, "usage: meter_windows_bench [seconds]\n");
        return 2;
    }
    const double settle = 5.0; // every column falls and every peak is released meanwhile
    const double silent = std::max(lively / 2, 2.0);

    // The windows keep their geometry in a store of the benchmark's own.
    auto scratch = std::filesystem::temp_directory_path() /
                   ("orvane-meter-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    ::setenv("ORVANE_REGISTRY", (scratch / "registry.db").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The windows of four cards are 1272 pixels wide, and four of them stand one below the
    // other: the offscreen screen must hold them.
    std::string screenConfig;
    if (std::strcmp(std::getenv("QT_QPA_PLATFORM"), "offscreen") == 0) {
        screenConfig = (scratch / "screen.json").string();
        std::FILE* f = std::fopen(screenConfig.c_str(), "w");
        if (f == nullptr) {
            std::perror("meter_windows_bench: screen configuration");
            return 1;
        }
        std::fputs("{\"screens\": [{\"name\": \"bench\", \"x\": 0, \"y\": 0, "
                   "\"width\": 1600, \"height\": 1100}]}",
                   f);
        std::fclose(f);
        ::setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screenConfig).c_str(), 1);
    }

    auto parsed = simcard::parseDescription("cards 4\n", "bench");
    simcard::setDriverDescription(*parsed.description);
    winmmInstallDriver(&kGateDriver);
    InitializeWindowing();
    SetWarningHandler([](const std::string&) {});
    driver::FindDevices();
    if (driver::CardCount != kCards) {
        std::fprintf(stderr, "the simulated card shows %d cards\n", driver::CardCount);
        return 1;
    }
    PaintCounter counter;
    gPaints = &counter;
    qApp->installEventFilter(&counter);

    std::printf("Meter windows, %d cards (64 meters), %.0f s lively, %.0f s silent, "
                "%s platform\n",
                kCards, lively, silent, qPrintable(QGuiApplication::platformName()));

    // Ours: both windows, as the control window opens them, at full width. The baseline's
    // below them: all four windows on screen, each side metering in its turn.
    auto* owner = TCustomForm::Create<TForm>(nullptr);
    auto* in = TCustomForm::Create<TfrmAdatInp>(owner);
    auto* out = TCustomForm::Create<TfrmAdatOut>(owner);
    const int pitch = 260;
    int top = 0;
    for (TAdatMeterForm* form :
         {static_cast<TAdatMeterForm*>(in), static_cast<TAdatMeterForm*>(out)}) {
        countPolls(form);
        form->Show();
        form->StopMetering();
        // Full width (held to the window's largest), one window below the other: every meter
        // in view, as the baseline's.
        form->SetBounds(0, top, 100000, form->Height());
        if (form->Height() > pitch) {
            std::fprintf(stderr, "a meter window is %d pixels high\n", form->Height());
            return 1;
        }
        top += pitch;
    }
    if (QScreen* screen = QGuiApplication::primaryScreen();
        screen != nullptr && screen->geometry().height() < 2 * top) {
        std::fprintf(stderr, "the screen is %d pixels high; the four windows need %d\n",
                     screen->geometry().height(), 2 * top);
        return 1;
    }
    bench::PlainMeterWindows plain(kCards, top, pitch);
    plain.start();
    plain.pause();

    Side ours{[in, out] {
                  in->StartMetering();
                  out->StartMetering();
              },
              [in, out] {
                  in->StopMetering();
                  out->StopMetering();
              },
              [] { return gPolls; }, [] { return gPollBytes; }, [] { return gHandlerSeconds; }};
    Side base{[&plain] { plain.start(); }, [&plain] { plain.pause(); },
              [&plain] { return plain.polls(); }, [&plain] { return plain.pollBytes(); },
              [&plain] { return plain.handlerSeconds(); }};

    // Our wakes alone: the windows' four timers, posting to a window that only counts them.
    long wakeMessages = 0;
    auto count = [&wakeMessages](TMessage&) { ++wakeMessages; };
    owner->SetMessageHandler(WM_METERTICK, count);
    owner->SetMessageHandler(WM_LEVELPOLL, count);
    std::array<UINT, 4> wakeTimers{};
    Side wakes{[owner, &wakeTimers] {
                   auto window = reinterpret_cast<DWORD_PTR>(owner->Handle());
                   wakeTimers = {timeSetEvent(40, 40, TickTimerProc, window, TIME_PERIODIC),
                                 timeSetEvent(40, 40, TickTimerProc, window, TIME_PERIODIC),
                                 timeSetEvent(100, 100, PollTimerProc, window, TIME_PERIODIC),
                                 timeSetEvent(100, 100, PollTimerProc, window, TIME_PERIODIC)};
               },
               [&wakeTimers] {
                   for (UINT& timer : wakeTimers) {
                       timeKillEvent(timer);
                       timer = 0;
                   }
               },
               [] { return 0L; }, [] { return std::size_t{0}; }, [] { return 0.0; }};

    Totals oursLively, baseLively, wakesLively, oursSilent, baseSilent, wakesSilent;
    gSilent = false;
    alternate<3>({&ours, &base, &wakes}, lively, {&oursLively, &baseLively, &wakesLively});
    // Every column falls and every peak is released, on each side.
    gSilent = true;
    Totals unused;
    slice(ours, settle, unused);
    slice(base, settle, unused);
    alternate<3>({&ours, &base, &wakes}, silent, {&oursSilent, &baseSilent, &wakesSilent});
    plain.stop();
    if (wakeMessages == 0) {
        std::fprintf(stderr, "the timers of the wakes alone posted nothing\n");
        return 1;
    }
    CloseAndFree(in);
    CloseAndFree(out);
    owner->Free();
    Application->ProcessMessages();

    print("Lively signals", oursLively, baseLively, wakesLively);
    print("All silent, every column fallen", oursSilent, baseSilent, wakesSilent);

    Application->Free();
    FlushDeferredDeletes();
    std::filesystem::remove_all(scratch);
    return 0;
}
