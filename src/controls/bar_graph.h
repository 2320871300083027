// A bar graph: a sunken panel holding a column of lamps (TLumi), lamp 0 at the bottom, built
// from the panel's height and the lamp height, and lit from the bottom up to a level. The bar
// only ever lights lamps; darkening is left to descendants.
//
// The column: FLumiCount = Height div (LumiHeight - 1) lamps, Width - 3 wide, left 1, the bottom
// one with its top at Height - LumiHeight - 2, each further one LumiHeight - 1 higher, so that
// neighbours share their outline. Rebuilt in Loaded, when LumiHeight is written and when a
// resize changes the number of lamps that fit; a rebuild leaves Level and FTopIndex alone (the
// new lamps are dark) except that FTopIndex is clamped to the new column.
//
// Limits: LumiHeight below 2 is clamped to 2 (a lamp needs a row of its own between the shared
// outlines, and 1 would divide by zero); LevelMax of 0 or below is rejected with ERangeError and
// the old value stays.
#pragma once

#include "controls/level_curve.h"
#include "controls/lumi.h"
#include "toolkit/panel.h"

#include <cstdint>
#include <vector>

namespace controls {

class TBarGraph : public toolkit::TPanel {
public:
    explicit TBarGraph(toolkit::TComponent* owner);
    ~TBarGraph() override;

    // The last level accepted by SetLevel.
    int Level() const { return FLevel; }
    // Lights the lamps from the highest one lit so far up to
    // Round(value / LevelMax * (FLumiCount - 1)), halves to even. A value above LevelMax is
    // ignored altogether; a lower value than before changes no lamp.
    virtual void SetLevel(int value);
    // The level that lights the top lamp. Writing stores only.
    int LevelMax() const { return GetLevelMax(); }
    virtual void SetLevelMax(int value);
    virtual int GetLevelMax() const;
    int LumiHeight() const { return FLumiHeight; }
    void SetLumiHeight(int value);
    // The lit colour given to each lamp when the column is built; writing stores only.
    toolkit::TColor LumiColor() const { return FLumiColor; }
    void SetLumiColor(toolkit::TColor value) { FLumiColor = value; }
    // The published `_On`: true lights the whole column (SetLevel with LevelMax), false calls
    // SetLevel(0), which changes no lamp.
    bool Get_On() const { return F_On; }
    void Set_On(bool value);

    virtual void CreateLumis();
    // Frees every child control, always the first remaining one.
    virtual void FreeLumis();
    void Loaded() override;
    // The bar's own OnResize handler: moves the lamps when the same number still fits,
    // rebuilds the column otherwise; every lamp then gets the width Width - 3.
    void ResizeLumis(toolkit::TObject* Sender);

    int LumiCount() const { return FLumiCount; }
    // Lamp i of the current column (0 at the bottom), or nullptr.
    TLumi* Lumi(int index) const;
    // The highest lamp the bar has lit and not yet given back.
    int TopIndex() const { return FTopIndex; }

protected:
    // Paints only the lamps in the area to paint, found from their places in the column
    // without looking at the others.
    void PaintControls(toolkit::TCanvas& canvas) override;
    // Leaves an area to paint that lies wholly on lamps to the lamps, which cover every pixel
    // of it: the panel's background and bevels there would be painted over at once.
    void PaintWindow(toolkit::TCanvas& canvas) override;
    // Rejects a LevelMax of 0 or below with ERangeError.
    static void CheckLevelMax(int value);
    void Notification(toolkit::TComponent* component, toolkit::TOperation operation) override;
    // A lamp (or another child) came, went, moved, or was shown or hidden.
    void ChildChanged(toolkit::TControl* child) override;
    // Switches lamp index, if it exists. A lamp already in that state is not touched: the
    // column keeps a copy of every lamp's state.
    void switchLumi(int index, bool on) {
        if (index < 0 || static_cast<std::size_t>(index) >= lamps_.size()) {
            return;
        }
        LampState& lamp = lamps_[static_cast<std::size_t>(index)];
        if (lamp.lit == on || lamp.lumi == nullptr) {
            return;
        }
        if (columnShape_ == ColumnShape::plain) {
            switchInPlace(lamp, index, on);
        } else {
            lamp.lumi->Set_On(on);
        }
    }

    int FLumiCount = 0;
    int FTopIndex = 0;

private:
    // A lamp of the current column with its lit state, fill colour and the colours it is filled
    // with when lit and dark, kept up to date by the lamp itself: a tick switches lamps without
    // reading them, which it would find in no cache after the 40 ms between two ticks.
    struct LampState {
        TLumi* lumi; // none once the lamp is gone
        toolkit::TColor fill;
        toolkit::TColor colorOn;
        toolkit::TColor colorOff;
        bool lit;
    };
    friend class TLumi;
    // A lamp of the column was switched (by the column or by anyone else).
    void lumiSwitched(int index, bool on);
    // A lamp is being switched to a new fill. In a column known to be plain boxes in place, the
    // column stores the fill in the lamp, repaints the lamp's inside and returns true; otherwise
    // it changes nothing and returns false.
    bool lumiSwitchedInPlace(TLumi& lumi, bool on, toolkit::TColor fill);
    // Switches a lamp of a column known to be plain boxes in place as the lamp would switch
    // itself, from what the column keeps: the lamp is only written to, never read.
    void switchInPlace(LampState& lamp, int index, bool on);
    // A lamp of the column was given other colours for lit and dark.
    void lumiColoursChanged(const TLumi& lumi);
    // A lamp of the column changed its shape, pen or brush.
    void lumiRestyled(const TLumi& lumi);
    void unlinkLumis();
    // Whether the lamps stand as the column built them: one above the other, each LumiHeight - 1
    // above the one below, and no other children.
    bool regularColumn() const;
    // The lamps that may reach into rows top ... bottom - 1, and one more on either side, in a
    // column whose bottom lamp has its top at base.
    void lumisAcross(int base, int top, int bottom, int& from, int& to) const;
    // Whether lamp index (of a regular column) is a plain visible box with a solid one-pixel
    // outline of the given colour and a solid fill, in its place in the column.
    bool plainBoxInPlace(int index, toolkit::TColor outline) const;
    // Whether a lamp is drawn as a plain box: a rectangle with a solid one-pixel outline of
    // the given colour and a solid fill.
    static bool plainStyle(const TLumi& lumi, toolkit::TColor outline);
    // Where the bottom lamp of a regular column is drawn as a plain box.
    toolkit::TRect bottomPlace() const;
    // Finds the column's shape anew (columnShape_, bottomLamp_, outline_).
    void findColumnShape() const;
    // The lamps that reach into an area to paint, and whether they can be painted as one
    // column. Found once for the panel's painting and the lamps' of the same area.
    struct Across {
        toolkit::TRect clip;
        int from = 0;
        int to = -1;
        bool regular = false; // the column stands as built (regularColumn)
        bool plain = false;   // lamps from ... to are plain boxes in place with one outline colour
        toolkit::TRect bottomLamp;   // where lamp 0 is drawn as a plain box, when regular
        toolkit::TColor outline = 0; // the bottom lamp's outline colour, when regular
    };
    const Across& lampsAcross(const toolkit::TRect& clip) const;
    // Paints lamps from ... to of a plain column (Across::plain), in their places, as the
    // column they form: the outlines (neighbours share a row) in one fill, then each lamp's
    // inside.
    void paintColumn(toolkit::TCanvas& canvas, const Across& across) const;
    // The bounds of lamp index of a plain column, from where its bottom lamp is drawn.
    toolkit::TRect lampRect(const toolkit::TRect& bottomLamp, int index) const {
        int up = index * (FLumiHeight - 1);
        return {bottomLamp.Left, bottomLamp.Top - up, bottomLamp.Right, bottomLamp.Bottom - up};
    }

    int FLevel = 0;
    int FLevelMax = 65535;
    int FLumiHeight = 6;
    toolkit::TColor FLumiColor = kLumiGreen;
    bool F_On = false;
    // The lamps by index, so that switching one costs no search.
    std::vector<LampState> lamps_;
    // Whether every lamp is a plain box in its place with the bottom lamp's outline colour, as
    // last found: then painting needs to look at no lamp, which it would find in no cache after
    // the 40 ms between two ticks. Found again after a lamp changed its drawing into something
    // else, or any child came, went, moved or was shown or hidden.
    enum class ColumnShape : std::uint8_t { unknown, plain, other };
    mutable ColumnShape columnShape_ = ColumnShape::unknown;
    mutable toolkit::TRect bottomLamp_; // of a plain column
    mutable toolkit::TColor outline_ = 0;
    // The column's mapping of levels onto lamps, shared with columns of the same shape.
    const TColumnCurve* column_ = nullptr;
    bool columnKnown_ = false;
    // The last area's lamps; kept from the panel's painting to the lamps' (painting changes no
    // lamp).
    mutable Across across_;
    mutable bool acrossKnown_ = false;
};

} // namespace controls
