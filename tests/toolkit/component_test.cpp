// Components: ownership order, freeing, names and notifications.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/component.h"
#include "toolkit/edit.h"
#include "toolkit/exceptions.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using orv_test::Owned;

// Writes its name into a log when it is freed.
class TLogged : public TComponent {
public:
    TLogged(TComponent* owner, const std::string& name, std::vector<std::string>& log)
        : TComponent(owner), log_(log) {
        SetName(name);
    }
    ~TLogged() override { log_.push_back(Name()); }

private:
    std::vector<std::string>& log_;
};

TEST(Component, OwnerListsInCreationOrderAndFreesInReverse) {
    std::vector<std::string> freed;
    auto* owner = new TComponent(nullptr);
    auto* a = new TLogged(owner, "A", freed);
    auto* b = new TLogged(owner, "B", freed);
    new TLogged(b, "B1", freed);
    auto* c = new TLogged(owner, "C", freed);
    EXPECT_EQ(owner->ComponentList(), (std::vector<TComponent*>{a, b, c}));
    EXPECT_EQ(owner->Components(1), b);
    EXPECT_THROW(owner->Components(3), EListError);
    EXPECT_EQ(owner->FindComponent("c"), c);

    owner->Free();
    EXPECT_EQ(freed, (std::vector<std::string>{"C", "B1", "B", "A"}));
}

TEST(Component, FreeingOneLeavesItsOwner) {
    std::vector<std::string> freed;
    Owned<TComponent> owner(new TComponent(nullptr));
    auto* a = new TLogged(owner.get(), "A", freed);
    auto* b = new TLogged(owner.get(), "B", freed);
    a->Free();
    EXPECT_EQ(owner->ComponentList(), (std::vector<TComponent*>{b}));
    EXPECT_EQ(owner->FindComponent("A"), nullptr);
    // The name is free again.
    new TLogged(owner.get(), "A", freed);
    EXPECT_EQ(owner->ComponentCount(), 2);
}

TEST(Component, NamesAreUniqueWithinTheOwnerOnly) {
    Owned<TComponent> first(new TComponent(nullptr));
    Owned<TComponent> second(new TComponent(nullptr));
    auto* a = new TComponent(first.get());
    a->SetName("btnApply");
    auto* b = new TComponent(first.get());
    EXPECT_THROW(b->SetName("btnApply"), EComponentError);
    EXPECT_THROW(b->SetName("BTNAPPLY"), EComponentError);
    EXPECT_EQ(b->Name(), "");
    EXPECT_NO_THROW(a->SetName("btnApply"));
    EXPECT_THROW(b->SetName("2fast"), EComponentError);
    EXPECT_THROW(b->SetName("with space"), EComponentError);

    auto* other = new TComponent(second.get());
    EXPECT_NO_THROW(other->SetName("btnApply"));
    // Moving a component to an owner that has its name is refused; it stays where it was.
    EXPECT_THROW(first->InsertComponent(other), EComponentError);
    EXPECT_EQ(other->Owner(), second.get());
    // Unnamed components never clash.
    auto* c = new TComponent(first.get());
    EXPECT_NO_THROW(c->SetName(""));
}

// Keeps a reference to a component and learns when it is freed.
class TWatcher : public TComponent {
public:
    using TComponent::TComponent;
    TComponent* watched = nullptr;
    bool sawEdit = false;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        if (operation == TOperation::opRemove && component == watched) {
            // The freed component is still whole: its class can be asked.
            sawEdit = dynamic_cast<TEdit*>(component) != nullptr;
            watched = nullptr;
        }
    }
};

TEST(Component, FreeNotificationComesWhileTheFreedComponentIsWhole) {
    Owned<TWatcher> watcher(new TWatcher(nullptr));
    auto* edit = new TEdit(nullptr);
    watcher->watched = edit;
    edit->FreeNotification(watcher.get());
    edit->Free();
    EXPECT_EQ(watcher->watched, nullptr);
    EXPECT_TRUE(watcher->sawEdit);
}

TEST(Component, FreedControlsLeaveTheirParent) {
    Owned<TPanel> parent(new TPanel(nullptr));
    auto* windowed = new TPanel(nullptr);
    windowed->SetParent(parent.get());
    auto* graphic = new TLabel(nullptr);
    graphic->SetParent(parent.get());
    parent->HandleNeeded();
    windowed->Free();
    graphic->Free();
    EXPECT_EQ(parent->ControlCount(), 0);
    // Freeing the parent afterwards must not meet the freed children.
}

} // namespace
} // namespace toolkit
