#pragma once

#include "platform/controls/Form.h"
#include "platform/controls/Label.h"
#include "platform/controls/Panel.h"
#include "platform/windows/Types.h"
#include "skin/controls/ZYKButton.h"
#include "skin/controls/ZYKScrollBar.h"
#include "skin/controls/ZYKURLLabel.h"
#include "skin/frame/ZYKForm.h"

#include <string_view>

// The table SetGamma sends for the three adjustment values (1.0 is neutral for each).
TGammaRamp BuildGammaRamp(float Offset, float Contrast, float Power);

// Builds the table and loads it into the display behind DC (a screen context from GetDC(0)).
void SetGamma(HDC DC, float Offset, float Contrast, float Power);

// The adjuster window: three sliders (top: power, middle: contrast, bottom: offset, each position
// k standing for k / 10), their value panels and a reset button. It keeps no state of its own; the
// adjustment lives in the sliders' positions. Its controls come from the stored description
// resource named after the class: the skinned form zykForm1 (frame and title bar) first, carrying
// every other control.
class TfrmBrivo : public TForm {
  BRIVO_CLASS(TfrmBrivo, TForm)

public:
  explicit TfrmBrivo(TComponent* AOwner);
  // Reads the window from Description instead of the resource.
  TfrmBrivo(TComponent* AOwner, std::string_view Description);

  TLabel* Label8 = nullptr;
  TPanel* stat2 = nullptr;
  TPanel* stat3 = nullptr;
  TzykForm* zykForm1 = nullptr;
  TzykScrollBar* ScrollBar2 = nullptr;
  TzykButton* Button1 = nullptr;
  TLabel* Label2 = nullptr;
  TzykURLLabel* zykURLLabel1 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label9 = nullptr;
  TzykScrollBar* ScrollBar3 = nullptr;
  TLabel* Label1 = nullptr;
  TzykScrollBar* ScrollBar1 = nullptr;
  TPanel* stat1 = nullptr;

  void zyktempScrollBar1Change(TObject* Sender);
  void zyktempScrollBar2Change(TObject* Sender);
  void zyktempScrollBar3Change(TObject* Sender);
  void zyktempButton1Click(TObject* Sender);
  void FormShow(TObject* Sender);

protected:
  void WndProc(TMessage& Message) override;

private:
  void ApplySliders();
};

// The program's main window, made at start-up.
extern TfrmBrivo* frmBrivo;

// Makes TfrmBrivo creatable by name in stored forms, with the skin classes its description names.
void RegisterUnit1Classes();
