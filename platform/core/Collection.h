#pragma once

#include "platform/core/ClassInfo.h"

#include <string>
#include <vector>

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// One element of a TCollection, owned by it. Create items with the collection's Add or Insert,
// which construct the collection's item class and then announce the new item.
class TCollectionItem : public TPersistent {
  BRIVO_CLASS(TCollectionItem, TPersistent)

public:
  // Appends this item to Collection (which then owns it); null leaves it free.
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves this item to another collection (or out of any, with null).
  void SetCollection(TCollection* Value);
  // Position in the collection, -1 without one; SetIndex moves the item.
  int Index() const;
  virtual void SetIndex(int Value);
  // A number unique within the collection, kept when items move.
  int ID() const { return FID; }
  virtual std::string DisplayName() const;
  TPersistent* GetOwner() const override;

protected:
  // Tells the collection that this item (or, with AllItems, the whole list) changed.
  void Changed(bool AllItems);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

// An owned, ordered list of items of one class. Update is called after every change (with the item
// that changed, or null when the list itself changed) unless updates are held by BeginUpdate.
class TCollection : public TPersistent {
  BRIVO_CLASS(TCollection, TPersistent)

public:
  // ItemClass must derive from TCollectionItem and be constructible from a TCollection*.
  explicit TCollection(const TClassInfo& ItemClass);
  ~TCollection() override;

  const TClassInfo& ItemClass() const { return *FItemClass; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError for an index out of range.
  TCollectionItem* Items(int Index) const;
  // Assigns Value into the item at Index.
  void SetItems(int Index, const TCollectionItem* Value);

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  void Exchange(int Index1, int Index2);
  TCollectionItem* FindItemID(int ID) const;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // From another collection: the same number of items, each assigned from the source's.
  void Assign(const TPersistent* Source) override;

protected:
  virtual void Update(TCollectionItem* Item);
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
  void Changed();

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  const TClassInfo* FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
};

// A collection that reports a persistent (a control, a title bar) as its owner.
class TOwnedCollection : public TCollection {
  BRIVO_CLASS(TOwnedCollection, TCollection)

public:
  TOwnedCollection(TPersistent* AOwner, const TClassInfo& ItemClass) : TCollection(ItemClass), FOwner(AOwner) {}
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};
