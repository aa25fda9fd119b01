#include "platform/core/StoredForm.h"
#include "tests/platform/core/TestClasses.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using testing::HasSubstr;

class StoredFormTest : public testing::Test {
protected:
  void SetUp() override { RegisterTestClasses(); }

  // The message of the EReadError that reading Text into a fresh form raises.
  std::string ReadError(const std::string& Text) {
    try {
      ReadStoredForm(Text, *FForm);
    } catch (const EReadError& e) {
      return e.what();
    }
    ADD_FAILURE() << "no error for:\n" << Text;
    return {};
  }

  TTestWidget* Widget(const std::string& Name) const {
    return dynamic_cast<TTestWidget*>(FForm->FindComponent(Name));
  }

  std::unique_ptr<TTestForm> FForm = std::make_unique<TTestForm>(nullptr);
};

class Reading : public StoredFormTest {};

TEST_F(Reading, CreatesComponentsWithTheRootAsOwnerAndTheEnclosingObjectAsParent) {
  ReadStoredForm(R"(object Form1: TTestForm
  object Panel1: TTestWidget
    object Label1: TTestWidget
    end
  end
  object Timer1: TTestTimer
  end
end
)",
                 *FForm);
  EXPECT_EQ(FForm->Name(), "Form1");
  ASSERT_EQ(FForm->ComponentCount(), 3);
  TTestWidget* panel = Widget("Panel1");
  TTestWidget* label = Widget("Label1");
  ASSERT_NE(panel, nullptr);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Owner(), FForm.get());
  EXPECT_EQ(label->GetParentComponent(), panel);
  EXPECT_EQ(panel->GetParentComponent(), FForm.get());
  EXPECT_EQ(FForm->Components(2)->ClassName(), "TTestTimer");
  EXPECT_EQ(FForm->Panel1, panel) << "the published field follows the component";
}

TEST_F(Reading, WritesPropertiesWhileLoadingAndCallsLoadedOnceAfterTheWholeTree) {
  ReadStoredForm(R"(object Form1: TTestForm
  Style = tsSunken
  object Panel1: TTestWidget
    Style = tsRaised
  end
end
)",
                 *FForm);
  TTestWidget* panel = Widget("Panel1");
  EXPECT_TRUE(FForm->LoadingDuringStyle);
  EXPECT_TRUE(panel->LoadingDuringStyle);
  EXPECT_EQ(FForm->Log, (std::vector<std::string>{"Style", "Loaded"}));
  EXPECT_EQ(panel->Log, (std::vector<std::string>{"Style", "Loaded"}));
  EXPECT_FALSE(panel->ComponentState().Contains(csLoading));
  EXPECT_FALSE(panel->ReadingDuringLoaded);
  EXPECT_FALSE(FForm->ComponentState().Contains(csReading));
}

TEST_F(Reading, ALaterStoredPropertyOverridesWhatAnEarlierSetterSet) {
  ReadStoredForm(R"(object Form1: TTestForm
  object A: TTestWidget
    Style = tsRaised
    Color = clTestRed
    Font.Color = 255
  end
  object B: TTestWidget
    Color = clTestRed
    Style = tsRaised
  end
end
)",
                 *FForm);
  EXPECT_EQ(Widget("A")->Color(), 0x0000FF);
  EXPECT_EQ(Widget("A")->Font()->Color(), 255);
  EXPECT_EQ(Widget("B")->Color(), 0x00FF00) << "the look set after the colour wins";
  EXPECT_EQ(Widget("B")->Font()->Color(), 0xFF0000);
}

TEST_F(Reading, ValuesOfEveryKind) {
  ReadStoredForm(R"(object Form1: TTestForm
  object P: TTestWidget
    Left = -$10
    Width = 32767
    Caption = 'It''s'#13#10'亮度' + ' more'#$41
    Enabled = false
    Ratio = -1.5e2
    Color = $FF00000F
    Font.Charset = ANSI_CHARSET
    Font.Style = [tfUnderline, tfBold]
    Font.Name = #55357#56832
    Tag = 9007199254740993
  end
end
)",
                 *FForm);
  TTestWidget* p = Widget("P");
  EXPECT_EQ(p->Left(), -16);
  EXPECT_EQ(p->Width(), 32767);
  EXPECT_EQ(p->Caption(), "It's\r\n亮度 moreA");
  EXPECT_FALSE(p->Enabled());
  EXPECT_DOUBLE_EQ(p->Ratio(), -150);
  EXPECT_EQ(p->Color(), clTestFace) << "a system colour written as 32-bit hexadecimal";
  EXPECT_EQ(p->Font()->Charset(), 0);
  EXPECT_EQ(p->Font()->Style(), (TTestFontStyles{TTestFontStyle::tfBold, TTestFontStyle::tfUnderline}));
  EXPECT_EQ(p->Font()->Name(), "\xF0\x9F\x98\x80") << "two halves of one character beyond the first plane";
  EXPECT_EQ(p->Tag(), 9007199254740993);
}

TEST_F(Reading, BinaryDataMaySpanLines) {
  ReadStoredForm(R"(object Form1: TTestForm
  Buttons = <
    item
      Picture.Data = {
        00 0aFF
        10}
    end>
end
)",
                 *FForm);
  ASSERT_EQ(FForm->Buttons()->Count(), 1);
  EXPECT_EQ(FForm->Buttons()->Items(0)->Picture()->Data(), (std::vector<std::uint8_t>{0x00, 0x0A, 0xFF, 0x10}));
}

TEST_F(Reading, ReferencesToComponentsReadLaterAreFixedUpAfterTheTree) {
  ReadStoredForm(R"(object Form1: TTestForm
  Partner = Later
  object Early: TTestWidget
    Partner = Form1
    Buttons = <
      item
        Target = later
      end>
  end
  object Timer1: TTestTimer
    Target = Early
  end
  object Later: TTestWidget
    Partner = nil
  end
end
)",
                 *FForm);
  TTestWidget* later = Widget("Later");
  EXPECT_EQ(FForm->Partner(), later);
  EXPECT_EQ(Widget("Early")->Partner(), FForm.get());
  EXPECT_EQ(Widget("Early")->Buttons()->Items(0)->Target(), later);
  EXPECT_EQ(static_cast<TTestTimer*>(FForm->FindComponent("Timer1"))->Target(), Widget("Early"));
}

TEST_F(Reading, ReferencesReadAreClearedWhenTheReferencedComponentGoes) {
  ReadStoredForm(R"(object Form1: TTestForm
  object A: TTestWidget
    Partner = B
  end
  object B: TTestWidget
  end
end
)",
                 *FForm);
  delete Widget("B");
  EXPECT_EQ(Widget("A")->Partner(), nullptr);
}

TEST_F(Reading, EventsBindToPublishedMethodsOfTheRoot) {
  ReadStoredForm(R"(object Form1: TTestForm
  OnClick = FormShow
  object Button1: TTestWidget
    OnClick = ButtonClick
    OnButtonClick = TitleButtonClick
  end
end
)",
                 *FForm);
  FForm->OnClick(FForm.get());
  TTestWidget* button = Widget("Button1");
  button->OnClick(button);
  button->OnButtonClick(button, 2);
  EXPECT_EQ(FForm->Calls, (std::vector<std::string>{"FormShow", "ButtonClick(Button1)", "TitleButtonClick(2)"}));
}

TEST_F(Reading, CollectionItemsStartWithTheirDefaultsAndReplaceTheExistingOnes) {
  FForm->Buttons()->Add()->SetCaption("made by the constructor");
  ReadStoredForm(R"(object Form1: TTestForm
  Buttons = <
    item
      Kind = tkClose
    end
    item
      Kind = tkHelp
      Caption = 'Assist'
      Visible = False
    end>
end
)",
                 *FForm);
  TTestItems* items = FForm->Buttons();
  ASSERT_EQ(items->Count(), 2);
  EXPECT_EQ(items->Items(0)->Caption(), "Close");
  EXPECT_TRUE(items->Items(0)->Visible());
  EXPECT_EQ(items->Items(1)->Caption(), "Assist") << "the stored caption overrides the kind's";
  EXPECT_FALSE(items->Items(1)->Visible());

  ReadStoredForm("object Form1: TTestForm Buttons = <> end", *FForm);
  EXPECT_EQ(items->Count(), 0);
}

TEST_F(Reading, ACollectionStoredTwiceDropsTheReferencesOfItsFirstItems) {
  ReadStoredForm(R"(object Form1: TTestForm
  Buttons = <
    item
      Target = Later
    end>
  Buttons = <
    item
      Caption = 'second'
    end
    item
      Target = Later
    end>
  object Later: TTestWidget
  end
end
)",
                 *FForm);
  ASSERT_EQ(FForm->Buttons()->Count(), 2);
  EXPECT_EQ(FForm->Buttons()->Items(0)->Target(), nullptr);
  EXPECT_EQ(FForm->Buttons()->Items(1)->Target(), Widget("Later"));
}

TEST_F(Reading, CreateFromStoredFormMakesTheRootByItsClassName) {
  std::unique_ptr<TComponent> root(CreateFromStoredForm("object Main: TTestForm\n Left = 3\nend", nullptr));
  ASSERT_EQ(root->ClassName(), "TTestForm");
  EXPECT_EQ(root->Name(), "Main");
  EXPECT_EQ(static_cast<TTestForm*>(root.get())->Left(), 3);
  EXPECT_EQ(static_cast<TTestForm*>(root.get())->LoadedCalls, 1);

  TTestForm owner(nullptr);
  TComponent* owned = CreateFromStoredForm("object Sub: TTestWidget end", &owner);
  EXPECT_EQ(owned->Owner(), &owner);
}

class ReadErrors : public StoredFormTest {};

TEST_F(ReadErrors, NameLineColumnAndWhatWasExpected) {
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  object S: TTestWidget\n  Colour = 5\n  end\nend"),
            "line 3, column 3: unknown property 'Colour' of TTestWidget");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  object S: TNoSuch\n  end\nend"),
            "line 2, column 13: unknown class 'TNoSuch'");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Style = tsBent\nend"),
            "line 2, column 11: 'tsBent' is not a value of TTestStyle");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Left = 'x'\nend"),
            "line 2, column 10: expected an integer for property 'Left', found a string");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Width = 40000\nend"),
            "line 2, column 11: 40000 is out of range for property 'Width'");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Left 5\nend"), "line 2, column 8: expected '=' after 'Left'");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Caption = 'abc\nend"), "line 2, column 13: unterminated string");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Left = 1\n"),
            "line 3, column 1: the file ended inside 'object Form1: TTestForm' of line 1, which needs its 'end'");
  EXPECT_EQ(ReadError("object Form1: TTestForm\nend\nend"), "line 3, column 1: expected end of text after the last 'end'");
  EXPECT_EQ(ReadError("object Form1: TTestWidget\nend"), "line 1, column 15: expected class TTestForm, found 'TTestWidget'");
}

TEST_F(ReadErrors, ADescriptionCutShortSaysTheFileEnded) {
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  object S: TTestWidget\n    Left = 1\n"),
            "line 4, column 1: the file ended inside 'object S: TTestWidget' of line 2, which needs its 'end'");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Left ="), "line 2, column 9: the file ended; expected a value");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Style = [a,"),
            "line 2, column 14: the file ended; expected a set element");
  EXPECT_EQ(ReadError(""), "line 1, column 1: the file ended; expected 'object'");
}

TEST_F(ReadErrors, ColumnsCountCharactersNotBytes) {
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Caption = '亮度' Bad = 1\nend"),
            "line 2, column 18: unknown property 'Bad' of TTestForm");
}

TEST_F(ReadErrors, ReferencesMethodsAndFieldsAreChecked) {
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Partner = Nobody\nend"), "line 2, column 13: unknown component 'Nobody'");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Partner = T\n  object T: TTestTimer\n  end\nend"),
            "line 2, column 13: component 'T' is a TTestTimer, not a TTestWidget");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  OnClick = Missing\nend"),
            "line 2, column 13: unknown method 'Missing' of TTestForm");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  OnClick = TitleButtonClick\nend"),
            "line 2, column 13: method 'TitleButtonClick' of TTestForm does not match event 'OnClick'");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  object Panel1: TTestTimer\n  end\nend"),
            "line 2, column 18: field 'Panel1' of TTestForm is a TTestWidget, not a TTestTimer");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  object A: TTestWidget\n  end\n  object a: TTestWidget\n  end\nend"),
            "line 4, column 3: A component named a already exists");
}

TEST_F(ReadErrors, StructureThatCannotBeKeptIsRefused) {
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  object T: TTestTimer\n    object W: TTestWidget\n    end\n  end\nend"),
            "line 3, column 5: a TTestWidget cannot be placed in a TTestTimer");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Font = 3\nend"),
            "line 2, column 10: property 'Font' is an object: give its properties (Font.Name = ...)");
  EXPECT_EQ(ReadError("object Form1: TTestForm\n  Left.X = 3\nend"),
            "line 2, column 3: property 'Left' of TTestForm has no sub-properties");
  EXPECT_THAT(ReadError("object Form1: TTestForm\n  Font..Name = 'x'\nend"), HasSubstr("invalid property name"));
}

TEST_F(ReadErrors, MalformedValues) {
  EXPECT_THAT(ReadError("object F: TTestForm Left = 99999999999999999999 end"), HasSubstr("integer out of range"));
  EXPECT_THAT(ReadError("object F: TTestForm Ratio = 1e999 end"), HasSubstr("number out of range"));
  EXPECT_THAT(ReadError("object F: TTestForm Left = 12ab end"), HasSubstr("invalid number"));
  EXPECT_THAT(ReadError("object F: TTestForm Caption = #55296 end"), HasSubstr("invalid character code"));
  EXPECT_THAT(ReadError("object F: TTestForm Caption = #1114112 end"), HasSubstr("invalid character code"));
  EXPECT_THAT(ReadError("object F: TTestForm Caption = '\xC0\x80' end"), HasSubstr("invalid UTF-8"));
  EXPECT_THAT(ReadError("object F: TTestForm Buttons = < item Picture.Data = {ABC} end> end"),
              HasSubstr("odd number of hexadecimal digits"));
  EXPECT_THAT(ReadError("object F: TTestForm Buttons = < item Picture.Data = {AX} end> end"),
              HasSubstr("invalid character 'X' in binary data"));
  EXPECT_THAT(ReadError("object F: TTestForm Font.Style = [tfBold tfItalic] end"), HasSubstr("expected ',' or ']'"));
  EXPECT_THAT(ReadError("object F: TTestForm Buttons = < thing > end"), HasSubstr("expected 'item' or '>'"));
  EXPECT_THAT(ReadError("object F: TTestForm Left = \x01 end"), HasSubstr("unexpected character 0x01"));
}

TEST_F(ReadErrors, NestingIsBounded) {
  std::string text = "object F: TTestForm\n";
  for (int i = 0; i < 100; ++i)
    text += "object W" + std::to_string(i) + ": TTestWidget\n";
  EXPECT_THAT(ReadError(text), HasSubstr("nested deeper than 64 levels"));
}

TEST_F(ReadErrors, AFailedReadFreesEverythingItCreated) {
  FForm->SetName("Before");
  const std::string message = ReadError(R"(object Form1: TTestForm
  object Panel1: TTestWidget
    object Inner: TTestWidget
      Partner = Panel1
    end
  end
  object Timer1: TTestTimer
    Target = Panel1
  end
  object Bad: TTestWidget
    Partner = Missing
  end
end
)");
  EXPECT_EQ(message, "line 11, column 15: unknown component 'Missing'");
  EXPECT_EQ(FForm->ComponentCount(), 0);
  EXPECT_EQ(FForm->Panel1, nullptr);
  EXPECT_FALSE(FForm->ComponentState().Contains(csLoading));
  EXPECT_EQ(FForm->LoadedCalls, 0) << "Loaded only follows a whole read";
}

TEST_F(ReadErrors, ASetterErrorIsReportedAtItsValue) {
  EXPECT_EQ(ReadError("object F: TTestForm\n  Name = '1x'\nend"), "line 2, column 10: '1x' is not a valid component name");
}

TEST_F(ReadErrors, CreateFromStoredFormFreesTheRootItMade) {
  try {
    delete CreateFromStoredForm("object M: TTestForm\n  object A: TTestWidget\n  end\n  Bad = 1\nend", nullptr);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "line 4, column 3: unknown property 'Bad' of TTestForm");
  }
  EXPECT_THROW(CreateFromStoredForm("object M: TNoSuch end", nullptr), EReadError);
  EXPECT_THROW(CreateFromStoredForm("object M: TTestFont end", nullptr), EReadError);
}

class Writing : public StoredFormTest {
protected:
  // The form of the round-trip tests, built by code.
  void Build() {
    FForm->SetName("Form1");
    FForm->SetLeft(5);
    FForm->SetCaption("It's\r\n亮度");
    SetMethodProp(*FForm, "OnClick", *FForm, "FormShow");

    auto* panel = new TTestWidget(FForm.get());
    panel->SetName("Panel1");
    panel->SetParentComponent(FForm.get());
    panel->SetLeft(8);
    panel->SetWidth(99);
    panel->SetStyle(TTestStyle::tsRaised);
    panel->SetColor(0x0000FF);
    panel->SetRatio(0.25);
    panel->Font()->SetCharset(0);
    panel->Font()->SetHeight(-16);
    panel->Font()->SetName("Serif");
    panel->Font()->SetStyle({TTestFontStyle::tfBold, TTestFontStyle::tfUnderline});

    auto* label = new TTestWidget(FForm.get());
    label->SetName("Label1");
    label->SetParentComponent(panel);
    panel->SetPartner(label);

    TTestItem* close = panel->Buttons()->Add();
    close->SetKind(TTestKind::tkClose);
    std::vector<std::uint8_t> bytes(40);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<std::uint8_t>(i * 7);
    close->Picture()->SetData(bytes);
    close->SetTarget(label);
    SetMethodProp(*close, "OnClick", *FForm, "ButtonClick");
    panel->Buttons()->Add()->SetVisible(false);

    auto* timer = new TTestTimer(FForm.get());
    timer->SetName("Timer1");
    timer->SetInterval(50);
    timer->SetTarget(panel);
    SetMethodProp(*timer, "OnTimer", *FForm, "FormShow");
  }
};

const char* const ExpectedForm = R"(object Form1: TTestForm
  Left = 5
  Caption = 'It''s'#13#10'亮度'
  Style = tsFlat
  Font.Height = -11
  Buttons = <>
  OnClick = FormShow
  object Panel1: TTestWidget
    Left = 8
    Width = 99
    Style = tsRaised
    Color = clTestRed
    Ratio = 0.25
    Font.Charset = ANSI_CHARSET
    Font.Color = 16711680
    Font.Height = -16
    Font.Name = 'Serif'
    Font.Style = [tfBold, tfUnderline]
    Buttons = <
      item
        Kind = tkClose
        Caption = 'Close'
        Picture.Data = {
          00070E151C232A31383F464D545B626970777E858C939AA1A8AFB6BDC4CBD2D9
          E0E7EEF5FC030A11}
        Target = Label1
        OnClick = ButtonClick
      end
      item
        Kind = tkCustom
        Visible = False
      end>
    Partner = Label1
    object Label1: TTestWidget
      Left = 0
      Style = tsFlat
      Font.Height = -11
      Buttons = <>
    end
  end
  object Timer1: TTestTimer
    Interval = 50
    Target = Panel1
    OnTimer = FormShow
  end
end
)";

TEST_F(Writing, WritesStoredPropertiesInDeclaredOrderAndChildrenUnderTheirParents) {
  Build();
  EXPECT_EQ(WriteStoredForm(*FForm), ExpectedForm);
}

TEST_F(Writing, WriteReadWriteGivesTheSameText) {
  Build();
  const std::string first = WriteStoredForm(*FForm);
  TTestForm copy(nullptr);
  ReadStoredForm(first, copy);
  EXPECT_EQ(WriteStoredForm(copy), first);
  EXPECT_EQ(copy.Panel1->Partner(), copy.FindComponent("Label1"));
}

TEST_F(Writing, LeavesOutWhatCannotBeReadBack) {
  FForm->SetName("Form1");
  TTestForm other(nullptr);
  auto* stranger = new TTestWidget(&other);
  stranger->SetName("Stranger");
  FForm->SetPartner(stranger);
  FForm->OnClick = [](TObject*) {};
  SetMethodProp(*FForm, "OnButtonClick", other, "TitleButtonClick");
  const std::string text = WriteStoredForm(*FForm);
  EXPECT_THAT(text, testing::Not(HasSubstr("Partner")));
  EXPECT_THAT(text, testing::Not(HasSubstr("OnClick")));
  EXPECT_THAT(text, testing::Not(HasSubstr("OnButtonClick"))) << "a method of another object";
}

TEST_F(Writing, AnonymousComponentsAndUnusualStrings) {
  auto* w = new TTestWidget(FForm.get());
  w->SetParentComponent(FForm.get());
  w->SetCaption(std::string("a\x00'b\x7F\xFF", 6));
  const std::string text = WriteStoredForm(*FForm);
  EXPECT_THAT(text, HasSubstr("  object TTestWidget\n"));
  EXPECT_THAT(text, HasSubstr("Caption = 'a'#0'''b'#127#255\n"));
}

TEST_F(Writing, ValuesThatHaveNoTextAreRefused) {
  FForm->SetRatio(std::numeric_limits<double>::infinity());
  EXPECT_THROW(WriteStoredForm(*FForm), EWriteError);
}

} // namespace
