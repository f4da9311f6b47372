#include "vcl/ScriptedUI.hpp"

#include "vcl/Forms.hpp"

#include <iostream>

namespace ScriptedUI {

using SysUtils::Format;
using UIActions::Quote;
using UIActions::TActionKind;

OV_CLASS_IMPL(EUIScriptError, SysUtils::Exception, "ScriptedUI")

namespace {

std::string DescribeFormBriefly(const Forms::TCustomForm* Form) {
  return Format("form %s (%s)", Form->GetName().empty() ? Form->ClassName() : Form->GetName(),
                Quote(Form->GetCaption()));
}

// Called in a catch-all: a script failure or a missing user interface
// passes on; anything else an event handler let through goes to the
// application's handler (a message box the script answers), as the message
// loop does.
void PassOnOrHandle(Forms::TCustomForm* Form) {
  try {
    throw;
  } catch (const EUIScriptError&) {
    throw;
  } catch (const UIService::ENoUserInterface&) {
    throw;
  } catch (...) {
    Forms::Application->HandleException(Form);
  }
}

} // namespace

TScriptedUI::TScriptedUI(std::string_view Script, std::string SourceName)
    : FSourceName(std::move(SourceName)), FOut(&std::cout) {
  size_t Start = 0;
  int Number = 0;
  while (Start < Script.size()) {
    size_t End = Script.find('\n', Start);
    if (End == std::string_view::npos)
      End = Script.size();
    ++Number;
    const std::string_view Line = Script.substr(Start, End - Start);
    Start = End + 1;
    try {
      if (auto Action = UIActions::ParseAction(Line))
        FLines.push_back({Number, std::move(*Action)});
    } catch (const UIActions::EUIActionError& E) {
      throw EUIScriptError(Format("%s:%d: %s", FSourceName, Number, E.Message()));
    }
  }
  FLastLine = Number;
}

std::unique_ptr<TScriptedUI> TScriptedUI::FromFile(const std::string& FileName) {
  return std::make_unique<TScriptedUI>(SysUtils::LoadFileToString(FileName), FileName);
}

const TScriptedUI::TLine* TScriptedUI::Peek() const {
  return FNext < FLines.size() ? &FLines[FNext] : nullptr;
}

void TScriptedUI::CheckFailed() const {
  if (FFailure)
    throw EUIScriptError(*FFailure);
}

void TScriptedUI::Fail(const TLine* Line, const std::string& Message) {
  FFailure = Format("%s:%d: %s", FSourceName, Line ? Line->Number : FLastLine, Message);
  throw EUIScriptError(*FFailure);
}

void TScriptedUI::FailAtEnd(const std::string& Message) {
  Fail(nullptr, "the script ends here, but " + Message);
}

void TScriptedUI::SetKey(int VirtualKey, bool Down) {
  FKeys[VirtualKey] = Down;
}

void TScriptedUI::TakeKeyLines() {
  while (const TLine* L = Peek()) {
    if (L->Action.Kind != TActionKind::akKey)
      return;
    ++FNext;
    const std::string& Key = L->Action.Target;
    const int VK = SysUtils::SameText(Key, "alt")     ? Windows::VK_MENU
                   : SysUtils::SameText(Key, "shift") ? Windows::VK_SHIFT
                                                      : Windows::VK_CONTROL;
    SetKey(VK, SysUtils::SameText(L->Action.Args.at(0).Text, "down"));
  }
}

void TScriptedUI::SkipUnaskedAnswers() {
  for (;;) {
    TakeKeyLines();
    const TLine* L = Peek();
    if (!L || (L->Action.Kind != TActionKind::akAnswer && L->Action.Kind != TActionKind::akFile &&
               L->Action.Kind != TActionKind::akUrl))
      return;
    ++FNext;
    FLog.push_back(Format("%s (line %d): not asked", L->Action.Text, L->Number));
  }
}

void TScriptedUI::Execute(Forms::TCustomForm* Form, const TLine& Line) {
  UIActions::TActionContext Context;
  Context.SetKey = [this](int VK, bool Down) { SetKey(VK, Down); };
  Context.Out = FOut;
  try {
    UIActions::ApplyAction(Form, Line.Action, Context);
  } catch (const UIActions::EUIActionError& E) {
    Fail(&Line, E.Message());
  } catch (...) {
    PassOnOrHandle(Form);
  }
  Forms::Application->ProcessMessages();
}

bool TScriptedUI::ModalStep(Forms::TCustomForm* Form) {
  try {
    return Form->CloseModalIfRequested();
  } catch (...) {
    PassOnOrHandle(Form);
    return false;
  }
}

void TScriptedUI::RunModal(Forms::TCustomForm* Form) {
  CheckFailed();
  SkipUnaskedAnswers();
  const std::string What = DescribeFormBriefly(Form);
  const TLine* L = Peek();
  if (!L)
    FailAtEnd(What + " appeared");
  if (L->Action.Kind != TActionKind::akForm)
    Fail(L, Format("%s appeared, but the script expects: %s", What, L->Action.Text));
  if (!SysUtils::SameText(L->Action.Target, Form->GetName()) &&
      !SysUtils::SameText(L->Action.Target, Form->ClassName()))
    Fail(L, Format("form %s expected, but %s appeared", L->Action.Target, What));
  ++FNext;
  FLog.push_back(Format("form %s %s opened", L->Action.Target, Quote(Form->GetCaption())));
  for (;;) {
    SkipUnaskedAnswers();
    L = Peek();
    if (!L)
      FailAtEnd(What + " is still open");
    if (L->Action.Kind == TActionKind::akForm)
      Fail(L, Format("%s is still open, so form %s cannot appear", What, L->Action.Target));
    ++FNext;
    Execute(Form, *L);
    if (ModalStep(Form))
      break;
  }
  FLog.push_back(Format("form %s closed: %s", Form->GetName(),
                        Controls::ModalResultToString(Form->GetModalResult())));
}

void TScriptedUI::FormShown(Forms::TCustomForm* Form) {
  FLog.push_back(Format("form %s %s shown", Form->GetName(), Quote(Form->GetCaption())));
}

void TScriptedUI::FormHidden(Forms::TCustomForm* Form) {
  FLog.push_back(Format("form %s hidden", Form->GetName()));
}

int TScriptedUI::MessageBox(const UIService::TMessageBoxRequest& Request) {
  CheckFailed();
  TakeKeyLines();
  const std::string What = Format("a message box %s", Quote(Request.Text));
  const TLine* L = Peek();
  if (!L)
    FailAtEnd(What + " appeared");
  if (L->Action.Kind != TActionKind::akAnswer)
    Fail(L, Format("%s appeared, but the script expects: %s", What, L->Action.Text));
  const Dialogs::TMsgDlgBtn Button = *UIActions::ButtonByName(L->Action.Target);
  if (!Request.Buttons.Contains(Button) || Button == Dialogs::TMsgDlgBtn::mbHelp)
    Fail(L, Format("%s has no button %s that closes it (it has %s)", What, L->Action.Target,
                   UIActions::ButtonList(Request.Buttons)));
  if (!L->Action.Args.empty() && Request.Text.find(L->Action.Args[0].Text) == std::string::npos)
    Fail(L, Format("the message box says %s, which does not contain %s", Quote(Request.Text),
                   Quote(L->Action.Args[0].Text)));
  ++FNext;
  FLog.push_back(Format("message %s %s [%s]: %s", Request.Caption, Quote(Request.Text),
                        UIActions::ButtonList(Request.Buttons), Dialogs::ButtonCaption(Button)));
  return Dialogs::ModalResultOf(Button);
}

bool TScriptedUI::ExecuteOpenDialog(UIService::TFileDialogRequest& Request) {
  CheckFailed();
  TakeKeyLines();
  const std::string What = Format("a file dialog %s", Quote(Request.Title));
  const TLine* L = Peek();
  if (!L)
    FailAtEnd(What + " appeared");
  if (L->Action.Kind != TActionKind::akFile)
    Fail(L, Format("%s appeared, but the script expects: %s", What, L->Action.Text));
  if (L->Action.Target == "cancel") {
    ++FNext;
    FLog.push_back(Format("file dialog %s: cancelled", Quote(Request.Title)));
    return false;
  }
  std::string Path = L->Action.Args.at(0).Text;
  const std::string Refusal = Request.Check ? Request.Check(Path) : std::string();
  if (!Refusal.empty())
    Fail(L, Format("the file dialog refuses %s: %s", L->Action.Args[0].Text,
                   SysUtils::StringReplace(Refusal, "\n", " ",
                                           {SysUtils::TReplaceFlag::rfReplaceAll})));
  ++FNext;
  Request.FileName = Path;
  FLog.push_back(Format("file dialog %s: %s", Quote(Request.Title), Path));
  return true;
}

bool TScriptedUI::IsKeyDown(int VirtualKey) {
  CheckFailed();
  TakeKeyLines();
  const auto It = FKeys.find(VirtualKey);
  return It != FKeys.end() && It->second;
}

bool TScriptedUI::OpenDocument(const std::string& Document) {
  CheckFailed();
  TakeKeyLines();
  const std::string What = Format("opening %s", Quote(Document));
  const TLine* L = Peek();
  if (!L)
    FailAtEnd(What + " was asked for");
  if (L->Action.Kind != TActionKind::akUrl)
    Fail(L, Format("%s was asked for, but the script expects: %s", What, L->Action.Text));
  if (!L->Action.Args.empty() && Document.find(L->Action.Args[0].Text) == std::string::npos)
    Fail(L, Format("the document opened is %s, which does not contain %s", Quote(Document),
                   Quote(L->Action.Args[0].Text)));
  ++FNext;
  const bool Ok = SysUtils::SameText(L->Action.Target, "ok");
  FLog.push_back(Format("document %s: %s", Quote(Document), Ok ? "opened" : "failed"));
  return Ok;
}

Types::TSize TScriptedUI::MeasureText(const Graphics::TFont& Font, std::string_view Text) {
  return UIService::ApproximateTextExtent(Font, Text);
}

void TScriptedUI::ShowCursor(int Cursor) {
  FCursors.push_back(Cursor);
}

bool TScriptedUI::EditTextModule(UIService::TTextModuleRequest& Request) {
  CheckFailed();
  SkipUnaskedAnswers();
  const std::string What = Format("the text module %s", Request.ModuleName);
  const TLine* L = Peek();
  if (!L)
    FailAtEnd(What + " was opened");
  if (L->Action.Kind != TActionKind::akModule)
    Fail(L, Format("%s was opened, but the script expects: %s", What, L->Action.Text));
  if (!SysUtils::SameText(L->Action.Target, Request.ModuleName))
    Fail(L, Format("text module %s expected, but %s was opened", L->Action.Target, What));
  ++FNext;
  FLog.push_back(Format("module %s opened", Request.ModuleName));
  for (;;) {
    TakeKeyLines();
    L = Peek();
    if (!L)
      FailAtEnd(What + " is still open in the editor");
    switch (L->Action.Kind) {
    case TActionKind::akText:
      ++FNext;
      if (Request.Lines)
        Request.Lines->SetText(L->Action.Args.at(0).Text);
      Request.Modified = true;
      FLog.push_back(Format("module %s: text typed", Request.ModuleName));
      continue;
    case TActionKind::akSave:
      ++FNext;
      Request.Modified = false;
      FLog.push_back(Format("module %s saved", Request.ModuleName));
      return true;
    case TActionKind::akLeave:
      ++FNext;
      FLog.push_back(Format("module %s left%s", Request.ModuleName,
                            Request.Modified ? " with unsaved changes" : ""));
      return false;
    default:
      Fail(L, Format("%s is open in the editor, so the script cannot go on with: %s (text, save "
                     "or leave)",
                     What, L->Action.Text));
    }
  }
}

bool TScriptedUI::Finished() const {
  if (FFailure)
    return false;
  for (size_t I = FNext; I < FLines.size(); ++I)
    switch (FLines[I].Action.Kind) {
    case TActionKind::akKey:
    case TActionKind::akAnswer:
    case TActionKind::akFile:
    case TActionKind::akUrl:
      continue;
    default:
      return false;
    }
  return true;
}

void TScriptedUI::CheckFinished() {
  CheckFailed();
  SkipUnaskedAnswers();
  const TLine* L = Peek();
  if (!L)
    return;
  if (L->Action.Kind == TActionKind::akForm)
    Fail(L, Format("form %s expected, but no form appeared", L->Action.Target));
  Fail(L, Format("no form is open for: %s", L->Action.Text));
}

std::string TScriptedUI::LogText() const {
  std::string R;
  for (const std::string& Entry : FLog)
    R += Entry + "\n";
  return R;
}

} // namespace ScriptedUI
