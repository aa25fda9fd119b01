#include "tests/platform/core/TestClasses.h"

#include <algorithm>

const TEnumInfo& TestStyleInfo() {
  static const TEnumInfo Info("TTestStyle", {"tsFlat", "tsRaised", "tsSunken"});
  return Info;
}

const TEnumInfo& TestFontStyleInfo() {
  static const TEnumInfo Info("TTestFontStyle", {"tfBold", "tfItalic", "tfUnderline"});
  return Info;
}

const TEnumInfo& TestKindInfo() {
  static const TEnumInfo Info("TTestKind", {"tkClose", "tkHelp", "tkCustom"});
  return Info;
}

void RegisterTestClasses() {
  static const bool Done = [] {
    RegisterClasses({&TTestWidget::StaticClassInfo(), &TTestTimer::StaticClassInfo(), &TTestForm::StaticClassInfo()});
    RegisterIdents("TTestCharset", {{"ANSI_CHARSET", 0}, {"DEFAULT_CHARSET", 1}});
    RegisterIdents(ColorIdentKind, {{"clTestRed", 0x0000FF}, {"clTestNavy", 0x800000}, {"clTestFace", clTestFace}});
    return true;
  }();
  (void)Done;
}

// ---- TTestFont

const TClassInfo& TTestFont::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TTestFont>()
                                     .Integer("Charset", &TTestFont::Charset, &TTestFont::SetCharset)
                                     .Default(1)
                                     .Idents("TTestCharset")
                                     .Color("Color", &TTestFont::Color, &TTestFont::SetColor)
                                     .Default(0)
                                     .Integer("Height", &TTestFont::Height, &TTestFont::SetHeight)
                                     .String("Name", &TTestFont::Name, &TTestFont::SetName)
                                     .Default("Sans")
                                     .Set("Style", &TTestFont::Style, &TTestFont::SetStyle, TestFontStyleInfo())
                                     .Default(TTestFontStyles{})
                                     .Event("OnChange", &TTestFont::OnChange)
                                     .Build();
  return Info;
}

void TTestFont::SetName(const std::string& Value) {
  FName = Value;
  Changed();
}
void TTestFont::SetHeight(int Value) {
  FHeight = Value;
  Changed();
}
void TTestFont::SetColor(TColor Value) {
  FColor = Value;
  Changed();
}
void TTestFont::SetStyle(TTestFontStyles Value) {
  FStyle = Value;
  Changed();
}
void TTestFont::SetCharset(std::uint8_t Value) {
  FCharset = Value;
  Changed();
}

void TTestFont::Changed() {
  if (OnChange)
    OnChange(this);
}

void TTestFont::Assign(const TPersistent* Source) {
  if (const auto* font = dynamic_cast<const TTestFont*>(Source)) {
    FName = font->FName;
    FHeight = font->FHeight;
    FColor = font->FColor;
    FStyle = font->FStyle;
    FCharset = font->FCharset;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TTestPicture

const TClassInfo& TTestPicture::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TTestPicture>().Binary("Data", &TTestPicture::Data, &TTestPicture::SetData).Build();
  return Info;
}

void TTestPicture::Assign(const TPersistent* Source) {
  if (const auto* picture = dynamic_cast<const TTestPicture*>(Source)) {
    FData = picture->FData;
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TTestItem, TTestItems

const TClassInfo& TTestItem::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TTestItem>()
                                     .Enum("Kind", &TTestItem::Kind, &TTestItem::SetKind, TestKindInfo())
                                     .String("Caption", &TTestItem::Caption, &TTestItem::SetCaption)
                                     .Boolean("Visible", &TTestItem::Visible, &TTestItem::SetVisible)
                                     .Default(true)
                                     .Object("Picture", &TTestItem::Picture)
                                     .Component("Target", &TTestItem::Target, &TTestItem::SetTarget)
                                     .Event("OnClick", &TTestItem::OnClick)
                                     .Build();
  return Info;
}

void TTestItem::SetKind(TTestKind Value) {
  FKind = Value;
  // Like a title bar button, a kind comes with its own caption; a caption stored later wins.
  FCaption = Value == TTestKind::tkClose ? "Close" : Value == TTestKind::tkHelp ? "Help" : "";
  Changed(false);
}

void TTestItem::SetCaption(const std::string& Value) {
  FCaption = Value;
  Changed(false);
}

void TTestItem::SetVisible(bool Value) {
  FVisible = Value;
  Changed(false);
}

void TTestItem::Assign(const TPersistent* Source) {
  if (const auto* item = dynamic_cast<const TTestItem*>(Source)) {
    FKind = item->FKind;
    FCaption = item->FCaption;
    FVisible = item->FVisible;
    FPicture.Assign(&item->FPicture);
    FTarget = item->FTarget;
    return;
  }
  TCollectionItem::Assign(Source);
}

const TClassInfo& TTestItems::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TTestItems>().Build();
  return Info;
}

void TTestItems::Update(TCollectionItem* Item) {
  ++UpdateCalls;
  LastUpdated = Item;
}

void TTestItems::Notify(TCollectionItem*, TCollectionNotification Action) { Notifications.push_back(Action); }

// ---- TTestWidget

const TClassInfo& TTestWidget::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TTestWidget>()
          .Integer("Left", &TTestWidget::Left, &TTestWidget::SetLeft)
          .Integer("Width", &TTestWidget::Width, &TTestWidget::SetWidth)
          .Default(10)
          .String("Caption", &TTestWidget::Caption, &TTestWidget::SetCaption)
          .Enum("Style", &TTestWidget::Style, &TTestWidget::SetStyle, TestStyleInfo())
          .Color("Color", &TTestWidget::Color, &TTestWidget::SetColor)
          .Default(clTestFace)
          .Boolean("Enabled", &TTestWidget::Enabled, &TTestWidget::SetEnabled)
          .Default(true)
          .Float("Ratio", &TTestWidget::Ratio, &TTestWidget::SetRatio)
          .Default(1.0)
          .Object("Font", &TTestWidget::Font, &TTestWidget::SetFont)
          .Collection("Buttons", &TTestWidget::Buttons)
          .Component("Partner", &TTestWidget::Partner, &TTestWidget::SetPartner)
          .Event("OnClick", &TTestWidget::OnClick)
          .Event("OnButtonClick", &TTestWidget::OnButtonClick)
          .Build();
  return Info;
}

TTestWidget::TTestWidget(TComponent* AOwner) : TComponent(AOwner) {}

TTestWidget::~TTestWidget() {
  for (TTestWidget* child : FChildren)
    child->FParent = nullptr;
  SetParentComponent(nullptr);
}

void TTestWidget::SetStyle(TTestStyle Value) {
  FStyle = Value;
  LoadingDuringStyle = ComponentState().Contains(csLoading);
  Log.push_back("Style");
  FColor = Value == TTestStyle::tsRaised ? 0x00FF00 : Value == TTestStyle::tsSunken ? 0x808080 : clTestFace;
  FFont.SetColor(Value == TTestStyle::tsFlat ? 0 : 0xFF0000);
}

void TTestWidget::SetPartner(TTestWidget* Value) {
  if (FPartner == Value)
    return;
  FPartner = Value;
  if (Value != nullptr)
    Value->FreeNotification(this);
}

void TTestWidget::SetParentComponent(TComponent* Value) {
  if (FParent != nullptr)
    std::erase(FParent->FChildren, this);
  FParent = dynamic_cast<TTestWidget*>(Value);
  if (FParent != nullptr)
    FParent->FChildren.push_back(this);
}

void TTestWidget::GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const {
  for (TTestWidget* child : FChildren)
    if (child->Owner() == Root && child->HasParent())
      Proc(child);
  TComponent::GetChildren(Proc, Root);
}

void TTestWidget::Loaded() {
  ReadingDuringLoaded = ComponentState().Contains(csReading);
  TComponent::Loaded();
  ++LoadedCalls;
  Log.push_back("Loaded");
}

void TTestWidget::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPartner)
    FPartner = nullptr;
  if (Operation == opRemove)
    for (int i = 0; i < FButtons.Count(); ++i)
      if (FButtons.Items(i)->Target() == AComponent)
        FButtons.Items(i)->SetTarget(nullptr);
}

// ---- TTestTimer

const TClassInfo& TTestTimer::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TTestTimer>()
                                     .Integer("Interval", &TTestTimer::Interval, &TTestTimer::SetInterval)
                                     .Default(1000)
                                     .Component("Target", &TTestTimer::Target, &TTestTimer::SetTarget)
                                     .Event("OnTimer", &TTestTimer::OnTimer)
                                     .Build();
  return Info;
}

void TTestTimer::SetTarget(TTestWidget* Value) {
  FTarget = Value;
  if (Value != nullptr)
    Value->FreeNotification(this);
}

void TTestTimer::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FTarget)
    FTarget = nullptr;
}

// ---- TTestForm

const TClassInfo& TTestForm::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TTestForm>()
                                     .Method("FormShow", &TTestForm::FormShow)
                                     .Method("ButtonClick", &TTestForm::ButtonClick)
                                     .Method("TitleButtonClick", &TTestForm::TitleButtonClick)
                                     .Field("Panel1", &TTestForm::Panel1)
                                     .Build();
  return Info;
}

void TTestForm::FormShow(TObject*) { Calls.push_back("FormShow"); }

void TTestForm::ButtonClick(TObject* Sender) {
  const auto* c = dynamic_cast<TComponent*>(Sender);
  Calls.push_back("ButtonClick(" + (c != nullptr ? c->Name() : std::string("?")) + ")");
}

void TTestForm::TitleButtonClick(TObject*, int Index) { Calls.push_back("TitleButtonClick(" + std::to_string(Index) + ")"); }
