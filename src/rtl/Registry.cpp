#include "rtl/Registry.hpp"

#include "rtl/IOUtils.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace Registry {

using SysUtils::Format;

OV_CLASS_IMPL(ERegistryException, SysUtils::Exception, "Registry")
OV_CLASS_IMPL(TRegistry, System::TObject, "Registry")

namespace {

// The unnamed value of a key; INI files have no empty key names.
constexpr const char* DefaultValueName = "@";

// "\Software\\Orvane\" and "Software\Orvane" name the same key.
std::string NormalizePath(std::string_view Path) {
  std::string Result;
  for (const std::string& Part : SysUtils::SplitString(Path, '\\')) {
    const std::string P = SysUtils::Trim(Part);
    if (P.empty())
      continue;
    if (!Result.empty())
      Result += '\\';
    Result += P;
  }
  return Result;
}

std::string ValueKey(const std::string& Name) {
  return Name.empty() ? DefaultValueName : Name;
}

} // namespace

std::string RegistryFileName() {
  if (std::string File = SysUtils::GetEnvironmentVariable("ORVANE_REGISTRY"); !File.empty())
    return File;
  std::string Config = SysUtils::GetEnvironmentVariable("XDG_CONFIG_HOME");
  // Relative XDG paths are to be ignored, as the base directory rules say.
  if (Config.empty() || Config[0] != '/')
    Config = IOUtils::HomePath() + "/.config";
  return Config + "/orvane/registry.ini";
}

TRegistry::TRegistry()
    : FFileName(RegistryFileName()), FIni(std::make_unique<IniFiles::TIniFile>(FFileName)) {}

TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY Value) {
  CloseKey();
  FRootKey = Value;
}

std::string TRegistry::Resolve(const std::string& Key) const {
  const bool Absolute = !Key.empty() && Key[0] == '\\';
  const std::string Rel = NormalizePath(Key);
  if (Absolute || !FOpen || FCurrentPath.empty())
    return Rel;
  return Rel.empty() ? FCurrentPath : FCurrentPath + "\\" + Rel;
}

bool TRegistry::IsIniText() const {
  // Asked before every read: a plain read of the file, with no stream and
  // its buffer made each time.
  const int Fd = ::open(FFileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0)
    return true; // missing or unreadable: the INI file gives the defaults
  char Buffer[4096];
  bool Text = true;
  for (;;) {
    const ssize_t Got = ::read(Fd, Buffer, sizeof Buffer);
    if (Got < 0 && errno == EINTR)
      continue;
    if (Got <= 0)
      break;
    Text = std::none_of(Buffer, Buffer + Got, [](char Byte) {
      const auto C = static_cast<unsigned char>(Byte);
      return (C < 0x20 && C != '\t' && C != '\n' && C != '\r' && C != '\f') || C == 0x7F;
    });
    if (!Text)
      break;
  }
  ::close(Fd);
  return Text;
}

void TRegistry::CheckWritable() const {
  if (!IsIniText())
    throw ERegistryException(Format(
        "Cannot write to the registry file \"%s\": it is not an INI text file; move it away or "
        "set ORVANE_REGISTRY to another file",
        FFileName));
}

bool TRegistry::FindKey(const std::string& Path, std::string& Section) const {
  Section = Path;
  if (Path.empty())
    return true;
  if (!IsIniText())
    return false;
  Classes::TStringList Sections;
  FIni->ReadSections(&Sections);
  bool Found = false;
  for (int I = 0; I < Sections.Count(); ++I) {
    const std::string S = NormalizePath(Sections[I]);
    if (SysUtils::SameText(S, Path)) {
      // Values are read under the section name as the file spells it.
      Section = Sections[I];
      return true;
    }
    if (S.size() > Path.size() && S[Path.size()] == '\\' &&
        SysUtils::SameText(std::string_view(S).substr(0, Path.size()), Path))
      Found = true;
  }
  return Found;
}

bool TRegistry::KeyExists(const std::string& Key) const {
  if (FRootKey != HKEY_CURRENT_USER)
    return false;
  std::string Section;
  return FindKey(Resolve(Key), Section);
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  if (FRootKey != HKEY_CURRENT_USER)
    return false;
  const std::string Path = Resolve(Key);
  std::string Section;
  if (!FindKey(Path, Section)) {
    if (!CanCreate)
      return false;
    CheckWritable();
    SysUtils::ForceDirectories(SysUtils::ExtractFilePath(FFileName));
    try {
      FIni->CreateSection(Path);
    } catch (const IniFiles::EIniFileException& E) {
      throw ERegistryException(E.Message());
    }
  }
  FCurrentPath = Path;
  FSection = Section;
  FOpen = true;
  FReadOnly = false;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  if (!OpenKey(Key, false))
    return false;
  FReadOnly = true;
  return true;
}

void TRegistry::CloseKey() {
  FCurrentPath.clear();
  FSection.clear();
  FOpen = false;
  FReadOnly = false;
}

bool TRegistry::ValueExists(const std::string& Name) const {
  if (!FOpen || FCurrentPath.empty() || !IsIniText())
    return false;
  return FIni->ValueExists(FSection, ValueKey(Name));
}

std::string TRegistry::ReadString(const std::string& Name) const {
  if (!FOpen || FCurrentPath.empty() || !IsIniText())
    return "";
  return FIni->ReadString(FSection, ValueKey(Name), "");
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  if (!FOpen)
    throw ERegistryException(
        Format("Cannot write the registry value \"%s\": no key is open", Name));
  if (FReadOnly || FCurrentPath.empty())
    throw ERegistryException(Format(
        "Cannot write the registry value \"%s\" of key \"%s\": the key is open for reading only",
        Name, FCurrentPath));
  CheckWritable();
  try {
    FIni->WriteString(FSection, ValueKey(Name), Value);
  } catch (const IniFiles::EIniFileException& E) {
    throw ERegistryException(E.Message());
  }
}

bool TRegistry::DeleteValue(const std::string& Name) {
  if (!ValueExists(Name))
    return false;
  if (FReadOnly)
    throw ERegistryException(Format(
        "Cannot delete the registry value \"%s\" of key \"%s\": the key is open for reading only",
        Name, FCurrentPath));
  try {
    FIni->DeleteKey(FSection, ValueKey(Name));
  } catch (const IniFiles::EIniFileException& E) {
    throw ERegistryException(E.Message());
  }
  return true;
}

void TRegistry::GetValueNames(Classes::TStrings* Strings) const {
  Strings->Clear();
  if (!FOpen || FCurrentPath.empty() || !IsIniText())
    return;
  FIni->ReadSection(FSection, Strings);
  for (int I = 0; I < Strings->Count(); ++I)
    if (Strings->Get(I) == DefaultValueName)
      Strings->Put(I, "");
}

} // namespace Registry
