#include "designide/ObjectInspector.hpp"

#include "designide/DesignRegistry.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"

#include <algorithm>

namespace ObjectInspector {

using DesignIntf::TPropertyAttribute;
using SysUtils::Format;

namespace {

std::string ObjectText(TPersistent* P) {
  if (auto* C = dynamic_cast<Classes::TComponent*>(P); C && !C->GetName().empty())
    return C->GetName();
  return P ? P->GetNamePath() : std::string("nil");
}

} // namespace

// Rows ------------------------------------------------------------------------------------

TInspectorProperty::TInspectorProperty(TObjectInspector* AOwner, TInspectorProperty* AParent,
                                       std::unique_ptr<TPropertyEditor> AEditor)
    : FOwner(AOwner), FParent(AParent), FEditor(std::move(AEditor)) {
  if (FParent) {
    FCategories = FParent->FCategories;
    return;
  }
  // Categories are registered for component classes and property names; a
  // multiple selection takes those of its first object.
  if (!FOwner->Selection().empty() && FOwner->Selection()[0])
    FCategories =
        DesignRegistry::PropertyCategories(FOwner->Selection()[0]->ClassType(), FEditor->GetName());
}

TInspectorProperty::~TInspectorProperty() = default;

std::string TInspectorProperty::Name() const {
  return FEditor->GetName();
}

std::string TInspectorProperty::Path() const {
  return FParent ? FParent->Path() + "." + Name() : Name();
}

std::string TInspectorProperty::EditorClassName() const {
  return FEditor->ClassName();
}

TPropertyAttributes TInspectorProperty::Attributes() const {
  return FEditor->GetAttributes();
}

bool TInspectorProperty::AllEqual() const {
  return FEditor->AllEqual();
}

std::string TInspectorProperty::Value() const {
  return FEditor->GetVisualValue();
}

std::string TInspectorProperty::Category() const {
  return FCategories.empty() ? std::string() : FCategories.front();
}

std::vector<std::string> TInspectorProperty::Values() const {
  FEditor->Activate();
  std::vector<std::string> List = FEditor->ValueList();
  if (FEditor->GetAttributes().Contains(TPropertyAttribute::paSortList))
    std::stable_sort(List.begin(), List.end(), [](const std::string& A, const std::string& B) {
      return SysUtils::CompareText(A, B) < 0;
    });
  return List;
}

std::string TInspectorProperty::Where() const {
  return FOwner->SelectionText();
}

void TInspectorProperty::SetValue(const std::string& Value) {
  FEditor->Activate();
  if (FEditor->GetAttributes().Contains(TPropertyAttribute::paReadOnly))
    throw TypInfo::EPropertyError(
        Format("%s: property %s is read-only in the Object Inspector; cannot set it to '%s'",
               Where(), Path(), Value));
  try {
    FEditor->SetValue(Value);
  } catch (TypInfo::EPropertyError& E) {
    E.SetMessage(Where() + ": " + E.Message());
    throw;
  } catch (SysUtils::Exception& E) {
    E.SetMessage(
        Format("%s: cannot set property %s to '%s': %s", Where(), Path(), Value, E.Message()));
    throw;
  }
  FSubProperties.clear();
  FSubPropertiesMade = false;
}

void TInspectorProperty::Edit() {
  FEditor->Activate();
  FEditor->Edit();
  FSubProperties.clear();
  FSubPropertiesMade = false;
}

const std::vector<std::unique_ptr<TInspectorProperty>>& TInspectorProperty::SubProperties() {
  if (FSubPropertiesMade)
    return FSubProperties;
  FSubPropertiesMade = true;
  if (!FEditor->GetAttributes().Contains(TPropertyAttribute::paSubProperties))
    return FSubProperties;
  FEditor->GetProperties([this](std::unique_ptr<TPropertyEditor> Sub) {
    FSubProperties.push_back(std::make_unique<TInspectorProperty>(FOwner, this, std::move(Sub)));
  });
  return FSubProperties;
}

// The inspector ---------------------------------------------------------------------------

TObjectInspector::TObjectInspector(IDesigner* ADesigner, std::vector<TPersistent*> ASelection)
    : FDesigner(ADesigner), FSelection(std::move(ASelection)) {
  Refresh();
}

TObjectInspector::~TObjectInspector() = default;

void TObjectInspector::Refresh() {
  FProperties.clear();
  if (FSelection.empty())
    return;
  DesignEditors::GetComponentProperties(
      FSelection, FDesigner.Get(), [this](std::unique_ptr<TPropertyEditor> Editor) {
        FProperties.push_back(
            std::make_unique<TInspectorProperty>(this, nullptr, std::move(Editor)));
      });
}

TInspectorProperty* TObjectInspector::Find(std::string_view Path) {
  const std::vector<std::string> Parts = SysUtils::SplitString(Path, '.');
  if (Parts.empty())
    return nullptr;
  const std::vector<std::unique_ptr<TInspectorProperty>>* Rows = &FProperties;
  TInspectorProperty* Found = nullptr;
  for (const std::string& Part : Parts) {
    Found = nullptr;
    for (const auto& Row : *Rows)
      if (SysUtils::SameText(Row->Name(), SysUtils::Trim(Part))) {
        Found = Row.get();
        break;
      }
    if (!Found)
      return nullptr;
    Rows = &Found->SubProperties();
  }
  return Found;
}

TInspectorProperty& TObjectInspector::Get(std::string_view Path) {
  if (TInspectorProperty* P = Find(Path))
    return *P;
  std::string Why = "is not shown in the Object Inspector";
  const std::string Top = SysUtils::SplitString(Path, '.').empty()
                              ? std::string(Path)
                              : SysUtils::Trim(SysUtils::SplitString(Path, '.')[0]);
  for (TPersistent* P : FSelection)
    if (P && !P->ClassType()->FindProp(Top)) {
      Why = Format("does not exist in %s (%s)", ObjectText(P), P->ClassName());
      break;
    }
  if (FSelection.size() > 1 && Why == "is not shown in the Object Inspector")
    Why = "is not shared by the selected components";
  throw TypInfo::EPropertyError(
      Format("%s: property %s %s", SelectionText(), StrUtils::Excerpt(Path, 120), Why));
}

std::string TObjectInspector::SelectionText() const {
  std::string R;
  for (TPersistent* P : FSelection)
    R += (R.empty() ? "" : ", ") + ObjectText(P);
  return R;
}

} // namespace ObjectInspector
