// Modal runs through the Qt service: keys, close requests and message boxes
// as a person at the window meets them, in the model's order.
#include "QtTestSupport.hpp"

#include "TestForms.hpp"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace QtTest;
using Controls::mrCancel;
using Controls::mrOk;
using VclTest::TCodeDialog;
using VclTest::TTestSQLForm;

namespace {

using Modal = TQtFixture;

QWidget* WindowOf(QtForms::TQtUI& UI, Forms::TCustomForm* Form) {
  QtForms::TFormView* V = UI.FindView(Form);
  return V ? V->Window() : nullptr;
}

void Key(QtForms::TQtUI& UI, Forms::TCustomForm* Form, Qt::Key K) {
  QWidget* W = WindowOf(UI, Form);
  ASSERT_NE(W, nullptr);
  QWidget* Target = W->focusWidget() ? W->focusWidget() : W;
  QTest::keyClick(Target, K);
}

} // namespace

TEST_F(Modal, EnterAndEscapeGoThroughTheModelAndCloseQueryCanRefuse) {
  Forms::TFormPtr<TTestSQLForm> Form(Forms::Application->CreateForm<TTestSQLForm>());
  bool VisibleAfterRefusal = false;
  Later({
      // Enter: the default button, then the close query asks.
      [&] { Key(UI, Form.get(), Qt::Key_Return); },
      [&] {
        QMessageBox* Box = OpenMessageBox();
        ASSERT_NE(Box, nullptr);
        EXPECT_EQ(Box->windowTitle(), "Confirm");
        EXPECT_EQ(Box->icon(), QMessageBox::Question);
        QStringList Buttons;
        for (QAbstractButton* B : Box->buttons())
          Buttons << B->text();
        Buttons.sort();
        // With their access keys: Alt+N answers No.
        EXPECT_EQ(Buttons, (QStringList{"&No", "&Yes", "Cancel"}));
        Answer("No");
      },
      [&] {
        VisibleAfterRefusal = WindowOf(UI, Form.get())->isVisible();
        Key(UI, Form.get(), Qt::Key_Escape);
      },
  });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  EXPECT_TRUE(VisibleAfterRefusal);
  EXPECT_EQ(Messages, std::vector<std::string>{"The modify statement is empty. Close anyway?"});
  EXPECT_EQ(Form->Events, (std::vector<std::string>{"create", "closequery", "closequery"}));
  EXPECT_FALSE(WindowOf(UI, Form.get())->isVisible());
  EXPECT_FALSE(Form->GetVisible());
}

TEST_F(Modal, TheWindowsCloseButtonAsksTheModel) {
  TCodeDialog D;
  int Asked = 0;
  D.Form->OnCloseQuery = [&](System::TObject*, bool& CanClose) { CanClose = ++Asked > 1; };
  Later({[&] { WindowOf(UI, D.Form)->close(); },
         [&] {
           EXPECT_TRUE(WindowOf(UI, D.Form)->isVisible());
           WindowOf(UI, D.Form)->close();
         }});
  EXPECT_EQ(D.Form->ShowModal(), mrCancel);
  EXPECT_EQ(Asked, 2);
}

TEST_F(Modal, AnErrorInAHandlerIsShownAndTheDialogStaysUsable) {
  TCodeDialog D;
  int Clicks = 0;
  D.Ok->OnClick = [&](System::TObject*) {
    if (++Clicks == 1)
      throw SysUtils::Exception("Cannot connect to the database");
  };
  Later({[&] { QTest::mouseClick(Find<QPushButton>(WindowOf(UI, D.Form), "Ok"), Qt::LeftButton); },
         [&] {
           ASSERT_NE(OpenMessageBox(), nullptr);
           EXPECT_EQ(OpenMessageBox()->icon(), QMessageBox::Critical);
           Answer("OK");
         },
         [&] {
           // Still open; typing still reaches the model.
           QWidget* W = WindowOf(UI, D.Form);
           ASSERT_TRUE(W->isVisible());
           QTest::keyClicks(Find<QLineEdit>(W, "Edit"), "abc");
           QTest::mouseClick(Find<QPushButton>(W, "Ok"), Qt::LeftButton);
         }});
  EXPECT_EQ(D.Form->ShowModal(), mrOk);
  EXPECT_EQ(Clicks, 2);
  EXPECT_EQ(D.Edit->GetText(), "abc");
  EXPECT_EQ(Messages, std::vector<std::string>{"Cannot connect to the database."});
}

TEST_F(Modal, ADialogOpenedFromADialogRunsOnTopAndBothCloseInTurn) {
  TCodeDialog Outer("Outer");
  TCodeDialog Inner("Inner");
  int InnerResult = -1;
  Outer.Ok->OnClick = [&](System::TObject*) {
    InnerResult = Inner.Form->ShowModal();
    Outer.Form->SetModalResult(Controls::mrNone);
  };
  Later({[&] {
           QTest::mouseClick(Find<QPushButton>(WindowOf(UI, Outer.Form), "Ok"), Qt::LeftButton);
         },
         [&] {
           // The inner dialog is the modal window now.
           EXPECT_EQ(QApplication::activeModalWidget(), WindowOf(UI, Inner.Form));
           QTest::keyClicks(Find<QLineEdit>(WindowOf(UI, Inner.Form), "Edit"), "x");
           QTest::mouseClick(Find<QPushButton>(WindowOf(UI, Inner.Form), "Ok"), Qt::LeftButton);
         },
         [&] {
           EXPECT_EQ(QApplication::activeModalWidget(), WindowOf(UI, Outer.Form));
           Key(UI, Outer.Form, Qt::Key_Escape);
         }});
  EXPECT_EQ(Outer.Form->ShowModal(), mrCancel);
  EXPECT_EQ(InnerResult, mrOk);
  EXPECT_EQ(Inner.Edit->GetText(), "x");
}

TEST_F(Modal, AFormFreedFromItsOwnHandlerTakesItsWindowWithIt) {
  auto* D = new TCodeDialog("Freed");
  QPointer<QWidget> Window;
  D->Ok->OnClick = [&](System::TObject*) { D->Form->Release(); };
  D->Form->Show();
  Pump();
  Window = WindowOf(UI, D->Form);
  ASSERT_TRUE(Window);
  QTest::mouseClick(Find<QPushButton>(Window, "Ok"), Qt::LeftButton);
  // Released: freed when the click is over.
  EXPECT_EQ(UI.FindView(D->Form), nullptr);
  D->Form = new Forms::TForm(nullptr); // the helper frees a form of its own
  delete D;
  Pump();
  EXPECT_FALSE(Window);
}
