// OVCommon: the SQL monitor and helpers shared by the runtime package and the
// design package: identifier quoting, object names, module file names and
// version information.
#pragma once

#include "rtl/Classes.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace OVCommon {

// Writes every statement the runtime package runs to its file, one line per
// statement: the time ("yyyy-mm-dd hh:nn:ss.zzz"), a blank, then the
// statement with its line breaks and runs of blanks folded into single
// blanks. Lines are appended and flushed as they are written. While a design
// file is read, Active is kept and applied in Loaded.
class TOVMonitor : public Classes::TComponent {
  OV_CLASS(TOVMonitor, Classes::TComponent)
public:
  explicit TOVMonitor(Classes::TComponent* AOwner);
  ~TOVMonitor() override;

  bool GetActive() const { return FActive; }
  // What the Active property shows and a design file stores: also true
  // while an untrusted file's stored Active is held (no file is written).
  bool GetActiveProperty() const { return FActive || FHeldActive; }
  // Activating opens the file for appending; EInOutError naming the file
  // when there is none or it cannot be written, and Active stays false.
  void SetActive(bool Value);
  const std::string& GetFileName() const { return FFileName; }
  // Changing the file of an active monitor moves the log to the new file.
  void SetFileName(const std::string& Value);
  void Loaded() override;

  void Write(std::string_view SQL);

private:
  void OpenFile();
  void CloseFile();
  bool FActive = false;
  bool FStreamedActive = false;
  bool FHeldActive = false;
  std::string FFileName;
  struct TFile;
  TFile* FFile = nullptr;
};

// Hands a statement to every active monitor.
void MonitorSQL(std::string_view SQL);
bool AnyMonitorActive();

// The identifier quote character of both servers.
inline constexpr char IdentQuote = '"';

// Quote=false: Name unchanged. Otherwise Name in double quotes with embedded
// quotes doubled, unless it already is one quoted identifier. A dotted name
// (owner.table, schema.table, or three parts) has each part quoted separately
// when every part is clean to tell apart: a plain identifier (letters,
// digits, '_' and '$', not starting with a digit) or an already quoted
// identifier. Any other name, say one with blanks around a dot, is quoted
// whole as one identifier. An empty name stays empty.
std::string QuoteIdentifier(std::string_view Name, bool Quote);

// Name with surrounding blanks removed; with CutOwner, also without its
// owner: everything up to the last dot that separates clean parts (as
// QuoteIdentifier tells them apart) goes, so "owner.table" and
// main."My Table" become "table" and "My Table" (quotes of the remaining
// part kept). A name that is not cleanly dotted stays whole.
std::string GetValidObjName(std::string_view Name, bool CutOwner);

// Absolute path of the shared library (or program) that contains the
// address; "" when no loaded module does.
std::string GetModuleFileNameStr(const void* ModuleHandle);

// Product name and version from the file's version resource: the name is
// ProductName of its string table (else FileDescription), the version the
// fixed product version ("6.5.3.0"; else ProductVersion of the table). Each
// stays unchanged when the resource lacks it, and both when the file has no
// version resource or cannot be read.
void ReadFileVersInfo(const std::string& FileName, std::string& Name, std::string& Version);

// Whether Name is a plain identifier: letters, digits, '_' and '$' (bytes
// above 127 count as letters), not starting with a digit or '$'. Such a
// name needs no quotes after a parameter's colon.
bool IsPlainIdentifier(std::string_view Name);

// Splits a dotted name into its parts as QuoteIdentifier sees them (quotes
// kept); a single part when the name is not cleanly dotted.
std::vector<std::string> SplitObjName(std::string_view Name);

} // namespace OVCommon
