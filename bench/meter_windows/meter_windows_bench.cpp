// What the meter windows cost as the user runs them: both windows (inputs and outputs) for four
// simulated cards, shown at full width, metering on their own timers for a while. Prints the
// program's CPU time per second of wall time, paints per second and the bytes allocated in a
// poll; first with lively signals, then with every input and output silent once all columns
// have fallen. The baseline, in the same run: a plain Qt program showing the same 64 meters,
// polled and ticked the same way through the same driver (plain_meters.h).
//
// Usage: meter_windows_bench [seconds per lively phase, default 20]
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
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
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

struct Figures {
    double cpuPerWall = 0;   // CPU seconds per wall second
    double uiCpuPerWall = 0; // the same, of the window thread alone
    double paintsPerSecond = 0;
    double bytesPerPoll = 0;     // allocated while a poll was handled
    double uiBytesPerSecond = 0; // allocated on the window thread in all
    double handlersPerWall = 0;  // time in the poll and tick handlers per wall second
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

// Runs the message loop for the given time and measures.
template <typename PollCount, typename PollBytes, typename HandlerSeconds>
Figures measure(double seconds, PollCount polls, PollBytes pollBytes, HandlerSeconds handlers) {
    double handlers0 = handlers();
    long paints0 = gPaints->paints;
    long polls0 = polls();
    std::size_t pollBytes0 = pollBytes();
    std::size_t bytes0 = tAllocatedBytes;
    double cpu0 = cpuSeconds();
    double uiCpu0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    auto t0 = std::chrono::steady_clock::now();
    runFor(seconds);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    Figures f;
    f.cpuPerWall = (cpuSeconds() - cpu0) / wall;
    f.uiCpuPerWall = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - uiCpu0) / wall;
    f.paintsPerSecond = static_cast<double>(gPaints->paints - paints0) / wall;
    long n = polls() - polls0;
    f.bytesPerPoll = n > 0 ? static_cast<double>(pollBytes() - pollBytes0) / n : 0;
    f.uiBytesPerSecond = static_cast<double>(tAllocatedBytes - bytes0) / wall;
    f.handlersPerWall = (handlers() - handlers0) / wall;
    return f;
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

void print(const char* phase, const Figures& ours, const Figures& base) {
    std::printf("%s\n", phase);
    std::printf("  CPU, %% of one core      ours %7.2f   plain Qt %7.2f   ratio %5.2f\n",
                100 * ours.cpuPerWall, 100 * base.cpuPerWall,
                ratio(ours.cpuPerWall, base.cpuPerWall));
    std::printf("  window thread, %%        ours %7.2f   plain Qt %7.2f   ratio %5.2f\n",
                100 * ours.uiCpuPerWall, 100 * base.uiCpuPerWall,
                ratio(ours.uiCpuPerWall, base.uiCpuPerWall));
    std::printf("  poll + tick handlers, %%  ours %7.2f   plain Qt %7.2f   ratio %5.2f\n",
                100 * ours.handlersPerWall, 100 * base.handlersPerWall,
                ratio(ours.handlersPerWall, base.handlersPerWall));
    std::printf("  paints per second       ours %7.1f   plain Qt %7.1f   ratio %5.2f\n",
                ours.paintsPerSecond, base.paintsPerSecond,
                ratio(ours.paintsPerSecond, base.paintsPerSecond));
    // A poll of ours reads one window's pairs; one of the baseline reads both windows'.
    std::printf("  bytes allocated a poll  ours %7.1f   plain Qt %7.1f\n", ours.bytesPerPoll,
                base.bytesPerPoll);
    std::printf("  window thread, bytes/s  ours %7.0f   plain Qt %7.0f\n", ours.uiBytesPerSecond,
                base.uiBytesPerSecond);
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
    // Both windows of four cards are 1272 pixels wide: the offscreen screen must hold them.
    std::string screenConfig;
    if (std::strcmp(std::getenv("QT_QPA_PLATFORM"), "offscreen") == 0) {
        screenConfig = (scratch / "screen.json").string();
        std::FILE* f = std::fopen(screenConfig.c_str(), "w");
        if (f == nullptr) {
            std::perror("meter_windows_bench: screen configuration");
            return 1;
        }
        std::fputs("{\"screens\": [{\"name\": \"bench\", \"x\": 0, \"y\": 0, "
                   "\"width\": 1600, \"height\": 1000}]}",
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

    // Ours: both windows, as the control window opens them, at full width.
    auto* owner = TCustomForm::Create<TForm>(nullptr);
    auto* in = TCustomForm::Create<TfrmAdatInp>(owner);
    auto* out = TCustomForm::Create<TfrmAdatOut>(owner);
    int top = 0;
    for (TAdatMeterForm* form :
         {static_cast<TAdatMeterForm*>(in), static_cast<TAdatMeterForm*>(out)}) {
        countPolls(form);
        form->Show();
        // Full width (held to the window's largest), one window below the other: every meter
        // in view, as the baseline's.
        form->SetBounds(0, top, 100000, form->Height());
        top += 300;
    }
    auto ourPolls = [] { return gPolls; };
    auto ourPollBytes = [] { return gPollBytes; };
    auto ourHandlers = [] { return gHandlerSeconds; };
    gSilent = false;
    runFor(1.0);
    Figures oursLively = measure(lively, ourPolls, ourPollBytes, ourHandlers);
    gSilent = true;
    runFor(settle);
    Figures oursSilent = measure(silent, ourPolls, ourPollBytes, ourHandlers);
    CloseAndFree(in);
    CloseAndFree(out);
    owner->Free();
    Application->ProcessMessages();

    // The baseline.
    bench::PlainMeterWindows plain(kCards);
    gSilent = false;
    plain.start();
    auto basePolls = [&plain] { return plain.polls(); };
    auto basePollBytes = [&plain] { return plain.pollBytes(); };
    auto baseHandlers = [&plain] { return plain.handlerSeconds(); };
    runFor(1.0);
    Figures baseLively = measure(lively, basePolls, basePollBytes, baseHandlers);
    gSilent = true;
    runFor(settle);
    Figures baseSilent = measure(silent, basePolls, basePollBytes, baseHandlers);
    plain.stop();

    print("Lively signals:", oursLively, baseLively);
    print("All silent, every column fallen:", oursSilent, baseSilent);

    Application->Free();
    FlushDeferredDeletes();
    std::filesystem::remove_all(scratch);
    return 0;
}
