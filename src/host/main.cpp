// ovdesigner: the designer host's command line. It loads the design package
// as a designer would (start-up, registration, and shut-down on exit) and
// works on design files.
//
// Exit codes: 0 done, 1 an error (one line on stderr), 2 bad usage, 130
// interrupted by Ctrl-C.
#include "host/EditorCommands.hpp"
#ifdef OV_HAVE_GUI
#include "host/GuiCommands.hpp"
#endif
#include "host/HistoryCommands.hpp"
#include "host/HostCommands.hpp"
#include "host/InspectorCommands.hpp"
#include "host/UpdateSQLCommands.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <malloc.h>
#include <memory>
#include <string>

namespace {

// One line of a readable length, whatever the message holds; the messages
// cut what they quote already, this is the last guard.
std::string OneLine(std::string Text) {
  for (char& C : Text)
    if (C == '\n' || C == '\r')
      C = ' ';
  constexpr size_t MaxBytes = 2000;
  return Text.size() > MaxBytes ? StrUtils::Excerpt(Text, MaxBytes) : Text;
}

int Fail(const std::string& Message) {
  std::cout.flush();
  std::cerr << "ovdesigner: " << OneLine(Message) << '\n';
  return 1;
}

// The command line: the global options and the commands Host builds.
std::unique_ptr<CLI::App> MakeCommandLine(HostCommands::THost& Host) {
  auto App = std::make_unique<CLI::App>(
      "The Orvane designer host: loads the design package and works on design files", "ovdesigner");
  App->require_subcommand(1);
  App->fallthrough();
  HostCommands::AddHostCommands(*App, Host);
  HostCommands::AddInspectorCommands(*App, Host);
  HostCommands::AddEditorCommands(*App, Host);
  HostCommands::AddHistoryCommands(*App, Host);
#ifdef OV_HAVE_GUI
  HostCommands::AddGuiCommands(*App, Host);
#endif
  HostCommands::AddUpdateSQLCommands(*App, Host);
  return App;
}

} // namespace

int main(int argc, char** argv) {
  // A design file of thousands of components is read into a heap of tens of
  // MiB and much of it is freed again on the way (the parsed text, buffers
  // that grow): the heap grows in steps of 16 MiB and keeps up to 64 MiB
  // freed at its top for what comes next, instead of asking the system for
  // memory 128 KiB at a time and giving it back, to fault it in again, with
  // each large free. Untouched room costs no memory.
  mallopt(M_TOP_PAD, 16 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  // Ctrl-C cancels the statement a server runs and ends the command
  // cleanly (nothing half-written); a second one ends it at once.
  SysUtils::InstallInterruptHandler();

  // The session the commands run in. It outlives their handlers: an
  // exception raised by the package's code must be done with before the
  // package is unloaded. The commands run from their callbacks once the
  // whole command line has parsed.
  HostCommands::THost Host;
  // A run that names its command first is given a command line of that
  // command alone; help, options first or a name that is no command's get
  // every command, for the help and the error to list them.
  if (argc > 1 && argv[1][0] != '-')
    Host.BuildOnly(argv[1]);
  std::unique_ptr<CLI::App> CommandLine = MakeCommandLine(Host);
  if (!Host.BuiltAny()) {
    Host.BuildOnly({});
    CommandLine = MakeCommandLine(Host);
  }
  CLI::App& App = *CommandLine;

  std::string Error;
  try {
    App.parse(argc, argv);
  } catch (const CLI::CallForHelp& E) {
    return App.exit(E);
  } catch (const CLI::CallForAllHelp& E) {
    return App.exit(E);
  } catch (const CLI::ParseError& E) {
    std::cerr << "ovdesigner: " << OneLine(E.what()) << " (see ovdesigner --help)\n";
    return 2;
  } catch (const std::exception& E) {
    Error = E.what();
  }
  try {
    Host.UnloadPackage();
  } catch (const std::exception& E) {
    if (Error.empty())
      Error = E.what();
  }
  if (SysUtils::Interrupted()) {
    std::cout.flush();
    std::cerr << "ovdesigner: interrupted (Ctrl-C)"
              << (Error.empty() ? std::string() : ": " + OneLine(Error)) << '\n';
    return 130;
  }
  if (!Error.empty())
    return Fail(Error);
  std::cout.flush();
  return std::cout ? 0 : Fail("cannot write the output");
}
