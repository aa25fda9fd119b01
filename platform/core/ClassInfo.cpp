#include "platform/core/ClassInfo.h"

#include <algorithm>
#include <map>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(), LowerAscii);
  return r;
}

std::string Quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

[[noreturn]] void WrongKind(const TObject& Instance, const TPropInfo& Prop, std::string_view Wanted) {
  throw EPropertyError("property " + Quoted(Prop.Name) + " of " + std::string(Instance.ClassName()) +
                       " is not " + std::string(Wanted));
}

struct TRegistries {
  std::map<std::string, const TClassInfo*> Classes; // by lower-case name
  std::map<std::string, std::vector<TIdentEntry>> Idents;
};

TRegistries& Registries() {
  static TRegistries r;
  return r;
}

} // namespace

bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() &&
         std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

TEnumInfo::TEnumInfo(std::string TypeName, std::vector<std::string> Names)
    : FTypeName(std::move(TypeName)), FNames(std::move(Names)) {}

const std::string& TEnumInfo::Name(std::int64_t Ordinal) const {
  if (Ordinal < 0 || Ordinal >= Count())
    throw EConvertError(std::to_string(Ordinal) + " is not a value of " + FTypeName);
  return FNames[static_cast<std::size_t>(Ordinal)];
}

std::optional<int> TEnumInfo::Value(std::string_view Name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(FNames[static_cast<std::size_t>(i)], Name))
      return i;
  return std::nullopt;
}

const TEnumInfo& BooleanInfo() {
  static const TEnumInfo Info("Boolean", {"False", "True"});
  return Info;
}

bool TPropInfo::IsOrdinal() const {
  switch (Kind) {
  case TPropKind::Integer:
  case TPropKind::Boolean:
  case TPropKind::Enumeration:
  case TPropKind::Set:
  case TPropKind::Color:
    return true;
  default:
    return false;
  }
}

bool TClassInfo::InheritsFrom(const TClassInfo& Other) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->FParent)
    if (c == &Other)
      return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view Name) const {
  for (const TPropInfo* p : FPropList)
    if (SameText(p->Name, Name))
      return p;
  return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view Name) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->FParent)
    for (const TMethodInfo& m : c->FMethods)
      if (SameText(m.Name, Name))
        return &m;
  return nullptr;
}

const TFieldInfo* TClassInfo::FindField(std::string_view Name) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->FParent)
    for (const TFieldInfo& f : c->FFields)
      if (SameText(f.Name, Name))
        return &f;
  return nullptr;
}

TComponent* TClassInfo::CreateComponent(TComponent* Owner) const {
  if (!FCreateComponent)
    throw EClassNotFound("class " + std::string(FName) + " cannot be created as a component");
  return FCreateComponent(Owner);
}

TCollectionItem* TClassInfo::CreateItem(TCollection* Collection) const {
  if (!FCreateItem)
    throw EClassNotFound("class " + std::string(FName) + " cannot be created as a collection item");
  return FCreateItem(Collection);
}

void RegisterClass(const TClassInfo& Class) {
  auto [it, added] = Registries().Classes.emplace(Lower(Class.ClassName()), &Class);
  if (!added && it->second != &Class)
    throw EFilerError("A class named " + std::string(Class.ClassName()) + " already exists");
}

void RegisterClasses(std::initializer_list<const TClassInfo*> Classes) {
  for (const TClassInfo* c : Classes)
    RegisterClass(*c);
}

const TClassInfo* GetClass(std::string_view ClassName) {
  const auto& classes = Registries().Classes;
  auto it = classes.find(Lower(ClassName));
  return it == classes.end() ? nullptr : it->second;
}

const TClassInfo& FindClass(std::string_view ClassName) {
  if (const TClassInfo* c = GetClass(ClassName))
    return *c;
  throw EClassNotFound("Class " + std::string(ClassName) + " not found");
}

void RegisterIdents(std::string_view Kind, std::vector<TIdentEntry> Entries) {
  auto& list = Registries().Idents[std::string(Kind)];
  list.insert(list.end(), std::make_move_iterator(Entries.begin()), std::make_move_iterator(Entries.end()));
}

std::optional<std::int64_t> IdentToInt(std::string_view Kind, std::string_view Ident) {
  const auto& idents = Registries().Idents;
  auto it = idents.find(std::string(Kind));
  if (it != idents.end())
    for (const TIdentEntry& e : it->second)
      if (SameText(e.Name, Ident))
        return e.Value;
  return std::nullopt;
}

std::optional<std::string> IntToIdent(std::string_view Kind, std::int64_t Value) {
  const auto& idents = Registries().Idents;
  auto it = idents.find(std::string(Kind));
  if (it != idents.end())
    for (const TIdentEntry& e : it->second)
      if (e.Value == Value)
        return e.Name;
  return std::nullopt;
}

const TPropInfo* GetPropInfo(const TObject& Instance, std::string_view Name) {
  return Instance.ClassInfo().FindProperty(Name);
}

bool IsPublishedProp(const TObject& Instance, std::string_view Name) { return GetPropInfo(Instance, Name) != nullptr; }

const TPropInfo& FindPropInfo(const TObject& Instance, std::string_view Name) {
  if (const TPropInfo* p = GetPropInfo(Instance, Name))
    return *p;
  throw EPropertyError("unknown property " + Quoted(Name) + " of " + std::string(Instance.ClassName()));
}

std::int64_t GetOrdProp(const TObject& Instance, const TPropInfo& Prop) {
  if (!Prop.IsOrdinal())
    WrongKind(Instance, Prop, "ordinal");
  return Prop.GetOrd(Instance);
}

void SetOrdProp(TObject& Instance, const TPropInfo& Prop, std::int64_t Value) {
  if (!Prop.IsOrdinal())
    WrongKind(Instance, Prop, "ordinal");
  if (!Prop.SetOrd)
    throw EPropertyError("property " + Quoted(Prop.Name) + " is read-only");
  if (Value < Prop.MinValue || Value > Prop.MaxValue)
    throw EPropertyError(std::to_string(Value) + " is out of range for property " + Quoted(Prop.Name));
  Prop.SetOrd(Instance, Value);
}

std::int64_t GetOrdProp(const TObject& Instance, std::string_view Name) {
  return GetOrdProp(Instance, FindPropInfo(Instance, Name));
}

void SetOrdProp(TObject& Instance, std::string_view Name, std::int64_t Value) {
  SetOrdProp(Instance, FindPropInfo(Instance, Name), Value);
}

std::string GetEnumProp(const TObject& Instance, std::string_view Name) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::Enumeration && p.Kind != TPropKind::Boolean)
    WrongKind(Instance, p, "an enumeration");
  return p.Enum->Name(p.GetOrd(Instance));
}

void SetEnumProp(TObject& Instance, std::string_view Name, std::string_view Value) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::Enumeration && p.Kind != TPropKind::Boolean)
    WrongKind(Instance, p, "an enumeration");
  const auto v = p.Enum->Value(Value);
  if (!v)
    throw EPropertyError(Quoted(Value) + " is not a value of " + p.Enum->TypeName());
  SetOrdProp(Instance, p, *v);
}

std::string GetSetProp(const TObject& Instance, std::string_view Name) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::Set)
    WrongKind(Instance, p, "a set");
  const auto bits = static_cast<std::uint64_t>(p.GetOrd(Instance));
  std::string r;
  for (int i = 0; i < p.Enum->Count() && i < 64; ++i)
    if (bits & (std::uint64_t{1} << i)) {
      if (!r.empty())
        r += ',';
      r += p.Enum->Name(i);
    }
  return r;
}

void SetSetProp(TObject& Instance, std::string_view Name, std::string_view Value) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::Set)
    WrongKind(Instance, p, "a set");
  std::uint64_t bits = 0;
  while (!Value.empty()) {
    const auto comma = Value.find(',');
    std::string_view element = Value.substr(0, comma);
    Value = comma == std::string_view::npos ? std::string_view() : Value.substr(comma + 1);
    while (!element.empty() && element.front() == ' ')
      element.remove_prefix(1);
    while (!element.empty() && element.back() == ' ')
      element.remove_suffix(1);
    const auto v = p.Enum->Value(element);
    if (!v)
      throw EPropertyError(Quoted(element) + " is not a value of " + p.Enum->TypeName());
    bits |= std::uint64_t{1} << *v;
  }
  SetOrdProp(Instance, p, static_cast<std::int64_t>(bits));
}

std::string GetStrProp(const TObject& Instance, std::string_view Name) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::String)
    WrongKind(Instance, p, "a string");
  return p.GetStr(Instance);
}

void SetStrProp(TObject& Instance, std::string_view Name, const std::string& Value) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::String)
    WrongKind(Instance, p, "a string");
  p.SetStr(Instance, Value);
}

double GetFloatProp(const TObject& Instance, std::string_view Name) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::Float)
    WrongKind(Instance, p, "a float");
  return p.GetFloat(Instance);
}

void SetFloatProp(TObject& Instance, std::string_view Name, double Value) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::Float)
    WrongKind(Instance, p, "a float");
  p.SetFloat(Instance, Value);
}

TObject* GetObjectProp(const TObject& Instance, std::string_view Name) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (!p.GetObj)
    WrongKind(Instance, p, "an object");
  return p.GetObj(Instance);
}

void SetObjectProp(TObject& Instance, const TPropInfo& Prop, TObject* Value) {
  if (!Prop.GetObj)
    WrongKind(Instance, Prop, "an object");
  if (Prop.SetObj) {
    Prop.SetObj(Instance, Value);
    return;
  }
  // A sub-object without a setter still takes an assignment into the object it holds.
  auto* target = dynamic_cast<TPersistent*>(Prop.GetObj(Instance));
  if (target == nullptr || Prop.Kind == TPropKind::Component)
    throw EPropertyError("property " + Quoted(Prop.Name) + " is read-only");
  auto* source = dynamic_cast<TPersistent*>(Value);
  if (Value != nullptr && source == nullptr)
    throw EConvertError("Cannot assign a " + std::string(Value->ClassName()) + " to a " +
                        std::string(target->ClassName()));
  target->Assign(source);
}

void SetObjectProp(TObject& Instance, std::string_view Name, TObject* Value) {
  SetObjectProp(Instance, FindPropInfo(Instance, Name), Value);
}

std::vector<std::uint8_t> GetBinaryProp(const TObject& Instance, std::string_view Name) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::Binary)
    WrongKind(Instance, p, "binary data");
  return p.GetBinary(Instance);
}

void SetBinaryProp(TObject& Instance, std::string_view Name, std::span<const std::uint8_t> Value) {
  const TPropInfo& p = FindPropInfo(Instance, Name);
  if (p.Kind != TPropKind::Binary)
    WrongKind(Instance, p, "binary data");
  p.SetBinary(Instance, Value);
}

void SetMethodProp(TObject& Target, std::string_view Name, TObject& Instance, std::string_view MethodName) {
  const TPropInfo& p = FindPropInfo(Target, Name);
  if (p.Kind != TPropKind::Event)
    WrongKind(Target, p, "an event");
  const TMethodInfo* m = Instance.ClassInfo().FindMethod(MethodName);
  if (m == nullptr)
    throw EPropertyError("unknown method " + Quoted(MethodName) + " of " + std::string(Instance.ClassName()));
  if (!p.BindEvent(Target, &Instance, *m))
    throw EPropertyError("method " + Quoted(m->Name) + " of " + std::string(Instance.ClassName()) +
                         " does not match event " + Quoted(p.Name));
}

std::string GetMethodProp(const TObject& Target, std::string_view Name) {
  const TPropInfo& p = FindPropInfo(Target, Name);
  if (p.Kind != TPropKind::Event)
    WrongKind(Target, p, "an event");
  const auto binding = p.GetEventBinding(Target);
  return binding ? binding->MethodName : std::string();
}

bool IsStoredProp(const TObject& Instance, const TPropInfo& Prop) {
  if (Prop.Stored && !Prop.Stored(Instance))
    return false;
  switch (Prop.Kind) {
  case TPropKind::String:
    return Prop.GetStr(Instance) != Prop.StrDefault.value_or(std::string());
  case TPropKind::Float:
    return !Prop.FloatDefault || Prop.GetFloat(Instance) != *Prop.FloatDefault;
  case TPropKind::Object:
  case TPropKind::Component:
    return Prop.GetObj(Instance) != nullptr;
  case TPropKind::Collection:
    return Prop.GetObj(Instance) != nullptr;
  case TPropKind::Event:
    return Prop.EventAssigned(Instance);
  case TPropKind::Binary:
    return !Prop.GetBinary(Instance).empty();
  default:
    return !Prop.OrdDefault || Prop.GetOrd(Instance) != *Prop.OrdDefault;
  }
}
