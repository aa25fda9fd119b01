#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

// A file that could not be written; the message names the file and what stood in the way.
class EFileWriteError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Writes Bytes to Path, replacing what it held. Raises EFileWriteError saying which fault stopped
// it: "cannot write 'out/a.png': the folder 'out' does not exist", "... it is a folder",
// "... permission denied", "... the disk is full". A regular file left half-written is removed.
void WriteWholeFile(const std::string& Path, std::span<const std::uint8_t> Bytes);
