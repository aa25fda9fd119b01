#pragma once

#include "platform/controls/Panel.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };
const TEnumInfo& TextLayoutInfo();

// A text without a window: sized to its caption with AutoSize, see-through with Transparent,
// wrapped at word boundaries with WordWrap, and with an access key ("&Name") that gives
// FocusControl the focus.
class TCustomLabel : public TGraphicControl {
  BRIVO_CLASS(TCustomLabel, TGraphicControl)

public:
  explicit TCustomLabel(TComponent* AOwner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  bool Transparent() const { return !FControlStyle.Contains(csOpaque); }
  void SetTransparent(bool Value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  bool IsFontStored() const { return !ParentFont(); }
  bool IsColorStored() const { return !ParentColor(); }

  // The caption as drawn: broken into lines at word boundaries when WordWrap is set.
  std::string LayoutText(TCanvas& Measure, int MaxWidth) const;

protected:
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  void Paint() override;
  // Sizes the label to its text when AutoSize is set.
  virtual void AdjustBounds();
  void DoDrawText(TCanvas& Canvas, TRect& Rect, unsigned Flags);

private:
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
  BRIVO_CLASS(TLabel, TCustomLabel)

public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};
