// A user interface on a terminal: message boxes are printed and the person
// types the button or its first letters ("y" for Yes; Enter alone answers a
// box of one button); a modal form
// is printed (caption and controls with their kinds, captions, values and
// states) and the person types the same actions as a script holds
// (UIActions.hpp), one per line, the form printed again after each action
// that changed what it shows. "help" lists the actions, "show" prints the
// form again. When the input ends while a form or message box waits,
// UIService::ENoUserInterface is raised.
//
// Lines are read from the input stream, or through a line reader that the
// host sets when a person types at a terminal (line editing and history).
//
// Modifier keys cannot be seen on a terminal: "key alt down" at a form's
// prompt holds Alt down for what asks later (SetKeyDown does the same for a
// host). Documents and links are handed to xdg-open when it exists.
#pragma once

#include "vcl/UIService.hpp"

#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

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

  // Reads one line after showing Prompt; false at the end of the input.
  using TLineReader = std::function<bool(const std::string& Prompt, std::string& Line)>;
  void SetLineReader(TLineReader Reader) { FLineReader = std::move(Reader); }
  const TLineReader& LineReader() const { return FLineReader; }

  // What a word typed at a form's prompt may complete to: the actions, and
  // the names of the form's components; empty at other prompts (a file
  // dialog's, a message box's).
  std::vector<std::string> Completions() const;

  void SetKeyDown(int VirtualKey, bool Down) { FKeys[VirtualKey] = Down; }
  // The program that opens documents ("xdg-open"); empty: none.
  void SetOpener(std::string Program) { FOpener = std::move(Program); }

private:
  bool ReadLine(const std::string& Prompt, std::string& Line);
  // Prints the form unless Always is false and it shows what was printed last.
  void ShowForm(const Forms::TCustomForm* Form, bool Always);
  std::istream& FIn;
  std::ostream& FOut;
  TLineReader FLineReader;
  // The form as last printed; empty after anything else was printed.
  std::string FShown;
  // The form waiting for an action at the prompt, or null.
  const Forms::TCustomForm* FForm = nullptr;
  bool FAtFormPrompt = false;
  std::map<int, bool> FKeys;
  std::string FOpener = "xdg-open";
};

} // namespace TerminalUI
