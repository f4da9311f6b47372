#include "host/GuiCommands.hpp"

#include "host/CommandOutput.hpp"
#include "host/qt/QtHost.hpp"
#include "rtl/SysUtils.hpp"

#include <CLI/CLI.hpp>
#include <dlfcn.h>
#include <iostream>
#include <ostream>

namespace HostCommands {

namespace {

using SysUtils::Format;

std::string GuiLibraryFile() {
  if (std::string Env = SysUtils::GetEnvironmentVariable("ORVANE_GUI_LIBRARY"); !Env.empty())
    return Env;
  return NormalPath(ExecutableDir() + "../lib/" + OV_GUI_LIBRARY_NAME);
}

std::string LoaderError() {
  const char* Text = ::dlerror();
  return Text ? Text : "unknown reason";
}

// The Qt side, loaded on first use. It stays loaded for the life of the
// process: Qt cannot be unloaded and loaded again.
const QtHost::TEntryPoints& GuiLibrary() {
  static const QtHost::TEntryPoints* Loaded = nullptr;
  if (Loaded)
    return *Loaded;
  const std::string File = GuiLibraryFile();
  ::dlerror();
  void* Handle = ::dlopen(File.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!Handle)
    throw SysUtils::Exception(
        Format("Cannot load the designer window's library %s: %s (the commands that show no "
               "window work without it)",
               File, LoaderError()));
  using TGet = const QtHost::TEntryPoints* (*)();
  const auto Get = reinterpret_cast<TGet>(::dlsym(Handle, QtHost::EntryPointsSymbol));
  const QtHost::TEntryPoints* EntryPoints = Get ? Get() : nullptr;
  if (!EntryPoints || EntryPoints->Version != QtHost::EntryPointsVersion) {
    ::dlclose(Handle);
    throw SysUtils::Exception(
        Format("%s is not the designer window's library of this ovdesigner (%s)", File,
               EntryPoints ? "built for another version" : "it lacks its entry points"));
  }
  Loaded = EntryPoints;
  return *Loaded;
}

// Loads the package and runs the designer window on FileName (empty: a new
// data module) until it is closed.
void Gui(THost& Host, const std::string& FileName) {
  // Asked before Qt is loaded: without a display there is nothing to load
  // it for.
  if (!QtHost::DisplayAvailable())
    throw SysUtils::Exception(
        "There is no display to show the designer on (set DISPLAY or WAYLAND_DISPLAY); the "
        "command line commands work without one");
  const QtHost::TEntryPoints& Qt = GuiLibrary();
  QtHost::TDesignerRun Run;
  Run.PackageFile = Host.Package().FileName();
  Run.FileName = FileName;
  Qt.RunDesigner(Run);
}

// Loads the package and renders the designer window with FileName open, or
// one of the package's dialogs on it (Dialog: updatesql, about, database,
// sql), into the PNG file OutFile, on Qt's offscreen platform.
void Screenshot(THost& Host, const std::string& FileName, const std::string& Dialog,
                const std::string& OutFile, std::ostream& Out) {
  const QtHost::TEntryPoints& Qt = GuiLibrary();
  QtHost::TScreenshot Shot;
  Shot.PackageFile = Host.Package().FileName();
  Shot.FileName = FileName;
  Shot.Dialog = Dialog;
  Shot.OutFile = OutFile;
  Qt.Screenshot(Shot);
  if (Host.Options().Json) {
    PrintJson(Out, {{"file", FileName},
                    {"dialog", Dialog.empty() ? "designer" : Dialog},
                    {"picture", OutFile}});
    return;
  }
  Out << "Wrote " << OutFile << '\n';
}

} // namespace

void AddGuiCommands(CLI::App& App, THost& Host) {
  struct TArgs {
    std::string File, OutFile, Dialog;
  };
  const auto A = std::make_shared<TArgs>();
  if (Host.Builds("gui")) {
    auto* GuiCommand =
        App.add_subcommand("gui", "The designer window on a design file (or a new data module)");
    GuiCommand->add_option("FILE", A->File, "The design file (.dfm)");
    GuiCommand->callback([&Host, A] { Gui(Host, A->File); });
  }

  if (Host.Builds("screenshot")) {
    auto* ScreenshotCommand = App.add_subcommand(
        "screenshot", "Render the designer window or a dialog into a PNG file (offscreen)");
    ScreenshotCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    ScreenshotCommand->add_option("OUT", A->OutFile, "The PNG file to write")->required();
    ScreenshotCommand
        ->add_option("--dialog", A->Dialog,
                     "updatesql, about, database or sql (default: the designer window)")
        ->check(CLI::IsMember({"updatesql", "about", "database", "sql"}));
    ScreenshotCommand->callback(
        [&Host, A] { Screenshot(Host, A->File, A->Dialog, A->OutFile, std::cout); });
  }
}

} // namespace HostCommands
