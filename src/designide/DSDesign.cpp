#include "designide/DSDesign.hpp"

#include "rtl/ScopeGuard.hpp"
#include "rtl/SysUtils.hpp"
#include "vcl/StdCtrls.hpp"

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>

namespace DSDesign {

using SysUtils::Format;
using SysUtils::SameText;

OV_CLASS_IMPL(TDSDesigner, System::TObject, "DSDesign")
OV_CLASS_IMPL(TDataSetSprig, TreeIntf::TComponentSprig, "DSDesign")

OV_CLASS_BEGIN(TFieldsEditor, Forms::TForm, "DSDesign")
OV_FIELDS(lblFields, lbFields, lblAvailable, lbAvailable, btAdd, btAddAll, btDelete, btClose)
OV_METHODS(btAddClick, btAddAllClick, btDeleteClick, ListClick)
OV_CLASS_END

namespace {

// Runs Change on the dataset closed, as fields can only be added to or taken
// from a closed dataset, and opens it again when it was open. When Change
// fails, the dataset is reopened as far as possible and Change's error
// passes on.
template <class F> void WhileClosed(DB::TDataSet* DataSet, F Change) {
  const bool WasActive = DataSet->GetActive();
  if (WasActive)
    DataSet->Close();
  try {
    Change();
  } catch (...) {
    if (WasActive)
      try {
        DataSet->Open();
      } catch (...) {
        // The change's error is the one to report.
      }
    throw;
  }
  if (WasActive)
    DataSet->Open();
}

} // namespace

// The dataset designer -----------------------------------------------------------

TDSDesigner::TDSDesigner(TComponent* ADataSet) : FDataSet(System::As<DB::TDataSet>(ADataSet)) {
  if (!FDataSet)
    throw SysUtils::EInvalidOperation("The dataset designer needs a dataset");
}

TDSDesigner::~TDSDesigner() = default;

void TDSDesigner::UpdateFieldDefs() {
  if (FDataSet->GetActive())
    return;
  FDataSet->Open();
  FDataSet->Close();
}

std::vector<DB::TField*> TDSDesigner::PersistentFields() const {
  std::vector<DB::TField*> Result;
  DB::TFields* Fields = FDataSet->Fields();
  for (int I = 0; I < Fields->Count(); ++I)
    if (Fields->Fields(I)->IsPersistent())
      Result.push_back(Fields->Fields(I));
  return Result;
}

std::vector<std::string> TDSDesigner::AvailableFieldNames() const {
  std::vector<std::string> Result;
  const std::vector<DB::TField*> Persistent = PersistentFields();
  DB::TFieldDefs* Defs = FDataSet->FieldDefs();
  for (int I = 0; I < Defs->Count(); ++I) {
    const std::string& Name = Defs->Items(I)->GetName();
    const bool Taken = std::any_of(Persistent.begin(), Persistent.end(), [&](DB::TField* F) {
      return SameText(F->GetFieldName(), Name);
    });
    if (!Taken)
      Result.push_back(Name);
  }
  return Result;
}

std::string TDSDesigner::FieldComponentName(TComponent* Owner, const std::string& FieldName) const {
  std::string Base = FDataSet->GetName();
  for (char Ch : FieldName)
    if (std::isalnum(static_cast<unsigned char>(Ch)) || Ch == '_')
      Base += Ch;
  if (Base.empty() || std::isdigit(static_cast<unsigned char>(Base[0])))
    Base.insert(0, "Field");
  const auto Taken = [&](const std::string& Name) {
    return Owner && (Owner->FindComponent(Name) || SameText(Owner->GetName(), Name));
  };
  if (!Taken(Base))
    return Base;
  for (int N = 1;; ++N)
    if (const std::string Candidate = Base + std::to_string(N); !Taken(Candidate))
      return Candidate;
}

std::vector<DB::TField*> TDSDesigner::AddFields(TComponent* Owner,
                                                const std::vector<std::string>& Names) {
  const std::vector<std::string> Available = AvailableFieldNames();
  std::vector<DB::TFieldDef*> Defs;
  for (const std::string& Name : Names) {
    const bool Offered = std::any_of(Available.begin(), Available.end(),
                                     [&](const std::string& A) { return SameText(A, Name); });
    if (!Offered) {
      if (FDataSet->FieldDefs()->IndexOf(Name) < 0)
        throw DB::EDatabaseError(
            Format("%s: the database describes no field '%s'", FDataSet->GetName(), Name));
      throw DB::EDatabaseError(
          Format("%s: field '%s' has a persistent field already", FDataSet->GetName(), Name));
    }
    Defs.push_back(FDataSet->FieldDefs()->Find(Name));
  }
  std::vector<DB::TField*> Added;
  WhileClosed(FDataSet, [&] {
    try {
      for (DB::TFieldDef* Def : Defs) {
        std::unique_ptr<DB::TField> Field(Def->CreateField(Owner));
        Field->SetName(FieldComponentName(Owner, Def->GetName()));
        Field->SetDataSet(FDataSet);
        Added.push_back(Field.release());
      }
    } catch (...) {
      for (DB::TField* F : Added)
        delete F;
      Added.clear();
      throw;
    }
  });
  return Added;
}

void TDSDesigner::DeleteFields(const std::vector<DB::TField*>& Fields) {
  WhileClosed(FDataSet, [&] {
    for (DB::TField* F : Fields)
      delete F;
  });
}

// The dialog -------------------------------------------------------------------------

TFieldsEditor::TFieldsEditor(TComponent* AOwner) : Forms::TForm(AOwner) {}

TFieldsEditor::~TFieldsEditor() = default;

TComponent* TFieldsEditor::FieldOwner() const {
  if (FDesigner && FDesigner->GetRoot())
    return FDesigner->GetRoot();
  return FDSDesigner->DataSet()->Owner();
}

void TFieldsEditor::SetUp(IDesigner* ADesigner, TDSDesigner* ADSDesigner) {
  FDesigner = System::TInterfaceRef<IDesigner>(ADesigner);
  FDSDesigner = ADSDesigner;
  FDSDesigner->UpdateFieldDefs();
  const TComponent* Root = FieldOwner();
  const std::string DataSetName = FDSDesigner->DataSet()->GetName();
  SetCaption(Root && Root != FDSDesigner->DataSet() && !Root->GetName().empty()
                 ? Root->GetName() + "." + DataSetName
                 : DataSetName);
  UpdateLists();
}

void TFieldsEditor::UpdateLists() {
  FFields = FDSDesigner->PersistentFields();
  FAvailable = FDSDesigner->AvailableFieldNames();
  {
    Classes::TStrings* Items = lbFields->GetItems();
    const Classes::TStringsUpdate Updating(Items);
    Items->Clear();
    for (DB::TField* F : FFields)
      Items->Add(F->GetFieldName());
  }
  {
    Classes::TStrings* Items = lbAvailable->GetItems();
    const Classes::TStringsUpdate Updating(Items);
    Items->Clear();
    for (const std::string& Name : FAvailable)
      Items->Add(Name);
  }
  UpdateButtons();
}

void TFieldsEditor::UpdateButtons() {
  btAdd->SetEnabled(lbAvailable->SelCount() > 0);
  btAddAll->SetEnabled(!FAvailable.empty());
  btDelete->SetEnabled(lbFields->SelCount() > 0);
}

void TFieldsEditor::ListClick(System::TObject*) {
  UpdateButtons();
}

void TFieldsEditor::Change(const std::function<void()>& Action) {
  // The fields may have changed even when reopening the dataset afterwards
  // failed: the designer hears of what was done either way.
  const std::vector<DB::TField*> Before = FDSDesigner->PersistentFields();
  const ScopeGuard::TFinally Finally([&] {
    UpdateLists();
    if (FDesigner && FFields != Before)
      FDesigner->Modified();
  });
  Action();
}

void TFieldsEditor::Add(const std::vector<std::string>& Names) {
  if (Names.empty())
    return;
  std::vector<DB::TField*> Added;
  Change([&] { Added = FDSDesigner->AddFields(FieldOwner(), Names); });
  if (FDesigner && !Added.empty())
    FDesigner->SelectComponent(Added.back());
}

void TFieldsEditor::btAddClick(System::TObject*) {
  std::vector<std::string> Names;
  for (int I = 0; I < static_cast<int>(FAvailable.size()); ++I)
    if (lbAvailable->GetSelected(I))
      Names.push_back(FAvailable[static_cast<size_t>(I)]);
  Add(Names);
}

void TFieldsEditor::btAddAllClick(System::TObject*) {
  Add(FAvailable);
}

void TFieldsEditor::btDeleteClick(System::TObject*) {
  std::vector<DB::TField*> Doomed;
  for (int I = 0; I < static_cast<int>(FFields.size()); ++I)
    if (lbFields->GetSelected(I))
      Doomed.push_back(FFields[static_cast<size_t>(I)]);
  if (Doomed.empty())
    return;
  if (FDesigner)
    FDesigner->SelectComponent(FDSDesigner->DataSet());
  Change([&] { FDSDesigner->DeleteFields(Doomed); });
}

void ShowFieldsEditor(IDesigner* Designer, DB::TDataSet* ADataSet, System::TClass DesignerClass) {
  if (!ADataSet)
    throw SysUtils::EInvalidOperation("The fields editor needs a dataset");
  if (!DesignerClass)
    DesignerClass = TDSDesigner::StaticClass();
  if (!DesignerClass->InheritsFrom(TDSDesigner::StaticClass()) ||
      DesignerClass->ConstructorKind != TypInfo::TConstructorKind::ckOwner ||
      !DesignerClass->Factory)
    throw SysUtils::EInvalidOperation(
        Format("%s is no dataset designer class that can be created with its dataset",
               DesignerClass->Name));
  std::unique_ptr<TDSDesigner> DSDesigner(
      System::As<TDSDesigner>(DesignerClass->Factory(ADataSet)));
  Forms::TFormPtr<TFieldsEditor> Editor(Forms::Application->CreateForm<TFieldsEditor>(nullptr));
  Editor->SetUp(Designer, DSDesigner.get());
  Editor->ShowModal();
}

} // namespace DSDesign
