#include "toolkit/component.h"

#include "toolkit/exceptions.h"

#include <algorithm>
#include <cctype>

namespace toolkit {
namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

bool IsValidIdent(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    auto isStart = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
    if (!isStart(static_cast<unsigned char>(name[0]))) {
        return false;
    }
    return std::all_of(name.begin() + 1, name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

TComponent::TComponent(TComponent* owner) {
    if (owner != nullptr) {
        if (owner->IsLoading()) {
            state_ |= csLoading;
        }
        owner->insert(this);
    }
}

void TComponent::Free() {
    if (!(state_ & csDestroying)) {
        BeforeDestruction();
    }
    delete this;
}

void TComponent::BeforeDestruction() {
    if (state_ & csDestroying) {
        return;
    }
    state_ |= csDestroying;
    Destroying();
    // Told while this object is still whole, so that the receivers can look at what it is.
    notifyFree();
    DestroyComponents();
    // The owner is told while this object is still whole, too.
    if (owner_ != nullptr) {
        owner_->remove(this);
    }
}

void TComponent::notifyFree() {
    // Tell everyone who asked, and forget the notifications we asked for.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& back = other->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, TOperation::opRemove);
    }
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    notifyFree();
    DestroyComponents();
    if (owner_ != nullptr) {
        owner_->remove(this);
    }
}

void TComponent::Destroying() {}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return components_[static_cast<std::size_t>(index)];
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) {
        return nullptr;
    }
    for (TComponent* c : components_) {
        if (sameName(c->name_, name)) {
            return c;
        }
    }
    return nullptr;
}

void TComponent::SetName(const std::string& name) {
    if (name == name_) {
        return;
    }
    if (!name.empty() && !IsValidIdent(name)) {
        throw EComponentError("'" + name + "' is not a valid component name");
    }
    if (owner_ != nullptr && !name.empty()) {
        TComponent* other = owner_->FindComponent(name);
        if (other != nullptr && other != this) {
            throw EComponentError("A component named " + name + " already exists");
        }
    }
    name_ = name;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component == nullptr || component->owner_ == this) {
        return;
    }
    if (!component->name_.empty() && FindComponent(component->name_) != nullptr) {
        throw EComponentError("A component named " + component->name_ + " already exists");
    }
    if (component->owner_ != nullptr) {
        component->owner_->remove(component);
    }
    insert(component);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (component != nullptr && component->owner_ == this) {
        remove(component);
    }
}

void TComponent::insert(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, TOperation::opInsert);
}

void TComponent::remove(TComponent* component) {
    Notification(component, TOperation::opRemove);
    components_.erase(std::remove(components_.begin(), components_.end(), component),
                      components_.end());
    component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* other) {
    if (other == nullptr || other == this) {
        return;
    }
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end()) {
        freeNotifies_.push_back(other);
        other->freeNotifies_.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (other == nullptr) {
        return;
    }
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), other),
                        freeNotifies_.end());
    other->freeNotifies_.erase(
        std::remove(other->freeNotifies_.begin(), other->freeNotifies_.end(), this),
        other->freeNotifies_.end());
}

void TComponent::Loaded() {
    state_ &= ~csLoading;
    // The components made while this one was loading (by the description, or parts that a
    // component made for itself) are loaded with it. The list is read afresh at every step: a
    // component's Loaded may free or rebuild its own parts.
    for (std::size_t i = 0; i < components_.size(); ++i) {
        TComponent* c = components_[i];
        if (c->IsLoading()) {
            c->Loaded();
        }
    }
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        remove(last);
        last->Free();
    }
}

void TComponent::Notification(TComponent*, TOperation) {}

} // namespace toolkit
