#include "designide/ColnEdit.hpp"

#include "rtl/SysUtils.hpp"
#include "vcl/StdCtrls.hpp"

namespace ColnEdit {

using SysUtils::Format;

OV_CLASS_BEGIN(TCollectionEditor, Forms::TForm, "ColnEdit")
OV_FIELDS(lbItems, btAdd, btDelete, btMoveUp, btMoveDown, btClose)
OV_METHODS(lbItemsClick, btAddClick, btDeleteClick, btMoveUpClick, btMoveDownClick)
OV_CLASS_END

TCollectionEditor::TCollectionEditor(TComponent* AOwner) : Forms::TForm(AOwner) {}

TCollectionEditor::~TCollectionEditor() {
  if (FComponent)
    FComponent->RemoveFreeNotification(this);
}

void TCollectionEditor::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  Forms::TForm::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && AComponent == FComponent) {
    // The collection belongs to the component: both are gone.
    FComponent = nullptr;
    FCollection = nullptr;
  }
}

std::string TCollectionEditor::ItemText(const Classes::TCollectionItem* Item) {
  return Format("%d - %s", Item->Index(), Item->GetDisplayName());
}

void TCollectionEditor::SetUp(IDesigner* ADesigner, TComponent* AComponent,
                              TCollection* ACollection, const std::string& APropertyName,
                              TColOptions AOptions) {
  if (FComponent)
    FComponent->RemoveFreeNotification(this);
  FDesigner = System::TInterfaceRef<IDesigner>(ADesigner);
  FComponent = AComponent;
  FCollection = ACollection;
  FPropertyName = APropertyName;
  FOptions = AOptions;
  if (FComponent)
    FComponent->FreeNotification(this);
  SetCaption(
      Format("Editing %s.%s", FComponent ? FComponent->GetName() : std::string(), FPropertyName));
  // Buttons the options do not allow are not offered at all.
  btAdd->SetVisible(FOptions.Contains(TColOption::coAdd));
  btDelete->SetVisible(FOptions.Contains(TColOption::coDelete));
  btMoveUp->SetVisible(FOptions.Contains(TColOption::coMove));
  btMoveDown->SetVisible(FOptions.Contains(TColOption::coMove));
  UpdateList(FCollection && FCollection->Count() > 0 ? 0 : -1);
}

void TCollectionEditor::UpdateList(int Selected) {
  Classes::TStrings* Items = lbItems->GetItems();
  {
    const Classes::TStringsUpdate Updating(Items);
    Items->Clear();
    if (FCollection)
      for (int I = 0; I < FCollection->Count(); ++I)
        Items->Add(ItemText(FCollection->Items(I)));
  }
  lbItems->SetItemIndex(Selected < Items->Count() ? Selected : Items->Count() - 1);
  UpdateButtons();
}

void TCollectionEditor::UpdateButtons() {
  const int Index = lbItems->GetItemIndex();
  const int Count = FCollection ? FCollection->Count() : 0;
  btAdd->SetEnabled(FCollection && FOptions.Contains(TColOption::coAdd));
  btDelete->SetEnabled(FOptions.Contains(TColOption::coDelete) && Index >= 0);
  btMoveUp->SetEnabled(FOptions.Contains(TColOption::coMove) && Index > 0);
  btMoveDown->SetEnabled(FOptions.Contains(TColOption::coMove) && Index >= 0 && Index < Count - 1);
}

void TCollectionEditor::Changed(int Selected) {
  UpdateList(Selected);
  if (FDesigner)
    FDesigner->Modified();
}

void TCollectionEditor::lbItemsClick(System::TObject*) {
  UpdateButtons();
  const int Index = lbItems->GetItemIndex();
  if (FDesigner && FCollection && Index >= 0 && Index < FCollection->Count())
    FDesigner->SelectComponent(FCollection->Items(Index));
}

void TCollectionEditor::btAddClick(System::TObject*) {
  if (!FCollection || !FOptions.Contains(TColOption::coAdd))
    return;
  Classes::TCollectionItem* Item = FCollection->Add();
  Changed(Item->Index());
  if (FDesigner)
    FDesigner->SelectComponent(Item);
}

void TCollectionEditor::btDeleteClick(System::TObject*) {
  const int Index = lbItems->GetItemIndex();
  if (!FCollection || !FOptions.Contains(TColOption::coDelete) || Index < 0 ||
      Index >= FCollection->Count())
    return;
  if (FDesigner)
    FDesigner->SelectComponent(FComponent);
  FCollection->Delete(Index);
  Changed(Index);
}

void TCollectionEditor::MoveBy(int Delta) {
  const int Index = lbItems->GetItemIndex();
  const int Target = Index + Delta;
  if (!FCollection || !FOptions.Contains(TColOption::coMove) || Index < 0 ||
      Index >= FCollection->Count() || Target < 0 || Target >= FCollection->Count())
    return;
  FCollection->Items(Index)->SetIndex(Target);
  Changed(Target);
}

void TCollectionEditor::btMoveUpClick(System::TObject*) {
  MoveBy(-1);
}

void TCollectionEditor::btMoveDownClick(System::TObject*) {
  MoveBy(1);
}

void ShowCollectionEditorClass(IDesigner* ADesigner, System::TClass CollectionEditorClass,
                               TComponent* AComponent, TCollection* ACollection,
                               const std::string& PropertyName, TColOptions ColOptions) {
  if (!CollectionEditorClass ||
      !CollectionEditorClass->InheritsFrom(TCollectionEditor::StaticClass()))
    throw SysUtils::EInvalidOperation(
        Format("%s is no collection editor class",
               CollectionEditorClass ? CollectionEditorClass->Name : std::string("nil")));
  if (!AComponent)
    throw SysUtils::EInvalidOperation(
        Format("The collection editor of %s needs the component that holds it", PropertyName));
  if (!ACollection)
    throw SysUtils::EInvalidOperation(
        Format("%s.%s holds no collection to edit", AComponent->GetName(), PropertyName));
  Forms::TFormPtr<TCollectionEditor> Editor(System::As<TCollectionEditor>(
      Forms::Application->CreateForm(CollectionEditorClass, nullptr)));
  Editor->SetUp(ADesigner, AComponent, ACollection, PropertyName, ColOptions);
  Editor->ShowModal();
}

} // namespace ColnEdit
