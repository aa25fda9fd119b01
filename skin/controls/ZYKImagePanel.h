#pragma once

#include "platform/controls/Panel.h"
#include "platform/graphics/Picture.h"

#include <cstdint>
#include <memory>

// How the picture covers the panel: in its own size at the top-left corner, stretched over the
// client area, or repeated from the corner.
enum TzykDrawStyle : std::uint8_t { zykNormal, zykStretch, zykTile };

const TEnumInfo& TzykDrawStyleInfo();

// A panel that shows a picture, optionally over its parent's background, with a one-line caption
// on top. It paints every pixel itself through one off-screen bitmap, so background erases are
// ignored.
class TzykCustomPanel : public TCustomPanel {
  BRIVO_CLASS(TzykCustomPanel, TCustomPanel)

public:
  explicit TzykCustomPanel(TComponent* AOwner);
  ~TzykCustomPanel() override;

  TPicture* Picture() const { return FPicture.get(); }
  // Copies Value into Picture.
  void SetPicture(TPicture* Value);
  bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  TzykDrawStyle DrawStyle() const { return FDrawStyle; }
  void SetDrawStyle(TzykDrawStyle Value);
  // Where the caption was last drawn.
  const TRect& CaptionRect() const { return FCaptionRect; }

protected:
  void WndProc(TMessage& Message) override;
  void Paint() override;
  void Resize() override;
  void TextChanged() override;

  virtual void ClearBackground();
  // Told where the old caption was drawn when the caption text changes, before the repaint.
  virtual void CaptionChanged(const TRect& OldCaptionRect);
  virtual void PictureChanged(TObject* Sender);

private:
  void ApplyAutoSize();
  void ApplyTransparency();

  std::unique_ptr<TPicture> FPicture;
  bool FTransparent = false;
  bool FAutoSize = false;
  TzykDrawStyle FDrawStyle = zykNormal;
  TRect FCaptionRect;
};

class TzykImagePanel : public TzykCustomPanel {
  BRIVO_CLASS(TzykImagePanel, TzykCustomPanel)

public:
  explicit TzykImagePanel(TComponent* AOwner) : TzykCustomPanel(AOwner) {}
};

// Makes TzykImagePanel creatable by name in stored forms.
void RegisterZYKImagePanelClasses();
