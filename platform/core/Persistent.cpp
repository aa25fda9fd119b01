#include "platform/core/Persistent.h"

#include "platform/core/ClassInfo.h"

const TClassInfo& TObject::StaticClassInfo() {
  static const TClassInfo Info = [] {
    TClassInfo info;
    info.FName = StaticClassName;
    return info;
  }();
  return Info;
}

std::string_view TObject::ClassName() const { return ClassInfo().ClassName(); }

bool TObject::InheritsFrom(const TClassInfo& Class) const { return ClassInfo().InheritsFrom(Class); }

const TClassInfo& TPersistent::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TPersistent>().Build();
  return Info;
}

void TPersistent::Assign(const TPersistent* Source) {
  if (Source == nullptr)
    AssignError(nullptr);
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) const { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* Source) const {
  const std::string source = Source != nullptr ? std::string(Source->ClassName()) : "nil";
  throw EConvertError("Cannot assign a " + source + " to a " + std::string(ClassName()));
}
