#include "platform/core/Component.h"

#include <algorithm>
#include <utility>

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

void Erase(std::vector<TComponent*>& List, TComponent* Item) { std::erase(List, Item); }

// Set by NewComponent just before it constructs; the first component constructor that runs then is
// the outermost one (a base constructor runs before any sub-component a derived one creates).
thread_local bool gExpectConstruction = false;

} // namespace

bool IsValidIdent(std::string_view Name) {
  return !Name.empty() && IsIdentStart(Name.front()) && std::all_of(Name.begin(), Name.end(), IsIdentChar);
}

const TClassInfo& TComponent::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TComponent>()
                                     .String("Name", &TComponent::Name, &TComponent::SetName)
                                     .Stored(false) // the object line carries it
                                     .Integer("Tag", &TComponent::Tag, &TComponent::SetTag)
                                     .Default(0)
                                     .Build();
  return Info;
}

TComponent::TComponent(TComponent* AOwner) {
  FUnderConstruction = std::exchange(gExpectConstruction, false);
  // Owned at once; the owner hears of it from AfterConstruction, once the whole object exists.
  if (AOwner != nullptr)
    AOwner->InsertComponent(this, false);
}

void TComponent::ExpectConstruction(bool Expect) { gExpectConstruction = Expect; }

void TComponent::AfterConstruction() {
  if (FConstructed)
    return;
  FConstructed = true;
  FUnderConstruction = false;
  if (FOwner != nullptr && !FInsertAnnounced) {
    FInsertAnnounced = true;
    FOwner->Notification(this, opInsert);
  }
}

TComponent::~TComponent() {
  Destroying();
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    Erase(other->FFreeNotifies, this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner != nullptr)
    FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FComponents[static_cast<std::size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (FOwner == nullptr)
    return -1;
  const auto& list = FOwner->FComponents;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (FOwner == nullptr)
    return;
  auto& list = FOwner->FComponents;
  const int count = static_cast<int>(list.size());
  Value = std::clamp(Value, 0, count - 1);
  Erase(list, this);
  list.insert(list.begin() + Value, this);
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty())
    return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, AName))
      return c;
  return nullptr;
}

void TComponent::SetName(const std::string& NewName) {
  if (FName == NewName)
    return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("'" + NewName + "' is not a valid component name");
  if (FOwner != nullptr)
    FOwner->ValidateRename(this, FName, NewName);
  SetReference(false);
  FName = NewName;
  SetReference(true);
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) const {
  if (AComponent != nullptr && !SameText(CurName, NewName) && AComponent->FOwner == this &&
      FindComponent(NewName) != nullptr)
    throw EComponentError("A component named " + NewName + " already exists");
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  SetStateFlag(csDesigning, Value);
  if (SetChildren)
    for (TComponent* c : FComponents)
      c->SetDesigning(Value, true);
}

void TComponent::SetStateFlag(TComponentStateFlag Flag, bool Value) {
  if (Value)
    FComponentState.Include(Flag);
  else
    FComponentState.Exclude(Flag);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  InsertComponent(AComponent, !AComponent->FUnderConstruction);
}

void TComponent::InsertComponent(TComponent* AComponent, bool Announce) {
  for (const TComponent* c = this; c != nullptr; c = c->FOwner)
    if (c == AComponent)
      throw EComponentError("A component cannot own itself or its owner");
  if (AComponent->FOwner != nullptr)
    AComponent->FOwner->RemoveComponent(AComponent);
  ValidateRename(AComponent, std::string(), AComponent->FName);
  Insert(AComponent);
  AComponent->SetReference(true);
  if (FComponentState.Contains(csDesigning))
    AComponent->SetDesigning(true);
  AComponent->FInsertAnnounced = Announce;
  if (Announce)
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent->FOwner != this)
    return;
  Notification(AComponent, opRemove);
  AComponent->SetReference(false);
  AComponent->FInsertAnnounced = false;
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  Erase(FComponents, AComponent);
  AComponent->FOwner = nullptr;
}

void TComponent::SetReference(bool Enable) {
  // An owner that is being destroyed has already lost the fields of its own class.
  if (FOwner == nullptr || FName.empty() || FOwner->FComponentState.Contains(csDestroying))
    return;
  const TFieldInfo* field = FOwner->ClassInfo().FindField(FName);
  if (field == nullptr)
    return;
  if (!Enable)
    field->Set(*FOwner, nullptr);
  else if (InheritsFrom(field->Class()))
    field->Set(*FOwner, this);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    // Announced while it is whole, so the others drop their references to it before it goes.
    RemoveComponent(last);
    delete last;
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying))
    return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents)
    c->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent == this)
    return;
  if (FOwner == nullptr || AComponent->FOwner != FOwner) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
      FFreeNotifies.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  Erase(FFreeNotifies, AComponent);
  Erase(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr)
    RemoveFreeNotification(AComponent);
  // A handler may remove components; keep walking down from wherever the list now ends.
  int i = ComponentCount() - 1;
  while (i >= 0) {
    FComponents[static_cast<std::size_t>(i)]->Notification(AComponent, Operation);
    --i;
    if (i >= ComponentCount())
      i = ComponentCount() - 1;
  }
}

void TComponent::GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const {
  if (Root != this)
    return;
  for (TComponent* c : FComponents)
    if (!c->HasParent())
      Proc(c);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }
