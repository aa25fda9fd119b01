// A skinned window from a stored description: a title bar, a scroll bar, the value it stands at, and a button
// that puts it back in the middle. Built against the installed skin library (Brivo::Skin).
//
//   skinned-window                      opens the window on the X display
//   skinned-window --render FILE.png    renders it on a headless desktop instead
//   skinned-window --description        prints the stored description it is read from

#include "platform/backends/Backends.h"
#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Panel.h"
#include "platform/core/FileWrite.h"
#include "platform/core/StoredForm.h"
#include "platform/graphics/PngCodec.h"
#include "skin/controls/ZYKButton.h"
#include "skin/controls/ZYKControls.h"
#include "skin/controls/ZYKScrollBar.h"

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

namespace {

// Events name published methods of the form (OnClick = Button1Click).
const std::string_view Description = R"(object frmExample: TfrmExample
  Left = 200
  Top = 150
  Width = 240
  Height = 116
  Caption = 'Skinned window'
  Color = clBtnFace
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object TitleBar1: TzykTitleBar
    UIStyle = MacOS
    Caption = 'Skinned window'
  end
  object ScrollBar1: TzykScrollBar
    Left = 12
    Top = 36
    Width = 150
    Height = 16
    Orientation = zykHorizontal
    UIStyle = WinXP
    Max = 100
    Min = 0
    Position = 50
    SmallChange = 1
    LargeChange = 10
    PageSize = 10
    OnChange = ScrollBar1Change
  end
  object Value: TPanel
    Left = 172
    Top = 36
    Width = 48
    Height = 16
    BevelOuter = bvLowered
    Caption = '50'
    Color = clCream
  end
  object Button1: TzykButton
    Left = 12
    Top = 64
    Width = 96
    Height = 28
    UIStyle = MacOS
    Caption = 'Middle'
    OnClick = Button1Click
  end
end
)";

class TfrmExample : public TForm {
  BRIVO_CLASS(TfrmExample, TForm)

public:
  explicit TfrmExample(TComponent* AOwner) : TForm(AOwner) { ReadStoredForm(Description, *this); }

  TzykScrollBar* ScrollBar1 = nullptr;
  TPanel* Value = nullptr;
  TzykButton* Button1 = nullptr;

  void ScrollBar1Change(TObject*) { Value->SetCaption(std::to_string(ScrollBar1->Position())); }
  void Button1Click(TObject*) { ScrollBar1->SetPosition(50); }
};

TfrmExample* frmExample = nullptr;

} // namespace

// The reader fills the fields named like the components and binds events to the methods.
const TClassInfo& TfrmExample::StaticClassInfo() {
  using T = TfrmExample;
  static const TClassInfo Info = TClassBuilder<TfrmExample>()
                                     .Field("ScrollBar1", &T::ScrollBar1)
                                     .Field("Value", &T::Value)
                                     .Field("Button1", &T::Button1)
                                     .Method("ScrollBar1Change", &T::ScrollBar1Change)
                                     .Method("Button1Click", &T::Button1Click)
                                     .Build();
  return Info;
}

namespace {

void CreateMainForm() {
  Application->Initialize();
  RegisterSkinControlClasses();
  RegisterClass(TfrmExample::StaticClassInfo());
  Application->CreateForm(frmExample);
}

void Render(const std::string& Path) {
  THeadlessDesktop desktop;
  CreateMainForm();
  frmExample->Show();
  desktop.ProcessMessages();
  const auto png = EncodePng(desktop.Host(frmExample->Handle())->Surface());
  delete frmExample;
  WriteWholeFile(Path, png);
}

} // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (argc == 2 && mode == "--description") {
      std::fwrite(Description.data(), 1, Description.size(), stdout);
      return 0;
    }
    if (argc == 3 && mode == "--render") {
      Render(argv[2]);
      return 0;
    }
    if (argc != 1) {
      std::fprintf(stderr, "usage: skinned-window [--render FILE.png | --description]\n");
      return 2;
    }
    std::string why;
    if (UseNativeBackends(&why) != TNativeDisplay::Opened) {
      ReleaseNativeBackends();
      std::fprintf(stderr, "skinned-window: %s (--render FILE.png draws the window without one)\n", why.c_str());
      return 1;
    }
    CreateMainForm();
    Application->Run();
    return Application->ExitCode();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skinned-window: %s\n", e.what());
    return 1;
  }
}
