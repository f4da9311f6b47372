#include "designide/DesignRegistry.hpp"

#include "rtl/Classes.hpp"

#include <algorithm>
#include <mutex>

namespace DesignRegistry {

using DesignIntf::ERegistrationError;
using SysUtils::Format;

namespace {

struct TComponentEditorEntry {
  TClass ComponentClass;
  TClass EditorClass;
  std::string Package;
};

struct TCategoryEntry {
  std::string Category;
  TClass ComponentClass;
  std::vector<std::string> Filters;
  std::string Package;
};

struct TSprigEntry {
  TClass ComponentClass;
  TClass SprigClass;
  std::string Package;
};

// Registration happens on the host's main thread, but lookups may come from
// tests and tools on others; one lock keeps the tables whole.
struct TState {
  std::mutex Lock;
  std::string Current;
  std::vector<TRegistrationCall> Log;
  std::vector<TPalettePage> Pages;
  std::vector<TPropertyEditorRegistration> PropertyEditors; // registration order
  std::vector<TComponentEditorEntry> ComponentEditors;
  std::vector<TCategoryEntry> Categories;
  std::vector<TSprigEntry> Sprigs;
};

TState& State() {
  static TState S;
  return S;
}

std::string NameOf(TClass C) {
  return C ? C->Name : "nil";
}

// How many ancestors a class has: among classes that all match one class,
// the deeper one is the more derived.
int Depth(TClass C) {
  int D = 0;
  for (; C; C = C->Parent)
    ++D;
  return D;
}

bool Matches(TClass Registered, TClass ComponentClass) {
  return !Registered || (ComponentClass && ComponentClass->InheritsFrom(Registered));
}

void Record(TState& S, const char* Call, std::vector<std::string> Args) {
  S.Log.push_back({S.Current, Call, std::move(Args)});
}

// Most derived registered class that ComponentClass inherits from; the later
// registration wins a tie.
template <class TEntry, class TGet>
TClass FindMostDerived(const std::vector<TEntry>& Entries, TClass ComponentClass, TGet Result) {
  if (!ComponentClass)
    return nullptr;
  const TEntry* Best = nullptr;
  int BestDepth = -1;
  for (const TEntry& E : Entries) {
    if (!ComponentClass->InheritsFrom(E.ComponentClass))
      continue;
    const int D = Depth(E.ComponentClass);
    if (D >= BestDepth) {
      Best = &E;
      BestDepth = D;
    }
  }
  return Best ? Result(*Best) : nullptr;
}

} // namespace

TRegistrationScope::TRegistrationScope(std::string Package) {
  auto& S = State();
  std::lock_guard G(S.Lock);
  FPrevious = std::exchange(S.Current, std::move(Package));
}

TRegistrationScope::~TRegistrationScope() {
  auto& S = State();
  std::lock_guard G(S.Lock);
  S.Current = std::move(FPrevious);
}

std::string CurrentPackage() {
  auto& S = State();
  std::lock_guard G(S.Lock);
  return S.Current;
}

void UnregisterPackage(const std::string& Package) {
  auto& S = State();
  std::lock_guard G(S.Lock);
  const auto Of = [&](const auto& E) { return E.Package == Package; };
  std::erase_if(S.Log, Of);
  for (auto& Page : S.Pages)
    std::erase_if(Page.Items, Of);
  std::erase_if(S.Pages, [](const TPalettePage& P) { return P.Items.empty(); });
  std::erase_if(S.PropertyEditors, Of);
  std::erase_if(S.ComponentEditors, Of);
  std::erase_if(S.Categories, Of);
  std::erase_if(S.Sprigs, Of);
}

std::string TRegistrationCall::Text() const {
  std::string Result = Call;
  for (const std::string& A : Args) {
    Result += ' ';
    if (A.empty() || A.find_first_of(" \t\"") != std::string::npos)
      Result += '"' +
                SysUtils::StringReplace(A, "\"", "\\\"", {SysUtils::TReplaceFlag::rfReplaceAll}) +
                '"';
    else
      Result += A;
  }
  return Result;
}

std::vector<TRegistrationCall> RegistrationLog() {
  auto& S = State();
  std::lock_guard G(S.Lock);
  return S.Log;
}

std::vector<TRegistrationCall> RegistrationLog(const std::string& Package) {
  auto& S = State();
  std::lock_guard G(S.Lock);
  std::vector<TRegistrationCall> Result;
  std::copy_if(S.Log.begin(), S.Log.end(), std::back_inserter(Result),
               [&](const TRegistrationCall& C) { return C.Package == Package; });
  return Result;
}

std::vector<TPalettePage> PalettePages() {
  auto& S = State();
  std::lock_guard G(S.Lock);
  return S.Pages;
}

std::string PalettePageOf(TClass ComponentClass) {
  auto& S = State();
  std::lock_guard G(S.Lock);
  for (const auto& Page : S.Pages)
    for (const auto& Item : Page.Items)
      if (Item.ComponentClass == ComponentClass)
        return Page.Name;
  return "";
}

std::optional<TPropertyEditorRegistration>
FindPropertyEditor(const TypInfo::TTypeInfo* PropertyType, TClass ComponentClass,
                   const std::string& PropertyName) {
  if (!PropertyType)
    return std::nullopt;
  auto& S = State();
  std::lock_guard G(S.Lock);
  const TPropertyEditorRegistration* Best = nullptr;
  std::tuple<int, int, int> BestRank{-1, -1, -1};
  for (const auto& R : S.PropertyEditors) {
    if (!Matches(R.ComponentClass, ComponentClass))
      continue;
    if (!R.PropertyName.empty() && !SysUtils::SameText(R.PropertyName, PropertyName))
      continue;
    int TypeRank;
    if (TypInfo::SameType(R.PropertyType, PropertyType)) {
      TypeRank = INT32_MAX;
    } else if (R.PropertyType->Kind == TypInfo::TTypeKind::tkClass &&
               PropertyType->Kind == TypInfo::TTypeKind::tkClass && PropertyType->ClassType &&
               R.PropertyType->ClassType &&
               PropertyType->ClassType->InheritsFrom(R.PropertyType->ClassType)) {
      TypeRank = Depth(R.PropertyType->ClassType);
    } else {
      continue;
    }
    const std::tuple<int, int, int> Rank{R.PropertyName.empty() ? 0 : 1,
                                         R.ComponentClass ? Depth(R.ComponentClass) : 0, TypeRank};
    if (Rank >= BestRank) {
      Best = &R;
      BestRank = Rank;
    }
  }
  if (!Best)
    return std::nullopt;
  return *Best;
}

std::optional<TPropertyEditorRegistration> FindPropertyEditor(TClass ComponentClass,
                                                              const TypInfo::TPropInfo* Prop) {
  if (!Prop)
    return std::nullopt;
  return FindPropertyEditor(Prop->PropType, ComponentClass, Prop->Name);
}

TClass FindComponentEditor(TClass ComponentClass) {
  auto& S = State();
  std::lock_guard G(S.Lock);
  return FindMostDerived(S.ComponentEditors, ComponentClass,
                         [](const TComponentEditorEntry& E) { return E.EditorClass; });
}

TClass FindSprigType(TClass ComponentClass) {
  auto& S = State();
  std::lock_guard G(S.Lock);
  return FindMostDerived(S.Sprigs, ComponentClass,
                         [](const TSprigEntry& E) { return E.SprigClass; });
}

bool MatchesFilter(std::string_view Filter, std::string_view Name) {
  // Iterative wildcard match: on a mismatch, let the last "*" take one more
  // character and try again from there.
  size_t F = 0, N = 0, StarF = std::string_view::npos, StarN = 0;
  const auto Same = [](char A, char B) {
    return SysUtils::CompareText(std::string_view(&A, 1), std::string_view(&B, 1)) == 0;
  };
  while (N < Name.size()) {
    if (F < Filter.size() && Filter[F] == '*') {
      StarF = F++;
      StarN = N;
    } else if (F < Filter.size() && (Filter[F] == '?' || Same(Filter[F], Name[N]))) {
      ++F;
      ++N;
    } else if (StarF != std::string_view::npos) {
      F = StarF + 1;
      N = ++StarN;
    } else {
      return false;
    }
  }
  while (F < Filter.size() && Filter[F] == '*')
    ++F;
  return F == Filter.size();
}

std::vector<std::string> PropertyCategories(TClass ComponentClass,
                                            const std::string& PropertyName) {
  auto& S = State();
  std::lock_guard G(S.Lock);
  std::vector<std::string> Result;
  for (const auto& C : S.Categories) {
    if (!Matches(C.ComponentClass, ComponentClass))
      continue;
    const bool Hit = std::any_of(C.Filters.begin(), C.Filters.end(), [&](const std::string& F) {
      return MatchesFilter(F, PropertyName);
    });
    if (Hit && std::none_of(Result.begin(), Result.end(), [&](const std::string& R) {
          return SysUtils::SameText(R, C.Category);
        }))
      Result.push_back(C.Category);
  }
  return Result;
}

bool IsPropertyInCategory(const std::string& CategoryName, TClass ComponentClass,
                          const std::string& PropertyName) {
  const auto Categories = PropertyCategories(ComponentClass, PropertyName);
  return std::any_of(Categories.begin(), Categories.end(),
                     [&](const std::string& C) { return SysUtils::SameText(C, CategoryName); });
}

namespace Detail {

void AddPaletteClasses(const std::string& Page, const std::vector<TClass>& Classes) {
  if (SysUtils::Trim(Page).empty())
    throw ERegistrationError("RegisterComponents: the palette page name is empty");
  auto& S = State();
  std::lock_guard G(S.Lock);
  std::vector<std::string> Args{Page};
  for (size_t I = 0; I < Classes.size(); ++I) {
    const TClass C = Classes[I];
    if (!C)
      throw ERegistrationError(
          Format("RegisterComponents: class %d for the page \"%s\" is nil", int(I + 1), Page));
    if (!C->InheritsFrom(Classes::TComponent::StaticClass()))
      throw ERegistrationError(Format("RegisterComponents: %s is not a component class", C->Name));
    for (const auto& P : S.Pages)
      for (const auto& Item : P.Items)
        if (SysUtils::SameText(Item.ComponentClass->Name, C->Name))
          throw ERegistrationError(
              Format("RegisterComponents: a component class named %s is already on the palette "
                     "page \"%s\"",
                     C->Name, P.Name));
    for (size_t J = 0; J < I; ++J)
      if (Classes[J] == C)
        throw ERegistrationError(
            Format("RegisterComponents: %s is named twice for the page \"%s\"", C->Name, Page));
    Args.push_back(C->Name);
  }
  auto It = std::find_if(S.Pages.begin(), S.Pages.end(),
                         [&](const TPalettePage& P) { return SysUtils::SameText(P.Name, Page); });
  if (It == S.Pages.end())
    It = S.Pages.insert(S.Pages.end(), TPalettePage{Page, {}});
  for (const TClass C : Classes)
    It->Items.push_back({C, S.Current});
  Record(S, "RegisterComponents", std::move(Args));
}

void AddPropertyEditor(const TypInfo::TTypeInfo* PropertyType, TClass ComponentClass,
                       const std::string& PropertyName, TClass EditorClass) {
  if (!PropertyType)
    throw ERegistrationError(Format("RegisterPropertyEditor: no property type for %s.%s",
                                    NameOf(ComponentClass),
                                    PropertyName.empty() ? std::string("*") : PropertyName));
  auto& S = State();
  std::lock_guard G(S.Lock);
  S.PropertyEditors.push_back({PropertyType, ComponentClass, PropertyName, EditorClass, S.Current});
  Record(S, "RegisterPropertyEditor",
         {PropertyType->Name, NameOf(ComponentClass), PropertyName, NameOf(EditorClass)});
}

void AddComponentEditor(TClass ComponentClass, TClass EditorClass) {
  if (!ComponentClass || !EditorClass)
    throw ERegistrationError(Format("RegisterComponentEditor: %s for %s: both classes are needed",
                                    NameOf(EditorClass), NameOf(ComponentClass)));
  auto& S = State();
  std::lock_guard G(S.Lock);
  S.ComponentEditors.push_back({ComponentClass, EditorClass, S.Current});
  Record(S, "RegisterComponentEditor", {ComponentClass->Name, EditorClass->Name});
}

void AddCategory(const std::string& Category, TClass ComponentClass,
                 const std::vector<std::string>& Filters) {
  if (SysUtils::Trim(Category).empty())
    throw ERegistrationError(
        Format("RegisterPropertiesInCategory: the category name is empty (class %s)",
               NameOf(ComponentClass)));
  if (Filters.empty() ||
      std::any_of(Filters.begin(), Filters.end(), [](const std::string& F) { return F.empty(); }))
    throw ERegistrationError(
        Format("RegisterPropertiesInCategory: an empty property name filter for %s in \"%s\"",
               NameOf(ComponentClass), Category));
  auto& S = State();
  std::lock_guard G(S.Lock);
  S.Categories.push_back({Category, ComponentClass, Filters, S.Current});
  std::vector<std::string> Args{Category, NameOf(ComponentClass)};
  Args.insert(Args.end(), Filters.begin(), Filters.end());
  Record(S, "RegisterPropertiesInCategory", std::move(Args));
}

void AddSprigType(TClass ComponentClass, TClass SprigClass) {
  if (!ComponentClass || !SprigClass)
    throw ERegistrationError(Format("RegisterSprigType: %s for %s: both classes are needed",
                                    NameOf(SprigClass), NameOf(ComponentClass)));
  auto& S = State();
  std::lock_guard G(S.Lock);
  S.Sprigs.push_back({ComponentClass, SprigClass, S.Current});
  Record(S, "RegisterSprigType", {ComponentClass->Name, SprigClass->Name});
}

} // namespace Detail

} // namespace DesignRegistry
