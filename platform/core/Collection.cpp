#include "platform/core/Collection.h"

#include <algorithm>

const TClassInfo& TCollectionItem::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TCollectionItem>().Build();
  return Info;
}

TCollectionItem::TCollectionItem(TCollection* Collection) {
  if (Collection != nullptr)
    Collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem() {
  if (FCollection != nullptr)
    FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Value == FCollection)
    return;
  if (FCollection != nullptr)
    FCollection->RemoveItem(this);
  if (Value != nullptr) {
    Value->InsertItem(this);
    Value->Notify(this, cnAdded);
    Value->Changed();
  }
}

int TCollectionItem::Index() const {
  if (FCollection == nullptr)
    return -1;
  const auto& items = FCollection->FItems;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  const int current = Index();
  if (current < 0 || Value < 0 || current == Value)
    return;
  auto& items = FCollection->FItems;
  Value = std::min(Value, static_cast<int>(items.size()) - 1);
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

std::string TCollectionItem::DisplayName() const { return std::string(ClassName()); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection != nullptr && FCollection->FUpdateCount == 0)
    FCollection->Update(AllItems ? nullptr : this);
}

const TClassInfo& TCollection::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TCollection>().Build();
  return Info;
}

const TClassInfo& TOwnedCollection::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TOwnedCollection>().Build();
  return Info;
}

TCollection::TCollection(const TClassInfo& ItemClass) : FItemClass(&ItemClass) {
  if (!ItemClass.InheritsFrom(TCollectionItem::StaticClassInfo()) || !ItemClass.CanCreateItem())
    throw EConvertError(std::string(ItemClass.ClassName()) + " cannot be the item class of a collection");
}

TCollection::~TCollection() {
  // Nobody is told: the owner is going as well.
  FUpdateCount = 1;
  while (!FItems.empty())
    delete FItems.back();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FItems[static_cast<std::size_t>(Index)];
}

void TCollection::SetItems(int Index, const TCollectionItem* Value) { Items(Index)->Assign(Value); }

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = FItemClass->CreateItem(this);
  Notify(item, cnAdded);
  Changed();
  return item;
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  BeginUpdate();
  TCollectionItem* item = nullptr;
  try {
    item = Add();
    item->SetIndex(Index);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, cnDeleting);
  delete item;
}

void TCollection::Clear() {
  if (FItems.empty())
    return;
  BeginUpdate();
  while (!FItems.empty())
    Delete(Count() - 1);
  EndUpdate();
}

void TCollection::Exchange(int Index1, int Index2) {
  Items(Index1);
  Items(Index2);
  std::swap(FItems[static_cast<std::size_t>(Index1)], FItems[static_cast<std::size_t>(Index2)]);
  Changed();
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID)
      return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount > 0)
    --FUpdateCount;
  Changed();
}

void TCollection::Assign(const TPersistent* Source) {
  const auto* source = dynamic_cast<const TCollection*>(Source);
  if (source == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this)
    return;
  BeginUpdate();
  try {
    Clear();
    for (const TCollectionItem* item : source->FItems)
      Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Changed() {
  if (FUpdateCount == 0)
    Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  std::erase(FItems, Item);
  Item->FCollection = nullptr;
  Changed();
}
