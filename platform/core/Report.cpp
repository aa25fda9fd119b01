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
