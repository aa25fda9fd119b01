#include "tools/themepack/ThemePack.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpCodec.h"
#include "platform/graphics/Graphic.h"
#include "skin/foundation/ZYKThemeFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& Path) {
  std::ifstream File(Path, std::ios::binary);
  if (!File)
    throw EThemeFileError("cannot open '" + Path.string() + "'");
  return {std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>()};
}

std::string_view Trim(std::string_view Text) {
  const auto Blank = [](char C) { return C == ' ' || C == '\t' || C == '\r'; };
  while (!Text.empty() && Blank(Text.front()))
    Text.remove_prefix(1);
  while (!Text.empty() && Blank(Text.back()))
    Text.remove_suffix(1);
  return Text;
}

bool ParseInt(std::string_view Text, std::int32_t& Value) {
  int Base = 10;
  bool Negative = false;
  if (Text.starts_with('-') && Text.size() > 1) {
    Negative = true;
    Text.remove_prefix(1);
  }
  if (Text.starts_with("0x") || Text.starts_with("0X")) {
    Base = 16;
    Text.remove_prefix(2);
  } else if (Text.starts_with('$')) {
    Base = 16;
    Text.remove_prefix(1);
  }
  std::int64_t Wide = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Wide, Base);
  if (Text.empty() || Error != std::errc() || End != Text.data() + Text.size())
    return false;
  if (Negative)
    Wide = -Wide;
  // Hexadecimal colours up to 0xFFFFFFFF are stored by their bits.
  if (Wide < INT32_MIN || Wide > UINT32_MAX || (Base == 10 && Wide > INT32_MAX))
    return false;
  Value = static_cast<std::int32_t>(static_cast<std::uint32_t>(Wide));
  return true;
}

bool ParseFlag(std::string_view Text, std::uint8_t& Value) {
  if (Text == "1" || SameText(Text, "True"))
    Value = 1;
  else if (Text == "0" || SameText(Text, "False"))
    Value = 0;
  else
    return false;
  return true;
}

// The number of one-character edits between A and B, letter case ignored.
std::size_t EditDistance(std::string_view A, std::string_view B) {
  std::vector<std::size_t> Row(B.size() + 1);
  for (std::size_t j = 0; j <= B.size(); ++j)
    Row[j] = j;
  for (std::size_t i = 1; i <= A.size(); ++i) {
    std::size_t Diagonal = Row[0];
    Row[0] = i;
    for (std::size_t j = 1; j <= B.size(); ++j) {
      const std::size_t Above = Row[j];
      const bool Same = std::tolower(static_cast<unsigned char>(A[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(B[j - 1]));
      Row[j] = std::min({Row[j] + 1, Row[j - 1] + 1, Diagonal + (Same ? 0 : 1)});
      Diagonal = Above;
    }
  }
  return Row[B.size()];
}

// The theme key Key was most likely meant to be (a slip of a few letters), or empty.
std::string NearestThemeKey(std::string_view Key) {
  std::string Best;
  std::size_t BestDistance = 3;
  for (int Element = 1; Element <= zykElementCount; ++Element) {
    const std::size_t Distance = EditDistance(Key, ElementInfo(Element).Key);
    if (Distance < BestDistance) {
      BestDistance = Distance;
      Best = ElementInfo(Element).Key;
    }
  }
  return Best;
}

void AddValues(TzykThemeFileWriter& Writer, const std::filesystem::path& Path) {
  std::ifstream File(Path);
  std::string Line;
  for (int Number = 1; std::getline(File, Line); ++Number) {
    const std::string_view Text = Trim(Line);
    if (Text.empty() || Text.front() == '#')
      continue;
    const auto Fail = [&](const std::string& Fault) {
      throw EThemeFileError("'" + Path.string() + "' line " + std::to_string(Number) + ": " + Fault);
    };
    const std::size_t Equals = Text.find('=');
    if (Equals == std::string_view::npos)
      Fail("expected Key=value");
    std::string_view Key = Trim(Text.substr(0, Equals));
    const std::string_view Value = Trim(Text.substr(Equals + 1));
    // Texts are named as such, so that a misspelt key is not kept as one unnoticed.
    if (Key == "text" || Key.starts_with("text ") || Key.starts_with("text\t")) {
      Key = Trim(Key.substr(4));
      if (Key.empty())
        Fail("expected a name after 'text'");
      Writer.AddText(Key, Value);
      continue;
    }
    const int Element = FindElement(Key);
    if (!Element) {
      const std::string Nearest = NearestThemeKey(Key);
      Fail("'" + std::string(Key) + "' is not a theme key" +
           (Nearest.empty() ? std::string() : " (did you mean " + Nearest + "?)") +
           "; a text entry is written as text NAME=value");
    }
    const TzykValueKind Kind = ElementInfo(Element).Kind;
    std::int32_t Number32 = 0;
    std::uint8_t Flag = 0;
    if (Kind == zvkImage)
      Fail("'" + std::string(Key) + "' is a picture: give it as " + std::string(Key) + ".bmp");
    else if (Kind == zvkBool && !ParseFlag(Value, Flag))
      Fail("'" + std::string(Value) + "' is not a flag (0, 1, True, False)");
    else if (Kind == zvkBool)
      Writer.AddFlag(ElementInfo(Element).Key, Flag);
    else if (!ParseInt(Value, Number32))
      Fail("'" + std::string(Value) + "' is not a 32-bit integer");
    else
      Writer.AddInt(ElementInfo(Element).Key, Number32);
  }
}

} // namespace

std::vector<std::uint8_t> PackThemeFolder(const std::filesystem::path& Folder) {
  if (!std::filesystem::is_directory(Folder))
    throw EThemeFileError("'" + Folder.string() + "' is not a folder");
  std::vector<std::filesystem::path> Pictures;
  for (const auto& Entry : std::filesystem::directory_iterator(Folder))
    if (Entry.is_regular_file() && SameText(Entry.path().extension().string(), ".bmp"))
      Pictures.push_back(Entry.path());
  std::sort(Pictures.begin(), Pictures.end());
  TzykThemeFileWriter Writer;
  for (const auto& Path : Pictures) {
    const std::vector<std::uint8_t> Bytes = ReadFile(Path);
    try {
      DecodeBmp(Bytes);
    } catch (const EInvalidGraphic& Error) {
      throw EThemeFileError("'" + Path.string() + "': " + Error.what());
    }
    Writer.AddPicture(Path.stem().string(), Bytes);
  }
  if (std::filesystem::exists(Folder / ThemeValuesFileName))
    AddValues(Writer, Folder / ThemeValuesFileName);
  return Writer.Bytes();
}

std::vector<std::string> ListThemeFile(const std::string& FileName) {
  TzykThemeFileReader Reader(FileName);
  std::vector<std::string> Lines;
  for (const std::string& Name : Reader.PictureNames()) {
    std::istream& Stream = *Reader.GetFile(Name);
    Stream.seekg(0, std::ios::end);
    Lines.push_back("picture " + Name + " (" + std::to_string(static_cast<long long>(Stream.tellg())) + " bytes)");
  }
  for (const std::string& Line : Reader.Integers())
    Lines.push_back("integer " + Line);
  for (const std::string& Line : Reader.Flags())
    Lines.push_back("flag " + Line);
  for (const std::string& Line : Reader.Texts())
    Lines.push_back("text " + Line);
  return Lines;
}

std::vector<std::uint8_t> ExportBuiltInLook(TzykUIStyle Style) {
  TzykThemeFileWriter Writer;
  for (int Element = 1; Element <= zykElementCount; ++Element) {
    const TzykElementInfo& Info = ElementInfo(Element);
    switch (Info.Kind) {
    case zvkImage: {
      TBitmap Bitmap;
      LoadBuiltInBitmap(Style, Element, &Bitmap);
      if (!Bitmap.Empty())
        Writer.AddPicture(Info.Key, EncodeBmp(Bitmap.Pixels()));
      break;
    }
    case zvkBool:
      Writer.AddFlag(Info.Key, GetBuiltInBool(Style, Element) ? 1 : 0);
      break;
    case zvkColor:
      Writer.AddInt(Info.Key, GetBuiltInColor(Style, Element));
      break;
    case zvkInt:
      Writer.AddInt(Info.Key, GetBuiltInInt(Style, Element));
      break;
    }
  }
  return Writer.Bytes();
}
