// The file of kept fonts: what it writes reads back the same, and a file that is not one is refused
// with the line and the fault.

#include "platform/graphics/KeptFonts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TKeptFonts Sample() {
  TKeptFonts kept;
  kept.Environment = {{"LANG", "C.UTF-8"}, {"FONTCONFIG_FILE", ""}};
  kept.Stamps = {{"/usr/share/fonts", 1700000000123456789LL, 4096}, {"/home/u/.fonts.conf", -1, -1}};
  kept.Faces[{{"AR PL UMing TW", "AR PL UMing TW MBE"}, true, false, 0}] =
      TFaceChoice{"/usr/share/fonts/uming.ttc", 2, "AR PL UMing TW", 200, 0, true};
  kept.Faces[{{"Liberation Sans", "DejaVu Sans"}, false, false, U'工'}] =
      TFaceChoice{"/usr/share/fonts/uming.ttc", 0, "AR PL UMing CN", 80, 0, false};
  kept.Faces[{{"Liberation Sans"}, false, true, U'\u2603'}] = std::nullopt;
  kept.DefaultSans = std::make_pair(std::string("DejaVu Sans"), 10.5);
  TKeptFont& font = kept.Fonts[{"MS Sans Serif", -11, 0}];
  font = {11, 10, 3, 2, 1, 1, 3, "Liberation Sans", {}};
  TGlyph a;
  a.Advance = 7;
  a.Left = -1;
  a.Top = 8;
  a.Width = 3;
  a.Height = 2;
  a.Coverage = {0, 17, 255, 128, 1, 254};
  font.Glyphs[U'a'] = a;
  TGlyph missing;
  missing.Advance = 5;
  missing.Missing = true;
  font.Glyphs[U'\u2603'] = missing;
  kept.Fonts[{"新細明體", 16, 3}] = {16, 14, 2, 0, 2, 1, 4, "AR PL UMing TW", {}};
  return kept;
}

void ExpectSame(const TKeptFonts& A, const TKeptFonts& B) {
  EXPECT_EQ(A.Environment, B.Environment);
  EXPECT_EQ(A.Stamps, B.Stamps);
  EXPECT_EQ(A.Faces, B.Faces);
  EXPECT_EQ(A.DefaultSans, B.DefaultSans);
  ASSERT_EQ(A.Fonts.size(), B.Fonts.size());
  for (const auto& [key, font] : A.Fonts) {
    ASSERT_TRUE(B.Fonts.contains(key)) << std::get<0>(key);
    const TKeptFont& other = B.Fonts.at(key);
    EXPECT_EQ(font.PixelSize, other.PixelSize);
    EXPECT_EQ(font.Ascent, other.Ascent);
    EXPECT_EQ(font.Descent, other.Descent);
    EXPECT_EQ(font.InternalLeading, other.InternalLeading);
    EXPECT_EQ(font.UnderlinePosition, other.UnderlinePosition);
    EXPECT_EQ(font.UnderlineThickness, other.UnderlineThickness);
    EXPECT_EQ(font.StrikeoutPosition, other.StrikeoutPosition);
    EXPECT_EQ(font.FamilyName, other.FamilyName);
    ASSERT_EQ(font.Glyphs.size(), other.Glyphs.size());
    for (const auto& [c, glyph] : font.Glyphs) {
      const TGlyph& g = other.Glyphs.at(c);
      EXPECT_EQ(glyph.Advance, g.Advance);
      EXPECT_EQ(glyph.Left, g.Left);
      EXPECT_EQ(glyph.Top, g.Top);
      EXPECT_EQ(glyph.Width, g.Width);
      EXPECT_EQ(glyph.Height, g.Height);
      EXPECT_EQ(glyph.Missing, g.Missing);
      EXPECT_EQ(glyph.Coverage, g.Coverage);
    }
  }
}

TEST(KeptFontsFile, WhatIsWrittenReadsBackTheSame) {
  const TKeptFonts kept = Sample();
  ExpectSame(kept, TKeptFonts::Parse(kept.Format()));
}

TEST(KeptFontsFile, NamesWithTabsLineBreaksAndBackslashesSurviveTheFile) {
  TKeptFonts kept;
  kept.Environment = {{"A\tB", "line\nbreak\r\\end\\"}};
  kept.Stamps = {{"/odd\\path\twith tab", 1, 2}};
  kept.Fonts[{"\\t is no tab", 0, 1}] = {13, 11, 3, 1, 1, 1, 3, "fam\nily", {}};
  ExpectSame(kept, TKeptFonts::Parse(kept.Format()));
}

class KeptFontsRefused : public testing::Test {
protected:
  // The message Parse gives for Text, or "accepted".
  static std::string Fault(const std::string& Text) {
    try {
      TKeptFonts::Parse(Text);
    } catch (const EKeptFonts& e) {
      return e.what();
    }
    return "accepted";
  }
  static std::string Font() { return "font\tA\t-11\t0\t11\t10\t3\t2\t1\t1\t3\tX\n"; }
  static constexpr const char* Head = "brivo fonts 1\n";
};

TEST_F(KeptFontsRefused, AnotherKindOfFileOrAnEmptyOne) {
  EXPECT_EQ(Fault(""), "kept fonts: the file is empty");
  EXPECT_EQ(Fault("brivo fonts 2\n"), "kept fonts, line 1: this is not a file of kept fonts");
  EXPECT_EQ(Fault("brivo fonts 1"), "kept fonts, line 1: the line has no end");
  EXPECT_EQ(Fault(std::string(Head) + "what\n"), "kept fonts, line 2: unknown kind of record 'what'");
}

TEST_F(KeptFontsRefused, FieldsThatAreMissingTooManyOrBadlyEscaped) {
  EXPECT_EQ(Fault(std::string(Head) + "env\tA\n"), "kept fonts, line 2: the line ends before its variable value");
  EXPECT_EQ(Fault(std::string(Head) + "env\tA\tB\tC\n"),
            "kept fonts, line 2: the line has more fields than its kind takes");
  EXPECT_EQ(Fault(std::string(Head) + "env\tA\\\tB\n"), "kept fonts, line 2: the variable name ends in a lone backslash");
  EXPECT_EQ(Fault(std::string(Head) + "env\tA\\q\tB\n"),
            "kept fonts, line 2: the variable name has an unknown escape \\q");
  EXPECT_EQ(Fault(std::string(Head) + "env\tA\rB\tC\n"),
            "kept fonts, line 2: the variable name holds a bare carriage return");
}

TEST_F(KeptFontsRefused, NumbersOutsideTheirRange) {
  EXPECT_EQ(Fault(std::string(Head) + "stamp\t/a\t-2\t0\n"),
            "kept fonts, line 2: the modification time '-2' is not a number from -1 to 9223372036854775807");
  EXPECT_EQ(Fault(std::string(Head) + "face\t0\t0\t110000\t1\tA\tnone\n"),
            "kept fonts, line 2: the character '110000' is not a number from 0 to 1114111");
  EXPECT_EQ(Fault(std::string(Head) + "face\t0\t0\t0\t17\tA\n"),
            "kept fonts, line 2: the number of families '17' is not a number from 1 to 16");
  EXPECT_EQ(Fault(std::string(Head) + "sans\tA\tnan\n"),
            "kept fonts, line 2: the size in points 'nan' is not a number above 0 and at most 1000");
  EXPECT_EQ(Fault(std::string(Head) + Font() + "glyph\t41\t7\t0\t8\t2000\t1\t0\t\n"),
            "kept fonts, line 3: the glyph width '2000' is not a number from 0 to 1024");
}

TEST_F(KeptFontsRefused, GlyphsWithoutAFontOrWithCoverageOfTheWrongSize) {
  EXPECT_EQ(Fault(std::string(Head) + "glyph\t41\t7\t0\t8\t1\t1\t0\t00\n"),
            "kept fonts, line 2: a glyph comes before any font");
  EXPECT_EQ(Fault(std::string(Head) + Font() + "glyph\t41\t7\t0\t8\t2\t2\t0\t001122\n"),
            "kept fonts, line 3: the coverage has 6 digits, not 8");
  EXPECT_EQ(Fault(std::string(Head) + Font() + "glyph\t41\t7\t0\t8\t1\t1\t0\tzz\n"),
            "kept fonts, line 3: the coverage holds a character that is no hexadecimal digit");
}

TEST_F(KeptFontsRefused, MoreThanTheLimits) {
  EXPECT_EQ(Fault(std::string(TKeptFonts::MaxFileSize + 1, 'x')),
            "kept fonts: the file is larger than " + std::to_string(TKeptFonts::MaxFileSize) + " bytes");
  std::string many(Head);
  for (std::size_t i = 0; i <= TKeptFonts::MaxAnswers; ++i)
    many += "face\t0\t0\t" + std::to_string(i + 1) + "\t1\tA\tnone\n";
  EXPECT_EQ(Fault(many), "kept fonts, line " + std::to_string(TKeptFonts::MaxAnswers + 2) + ": there are more than " +
                             std::to_string(TKeptFonts::MaxAnswers) + " answers");
}

} // namespace
