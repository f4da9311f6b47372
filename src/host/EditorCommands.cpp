#include "host/EditorCommands.hpp"

#include "dclorvane60/OVAbout.hpp"
#include "designide/DesignEditors.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/IDEServices.hpp"
#include "host/CommandOutput.hpp"
#include "host/DesignDocument.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"
#include "vcl/ScriptedUI.hpp"
#include "vcl/StdCtrls.hpp"
#include "vcl/TerminalUI.hpp"

#include <fmt/format.h>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <unistd.h>

namespace HostCommands {

using nlohmann::ordered_json;
using SysUtils::Format;

namespace {

// A design file opened for one command, with its designer.
class TDesign {
public:
  // ForUpdate for commands that may save the file (its update lock).
  TDesign(THost& Host, const std::string& FileName, bool ForUpdate = false) {
    Host.Package();
    FDocument = DesignDocument::TDesignDocument::Open(FileName, ForUpdate);
    FDesigner =
        System::TInterfaceRef<DesignIntf::TDesigner>(new DesignIntf::TDesigner(FDocument->Root()));
  }
  TDesign(const TDesign&) = delete;
  TDesign& operator=(const TDesign&) = delete;

  DesignIntf::TDesigner* Designer() const { return FDesigner.Get(); }
  const std::string& FileName() const { return FDocument->FileName(); }

  Classes::TComponent* Component(const std::string& Name) const {
    if (Classes::TComponent* C = FDesigner->GetComponent(Name))
      return C;
    throw Classes::EComponentError(
        Format("%s has no component named %s", FileName(), StrUtils::Excerpt(Name)));
  }
  // Saves the file when the designer was told of a change; whether it did.
  bool SaveIfModified() {
    if (!FDesigner->IsModified())
      return false;
    FDocument->Save();
    return true;
  }

private:
  std::unique_ptr<DesignDocument::TDesignDocument> FDocument;
  System::TInterfaceRef<DesignIntf::TDesigner> FDesigner;
};

// The person's own editor. One that does not finish successfully leaves the
// module as it was, and the command says so instead of reporting that
// nothing changed.
bool PersonsEditor(UIService::TTextModuleRequest& Request) {
  if (IDEServices::ExternalTextModuleEditor(Request))
    return true;
  throw SysUtils::EInOutError(
      Format("The editor did not finish successfully; %s was left as it was", Request.ModuleName));
}

// Runs Action with the script (or the person at the terminal) answering the
// dialogs and the host's module services open; the scripted log, or empty.
// A script edits the text modules too (its module lines); the person does so
// in their own editor.
std::vector<std::string> RunWithUI(const std::string& UIScript, bool Json,
                                   const std::function<void()>& Action) {
  std::unique_ptr<UIService::IUIService> UI;
  ScriptedUI::TScriptedUI* Scripted = nullptr;
  if (!UIScript.empty()) {
    auto S = ScriptedUI::TScriptedUI::FromFile(UIScript);
    S->SetOutput(&FormsOutput(Json));
    Scripted = S.get();
    UI = std::move(S);
  } else {
    UI = std::make_unique<TerminalUI::TTerminalUI>(std::cin, FormsOutput(Json));
  }
  UIService::TUIServiceScope Using(UI.get());
  IDEServices::TIDEServicesScope Services;
  Services.Services()->SetTextModuleEditor(Scripted ? IDEServices::UITextModuleEditor
                                                    : PersonsEditor);
  Action();
  if (!Scripted)
    return {};
  Scripted->CheckFinished();
  return Scripted->Log();
}

std::string EditorDescription(Classes::TComponent* C, DesignEditors::TComponentEditor* Editor) {
  return Format("%s (%s), editor %s", C->GetName(), C->ClassName(), Editor->ClassName());
}

void ReportRun(THost& Host, const TDesign& Design, const std::string& Component,
               const std::string& What, bool Saved, const std::vector<std::string>& Log,
               std::ostream& Out, ordered_json J) {
  if (Host.Options().Json) {
    J["saved"] = Saved;
    J["file"] = Design.FileName();
    if (!Log.empty())
      J["ui"] = Log;
    PrintJson(Out, J);
    return;
  }
  Out << fmt::format("{}: {}\n", Component, What);
  Out << (Saved ? fmt::format("Saved {}\n", Design.FileName())
                : std::string("Nothing changed; the file was not written\n"));
}

} // namespace

void Verbs(THost& Host, const std::string& FileName, const std::string& Component,
           std::ostream& Out) {
  TDesign Design(Host, FileName);
  Classes::TComponent* C = Design.Component(Component);
  auto Editor = DesignEditors::GetComponentEditor(C, Design.Designer());
  ordered_json Verbs = ordered_json::array();
  for (int I = 0, N = Editor->GetVerbCount(); I < N; ++I) {
    const std::string Caption = Editor->GetVerb(I);
    Verbs.push_back({{"index", I}, {"caption", Caption}, {"separator", Caption == "-"}});
  }
  if (Host.Options().Json) {
    PrintJson(Out, {{"file", Design.FileName()},
                    {"component", C->GetName()},
                    {"class", C->ClassName()},
                    {"editor", Editor->ClassName()},
                    {"verbs", Verbs}});
    return;
  }
  Out << EditorDescription(C, Editor.get()) << '\n';
  if (Verbs.empty())
    Out << "  (no verbs)\n";
  for (const auto& V : Verbs)
    Out << fmt::format("  {}  {}\n", V["index"].get<int>(), V["caption"].get<std::string>());
}

void Verb(THost& Host, const std::string& FileName, const std::string& Component, int Index,
          const std::string& UIScript, std::ostream& Out) {
  TDesign Design(Host, FileName, true);
  Classes::TComponent* C = Design.Component(Component);
  auto Editor = DesignEditors::GetComponentEditor(C, Design.Designer());
  const int Count = Editor->GetVerbCount();
  if (Count == 0)
    throw SysUtils::EInvalidOperation(
        Format("%s has no verbs", EditorDescription(C, Editor.get())));
  if (Index < 0 || Index >= Count)
    throw SysUtils::EInvalidOperation(Format("%s has the verbs 0 to %d; there is no verb %d",
                                             EditorDescription(C, Editor.get()), Count - 1, Index));
  const std::string Caption = Editor->GetVerb(Index);
  const auto Log = RunWithUI(UIScript, Host.Options().Json, [&] { Editor->ExecuteVerb(Index); });
  const bool Saved = Design.SaveIfModified();
  ReportRun(Host, Design, Component, Format("verb %d (%s) done", Index, Caption), Saved, Log, Out,
            {{"component", Component}, {"index", Index}, {"caption", Caption}});
}

void EditComponent(THost& Host, const std::string& FileName, const std::string& Component,
                   const std::string& UIScript, std::ostream& Out) {
  TDesign Design(Host, FileName, true);
  Classes::TComponent* C = Design.Component(Component);
  auto Editor = DesignEditors::GetComponentEditor(C, Design.Designer());
  const auto Log = RunWithUI(UIScript, Host.Options().Json, [&] { Editor->Edit(); });
  const bool Saved = Design.SaveIfModified();
  ReportRun(Host, Design, Component, "double-click done", Saved, Log, Out,
            {{"component", Component}, {"editor", Editor->ClassName()}});
}

namespace {

struct TAboutLink {
  const char* Label;
  const char* Address;
};

const TAboutLink AboutLinks[] = {{"lblHome", OVAbout::SHomePage},
                                 {"lblSupport", OVAbout::SSupportMail},
                                 {"lblOrderOrvaneStd", OVAbout::SOrderStdPage},
                                 {"lblOrderOrvanePro", OVAbout::SOrderProPage}};

// What the About box shows, read from the form when it is run modally.
struct TAboutTexts {
  std::string Caption;
  std::vector<std::string> Texts;                         // label captions in layout order
  std::vector<std::pair<std::string, std::string>> Links; // caption, address
};

// Passes everything to the inner user interface; a modal form is read, and
// printed when asked, before the inner interface shows it.
class TAboutReader : public UIService::IUIService {
public:
  TAboutReader(UIService::IUIService* AInner, std::ostream* APrint)
      : FInner(AInner), FPrint(APrint) {}
  void RunModal(Forms::TCustomForm* Form) override {
    Read(Form);
    FInner->RunModal(Form);
  }
  void FormShown(Forms::TCustomForm* Form) override { FInner->FormShown(Form); }
  void FormHidden(Forms::TCustomForm* Form) override { FInner->FormHidden(Form); }
  int MessageBox(const UIService::TMessageBoxRequest& Request) override {
    return FInner->MessageBox(Request);
  }
  bool ExecuteOpenDialog(UIService::TFileDialogRequest& Request) override {
    return FInner->ExecuteOpenDialog(Request);
  }
  bool IsKeyDown(int VirtualKey) override { return FInner->IsKeyDown(VirtualKey); }
  bool OpenDocument(const std::string& Document) override { return FInner->OpenDocument(Document); }
  Types::TSize MeasureText(const Graphics::TFont& Font, std::string_view Text) override {
    return FInner->MeasureText(Font, Text);
  }
  void ShowCursor(int Cursor) override { FInner->ShowCursor(Cursor); }
  bool EditTextModule(UIService::TTextModuleRequest& Request) override {
    return FInner->EditTextModule(Request);
  }

  const TAboutTexts& Texts() const { return FTexts; }

private:
  void Read(Forms::TCustomForm* Form) {
    FTexts = {};
    FTexts.Caption = Form->GetCaption();
    for (int I = 0; I < Form->ControlCount(); ++I) {
      auto* Label = dynamic_cast<StdCtrls::TLabel*>(Form->Controls(I));
      if (!Label)
        continue;
      const TAboutLink* Link = nullptr;
      for (const TAboutLink& L : AboutLinks)
        if (Label->GetName() == L.Label)
          Link = &L;
      if (Link)
        FTexts.Links.emplace_back(Label->GetCaption(), Link->Address);
      else if (!Label->GetCaption().empty())
        FTexts.Texts.push_back(Label->GetCaption());
    }
    if (!FPrint)
      return;
    *FPrint << FTexts.Caption << '\n';
    for (const std::string& T : FTexts.Texts)
      *FPrint << "  " << T << '\n';
    *FPrint << "Links:\n";
    for (const auto& [Caption, Address] : FTexts.Links)
      *FPrint << fmt::format("  {:<26}{}\n", Caption, Address);
    FPrint->flush();
  }

  UIService::IUIService* FInner;
  std::ostream* FPrint;
  TAboutTexts FTexts;
};

} // namespace

void About(THost& Host, const std::string& UIScript, std::ostream& Out) {
  const auto Show = Host.Services().ShowAboutBox;
  if (!Show)
    throw DesignPackages::EPackageError(
        Format("The package %s has no About box", Host.Package().FileName()));
  std::unique_ptr<ScriptedUI::TScriptedUI> Scripted;
  std::unique_ptr<UIService::IUIService> Terminal;
  UIService::IUIService* Inner = nullptr;
  if (!UIScript.empty()) {
    Scripted = ScriptedUI::TScriptedUI::FromFile(UIScript);
    Scripted->SetOutput(&FormsOutput(Host.Options().Json));
    Inner = Scripted.get();
  } else if (::isatty(STDIN_FILENO)) {
    Terminal =
        std::make_unique<TerminalUI::TTerminalUI>(std::cin, FormsOutput(Host.Options().Json));
    Inner = Terminal.get();
  } else {
    // Nobody to read from: the box is shown and closed at once.
    Scripted = std::make_unique<ScriptedUI::TScriptedUI>("form OVAboutDlg\npress enter\n", "about");
    Inner = Scripted.get();
  }
  const bool Json = Host.Options().Json;
  TAboutReader Reader(Inner, Json ? nullptr : &Out);
  {
    UIService::TUIServiceScope Using(&Reader);
    Show();
  }
  if (Scripted)
    Scripted->CheckFinished();
  if (!Json)
    return;
  const TAboutTexts& T = Reader.Texts();
  ordered_json Links = ordered_json::array();
  for (const auto& [Caption, Address] : T.Links)
    Links.push_back({{"caption", Caption}, {"address", Address}});
  ordered_json J{{"caption", T.Caption}, {"texts", T.Texts}, {"links", Links}};
  if (!UIScript.empty())
    J["ui"] = Scripted->Log();
  PrintJson(Out, J);
}

} // namespace HostCommands
