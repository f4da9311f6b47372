#include "orvane60/OVCommon.hpp"

#include "db/DB.hpp"
#include "rtl/ResFile.hpp"
#include "rtl/SysUtils.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace OVCommon {

using SysUtils::Format;

OV_CLASS_BEGIN(TOVMonitor, Classes::TComponent, "OVCommon")
B.Property("Active", &TOVMonitor::GetActiveProperty, &TOVMonitor::SetActive).Default(0);
B.Property("FileName", &TOVMonitor::GetFileName, &TOVMonitor::SetFileName);
OV_CLASS_END

// Monitors ---------------------------------------------------------------------

struct TOVMonitor::TFile {
  std::FILE* Handle = nullptr;
};

namespace {

struct TMonitorList {
  std::mutex Lock;
  std::vector<TOVMonitor*> Active;
};

TMonitorList& Monitors() {
  static TMonitorList L;
  return L;
}

std::string FoldBlanks(std::string_view SQL) {
  std::string Result;
  bool Blank = false;
  for (const char C : SQL) {
    const bool IsBlank = C == ' ' || C == '\t' || C == '\r' || C == '\n';
    if (IsBlank) {
      Blank = !Result.empty();
      continue;
    }
    if (Blank)
      Result += ' ';
    Blank = false;
    Result += C;
  }
  return Result;
}

std::string TimeStamp() {
  const SysUtils::TDateTime T = SysUtils::Now();
  int Y, Mo, D, H, Mi, S, Ms;
  SysUtils::DecodeDate(T, Y, Mo, D);
  SysUtils::DecodeTime(T, H, Mi, S, Ms);
  return Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d.%.3d", Y, Mo, D, H, Mi, S, Ms);
}

} // namespace

TOVMonitor::TOVMonitor(Classes::TComponent* AOwner) : TComponent(AOwner) {}

TOVMonitor::~TOVMonitor() {
  CloseFile();
}

void TOVMonitor::OpenFile() {
  if (FFileName.empty())
    throw SysUtils::EInOutError("The SQL monitor has no file name to write to");
  std::FILE* F = std::fopen(FFileName.c_str(), "a");
  if (!F)
    throw SysUtils::EInOutError(
        Format("Cannot open the SQL monitor file \"%s\": %s", FFileName, std::strerror(errno)));
  FFile = new TFile{F};
  auto& L = Monitors();
  std::lock_guard G(L.Lock);
  L.Active.push_back(this);
}

void TOVMonitor::CloseFile() {
  {
    auto& L = Monitors();
    std::lock_guard G(L.Lock);
    L.Active.erase(std::remove(L.Active.begin(), L.Active.end(), this), L.Active.end());
  }
  if (FFile) {
    std::fclose(FFile->Handle);
    delete FFile;
    FFile = nullptr;
  }
}

void TOVMonitor::SetActive(bool Value) {
  if (IsLoading()) {
    FStreamedActive = Value;
    return;
  }
  FHeldActive = false;
  if (Value == FActive)
    return;
  if (Value)
    OpenFile();
  else
    CloseFile();
  FActive = Value;
}

void TOVMonitor::SetFileName(const std::string& Value) {
  if (Value == FFileName)
    return;
  if (!FActive) {
    FFileName = Value;
    return;
  }
  const std::string Old = FFileName;
  CloseFile();
  FFileName = Value;
  try {
    OpenFile();
  } catch (...) {
    // The new file cannot be written: keep logging where we did.
    FFileName = Old;
    OpenFile();
    throw;
  }
}

void TOVMonitor::Loaded() {
  TComponent::Loaded();
  if (FStreamedActive) {
    FStreamedActive = false;
    FHeldActive = !DB::RestoreStreamedState(this, [this] { SetActive(true); });
  }
}

void TOVMonitor::Write(std::string_view SQL) {
  if (!FFile)
    return;
  const std::string Line = TimeStamp() + " " + FoldBlanks(SQL) + "\n";
  std::fwrite(Line.data(), 1, Line.size(), FFile->Handle);
  std::fflush(FFile->Handle);
}

void MonitorSQL(std::string_view SQL) {
  auto& L = Monitors();
  std::lock_guard G(L.Lock);
  for (TOVMonitor* M : L.Active)
    M->Write(SQL);
}

bool AnyMonitorActive() {
  auto& L = Monitors();
  std::lock_guard G(L.Lock);
  return !L.Active.empty();
}

// Names ------------------------------------------------------------------------

namespace {

bool IsIdentStart(unsigned char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_' || C >= 0x80;
}

bool IsIdentChar(unsigned char C) {
  return IsIdentStart(C) || (C >= '0' && C <= '9') || C == '$';
}

// Parts of a cleanly dotted name, quotes kept; false when the name is not one.
bool SplitClean(std::string_view Name, std::vector<std::string>& Parts) {
  Parts.clear();
  size_t I = 0;
  while (true) {
    const size_t Start = I;
    if (I < Name.size() && Name[I] == IdentQuote) {
      ++I;
      bool Closed = false;
      while (I < Name.size()) {
        if (Name[I] == IdentQuote) {
          if (I + 1 < Name.size() && Name[I + 1] == IdentQuote) {
            I += 2;
            continue;
          }
          ++I;
          Closed = true;
          break;
        }
        ++I;
      }
      if (!Closed || I - Start < 3)
        return false;
    } else {
      if (I >= Name.size() || !IsIdentStart(static_cast<unsigned char>(Name[I])))
        return false;
      while (I < Name.size() && IsIdentChar(static_cast<unsigned char>(Name[I])))
        ++I;
    }
    Parts.emplace_back(Name.substr(Start, I - Start));
    if (I == Name.size())
      return Parts.size() <= 3;
    if (Name[I] != '.')
      return false;
    ++I;
  }
}

std::string QuoteWhole(std::string_view Name) {
  std::string Result(1, IdentQuote);
  for (const char C : Name) {
    if (C == IdentQuote)
      Result += IdentQuote;
    Result += C;
  }
  Result += IdentQuote;
  return Result;
}

} // namespace

bool IsPlainIdentifier(std::string_view Name) {
  if (Name.empty() || !IsIdentStart(static_cast<unsigned char>(Name.front())))
    return false;
  for (const char C : Name)
    if (!IsIdentChar(static_cast<unsigned char>(C)))
      return false;
  return true;
}

std::vector<std::string> SplitObjName(std::string_view Name) {
  std::vector<std::string> Parts;
  if (!SplitClean(Name, Parts))
    return {std::string(Name)};
  return Parts;
}

std::string QuoteIdentifier(std::string_view Name, bool Quote) {
  if (!Quote || Name.empty())
    return std::string(Name);
  std::vector<std::string> Parts;
  if (!SplitClean(Name, Parts))
    return QuoteWhole(Name);
  std::string Result;
  for (const std::string& Part : Parts) {
    if (!Result.empty())
      Result += '.';
    Result += Part.front() == IdentQuote ? Part : QuoteWhole(Part);
  }
  return Result;
}

std::string GetValidObjName(std::string_view Name, bool CutOwner) {
  std::string Result = SysUtils::Trim(Name);
  if (!CutOwner)
    return Result;
  std::vector<std::string> Parts;
  if (SplitClean(Result, Parts) && Parts.size() > 1)
    return Parts.back();
  return Result;
}

// Modules ----------------------------------------------------------------------

std::string GetModuleFileNameStr(const void* ModuleHandle) {
  try {
    return ResFile::GetModuleFileName(ModuleHandle);
  } catch (const ResFile::EResFileError&) {
    return {};
  }
}

void ReadFileVersInfo(const std::string& FileName, std::string& Name, std::string& Version) {
  std::optional<ResFile::TVersionInfo> Info;
  try {
    Info = ResFile::ReadVersionInfo(FileName);
  } catch (const ResFile::EResFileError&) {
    return;
  }
  if (!Info)
    return;
  if (auto Product = Info->GetString("ProductName"); Product && !Product->empty())
    Name = *Product;
  else if (auto Description = Info->GetString("FileDescription");
           Description && !Description->empty())
    Name = *Description;
  const auto& Fixed = Info->ProductVersion;
  if (std::any_of(Fixed.begin(), Fixed.end(), [](uint16_t Part) { return Part != 0; }))
    Version = Info->ProductVersionText();
  else if (auto Text = Info->GetString("ProductVersion"); Text && !Text->empty())
    Version = *Text;
}

} // namespace OVCommon
