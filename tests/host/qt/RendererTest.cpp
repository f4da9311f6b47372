// The renderer: a form read from its stored layout shown as widgets that
// match it (names, geometry, captions, fonts, tab order, states), and kept in
// step with the model in both directions.
#include "QtTestSupport.hpp"

#include "TestForms.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>

using namespace QtTest;
using VclTest::TTestSQLForm;

namespace {

class Renderer : public TQtFixture {
protected:
  void SetUp() override {
    TQtFixture::SetUp();
    Form.reset(Forms::Application->CreateForm<TTestSQLForm>());
  }
  void TearDown() override {
    Form.reset();
    TQtFixture::TearDown();
  }
  // Shows the form without a modal loop and waits until its window is up.
  QWidget* Show() {
    Form->Show();
    QWidget* W = UI.FindView(Form.get())->Window();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(W));
    Pump();
    return W;
  }
  QRect Geometry(Controls::TControl* C) {
    const Types::TRect R = C->BoundsRect();
    return QRect(R.Left, R.Top, R.Width(), R.Height());
  }
  Forms::TFormPtr<TTestSQLForm> Form;
};

} // namespace

TEST_F(Renderer, WidgetsMatchTheStoredLayout) {
  QtForms::TFormView* View = UI.ViewOf(Form.get());
  View->Sync();
  QWidget* W = View->Window();
  EXPECT_EQ(W->windowTitle(), "UpdateSQL Editor");
  EXPECT_EQ(W->size(), QSize(475, 280));
  EXPECT_EQ(W->objectName(), "OVUpdateSQLEditForm");
  // Every control has its widget, named after it, where the layout puts it.
  for (int I = 0; I < Form->ComponentCount(); ++I) {
    auto* C = dynamic_cast<Controls::TControl*>(Form->Components(I));
    if (!C)
      continue;
    QWidget* CW = View->WidgetOf(C);
    ASSERT_NE(CW, nullptr) << C->GetName();
    EXPECT_EQ(CW->objectName().toStdString(), C->GetName());
    EXPECT_EQ(CW->geometry(), Geometry(C)) << C->GetName();
    EXPECT_EQ(View->ControlOf(CW), C);
    EXPECT_EQ(CW->isHidden(), !C->GetVisible()) << C->GetName();
  }
  // Captions, with their accelerators where Qt handles them.
  EXPECT_EQ(Find<QPushButton>(W, "btOk")->text(), "&OK");
  EXPECT_TRUE(Find<QPushButton>(W, "btOk")->isDefault());
  EXPECT_FALSE(Find<QPushButton>(W, "btCancel")->isDefault());
  EXPECT_EQ(Find<QGroupBox>(W, "gbxGenSQL")->title(), "SQL Generation");
  EXPECT_EQ(Find<QCheckBox>(W, "cbQuotedFields")->text(), "&Quote Field Names");
  auto* TableLabel = Find<QLabel>(W, "lblTableName");
  EXPECT_EQ(TableLabel->text(), "Table &Name:");
  EXPECT_EQ(TableLabel->buddy(), Find<QComboBox>(W, "cbTableName"));
  auto* Tabs = Find<QWidget>(W, "pcUpdateSQL")->findChild<QTabBar*>();
  ASSERT_NE(Tabs, nullptr);
  ASSERT_EQ(Tabs->count(), 2);
  EXPECT_EQ(Tabs->tabText(0), "Options");
  EXPECT_EQ(Tabs->tabText(1), "SQL");
  EXPECT_EQ(Tabs->currentIndex(), 0);
  auto* Statement = Find<QGroupBox>(W, "rgrStatementType");
  const auto Radios = Statement->findChildren<QRadioButton*>();
  ASSERT_EQ(Radios.size(), 4);
  EXPECT_EQ(Radios[1]->text(), "&Modify");
  EXPECT_TRUE(Radios[0]->isChecked());
  // Four columns side by side inside the group.
  EXPECT_LT(Radios[0]->geometry().right(), Radios[1]->geometry().left());
  EXPECT_EQ(Radios[0]->geometry().top(), Radios[3]->geometry().top());
  EXPECT_LE(Radios[3]->geometry().right(), Statement->width());
  // The layout's font: 8 points of a sans font.
  EXPECT_EQ(W->font().pointSize(), 8);
  EXPECT_EQ(Find<QPushButton>(W, "btOk")->font().pointSize(), 8);
  EXPECT_TRUE(
      QtForms::ClassFamilies(QtForms::TFontClass::fcSans).contains(QFontInfo(W->font()).family()))
      << QFontInfo(W->font()).family().toStdString();
  // Tab order: Qt's focus chain visits the windowed controls as the model's
  // tab order does.
  std::vector<QWidget*> Expected;
  for (Controls::TWinControl* C : Form->GetTabOrderList())
    if (QWidget* CW = View->WidgetOf(C); CW && CW->focusPolicy() != Qt::NoFocus)
      Expected.push_back(CW);
  ASSERT_GE(Expected.size(), 10u);
  for (size_t I = 0; I + 1 < Expected.size(); ++I) {
    QWidget* Next = Expected[I]->nextInFocusChain();
    // Skipping the inner parts of a widget (a combo box's edit) and what
    // takes no focus.
    while (Next && Next != Expected[I + 1] &&
           (Next->focusPolicy() == Qt::NoFocus || Expected[I]->isAncestorOf(Next)))
      Next = Next->nextInFocusChain();
    EXPECT_EQ(Next, Expected[I + 1]) << Expected[I]->objectName().toStdString();
  }
}

TEST_F(Renderer, EnabledAndVisibleStatesFollowTheModel) {
  QWidget* W = Show();
  auto* GetFields = Find<QPushButton>(W, "btGetTableFields");
  EXPECT_TRUE(GetFields->isEnabled());
  Form->btGetTableFields->SetEnabled(false);
  Form->cbQuotedFields->SetVisible(false);
  UI.SyncAll();
  EXPECT_FALSE(GetFields->isEnabled());
  EXPECT_TRUE(Find<QCheckBox>(W, "cbQuotedFields")->isHidden());
  // A disabled container disables what it holds, as in the model.
  Form->gbxGenSQL->SetEnabled(false);
  UI.SyncAll();
  EXPECT_FALSE(Find<QComboBox>(W, "cbTableName")->isEnabled());
}

TEST_F(Renderer, TypingAndClicksReachTheHandlersAndTheirChangesShowAtOnce) {
  QWidget* W = Show();
  auto* Combo = Find<QComboBox>(W, "cbTableName");
  auto* GetFields = Find<QPushButton>(W, "btGetTableFields");
  ASSERT_TRUE(Combo->isEditable());
  QTest::keyClicks(Combo->lineEdit(), "ab");
  EXPECT_EQ(Form->cbTableName->GetText(), "ab");
  ASSERT_GE(Form->Events.size(), 3u);
  EXPECT_EQ(Form->Events[1], "change a");
  EXPECT_EQ(Form->Events[2], "change ab");
  // Emptying the box disables the buttons at once; typing enables them.
  Combo->lineEdit()->selectAll();
  QTest::keyClick(Combo->lineEdit(), Qt::Key_Delete);
  EXPECT_EQ(Form->cbTableName->GetText(), "");
  EXPECT_FALSE(GetFields->isEnabled());
  QTest::keyClicks(Combo->lineEdit(), "orders");
  EXPECT_TRUE(GetFields->isEnabled());
  // The click fills both lists, selects everything and sets how far they
  // scroll sideways.
  QTest::mouseClick(GetFields, Qt::LeftButton);
  EXPECT_EQ(Form->Events.back(), "get fields");
  auto* Keys = Find<QListWidget>(W, "lbKeyFields");
  ASSERT_EQ(Keys->count(), 3);
  EXPECT_EQ(Keys->item(0)->text(), "ID");
  EXPECT_EQ(Keys->selectedItems().size(), 3);
  EXPECT_EQ(Keys->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_GT(Form->lbKeyFields->HorizontalExtent(), 0);
  EXPECT_EQ(Keys->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  // Selecting in the widget selects in the model: a click selects one item,
  // a control-click adds another.
  QTest::mouseClick(Keys->viewport(), Qt::LeftButton, {},
                    Keys->visualItemRect(Keys->item(1)).center());
  EXPECT_FALSE(Form->lbKeyFields->GetSelected(0));
  EXPECT_TRUE(Form->lbKeyFields->GetSelected(1));
  QTest::mouseClick(Keys->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    Keys->visualItemRect(Keys->item(2)).center());
  EXPECT_TRUE(Form->lbKeyFields->GetSelected(2));
  EXPECT_EQ(Form->lbKeyFields->SelCount(), 2);
  EXPECT_EQ(Form->lbKeyFields->GetItemIndex(), 2);
  // A handler's selection shows in the widget.
  QTest::mouseClick(Find<QPushButton>(W, "btSelectPrimKeys"), Qt::LeftButton);
  EXPECT_EQ(Form->Events.back(), "primary keys");
  ASSERT_EQ(Keys->selectedItems().size(), 1);
  EXPECT_EQ(Keys->selectedItems()[0]->text(), "ID");
}

TEST_F(Renderer, FocusMovesInTheModelsOrderAndTabFollowsTheModel) {
  QWidget* W = Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(W));
  // The first control in tab order has the focus: the page control, whose
  // tabs take it.
  EXPECT_EQ(Form->FocusedControl(), Form->pcUpdateSQL);
  EXPECT_EQ(QApplication::focusWidget(), W->findChild<QTabBar*>());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(Form->FocusedControl(), Form->cbTableName);
  EXPECT_EQ(QApplication::focusWidget(), Find<QComboBox>(W, "cbTableName"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(Form->FocusedControl(), Form->btGetTableFields);
  EXPECT_EQ(QApplication::focusWidget(), Find<QPushButton>(W, "btGetTableFields"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(Form->FocusedControl(), Form->cbTableName);
  // Leaving the SQL memo fires its OnExit before the radio group's click.
  QTest::mouseClick(W->findChild<QTabBar*>(), Qt::LeftButton, {},
                    W->findChild<QTabBar*>()->tabRect(1).center());
  EXPECT_EQ(Form->pcUpdateSQL->GetActivePage(), Form->tsSQL);
  EXPECT_FALSE(Find<QWidget>(W, "tsSQL")->isHidden());
  EXPECT_TRUE(Find<QWidget>(W, "tsOptions")->isHidden());
  auto* Memo = Find<QPlainTextEdit>(W, "meSQLText");
  QTest::mouseClick(Memo->viewport(), Qt::LeftButton);
  Pump();
  EXPECT_EQ(Form->FocusedControl(), Form->meSQLText);
  QTest::keyClicks(Memo, "select 1");
  EXPECT_EQ(Form->meSQLText->GetText(), "select 1");
  // Enter in a memo is a new line, not the default button; the line break
  // stays on the screen although the model keeps it only once a line
  // follows.
  QTest::keyClick(Memo, Qt::Key_Return);
  EXPECT_EQ(Memo->toPlainText(), "select 1\n");
  QTest::keyClicks(Memo, "from t");
  EXPECT_EQ(Form->meSQLText->GetLines()->Count(), 2);
  EXPECT_EQ(Form->meSQLText->GetText(), "select 1\nfrom t");
  Form->Events.clear();
  QTest::mouseClick(Find<QGroupBox>(W, "rgrStatementType")->findChildren<QRadioButton*>()[1],
                    Qt::LeftButton);
  EXPECT_EQ(Form->Events, (std::vector<std::string>{"sql exit 0", "statement 1"}));
  EXPECT_EQ(Form->Statements[0], "select 1\nfrom t");
  EXPECT_EQ(Form->rgrStatementType->GetItemIndex(), 1);
}

TEST_F(Renderer, ContextMenusShowTheModelsItemsAndChoosingOneClicksIt) {
  QWidget* W = Show();
  Form->cbTableName->SetText("orders");
  Form->btGetTableFields->Click();
  UI.SyncAll();
  auto* Keys = Find<QListWidget>(W, "lbKeyFields");
  ASSERT_EQ(Keys->selectedItems().size(), 3);
  QStringList Seen;
  Later([&] {
    auto* Menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(Menu, nullptr);
    for (QAction* A : Menu->actions())
      Seen << A->text();
    for (QAction* A : Menu->actions())
      if (A->objectName() == "miClearAll")
        A->trigger();
    Menu->close();
  });
  QContextMenuEvent E(QContextMenuEvent::Mouse, QPoint(5, 5), Keys->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(Keys->viewport(), &E);
  EXPECT_EQ(Seen, (QStringList{"&Select All", "&Clear All"}));
  EXPECT_EQ(Form->pmFields->GetPopupComponent(), Form->lbKeyFields);
  EXPECT_EQ(Form->lbKeyFields->SelCount(), 0);
  EXPECT_EQ(Keys->selectedItems().size(), 0);
}
