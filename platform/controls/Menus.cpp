#include "platform/controls/Menus.h"

#include "platform/controls/Form.h"
#include "platform/controls/MenuLoop.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace {

struct TKeyName {
  WORD Key;
  const char* Name;
};

// The names of the keys that are not a letter, a digit or a function key.
constexpr TKeyName KeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},     {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},   {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"},  {VK_NEXT, "PgDn"},   {VK_END, "End"},      {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},       {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},    {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};

std::string KeyName(WORD Key) {
  if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9'))
    return std::string(1, static_cast<char>(Key));
  if (Key >= VK_F1 && Key < VK_F1 + 24)
    return "F" + std::to_string(Key - VK_F1 + 1);
  for (const TKeyName& k : KeyNames)
    if (k.Key == Key)
      return k.Name;
  return {};
}

std::unordered_map<UINT, TMenuItem*>& Commands() {
  static std::unordered_map<UINT, TMenuItem*> map;
  return map;
}

UINT NewCommand() {
  static UINT next = 0;
  // Wraps past the numbers still in use; 0 stays "no command".
  do
    next = next == 0xFFFFFFFFu ? 1 : next + 1;
  while (Commands().contains(next));
  return next;
}

// Stores Value; false when Field held it already.
template <class T>
bool Change(T& Field, const T& Value) {
  if (Field == Value)
    return false;
  Field = Value;
  return true;
}

std::string WithoutPrefix(std::string_view Caption) {
  std::string out;
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&' && i + 1 < Caption.size())
      ++i;
    out += Caption[i];
  }
  return out;
}

} // namespace

// ---- Shortcuts

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  if (Key & 0xFF00)
    return scNone;
  TShortCut s = Key;
  if (Shift.Contains(ssShift))
    s |= scShift;
  if (Shift.Contains(ssCtrl))
    s |= scCtrl;
  if (Shift.Contains(ssAlt))
    s |= scAlt;
  return s;
}

void ShortCutToKey(TShortCut Value, WORD& Key, TShiftState& Shift) {
  Key = Value & 0xFF;
  Shift = {};
  if (Value & scShift)
    Shift.Include(ssShift);
  if (Value & scCtrl)
    Shift.Include(ssCtrl);
  if (Value & scAlt)
    Shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut Value) {
  const std::string name = KeyName(Value & 0xFF);
  if (name.empty())
    return {};
  std::string text;
  if (Value & scShift)
    text += "Shift+";
  if (Value & scCtrl)
    text += "Ctrl+";
  if (Value & scAlt)
    text += "Alt+";
  return text + name;
}

TShortCut TextToShortCut(std::string_view Text) {
  TShortCut shift = 0;
  constexpr std::pair<std::string_view, TShortCut> Prefixes[] = {{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}};
  for (bool found = true; found;) {
    found = false;
    for (const auto& [prefix, bit] : Prefixes)
      if (Text.size() > prefix.size() && SameText(Text.substr(0, prefix.size()), prefix)) {
        shift |= bit;
        Text.remove_prefix(prefix.size());
        found = true;
      }
  }
  for (int key = 1; key < 256; ++key) {
    const std::string name = KeyName(static_cast<WORD>(key));
    if (!name.empty() && SameText(name, Text))
      return static_cast<TShortCut>(key) | shift;
  }
  return scNone;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0)
    s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0)
    s.Include(ssCtrl);
  if (KeyData & (LPARAM(1) << 29))
    s.Include(ssAlt);
  return s;
}

char32_t AccessKeyOf(std::string_view Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&')
      continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const auto c = static_cast<unsigned char>(Caption[i + 1]);
    return c < 128 ? static_cast<char32_t>(std::tolower(c)) : c;
  }
  return 0;
}

const TEnumInfo& MenuAutoFlagInfo() {
  static const TEnumInfo Info("TMenuAutoFlag", {"maAutomatic", "maManual"});
  return Info;
}
const TEnumInfo& PopupAlignmentInfo() {
  static const TEnumInfo Info("TPopupAlignment", {"paLeft", "paRight", "paCenter"});
  return Info;
}
const TEnumInfo& TrackButtonInfo() {
  static const TEnumInfo Info("TTrackButton", {"tbRightButton", "tbLeftButton"});
  return Info;
}
const TEnumInfo& MenuAnimationsInfo() {
  static const TEnumInfo Info("TMenuAnimations",
                              {"maLeftToRight", "maRightToLeft", "maTopToBottom", "maBottomToTop", "maNone"});
  return Info;
}

// ---- TMenuItem

const TClassInfo& TMenuItem::StaticClassInfo() {
  using T = TMenuItem;
  static const TClassInfo Info = TClassBuilder<TMenuItem>()
                                     .Boolean("AutoCheck", &T::AutoCheck, &T::SetAutoCheck)
                                     .Default(false)
                                     .String("Caption", &T::Caption, &T::SetCaption)
                                     .Boolean("Checked", &T::Checked, &T::SetChecked)
                                     .Default(false)
                                     .Boolean("Default", &T::Default, &T::SetDefault)
                                     .Default(false)
                                     .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
                                     .Default(true)
                                     .Integer("GroupIndex", &T::GroupIndex, &T::SetGroupIndex)
                                     .Default(0)
                                     .Integer("HelpContext", &T::HelpContext, &T::SetHelpContext)
                                     .Default(0)
                                     .String("Hint", &T::Hint, &T::SetHint)
                                     .Integer("ImageIndex", &T::ImageIndex, &T::SetImageIndex)
                                     .Default(-1)
                                     .Boolean("RadioItem", &T::RadioItem, &T::SetRadioItem)
                                     .Default(false)
                                     .Integer("ShortCut", &T::ShortCut, &T::SetShortCut)
                                     .Default(0)
                                     .Boolean("Visible", &T::Visible, &T::SetVisible)
                                     .Default(true)
                                     .Event("OnClick", &T::OnClick)
                                     .Event("OnDrawItem", &T::OnDrawItem)
                                     .Event("OnMeasureItem", &T::OnMeasureItem)
                                     .Build();
  return Info;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(NewCommand()) {
  Commands()[FCommand] = this;
}

TMenuItem::~TMenuItem() {
  Commands().erase(FCommand);
  if (FParent)
    FParent->Remove(this);
  while (!FItems.empty()) {
    TMenuItem* last = FItems.back();
    FItems.pop_back();
    last->FParent = nullptr;
    delete last;
  }
}

TMenuItem* FindMenuItemByCommand(UINT Command) {
  auto it = Commands().find(Command);
  return it == Commands().end() ? nullptr : it->second;
}

void TMenuItem::SetCaption(const std::string& Value) {
  if (Change(FCaption, Value))
    MenuChanged(true);
}

void TMenuItem::SetChecked(bool Value) {
  if (FChecked == Value)
    return;
  FChecked = Value;
  if (Value && FRadioItem)
    TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::TurnSiblingsOff() {
  if (!FParent)
    return;
  for (TMenuItem* sibling : FParent->FItems)
    if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex && sibling->FChecked) {
      sibling->FChecked = false;
      sibling->MenuChanged(false);
    }
}

void TMenuItem::SetEnabled(bool Value) {
  if (Change(FEnabled, Value))
    MenuChanged(false);
}

void TMenuItem::SetDefault(bool Value) {
  if (FDefault == Value)
    return;
  // One default item per list, as the platform keeps it.
  if (Value && FParent)
    for (TMenuItem* sibling : FParent->FItems)
      if (sibling != this)
        sibling->FDefault = false;
  FDefault = Value;
  MenuChanged(true);
}

void TMenuItem::SetVisible(bool Value) {
  if (Change(FVisible, Value))
    MenuChanged(true);
}

void TMenuItem::SetImageIndex(int Value) {
  if (Change(FImageIndex, Value))
    MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut Value) {
  if (Change(FShortCut, Value))
    MenuChanged(true);
}

void TMenuItem::SetRadioItem(bool Value) {
  if (FRadioItem == Value)
    return;
  FRadioItem = Value;
  if (Value && FChecked)
    TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetGroupIndex(BYTE Value) {
  if (FGroupIndex == Value)
    return;
  FGroupIndex = Value;
  if (FRadioItem && FChecked)
    TurnSiblingsOff();
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EMenuError("Menu index out of range (" + std::to_string(Index) + ")");
  return FItems[static_cast<std::size_t>(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  const auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item)
    return;
  for (const TMenuItem* p = this; p; p = p->FParent)
    if (p == Item)
      throw EMenuError("A menu item cannot be inserted into itself");
  if (Item->FMenu)
    throw EMenuError("The root item of a menu cannot be inserted into another item");
  if (Item->FParent)
    Item->FParent->Remove(Item);
  if (Index < 0 || Index > Count())
    throw EMenuError("Menu index out of range (" + std::to_string(Index) + ")");
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  if (Item->FRadioItem && Item->FChecked)
    Item->TurnSiblingsOff();
  SubItemChanged(Item, true);
}

void TMenuItem::Delete(int Index) {
  TMenuItem* item = Items(Index);
  FItems.erase(FItems.begin() + Index);
  item->FParent = nullptr;
  SubItemChanged(nullptr, true);
}

void TMenuItem::Remove(TMenuItem* Item) {
  const int i = IndexOf(Item);
  if (i < 0)
    throw EMenuError("The menu item is not a sub-item of this item");
  Delete(i);
}

void TMenuItem::Clear() {
  while (!FItems.empty())
    delete FItems.back();
}

int TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(int Value) {
  if (!FParent)
    return;
  TMenuItem* parent = FParent;
  const int count = parent->Count();
  Value = std::clamp(Value, 0, count - 1);
  if (Value == MenuIndex())
    return;
  auto& items = parent->FItems;
  items.erase(items.begin() + MenuIndex());
  items.insert(items.begin() + Value, this);
  parent->SubItemChanged(this, true);
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* i = this;
  while (i->FParent)
    i = i->FParent;
  return i->FMenu;
}

TMenuItem* TMenuItem::Find(std::string_view ACaption) const {
  const std::string wanted = WithoutPrefix(ACaption);
  for (TMenuItem* i : FItems)
    if (SameText(WithoutPrefix(i->FCaption), wanted))
      return i;
  return nullptr;
}

void TMenuItem::Click() {
  if (!FEnabled)
    return;
  if (FAutoCheck && !(FRadioItem && FChecked))
    SetChecked(!FChecked);
  RaiseEvent(OnClick, this);
}

void TMenuItem::MeasureItem(TCanvas& ACanvas, int& Width, int& Height) {
  RaiseEvent(OnMeasureItem, this, ACanvas, Width, Height);
}

void TMenuItem::DrawItem(TCanvas& ACanvas, const TRect& ARect, bool Selected) {
  if (OnDrawItem) {
    RaiseEvent(OnDrawItem, this, ACanvas, ARect, Selected);
    return;
  }
  const TMenu* menu = GetParentMenu();
  DrawMenuItemDefault(ACanvas, *this, ARect, Selected, menu ? menu->Images() : nullptr);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (FParent && FParent->FMenu)
    return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (auto* menu = dynamic_cast<TMenu*>(Value))
    menu->Items()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(Value))
    item->Add(this);
}

void TMenuItem::GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const {
  for (TMenuItem* i : FItems)
    if (i->Owner() == Root)
      Proc(i);
}

void TMenuItem::MenuChanged(bool Rebuild) {
  if (FParent)
    FParent->SubItemChanged(this, Rebuild);
  else if (FMenu)
    FMenu->MenuChanged(FMenu, this, Rebuild);
}

void TMenuItem::SubItemChanged(TMenuItem* Source, bool Rebuild) {
  if (FParent)
    FParent->SubItemChanged(Source, Rebuild);
  else if (FMenu)
    FMenu->MenuChanged(this, Source, Rebuild);
}

// ---- TMenu

const TClassInfo& TMenu::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TMenu>().Build();
  return Info;
}

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
  FItems = new TMenuItem(this);
  FItems->FMenu = this;
}

TMenu::~TMenu() {
  // Items that go now must not report to a menu that is half gone.
  Destroying();
  SetImages(nullptr);
  // The items go while this is still a menu: items it owns would otherwise be freed with the
  // component's owned list, after the root item, and report to a menu that is no longer one.
  delete FItems;
  FItems = nullptr;
}

void TMenu::SetImages(TImageList* Value) {
  if (ReplaceReference(FImages, Value))
    MenuChanged(this, nullptr, true);
}

void TMenu::SetOwnerDraw(bool Value) {
  if (FOwnerDraw == Value)
    return;
  FOwnerDraw = Value;
  MenuChanged(this, nullptr, true);
}

void TMenu::SetBiDiMode(TBiDiMode Value) {
  FBiDiMode = Value;
  FParentBiDiMode = false;
}

void TMenu::SetParentBiDiMode(bool Value) { FParentBiDiMode = Value; }

TMenuItem* TMenu::FindItemByShortCut(TShortCut Value) const {
  if (Value == scNone)
    return nullptr;
  std::function<TMenuItem*(const TMenuItem&)> search = [&](const TMenuItem& Parent) -> TMenuItem* {
    for (int i = 0; i < Parent.Count(); ++i) {
      TMenuItem* item = Parent.Items(i);
      if (!item->Enabled() || !item->Visible())
        continue;
      if (item->ShortCut() == Value)
        return item;
      if (TMenuItem* found = search(*item))
        return found;
    }
    return nullptr;
  };
  return search(*FItems);
}

bool TMenu::IsShortCut(TWMKey& Message) {
  const TShortCut wanted = ::ShortCut(Message.CharCode, KeyDataToShiftState(Message.KeyData));
  TMenuItem* item = FindItemByShortCut(wanted);
  if (!item)
    return false;
  item->Click();
  return true;
}

void TMenu::GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const {
  FItems->GetChildren(Proc, Root);
}

void TMenu::MenuChanged(TObject*, TMenuItem* Source, bool Rebuild) {
  const TComponentState state = ComponentState();
  if (state.Contains(csLoading) || state.Contains(csDestroying))
    return;
  RaiseEvent(OnChange, this, Source, Rebuild);
}

void TMenu::Loaded() {
  TComponent::Loaded();
  MenuChanged(this, nullptr, true);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    MenuChanged(this, nullptr, true);
  }
}

// ---- TPopupMenu

const TClassInfo& TPopupMenu::StaticClassInfo() {
  using T = TPopupMenu;
  static const TClassInfo Info = TClassBuilder<TPopupMenu>()
                                     .Enum("Alignment", &T::Alignment, &T::SetAlignment, PopupAlignmentInfo())
                                     .Default(paLeft)
                                     .Enum("AutoHotkeys", &T::AutoHotkeys, &T::SetAutoHotkeys, MenuAutoFlagInfo())
                                     .Default(maAutomatic)
                                     .Enum("AutoLineReduction", &T::AutoLineReduction, &T::SetAutoLineReduction,
                                           MenuAutoFlagInfo())
                                     .Default(maAutomatic)
                                     .Boolean("AutoPopup", &T::AutoPopup, &T::SetAutoPopup)
                                     .Default(true)
                                     .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
                                     .Stored(false)
                                     .Integer("HelpContext", &T::HelpContext, &T::SetHelpContext)
                                     .Default(0)
                                     .Component("Images", &T::Images, &T::SetImages)
                                     .Set("MenuAnimation", &T::MenuAnimation, &T::SetMenuAnimation, MenuAnimationsInfo())
                                     .Default(TMenuAnimation{})
                                     .Boolean("OwnerDraw", &T::OwnerDraw, &T::SetOwnerDraw)
                                     .Default(false)
                                     .Boolean("ParentBiDiMode", &T::ParentBiDiMode, &T::SetParentBiDiMode)
                                     .Default(true)
                                     .Enum("TrackButton", &T::TrackButton, &T::SetTrackButton, TrackButtonInfo())
                                     .Default(tbRightButton)
                                     .BRIVO_INHERITED_EVENT(OnChange)
                                     .Event("OnPopup", &T::OnPopup)
                                     .Build();
  return Info;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() { SetPopupComponent(nullptr); }

void TPopupMenu::SetPopupComponent(TComponent* Value) { ReplaceReference(FPopupComponent, Value); }

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMenu::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupComponent)
    FPopupComponent = nullptr;
}

void TPopupMenu::DoPopup(TObject* Sender) {
  RaiseEvent(OnPopup, Sender);
}

void TPopupMenu::Popup(int X, int Y) {
  if (MenuLoopActive())
    return;
  // OnPopup may free the menu (or fill it); check before going on.
  const UINT self = Items()->Command();
  DoPopup(this);
  if (!FindMenuItemByCommand(self))
    return;
  TMenuTrack track;
  track.Menu = this;
  track.Root = Items();
  track.At = {X, Y};
  track.Alignment = FAlignment;
  track.RightButtonChooses = FTrackButton == tbRightButton;
  if (const UINT command = TrackMenu(track))
    PostMenuCommand(command);
}

// ---- TMainMenu

const TClassInfo& TMainMenu::StaticClassInfo() {
  using T = TMainMenu;
  static const TClassInfo Info = TClassBuilder<TMainMenu>()
                                     .Enum("AutoHotkeys", &T::AutoHotkeys, &T::SetAutoHotkeys, MenuAutoFlagInfo())
                                     .Default(maAutomatic)
                                     .Enum("AutoLineReduction", &T::AutoLineReduction, &T::SetAutoLineReduction,
                                           MenuAutoFlagInfo())
                                     .Default(maAutomatic)
                                     .Boolean("AutoMerge", &T::AutoMerge, &T::SetAutoMerge)
                                     .Default(false)
                                     .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
                                     .Stored(false)
                                     .Component("Images", &T::Images, &T::SetImages)
                                     .Boolean("OwnerDraw", &T::OwnerDraw, &T::SetOwnerDraw)
                                     .Default(false)
                                     .Boolean("ParentBiDiMode", &T::ParentBiDiMode, &T::SetParentBiDiMode)
                                     .Default(true)
                                     .BRIVO_INHERITED_EVENT(OnChange)
                                     .Build();
  return Info;
}

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TMainMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
  TMenu::MenuChanged(Sender, Source, Rebuild);
  // The form showing it lays out and repaints its menu bar strip.
  if (FForm && FForm->Menu() == this)
    FForm->Perform(CM_MENUCHANGED, 0, reinterpret_cast<LPARAM>(this));
}

void RegisterMenuClasses() {
  RegisterClasses({&TMenuItem::StaticClassInfo(), &TPopupMenu::StaticClassInfo(), &TMainMenu::StaticClassInfo()});
}
