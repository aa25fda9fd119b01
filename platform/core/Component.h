#pragma once

#include "platform/core/ClassInfo.h"

#include <string>
#include <vector>

enum TComponentStateFlag {
  csLoading,          // a stored form is being read into it; cleared by Loaded
  csReading,          // its own block of a stored form is being read
  csWriting,          // it is being written to a stored form
  csDestroying,       // it is being destroyed
  csDesigning,        // it is in design mode (set with its owner's)
  csFreeNotification, // some component asked to be told when it goes
};
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

// A persistent object with an owner, a name and owned components.
//
// Ownership: a component is created with its owner (`new TLabel(Form)`) and the owner deletes what
// it owns, last first. Deleting a component takes it out of its owner. Every insertion and removal
// is announced to the owner, which passes Notification(AComponent, Operation) on to each component
// it owns, from the last to the first; components of other owners that asked with FreeNotification
// hear of the removal as well. On opRemove, compare AComponent's address only: it is being
// destroyed. A class whose owned components use it while they go (a form) calls
// DestroyComponents() first in its own destructor.
class TComponent : public TPersistent {
  BRIVO_CLASS(TComponent, TPersistent)

public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // Raises EListError for an index out of range.
  TComponent* Components(int Index) const;
  // This component's position in its owner's list, -1 without owner.
  int ComponentIndex() const;
  void SetComponentIndex(int Value);
  // The owned component with that name (letter case ignored), or null.
  TComponent* FindComponent(std::string_view AName) const;

  const std::string& Name() const { return FName; }
  // A valid identifier or empty, and unique among the owner's components; raises EComponentError.
  virtual void SetName(const std::string& NewName);
  std::int64_t Tag() const { return FTag; }
  void SetTag(std::int64_t Value) { FTag = Value; }

  TComponentState ComponentState() const { return FComponentState; }
  void SetDesigning(bool Value, bool SetChildren = true);

  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();
  // Sets csDestroying on this component and everything it owns.
  void Destroying();

  // Asks that AComponent's Notification hears of this component's removal (and the reverse), for
  // references between components of different owners.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);
  // Points Field, a reference to a component this one need not own, at Value and moves the free
  // notification along, so that Notification can clear the reference when that component goes.
  // False when Field already held Value.
  template <class T>
  bool ReplaceReference(T*& Field, T* Value) {
    if (Field == Value)
      return false;
    if (Field)
      Field->RemoveFreeNotification(this);
    Field = Value;
    if (Value)
      Value->FreeNotification(this);
    return true;
  }

  // Hooks for controls: the stored-form reader gives each component the component whose block
  // encloses it, and the writer nests a component under its parent.
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent*) {}
  // Calls Proc for each component the writer nests directly under this one. For the root this is
  // every owned component without a parent, in ownership order; controls add their children.
  virtual void GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const;

protected:
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Called on every component a stored form created or read into, once the whole form is read;
  // clears csLoading. Overrides call inherited first.
  virtual void Loaded();

private:
  friend class TStoredFormReader;
  void SetStateFlag(TComponentStateFlag Flag, bool Value);
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void SetReference(bool Enable);
  void ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName) const;

  TComponent* FOwner = nullptr;
  std::string FName;
  std::int64_t FTag = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
};

// Whether Name is a valid component name: a letter or '_', then letters, digits or '_'.
bool IsValidIdent(std::string_view Name);
