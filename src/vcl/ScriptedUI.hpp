// A user interface driven by a script: one action per line (UIActions.hpp),
// applied to the forms, message boxes, file dialogs and document openings in
// the order the program shows them. Used by the tests and by the command
// line's --ui-script.
//
// A form that appears takes the next "form" line; the lines after it act on
// that form until it closes. A message box takes the next "answer" line, a
// file dialog the next "file" line, a document opening the next "url" line;
// a text module opened in the code editor takes the next "module" line, and
// the "text" lines after it edit the module until "save" or "leave".
// Answers (answer, file, url) are ready for a question the program may ask where they
// stand, and when it goes on without asking (the next form action, form or
// the end comes first) they are passed over and the log says so. "key" lines
// are taken as soon as they are next. Anything else out of order stops the
// script with EUIScriptError naming the line:
//   ui-script.txt:4: form OVUpdateSQLEditForm has no control btFoo
// (a control the form lacks, a form other than the one expected, a question
// where the script holds something else, the script ending while a form is
// open, or lines left for a form that never came). After an error every
// further call raises the same error, so that nothing goes on under a
// script that has lost track.
//
// Text is measured with UIService::ApproximateTextExtent.
#pragma once

#include "vcl/UIActions.hpp"
#include "vcl/UIService.hpp"

#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ScriptedUI {

OV_EXCEPTION(EUIScriptError, SysUtils::Exception)

class TScriptedUI : public UIService::IUIService {
public:
  // SourceName names the script in error messages ("ui-script.txt").
  // EUIScriptError for a line that is no action.
  explicit TScriptedUI(std::string_view Script, std::string SourceName = "ui-script");
  // EInOutError when the file cannot be read.
  static std::unique_ptr<TScriptedUI> FromFile(const std::string& FileName);

  void RunModal(Forms::TCustomForm* Form) override;
  void FormShown(Forms::TCustomForm* Form) override;
  void FormHidden(Forms::TCustomForm* Form) override;
  int MessageBox(const UIService::TMessageBoxRequest& Request) override;
  bool ExecuteOpenDialog(UIService::TFileDialogRequest& Request) override;
  bool IsKeyDown(int VirtualKey) override;
  bool OpenDocument(const std::string& Document) override;
  Types::TSize MeasureText(const Graphics::TFont& Font, std::string_view Text) override;
  void ShowCursor(int Cursor) override;
  bool EditTextModule(UIService::TTextModuleRequest& Request) override;

  // Call when the program is done: raises EUIScriptError when lines are left
  // for a form that never came, or when the script failed before.
  void CheckFinished();
  // Nothing but unasked answers and key lines left, and no failure.
  bool Finished() const;

  // What appeared, one entry each: forms opened and closed with their
  // captions and results, message boxes with their texts and answers, file
  // dialogs and documents with what the script did.
  const std::vector<std::string>& Log() const { return FLog; }
  std::string LogText() const;
  // The cursors shown, in order (Forms::Screen->SetCursor).
  const std::vector<int>& CursorHistory() const { return FCursors; }
  // Where dump writes (standard output by default).
  void SetOutput(std::ostream* Out) { FOut = Out; }

private:
  struct TLine {
    int Number = 0;
    UIActions::TUIAction Action;
  };

  const TLine* Peek() const;
  void TakeKeyLines();
  void SkipUnaskedAnswers();
  void CheckFailed() const;
  [[noreturn]] void Fail(const TLine* Line, const std::string& Message);
  [[noreturn]] void FailAtEnd(const std::string& Message);
  void Execute(Forms::TCustomForm* Form, const TLine& Line);
  bool ModalStep(Forms::TCustomForm* Form);
  void SetKey(int VirtualKey, bool Down);

  std::string FSourceName;
  std::vector<TLine> FLines;
  int FLastLine = 0;
  size_t FNext = 0;
  std::optional<std::string> FFailure;
  std::map<int, bool> FKeys;
  std::vector<std::string> FLog;
  std::vector<int> FCursors;
  std::ostream* FOut;
};

} // namespace ScriptedUI
