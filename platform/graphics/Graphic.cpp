#include "platform/graphics/Graphic.h"

#include "platform/core/ClassInfo.h"
#include "platform/graphics/BmpCodec.h"

#include <algorithm>
#include <fstream>
#include <istream>
#include <ostream>

const TClassInfo& TGraphic::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TGraphic>().Build();
  return Info;
}

void TGraphic::SetTransparent(bool Value) {
  if (Value == FTransparent)
    return;
  FTransparent = Value;
  Changed();
}

void TGraphic::Changed() {
  if (OnChange)
    OnChange(this);
}

std::unique_ptr<std::istream> OpenGraphicFile(const std::string& FileName) {
  auto in = std::make_unique<std::ifstream>(FileName, std::ios::binary);
  if (!*in)
    throw EInvalidGraphic("cannot open \"" + FileName + "\"");
  return in;
}

std::unique_ptr<std::ostream> CreateGraphicFile(const std::string& FileName) {
  auto out = std::make_unique<std::ofstream>(FileName, std::ios::binary);
  if (!*out)
    throw EInvalidGraphic("cannot create \"" + FileName + "\"");
  return out;
}

void FinishGraphicFile(std::ostream& File, const std::string& FileName) {
  if (!File.flush())
    throw EInvalidGraphic("cannot write \"" + FileName + "\"");
}

void TGraphic::LoadFromFile(const std::string& FileName) { LoadFromStream(*OpenGraphicFile(FileName)); }

void TGraphic::SaveToFile(const std::string& FileName) const {
  auto out = CreateGraphicFile(FileName);
  SaveToStream(*out);
  FinishGraphicFile(*out, FileName);
}

std::vector<std::uint8_t> ReadStreamToEnd(std::istream& Stream, std::size_t Limit, const char* Format) {
  std::vector<std::uint8_t> data;
  char chunk[65536];
  while (Stream) {
    Stream.read(chunk, sizeof chunk);
    const auto got = static_cast<std::size_t>(Stream.gcount());
    if (got > Limit - data.size())
      throw EInvalidGraphic(std::string(Format) + ": file is larger than the limit");
    data.insert(data.end(), chunk, chunk + got);
  }
  return data;
}

std::vector<std::uint8_t> ReadStreamBytes(std::istream& Stream, std::size_t Count, const char* Format) {
  std::vector<std::uint8_t> data;
  char chunk[65536];
  while (data.size() < Count) {
    const std::size_t want = std::min(sizeof chunk, Count - data.size());
    Stream.read(chunk, static_cast<std::streamsize>(want));
    const auto got = static_cast<std::size_t>(Stream.gcount());
    data.insert(data.end(), chunk, chunk + got);
    if (got < want)
      throw EInvalidGraphic(std::string(Format) + ": stored data is shorter than its length");
  }
  return data;
}
