#pragma once

#include <functional>
#include <string_view>

class TClassInfo;
class TObject;

// Declares a class's class information; write it first in the class body (it leaves the access at
// private). The information itself is defined in the class's source file with TClassBuilder
// (platform/core/ClassInfo.h). `inherited` names the parent class, as in the class library.
#define BRIVO_CLASS(ClassT, ParentT)                                                                \
public:                                                                                            \
  using inherited = ParentT;                                                                       \
  using TThisClass = ClassT;                                                                       \
  static constexpr std::string_view StaticClassName = #ClassT;                                     \
  static const TClassInfo& StaticClassInfo();                                                      \
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }                       \
                                                                                                   \
private:

// The root of every class with class information.
class TObject {
public:
  using TThisClass = TObject;
  static constexpr std::string_view StaticClassName = "TObject";

  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static const TClassInfo& StaticClassInfo();
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }

  std::string_view ClassName() const;
  // Whether this object's class is Class or derives from it.
  bool InheritsFrom(const TClassInfo& Class) const;
  template <class T>
  bool Is() const {
    return InheritsFrom(T::StaticClassInfo());
  }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// An object whose state can be copied from another and stored in a form.
class TPersistent : public TObject {
  BRIVO_CLASS(TPersistent, TObject)

public:
  // Copies Source into this object. A class that knows Source's class overrides this; otherwise
  // Source is asked to copy itself here (AssignTo), and when neither knows the other this raises
  // EConvertError "Cannot assign a TX to a TY". Source may be null ("nil").
  virtual void Assign(const TPersistent* Source);
  // The object that owns this one for naming and change routing (a collection's owner, an item's
  // collection); null when none.
  virtual TPersistent* GetOwner() const { return nullptr; }

protected:
  // Copies this object into Dest; the fallback of Dest->Assign(this).
  virtual void AssignTo(TPersistent* Dest) const;
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};
