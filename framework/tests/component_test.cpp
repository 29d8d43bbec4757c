#include "framework/component.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/error.h"
#include "framework/exception_guard.h"

namespace {

using Operation = fw::Component::Operation;

// What every component of a test did, in order.
std::vector<std::string> g_log;
std::set<const fw::Component*> g_destroyed;

// Holds a pointer to another component (as a sample grabber holds its graph) and uses it
// when it goes, unless it heard that one's removal first.
class Part : public fw::Component {
 public:
  Part(fw::Component* owner, const std::string& name, Part* link = nullptr)
      : Component(owner), link_(link) {
    SetName(name);
    if (link_) link_->users_++;
  }
  ~Part() override {
    if (link_) {
      if (g_destroyed.count(link_)) {
        g_log.push_back(Name() + " used destroyed " + linkName_);
      } else {
        link_->users_--;
      }
    }
    g_log.push_back("~" + Name());
    g_destroyed.insert(this);
  }
  void SetLinkName(const std::string& name) { linkName_ = name; }
  bool throwOnNotify = false;
  int users_ = 0;
  Part* link_;

 protected:
  void Notification(fw::Component* c, Operation op) override {
    Component::Notification(c, op);
    g_log.push_back(Name() + (op == Operation::kInsert ? " +" : " -") + c->Name());
    if (op == Operation::kRemove && c == link_) link_ = nullptr;
    if (throwOnNotify) throw std::runtime_error("notification fails");
  }
  void Loaded() override { g_log.push_back("loaded " + Name()); }

 private:
  std::string linkName_;
};

class Components : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_destroyed.clear();
    fw::SetFailureLogger([](const char*, const char*) {});
  }
  void TearDown() override { fw::SetFailureLogger(nullptr); }
  static size_t IndexOf(const std::string& entry) {
    return std::find(g_log.begin(), g_log.end(), entry) - g_log.begin();
  }
};

TEST_F(Components, AnInsertedComponentIsAnnouncedToTheOwnerAndTheOthersMadeBefore) {
  Part form(nullptr, "Form");
  new Part(&form, "A");
  new Part(&form, "B");
  EXPECT_EQ(g_log, (std::vector<std::string>{"Form +", "Form +", "A +"}))
      << "names are set after construction, so the inserts carry empty names";
  ASSERT_EQ(form.ComponentCount(), 2u);
  EXPECT_EQ(form.GetComponent(0)->Name(), "A");
  EXPECT_EQ(form.FindComponent("b"), form.GetComponent(1));
  EXPECT_EQ(form.FindComponent("C"), nullptr);
}

TEST_F(Components, AnOwnerLetsEveryComponentHearTheOthersGoBeforeItDestroysAnyLastMadeFirst) {
  {
    Part form(nullptr, "Form");
    auto* graph = new Part(&form, "Graph");
    auto* grabber = new Part(&form, "Grabber", graph);
    grabber->SetLinkName("Graph");
    auto* window = new Part(&form, "Window", graph);
    window->SetLinkName("Graph");
    // Made before its link: destroyed after it, the order a one-pass owner gets wrong.
    auto* early = new Part(&form, "Early");
    early->link_ = window;
    early->SetLinkName("Window");
    g_log.clear();
    form.DestroyComponents();
    EXPECT_EQ(form.ComponentCount(), 0u);
  }
  const size_t firstDestroyed = IndexOf("~Early");
  for (const char* heard :
       {"Form -Early", "Graph -Early", "Grabber -Early", "Window -Early", "Form -Window",
        "Early -Window", "Graph -Window", "Grabber -Window", "Form -Grabber", "Graph -Grabber",
        "Form -Graph", "Early -Graph", "Grabber -Graph", "Window -Graph"}) {
    EXPECT_LT(IndexOf(heard), firstDestroyed) << heard;
  }
  std::vector<std::string> destroyed;
  for (const std::string& e : g_log) {
    if (e[0] == '~' || e.find(" used ") != std::string::npos) destroyed.push_back(e);
  }
  EXPECT_EQ(destroyed,
            (std::vector<std::string>{"~Early", "~Window", "~Grabber", "~Graph", "~Form"}));
}

TEST_F(Components, OneDestroyedAloneIsHeardByItsOwnerItsSiblingsAndItsSubscribers) {
  Part form(nullptr, "Form");
  Part other(nullptr, "OtherForm");
  auto* graph = new Part(&form, "Graph");
  auto* grabber = new Part(&form, "Grabber", graph);
  auto* watcher = new Part(&other, "Watcher", graph);
  graph->FreeNotification(watcher);
  g_log.clear();
  delete graph;
  EXPECT_EQ(form.ComponentCount(), 1u);
  EXPECT_EQ(g_log, (std::vector<std::string>{"~Graph", "Form -Graph", "Grabber -Graph",
                                             "Watcher -Graph"}));
  EXPECT_EQ(grabber->link_, nullptr);
  EXPECT_EQ(watcher->link_, nullptr);

  // A subscriber that goes first is forgotten: the other's removal reaches nobody freed.
  auto* camera = new Part(&form, "Camera");
  auto* viewer = new Part(&other, "Viewer");
  camera->FreeNotification(viewer);
  delete viewer;
  g_log.clear();
  delete camera;
  EXPECT_EQ(g_log, (std::vector<std::string>{"~Camera", "Form -Camera", "Grabber -Camera"}));
}

TEST_F(Components, ANotificationThatThrowsIsStoppedAndTheOthersStillHear) {
  Part form(nullptr, "Form");
  auto* a = new Part(&form, "A");
  a->throwOnNotify = true;
  new Part(&form, "B");
  new Part(&form, "C");
  g_log.clear();
  form.DestroyComponents();
  EXPECT_LT(IndexOf("B -C"), IndexOf("~C"));
  EXPECT_LT(IndexOf("A -C"), IndexOf("~C"));
  EXPECT_LT(IndexOf("C -A"), IndexOf("~C"));
}

TEST_F(Components, LoadedReachesEveryComponentInCreationOrderItsOwnFirst) {
  Part form(nullptr, "Form");
  auto* panel = new Part(&form, "Panel");
  new Part(panel, "Label");
  new Part(&form, "List");
  EXPECT_TRUE(panel->IsLoading());
  g_log.clear();
  form.NotifyLoaded();
  EXPECT_EQ(g_log, (std::vector<std::string>{"loaded Label", "loaded Panel", "loaded List"}));
  EXPECT_FALSE(panel->IsLoading());
  EXPECT_FALSE(form.IsLoading());
}

TEST_F(Components, NamesAreUniqueAmongAnOwnersComponentsIgnoringCase) {
  Part form(nullptr, "Form");
  auto* a = new Part(&form, "TreeView");
  auto* b = new Part(&form, "ListView");
  try {
    b->SetName("treeview");
    FAIL() << "a taken name was accepted";
  } catch (const fw::Error& e) {
    EXPECT_EQ(e.Code(), E_INVALIDARG);
    EXPECT_NE(std::string(e.what()).find("treeview"), std::string::npos);
  }
  EXPECT_EQ(b->Name(), "ListView");
  a->SetName("TreeView");  // its own name again
  b->SetName("");
  Part lone(nullptr, "");
  lone.SetName("ListView");  // no owner: nothing to clash with
  EXPECT_EQ(form.FindComponent(""), nullptr);
}

}  // namespace
