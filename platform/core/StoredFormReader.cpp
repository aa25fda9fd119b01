#include "platform/core/Collection.h"
#include "platform/core/StoredForm.h"
#include "platform/core/StoredFormParser.h"
#include "platform/core/StartupTrace.h"

#include <algorithm>
#include <limits>

namespace {

[[noreturn]] void Fail(TSourcePos At, const std::string& Message) { throw EReadError(PositionText(At) + Message); }

std::string Quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

// Runs Action; an error that does not yet name a position is given At.
template <class F>
void At(TSourcePos Pos, F&& Action) {
  try {
    Action();
  } catch (const EReadError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    Fail(Pos, e.what());
  }
}

const char* ValueKindName(TValueNode::TKind Kind) {
  switch (Kind) {
  case TValueNode::TKind::Integer:
    return "an integer";
  case TValueNode::TKind::Float:
    return "a number";
  case TValueNode::TKind::String:
    return "a string";
  case TValueNode::TKind::Ident:
    return "an identifier";
  case TValueNode::TKind::Set:
    return "a set";
  case TValueNode::TKind::Binary:
    return "binary data";
  case TValueNode::TKind::Collection:
    return "a collection";
  }
  return "a value";
}

} // namespace

// Turns a parsed tree into components. Friend of TComponent for the loading flags and Loaded.
class TStoredFormReader {
public:
  explicit TStoredFormReader(TComponent& Root) : FRoot(Root) {}

  void Read(const TObjectNode& Node) {
    try {
      ReadRoot(Node);
      ResolveFixups();
      for (const auto& loaded : FLoaded)
        At(loaded.second, [&] { loaded.first->Loaded(); });
    } catch (...) {
      Abandon();
      throw;
    }
  }

private:
  struct TFixup {
    TObject* Instance;
    const TPropInfo* Prop;
    std::string Name;
    TSourcePos Pos;
    std::vector<const TCollectionItem*> Items; // the items it was read in, outermost first
  };

  void ReadRoot(const TObjectNode& Node) {
    if (!SameText(Node.ClassName, FRoot.ClassName()))
      Fail(Node.ClassPos, "expected class " + std::string(FRoot.ClassName()) + ", found " + Quoted(Node.ClassName));
    StartLoading(FRoot, Node.Pos);
    if (!Node.Name.empty())
      At(Node.Pos, [&] { FRoot.SetName(Node.Name); });
    ReadProperties(FRoot, Node.Properties);
    for (const TObjectNode& child : Node.Children)
      ReadComponent(child, FRoot);
    FRoot.SetStateFlag(csReading, false);
  }

  void StartLoading(TComponent& c, TSourcePos Pos) {
    c.SetStateFlag(csLoading, true);
    c.SetStateFlag(csReading, true);
    FLoaded.emplace_back(&c, Pos);
  }

  void ReadComponent(const TObjectNode& Node, TComponent& Parent) {
    const TClassInfo* cls = GetClass(Node.ClassName);
    if (cls == nullptr)
      Fail(Node.ClassPos, "unknown class " + Quoted(Node.ClassName));
    if (!cls->CanCreateComponent())
      Fail(Node.ClassPos, "class " + Quoted(Node.ClassName) + " is not a component class");
    if (const TFieldInfo* field = FRoot.ClassInfo().FindField(Node.Name); field && !cls->InheritsFrom(field->Class()))
      Fail(Node.ClassPos, "field " + Quoted(field->Name) + " of " + std::string(FRoot.ClassName()) + " is a " +
                              std::string(field->Class().ClassName()) + ", not a " + std::string(cls->ClassName()));
    TComponent* c = nullptr;
    At(Node.ClassPos, [&] { c = cls->CreateComponent(&FRoot); });
    FCreated.push_back(c);
    StartLoading(*c, Node.Pos);
    At(Node.Pos, [&] {
      c->SetName(Node.Name);
      c->SetParentComponent(&Parent);
    });
    if (c->HasParent() && c->GetParentComponent() == nullptr)
      Fail(Node.Pos, "a " + std::string(c->ClassName()) + " cannot be placed in a " + std::string(Parent.ClassName()));
    ReadProperties(*c, Node.Properties);
    for (const TObjectNode& child : Node.Children)
      ReadComponent(child, *c);
    c->SetStateFlag(csReading, false);
  }

  void ReadProperties(TObject& Instance, const std::vector<TPropertyNode>& Properties) {
    for (const TPropertyNode& p : Properties)
      ReadProperty(Instance, p);
  }

  void ReadProperty(TObject& Instance, const TPropertyNode& Node) {
    TObject* target = &Instance;
    std::string_view path = Node.Name;
    for (;;) {
      const auto dot = path.find('.');
      const std::string_view name = path.substr(0, dot);
      const TPropInfo* prop = target->ClassInfo().FindProperty(name);
      if (prop == nullptr)
        Fail(Node.Pos, "unknown property " + Quoted(name) + " of " + std::string(target->ClassName()));
      if (dot == std::string_view::npos) {
        At(Node.Value.Pos, [&] { ReadValue(*target, *prop, Node.Value); });
        return;
      }
      if (prop->Kind != TPropKind::Object)
        Fail(Node.Pos, "property " + Quoted(name) + " of " + std::string(target->ClassName()) + " has no sub-properties");
      TObject* sub = prop->GetObj(*target);
      if (sub == nullptr)
        Fail(Node.Pos, "property " + Quoted(name) + " of " + std::string(target->ClassName()) + " is not set");
      target = sub;
      path.remove_prefix(dot + 1);
    }
  }

  [[noreturn]] static void Expected(const TPropInfo& Prop, const char* What, const TValueNode& Value) {
    Fail(Value.Pos, std::string("expected ") + What + " for property " + Quoted(Prop.Name) + ", found " +
                        ValueKindName(Value.Kind));
  }

  void ReadValue(TObject& Instance, const TPropInfo& Prop, const TValueNode& Value) {
    using TKind = TValueNode::TKind;
    switch (Prop.Kind) {
    case TPropKind::Integer:
    case TPropKind::Color:
      SetOrdProp(Instance, Prop, IntegerValue(Prop, Value));
      return;
    case TPropKind::Boolean:
    case TPropKind::Enumeration: {
      if (Value.Kind != TKind::Ident)
        Expected(Prop, Prop.Kind == TPropKind::Boolean ? "True or False" : "an identifier", Value);
      const auto v = Prop.Enum->Value(Value.Text);
      if (!v)
        Fail(Value.Pos, Quoted(Value.Text) + " is not a value of " + Prop.Enum->TypeName());
      SetOrdProp(Instance, Prop, *v);
      return;
    }
    case TPropKind::Set: {
      if (Value.Kind != TKind::Set)
        Expected(Prop, "a set", Value);
      std::uint64_t bits = 0;
      for (const auto& e : Value.Elements) {
        const auto v = Prop.Enum->Value(e.Name);
        if (!v || *v >= 64)
          Fail(e.Pos, Quoted(e.Name) + " is not a value of " + Prop.Enum->TypeName());
        bits |= std::uint64_t{1} << *v;
      }
      SetOrdProp(Instance, Prop, static_cast<std::int64_t>(bits));
      return;
    }
    case TPropKind::String:
      if (Value.Kind != TKind::String)
        Expected(Prop, "a string", Value);
      Prop.SetStr(Instance, Value.Text);
      return;
    case TPropKind::Float:
      if (Value.Kind != TKind::Float && Value.Kind != TKind::Integer)
        Expected(Prop, "a number", Value);
      Prop.SetFloat(Instance, Value.Kind == TKind::Float ? Value.Float : static_cast<double>(Value.Integer));
      return;
    case TPropKind::Object:
      Fail(Value.Pos, "property " + Quoted(Prop.Name) + " is an object: give its properties (" + Prop.Name + ".Name = ...)");
    case TPropKind::Component:
      if (Value.Kind != TKind::Ident)
        Expected(Prop, "a component name", Value);
      ReadReference(Instance, Prop, Value);
      return;
    case TPropKind::Collection:
      if (Value.Kind != TKind::Collection)
        Expected(Prop, "a collection", Value);
      ReadCollection(Instance, Prop, Value);
      return;
    case TPropKind::Event:
      if (Value.Kind != TKind::Ident)
        Expected(Prop, "a method name", Value);
      if (SameText(Value.Text, "nil"))
        Prop.ClearEvent(Instance);
      else
        SetMethodProp(Instance, Prop.Name, FRoot, Value.Text);
      return;
    case TPropKind::Binary:
      if (Value.Kind != TKind::Binary)
        Expected(Prop, "binary data", Value);
      Prop.SetBinary(Instance, Value.Bytes);
      return;
    }
  }

  static std::int64_t IntegerValue(const TPropInfo& Prop, const TValueNode& Value) {
    if (Value.Kind == TValueNode::TKind::Ident) {
      if (Prop.IdentKind.empty())
        Expected(Prop, "an integer", Value);
      const auto v = IdentToInt(Prop.IdentKind, Value.Text);
      if (!v)
        Fail(Value.Pos, "unknown value " + Quoted(Value.Text) + " for property " + Quoted(Prop.Name));
      return *v;
    }
    if (Value.Kind != TValueNode::TKind::Integer)
      Expected(Prop, "an integer", Value);
    std::int64_t v = Value.Integer;
    // $FF000005 names a system colour: a 32-bit pattern, negative as a signed colour.
    if (Prop.Kind == TPropKind::Color && Value.Hex && v > std::numeric_limits<TColor>::max() && v <= 0xFFFFFFFF)
      v = static_cast<TColor>(static_cast<std::uint32_t>(v));
    if (v < Prop.MinValue || v > Prop.MaxValue)
      Fail(Value.Pos, std::to_string(Value.Integer) + " is out of range for property " + Quoted(Prop.Name));
    return v;
  }

  TComponent* FindReference(std::string_view Name) const {
    if (!FRoot.Name().empty() && SameText(FRoot.Name(), Name))
      return &FRoot;
    return FRoot.FindComponent(Name);
  }

  void ReadReference(TObject& Instance, const TPropInfo& Prop, const TValueNode& Value) {
    if (SameText(Value.Text, "nil")) {
      SetObjectProp(Instance, Prop, nullptr);
      return;
    }
    if (TComponent* c = FindReference(Value.Text)) {
      SetReference(Instance, Prop, c, Value.Pos);
      return;
    }
    FFixups.push_back({&Instance, &Prop, Value.Text, Value.Pos, FItemStack});
  }

  void SetReference(TObject& Instance, const TPropInfo& Prop, TComponent* c, TSourcePos Pos) {
    const TClassInfo& wanted = Prop.RefClass();
    if (!c->InheritsFrom(wanted))
      Fail(Pos, "component " + Quoted(c->Name()) + " is a " + std::string(c->ClassName()) + ", not a " +
                    std::string(wanted.ClassName()));
    At(Pos, [&] { SetObjectProp(Instance, Prop, c); });
  }

  void ResolveFixups() {
    for (const TFixup& f : FFixups) {
      TComponent* c = FindReference(f.Name);
      if (c == nullptr)
        Fail(f.Pos, "unknown component " + Quoted(f.Name));
      SetReference(*f.Instance, *f.Prop, c, f.Pos);
    }
    FFixups.clear();
  }

  void ReadCollection(TObject& Instance, const TPropInfo& Prop, const TValueNode& Value) {
    auto* collection = dynamic_cast<TCollection*>(Prop.GetObj(Instance));
    if (collection == nullptr)
      Fail(Value.Pos, "property " + Quoted(Prop.Name) + " is not set");
    collection->BeginUpdate();
    try {
      // The same collection may be stored twice; references waiting in the items it drops must go.
      std::erase_if(FFixups, [&](const TFixup& f) {
        return std::any_of(f.Items.begin(), f.Items.end(),
                           [&](const TCollectionItem* i) { return i->Collection() == collection; });
      });
      collection->Clear();
      for (const TItemNode& item : Value.Items) {
        TCollectionItem* added = nullptr;
        At(item.Pos, [&] { added = collection->Add(); });
        FItemStack.push_back(added);
        ReadProperties(*added, item.Properties);
        FItemStack.pop_back();
      }
    } catch (...) {
      collection->EndUpdate();
      throw;
    }
    collection->EndUpdate();
  }

  // Frees what this read created and leaves the root as it was left, no longer loading.
  void Abandon() {
    FFixups.clear();
    for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it) {
      // A component may already be gone with another it belonged to; look it up by address only.
      bool present = false;
      for (int i = 0; i < FRoot.ComponentCount() && !present; ++i)
        present = FRoot.Components(i) == *it;
      if (present)
        delete *it;
    }
    FRoot.SetStateFlag(csReading, false);
    FRoot.SetStateFlag(csLoading, false);
  }

  TComponent& FRoot;
  std::vector<TComponent*> FCreated;
  std::vector<std::pair<TComponent*, TSourcePos>> FLoaded;
  std::vector<TFixup> FFixups;
  std::vector<const TCollectionItem*> FItemStack;
};

void ReadStoredForm(std::string_view Text, TComponent& Root) {
  const TObjectNode tree = ParseStoredForm(Text);
  TStoredFormReader(Root).Read(tree);
  StartupMark("stored form read");
}

TComponent* CreateFromStoredForm(std::string_view Text, TComponent* Owner) {
  const TObjectNode tree = ParseStoredForm(Text);
  const TClassInfo* cls = GetClass(tree.ClassName);
  if (cls == nullptr)
    Fail(tree.ClassPos, "unknown class " + Quoted(tree.ClassName));
  if (!cls->CanCreateComponent())
    Fail(tree.ClassPos, "class " + Quoted(tree.ClassName) + " is not a component class");
  TComponent* root = nullptr;
  At(tree.ClassPos, [&] { root = cls->CreateComponent(Owner); });
  try {
    TStoredFormReader(*root).Read(tree);
  } catch (...) {
    delete root;
    throw;
  }
  return root;
}
