// The commands of the designer host's command line. Each writes its result to
// Out, as text for a person or, with Json set, as one JSON document; failures
// are raised as exceptions, which main reports.
#pragma once

#include "dclorvane60/PackageServices.hpp"
#include "designide/DesignPackages.hpp"

#include <iosfwd>
#include <memory>
#include <string>

namespace HostCommands {

struct TOptions {
  std::string PackagePath; // --package; empty: $ORVANE_PACKAGE, else next to the executable
  bool Json = false;
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
  explicit THost(TOptions Options);
  ~THost();
  THost(const THost&) = delete;
  THost& operator=(const THost&) = delete;

  const TOptions& Options() const { return FOptions; }
  DesignPackages::TDesignPackage& Package();
  // The package's services table (loading the package first), looked up
  // once. Raises EPackageError naming the package file when it has none, or
  // one of an older build (smaller) or of another version.
  const DclOrvane60::TPackageServices& Services();
  // Unloads the package now, reporting a failed shut-down.
  void UnloadPackage();

private:
  TOptions FOptions;
  std::unique_ptr<DesignPackages::TDesignPackage> FPackage;
  const DclOrvane60::TPackageServices* FServices = nullptr;
};

void PackageInfo(THost& Host, std::ostream& Out);
void Palette(THost& Host, std::ostream& Out);
void Registrations(THost& Host, std::ostream& Out);
void Settings(THost& Host, std::ostream& Out);
void Open(THost& Host, const std::string& FileName, std::ostream& Out);
void Save(THost& Host, const std::string& FileName, const std::string& OutFile, std::ostream& Out);
// Parses any text form file, whatever classes it names, and prints it back in
// canonical form; with Check only says that it parses.
void Dfm(THost& Host, const std::string& FileName, bool Check, std::ostream& Out);
void Demo(THost& Host, const std::string& FormFile, const std::string& DatabaseFile,
          std::ostream& Out);

} // namespace HostCommands
