#include "designide/FldLinks.hpp"

#include "designide/DSDesign.hpp"
#include "rtl/SysUtils.hpp"
#include "vcl/StdCtrls.hpp"

#include <algorithm>

namespace FldLinks {

using DesignIntf::TPropertyAttribute;
using SysUtils::Format;
using SysUtils::SameText;

std::string SPrimaryIndexEntry() {
  return "<Primary>";
}

OV_CLASS_IMPL(TFieldLinkProperty, DesignEditors::TStringProperty, "FldLinks")

OV_CLASS_BEGIN(TLinkFields, Forms::TForm, "FldLinks")
OV_FIELDS(lblIndexes, cbIndexes, lblDetail, lbDetail, lblMaster, lbMaster, lblJoined, lbJoined,
          btAdd, btDelete, btClear, btOk, btCancel)
OV_METHODS(cbIndexesChange, ListClick, btAddClick, btDeleteClick, btClearClick)
OV_CLASS_END

namespace {

const TypInfo::TPropInfo* StringProp(DB::TDataSet* DataSet, const char* Name) {
  const TypInfo::TPropInfo* P = TypInfo::GetPropInfo(DataSet, Name);
  return P && P->PropType->Kind == TypInfo::TTypeKind::tkString ? P : nullptr;
}

std::string ReadString(DB::TDataSet* DataSet, const char* Name) {
  const TypInfo::TPropInfo* P = StringProp(DataSet, Name);
  return P ? TypInfo::GetStrProp(DataSet, P) : std::string();
}

void WriteString(DB::TDataSet* DataSet, const char* Name, const std::string& Value) {
  const TypInfo::TPropInfo* P = StringProp(DataSet, Name);
  if (!P)
    throw TypInfo::EPropertyError(TypInfo::PropErrorMessage(DataSet, Name, "does not exist"));
  TypInfo::SetStrProp(DataSet, P, Value);
}

std::string JoinNames(const std::vector<std::string>& Names) {
  std::string R;
  for (const std::string& N : Names)
    R += (R.empty() ? "" : ";") + N;
  return R;
}

// The field names a dataset has or its database describes.
std::vector<std::string> FieldNamesOf(DB::TDataSet* DataSet) {
  Classes::TStringList List;
  DataSet->GetFieldNames(&List);
  if (List.Count() == 0 && !DataSet->GetActive()) {
    DSDesign::TDSDesigner(DataSet).UpdateFieldDefs();
    DataSet->GetFieldNames(&List);
  }
  return List.ToVector();
}

} // namespace

// The property editor ---------------------------------------------------------------

TFieldLinkProperty::TFieldLinkProperty(DB::TDataSet* ADataSet, DesignIntf::IDesigner* ADesigner)
    : TStringProperty(ADesigner, 0), FDataSet(ADataSet) {}

DesignIntf::TPropertyAttributes TFieldLinkProperty::GetAttributes() {
  return {TPropertyAttribute::paDialog, TPropertyAttribute::paRevertable};
}

DB::TDataSet* TFieldLinkProperty::GetDataSet() {
  if (FDataSet)
    return FDataSet;
  return System::As<DB::TDataSet>(static_cast<System::TObject*>(GetComponent(0)));
}

void TFieldLinkProperty::Edit() {
  FLinkChanged = false;
  Forms::TFormPtr<TLinkFields> Dialog(Forms::Application->CreateForm<TLinkFields>(nullptr));
  Dialog->SetUp(this);
  const int Result = Dialog->ShowModal();
  if (Result != Controls::mrOk || !Dialog->Changed()) {
    Dialog->RestoreIndex();
    return;
  }
  SetMasterFields(Dialog->MasterFieldsText());
  FLinkChanged = true;
  Modified();
}

void TFieldLinkProperty::GetFieldNamesForIndex(Classes::TStrings* List) {
  std::string Fields = GetIndexFieldNames();
  if (Fields.empty())
    if (DB::TIndexDefs* Defs = GetIndexDefs()) {
      if (Defs->Count() == 0)
        Defs->Update();
      const std::string Name = GetIndexName();
      const DB::TIndexDef* Def =
          Name.empty() ? Defs->PrimaryIndex()
                       : (Defs->IndexOf(Name) >= 0 ? Defs->Items(Defs->IndexOf(Name)) : nullptr);
      if (Def)
        Fields = Def->GetFields();
    }
  for (const std::string& F : DB::SplitFieldNames(Fields))
    List->Add(F);
}

bool TFieldLinkProperty::GetIndexBased() {
  return !GetDataSet()->PSIsSQLBased();
}

DB::TIndexDefs* TFieldLinkProperty::GetIndexDefs() {
  DB::TDataSet* DS = GetDataSet();
  if (DB::TIndexDefs* Defs = DS->PSGetIndexDefs())
    return Defs;
  const TypInfo::TPropInfo* P = TypInfo::GetPropInfo(DS, "IndexDefs");
  if (P && P->PropType->Kind == TypInfo::TTypeKind::tkClass)
    return dynamic_cast<DB::TIndexDefs*>(TypInfo::GetObjectProp(DS, P));
  return nullptr;
}

std::string TFieldLinkProperty::GetIndexFieldNames() {
  return ReadString(GetDataSet(), "IndexFieldNames");
}

std::string TFieldLinkProperty::GetIndexName() {
  return ReadString(GetDataSet(), "IndexName");
}

std::string TFieldLinkProperty::GetMasterFields() {
  return PropCount() > 0 ? GetStrValue() : ReadString(GetDataSet(), "MasterFields");
}

void TFieldLinkProperty::SetIndexFieldNames(const std::string& Value) {
  WriteString(GetDataSet(), "IndexFieldNames", Value);
}

void TFieldLinkProperty::SetIndexName(const std::string& Value) {
  WriteString(GetDataSet(), "IndexName", Value == SPrimaryIndexEntry() ? std::string() : Value);
}

void TFieldLinkProperty::SetMasterFields(const std::string& Value) {
  // Edit tells the designer once the whole link is written.
  if (PropCount() == 0) {
    WriteString(GetDataSet(), "MasterFields", Value);
    return;
  }
  for (int I = 0; I < PropCount(); ++I)
    TypInfo::SetStrProp(Entry(I).Instance, Entry(I).PropInfo, Value);
}

// The designer ---------------------------------------------------------------------------

TLinkFields::TLinkFields(TComponent* AOwner) : Forms::TForm(AOwner) {}

TLinkFields::~TLinkFields() = default;

void TLinkFields::SetUp(TFieldLinkProperty* Link) {
  FLink = Link;
  DB::TDataSet* Detail = Link->GetDataSet();
  const TypInfo::TPropInfo* SourceProp = TypInfo::GetPropInfo(Detail, "MasterSource");
  auto* Source = SourceProp && SourceProp->PropType->Kind == TypInfo::TTypeKind::tkClass
                     ? dynamic_cast<DB::TDataSource*>(TypInfo::GetObjectProp(Detail, SourceProp))
                     : nullptr;
  DB::TDataSet* Master = Source ? Source->GetDataSet() : nullptr;
  if (!Master)
    throw SysUtils::EInvalidOperation(
        Format("%s has no master dataset: set its MasterSource to a data source with a dataset "
               "before linking fields",
               Detail->GetName()));
  FMasterFields = FieldNamesOf(Master);
  FIndexBased = Link->GetIndexBased();
  FOriginalIndexName = Link->GetIndexName();
  FOriginalIndexFieldNames = Link->GetIndexFieldNames();
  FOriginalMasterFields = Link->GetMasterFields();

  Classes::TStrings* Indexes = cbIndexes->GetItems();
  Indexes->Clear();
  lblIndexes->SetEnabled(FIndexBased);
  cbIndexes->SetEnabled(FIndexBased);
  if (FIndexBased) {
    if (DB::TIndexDefs* Defs = Link->GetIndexDefs()) {
      if (Defs->Count() == 0)
        Defs->Update();
      if (Defs->PrimaryIndex())
        Indexes->Add(SPrimaryIndexEntry());
      for (int I = 0; I < Defs->Count(); ++I) {
        const DB::TIndexDef* Def = Defs->Items(I);
        if (!Def->GetName().empty() && !Def->GetOptions().Contains(DB::TIndexOption::ixPrimary) &&
            !Def->GetOptions().Contains(DB::TIndexOption::ixExpression))
          Indexes->Add(Def->GetName());
      }
      std::string Current;
      if (!FOriginalIndexFieldNames.empty()) {
        if (const DB::TIndexDef* Def = Defs->FindIndexForFields(FOriginalIndexFieldNames))
          Current = Def->GetOptions().Contains(DB::TIndexOption::ixPrimary) ? SPrimaryIndexEntry()
                                                                            : Def->GetName();
      } else {
        Current = FOriginalIndexName.empty() ? SPrimaryIndexEntry() : FOriginalIndexName;
      }
      // Choosing the entry must not count as the developer's change.
      const int Index = Indexes->IndexOf(Current);
      const auto Saved = cbIndexes->OnChange;
      cbIndexes->OnChange = nullptr;
      cbIndexes->SetItemIndex(Index);
      cbIndexes->OnChange = Saved;
    }
  }
  ReadIndexFields();
  // The current link: each master field joined to the detail field at the
  // same position.
  FJoined.clear();
  const std::vector<std::string> Masters = DB::SplitFieldNames(FOriginalMasterFields);
  for (size_t I = 0; I < Masters.size(); ++I) {
    std::string DetailField;
    if (FIndexBased)
      DetailField = I < FDetailFields.size() ? FDetailFields[I] : std::string();
    else {
      const std::vector<std::string> Keys = DB::SplitFieldNames(FOriginalIndexFieldNames);
      DetailField = I < Keys.size() ? Keys[I] : Masters[I];
    }
    if (DetailField.empty())
      break;
    FJoined.emplace_back(DetailField, Masters[I]);
  }
  UpdateLists();
}

void TLinkFields::ReadIndexFields() {
  FDetailFields.clear();
  if (FIndexBased) {
    Classes::TStringList List;
    FLink->GetFieldNamesForIndex(&List);
    FDetailFields = List.ToVector();
  } else {
    FDetailFields = FieldNamesOf(FLink->GetDataSet());
  }
}

void TLinkFields::UpdateLists() {
  Classes::TStrings* Items = lbDetail->GetItems();
  Items->Clear();
  if (FIndexBased) {
    // An index joins its fields in order: only the next one is offered.
    if (FJoined.size() < FDetailFields.size())
      Items->Add(FDetailFields[FJoined.size()]);
  } else {
    for (const std::string& F : FDetailFields) {
      const bool Used = std::any_of(FJoined.begin(), FJoined.end(),
                                    [&](const auto& J) { return SameText(J.first, F); });
      if (!Used)
        Items->Add(F);
    }
  }
  Items = lbMaster->GetItems();
  Items->Clear();
  for (const std::string& F : FMasterFields)
    Items->Add(F);
  Items = lbJoined->GetItems();
  Items->Clear();
  for (const auto& [Detail, Master] : FJoined)
    Items->Add(Detail + " -> " + Master);
  UpdateButtons();
}

void TLinkFields::UpdateButtons() {
  btAdd->SetEnabled(lbDetail->GetItemIndex() >= 0 && lbMaster->GetItemIndex() >= 0);
  btDelete->SetEnabled(lbJoined->GetItemIndex() >= 0);
  btClear->SetEnabled(!FJoined.empty());
}

std::string TLinkFields::MasterFieldsText() const {
  std::vector<std::string> Masters;
  for (const auto& J : FJoined)
    Masters.push_back(J.second);
  return JoinNames(Masters);
}

bool TLinkFields::Changed() const {
  return FIndexChanged ||
         MasterFieldsText() != JoinNames(DB::SplitFieldNames(FOriginalMasterFields));
}

void TLinkFields::RestoreIndex() {
  if (!FIndexChanged || !FLink)
    return;
  if (!FOriginalIndexFieldNames.empty())
    FLink->SetIndexFieldNames(FOriginalIndexFieldNames);
  else
    FLink->SetIndexName(FOriginalIndexName);
  FIndexChanged = false;
}

void TLinkFields::cbIndexesChange(System::TObject*) {
  if (!FLink || !FIndexBased || cbIndexes->GetItemIndex() < 0)
    return;
  FLink->SetIndexName(cbIndexes->GetItems()->Get(cbIndexes->GetItemIndex()));
  FIndexChanged = true;
  ReadIndexFields();
  FJoined.clear();
  UpdateLists();
}

void TLinkFields::ListClick(System::TObject*) {
  UpdateButtons();
}

void TLinkFields::btAddClick(System::TObject*) {
  const int D = lbDetail->GetItemIndex();
  const int M = lbMaster->GetItemIndex();
  if (D < 0 || M < 0)
    return;
  FJoined.emplace_back(lbDetail->GetItems()->Get(D), lbMaster->GetItems()->Get(M));
  UpdateLists();
}

void TLinkFields::btDeleteClick(System::TObject*) {
  const int J = lbJoined->GetItemIndex();
  if (J < 0 || J >= static_cast<int>(FJoined.size()))
    return;
  // With an index the pairs follow its fields in order: the pairs after the
  // deleted one would pair the wrong fields, so they go too.
  if (FIndexBased)
    FJoined.erase(FJoined.begin() + J, FJoined.end());
  else
    FJoined.erase(FJoined.begin() + J);
  UpdateLists();
}

void TLinkFields::btClearClick(System::TObject*) {
  FJoined.clear();
  UpdateLists();
}

} // namespace FldLinks
