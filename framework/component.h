// fw::Component: an object with an owner and a name that owns the components made with it as
// their owner, in the manner of a form and the parts placed on it.
//
// - An owner destroys its components last-made first. Before the first of them is
//   destroyed, each has heard the removal of every other (Notification with kRemove), as
//   have the owner and every component that asked for it with FreeNotification, so no
//   component is left holding a pointer to a destroyed one.
// - A component that is inserted into an owner (by construction) is announced to the owner
//   and its other components with kInsert; one destroyed alone is announced with kRemove to
//   the owner, its other components and its FreeNotification subscribers.
// - Loaded() is called by the owner (NotifyLoaded) on each of its components, in creation
//   order, once all of them are made; settings that need the others (links between
//   components, styles of a window) wait for it.
//
// Notification runs on the receiving component during the destruction of another, so it
// must not throw (an exception is logged and stopped) and must not call the component it
// hears about: that one may be half destroyed already. An override calls the base, which
// drops the FreeNotification link. A derived owner whose Notification
// override must hear its components go calls DestroyComponents() in its own destructor.
#pragma once

#include <string>
#include <vector>

namespace fw {

class Component {
 public:
  enum class Operation { kInsert, kRemove };

  explicit Component(Component* owner = nullptr);
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;
  virtual ~Component();

  Component* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Names are unique among an owner's components (ignoring case); a taken name raises
  // fw::Error. An empty name is always allowed.
  void SetName(const std::string& name);

  size_t ComponentCount() const { return components_.size(); }
  Component* GetComponent(size_t index) const { return components_.at(index); }
  Component* FindComponent(const std::string& name) const;

  // `other` hears (Notification kRemove) when this component is destroyed, whoever owns
  // either; the link is dropped when either goes.
  void FreeNotification(Component* other);
  void RemoveFreeNotification(Component* other);

  // Loaded() on every component, in creation order, each one's own components first; then
  // this one and its components are no longer loading.
  void NotifyLoaded();
  bool IsLoading() const { return loading_; }

  // Destroys the owned components as described above. The destructor does it too.
  void DestroyComponents();

 protected:
  virtual void Notification(Component* component, Operation operation);
  virtual void Loaded() {}

 private:
  void Announce(Component* component, Operation operation, Component* except);
  void SafeNotification(Component* component, Operation operation) noexcept;
  void DropFreeLinks();

  Component* owner_ = nullptr;
  std::string name_;
  std::vector<Component*> components_;  // owned, in creation order
  std::vector<Component*> freeLinks_;   // both directions of FreeNotification
  bool loading_ = true;
  bool removed_ = false;  // its removal has been announced
};

}  // namespace fw
