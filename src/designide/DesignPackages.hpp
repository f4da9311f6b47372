// Design packages: shared libraries that the designer host loads, starts,
// lets register, and stops again.
//
// A package exports four C entry points:
//   const TPackageInfoTable* GetPackageInfoTable(); // what the package is
//   void Initialize();  // start-up code of its units (after the packages it requires)
//   void Register();    // its registrations (DesignIntf, TreeIntf)
//   void Finalize();    // shut-down code of its units, in reverse order
// and registers its module (System::RegisterModule) from its library
// constructor, which plays the library entry point. Errors leave the entry
// points as exceptions; the host reports them.
#pragma once

#include "rtl/SysUtils.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace DesignPackages {

OV_EXCEPTION(EPackageError, SysUtils::Exception)

// Package flags.
inline constexpr std::uint32_t pfDesignOnly = 0x1;    // loaded by the designer, never by programs
inline constexpr std::uint32_t pfRunOnly = 0x2;       // used by programs, not installable
inline constexpr std::uint32_t pfExplicitBuild = 0x4; // rebuilt only on explicit request

// The package information a package exports. Plain C layout: it crosses the
// dlsym boundary. Lists end with a null entry.
struct TPackageInfoTable {
  std::uint32_t Size; // sizeof(TPackageInfoTable) of the package's build
  std::uint32_t Flags;
  const char* Name;        // "DclOrvane60"
  const char* Description; // shown by the designer
  const char* const* Requires;
  const char* const* Units; // in start-up order
};

using TGetPackageInfoTableProc = const TPackageInfoTable* (*)();
using TPackageProc = void (*)();

// What a loaded package's information table says, copied out of it.
struct TPackageInfo {
  std::string Name;
  std::string Description;
  std::uint32_t Flags = 0;
  std::vector<std::string> Requires;
  std::vector<std::string> Units;

  bool DesignOnly() const { return Flags & pfDesignOnly; }
  bool RunOnly() const { return Flags & pfRunOnly; }
  bool ExplicitBuild() const { return Flags & pfExplicitBuild; }
  // "design-time only", "run-time only", or "design-time and run-time".
  std::string KindText() const;
};

// A package loaded into the host. Load runs dlopen, finds the entry points,
// runs Initialize and then Register with the calls recorded under the
// package's name; Unload (or the destructor) runs Finalize, removes the
// package's registrations and closes the library. The library's code stays
// mapped until the process ends (class tables refer to it), so its library
// destructor runs then; a package loaded again is started afresh.
class TDesignPackage {
public:
  // Raises EPackageError: with the system loader's text when the file cannot
  // be loaded; naming the file when it is not a package (an entry point is
  // missing or its information table is unusable) or when a package of that
  // name is loaded already; and with the package's message when its start-up
  // or registration fails (the package is then stopped and closed again).
  static std::unique_ptr<TDesignPackage> Load(const std::string& FileName);
  ~TDesignPackage();
  TDesignPackage(const TDesignPackage&) = delete;
  TDesignPackage& operator=(const TDesignPackage&) = delete;

  // Raises EPackageError when the package's shut-down fails; it is unloaded
  // all the same.
  void Unload();
  bool Loaded() const { return FHandle != nullptr; }

  const std::string& FileName() const { return FFileName; }
  const TPackageInfo& Info() const { return FInfo; }
  // An exported symbol of the package, null when it has none.
  void* Symbol(const char* Name) const;

private:
  TDesignPackage() = default;
  void Close();

  std::string FFileName;
  TPackageInfo FInfo;
  void* FHandle = nullptr;
  bool FListed = false; // the name is in the list of loaded packages
  TPackageProc FFinalize = nullptr;
};

// Reads the information table of a package without starting it.
TPackageInfo ReadPackageInfo(const TPackageInfoTable& Table);

// The names of the packages loaded now, in load order.
std::vector<std::string> LoadedPackages();

} // namespace DesignPackages
