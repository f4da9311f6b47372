#include "host/EditorCommands.hpp"

#include "dclorvane60/OVAbout.hpp"
#include "designide/DesignEditors.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/IDEServices.hpp"
#include "host/CommandSupport.hpp"
#include "host/TerminalSession.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"
#include "vcl/ScriptedUI.hpp"
#include "vcl/StdCtrls.hpp"
#include "vcl/TerminalUI.hpp"

#include <CLI/CLI.hpp>
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
    UI = MakeTerminalUI(Json);
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

// The verbs of the component's editor: index and caption, "-" for a
// separator.
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

// Executes verb Index (as the verbs command numbers them). An index outside
// the editor's verbs is an error naming the range.
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
  std::string Name = Caption;
  std::erase(Name, '&');
  while (!Name.empty() && Name.back() == '.')
    Name.pop_back();
  const bool Saved = Design.SaveIfModified(Name + " on " + C->GetName());
  ReportRun(Host, Design, Component, Format("verb %d (%s) done", Index, Caption), Saved, Log, Out,
            {{"component", Component}, {"index", Index}, {"caption", Caption}});
}

// The double-click on the component.
void EditComponent(THost& Host, const std::string& FileName, const std::string& Component,
                   const std::string& UIScript, std::ostream& Out) {
  TDesign Design(Host, FileName, true);
  Classes::TComponent* C = Design.Component(Component);
  auto Editor = DesignEditors::GetComponentEditor(C, Design.Designer());
  const auto Log = RunWithUI(UIScript, Host.Options().Json, [&] { Editor->Edit(); });
  const bool Saved = Design.SaveIfModified("Edit " + C->GetName());
  ReportRun(Host, Design, Component, "double-click done", Saved, Log, Out,
            {{"component", Component}, {"editor", Editor->ClassName()}});
}

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
class TAboutReader : public TForwardingUI {
public:
  TAboutReader(UIService::IUIService* AInner, std::ostream* APrint)
      : TForwardingUI(AInner), FPrint(APrint) {}
  void RunModal(Forms::TCustomForm* Form) override {
    Read(Form);
    TForwardingUI::RunModal(Form);
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

  std::ostream* FPrint;
  TAboutTexts FTexts;
};

// The About box of the package: its texts and links are printed, then the
// box is shown to the person at the terminal, or to the script. Without a
// script and without a terminal to read from, it is closed at once.
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
    Terminal = MakeTerminalUI(Host.Options().Json);
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

} // namespace

void AddEditorCommands(CLI::App& App, THost& Host) {
  struct TArgs {
    std::string File, Component, UIScript;
    int VerbIndex = 0;
  };
  const auto A = std::make_shared<TArgs>();
  if (Host.Builds("verbs")) {
    auto* VerbsCommand = App.add_subcommand("verbs", "The context-menu verbs of a component");
    VerbsCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    VerbsCommand->add_option("COMPONENT", A->Component, "The component")->required();
    VerbsCommand->callback([&Host, A] { Verbs(Host, A->File, A->Component, std::cout); });
  }

  if (Host.Builds("verb")) {
    auto* VerbCommand = App.add_subcommand(
        "verb", "Execute a context-menu verb of a component; the file is saved when it changed");
    VerbCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    VerbCommand->add_option("COMPONENT", A->Component, "The component")->required();
    VerbCommand->add_option("INDEX", A->VerbIndex, "The verb's index, as verbs lists it")
        ->required();
    VerbCommand->add_option("--ui-script", A->UIScript,
                            "Act on the dialogs as this script says (default: at the terminal)");
    VerbCommand->callback(
        [&Host, A] { Verb(Host, A->File, A->Component, A->VerbIndex, A->UIScript, std::cout); });
  }

  if (Host.Builds("edit")) {
    auto* EditCommand =
        App.add_subcommand("edit", "Double-click a component; the file is saved when it changed");
    EditCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    EditCommand->add_option("COMPONENT", A->Component, "The component")->required();
    EditCommand->add_option("--ui-script", A->UIScript,
                            "Act on the dialogs as this script says (default: at the terminal)");
    EditCommand->callback(
        [&Host, A] { EditComponent(Host, A->File, A->Component, A->UIScript, std::cout); });
  }

  if (Host.Builds("about")) {
    auto* AboutCommand = App.add_subcommand("about", "The package's About box");
    AboutCommand->add_option("--ui-script", A->UIScript,
                             "Act on the box as this script says (default: at the terminal; "
                             "with no terminal to read from it is closed at once)");
    AboutCommand->callback([&Host, A] { About(Host, A->UIScript, std::cout); });
  }
}

} // namespace HostCommands
