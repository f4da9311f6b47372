// The designer window with the design package loaded, on real design files
// and a real SQLite database: palette, surface, object tree, Object
// Inspector, verbs, code editor tabs, files, and a full UpdateSQL editor
// session through the rendered dialog.
#include "QtTestSupport.hpp"

#include "designide/DesignPackages.hpp"
#include "designide/DesignRegistry.hpp"
#include "host/qt/QtDesigner.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "rtl/TypInfo.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"
#include "vcl/Windows.hpp"

#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabBar>
#include <QToolButton>
#include <QToolTip>

#include <deque>

using namespace QtTest;
using namespace TestSupport;
using QtDesigner::TDesignerWindow;

namespace {

// A property's value as text; a string list's lines joined by line feeds.
std::string Prop(Classes::TComponent* C, const char* Name) {
  const TypInfo::TPropInfo* Info = TypInfo::GetPropInfo(C, Name);
  if (TypInfo::PropType(C, Name) != TypInfo::TTypeKind::tkClass)
    return TypInfo::GetPropValueText(C, Info);
  if (auto* Lines = dynamic_cast<Classes::TStrings*>(TypInfo::GetObjectProp(C, Info))) {
    std::string Text;
    for (int I = 0; I < Lines->Count(); ++I)
      Text += (I ? "\n" : "") + Lines->Get(I);
    return Text;
  }
  if (auto* Ref = dynamic_cast<Classes::TComponent*>(TypInfo::GetObjectProp(C, Info)))
    return Ref->GetName();
  if (!TypInfo::GetObjectProp(C, Info))
    return "";
  return TypInfo::GetPropValueText(C, Info);
}

// A design file with a SQLite database, a query on it and the query's update
// object.
std::string ShopDesign(const std::string& DatabaseFile) {
  return "object DataModule1: TDataModule\n"
         "  OldCreateOrder = False\n"
         "  Height = 300\n"
         "  Width = 400\n"
         "  object ShopDatabase: TOVDatabase\n"
         "    DatabaseName = 'shop'\n"
         "    LoginPrompt = False\n"
         "    RemoteDatabase = '" +
         DatabaseFile +
         "'\n"
         "    Left = 24\n"
         "    Top = 16\n"
         "  end\n"
         "  object CustomerQuery: TOVQuery\n"
         "    DatabaseName = 'shop'\n"
         "    SQL.Strings = (\n"
         "      'select id, name, city from customer')\n"
         "    UpdateObject = CustomerUpdate\n"
         "    Left = 120\n"
         "    Top = 16\n"
         "  end\n"
         "  object CustomerUpdate: TOVUpdateSQL\n"
         "    Left = 216\n"
         "    Top = 16\n"
         "  end\n"
         "end\n";
}

class Designer : public TPackageFixture {
protected:
  void SetUp() override {
    TPackageFixture::SetUp();
    Window = std::make_unique<TDesignerWindow>(QtDesigner::TDesignerOptions{OV_PACKAGE_FILE});
  }
  void TearDown() override {
    Window.reset();
    TPackageFixture::TearDown();
  }
  // Message boxes are answered from the list (Cancel, else OK, when it is
  // empty).
  int AnswerBox(const UIService::TMessageBoxRequest& R) override {
    std::string Button = Answers.empty() ? std::string() : Answers.front();
    if (!Answers.empty())
      Answers.pop_front();
    for (unsigned I = 0; I <= static_cast<unsigned>(Dialogs::TMsgDlgBtn::mbYesToAll); ++I) {
      const auto B = static_cast<Dialogs::TMsgDlgBtn>(I);
      if (R.Buttons.Contains(B) && Dialogs::ButtonCaption(B) == Button)
        return Dialogs::ModalResultOf(B);
    }
    if (R.Buttons.Contains(Dialogs::TMsgDlgBtn::mbCancel))
      return Dialogs::ModalResultOf(Dialogs::TMsgDlgBtn::mbCancel);
    return Dialogs::ModalResultOf(Dialogs::TMsgDlgBtn::mbOK);
  }

  // A SQLite database with a customer table.
  std::string MakeDatabase() {
    const std::string File = Dir / "shop.db";
    OVDriver::TConnectParams Params;
    Params.RemoteDatabase = File;
    Params.Extra = {{"CREATE", "TRUE"}};
    OVDriver::FindDriver("SQLite")->Connect(Params)->ExecuteScript(
        "create table customer (id integer primary key, name text not null, city text);"
        "insert into customer values (1, 'Ada', 'London');");
    return File;
  }
  std::string OpenShop() {
    const std::string File = Dir / "shop.dfm";
    WriteFile(File, ShopDesign(MakeDatabase()));
    EXPECT_TRUE(Window->OpenFile(File));
    return File;
  }
  Classes::TComponent* C(const std::string& Name) {
    Classes::TComponent* Found = Window->Designer()->GetComponent(Name);
    EXPECT_NE(Found, nullptr) << Name;
    return Found;
  }
  QStringList TreeCaptions() {
    QStringList R;
    for (QTreeWidgetItemIterator It(Window->Tree()); *It; ++It)
      R << (*It)->text(0);
    return R;
  }

  std::unique_ptr<TDesignerWindow> Window;
  std::deque<std::string> Answers;
};

} // namespace

TEST_F(Designer, ThePaletteShowsThePackagesPageWithItsBitmapsInOrder) {
  QtDesigner::TPalette* P = Window->Palette();
  ASSERT_GE(P->count(), 1);
  EXPECT_EQ(P->tabText(0), "Orvane");
  const auto Pages = DesignRegistry::PalettePages();
  ASSERT_EQ(Pages.at(0).Items.size(), 10u);
  // The buttons after the arrow, in registration order, each with the
  // package file's bitmap.
  const auto Buttons = P->widget(0)->findChildren<QToolButton*>();
  QStringList Names;
  for (QToolButton* B : Buttons)
    if (B->objectName() != "PaletteArrow")
      Names << B->objectName();
  QStringList Expected;
  for (const auto& Item : Pages[0].Items) {
    Expected << QString::fromStdString(Item.ComponentClass->Name);
    EXPECT_TRUE(Window->Pictures().HasBitmap(Item.ComponentClass)) << Item.ComponentClass->Name;
  }
  EXPECT_EQ(Names, Expected);
  EXPECT_EQ(P->ButtonOf("TOVQuery")->toolTip(), "OVQuery");
  EXPECT_EQ(P->ButtonOf("TOVQuery")->icon().pixmap(24, 24).size(), QSize(24, 24));
}

TEST_F(Designer, OpeningAFileShowsItsComponentsTreeAndTitle) {
  const std::string File = OpenShop();
  EXPECT_EQ(Window->FileName(), File);
  EXPECT_FALSE(Window->IsModified());
  EXPECT_EQ(Window->windowTitle(), "shop.dfm[*] - Orvane Designer");
  EXPECT_EQ(Window->findChild<QLabel*>("StatusText")->text().toStdString(), "Opened " + File);
  EXPECT_EQ(Window->Surface()->IconRect(C("CustomerQuery")).topLeft(), QPoint(120, 16));
  EXPECT_EQ(Window->Surface()->ComponentAt(QPoint(130, 20)), C("CustomerQuery"));
  // The captions the package's nodes give.
  const QStringList Captions = TreeCaptions();
  EXPECT_TRUE(Captions.contains("DataModule1: TDataModule")) << Captions.join(" / ").toStdString();
  EXPECT_TRUE(Captions.filter("ShopDatabase").size() == 1) << Captions.join(" / ").toStdString();
  EXPECT_TRUE(Captions.filter("CustomerQuery").size() == 1) << Captions.join(" / ").toStdString();
  // The query hangs under its database's node.
  QTreeWidgetItem* Query = Window->Tree()->ItemOfComponent(C("CustomerQuery"));
  ASSERT_NE(Query, nullptr);
  ASSERT_NE(Query->parent(), nullptr);
  EXPECT_EQ(Window->Tree()->SprigOf(Query->parent())->Item(), C("ShopDatabase"));
  // An update object without statements is marked as a problem.
  QTreeWidgetItem* Update = Window->Tree()->ItemOfComponent(C("CustomerUpdate"));
  ASSERT_NE(Update, nullptr);
  EXPECT_EQ(Update->toolTip(0), "This node has a problem");
}

TEST_F(Designer, PlacingSelectingMovingAndDeletingOnTheSurface) {
  OpenShop();
  QtDesigner::TDesignSurface* S = Window->Surface();
  // Palette, then a click: a new component with a fresh name.
  QTest::mouseClick(Window->Palette()->ButtonOf("TOVQuery"), Qt::LeftButton);
  EXPECT_EQ(Window->Palette()->Chosen(), Classes::GetClass("TOVQuery"));
  QTest::mouseClick(S, Qt::LeftButton, {}, QPoint(60, 150));
  Classes::TComponent* Made = Window->Designer()->GetComponent("OVQuery1");
  ASSERT_NE(Made, nullptr);
  EXPECT_EQ(Made->DesignLeft(), 60);
  EXPECT_EQ(Made->DesignTop(), 150);
  EXPECT_EQ(Window->Selection(), std::vector<Classes::TPersistent*>{Made});
  EXPECT_EQ(Window->Palette()->Chosen(), nullptr);
  EXPECT_TRUE(Window->IsModified());
  EXPECT_EQ(Window->windowTitle(), "shop.dfm[*] - Orvane Designer");
  EXPECT_TRUE(Window->isWindowModified());
  EXPECT_NE(Window->Tree()->ItemOfComponent(Made), nullptr);
  // Control-click adds to the selection; the inspector shows what both
  // share.
  QTest::mouseClick(S, Qt::LeftButton, Qt::ControlModifier, QPoint(125, 20));
  ASSERT_EQ(Window->Selection().size(), 2u);
  EXPECT_NE(Window->Inspector()->RowOf("DatabaseName"), nullptr);
  EXPECT_EQ(Window->Inspector()->RowOf("Name"), nullptr);
  // Dragging moves every selected icon.
  QTest::mousePress(S, Qt::LeftButton, {}, QPoint(65, 155));
  QMouseEvent Move(QEvent::MouseMove, QPointF(95, 165), S->mapToGlobal(QPointF(95, 165)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(S, &Move);
  QTest::mouseRelease(S, Qt::LeftButton, {}, QPoint(95, 165));
  EXPECT_EQ(Made->DesignLeft(), 90);
  EXPECT_EQ(Made->DesignTop(), 160);
  EXPECT_EQ(C("CustomerQuery")->DesignLeft(), 150);
  // Delete takes both away, from the tree too.
  QTest::keyClick(S, Qt::Key_Delete);
  EXPECT_EQ(Window->Designer()->GetComponent("OVQuery1"), nullptr);
  EXPECT_EQ(Window->Designer()->GetComponent("CustomerQuery"), nullptr);
  EXPECT_TRUE(Window->Selection().empty());
  EXPECT_FALSE(TreeCaptions().join(" ").contains("CustomerQuery"));
}

TEST_F(Designer, TheEditMenuUndoesAndRedoesEachActionByNameWithItsKeys) {
  const std::string File = OpenShop();
  const std::string Opened = Window->Document()->Text();
  Window->show();
  Pump();
  auto* UndoAction = Window->findChild<QAction*>("actUndo");
  auto* RedoAction = Window->findChild<QAction*>("actRedo");
  ASSERT_NE(UndoAction, nullptr);
  ASSERT_NE(RedoAction, nullptr);
  EXPECT_FALSE(UndoAction->isEnabled());
  EXPECT_EQ(RedoAction->shortcuts(),
            (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
  Classes::TComponent* Made = Window->PlaceComponent(Classes::GetClass("TOVQuery"), {300, 200});
  ASSERT_NE(Made, nullptr);
  EXPECT_EQ(UndoAction->text(), "Undo Place OVQuery1");
  ASSERT_TRUE(Window->SetPropertyValue("DatabaseName", "shop"));
  Window->Select({C("CustomerQuery"), C("CustomerUpdate")});
  ASSERT_TRUE(Window->MoveSelection({10, 20}));
  EXPECT_EQ(UndoAction->text(), "Undo Move 2 components");
  // The status bar says what just happened.
  auto* Status = Window->findChild<QLabel*>("StatusText");
  ASSERT_NE(Status, nullptr);
  EXPECT_EQ(Status->text(), "Move 2 components");
  ASSERT_TRUE(Window->DeleteSelection());
  EXPECT_EQ(UndoAction->text(), "Undo Delete 2 components");
  // The menu item, then the keys.
  UndoAction->trigger();
  Pump();
  EXPECT_EQ(Prop(C("CustomerQuery"), "UpdateObject"), "CustomerUpdate");
  EXPECT_EQ(Window->Selection().size(), 2u);
  EXPECT_EQ(RedoAction->text(), "Redo Delete 2 components");
  QTest::keyClick(Window.get(), Qt::Key_Z, Qt::ControlModifier);
  Pump();
  EXPECT_EQ(C("CustomerQuery")->DesignLeft(), 120);
  EXPECT_EQ(Prop(C("OVQuery1"), "DatabaseName"), "shop");
  QTest::keyClick(Window.get(), Qt::Key_Y, Qt::ControlModifier);
  Pump();
  EXPECT_EQ(C("CustomerQuery")->DesignLeft(), 130);
  QTest::keyClick(Window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  Pump();
  EXPECT_EQ(Window->Designer()->GetComponent("CustomerUpdate"), nullptr);
  while (Window->CanUndo())
    ASSERT_TRUE(Window->Undo());
  EXPECT_EQ(Window->Document()->Text(), Opened);
  EXPECT_TRUE(Window->TreeModel() != nullptr);
  EXPECT_EQ(Status->text(), "Undone: Place OVQuery1");
  // Tab and Shift+Tab go from component to component on the surface.
  Window->Surface()->setFocus();
  Window->Select({C("CustomerQuery")});
  QTest::keyClick(Window->Surface(), Qt::Key_Tab);
  EXPECT_EQ(Window->Selection(), std::vector<Classes::TPersistent*>{C("CustomerUpdate")});
  QTest::keyClick(Window->Surface(), Qt::Key_Tab);
  EXPECT_EQ(Window->Selection(), std::vector<Classes::TPersistent*>{C("ShopDatabase")});
  QTest::keyClick(Window->Surface(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Window->Selection(), std::vector<Classes::TPersistent*>{C("CustomerUpdate")});
  EXPECT_EQ(Window->findChild<QAction*>("actDelete")->shortcut(), QKeySequence(Qt::Key_Delete));
  EXPECT_TRUE(TreeCaptions().join(" ").contains("CustomerUpdate"));
  // Nothing left to undo: the item is off, the call says so.
  EXPECT_FALSE(UndoAction->isEnabled());
  EXPECT_EQ(UndoAction->text(), "Undo");
  EXPECT_TRUE(Messages.empty());
  (void)File;
}

TEST_F(Designer, CutCopyAndPasteGoThroughTheSystemClipboardAsText) {
  OpenShop();
  Window->show();
  Pump();
  Window->Select({C("CustomerQuery"), C("CustomerUpdate")});
  Window->findChild<QAction*>("actCopy")->trigger();
  const QString Copied = QApplication::clipboard()->text();
  EXPECT_TRUE(Copied.startsWith("object CustomerQuery: TOVQuery\n")) << Copied.toStdString();
  Window->findChild<QAction*>("actPaste")->trigger();
  Pump();
  EXPECT_EQ(Prop(C("CustomerQuery1"), "UpdateObject"), "CustomerUpdate1");
  EXPECT_EQ(Window->Selection(),
            (std::vector<Classes::TPersistent*>{C("CustomerQuery1"), C("CustomerUpdate1")}));
  EXPECT_EQ(Window->findChild<QAction*>("actUndo")->text(), "Undo Paste 2 components");
  // Cut: gone, and on the clipboard.
  Window->Select({C("ShopDatabase")});
  Window->findChild<QAction*>("actCut")->trigger();
  Pump();
  EXPECT_EQ(Window->Designer()->GetComponent("ShopDatabase"), nullptr);
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("object ShopDatabase: TOVDatabase"));
  EXPECT_EQ(Window->findChild<QAction*>("actUndo")->text(), "Undo Cut ShopDatabase");
  // Text that is no design: one message, nothing changed.
  const std::string Before = Window->Document()->Text();
  QApplication::clipboard()->setText("object X: TNoSuchClass\nend\n");
  EXPECT_FALSE(Window->PasteFromClipboard());
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("TNoSuchClass"), std::string::npos) << Messages[0];
  EXPECT_EQ(Window->Document()->Text(), Before);
  EXPECT_EQ(Window->findChild<QAction*>("actUndo")->text(), "Undo Cut ShopDatabase");
  // A statement of a megabyte: its tree node shows the start of it.
  QApplication::clipboard()->setText(
      QString::fromStdString("object Big: TOVQuery\n  SQL.Strings = (\n    'select " +
                             std::string(1 << 20, 'x') + "')\nend\n"));
  EXPECT_TRUE(Window->PasteFromClipboard());
  QTreeWidgetItem* Node = Window->Tree()->ItemOfComponent(C("Big"));
  ASSERT_NE(Node, nullptr);
  EXPECT_TRUE(Node->text(0).startsWith("select xxx"));
  EXPECT_LT(Node->text(0).size(), 300);
}

TEST_F(Designer, TheInspectorSetsValuesThroughTheEditorsShowsErrorsAndUndoes) {
  OpenShop();
  Window->Select({C("CustomerQuery")});
  // Values by category, then by name.
  ASSERT_NE(Window->Inspector()->RowOf("DatabaseName"), nullptr);
  EXPECT_EQ(Window->Inspector()->RowOf("DatabaseName")->text(1), "shop");
  Window->Inspector()->SetByCategory(false);
  QTreeWidget* Rows = Window->Inspector()->Rows();
  QStringList Names;
  for (int I = 0; I < Rows->topLevelItemCount(); ++I)
    Names << Rows->topLevelItem(I)->text(0);
  QStringList Sorted = Names;
  std::sort(Sorted.begin(), Sorted.end(), [](const QString& A, const QString& B) {
    return A.compare(B, Qt::CaseInsensitive) < 0;
  });
  EXPECT_EQ(Names, Sorted);
  // Renaming through the row's editor; the tree follows.
  Rows->setCurrentItem(Window->Inspector()->RowOf("Name"));
  auto* Line = Window->Inspector()->ValueEditor()->findChild<QLineEdit*>("ValueLine");
  ASSERT_NE(Line, nullptr);
  Line->selectAll();
  QTest::keyClicks(Line, "Customers");
  QTest::keyClick(Line, Qt::Key_Return);
  Pump();
  EXPECT_EQ(C("Customers")->ClassName(), std::string("TOVQuery"));
  EXPECT_TRUE(TreeCaptions().join(" ").contains("Customers"));
  // A value the editor refuses: a message box, nothing changed.
  EXPECT_FALSE(Window->SetPropertyValue("Tag", "many"));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("many"), std::string::npos) << Messages[0];
  EXPECT_EQ(Prop(C("Customers"), "Tag"), "0");
  // Undo: the last change that took, the rename.
  EXPECT_TRUE(Window->Undo());
  EXPECT_NE(Window->Designer()->GetComponent("CustomerQuery"), nullptr);
  EXPECT_EQ(Window->Designer()->GetComponent("Customers"), nullptr);
  EXPECT_FALSE(Window->CanUndo());
}

TEST_F(Designer, TheInspectorEditsOnTheFirstClickAndMovesWithTheKeys) {
  OpenShop();
  Window->show();
  Window->Select({C("CustomerQuery")});
  Window->Inspector()->SetByCategory(false);
  Pump();
  QTreeWidget* Rows = Window->Inspector()->Rows();
  QTreeWidgetItem* Tag = Window->Inspector()->RowOf("Tag");
  ASSERT_NE(Tag, nullptr);
  // One click on the value: typing goes into it at once.
  const QRect R = Rows->visualItemRect(Tag);
  QTest::mouseClick(Rows->viewport(), Qt::LeftButton, {},
                    QPoint(Rows->header()->sectionPosition(1) + 20, R.center().y()));
  Pump();
  auto* Line = Window->Inspector()->ValueEditor()->findChild<QLineEdit*>("ValueLine");
  ASSERT_NE(Line, nullptr);
  EXPECT_TRUE(Line->hasFocus());
  Line->selectAll();
  QTest::keyClicks(Line, "42");
  QTest::keyClick(Line, Qt::Key_Return);
  Pump();
  EXPECT_EQ(Prop(C("CustomerQuery"), "Tag"), "42");
  // Escape takes back what was typed.
  Line = Window->Inspector()->ValueEditor()->findChild<QLineEdit*>("ValueLine");
  ASSERT_NE(Line, nullptr);
  QTest::keyClicks(Line, "7");
  QTest::keyClick(Line, Qt::Key_Escape);
  EXPECT_EQ(Line->text(), "42");
  // Up and Tab go to the row above and below, with the keys.
  QTest::keyClick(Line, Qt::Key_Up);
  Pump();
  EXPECT_EQ(Rows->currentItem()->text(0), "SQL");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  Pump();
  EXPECT_EQ(Rows->currentItem()->text(0), "Tag");
  // Shift+Tab after typing sets the value first.
  Line = Window->Inspector()->ValueEditor()->findChild<QLineEdit*>("ValueLine");
  ASSERT_NE(Line, nullptr);
  EXPECT_TRUE(Line->hasFocus());
  Line->selectAll();
  QTest::keyClicks(Line, "9");
  QTest::keyClick(Line, Qt::Key_Backtab, Qt::ShiftModifier);
  Pump();
  EXPECT_EQ(Prop(C("CustomerQuery"), "Tag"), "9");
  EXPECT_EQ(Rows->currentItem()->text(0), "SQL");
  // Rows fit an in-place drop-down list.
  EXPECT_GE(Rows->visualItemRect(Tag = Window->Inspector()->RowOf("Tag")).height(),
            QComboBox().sizeHint().height());
}

TEST_F(Designer, DropDownListsAreLiveAndTheEllipsisOpensTheEditorsDialog) {
  OpenShop();
  Window->Select({C("CustomerQuery")});
  QTreeWidget* Rows = Window->Inspector()->Rows();
  Rows->setCurrentItem(Window->Inspector()->RowOf("DatabaseName"));
  auto* List = Window->Inspector()->ValueEditor()->findChild<QComboBox*>("ValueList");
  ASSERT_NE(List, nullptr);
  // The names come from the session when the list drops down.
  List->showPopup();
  QStringList Items;
  for (int I = 0; I < List->count(); ++I)
    Items << List->itemText(I);
  List->hidePopup();
  EXPECT_TRUE(Items.contains("shop")) << Items.join(",").toStdString();
  // The SQL property's ellipsis runs the runtime's SQL dialog, rendered.
  QString Caption;
  UI.OnModalShown = [&](QtForms::TFormView* View) {
    Caption = View->Window()->windowTitle();
    View->EndModal();
  };
  EXPECT_TRUE(Window->EditProperty("SQL"));
  EXPECT_EQ(Caption, "DataModule1.CustomerQuery.SQL");
}

TEST_F(Designer, TheInspectorsEllipsisOpensTheStringListEditorForAStringList) {
  OpenShop();
  Window->Select({C("CustomerUpdate")});
  QTreeWidget* Rows = Window->Inspector()->Rows();
  Rows->setCurrentItem(Window->Inspector()->RowOf("ModifySQL"));
  auto* Ellipsis = Window->Inspector()->ValueEditor()->findChild<QToolButton*>("Ellipsis");
  ASSERT_NE(Ellipsis, nullptr);
  bool Ran = false;
  UI.OnModalShown = [&](QtForms::TFormView* View) {
    UI.OnModalShown = nullptr;
    Ran = true;
    QWidget* W = View->Window();
    EXPECT_EQ(W->windowTitle(), "String List Editor");
    auto* Count = Find<QLabel>(W, "lblLineCount");
    ASSERT_NE(Count, nullptr);
    EXPECT_EQ(Count->text(), "0 lines");
    auto* Text = Find<QPlainTextEdit>(W, "meLines");
    ASSERT_NE(Text, nullptr);
    QTest::keyClicks(Text, "update customer");
    QTest::keyClick(Text, Qt::Key_Return);
    QTest::keyClicks(Text, "set name = :name");
    EXPECT_EQ(Count->text(), "2 lines");
    QTest::mouseClick(Find<QPushButton>(W, "btOk"), Qt::LeftButton);
  };
  QTest::mouseClick(Ellipsis, Qt::LeftButton);
  Pump();
  ASSERT_TRUE(Ran);
  EXPECT_TRUE(Messages.empty()) << Messages.front();
  EXPECT_EQ(Prop(C("CustomerUpdate"), "ModifySQL"), "update customer\nset name = :name");
  EXPECT_TRUE(Window->IsModified());
  // "Code Editor..." hands the text on to a tab of its own.
  UI.OnModalShown = [&](QtForms::TFormView* View) {
    UI.OnModalShown = nullptr;
    QTest::mouseClick(Find<QPushButton>(View->Window(), "btCodeEditor"), Qt::LeftButton);
  };
  EXPECT_TRUE(Window->EditProperty("ModifySQL"));
  QPlainTextEdit* Editor = Window->ModuleEditor("DataModule1.CustomerUpdate.ModifySQL");
  ASSERT_NE(Editor, nullptr);
  EXPECT_EQ(Editor->toPlainText(), "update customer\nset name = :name\n");
}

TEST_F(Designer, VerbsWithSeparatorsAndTheDoubleClicksDefaultAction) {
  OpenShop();
  QMenu Menu;
  Window->AddVerbs(&Menu, C("CustomerUpdate"));
  const QList<QAction*> Actions = Menu.actions();
  ASSERT_EQ(Actions.size(), 3);
  EXPECT_TRUE(Actions[0]->text().startsWith("Orvane")) << Actions[0]->text().toStdString();
  EXPECT_TRUE(Actions[1]->isSeparator());
  EXPECT_FALSE(Actions[2]->text().isEmpty());
  // A double click on the update object's icon opens the UpdateSQL editor.
  std::string FormClass;
  UI.OnModalShown = [&](QtForms::TFormView* View) {
    FormClass = View->Form()->ClassName();
    View->EndModal();
  };
  QTest::mouseDClick(Window->Surface(), Qt::LeftButton, {},
                     Window->Surface()->IconRect(C("CustomerUpdate")).center());
  EXPECT_EQ(FormClass, "TOVUpdateSQLEditForm");
}

TEST_F(Designer, AFullUpdateSQLEditorSessionWritesTheStatementsBack) {
  const std::string File = OpenShop();
  bool Ran = false;
  UI.OnModalShown = [&](QtForms::TFormView* View) {
    UI.OnModalShown = nullptr;
    Ran = true;
    QWidget* W = View->Window();
    // A data module as owner adds no prefix to the caption.
    EXPECT_EQ(W->windowTitle(), "CustomerUpdate (CustomerQuery)");
    auto* Table = Find<QComboBox>(W, "cbTableName");
    ASSERT_NE(Table, nullptr);
    // The table of the query's statement, then its fields from the database.
    if (Table->currentText() != "customer") {
      Table->lineEdit()->selectAll();
      QTest::keyClicks(Table->lineEdit(), "customer");
    }
    QTest::mouseClick(Find<QPushButton>(W, "btGetTableFields"), Qt::LeftButton);
    auto* Keys = Find<QListWidget>(W, "lbKeyFields");
    ASSERT_EQ(Keys->count(), 3);
    QTest::mouseClick(Find<QPushButton>(W, "btSelectPrimKeys"), Qt::LeftButton);
    ASSERT_EQ(Keys->selectedItems().size(), 1);
    EXPECT_EQ(Keys->selectedItems()[0]->text(), "id");
    QTest::mouseClick(Find<QPushButton>(W, "btGenerateSQL"), Qt::LeftButton);
    // The SQL page shows the statements; the modify statement, edited.
    auto* Pages = W->findChild<QTabBar*>();
    QTest::mouseClick(Pages, Qt::LeftButton, {}, Pages->tabRect(1).center());
    const auto Kinds = Find<QWidget>(W, "rgrStatementType")->findChildren<QRadioButton*>();
    ASSERT_EQ(Kinds.size(), 4);
    QTest::mouseClick(Kinds[1], Qt::LeftButton);
    auto* Text = Find<QPlainTextEdit>(W, "meSQLText");
    EXPECT_TRUE(Text->toPlainText().startsWith("update customer"))
        << Text->toPlainText().toStdString();
    QTest::mouseClick(Find<QPushButton>(W, "btOk"), Qt::LeftButton);
  };
  Window->DefaultAction(C("CustomerUpdate"));
  ASSERT_TRUE(Ran);
  EXPECT_TRUE(Messages.empty()) << Messages.front();
  auto* Update = C("CustomerUpdate");
  EXPECT_NE(Prop(Update, "ModifySQL").find("update customer"), std::string::npos)
      << Prop(Update, "ModifySQL");
  EXPECT_TRUE(Window->IsModified());
  // The problem mark is gone, and saving writes the statements.
  EXPECT_EQ(Window->Tree()->ItemOfComponent(Update)->toolTip(0), "");
  ASSERT_TRUE(Window->Save());
  EXPECT_NE(ReadFile(File).find("ModifySQL.Strings"), std::string::npos);
  EXPECT_FALSE(Window->IsModified());
}

TEST_F(Designer, TextModulesOpenAsTabsAndAModifiedTabCanRefuseToClose) {
  OpenShop();
  Window->Select({C("CustomerQuery")});
  // The code editor bridge (what Alt with the ellipsis does) opens the SQL
  // as a text module.
  QTest::keyPress(Window.get(), Qt::Key_Alt, Qt::AltModifier);
  const bool AltSeen = UI.IsKeyDown(Windows::VK_MENU);
  EXPECT_TRUE(Window->EditProperty("SQL"));
  QTest::keyRelease(Window.get(), Qt::Key_Alt, Qt::NoModifier);
  ASSERT_TRUE(AltSeen) << "the offscreen platform did not report Alt";
  const std::string Module = "DataModule1.CustomerQuery.SQL";
  QPlainTextEdit* Editor = Window->ModuleEditor(Module);
  ASSERT_NE(Editor, nullptr);
  const int Tab = Window->ModuleTab(Module);
  EXPECT_EQ(Window->Tabs()->tabText(Tab).toStdString(), Module);
  EXPECT_EQ(Editor->toPlainText(), "select id, name, city from customer\n");
  Editor->moveCursor(QTextCursor::End);
  QTest::keyClicks(Editor, "where id > 0");
  EXPECT_EQ(Window->Tabs()->tabText(Tab).toStdString(), Module + " *");
  // Closing asks; Cancel keeps the tab and its text.
  Answers = {"Cancel"};
  EXPECT_FALSE(Window->CloseModuleTab(Tab));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0], "Save changes to " + Module + "?");
  EXPECT_EQ(Window->ModuleTab(Module), Tab);
  // Saving returns the text into the property and marks the design.
  EXPECT_TRUE(Window->SaveModuleTab(Tab));
  EXPECT_EQ(Prop(C("CustomerQuery"), "SQL"), "select id, name, city from customer\nwhere id > 0");
  EXPECT_TRUE(Window->IsModified());
  EXPECT_EQ(Window->Tabs()->tabText(Tab).toStdString(), Module);
  // Unmodified: it closes without asking.
  EXPECT_TRUE(Window->CloseModuleTab(Tab));
  EXPECT_EQ(Window->ModuleTab(Module), -1);
  EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(Designer, ACodeEditorTabFollowsItsComponentThroughUndoAndRedo) {
  OpenShop();
  auto* Status = Window->findChild<QLabel*>("StatusText");
  ASSERT_NE(Status, nullptr);
  // A tab on the query's SQL, then a change elsewhere undone: the query is
  // made anew from the design's text, and the tab saves into the new one.
  Window->Select({C("CustomerQuery")});
  ASSERT_TRUE(Window->EditProperty("SQL", true));
  const std::string Module = "DataModule1.CustomerQuery.SQL";
  QPlainTextEdit* Editor = Window->ModuleEditor(Module);
  ASSERT_NE(Editor, nullptr);
  Window->Select({C("ShopDatabase")});
  ASSERT_TRUE(Window->MoveSelection({8, 8}));
  ASSERT_TRUE(Window->Undo());
  EXPECT_EQ(C("ShopDatabase")->DesignLeft(), 24);
  ASSERT_EQ(Window->ModuleEditor(Module), Editor);
  Editor->moveCursor(QTextCursor::End);
  QTest::keyClicks(Editor, "where id > 1");
  EXPECT_TRUE(Window->SaveModuleTab(Window->ModuleTab(Module)));
  EXPECT_TRUE(Messages.empty()) << Messages.front();
  EXPECT_EQ(Prop(C("CustomerQuery"), "SQL"), "select id, name, city from customer\nwhere id > 1");
  // The save undone: the same tab, still tied, saves again.
  ASSERT_TRUE(Window->Undo());
  EXPECT_EQ(Prop(C("CustomerQuery"), "SQL"), "select id, name, city from customer");
  EXPECT_TRUE(Window->SaveModuleTab(Window->ModuleTab(Module)));
  EXPECT_EQ(Prop(C("CustomerQuery"), "SQL"), "select id, name, city from customer\nwhere id > 1");
  // A tab whose component the undo takes away is closed, and the status
  // bar says so.
  Classes::TComponent* Made = Window->PlaceComponent(Classes::GetClass("TOVQuery"), {300, 200});
  ASSERT_NE(Made, nullptr);
  ASSERT_TRUE(Window->EditProperty("SQL", true));
  const std::string Placed = "DataModule1.OVQuery1.SQL";
  ASSERT_NE(Window->ModuleEditor(Placed), nullptr);
  QTest::keyClicks(Window->ModuleEditor(Placed), "select 1");
  ASSERT_TRUE(Window->Undo());
  EXPECT_EQ(Window->ModuleTab(Placed), -1);
  EXPECT_EQ(Status->text().toStdString(),
            "Undone: Place OVQuery1; closed " + Placed + " (the component no longer exists)");
  EXPECT_NE(Window->ModuleTab(Module), -1);
  EXPECT_TRUE(Messages.empty()) << Messages.front();
}

TEST_F(Designer, AFileThatDoesNotLoadLeavesTheWindowAsItWas) {
  const std::string File = OpenShop();
  Classes::TComponent* Root = Window->Root();
  const std::string Broken = Dir / "broken.dfm";
  WriteFile(Broken, "object DataModule1: TDataModule\n  Height = )\nend\n");
  EXPECT_FALSE(Window->OpenFile(Broken));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("broken.dfm:2"), std::string::npos) << Messages[0];
  EXPECT_EQ(Window->Root(), Root);
  EXPECT_EQ(Window->FileName(), File);
  EXPECT_FALSE(Window->OpenFile(Dir / "missing.dfm"));
  EXPECT_EQ(Messages.size(), 2u);
  EXPECT_EQ(Window->Root(), Root);
  // A file of an unknown class fails the same way.
  WriteFile(Broken, "object DataModule1: TDataModule\n  object X: TNoSuchThing\n  end\nend\n");
  EXPECT_FALSE(Window->OpenFile(Broken));
  EXPECT_NE(Messages.back().find("TNoSuchThing"), std::string::npos) << Messages.back();
  EXPECT_EQ(Window->Root(), Root);
}

TEST_F(Designer, SavingIsWholeOrNothingAndTheRecentListRemembers) {
  const std::string File = OpenShop();
  const std::string Before = ReadFile(File);
  Window->Select({C("CustomerQuery")});
  ASSERT_TRUE(Window->SetPropertyValue("Tag", "7"));
  // A folder that does not exist: an error, the file and name unchanged.
  EXPECT_FALSE(Window->SaveAs(Dir / "no/such/folder/shop.dfm"));
  EXPECT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Window->FileName(), File);
  EXPECT_TRUE(Window->IsModified());
  EXPECT_EQ(ReadFile(File), Before);
  const std::string Copy = Dir / "copy.dfm";
  ASSERT_TRUE(Window->SaveAs(Copy));
  EXPECT_EQ(Window->FileName(), Copy);
  EXPECT_FALSE(Window->IsModified());
  EXPECT_NE(ReadFile(Copy).find("Tag = 7"), std::string::npos);
  EXPECT_EQ(Window->RecentFiles(), (std::vector<std::string>{Copy, File}));
  // A new document asks nothing when nothing changed; a changed one asks,
  // and Cancel keeps it.
  ASSERT_TRUE(Window->SetPropertyValue("Tag", "8"));
  Answers = {"Cancel"};
  EXPECT_FALSE(Window->NewDocument());
  EXPECT_EQ(Window->FileName(), Copy);
  Answers = {"No"};
  EXPECT_TRUE(Window->NewDocument());
  EXPECT_EQ(Window->FileName(), "");
  EXPECT_EQ(Window->Root()->GetName(), "DataModule1");
  EXPECT_EQ(Window->windowTitle(), "Untitled[*] - Orvane Designer");
}

TEST_F(Designer, CtrlCClosesTheWindowAsExitDoesAndCancelKeepsItOpen) {
  OpenShop();
  Window->Select({C("CustomerQuery")});
  ASSERT_TRUE(Window->SetPropertyValue("Tag", "7"));
  Window->show();
  Window->CloseOnInterrupt();
  // The modified document asks; Cancel keeps the window and forgets the
  // Ctrl-C, so that the next one is a first one again.
  Answers = {"Cancel"};
  SysUtils::Interrupt();
  Pump();
  EXPECT_TRUE(Window->isVisible());
  EXPECT_FALSE(SysUtils::Interrupted());
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("Save changes"), std::string::npos) << Messages[0];
  Answers = {"No"};
  SysUtils::Interrupt();
  Pump();
  EXPECT_FALSE(Window->isVisible());
  // The command then ends as interrupted.
  EXPECT_TRUE(SysUtils::Interrupted());
  SysUtils::ClearInterrupt();
}

TEST_F(Designer, LongNamesOnTheSurfaceAreElidedToTheirCellWithTheWholeNameInATooltip) {
  OpenShop();
  ASSERT_TRUE(Window->RenameComponent(C("CustomerQuery"), "CustomerQueryWithAVeryLongName"));
  QtDesigner::TDesignSurface* S = Window->Surface();
  const QFontMetrics M(S->font());
  const QString Shown = S->CaptionOf(C("CustomerQueryWithAVeryLongName"), M);
  EXPECT_TRUE(Shown.endsWith(QChar(0x2026))) << Shown.toStdString();
  // Within the icon's cell of the grid (96 pixels): it never runs into the
  // name of the icon beside it.
  const QRect R = S->CaptionRect(S->IconRect(C("CustomerQueryWithAVeryLongName")), Shown, M);
  EXPECT_LE(R.width(), 96);
  EXPECT_EQ(S->CaptionOf(C("ShopDatabase"), M), "ShopDatabase");
  QHelpEvent Tip(QEvent::ToolTip, R.center(), S->mapToGlobal(R.center()));
  QApplication::sendEvent(S, &Tip);
  EXPECT_EQ(QToolTip::text(), "CustomerQueryWithAVeryLongName: TOVQuery");
}

TEST_F(Designer, APlacedComponentIsScrolledIntoView) {
  OpenShop();
  Window->resize(700, 450);
  Window->show();
  Pump();
  auto* Area = Window->findChild<QScrollArea*>("SurfaceArea");
  ASSERT_NE(Area, nullptr);
  Classes::TComponent* Far = nullptr;
  ASSERT_TRUE(Window->Run("Place", [&] {
    Far = Window->Designer()->CreateComponent(Classes::GetClass("TOVQuery"), nullptr, 1500, 1200, 0,
                                              0);
  }));
  const QRect Viewport = Area->viewport()->rect();
  const auto Shown = [&] {
    const QRect Icon = Window->Surface()->IconRect(Far);
    return Viewport.contains(
        QRect(Window->Surface()->mapTo(Area->viewport(), Icon.topLeft()), Icon.size()));
  };
  EXPECT_FALSE(Shown());
  Window->Placed(Far);
  Pump();
  EXPECT_TRUE(Shown());
  EXPECT_EQ(Window->Selection(), std::vector<Classes::TPersistent*>{Far});
}

TEST_F(Designer, TheTreeTakesPaletteDropsAndNodeDrags) {
  OpenShop();
  QtDesigner::TObjectTreeView* Tree = Window->Tree();
  const auto DropOn = [&](QTreeWidgetItem* Target, const char* Format, const QByteArray& Data) {
    const QPoint At = Tree->visualItemRect(Target).center();
    auto* Mime = new QMimeData;
    Mime->setData(Format, Data);
    QDragEnterEvent Enter(At, Qt::CopyAction | Qt::MoveAction, Mime, Qt::LeftButton, {});
    QApplication::sendEvent(Tree->viewport(), &Enter);
    QDragMoveEvent Move(At, Qt::CopyAction | Qt::MoveAction, Mime, Qt::LeftButton, {});
    QApplication::sendEvent(Tree->viewport(), &Move);
    const bool Accepted = Move.isAccepted();
    QDropEvent Drop(At, Qt::CopyAction | Qt::MoveAction, Mime, Qt::LeftButton, {});
    QApplication::sendEvent(Tree->viewport(), &Drop);
    Pump();
    delete Mime;
    return Accepted;
  };
  // A table from the palette onto the database: it takes the database.
  ASSERT_TRUE(
      DropOn(Tree->ItemOfComponent(C("ShopDatabase")), QtDesigner::PaletteMimeType, "TOVTable"));
  Classes::TComponent* Table = Window->Designer()->GetComponent("OVTable1");
  ASSERT_NE(Table, nullptr);
  EXPECT_EQ(Prop(Table, "DatabaseName"), "shop");
  // It lands at the first free spot of the surface, beside the others.
  EXPECT_EQ(Table->DesignLeft(), 312);
  EXPECT_EQ(Table->DesignTop(), 24);
  EXPECT_EQ(Window->Tree()->SprigOf(Window->Tree()->ItemOfComponent(Table)->parent())->Item(),
            C("ShopDatabase"));
  // A dataset cannot go onto an update object.
  EXPECT_FALSE(DropOn(Tree->ItemOfComponent(C("CustomerUpdate")), "application/x-orvane-tree-node",
                      "C:OVTable1"));
  EXPECT_NE(Window->Designer()->GetComponent("OVTable1"), nullptr);
}
