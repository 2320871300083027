#include "plain_meters.h"

#include "driver/devices.h"
#include "meters/meter_messages.h"
#include "platform/wow16.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <cmath>
#include <vector>

namespace bench {

namespace {

constexpr int kLamps = 40;
constexpr int kLampPitch = 4; // lamps share their outline rows
constexpr int kHoldTicks = 75;

class PlainMeter : public QWidget {
public:
    explicit PlainMeter(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(18, 163);
    }

    void setLevel(int level) {
        int index = 0;
        if (level > 0) {
            index = static_cast<int>(std::lround(std::log10(level / (32767.0 / 25) + 1) /
                                                 std::log10(26.0) * (kLamps - 1)));
            index = std::clamp(index, 0, kLamps - 1);
        }
        for (int i = top_ + 1; i <= index; ++i) {
            update(lampRect(i));
        }
        top_ = std::max(top_, index);
        if (top_ >= peak_) {
            peak_ = top_;
            hold_ = kHoldTicks;
        }
    }

    void tick() {
        if (top_ > 0) {
            if (top_ != peak_) {
                update(lampRect(top_));
            }
            --top_;
        }
        if (hold_ > 0 && --hold_ == 0) {
            update(lampRect(peak_));
            peak_ = 0;
        }
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        for (int i = 0; i < kLamps; ++i) {
            QRect r = lampRect(i);
            if (!e->rect().intersects(r)) {
                continue;
            }
            bool on = i <= top_ || i == peak_;
            p.fillRect(r, QColor(64, 64, 64));
            p.fillRect(r.adjusted(1, 1, -1, -1), on ? lit(i) : QColor(128, 128, 128));
        }
    }

private:
    static QColor lit(int i) {
        return i == kLamps - 1    ? QColor(255, 0, 0)
               : i >= kLamps - 13 ? QColor(255, 128, 0)
                                  : QColor(0, 224, 0);
    }
    QRect lampRect(int i) const { return QRect(1, height() - 7 - i * kLampPitch, width() - 3, 5); }
    int top_ = 0;
    int peak_ = 0;
    int hold_ = 0;
};

struct Window {
    bool output = false;
    std::unique_ptr<QWidget> widget;
    std::vector<PlainMeter*> meters;
    std::array<driver::HWAVE, 32> handles{};
};

} // namespace

struct PlainMeterWindows::Impl {
    int cards = 1;
    Window windows[2];
    QTimer tick;
    QTimer poll;
    VPVOID record16 = 0;
    meters::TPairLevels* record = nullptr;
    long polls = 0;

    std::size_t pollBytes = 0;
    double handlerSeconds = 0;

    static double now() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    void pollAll() {
        double t0 = now();
        std::size_t before = allocatedBytesOnThisThread();
        ++polls;
        for (Window& w : windows) {
            for (int i = 0; i < 8 * cards; i += 2) {
                record->Lower = 0;
                record->Higher = 0;
                MMRESULT result = w.output ? waveOutMessage(static_cast<HWAVEOUT>(w.handles[i]),
                                                            meters::MSG_OUT_METER_READ, record16, 0)
                                           : waveInMessage(static_cast<HWAVEIN>(w.handles[i]),
                                                           meters::MSG_IN_METER_READ, record16, 0);
                bool ok = result == MMSYSERR_NOERROR;
                w.meters[static_cast<std::size_t>(i)]->setLevel(ok ? record->Lower : 0);
                w.meters[static_cast<std::size_t>(i + 1)]->setLevel(ok ? record->Higher : 0);
            }
        }
        pollBytes += allocatedBytesOnThisThread() - before;
        handlerSeconds += now() - t0;
    }
    void tickAll() {
        double t0 = now();
        for (Window& w : windows) {
            for (PlainMeter* m : w.meters) {
                m->tick();
            }
        }
        handlerSeconds += now() - t0;
    }
};

PlainMeterWindows::PlainMeterWindows(int cards, int top, int pitch)
    : impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    d.cards = cards;
    HMEM16 mem = 0;
    d.record16 = WOWGlobalAllocLock16(GMEM_MOVEABLE | GMEM_ZEROINIT, 8, &mem);
    d.record = static_cast<meters::TPairLevels*>(WOWGetVDMPointerFix(d.record16, 8, TRUE));
    for (int w = 0; w < 2; ++w) {
        Window& win = d.windows[w];
        win.output = w == 1;
        win.widget = std::make_unique<QWidget>();
        win.widget->setWindowTitle(w == 0 ? "plain inputs" : "plain outputs");
        win.widget->setGeometry(0, top + pitch * w, 314 * cards + 8, 231);
        for (int k = 0; k < 8 * cards; ++k) {
            auto* meter = new PlainMeter(win.widget.get());
            int card = k / 8;
            int pair = (k % 8) / 2;
            meter->move(8 + 312 * card + 78 * pair + (k % 2 == 0 ? 6 : 28), 8);
            win.meters.push_back(meter);
        }
        driver::OpenCtrlRange(nullptr, win.output, 0, 7, 0, cards - 1, win.handles);
    }
    QObject::connect(&d.tick, &QTimer::timeout, [&d] { d.tickAll(); });
    QObject::connect(&d.poll, &QTimer::timeout, [&d] { d.pollAll(); });
    d.tick.setTimerType(Qt::PreciseTimer);
    d.poll.setTimerType(Qt::PreciseTimer);
}

PlainMeterWindows::~PlainMeterWindows() {
    stop();
    for (Window& w : impl_->windows) {
        driver::CloseCtrlRange(w.output, 8 * impl_->cards, w.handles);
    }
    WOWGetVDMPointerUnfix(impl_->record16);
    WOWGlobalUnlockFree16(impl_->record16);
}

void PlainMeterWindows::start() {
    Impl& d = *impl_;
    for (Window& w : d.windows) {
        for (int i = 0; i < 8 * d.cards; i += 2) {
            if (w.output) {
                waveOutMessage(static_cast<HWAVEOUT>(w.handles[i]), meters::MSG_OUT_METER_START, 0,
                               0);
            } else {
                waveInMessage(static_cast<HWAVEIN>(w.handles[i]), meters::MSG_IN_METER_START, 0, 0);
            }
        }
        w.widget->show();
    }
    d.tick.start(40);
    d.poll.start(100);
}

void PlainMeterWindows::pause() {
    impl_->tick.stop();
    impl_->poll.stop();
}

void PlainMeterWindows::stop() {
    Impl& d = *impl_;
    pause();
    for (Window& w : d.windows) {
        w.widget->hide();
    }
}

long PlainMeterWindows::polls() const {
    return impl_->polls;
}

std::size_t PlainMeterWindows::pollBytes() const {
    return impl_->pollBytes;
}

double PlainMeterWindows::handlerSeconds() const {
    return impl_->handlerSeconds;
}

} // namespace bench
