// What a person does to a shown form: focus moves, exit before enter before
// the click, modal results and close queries, dialog keys, the close
// button, page changes and context menus.
#include "TestForms.hpp"

#include "vcl/UserInput.hpp"

#include <gtest/gtest.h>

using namespace VclTest;
using Controls::mrCancel;
using Controls::mrNone;
using Controls::mrOk;
using Controls::mrYes;
using Events = std::vector<std::string>;

TEST(Focus, AClickMovesTheFocusExitBeforeEnterBeforeTheClick) {
  TCodeDialog D;
  D.Watch(D.Edit);
  D.Watch(D.List);
  D.Watch(D.Ok);
  D.Watch(D.Page1);
  D.Ok->SetModalResult(mrNone);
  D.Ok->OnClick = [&](TObject*) { D.Events.push_back("click Ok"); };
  TScript S("form CodeDialog\nfocus Edit\nclick Ok\nclick Cancel\n");
  EXPECT_EQ(D.Form->ShowModal(), mrCancel);
  // The first control in tab order has the focus when the form shows.
  EXPECT_EQ(D.Events, (Events{"enter Page1", "enter Edit", "exit Edit", "exit Page1", "enter Ok",
                              "click Ok", "exit Ok"}));
}

TEST(Focus, AClickDoesNotHappenWhenOnExitKeepsTheFocus) {
  TCodeDialog D;
  int Clicks = 0;
  D.Ok->SetModalResult(mrNone);
  D.Ok->OnClick = [&](TObject*) { ++Clicks; };
  // Validation that sends the person back.
  D.Edit->OnExit = [&](TObject*) {
    if (D.Edit->GetText().empty())
      D.Edit->SetFocus();
  };
  TScript S("form CodeDialog\nfocus Edit\nclick Ok\nexpect CodeDialog FocusedControl Edit\n"
            "set Edit filled\nclick Ok\nclick Cancel\n");
  EXPECT_EQ(D.Form->ShowModal(), mrCancel);
  EXPECT_EQ(Clicks, 1);
}

TEST(Focus, AnExceptionInOnExitIsShownAndTheClickIsDropped) {
  TCodeDialog D;
  D.Edit->OnExit = [](TObject*) { throw SysUtils::EConvertError("'abc' is not a number"); };
  TScript S("form CodeDialog\nfocus Edit\nclick Ok\nanswer OK \"'abc' is not a number.\"\n"
            "expect CodeDialog ModalResult mrNone\nclose\n");
  EXPECT_EQ(D.Form->ShowModal(), mrCancel);
  EXPECT_NE(S.UI.LogText().find("message Orvane \"'abc' is not a number.\""), std::string::npos)
      << S.UI.LogText();
}

TEST(Focus, ChangingThePageMovesTheFocusOffTheHiddenPage) {
  TCodeDialog D;
  D.Watch(D.Memo);
  TScript S("");
  D.Form->Show();
  D.Pages->SetActivePage(D.Page2);
  UserInput::Focus(D.Memo);
  EXPECT_EQ(D.Events, Events{"enter Memo"});
  D.Pages->SetActivePage(D.Page1);
  EXPECT_EQ(D.Events, (Events{"enter Memo", "exit Memo"}));
  EXPECT_EQ(D.Form->FocusedControl(), D.Pages);
  EXPECT_FALSE(D.Memo->Showing());
  D.Form->Hide();
}

TEST(Focus, APersonChangingThePageFiresOnChangeAndTheFocusGoesToTheTabs) {
  TCodeDialog D;
  D.Watch(D.Memo);
  int Changes = 0;
  D.Pages->OnChange = [&](TObject*) { ++Changes; };
  TScript S("form CodeDialog\npage Page2\nfocus Memo\npage Page1\n"
            "expect Pages ActivePage Page1\nexpect CodeDialog FocusedControl Pages\nclose\n");
  D.Form->ShowModal();
  EXPECT_EQ(D.Events, (Events{"enter Memo", "exit Memo"}));
  EXPECT_EQ(Changes, 2);
  // A page changed in code fires no OnChange.
  D.Pages->SetActivePage(D.Page2);
  EXPECT_EQ(Changes, 2);
}

TEST(Focus, OnChangingCanKeepThePage) {
  TCodeDialog D;
  D.Pages->OnChanging = [](TObject*, bool& Allow) { Allow = false; };
  TScript S("form CodeDialog\npage Page2\nexpect Pages ActivePage Page1\nclose\n");
  D.Form->ShowModal();
  S.UI.CheckFinished();
}

TEST(Modal, AButtonsModalResultClosesTheFormAfterItsClick) {
  TCodeDialog D;
  std::string SeenInClick;
  D.Ok->OnClick = [&](TObject*) {
    SeenInClick = Controls::ModalResultToString(D.Form->GetModalResult());
  };
  TScript S("form CodeDialog\nclick Ok\n");
  EXPECT_EQ(D.Form->ShowModal(), mrOk);
  EXPECT_EQ(SeenInClick, "mrOk");
  EXPECT_FALSE(D.Form->GetVisible());
  EXPECT_FALSE(D.Form->IsModal());
  EXPECT_NE(S.UI.LogText().find("form CodeDialog closed: mrOk"), std::string::npos);
}

TEST(Modal, OnClickMayCancelTheCloseAndAnExceptionKeepsTheFormOpen) {
  TCodeDialog D;
  int Clicks = 0;
  D.Ok->OnClick = [&](TObject*) {
    if (++Clicks == 1)
      D.Form->SetModalResult(mrNone);
    else if (Clicks == 2)
      throw SysUtils::Exception("cannot save");
  };
  TScript S("form CodeDialog\nclick Ok\nclick Ok\nanswer OK cannot save\nclick Ok\n");
  EXPECT_EQ(D.Form->ShowModal(), mrOk);
  EXPECT_EQ(Clicks, 3);
}

TEST(Modal, CloseQueryCanRefuseAndTheFormStaysOpen) {
  TCodeDialog D;
  int Asked = 0;
  D.Form->OnCloseQuery = [&](TObject*, bool& CanClose) {
    ++Asked;
    CanClose = Dialogs::MessageDlg("Close?", Dialogs::TMsgDlgType::mtConfirmation,
                                   Dialogs::mbYesNoCancel, 0) == mrYes;
  };
  TScript S("form CodeDialog\nclick Ok\nanswer No\nexpect CodeDialog ModalResult mrNone\n"
            "click Cancel\nanswer Cancel\nclose\nanswer Yes\n");
  EXPECT_EQ(D.Form->ShowModal(), mrCancel);
  EXPECT_EQ(Asked, 3);
}

TEST(Modal, EnterPressesTheDefaultButtonAndEscapeTheCancelButton) {
  {
    TCodeDialog D;
    TScript S("form CodeDialog\nfocus Edit\npress enter\n");
    EXPECT_EQ(D.Form->ShowModal(), mrOk);
    // The default button was pressed without taking the focus.
    EXPECT_EQ(D.Form->FocusedControl(), D.Edit);
  }
  {
    TCodeDialog D;
    TScript S("form CodeDialog\npress escape\n");
    EXPECT_EQ(D.Form->ShowModal(), mrCancel);
  }
  {
    // A focused button takes Enter itself; a memo takes it as a line break.
    TCodeDialog D;
    TScript S(
        "form CodeDialog\npage Page2\nset Memo one\npress enter\nexpect Memo Text \"one\\n\"\n"
        "focus Cancel\npress enter\n");
    EXPECT_EQ(D.Form->ShowModal(), mrCancel);
  }
}

TEST(Modal, TabMovesTheFocusInTabOrder) {
  TCodeDialog D;
  // The page control is first in tab order; its page is no tab stop.
  TScript S("form CodeDialog\nexpect CodeDialog FocusedControl Pages\npress tab\n"
            "expect CodeDialog FocusedControl Edit\npress tab\n"
            "expect CodeDialog FocusedControl List\npress shift+tab\n"
            "expect CodeDialog FocusedControl Edit\nclose\n");
  D.Form->ShowModal();
  S.UI.CheckFinished();
}

TEST(Modal, TheCloseButtonGivesCancelAndAFormWithoutOneRefuses) {
  TCodeDialog D;
  TScript S("form CodeDialog\nclose\n");
  EXPECT_EQ(D.Form->ShowModal(), mrCancel);
  D.Form->SetBorderIcons({});
  TScript S2("form CodeDialog\nclose\n");
  try {
    D.Form->ShowModal();
    FAIL() << "no error";
  } catch (const ScriptedUI::EUIScriptError& E) {
    EXPECT_EQ(E.Message(), "ui-script.txt:2: form CodeDialog has no close button");
  }
}

TEST(Modal, WithoutAUserInterfaceShowModalFailsAtOnce) {
  TCodeDialog D;
  try {
    D.Form->ShowModal();
    FAIL() << "no error";
  } catch (const UIService::ENoUserInterface& E) {
    EXPECT_EQ(E.Message(), "no user interface is available for Code dialog");
  }
  EXPECT_FALSE(D.Form->GetVisible());
  EXPECT_FALSE(D.Form->IsModal());
  EXPECT_THROW(Dialogs::MessageDlg("x", Dialogs::TMsgDlgType::mtInformation, {}, 0),
               UIService::ENoUserInterface);
}

TEST(Modal, AShownFormCannotBeMadeModal) {
  TCodeDialog D;
  TScript S("");
  D.Form->Show();
  EXPECT_THROW(D.Form->ShowModal(), SysUtils::EInvalidOperation);
  D.Form->Hide();
}

TEST(Modal, AModalFormOpenedFromAnotherIsDrivenByTheSameScript) {
  TCodeDialog Outer;
  Outer.Ok->SetModalResult(mrNone);
  int Inner = -1;
  Outer.Ok->OnClick = [&](TObject*) {
    TCodeDialog Child("ChildDialog");
    Inner = Child.Form->ShowModal();
  };
  TScript S("form CodeDialog\nclick Ok\nform ChildDialog\nset Edit inner\nclick Ok\nclose\n");
  EXPECT_EQ(Outer.Form->ShowModal(), mrCancel);
  EXPECT_EQ(Inner, mrOk);
  S.UI.CheckFinished();
}

TEST(PopupMenu, ThePopupComponentIsSetBeforeTheItemsClick) {
  RegisterTestModule();
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  TScript S("form OVUpdateSQLEditForm\nset cbTableName T\nclick btGetTableFields\n"
            "popup lbKeyFields &Clear All\n"
            "expect pmFields PopupComponent lbKeyFields\n"
            "expect lbKeyFields SelCount 0\nexpect lbUpdateFields SelCount 3\n"
            "popup lbUpdateFields miClearAll\npopup lbKeyFields Select All\n"
            "expect lbKeyFields SelCount 3\nexpect lbUpdateFields SelCount 0\nclick btCancel\n");
  EXPECT_EQ(F->ShowModal(), mrCancel);
  S.UI.CheckFinished();
  // The menu lets go of a control that is freed.
  delete F->lbKeyFields;
  EXPECT_EQ(F->pmFields->GetPopupComponent(), nullptr);
}

TEST(PopupMenu, OnPopupCanDisableAnItem) {
  RegisterTestModule();
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  F->pmFields->OnPopup = [&](TObject*) { F->miClearAll->SetEnabled(false); };
  TScript S("form OVUpdateSQLEditForm\npopup lbKeyFields miClearAll\n");
  try {
    F->ShowModal();
    FAIL() << "no error";
  } catch (const ScriptedUI::EUIScriptError& E) {
    EXPECT_EQ(E.Message(), "ui-script.txt:2: menu item miClearAll is disabled");
  }
}

TEST(UserInput, ActionsAreRefusedOnControlsAPersonCannotReach) {
  TCodeDialog D;
  EXPECT_THROW(UserInput::Click(D.Ok), UserInput::EUserInputError); // not shown
  TScript S("");
  D.Form->Show();
  D.Ok->SetEnabled(false);
  EXPECT_EQ(UserInput::WhyUnreachable(D.Ok), "Ok is disabled");
  EXPECT_EQ(UserInput::WhyUnreachable(D.Memo), "Memo is on page Page2, which is not shown");
  D.Edit->GetParent()->SetEnabled(false);
  EXPECT_EQ(UserInput::WhyUnreachable(D.Edit), "Edit is inside Page1, which is disabled");
  EXPECT_THROW(UserInput::TypeText(D.Edit, "x"), UserInput::EUserInputError);
  EXPECT_EQ(D.Edit->GetText(), "");
  D.Form->Hide();
}
