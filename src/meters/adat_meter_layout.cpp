// The designed content of a meter window: the meter group of one card.
#include "controls/meter_preset.h"
#include "meters/adat_meter_form.h"

#include <string>

namespace meters {

using namespace toolkit;

namespace {

constexpr int kPairLefts[4] = {4, 82, 160, 238};
constexpr int kGridTops[7] = {1, 24, 48, 96, 128, 144, 156};
struct ScaleMark {
    const char* text;
    int top;
};
// The "0" mark's Top differs between the windows; the others do not.
constexpr ScaleMark kScaleMarks[7] = {{"-5", 24},   {"-10", 48},  {"-20", 96}, {"-30", 128},
                                      {"-40", 144}, {"-60", 156}, {"dB", 172}};

void setArial(TFont& font) {
    font.SetName("Arial");
    font.SetHeight(-11);
    font.SetColor(clBlack);
}

} // namespace

void TAdatMeterForm::Describe() {
    int labelNo = 0;
    auto newLabel = [this, &labelNo](TWinControl* parent) {
        auto* label = new TLabel(this);
        label->SetName("Label" + std::to_string(++labelNo));
        label->SetParent(parent);
        return label;
    };

    SetName(design_.formName);
    SetBounds(design_.left, design_.top, 330, 258);
    SetCaption(design_.caption);
    SetBorderStyle(TBorderStyle::bsSizeable);
    SetPosition(TPosition::poDesigned);
    setArial(Font());
    SetColor(clBtnFace);
    Bind(OnCreate, "FormCreate");
    Bind(OnShow, "FormShow");
    Bind(OnClose, "FormClose");
    Bind(OnDestroy, "FormDestroy");

    outer_ = new TPanel(this);
    outer_->SetName(design_.outerPanel);
    outer_->SetParent(this);
    outer_->SetBounds(0, 0, 322, 230);
    outer_->SetAlign(TAlign::alTop);
    outer_->SetBevelInner(TBevelCut::bvRaised);
    outer_->SetBevelOuter(TBevelCut::bvLowered);

    scrollBox_ = new TScrollBox(this);
    scrollBox_->SetName("ScrollBox1");
    scrollBox_->SetParent(outer_);
    scrollBox_->SetBounds(2, 2, 318, 226);
    scrollBox_->SetAlign(TAlign::alClient);
    scrollBox_->SetBorderStyle(TBorderStyle::bsNone);
    scrollBox_->VertScrollBar().SetVisible(false);
    scrollBox_->HorzScrollBar().SetIncrement(78);
    scrollBox_->HorzScrollBar().SetMargin(design_.scrollMargin);

    pnMeters_ = new TPanel(this);
    pnMeters_->SetName("pnMeters");
    pnMeters_->SetParent(scrollBox_);
    pnMeters_->SetBounds(2, 6, design_.metersWidth, 185);
    pnMeters_->SetBevelOuter(TBevelCut::bvNone);

    for (int p = 0; p < 4; ++p) {
        auto* pair = new TPanel(this);
        pair->SetName(design_.pairPanels[static_cast<std::size_t>(p)]);
        pair->SetParent(pnMeters_);
        pair->SetBounds(kPairLefts[p], 0, 53, 185);
        pair->SetParentColor(true);
        setArial(pair->Font());
        for (int g = 0; g < 7; ++g) {
            TLabel* grid = newLabel(pair);
            grid->SetBounds(4, kGridTops[g], 44, 14);
            grid->SetCaption("-----------");
            grid->Font().SetName("Arial");
            grid->Font().SetHeight(-11);
            grid->Font().SetColor(clGray);
            grid->Font().SetStyle(fsItalic);
            grid->SetTransparent(true);
        }
        for (int m = 0; m < 2; ++m) {
            auto* meter = new controls::TLevelMeter(this);
            meter->SetName(design_.meterNames[static_cast<std::size_t>(2 * p + m)]);
            meter->SetParent(pair);
            meter->SetBounds(m == 0 ? 6 : 28, 6, meter->Width(), meter->Height());
            meter->SetTag(4 + 2 * p + m);
            controls::ApplyMeterPreset(*meter);
        }
    }

    // The dB scales, right-aligned to the right of each pair panel; sized to their texts when
    // the description is done, keeping their right edges.
    for (int p = 0; p < 4; ++p) {
        const int right = design_.scaleRights[static_cast<std::size_t>(p)];
        auto addMark = [&](const char* text, int top) {
            TLabel* mark = newLabel(pnMeters_);
            mark->SetAlignment(TAlignment::taRightJustify);
            mark->SetCaption(text);
            mark->SetBounds(right - 20, top, 20, 14);
        };
        addMark("0", design_.zeroTop);
        for (const ScaleMark& m : kScaleMarks) {
            addMark(m.text, m.top);
        }
    }

    pnNumbers_ = new TPanel(this);
    pnNumbers_->SetName("pnNumbers");
    pnNumbers_->SetParent(scrollBox_);
    pnNumbers_->SetBounds(6, 192, 285, 15);
    pnNumbers_->SetBevelOuter(TBevelCut::bvNone);
    for (int c = 0; c < 8; ++c) {
        TLabel* number = newLabel(pnNumbers_);
        number->SetAlignment(TAlignment::taCenter);
        number->SetAutoSize(false);
        number->SetBounds(design_.numberLefts[static_cast<std::size_t>(c)], 2, 13, 13);
        number->SetCaption(std::to_string(c + 1));
        number->SetTag(c + 1);
    }
}

} // namespace meters
