#include "framework/component.h"

#include <algorithm>

#include "framework/error.h"
#include "framework/exception_guard.h"

namespace fw {

namespace {

void Erase(std::vector<Component*>& list, Component* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

Component::Component(Component* owner) : owner_(owner) {
  if (!owner_) return;
  owner_->components_.push_back(this);
  owner_->Announce(this, Operation::kInsert, this);
}

Component::~Component() {
  DestroyComponents();
  if (!removed_) {
    removed_ = true;
    if (owner_) {
      Erase(owner_->components_, this);
      owner_->Announce(this, Operation::kRemove, nullptr);
    }
    for (Component* other : freeLinks_) other->SafeNotification(this, Operation::kRemove);
  } else if (owner_) {
    Erase(owner_->components_, this);
  }
  DropFreeLinks();
}

void Component::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && owner_) {
    if (Component* taken = owner_->FindComponent(name); taken && taken != this) {
      throw Error("A component named " + name + " already exists.", E_INVALIDARG);
    }
  }
  name_ = name;
}

Component* Component::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (Component* c : components_) {
    if (lstrcmpiA(c->name_.c_str(), name.c_str()) == 0) return c;
  }
  return nullptr;
}

void Component::FreeNotification(Component* other) {
  if (!other || other == this) return;
  if (std::find(freeLinks_.begin(), freeLinks_.end(), other) == freeLinks_.end()) {
    freeLinks_.push_back(other);
    other->freeLinks_.push_back(this);
  }
}

void Component::RemoveFreeNotification(Component* other) {
  if (!other) return;
  Erase(freeLinks_, other);
  Erase(other->freeLinks_, this);
}

void Component::DropFreeLinks() {
  for (Component* other : freeLinks_) Erase(other->freeLinks_, this);
  freeLinks_.clear();
}

void Component::NotifyLoaded() {
  // A copy: a Loaded() may make components of its own.
  const std::vector<Component*> made = components_;
  for (Component* c : made) {
    c->NotifyLoaded();
    GuardVoid("Component::Loaded", [&] { c->Loaded(); });
  }
  loading_ = false;
}

void Component::DestroyComponents() {
  if (components_.empty()) return;
  // First every removal is heard, by the owner, the other components and the subscribers,
  // while all of them still exist; only then is any of them destroyed.
  const std::vector<Component*> going(components_.rbegin(), components_.rend());
  for (Component* c : going) {
    if (c->removed_) continue;
    c->removed_ = true;
    SafeNotification(c, Operation::kRemove);
    for (Component* sibling : components_) {
      if (sibling != c) sibling->SafeNotification(c, Operation::kRemove);
    }
    const std::vector<Component*> subscribers = c->freeLinks_;
    for (Component* other : subscribers) {
      if (other != this &&
          std::find(components_.begin(), components_.end(), other) == components_.end()) {
        other->SafeNotification(c, Operation::kRemove);
      }
    }
  }
  for (Component* c : going) {
    Erase(components_, c);
    c->owner_ = nullptr;
    delete c;
  }
}

void Component::Announce(Component* component, Operation operation, Component* except) {
  SafeNotification(component, operation);
  for (Component* c : components_) {
    if (c != component && c != except) c->SafeNotification(component, operation);
  }
}

void Component::SafeNotification(Component* component, Operation operation) noexcept {
  GuardVoid("Component::Notification", [&] { Notification(component, operation); });
}

void Component::Notification(Component* component, Operation operation) {
  if (operation == Operation::kRemove) RemoveFreeNotification(component);
}

}  // namespace fw
