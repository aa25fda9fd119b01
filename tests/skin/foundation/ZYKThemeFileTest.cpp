#include "skin/foundation/ZYKThemeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Raw records, for files the writer would never produce.
struct TRawFile {
  Bytes Data = Bytes(24, 0);

  TRawFile() {
    Put(12, 24);
    Put(20, 24);
  }
  void Put(std::size_t At, std::uint32_t Value) {
    if (Data.size() < At + 4)
      Data.resize(At + 4, 0);
    for (int i = 0; i < 4; ++i)
      Data[At + i] = static_cast<std::uint8_t>(Value >> (8 * i));
  }
  // A record at At; returns At.
  std::size_t Record(std::size_t At, std::string_view Name, std::uint8_t Kind, std::uint32_t DataOffset,
                     std::uint32_t DataSize, std::uint32_t Next) {
    if (Data.size() < At + 77)
      Data.resize(At + 77, 0);
    std::memcpy(&Data[At], Name.data(), Name.size());
    Data[At + 64] = Kind;
    Put(At + 65, DataOffset);
    Put(At + 69, DataSize);
    Put(At + 73, Next);
    return At;
  }
};

std::string Fault(const Bytes& File) {
  try {
    TzykThemeFileReader Reader("x.thm", File);
  } catch (const EThemeFileError& Error) {
    return Error.what();
  }
  return "accepted";
}

std::string ReadAll(std::istream& Stream) {
  return {std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>()};
}

} // namespace

class ThemeFileReaderTest : public ::testing::Test {};

TEST_F(ThemeFileReaderTest, TerminatorOnlyFileGivesEveryDefault) {
  TzykThemeFileWriter Writer;
  TzykThemeFileReader Reader("empty.thm", Writer.Bytes());
  EXPECT_EQ(Reader.GetInt("FormBorderWidthInt"), -1);
  EXPECT_FALSE(Reader.GetBool("ButtonTransparentBool"));
  EXPECT_EQ(Reader.GetFile("ButtonImage"), nullptr);
  EXPECT_TRUE(Reader.PictureNames().empty());
}

TEST_F(ThemeFileReaderTest, ReadsEachKindAndIgnoresTheTerminatorsOwnEntry) {
  TRawFile File;
  File.Put(20, 100);
  File.Record(100, "FormBorderWidthInt", 1, 300, 4, 200);
  File.Record(200, "ButtonTransparentBool", 1, 304, 4, 0); // terminator: its data is never read
  File.Put(300, static_cast<std::uint32_t>(-2));
  File.Put(304, 7);
  TzykThemeFileReader Reader("t.thm", File.Data);
  EXPECT_EQ(Reader.GetInt("FormBorderWidthInt"), -2);
  EXPECT_EQ(Reader.GetInt("ButtonTransparentBool"), -1);
  EXPECT_EQ(Reader.Integers(), std::vector<std::string>{"FormBorderWidthInt=-2"});
}

TEST_F(ThemeFileReaderTest, ValuesRoundTripThroughTheWriter) {
  TzykThemeFileWriter Writer;
  const Bytes Picture{'B', 'M', 1, 2, 3};
  Writer.AddPicture("ButtonImage", Picture);
  Writer.AddInt("FormBorderColor", 0x00123456);
  Writer.AddInt("Lowest", INT32_MIN);
  Writer.AddFlag("ButtonTransparentBool", 2);
  Writer.AddFlag("Off", 0);
  Writer.AddText("Author", "someone = else");
  TzykThemeFileReader Reader("t.thm", Writer.Bytes());
  EXPECT_EQ(Reader.GetInt("FormBorderColor"), 0x00123456);
  EXPECT_EQ(Reader.GetInt("Lowest"), INT32_MIN);
  EXPECT_TRUE(Reader.GetBool("ButtonTransparentBool"));
  EXPECT_FALSE(Reader.GetBool("Off"));
  EXPECT_EQ(Reader.Texts(), std::vector<std::string>{"Author=someone = else"});
  std::istream* Stream = Reader.GetFile("ButtonImage");
  ASSERT_NE(Stream, nullptr);
  EXPECT_EQ(ReadAll(*Stream), std::string(Picture.begin(), Picture.end()));
}

TEST_F(ThemeFileReaderTest, LookupsIgnoreLetterCaseAndOnlySearchTheirOwnKind) {
  TzykThemeFileWriter Writer;
  Writer.AddInt("FormBorderWidthInt", 3);
  Writer.AddFlag("ButtonTransparentBool", 1);
  Writer.AddText("ButtonImage", "not a picture");
  TzykThemeFileReader Reader("t.thm", Writer.Bytes());
  EXPECT_EQ(Reader.GetInt("formborderwidthint"), 3);
  EXPECT_TRUE(Reader.GetBool("BUTTONTRANSPARENTBOOL"));
  EXPECT_FALSE(Reader.GetBool("FormBorderWidthInt"));
  EXPECT_EQ(Reader.GetInt("ButtonTransparentBool"), -1);
  EXPECT_EQ(Reader.GetFile("ButtonImage"), nullptr);
  EXPECT_EQ(Reader.GetInt("FormBorderWidth"), -1); // a prefix is not a match
}

TEST_F(ThemeFileReaderTest, FirstOfDuplicateNamesWins) {
  TzykThemeFileWriter Writer;
  const Bytes First{'1'}, Second{'2'};
  Writer.AddPicture("ButtonImage", First);
  Writer.AddPicture("buttonimage", Second);
  Writer.AddInt("A", 1);
  Writer.AddInt("a", 2);
  TzykThemeFileReader Reader("t.thm", Writer.Bytes());
  EXPECT_EQ(ReadAll(*Reader.GetFile("BUTTONIMAGE")), "1");
  EXPECT_EQ(Reader.GetInt("A"), 1);
  EXPECT_EQ(Reader.PictureNames().size(), 2U);
}

TEST_F(ThemeFileReaderTest, SamePictureStreamIsRewoundOnEveryLookup) {
  TzykThemeFileWriter Writer;
  const Bytes Picture{'x', 'y', 'z'};
  Writer.AddPicture("ButtonImage", Picture);
  TzykThemeFileReader Reader("t.thm", Writer.Bytes());
  std::istream* First = Reader.GetFile("ButtonImage");
  ASSERT_NE(First, nullptr);
  EXPECT_EQ(ReadAll(*First), "xyz"); // leaves the stream at its end, with eof set
  std::istream* Second = Reader.GetFile("ButtonImage");
  EXPECT_EQ(Second, First);
  EXPECT_EQ(ReadAll(*Second), "xyz");
}

TEST_F(ThemeFileReaderTest, NameFillingTheWholeFieldHasNoTerminator) {
  TzykThemeFileWriter Writer;
  const std::string Long(64, 'N');
  Writer.AddInt(Long, 9);
  TzykThemeFileReader Reader("t.thm", Writer.Bytes());
  EXPECT_EQ(Reader.GetInt(Long), 9);
  EXPECT_THROW(Writer.AddInt(Long + "N", 1), EThemeFileError);
}

TEST_F(ThemeFileReaderTest, ShortIntegerAndFlagBlocksAndUnknownKindsAreAccepted) {
  TRawFile File;
  File.Record(24, "Two", 1, 400, 2, 101);
  File.Record(101, "Empty", 2, 400, 0, 178);
  File.Record(178, "Odd", 9, 0xFFFFFFF0, 0xFFFFFFFF, 255); // skipped without reading its data
  File.Record(255, "", 0, 0, 0, 0);
  File.Put(400, 0xFFFF0102);
  TzykThemeFileReader Reader("t.thm", File.Data);
  EXPECT_EQ(Reader.GetInt("Two"), 0x0102);
  EXPECT_FALSE(Reader.GetBool("Empty"));
  EXPECT_EQ(Reader.Flags(), std::vector<std::string>{"Empty=0"});
}

TEST_F(ThemeFileReaderTest, NameHoldingAnEqualsSignYieldsTheDefault) {
  TzykThemeFileWriter Writer;
  Writer.AddInt("A=B", 5);
  TzykThemeFileReader Reader("t.thm", Writer.Bytes());
  EXPECT_EQ(Reader.GetInt("A"), -1);
  EXPECT_EQ(Reader.GetInt("A=B"), -1);
}

TEST_F(ThemeFileReaderTest, ReadsFromDiskAndNamesAMissingFile) {
  const auto Path = std::filesystem::temp_directory_path() / "brivo-reader-test.thm";
  TzykThemeFileWriter Writer;
  Writer.AddInt("FormMinWidthInt", 120);
  Writer.SaveToFile(Path.string());
  EXPECT_EQ(TzykThemeFileReader(Path.string()).GetInt("FormMinWidthInt"), 120);
  std::filesystem::remove(Path);
  try {
    TzykThemeFileReader Reader(Path.string());
    ADD_FAILURE() << "a missing file was read";
  } catch (const EThemeFileError& Error) {
    EXPECT_NE(std::string(Error.what()).find("'" + Path.string() + "': cannot open"), std::string::npos);
  }
}

class ThemeFileGuardTest : public ::testing::Test {};

TEST_F(ThemeFileGuardTest, RefusesABadHeader) {
  EXPECT_EQ(Fault(Bytes(23, 0)),
            "theme file 'x.thm': not a theme file: its 23 bytes are too few for the 24-byte header");
  TRawFile File;
  File.Put(12, 25);
  EXPECT_EQ(Fault(File.Data),
            "theme file 'x.thm': not a theme file: its header length reads 25 where a theme file has 24");
  File.Put(12, 16);
  EXPECT_EQ(Fault(File.Data),
            "theme file 'x.thm': not a theme file: its header length reads 16 where a theme file has 24");
}

TEST_F(ThemeFileGuardTest, RefusesRecordsOutsideTheFile) {
  TRawFile File; // FirstRecord 24, but the file ends there
  EXPECT_EQ(Fault(File.Data),
            "theme file 'x.thm': record at offset 24 with 77 bytes runs past the end of the file (24 bytes)");
  File.Put(20, 0xFFFFFFFF);
  File.Data.resize(200, 0);
  EXPECT_EQ(Fault(File.Data), "theme file 'x.thm': record at offset 4294967295 with 77 bytes runs past the "
                              "end of the file (200 bytes)");
}

TEST_F(ThemeFileGuardTest, RefusesAChainThatLoops) {
  TRawFile File;
  File.Record(24, "A", 1, 0, 0, 101);
  File.Record(101, "B", 1, 0, 0, 24);
  EXPECT_EQ(Fault(File.Data), "theme file 'x.thm': record at offset 101 points back to offset 24");
  File.Record(101, "B", 1, 0, 0, 101);
  EXPECT_EQ(Fault(File.Data), "theme file 'x.thm': record at offset 101 points back to offset 101");
}

TEST_F(ThemeFileGuardTest, RefusesOversizedIntegerAndFlagBlocks) {
  TRawFile File;
  File.Record(24, "Big", 1, 0, 5, 101);
  File.Record(101, "", 0, 0, 0, 0);
  EXPECT_EQ(Fault(File.Data),
            "theme file 'x.thm': entry 'Big' (record at offset 24): integer of 5 bytes exceeds 4");
  File.Record(24, "Big", 2, 0, 2, 101);
  EXPECT_EQ(Fault(File.Data), "theme file 'x.thm': entry 'Big' (record at offset 24): flag of 2 bytes exceeds 1");
}

TEST_F(ThemeFileGuardTest, RefusesDataPastTheEndOfTheFile) {
  TRawFile File;
  File.Record(24, "ButtonImage", 0, 100, 0xFFFFFFFF, 101);
  File.Record(101, "", 0, 0, 0, 0);
  EXPECT_EQ(Fault(File.Data), "theme file 'x.thm': data block at offset 100 with 4294967295 bytes runs past "
                              "the end of the file (178 bytes)");
  File.Record(24, "Text", 3, 178, 1, 101);
  EXPECT_NE(Fault(File.Data).find("data block at offset 178 with 1 bytes"), std::string::npos);
}

TEST_F(ThemeFileGuardTest, RefusesDataBlocksSharedBeyondTheFilesSize) {
  // Many records naming one large picture would make a small file cost many times its size.
  TRawFile File;
  const std::uint32_t Records = 4, First = 24, DataAt = First + Records * 77 + 77, DataSize = 400;
  for (std::uint32_t i = 0; i < Records; ++i)
    File.Record(First + i * 77, "P", 0, DataAt, DataSize, First + (i + 1) * 77);
  File.Record(First + Records * 77, "", 0, 0, 0, 0);
  File.Data.resize(DataAt + DataSize, 0);
  EXPECT_NE(Fault(File.Data).find("entries' data adds up to more than the file's"), std::string::npos);
}

// Broken files kept from the guards' development and from fuzzing: each is refused with the
// message stored beside it.
TEST_F(ThemeFileGuardTest, BrokenCorpusIsRefusedWithItsMessage) {
  const char* Source = std::getenv("BRIVO_SOURCE_DIR");
  ASSERT_NE(Source, nullptr);
  int Checked = 0;
  for (const auto& Entry : std::filesystem::directory_iterator(std::filesystem::path(Source) /
                                                                "fuzz/corpus/themefile-broken")) {
    if (Entry.path().extension() != ".thm")
      continue;
    std::ifstream File(Entry.path(), std::ios::binary);
    const Bytes Contents{std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>()};
    std::ifstream MessageFile(std::filesystem::path(Entry.path()).replace_extension(".msg"));
    std::string Expected;
    std::getline(MessageFile, Expected);
    SCOPED_TRACE(Entry.path().string());
    try {
      TzykThemeFileReader Reader(Entry.path().filename().string(), Contents);
      ADD_FAILURE() << "accepted";
    } catch (const EThemeFileError& Error) {
      EXPECT_EQ(Error.what(), Expected);
    }
    ++Checked;
  }
  EXPECT_GE(Checked, 8);
}
