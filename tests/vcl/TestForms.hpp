// Forms the tests build on: a dialog with the layout of an update-statement
// editor whose handlers keep a record of what happened, forms whose layouts
// inherit, and a helper that runs code under a scripted user interface.
#pragma once

#include "vcl/ComCtrls.hpp"
#include "vcl/Dialogs.hpp"
#include "vcl/ExtCtrls.hpp"
#include "vcl/Forms.hpp"
#include "vcl/Menus.hpp"
#include "vcl/ScriptedUI.hpp"
#include "vcl/StdCtrls.hpp"

#include <array>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace VclTest {

using Classes::TComponent;
using System::TObject;

// The test binary holds the stored layouts; it registers itself as a
// module once.
void RegisterTestModule();

class TTestSQLForm : public Forms::TForm {
  OV_CLASS(TTestSQLForm, Forms::TForm)
public:
  explicit TTestSQLForm(TComponent* AOwner) : TForm(AOwner) {}

  ComCtrls::TPageControl* pcUpdateSQL = nullptr;
  ComCtrls::TTabSheet* tsOptions = nullptr;
  ComCtrls::TTabSheet* tsSQL = nullptr;
  ExtCtrls::TPanel* pnlButton = nullptr;
  StdCtrls::TButton* btOk = nullptr;
  StdCtrls::TButton* btCancel = nullptr;
  StdCtrls::TLabel* lblSQLText = nullptr;
  StdCtrls::TMemo* meSQLText = nullptr;
  StdCtrls::TGroupBox* gbxGenSQL = nullptr;
  StdCtrls::TLabel* lblTableName = nullptr;
  StdCtrls::TComboBox* cbTableName = nullptr;
  StdCtrls::TLabel* lblKeyFields = nullptr;
  StdCtrls::TListBox* lbKeyFields = nullptr;
  StdCtrls::TLabel* lblUpdateFields = nullptr;
  StdCtrls::TListBox* lbUpdateFields = nullptr;
  StdCtrls::TButton* btDataSetDefaults = nullptr;
  StdCtrls::TButton* btGenerateSQL = nullptr;
  Menus::TPopupMenu* pmFields = nullptr;
  Menus::TMenuItem* miSelectAll = nullptr;
  Menus::TMenuItem* miClearAll = nullptr;
  ExtCtrls::TRadioGroup* rgrStatementType = nullptr;
  StdCtrls::TButton* btGetTableFields = nullptr;
  StdCtrls::TCheckBox* cbQuotedFields = nullptr;
  StdCtrls::TButton* btSelectPrimKeys = nullptr;

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void cbTableNameChange(TObject* Sender);
  void GetTableFieldsClick(TObject* Sender);
  void btSelectPrimKeysClick(TObject* Sender);
  void GenerateSQLClick(TObject* Sender);
  void StatementTypeClick(TObject* Sender);
  void SQLTextExit(TObject* Sender);
  void SelectAllClick(TObject* Sender);
  void ClearAllClick(TObject* Sender);

  // 0 refresh, 1 modify, 2 insert, 3 delete.
  std::array<std::string, 4> Statements;
  // The columns the table box's table has, as a catalogue gives them.
  std::vector<std::string> Columns{"ID  ", "NAME", "CITY"};
  // What the handlers saw, in order.
  std::vector<std::string> Events;
  // What OnDestroy saw: the caption of btOk, still there.
  static std::string DestroyedWith;
};

class TTestBaseForm : public Forms::TForm {
  OV_CLASS(TTestBaseForm, Forms::TForm)
public:
  explicit TTestBaseForm(TComponent* AOwner) : TForm(AOwner) {}
  StdCtrls::TButton* btBase = nullptr;
  int Created = 0;
  void FormCreate(TObject*) { ++Created; }
};

class TTestDerivedForm : public TTestBaseForm {
  OV_CLASS(TTestDerivedForm, TTestBaseForm)
public:
  explicit TTestDerivedForm(TComponent* AOwner) : TTestBaseForm(AOwner) {}
  StdCtrls::TButton* btExtra = nullptr;
};

// A form class whose layout names a property that does not exist.
class TTestBrokenForm : public Forms::TForm {
  OV_CLASS(TTestBrokenForm, Forms::TForm)
public:
  explicit TTestBrokenForm(TComponent* AOwner) : TForm(AOwner) {}
  StdCtrls::TButton* btOk = nullptr;
};

// A form class without a stored layout.
class TTestNoLayoutForm : public Forms::TForm {
  OV_CLASS(TTestNoLayoutForm, Forms::TForm)
public:
  explicit TTestNoLayoutForm(TComponent* AOwner) : TForm(AOwner) {}
};

// A scripted user interface installed for the lifetime of the object, its
// dump output kept.
class TScript {
public:
  explicit TScript(std::string_view Text, std::string Source = "ui-script.txt")
      : UI(Text, std::move(Source)), FScope(&UI) {
    RegisterTestModule();
    UI.SetOutput(&Out);
  }
  ScriptedUI::TScriptedUI UI;
  std::ostringstream Out;

private:
  UIService::TUIServiceScope FScope;
};

// A form built in code: a modal dialog with an edit, a memo, two buttons
// and a list box on a page control, no stored layout.
struct TCodeDialog {
  explicit TCodeDialog(const std::string& Name = "CodeDialog");
  ~TCodeDialog();
  Forms::TForm* Form;
  StdCtrls::TEdit* Edit;
  StdCtrls::TMemo* Memo;
  StdCtrls::TButton* Ok;
  StdCtrls::TButton* Cancel;
  ComCtrls::TPageControl* Pages;
  ComCtrls::TTabSheet* Page1;
  ComCtrls::TTabSheet* Page2;
  StdCtrls::TListBox* List;
  std::vector<std::string> Events;
  // Records OnEnter/OnExit of the control under its name.
  void Watch(Controls::TWinControl* Control);
};

} // namespace VclTest
