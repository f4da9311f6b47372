#include "designide/DesignTrust.hpp"

#include "db/DB.hpp"
#include "rtl/Classes.hpp"
#include "rtl/Registry.hpp"
#include "rtl/SysUtils.hpp"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

namespace DesignTrust {

namespace {

// The path with links resolved where it exists; as given (made absolute)
// where it does not; always without a trailing '/', but "/" itself.
std::string Canonical(const std::string& Path) {
  std::string Result = SysUtils::ExpandFileName(Path);
  if (char* Real = ::realpath(Result.c_str(), nullptr)) {
    Result = Real;
    std::free(Real);
  }
  while (Result.size() > 1 && Result.back() == '/')
    Result.pop_back();
  return Result;
}

} // namespace

std::string FolderOf(const std::string& FileName) {
  std::string Folder = SysUtils::ExtractFilePath(SysUtils::ExpandFileName(FileName));
  return Canonical(Folder.empty() ? std::string(".") : Folder);
}

std::vector<std::string> TrustedFolders() {
  Registry::TRegistry Reg;
  std::vector<std::string> Result;
  if (!Reg.OpenKeyReadOnly(TrustedFoldersKey))
    return Result;
  Classes::TStringList Names;
  Reg.GetValueNames(&Names);
  for (int I = 0; I < Names.Count(); ++I)
    if (const std::string Folder = Reg.ReadString(Names.Get(I)); !Folder.empty())
      Result.push_back(Folder);
  return Result;
}

bool IsTrustedFolder(const std::string& Folder) {
  const std::string Path = Canonical(Folder);
  for (const std::string& Trusted : TrustedFolders()) {
    const std::string Root = Canonical(Trusted);
    if (Path == Root || Root == "/" ||
        (Path.size() > Root.size() && Path.compare(0, Root.size(), Root) == 0 &&
         Path[Root.size()] == '/'))
      return true;
  }
  return false;
}

void TrustFolder(const std::string& Folder) {
  const std::string Path = Canonical(Folder);
  Registry::TRegistry Reg;
  Reg.OpenKey(TrustedFoldersKey, true);
  Classes::TStringList Names;
  Reg.GetValueNames(&Names);
  int Next = 1;
  for (int I = 0; I < Names.Count(); ++I) {
    if (Canonical(Reg.ReadString(Names.Get(I))) == Path)
      return;
    Next = std::max(Next, std::atoi(Names.Get(I).c_str()) + 1);
  }
  Reg.WriteString(std::to_string(Next), Path);
}

TPolicy& Policy() {
  static TPolicy Current;
  return Current;
}

bool BeginReading(const std::string& FileName) {
  const bool Trusted = Policy().TrustAll || IsTrustedFolder(FolderOf(FileName));
  if (Trusted)
    DB::SetDesignFileTrust(DB::TDesignFileTrust::Trusted);
  else if (Policy().ReadOnly)
    DB::SetDesignFileTrust(DB::TDesignFileTrust::NoConnections);
  else
    DB::SetDesignFileTrust(DB::TDesignFileTrust::Untrusted, Policy().OnConnect);
  return Trusted;
}

bool ReadAgainTrusted(const std::string& FileName) {
  if (DB::DesignFileTrust() == DB::TDesignFileTrust::Trusted || DB::HeldStreamedStates() == 0 ||
      !Policy().Ask)
    return false;
  const std::string Folder = FolderOf(FileName);
  if (!Policy().Ask(Folder))
    return false;
  TrustFolder(Folder);
  DB::SetDesignFileTrust(DB::TDesignFileTrust::Trusted);
  return true;
}

} // namespace DesignTrust
