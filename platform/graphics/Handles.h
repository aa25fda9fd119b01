#pragma once

#include <cstdint>
#include <unordered_map>
#include <utility>

// Handles of the drawing objects the platform's calls hand out: fonts and icons (kept here, where
// TFont and TIcon can take and give them) and regions (kept by the message layer). They are opaque
// numbers checked against their tables, so a stale or forged handle is refused, never dereferenced;
// all kinds share one numbering, so no two live objects ever have the same handle.
struct HFONT__;
using HFONT = HFONT__*;
struct HICON__;
using HICON = HICON__*;

// A handle value never handed out before.
std::uintptr_t NewObjectHandleValue();

// The objects behind the handles of one kind.
template <class H, class T>
class THandleTable {
public:
  H Add(T Object) {
    const H h = reinterpret_cast<H>(NewObjectHandleValue());
    FObjects.emplace(h, std::move(Object));
    return h;
  }
  // The object of a live handle; nullptr for a stale or unknown one.
  const T* Find(H Handle) const {
    auto it = FObjects.find(Handle);
    return it == FObjects.end() ? nullptr : &it->second;
  }
  bool Remove(H Handle) { return FObjects.erase(Handle) != 0; }
  int Count() const { return static_cast<int>(FObjects.size()); }

private:
  std::unordered_map<H, T> FObjects;
};
