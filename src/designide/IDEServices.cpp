#include "designide/IDEServices.hpp"

#include "rtl/Classes.hpp"
#include "rtl/SysUtils.hpp"
#include "vcl/Controls.hpp"
#include "vcl/Dialogs.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace IDEServices {

using SysUtils::Format;
using ToolsAPI::IOTAModule;

OV_CLASS_IMPL(TIDEServices, System::TInterfacedObject, "IDEServices")
OV_CLASS_IMPL(TTextModule, System::TInterfacedObject, "IDEServices")
OV_CLASS_IMPL(TSourceEditor, System::TInterfacedObject, "IDEServices")

// Text module editors ---------------------------------------------------------

bool UITextModuleEditor(UIService::TTextModuleRequest& Request) {
  return UIService::UI()->EditTextModule(Request);
}

namespace {

// Quotes a word for the POSIX shell.
std::string ShellQuote(const std::string& S) {
  std::string R = "'";
  for (char Ch : S)
    R += Ch == '\'' ? std::string("'\\''") : std::string(1, Ch);
  return R + "'";
}

// A private folder for the temporary file, removed with what it holds.
class TTempDir {
public:
  TTempDir() {
    std::string Base = SysUtils::GetEnvironmentVariable("TMPDIR");
    if (Base.empty())
      Base = "/tmp";
    std::string Template = SysUtils::IncludeTrailingPathDelimiter(Base) + "ovmodule-XXXXXX";
    if (!mkdtemp(Template.data()))
      throw SysUtils::EInOutError(
          Format("Cannot create a temporary folder in %s: %s", Base, std::strerror(errno)));
    FPath = Template;
  }
  ~TTempDir() {
    if (!FFile.empty())
      unlink(FFile.c_str());
    rmdir(FPath.c_str());
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  std::string FileFor(const std::string& Name) {
    // A module name is no path: keep only characters that cannot climb out
    // of the folder.
    std::string Safe;
    for (char Ch : Name)
      Safe += (Ch == '/' || Ch == '\0') ? '_' : Ch;
    if (Safe.empty() || Safe == "." || Safe == "..")
      Safe = "module.txt";
    FFile = FPath + "/" + Safe;
    return FFile;
  }

private:
  std::string FPath;
  std::string FFile;
};

} // namespace

bool ExternalTextModuleEditor(UIService::TTextModuleRequest& Request) {
  std::string Editor = SysUtils::GetEnvironmentVariable("VISUAL");
  if (Editor.empty())
    Editor = SysUtils::GetEnvironmentVariable("EDITOR");
  if (Editor.empty())
    throw SysUtils::EInOutError(
        Format("Cannot edit %s: set VISUAL or EDITOR to the editor to use", Request.ModuleName));
  if (!Request.Lines)
    return false;
  TTempDir Dir;
  const std::string File = Dir.FileFor(Request.ModuleName);
  const std::string Before = Request.Lines->GetText();
  SysUtils::SaveFileAtomically(File, Before);
  // The editor is a command line of its own ("code --wait"), so the shell
  // runs it with the file as its last argument.
  const std::string Command = Editor + " " + ShellQuote(File);
  const int Status = std::system(Command.c_str());
  if (Status == -1 || !WIFEXITED(Status) || WEXITSTATUS(Status) != 0)
    return false;
  const std::string After = SysUtils::LoadFileToString(File);
  if (After != Before) {
    Request.Lines->SetText(After);
    Request.Modified = true;
  }
  return true;
}

// Services ----------------------------------------------------------------------

TIDEServices::TIDEServices() = default;

TIDEServices::~TIDEServices() {
  for (auto& M : FModules)
    if (auto* T = dynamic_cast<TTextModule*>(M.Get()))
      T->Detach();
}

TInterfaceRef<IOTAModule>
TIDEServices::CreateModule(const TInterfaceRef<ToolsAPI::IOTACreator>& Creator) {
  auto MC = System::Supports<ToolsAPI::IOTAModuleCreator>(Creator);
  if (!MC || !SysUtils::SameText(MC->GetCreatorType(), "Text"))
    return nullptr;
  const std::string FileName = MC->GetImplFileName();
  const std::string FileSystem = MC->GetFileSystem();
  if (!CanOpenTextModule(FileName, FileSystem))
    return nullptr;
  std::string Source;
  SysUtils::TDateTime Age = SysUtils::Now();
  if (TInterfaceRef<ToolsAPI::IOTAFile> File =
          MC->NewImplSource(FileName, MC->GetFormName(), MC->GetAncestorName())) {
    Source = File->GetSource();
    Age = File->GetAge();
  }
  return OpenTextModule(FileName, FileSystem, Source, Age);
}

bool TIDEServices::CanOpenTextModule(const std::string& FileName, const std::string& FileSystem) {
  return !FileName.empty() && !FindModule(FileName) &&
         (FileSystem.empty() || FindFileSystem(FileSystem));
}

TInterfaceRef<IOTAModule> TIDEServices::OpenTextModule(const std::string& FileName,
                                                       const std::string& FileSystem,
                                                       const std::string& Source,
                                                       SysUtils::TDateTime Age) {
  if (!CanOpenTextModule(FileName, FileSystem))
    return nullptr;
  TInterfaceRef<IOTAModule> Module(new TTextModule(this, FileName, FileSystem, Source, Age));
  FModules.push_back(Module);
  return Module;
}

TInterfaceRef<IOTAModule> TIDEServices::FindModule(const std::string& FileName) {
  for (auto& M : FModules)
    if (SysUtils::SameText(M->GetFileName(), FileName))
      return M;
  return nullptr;
}

TInterfaceRef<IOTAModule> TIDEServices::GetModule(int Index) {
  if (Index < 0 || Index >= GetModuleCount())
    return nullptr;
  return FModules[static_cast<size_t>(Index)];
}

bool TIDEServices::CloseAll() {
  // Close the newest first; a module that stays open stops nothing else.
  bool AllClosed = true;
  std::vector<TInterfaceRef<IOTAModule>> Modules = FModules;
  for (auto It = Modules.rbegin(); It != Modules.rend(); ++It)
    if (!(*It)->Close())
      AllClosed = false;
  return AllClosed;
}

void TIDEServices::ModuleClosed(TTextModule* Module) {
  for (auto It = FModules.begin(); It != FModules.end(); ++It)
    if (It->Get() == static_cast<IOTAModule*>(Module)) {
      TInterfaceRef<IOTAModule> Keep = *It;
      FModules.erase(It);
      Module->Detach();
      return;
    }
}

int TIDEServices::AddFileSystem(const TInterfaceRef<ToolsAPI::IOTAFileSystem>& FileSystem) {
  if (!FileSystem || FindFileSystem(FileSystem->GetIDString()))
    return -1;
  FFileSystems.push_back(FileSystem);
  return static_cast<int>(FFileSystems.size()) - 1;
}

void TIDEServices::RemoveFileSystem(int Index) {
  if (Index >= 0 && Index < static_cast<int>(FFileSystems.size()))
    FFileSystems.erase(FFileSystems.begin() + Index);
}

TInterfaceRef<ToolsAPI::IOTAFileSystem> TIDEServices::FindFileSystem(const std::string& Name) {
  for (auto& FS : FFileSystems)
    if (SysUtils::SameText(FS->GetIDString(), Name))
      return FS;
  return nullptr;
}

TIDEServicesScope::TIDEServicesScope()
    : FServices(new TIDEServices()), FPrevious(ToolsAPI::BorlandIDEServices) {
  ToolsAPI::BorlandIDEServices = TInterfaceRef<ToolsAPI::IBorlandIDEServices>(FServices.Get());
}

TIDEServicesScope::~TIDEServicesScope() {
  ToolsAPI::BorlandIDEServices = FPrevious;
}

// Modules -----------------------------------------------------------------------

TTextModule::TTextModule(TIDEServices* AServices, const std::string& AFileName,
                         const std::string& AFileSystem, const std::string& ASource,
                         SysUtils::TDateTime AAge)
    : FServices(AServices), FFileName(AFileName), FFileSystem(AFileSystem), FAge(AAge),
      FEditor(new TSourceEditor(this, ASource)) {}

TTextModule::~TTextModule() {
  Detach();
}

void TTextModule::Detach() {
  FServices = nullptr;
  if (FEditor) {
    FEditor->FModule = nullptr;
    FEditor.Reset();
  }
}

TInterfaceRef<ToolsAPI::IOTAEditor> TTextModule::GetModuleFileEditor(int Index) {
  if (Index != 0 || !FEditor)
    return nullptr;
  return TInterfaceRef<ToolsAPI::IOTAEditor>(FEditor.Get());
}

bool TTextModule::CloseModule(bool ForceClosed) {
  if (!FServices)
    return true;
  TInterfaceRef<IOTAModule> Keep(this);
  if (FEditor && FEditor->GetModified() && !ForceClosed) {
    const int Answer = Dialogs::MessageDlg(
        Format("Save changes to %s?", FFileName), Dialogs::TMsgDlgType::mtConfirmation,
        {Dialogs::TMsgDlgBtn::mbYes, Dialogs::TMsgDlgBtn::mbNo, Dialogs::TMsgDlgBtn::mbCancel}, 0);
    if (Answer == Controls::mrYes)
      Save(false, true);
    else if (Answer != Controls::mrNo)
      return false;
  }
  if (FServices)
    FServices->ModuleClosed(this);
  return true;
}

bool TTextModule::Save(bool ChangeName, bool ForceSave) {
  if (!FServices || !FEditor)
    return false;
  if (!FEditor->GetModified() && !ForceSave)
    return false;
  const std::string Text = FEditor->GetText();
  if (FFileSystem.empty()) {
    SysUtils::SaveFileAtomically(FFileName, Text);
    FAge = SysUtils::Now();
  } else {
    auto FS = FServices->FindFileSystem(FFileSystem);
    if (!FS)
      throw SysUtils::EInOutError(
          Format("Cannot save %s: the file system %s is not registered", FFileName, FFileSystem));
    FS->SaveFile(FFileName, Text);
    const int32_t Date = FS->FileAge(FFileName);
    FAge = Date >= 0 ? SysUtils::FileDateToDateTime(Date) : SysUtils::Now();
  }
  if (FEditor)
    FEditor->FModified = false;
  return true;
}

void TTextModule::ShowEditor() {
  if (!FServices || !FEditor)
    return;
  TInterfaceRef<IOTAModule> Keep(this);
  TInterfaceRef<TSourceEditor> Editor = FEditor;
  Classes::TStringList Lines;
  Lines.SetText(Editor->FText);
  // Compared as lines, so a text without a final line break is no change.
  const std::string Before = Lines.GetText();
  UIService::TTextModuleRequest Request;
  Request.ModuleName = FFileName;
  Request.Lines = &Lines;
  Request.Modified = Editor->FModified;
  const bool Saved = FServices->FTextModuleEditor(Request);
  const std::string Text = Lines.GetText();
  if (Text != Before) {
    Editor->FText = Text;
    Request.Modified = true;
  }
  Editor->FModified = Request.Modified;
  if (Saved)
    Save(false, true);
}

// Source editors ------------------------------------------------------------------

TSourceEditor::TSourceEditor(TTextModule* AModule, const std::string& AText)
    : FModule(AModule), FText(AText) {}

std::string TSourceEditor::GetFileName() {
  return FModule ? FModule->FFileName : std::string();
}

void TSourceEditor::Show() {
  if (FModule)
    FModule->ShowEditor();
}

TInterfaceRef<IOTAModule> TSourceEditor::GetModule() {
  return TInterfaceRef<IOTAModule>(FModule);
}

void TSourceEditor::SetText(const std::string& Text) {
  if (Text == FText)
    return;
  FText = Text;
  FModified = true;
}

int TSourceEditor::GetLinesInBuffer() {
  Classes::TStringList Lines;
  Lines.SetText(FText);
  return Lines.Count();
}

} // namespace IDEServices
