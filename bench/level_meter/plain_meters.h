// The baseline of the level meter benchmark: the same 64 meters of 40 lamps written as a plain
// Qt program would write them. One QWidget per meter, the lamp states in an array, one
// update() per lamp that changes, and a paint event that fills one rectangle per lamp in the
// area to repaint. The meters follow the same rules as the program's (logarithmic mapping,
// fall-back by one lamp per tick, held peak), so both do the same lamp changes for the same
// levels.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <vector>

namespace bench {

class PlainMeter : public QWidget {
public:
    static constexpr int kLamps = 40;

    PlainMeter(QWidget* parent, int holdTicks);

    void setLevel(int raw);
    void tick();
    bool lit(int lamp) const { return lit_[static_cast<std::size_t>(lamp)]; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QRect lampRect(int lamp) { return {1, 156 - 4 * lamp, 15, 5}; }
    void setLamp(int lamp, bool on);

    std::array<bool, kLamps> lit_{};
    std::array<QColor, kLamps> colour_{};
    int holdTicks_;
    int top_ = 0;
    int peak_ = 0;
    int hold_ = 0;
};

// A window of meters side by side, shown.
class PlainMeterWindow {
public:
    PlainMeterWindow(int count, int holdTicks, int top);
    ~PlainMeterWindow();

    QWidget* window() const { return window_; }
    const std::vector<PlainMeter*>& meters() const { return meters_; }
    // Carries out the pending repaints now.
    void paint();

private:
    QWidget* window_;
    std::vector<PlainMeter*> meters_;
};

} // namespace bench
