#pragma once

// A system library opened when a program first needs it rather than by the loader at every start
// (Linux only: for the engines of this folder that speak to such libraries).

#include <dlfcn.h>

#include <stdexcept>
#include <string>

// Opens Soname and finds functions in it; raises std::runtime_error naming what failed, with What
// ("text", "PNG") before it. The library stays loaded for the process.
class TSharedLibrary {
public:
  TSharedLibrary(const char* What, const char* Soname)
      : FWhat(What), FSoname(Soname), FHandle(dlopen(Soname, RTLD_NOW | RTLD_LOCAL)) {
    if (!FHandle)
      throw std::runtime_error(FWhat + ": the library " + Soname + " cannot be loaded: " + dlerror());
  }
  template <class F> void operator()(const char* Name, F& Out) const {
    Out = reinterpret_cast<F>(dlsym(FHandle, Name));
    if (!Out)
      throw std::runtime_error(FWhat + ": the library " + FSoname + " has no " + Name);
  }

private:
  std::string FWhat;
  const char* FSoname;
  void* FHandle;
};
