// Copying a designed group of controls: which children are copied, as what, with what, where
// and in which order; and the failures.
#include "controls/ext_controls.h"
#include "controls/ext_speed_button.h"
#include "controls/level_meter.h"
#include "meters/clone_components.h"
#include "meters_test_env.h"
#include "toolkit/group_box.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/shape.h"

using namespace meters;
using namespace toolkit;
using meters_test::Owned;

namespace {

class CloneTest : public ::testing::Test {
protected:
    void SetUp() override { form_ = TCustomForm::Create<TForm>(nullptr); }
    void TearDown() override { form_->Free(); }

    template <typename C>
    C* add(const std::string& name, TWinControl* parent, int left = 0, int top = 0) {
        auto* c = new C(form_);
        if (!name.empty()) {
            c->SetName(name);
        }
        c->SetParent(parent);
        c->SetBounds(left, top, 40, 20);
        return c;
    }
    std::vector<TComponent*> madeSince(std::size_t count) const {
        const auto& all = form_->ComponentList();
        return {all.begin() + static_cast<std::ptrdiff_t>(count), all.end()};
    }

    TForm* form_ = nullptr;
};

TEST_F(CloneTest, NestedContainersAreCopiedOnEveryLevelDepthFirst) {
    auto* source = add<TPanel>("src", form_);
    auto* outer = add<TPanel>("outer", source, 10, 5);
    auto* inner = add<TPanel>("inner", outer, 3, 4);
    auto* label = add<TLabel>("lbl", inner, 1, 2);
    label->SetCaption("x");
    label->SetTag(7);
    add<TLabel>("second", source, 50, 6);
    std::size_t before = form_->ComponentCount();

    std::vector<TControl*> seen;
    CloneComponents(source, source, 100, 20,
                    TCloneEvent([&seen](TControl*& copy) { seen.push_back(copy); }));

    // Labels (non-windowed) are visited before the panels; each container's copy comes right
    // before the copies of its children.
    std::vector<TComponent*> made = madeSince(before);
    ASSERT_EQ(made.size(), 4u);
    auto* secondCopy = dynamic_cast<TLabel*>(made[0]);
    auto* outerCopy = dynamic_cast<TPanel*>(made[1]);
    auto* innerCopy = dynamic_cast<TPanel*>(made[2]);
    auto* labelCopy = dynamic_cast<TLabel*>(made[3]);
    ASSERT_TRUE(secondCopy && outerCopy && innerCopy && labelCopy);
    EXPECT_EQ(seen, (std::vector<TControl*>{secondCopy, outerCopy, innerCopy, labelCopy}));
    EXPECT_EQ(secondCopy->Parent(), source);
    EXPECT_EQ(outerCopy->Parent(), source);
    EXPECT_EQ(innerCopy->Parent(), outerCopy);
    EXPECT_EQ(labelCopy->Parent(), innerCopy);
    EXPECT_EQ(secondCopy->BoundsRect(), Bounds(150, 26, 40, 20));
    EXPECT_EQ(outerCopy->BoundsRect(), Bounds(110, 25, 40, 20));
    EXPECT_EQ(innerCopy->BoundsRect(), Bounds(3, 4, 40, 20));
    EXPECT_EQ(labelCopy->Left(), 1);
    EXPECT_EQ(labelCopy->Top(), 2);
    EXPECT_EQ(labelCopy->Tag(), 7);
    EXPECT_EQ(labelCopy->Caption(), "x");
    for (TComponent* c : made) {
        EXPECT_TRUE(c->Name().empty());
        EXPECT_EQ(c->Owner(), form_);
    }
    EXPECT_EQ(inner->ControlCount(), 1);
}

TEST_F(CloneTest, CopyingTwiceIntoTheSourceMakesNoCopiesOfCopies) {
    auto* source = add<TPanel>("src", form_);
    add<TLabel>("a", source, 1, 0);
    auto* pair = add<TPanel>("pair", source, 4, 0);
    add<controls::TLevelMeter>("m", pair, 6, 6);
    add<TLabel>("", source, 2, 0); // unnamed: never copied
    CloneComponents(source, source, 312, 0, nullptr);
    CloneComponents(source, source, 624, 0, nullptr);
    std::vector<int> labelLefts;
    std::vector<int> panelLefts;
    for (TControl* c : source->ControlList()) {
        if (dynamic_cast<TLabel*>(c)) {
            labelLefts.push_back(c->Left());
        } else if (dynamic_cast<TPanel*>(c)) {
            panelLefts.push_back(c->Left());
        }
    }
    EXPECT_EQ(labelLefts, (std::vector<int>{1, 2, 313, 625}));
    EXPECT_EQ(panelLefts, (std::vector<int>{4, 316, 628}));
}

TEST_F(CloneTest, ClassesAndPropertiesOfTheCopies) {
    auto* source = add<TPanel>("src", form_);
    int clicks = 0;
    TNotifyEvent onClick = [&clicks](TObject*) { ++clicks; };
    auto* box = add<controls::TExtCheckBox>("chk", source);
    box->SetCaptionGerman("Eingänge");
    box->SetCaptionEnglish("Inputs");
    box->SetChecked(true);
    box->OnClick = onClick;
    box->SetHint("tip");
    box->SetShowHint(true);
    auto* radio = add<controls::TExtRadioButton>("rb", source);
    radio->SetChecked(true);
    auto* speed = add<controls::TExtSpeedButton>("sb", source);
    int downs = 0;
    speed->OnDown = [&downs](TObject*) { ++downs; };
    auto* group = add<TGroupBox>("grp", source);
    group->SetCtl3D(false);
    auto* meter = add<controls::TLevelMeter>("meter", source);
    meter->SetHeight(163);
    meter->SetLumiHeight(5);
    meter->SetNumLumisRed(1);
    meter->SetNumLumisOrange(12);
    meter->SetLevelMaxHold(3000);
    meter->SetTimerInterval(40);
    auto* graph = add<controls::TBarGraph>("graph", source);
    graph->SetBevelInner(TBevelCut::bvRaised);
    graph->SetHeight(100);
    std::size_t before = form_->ComponentCount();
    CloneComponents(source, source, 0, 200, nullptr);
    EXPECT_EQ(clicks, 0); // the state is set before the handlers are copied

    std::map<std::string, TComponent*> byClass;
    for (TComponent* c : madeSince(before)) {
        byClass[c->ClassName()] = c;
    }
    auto* boxCopy = dynamic_cast<TCheckBox*>(byClass["TCheckBox"]);
    ASSERT_NE(boxCopy, nullptr);
    EXPECT_EQ(dynamic_cast<controls::TExtCheckBox*>(boxCopy), nullptr);
    EXPECT_TRUE(boxCopy->Checked());
    EXPECT_EQ(boxCopy->Caption(), "Eingänge");
    EXPECT_TRUE(boxCopy->ShowHint());
    EXPECT_EQ(boxCopy->Hint(), "tip");
    EXPECT_TRUE(boxCopy->OnClick == box->OnClick || boxCopy->OnClick);
    boxCopy->SetChecked(false);
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(byClass.count("TExtRadioButton"), 0u);
    EXPECT_TRUE(dynamic_cast<TRadioButton*>(byClass["TExtRadioButton"])->Checked());
    auto* speedCopy = dynamic_cast<controls::TExtSpeedButton*>(byClass["TExtSpeedButton"]);
    ASSERT_NE(speedCopy, nullptr);
    speedCopy->SetGroupIndex(1);
    speedCopy->SetDown(true);
    EXPECT_EQ(downs, 1);
    auto* groupCopy = dynamic_cast<TGroupBox*>(byClass["TGroupBox"]);
    ASSERT_NE(groupCopy, nullptr);
    EXPECT_FALSE(groupCopy->Ctl3D());
    EXPECT_FALSE(groupCopy->ParentCtl3D());
    auto* meterCopy = dynamic_cast<controls::TLevelMeter*>(byClass["TLevelMeter"]);
    ASSERT_NE(meterCopy, nullptr);
    EXPECT_EQ(meterCopy->LumiCount(), 40);
    EXPECT_EQ(meterCopy->NumLumisOrange(), 12);
    EXPECT_EQ(meterCopy->NumLumisRed(), 1);
    EXPECT_EQ(meterCopy->LevelMaxHold(), 3000);
    EXPECT_EQ(meterCopy->TimerInterval(), 40);
    // A bar graph that is no level meter becomes a plain panel.
    auto* graphCopy = dynamic_cast<TPanel*>(byClass["TPanel"]);
    ASSERT_NE(graphCopy, nullptr);
    EXPECT_EQ(dynamic_cast<controls::TBarGraph*>(graphCopy), nullptr);
    EXPECT_EQ(graphCopy->BevelInner(), TBevelCut::bvRaised);
    EXPECT_EQ(graphCopy->Height(), 100);
}

TEST_F(CloneTest, CtlThreeDFollowsTheParentUntilSetItself) {
    auto* outer = add<TGroupBox>("outer", form_);
    auto* inner = add<TGroupBox>("inner", outer);
    EXPECT_TRUE(inner->Ctl3D());
    outer->SetCtl3D(false);
    EXPECT_FALSE(inner->Ctl3D());
    EXPECT_TRUE(inner->ParentCtl3D());
    inner->SetCtl3D(true);
    EXPECT_FALSE(inner->ParentCtl3D());
    outer->SetCtl3D(true);
    outer->SetCtl3D(false);
    EXPECT_TRUE(inner->Ctl3D());
    inner->SetParentCtl3D(true);
    EXPECT_FALSE(inner->Ctl3D());
}

TEST_F(CloneTest, TheCallbackMayKeepACopyOut) {
    auto* source = add<TPanel>("src", form_);
    auto* pair = add<TPanel>("pair", source, 4, 0);
    add<TLabel>("lbl", pair);
    std::size_t before = form_->ComponentCount();
    TControl* kept = nullptr;
    CloneComponents(source, source, 10, 0, TCloneEvent([&kept](TControl*& copy) {
                        if (dynamic_cast<TPanel*>(copy)) {
                            kept = copy;
                            copy = nullptr;
                        }
                    }));
    // Neither inserted nor given children; still owned by the form.
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Parent(), nullptr);
    EXPECT_EQ(madeSince(before).size(), 1u);
    EXPECT_EQ(source->ControlCount(), 1);
}

TEST_F(CloneTest, FailuresLeaveTheCopiesWithoutAParent) {
    auto* source = add<TPanel>("src", form_);
    add<TLabel>("first", source);
    add<TShape>("", source); // unnamed: skipped without error
    add<TShape>("shpLed", source);
    std::size_t before = form_->ComponentCount();
    try {
        CloneComponents(source, source, 0, 0, nullptr);
        FAIL() << "no error";
    } catch (const EComponentError& e) {
        EXPECT_STREQ(e.what(),
                     "CloneComponents: Komponentenklasse von shpLed nicht implementiert.");
    }
    std::vector<TComponent*> made = madeSince(before);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(static_cast<TControl*>(made[0])->Parent(), nullptr);

    // Not windowed: the source at once, the destination once the copies are made.
    auto* label = add<TLabel>("plain", form_);
    before = form_->ComponentCount();
    EXPECT_THROW(CloneComponents(label, source, 0, 0, nullptr), EInvalidCast);
    EXPECT_EQ(form_->ComponentCount(), static_cast<int>(before));
    auto* other = add<TPanel>("other", form_);
    add<TLabel>("one", other);
    add<TLabel>("two", other);
    before = form_->ComponentCount();
    EXPECT_THROW(CloneComponents(other, label, 0, 0, nullptr), EInvalidCast);
    made = madeSince(before);
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(static_cast<TControl*>(made[0])->Parent(), nullptr);
    EXPECT_EQ(static_cast<TControl*>(made[1])->Parent(), nullptr);
}

} // namespace
