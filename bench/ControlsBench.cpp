// Budget: one mouse move from one control to the next over a 281 x 121 form with 15 controls
// (windowed hover controls that repaint on enter and leave, lowered panels with captions and
// labels), through the controls' dispatch, enter/leave, the paint cycle and the present: under 1 ms.

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Label.h"
#include "platform/controls/Panel.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// Paints itself in a hover colour, as a skinned button does.
class THoverControl : public TCustomControl {
public:
  explicit THoverControl(TComponent* AOwner) : TCustomControl(AOwner) {}
  bool Hot = false;

protected:
  void WndProc(TMessage& M) override {
    if (M.Msg == CM_MOUSEENTER || M.Msg == CM_MOUSELEAVE) {
      Hot = M.Msg == CM_MOUSEENTER;
      Invalidate();
    }
    TCustomControl::WndProc(M);
  }
  void Paint() override {
    Canvas().Brush().SetColor(Hot ? clYellow : clBtnFace);
    Canvas().FillRect(ClientRect());
    Canvas().Pen().SetColor(clNavy);
    Canvas().FrameRect(ClientRect());
  }
};

void BM_ControlsMouseMoveRepaint(benchmark::State& State) {
  THeadlessDesktop desktop;
  auto* form = new TForm(nullptr);
  form->SetBounds(100, 100, 281, 121);
  std::vector<TPoint> targets;
  for (int i = 0; i < 15; ++i) {
    const TRect b = Bounds(6 + (i % 5) * 54, 6 + (i / 5) * 37, 50, 33);
    TControl* c = nullptr;
    if (i % 3 == 2) {
      auto* l = NewComponent<TLabel>(form);
      l->SetAutoSize(false);
      l->SetCaption("1.0");
      c = l;
    } else if (i % 3 == 1) {
      auto* p = NewComponent<TPanel>(form);
      p->SetBevelOuter(bvLowered);
      p->SetAlignment(taRightJustify);
      p->SetColor(clCream);
      p->SetCaption("1.0");
      c = p;
    } else {
      c = NewComponent<THoverControl>(form);
      targets.push_back({100 + b.Left + 25, 100 + b.Top + 16});
    }
    c->SetBoundsRect(b);
    c->SetParent(form);
  }
  form->Show();
  desktop.ProcessMessages();
  const int before = desktop.Host(form->Handle())->Presents();
  std::size_t next = 0;
  for (auto _ : State) {
    desktop.MouseMove(targets[next].X, targets[next].Y);
    next = (next + 1) % targets.size();
  }
  if (desktop.Host(form->Handle())->Presents() - before < static_cast<int>(State.iterations()))
    State.SkipWithError("a move did not present a frame");
  delete form;
}
BENCHMARK(BM_ControlsMouseMoveRepaint)->Repetitions(10)->ReportAggregatesOnly(true);

} // namespace
