// The host's way into its Qt side, without Qt in sight: the designer window
// run as a program, and pictures of it and of the package's dialogs. The Qt
// side is a library of its own (libovdesignerqt.so) that the host loads with
// dlopen and enters through OVQtHostEntryPoints, so that the commands that
// show no window never map Qt.
#pragma once

#include "rtl/Export.hpp"

#include <cstdlib>
#include <string>

namespace QtHost {

// Whether a window system is there to show windows on: DISPLAY or
// WAYLAND_DISPLAY is set, or QT_QPA_PLATFORM names a platform. Asked before
// Qt is loaded.
inline bool DisplayAvailable() {
  for (const char* Name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* Value = std::getenv(Name); Value && *Value)
      return true;
  return false;
}

struct TDesignerRun {
  // The design package's file, whose bitmaps the palette shows (the host
  // has loaded the package).
  std::string PackageFile;
  // The design file to open; empty: a new data module.
  std::string FileName;
};

// Runs the designer window until it is closed. Raises SysUtils::Exception
// when there is no display to show it on.
void RunDesigner(const TDesignerRun& Options);

struct TScreenshot {
  std::string PackageFile;
  std::string FileName; // the design file
  // "" for the designer window; "updatesql" (the file's first update
  // object's UpdateSQL editor), "about" (the About box), "database" (the
  // first database's connection dialog) or "sql" (the first query's SQL
  // dialog).
  std::string Dialog;
  std::string OutFile; // a PNG file, written whole or not at all
  int Width = 1100;    // of the designer window
  int Height = 700;
};

// The dialog names Screenshot knows.
inline constexpr const char* ScreenshotDialogs[] = {"updatesql", "about", "database", "sql"};

// Renders the window or dialog on Qt's offscreen platform into a PNG file.
// Raises SysUtils::Exception naming what went wrong: a design file that does
// not load, a dialog name it does not know, a design without the component
// the dialog needs, a dialog that did not open or reported an error, a file
// that cannot be written.
void Screenshot(const TScreenshot& Options);

// The library's functions, as a host that loaded it with dlopen finds them:
// OVQtHostEntryPoints returns them, and Version tells a library built for
// another host apart.
struct TEntryPoints {
  int Version;
  void (*RunDesigner)(const TDesignerRun& Options);
  void (*Screenshot)(const TScreenshot& Options);
};
inline constexpr int EntryPointsVersion = 1;
inline constexpr const char* EntryPointsSymbol = "OVQtHostEntryPoints";

} // namespace QtHost

extern "C" OV_EXPORT const QtHost::TEntryPoints* OVQtHostEntryPoints();
