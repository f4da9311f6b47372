#include "vcl/TerminalUI.hpp"

#include "vcl/Forms.hpp"
#include "vcl/UIActions.hpp"

#include <iostream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace TerminalUI {

using SysUtils::Format;
using UIActions::Quote;
using UIActions::TActionKind;

namespace {

constexpr const char* HelpText =
    "Actions on the form:\n"
    "  set CONTROL TEXT          type TEXT (\\n starts a new line)\n"
    "  click CONTROL [right]     click a button, check box, label or menu item\n"
    "  dblclick CONTROL [ITEM]   double-click\n"
    "  choose CONTROL ITEM       radio group, combo or list box item (index or text)\n"
    "  select LIST ITEM...       select exactly these items; deselect LIST ITEM...\n"
    "  popup CONTROL ITEM        context menu item\n"
    "  page SHEET                show a page\n"
    "  focus CONTROL             move the focus\n"
    "  key alt|shift|ctrl down|up\n"
    "  press enter|escape|tab|shift+tab|space\n"
    "  close                     the window's close button\n"
    "  expect CONTROL PROPERTY VALUE\n"
    "  dump                      print the form again\n";

} // namespace

TTerminalUI::TTerminalUI(std::istream& In, std::ostream& Out) : FIn(In), FOut(Out) {}

bool TTerminalUI::ReadLine(std::string& Line) {
  FOut.flush();
  if (!std::getline(FIn, Line))
    return false;
  if (!Line.empty() && Line.back() == '\r')
    Line.pop_back();
  return true;
}

void TTerminalUI::RunModal(Forms::TCustomForm* Form) {
  UIActions::TActionContext Context;
  Context.SetKey = [this](int VK, bool Down) { SetKeyDown(VK, Down); };
  Context.Out = &FOut;
  bool Redraw = true;
  for (;;) {
    if (Redraw)
      FOut << "\n" << UIActions::DescribeForm(Form);
    Redraw = true;
    FOut << Form->GetName() << "> ";
    std::string Line;
    if (!ReadLine(Line))
      throw UIService::ENoUserInterface(Format("the input ended while form %s (%s) is open",
                                               Form->GetName(), Quote(Form->GetCaption())));
    if (SysUtils::SameText(SysUtils::Trim(Line), "help")) {
      FOut << HelpText;
      Redraw = false;
      continue;
    }
    std::optional<UIActions::TUIAction> Action;
    try {
      Action = UIActions::ParseAction(Line);
    } catch (const UIActions::EUIActionError& E) {
      FOut << "error: " << E.Message() << " (type help for the actions)\n";
      Redraw = false;
      continue;
    }
    if (!Action) {
      Redraw = false;
      continue;
    }
    if (Action->Kind == TActionKind::akForm || Action->Kind == TActionKind::akAnswer ||
        Action->Kind == TActionKind::akFile || Action->Kind == TActionKind::akUrl) {
      FOut << "error: " << Action->Text << " is answered when it is asked for\n";
      Redraw = false;
      continue;
    }
    try {
      UIActions::ApplyAction(Form, *Action, Context);
      if (Action->Kind == TActionKind::akExpect)
        FOut << "ok\n";
    } catch (const UIActions::EUIActionError& E) {
      FOut << "error: " << E.Message() << "\n";
      Redraw = false;
    } catch (const UIService::ENoUserInterface&) {
      throw;
    } catch (...) {
      Forms::Application->HandleException(Form);
    }
    Forms::Application->ProcessMessages();
    try {
      if (Form->CloseModalIfRequested())
        return;
    } catch (const UIService::ENoUserInterface&) {
      throw;
    } catch (...) {
      Forms::Application->HandleException(Form);
    }
  }
}

void TTerminalUI::FormShown(Forms::TCustomForm* Form) {
  FOut << "\n" << UIActions::DescribeForm(Form);
}

int TTerminalUI::MessageBox(const UIService::TMessageBoxRequest& Request) {
  FOut << "\n[" << Request.Caption << "] " << Request.Text << "\n";
  const std::string Buttons = UIActions::ButtonList(Request.Buttons);
  for (;;) {
    FOut << "(" << Buttons << ")? ";
    std::string Line;
    if (!ReadLine(Line))
      throw UIService::ENoUserInterface(
          Format("the input ended while the message %s waits", Quote(Request.Text)));
    const auto Button = UIActions::ButtonByName(SysUtils::Trim(Line));
    if (Button && Request.Buttons.Contains(*Button) && *Button != Dialogs::TMsgDlgBtn::mbHelp)
      return Dialogs::ModalResultOf(*Button);
    FOut << "Answer with one of: " << Buttons << "\n";
  }
}

bool TTerminalUI::ExecuteOpenDialog(UIService::TFileDialogRequest& Request) {
  FOut << "\n[" << Request.Title << "]";
  if (!Request.Filter.empty())
    FOut << " files: " << Request.Filter;
  if (!Request.InitialDir.empty())
    FOut << " in " << Request.InitialDir;
  FOut << "\n";
  for (;;) {
    FOut << "File name (empty to cancel): ";
    std::string Line;
    if (!ReadLine(Line))
      throw UIService::ENoUserInterface(
          Format("the input ended while the file dialog %s waits", Quote(Request.Title)));
    std::string Path = SysUtils::Trim(Line);
    if (Path.empty())
      return false;
    const std::string Refusal = Request.Check ? Request.Check(Path) : std::string();
    if (Refusal.empty()) {
      Request.FileName = Path;
      return true;
    }
    FOut << Refusal << "\n";
  }
}

bool TTerminalUI::IsKeyDown(int VirtualKey) {
  const auto It = FKeys.find(VirtualKey);
  return It != FKeys.end() && It->second;
}

bool TTerminalUI::OpenDocument(const std::string& Document) {
  FOut << "Opening " << Document << "\n";
  if (FOpener.empty())
    return false;
  pid_t Pid = 0;
  std::string Program = FOpener;
  std::string Arg = Document;
  char* Argv[] = {Program.data(), Arg.data(), nullptr};
  if (posix_spawnp(&Pid, Program.c_str(), nullptr, nullptr, Argv, environ) != 0)
    return false;
  int Status = 0;
  if (waitpid(Pid, &Status, 0) < 0)
    return false;
  return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

Types::TSize TTerminalUI::MeasureText(const Graphics::TFont& Font, std::string_view Text) {
  return UIService::ApproximateTextExtent(Font, Text);
}

} // namespace TerminalUI
