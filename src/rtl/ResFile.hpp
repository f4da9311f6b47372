// Module resources: palette bitmaps, the About logo, stored form layouts and the
// version resource, carried inside a shared library the way a Windows module
// carries its resource section.
//
// Where the resources live
// ------------------------
// The resource compiler `ovrc` turns a resource script into a C++ source that
// defines one byte array in the ELF section ".ovrsrc". The linker gathers every
// such array of a module into that one section, so a module file can be asked
// for its resources without loading it (the section headers say where the bytes
// are), and a loaded module can read its own array in memory.
//
// Archive format (all integers little-endian)
// -------------------------------------------
//   offset size
//   0      4    magic "OVRS"
//   4      2    format version, currently 1
//   6      2    reserved, 0
//   8      4    entry count
//   12     4    total size of this archive in bytes, header and padding included
//   16          entries, each starting on a 4-byte boundary:
//                 2  resource type (Windows numbering: RT_BITMAP 2, RT_RCDATA 10,
//                    RT_VERSION 16)
//                 2  name length N in bytes
//                 4  data length D in bytes
//                 N  name (ASCII, no terminating NUL)
//                 D  data
//                 0..3 zero bytes up to the next 4-byte boundary
//   the archive ends with zero bytes up to a multiple of 16 (the total size).
//
// A section may hold several archives one after another (one per resource
// script linked into the module), with zero padding between them; their
// entries are read as one set, and a name may appear only once per type.
// Names compare case-insensitively (ASCII), as resource names do on Windows.
//
// A bitmap resource (RT_BITMAP) is a complete .bmp file, file header included,
// so that it can be written out or handed to an image decoder unchanged.
// RCDATA is the named file's bytes as they are. RT_VERSION holds the version
// block below.
//
// Version block format (all integers little-endian; a string is a 4-byte byte
// count followed by that many UTF-8 bytes, no NUL)
// -------------------------------------------------------------------------
//   4   magic "OVVI"
//   2   format version, currently 1
//   2   reserved, 0
//   4   total size of the block in bytes
//   8   file version, four 2-byte parts (major, minor, release, build)
//   8   product version, four 2-byte parts
//   4   translation count T, then T times: 2 language id, 2 code page
//   4   string table count S, then S times:
//         string  key: language and code page as 8 hex digits, e.g. "040904E4"
//         4       value count V, then V times: string name, string value
//   nothing may follow the last string table.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ResFile {

inline constexpr std::uint16_t RT_BITMAP = 2;
inline constexpr std::uint16_t RT_RCDATA = 10;
inline constexpr std::uint16_t RT_VERSION = 16;

// The ELF section that holds a module's resource archives.
inline constexpr std::string_view ResourceSectionName = ".ovrsrc";

// Raised for every unreadable module, archive or version block; the message
// names the file (or other source) and what is wrong with it.
class EResFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TResource {
  std::uint16_t Type = 0;
  std::string Name;
  std::vector<std::uint8_t> Data;
};

// The resources of one module, in the order they were added or stored.
class TResourceArchive {
public:
  // Raises EResFileError when the name is empty, longer than 65535 bytes,
  // not printable ASCII, or already present for this type.
  void Add(std::uint16_t Type, std::string Name, std::vector<std::uint8_t> Data);
  const TResource* Find(std::uint16_t Type, std::string_view Name) const;
  const std::vector<TResource>& Resources() const { return FResources; }
  bool Empty() const { return FResources.empty(); }

  std::vector<std::uint8_t> Serialize() const;
  // Reads one or more archives laid one after another (the content of a
  // ".ovrsrc" section). Source names the bytes' origin in error messages.
  static TResourceArchive Parse(std::span<const std::uint8_t> Bytes, std::string_view Source);

private:
  std::vector<TResource> FResources;
};

// The resources of a module file, from its ".ovrsrc" section; an empty archive
// when the file is an ELF module without one. Raises EResFileError naming the
// file when it cannot be read, is not a 64-bit little-endian ELF file, is
// truncated, or holds a damaged archive. Results are cached by path,
// modification time and size, so asking again for an unchanged file is cheap.
std::shared_ptr<const TResourceArchive> ReadModuleResources(const std::string& FileName);

// A copy of the named resource's bytes, or nullopt when the module has none.
std::optional<std::vector<std::uint8_t>> FindResource(const std::string& FileName,
                                                      std::uint16_t Type, std::string_view Name);

// Resources a loaded module carries in its own memory: when it is loaded, a
// module registers the archive array its resource script was compiled into
// (OvResources_<script>, see cmake/OvResources.cmake) under its instance (an
// address inside it), and its resources are then read in place instead of
// from its file. A module with several scripts registers each array.
void RegisterModuleResources(const void* Instance, std::span<const std::uint8_t> Archives);
// In a module's entry point: OV_DECLARE_RESOURCES(OvResources_Orvane60)
// declares the array; OV_RESOURCES(OvResources_Orvane60) is its span.
#define OV_DECLARE_RESOURCES(Symbol)                                                               \
  extern "C" {                                                                                     \
  __attribute__((visibility("hidden"))) extern const std::uint8_t Symbol[];                        \
  __attribute__((visibility("hidden"))) extern const std::size_t Symbol##Size;                     \
  }
#define OV_RESOURCES(Symbol) std::span<const std::uint8_t>(Symbol, Symbol##Size)
void UnregisterModuleResources(const void* Instance);

// A copy of the named resource of the module that holds Instance, or nullopt
// when it has none: from the archives the module registered, else from its
// file (GetModuleFileName, FindResource). Raises EResFileError naming the
// module's file when its archives are damaged.
std::optional<std::vector<std::uint8_t>>
FindModuleResource(const void* Instance, std::uint16_t Type, std::string_view Name);

// Absolute path of the executable or shared object that contains the address
// (a function or variable of that module). Raises EResFileError when no
// loaded module contains it.
std::string GetModuleFileName(const void* AddressInModule);

void ClearResourceCache();

// Case-insensitive (ASCII) name comparison used for resource names.
bool SameResourceName(std::string_view A, std::string_view B);

struct TStringTable {
  std::string Key; // language and code page as 8 hex digits, e.g. "040904E4"
  std::vector<std::pair<std::string, std::string>> Values;

  bool operator==(const TStringTable&) const = default;
};

struct TVersionInfo {
  std::array<std::uint16_t, 4> FileVersion{};
  std::array<std::uint16_t, 4> ProductVersion{};
  std::vector<std::pair<std::uint16_t, std::uint16_t>> Translations; // language, code page
  std::vector<TStringTable> StringTables;

  // The value of Name in the string table of the first translation (or the
  // first table when no table matches it); nullopt when that table lacks it.
  std::optional<std::string> GetString(std::string_view Name) const;
  // "6.5.3.0" style texts of the fixed versions.
  std::string FileVersionText() const;
  std::string ProductVersionText() const;

  bool operator==(const TVersionInfo&) const = default;
};

// Raises EResFileError naming Source when the block is malformed.
TVersionInfo ParseVersionInfo(std::span<const std::uint8_t> Bytes,
                              std::string_view Source = "version resource");
// Raises EResFileError when a key is not 8 hex digits, a table key repeats, or
// a name repeats within a table.
std::vector<std::uint8_t> SerializeVersionInfo(const TVersionInfo& Info);

// The version resource of a module file (its first RT_VERSION entry), or
// nullopt when it has none. Raises EResFileError as ReadModuleResources does,
// or when the version block is malformed.
std::optional<TVersionInfo> ReadVersionInfo(const std::string& FileName);

} // namespace ResFile
