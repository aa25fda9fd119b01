#pragma once

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/Icon.h"

#include <memory>

// Holds at most one graphic and tells OnChange whenever it is replaced or changes itself.
class TPicture : public TPersistent {
  BRIVO_CLASS(TPicture, TPersistent)

public:
  TPicture() = default;

  TGraphic* Graphic() const { return FGraphic.get(); }
  // Holds a copy of Value (nothing for null).
  void SetGraphic(const TGraphic* Value);
  bool HasGraphic() const { return FGraphic && !FGraphic->Empty(); }
  // The held bitmap; when the picture holds anything else it is replaced by an empty bitmap first.
  TBitmap& Bitmap();
  TIcon& Icon();

  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }

  // From another picture, a graphic, or nothing (the picture becomes empty).
  void Assign(const TPersistent* Source) override;

  // Reads a BMP or ICO file, told apart by its first bytes. Throws EInvalidGraphic.
  void LoadFromStream(std::istream& Stream);
  void SaveToStream(std::ostream& Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

  // What a stored form keeps: the graphic's class name (one length byte, then the name) and the
  // graphic's own data; nothing at all for an empty picture.
  void ReadData(std::istream& Stream);
  void WriteData(std::ostream& Stream) const;
  // The same as bytes: the published binary property "Data".
  std::vector<std::uint8_t> Data() const;
  void SetData(const std::vector<std::uint8_t>& Value);

  TNotifyEvent OnChange;

private:
  void Adopt(std::unique_ptr<TGraphic> Graphic);
  void Changed();

  std::unique_ptr<TGraphic> FGraphic;
};
