// Menu trees, non-modal forms, positions, tab order changes, typing rules
// and what happens to exceptions on the way.
#include "TestForms.hpp"

#include "vcl/UIActions.hpp"
#include "vcl/UserInput.hpp"

#include <gtest/gtest.h>

using namespace VclTest;
using Menus::TMenuItem;

TEST(Menus, ItemsFormATreeThatCleansUpAfterItself) {
  Forms::TForm Form(nullptr);
  auto* Menu = new Menus::TPopupMenu(&Form);
  auto* File = new TMenuItem(&Form);
  File->SetName("miFile");
  File->SetCaption("&File");
  auto* Open = new TMenuItem(&Form);
  Open->SetName("miOpen");
  Open->SetCaption("&Open...");
  auto* Line = new TMenuItem(&Form);
  Line->SetCaption("-");
  Menu->GetItems()->Add(File);
  File->Add(Open);
  File->Insert(0, Line);
  EXPECT_EQ(Open->GetParentMenu(), Menu);
  EXPECT_EQ(File->IndexOf(Open), 1);
  EXPECT_EQ(Menu->GetItems()->Find("Open..."), Open);
  EXPECT_EQ(Menu->GetItems()->Find("miopen"), Open);
  EXPECT_EQ(File->GetParentComponent(), Menu);
  EXPECT_EQ(Open->GetParentComponent(), File);
  EXPECT_THROW(Open->Add(File), SysUtils::EInvalidOperation);
  EXPECT_THROW(Menu->GetItems()->Add(Open), SysUtils::EInvalidOperation);
  // A separator and an item with a submenu are not chosen.
  EXPECT_THROW(UserInput::ClickMenuItem(Line), UserInput::EUserInputError);
  EXPECT_THROW(UserInput::ClickMenuItem(File), UserInput::EUserInputError);
  int Clicks = 0;
  Open->OnClick = [&](TObject*) { ++Clicks; };
  Open->SetAutoCheck(true);
  UserInput::ClickMenuItem(Open);
  EXPECT_EQ(Clicks, 1);
  EXPECT_TRUE(Open->GetChecked());
  File->SetEnabled(false);
  EXPECT_THROW(UserInput::ClickMenuItem(Open), UserInput::EUserInputError);
  // Freeing an item takes it out of its parent; freeing a parent takes its
  // items along, whoever owns them.
  delete Line;
  EXPECT_EQ(File->Count(), 1);
  const int Owned = Form.ComponentCount();
  delete File;
  EXPECT_EQ(Menu->GetItems()->Count(), 0);
  EXPECT_EQ(Form.ComponentCount(), Owned - 2);
}

TEST(Forms, NonModalFormsShowHideCloseAndRelease) {
  TScript S("");
  TCodeDialog D;
  std::vector<std::string> Seen;
  D.Form->OnShow = [&](TObject*) { Seen.push_back("show"); };
  D.Form->OnHide = [&](TObject*) { Seen.push_back("hide"); };
  D.Form->OnClose = [&](TObject*, Forms::TCloseAction& Action) {
    Seen.push_back("close");
    if (Seen.size() > 4)
      Action = Forms::TCloseAction::caNone;
  };
  D.Form->SetPosition(Forms::TPosition::poScreenCenter);
  D.Form->Show();
  EXPECT_EQ(Forms::Screen->GetActiveForm(), D.Form);
  EXPECT_EQ(D.Form->GetLeft(), (1024 - D.Form->GetWidth()) / 2);
  D.Form->Close();
  EXPECT_FALSE(D.Form->GetVisible());
  D.Form->Show();
  D.Form->Close();
  EXPECT_TRUE(D.Form->GetVisible());
  D.Form->Hide();
  EXPECT_EQ(Seen, (std::vector<std::string>{"show", "close", "hide", "show", "close", "hide"}));
  EXPECT_EQ(S.UI.Log(), (std::vector<std::string>{
                            "form CodeDialog \"Code dialog\" shown", "form CodeDialog hidden",
                            "form CodeDialog \"Code dialog\" shown", "form CodeDialog hidden"}));
  // A released form goes when the current event is over.
  auto* Other = new Forms::TForm(Forms::Application);
  Other->Release();
  const int Before = Forms::Application->ComponentCount();
  Forms::Application->ProcessMessages();
  EXPECT_EQ(Forms::Application->ComponentCount(), Before - 1);
}

TEST(Forms, AnOwnedFormIsCentredOnItsOwner) {
  TScript S("");
  TCodeDialog Owner;
  Owner.Form->SetBounds(100, 50, 500, 400);
  Owner.Form->Show();
  auto* Child = new Forms::TForm(Owner.Form);
  Child->SetBounds(0, 0, 100, 80);
  Child->SetPosition(Forms::TPosition::poOwnerFormCenter);
  Child->Show();
  EXPECT_EQ(Child->BoundsRect(), Types::Bounds(300, 210, 100, 80));
  // It is told before its owner frees it.
  int Destroyed = 0;
  Child->OnDestroy = [&](TObject*) { ++Destroyed; };
  Owner.Form->Hide();
  Owner.Form->Free();
  Owner.Form = new Forms::TForm(nullptr);
  EXPECT_EQ(Destroyed, 1);
}

TEST(Forms, APublishedFieldLetsGoOfAControlThatIsFreed) {
  RegisterTestModule();
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  delete F->btGenerateSQL;
  EXPECT_EQ(F->btGenerateSQL, nullptr);
  delete F->pmFields;
  EXPECT_EQ(F->pmFields, nullptr);
  EXPECT_EQ(F->lbKeyFields->GetPopupMenu(), nullptr);
}

namespace {

class TRaisingForm : public Forms::TForm {
  OV_CLASS(TRaisingForm, Forms::TForm)
public:
  explicit TRaisingForm(TComponent* AOwner) : TForm(AOwner) {}
  void FormCreate(TObject*) { throw SysUtils::Exception("cannot create"); }
  void FormDestroy(TObject*) { ++Destroyed; }
  static inline int Destroyed = 0;
};

OV_CLASS_BEGIN(TRaisingForm, Forms::TForm, "MenusAndFormsTest")
B.Method("FormCreate", &TRaisingForm::FormCreate);
B.Method("FormDestroy", &TRaisingForm::FormDestroy);
OV_CLASS_END

} // namespace

TEST(Forms, AFormWhoseCreationFailsIsFreedWithoutOnDestroy) {
  const int Before = Forms::Application->ComponentCount();
  const char* Layout = "object Raising: TRaisingForm\n"
                       "  OnCreate = FormCreate\n"
                       "  OnDestroy = FormDestroy\n"
                       "end\n";
  try {
    Forms::CreateFormFromText(TRaisingForm::StaticClass(), nullptr, Layout, "raising.dfm");
    FAIL() << "no error";
  } catch (const SysUtils::Exception& E) {
    EXPECT_EQ(E.Message(), "cannot create");
  }
  try {
    Forms::CreateFormFromText(Forms::TForm::StaticClass(), nullptr,
                              "object F: TForm\n  OnCreate = NoSuchHandler\nend\n", "bad.dfm");
    FAIL() << "no error";
  } catch (const Classes::EReadError& E) {
    EXPECT_NE(E.Message().find("bad.dfm:2:"), std::string::npos) << E.Message();
  }
  EXPECT_EQ(Forms::Application->ComponentCount(), Before);
  EXPECT_EQ(TRaisingForm::Destroyed, 0);
}

TEST(TabOrder, ChangesAtRunTimeAndTheNextControlSkipsWhatCannotBeFocused) {
  TScript S("");
  TCodeDialog D;
  D.Form->Show();
  EXPECT_EQ(D.List->GetTabOrder(), 1);
  D.List->SetTabOrder(0);
  EXPECT_EQ(D.Edit->GetTabOrder(), 1);
  D.List->SetTabOrder(99);
  EXPECT_EQ(D.List->GetTabOrder(), 1);
  UserInput::Focus(D.Edit);
  D.List->SetEnabled(false);
  UserInput::PressKey(D.Form, Windows::VK_TAB);
  // Past the disabled list and the hidden page to the panel's first button.
  EXPECT_EQ(D.Form->FocusedControl(), D.Ok);
  // Disabling the focused control takes the focus away.
  D.Ok->SetEnabled(false);
  EXPECT_EQ(D.Form->FocusedControl(), nullptr);
  D.Form->Hide();
}

TEST(Typing, FollowsTheEditsRules) {
  TScript S("");
  TCodeDialog D;
  D.Form->Show();
  D.Edit->SetCharCase(StdCtrls::TEditCharCase::ecUpperCase);
  D.Edit->SetMaxLength(5);
  int Changes = 0;
  D.Edit->OnChange = [&](TObject*) { ++Changes; };
  UserInput::TypeText(D.Edit, "customer");
  EXPECT_EQ(D.Edit->GetText(), "CUSTO");
  EXPECT_EQ(Changes, 1);
  D.Edit->SetReadOnly(true);
  EXPECT_THROW(UserInput::TypeText(D.Edit, "x"), UserInput::EUserInputError);
  auto* Combo = new StdCtrls::TComboBox(D.Form);
  Combo->SetParent(D.Page1);
  Combo->SetStyle(StdCtrls::TComboBoxStyle::csDropDownList);
  Combo->GetItems()->Add("A");
  EXPECT_THROW(UserInput::TypeText(Combo, "A"), UserInput::EUserInputError);
  UserInput::ChooseItem(Combo, 0);
  EXPECT_EQ(Combo->GetText(), "A");
  EXPECT_EQ(D.Form->FocusedControl(), Combo);
  D.Form->Hide();
}

TEST(Keys, KeyPreviewLetsTheFormTakeAKeyFirst) {
  TCodeDialog D;
  D.Form->SetKeyPreview(true);
  D.Form->OnKeyDown = [](TObject*, uint16_t& Key, Classes::TShiftState) {
    if (Key == Windows::VK_ESCAPE)
      Key = 0;
  };
  TScript S("form CodeDialog\npress escape\nexpect CodeDialog ModalResult mrNone\n"
            "page Page2\nfocus Memo\npress tab\nexpect Memo Text \"\"\nclick Ok\n");
  EXPECT_EQ(D.Form->ShowModal(), Controls::mrOk);
  S.UI.CheckFinished();
}

TEST(Exceptions, OnExceptionOfTheApplicationSeesWhatHandlersLetThrough) {
  TCodeDialog D;
  D.Ok->SetModalResult(Controls::mrNone);
  D.Ok->OnClick = [](TObject*) { throw SysUtils::EConvertError("bad number"); };
  D.Cancel->OnClick = [](TObject*) { SysUtils::Abort(); };
  std::vector<std::string> Seen;
  Forms::Application->OnException = [&](TObject* Sender, const std::exception& E) {
    Seen.push_back(std::string(E.what()) + " from " +
                   dynamic_cast<Classes::TComponent*>(Sender)->GetName());
  };
  // An aborted click keeps the form open, silently.
  TScript S("form CodeDialog\nclick Ok\nclick Cancel\nexpect CodeDialog ModalResult mrNone\n"
            "close\n");
  EXPECT_EQ(D.Form->ShowModal(), Controls::mrCancel);
  Forms::Application->OnException = nullptr;
  EXPECT_EQ(Seen, std::vector<std::string>{"bad number from CodeDialog"});
}

TEST(Describe, HiddenAndDisabledControlsAndQuotes) {
  TCodeDialog D;
  D.Edit->SetText("say \"hi\"\n");
  D.List->SetVisible(false);
  D.Ok->SetEnabled(false);
  const std::string Text = UIActions::DescribeForm(D.Form);
  EXPECT_NE(Text.find("Edit  edit  text \"say \\\"hi\\\"\\n\""), std::string::npos) << Text;
  EXPECT_NE(Text.find("List  list box  items: (none)  (hidden)"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Ok  button  \"Ok\"  default  disabled"), std::string::npos) << Text;
  EXPECT_EQ(UIActions::Quote("a\\b\tc"), "\"a\\\\b\\tc\"");
}

// A list box of a program's own: the user interfaces find what to do with it
// by its parent class.
class TTagList : public StdCtrls::TListBox {
  OV_CLASS(TTagList, StdCtrls::TListBox)
public:
  using inherited::inherited;
};

OV_CLASS_IMPL(TTagList, StdCtrls::TListBox, "MenusAndFormsTest")

TEST(Dispatch, ADerivedControlClassIsChosenFromAndDescribedAsItsParent) {
  TScript S("");
  TCodeDialog D;
  D.Form->Show();
  auto* Tags = new TTagList(D.Form);
  Tags->SetName("Tags");
  Tags->SetParent(D.Page1);
  Tags->GetItems()->Add("red");
  Tags->GetItems()->Add("green");
  UserInput::ChooseItem(Tags, 1);
  EXPECT_EQ(Tags->GetItemIndex(), 1);
  EXPECT_EQ(D.Form->FocusedControl(), Tags);
  try {
    UserInput::TypeText(Tags, "blue");
    ADD_FAILURE() << "a list box took typed text";
  } catch (const UserInput::EUserInputError& E) {
    EXPECT_STREQ(E.what(), "Tags (a TTagList) takes no typed text");
  }
  EXPECT_EQ(Tags->GetItemIndex(), 1);
  const std::string Text = UIActions::DescribeForm(D.Form);
  EXPECT_NE(Text.find("Tags  list box  items: \"red\", "), std::string::npos) << Text;
  D.Form->Hide();
}
