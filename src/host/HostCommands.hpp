// The designer host's session, its global options, and the commands on the
// package and on whole design files. Each command writes its result to
// standard output, as text for a person or, with --json, as one JSON
// document; failures are raised as exceptions, which main reports.
#pragma once

#include "dclorvane60/PackageServices.hpp"
#include "designide/DesignPackages.hpp"

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace HostCommands {

struct TOptions {
  std::string PackagePath; // --package; empty: $ORVANE_PACKAGE, else next to the executable
  bool Json = false;
  bool Trust = false; // --trust: every design file may connect, run SQL and write
};

// The design package file: --package, else $ORVANE_PACKAGE, else
// <folder of the executable>/../lib/libdclorvane60.so.
std::string FindPackageFile(const std::string& PackageOption);
// The folder the running executable lies in, with a trailing "/".
std::string ExecutableDir();
// Path with "." and ".." parts resolved as text.
std::string NormalPath(const std::string& Path);

// The host's session: the design package, loaded on first use and unloaded
// (shut down, its registrations removed) when the session ends.
class THost {
public:
  explicit THost(TOptions Options = {});
  ~THost();
  THost(const THost&) = delete;
  THost& operator=(const THost&) = delete;

  const TOptions& Options() const { return FOptions; }
  // Filled in by the command line while it is parsed.
  TOptions& Options() { return FOptions; }
  DesignPackages::TDesignPackage& Package();
  // The package's services table (loading the package first), looked up
  // once. Raises EPackageError naming the package file when it has none, or
  // one of an older build (smaller) or of another version.
  const DclOrvane60::TPackageServices& Services();
  // Unloads the package now, reporting a failed shut-down.
  void UnloadPackage();

  // The command line is built with every subcommand, or with only the one a
  // run names (BuildOnly): making some thirty subcommands with their options
  // costs a command more than many do of their own work. Builds(Name): whether
  // the subcommand Name is to be added; BuiltAny: whether Builds said yes
  // since BuildOnly.
  void BuildOnly(std::string Name) {
    FOnly = std::move(Name);
    FBuiltAny = false;
  }
  bool Builds(std::string_view Name) {
    const bool Yes = FOnly.empty() || FOnly == Name;
    FBuiltAny = FBuiltAny || Yes;
    return Yes;
  }
  bool BuiltAny() const { return FBuiltAny; }

private:
  TOptions FOptions;
  std::string FOnly;
  bool FBuiltAny = false;
  std::unique_ptr<DesignPackages::TDesignPackage> FPackage;
  const DclOrvane60::TPackageServices* FServices = nullptr;
};

// The global options (--package, --json, --timeout, --trust) and the
// commands package-info, palette, registrations, settings, trust, open, save,
// dfm and demo.
void AddHostCommands(CLI::App& App, THost& Host);

} // namespace HostCommands
