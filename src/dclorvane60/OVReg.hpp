// Unit OVReg of the design package: the registration routine, the unit's
// start-up and shut-down, and the design settings store.
//
// The settings store keeps what outlives a designer session: the default
// connection parameters and server type, the recently used remote databases,
// and the switch of the SQL property editor. Where they live:
//
// - the registry (HKEY_CURRENT_USER, key "Software\Orvane", string value
//   "RootDir", read only) names the settings directory; a missing key or
//   value, or a RootDir that names no existing directory (a missing one, or a
//   file), gives the current directory ".";
// - the file "orvane.ini" in that directory holds everything else, in the
//   sections "TOVDatabase" (ServerType), "TOVDatabase_Params" (the default
//   parameters), "RecentDatabases" (Item00, Item01, ... and MaxCount) and
//   "SQLEditor" (Enabled).
//
// The directory is settled when the object is created; each setting is read
// from the file on first use and cached; writes reach the file at once.
#pragma once

#include "orvane60/OVEngine.hpp"
#include "rtl/Classes.hpp"
#include "rtl/IniFiles.hpp"
#include "rtl/System.hpp"

#include <cstdint>
#include <memory>
#include <string>

namespace OVReg {

class TDesignSettings : public System::TObject {
  OV_CLASS(TDesignSettings, System::TObject)
  TDesignSettings();
  ~TDesignSettings() override;
  TDesignSettings(const TDesignSettings&) = delete;
  TDesignSettings& operator=(const TDesignSettings&) = delete;

  // The settings directory; only the first call reads the registry.
  std::string ReadRootDir();

  // The default connection parameters, name=value lines, read on first use
  // (an empty list is read again on every call). The object's own list:
  // callers copy it or hand it on, never free it.
  Classes::TStrings* DefaultParams();
  void ReadDefaultParams();
  // Replaces the section of default parameters by the lines of Strings (a
  // name given twice keeps its first value; a line without a name is not
  // stored) and caches the lines as given. Raises, changing neither the file
  // nor the cache, when the file cannot be written or a name cannot be
  // stored in it.
  void WriteDefaultParams(Classes::TStrings* Strings);

  // Whether the SQL property editor is wanted; read from the file at most
  // once per object.
  bool SQLEditorEnabled();

  // The recently used remote databases, most recent first, read on first use.
  // The object's own list: never freed by callers.
  Classes::TStrings* RecentDatabaseList();
  // Puts Name first in the recent list (moving it there, in its stored
  // spelling, when it is in the list already in any letter case). Names that
  // are empty, blank or hold a line break are ignored: the file could not
  // give them back, and an empty item would hide the ones after it.
  void AddRecentDatabase(const std::string& Name);
  void ReadRecentDatabases();
  // Rewrites the recent section from the list, unless the list is empty.
  // Failures are swallowed: this runs while the package unloads.
  void WriteRecentDatabases();

  // The saved default server type, or the runtime's current one.
  OVEngine::TOVServerType ReadDefaultServerType();
  // Saves Value and makes it the runtime's default; when saving fails the
  // runtime's default stays as it was.
  void WriteDefaultServerType(OVEngine::TOVServerType Value);

  // Where the settings live, and how many recent names are read (0 while the
  // list has not been read).
  const std::string& GetRootDir() const { return FRootDir; }
  std::string GetIniFileName() const;
  int32_t GetMaxRecentCount() const { return FMaxRecentCount; }

  // Published for the host, which reads the store through its properties:
  // reading one reads the setting on first use, as the operations do.
  bool GetSQLEditorEnabled() const;
  std::string GetDefaultServerTypeName() const;
  Classes::TStrings* GetDefaultParams() const;
  Classes::TStrings* GetRecentDatabases() const;

private:
  std::string FRootDir;
  std::unique_ptr<IniFiles::TIniFile> FIniFile;
  std::unique_ptr<Classes::TStringList> FRecentDatabases;
  int32_t FMaxRecentCount = 0;
  std::unique_ptr<Classes::TStringList> FDefaultParams;
  int32_t FSQLEditorState = 2; // 0 disabled, 1 enabled, 2 not read yet
};

// The one settings object, from the unit's start-up to its shut-down; null
// outside that time. Other units use it and never free it.
extern TDesignSettings* DesignSettings;

// Unit start-up and shut-down, run by the package's Initialize and Finalize.
// A guard counter makes only the first start-up and the matching last
// shut-down do their work: start-up creates DesignSettings and gives the
// runtime the saved default server type; shut-down writes the recent list and
// frees the settings. A start-up that fails leaves the counter as it found it.
void InitializeUnit();
void FinalizeUnit();
// The guard counter: 0 when the unit is not started, negative while it is.
int32_t InitGuardCount();

// The registrations of the package, in the designer's order.
void Register();

// The palette page of the package's components.
inline constexpr const char* PalettePage = "Orvane";

} // namespace OVReg
