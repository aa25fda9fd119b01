#include "platform/graphics/Picture.h"

#include "platform/core/ClassInfo.h"
#include "platform/graphics/BmpCodec.h"

#include <istream>
#include <ostream>
#include <sstream>

namespace {

std::unique_ptr<TGraphic> NewGraphic(const std::string& ClassName) {
  if (ClassName == "TBitmap")
    return std::make_unique<TBitmap>();
  if (ClassName == "TIcon")
    return std::make_unique<TIcon>();
  return nullptr;
}

}  // namespace

const TClassInfo& TPicture::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TPicture>().Binary("Data", &TPicture::Data, &TPicture::SetData).Build();
  return Info;
}

void TPicture::Assign(const TPersistent* Source) {
  if (Source == nullptr)
    SetGraphic(nullptr);
  else if (const auto* picture = dynamic_cast<const TPicture*>(Source))
    SetGraphic(picture->Graphic());
  else if (const auto* graphic = dynamic_cast<const TGraphic*>(Source))
    SetGraphic(graphic);
  else
    TPersistent::Assign(Source);
}

std::vector<std::uint8_t> TPicture::Data() const {
  std::ostringstream out(std::ios::binary);
  WriteData(out);
  const std::string bytes = out.str();
  return {bytes.begin(), bytes.end()};
}

void TPicture::SetData(const std::vector<std::uint8_t>& Value) {
  std::istringstream in(std::string(Value.begin(), Value.end()), std::ios::binary);
  ReadData(in);
}

void TPicture::Adopt(std::unique_ptr<TGraphic> Graphic) {
  FGraphic = std::move(Graphic);
  if (FGraphic)
    FGraphic->OnChange = [this](TObject*) { Changed(); };
  Changed();
}

void TPicture::Changed() {
  if (OnChange)
    OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* Value) {
  if (Value == FGraphic.get())
    return;
  Adopt(Value ? Value->Clone() : nullptr);
}

TBitmap& TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic.get()))
    Adopt(std::make_unique<TBitmap>());
  return static_cast<TBitmap&>(*FGraphic);
}

TIcon& TPicture::Icon() {
  if (!dynamic_cast<TIcon*>(FGraphic.get()))
    Adopt(std::make_unique<TIcon>());
  return static_cast<TIcon&>(*FGraphic);
}

void TPicture::LoadFromStream(std::istream& Stream) {
  const auto data = ReadStreamToEnd(Stream, MaxGraphicFileSize, "picture");
  std::unique_ptr<TGraphic> graphic;
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromBytes(data);
    graphic = std::move(bitmap);
  } else if (data.size() >= 4 && data[0] == 0 && data[1] == 0 && (data[2] == 1 || data[2] == 2) && data[3] == 0) {
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromBytes(data);
    graphic = std::move(icon);
  } else {
    throw EInvalidGraphic("picture: unknown picture file format");
  }
  Adopt(std::move(graphic));
}

void TPicture::SaveToStream(std::ostream& Stream) const {
  if (FGraphic)
    FGraphic->SaveToStream(Stream);
}

void TPicture::LoadFromFile(const std::string& FileName) { LoadFromStream(*OpenGraphicFile(FileName)); }

void TPicture::SaveToFile(const std::string& FileName) const {
  auto out = CreateGraphicFile(FileName);
  SaveToStream(*out);
  FinishGraphicFile(*out, FileName);
}

void TPicture::ReadData(std::istream& Stream) {
  const int length = Stream.get();
  if (length == std::char_traits<char>::eof() || length == 0) {
    Adopt(nullptr);
    return;
  }
  std::string name(static_cast<std::size_t>(length), '\0');
  if (!Stream.read(name.data(), length))
    throw EInvalidGraphic("picture: stored class name is cut short");
  auto graphic = NewGraphic(name);
  if (!graphic)
    throw EInvalidGraphic("picture: unknown graphic class \"" + name + "\"");
  graphic->ReadData(Stream);
  Adopt(std::move(graphic));
}

void TPicture::WriteData(std::ostream& Stream) const {
  if (!FGraphic)
    return;
  const std::string name(FGraphic->ClassName());
  Stream.put(static_cast<char>(name.size()));
  Stream.write(name.data(), static_cast<std::streamsize>(name.size()));
  FGraphic->WriteData(Stream);
}
