#include "host/TerminalSession.hpp"

#include "host/CommandOutput.hpp"
#include "rtl/IOUtils.hpp"
#include "rtl/SysUtils.hpp"
#include "vcl/ScriptedUI.hpp"
#include "vcl/TerminalUI.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace HostCommands {

namespace {

// The entry points of libedit's readline interface that the prompts use.
struct TLineEditing {
  char* (*ReadLine)(const char* Prompt) = nullptr;
  int (*AddHistory)(const char* Line) = nullptr;
  int (*ReadHistory)(const char* File) = nullptr;
  int (*WriteHistory)(const char* File) = nullptr;
  void (*StifleHistory)(int Count) = nullptr;
  FILE** OutStream = nullptr;
  // What Tab completes a word with: called with the word and 0, 1, 2, ...
  // it returns the matches (malloc'd), then null.
  using TCompletion = char* (*)(const char* Word, int State);
  TCompletion* Completion = nullptr;
  bool Loaded = false;
};

// Loaded on first use and kept for the life of the process; Loaded is false
// when the library or one of its entry points is missing.
const TLineEditing& LineEditing() {
  static const TLineEditing Api = [] {
    TLineEditing A;
    void* Handle = ::dlopen("libedit.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!Handle)
      return A;
    const auto Resolve = [&](auto& Entry, const char* Name) {
      Entry = reinterpret_cast<std::remove_reference_t<decltype(Entry)>>(::dlsym(Handle, Name));
      return Entry != nullptr;
    };
    A.Loaded = Resolve(A.ReadLine, "readline") && Resolve(A.AddHistory, "add_history") &&
               Resolve(A.ReadHistory, "read_history") && Resolve(A.WriteHistory, "write_history") &&
               Resolve(A.StifleHistory, "stifle_history") && Resolve(A.OutStream, "rl_outstream") &&
               Resolve(A.Completion, "rl_completion_entry_function");
    if (!A.Loaded)
      ::dlclose(Handle);
    return A;
  }();
  return Api;
}

// How many lines the history keeps.
constexpr int HistoryLines = 1000;

// The history is a convenience: a folder that cannot be made or a file that
// cannot be written leaves it to this run. What was typed may hold a
// password, so only the user may read it (folder 0700, file 0600).
void SaveHistory(const TLineEditing& Api, const std::string& File) {
  std::string Dir = SysUtils::ExtractFilePath(File);
  Dir.pop_back();
  SysUtils::ForceDirectories(SysUtils::ExtractFilePath(Dir));
  ::mkdir(Dir.c_str(), 0700);
  const int Fd = ::open(File.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (Fd < 0)
    return;
  ::close(Fd);
  Api.WriteHistory(File.c_str());
}

// The terminal user interface whose prompt is being read.
const TerminalUI::TTerminalUI* Completing = nullptr;

// Tab at the prompt: the actions and the names of the form's components that
// start with the word typed, in any case.
char* CompleteWord(const char* Word, int State) {
  static std::vector<std::string> Matches;
  static size_t Next = 0;
  if (State == 0) {
    Matches.clear();
    Next = 0;
    const std::string_view Typed(Word);
    if (Completing)
      for (const std::string& W : Completing->Completions())
        if (W.size() >= Typed.size() && SysUtils::SameText(W.substr(0, Typed.size()), Typed))
          Matches.push_back(W);
  }
  return Next < Matches.size() ? ::strdup(Matches[Next++].c_str()) : nullptr;
}

TerminalUI::TTerminalUI::TLineReader EditedLines(FILE* Out, const TerminalUI::TTerminalUI* UI) {
  const TLineEditing& Api = LineEditing();
  if (!Api.Loaded)
    return {};
  *Api.OutStream = Out;
  Completing = UI;
  Api.StifleHistory(HistoryLines);
  const std::string File = TerminalHistoryFile();
  // A history that is missing or cannot be read starts empty.
  Api.ReadHistory(File.c_str());
  return [&Api, File, Last = std::string()](const std::string& Prompt, std::string& Line) mutable {
    // Tab completes actions and names at a form's prompt, file names at
    // other prompts (libedit's own completion).
    *Api.Completion = Completing && !Completing->Completions().empty() ? CompleteWord : nullptr;
    char* Typed = Api.ReadLine(Prompt.c_str());
    if (!Typed)
      return false;
    Line = Typed;
    std::free(Typed);
    if (!SysUtils::Trim(Line).empty() && Line != Last) {
      Api.AddHistory(Line.c_str());
      Last = Line;
      SaveHistory(Api, File);
    }
    return true;
  };
}

} // namespace

std::string TerminalHistoryFile() {
  std::string State = SysUtils::GetEnvironmentVariable("XDG_STATE_HOME");
  // Relative XDG paths are to be ignored, as the base directory rules say.
  if (State.empty() || State[0] != '/')
    State = IOUtils::HomePath() + "/.local/state";
  return State + "/orvane/terminal-history";
}

std::unique_ptr<TerminalUI::TTerminalUI> MakeTerminalUI(bool Json) {
  auto UI = std::make_unique<TerminalUI::TTerminalUI>(std::cin, FormsOutput(Json));
  FILE* Out = Json ? stderr : stdout;
  if (::isatty(STDIN_FILENO) == 1 && ::isatty(::fileno(Out)) == 1)
    UI->SetLineReader(EditedLines(Out, UI.get()));
  return UI;
}

std::unique_ptr<UIService::IUIService> MakeUI(const std::string& Script, bool Json) {
  if (!Script.empty()) {
    auto Scripted = ScriptedUI::TScriptedUI::FromFile(Script);
    Scripted->SetOutput(&FormsOutput(Json));
    return Scripted;
  }
  // At a terminal a person acts; piped in, the actions are read as typed.
  return MakeTerminalUI(Json);
}

} // namespace HostCommands
