#include "app/Unit1.h"

#include "platform/core/Resources.h"
#include "platform/core/StoredForm.h"
#include "platform/windows/Gdi.h"
#include "skin/controls/ZYKControls.h"

#include <cmath>
#include <cstdio>
#include <string_view>

TfrmBrivo* frmBrivo = nullptr;

TGammaRamp BuildGammaRamp(float Offset, float Contrast, float Power) {
  TGammaRamp ramp;
  // Every step stores its result as a 32-bit float, but computes in double: the published table of
  // values depends on both.
  for (int i = 0; i < 256; ++i) {
    float x = static_cast<float>(i / 255.0);
    if (x != 1.0f)
      x = static_cast<float>(1.0 - std::exp(static_cast<double>(Power) * std::log(1.0 - x)));
    x = static_cast<float>((static_cast<double>(x) - 0.5) * Contrast + 0.5);
    x = static_cast<float>(static_cast<double>(x) + Offset - 1.0);
    if (!(x >= 0.0f)) // also catches NaN
      x = 0.0f;
    if (x > 1.0f)
      x = 1.0f;
    // nearbyint rounds ties to even in the default rounding mode: 127.5 becomes 128.
    const int level = static_cast<int>(std::nearbyint(static_cast<double>(x) * 255.0)) & 255;
    const WORD entry = static_cast<WORD>(level << 8);
    ramp.Red[i] = entry;
    ramp.Green[i] = entry;
    ramp.Blue[i] = entry;
  }
  return ramp;
}

void SetGamma(HDC DC, float Offset, float Contrast, float Power) {
  const TGammaRamp ramp = BuildGammaRamp(Offset, Contrast, Power);
  SetDeviceGammaRamp(DC, &ramp);
}

const TClassInfo& TfrmBrivo::StaticClassInfo() {
  using T = TfrmBrivo;
  static const TClassInfo Info = TClassBuilder<TfrmBrivo>()
                                     .Field("Label8", &T::Label8)
                                     .Field("stat2", &T::stat2)
                                     .Field("stat3", &T::stat3)
                                     .Field("zykForm1", &T::zykForm1)
                                     .Field("ScrollBar2", &T::ScrollBar2)
                                     .Field("Button1", &T::Button1)
                                     .Field("Label2", &T::Label2)
                                     .Field("zykURLLabel1", &T::zykURLLabel1)
                                     .Field("Label3", &T::Label3)
                                     .Field("Label9", &T::Label9)
                                     .Field("ScrollBar3", &T::ScrollBar3)
                                     .Field("Label1", &T::Label1)
                                     .Field("ScrollBar1", &T::ScrollBar1)
                                     .Field("stat1", &T::stat1)
                                     .Method("zyktempScrollBar1Change", &T::zyktempScrollBar1Change)
                                     .Method("zyktempScrollBar2Change", &T::zyktempScrollBar2Change)
                                     .Method("zyktempScrollBar3Change", &T::zyktempScrollBar3Change)
                                     .Method("zyktempButton1Click", &T::zyktempButton1Click)
                                     .Method("FormShow", &T::FormShow)
                                     .Build();
  return Info;
}

namespace {

std::string_view DescriptionResource(std::string_view ClassName) {
  const auto bytes = FindResource(ClassName, TResourceType::Form);
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace

TfrmBrivo::TfrmBrivo(TComponent* AOwner) : TfrmBrivo(AOwner, DescriptionResource(StaticClassName)) {}

TfrmBrivo::TfrmBrivo(TComponent* AOwner, std::string_view Description) : TForm(AOwner) {
  ReadStoredForm(Description, *this);
}

namespace {

std::string Tenths(int Position) {
  char text[32];
  std::snprintf(text, sizeof text, "%3.1f", Position / 10.0f);
  return text;
}

} // namespace

void TfrmBrivo::ApplySliders() {
  HDC dc = GetDC(nullptr);
  SetGamma(dc, ScrollBar1->Position() / 10.0f, ScrollBar2->Position() / 10.0f, ScrollBar3->Position() / 10.0f);
  stat1->SetCaption(Tenths(ScrollBar1->Position()));
  stat2->SetCaption(Tenths(ScrollBar2->Position()));
  stat3->SetCaption(Tenths(ScrollBar3->Position()));
  ReleaseDC(nullptr, dc);
}

void TfrmBrivo::zyktempScrollBar1Change(TObject*) { ApplySliders(); }
void TfrmBrivo::zyktempScrollBar2Change(TObject*) { ApplySliders(); }
void TfrmBrivo::zyktempScrollBar3Change(TObject*) { ApplySliders(); }

// Each slider not already in the middle runs the change handler as it is put back, with its own
// screen context; the last ramp applied is the identity either way.
void TfrmBrivo::zyktempButton1Click(TObject*) {
  HDC dc = GetDC(nullptr);
  SetGamma(dc, 1.0f, 1.0f, 1.0f);
  ScrollBar1->SetPosition(10);
  ScrollBar2->SetPosition(10);
  ScrollBar3->SetPosition(10);
  ReleaseDC(nullptr, dc);
}

// A display change may have reset the gamma (a monitor plugged in or turned back on, a new mode), so
// the sliders' ramp goes out again, once per notice. Nothing else sends it unasked: a ramp another
// program set stays until the displays change.
void TfrmBrivo::WndProc(TMessage& Message) {
  if (Message.Msg == WM_DISPLAYCHANGE)
    ApplySliders();
  TForm::WndProc(Message);
}

void TfrmBrivo::FormShow(TObject*) {
  HDC dc = GetDC(nullptr);
  Button1->Click();
  ReleaseDC(nullptr, dc);
}

void RegisterUnit1Classes() {
  RegisterSkinControlClasses();
  RegisterClass(TfrmBrivo::StaticClassInfo());
}
