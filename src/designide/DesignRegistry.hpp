// The host's side of registration: which package is registering, the record
// of every registration call, the lookups the designer makes (palette,
// property editor, component editor, categories, tree nodes), and the removal
// of a package's registrations when it unloads.
//
// Lookups match a registered component class and its descendants: the most
// derived registration wins, and among equally specific ones the later one.
// Property editors are chosen by the most specific registration, compared in
// this order: a registration for the property's name beats one for any name;
// then the more derived component class; then the exact property type beats
// an ancestor class of it (for class-typed properties), the nearer ancestor
// beating the farther.
#pragma once

#include "designide/DesignIntf.hpp"
#include "rtl/System.hpp"
#include "rtl/TypInfo.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace DesignRegistry {

using System::TClass;

// While one lives, registration calls are recorded under Package. Scopes do
// not nest: the host registers one package at a time. Calls made outside a
// scope are recorded under the host itself (an empty package name).
class TRegistrationScope {
public:
  explicit TRegistrationScope(std::string Package);
  ~TRegistrationScope();
  TRegistrationScope(const TRegistrationScope&) = delete;
  TRegistrationScope& operator=(const TRegistrationScope&) = delete;

private:
  std::string FPrevious;
};

// The package whose registrations are being recorded now.
std::string CurrentPackage();

// Removes every registration the package made; its log entries go too.
void UnregisterPackage(const std::string& Package);

// One registration call as it was made: the call's name and its arguments as
// text (class and type names, the page, property name, category, filters).
struct TRegistrationCall {
  std::string Package;
  std::string Call;
  std::vector<std::string> Args;
  // "RegisterPropertyEditor Boolean TOVDatabase Connected TOVDatabaseConnectedProperty";
  // an empty argument reads "" and one holding blanks is put in double quotes.
  std::string Text() const;
};

// The calls in the order they were made; with a package name, only its calls.
std::vector<TRegistrationCall> RegistrationLog();
std::vector<TRegistrationCall> RegistrationLog(const std::string& Package);

struct TPaletteItem {
  TClass ComponentClass = nullptr;
  std::string Package;
};

struct TPalettePage {
  std::string Name;
  std::vector<TPaletteItem> Items;
};

// Pages in the order they were first registered, each with its classes in
// registration order.
std::vector<TPalettePage> PalettePages();
// The palette page of a component class, "" when it is not on the palette.
std::string PalettePageOf(TClass ComponentClass);

struct TPropertyEditorRegistration {
  const TypInfo::TTypeInfo* PropertyType = nullptr;
  TClass ComponentClass = nullptr; // null: any component
  std::string PropertyName;        // "": any property
  TClass EditorClass = nullptr;    // null: the property is hidden
  std::string Package;
};

// The registration that decides the editor of a property of ComponentClass,
// or nullopt when none matches (the host's default editor for its kind).
std::optional<TPropertyEditorRegistration>
FindPropertyEditor(const TypInfo::TTypeInfo* PropertyType, TClass ComponentClass,
                   const std::string& PropertyName);
std::optional<TPropertyEditorRegistration> FindPropertyEditor(TClass ComponentClass,
                                                              const TypInfo::TPropInfo* Prop);

// The component editor class for ComponentClass, null when none is registered.
TClass FindComponentEditor(TClass ComponentClass);
// The tree node class for ComponentClass, null when none is registered.
TClass FindSprigType(TClass ComponentClass);

// The categories the property belongs to, in registration order, each once.
std::vector<std::string> PropertyCategories(TClass ComponentClass, const std::string& PropertyName);
bool IsPropertyInCategory(const std::string& CategoryName, TClass ComponentClass,
                          const std::string& PropertyName);

// Whether Name matches Filter: "*" any run of characters, "?" any one, other
// characters compare without regard to case.
bool MatchesFilter(std::string_view Filter, std::string_view Name);

// Internal: what the registration calls of DesignIntf and TreeIntf record.
namespace Detail {
void AddPaletteClasses(const std::string& Page, const std::vector<TClass>& Classes);
void AddPropertyEditor(const TypInfo::TTypeInfo* PropertyType, TClass ComponentClass,
                       const std::string& PropertyName, TClass EditorClass);
void AddComponentEditor(TClass ComponentClass, TClass EditorClass);
void AddCategory(const std::string& Category, TClass ComponentClass,
                 const std::vector<std::string>& Filters);
void AddSprigType(TClass ComponentClass, TClass SprigClass);
} // namespace Detail

} // namespace DesignRegistry
