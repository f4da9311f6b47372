#include "host/HistoryCommands.hpp"

#include "host/CommandSupport.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <iostream>
#include <iterator>

namespace HostCommands {

namespace {

using DesignDocument::TDesignDocument;
using nlohmann::ordered_json;
using SysUtils::Format;

// Undoes (Back) or redoes the newest change of the file's history and saves
// the file and the history.
void Travel(THost& Host, const std::string& FileName, bool Back, std::ostream& Out) {
  TDesign Design(Host, FileName, true);
  TDesignDocument& Doc = Design.Document();
  Doc.LoadHistory();
  // The history's check names the change and refuses a file changed since.
  const std::string Name = Back ? Doc.Undo() : Doc.Redo();
  Doc.Save();
  Doc.SaveHistory();
  if (Host.Options().Json) {
    PrintJson(Out, {{"file", Design.FileName()},
                    {Back ? "undone" : "redone", Name},
                    {"undo", Doc.CanUndo() ? Doc.UndoCaption() : ""},
                    {"redo", Doc.CanRedo() ? Doc.RedoCaption() : ""}});
    return;
  }
  Out << fmt::format("{} {}\nSaved {}\n", Back ? "Undid" : "Redid", Name, Design.FileName());
}

void History(THost& Host, const std::string& FileName, std::ostream& Out) {
  TDesign Design(Host, FileName);
  TDesignDocument& Doc = Design.Document();
  Doc.LoadHistory();
  std::vector<std::string> Undo, Redo;
  for (auto It = Doc.UndoList().rbegin(); It != Doc.UndoList().rend(); ++It)
    Undo.push_back(It->Name);
  for (auto It = Doc.RedoList().rbegin(); It != Doc.RedoList().rend(); ++It)
    Redo.push_back(It->Name);
  if (Host.Options().Json) {
    PrintJson(Out, {{"file", Design.FileName()}, {"undo", Undo}, {"redo", Redo}});
    return;
  }
  Out << "Undo (newest first):\n";
  if (Undo.empty())
    Out << "  (nothing)\n";
  for (const std::string& N : Undo)
    Out << "  " << N << '\n';
  Out << "Redo (next first):\n";
  if (Redo.empty())
    Out << "  (nothing)\n";
  for (const std::string& N : Redo)
    Out << "  " << N << '\n';
}

void Copy(THost& Host, const std::string& FileName, const std::vector<std::string>& Names,
          std::ostream& Out) {
  TDesign Design(Host, FileName);
  std::vector<Classes::TComponent*> Chosen;
  for (const std::string& N : Names) {
    Classes::TComponent* C = Design.Component(N);
    if (C == Design.Root())
      throw Classes::EComponentError(
          Format("%s is the data module itself; copy its components", StrUtils::Excerpt(N)));
    Chosen.push_back(C);
  }
  Out << Design.Document().CopyText(Chosen);
}

void Paste(THost& Host, const std::string& FileName, const std::string& From, std::ostream& Out) {
  std::string Text;
  if (From.empty() || From == "-") {
    // Read a bounded amount: what is beyond the limit is refused anyway.
    Text.resize(TDesignDocument::MaxPasteBytes + 1);
    std::cin.read(Text.data(), static_cast<std::streamsize>(Text.size()));
    Text.resize(static_cast<size_t>(std::cin.gcount()));
  } else {
    Text = SysUtils::LoadFileToString(From);
  }
  TDesign Design(Host, FileName, true);
  const std::vector<Classes::TComponent*> Pasted = Design.Document().Paste(Text);
  Design.Designer()->Modified();
  std::vector<std::string> Names;
  for (Classes::TComponent* C : Pasted)
    Names.push_back(C->GetName());
  const bool Saved = Design.SaveIfModified(TDesignDocument::ChangeName("Paste", Names));
  if (Host.Options().Json) {
    std::vector<ordered_json> Items;
    for (Classes::TComponent* C : Pasted)
      Items.push_back({{"component", C->GetName()},
                       {"class", C->ClassName()},
                       {"left", C->DesignLeft()},
                       {"top", C->DesignTop()}});
    PrintJson(Out, {{"file", Design.FileName()}, {"pasted", Items}, {"saved", Saved}});
    return;
  }
  for (Classes::TComponent* C : Pasted)
    Out << fmt::format("Pasted {}: {} at {}, {}\n", C->GetName(), C->ClassName(), C->DesignLeft(),
                       C->DesignTop());
  if (Saved)
    Out << fmt::format("Saved {}\n", Design.FileName());
}

} // namespace

void AddHistoryCommands(CLI::App& App, THost& Host) {
  struct TArgs {
    std::string File, From;
    std::vector<std::string> Components;
  };
  const auto A = std::make_shared<TArgs>();
  if (Host.Builds("undo")) {
    auto* UndoCommand = App.add_subcommand(
        "undo", "Undo the newest change the commands made to a design file, and save it");
    UndoCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    UndoCommand->callback([&Host, A] { Travel(Host, A->File, true, std::cout); });
  }

  if (Host.Builds("redo")) {
    auto* RedoCommand =
        App.add_subcommand("redo", "Make the newest undone change again, and save the file");
    RedoCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    RedoCommand->callback([&Host, A] { Travel(Host, A->File, false, std::cout); });
  }

  if (Host.Builds("history")) {
    auto* HistoryCommand =
        App.add_subcommand("history", "The changes of a design file that undo and redo would take");
    HistoryCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    HistoryCommand->callback([&Host, A] { History(Host, A->File, std::cout); });
  }

  if (Host.Builds("copy")) {
    auto* CopyCommand = App.add_subcommand(
        "copy", "Print components as their text form, as the clipboard holds them");
    CopyCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    CopyCommand->add_option("COMPONENT", A->Components, "The components")->required();
    CopyCommand->callback([&Host, A] { Copy(Host, A->File, A->Components, std::cout); });
  }

  if (Host.Builds("paste")) {
    auto* PasteCommand = App.add_subcommand(
        "paste", "Add the components of a text (a file, or standard input) to a design file");
    PasteCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    PasteCommand->add_option("TEXT", A->From, "The file of the text (default: standard input)");
    PasteCommand->callback([&Host, A] { Paste(Host, A->File, A->From, std::cout); });
  }
}

} // namespace HostCommands
