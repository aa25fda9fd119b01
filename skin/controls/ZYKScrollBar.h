#pragma once

#include "platform/controls/Panel.h"
#include "platform/graphics/Bitmap.h"
#include "skin/controls/ZYKButton.h"
#include "skin/controls/ZYKProgressBar.h"
#include "skin/controls/ZYKTrackBar.h"
#include "skin/foundation/ZYKThemes.h"

#include <cstdint>
#include <memory>

class TzykFileTheme;

// The skinned scroll bar: a panel holding a decrease arrow, a track whose slider is the thumb, and
// an increase arrow, in a row or a column. The arrows show frames of the look's arrow picture; the
// thumb is composed from the three pieces of the look's thumb picture. Range, position, paging and
// the change event live in the track: the scroll bar's properties of those names are the track's,
// and OnChange handlers are told the track as sender.
class TzykScrollBar : public TCustomPanel {
  BRIVO_CLASS(TzykScrollBar, TCustomPanel)

public:
  explicit TzykScrollBar(TComponent* AOwner);
  ~TzykScrollBar() override;

  TzykFileTheme* FileTheme() const { return FFileTheme; }
  void SetFileTheme(TzykFileTheme* Value);
  // A fixed thumb length in pixels (at least 18); 0 or less makes the thumb PageSize percent of the
  // track, with 10 % for a PageSize outside 10..100. A length beyond the room between the arrows is
  // ignored.
  int LineButton() const { return FLineButton; }
  void SetLineButton(int Value);
  TzykProgressBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TzykProgressBarOrientation Value);
  TzykUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TzykUIStyle Value);

  int Max() const { return FTrack->Max(); }
  void SetMax(int Value) { FTrack->SetMax(Value); }
  int Min() const { return FTrack->Min(); }
  void SetMin(int Value) { FTrack->SetMin(Value); }
  int Position() const { return FTrack->Position(); }
  void SetPosition(int Value);
  // The step of one arrow tick.
  std::int16_t SmallChange() const { return FSmallChange; }
  void SetSmallChange(std::int16_t Value) { FSmallChange = Value; }
  // The track's paging step under a second name; writing it leaves the thumb as it is.
  std::int16_t LargeChange() const { return static_cast<std::int16_t>(FTrack->PageSize()); }
  void SetLargeChange(std::int16_t Value) { FTrack->SetPageSize(Value); }
  // The paging step, which also sizes the thumb.
  int PageSize() const { return FTrack->PageSize(); }
  void SetPageSize(int Value);
  const TNotifyEvent& OnChange() const { return FTrack->OnChange; }
  void SetOnChange(TNotifyEvent Value) { FTrack->OnChange = std::move(Value); }

  TzykScrollTrackBar* Track() const { return FTrack; }
  TzykImageButton* IncButton() const { return FIncButton; }
  TzykImageButton* DecButton() const { return FDecButton; }
  // The thumb pieces as last loaded: the left (top) cap, the middle and the right (bottom) cap.
  const TBitmap& FirstPiece() const { return *FFirstPiece; }
  const TBitmap& MiddlePiece() const { return *FMiddlePiece; }
  const TBitmap& LastPiece() const { return *FLastPiece; }

  // Fetches the colour, the arrow frames and the thumb pieces of the current look, each turned to
  // suit the orientation.
  void LoadPictures();
  // Places the arrows at both ends and the track between them, takes the arrows' thickness, and
  // builds the thumb. A bar of no width or height hides itself; any other size shows it.
  void UpdateLayout();
  // Composes the thumb from its pieces at its length and gives it to the track. It does not move
  // the thumb: the track places it at its next position change or resize.
  void BuildThumb();

protected:
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void Resize() override;

private:
  // The press of an arrow in progress: whether the left button went down on it, and whether the
  // repeat timer has stepped since.
  struct TArrowPress {
    bool Pressed = false;
    bool Ticked = false;
  };

  void Step(int Direction);
  // Width or height left for the track between the arrows.
  int Room() const;

  TzykUIStyle FUIStyle = DeepBlue;
  TzykFileTheme* FFileTheme = nullptr;
  TzykProgressBarOrientation FOrientation = zykHorizontal;
  std::int16_t FSmallChange = 1;
  int FLineButton = 0;
  bool FCreated = false;
  std::unique_ptr<TBitmap> FFirstPiece;
  std::unique_ptr<TBitmap> FMiddlePiece;
  std::unique_ptr<TBitmap> FLastPiece;
  TzykScrollTrackBar* FTrack = nullptr;
  TzykImageButton* FIncButton = nullptr;
  TzykImageButton* FDecButton = nullptr;
  TArrowPress FIncPress;
  TArrowPress FDecPress;
};

// Makes TzykScrollBar creatable by name in stored forms.
void RegisterZYKScrollBarClasses();
