// A user interface on a terminal: message boxes are printed and the person
// types the button; a modal form is printed (caption and controls with their
// kinds, captions, values and states) and the person types the same actions
// as a script holds (UIActions.hpp), one per line, the form printed again
// after each. "help" lists the actions. When the input ends while a form or
// message box waits, UIService::ENoUserInterface is raised.
//
// Modifier keys cannot be seen on a terminal: "key alt down" at a form's
// prompt holds Alt down for what asks later (SetKeyDown does the same for a
// host). Documents and links are handed to xdg-open when it exists.
#pragma once

#include "vcl/UIService.hpp"

#include <iosfwd>
#include <map>

namespace TerminalUI {

class TTerminalUI : public UIService::IUIService {
public:
  TTerminalUI(std::istream& In, std::ostream& Out);

  void RunModal(Forms::TCustomForm* Form) override;
  void FormShown(Forms::TCustomForm* Form) override;
  int MessageBox(const UIService::TMessageBoxRequest& Request) override;
  bool ExecuteOpenDialog(UIService::TFileDialogRequest& Request) override;
  bool IsKeyDown(int VirtualKey) override;
  bool OpenDocument(const std::string& Document) override;
  Types::TSize MeasureText(const Graphics::TFont& Font, std::string_view Text) override;
  void ShowCursor(int Cursor) override {}

  void SetKeyDown(int VirtualKey, bool Down) { FKeys[VirtualKey] = Down; }
  // The program that opens documents ("xdg-open"); empty: none.
  void SetOpener(std::string Program) { FOpener = std::move(Program); }

private:
  bool ReadLine(std::string& Line);
  std::istream& FIn;
  std::ostream& FOut;
  std::map<int, bool> FKeys;
  std::string FOpener = "xdg-open";
};

} // namespace TerminalUI
