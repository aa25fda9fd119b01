#include "skin/foundation/ZYKThemeFile.h"

#include "platform/core/ClassInfo.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_set>

using namespace ThemeFileLayout;

namespace {

// The value part of the first "Name=value" line whose name part is Name, or null.
const std::string* FindLine(const std::vector<std::string>& Lines, std::string_view Name) {
  for (const std::string& Line : Lines) {
    const std::size_t Equals = Line.find('=');
    if (Equals != std::string::npos && SameText(std::string_view(Line).substr(0, Equals), Name))
      return &Line;
  }
  return nullptr;
}

bool ToInt(std::string_view Text, long long& Value) {
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return Error == std::errc() && End == Text.data() + Text.size();
}

class TCursor {
public:
  TCursor(const std::string& FileName, std::span<const std::uint8_t> Contents)
      : FFileName(FileName), FContents(Contents) {}

  [[noreturn]] void Fail(const std::string& Fault) const {
    throw EThemeFileError("theme file '" + FFileName + "': " + Fault);
  }
  std::uint64_t Size() const { return FContents.size(); }
  // Bytes [Offset, Offset + Count) of the file; refuses a range that does not lie inside it.
  std::span<const std::uint8_t> Bytes(std::uint64_t Offset, std::uint64_t Count, const char* What) const {
    if (Offset > Size() || Count > Size() - Offset)
      Fail(std::string(What) + " at offset " + std::to_string(Offset) + " with " + std::to_string(Count) +
           " bytes runs past the end of the file (" + std::to_string(Size()) + " bytes)");
    return FContents.subspan(Offset, Count);
  }
  std::uint32_t U32(std::uint64_t Offset, const char* What) const {
    const auto B = Bytes(Offset, 4, What);
    return B[0] | (B[1] << 8) | (B[2] << 16) | (static_cast<std::uint32_t>(B[3]) << 24);
  }

private:
  const std::string& FFileName;
  std::span<const std::uint8_t> FContents;
};

} // namespace

TzykThemeFileReader::TzykThemeFileReader(const std::string& FileName) {
  std::error_code Error;
  // A folder opens as a stream on some systems and fails only at the first read, with a message
  // that names no file.
  if (std::filesystem::is_directory(FileName, Error))
    throw EThemeFileError("theme file '" + FileName + "': is a folder, not a file");
  std::ifstream File(FileName, std::ios::binary);
  if (!File)
    throw EThemeFileError("theme file '" + FileName + "': cannot open: " + std::strerror(errno));
  const std::vector<std::uint8_t> Contents{std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>()};
  if (File.bad())
    throw EThemeFileError("theme file '" + FileName + "': cannot read");
  Load(FileName, Contents);
}

TzykThemeFileReader::TzykThemeFileReader(const std::string& FileName, std::span<const std::uint8_t> Contents) {
  Load(FileName, Contents);
}

void TzykThemeFileReader::Load(const std::string& FileName, std::span<const std::uint8_t> Contents) {
  const TCursor File(FileName, Contents);
  // Most files given by mistake (a text, a picture) fail here: say what the file is not.
  if (File.Size() < HeaderSize)
    File.Fail("not a theme file: its " + std::to_string(File.Size()) + " bytes are too few for the " +
              std::to_string(HeaderSize) + "-byte header");
  const std::uint32_t HeaderLength = File.U32(HeaderLengthAt, "header");
  if (HeaderLength != HeaderSize)
    File.Fail("not a theme file: its header length reads " + std::to_string(HeaderLength) +
              " where a theme file has " + std::to_string(HeaderSize));

  // Each record is visited once, and the data copied out of the file never exceeds its size: two
  // records sharing one data block would otherwise multiply what a small file makes us allocate.
  std::unordered_set<std::uint32_t> Visited;
  std::uint64_t Copied = 0;
  std::uint32_t Previous = 0;
  std::uint32_t At = File.U32(FirstRecordAt, "header");
  for (;;) {
    if (!Visited.insert(At).second)
      File.Fail("record at offset " + std::to_string(Previous) + " points back to offset " + std::to_string(At));
    const auto Record = File.Bytes(At, RecordSize, "record");
    const std::uint32_t Next = File.U32(std::uint64_t(At) + NextRecordAt, "record");
    if (Next == 0)
      break;
    std::size_t NameLength = 0;
    while (NameLength < NameSize && Record[NameLength] != 0)
      ++NameLength;
    const std::string Name(reinterpret_cast<const char*>(Record.data()), NameLength);
    const std::uint8_t Kind = Record[KindAt];
    const std::uint32_t DataOffset = File.U32(std::uint64_t(At) + DataOffsetAt, "record");
    const std::uint32_t DataSize = File.U32(std::uint64_t(At) + DataSizeAt, "record");
    const auto Where = [&] { return "entry '" + Name + "' (record at offset " + std::to_string(At) + ")"; };
    if (Kind <= ekText) {
      if (Kind == ekInteger && DataSize > 4)
        File.Fail(Where() + ": integer of " + std::to_string(DataSize) + " bytes exceeds 4");
      if (Kind == ekFlag && DataSize > 1)
        File.Fail(Where() + ": flag of " + std::to_string(DataSize) + " bytes exceeds 1");
      const auto Data = File.Bytes(DataOffset, DataSize, "data block");
      Copied += DataSize;
      if (Copied > File.Size())
        File.Fail(Where() + ": entries' data adds up to more than the file's " + std::to_string(File.Size()) +
                  " bytes");
      if (Kind == ekPicture) {
        auto Stream = std::make_unique<std::istringstream>(
            std::string(reinterpret_cast<const char*>(Data.data()), Data.size()), std::ios::binary);
        FPictures.push_back({Name, std::move(Stream)});
      } else if (Kind == ekInteger) {
        std::uint32_t Raw = 0;
        for (std::size_t i = 0; i < Data.size(); ++i)
          Raw |= static_cast<std::uint32_t>(Data[i]) << (8 * i);
        FIntegers.push_back(Name + "=" + std::to_string(static_cast<std::int32_t>(Raw)));
      } else if (Kind == ekFlag) {
        FFlags.push_back(Name + "=" + std::to_string(Data.empty() ? 0 : Data[0]));
      } else {
        FTexts.push_back(Name + "=" + std::string(reinterpret_cast<const char*>(Data.data()), Data.size()));
      }
    }
    Previous = At;
    At = Next;
  }
}

std::istream* TzykThemeFileReader::GetFile(std::string_view Name) {
  for (TPicture& Picture : FPictures)
    if (SameText(Picture.Name, Name)) {
      Picture.Stream->clear();
      Picture.Stream->seekg(0);
      return Picture.Stream.get();
    }
  return nullptr;
}

int TzykThemeFileReader::GetInt(std::string_view Name) const {
  const std::string* Line = FindLine(FIntegers, Name);
  long long Value = 0;
  if (!Line || !ToInt(std::string_view(*Line).substr(Line->find('=') + 1), Value) || Value < INT32_MIN ||
      Value > INT32_MAX)
    return -1;
  return static_cast<int>(Value);
}

bool TzykThemeFileReader::GetBool(std::string_view Name) const {
  const std::string* Line = FindLine(FFlags, Name);
  long long Value = 0;
  if (!Line || !ToInt(std::string_view(*Line).substr(Line->find('=') + 1), Value))
    return false;
  return (Value & 0xFF) != 0;
}

std::vector<std::string> TzykThemeFileReader::PictureNames() const {
  std::vector<std::string> Names;
  for (const TPicture& Picture : FPictures)
    Names.push_back(Picture.Name);
  return Names;
}

namespace {

void PutU32(std::vector<std::uint8_t>& Out, std::size_t At, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i)
    Out[At + i] = static_cast<std::uint8_t>(Value >> (8 * i));
}

} // namespace

void TzykThemeFileWriter::Add(std::string_view Name, TEntryKind Kind, std::vector<std::uint8_t> Data) {
  if (Name.empty() || Name.size() > NameSize || Name.find('\0') != std::string_view::npos)
    throw EThemeFileError("theme entry name '" + std::string(Name) + "' must have 1 to " +
                          std::to_string(NameSize) + " characters and no zero byte");
  FEntries.push_back({std::string(Name), Kind, std::move(Data)});
}

void TzykThemeFileWriter::AddPicture(std::string_view Name, std::span<const std::uint8_t> BitmapFile) {
  Add(Name, ekPicture, {BitmapFile.begin(), BitmapFile.end()});
}

void TzykThemeFileWriter::AddInt(std::string_view Name, std::int32_t Value) {
  std::vector<std::uint8_t> Data(4);
  PutU32(Data, 0, static_cast<std::uint32_t>(Value));
  Add(Name, ekInteger, std::move(Data));
}

void TzykThemeFileWriter::AddFlag(std::string_view Name, std::uint8_t Value) { Add(Name, ekFlag, {Value}); }

void TzykThemeFileWriter::AddText(std::string_view Name, std::string_view Text) {
  Add(Name, ekText, {Text.begin(), Text.end()});
}

std::vector<std::uint8_t> TzykThemeFileWriter::Bytes() const {
  const std::size_t RecordsEnd = HeaderSize + (FEntries.size() + 1) * RecordSize;
  std::size_t Total = RecordsEnd;
  for (const TEntry& Entry : FEntries)
    Total += Entry.Data.size();
  if (Total > UINT32_MAX)
    throw EThemeFileError("theme file of " + std::to_string(Total) + " bytes exceeds 4 GiB");
  std::vector<std::uint8_t> Out(Total, 0);
  std::memcpy(Out.data(), "ZYK THEME\0\0\0", 12);
  PutU32(Out, HeaderLengthAt, HeaderSize);
  PutU32(Out, 16, 1); // format version, for readers that care
  PutU32(Out, FirstRecordAt, HeaderSize);
  std::size_t DataAt = RecordsEnd;
  for (std::size_t i = 0; i < FEntries.size(); ++i) {
    const TEntry& Entry = FEntries[i];
    const std::size_t At = HeaderSize + i * RecordSize;
    std::memcpy(&Out[At], Entry.Name.data(), Entry.Name.size());
    Out[At + KindAt] = Entry.Kind;
    PutU32(Out, At + DataOffsetAt, static_cast<std::uint32_t>(DataAt));
    PutU32(Out, At + DataSizeAt, static_cast<std::uint32_t>(Entry.Data.size()));
    PutU32(Out, At + NextRecordAt, static_cast<std::uint32_t>(At + RecordSize));
    if (!Entry.Data.empty())
      std::memcpy(&Out[DataAt], Entry.Data.data(), Entry.Data.size());
    DataAt += Entry.Data.size();
  }
  return Out;
}

void TzykThemeFileWriter::SaveToFile(const std::string& FileName) const {
  const std::vector<std::uint8_t> Contents = Bytes();
  std::ofstream File(FileName, std::ios::binary | std::ios::trunc);
  File.write(reinterpret_cast<const char*>(Contents.data()), static_cast<std::streamsize>(Contents.size()));
  File.close();
  if (!File)
    throw EThemeFileError("theme file '" + FileName + "': cannot write");
}
