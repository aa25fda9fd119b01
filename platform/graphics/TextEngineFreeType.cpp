#include "platform/graphics/TextEngine.h"

#include "platform/core/StartupTrace.h"
#include "platform/graphics/KeptFonts.h"
#include "platform/graphics/SharedLibrary.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

namespace {

// Font names of the original platform and the installed families that stand in for them.
struct TSubstitute {
  std::string_view Name;
  std::array<std::string_view, 2> Families;
};
constexpr TSubstitute Substitutes[] = {
    {"新細明體", {"AR PL UMing TW", "AR PL UMing TW MBE"}},
    {"細明體", {"AR PL UMing TW", "AR PL UMing TW MBE"}},
    {"PMingLiU", {"AR PL UMing TW", "AR PL UMing TW MBE"}},
    {"MingLiU", {"AR PL UMing TW", "AR PL UMing TW MBE"}},
    {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
    {"MS Shell Dlg", {"Liberation Sans", "DejaVu Sans"}},
    {"MS Shell Dlg 2", {"Liberation Sans", "DejaVu Sans"}},
    {"Tahoma", {"Liberation Sans", "DejaVu Sans"}},
    {"Arial", {"Liberation Sans", "DejaVu Sans"}},
    {"Verdana", {"DejaVu Sans", "Liberation Sans"}},
    {"Times New Roman", {"Liberation Serif", "DejaVu Serif"}},
    {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
};

// Largest em size rendered; a bigger request is drawn at this size rather than allocating without
// bound.
constexpr int MaxPixelSize = 512;

// FreeType and fontconfig are loaded when the engine first needs each (by their sonames), not with
// the program: a start whose text is all kept loads neither, nor the libraries they bring.
#define BRIVO_FREETYPE_FUNCTIONS(X)                                                                     \
  X(FT_Init_FreeType) X(FT_Done_FreeType) X(FT_Open_Face) X(FT_Done_Face) X(FT_New_Size) X(FT_Done_Size) \
  X(FT_Activate_Size) X(FT_Set_Pixel_Sizes) X(FT_Get_Char_Index) X(FT_Load_Glyph) X(FT_Render_Glyph)            \
  X(FT_GlyphSlot_Oblique) X(FT_GlyphSlot_Embolden) X(FT_Get_Sfnt_Table)
#define BRIVO_FONTCONFIG_FUNCTIONS(X)                                                                    \
  X(FcInit) X(FcFini) X(FcConfigGetConfigFiles) X(FcConfigGetConfigDirs) X(FcConfigGetFontDirs)          \
  X(FcConfigGetCacheDirs) X(FcStrListNext) X(FcStrListDone) X(FcPatternCreate) X(FcPatternDestroy)       \
  X(FcPatternAddString) X(FcPatternAddInteger) X(FcPatternAddBool) X(FcPatternAddCharSet)               \
  X(FcPatternGetString) X(FcPatternGetInteger) X(FcPatternGetDouble) X(FcPatternGetBool)                \
  X(FcPatternGetCharSet) X(FcConfigSubstitute) X(FcDefaultSubstitute) X(FcFontMatch) X(FcFontSort)      \
  X(FcFontSetDestroy) X(FcFontRenderPrepare) X(FcNameParse) X(FcCharSetCreate) X(FcCharSetDestroy)      \
  X(FcCharSetAddChar) X(FcCharSetHasChar)
#define BRIVO_POINTER(Name) decltype(&::Name) Name = nullptr;

struct TFreeType {
  BRIVO_FREETYPE_FUNCTIONS(BRIVO_POINTER)
};
struct TFontconfig {
  BRIVO_FONTCONFIG_FUNCTIONS(BRIVO_POINTER)
};

#define BRIVO_BIND(Name) load(#Name, lib.Name);

const TFreeType& Ft() {
  static const TFreeType library = [] {
    const TSharedLibrary load("text", "libfreetype.so.6");
    TFreeType lib;
    BRIVO_FREETYPE_FUNCTIONS(BRIVO_BIND)
    return lib;
  }();
  return library;
}

const TFontconfig& Fc() {
  static const TFontconfig library = [] {
    const TSharedLibrary load("text", "libfontconfig.so.1");
    TFontconfig lib;
    BRIVO_FONTCONFIG_FUNCTIONS(BRIVO_BIND)
    return lib;
  }();
  return library;
}

#undef BRIVO_BIND
#undef BRIVO_POINTER
#undef BRIVO_FONTCONFIG_FUNCTIONS
#undef BRIVO_FREETYPE_FUNCTIONS

long long ModificationNs(const struct stat& St) {
  return static_cast<long long>(St.st_mtim.tv_sec) * 1000000000LL + St.st_mtim.tv_nsec;
}

TFileStamp StampOf(const std::string& Path) {
  TFileStamp stamp{Path, -1, -1};
  struct stat st {};
  if (stat(Path.c_str(), &st) == 0) {
    stamp.MTimeNs = ModificationNs(st);
    stamp.Size = static_cast<long long>(st.st_size);
  }
  return stamp;
}

std::string Environment(const char* Name) {
  const char* value = std::getenv(Name);
  return value ? value : "";
}

// A folder of the user's as XDG names it (XDG_CACHE_HOME, else ~/.cache), empty when there is none.
std::string UserFolder(const char* Variable, const char* UnderHome) {
  const std::string xdg = Environment(Variable);
  if (!xdg.empty() && xdg.front() == '/')
    return xdg;
  const std::string home = Environment("HOME");
  return home.empty() || home.front() != '/' ? std::string() : home + "/" + UnderHome;
}

void AddStamps(FcStrList* List, std::vector<std::string>& Paths) {
  if (!List)
    return;
  while (FcChar8* path = Fc().FcStrListNext(List))
    Paths.emplace_back(reinterpret_cast<const char*>(path));
  Fc().FcStrListDone(List);
}

// Fontconfig's configuration files and folders (a folder it includes is among them, so a file added
// to it is noticed), font folders and cache folders as it has loaded them, and the user's
// configuration files that it would read if they existed.
std::vector<TFileStamp> FontconfigStamps() {
  std::vector<std::string> paths;
  AddStamps(Fc().FcConfigGetConfigFiles(nullptr), paths);
  if (const std::string config = UserFolder("XDG_CONFIG_HOME", ".config"); !config.empty()) {
    paths.push_back(config + "/fontconfig/fonts.conf");
    paths.push_back(config + "/fontconfig/conf.d");
  }
  if (const std::string home = Environment("HOME"); !home.empty()) {
    paths.push_back(home + "/.fonts.conf");
    paths.push_back(home + "/.fonts.conf.d");
  }
  paths.push_back("/etc/fonts/local.conf");
  AddStamps(Fc().FcConfigGetConfigDirs(nullptr), paths);
  AddStamps(Fc().FcConfigGetFontDirs(nullptr), paths);
  AddStamps(Fc().FcConfigGetCacheDirs(nullptr), paths);
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  std::vector<TFileStamp> stamps;
  for (const std::string& path : paths)
    stamps.push_back(StampOf(path));
  return stamps;
}

// A font file, read with positioned reads through a few cached blocks: FreeType keeps copies of the
// tables it needs, reads each glyph as it draws it and reads a table's small fields one by one. (A
// mapped file would cost more: the kernel maps the pages around each one touched, so every glyph
// drawn from a large CJK collection would keep tens of kilobytes of it resident.)
class TFontFile {
public:
  static std::shared_ptr<TFontFile> Open(const std::string& Path) {
    const int fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size <= 0) {
      close(fd);
      return nullptr;
    }
    return std::shared_ptr<TFontFile>(new TFontFile(fd, static_cast<unsigned long>(st.st_size)));
  }
  ~TFontFile() { close(FFd); }
  TFontFile(const TFontFile&) = delete;
  TFontFile& operator=(const TFontFile&) = delete;

  unsigned long Size() const { return FSize; }

  // FreeType's stream reader: Count bytes at Offset, or with Count 0 a seek (non-zero when it
  // fails).
  static unsigned long Read(FT_Stream Stream, unsigned long Offset, unsigned char* Buffer, unsigned long Count) {
    auto* file = static_cast<TFontFile*>(Stream->descriptor.pointer);
    if (Count == 0)
      return Offset > file->FSize ? 1 : 0;
    if (Offset >= file->FSize)
      return 0;
    Count = std::min(Count, file->FSize - Offset);
    if (Count >= BlockSize)
      return file->ReadAt(Offset, Buffer, Count);
    unsigned long done = 0;
    while (done < Count) {
      const TBlock* block = file->BlockAt((Offset + done) / BlockSize);
      if (!block)
        break;
      const unsigned long from = (Offset + done) % BlockSize;
      const unsigned long n = std::min<unsigned long>(Count - done, block->Bytes.size() - std::min<unsigned long>(from, block->Bytes.size()));
      if (n == 0)
        break;
      std::copy_n(block->Bytes.data() + from, n, Buffer + done);
      done += n;
    }
    return done;
  }

private:
  static constexpr unsigned long BlockSize = 16384;
  static constexpr std::size_t Blocks = 8;
  struct TBlock {
    unsigned long Number = 0;
    std::vector<unsigned char> Bytes;
  };

  TFontFile(int Fd, unsigned long Size) : FFd(Fd), FSize(Size) {}

  unsigned long ReadAt(unsigned long Offset, unsigned char* Buffer, unsigned long Count) const {
    unsigned long done = 0;
    while (done < Count) {
      const ssize_t n = pread(FFd, Buffer + done, Count - done, static_cast<off_t>(Offset + done));
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0)
        break;
      done += static_cast<unsigned long>(n);
    }
    return done;
  }

  // The block of that number, read when it is not among the last few used; null when it cannot be.
  const TBlock* BlockAt(unsigned long Number) {
    for (std::size_t i = 0; i < FBlocks.size(); ++i)
      if (FBlocks[i].Number == Number) {
        std::rotate(FBlocks.begin(), FBlocks.begin() + static_cast<std::ptrdiff_t>(i),
                    FBlocks.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        return &FBlocks.front();
      }
    TBlock block;
    block.Number = Number;
    block.Bytes.resize(std::min(BlockSize, FSize - Number * BlockSize));
    if (ReadAt(Number * BlockSize, block.Bytes.data(), block.Bytes.size()) != block.Bytes.size())
      return nullptr;
    if (FBlocks.size() == Blocks)
      FBlocks.pop_back();
    FBlocks.insert(FBlocks.begin(), std::move(block));
    return &FBlocks.front();
  }

  int FFd;
  unsigned long FSize;
  std::vector<TBlock> FBlocks;
};

// One FreeType face per file and face index, shared by every font instance that uses it, each at a
// size of its own: the face's tables and the auto-hinter's study of its characters are made once.
struct TSharedFace {
  FT_Face Face = nullptr;
  std::shared_ptr<TFontFile> File;
  FT_StreamRec Stream{};
  ~TSharedFace() {
    if (Face)
      Ft().FT_Done_Face(Face);
  }
};

// A face as one font instance uses it: at the instance's size, with what the instance has to
// synthesise.
struct TFace {
  std::shared_ptr<TSharedFace> Shared;
  FT_Size Size = nullptr;
  std::string File;
  std::string Family;
  bool SynthBold = false;
  bool SynthItalic = false;

  FT_Face Face() const { return Shared->Face; }
  // Makes this instance's size the face's current one, for metrics and glyphs.
  void Activate() const { Ft().FT_Activate_Size(Size); }
};

class TFreeTypeInstance;

// FreeType for the whole process, the open faces and every font instance made so far; what is kept
// between runs (KeepFontsBetweenRuns), and fontconfig itself once something is not kept.
class TEngine {
public:
  TEngine() = default;
  ~TEngine();

  std::map<TFontKey, std::shared_ptr<TFreeTypeInstance>> Instances;

  void KeepIn(const std::string& Path);
  std::shared_ptr<TSharedFace> OpenShared(const std::string& File, int Index);
  // The face for Request that Usable accepts (Usable opens it): the kept answer when there is one and
  // it is usable, otherwise fontconfig's (for a fallback, the first face of fontconfig's order that
  // has the character and is usable), which is then kept. No value when no face will do.
  std::optional<TFaceChoice> Choose(const TFaceRequest& Request, const std::function<bool(const TFaceChoice&)>& Usable);
  bool DefaultSans(std::string& Family, double& Points);
  // The kept metrics and glyphs of a font, handed over to its instance; no value when none are kept.
  std::optional<TKeptFont> TakeKept(const TFontKey& Key);
  // A glyph was drawn that was not kept; DrewFrom names the file of the face it came from.
  void Drew() { FChanged = !FPath.empty() || FChanged; }
  void DrewFrom(const std::string& File);
  void SaveIfChanged() {
    if (FChanged)
      Save();
    FChanged = false;
  }

private:
  void LoadFontconfig();
  void Keep(const TFaceRequest& Request, const std::optional<TFaceChoice>& Answer);
  void Stamp(const std::string& Path);
  void Save();

  // FreeType starts when the first face is opened: text that is all kept needs none.
  FT_Library Library();

  FT_Library FLibrary = nullptr;
  bool FFontconfig = false;
  // Where the kept file is; empty when nothing is kept.
  std::string FPath;
  TKeptFonts FKept;
  // FKept's environment and stamps are today's: read from a file that is still good, or taken
  // after fontconfig was loaded in this run.
  bool FKeptCurrent = false;
  bool FChanged = false;
  std::map<std::pair<std::string, int>, std::weak_ptr<TSharedFace>> FFaces;
};

bool gEngineMade = false;

TEngine& Engine() {
  static TEngine engine;
  gEngineMade = true;
  return engine;
}

// The file of a loaded library or of the program, for stamping.
std::string FileOf(const void* Address) {
  Dl_info info{};
  return dladdr(Address, &info) && info.dli_fname ? info.dli_fname : "";
}

std::string ProgramFile() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

// What fontconfig's answers and FreeType's glyphs depend on besides files: where fontconfig looks,
// the language it prefers faces for, the program and the libraries' versions.
std::vector<std::pair<std::string, std::string>> CurrentEnvironment() {
  std::vector<std::pair<std::string, std::string>> env;
  for (const char* name : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "FC_LANG", "LC_ALL", "LC_CTYPE",
                           "LANG", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
    env.emplace_back(name, Environment(name));
  // The versions built against; the libraries' files are stamped once they are loaded, so a
  // library replaced under the same version is noticed too.
  env.emplace_back("fontconfig version", std::to_string(FC_VERSION));
  env.emplace_back("freetype version", std::to_string(FREETYPE_MAJOR) + "." + std::to_string(FREETYPE_MINOR) + "." +
                                           std::to_string(FREETYPE_PATCH));
  env.emplace_back("program", ProgramFile());
  return env;
}

void TEngine::KeepIn(const std::string& Path) {
  FPath = Path;
  FKept = {};
  FKeptCurrent = false;
  FChanged = false;
  if (FPath.empty())
    return;
  const auto environment = CurrentEnvironment();
  if (const int fd = open(FPath.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
    std::string text;
    char buffer[16384];
    ssize_t n = 0;
    while (text.size() <= TKeptFonts::MaxFileSize && (n = read(fd, buffer, sizeof buffer)) > 0)
      text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    try {
      FKept = TKeptFonts::Parse(text);
      FKeptCurrent = FKept.Environment == environment &&
                     std::all_of(FKept.Stamps.begin(), FKept.Stamps.end(),
                                 [](const TFileStamp& S) { return StampOf(S.Path) == S; });
    } catch (const EKeptFonts&) {
      // A damaged file is made anew.
    }
  }
  if (!FKeptCurrent) {
    FKept = {};
    FKept.Environment = environment;
  }
}

void TEngine::LoadFontconfig() {
  if (FFontconfig)
    return;
  TStartupSpan span("fontconfig");
  Fc().FcInit();
  FFontconfig = true;
  if (FPath.empty())
    return;
  // What the kept answers and glyphs depend on from now: fontconfig's files as it has just read
  // them, the program and its text libraries, and the font files drawn from.
  std::vector<std::string> files;
  for (const TFileStamp& stamp : FKept.Stamps)
    if (std::any_of(FKept.Faces.begin(), FKept.Faces.end(),
                    [&](const auto& Entry) { return Entry.second && Entry.second->File == stamp.Path; }))
      files.push_back(stamp.Path);
  FKept.Stamps = FontconfigStamps();
  files.push_back(ProgramFile());
  files.push_back(FileOf(reinterpret_cast<const void*>(Fc().FcInit)));
  if (FLibrary)
    files.push_back(FileOf(reinterpret_cast<const void*>(Ft().FT_Init_FreeType)));
  for (const std::string& path : files)
    if (!path.empty())
      Stamp(path);
  FKeptCurrent = true;
  FChanged = true;
}

void TEngine::Stamp(const std::string& Path) {
  if (!Path.empty() && std::none_of(FKept.Stamps.begin(), FKept.Stamps.end(), [&](const TFileStamp& S) { return S.Path == Path; }))
    FKept.Stamps.push_back(StampOf(Path));
}

void TEngine::Keep(const TFaceRequest& Request, const std::optional<TFaceChoice>& Answer) {
  // A name the file could not hold again is not kept (a stored form may name anything).
  constexpr std::size_t longest = 1024;
  if (FPath.empty() || Request.Families.empty() || Request.Families.size() > 4 ||
      std::any_of(Request.Families.begin(), Request.Families.end(), [](const std::string& F) { return F.size() > longest; }) ||
      (Answer && (Answer->File.size() > longest || Answer->Family.size() > longest)) ||
      FKept.Faces.size() >= TKeptFonts::MaxAnswers)
    return;
  FKept.Faces[Request] = Answer;
  if (Answer)
    Stamp(Answer->File);
  FChanged = true;
}

FT_Library TEngine::Library() {
  if (FLibrary)
    return FLibrary;
  if (Ft().FT_Init_FreeType(&FLibrary) != 0) {
    FLibrary = nullptr;
    throw std::runtime_error("text: FreeType could not start");
  }
  // The glyphs kept from now are FreeType's.
  if (!FPath.empty())
    Stamp(FileOf(reinterpret_cast<const void*>(Ft().FT_Init_FreeType)));
  return FLibrary;
}

std::optional<TKeptFont> TEngine::TakeKept(const TFontKey& Key) {
  auto it = FKept.Fonts.find(Key);
  if (it == FKept.Fonts.end())
    return std::nullopt;
  TKeptFont font = std::move(it->second);
  FKept.Fonts.erase(it);
  return font;
}

void TEngine::DrewFrom(const std::string& File) {
  if (!FPath.empty())
    Stamp(File);
}

std::shared_ptr<TSharedFace> TEngine::OpenShared(const std::string& File, int Index) {
  const auto key = std::make_pair(File, Index);
  if (auto it = FFaces.find(key); it != FFaces.end())
    if (auto face = it->second.lock())
      return face;
  std::shared_ptr<TFontFile> file;
  for (const auto& [other, shared] : FFaces)
    if (other.first == File)
      if (auto face = shared.lock()) {
        file = face->File;
        break;
      }
  if (!file)
    file = TFontFile::Open(File);
  if (!file)
    return nullptr;
  auto shared = std::make_shared<TSharedFace>();
  shared->File = std::move(file);
  shared->Stream.descriptor.pointer = shared->File.get();
  shared->Stream.size = shared->File->Size();
  shared->Stream.read = TFontFile::Read;
  FT_Open_Args args{};
  args.flags = FT_OPEN_STREAM;
  args.stream = &shared->Stream;
  if (Ft().FT_Open_Face(Library(), &args, Index, &shared->Face) != 0) {
    shared->Face = nullptr;
    return nullptr;
  }
  std::erase_if(FFaces, [](const auto& Entry) { return Entry.second.expired(); });
  FFaces[key] = shared;
  return shared;
}

FcPattern* MakePattern(const std::vector<std::string>& Families, bool Bold, bool Italic) {
  FcPattern* pattern = Fc().FcPatternCreate();
  for (const auto& f : Families)
    Fc().FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(f.c_str()));
  Fc().FcPatternAddInteger(pattern, FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  Fc().FcPatternAddInteger(pattern, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  Fc().FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  Fc().FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  Fc().FcDefaultSubstitute(pattern);
  return pattern;
}

// What a matched pattern names; no value when it names no file.
std::optional<TFaceChoice> ChoiceOf(FcPattern* Match) {
  FcChar8* file = nullptr;
  if (Fc().FcPatternGetString(Match, FC_FILE, 0, &file) != FcResultMatch)
    return std::nullopt;
  TFaceChoice choice;
  choice.File = reinterpret_cast<const char*>(file);
  Fc().FcPatternGetInteger(Match, FC_INDEX, 0, &choice.Index);
  FcChar8* family = nullptr;
  if (Fc().FcPatternGetString(Match, FC_FAMILY, 0, &family) == FcResultMatch)
    choice.Family = reinterpret_cast<const char*>(family);
  choice.Weight = FC_WEIGHT_REGULAR;
  choice.Slant = FC_SLANT_ROMAN;
  Fc().FcPatternGetInteger(Match, FC_WEIGHT, 0, &choice.Weight);
  Fc().FcPatternGetInteger(Match, FC_SLANT, 0, &choice.Slant);
  // Fontconfig answers a bold request for a face that has no bold with the bold weight and the
  // embolden flag; the emboldening is then ours to do.
  FcBool embolden = FcFalse;
  Fc().FcPatternGetBool(Match, FC_EMBOLDEN, 0, &embolden);
  choice.Embolden = embolden != FcFalse;
  return choice;
}

std::optional<TFaceChoice> TEngine::Choose(const TFaceRequest& Request,
                                           const std::function<bool(const TFaceChoice&)>& Usable) {
  if (auto kept = FKept.Faces.find(Request); kept != FKept.Faces.end()) {
    if (!kept->second)
      return std::nullopt;
    if (Usable(*kept->second))
      return kept->second;
  }
  LoadFontconfig();
  TStartupSpan span("fontconfig");
  FcPattern* pattern = MakePattern(Request.Families, Request.Bold, Request.Italic);
  std::optional<TFaceChoice> found;
  if (Request.Char == 0) {
    FcResult result;
    if (FcPattern* match = Fc().FcFontMatch(nullptr, pattern, &result)) {
      if (auto choice = ChoiceOf(match); choice && Usable(*choice))
        found = choice;
      Fc().FcPatternDestroy(match);
    }
    Fc().FcPatternDestroy(pattern);
    // A font that finds no face at all fails; that is not kept.
    if (found)
      Keep(Request, found);
    return found;
  }
  FcCharSet* wanted = Fc().FcCharSetCreate();
  Fc().FcCharSetAddChar(wanted, Request.Char);
  Fc().FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
  Fc().FcCharSetDestroy(wanted);
  FcResult result;
  FcFontSet* set = Fc().FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  for (int i = 0; set && i < set->nfont && !found; ++i) {
    FcCharSet* charset = nullptr;
    if (Fc().FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch ||
        !Fc().FcCharSetHasChar(charset, Request.Char))
      continue;
    if (FcPattern* full = Fc().FcFontRenderPrepare(nullptr, pattern, set->fonts[i])) {
      if (auto choice = ChoiceOf(full); choice && Usable(*choice))
        found = choice;
      Fc().FcPatternDestroy(full);
    }
  }
  if (set)
    Fc().FcFontSetDestroy(set);
  Fc().FcPatternDestroy(pattern);
  Keep(Request, found);
  return found;
}

bool TEngine::DefaultSans(std::string& Family, double& Points) {
  if (FKept.DefaultSans) {
    Family = FKept.DefaultSans->first;
    Points = FKept.DefaultSans->second;
    return true;
  }
  LoadFontconfig();
  TStartupSpan span("fontconfig");
  FcPattern* pattern = Fc().FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
  if (!pattern)
    return false;
  Fc().FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  Fc().FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = Fc().FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  if (match) {
    FcChar8* family = nullptr;
    double size = 0;
    // The size asked for, as the match carries it over from the configured pattern.
    if (Fc().FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family &&
        (Fc().FcPatternGetDouble(match, FC_SIZE, 0, &size) == FcResultMatch ||
         Fc().FcPatternGetDouble(pattern, FC_SIZE, 0, &size) == FcResultMatch) &&
        size > 0) {
      Family = reinterpret_cast<const char*>(family);
      Points = size;
      found = true;
    }
    Fc().FcPatternDestroy(match);
  }
  Fc().FcPatternDestroy(pattern);
  if (found && !FPath.empty() && Family.size() <= 1024 && Points <= 1000) {
    FKept.DefaultSans = std::make_pair(Family, Points);
    FChanged = true;
  }
  return found;
}

// The face a choice names, opened (shared) with what the request has to synthesise; false when the
// file cannot be opened.
bool OpenFace(const TFaceChoice& Choice, bool Bold, bool Italic, TFace& Out) {
  auto shared = Engine().OpenShared(Choice.File, Choice.Index);
  if (!shared)
    return false;
  FT_Size size = nullptr;
  if (Ft().FT_New_Size(shared->Face, &size) != 0)
    return false;
  Out.Shared = std::move(shared);
  Out.Size = size;
  Out.File = Choice.File;
  Out.Family = !Choice.Family.empty() ? Choice.Family
                                      : std::string(Out.Face()->family_name ? Out.Face()->family_name : "");
  Out.SynthBold = Bold && (Choice.Weight < FC_WEIGHT_DEMIBOLD || Choice.Embolden);
  Out.SynthItalic = Italic && Choice.Slant == FC_SLANT_ROMAN;
  return true;
}

void CloseFace(TFace& Face) {
  if (Face.Size)
    Ft().FT_Done_Size(Face.Size);
  Face.Size = nullptr;
  Face.Shared.reset();
}

// A font at one size and style. Its faces are opened when it first draws a glyph that is not kept
// (a font whose metrics and glyphs were all kept opens none).
class TFreeTypeInstance : public TFontInstance {
public:
  TFreeTypeInstance(const TFontKey& Key, const std::vector<std::string>& Families)
      : FFamilies(Families), FHeight(std::get<1>(Key)), FBold(std::get<2>(Key) & 1), FItalic(std::get<2>(Key) & 2) {
    if (auto kept = Engine().TakeKept(Key)) {
      FPixelSize = kept->PixelSize;
      FAscent = kept->Ascent;
      FDescent = kept->Descent;
      FInternalLeading = kept->InternalLeading;
      FUnderlinePosition = kept->UnderlinePosition;
      FUnderlineThickness = kept->UnderlineThickness;
      FStrikeoutPosition = kept->StrikeoutPosition;
      FFamilyName = std::move(kept->FamilyName);
      for (auto& [c, glyph] : kept->Glyphs)
        FGlyphs.emplace(c, std::move(glyph));
      return;
    }
    OpenFaces();
  }

  ~TFreeTypeInstance() override {
    for (auto& f : FFaces)
      CloseFace(f);
  }

  const TGlyph& Glyph(char32_t C) override {
    auto it = FGlyphs.find(C);
    if (it != FGlyphs.end())
      return it->second;
    TStartupSpan span("fonts");
    OpenFaces();
    TGlyph glyph = Render(C);
    Engine().Drew();
    return FGlyphs.emplace(C, std::move(glyph)).first->second;
  }

  std::string FamilyFor(char32_t C) override {
    OpenFaces();
    const int f = FaceFor(C);
    return f < 0 ? std::string() : FFaces[f].Family;
  }

  // What is kept of the font for the next run.
  TKeptFont Kept() const {
    TKeptFont font;
    font.PixelSize = FPixelSize;
    font.Ascent = FAscent;
    font.Descent = FDescent;
    font.InternalLeading = FInternalLeading;
    font.UnderlinePosition = FUnderlinePosition;
    font.UnderlineThickness = FUnderlineThickness;
    font.StrikeoutPosition = FStrikeoutPosition;
    font.FamilyName = FFamilyName;
    font.Glyphs.insert(FGlyphs.begin(), FGlyphs.end());
    return font;
  }

private:
  void OpenFaces() {
    if (!FFaces.empty())
      return;
    const auto chosen = Engine().Choose({FFamilies, FBold, FItalic, 0}, [this](const TFaceChoice& Choice) {
      TFace face;
      if (!OpenFace(Choice, FBold, FItalic, face))
        return false;
      FFaces.push_back(std::move(face));
      return true;
    });
    if (!chosen)
      throw std::runtime_error("text: no font face is installed for \"" + FFamilies.front() + "\"");
    FFamilyName = FFaces.front().Family;
    SetupMetrics(FHeight);
  }

  void SetupMetrics(int Height) {
    FT_Face face = FFaces.front().Face();
    const double upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    double ascent = face->ascender, descent = -face->descender;
    if (const auto* os2 = static_cast<TT_OS2*>(Ft().FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      ascent = os2->usWinAscent;
      descent = os2->usWinDescent;
    }
    if (ascent + descent <= 0) {
      ascent = upem * 0.8;
      descent = upem * 0.2;
    }
    double em;
    if (Height < 0)
      em = -static_cast<double>(Height);
    else if (Height > 0)
      em = Height * upem / (ascent + descent);
    else
      em = 13;
    FPixelSize = std::clamp(static_cast<int>(std::lround(em)), 1, MaxPixelSize);
    const double scale = FPixelSize / upem;
    FAscent = static_cast<int>(std::lround(ascent * scale));
    FDescent = static_cast<int>(std::lround(descent * scale));
    if (Height > 0 && Height <= 2 * MaxPixelSize) {
      // A cell height is what the caller asked for; rounding must not change it.
      FDescent = std::max(0, Height - FAscent);
    }
    FInternalLeading = std::max(0, FAscent + FDescent - FPixelSize);
    FUnderlineThickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    FUnderlinePosition = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
    FUnderlinePosition = std::min(FUnderlinePosition, std::max(1, FDescent - FUnderlineThickness));
    FStrikeoutPosition = std::max(1, FPixelSize * 3 / 10);
    for (auto& f : FFaces)
      SetSize(f);
  }

  void SetSize(const TFace& Face) const {
    Face.Activate();
    Ft().FT_Set_Pixel_Sizes(Face.Face(), 0, FPixelSize);
  }

  // Index into FFaces of the face that has C, opening a fallback face when the faces open so far
  // lack it; -1 when no installed face has it.
  int FaceFor(char32_t C) {
    if (auto it = FFaceOf.find(C); it != FFaceOf.end())
      return it->second;
    int found = -1;
    for (std::size_t i = 0; i < FFaces.size() && found < 0; ++i)
      if (Ft().FT_Get_Char_Index(FFaces[i].Face(), C) != 0)
        found = static_cast<int>(i);
    if (found < 0)
      found = OpenFallback(C);
    FFaceOf[C] = found;
    return found;
  }

  int OpenFallback(char32_t C) {
    TStartupSpan span("fonts");
    int found = -1;
    Engine().Choose({FFamilies, FBold, FItalic, C}, [&](const TFaceChoice& Choice) {
      TFace face;
      if (!OpenFace(Choice, FBold, FItalic, face))
        return false;
      if (Ft().FT_Get_Char_Index(face.Face(), C) == 0) {
        CloseFace(face);
        return false;
      }
      SetSize(face);
      FFaces.push_back(std::move(face));
      found = static_cast<int>(FFaces.size()) - 1;
      return true;
    });
    return found;
  }

  TGlyph Render(char32_t C) {
    TGlyph glyph;
    if (C < 0x20 && C != U'\t')
      return glyph;  // control characters take no room
    const int f = (C == U'\t') ? FaceFor(U' ') : FaceFor(C);
    if (f < 0 || C == U'\t') {
      glyph.Missing = f < 0;
      glyph.Advance = f < 0 ? FPixelSize / 2 : Glyph(U' ').Advance;
      return glyph;
    }
    const TFace& face = FFaces[f];
    Engine().DrewFrom(face.File);
    face.Activate();
    const FT_UInt index = Ft().FT_Get_Char_Index(face.Face(), C);
    if (Ft().FT_Load_Glyph(face.Face(), index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0 &&
        Ft().FT_Load_Glyph(face.Face(), index, FT_LOAD_DEFAULT) != 0) {
      glyph.Missing = true;
      glyph.Advance = FPixelSize / 2;
      return glyph;
    }
    FT_GlyphSlot slot = face.Face()->glyph;
    if (face.SynthItalic && slot->format == FT_GLYPH_FORMAT_OUTLINE)
      Ft().FT_GlyphSlot_Oblique(slot);
    if (face.SynthBold)
      Ft().FT_GlyphSlot_Embolden(slot);
    glyph.Advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && Ft().FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
      return glyph;
    const FT_Bitmap& bm = slot->bitmap;
    glyph.Left = slot->bitmap_left;
    glyph.Top = slot->bitmap_top;
    glyph.Width = static_cast<int>(bm.width);
    glyph.Height = static_cast<int>(bm.rows);
    glyph.Coverage.assign(static_cast<std::size_t>(glyph.Width) * glyph.Height, 0);
    for (int y = 0; y < glyph.Height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
      if (bm.pitch < 0)
        row = bm.buffer + static_cast<std::ptrdiff_t>(glyph.Height - 1 - y) * -bm.pitch;
      std::uint8_t* out = glyph.Coverage.data() + static_cast<std::size_t>(y) * glyph.Width;
      for (int x = 0; x < glyph.Width; ++x) {
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
          out[x] = bm.num_grays == 256 ? row[x]
                                       : static_cast<std::uint8_t>(row[x] * 255 / std::max(1, bm.num_grays - 1));
      }
    }
    return glyph;
  }

  std::vector<std::string> FFamilies;
  int FHeight;
  bool FBold;
  bool FItalic;
  int FPixelSize = 13;
  std::vector<TFace> FFaces;
  std::unordered_map<char32_t, int> FFaceOf;
  std::unordered_map<char32_t, TGlyph> FGlyphs;
};

// The kept file holds the fonts drawn in this run, and those kept before that this run did not
// use, while there is room.
void TEngine::Save() {
  if (FPath.empty() || !FKeptCurrent)
    return;
  TKeptFonts out;
  out.Environment = FKept.Environment;
  out.Stamps = FKept.Stamps;
  out.Faces = FKept.Faces;
  out.DefaultSans = FKept.DefaultSans;
  std::size_t glyphs = 0;
  auto add = [&](const TFontKey& Key, TKeptFont Font) {
    const bool fits = glyphs + Font.Glyphs.size() <= TKeptFonts::MaxGlyphs / 2 && out.Fonts.size() < TKeptFonts::MaxFonts &&
                      std::get<0>(Key).size() <= 1024 &&
                      std::all_of(Font.Glyphs.begin(), Font.Glyphs.end(), [](const auto& G) {
                        return G.second.Width <= TKeptFonts::MaxGlyphSide && G.second.Height <= TKeptFonts::MaxGlyphSide;
                      });
    if (!fits)
      return;
    glyphs += Font.Glyphs.size();
    out.Fonts.emplace(Key, std::move(Font));
  };
  for (const auto& [key, instance] : Instances)
    add(key, instance->Kept());
  for (auto& [key, font] : FKept.Fonts)
    if (!out.Fonts.contains(key))
      add(key, std::move(font));
  const std::string text = out.Format();
  if (text.size() > TKeptFonts::MaxFileSize)
    return;
  // Written to a file of its own and renamed into place, so that a program reading it at the same
  // moment (another start) finds the old file or the new one, never half of one.
  const std::string folder = FPath.substr(0, FPath.rfind('/'));
  if (!folder.empty()) {
    mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0700);
    mkdir(folder.c_str(), 0700);
  }
  const std::string temporary = FPath + "." + std::to_string(getpid()) + ".new";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0)
    return;
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0)
      break;
    written += static_cast<std::size_t>(n);
  }
  const bool whole = close(fd) == 0 && written == text.size();
  if (!whole || rename(temporary.c_str(), FPath.c_str()) != 0)
    unlink(temporary.c_str());
}

TEngine::~TEngine() {
  SaveIfChanged();
  gEngineMade = false;
  Instances.clear();
  if (FLibrary)
    Ft().FT_Done_FreeType(FLibrary);
  if (FFontconfig)
    Fc().FcFini();
}

}  // namespace

bool DefaultSansFont(std::string& Family, double& Points) {
  TStartupSpan span("fonts");
  return Engine().DefaultSans(Family, Points);
}

void KeepFontsBetweenRuns(const std::string& File) {
  {
    TStartupSpan span("fonts");
    Engine().KeepIn(File);
  }
  StartupMark("kept fonts read");
}

void SaveKeptFonts() {
  if (gEngineMade)
    Engine().SaveIfChanged();
}

std::string UserCacheFile(std::string_view Name) {
  const std::string folder = UserFolder("XDG_CACHE_HOME", ".cache");
  return folder.empty() ? std::string() : folder + "/brivo/" + std::string(Name);
}

std::vector<std::string> SubstituteFontName(std::string_view Name) {
  for (const auto& s : Substitutes)
    if (SameFontName(s.Name, Name))
      return {std::string(s.Families[0]), std::string(s.Families[1])};
  return {std::string(Name)};
}

std::shared_ptr<TFontInstance> FindFontInstance(const TFont& Font) {
  auto& engine = Engine();
  TStartupSpan span("fonts");
  const int style = static_cast<int>(Font.Style().Bits() & 0x03);  // underline and strike-out are drawn by the canvas
  TFontKey key(Font.Name(), Font.Height(), style);
  auto it = engine.Instances.find(key);
  if (it != engine.Instances.end())
    return it->second;
  auto instance = std::make_shared<TFreeTypeInstance>(key, SubstituteFontName(Font.Name()));
  // Text that names fonts without end (a stored form from outside) must not keep an instance (and
  // perhaps a face) for each. Instances nobody else holds go when the cache is full.
  if (engine.Instances.size() >= MaxCachedFontInstances)
    std::erase_if(engine.Instances, [](const auto& entry) { return entry.second.use_count() == 1; });
  engine.Instances.emplace(std::move(key), instance);
  return instance;
}

std::size_t CachedFontInstances() { return Engine().Instances.size(); }
