#pragma once

#include "platform/core/Errors.h"
#include "platform/core/Persistent.h"
#include "platform/core/Types.h"

#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class TComponent;
class TCollection;
class TCollectionItem;
// Component.h: constructs a component and runs its AfterConstruction.
template <class T, class... A>
T* NewComponent(A&&... Args);

enum class TPropKind {
  Integer,
  Boolean,
  Enumeration,
  Set,
  String,
  Color,
  Float,
  Object,     // an owned sub-object, stored as dotted sub-properties (Font.Name)
  Component,  // a reference to a component, stored as its name and resolved after reading
  Collection, // a TCollection, stored as < item ... end >
  Event,      // a std::function, stored as the name of a published method of the root
  Binary,     // bytes, stored as {hex}
};

// The value names of an enumeration, ordinal 0 first; also the element names of a set property.
class TEnumInfo {
public:
  TEnumInfo(std::string TypeName, std::vector<std::string> Names);
  const std::string& TypeName() const { return FTypeName; }
  int Count() const { return static_cast<int>(FNames.size()); }
  // Throws EConvertError for an ordinal outside 0..Count()-1.
  const std::string& Name(std::int64_t Ordinal) const;
  // Letter case is ignored, as everywhere in published names.
  std::optional<int> Value(std::string_view Name) const;

private:
  std::string FTypeName;
  std::vector<std::string> FNames;
};

// The values of True and False.
const TEnumInfo& BooleanInfo();

// A published method bound to an event by its name. Stored forms put it into the event's
// std::function, so the writer can recover the name from the function's target.
template <class Sig>
struct TBoundMethod;
template <class R, class... A>
struct TBoundMethod<R(A...)> {
  std::string Name;
  TObject* Instance = nullptr;
  std::function<R(TObject*, A...)> Invoke;
  R operator()(A... Args) const { return Invoke(Instance, std::forward<A>(Args)...); }
};

// A published method: Invoker holds a std::function<R(TObject* Instance, A...)>.
struct TMethodInfo {
  std::string Name;
  std::any Invoker;
};

// A published component field of a root (TfrmBrivo::Label1): set to the owned component of that
// name when it is inserted or renamed, cleared when it goes.
struct TFieldInfo {
  std::string Name;
  const TClassInfo& (*Class)() = nullptr;
  std::function<void(TObject& Owner, TComponent* Value)> Set;
};

// Where an event is bound by name: the method's name and the object whose method it is.
struct TEventBinding {
  std::string MethodName;
  const TObject* Instance = nullptr;
};

// One published property. Only the accessors of its kind are set; use the functions below
// (GetOrdProp, SetStrProp, ...) rather than calling them directly.
struct TPropInfo {
  std::string Name;
  TPropKind Kind = TPropKind::Integer;
  const TEnumInfo* Enum = nullptr;           // Enumeration, Set (element names), Boolean
  std::string IdentKind;                     // Integer, Color: identifiers of values (RegisterIdents)
  const TClassInfo& (*RefClass)() = nullptr; // Component: the class a referenced component must have
  std::int64_t MinValue = std::numeric_limits<std::int64_t>::min();
  std::int64_t MaxValue = std::numeric_limits<std::int64_t>::max();
  std::optional<std::int64_t> OrdDefault;
  std::optional<std::string> StrDefault;
  std::optional<double> FloatDefault;
  std::function<bool(const TObject&)> Stored; // empty: always stored (subject to the default)

  std::function<std::int64_t(const TObject&)> GetOrd;
  std::function<void(TObject&, std::int64_t)> SetOrd;
  std::function<std::string(const TObject&)> GetStr;
  std::function<void(TObject&, const std::string&)> SetStr;
  std::function<double(const TObject&)> GetFloat;
  std::function<void(TObject&, double)> SetFloat;
  std::function<TObject*(const TObject&)> GetObj; // Object, Component, Collection
  std::function<void(TObject&, TObject*)> SetObj;
  std::function<std::vector<std::uint8_t>(const TObject&)> GetBinary;
  std::function<void(TObject&, std::span<const std::uint8_t>)> SetBinary;
  std::function<bool(const TObject&)> EventAssigned;
  std::function<std::optional<TEventBinding>(const TObject&)> GetEventBinding;
  std::function<bool(TObject&, TObject* Instance, const TMethodInfo&)> BindEvent; // false: wrong signature
  std::function<void(TObject&)> ClearEvent;

  bool IsOrdinal() const;
};

// A class's name, parent, published properties (inherited first, in declared order), published
// methods and fields, and how to create an instance by name.
class TClassInfo {
public:
  TClassInfo(TClassInfo&&) = default;
  std::string_view ClassName() const { return FName; }
  const TClassInfo* ClassParent() const { return FParent; }
  bool InheritsFrom(const TClassInfo& Other) const;

  const std::vector<const TPropInfo*>& Properties() const { return FPropList; }
  const TPropInfo* FindProperty(std::string_view Name) const;
  const TMethodInfo* FindMethod(std::string_view Name) const;
  const TFieldInfo* FindField(std::string_view Name) const;

  bool CanCreateComponent() const { return FCreateComponent != nullptr; }
  // A new instance owned by Owner, made as NewComponent makes it (constructed, then
  // AfterConstruction).
  TComponent* CreateComponent(TComponent* Owner) const;
  bool CanCreateItem() const { return FCreateItem != nullptr; }
  TCollectionItem* CreateItem(TCollection* Collection) const;

private:
  template <class T>
  friend class TClassBuilder;
  friend const TClassInfo& TObject::StaticClassInfo();
  TClassInfo() = default;

  std::string_view FName;
  const TClassInfo* FParent = nullptr;
  std::vector<std::shared_ptr<const TPropInfo>> FProps;
  std::vector<const TPropInfo*> FPropList;
  std::vector<TMethodInfo> FMethods;
  std::vector<TFieldInfo> FFields;
  TComponent* (*FCreateComponent)(TComponent*) = nullptr;
  TCollectionItem* (*FCreateItem)(TCollection*) = nullptr;
};

// Letter-case-insensitive comparison of ASCII names, as the class library compares identifiers.
bool SameText(std::string_view A, std::string_view B);

// ---- Class registry: classes that stored forms may create by name.
// Registering the same class twice is harmless; another class under a taken name raises EFilerError.
void RegisterClass(const TClassInfo& Class);
void RegisterClasses(std::initializer_list<const TClassInfo*> Classes);
const TClassInfo* GetClass(std::string_view ClassName);  // null when not registered
const TClassInfo& FindClass(std::string_view ClassName); // raises EClassNotFound

// ---- Identifiers of integer values per kind ("TColor": clRed = 255, "TCursor": crHandPoint = -21).
struct TIdentEntry {
  std::string Name;
  std::int64_t Value;
};
inline constexpr std::string_view ColorIdentKind = "TColor";
void RegisterIdents(std::string_view Kind, std::vector<TIdentEntry> Entries);
std::optional<std::int64_t> IdentToInt(std::string_view Kind, std::string_view Ident);
std::optional<std::string> IntToIdent(std::string_view Kind, std::int64_t Value);

// ---- Typed access to published properties by name. An unknown name or a property of another kind
// raises EPropertyError; every setter runs the class's own setter.
const TPropInfo* GetPropInfo(const TObject& Instance, std::string_view Name);
bool IsPublishedProp(const TObject& Instance, std::string_view Name);
const TPropInfo& FindPropInfo(const TObject& Instance, std::string_view Name); // raises

std::int64_t GetOrdProp(const TObject& Instance, const TPropInfo& Prop);
void SetOrdProp(TObject& Instance, const TPropInfo& Prop, std::int64_t Value); // range-checked
std::int64_t GetOrdProp(const TObject& Instance, std::string_view Name);
void SetOrdProp(TObject& Instance, std::string_view Name, std::int64_t Value);
std::string GetEnumProp(const TObject& Instance, std::string_view Name);
void SetEnumProp(TObject& Instance, std::string_view Name, std::string_view Value);
std::string GetSetProp(const TObject& Instance, std::string_view Name); // "fsBold,fsItalic"
void SetSetProp(TObject& Instance, std::string_view Name, std::string_view Value);
std::string GetStrProp(const TObject& Instance, std::string_view Name);
void SetStrProp(TObject& Instance, std::string_view Name, const std::string& Value);
double GetFloatProp(const TObject& Instance, std::string_view Name);
void SetFloatProp(TObject& Instance, std::string_view Name, double Value);
// Sub-object, collection or referenced component. Setting a sub-object assigns into it; setting a
// reference checks the referenced class.
TObject* GetObjectProp(const TObject& Instance, std::string_view Name);
void SetObjectProp(TObject& Instance, const TPropInfo& Prop, TObject* Value);
void SetObjectProp(TObject& Instance, std::string_view Name, TObject* Value);
std::vector<std::uint8_t> GetBinaryProp(const TObject& Instance, std::string_view Name);
void SetBinaryProp(TObject& Instance, std::string_view Name, std::span<const std::uint8_t> Value);
// Binds an event to the published method MethodName of Instance's class.
void SetMethodProp(TObject& Target, std::string_view Name, TObject& Instance, std::string_view MethodName);
// The name of the published method an event is bound to, or "" when it is unbound or bound to a
// plain callable.
std::string GetMethodProp(const TObject& Target, std::string_view Name);

// Whether the writer stores the property's current value: its stored condition holds and the value
// differs from its stored default (strings default to '', references and events to none).
bool IsStoredProp(const TObject& Instance, const TPropInfo& Prop);

namespace ClassInfoDetail {

template <class F>
struct TMemberFn;
template <class C, class R, class... A>
struct TMemberFn<R (C::*)(A...)> {
  using Result = R;
  using Args = std::tuple<A...>;
};
template <class C, class R, class... A>
struct TMemberFn<R (C::*)(A...) const> : TMemberFn<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct TMemberFn<R (C::*)(A...) noexcept> : TMemberFn<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct TMemberFn<R (C::*)(A...) const noexcept> : TMemberFn<R (C::*)(A...)> {};

template <class S>
using TSetterArg = std::remove_cvref_t<std::tuple_element_t<0, typename TMemberFn<S>::Args>>;
template <class G>
using TGetterResult = std::remove_cvref_t<typename TMemberFn<G>::Result>;

template <class T>
concept SetLike = requires(T v) {
  { v.Bits() } -> std::convertible_to<std::uint64_t>;
};

template <class V>
std::int64_t ToOrd(const V& Value) {
  if constexpr (SetLike<V>)
    return static_cast<std::int64_t>(Value.Bits());
  else
    return static_cast<std::int64_t>(Value);
}
template <class V>
V FromOrd(std::int64_t Value) {
  if constexpr (SetLike<V>)
    return V::FromBits(static_cast<std::uint64_t>(Value));
  else
    return static_cast<V>(Value);
}

template <class Sig>
struct TEventSig;
template <class R, class... A>
struct TEventSig<std::function<R(A...)>> {
  using Bound = TBoundMethod<R(A...)>;
  using Invoker = std::function<R(TObject*, A...)>;
};

} // namespace ClassInfoDetail

// Builds the class information of T, which must be declared with BRIVO_CLASS. Each property call
// adds one published property after those already added (and after the inherited ones); a property
// with an inherited name replaces the inherited entry and takes its new place. Default, Stored and
// Idents apply to the property added last.
template <class T>
class TClassBuilder {
  static_assert(std::is_same_v<typename T::TThisClass, T>, "declare the class with BRIVO_CLASS");

public:
  TClassBuilder() {
    FInfo.FName = T::StaticClassName;
    FInfo.FParent = &T::inherited::StaticClassInfo();
    FInfo.FProps = FInfo.FParent->FProps;
    if constexpr (!std::is_abstract_v<T> && std::is_base_of_v<TComponent, T> &&
                  std::is_constructible_v<T, TComponent*>)
      FInfo.FCreateComponent = [](TComponent* Owner) -> TComponent* { return NewComponent<T>(Owner); };
    if constexpr (!std::is_abstract_v<T> && std::is_base_of_v<TCollectionItem, T> &&
                  std::is_constructible_v<T, TCollection*>)
      FInfo.FCreateItem = [](TCollection* Collection) -> TCollectionItem* { return new T(Collection); };
  }

  template <class G, class S>
  TClassBuilder& Integer(std::string_view Name, G Get, S Set) {
    using P = ClassInfoDetail::TSetterArg<S>;
    static_assert(std::is_integral_v<P>, "an integer property takes an integral type");
    auto& p = AddOrdinal(Name, TPropKind::Integer, Get, Set);
    p.MinValue = std::numeric_limits<P>::min();
    p.MaxValue = static_cast<std::int64_t>(std::min<std::uint64_t>(
        std::numeric_limits<P>::max(), std::numeric_limits<std::int64_t>::max()));
    return *this;
  }
  template <class G, class S>
  TClassBuilder& Boolean(std::string_view Name, G Get, S Set) {
    auto& p = AddOrdinal(Name, TPropKind::Boolean, Get, Set);
    p.Enum = &BooleanInfo();
    p.MinValue = 0;
    p.MaxValue = 1;
    return *this;
  }
  template <class G, class S>
  TClassBuilder& Enum(std::string_view Name, G Get, S Set, const TEnumInfo& Values) {
    auto& p = AddOrdinal(Name, TPropKind::Enumeration, Get, Set);
    p.Enum = &Values;
    p.MinValue = 0;
    p.MaxValue = Values.Count() - 1;
    return *this;
  }
  template <class G, class S>
  TClassBuilder& Set(std::string_view Name, G Get, S Set, const TEnumInfo& Elements) {
    auto& p = AddOrdinal(Name, TPropKind::Set, Get, Set);
    p.Enum = &Elements;
    p.MinValue = 0;
    p.MaxValue = Elements.Count() >= 63 ? std::numeric_limits<std::int64_t>::max()
                                        : (std::int64_t{1} << Elements.Count()) - 1;
    return *this;
  }
  template <class G, class S>
  TClassBuilder& Color(std::string_view Name, G Get, S Set) {
    auto& p = AddOrdinal(Name, TPropKind::Color, Get, Set);
    p.IdentKind = ColorIdentKind;
    p.MinValue = std::numeric_limits<TColor>::min();
    p.MaxValue = std::numeric_limits<TColor>::max();
    return *this;
  }
  template <class G, class S>
  TClassBuilder& String(std::string_view Name, G Get, S Set) {
    auto& p = Add(Name, TPropKind::String);
    p.GetStr = [Get](const TObject& o) { return std::string(std::invoke(Get, Self(o))); };
    p.SetStr = [Set](TObject& o, const std::string& v) { std::invoke(Set, static_cast<T&>(o), v); };
    return *this;
  }
  template <class G, class S>
  TClassBuilder& Float(std::string_view Name, G Get, S Set) {
    using P = ClassInfoDetail::TSetterArg<S>;
    auto& p = Add(Name, TPropKind::Float);
    p.GetFloat = [Get](const TObject& o) { return static_cast<double>(std::invoke(Get, Self(o))); };
    p.SetFloat = [Set](TObject& o, double v) { std::invoke(Set, static_cast<T&>(o), static_cast<P>(v)); };
    return *this;
  }
  // A sub-object that the instance owns (Font, Picture, Constraints). Without a setter the reader
  // still writes the sub-object's own properties; with one, SetObjectProp assigns through it.
  template <class G>
  TClassBuilder& Object(std::string_view Name, G Get) {
    Add(Name, TPropKind::Object).GetObj = ObjectGetter(Get);
    return *this;
  }
  template <class G, class S>
  TClassBuilder& Object(std::string_view Name, G Get, S Set) {
    Object(Name, Get);
    Last().SetObj = ObjectSetter(Set);
    return *this;
  }
  template <class G, class S>
  TClassBuilder& Component(std::string_view Name, G Get, S Set) {
    using X = std::remove_pointer_t<ClassInfoDetail::TSetterArg<S>>;
    auto& p = Add(Name, TPropKind::Component);
    p.RefClass = &X::StaticClassInfo;
    p.GetObj = ObjectGetter(Get);
    p.SetObj = ObjectSetter(Set);
    return *this;
  }
  template <class G>
  TClassBuilder& Collection(std::string_view Name, G Get) {
    Add(Name, TPropKind::Collection).GetObj = ObjectGetter(Get);
    return *this;
  }
  // An event held in a public std::function member (TNotifyEvent OnClick).
  template <class F>
  TClassBuilder& Event(std::string_view Name, F T::*Member) {
    return Event(
        Name, [Member](const T& o) -> const F& { return o.*Member; },
        [Member](T& o, F v) { o.*Member = std::move(v); });
  }
  // An event read and written through functions, for one that lives in another object.
  template <class G, class S>
  TClassBuilder& Event(std::string_view Name, G Get, S Set) {
    using F = std::remove_cvref_t<std::invoke_result_t<G, const T&>>;
    using Sig = ClassInfoDetail::TEventSig<F>;
    auto& p = Add(Name, TPropKind::Event);
    p.EventAssigned = [Get](const TObject& o) { return static_cast<bool>(std::invoke(Get, Self(o))); };
    p.GetEventBinding = [Get](const TObject& o) -> std::optional<TEventBinding> {
      const F& f = std::invoke(Get, Self(o));
      if (const auto* bound = f.template target<typename Sig::Bound>())
        return TEventBinding{bound->Name, bound->Instance};
      return std::nullopt;
    };
    p.BindEvent = [Set](TObject& o, TObject* Instance, const TMethodInfo& Method) {
      const auto* invoker = std::any_cast<typename Sig::Invoker>(&Method.Invoker);
      if (invoker == nullptr)
        return false;
      std::invoke(Set, static_cast<T&>(o), F(typename Sig::Bound{Method.Name, Instance, *invoker}));
      return true;
    };
    p.ClearEvent = [Set](TObject& o) { std::invoke(Set, static_cast<T&>(o), F()); };
    return *this;
  }
  template <class G, class S>
  TClassBuilder& Binary(std::string_view Name, G Get, S Set) {
    auto& p = Add(Name, TPropKind::Binary);
    p.GetBinary = [Get](const TObject& o) { return std::vector<std::uint8_t>(std::invoke(Get, Self(o))); };
    p.SetBinary = [Set](TObject& o, std::span<const std::uint8_t> v) {
      const std::vector<std::uint8_t> bytes(v.begin(), v.end());
      std::invoke(Set, static_cast<T&>(o), bytes);
    };
    return *this;
  }

  // The stored default of the property added last: the writer omits a value equal to it.
  template <class V>
  TClassBuilder& Default(const V& Value) {
    TPropInfo& p = Last();
    if constexpr (std::is_convertible_v<const V&, std::string_view>)
      p.StrDefault = std::string(std::string_view(Value));
    else if constexpr (std::is_floating_point_v<V>)
      p.FloatDefault = Value;
    else if (p.Kind == TPropKind::Float)
      p.FloatDefault = static_cast<double>(ClassInfoDetail::ToOrd(Value));
    else
      p.OrdDefault = ClassInfoDetail::ToOrd(Value);
    return *this;
  }
  TClassBuilder& Stored(bool IsStored) {
    Last().Stored = [IsStored](const TObject&) { return IsStored; };
    return *this;
  }
  // A const member function of T that tells whether to store the value.
  TClassBuilder& Stored(bool (T::*IsStored)() const) {
    Last().Stored = [IsStored](const TObject& o) { return (static_cast<const T&>(o).*IsStored)(); };
    return *this;
  }
  // Values of an Integer property that are written by name when they have one.
  TClassBuilder& Idents(std::string_view Kind) {
    Last().IdentKind = Kind;
    return *this;
  }

  // A method that stored forms can bind to events of matching signature (OnShow = FormShow).
  template <class C, class R, class... A>
  TClassBuilder& Method(std::string_view Name, R (C::*Fn)(A...)) {
    std::function<R(TObject*, A...)> invoker = [Fn](TObject* Instance, A... Args) -> R {
      return (static_cast<T*>(Instance)->*Fn)(std::forward<A>(Args)...);
    };
    FInfo.FMethods.push_back(TMethodInfo{std::string(Name), std::move(invoker)});
    return *this;
  }
  // A component field set by name when an owned component of that name comes or goes.
  template <class X>
  TClassBuilder& Field(std::string_view Name, X* T::*Member) {
    FInfo.FFields.push_back(TFieldInfo{std::string(Name), &X::StaticClassInfo,
                                       [Member](TObject& Owner, TComponent* Value) {
                                         static_cast<T&>(Owner).*Member = static_cast<X*>(Value);
                                       }});
    return *this;
  }

  TClassInfo Build() {
    FInfo.FPropList.clear();
    for (const auto& p : FInfo.FProps)
      FInfo.FPropList.push_back(p.get());
    return std::move(FInfo);
  }

private:
  static T& Self(const TObject& o) { return const_cast<T&>(static_cast<const T&>(o)); }

  TPropInfo& Last() {
    if (!FLast)
      throw EPropertyError("no property to qualify in " + std::string(FInfo.FName));
    return *FLast;
  }

  TPropInfo& Add(std::string_view Name, TPropKind Kind) {
    auto p = std::make_shared<TPropInfo>();
    p->Name = Name;
    p->Kind = Kind;
    std::erase_if(FInfo.FProps, [&](const auto& q) { return SameText(q->Name, Name); });
    FInfo.FProps.push_back(p);
    FLast = p.get();
    return *p;
  }

  template <class G, class S>
  TPropInfo& AddOrdinal(std::string_view Name, TPropKind Kind, G Get, S Set) {
    using P = ClassInfoDetail::TSetterArg<S>;
    auto& p = Add(Name, Kind);
    p.GetOrd = [Get](const TObject& o) { return ClassInfoDetail::ToOrd(std::invoke(Get, Self(o))); };
    p.SetOrd = [Set](TObject& o, std::int64_t v) {
      std::invoke(Set, static_cast<T&>(o), ClassInfoDetail::FromOrd<P>(v));
    };
    return p;
  }

  template <class G>
  static std::function<TObject*(const TObject&)> ObjectGetter(G Get) {
    return [Get](const TObject& o) -> TObject* { return std::invoke(Get, Self(o)); };
  }
  template <class S>
  static std::function<void(TObject&, TObject*)> ObjectSetter(S Set) {
    using X = std::remove_cv_t<std::remove_pointer_t<ClassInfoDetail::TSetterArg<S>>>;
    return [Set](TObject& o, TObject* v) {
      if (v != nullptr && !v->InheritsFrom(X::StaticClassInfo()))
        throw EConvertError("Cannot assign a " + std::string(v->ClassName()) + " to a " +
                            std::string(X::StaticClassName));
      std::invoke(Set, static_cast<T&>(o), static_cast<X*>(v));
    };
  }

  TClassInfo FInfo;
  TPropInfo* FLast = nullptr;
};
