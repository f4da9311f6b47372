// INI files with the semantics of the platform's profile functions, which the
// settings store and the registry file rely on:
//
// - section and key names compare without regard to case (ASCII);
// - blanks around section names, key names and values are trimmed;
// - when a key occurs twice in a section, the first occurrence wins; a
//   section whose header occurs twice is one section;
// - opening reads nothing: every read looks at the file as it is now, so a
//   missing file simply gives the defaults;
// - every write reaches the disk at once and replaces the file atomically (a
//   reader, or a crash, sees the old file or the new one, never a torn one),
//   keeping the rest of the file as it was: comments, blank lines, other
//   sections, their order and their line ends;
// - a malformed or binary file reads as far as makes sense: lines without "="
//   and other junk are skipped, NUL bytes are ordinary characters, a leading
//   UTF-8 byte order mark is ignored. Lines starting with ";" or "#" are
//   comments; lines before the first section header belong to no section;
// - reading a file that exists but cannot be read (no permission, a
//   directory in its place) gives the defaults, as the profile functions do;
//   writing to it raises EIniFileException naming the file and the reason and
//   changes nothing, so nothing that could not be read is ever overwritten.
//
// Values are single lines: a section name, key or value holding a line break,
// a key holding "=" or starting with "[", ";" or "#", and an empty section or
// key name raise EIniFileException without touching the file, since the file
// could not give them back.
#pragma once

#include "rtl/Classes.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/System.hpp"

#include <cstdint>
#include <memory>
#include <string>

namespace IniFiles {

OV_EXCEPTION(EIniFileException, SysUtils::Exception)

class TCustomIniFile : public System::TObject {
  OV_CLASS(TCustomIniFile, System::TObject)
public:
  explicit TCustomIniFile(std::string FileName) : FFileName(std::move(FileName)) {}

  const std::string& FileName() const { return FFileName; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) = 0;
  // Decimal, or hexadecimal written "$1F" or "0x1F", with an optional sign;
  // anything else (or a number outside 32 bits) gives Default.
  virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;
  virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  // An integer, non-zero being true; a value that is no integer gives Default.
  virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;
  // Writes 1 or 0.
  virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);

  // The key names of a section (each once, file order), replacing the list's content.
  virtual void ReadSection(const std::string& Section, Classes::TStrings* Strings) const = 0;
  // The section names of the file (each once, file order, sections without
  // keys included), replacing the list's content.
  virtual void ReadSections(Classes::TStrings* Strings) const = 0;
  // "name=value" lines of a section (each name once with its first value,
  // file order), replacing the list's content.
  virtual void ReadSectionValues(const std::string& Section, Classes::TStrings* Strings) const = 0;
  virtual void EraseSection(const std::string& Section) = 0;
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
  // True when the section holds at least one key.
  bool SectionExists(const std::string& Section) const;
  virtual bool ValueExists(const std::string& Section, const std::string& Ident) const;

private:
  std::string FFileName;
};

class TIniFile : public TCustomIniFile {
  OV_CLASS(TIniFile, TCustomIniFile)
public:
  explicit TIniFile(std::string FileName);
  ~TIniFile() override;

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) const override;
  void WriteString(const std::string& Section, const std::string& Ident,
                   const std::string& Value) override;
  void ReadSection(const std::string& Section, Classes::TStrings* Strings) const override;
  void ReadSections(Classes::TStrings* Strings) const override;
  void ReadSectionValues(const std::string& Section, Classes::TStrings* Strings) const override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  bool ValueExists(const std::string& Section, const std::string& Ident) const override;

  // Writes a section header with no keys when the file has no such section,
  // so that a section can exist empty (the registry's keys without values).
  void CreateSection(const std::string& Section);

  // Gathers the writes made until the matching EndUpdate into one atomic
  // replacement of the file, so that a change of several keys is seen (or
  // lost in a crash) as a whole. Reads in between see the gathered writes.
  // CancelUpdate drops them, leaving the file as it was; a caller that fails
  // half way calls it instead of EndUpdate. Calls nest.
  void BeginUpdate();
  void EndUpdate();
  void CancelUpdate() noexcept; // writes nothing, so a destructor may call it

  class TContent;

private:
  // The parsed file, shared between reads as long as the file is unchanged.
  std::shared_ptr<const TContent> Load() const;
  // The parsed file for a write: raises when the file exists but cannot be read.
  std::shared_ptr<const TContent> LoadForWrite() const;
  void Save(const TContent& Content);
  void Store(const TContent& Content);

  mutable std::shared_ptr<const TContent> FCache;
  std::shared_ptr<const TContent> FPending; // gathered writes while updating
  int FUpdateCount = 0;
  bool FCancelled = false;
};

} // namespace IniFiles
