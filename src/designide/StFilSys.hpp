// The strings file system: text modules whose "files" are string-list
// properties of components. An entry ties a module name (root, component and
// property, "Form1.OVQuery1.SQL") to the component's property; saving the
// module writes its text into the property and tells the design's designer,
// and the entry's file date moves to the moment of the save.
#pragma once

#include "designide/ToolsAPI.hpp"
#include "rtl/Classes.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace StFilSys {

// The ID under which the file system is registered with the module services.
inline constexpr const char* sTStringsFileSystem = "Delphi.TStringsFileSystem";

// An entry of the file system: a module name tied to a component's
// string-list property. The entry hears of the component's destruction; a
// module whose component is gone can no longer be saved, unless the entry
// is tied again to a component of the same name (Retie: a design made anew
// from its text by undo or redo).
class TStringsProperty : public Classes::TComponent {
  OV_CLASS(TStringsProperty, Classes::TComponent)
public:
  TStringsProperty(const std::string& AIdent, Classes::TComponent* AComponent,
                   const std::string& APropName);
  ~TStringsProperty() override;

  const std::string& Ident() const { return FIdent; }
  Classes::TComponent* Component() const { return FComponent; }
  const std::string& PropName() const { return FPropName; }
  // The file date in the DOS date-time form (SysUtils::DateTimeToFileDate).
  int32_t GetFileDate() const { return FFileDate; }
  void SetFileDate(int32_t Value) { FFileDate = Value; }

  // The property's text as TStrings::GetText gives it.
  std::string GetText() const;
  // Writes Text into the property (through the component's setter when the
  // property has one, so the component reacts as to any assignment), tells
  // the designer of the component's root (Modified) and sets the file date
  // to now. Raises EInvalidOperation when the component is gone.
  void SetText(const std::string& Text);
  // When the component was destroyed: ties the entry to the component of
  // the same name that Root, the destroyed component's owner, holds now (if
  // it has the property as a string list). True when the entry is tied.
  bool Retie(Classes::TComponent* Root);

protected:
  void Notification(Classes::TComponent* AComponent, Classes::TOperation Operation) override;

private:
  friend class TStringsFileSystem;
  void Tie(Classes::TComponent* AComponent, const std::string& APropName);
  Classes::TStrings* Strings() const;

  std::string FIdent;
  Classes::TComponent* FComponent = nullptr;
  // The component's name and owner, kept when the component is destroyed.
  std::string FComponentName;
  Classes::TComponent* FRoot = nullptr;
  std::string FPropName;
  int32_t FFileDate = 0;
};

class TStringsFileSystem : public System::TInterfacedObject, public ToolsAPI::IOTAFileSystem {
  OV_CLASS(TStringsFileSystem, System::TInterfacedObject)
public:
  TStringsFileSystem() = default;
  ~TStringsFileSystem() override;

  // The entry of the module name Ident, tied now to the property PropName of
  // Component (an entry of that name that existed is tied anew). Raises
  // EPropertyError when the component has no such published property or the
  // property is no string list, and EInvalidCast when Component is not a
  // component.
  TStringsProperty* GetTStringsProperty(const std::string& Ident, Classes::TPersistent* Component,
                                        const std::string& PropName);
  // The entry of that module name (any case), or null.
  TStringsProperty* FindTStringsProperty(const std::string& Ident) const;
  int EntryCount() const { return static_cast<int>(FEntries.size()); }
  // After Root's components were made anew: every entry whose component
  // Root owned and that was destroyed is tied to Root's component of the
  // same name. Returns the module names of the entries left without one.
  std::vector<std::string> Retie(Classes::TComponent* Root);

  // IOTAFileSystem: the files are the entries.
  std::string GetIDString() override { return sTStringsFileSystem; }
  bool FileExists(const std::string& FileName) override;
  int32_t FileAge(const std::string& FileName) override;
  // Raises EInOutError for a module name that has no entry.
  std::string LoadFile(const std::string& FileName) override;
  void SaveFile(const std::string& FileName, const std::string& Text) override;
  bool IsReadonly(const std::string& FileName) override;

private:
  TStringsProperty* Entry(const std::string& FileName) const; // EInOutError when absent

  std::vector<std::unique_ptr<TStringsProperty>> FEntries;
};

// The unit's file system object; null until the first Register.
extern TStringsFileSystem* StringsFileSystem;

// Creates the file system object when there is none yet and adds it to the
// host's module services when they do not have it. May be called any number
// of times.
void Register();

// The end of opening a string-list property as the module Module (named
// Ident, its text read at Age): ties the entry to the property, dates its
// file Age and shows the module's editor, marked modified when Modified.
void ShowStringsModule(ToolsAPI::IOTAModule* Module, const std::string& Ident,
                       Classes::TPersistent* Component, const std::string& PropName,
                       SysUtils::TDateTime Age, bool Modified);

} // namespace StFilSys
