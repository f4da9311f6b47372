// The host's string-list editor: the dialog in which a string-list property
// (a script's SQL, an update object's statements, any TStrings a package
// registers no editor of its own for) is edited as lines of text, and the
// property editor that opens it from the Object Inspector. Its "Code
// Editor..." button hands the text on to the code editor as a text module
// tied to the property, named Root.Component.Property.
#pragma once

#include "designide/DesignEditors.hpp"
#include "vcl/Forms.hpp"

#include <string>

namespace StdCtrls {
class TButton;
class TLabel;
class TMemo;
} // namespace StdCtrls

namespace StrEdit {

// The dialog; its layout is the stored form TSTREDITDLG.
class TStrEditDlg : public Forms::TForm {
  OV_CLASS(TStrEditDlg, Forms::TForm)
public:
  explicit TStrEditDlg(Classes::TComponent* AOwner);
  ~TStrEditDlg() override;

  StdCtrls::TLabel* lblLineCount = nullptr;
  StdCtrls::TMemo* meLines = nullptr;
  StdCtrls::TButton* btCodeEditor = nullptr;
  StdCtrls::TButton* btOk = nullptr;
  StdCtrls::TButton* btCancel = nullptr;

  // Whether the person chose the code editor; the dialog then closed with
  // mrCancel and the caller opens the text there.
  bool CodeEditorChosen() const { return FCodeEditorChosen; }
  // Shows the memo's line count in lblLineCount.
  void UpdateLineCount();
  // "1 line", "0 lines", "12 lines".
  static std::string LineCountText(int Count);

  void meLinesChange(System::TObject* Sender);
  void btCodeEditorClick(System::TObject* Sender);

private:
  bool FCodeEditorChosen = false;
};

// The module name of a string-list property in the code editor: the
// designer's root name, the component's name and PropName, joined by dots
// ("DataModule1.OVScript1.SQL"); "" when Instance is no component owned by
// the root or the root has no name.
std::string StringsModuleName(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                              const std::string& PropName);

// The editor of TStrings properties: shown as (TStrings), not typed, not
// unfolded; the ellipsis shows the first selected instance's list and OK
// writes the lines into every selected instance.
class TStringListProperty : public DesignEditors::TClassProperty {
  OV_CLASS(TStringListProperty, DesignEditors::TClassProperty)
public:
  using inherited::inherited;
  DesignIntf::TPropertyAttributes GetAttributes() override;
  // When the list is open in the code editor, that module comes to the
  // front. Otherwise the dialog runs: OK with changed lines writes them into
  // the property (through its setter, so the component reacts as to any
  // assignment) and tells the designer; Cancel changes nothing; "Code
  // Editor..." opens the dialog's text as a text module of the property,
  // marked modified when it differs from the property's, and the text
  // returns into the property when the module is saved.
  void Edit() override;

protected:
  Classes::TStrings* GetStrings() const;
  void SetStrings(Classes::TStrings* Value);
};

} // namespace StrEdit
