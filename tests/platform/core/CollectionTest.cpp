#include "tests/platform/core/TestClasses.h"

#include <gtest/gtest.h>

namespace {

class Collections : public testing::Test {
protected:
  std::vector<std::string> Captions() const {
    std::vector<std::string> r;
    for (int i = 0; i < FItems.Count(); ++i)
      r.push_back(FItems.Items(i)->Caption());
    return r;
  }
  TTestItem* AddCaptioned(const std::string& Caption) {
    TTestItem* item = FItems.Add();
    item->SetCaption(Caption);
    return item;
  }

  TTestWidget FOwner{nullptr};
  TTestItems FItems{&FOwner};
};

TEST_F(Collections, AddAppendsItemsOfTheItemClassWithTheirDefaults) {
  TTestItem* item = FItems.Add();
  EXPECT_EQ(item->ClassName(), "TTestItem");
  EXPECT_EQ(item->Collection(), &FItems);
  EXPECT_TRUE(item->Visible());
  EXPECT_EQ(item->Kind(), TTestKind::tkCustom);
  EXPECT_EQ(FItems.Count(), 1);
  EXPECT_EQ(FItems.GetOwner(), &FOwner);
  EXPECT_EQ(item->GetOwner(), &FItems);
}

TEST_F(Collections, IndexFollowsPositionAndIdStaysWithTheItem) {
  TTestItem* a = AddCaptioned("a");
  TTestItem* b = AddCaptioned("b");
  TTestItem* c = AddCaptioned("c");
  EXPECT_EQ(c->Index(), 2);
  const int idOfC = c->ID();
  c->SetIndex(0);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(c->ID(), idOfC);
  EXPECT_EQ(FItems.FindItemID(idOfC), c);
  EXPECT_NE(a->ID(), b->ID());
  FItems.Exchange(0, 2);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"b", "a", "c"}));
}

TEST_F(Collections, InsertPlacesTheNewItemAtTheIndex) {
  AddCaptioned("a");
  AddCaptioned("c");
  static_cast<TTestItem*>(FItems.Insert(1))->SetCaption("b");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_THROW(FItems.Insert(4), EListError);
}

TEST_F(Collections, DeleteAndClearFreeItemsAndOutOfRangeIndexesRaise) {
  AddCaptioned("a");
  AddCaptioned("b");
  AddCaptioned("c");
  FItems.Delete(1);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "c"}));
  EXPECT_THROW(FItems.Delete(2), EListError);
  EXPECT_THROW(FItems.Items(-1), EListError);
  FItems.Clear();
  EXPECT_EQ(FItems.Count(), 0);
}

TEST_F(Collections, FreeingAnItemTakesItOutOfItsCollection) {
  AddCaptioned("a");
  TTestItem* b = AddCaptioned("b");
  delete b;
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a"}));
}

TEST_F(Collections, ChangesReachUpdateWithTheItemOrNullForTheWholeList) {
  TTestItem* item = FItems.Add();
  EXPECT_EQ(FItems.UpdateCalls, 1);
  EXPECT_EQ(FItems.LastUpdated, nullptr) << "an added item changes the list";
  item->SetVisible(false);
  EXPECT_EQ(FItems.UpdateCalls, 2);
  EXPECT_EQ(FItems.LastUpdated, item);
  FItems.Delete(0);
  EXPECT_EQ(FItems.LastUpdated, nullptr);
}

TEST_F(Collections, BeginUpdateHoldsChangesUntilTheLastEndUpdate) {
  FItems.BeginUpdate();
  FItems.BeginUpdate();
  FItems.Add()->SetCaption("x");
  FItems.Add();
  FItems.EndUpdate();
  EXPECT_EQ(FItems.UpdateCalls, 0);
  FItems.EndUpdate();
  EXPECT_EQ(FItems.UpdateCalls, 1);
  EXPECT_EQ(FItems.LastUpdated, nullptr);
}

TEST_F(Collections, NotifyTellsOfAddingAndDeleting) {
  FItems.Add();
  FItems.Delete(0);
  EXPECT_EQ(FItems.Notifications, (std::vector<TCollectionNotification>{cnAdded, cnDeleting, cnExtracting}));
}

TEST_F(Collections, ItemsMoveBetweenCollections) {
  TTestItems other(&FOwner);
  TTestItem* item = AddCaptioned("a");
  item->SetCollection(&other);
  EXPECT_EQ(FItems.Count(), 0);
  EXPECT_EQ(other.Count(), 1);
  EXPECT_EQ(other.Items(0), item);
}

TEST_F(Collections, AssignCopiesEveryItemIntoItemsOfItsOwnClass) {
  AddCaptioned("stale");
  TTestItems source(&FOwner);
  TTestItem* a = source.Add();
  a->SetKind(TTestKind::tkClose);
  a->Picture()->SetData({1, 2, 3});
  source.Add()->SetCaption("b");
  FItems.UpdateCalls = 0;
  FItems.Assign(&source);
  ASSERT_EQ(FItems.Count(), 2);
  EXPECT_EQ(FItems.Items(0)->Kind(), TTestKind::tkClose);
  EXPECT_EQ(FItems.Items(0)->Picture()->Data(), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_NE(FItems.Items(0), a);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Close", "b"}));
  EXPECT_EQ(FItems.UpdateCalls, 1) << "one change for the whole assignment";

  TTestFont font;
  EXPECT_THROW(FItems.Assign(&font), EConvertError);
}

TEST(CollectionItemClass, MustBeAnItemClass) {
  EXPECT_THROW(TCollection(TTestFont::StaticClassInfo()), EConvertError);
  TCollection plain(TCollectionItem::StaticClassInfo());
  EXPECT_EQ(plain.Add()->ClassName(), "TCollectionItem");
}

} // namespace
