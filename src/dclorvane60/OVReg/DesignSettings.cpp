#include "dclorvane60/OVReg.hpp"
#include "orvane60/drivers/OVDriver.hpp"

#include "rtl/Registry.hpp"
#include "rtl/SysUtils.hpp"

namespace OVReg {

using SysUtils::Format;

OV_CLASS_BEGIN(TDesignSettings, System::TObject, "OVReg")
B.Property("RootDir", &TDesignSettings::GetRootDir, nullptr);
B.Property("IniFileName", &TDesignSettings::GetIniFileName, nullptr);
B.Property("SQLEditorEnabled", &TDesignSettings::GetSQLEditorEnabled, nullptr);
B.Property("DefaultServerType", &TDesignSettings::GetDefaultServerTypeName, nullptr);
B.Property("DefaultParams", &TDesignSettings::GetDefaultParams, nullptr);
B.Property("RecentDatabases", &TDesignSettings::GetRecentDatabases, nullptr);
B.Property("MaxRecentCount", &TDesignSettings::GetMaxRecentCount, nullptr);
OV_CLASS_END

namespace {

constexpr const char* RegistryKey = "Software\\Orvane";
constexpr const char* RootDirValue = "RootDir";
constexpr const char* SettingsFileName = "orvane.ini";

constexpr const char* DatabaseSection = "TOVDatabase";
constexpr const char* ServerTypeKey = "ServerType";
constexpr const char* ParamsSection = "TOVDatabase_Params";
constexpr const char* RecentSection = "RecentDatabases";
constexpr const char* MaxCountKey = "MaxCount";
constexpr const char* SQLEditorSection = "SQLEditor";
constexpr const char* EnabledKey = "Enabled";

constexpr int32_t DefaultMaxRecentCount = 8;

std::string RecentItemKey(int Index) {
  return Format("Item%.2d", Index);
}

// An INI file gathering writes that must land together; dropped when the
// writer fails half way.
class TIniUpdate {
public:
  explicit TIniUpdate(IniFiles::TIniFile& Ini) : FIni(Ini) { FIni.BeginUpdate(); }
  ~TIniUpdate() {
    if (!FDone)
      FIni.CancelUpdate();
  }
  void Commit() {
    FDone = true;
    FIni.EndUpdate();
  }

private:
  IniFiles::TIniFile& FIni;
  bool FDone = false;
};

} // namespace

TDesignSettings::TDesignSettings()
    : FRecentDatabases(std::make_unique<Classes::TStringList>()),
      FDefaultParams(std::make_unique<Classes::TStringList>()) {
  FRecentDatabases->SetSorted(false);
  ReadRootDir();
  // The registry says where the directory is; "\" of the platform's paths is
  // "/" here. Opening the file reads nothing yet.
  FIniFile = std::make_unique<IniFiles::TIniFile>(FRootDir + "/" + SettingsFileName);
}

TDesignSettings::~TDesignSettings() = default;

std::string TDesignSettings::ReadRootDir() {
  if (!FRootDir.empty())
    return FRootDir;
  {
    Registry::TRegistry Reg;
    Reg.SetRootKey(Registry::HKEY_CURRENT_USER);
    if (Reg.OpenKey(RegistryKey, false))
      FRootDir = Reg.ReadString(RootDirValue);
  }
  // A RootDir naming a file is no directory either: the settings then stay
  // in "." and the file is never touched.
  if (!FRootDir.empty() && !SysUtils::DirectoryExists(FRootDir))
    FRootDir.clear();
  if (FRootDir.empty())
    FRootDir = ".";
  return FRootDir;
}

std::string TDesignSettings::GetIniFileName() const {
  return FIniFile ? FIniFile->FileName() : FRootDir + "/" + SettingsFileName;
}

Classes::TStrings* TDesignSettings::DefaultParams() {
  if (FDefaultParams->Count() == 0)
    ReadDefaultParams();
  return FDefaultParams.get();
}

void TDesignSettings::ReadDefaultParams() {
  FIniFile->ReadSectionValues(ParamsSection, FDefaultParams.get());
}

void TDesignSettings::WriteDefaultParams(Classes::TStrings* Strings) {
  TIniUpdate Update(*FIniFile);
  FIniFile->EraseSection(ParamsSection);
  for (int I = 0; I < Strings->Count(); ++I) {
    const std::string Name = Strings->Names(I);
    if (SysUtils::Trim(Name).empty())
      continue;
    FIniFile->WriteString(ParamsSection, Name, Strings->Values(Name));
  }
  Update.Commit();
  FDefaultParams->Assign(Strings);
}

bool TDesignSettings::SQLEditorEnabled() {
  if (FSQLEditorState == 2)
    FSQLEditorState = FIniFile->ReadBool(SQLEditorSection, EnabledKey, true) ? 1 : 0;
  return FSQLEditorState == 1;
}

Classes::TStrings* TDesignSettings::RecentDatabaseList() {
  if (FMaxRecentCount == 0)
    ReadRecentDatabases();
  return FRecentDatabases.get();
}

void TDesignSettings::AddRecentDatabase(const std::string& Remote) {
  RecentDatabaseList();
  // The settings file never holds a password: the entry is kept without it.
  const std::string Name = OVDriver::MaskPasswords(Remote, OVDriver::TPasswordMask::Remove);
  if (SysUtils::Trim(Name).empty() || Name.find_first_of("\r\n") != std::string::npos)
    return;
  const int Index = FRecentDatabases->IndexOf(Name);
  if (Index < 0)
    FRecentDatabases->Insert(0, Name);
  else if (Index > 0)
    FRecentDatabases->Move(Index, 0);
  FRecentChanged = FRecentChanged || Index != 0;
}

void TDesignSettings::ReadRecentDatabases() {
  FRecentDatabases->Clear();
  FRecentChanged = false;
  FMaxRecentCount = FIniFile->ReadInteger(RecentSection, MaxCountKey, 0);
  if (FMaxRecentCount == 0)
    FMaxRecentCount = DefaultMaxRecentCount;
  for (int32_t I = 0; I < FMaxRecentCount; ++I) {
    const std::string Name = FIniFile->ReadString(RecentSection, RecentItemKey(I), "");
    if (Name.empty())
      break;
    FRecentDatabases->Add(Name);
  }
}

void TDesignSettings::WriteRecentDatabases() {
  if (!FRecentChanged || FRecentDatabases->Count() == 0)
    return;
  try {
    TIniUpdate Update(*FIniFile);
    const int Count = FRecentDatabases->Count();
    // Items are rewritten where they stand; keys of the item form that the
    // list does not hold (not read, or behind a gap) go.
    Classes::TStringList Keys;
    FIniFile->ReadSection(RecentSection, &Keys);
    for (int I = 0; I < Keys.Count(); ++I) {
      const std::string& Key = Keys[I];
      if (Key.size() <= 4 || Key.size() > 12 || !SysUtils::SameText(Key.substr(0, 4), "Item") ||
          Key.find_first_not_of("0123456789", 4) != std::string::npos)
        continue;
      const int Index = std::stoi(Key.substr(4));
      if (Index >= Count || !SysUtils::SameText(Key, RecentItemKey(Index)))
        FIniFile->DeleteKey(RecentSection, Key);
    }
    for (int I = 0; I < Count; ++I)
      FIniFile->WriteString(RecentSection, RecentItemKey(I), FRecentDatabases->Get(I));
    if (FMaxRecentCount > 0 && FMaxRecentCount != DefaultMaxRecentCount)
      FIniFile->WriteInteger(RecentSection, MaxCountKey, FMaxRecentCount);
    else
      FIniFile->DeleteKey(RecentSection, MaxCountKey);
    Update.Commit();
    FRecentChanged = false;
  } catch (...) {
    // The package is unloading; a list that cannot be saved is not worth
    // stopping that for.
  }
}

OVEngine::TOVServerType TDesignSettings::ReadDefaultServerType() {
  return OVEngine::StrToServerTypeDef(FIniFile->ReadString(DatabaseSection, ServerTypeKey, ""),
                                      OVEngine::DefServerType);
}

void TDesignSettings::WriteDefaultServerType(OVEngine::TOVServerType Value) {
  FIniFile->WriteString(DatabaseSection, ServerTypeKey, OVEngine::GetServerTypeName(Value));
  OVEngine::DefServerType = Value;
}

bool TDesignSettings::GetSQLEditorEnabled() const {
  return const_cast<TDesignSettings*>(this)->SQLEditorEnabled();
}

std::string TDesignSettings::GetDefaultServerTypeName() const {
  return OVEngine::GetServerTypeName(const_cast<TDesignSettings*>(this)->ReadDefaultServerType());
}

Classes::TStrings* TDesignSettings::GetDefaultParams() const {
  return const_cast<TDesignSettings*>(this)->DefaultParams();
}

Classes::TStrings* TDesignSettings::GetRecentDatabases() const {
  return const_cast<TDesignSettings*>(this)->RecentDatabaseList();
}

} // namespace OVReg
