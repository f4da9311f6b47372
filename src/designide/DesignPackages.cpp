#include "designide/DesignPackages.hpp"

#include "designide/DesignRegistry.hpp"

#include <algorithm>
#include <dlfcn.h>
#include <mutex>

namespace DesignPackages {

using SysUtils::Format;

OV_CLASS_IMPL(EPackageError, SysUtils::Exception, "DesignPackages")

namespace {

struct TLoaded {
  std::mutex Lock;
  std::vector<std::string> Names;
};

TLoaded& LoadedList() {
  static TLoaded L;
  return L;
}

std::vector<std::string> ReadList(const char* const* List) {
  std::vector<std::string> Result;
  // A runaway list means a damaged table; stop long before memory runs out.
  for (int I = 0; List && List[I] && I < 1024; ++I)
    Result.emplace_back(List[I]);
  return Result;
}

std::string DlError() {
  const char* E = ::dlerror();
  return E ? E : "unknown error";
}

// The message of whatever a package's entry point raised. The exception
// object may belong to the package's code, so only its text is kept before
// the library closes.
std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& E) {
    return E.what();
  } catch (...) {
    return "unknown exception";
  }
}

} // namespace

std::string TPackageInfo::KindText() const {
  if (DesignOnly() && !RunOnly())
    return "design-time only";
  if (RunOnly() && !DesignOnly())
    return "run-time only";
  return "design-time and run-time";
}

TPackageInfo ReadPackageInfo(const TPackageInfoTable& Table) {
  TPackageInfo Info;
  Info.Name = Table.Name ? Table.Name : "";
  Info.Description = Table.Description ? Table.Description : "";
  Info.Flags = Table.Flags;
  Info.Requires = ReadList(Table.Requires);
  Info.Units = ReadList(Table.Units);
  return Info;
}

std::unique_ptr<TDesignPackage> TDesignPackage::Load(const std::string& FileName) {
  std::unique_ptr<TDesignPackage> P(new TDesignPackage());
  P->FFileName = FileName;
  // A name without a slash would make the loader search the library path;
  // the host means the file it was given.
  const std::string Path = FileName.find('/') == std::string::npos ? "./" + FileName : FileName;
  ::dlerror();
  // The package's code stays mapped after it unloads: the class tables of the
  // object model live as long as the process and hold functions of the
  // classes they describe, and packages that instantiate inline statics could
  // not be unmapped anyway. Unloading stops the package and removes its
  // registrations; loading it again starts it afresh.
  P->FHandle = ::dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!P->FHandle)
    throw EPackageError(Format("Cannot load package \"%s\": %s", FileName, DlError()));

  const auto Entry = [&](const char* Name) {
    void* Sym = ::dlsym(P->FHandle, Name);
    if (!Sym) {
      P->Close();
      throw EPackageError(
          Format("\"%s\" is not a package: it does not export the entry point %s", FileName, Name));
    }
    return Sym;
  };
  const auto GetInfo = reinterpret_cast<TGetPackageInfoTableProc>(Entry("GetPackageInfoTable"));
  const auto Initialize = reinterpret_cast<TPackageProc>(Entry("Initialize"));
  const auto Register = reinterpret_cast<TPackageProc>(Entry("Register"));
  P->FFinalize = reinterpret_cast<TPackageProc>(Entry("Finalize"));

  const TPackageInfoTable* Table = GetInfo();
  if (!Table || Table->Size < sizeof(TPackageInfoTable) || !Table->Name || !*Table->Name) {
    P->Close();
    throw EPackageError(
        Format("\"%s\" is not a package: its package information table is unusable", FileName));
  }
  P->FInfo = ReadPackageInfo(*Table);
  bool Duplicate;
  {
    auto& L = LoadedList();
    std::lock_guard G(L.Lock);
    Duplicate = std::any_of(L.Names.begin(), L.Names.end(), [&](const std::string& N) {
      return SysUtils::SameText(N, P->FInfo.Name);
    });
    if (!Duplicate) {
      L.Names.push_back(P->FInfo.Name);
      P->FListed = true;
    }
  }
  if (Duplicate) {
    P->Close();
    throw EPackageError(Format("Cannot load package \"%s\": a package named %s is loaded already",
                               FileName, P->FInfo.Name));
  }

  try {
    Initialize();
  } catch (...) {
    const std::string Text = CurrentExceptionText();
    P->FFinalize = nullptr; // a failed start-up has undone itself
    P->Close();
    throw EPackageError(Format("Cannot start package %s: %s", P->FInfo.Name, Text));
  }
  try {
    DesignRegistry::TRegistrationScope Scope(P->FInfo.Name);
    Register();
  } catch (...) {
    const std::string Text = CurrentExceptionText();
    try {
      P->Unload();
    } catch (...) {
      // The registration error is the one worth reporting.
    }
    throw EPackageError(Format("Cannot register package %s: %s", P->FInfo.Name, Text));
  }
  return P;
}

TDesignPackage::~TDesignPackage() {
  try {
    Unload();
  } catch (...) {
    // Unload has closed the package all the same; nothing to report to here.
  }
}

void TDesignPackage::Unload() {
  if (!FHandle)
    return;
  std::string Failure;
  if (const TPackageProc Finalize = std::exchange(FFinalize, nullptr)) {
    try {
      Finalize();
    } catch (...) {
      Failure = CurrentExceptionText();
    }
  }
  Close();
  if (!Failure.empty())
    throw EPackageError(Format("Package %s failed to shut down: %s", FInfo.Name, Failure));
}

void TDesignPackage::Close() {
  if (std::exchange(FListed, false)) {
    // Registrations name the package's classes; they must go before its code does.
    DesignRegistry::UnregisterPackage(FInfo.Name);
    auto& L = LoadedList();
    std::lock_guard G(L.Lock);
    if (const auto It = std::find(L.Names.begin(), L.Names.end(), FInfo.Name); It != L.Names.end())
      L.Names.erase(It);
  }
  if (FHandle)
    ::dlclose(std::exchange(FHandle, nullptr));
}

void* TDesignPackage::Symbol(const char* Name) const {
  return FHandle ? ::dlsym(FHandle, Name) : nullptr;
}

std::vector<std::string> LoadedPackages() {
  auto& L = LoadedList();
  std::lock_guard G(L.Lock);
  return L.Names;
}

} // namespace DesignPackages
