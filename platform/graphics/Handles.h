#pragma once

#include <cstdint>

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
