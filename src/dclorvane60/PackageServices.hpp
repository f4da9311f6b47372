// The services the design package offers its host beyond the four entry
// points every package has: one table, exported under a C name beside
// GetPackageInfoTable, that the host looks up once and checks before it calls
// anything in it. A new service is a new member at the end of the table (the
// size tells an older host's table from a newer one) and a line in
// DclOrvane60.cpp that fills it; a change to an existing member's meaning
// raises ServicesVersion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace OVEngine {
class TOVUpdateSQL;
}

namespace DclOrvane60 {

// The package's design settings, as the host shows them.
struct TSettingsView {
  std::string RootDir;     // the settings directory
  std::string IniFileName; // the settings file in it
  bool SQLEditorEnabled = false;
  std::string DefaultServerType; // the enumeration's name, "stSQLite"
  std::vector<std::string> DefaultParams;
  std::vector<std::string> RecentDatabases;
  int MaxRecentCount = 0; // how many recent names are read
};

inline constexpr std::uint32_t ServicesVersion = 1;

struct TPackageServices {
  std::uint32_t Size;    // sizeof(TPackageServices) of the package's build
  std::uint32_t Version; // ServicesVersion of the package's build
  // The UpdateSQL editor on an update object: true when the person confirmed.
  bool (*EditUpdateSQL)(OVEngine::TOVUpdateSQL* AUpdateSQL);
  // Shows the package's About box modally.
  void (*ShowAboutBox)();
  // Fills Settings from the package's settings store; false while the
  // package is not started (it has no store then).
  bool (*ReadSettings)(TSettingsView& Settings);
};

using TGetPackageServicesProc = const TPackageServices* (*)();
inline constexpr const char* GetPackageServicesName = "GetPackageServices";

} // namespace DclOrvane60
