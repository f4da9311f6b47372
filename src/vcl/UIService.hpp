// The user interface service: everything that needs a person goes through one
// interface, so that dialog code runs the same under a scripted user (tests,
// the command line's --ui-script), a terminal, or a window system. The forms
// model holds all behaviour; a service only shows the model and turns what the
// person does into calls of the model's user-input functions (Forms.hpp).
//
// One service is installed at a time (SetUIService). Without one, operations
// that need a person raise ENoUserInterface at once instead of waiting, and
// text is measured with the built-in approximation.
#pragma once

#include "vcl/Dialogs.hpp"
#include "vcl/Graphics.hpp"
#include "vcl/Types.hpp"

#include <functional>
#include <string>
#include <string_view>

namespace Forms {
class TCustomForm;
}

namespace UIService {

OV_EXCEPTION(ENoUserInterface, SysUtils::Exception)

struct TMessageBoxRequest {
  std::string Caption; // "Confirm", "Error", ... or the application's title
  std::string Text;
  Dialogs::TMsgDlgType DlgType = Dialogs::TMsgDlgType::mtInformation;
  Dialogs::TMsgDlgButtons Buttons;
  int HelpCtx = 0;
};

struct TFileDialogRequest {
  std::string Title;
  std::string Filter; // "Text files|*.txt|All files|*.*"
  int FilterIndex = 1;
  std::string InitialDir;
  std::string DefaultExt;
  std::string FileName; // in: the proposed name; out: the chosen file
  Dialogs::TOpenOptions Options;
  // The dialog's own check of a name the person typed: completes Path in
  // place (relative to InitialDir, default extension) and returns the
  // platform's refusal message, or "" when the name is accepted. A service
  // must not return a name this refuses: it keeps its dialog open (or, when
  // scripted, fails the script line).
  std::function<std::string(std::string& Path)> Check;
};

// What the code editor bridge will hand to a service that can edit a text
// module (a string list opened as a source file). Not yet used.
struct TTextModuleRequest {
  std::string ModuleName;
  Classes::TStrings* Lines = nullptr;
  bool Modified = false;
};

class IUIService {
public:
  IUIService() = default;
  IUIService(const IUIService&) = delete;
  IUIService& operator=(const IUIService&) = delete;
  virtual ~IUIService() = default;

  // Runs a shown form modally: lets the person act on it until a call of
  // Form->CloseModalIfRequested() reports it closed. Exceptions raised by the
  // form's event handlers go to Forms::Application->HandleException, as the
  // platform's message loop does; the form stays open.
  virtual void RunModal(Forms::TCustomForm* Form) = 0;
  // A form shown or hidden without a modal loop (a designer window).
  virtual void FormShown(Forms::TCustomForm* Form) {}
  virtual void FormHidden(Forms::TCustomForm* Form) {}
  // Shows a message box and returns the modal result of the button pressed
  // (mrYes, mrOk...), one of the request's buttons other than Help.
  virtual int MessageBox(const TMessageBoxRequest& Request) = 0;
  // A file-open dialog: true with Request.FileName set, false when cancelled.
  virtual bool ExecuteOpenDialog(TFileDialogRequest& Request) = 0;
  // Whether the person holds the key (Windows virtual-key code) down now.
  virtual bool IsKeyDown(int VirtualKey) = 0;
  // Opens a document or link; false when it could not be opened.
  virtual bool OpenDocument(const std::string& Document) = 0;
  virtual Types::TSize MeasureText(const Graphics::TFont& Font, std::string_view Text) = 0;
  // The mouse cursor shown for the whole screen (Forms::Screen->Cursor).
  virtual void ShowCursor(int Cursor) = 0;

  // Extension point of the code editor bridge: edit Request.Lines as a text
  // module named Request.ModuleName. Services that cannot raise
  // ENotSupportedException (the default).
  virtual bool EditTextModule(TTextModuleRequest& Request);
};

// The installed service, or the built-in one that has no person behind it.
// Never null.
IUIService* UI();
// Installs Service (null: none) and returns the one installed before. The
// caller keeps ownership.
IUIService* SetUIService(IUIService* Service);
bool HasUIService();

// Installs a service for the lifetime of the scope, then restores the
// previous one.
class TUIServiceScope {
public:
  explicit TUIServiceScope(IUIService* Service) : FPrevious(SetUIService(Service)) {}
  ~TUIServiceScope() { SetUIService(FPrevious); }
  TUIServiceScope(const TUIServiceScope&) = delete;
  TUIServiceScope& operator=(const TUIServiceScope&) = delete;

private:
  IUIService* FPrevious;
};

// Text metrics without a font engine: every character is as wide as half the
// font's character height rounded up (6 pixels at 8 points, 7 at 10 points),
// bold adds one pixel per four characters, and a line is as high as the
// character height plus a fifth (13 pixels at 8 points, 16 at 10 points).
// UTF-8 sequences count as one character; line breaks start a new line, and
// the widest line is the width.
Types::TSize ApproximateTextExtent(const Graphics::TFont& Font, std::string_view Text);

// "no user interface is available for <What>"
[[noreturn]] void RaiseNoUserInterface(const std::string& What);

} // namespace UIService
