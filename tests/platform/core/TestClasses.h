#pragma once

// A handful of classes that publish one property of every kind, for the object-model, reader and
// writer tests and the reader's fuzz target.

#include "platform/core/Collection.h"
#include "platform/core/Component.h"

#include <string>
#include <vector>

enum class TTestStyle { tsFlat, tsRaised, tsSunken };
enum class TTestFontStyle { tfBold, tfItalic, tfUnderline };
using TTestFontStyles = TSet<TTestFontStyle>;
enum class TTestKind { tkClose, tkHelp, tkCustom };

const TEnumInfo& TestStyleInfo();
const TEnumInfo& TestFontStyleInfo();
const TEnumInfo& TestKindInfo();

// Registers the test classes and the colour and character-set identifiers they use. Idempotent.
void RegisterTestClasses();

constexpr TColor clTestFace = static_cast<TColor>(0xFF00000F);

class TTestFont : public TPersistent {
  BRIVO_CLASS(TTestFont, TPersistent)

public:
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TTestFontStyles Style() const { return FStyle; }
  void SetStyle(TTestFontStyles Value);
  std::uint8_t Charset() const { return FCharset; }
  void SetCharset(std::uint8_t Value);
  void Assign(const TPersistent* Source) override;

  TNotifyEvent OnChange;

private:
  void Changed();
  std::string FName = "Sans";
  int FHeight = -11;
  TColor FColor = 0;
  TTestFontStyles FStyle;
  std::uint8_t FCharset = 1;
};

class TTestPicture : public TPersistent {
  BRIVO_CLASS(TTestPicture, TPersistent)

public:
  const std::vector<std::uint8_t>& Data() const { return FData; }
  void SetData(const std::vector<std::uint8_t>& Value) { FData = Value; }
  void Assign(const TPersistent* Source) override;

private:
  std::vector<std::uint8_t> FData;
};

class TTestWidget;

class TTestItem : public TCollectionItem {
  BRIVO_CLASS(TTestItem, TCollectionItem)

public:
  explicit TTestItem(TCollection* Collection) : TCollectionItem(Collection) {}
  TTestKind Kind() const { return FKind; }
  void SetKind(TTestKind Value);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  TTestPicture* Picture() const { return &FPicture; }
  TTestWidget* Target() const { return FTarget; }
  void SetTarget(TTestWidget* Value) { FTarget = Value; }
  void Assign(const TPersistent* Source) override;

  TNotifyEvent OnClick;

private:
  TTestKind FKind = TTestKind::tkCustom;
  std::string FCaption;
  bool FVisible = true;
  mutable TTestPicture FPicture;
  TTestWidget* FTarget = nullptr;
};

class TTestItems : public TOwnedCollection {
  BRIVO_CLASS(TTestItems, TOwnedCollection)

public:
  explicit TTestItems(TPersistent* AOwner) : TOwnedCollection(AOwner, TTestItem::StaticClassInfo()) {}
  TTestItem* Add() { return static_cast<TTestItem*>(TCollection::Add()); }
  TTestItem* Items(int Index) const { return static_cast<TTestItem*>(TCollection::Items(Index)); }

  int UpdateCalls = 0;
  TCollectionItem* LastUpdated = nullptr;
  std::vector<TCollectionNotification> Notifications;

protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
};

// A visual component: it has a parent, and the writer nests it under that parent.
class TTestWidget : public TComponent {
  BRIVO_CLASS(TTestWidget, TComponent)

public:
  explicit TTestWidget(TComponent* AOwner);
  ~TTestWidget() override;

  int Left() const { return FLeft; }
  void SetLeft(int Value) { FLeft = Value; }
  std::int16_t Width() const { return FWidth; }
  void SetWidth(std::int16_t Value) { FWidth = Value; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  // The look: sets Color and Font.Color, so a Color stored after it overrides the look's.
  TTestStyle Style() const { return FStyle; }
  void SetStyle(TTestStyle Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  double Ratio() const { return FRatio; }
  void SetRatio(double Value) { FRatio = Value; }
  TTestFont* Font() const { return &FFont; }
  void SetFont(TTestFont* Value) { FFont.Assign(Value); }
  TTestItems* Buttons() const { return &FButtons; }
  TTestWidget* Partner() const { return FPartner; }
  void SetPartner(TTestWidget* Value);

  TNotifyEvent OnClick;
  std::function<void(TObject* Sender, int Index)> OnButtonClick;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return FParent; }
  void SetParentComponent(TComponent* Value) override;
  void GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const override;
  const std::vector<TTestWidget*>& Children() const { return FChildren; }

  // What happened to this widget, in order ("Loaded", "Style", ...), for the tests.
  std::vector<std::string> Log;
  int LoadedCalls = 0;
  bool LoadingDuringStyle = false;
  bool ReadingDuringLoaded = false;

protected:
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  int FLeft = 0;
  std::int16_t FWidth = 10;
  std::string FCaption;
  TTestStyle FStyle = TTestStyle::tsFlat;
  TColor FColor = clTestFace;
  bool FEnabled = true;
  double FRatio = 1.0;
  mutable TTestFont FFont;
  mutable TTestItems FButtons{this};
  TTestWidget* FPartner = nullptr;
  TTestWidget* FParent = nullptr;
  std::vector<TTestWidget*> FChildren;
};

// A component without a parent: the writer puts it directly under the root.
class TTestTimer : public TComponent {
  BRIVO_CLASS(TTestTimer, TComponent)

public:
  explicit TTestTimer(TComponent* AOwner) : TComponent(AOwner) {}
  int Interval() const { return FInterval; }
  void SetInterval(int Value) { FInterval = Value; }
  TTestWidget* Target() const { return FTarget; }
  void SetTarget(TTestWidget* Value);

  TNotifyEvent OnTimer;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  int FInterval = 1000;
  TTestWidget* FTarget = nullptr;
};

// The root of the test forms, with published methods and a published field.
class TTestForm : public TTestWidget {
  BRIVO_CLASS(TTestForm, TTestWidget)

public:
  explicit TTestForm(TComponent* AOwner) : TTestWidget(AOwner) {}
  ~TTestForm() override { DestroyComponents(); }
  bool HasParent() const override { return false; }

  void FormShow(TObject* Sender);
  void ButtonClick(TObject* Sender);
  void TitleButtonClick(TObject* Sender, int Index);

  TTestWidget* Panel1 = nullptr;
  std::vector<std::string> Calls;
};
