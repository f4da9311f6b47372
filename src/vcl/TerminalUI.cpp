#include "vcl/TerminalUI.hpp"

#include "rtl/ScopeGuard.hpp"
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
    "  show                      print the form again (after an action it is\n"
    "                            printed when what it shows changed)\n"
    "A CONTROL is a name or a caption: click btGetTableFields, click Get Table Fields.\n";

} // namespace

TTerminalUI::TTerminalUI(std::istream& In, std::ostream& Out) : FIn(In), FOut(Out) {}

bool TTerminalUI::ReadLine(const std::string& Prompt, std::string& Line) {
  if (FLineReader) {
    FOut.flush();
    return FLineReader(Prompt, Line);
  }
  FOut << Prompt;
  FOut.flush();
  if (!std::getline(FIn, Line))
    return false;
  if (!Line.empty() && Line.back() == '\r')
    Line.pop_back();
  return true;
}

void TTerminalUI::ShowForm(const Forms::TCustomForm* Form, bool Always) {
  std::string Text = UIActions::DescribeForm(Form);
  if (!Always && Text == FShown)
    return;
  FOut << "\n" << Text;
  FShown = std::move(Text);
}

void TTerminalUI::RunModal(Forms::TCustomForm* Form) {
  UIActions::TActionContext Context;
  Context.SetKey = [this](int VK, bool Down) { SetKeyDown(VK, Down); };
  Context.Out = &FOut;
  // A form opened from this one's action waits for actions until it closes.
  const Forms::TCustomForm* Outer = FForm;
  FForm = Form;
  const ScopeGuard::TFinally Restore([&] { FForm = Outer; });
  ShowForm(Form, true);
  for (;;) {
    std::string Line;
    FAtFormPrompt = true;
    const bool Read = ReadLine(Form->GetName() + "> ", Line);
    FAtFormPrompt = false;
    if (!Read)
      throw UIService::ENoUserInterface(Format("the input ended while form %s (%s) is open",
                                               Form->GetName(), Quote(Form->GetCaption())));
    const std::string Command = SysUtils::Trim(Line);
    if (SysUtils::SameText(Command, "help")) {
      FOut << HelpText;
      continue;
    }
    if (SysUtils::SameText(Command, "show")) {
      ShowForm(Form, true);
      continue;
    }
    std::optional<UIActions::TUIAction> Action;
    try {
      Action = UIActions::ParseAction(Line);
    } catch (const UIActions::EUIActionError& E) {
      FOut << "error: " << E.Message() << " (type help for the actions)\n";
      continue;
    }
    if (!Action)
      continue;
    if (Action->Kind == TActionKind::akForm || Action->Kind == TActionKind::akAnswer ||
        Action->Kind == TActionKind::akFile || Action->Kind == TActionKind::akUrl) {
      FOut << "error: " << Action->Text << " is answered when it is asked for\n";
      continue;
    }
    try {
      UIActions::ApplyAction(Form, *Action, Context);
      if (Action->Kind == TActionKind::akExpect)
        FOut << "ok\n";
    } catch (const UIActions::EUIActionError& E) {
      FOut << "error: " << E.Message() << "\n";
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
    ShowForm(Form, false);
  }
}

std::vector<std::string> TTerminalUI::Completions() const {
  if (!FForm || !FAtFormPrompt)
    return {};
  std::vector<std::string> Words = UIActions::VerbNames();
  Words.insert(Words.end(), {"help", "show"});
  for (int I = 0; I < FForm->ComponentCount(); ++I)
    if (const std::string& Name = FForm->Components(I)->GetName(); !Name.empty())
      Words.push_back(Name);
  return Words;
}

void TTerminalUI::FormShown(Forms::TCustomForm* Form) {
  ShowForm(Form, true);
}

int TTerminalUI::MessageBox(const UIService::TMessageBoxRequest& Request) {
  FShown.clear();
  FOut << "\n[" << Request.Caption << "] " << UIActions::WithLineFeeds(Request.Text) << "\n";
  const std::string Buttons = UIActions::ButtonList(Request.Buttons);
  // A box of one button (besides Help) takes Enter for it.
  int Count = 0;
  auto Only = Dialogs::TMsgDlgBtn::mbOK;
  for (unsigned I = 0; I < static_cast<unsigned>(Dialogs::TMsgDlgBtn::mbHelp); ++I)
    if (const auto B = static_cast<Dialogs::TMsgDlgBtn>(I); Request.Buttons.Contains(B)) {
      Only = B;
      ++Count;
    }
  for (;;) {
    std::string Line;
    if (!ReadLine("(" + Buttons + ")? ", Line))
      throw UIService::ENoUserInterface(
          Format("the input ended while the message %s waits", Quote(Request.Text)));
    const std::string Answer = SysUtils::Trim(Line);
    if (Answer.empty() && Count == 1)
      return Dialogs::ModalResultOf(Only);
    auto Button = UIActions::ButtonByName(Answer);
    if (!Button && !Answer.empty()) {
      // The start of one of the box's buttons ("y" for Yes, "n" for No).
      int Matches = 0;
      for (unsigned I = 0; I < static_cast<unsigned>(Dialogs::TMsgDlgBtn::mbHelp); ++I)
        if (const auto B = static_cast<Dialogs::TMsgDlgBtn>(I);
            Request.Buttons.Contains(B) &&
            SysUtils::SameText(Dialogs::ButtonCaption(B).substr(0, Answer.size()), Answer)) {
          Button = B;
          ++Matches;
        }
      if (Matches != 1)
        Button.reset();
    }
    if (Button && Request.Buttons.Contains(*Button) && *Button != Dialogs::TMsgDlgBtn::mbHelp)
      return Dialogs::ModalResultOf(*Button);
    FOut << "Answer with one of: " << Buttons << "\n";
  }
}

bool TTerminalUI::ExecuteOpenDialog(UIService::TFileDialogRequest& Request) {
  FShown.clear();
  FOut << "\n[" << Request.Title << "]";
  // "Text files (*.txt)|*.txt|All files|*.*" shows its descriptions.
  std::string Kinds;
  for (size_t Start = 0, Index = 0; Start <= Request.Filter.size(); ++Index) {
    size_t End = Request.Filter.find('|', Start);
    if (End == std::string::npos)
      End = Request.Filter.size();
    if (const std::string Part = SysUtils::Trim(Request.Filter.substr(Start, End - Start));
        Index % 2 == 0 && !Part.empty())
      Kinds += (Kinds.empty() ? "" : ", ") + Part;
    Start = End + 1;
  }
  if (!Kinds.empty())
    FOut << " files: " << Kinds;
  if (!Request.InitialDir.empty())
    FOut << " in " << Request.InitialDir;
  FOut << "\n";
  for (;;) {
    std::string Line;
    if (!ReadLine("File name (empty to cancel): ", Line))
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
