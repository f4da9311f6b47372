// The registry of the current user, kept in a text file that a person can read
// and edit, since this platform has no registry of its own.
//
// The file is `$ORVANE_REGISTRY` when that variable is set and not empty, else
// `$XDG_CONFIG_HOME/orvane/registry.ini` (with `~/.config` when
// XDG_CONFIG_HOME is unset or not an absolute path). It is an INI file (see
// IniFiles.hpp for its rules): each key is a section named by its path below
// HKEY_CURRENT_USER, each value an entry of that section, the default
// (unnamed) value under the name "@":
//
//   [Software\Orvane]
//   RootDir=/home/me/orvane-settings
//
// Key paths use "\" between their parts and compare without regard to case. A
// key exists when its section exists or a key below it does.
//
// A registry file that is not INI text (it holds NUL bytes or other control
// characters than tabs and line ends, as a binary file does) reads as an empty
// registry; writing to it raises ERegistryException naming the file, which is
// left as it is. Only HKEY_CURRENT_USER exists; opening a key under another
// root fails as for a missing key.
#pragma once

#include "rtl/Classes.hpp"
#include "rtl/IniFiles.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/System.hpp"

#include <cstdint>
#include <memory>
#include <string>

namespace Registry {

using HKEY = std::uintptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;

OV_EXCEPTION(ERegistryException, SysUtils::Exception)

// The path of the file that holds HKEY_CURRENT_USER, from the environment.
std::string RegistryFileName();

class TRegistry : public System::TObject {
  OV_CLASS(TRegistry, System::TObject)
public:
  TRegistry();
  ~TRegistry() override;

  HKEY GetRootKey() const { return FRootKey; }
  // Closes the current key.
  void SetRootKey(HKEY Value);
  // The path of the open key below the root, "" when none is open.
  const std::string& CurrentPath() const { return FCurrentPath; }
  bool HasCurrentKey() const { return FOpen; }
  // The file this registry reads and writes.
  const std::string& FileName() const { return FFileName; }

  // Opens Key: a path starting with "\" is taken from the root, any other
  // from the open key (or the root). With CanCreate a missing key is created
  // (a write); without, a missing key gives false.
  bool OpenKey(const std::string& Key, bool CanCreate);
  bool OpenKeyReadOnly(const std::string& Key);
  bool KeyExists(const std::string& Key) const;
  void CloseKey();

  // Of the open key. ReadString gives "" for a missing value.
  bool ValueExists(const std::string& Name) const;
  std::string ReadString(const std::string& Name) const;
  // Raises ERegistryException when no key is open, the key was opened read
  // only, or the file cannot be written.
  void WriteString(const std::string& Name, const std::string& Value);
  bool DeleteValue(const std::string& Name);
  // The names of the values of the open key.
  void GetValueNames(Classes::TStrings* Strings) const;

private:
  std::string Resolve(const std::string& Key) const;
  // Whether the key of that normalized path exists; Section receives the
  // name of its section as the file spells it (or the path).
  bool FindKey(const std::string& Path, std::string& Section) const;
  // False when the file is not INI text (then it reads as an empty registry).
  bool IsIniText() const;
  void CheckWritable() const;

  HKEY FRootKey = HKEY_CURRENT_USER;
  std::string FFileName;
  std::unique_ptr<IniFiles::TIniFile> FIni;
  std::string FCurrentPath;
  std::string FSection;
  bool FOpen = false;
  bool FReadOnly = false;
};

} // namespace Registry
