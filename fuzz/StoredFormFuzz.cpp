// Reads arbitrary text as a stored form of the test classes. Any input must either read or raise
// EReadError; whatever reads must write, and what is written must read again.

#include "platform/core/StoredForm.h"
#include "tests/platform/core/TestClasses.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  RegisterTestClasses();
  const std::string_view text(reinterpret_cast<const char*>(Data), Size);
  std::string written;
  {
    TTestForm form(nullptr);
    try {
      ReadStoredForm(text, form);
    } catch (const EReadError&) {
      return 0;
    }
    try {
      written = WriteStoredForm(form);
    } catch (const EWriteError&) {
      return 0; // a float that was read as a number but has no text (none today)
    }
  }
  try {
    std::unique_ptr<TComponent> again(CreateFromStoredForm(written, nullptr));
  } catch (const EReadError& e) {
    std::fprintf(stderr, "written form does not read back: %s\n%s", e.what(), written.c_str());
    std::abort();
  }
  return 0;
}
