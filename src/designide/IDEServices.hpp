// The host's implementation of the Open Tools module services: the module
// list, text modules with their source editors, and the file systems that
// module files live in. The host installs one TIDEServices object as
// ToolsAPI::BorlandIDEServices for as long as it designs.
//
// Text modules are edited by a person through the user interface: showing a
// module's editor hands its buffer to the text module editor, which by
// default is the UI service's EditTextModule (the scripted UI stands in for a
// person there) and which the command-line host replaces by the person's own
// editor (ExternalTextModuleEditor: $VISUAL, else $EDITOR).
#pragma once

#include "designide/ToolsAPI.hpp"
#include "vcl/UIService.hpp"

#include <functional>
#include <string>
#include <vector>

namespace IDEServices {

using System::TInterfaceRef;

class TTextModule;
class TSourceEditor;

// Edits the buffer of a shown text module: Request.Lines is the buffer,
// changed in place as the person types, Request.Modified tells (in and out)
// whether the buffer holds unsaved changes. Returns true when the person
// saved: the module then writes the buffer to its file system.
using TTextModuleEditor = std::function<bool(UIService::TTextModuleRequest& Request)>;

// The editor through the installed UI service.
bool UITextModuleEditor(UIService::TTextModuleRequest& Request);

// The person's own editor: $VISUAL, else $EDITOR, run through the shell on a
// temporary file named after the module (Form1.OVQuery1.SQL) in a private
// temporary folder. When the editor exits with success the file's text
// becomes the buffer (modified when it differs) and the result is true;
// otherwise the buffer stays as it was and the result is false. Raises
// EInOutError when neither variable is set or the file cannot be written or
// read back; the folder is removed in every case.
bool ExternalTextModuleEditor(UIService::TTextModuleRequest& Request);

class TIDEServices : public System::TInterfacedObject,
                     public ToolsAPI::IBorlandIDEServices,
                     public ToolsAPI::IOTAModuleServices {
  OV_CLASS(TIDEServices, System::TInterfacedObject)
public:
  TIDEServices();
  ~TIDEServices() override;
  TIDEServices(const TIDEServices&) = delete;
  TIDEServices& operator=(const TIDEServices&) = delete;

  TInterfaceRef<ToolsAPI::IOTAModule>
  CreateModule(const TInterfaceRef<ToolsAPI::IOTACreator>& Creator) override;
  TInterfaceRef<ToolsAPI::IOTAModule> FindModule(const std::string& FileName) override;
  int GetModuleCount() override { return static_cast<int>(FModules.size()); }
  TInterfaceRef<ToolsAPI::IOTAModule> GetModule(int Index) override;
  bool CloseAll() override;
  int AddFileSystem(const TInterfaceRef<ToolsAPI::IOTAFileSystem>& FileSystem) override;
  void RemoveFileSystem(int Index) override;
  TInterfaceRef<ToolsAPI::IOTAFileSystem> FindFileSystem(const std::string& Name) override;
  int GetFileSystemCount() const { return static_cast<int>(FFileSystems.size()); }
  // The host's own way to what CreateModule does with a creator: a text
  // module of FileName in FileSystem holding Source. Null when the name is
  // empty or already open, or the file system is not added.
  TInterfaceRef<ToolsAPI::IOTAModule> OpenTextModule(const std::string& FileName,
                                                     const std::string& FileSystem,
                                                     const std::string& Source,
                                                     SysUtils::TDateTime Age);

  void SetTextModuleEditor(TTextModuleEditor Editor) { FTextModuleEditor = std::move(Editor); }
  const TTextModuleEditor& TextModuleEditor() const { return FTextModuleEditor; }

private:
  friend class TTextModule;
  void ModuleClosed(TTextModule* Module);
  bool CanOpenTextModule(const std::string& FileName, const std::string& FileSystem);

  std::vector<TInterfaceRef<ToolsAPI::IOTAModule>> FModules;
  std::vector<TInterfaceRef<ToolsAPI::IOTAFileSystem>> FFileSystems;
  TTextModuleEditor FTextModuleEditor = UITextModuleEditor;
};

// A services object installed as BorlandIDEServices while the scope lives;
// leaving the scope closes nothing and puts back what was installed before.
class TIDEServicesScope {
public:
  TIDEServicesScope();
  ~TIDEServicesScope();
  TIDEServicesScope(const TIDEServicesScope&) = delete;
  TIDEServicesScope& operator=(const TIDEServicesScope&) = delete;
  TIDEServices* Services() const { return FServices.Get(); }

private:
  TInterfaceRef<TIDEServices> FServices;
  TInterfaceRef<ToolsAPI::IBorlandIDEServices> FPrevious;
};

// A text module: one file whose source editor holds the text. Its file
// lives in the file system the creator named (or on disk for "").
class TTextModule : public System::TInterfacedObject, public ToolsAPI::IOTAModule {
  OV_CLASS(TTextModule, System::TInterfacedObject)
public:
  TTextModule(TIDEServices* AServices, const std::string& AFileName, const std::string& AFileSystem,
              const std::string& ASource, SysUtils::TDateTime AAge);
  ~TTextModule() override;

  std::string GetFileName() override { return FFileName; }
  std::string GetFileSystem() override { return FFileSystem; }
  int GetModuleFileCount() override { return FEditor ? 1 : 0; }
  TInterfaceRef<ToolsAPI::IOTAEditor> GetModuleFileEditor(int Index) override;
  bool Close() override { return CloseModule(false); }
  bool CloseModule(bool ForceClosed) override;
  bool Save(bool ChangeName, bool ForceSave) override;
  SysUtils::TDateTime GetAge() override { return FAge; }
  bool IsOpen() const { return FServices != nullptr; }

private:
  friend class TIDEServices;
  friend class TSourceEditor;
  void Detach();
  void ShowEditor();

  TIDEServices* FServices;
  std::string FFileName;
  std::string FFileSystem;
  SysUtils::TDateTime FAge;
  TInterfaceRef<TSourceEditor> FEditor;
};

class TSourceEditor : public System::TInterfacedObject, public ToolsAPI::IOTASourceEditor {
  OV_CLASS(TSourceEditor, System::TInterfacedObject)
public:
  TSourceEditor(TTextModule* AModule, const std::string& AText);

  std::string GetFileName() override;
  bool GetModified() override { return FModified; }
  void MarkModified() override { FModified = true; }
  void Show() override;
  TInterfaceRef<ToolsAPI::IOTAModule> GetModule() override;
  std::string GetText() override { return FText; }
  void SetText(const std::string& Text) override;
  int GetLinesInBuffer() override;

private:
  friend class TTextModule;
  TTextModule* FModule; // null once the module is gone
  std::string FText;
  bool FModified = false;
};

} // namespace IDEServices
