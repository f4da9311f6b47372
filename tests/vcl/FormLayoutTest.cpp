// Forms created from stored layouts: resources found through the module
// list, properties, controls, fields and handlers bound, geometry laid out,
// inherited layouts, errors that leave nothing behind, and writing back.
#include "TestForms.hpp"

#include "rtl/DfmStream.hpp"

#include <gtest/gtest.h>

using namespace VclTest;
using Controls::mrCancel;
using Types::Bounds;

namespace {

class FormLayout : public ::testing::Test {
protected:
  void SetUp() override { RegisterTestModule(); }
};

} // namespace

TEST_F(FormLayout, CreateFormReadsTheResourceBindsFieldsAndHandlersThenFiresOnCreate) {
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  EXPECT_EQ(F->GetName(), "OVUpdateSQLEditForm");
  EXPECT_EQ(F->Owner(), static_cast<TComponent*>(Forms::Application));
  EXPECT_EQ(F->GetCaption(), "UpdateSQL Editor");
  EXPECT_EQ(F->GetBorderStyle(), Forms::TFormBorderStyle::bsDialog);
  EXPECT_EQ(F->GetPosition(), Forms::TPosition::poScreenCenter);
  EXPECT_EQ(F->GetClientWidth(), 475);
  EXPECT_EQ(F->GetClientHeight(), 280);
  EXPECT_EQ(F->GetColor(), Graphics::clBtnFace);
  EXPECT_EQ(F->GetFont()->GetCharset(), Graphics::DEFAULT_CHARSET);
  EXPECT_EQ(F->GetFont()->GetSize(), 8);
  EXPECT_EQ(F->GetTextHeight(), 13);
  ASSERT_NE(F->btOk, nullptr);
  ASSERT_NE(F->miClearAll, nullptr);
  EXPECT_EQ(F->btOk->GetParent(), F->pnlButton);
  EXPECT_EQ(F->miSelectAll->GetParentMenu(), F->pmFields);
  EXPECT_EQ(F->lbKeyFields->GetPopupMenu(), F->pmFields);
  EXPECT_EQ(F->lblTableName->GetFocusControl(), F->cbTableName);
  EXPECT_EQ(F->rgrStatementType->GetItems()->Count(), 4);
  EXPECT_EQ(F->rgrStatementType->GetItemIndex(), 0);
  EXPECT_EQ(F->pmFields->DesignLeft(), 200);
  // The layout names tsSQL active; FormCreate (OnCreate, after reading)
  // shows the options page.
  EXPECT_EQ(F->Events, std::vector<std::string>{"create"});
  EXPECT_EQ(F->pcUpdateSQL->GetActivePage(), F->tsOptions);
  EXPECT_FALSE(F->tsSQL->GetVisible());
  // Handlers are bound to the form's published methods.
  EXPECT_EQ(
      TypInfo::GetMethodProp(F->cbTableName, TypInfo::GetPropInfo(F->cbTableName, "OnChange")),
      "cbTableNameChange");
  F->cbTableName->SetText("X");
  EXPECT_EQ(F->Events.back(), "change X");
}

TEST_F(FormLayout, AlignedControlsGetTheirRectanglesAndChildrenKeepTheirPlaces) {
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  EXPECT_EQ(F->pnlButton->BoundsRect(), Bounds(0, 247, 475, 33));
  EXPECT_EQ(F->pcUpdateSQL->BoundsRect(), Bounds(0, 0, 475, 247));
  EXPECT_EQ(F->tsOptions->BoundsRect(), F->pcUpdateSQL->AdjustClientRect());
  EXPECT_EQ(F->btOk->BoundsRect(), Bounds(316, 5, 75, 25));
  EXPECT_EQ(F->gbxGenSQL->BoundsRect(), Bounds(3, 0, 460, 214));
  // A taller form: the page control grows, the bottom panel stays below it.
  F->SetClientHeight(380);
  EXPECT_EQ(F->pnlButton->BoundsRect(), Bounds(0, 347, 475, 33));
  EXPECT_EQ(F->pcUpdateSQL->BoundsRect(), Bounds(0, 0, 475, 347));
  EXPECT_EQ(F->tsSQL->GetHeight(), F->pcUpdateSQL->AdjustClientRect().Height());
}

TEST_F(FormLayout, StoredTabOrdersAreSortedOutAfterReading) {
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  // btDataSetDefaults comes last in the file but has tab order 2.
  EXPECT_EQ(F->cbTableName->GetTabOrder(), 0);
  EXPECT_EQ(F->btGetTableFields->GetTabOrder(), 1);
  EXPECT_EQ(F->btDataSetDefaults->GetTabOrder(), 2);
  EXPECT_EQ(F->btSelectPrimKeys->GetTabOrder(), 3);
  EXPECT_EQ(F->btGenerateSQL->GetTabOrder(), 4);
  EXPECT_EQ(F->cbQuotedFields->GetTabOrder(), 7);
  // On the SQL page the text box comes before the statement type.
  EXPECT_EQ(F->meSQLText->GetTabOrder(), 0);
  EXPECT_EQ(F->rgrStatementType->GetTabOrder(), 1);
}

TEST_F(FormLayout, AutoSizedLabelsTakeTheSizeOfTheirCaptions) {
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  // "Table Name:" in 8 points: 11 characters of 6 pixels, 13 high.
  EXPECT_EQ(F->lblTableName->BoundsRect(), Bounds(9, 18, 66, 13));
}

TEST_F(FormLayout, InheritedLayoutsReadTheAncestorsFirst) {
  Forms::TFormPtr<TTestDerivedForm> F(Forms::Application->CreateForm<TTestDerivedForm>());
  EXPECT_EQ(F->GetCaption(), "Derived");
  ASSERT_NE(F->btBase, nullptr);
  ASSERT_NE(F->btExtra, nullptr);
  EXPECT_EQ(F->btBase->GetCaption(), "Changed");
  EXPECT_EQ(F->btExtra->GetTabOrder(), 1);
  EXPECT_EQ(F->GetClientWidth(), 200);
  EXPECT_EQ(F->Created, 1);
}

TEST_F(FormLayout, AFormWithoutLayoutRaisesResNotFoundAndLeavesNothing) {
  const int Before = Forms::Application->ComponentCount();
  const int Forms = Forms::Screen->FormCount();
  try {
    Forms::Application->CreateForm<TTestNoLayoutForm>();
    FAIL() << "no error";
  } catch (const Graphics::EResNotFound& E) {
    EXPECT_EQ(E.Message(), "Resource TTESTNOLAYOUTFORM not found");
  }
  EXPECT_EQ(Forms::Application->ComponentCount(), Before);
  EXPECT_EQ(Forms::Screen->FormCount(), Forms);
}

TEST_F(FormLayout, ABrokenLayoutNamesTheResourceAndLineAndFreesTheForm) {
  const int Before = Forms::Application->ComponentCount();
  try {
    Forms::Application->CreateForm<TTestBrokenForm>();
    FAIL() << "no error";
  } catch (const Classes::EReadError& E) {
    const std::string M = E.Message();
    EXPECT_NE(M.find(":TTESTBROKENFORM:5:"), std::string::npos) << M;
    EXPECT_NE(M.find("Colour"), std::string::npos) << M;
  }
  EXPECT_EQ(Forms::Application->ComponentCount(), Before);
}

TEST_F(FormLayout, OnDestroyFiresBeforeTheControlsGo) {
  TTestSQLForm::DestroyedWith.clear();
  Forms::Application->CreateForm<TTestSQLForm>()->Free();
  EXPECT_EQ(TTestSQLForm::DestroyedWith, "&OK");
  // The application frees the forms it owns the same way.
  TTestSQLForm::DestroyedWith.clear();
  Forms::Application->CreateForm<TTestSQLForm>();
  Forms::Application->DestroyForms();
  EXPECT_EQ(TTestSQLForm::DestroyedWith, "&OK");
}

TEST_F(FormLayout, TwoInstancesOfOneDialogGetDistinctNames) {
  Forms::TFormPtr<TTestBaseForm> A(Forms::Application->CreateForm<TTestBaseForm>());
  Forms::TFormPtr<TTestBaseForm> B(Forms::Application->CreateForm<TTestBaseForm>());
  EXPECT_NE(A->GetName(), B->GetName());
}

TEST_F(FormLayout, AFormWrittenBackNamesColoursCursorsAndCharsets) {
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  F->lblTableName->SetCursor(Controls::crHandPoint);
  const std::string Text = DfmStream::WriteComponentToText(F.get());
  EXPECT_NE(Text.find("Color = clBtnFace"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Font.Charset = DEFAULT_CHARSET"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Font.Color = clWindowText"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Cursor = crHandPoint"), std::string::npos) << Text;
  // With scroll bars allowed (AutoScroll) the outer size is kept.
  EXPECT_NE(Text.find("  Width = 481\n  Height = 305\n"), std::string::npos) << Text;
  EXPECT_EQ(Text.find("ClientWidth"), std::string::npos) << Text;
  EXPECT_NE(Text.find("TextHeight = 13"), std::string::npos) << Text;
  // Aligned pages and menu items come back in their places.
  Forms::TFormPtr<Forms::TCustomForm> Copy(
      Forms::CreateFormFromText(TTestSQLForm::StaticClass(), nullptr, Text, "written"));
  auto* C = System::As<TTestSQLForm>(Copy.get());
  EXPECT_EQ(C->lblTableName->GetCursor(), Controls::crHandPoint);
  EXPECT_EQ(C->pmFields->GetItems()->Count(), 2);
  EXPECT_EQ(C->pnlButton->BoundsRect(), Bounds(0, 247, 475, 33));
  // The same text but for the copy's name.
  const auto Body = [](const std::string& S) { return S.substr(S.find('\n')); };
  EXPECT_EQ(Body(DfmStream::WriteComponentToText(C)), Body(Text));
}

TEST_F(FormLayout, ALayoutTextCanBeGivenDirectly) {
  const char* Text = "object Box: TForm\n"
                     "  Caption = 'Given'\n"
                     "  ClientHeight = 50\n"
                     "  ClientWidth = 80\n"
                     "  object Name: TEdit\n"
                     "    Left = 4\n"
                     "    Top = 4\n"
                     "    Width = 60\n"
                     "    Height = 21\n"
                     "    Color = $00C0FFFF\n"
                     "    Text = 'x'\n"
                     "  end\n"
                     "end\n";
  Forms::TFormPtr<Forms::TCustomForm> F(
      Forms::CreateFormFromText(Forms::TForm::StaticClass(), nullptr, Text, "given.dfm"));
  auto* Edit = F->FindComponentAs<StdCtrls::TEdit>("Name");
  ASSERT_NE(Edit, nullptr);
  EXPECT_EQ(Edit->GetColor(), Graphics::MakeColor(0xC0FFFF));
  EXPECT_EQ(Edit->GetParent(), F.get());
  EXPECT_EQ(F->GetClientWidth(), 80);
}
