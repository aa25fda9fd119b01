#pragma once

// The syntax of stored forms: text in, a tree of object blocks out. Nothing here knows classes or
// properties; the reader (StoredForm.cpp) turns the tree into components.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TSourcePos {
  int Line = 1;
  int Column = 1;
};

// Length of the well-formed UTF-8 sequence at the start of S, or 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view S);

// "line 12, column 3: " for error messages.
std::string PositionText(TSourcePos Pos);

// Bounds that keep any input from nesting, allocating or running without limit.
struct TStoredFormLimits {
  static constexpr std::size_t MaxTextBytes = 64u << 20;
  static constexpr int MaxDepth = 64;               // object blocks and collections inside each other
  static constexpr std::size_t MaxStringBytes = 1u << 20;
  static constexpr std::size_t MaxBinaryBytes = 16u << 20;
  static constexpr std::size_t MaxElements = 200000; // properties, objects, items and set elements
  static constexpr int MaxPathSegments = 16;         // A.B.C = ...
};

struct TItemNode;

struct TValueNode {
  enum class TKind { Integer, Float, String, Ident, Set, Binary, Collection };
  TKind Kind = TKind::Integer;
  TSourcePos Pos;
  std::int64_t Integer = 0;
  // An integer written in hexadecimal ($FF000005), which may stand for an unsigned 32-bit value.
  bool Hex = false;
  double Float = 0;
  std::string Text; // String (UTF-8) or Ident
  struct TElement {
    std::string Name;
    TSourcePos Pos;
  };
  std::vector<TElement> Elements; // Set
  std::vector<std::uint8_t> Bytes; // Binary
  std::vector<TItemNode> Items;    // Collection
};

struct TPropertyNode {
  std::string Name; // dotted path as written (Font.Name)
  TSourcePos Pos;
  TValueNode Value;
};

struct TItemNode {
  TSourcePos Pos;
  std::vector<TPropertyNode> Properties;
};

struct TObjectNode {
  std::string Name; // empty for an anonymous object
  std::string ClassName;
  TSourcePos Pos;
  TSourcePos ClassPos;
  std::vector<TPropertyNode> Properties;
  std::vector<TObjectNode> Children;
};

// Parses one object block and nothing after it. Raises EReadError naming line, column and what was
// expected.
TObjectNode ParseStoredForm(std::string_view Text);
