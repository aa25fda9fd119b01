#pragma once

#include "platform/controls/WinControl.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

const TEnumInfo& BevelCutInfo();
const TEnumInfo& AlignmentInfo();

// Draws the platform's three-dimensional frame: Width one-pixel rings inside Rect, top and left
// edges in TopColor, bottom and right in BottomColor. Rect shrinks by Width on every side.
void Frame3D(TCanvas& Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

// A container with an outer and an inner bevel, a border between them and a caption placed by
// Alignment and centred vertically.
class TCustomPanel : public TCustomControl {
  BRIVO_CLASS(TCustomPanel, TCustomControl)

public:
  explicit TCustomPanel(TComponent* AOwner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int Value);
  bool FullRepaint() const { return FFullRepaint; }
  void SetFullRepaint(bool Value) { FFullRepaint = Value; }
  bool IsColorStored() const { return !ParentColor(); }
  bool IsFontStored() const { return !ParentFont(); }

protected:
  void AdjustClientRect(TRect& Rect) const override;
  void Paint() override;

private:
  TAlignment FAlignment = taCenter;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  int FBevelWidth = 1;
  bool FFullRepaint = true;
};

class TPanel : public TCustomPanel {
  BRIVO_CLASS(TPanel, TCustomPanel)

public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};
