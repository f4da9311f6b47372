// Component editors and the choice of a component's editor.
#include "designide/DesignEditors.hpp"

#include "designide/DesignRegistry.hpp"
#include "rtl/SysUtils.hpp"

namespace DesignEditors {

using SysUtils::Format;

OV_CLASS_IMPL(TComponentEditor, System::TObject, "DesignEditors")
OV_CLASS_IMPL(TDefaultEditor, TComponentEditor, "DesignEditors")

TComponentEditor::TComponentEditor(TComponent* AComponent, IDesigner* ADesigner)
    : FComponent(AComponent), FDesigner(ADesigner) {}

TComponentEditor::~TComponentEditor() = default;

void TComponentEditor::Edit() {
  if (GetVerbCount() > 0)
    ExecuteVerb(0);
}

void TComponentEditor::ExecuteVerb(int) {}

std::string TComponentEditor::GetVerb(int) {
  return {};
}

int TComponentEditor::GetVerbCount() {
  return 0;
}

void TComponentEditor::Copy() {}

void TComponentEditor::PrepareItem(int, Menus::TMenuItem*) {}

std::unique_ptr<TComponentEditor> CreateComponentEditor(TClass EditorClass, TComponent* Component,
                                                        IDesigner* Designer) {
  if (!EditorClass || !EditorClass->InheritsFrom(TComponentEditor::StaticClass()))
    throw SysUtils::EInvalidOperation(
        Format("%s is no component editor class", EditorClass ? EditorClass->Name : "nil"));
  if (EditorClass->ConstructorKind != TypInfo::TConstructorKind::ckOwner || !EditorClass->Factory)
    throw SysUtils::EInvalidOperation(
        Format("Component editor class %s cannot be created from its class reference: it needs "
               "a constructor taking the component",
               EditorClass->Name));
  std::unique_ptr<TComponentEditor> Editor(
      dynamic_cast<TComponentEditor*>(EditorClass->Factory(Component)));
  Editor->FDesigner = TInterfaceRef<IDesigner>(Designer);
  return Editor;
}

TClass ComponentEditorClassOf(const TComponent* Component) {
  if (Component)
    if (TClass C = DesignRegistry::FindComponentEditor(Component->ClassType()))
      return C;
  return TDefaultEditor::StaticClass();
}

std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* Component, IDesigner* Designer) {
  return CreateComponentEditor(ComponentEditorClassOf(Component), Component, Designer);
}

} // namespace DesignEditors
