#include "platform/core/StoredForm.h"
#include "tests/platform/core/TestClasses.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

using TLog = std::vector<std::string>;

// Writes every notification it hears into a shared log as "Self:insert Other" / "Self:remove Other",
// and its own destruction as "~Self".
class TRecorder : public TComponent {
public:
  TRecorder(TComponent* AOwner, const std::string& AName, TLog& Log) : TComponent(AOwner), FLog(Log) {
    SetName(AName);
  }
  ~TRecorder() override { FLog.push_back("~" + Name()); }
  TComponent* Watched = nullptr;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    FLog.push_back(Name() + (Operation == opInsert ? ":insert " : ":remove ") + AComponent->Name());
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == Watched)
      Watched = nullptr;
  }

private:
  TLog& FLog;
};

class Ownership : public testing::Test {
protected:
  TLog FLog;
  std::unique_ptr<TRecorder> FOwner = std::make_unique<TRecorder>(nullptr, "Owner", FLog);
};

TEST_F(Ownership, ComponentsAreListedInInsertionOrderAndFoundByName) {
  auto* a = new TRecorder(FOwner.get(), "A", FLog);
  auto* b = new TRecorder(FOwner.get(), "B", FLog);
  ASSERT_EQ(FOwner->ComponentCount(), 2);
  EXPECT_EQ(FOwner->Components(0), a);
  EXPECT_EQ(FOwner->Components(1), b);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(FOwner->FindComponent("b"), b);
  EXPECT_EQ(FOwner->FindComponent("C"), nullptr);
  EXPECT_THROW(FOwner->Components(2), EListError);
  b->SetComponentIndex(0);
  EXPECT_EQ(FOwner->Components(0), b);
}

TEST_F(Ownership, InsertionIsAnnouncedToTheOwnerAndThenEveryOwnedComponentLastFirst) {
  new TRecorder(FOwner.get(), "A", FLog);
  new TRecorder(FOwner.get(), "B", FLog);
  FLog.clear();
  auto* c = new TRecorder(nullptr, "C", FLog);
  FOwner->InsertComponent(c);
  EXPECT_EQ(FLog, (TLog{"Owner:insert C", "C:insert C", "B:insert C", "A:insert C"}));
}

TEST_F(Ownership, RemovalIsAnnouncedLastFirstBeforeTheComponentGoes) {
  new TRecorder(FOwner.get(), "A", FLog);
  auto* b = new TRecorder(FOwner.get(), "B", FLog);
  new TRecorder(FOwner.get(), "C", FLog);
  FLog.clear();
  delete b;
  // B's own class is already gone when its owner announces it, so B hears nothing of itself.
  EXPECT_EQ(FLog, (TLog{"~B", "Owner:remove B", "C:remove B", "A:remove B"}));
  EXPECT_EQ(FOwner->ComponentCount(), 2);
}

TEST_F(Ownership, OwnerFreesOwnedComponentsLastFirstTellingTheRest) {
  auto* a = new TRecorder(FOwner.get(), "A", FLog);
  auto* b = new TRecorder(FOwner.get(), "B", FLog);
  a->Watched = b;
  FLog.clear();
  FOwner.reset();
  EXPECT_EQ(FLog, (TLog{"~Owner", "B:remove B", "A:remove B", "~B", "A:remove A", "~A"}));
}

TEST_F(Ownership, SiblingReferencesAreClearedWhenTheReferencedComponentGoes) {
  auto* a = new TRecorder(FOwner.get(), "A", FLog);
  auto* b = new TRecorder(FOwner.get(), "B", FLog);
  a->Watched = b;
  delete b;
  EXPECT_EQ(a->Watched, nullptr);
}

TEST_F(Ownership, FreeNotificationCarriesRemovalAcrossOwners) {
  TLog otherLog;
  TRecorder other(nullptr, "Other", otherLog);
  auto* watcher = new TRecorder(&other, "Watcher", otherLog);
  auto* target = new TRecorder(FOwner.get(), "Target", FLog);
  watcher->Watched = target;
  target->FreeNotification(watcher);
  EXPECT_TRUE(target->ComponentState().Contains(csFreeNotification));
  otherLog.clear();
  delete target;
  EXPECT_EQ(watcher->Watched, nullptr);
  EXPECT_EQ(otherLog, (TLog{"Watcher:remove Target"}));
}

TEST_F(Ownership, FreeNotificationIsMutualSoEitherMayGoFirst) {
  TLog otherLog;
  auto other = std::make_unique<TRecorder>(nullptr, "Other", otherLog);
  auto* watcher = new TRecorder(other.get(), "Watcher", otherLog);
  auto* target = new TRecorder(FOwner.get(), "Target", FLog);
  target->FreeNotification(watcher);
  other.reset();
  FLog.clear();
  delete target; // must not tell the watcher that is gone
  EXPECT_EQ(FLog, (TLog{"~Target", "Owner:remove Target"}));
}

TEST_F(Ownership, ReinsertingMovesAComponentBetweenOwners) {
  TLog otherLog;
  TRecorder other(nullptr, "Other", otherLog);
  auto* a = new TRecorder(FOwner.get(), "A", FLog);
  other.InsertComponent(a);
  EXPECT_EQ(a->Owner(), &other);
  EXPECT_EQ(FOwner->ComponentCount(), 0);
  EXPECT_THROW(a->InsertComponent(&other), EComponentError) << "an owner cycle";
}

TEST_F(Ownership, DestroyingMarksTheWholeTree) {
  auto* a = new TRecorder(FOwner.get(), "A", FLog);
  auto* b = new TRecorder(a, "B", FLog);
  FOwner->Destroying();
  EXPECT_TRUE(FOwner->ComponentState().Contains(csDestroying));
  EXPECT_TRUE(b->ComponentState().Contains(csDestroying));
}

TEST_F(Ownership, DesigningPassesToComponentsInsertedLater) {
  FOwner->SetDesigning(true);
  auto* a = new TRecorder(FOwner.get(), "A", FLog);
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
}

class Names : public Ownership {};

TEST_F(Names, MustBeIdentifiersUniqueAmongTheOwnersComponents) {
  auto* a = new TRecorder(FOwner.get(), "A", FLog);
  auto* b = new TRecorder(FOwner.get(), "B", FLog);
  try {
    b->SetName("a");
    FAIL() << "no error";
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named a already exists");
  }
  EXPECT_EQ(b->Name(), "B");
  a->SetName("a");
  EXPECT_EQ(a->Name(), "a") << "a change of letter case only is no clash";
  EXPECT_THROW(b->SetName("1abc"), EComponentError);
  EXPECT_THROW(b->SetName("a b"), EComponentError);
  b->SetName("");
  EXPECT_EQ(FOwner->FindComponent(""), nullptr);
}

TEST(PublishedFields, FollowTheOwnedComponentOfTheirName) {
  TTestForm form(nullptr);
  auto* panel = new TTestWidget(&form);
  EXPECT_EQ(form.Panel1, nullptr);
  panel->SetName("Panel1");
  EXPECT_EQ(form.Panel1, panel);
  panel->SetName("Panel2");
  EXPECT_EQ(form.Panel1, nullptr);
  panel->SetName("Panel1");
  delete panel;
  EXPECT_EQ(form.Panel1, nullptr);

  auto* timer = new TTestTimer(&form);
  timer->SetName("Panel1");
  EXPECT_EQ(form.Panel1, nullptr) << "a component of another class does not fill the field";
}

// ---- Insertion announced once the component is whole

// An owner that writes down what each insertion it hears is: the class the component reports and
// whether it is a TPart with its constructor's work done.
class TPartWatcher : public TComponent {
  BRIVO_CLASS(TPartWatcher, TComponent)

public:
  explicit TPartWatcher(TComponent* AOwner) : TComponent(AOwner) {}
  std::vector<std::string> Seen;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
};

class TPart : public TComponent {
  BRIVO_CLASS(TPart, TComponent)

public:
  explicit TPart(TComponent* AOwner) : TComponent(AOwner), Label("whole") {}
  std::string Label;
};

void TPartWatcher::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opInsert || AComponent == this)
    return;
  const auto* part = dynamic_cast<const TPart*>(AComponent);
  Seen.push_back(std::string(AComponent->ClassName()) + (part ? ":" + part->Label : ""));
}

// Builds two parts of its own in its constructor, as composite controls do.
class TAssembly : public TPartWatcher {
  BRIVO_CLASS(TAssembly, TPartWatcher)

public:
  explicit TAssembly(TComponent* AOwner) : TPartWatcher(AOwner) {
    First = NewComponent<TPart>(this);
    Second = NewComponent<TPart>(this);
  }
  TPart* First = nullptr;
  TPart* Second = nullptr;
};

// Refuses to finish: NewComponent must not leave it behind in its owner.
class TFailingPart : public TPart {
  BRIVO_CLASS(TFailingPart, TPart)

public:
  explicit TFailingPart(TComponent* AOwner) : TPart(AOwner) {}
  void AfterConstruction() override {
    TPart::AfterConstruction();
    throw std::runtime_error("not today");
  }
};

const TClassInfo& TPartWatcher::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TPartWatcher>().Build();
  return Info;
}
const TClassInfo& TPart::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TPart>().Build();
  return Info;
}
const TClassInfo& TAssembly::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TAssembly>().Build();
  return Info;
}
const TClassInfo& TFailingPart::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TFailingPart>().Build();
  return Info;
}

class Construction : public testing::Test {
protected:
  Construction() { RegisterClasses({&TPart::StaticClassInfo(), &TAssembly::StaticClassInfo()}); }
  TPartWatcher FOwner{nullptr};
};

TEST_F(Construction, NewComponentAnnouncesTheInsertionAsTheDerivedClass) {
  TPart* part = NewComponent<TPart>(&FOwner);
  EXPECT_EQ(FOwner.Seen, (std::vector<std::string>{"TPart:whole"}));
  EXPECT_TRUE(part->Constructed());
  EXPECT_FALSE(part->UnderConstruction());
}

TEST_F(Construction, TheClassRegistryAndStoredFormsCreateWholeComponentsToo) {
  FindClass("TPart").CreateComponent(&FOwner);
  ReadStoredForm("object Owner: TPartWatcher\n  object Read: TPart\n  end\nend\n", FOwner);
  EXPECT_EQ(FOwner.Seen, (std::vector<std::string>{"TPart:whole", "TPart:whole"}));
}

TEST_F(Construction, PlainNewOwnsAtOnceButAnnouncesOnlyThroughAfterConstruction) {
  auto* part = new TPart(&FOwner);
  EXPECT_EQ(FOwner.ComponentCount(), 1);
  EXPECT_TRUE(FOwner.Seen.empty()) << "announced from the base constructor";
  EXPECT_FALSE(part->Constructed());
  part->AfterConstruction();
  part->AfterConstruction();
  EXPECT_EQ(FOwner.Seen, (std::vector<std::string>{"TPart:whole"})) << "announced exactly once";
}

TEST_F(Construction, SubComponentsMadeInAConstructorAreAnnouncedWholeAndTheOuterOneAfterThem) {
  auto* assembly = NewComponent<TAssembly>(&FOwner);
  EXPECT_EQ(assembly->Seen, (std::vector<std::string>{"TPart:whole", "TPart:whole"}));
  EXPECT_EQ(FOwner.Seen, (std::vector<std::string>{"TAssembly"}));
  EXPECT_TRUE(assembly->First->Constructed());
  EXPECT_TRUE(assembly->Constructed());
}

TEST_F(Construction, PlainNewInsideNewComponentIsNotMistakenForTheOuterComponent) {
  // The outer component is the one NewComponent finishes; a part made inside it with plain new is
  // under no construction of anyone's.
  struct TMixed : TPartWatcher {
    explicit TMixed(TComponent* AOwner) : TPartWatcher(AOwner), Inner(new TPart(this)) {}
    TPart* Inner;
  };
  auto* mixed = NewComponent<TMixed>(&FOwner);
  EXPECT_FALSE(mixed->Inner->UnderConstruction());
  EXPECT_TRUE(mixed->Seen.empty()) << "the plain part is never announced";
  EXPECT_TRUE(mixed->Constructed());
  EXPECT_EQ(FOwner.Seen.size(), 1u);
}

TEST_F(Construction, MovingAWholeComponentAnnouncesItToItsNewOwnerOnce) {
  TPartWatcher other(nullptr);
  TPart* part = NewComponent<TPart>(&FOwner);
  other.InsertComponent(part);
  part->AfterConstruction();
  EXPECT_EQ(other.Seen, (std::vector<std::string>{"TPart:whole"}));
  EXPECT_EQ(part->Owner(), &other);
}

TEST_F(Construction, AComponentThatFailsToFinishIsFreedAndTheErrorPassedOn) {
  EXPECT_THROW(NewComponent<TFailingPart>(&FOwner), std::runtime_error);
  EXPECT_EQ(FOwner.ComponentCount(), 0);
  TPart* next = NewComponent<TPart>(&FOwner);
  EXPECT_FALSE(next->UnderConstruction()) << "the failure left nothing armed";
}

} // namespace
