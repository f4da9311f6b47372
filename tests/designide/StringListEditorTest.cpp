// The host's string-list editor, driven by the scripted user interface from
// the Object Inspector on real components: OK, Cancel, the line count, and
// the code editor, whose module the script edits.
#include "EditorTestClasses.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/IDEServices.hpp"
#include "designide/ObjectInspector.hpp"
#include "designide/StrEdit.hpp"
#include "vcl/ScriptedUI.hpp"

#include <gtest/gtest.h>

using namespace EditorTest;
using DesignIntf::TDesigner;
using DesignIntf::TPropertyAttribute;
using System::TInterfaceRef;

namespace {

class StringListEditor : public ::testing::Test {
protected:
  StringListEditor() : Root(nullptr) {
    Root.SetName("Form1");
    Root.SetDesigning(true);
    D = TInterfaceRef<TDesigner>(new TDesigner(&Root));
    W1 = new TWidget(&Root);
    W1->SetName("W1");
    W1->GetLines()->SetText("select *\nfrom T\n");
    W1->LinesAssigned = 0;
  }
  // Runs the ellipsis of W1's Lines under Script; the script must be used up.
  void Edit(const std::string& Script) {
    ScriptedUI::TScriptedUI UI(Script, "lines.txt");
    UIService::TUIServiceScope Using(&UI);
    ObjectInspector::TObjectInspector OI(D.Get(), {W1});
    OI.Get("Lines").Edit();
    UI.CheckFinished();
  }
  std::string Lines() const { return W1->GetLines()->GetText(); }

  TTestRoot Root;
  TInterfaceRef<TDesigner> D;
  TWidget* W1;
};

} // namespace

TEST_F(StringListEditor, IsTheHostsEditorOfStringListsShownAsADialog) {
  ObjectInspector::TObjectInspector OI(D.Get(), {W1});
  ObjectInspector::TInspectorProperty& P = OI.Get("Lines");
  EXPECT_EQ(P.EditorClassName(), "TStringListProperty");
  EXPECT_EQ(P.Value(), "(TStrings)");
  const auto A = P.Attributes();
  EXPECT_TRUE(A.Contains(TPropertyAttribute::paDialog));
  EXPECT_TRUE(A.Contains(TPropertyAttribute::paReadOnly));
  EXPECT_FALSE(A.Contains(TPropertyAttribute::paSubProperties));
  EXPECT_EQ(StrEdit::TStrEditDlg::LineCountText(0), "0 lines");
  EXPECT_EQ(StrEdit::TStrEditDlg::LineCountText(1), "1 line");
}

TEST_F(StringListEditor, OkWritesChangedLinesThroughTheSetterAndTellsTheDesigner) {
  Edit("form StrEditDlg\n"
       "expect lblLineCount Caption 2 lines\n"
       "expect meLines Text \"select *\\nfrom T\"\n"
       "set meLines \"select A\\nfrom T\\nwhere A > 1\"\n"
       "expect lblLineCount Caption 3 lines\n"
       "expect btCodeEditor Enabled False\n"
       "click btOk\n");
  EXPECT_EQ(Lines(), "select A\nfrom T\nwhere A > 1\n");
  EXPECT_EQ(W1->LinesAssigned, 1);
  EXPECT_EQ(D->ModifiedCount(), 1);
  // OK without a change writes nothing and tells nobody.
  Edit("form StrEditDlg\nclick btOk\n");
  EXPECT_EQ(W1->LinesAssigned, 1);
  EXPECT_EQ(D->ModifiedCount(), 1);
}

TEST_F(StringListEditor, CancelAndEscapeChangeNothing) {
  Edit("form StrEditDlg\nset meLines gone\nclick btCancel\n");
  Edit("form StrEditDlg\nset meLines gone\npress escape\n");
  EXPECT_EQ(Lines(), "select *\nfrom T\n");
  EXPECT_EQ(W1->LinesAssigned, 0);
  EXPECT_EQ(D->ModifiedCount(), 0);
}

TEST_F(StringListEditor, TheCodeEditorTakesTheTextAndItsSaveReturnsIntoTheProperty) {
  IDEServices::TIDEServicesScope Services;
  const auto Module = [&] { return Services.Services()->FindModule("Form1.W1.Lines"); };
  const auto Source = [&] {
    return ToolsAPI::IntfCast<ToolsAPI::IOTASourceEditor>(Module()->GetModuleFileEditor(0));
  };
  // The dialog's text goes on to the module, marked modified; the property
  // keeps its lines until the module is saved.
  Edit("form StrEditDlg\n"
       "expect btCodeEditor Enabled True\n"
       "set meLines \"select B\\nfrom T\"\n"
       "click btCodeEditor\n"
       "module Form1.W1.Lines\n"
       "leave\n");
  ASSERT_TRUE(Module());
  EXPECT_TRUE(Source()->GetModified());
  EXPECT_EQ(Source()->GetText(), "select B\nfrom T\n");
  EXPECT_EQ(Lines(), "select *\nfrom T\n");
  EXPECT_EQ(D->ModifiedCount(), 0);
  // While the module is open the ellipsis brings it to the front instead of
  // the dialog; what the script saves there returns into the property.
  Edit("module Form1.W1.Lines\ntext select C from T\nsave\n");
  EXPECT_EQ(Lines(), "select C from T\n");
  EXPECT_EQ(W1->LinesAssigned, 1);
  EXPECT_EQ(D->ModifiedCount(), 1);
  EXPECT_TRUE(Module()->Close());
  // Unchanged text opens unmodified.
  Edit("form StrEditDlg\nclick btCodeEditor\nmodule Form1.W1.Lines\nleave\n");
  ASSERT_TRUE(Module());
  EXPECT_FALSE(Source()->GetModified());
  EXPECT_EQ(D->ModifiedCount(), 1);
}

TEST_F(StringListEditor, ACodeEditorNeedsANamedRootThatOwnsTheComponent) {
  IDEServices::TIDEServicesScope Services;
  Root.SetName("");
  Edit("form StrEditDlg\nexpect btCodeEditor Enabled False\nclick btCancel\n");
  EXPECT_EQ(StrEdit::StringsModuleName(D.Get(), W1, "Lines"), "");
  Root.SetName("Form1");
  EXPECT_EQ(StrEdit::StringsModuleName(D.Get(), W1, "Lines"), "Form1.W1.Lines");
  TWidget Loose(nullptr);
  Loose.SetName("Loose");
  EXPECT_EQ(StrEdit::StringsModuleName(D.Get(), &Loose, "Lines"), "");
}

TEST_F(StringListEditor, WithSeveralSelectedItShowsTheFirstListAndOkWritesThemAll) {
  auto* W2 = new TWidget(&Root);
  W2->SetName("W2");
  W2->GetLines()->SetText("other\n");
  ScriptedUI::TScriptedUI UI("form StrEditDlg\n"
                             "expect meLines Text \"select *\\nfrom T\"\n"
                             "set meLines both\n"
                             "click btOk\n",
                             "lines.txt");
  UIService::TUIServiceScope Using(&UI);
  ObjectInspector::TObjectInspector OI(D.Get(), {W1, W2});
  OI.Get("Lines").Edit();
  UI.CheckFinished();
  EXPECT_EQ(Lines(), "both\n");
  EXPECT_EQ(W2->GetLines()->GetText(), "both\n");
  EXPECT_EQ(D->ModifiedCount(), 1);
}
