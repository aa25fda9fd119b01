#pragma once

#include "platform/core/Errors.h"

#include <cstdint>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// A theme file that cannot be opened or is malformed; the message names the file and the fault.
class EThemeFileError : public Exception {
  using Exception::Exception;
};

// Theme file layout: a 24-byte header whose bytes 12..15 give the header length and 20..23 the
// offset of the first record, then a chain of 77-byte records (64-byte name, kind, data offset,
// data size, next record) ended by a record whose next offset is 0. All integers little-endian.
namespace ThemeFileLayout {
constexpr std::uint32_t HeaderSize = 24;
constexpr std::uint32_t HeaderLengthAt = 12;
constexpr std::uint32_t FirstRecordAt = 20;
constexpr std::uint32_t NameSize = 64;
constexpr std::uint32_t RecordSize = 77;
constexpr std::uint32_t KindAt = 64; // within a record, as the three that follow
constexpr std::uint32_t DataOffsetAt = 65;
constexpr std::uint32_t DataSizeAt = 69;
constexpr std::uint32_t NextRecordAt = 73;
enum TEntryKind : std::uint8_t { ekPicture = 0, ekInteger = 1, ekFlag = 2, ekText = 3 };
} // namespace ThemeFileLayout

// Reads a whole theme file once and answers lookups by entry name (letter case ignored; the first
// of several entries with one name wins). Immutable after construction.
class TzykThemeFileReader {
public:
  explicit TzykThemeFileReader(const std::string& FileName);
  // The same, for a file already in memory; FileName only names it in error messages.
  TzykThemeFileReader(const std::string& FileName, std::span<const std::uint8_t> Contents);

  // The picture stream of the first picture named Name, rewound; null when there is none. The
  // reader keeps owning the stream.
  std::istream* GetFile(std::string_view Name);
  // The first integer entry named Name; -1 when there is none.
  int GetInt(std::string_view Name) const;
  // The first flag entry named Name; False when there is none.
  bool GetBool(std::string_view Name) const;

  // What was loaded, in file order: picture names, and "Name=value" lines of the other kinds.
  std::vector<std::string> PictureNames() const;
  const std::vector<std::string>& Integers() const { return FIntegers; }
  const std::vector<std::string>& Flags() const { return FFlags; }
  const std::vector<std::string>& Texts() const { return FTexts; }

private:
  struct TPicture {
    std::string Name;
    std::unique_ptr<std::istringstream> Stream;
  };

  void Load(const std::string& FileName, std::span<const std::uint8_t> Contents);

  std::vector<TPicture> FPictures;
  std::vector<std::string> FIntegers;
  std::vector<std::string> FFlags;
  std::vector<std::string> FTexts;
};

// Builds a theme file: records follow the header in the order added, the terminator after them,
// then the data blocks.
class TzykThemeFileWriter {
public:
  void AddPicture(std::string_view Name, std::span<const std::uint8_t> BitmapFile);
  void AddInt(std::string_view Name, std::int32_t Value);
  void AddFlag(std::string_view Name, std::uint8_t Value);
  void AddText(std::string_view Name, std::string_view Text);

  std::vector<std::uint8_t> Bytes() const;
  // Raises EThemeFileError when the file cannot be written.
  void SaveToFile(const std::string& FileName) const;

private:
  struct TEntry {
    std::string Name;
    ThemeFileLayout::TEntryKind Kind;
    std::vector<std::uint8_t> Data;
  };
  void Add(std::string_view Name, ThemeFileLayout::TEntryKind Kind, std::vector<std::uint8_t> Data);

  std::vector<TEntry> FEntries;
};
