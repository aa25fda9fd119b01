#pragma once

#include <string>

// The folder of the running program, ending in a folder separator; empty when it cannot be found.
std::string ExecutableDirectory();

// The part of Path after its last folder separator ('/' here; on Windows also '\' and a drive's
// ':'), the whole of Path when it has none.
std::string ExtractFileName(const std::string& Path);
