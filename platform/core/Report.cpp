#include "platform/core/Report.h"

#include <cstdio>

namespace {

std::string& Name() {
  static std::string name = "brivo";
  return name;
}

} // namespace

const std::string& ProgramName() { return Name(); }

void SetProgramName(std::string Value) { Name() = std::move(Value); }

void ReportLine(const std::string& Line) {
  const std::string text = Name() + ": " + Line + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::string OneLineText(std::string_view Text, std::size_t Max) {
  std::string out;
  for (char c : Text.substr(0, Max))
    out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
  return out;
}
