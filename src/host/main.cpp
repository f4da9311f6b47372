// ovdesigner: the designer host's command line. It loads the design package
// as a designer would (start-up, registration, and shut-down on exit) and
// works on design files.
//
// Exit codes: 0 done, 1 an error (one line on stderr), 2 bad usage.
#include "host/EditorCommands.hpp"
#ifdef OV_HAVE_GUI
#include "host/GuiCommands.hpp"
#endif
#include "host/HostCommands.hpp"
#include "host/InspectorCommands.hpp"
#include "host/UpdateSQLCommands.hpp"
#include "rtl/StrUtils.hpp"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
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

  // The Object Inspector and the object tree view.
  std::vector<std::string> Selection;
  std::string Component, Property, Value, Node, Target, ClassName;
  HostCommands::TEditOptions EditOptions;
  auto* Inspect = App.add_subcommand(
      "inspect", "What the Object Inspector shows for one component or a multiple selection");
  Inspect->add_option("FILE", File, "The design file (.dfm)")->required();
  Inspect->add_option("COMPONENT", Selection, "The selected components")->required();
  auto* Values = App.add_subcommand("values", "The drop-down list of a property");
  Values->add_option("FILE", File, "The design file (.dfm)")->required();
  Values->add_option("COMPONENT", Component, "The component")->required();
  Values->add_option("PROPERTY", Property, "The property (Font.Name for a sub-property)")
      ->required();
  auto* Set = App.add_subcommand(
      "set", "Set a property through its property editor; the file is saved when it changed");
  Set->add_option("FILE", File, "The design file (.dfm)")->required();
  Set->add_option("COMPONENT", Component, "The component")->required();
  Set->add_option("PROPERTY", Property, "The property (Font.Name for a sub-property)")->required();
  Set->add_option("VALUE", Value, "The value as the Object Inspector takes it")->required();
  auto* EditProperty = App.add_subcommand(
      "edit-property",
      "Press the ellipsis button of a property; the file is saved when it changed");
  EditProperty->add_option("FILE", File, "The design file (.dfm)")->required();
  EditProperty->add_option("COMPONENT", Component, "The component")->required();
  EditProperty->add_option("PROPERTY", Property, "The property")->required();
  EditProperty->add_flag("--alt", EditOptions.Alt, "Hold the Alt key down while pressing it");
  EditProperty->add_option("--ui-script", EditOptions.UIScript,
                           "Act on the dialogs as this script says (default: at the terminal)");
  auto* TreeCommand =
      App.add_subcommand("tree", "The object tree: captions, kinds, problems and children");
  TreeCommand->add_option("FILE", File, "The design file (.dfm)")->required();
  auto* Drop = App.add_subcommand(
      "drop", "Drag a node of the object tree onto another; the file is saved when it changed");
  Drop->add_option("FILE", File, "The design file (.dfm)")->required();
  Drop->add_option("NODE", Node, "The node dragged (a component's name or a node's name)")
      ->required();
  Drop->add_option("TARGET", Target, "The node it is dropped onto")->required();
  auto* Place = App.add_subcommand(
      "place", "Place a new component from the palette onto a node of the object tree");
  Place->add_option("FILE", File, "The design file (.dfm)")->required();
  Place->add_option("CLASS", ClassName, "The component class (TOVQuery)")->required();
  Place->add_option("TARGET", Target, "The node it goes under")->required();

  // The component editors and the About box.
  int VerbIndex = 0;
  std::string UIScript;
  auto* VerbsCommand = App.add_subcommand("verbs", "The context-menu verbs of a component");
  VerbsCommand->add_option("FILE", File, "The design file (.dfm)")->required();
  VerbsCommand->add_option("COMPONENT", Component, "The component")->required();
  auto* VerbCommand = App.add_subcommand(
      "verb", "Execute a context-menu verb of a component; the file is saved when it changed");
  VerbCommand->add_option("FILE", File, "The design file (.dfm)")->required();
  VerbCommand->add_option("COMPONENT", Component, "The component")->required();
  VerbCommand->add_option("INDEX", VerbIndex, "The verb's index, as verbs lists it")->required();
  VerbCommand->add_option("--ui-script", UIScript,
                          "Act on the dialogs as this script says (default: at the terminal)");
  auto* EditCommand =
      App.add_subcommand("edit", "Double-click a component; the file is saved when it changed");
  EditCommand->add_option("FILE", File, "The design file (.dfm)")->required();
  EditCommand->add_option("COMPONENT", Component, "The component")->required();
  EditCommand->add_option("--ui-script", UIScript,
                          "Act on the dialogs as this script says (default: at the terminal)");
  auto* AboutCommand = App.add_subcommand("about", "The package's About box");
  AboutCommand->add_option("--ui-script", UIScript,
                           "Act on the box as this script says (default: at the terminal; "
                           "with no terminal to read from it is closed at once)");

#ifdef OV_HAVE_GUI
  auto* GuiCommand =
      App.add_subcommand("gui", "The designer window on a design file (or a new data module)");
  GuiCommand->add_option("FILE", File, "The design file (.dfm)");
  std::string Dialog;
  auto* ScreenshotCommand = App.add_subcommand(
      "screenshot", "Render the designer window or a dialog into a PNG file (offscreen)");
  ScreenshotCommand->add_option("FILE", File, "The design file (.dfm)")->required();
  ScreenshotCommand->add_option("OUT", OutFile, "The PNG file to write")->required();
  ScreenshotCommand
      ->add_option("--dialog", Dialog,
                   "updatesql, about, database or sql (default: the designer window)")
      ->check(CLI::IsMember({"updatesql", "about", "database", "sql"}));
#endif

  HostCommands::TUpdateSQLCommandLine UpdateSQLCommands(App);

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
    else if (Inspect->parsed())
      HostCommands::Inspect(Host, File, Selection, std::cout);
    else if (Values->parsed())
      HostCommands::Values(Host, File, Component, Property, std::cout);
    else if (Set->parsed())
      HostCommands::SetProperty(Host, File, Component, Property, Value, std::cout);
    else if (EditProperty->parsed())
      HostCommands::EditProperty(Host, File, Component, Property, EditOptions, std::cout);
    else if (TreeCommand->parsed())
      HostCommands::Tree(Host, File, std::cout);
    else if (Drop->parsed())
      HostCommands::Drop(Host, File, Node, Target, std::cout);
    else if (Place->parsed())
      HostCommands::Place(Host, File, ClassName, Target, std::cout);
    else if (VerbsCommand->parsed())
      HostCommands::Verbs(Host, File, Component, std::cout);
    else if (VerbCommand->parsed())
      HostCommands::Verb(Host, File, Component, VerbIndex, UIScript, std::cout);
    else if (EditCommand->parsed())
      HostCommands::EditComponent(Host, File, Component, UIScript, std::cout);
    else if (AboutCommand->parsed())
      HostCommands::About(Host, UIScript, std::cout);
#ifdef OV_HAVE_GUI
    else if (GuiCommand->parsed())
      HostCommands::Gui(Host, File);
    else if (ScreenshotCommand->parsed())
      HostCommands::Screenshot(Host, File, Dialog, OutFile, std::cout);
#endif
    else
      UpdateSQLCommands.Run(Host, std::cout);
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
