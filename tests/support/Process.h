#pragma once

#include <string>
#include <vector>

// Runs a program with an argument vector (no shell), waits for it, and returns its exit status
// (-1 when it could not be started or did not exit normally). Its standard output is collected
// into Output when given.
int RunProcess(const std::vector<std::string>& Argv, std::string* Output = nullptr,
               const std::vector<std::string>& ExtraEnvironment = {});
