#include "ControlsFixture.h"

#include "platform/core/Resources.h"
#include "platform/core/StoredForm.h"
#include "platform/controls/Timer.h"
#include "platform/windows/WindowProcHook.h"
#include "tests/platform/controls/MaximiseFitter.h"

namespace {

class TStoredTestForm : public TForm {
  BRIVO_CLASS(TStoredTestForm, TForm)

public:
  explicit TStoredTestForm(TComponent* AOwner) : TForm(AOwner) {}
  TLabel* Label1 = nullptr;
  TPanel* stat1 = nullptr;
  int Shows = 0;
  void FormShow(TObject*) { ++Shows; }
};

} // namespace

const TClassInfo& TStoredTestForm::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TStoredTestForm>()
                                     .Method("FormShow", &TStoredTestForm::FormShow)
                                     .Field("Label1", &TStoredTestForm::Label1)
                                     .Field("stat1", &TStoredTestForm::stat1)
                                     .Build();
  return Info;
}

namespace {

using FormTest = ControlsTest;

TEST_F(FormTest, DesktopCentreUsesTheWorkArea) {
  Form->SetPosition(poDesktopCenter);
  ShowForm();
  EXPECT_EQ(Form->Left(), (1024 - 281) / 2);
  EXPECT_EQ(Form->Top(), (728 - 121) / 2);
  TRect r;
  GetWindowRect(Form->Handle(), &r);
  EXPECT_EQ(r, Bounds(371, 303, 281, 121));
  EXPECT_EQ(Screen->WorkAreaHeight(), 728);
}

TEST_F(FormTest, OnShowComesBeforeTheWindowShows) {
  bool visibleInShow = true;
  Form->OnShow = [&](TObject*) { visibleInShow = IsWindowVisible(Form->Handle()) != 0; };
  ShowForm();
  EXPECT_FALSE(visibleInShow);
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
  EXPECT_EQ(Screen->ActiveForm(), Form);
}

TEST_F(FormTest, ClosingHidesASecondaryFormAndAskedFirst) {
  bool allow = false;
  Form->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = allow; };
  ShowForm();
  Form->Close();
  EXPECT_TRUE(Form->Visible());
  allow = true;
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(Form->Visible());
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
}

TEST_F(FormTest, CloseActionFreeReleasesTheFormAfterTheMessage) {
  Form->OnClose = [](TObject*, TCloseAction& Action) { Action = caFree; };
  ShowForm();
  Form->Close();
  EXPECT_EQ(Screen->FormCount(), 1);
  Desktop.ProcessMessages();
  EXPECT_EQ(Screen->FormCount(), 0);
  Form = nullptr;
}

TEST_F(FormTest, ModalResultEndsShowModal) {
  auto* ok = AddPanel(Form, "Ok", Bounds(10, 10, 60, 30));
  ok->OnClick = [&](TObject*) { Form->SetModalResult(mrOk); };
  Desktop.SetIdleHook([&] { Desktop.Click(At(ok).X, At(ok).Y); });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_FALSE(Form->Visible());
  Desktop.SetIdleHook(nullptr);
}

class ApplicationTest : public ControlsTest {};

TEST_F(ApplicationTest, RunShowsTheMainFormAndEndsWhenItCloses) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  EXPECT_TRUE(main->Constructed()) << "CreateForm finishes the construction";
  main->SetCaption("Main");
  int shows = 0;
  main->OnShow = [&](TObject*) { ++shows; };
  std::vector<UINT> seen;
  Application->OnMessage = [&](MSG& M, bool&) { seen.push_back(M.message); };
  Desktop.SetIdleHook([&] {
    Desktop.KeyDown(VK_MENU);
    Desktop.KeyDown(VK_F4);
  });
  Application->Run();
  EXPECT_EQ(shows, 1);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_NE(std::find(seen.begin(), seen.end(), WM_SYSKEYDOWN), seen.end()) << "OnMessage sees what the loop takes";
  Desktop.KeyUp(VK_F4);
  Desktop.KeyUp(VK_MENU);
  Application->OnMessage = nullptr;
  Desktop.SetIdleHook(nullptr);
  delete main;
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(ApplicationTest, EveryFormShowsTheApplicationsIconAndFollowsItsChanges) {
  TIcon* icon = Application->Icon();
  ASSERT_EQ(icon->ImageCount(), 3) << "the program's MAINICON";
  ShowForm();
  const std::vector<TPixelBuffer>& shown = Desktop.Host(Form->Handle())->Icon();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].Width(), 16);
  EXPECT_EQ(shown[2].Width(), 48);
  EXPECT_EQ(shown[1], icon->Image(1));

  TIcon other;
  other.AddImage(TPixelBuffer(8, 8, 0xFF00FF00));
  Application->SetIcon(&other);
  const std::vector<TPixelBuffer>& now = Desktop.Host(Form->Handle())->Icon();
  ASSERT_EQ(now.size(), 3u);
  EXPECT_EQ(now[1], TPixelBuffer(32, 32, 0xFF00FF00)) << "the new icon, scaled to each size";
  icon->LoadFromBytes(FindResource("MAINICON", TResourceType::Icon));
  EXPECT_EQ(Desktop.Host(Form->Handle())->Icon()[1], icon->Image(1));
}

// A backend that loses its display ends the loop with a status of its own: the program's.
TEST_F(ApplicationTest, TheLoopEndsWithTheQuitMessagesCode) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  main->OnShow = [](TObject*) { PostQuitMessage(3); };
  Application->Run();
  EXPECT_EQ(Application->ExitCode(), 3);
  Application->Initialize();
  EXPECT_EQ(Application->ExitCode(), 0) << "a new run starts afresh";
  delete main;
}

TEST_F(ApplicationTest, OnMessageCanSwallowAMessage) {
  ShowForm();
  int closes = 0;
  Form->OnCloseQuery = [&](TObject*, bool& CanClose) {
    ++closes;
    CanClose = false;
  };
  Application->OnMessage = [](MSG& M, bool& Handled) { Handled = M.message == WM_CLOSE; };
  PostMessage(Form->Handle(), WM_CLOSE, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(closes, 0);
  Application->OnMessage = nullptr;
  PostMessage(Form->Handle(), WM_CLOSE, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(closes, 1);
}

// Keys the desktop delivers are dispatched by the message layer's own loop, not by Run: OnMessage
// must still see them first, or a form could not catch its menu keys.
TEST_F(ApplicationTest, OnMessageSeesInputDispatchedOutsideRunAndMaySwallowIt) {
  ShowForm();
  std::vector<WPARAM> keys;
  Form->SetKeyPreview(true);
  Form->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) { keys.push_back(Key); };
  Application->OnMessage = [](MSG& M, bool& Handled) {
    Handled = M.message == WM_KEYDOWN && M.wParam == 'A';
  };
  Desktop.KeyDown('A');
  Desktop.KeyUp('A');
  Desktop.KeyDown('B');
  Desktop.KeyUp('B');
  Application->OnMessage = nullptr;
  EXPECT_EQ(keys, std::vector<WPARAM>{'B'});
}

TEST_F(ApplicationTest, AnErrorInAnEventHandlerShowsItsMessage) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(10, 10, 60, 30));
  p->OnClick = [](TObject*) { throw EComponentError("Sorry, no"); };
  ShowForm();
  Desktop.Click(At(p).X, At(p).Y);
  ASSERT_EQ(Desktop.MessageBoxes().Boxes().size(), 1u);
  EXPECT_EQ(Desktop.MessageBoxes().Boxes()[0].Text, "Sorry, no.");
  std::string reported;
  Application->OnException = [&](TObject* Sender, const std::exception& E) {
    reported = std::string(static_cast<TComponent*>(Sender)->Name()) + ": " + E.what();
  };
  Desktop.Advance(1000);
  Desktop.Click(At(p).X, At(p).Y);
  Application->OnException = nullptr;
  EXPECT_EQ(reported, "Panel: Sorry, no");
  EXPECT_EQ(Desktop.MessageBoxes().Boxes().size(), 1u);
}

constexpr const char* StoredText = R"(object Form1: TStoredTestForm
  Left = 335
  Top = 119
  Width = 289
  Height = 155
  Caption = 'Screen'
  Color = clBtnFace
  Constraints.MinWidth = 130
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  Position = poDesktopCenter
  Scaled = False
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object Ticker: TTimer
    Enabled = False
    Interval = 250
  end
  object Holder: TPanel
    Left = 1
    Top = 0
    Width = 279
    Height = 120
    BevelOuter = bvNone
    TabOrder = 0
    object Label1: TLabel
      Left = 8
      Top = 28
      Width = 32
      Height = 16
      Caption = 'Bright'
      Font.Charset = ANSI_CHARSET
      Font.Color = clRed
      Font.Height = -16
      Font.Name = 'Arial'
      Font.Style = []
      ParentFont = False
    end
    object stat1: TPanel
      Left = 155
      Top = 68
      Width = 40
      Height = 15
      Alignment = taRightJustify
      BevelOuter = bvLowered
      Caption = '1.0'
      Color = clCream
      Font.Charset = ANSI_CHARSET
      Font.Color = clNavy
      Font.Height = -12
      Font.Name = 'Arial'
      Font.Style = []
      ParentFont = False
      TabOrder = 0
    end
  end
end
)";

class StoredFormTest : public ControlsTest {
protected:
  StoredFormTest() { RegisterClass(TStoredTestForm::StaticClassInfo()); }
};

TEST_F(StoredFormTest, AFormWithLabelsAndPanelsReadsAndWritesBackTheSame) {
  TStoredTestForm form(nullptr);
  ReadStoredForm(StoredText, form);
  ASSERT_NE(form.Label1, nullptr);
  ASSERT_NE(form.stat1, nullptr);
  EXPECT_EQ(form.Label1->Parent()->Name(), "Holder");
  EXPECT_EQ(form.stat1->Color(), clCream);
  EXPECT_EQ(form.stat1->Alignment(), taRightJustify);
  EXPECT_EQ(form.Label1->Font()->Color(), clRed);
  EXPECT_EQ(form.Constraints()->MinWidth(), 130);
  EXPECT_FALSE(form.Scaled());
  auto* ticker = dynamic_cast<TTimer*>(form.FindComponent("Ticker"));
  ASSERT_NE(ticker, nullptr);
  EXPECT_EQ(ticker->Interval(), 250u);
  EXPECT_FALSE(ticker->Enabled());
  const std::string written = WriteStoredForm(form);
  TStoredTestForm again(nullptr);
  ReadStoredForm(written, again);
  EXPECT_EQ(WriteStoredForm(again), written);
  EXPECT_NE(written.find("OnShow = FormShow"), std::string::npos);
  EXPECT_NE(written.find("object Label1: TLabel"), std::string::npos);
  form.Show();
  EXPECT_EQ(form.Shows, 1);
  EXPECT_EQ(form.Left(), (1024 - 289) / 2);
}

TEST_F(StoredFormTest, AStoredVisibleFormShowsWithItsActiveControlFocused) {
  TStoredTestForm form(nullptr);
  ReadStoredForm("object Form1: TStoredTestForm\n  ActiveControl = stat1\n  Visible = True\n"
                 "  object stat1: TPanel\n    TabStop = True\n  end\nend\n",
                 form);
  ASSERT_TRUE(form.HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  EXPECT_TRUE(form.stat1->Focused());
  EXPECT_NE(WriteStoredForm(form).find("ActiveControl = stat1"), std::string::npos);
}

TEST_F(StoredFormTest, AControlCannotBeNestedInALabel) {
  TStoredTestForm form(nullptr);
  const std::string text = "object Form1: TStoredTestForm\n  object L: TLabel\n    object P: TPanel\n    end\n  end\nend\n";
  EXPECT_THROW(ReadStoredForm(text, form), EReadError);
  EXPECT_EQ(form.ComponentCount(), 0);
}

// A component that takes over its form's window procedure, as the skinned form does: it answers
// WM_NCHITTEST on the form itself and passes everything else on.
class TFormHooker : public TComponent {
  BRIVO_CLASS(TFormHooker, TComponent)

public:
  explicit TFormHooker(TComponent* AOwner) : TComponent(AOwner) {
    if (auto* form = dynamic_cast<TCustomForm*>(AOwner))
      FHook.Install(form->Handle(), [this](TMessage& M) {
        FHook.CallPrevious(M);
        if (M.Msg == WM_NCHITTEST && M.Result == HTCLIENT)
          M.Result = HTCAPTION;
      });
  }
  bool Hooked() const { return FHook.Installed(); }

private:
  TWindowProcHook FHook;
};

const TClassInfo& TFormHooker::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TFormHooker>().Build();
  return Info;
}

class FormProcedureTest : public ControlsTest {};

TEST_F(FormProcedureTest, AFormThatSizesItselfOnMaximiseSettlesAtOnce) {
  ShowForm();
  TMaximiseFitter fitter(*Form);
  int resizes = 0;
  Form->OnResize = [&](TObject*) { ++resizes; };
  Form->SetWindowState(wsMaximized);
  Desktop.ProcessMessages();
  EXPECT_EQ(Form->BoundsRect(), Rect(0, 0, 1024, 727)) << "no window manager: the form's own size stands";
  TRect window;
  GetWindowRect(Form->Handle(), &window);
  EXPECT_EQ(window, Form->BoundsRect());
  EXPECT_EQ(fitter.Sizes, 2) << "the maximise, then the form's own size";
  EXPECT_EQ(resizes, 2);
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  Desktop.Advance(1000);
  EXPECT_EQ(fitter.Sizes, 2);
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(Form->BoundsRect(), Bounds(100, 100, 281, 121));
}

TEST_F(FormProcedureTest, AHiddenFormSizedAfterItsStateWasSetShowsInThatState) {
  Form->SetWindowState(wsMaximized);
  Form->HandleNeeded();
  Form->SetBounds(120, 110, 300, 200);
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  Form->Show();
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  EXPECT_TRUE(IsZoomed(Form->Handle()));
  Form->SetWindowState(wsNormal);
  EXPECT_EQ(Form->BoundsRect(), Bounds(120, 110, 300, 200));
}

TEST_F(FormProcedureTest, AComponentGoneBeforeItsFormLeavesTheFormWorking) {
  ShowForm();
  auto* hooker = NewComponent<TFormHooker>(Form);
  ASSERT_TRUE(hooker->Hooked());
  const LPARAM inside = MAKELPARAM(At(Form).X, At(Form).Y);
  EXPECT_EQ(SendMessage(Form->Handle(), WM_NCHITTEST, 0, inside), HTCAPTION);
  delete hooker;
  EXPECT_EQ(GetWindowLongPtr(Form->Handle(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(Form->ObjectInstance()));
  EXPECT_EQ(SendMessage(Form->Handle(), WM_NCHITTEST, 0, inside), HTCLIENT);
  TPanel* p = AddPanel(Form, "P", Bounds(10, 10, 40, 20));
  Desktop.Click(At(p).X, At(p).Y);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "P:click"), 1) << "the form still routes its input";
}

TEST_F(FormProcedureTest, AFormDestroyedWithItsHookingComponentFreesBoth) {
  ShowForm();
  const int before = OutstandingObjectInstances();
  NewComponent<TFormHooker>(Form);
  NewComponent<TFormHooker>(Form);
  EXPECT_EQ(OutstandingObjectInstances(), before + 2);
  delete Form;
  Form = nullptr;
  EXPECT_EQ(OutstandingObjectInstances(), before - 1) << "the form's own procedure went too";
}

} // namespace
