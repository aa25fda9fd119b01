#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

// A colour as 0x00BBGGRR (red in the low byte). Values with the top byte 0xFF name system colours;
// as a signed 32-bit value they are negative, which is how stored forms write the unnamed ones.
using TColor = std::int32_t;

// A set of up to 64 enumeration values, bit N standing for the value whose ordinal is N: the
// platform's "set of TFontStyle". Published set properties are stored as this bit mask.
template <class E>
class TSet {
  static_assert(std::is_enum_v<E>, "a set holds values of an enumeration");

public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Values) {
    for (E v : Values)
      Include(v);
  }
  static constexpr TSet FromBits(std::uint64_t Bits) {
    TSet s;
    s.FBits = Bits;
    return s;
  }
  constexpr std::uint64_t Bits() const { return FBits; }
  constexpr bool Contains(E Value) const { return (FBits & Bit(Value)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E Value) {
    FBits |= Bit(Value);
    return *this;
  }
  constexpr TSet& Exclude(E Value) {
    FBits &= ~Bit(Value);
    return *this;
  }
  constexpr TSet operator+(TSet Other) const { return FromBits(FBits | Other.FBits); }
  constexpr TSet operator-(TSet Other) const { return FromBits(FBits & ~Other.FBits); }
  constexpr TSet operator*(TSet Other) const { return FromBits(FBits & Other.FBits); }
  friend constexpr bool operator==(TSet, TSet) = default;

private:
  static constexpr std::uint64_t Bit(E Value) {
    return std::uint64_t{1} << static_cast<unsigned>(static_cast<std::underlying_type_t<E>>(Value));
  }
  std::uint64_t FBits = 0;
};
