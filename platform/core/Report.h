#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The program's few lines to its user on standard error ("brivo: the connection ... was lost").
// Every such line starts with the program's name, so a line seen in a terminal or a log says who
// wrote it; the program sets the name once at start (the platform layers cannot know it).

// "brivo" until the program names itself.
const std::string& ProgramName();
void SetProgramName(std::string Name);
// Writes "NAME: Line" and a line break to standard error, in one write.
void ReportLine(const std::string& Line);
// Text from outside (an environment variable, another program's message) fit for such a line: its
// control characters become spaces, and it is cut after Max bytes.
std::string OneLineText(std::string_view Text, std::size_t Max);
