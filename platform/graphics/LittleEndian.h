#pragma once

#include <cstdint>
#include <vector>

// Little-endian integers as the platform's picture files store them.
inline void AppendU16(std::vector<std::uint8_t>& Out, unsigned Value) {
  Out.push_back(static_cast<std::uint8_t>(Value));
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
}

inline void AppendU32(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i)
    Out.push_back(static_cast<std::uint8_t>(Value >> (8 * i)));
}

// Reads at P, which the caller has checked holds enough bytes.
inline unsigned LoadU16(const std::uint8_t* P) { return P[0] | P[1] << 8; }
inline std::uint32_t LoadU32(const std::uint8_t* P) {
  return static_cast<std::uint32_t>(P[0]) | static_cast<std::uint32_t>(P[1]) << 8 |
         static_cast<std::uint32_t>(P[2]) << 16 | static_cast<std::uint32_t>(P[3]) << 24;
}
