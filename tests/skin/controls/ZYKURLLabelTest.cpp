// The hyperlink label on the headless desktop: pointer in and out through the real dispatch path,
// clicks handed to the desktop's recording address opener.

#include "skin/controls/ZYKURLLabel.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/StoredForm.h"

#include <gtest/gtest.h>

namespace {

class URLLabelTest : public ::testing::Test {
protected:
  URLLabelTest() {
    Application->Initialize();
    RegisterZYKURLLabelClasses();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 300, 120);
    Link = NewComponent<TzykURLLabel>(Form);
    Link->SetName("Link");
    Link->SetLeft(20);
    Link->SetTop(30);
    Link->SetParent(Form);
    Link->OnClick = [this](TObject*) { ++Clicks; };
  }
  ~URLLabelTest() override {
    delete Form;
    Application->SetActive(false);
  }

  void ShowForm() {
    Form->Show();
    Desktop.ProcessMessages();
  }
  TPoint Inside() const { return Link->ClientToScreen({2, 2}); }
  TPoint Outside() const { return Link->ClientToScreen({2, Link->Height() + 20}); }
  // Pixels of the label's text that are drawn in Ink.
  int InkPixels(TColor Ink) const {
    const TPixelBuffer shot = Desktop.Screenshot();
    const TPoint origin = Link->ClientToScreen({0, 0});
    int count = 0;
    for (int y = 0; y < Link->Height(); ++y)
      for (int x = 0; x < Link->Width(); ++x)
        count += PixelToColor(shot.At(origin.X + x, origin.Y + y)) == Ink;
    return count;
  }
  const std::vector<std::string>& Opened() { return Desktop.AddressOpener().Addresses(); }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
  TzykURLLabel* Link = nullptr;
  int Clicks = 0;
};

TEST_F(URLLabelTest, ANewLabelIsAnUnderlinedBlueHandPointerSizedToItsCaption) {
  TzykURLLabel fresh(nullptr);
  EXPECT_EQ(fresh.Font()->Style(), TFontStyles{fsUnderline});
  EXPECT_EQ(fresh.Font()->Color(), clBlue);
  EXPECT_EQ(fresh.FontLinkColor(), clBlue);
  EXPECT_EQ(fresh.FontHoverColor(), clRed);
  EXPECT_EQ(fresh.Cursor(), crHandPoint);
  EXPECT_TRUE(fresh.AutoSize());
  EXPECT_FALSE(fresh.Caption().empty());
  EXPECT_EQ(fresh.URL(), "");

  const int oneLine = Link->Width();
  Link->SetCaption(Link->Caption() + Link->Caption());
  EXPECT_GT(Link->Width(), oneLine + oneLine / 2) << "the label follows its caption's width";
  EXPECT_GT(Link->Height(), 0);
}

TEST_F(URLLabelTest, ThePointerOverTheLabelShowsTheHandCursor) {
  ShowForm();
  Desktop.MouseMove(Inside().X, Inside().Y);
  EXPECT_EQ(Desktop.CursorShape(), IDC_HAND);
}

TEST_F(URLLabelTest, PointerInShowsTheHoverColourAndOutTheLinkColour) {
  Link->SetFontHoverColor(clGreen);
  Link->SetFontLinkColor(clNavy);
  ShowForm();
  EXPECT_GT(InkPixels(clNavy), 0);
  Desktop.MouseMove(Inside().X, Inside().Y);
  EXPECT_EQ(Link->Font()->Color(), clGreen);
  EXPECT_GT(InkPixels(clGreen), 0) << "the label repaints in the hover colour";
  EXPECT_EQ(InkPixels(clNavy), 0);
  Desktop.MouseMove(Outside().X, Outside().Y);
  EXPECT_EQ(Link->Font()->Color(), clNavy);
  EXPECT_GT(InkPixels(clNavy), 0);
  EXPECT_EQ(InkPixels(clGreen), 0);
}

TEST_F(URLLabelTest, ANewLinkColourShowsAtOnceEvenWhileHovered) {
  ShowForm();
  Desktop.MouseMove(Inside().X, Inside().Y);
  ASSERT_EQ(Link->Font()->Color(), clRed);
  Link->SetFontLinkColor(clGreen);
  Desktop.ProcessMessages();
  EXPECT_EQ(Link->Font()->Color(), clGreen);
  EXPECT_GT(InkPixels(clGreen), 0);
}

TEST_F(URLLabelTest, ANewHoverColourWaitsForTheNextEntry) {
  ShowForm();
  Desktop.MouseMove(Inside().X, Inside().Y);
  Link->SetFontHoverColor(clGreen);
  EXPECT_EQ(Link->Font()->Color(), clRed);
  Desktop.MouseMove(Outside().X, Outside().Y);
  Desktop.MouseMove(Inside().X, Inside().Y);
  EXPECT_EQ(Link->Font()->Color(), clGreen);
}

TEST_F(URLLabelTest, AtDesignTimeTheEnteredColourIsBlueWhateverTheLinkColour) {
  Link->SetFontLinkColor(clGreen);
  Link->SetDesigning(true);
  Link->Perform(CM_MOUSEENTER);
  EXPECT_EQ(Link->Font()->Color(), clBlue);
  Link->Perform(CM_MOUSELEAVE);
  EXPECT_EQ(Link->Font()->Color(), clGreen);
}

TEST_F(URLLabelTest, AClickOpensTheAddressThenRaisesOnClick) {
  Link->SetURL("https://example.org/");
  std::vector<std::string> atClick;
  Link->OnClick = [&](TObject*) { atClick = Opened(); };
  ShowForm();
  Desktop.Click(Inside().X, Inside().Y);
  EXPECT_EQ(Opened(), std::vector<std::string>{"https://example.org/"});
  EXPECT_EQ(atClick, Opened()) << "the address is opened before OnClick runs";
}

TEST_F(URLLabelTest, ABlankAddressOpensNothingButStillClicks) {
  Link->SetURL("  \t ");
  Link->Click();
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(Clicks, 1);
  Link->SetURL("");
  Link->Click();
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(Clicks, 2);
}

TEST_F(URLLabelTest, LeadingBlanksReachTheOpenerUntouched) {
  Link->SetURL("  https://example.org/a ");
  Link->Click();
  EXPECT_EQ(Opened(), std::vector<std::string>{"  https://example.org/a "});
  EXPECT_EQ(Clicks, 1);
}

TEST_F(URLLabelTest, ARefusedAddressIsIgnoredAndStillClicks) {
  Desktop.AddressOpener().RefuseWith("no browser");
  Link->SetURL("https://example.org/");
  Link->Click();
  EXPECT_EQ(Clicks, 1);
}

TEST_F(URLLabelTest, AStoredLabelKeepsItsLinkPropertiesAndAlwaysStoresTheHandCursor) {
  Link->SetURL("https://example.org/");
  Link->SetFontHoverColor(clGreen);
  Link->SetFontLinkColor(clNavy);
  const std::string text = WriteStoredForm(*Form);
  EXPECT_NE(text.find("Cursor = crHandPoint"), std::string::npos) << text;
  EXPECT_LT(text.find("Cursor = crHandPoint"), text.find("URL = "));
  EXPECT_LT(text.find("FontLinkColor"), text.find("Font.Style"));

  TForm copy(nullptr);
  ReadStoredForm(text, copy);
  auto* link = dynamic_cast<TzykURLLabel*>(copy.FindComponent("Link"));
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->URL(), "https://example.org/");
  EXPECT_EQ(link->FontHoverColor(), clGreen);
  EXPECT_EQ(link->FontLinkColor(), clNavy);
  EXPECT_EQ(link->Font()->Color(), clNavy);
  EXPECT_EQ(link->Font()->Style(), TFontStyles{fsUnderline});
  EXPECT_EQ(WriteStoredForm(copy), text);
}

} // namespace
