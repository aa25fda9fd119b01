#pragma once

#include "platform/controls/Panel.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "skin/controls/ZYKImagePanel.h"
#include "skin/controls/ZYKProgressBar.h"
#include "skin/foundation/ZYKThemes.h"

#include <memory>

class TTimer;
class TzykFileTheme;

// A skinned slider: the look's bar picture laid across the control and a slider, a child image
// panel, placed on it for Position within [Min, Max]. A press on the bar pages toward the pointer
// (and keeps paging while held), a press on the slider drags it, and the keys step it. OnChange is
// raised, with the track bar as sender, whenever the position differs from the one last reported.
class TzykTrackBar : public TCustomPanel {
  BRIVO_CLASS(TzykTrackBar, TCustomPanel)

public:
  explicit TzykTrackBar(TComponent* AOwner) : TzykTrackBar(AOwner, false) {}
  ~TzykTrackBar() override;

  TzykProgressBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TzykProgressBarOrientation Value);
  TzykFileTheme* FileTheme() const { return FFileTheme; }
  void SetFileTheme(TzykFileTheme* Value);
  TzykUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TzykUIStyle Value);
  TPicture* BarImage() const { return FBarImage.get(); }
  void SetBarImage(TPicture* Value);
  TPicture* SliderImage() const { return FSlider->Picture(); }
  virtual void SetSliderImage(TPicture* Value);

  int Min() const { return FMin; }
  void SetMin(int Value);
  int Max() const { return FMax; }
  void SetMax(int Value);
  int Position() const { return FPosition; }
  void SetPosition(int Value);
  // Paging and arrow-key steps; values outside 0..Max are ignored.
  int PageSize() const { return FPageSize; }
  void SetPageSize(int Value);
  int LineSize() const { return FLineSize; }
  void SetLineSize(int Value);
  bool ShowTick() const { return FShowTick; }
  void SetShowTick(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // Tick spacing in position units; 0 or less marks only Min and Max.
  int Frequency() const { return FFrequency; }
  void SetFrequency(int Value);

  TzykImagePanel* Slider() const { return FSlider; }
  // The bar picture laid out to the control's length (standing upright when vertical).
  const TBitmap& BarBitmap() const { return *FBarBitmap; }
  // The repeat timer while the left button is held on the bar, or null.
  TTimer* PageTimer() const { return FPageTimer.get(); }
  bool Dragging() const { return FDragging; }

  // Where the slider's top-left corner belongs for the current position.
  TPoint SliderOrigin() const;
  // The position that would centre the slider on a client point, not yet clamped to [Min, Max].
  int PositionFromPoint(int X, int Y) const;
  // Places the slider, repaints, and reports a position that differs from the last one reported.
  void UpdateSlider();

  TNotifyEvent OnChange;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void WndProc(TMessage& Message) override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;

  // The constructor already lays the control out, when a derived class's overrides cannot answer
  // yet; a derived class that supplies its own pictures says so here instead.
  TzykTrackBar(TComponent* AOwner, bool OwnerSuppliesPictures);

  // Loads the look's pictures and lays the bar out, unless CustomPicture.
  virtual void ReloadPictures();
  // Whether the owner supplies the pictures instead of the look.
  virtual bool CustomPicture() const { return FOwnerSuppliesPictures; }
  // Whether the slider leaves out its key colour.
  virtual bool SliderTransparent() const { return !FOwnerSuppliesPictures && FOrientation == zykHorizontal; }

  void SetPositionFromPoint(int X, int Y, bool ThroughSetter);
  void UpdateSize();
  void UpdateControl();

private:
  void SliderMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void SliderMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void PageTimerTick();
  // One page step toward Pointer, Pages pages long but never past the position under it.
  void PageToward(TPoint Pointer, int Pages);
  void PaintTicks(TCanvas& Canvas);

  std::unique_ptr<TBitmap> FBarBitmap;
  std::unique_ptr<TPicture> FBarImage;
  TzykImagePanel* FSlider = nullptr;
  std::unique_ptr<TTimer> FPageTimer;
  int FMin = 0;
  int FMax = 0;
  int FPosition = 0;
  int FLastPosition = 0;
  TzykProgressBarOrientation FOrientation = zykHorizontal;
  TzykFileTheme* FFileTheme = nullptr;
  TzykUIStyle FUIStyle = DeepBlue;
  bool FShowTick = true;
  bool FTransparent = false;
  bool FDragging = false;
  int FFrequency = 1;
  int FPageSize = 2;
  int FLineSize = 1;
  bool FOwnerSuppliesPictures = false;
};

// The track of the skinned scroll bar: its owner gives it the bar and slider pictures, which it
// keeps, and the slider is never see-through.
class TzykScrollTrackBar : public TzykTrackBar {
  BRIVO_CLASS(TzykScrollTrackBar, TzykTrackBar)

public:
  explicit TzykScrollTrackBar(TComponent* AOwner) : TzykTrackBar(AOwner, true) {}

  // Gives the slider its picture's size; called after a new SliderImage.
  void UpdateSliderSize();
};

// Makes TzykTrackBar and TzykScrollTrackBar creatable by name in stored forms.
void RegisterZYKTrackBarClasses();
