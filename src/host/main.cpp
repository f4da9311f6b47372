// ovdesigner: the designer host's command line. It loads the design package
// as a designer would (start-up, registration, and shut-down on exit) and
// works on design files.
//
// Exit codes: 0 done, 1 an error (one line on stderr), 2 bad usage.
#include "host/HostCommands.hpp"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

// One line, whatever the message holds.
std::string OneLine(std::string Text) {
  for (char& C : Text)
    if (C == '\n' || C == '\r')
      C = ' ';
  return Text;
}

int Fail(const std::string& Message) {
  std::cout.flush();
  std::cerr << "ovdesigner: " << OneLine(Message) << '\n';
  return 1;
}

} // namespace

int main(int argc, char** argv) {
  CLI::App App{"The Orvane designer host: loads the design package and works on design files",
               "ovdesigner"};
  App.require_subcommand(1);
  App.fallthrough();

  HostCommands::TOptions Options;
  App.add_option("--package", Options.PackagePath,
                 "The design package to load (default: $ORVANE_PACKAGE, else "
                 "../lib/libdclorvane60.so next to this program)");
  App.add_flag("--json", Options.Json, "Machine-readable output");

  auto* PackageInfo =
      App.add_subcommand("package-info", "The package's description, kind, units and version");
  auto* Palette = App.add_subcommand("palette", "The palette pages with their components");
  auto* Registrations =
      App.add_subcommand("registrations", "Every registration the package made, in call order");
  auto* Settings =
      App.add_subcommand("settings", "Where the design settings live and their values");

  std::string File, OutFile;
  auto* Open = App.add_subcommand("open", "Load a design file and list its components");
  Open->add_option("FILE", File, "The design file (.dfm)")->required();
  auto* Save = App.add_subcommand("save", "Load a design file and write it back");
  Save->add_option("FILE", File, "The design file (.dfm)")->required();
  Save->add_option("OUT", OutFile, "Where to write it (default: FILE itself)");

  bool Check = false;
  auto* Dfm = App.add_subcommand("dfm", "Parse any text form file and print it in canonical form");
  Dfm->add_option("FILE", File, "The form file")->required();
  Dfm->add_flag("--check", Check, "Only report whether the file parses");

  const std::string Share =
      HostCommands::NormalPath(HostCommands::ExecutableDir() + "../share/orvane/");
  std::string DemoForm = Share + "demo.dfm", DemoDatabase = Share + "demo.db";
  auto* Demo = App.add_subcommand(
      "demo", "Load the package, show it, and open the demo data module on the demo database");
  Demo->add_option("--form", DemoForm, "The demo design file")->capture_default_str();
  Demo->add_option("--database", DemoDatabase, "The demo SQLite database")->capture_default_str();

  try {
    App.parse(argc, argv);
  } catch (const CLI::CallForHelp& E) {
    return App.exit(E);
  } catch (const CLI::CallForAllHelp& E) {
    return App.exit(E);
  } catch (const CLI::ParseError& E) {
    std::cerr << "ovdesigner: " << OneLine(E.what()) << " (see ovdesigner --help)\n";
    return 2;
  }

  // The host outlives the handlers below: an exception raised by the
  // package's code must be done with before the package is unloaded.
  HostCommands::THost Host(Options);
  std::string Error;
  try {
    if (PackageInfo->parsed())
      HostCommands::PackageInfo(Host, std::cout);
    else if (Palette->parsed())
      HostCommands::Palette(Host, std::cout);
    else if (Registrations->parsed())
      HostCommands::Registrations(Host, std::cout);
    else if (Settings->parsed())
      HostCommands::Settings(Host, std::cout);
    else if (Open->parsed())
      HostCommands::Open(Host, File, std::cout);
    else if (Save->parsed())
      HostCommands::Save(Host, File, OutFile, std::cout);
    else if (Dfm->parsed())
      HostCommands::Dfm(Host, File, Check, std::cout);
    else if (Demo->parsed())
      HostCommands::Demo(Host, DemoForm, DemoDatabase, std::cout);
  } catch (const std::exception& E) {
    Error = E.what();
  }
  try {
    Host.UnloadPackage();
  } catch (const std::exception& E) {
    if (Error.empty())
      Error = E.what();
  }
  if (!Error.empty())
    return Fail(Error);
  std::cout.flush();
  return std::cout ? 0 : Fail("cannot write the output");
}
