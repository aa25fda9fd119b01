#pragma once

#include "platform/controls/Form.h"
#include "platform/controls/Timer.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKThemes.h"

#include <cstdint>
#include <memory>
#include <string>

class TImageList;

// The glyph's place beside the caption, as the class library names it.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
const TEnumInfo& ButtonLayoutInfo();

// The base of the skinned buttons: hover and pressed states, the click, the repeat timer that ticks
// while the left button is held, the keyboard (Space, Enter, default and cancel keys, access keys),
// focus marking, the modal result, and a paint that composes the whole face in an off-screen bitmap.
// What a button draws comes from the Paint* operations, which descendants replace.
class TzykCustomButton : public TCustomControl {
  BRIVO_CLASS(TzykCustomButton, TCustomControl)

public:
  explicit TzykCustomButton(TComponent* AOwner);
  ~TzykCustomButton() override;

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  // The control's text under another name; a text change made any other way comes back here.
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  virtual TzykUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TzykUIStyle Value);
  TzykFileTheme* FileTheme() const { return FFileTheme; }
  void SetFileTheme(TzykFileTheme* Value);
  int MouseContinuouslyDownInterval() const { return FMouseContinuouslyDownInterval; }
  void SetMouseContinuouslyDownInterval(int Value) { FMouseContinuouslyDownInterval = Value; }
  int FocusedRectMargin() const { return FFocusedRectMargin; }
  void SetFocusedRectMargin(int Value);
  void SetEnabled(bool Value) override;
  bool IsFontStored() const { return !ParentFont(); }

  bool IsMouseOn() const { return FIsMouseOn; }
  bool IsMouseDown() const { return FIsMouseDown; }
  // The repeat timer exists only while a press repeats.
  const TTimer* RepeatTimer() const { return FRepeatTimer.get(); }

  // Ends a press, takes the focus when it may, hands ModalResult to the form, then OnClick.
  void Click() override;

  // OnMouseEnter is the control's own event; the button raises it when the pointer comes over it.
  TNotifyEvent OnMouseExit;
  TNotifyEvent OnMouseContinuouslyDown;

protected:
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void TextChanged() override;

  virtual void UpdateAutoSize();
  virtual void CaptionChanged() {}
  virtual void FontChanged();
  virtual void TransparentChanged();
  virtual void EnabledChanged() {}
  virtual void UIStyleChanged() {}
  virtual void PaintPicture(TCanvas& Canvas, TBitmap& Picture);
  virtual void PaintText(TCanvas& Canvas, const std::string& Caption);
  virtual void PaintFocus(TCanvas& Canvas);
  // The state pictures: frames 1, 2, 3 and 1 of the look's button picture.
  virtual void PaintButtonNormal(TBitmap& Picture) { FetchLookFrame(Picture, 1); }
  virtual void PaintButtonMouseOn(TBitmap& Picture) { FetchLookFrame(Picture, 2); }
  virtual void PaintButtonMouseDown(TBitmap& Picture) { FetchLookFrame(Picture, 3); }
  virtual void PaintButtonDisabled(TBitmap& Picture) { FetchLookFrame(Picture, 1); }

  // Our class library has no actions. When it gets them, the action link's update calls
  // SetCaption with the action's caption and then ActionImageChanged with its image list and index.
  virtual void ActionImageChanged(const TImageList*, int) {}

  void FetchLookFrame(TBitmap& Picture, int Frame) const;
  // The caption drawn in R by Flags: engraved when disabled, one pixel down and right when pressed.
  void DrawCaption(TCanvas& Canvas, const std::string& Caption, TRect R, unsigned Flags);

  bool FBoldCaption = false;
  bool FPictureTransparent = false;

private:
  void StopRepeat();
  void RepeatTick();
  void FetchStatePicture(TBitmap& Picture);

  bool FAutoSize = false;
  std::string FCaption;
  bool FCancel = false;
  bool FDefault = false;
  bool FTransparent = false;
  TModalResult FModalResult = mrNone;
  TzykUIStyle FUIStyle = DeepBlue;
  TzykFileTheme* FFileTheme = nullptr;
  std::unique_ptr<TTimer> FRepeatTimer;
  int FMouseContinuouslyDownInterval = 100;
  int FFocusedRectMargin = 2;
  bool FIsMouseOn = false;
  bool FIsMouseDown = false;
};

// The skinned push button: the look's button face stretched over the control, a centred caption
// and optionally a glyph beside it.
class TzykButton : public TzykCustomButton {
  BRIVO_CLASS(TzykButton, TzykCustomButton)

public:
  explicit TzykButton(TComponent* AOwner);
  ~TzykButton() override;

  // A glyph exactly twice as wide as high holds two images: enabled, then disabled.
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value);
  // Where the caption starts, as the glyph layout of the last paint placed it.
  TPoint TextOrigin() const { return FTextOrigin; }
  std::uint32_t ResHandle() const { return 0; }
  void SetResHandle(std::uint32_t) {}

protected:
  void UIStyleChanged() override;
  void PaintPicture(TCanvas& Canvas, TBitmap& Picture) override;
  void PaintText(TCanvas& Canvas, const std::string& Caption) override;
  void PaintFocus(TCanvas& Canvas) override;
  void ActionImageChanged(const TImageList* Images, int ImageIndex) override;

private:
  void PaintGlyph(TCanvas& Canvas);

  std::unique_ptr<TBitmap> FGlyph;
  TButtonLayout FLayout = blGlyphLeft;
  TPoint FTextOrigin;
  int FSpacing = 4;
};

// A button that shows one picture of its own per state and nothing of the look.
class TzykImageButton : public TzykCustomButton {
  BRIVO_CLASS(TzykImageButton, TzykCustomButton)

public:
  explicit TzykImageButton(TComponent* AOwner);
  ~TzykImageButton() override;

  // Never draws a look picture, so whatever was written it reads FromThemeFile.
  TzykUIStyle UIStyle() const override { return FromThemeFile; }
  TPicture* PicNormal() const { return FPicNormal.get(); }
  void SetPicNormal(TPicture* Value) { SetStatePicture(*FPicNormal, Value); }
  TPicture* PicMouseOn() const { return FPicMouseOn.get(); }
  void SetPicMouseOn(TPicture* Value) { SetStatePicture(*FPicMouseOn, Value); }
  TPicture* PicMouseDown() const { return FPicMouseDown.get(); }
  void SetPicMouseDown(TPicture* Value) { SetStatePicture(*FPicMouseDown, Value); }
  TPicture* PicDisabled() const { return FPicDisabled.get(); }
  void SetPicDisabled(TPicture* Value) { SetStatePicture(*FPicDisabled, Value); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool DrawFocused() const { return FDrawFocused; }
  void SetDrawFocused(bool Value);

  void SetParent(TWinControl* AParent) override;

protected:
  void UpdateAutoSize() override;
  void PaintButtonNormal(TBitmap& Picture) override;
  void PaintButtonMouseOn(TBitmap& Picture) override;
  void PaintButtonMouseDown(TBitmap& Picture) override;
  void PaintButtonDisabled(TBitmap& Picture) override;
  void PaintPicture(TCanvas& Canvas, TBitmap& Picture) override;
  void PaintFocus(TCanvas& Canvas) override;

private:
  void SetStatePicture(TPicture& Target, const TPicture* Value);
  // Picture := First when it holds a graphic, else PicNormal when that does; else left empty.
  void FetchPicture(TBitmap& Picture, const TPicture& First) const;

  std::unique_ptr<TPicture> FPicNormal;
  std::unique_ptr<TPicture> FPicMouseOn;
  std::unique_ptr<TPicture> FPicMouseDown;
  std::unique_ptr<TPicture> FPicDisabled;
  bool FStretch = false;
  bool FDrawFocused = false;
};

// Makes TzykButton and TzykImageButton creatable by name in stored forms.
void RegisterZYKButtonClasses();
