#pragma once

#include "platform/controls/Label.h"

#include <string>

// A label that behaves as a link: underlined, in the link colour, with the hand cursor. The text
// takes the hover colour while the pointer is over it, and a click opens URL with the user's default
// handler before OnClick runs.
class TzykURLLabel : public TCustomLabel {
  BRIVO_CLASS(TzykURLLabel, TCustomLabel)

public:
  explicit TzykURLLabel(TComponent* AOwner);

  const std::string& URL() const { return FURL; }
  void SetURL(const std::string& Value);
  TColor FontHoverColor() const { return FFontHoverColor; }
  // Shows at the next time the pointer comes in.
  void SetFontHoverColor(TColor Value) { FFontHoverColor = Value; }
  TColor FontLinkColor() const { return FFontLinkColor; }
  // Shows at once, even while the pointer is over the label.
  void SetFontLinkColor(TColor Value);

  void Click() override;

protected:
  void WndProc(TMessage& Message) override;

private:
  std::string FURL;
  TColor FFontHoverColor = clRed;
  TColor FFontLinkColor = clBlue;
};

void RegisterZYKURLLabelClasses();
