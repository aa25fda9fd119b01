#pragma once

#include "platform/core/Persistent.h"
#include "platform/graphics/Geometry.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class TCanvas;

// A picture that can draw itself on a canvas and be read from and written to a stream.
class TGraphic : public TPersistent {
  BRIVO_CLASS(TGraphic, TPersistent)

public:
  TGraphic() = default;

  virtual std::unique_ptr<TGraphic> Clone() const = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;
  virtual bool Empty() const = 0;

  bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);

  // Draws the graphic stretched over R (an inverted R mirrors it).
  virtual void Draw(TCanvas& Canvas, const TRect& R) const = 0;

  // Reads from the stream's position to its end; writes the file format of the graphic.
  virtual void LoadFromStream(std::istream& Stream) = 0;
  virtual void SaveToStream(std::ostream& Stream) const = 0;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;
  // What a stored form keeps of the graphic; by default its file.
  virtual void ReadData(std::istream& Stream) { LoadFromStream(Stream); }
  virtual void WriteData(std::ostream& Stream) const { SaveToStream(Stream); }

  TNotifyEvent OnChange;
  // Tells OnChange that the graphic changed (drawing on a bitmap's canvas does not by itself).
  void Modified() { Changed(); }

protected:
  void Changed();

  bool FTransparent = false;
};

// Opens a picture file for reading or writing; throws EInvalidGraphic naming the file when it cannot.
std::unique_ptr<std::istream> OpenGraphicFile(const std::string& FileName);
std::unique_ptr<std::ostream> CreateGraphicFile(const std::string& FileName);
// Flushes a file made by CreateGraphicFile; throws EInvalidGraphic when the data did not reach it.
void FinishGraphicFile(std::ostream& File, const std::string& FileName);

// Reads the rest of a stream, refusing more than Limit bytes with a message naming Format.
std::vector<std::uint8_t> ReadStreamToEnd(std::istream& Stream, std::size_t Limit, const char* Format);

// Reads exactly Count bytes (growing the buffer as data arrives, so a false count allocates
// nothing); throws naming Format when the stream ends first.
std::vector<std::uint8_t> ReadStreamBytes(std::istream& Stream, std::size_t Count, const char* Format);

// The largest picture file read.
constexpr std::size_t MaxGraphicFileSize = 256u * 1024 * 1024;
