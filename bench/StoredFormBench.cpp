// Budgets: reading a window of the adjuster's size (a root and 14 components, a collection with
// pictures) well under 1 ms, so a form's description never shows at start-up; writing it likewise;
// a published-property lookup by name well under 1 microsecond.

#include "platform/core/StoredForm.h"
#include "tests/platform/core/TestClasses.h"

#include <benchmark/benchmark.h>

namespace {

std::string AdjusterSizedForm() {
  RegisterTestClasses();
  TTestForm form(nullptr);
  form.SetName("Form1");
  form.SetCaption("Tavolu\xE8\x9E\xA2\xE5\xB9\x95");
  for (int i = 0; i < 2; ++i) {
    TTestItem* item = form.Buttons()->Add();
    item->SetKind(TTestKind::tkClose);
    item->Picture()->SetData(std::vector<std::uint8_t>(17 * 17 * 4 + 54, static_cast<std::uint8_t>(i)));
  }
  for (int i = 0; i < 14; ++i) {
    auto* w = NewComponent<TTestWidget>(&form);
    w->SetName("Control" + std::to_string(i));
    w->SetParentComponent(&form);
    w->SetLeft(8 * i);
    w->SetCaption("\xE4\xBA\xAE\xE5\xBA\xA6");
    w->SetStyle(TTestStyle::tsRaised);
    w->Font()->SetName("Arial");
    w->Font()->SetHeight(-12);
    SetMethodProp(*w, "OnClick", form, "ButtonClick");
  }
  return WriteStoredForm(form);
}

void BM_ReadStoredForm(benchmark::State& State) {
  const std::string text = AdjusterSizedForm();
  for (auto _ : State) {
    TTestForm form(nullptr);
    ReadStoredForm(text, form);
    benchmark::DoNotOptimize(form.ComponentCount());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * text.size()));
}
BENCHMARK(BM_ReadStoredForm);

void BM_WriteStoredForm(benchmark::State& State) {
  const std::string text = AdjusterSizedForm();
  TTestForm form(nullptr);
  ReadStoredForm(text, form);
  for (auto _ : State) {
    std::string written = WriteStoredForm(form);
    benchmark::DoNotOptimize(written.data());
  }
}
BENCHMARK(BM_WriteStoredForm);

void BM_FindPublishedProperty(benchmark::State& State) {
  RegisterTestClasses();
  TTestForm form(nullptr);
  for (auto _ : State)
    benchmark::DoNotOptimize(GetPropInfo(form, "onbuttonclick"));
}
BENCHMARK(BM_FindPublishedProperty);

} // namespace
