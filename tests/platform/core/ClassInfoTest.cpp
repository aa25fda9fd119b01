#include "tests/platform/core/TestClasses.h"

#include <gtest/gtest.h>

namespace impostor {
class TTestWidget : public TComponent {
  BRIVO_CLASS(TTestWidget, TComponent)
public:
  using TComponent::TComponent;
};
const TClassInfo& TTestWidget::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TTestWidget>().Build();
  return Info;
}
} // namespace impostor

namespace {

std::vector<std::string> PropertyNames(const TClassInfo& Class) {
  std::vector<std::string> names;
  for (const TPropInfo* p : Class.Properties())
    names.push_back(p->Name);
  return names;
}

class ClassInformation : public testing::Test {
protected:
  void SetUp() override { RegisterTestClasses(); }
};

TEST_F(ClassInformation, NamesParentsAndInheritance) {
  TTestForm form(nullptr);
  EXPECT_EQ(form.ClassName(), "TTestForm");
  EXPECT_EQ(form.ClassInfo().ClassParent(), &TTestWidget::StaticClassInfo());
  EXPECT_TRUE(form.InheritsFrom(TComponent::StaticClassInfo()));
  EXPECT_TRUE(form.Is<TPersistent>());
  EXPECT_FALSE(form.Is<TTestTimer>());
  EXPECT_FALSE(TTestWidget::StaticClassInfo().InheritsFrom(TTestForm::StaticClassInfo()));
}

TEST_F(ClassInformation, RegistryFindsClassesByNameInAnyCaseAndCreatesThem) {
  EXPECT_EQ(&FindClass("ttestwidget"), &TTestWidget::StaticClassInfo());
  EXPECT_EQ(GetClass("TNoSuchThing"), nullptr);
  EXPECT_THROW(FindClass("TNoSuchThing"), EClassNotFound);

  TTestForm owner(nullptr);
  TComponent* made = FindClass("TTestTimer").CreateComponent(&owner);
  EXPECT_EQ(made->ClassName(), "TTestTimer");
  EXPECT_EQ(made->Owner(), &owner);
  EXPECT_FALSE(TPersistent::StaticClassInfo().CanCreateComponent());
}

TEST_F(ClassInformation, AnotherClassUnderATakenNameIsRefused) {
  EXPECT_NO_THROW(RegisterClass(TTestWidget::StaticClassInfo())) << "the same class again is harmless";
  EXPECT_THROW(RegisterClass(impostor::TTestWidget::StaticClassInfo()), EFilerError);
  EXPECT_EQ(&FindClass("TTestWidget"), &::TTestWidget::StaticClassInfo());
}

TEST_F(ClassInformation, PublishedPropertiesAreInheritedFirstInDeclaredOrder) {
  const auto names = PropertyNames(TTestWidget::StaticClassInfo());
  const std::vector<std::string> expected = {"Name",  "Tag",     "Left", "Width",   "Caption",
                                             "Style", "Color",   "Enabled", "Ratio", "Font",
                                             "Buttons", "Partner", "OnClick", "OnButtonClick"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(PropertyNames(TTestForm::StaticClassInfo()), expected);
}

TEST_F(ClassInformation, LookupIgnoresLetterCase) {
  TTestWidget w(nullptr);
  EXPECT_TRUE(IsPublishedProp(w, "caption"));
  EXPECT_TRUE(IsPublishedProp(w, "ONCLICK"));
  EXPECT_FALSE(IsPublishedProp(w, "Colour"));
  EXPECT_EQ(GetPropInfo(w, "style")->Kind, TPropKind::Enumeration);
}

class TypedAccess : public testing::Test {
protected:
  void SetUp() override { RegisterTestClasses(); }
  TTestForm FForm{nullptr};
  TTestWidget* FWidget = new TTestWidget(&FForm);
};

TEST_F(TypedAccess, OrdinalSettersRunTheClassesOwnSetter) {
  SetEnumProp(*FWidget, "Style", "tsRaised");
  EXPECT_EQ(FWidget->Style(), TTestStyle::tsRaised);
  EXPECT_EQ(FWidget->Color(), 0x00FF00) << "the look's colour comes from the setter";
  EXPECT_EQ(FWidget->Log, std::vector<std::string>{"Style"});
  EXPECT_EQ(GetEnumProp(*FWidget, "style"), "tsRaised");
  EXPECT_EQ(GetOrdProp(*FWidget, "Style"), 1);

  SetOrdProp(*FWidget, "Enabled", 0);
  EXPECT_FALSE(FWidget->Enabled());
  EXPECT_EQ(GetEnumProp(*FWidget, "Enabled"), "False");
}

TEST_F(TypedAccess, OrdinalValuesOutsideTheTypeAreRefused) {
  EXPECT_THROW(SetOrdProp(*FWidget, "Width", 40000), EPropertyError) << "Width is 16 bits";
  SetOrdProp(*FWidget, "Width", -32768);
  EXPECT_EQ(FWidget->Width(), -32768);
  EXPECT_THROW(SetOrdProp(*FWidget, "Style", 3), EPropertyError);
  EXPECT_THROW(SetOrdProp(*FWidget, "Enabled", 2), EPropertyError);
  EXPECT_THROW(SetOrdProp(*FWidget->Font(), "Style", 8), EPropertyError) << "only three styles exist";
  EXPECT_THROW(SetEnumProp(*FWidget, "Style", "tsBent"), EPropertyError);
}

TEST_F(TypedAccess, SetsReadAndWriteAsElementNames) {
  SetSetProp(*FWidget->Font(), "Style", "tfUnderline, tfBold");
  EXPECT_EQ(FWidget->Font()->Style(), (TTestFontStyles{TTestFontStyle::tfBold, TTestFontStyle::tfUnderline}));
  EXPECT_EQ(GetSetProp(*FWidget->Font(), "Style"), "tfBold,tfUnderline");
  SetSetProp(*FWidget->Font(), "Style", "");
  EXPECT_TRUE(FWidget->Font()->Style().Empty());
}

TEST_F(TypedAccess, WrongKindOrUnknownNameRaisesAnErrorNamingIt) {
  try {
    SetStrProp(*FWidget, "Left", "x");
    FAIL() << "no error";
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "property 'Left' of TTestWidget is not a string");
  }
  try {
    GetOrdProp(*FWidget, "Colour");
    FAIL() << "no error";
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "unknown property 'Colour' of TTestWidget");
  }
}

TEST_F(TypedAccess, ObjectPropertiesAssignIntoTheOwnedObject) {
  TTestFont font;
  font.SetName("Serif");
  SetObjectProp(*FWidget, "Font", &font);
  EXPECT_EQ(FWidget->Font()->Name(), "Serif");
  EXPECT_NE(GetObjectProp(*FWidget, "Font"), &font);
  EXPECT_EQ(GetObjectProp(*FWidget, "Font"), FWidget->Font());

  TTestPicture picture;
  try {
    SetObjectProp(*FWidget, "Font", &picture);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TTestPicture to a TTestFont");
  }
}

TEST_F(TypedAccess, ComponentReferencesCheckTheReferencedClass) {
  auto* other = new TTestWidget(&FForm);
  SetObjectProp(*FWidget, "Partner", other);
  EXPECT_EQ(FWidget->Partner(), other);
  auto* timer = new TTestTimer(&FForm);
  EXPECT_THROW(SetObjectProp(*FWidget, "Partner", timer), EConvertError);
  EXPECT_EQ(FWidget->Partner(), other);
  SetObjectProp(*FWidget, "Partner", nullptr);
  EXPECT_EQ(FWidget->Partner(), nullptr);
}

TEST_F(TypedAccess, EventsBindToPublishedMethodsByNameAndGiveTheNameBack) {
  SetMethodProp(*FWidget, "OnClick", FForm, "buttonclick");
  FWidget->SetName("Go");
  ASSERT_TRUE(FWidget->OnClick);
  FWidget->OnClick(FWidget);
  EXPECT_EQ(FForm.Calls, std::vector<std::string>{"ButtonClick(Go)"});
  EXPECT_EQ(GetMethodProp(*FWidget, "OnClick"), "ButtonClick");

  FWidget->OnClick = [](TObject*) {};
  EXPECT_EQ(GetMethodProp(*FWidget, "OnClick"), "") << "a plain callable has no method name";
}

TEST_F(TypedAccess, EventOfAnotherSignatureDoesNotBind) {
  EXPECT_THROW(SetMethodProp(*FWidget, "OnClick", FForm, "TitleButtonClick"), EPropertyError);
  EXPECT_FALSE(FWidget->OnClick);
  SetMethodProp(*FWidget, "OnButtonClick", FForm, "TitleButtonClick");
  FWidget->OnButtonClick(FWidget, 3);
  EXPECT_EQ(FForm.Calls, std::vector<std::string>{"TitleButtonClick(3)"});
  EXPECT_THROW(SetMethodProp(*FWidget, "OnClick", FForm, "NoSuchMethod"), EPropertyError);
}

TEST_F(TypedAccess, BinaryAndFloatValues) {
  TTestPicture picture;
  const std::vector<std::uint8_t> bytes = {1, 2, 0xFF};
  SetBinaryProp(picture, "Data", bytes);
  EXPECT_EQ(GetBinaryProp(picture, "data"), bytes);
  SetFloatProp(*FWidget, "Ratio", 0.25);
  EXPECT_DOUBLE_EQ(FWidget->Ratio(), 0.25);
}

TEST(StoredDefaults, OmitValuesEqualToTheDeclaredDefault) {
  TTestWidget w(nullptr);
  const TClassInfo& c = w.ClassInfo();
  EXPECT_FALSE(IsStoredProp(w, *c.FindProperty("Name"))) << "the name is never a property line";
  EXPECT_FALSE(IsStoredProp(w, *c.FindProperty("Width")));
  EXPECT_TRUE(IsStoredProp(w, *c.FindProperty("Left"))) << "no declared default: always stored";
  EXPECT_FALSE(IsStoredProp(w, *c.FindProperty("Caption"))) << "an empty string is not stored";
  EXPECT_FALSE(IsStoredProp(w, *c.FindProperty("Partner")));
  EXPECT_FALSE(IsStoredProp(w, *c.FindProperty("OnClick")));
  EXPECT_FALSE(IsStoredProp(w, *c.FindProperty("Ratio")));
  w.SetWidth(11);
  w.SetCaption("x");
  w.SetRatio(2);
  w.OnClick = [](TObject*) {};
  EXPECT_TRUE(IsStoredProp(w, *c.FindProperty("Width")));
  EXPECT_TRUE(IsStoredProp(w, *c.FindProperty("Caption")));
  EXPECT_TRUE(IsStoredProp(w, *c.FindProperty("Ratio")));
  EXPECT_TRUE(IsStoredProp(w, *c.FindProperty("OnClick")));
}

TEST(Assignment, UnrelatedClassesRaiseTheConvertError) {
  TTestFont font;
  TTestPicture picture;
  try {
    font.Assign(&picture);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TTestPicture to a TTestFont");
  }
  EXPECT_THROW(font.Assign(nullptr), EConvertError);
  try {
    picture.Assign(nullptr);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a nil to a TTestPicture");
  }
}

TEST(Identifiers, MapBothWaysPerKindIgnoringCase) {
  RegisterTestClasses();
  EXPECT_EQ(IdentToInt(ColorIdentKind, "CLTESTRED"), 0xFF);
  EXPECT_EQ(IntToIdent(ColorIdentKind, 0x800000), "clTestNavy");
  EXPECT_EQ(IntToIdent(ColorIdentKind, 0x123456), std::nullopt);
  EXPECT_EQ(IdentToInt("TTestCharset", "clTestRed"), std::nullopt) << "kinds are separate";
}

} // namespace
