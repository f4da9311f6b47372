// The Open Tools interfaces through which packages reach the host's modules:
// module services (create, find and list modules, file systems), modules with
// their editors, source editors, and the creator and file interfaces that a
// package implements to hand the host a new module.
//
// Interfaces are reference counted (System::IInterface): the host and the
// package hold them through TInterfaceRef, and an object goes when the last
// reference does. The host puts its services into BorlandIDEServices; a
// package asks them for what it needs with IntfCast or System::Supports.
#pragma once

#include "rtl/SysUtils.hpp"
#include "rtl/System.hpp"

#include <cstdint>
#include <string>

namespace ToolsAPI {

using System::IInterface;
using System::TInterfaceRef;
using SysUtils::TDateTime;

class IOTAModule;
class IOTAFormEditor;

// The interface cast `Intf as U`: raises EIntfCastError naming the
// interface when Intf is null or its object does not implement U.
template <class U, class T> TInterfaceRef<U> IntfCast(const TInterfaceRef<T>& Intf) {
  TInterfaceRef<U> Result = System::Supports<U>(Intf);
  if (!Result)
    throw SysUtils::EIntfCastError(std::string("Interface not supported: ") + U::IID);
  return Result;
}

// What the host offers packages; it also implements the service interfaces
// below (IOTAModuleServices), which a package reaches by an interface cast.
class IBorlandIDEServices : public virtual IInterface {
public:
  static constexpr const char* IID = "IBorlandIDEServices";
};

// Set by the host when it starts its services, reset when it stops them.
extern TInterfaceRef<IBorlandIDEServices> BorlandIDEServices;

// A file's content handed to the host: its source text and its age.
class IOTAFile : public virtual IInterface {
public:
  static constexpr const char* IID = "IOTAFile";
  virtual std::string GetSource() = 0;
  virtual TDateTime GetAge() = 0;
};

// What a package implements to have the host create a module.
class IOTACreator : public virtual IInterface {
public:
  static constexpr const char* IID = "IOTACreator";
  // "Text" for a plain text module.
  virtual std::string GetCreatorType() = 0;
  // True when the module stands for something that exists already.
  virtual bool GetExisting() = 0;
  // The file system (IOTAFileSystem::GetIDString) that the module's file
  // lives in; "" for the disk.
  virtual std::string GetFileSystem() = 0;
  // The project the module belongs to; null for none.
  virtual TInterfaceRef<IOTAModule> GetOwner() = 0;
  virtual bool GetUnnamed() = 0;
};

class IOTAModuleCreator : public virtual IOTACreator {
public:
  static constexpr const char* IID = "IOTAModuleCreator";
  virtual std::string GetAncestorName() = 0;
  virtual std::string GetImplFileName() = 0;
  virtual std::string GetIntfFileName() = 0;
  virtual std::string GetFormName() = 0;
  virtual bool GetMainForm() = 0;
  virtual bool GetShowForm() = 0;
  virtual bool GetShowSource() = 0;
  virtual TInterfaceRef<IOTAFile> NewFormFile(const std::string& FormIdent,
                                              const std::string& AncestorIdent) = 0;
  virtual TInterfaceRef<IOTAFile> NewImplSource(const std::string& ModuleIdent,
                                                const std::string& FormIdent,
                                                const std::string& AncestorIdent) = 0;
  virtual TInterfaceRef<IOTAFile> NewIntfSource(const std::string& ModuleIdent,
                                                const std::string& FormIdent,
                                                const std::string& AncestorIdent) = 0;
  virtual void FormCreated(const TInterfaceRef<IOTAFormEditor>& FormEditor) = 0;
};

// A form editor of a module; text modules have none.
class IOTAFormEditor : public virtual IInterface {
public:
  static constexpr const char* IID = "IOTAFormEditor";
};

// One file of a module as it is open in the host.
class IOTAEditor : public virtual IInterface {
public:
  static constexpr const char* IID = "IOTAEditor";
  virtual std::string GetFileName() = 0;
  // True when the buffer holds changes that were not saved.
  virtual bool GetModified() = 0;
  virtual void MarkModified() = 0;
  // Brings the editor to the front: the user interface edits it now.
  virtual void Show() = 0;
  // The module the editor belongs to; null once the module is closed.
  virtual TInterfaceRef<IOTAModule> GetModule() = 0;
};

// The editor of a source file: its text buffer.
class IOTASourceEditor : public virtual IOTAEditor {
public:
  static constexpr const char* IID = "IOTASourceEditor";
  virtual std::string GetText() = 0;
  // Replaces the buffer, as typing does: the buffer is then modified when
  // the text differs.
  virtual void SetText(const std::string& Text) = 0;
  virtual int GetLinesInBuffer() = 0;
};

// An open module: one or more files, each with its editor.
class IOTAModule : public virtual IInterface {
public:
  static constexpr const char* IID = "IOTAModule";
  virtual std::string GetFileName() = 0;
  // The file system the module's files live in ("" for the disk).
  virtual std::string GetFileSystem() = 0;
  virtual int GetModuleFileCount() = 0;
  // Null for an index out of range.
  virtual TInterfaceRef<IOTAEditor> GetModuleFileEditor(int Index) = 0;
  // Closes the module. When a buffer holds unsaved changes the person is
  // asked whether to save them: Yes saves and closes, No discards and
  // closes, Cancel keeps the module open. False when it stays open.
  virtual bool Close() = 0;
  // Close, or with ForceClosed closed without asking, unsaved changes
  // dropped (its file is gone). False when it stays open.
  virtual bool CloseModule(bool ForceClosed) = 0;
  // Writes the buffers to the module's file system. ForceSave saves an
  // unmodified buffer too. False when nothing was saved.
  virtual bool Save(bool ChangeName, bool ForceSave) = 0;
  // The age of the module's file as its file system reports it.
  virtual TDateTime GetAge() = 0;
};

// A place where module files live other than the disk, such as the strings
// file system that ties text modules to string-list properties.
class IOTAFileSystem : public virtual IInterface {
public:
  static constexpr const char* IID = "IOTAFileSystem";
  virtual std::string GetIDString() = 0;
  virtual bool FileExists(const std::string& FileName) = 0;
  // The file's date in the DOS date-time form; -1 when it does not exist.
  virtual int32_t FileAge(const std::string& FileName) = 0;
  virtual std::string LoadFile(const std::string& FileName) = 0;
  virtual void SaveFile(const std::string& FileName, const std::string& Text) = 0;
  virtual bool IsReadonly(const std::string& FileName) = 0;
};

class IOTAModuleServices : public virtual IInterface {
public:
  static constexpr const char* IID = "IOTAModuleServices";
  // Creates and opens a module from the creator: the creator's
  // NewImplSource gives its text. Null when no module was created: the
  // creator is not a module creator, has no file name, names a file system
  // that is not registered, or a module of that file name is open already.
  virtual TInterfaceRef<IOTAModule> CreateModule(const TInterfaceRef<IOTACreator>& Creator) = 0;
  // The open module of that file name (any case), or null.
  virtual TInterfaceRef<IOTAModule> FindModule(const std::string& FileName) = 0;
  virtual int GetModuleCount() = 0;
  virtual TInterfaceRef<IOTAModule> GetModule(int Index) = 0;
  // Closes every module; false when one of them stays open.
  virtual bool CloseAll() = 0;
  // File systems: added once each (a second one with the same ID is refused
  // with -1), found by their ID, removed by index.
  virtual int AddFileSystem(const TInterfaceRef<IOTAFileSystem>& FileSystem) = 0;
  virtual void RemoveFileSystem(int Index) = 0;
  virtual TInterfaceRef<IOTAFileSystem> FindFileSystem(const std::string& Name) = 0;
};

} // namespace ToolsAPI
