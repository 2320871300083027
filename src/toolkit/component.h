// Components: objects with an owner, a name unique within that owner and a tag. An owner frees
// the components it owns (last created first) when it is freed.
#pragma once

#include "toolkit/object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace toolkit {

enum TComponentStateFlag : unsigned {
    csLoading = 1,    // a description is being applied; setters skip side effects and events
    csDestroying = 2, // the component is being freed
};
using TComponentState = unsigned;

enum class TOperation { opInsert, opRemove };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    // The owned components in creation order.
    const std::vector<TComponent*>& ComponentList() const { return components_; }
    TComponent* FindComponent(const std::string& name) const;

    const std::string& Name() const { return name_; }
    // Raises EComponentError for a name that is not an identifier or that another component of
    // the same owner already has (names compare without regard to ASCII case).
    void SetName(const std::string& name);

    std::int32_t Tag() const { return tag_; }
    void SetTag(std::int32_t tag) { tag_ = tag; }

    TComponentState ComponentState() const { return state_; }
    bool IsLoading() const { return (state_ & csLoading) != 0; }
    bool IsDestroying() const { return (state_ & csDestroying) != 0; }

    // Moves the component to another owner (or none); the name must be free there.
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    // Asks to be told (Notification with opRemove) when the other component is freed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Enters the loading state: this component and every component created with it as owner
    // until Loaded is called.
    void BeginLoading() { state_ |= csLoading; }
    // Called once a description has been applied; leaves the loading state, then calls Loaded
    // on every owned component that is still loading (overrides call the base first).
    virtual void Loaded();

    // Frees every owned component, the last created first.
    void DestroyComponents();

    // Frees the component: BeforeDestruction while the object is whole, then the destructors.
    // Components are always freed this way (owners free theirs so too).
    void Free();
    // Marks the component as being destroyed, runs Destroying, tells the components that
    // asked for a free notification, frees the owned components and leaves the owner; all while
    // the object is still whole.
    virtual void BeforeDestruction();

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    // Called at the start of freeing, while the object is still whole.
    virtual void Destroying();

private:
    void insert(TComponent* component);
    void remove(TComponent* component);
    void notifyFree();

    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::string name_;
    std::int32_t tag_ = 0;
    TComponentState state_ = 0;
};

// True for names that are identifiers: a letter or '_' followed by letters, digits or '_'.
bool IsValidIdent(const std::string& name);

} // namespace toolkit
