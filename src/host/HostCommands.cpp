#include "host/HostCommands.hpp"

#include "orvane60/drivers/OVDriver.hpp"

#include "db/DB.hpp"
#include "designide/DesignRegistry.hpp"
#include "designide/DesignTrust.hpp"
#include "host/CommandSupport.hpp"
#include "host/UpdateSQLCommands.hpp"
#include "rtl/DfmStream.hpp"
#include "rtl/Registry.hpp"
#include "rtl/ResFile.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/TypInfo.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <fmt/format.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <unistd.h>

namespace HostCommands {

using nlohmann::ordered_json;
using SysUtils::Format;

namespace {

constexpr const char* PackageLibraryName = "libdclorvane60.so";
// Rows of each dataset the demo prints.
constexpr int DemoSampleRows = 5;

// The size and colour depth of a bitmap resource, from its file header.
struct TBitmapInfo {
  int Width = 0, Height = 0, BitCount = 0;
  bool Compressed = false;
};

std::optional<TBitmapInfo> ReadBitmapInfo(const std::vector<std::uint8_t>& Data) {
  if (Data.size() < 34 || Data[0] != 'B' || Data[1] != 'M')
    return std::nullopt;
  const auto U32 = [&](size_t At) {
    return static_cast<std::uint32_t>(Data[At]) | static_cast<std::uint32_t>(Data[At + 1]) << 8 |
           static_cast<std::uint32_t>(Data[At + 2]) << 16 |
           static_cast<std::uint32_t>(Data[At + 3]) << 24;
  };
  TBitmapInfo I;
  I.Width = static_cast<std::int32_t>(U32(18));
  I.Height = std::abs(static_cast<std::int32_t>(U32(22)));
  I.BitCount = Data[28] | Data[29] << 8;
  I.Compressed = U32(30) != 0;
  return I;
}

// The files each loaded package came from, by package name.
std::string PackageFileOf(THost& Host, const std::string& Package) {
  auto& P = Host.Package();
  return SysUtils::SameText(P.Info().Name, Package) ? P.FileName() : std::string();
}

ordered_json PackageJson(DesignPackages::TDesignPackage& P) {
  const auto& I = P.Info();
  return {{"name", I.Name},
          {"file", P.FileName()},
          {"description", I.Description},
          {"kind", I.KindText()},
          {"explicitBuild", I.ExplicitBuild()},
          {"requires", I.Requires},
          {"units", I.Units}};
}

ordered_json VersionJson(const std::string& FileName) {
  const auto V = ResFile::ReadVersionInfo(FileName);
  if (!V)
    return nullptr;
  ordered_json J{{"fileVersion", V->FileVersionText()},
                 {"productVersion", V->ProductVersionText()}};
  ordered_json Translations = ordered_json::array();
  for (const auto& [Language, CodePage] : V->Translations)
    Translations.push_back({{"language", fmt::format("{:04X}", Language)},
                            {"codePage", fmt::format("{:04X}", CodePage)}});
  J["translations"] = Translations;
  ordered_json Tables = ordered_json::array();
  for (const auto& T : V->StringTables) {
    ordered_json Values = ordered_json::object();
    for (const auto& [Name, Value] : T.Values)
      Values[Name] = Value;
    Tables.push_back({{"key", T.Key}, {"strings", Values}});
  }
  J["stringTables"] = Tables;
  return J;
}

ordered_json PaletteJson(THost& Host) {
  ordered_json Pages = ordered_json::array();
  for (const auto& Page : DesignRegistry::PalettePages()) {
    ordered_json Items = ordered_json::array();
    for (const auto& Item : Page.Items) {
      const std::string ResName = SysUtils::UpperCase(Item.ComponentClass->Name);
      ordered_json J{{"class", Item.ComponentClass->Name},
                     {"unit", Item.ComponentClass->UnitName},
                     {"package", Item.Package}};
      const std::string File = PackageFileOf(Host, Item.Package);
      const auto Data =
          File.empty() ? std::nullopt : ResFile::FindResource(File, ResFile::RT_BITMAP, ResName);
      const auto Info = Data ? ReadBitmapInfo(*Data) : std::nullopt;
      if (Info)
        J["bitmap"] = {{"name", ResName},
                       {"width", Info->Width},
                       {"height", Info->Height},
                       {"bitCount", Info->BitCount},
                       {"compressed", Info->Compressed}};
      else
        J["bitmap"] = nullptr;
      Items.push_back(J);
    }
    Pages.push_back({{"page", Page.Name}, {"components", Items}});
  }
  return Pages;
}

void PrintPalette(const ordered_json& Pages, std::ostream& Out) {
  for (const auto& Page : Pages) {
    Out << Page["page"].get<std::string>() << '\n';
    for (const auto& Item : Page["components"]) {
      Out << fmt::format("  {:<18} ", Item["class"].get<std::string>());
      const auto& B = Item["bitmap"];
      if (B.is_null())
        Out << "no bitmap resource\n";
      else
        Out << fmt::format("bitmap {} ({}x{}, {} bits per pixel{})\n", B["name"].get<std::string>(),
                           B["width"].get<int>(), B["height"].get<int>(), B["bitCount"].get<int>(),
                           B["compressed"].get<bool>() ? ", compressed" : "");
    }
  }
}

ordered_json RegistrationsJson() {
  ordered_json Calls = ordered_json::array();
  for (const auto& C : DesignRegistry::RegistrationLog())
    Calls.push_back(
        {{"package", C.Package}, {"call", C.Call}, {"args", C.Args}, {"text", C.Text()}});
  return Calls;
}

void PrintRegistrations(const ordered_json& Calls, std::ostream& Out) {
  for (const auto& C : Calls)
    Out << C["text"].get<std::string>() << '\n';
}

void AddComponents(const Classes::TComponent* Owner, ordered_json& List) {
  for (int I = 0; I < Owner->ComponentCount(); ++I) {
    const Classes::TComponent* C = Owner->Components(I);
    List.push_back(
        {{"name", C->GetName()}, {"class", C->ClassName()}, {"owner", Owner->GetName()}});
    AddComponents(C, List);
  }
}

ordered_json DocumentJson(const DesignDocument::TDesignDocument& Doc) {
  const Classes::TComponent* Root = Doc.Root();
  ordered_json Components = ordered_json::array();
  AddComponents(Root, Components);
  ordered_json J{{"file", Doc.FileName()},
                 {"root", {{"name", Root->GetName()}, {"class", Root->ClassName()}}}};
  J["components"] = std::move(Components);
  return J;
}

// The components Owner owns, theirs after each, as DocumentJson lists them.
void AddComponentLines(const Classes::TComponent* Owner, std::string& Text) {
  for (int I = 0; I < Owner->ComponentCount(); ++I) {
    const Classes::TComponent* C = Owner->Components(I);
    Text += "  ";
    Text += C->GetName();
    Text += ": ";
    Text += C->ClassName();
    Text += " (owner ";
    Text += Owner->GetName();
    Text += ")\n";
    AddComponentLines(C, Text);
  }
}

// What DocumentJson holds, as text.
void PrintDocument(const DesignDocument::TDesignDocument& Doc, std::ostream& Out) {
  const Classes::TComponent* Root = Doc.Root();
  std::string Text = Doc.FileName() + '\n';
  Text += fmt::format("{}: {} (root)\n", Root->GetName(), Root->ClassName());
  AddComponentLines(Root, Text);
  Out << Text;
}

size_t CountComponents(const Classes::TComponent* Owner) {
  size_t N = 0;
  for (int I = 0; I < Owner->ComponentCount(); ++I)
    N += 1 + CountComponents(Owner->Components(I));
  return N;
}

// The text of a published property; EPropertyError naming the class and the
// property when there is none.
std::string PropText(const System::TObject* Obj, const char* Name) {
  const TypInfo::TPropInfo* P = TypInfo::GetPropInfo(Obj, Name);
  if (!P)
    throw TypInfo::EPropertyError(TypInfo::PropErrorMessage(Obj, Name, "does not exist"));
  return TypInfo::GetPropValueText(Obj, P);
}

} // namespace

std::string ExecutableDir() {
  std::string Buf(4096, '\0');
  const ssize_t N = ::readlink("/proc/self/exe", Buf.data(), Buf.size());
  if (N <= 0)
    return ".";
  Buf.resize(static_cast<size_t>(N));
  return SysUtils::ExtractFilePath(Buf);
}

std::string NormalPath(const std::string& Path) {
  return std::filesystem::path(Path).lexically_normal().string();
}

std::string FindPackageFile(const std::string& PackageOption) {
  if (!PackageOption.empty())
    return PackageOption;
  if (std::string Env = SysUtils::GetEnvironmentVariable("ORVANE_PACKAGE"); !Env.empty())
    return Env;
  return NormalPath(ExecutableDir() + "../lib/" + PackageLibraryName);
}

THost::THost(TOptions Options) : FOptions(std::move(Options)) {
  DesignDocument::RegisterRootClasses();
}

THost::~THost() = default;

DesignPackages::TDesignPackage& THost::Package() {
  if (!FPackage)
    FPackage = DesignPackages::TDesignPackage::Load(FindPackageFile(FOptions.PackagePath));
  return *FPackage;
}

const DclOrvane60::TPackageServices& THost::Services() {
  if (FServices)
    return *FServices;
  auto& P = Package();
  const auto Get = reinterpret_cast<DclOrvane60::TGetPackageServicesProc>(
      P.Symbol(DclOrvane60::GetPackageServicesName));
  const DclOrvane60::TPackageServices* S = Get ? Get() : nullptr;
  if (!S)
    throw DesignPackages::EPackageError(Format("The package %s has no services table (%s)",
                                               P.FileName(), DclOrvane60::GetPackageServicesName));
  if (S->Size < sizeof(DclOrvane60::TPackageServices) || S->Version != DclOrvane60::ServicesVersion)
    throw DesignPackages::EPackageError(
        Format("The package %s has a services table of another build (size %u, version %u; "
               "this host needs size %u, version %u)",
               P.FileName(), S->Size, S->Version,
               static_cast<unsigned>(sizeof(DclOrvane60::TPackageServices)),
               DclOrvane60::ServicesVersion));
  FServices = S;
  return *FServices;
}

void THost::UnloadPackage() {
  FServices = nullptr;
  if (const auto P = std::move(FPackage))
    P->Unload();
}

namespace {

void PackageInfo(THost& Host, std::ostream& Out) {
  auto& P = Host.Package();
  ordered_json J{{"package", PackageJson(P)}, {"version", VersionJson(P.FileName())}};
  if (Host.Options().Json) {
    PrintJson(Out, J);
    return;
  }
  const auto& I = P.Info();
  Out << fmt::format("Package          {}\n", I.Name);
  Out << fmt::format("File             {}\n", P.FileName());
  Out << fmt::format("Description      {}\n", I.Description);
  Out << fmt::format("Kind             {}{}\n", I.KindText(),
                     I.ExplicitBuild() ? ", rebuilt only on explicit request" : "");
  Out << fmt::format("Requires         {}\n", Join(I.Requires));
  Out << fmt::format("Units            {}\n", Join(I.Units));
  const auto& V = J["version"];
  if (V.is_null()) {
    Out << "Version          none (the package file has no version resource)\n";
    return;
  }
  Out << fmt::format("File version     {}\n", V["fileVersion"].get<std::string>());
  Out << fmt::format("Product version  {}\n", V["productVersion"].get<std::string>());
  for (const auto& T : V["translations"])
    Out << fmt::format("Translation      language {}, code page {}\n",
                       T["language"].get<std::string>(), T["codePage"].get<std::string>());
  for (const auto& T : V["stringTables"]) {
    Out << fmt::format("Strings ({})\n", T["key"].get<std::string>());
    for (const auto& [Name, Value] : T["strings"].items())
      Out << fmt::format("  {:<17}{}\n", Name, Value.get<std::string>());
  }
}

void Palette(THost& Host, std::ostream& Out) {
  Host.Package();
  const ordered_json Pages = PaletteJson(Host);
  if (Host.Options().Json)
    PrintJson(Out, Pages);
  else
    PrintPalette(Pages, Out);
}

void Registrations(THost& Host, std::ostream& Out) {
  Host.Package();
  const ordered_json Calls = RegistrationsJson();
  if (Host.Options().Json)
    PrintJson(Out, Calls);
  else
    PrintRegistrations(Calls, Out);
}

void Settings(THost& Host, std::ostream& Out) {
  const auto& Services = Host.Services();
  DclOrvane60::TSettingsView S;
  if (!Services.ReadSettings || !Services.ReadSettings(S))
    throw DesignPackages::EPackageError(
        Format("Package %s has no design settings to show", Host.Package().Info().Name));
  const auto& Recent = S.RecentDatabases;
  const auto& Params = S.DefaultParams;
  ordered_json J{{"registryFile", Registry::RegistryFileName()},
                 {"settingsDirectory", S.RootDir},
                 {"settingsFile", S.IniFileName},
                 {"sqlEditorEnabled", S.SQLEditorEnabled},
                 {"defaultServerType", S.DefaultServerType},
                 {"defaultParams", Params},
                 {"recentDatabases", Recent},
                 {"maxRecentCount", S.MaxRecentCount}};
  if (Host.Options().Json) {
    PrintJson(Out, J);
    return;
  }
  Out << fmt::format("Registry file        {}\n", J["registryFile"].get<std::string>());
  Out << fmt::format("Settings directory   {}\n", J["settingsDirectory"].get<std::string>());
  Out << fmt::format("Settings file        {}\n", J["settingsFile"].get<std::string>());
  Out << fmt::format("SQL editor           {}\n",
                     J["sqlEditorEnabled"].get<bool>() ? "enabled" : "disabled");
  Out << fmt::format("Default server type  {}\n", J["defaultServerType"].get<std::string>());
  Out << fmt::format("Default parameters   {}\n",
                     Params.empty() ? "none" : std::to_string(Params.size()));
  for (const auto& L : Params)
    Out << "  " << L << '\n';
  Out << fmt::format("Recent databases     {} (at most {} read)\n", Recent.size(),
                     J["maxRecentCount"].get<int>());
  for (const auto& L : Recent)
    Out << "  " << L << '\n';
}

void Open(THost& Host, const std::string& FileName, std::ostream& Out) {
  Host.Package();
  auto Doc = DesignDocument::TDesignDocument::Open(FileName);
  if (Host.Options().Json)
    PrintJson(Out, DocumentJson(*Doc));
  else
    PrintDocument(*Doc, Out);
  DesignDocument::TDesignDocument::LeaveToExit(std::move(Doc));
}

void Save(THost& Host, const std::string& FileName, const std::string& OutFile, std::ostream& Out) {
  Host.Package();
  auto Doc = DesignDocument::TDesignDocument::Open(FileName, OutFile.empty());
  const std::string Target = OutFile.empty() ? FileName : OutFile;
  Doc->Save(Target);
  if (Host.Options().Json) {
    ordered_json J = DocumentJson(*Doc);
    J["savedTo"] = Target;
    PrintJson(Out, J);
  } else {
    Out << fmt::format("Saved {} ({} components) to {}\n", Doc->Root()->GetName(),
                       CountComponents(Doc->Root()), Target);
  }
  DesignDocument::TDesignDocument::LeaveToExit(std::move(Doc));
}

void Dfm(THost& Host, const std::string& FileName, bool Check, std::ostream& Out) {
  const DfmText::TDfmObject Tree = DfmStream::ParseFile(FileName);
  if (Check) {
    if (Host.Options().Json)
      PrintJson(Out, {{"file", FileName}, {"valid", true}});
    else
      Out << FileName << ": the form file parses\n";
    return;
  }
  const std::string Text = DfmStream::WriteText(Tree);
  if (Host.Options().Json)
    PrintJson(Out, {{"file", FileName}, {"valid", true}, {"text", Text}});
  else
    Out << Text;
}

void Demo(THost& Host, const std::string& FormFile, const std::string& DatabaseFile,
          std::ostream& Out) {
  const bool Json = Host.Options().Json;
  auto& P = Host.Package();
  if (!SysUtils::FileExists(DatabaseFile))
    throw SysUtils::EInOutError(
        Format("The demo database \"%s\" does not exist; build the project first (make build)",
               DatabaseFile));
  ordered_json J{{"package", PackageJson(P)},
                 {"palette", PaletteJson(Host)},
                 {"registrations", RegistrationsJson()}};
  if (!Json) {
    Out << fmt::format("Loaded package {} ({}) from {}\n\n", P.Info().Name, P.Info().Description,
                       P.FileName());
    Out << "Palette\n";
    PrintPalette(J["palette"], Out);
    Out << "\nRegistrations\n";
    PrintRegistrations(J["registrations"], Out);
    Out << '\n';
  }

  const auto Doc = DesignDocument::TDesignDocument::Open(FormFile);
  Classes::TComponent* Root = Doc->Root();
  // The design file names its database by a path of its own; the demo points
  // every SQLite database at the database the build made.
  ordered_json Databases = ordered_json::array();
  for (int I = 0; I < Root->ComponentCount(); ++I) {
    Classes::TComponent* C = Root->Components(I);
    if (!TypInfo::IsPublishedProp(C, "RemoteDatabase") ||
        !TypInfo::IsPublishedProp(C, "ServerType"))
      continue;
    if (PropText(C, "ServerType") != "stSQLite")
      continue;
    TypInfo::SetStrProp(C, TypInfo::GetPropInfo(C, "RemoteDatabase"), DatabaseFile);
    Databases.push_back({{"name", C->GetName()}, {"remoteDatabase", DatabaseFile}});
  }
  J["document"] = DocumentJson(*Doc);
  J["document"]["databases"] = Databases;
  if (!Json) {
    PrintDocument(*Doc, Out);
    for (const auto& D : Databases)
      Out << fmt::format("  {} points at {}\n", D["name"].get<std::string>(),
                         D["remoteDatabase"].get<std::string>());
  }

  // Open each dataset through the runtime package, as the designer does when
  // Active is set in the Object Inspector.
  ordered_json DataSets = ordered_json::array();
  for (int I = 0; I < Root->ComponentCount(); ++I) {
    auto* DS = dynamic_cast<DB::TDataSet*>(Root->Components(I));
    if (!DS)
      continue;
    DS->Open();
    ordered_json Columns = ordered_json::array();
    for (int F = 0; F < DS->Fields()->Count(); ++F)
      Columns.push_back(DS->Fields()->Fields(F)->GetFieldName());
    ordered_json Rows = ordered_json::array();
    for (DS->First(); !DS->Eof() && static_cast<int>(Rows.size()) < DemoSampleRows; DS->Next()) {
      ordered_json Row = ordered_json::array();
      for (int F = 0; F < DS->Fields()->Count(); ++F)
        Row.push_back(DS->Fields()->Fields(F)->GetAsString());
      Rows.push_back(Row);
    }
    DataSets.push_back({{"name", DS->GetName()},
                        {"class", DS->ClassName()},
                        {"records", DS->RecordCount()},
                        {"columns", Columns},
                        {"firstRows", Rows}});
    DS->Close();
  }
  J["datasets"] = DataSets;
  // Then the UpdateSQL editor on the demo's update object, driven by a
  // built-in script: fetch the fields, select the key, generate, OK.
  if (Json) {
    J["updateSQL"] = DemoUpdateSQL(Host, Root, true, Out);
    PrintJson(Out, J);
    return;
  }
  for (const auto& D : DataSets) {
    Out << fmt::format("\n{} ({}): {} records; columns {}\n", D["name"].get<std::string>(),
                       D["class"].get<std::string>(), D["records"].get<int>(),
                       Join(D["columns"].get<std::vector<std::string>>()));
    for (const auto& Row : D["firstRows"])
      Out << "  " << Join(Row.get<std::vector<std::string>>(), " | ") << '\n';
  }
  DemoUpdateSQL(Host, Root, false, Out);
}

} // namespace

void AddHostCommands(CLI::App& App, THost& Host) {
  TOptions& Options = Host.Options();
  App.add_option("--package", Options.PackagePath,
                 "The design package to load (default: $ORVANE_PACKAGE, else "
                 "../lib/libdclorvane60.so next to this program)");
  App.add_flag("--json", Options.Json, "Machine-readable output");
  App.add_option_function<int>(
         "--timeout", [](int Seconds) { OVDriver::SetServerTimeout(Seconds); },
         "How long to wait for a database server, in seconds: to connect, and for any sign of "
         "life while a statement runs (0: no limit)")
      ->default_str(std::to_string(OVDriver::ServerTimeout()))
      ->check(CLI::Range(0, 86400));

  App.add_flag("--trust", Options.Trust,
               "Let the design files of this command connect to databases, open datasets and "
               "write monitor logs as stored, whatever their folder");
  // Commands that only read a design file never connect for an untrusted
  // one; the others hold its stored state and connect when asked to, and say
  // so. Decided once the command line is parsed, before any command runs.
  App.parse_complete_callback([&App, &Options] {
    static const std::set<std::string> Reading{"open",  "tree", "inspect", "values",
                                               "verbs", "dfm",  "save",    "screenshot"};
    DesignTrust::TPolicy& Policy = DesignTrust::Policy();
    Policy.TrustAll = Options.Trust;
    Policy.ReadOnly = true;
    for (const CLI::App* Command : App.get_subcommands())
      Policy.ReadOnly = Reading.count(Command->get_name()) > 0;
    Policy.OnConnect = [](const Classes::TComponent* Component) {
      std::cerr << fmt::format("ovdesigner: connecting {} as asked (its design file is not in a "
                               "trusted folder)\n",
                               Component->GetName());
    };
  });

  if (Host.Builds("trust")) {
    auto* TrustCommand = App.add_subcommand(
        "trust", "Trust the design files of FOLDER (and below) to connect, run SQL and write when "
                 "opened; without a folder, list the trusted ones");
    const auto Folders = std::make_shared<std::vector<std::string>>();
    TrustCommand->add_option("FOLDER", *Folders, "The folders to trust");
    TrustCommand->callback([&Options, Folders] {
      for (const std::string& Folder : *Folders) {
        if (!SysUtils::DirectoryExists(Folder))
          throw SysUtils::EInOutError(
              Format("Cannot trust \"%s\": there is no such folder", Folder));
        DesignTrust::TrustFolder(Folder);
      }
      const std::vector<std::string> Trusted = DesignTrust::TrustedFolders();
      if (Options.Json)
        PrintJson(std::cout, {{"trusted", Trusted}});
      else
        for (const std::string& Folder : Trusted)
          std::cout << Folder << '\n';
    });
  }

  if (Host.Builds("package-info"))
    App.add_subcommand("package-info", "The package's description, kind, units and version")
        ->callback([&Host] { PackageInfo(Host, std::cout); });
  if (Host.Builds("palette"))
    App.add_subcommand("palette", "The palette pages with their components")->callback([&Host] {
      Palette(Host, std::cout);
    });
  if (Host.Builds("registrations"))
    App.add_subcommand("registrations", "Every registration the package made, in call order")
        ->callback([&Host] { Registrations(Host, std::cout); });
  if (Host.Builds("settings"))
    App.add_subcommand("settings", "Where the design settings live and their values")
        ->callback([&Host] { Settings(Host, std::cout); });

  struct TArgs {
    std::string File, OutFile, DemoForm, DemoDatabase;
    bool Check = false;
  };
  const auto A = std::make_shared<TArgs>();
  if (Host.Builds("open")) {
    auto* OpenCommand = App.add_subcommand("open", "Load a design file and list its components");
    OpenCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    OpenCommand->callback([&Host, A] { Open(Host, A->File, std::cout); });
  }
  if (Host.Builds("save")) {
    auto* SaveCommand = App.add_subcommand("save", "Load a design file and write it back");
    SaveCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    SaveCommand->add_option("OUT", A->OutFile, "Where to write it (default: FILE itself)");
    SaveCommand->callback([&Host, A] { Save(Host, A->File, A->OutFile, std::cout); });
  }

  if (Host.Builds("dfm")) {
    auto* DfmCommand =
        App.add_subcommand("dfm", "Parse any text form file and print it in canonical form");
    DfmCommand->add_option("FILE", A->File, "The form file")->required();
    DfmCommand->add_flag("--check", A->Check, "Only report whether the file parses");
    DfmCommand->callback([&Host, A] { Dfm(Host, A->File, A->Check, std::cout); });
  }

  if (Host.Builds("demo")) {
    const std::string Share = NormalPath(ExecutableDir() + "../share/orvane/");
    A->DemoForm = Share + "demo.dfm";
    A->DemoDatabase = Share + "demo.db";
    auto* DemoCommand = App.add_subcommand(
        "demo", "Load the package, show it, and open the demo data module on the demo database");
    DemoCommand->add_option("--form", A->DemoForm, "The demo design file")->capture_default_str();
    DemoCommand->add_option("--database", A->DemoDatabase, "The demo SQLite database")
        ->capture_default_str();
    DemoCommand->callback([&Host, A] { Demo(Host, A->DemoForm, A->DemoDatabase, std::cout); });
  }
}

} // namespace HostCommands
