// Values, fields, the dataset's cursor and edit buffer, parameters, index
// definitions, data sources.
#include "db/DB.hpp"

#include <gtest/gtest.h>

using namespace DB;

namespace {

// A dataset of three rows (ID integer, NAME string(10), PRICE float).
std::unique_ptr<TMemDataSet> Sample() {
  auto DS = std::make_unique<TMemDataSet>(nullptr);
  DS->FieldDefs()->Add("ID", TFieldType::ftInteger);
  DS->FieldDefs()->Add("NAME", TFieldType::ftString, 10);
  DS->FieldDefs()->Add("PRICE", TFieldType::ftFloat);
  DS->Open();
  DS->AppendRecord({1, "one", 1.5});
  DS->AppendRecord({2, "two", TVariant()});
  DS->AppendRecord({3, "three", 3.25});
  DS->First();
  return DS;
}

} // namespace

TEST(Variant, ConvertsBetweenKindsAndNamesWhatFails) {
  EXPECT_EQ(TVariant("42").AsInteger(), 42);
  EXPECT_EQ(TVariant(2.5).AsInteger(), 3);
  EXPECT_EQ(TVariant(int64_t{7}).AsString(), "7");
  EXPECT_TRUE(TVariant("yes").AsBoolean());
  EXPECT_FALSE(TVariant("0").AsBoolean());
  EXPECT_EQ(TVariant().AsString(), "");
  EXPECT_EQ(TVariant().AsInteger(), 0);
  EXPECT_TRUE(TVariant().IsNull());
  try {
    TVariant("12abc").AsInteger();
    FAIL();
  } catch (const SysUtils::EConvertError& E) {
    EXPECT_NE(E.Message().find("'12abc'"), std::string::npos);
  }
  EXPECT_THROW(TVariant("maybe").AsBoolean(), SysUtils::EConvertError);
  EXPECT_THROW(TVariant::FromBlob("x").AsFloat(), SysUtils::EConvertError);
}

TEST(Variant, ReadsAndWritesISODates) {
  SysUtils::TDateTime D = 0;
  ASSERT_TRUE(TryISOStrToDateTime("2024-02-29 13:45:10.250", D));
  int Y, Mo, Dd, H, Mi, S, Ms;
  SysUtils::DecodeDate(D, Y, Mo, Dd);
  SysUtils::DecodeTime(D, H, Mi, S, Ms);
  EXPECT_EQ((std::vector<int>{Y, Mo, Dd, H, Mi, S, Ms}),
            (std::vector<int>{2024, 2, 29, 13, 45, 10, 250}));
  EXPECT_TRUE(TryISOStrToDateTime("2024-02-29T13:45:10+01", D));
  EXPECT_TRUE(TryISOStrToDateTime("08:30", D));
  EXPECT_FALSE(TryISOStrToDateTime("2023-02-29", D));
  EXPECT_FALSE(TryISOStrToDateTime("2023-13-01", D));
  EXPECT_FALSE(TryISOStrToDateTime("yesterday", D));
  EXPECT_EQ(DateTimeToISOStr(SysUtils::EncodeDate(2001, 7, 4)), "2001-07-04 00:00:00");
  EXPECT_EQ(DateTimeToISOStr(SysUtils::EncodeDate(2001, 7, 4), TFieldType::ftDate), "2001-07-04");
  EXPECT_EQ(TVariant("2001-07-04").AsDateTime(), SysUtils::EncodeDate(2001, 7, 4));
}

TEST(DataSet, NavigatesWithBofAndEof) {
  auto DS = Sample();
  EXPECT_EQ(DS->RecordCount(), 3);
  EXPECT_TRUE(DS->Bof());
  EXPECT_FALSE(DS->Eof());
  std::vector<int> Seen;
  for (DS->First(); !DS->Eof(); DS->Next())
    Seen.push_back(DS->FieldByName("id")->GetAsInteger());
  EXPECT_EQ(Seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(DS->GetRecNo(), 3);
  DS->Prior();
  EXPECT_EQ(DS->FieldByName("NAME")->GetAsString(), "two");
  EXPECT_TRUE(DS->FieldByName("PRICE")->IsNull());
  EXPECT_EQ(DS->MoveBy(-5), -1);
  EXPECT_TRUE(DS->Bof());
  DS->Last();
  EXPECT_TRUE(DS->Eof());
  EXPECT_EQ(DS->FieldByName("ID")->GetAsInteger(), 3);
  EXPECT_THROW(DS->SetRecNo(4), EDatabaseError);
}

TEST(DataSet, EmptyDataSetIsBofAndEof) {
  TMemDataSet DS(nullptr);
  DS.FieldDefs()->Add("X", TFieldType::ftInteger);
  DS.Open();
  EXPECT_TRUE(DS.IsEmpty());
  EXPECT_TRUE(DS.Bof());
  EXPECT_TRUE(DS.Eof());
  DS.Next();
  EXPECT_TRUE(DS.Eof());
  EXPECT_TRUE(DS.FieldByName("X")->IsNull());
}

TEST(DataSet, FieldLookupNamesTheMissingFieldAndTheDataSet) {
  auto DS = Sample();
  DS->SetName("Items");
  EXPECT_EQ(DS->FindField("nope"), nullptr);
  try {
    DS->FieldByName("nope");
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.Message(), "Items: Field 'nope' not found");
  }
  Classes::TStringList Names;
  DS->GetFieldNames(&Names);
  EXPECT_EQ(Names.GetCommaText(), "ID,NAME,PRICE");
}

TEST(DataSet, EditKeepsOldValuesUntilPostAndCancelRestores) {
  auto DS = Sample();
  TField* Name = DS->FieldByName("NAME");
  EXPECT_THROW(Name->SetAsString("x"), EDatabaseError); // not editing
  DS->Edit();
  Name->SetAsString("uno");
  EXPECT_EQ(Name->GetAsString(), "uno");
  EXPECT_EQ(Name->OldValue().AsString(), "one");
  DS->Cancel();
  EXPECT_EQ(Name->GetAsString(), "one");
  DS->Edit();
  Name->SetAsString("uno");
  DS->Post();
  EXPECT_EQ(Name->GetAsString(), "uno");
  EXPECT_EQ(Name->OldValue().AsString(), "uno");
}

TEST(DataSet, TypedFieldsRefuseValuesTheyCannotHoldAndChangeNothing) {
  auto DS = Sample();
  DS->Edit();
  TField* Id = DS->FieldByName("ID");
  EXPECT_THROW(Id->SetAsString("seven"), SysUtils::EConvertError);
  EXPECT_THROW(Id->SetAsLargeInt(int64_t{1} << 40), SysUtils::EConvertError);
  EXPECT_EQ(Id->GetAsInteger(), 1);
  Id->SetAsString(" 12 ");
  EXPECT_EQ(Id->GetValue().Type(), TVarType::varInteger);
  EXPECT_THROW(DS->FieldByName("NAME")->SetAsString("eleven chars"), SysUtils::EConvertError);
  DS->FieldByName("NAME")->SetAsString("ten chars!");
  DS->Post();
  EXPECT_EQ(DS->FieldByName("ID")->GetAsInteger(), 12);
}

TEST(DataSet, InsertAppendAndDelete) {
  auto DS = Sample();
  DS->Next(); // on "two"
  DS->Insert();
  DS->FieldByName("ID")->SetAsInteger(9);
  DS->Post();
  EXPECT_EQ(DS->GetRecNo(), 2);
  DS->Append();
  DS->FieldByName("ID")->SetAsInteger(10);
  DS->Post();
  EXPECT_EQ(DS->RecordCount(), 5);
  EXPECT_EQ(DS->GetRecNo(), 5);
  DS->Delete();
  EXPECT_EQ(DS->RecordCount(), 4);
  EXPECT_EQ(DS->FieldByName("ID")->GetAsInteger(), 3);
  std::vector<int> Ids;
  for (DS->First(); !DS->Eof(); DS->Next())
    Ids.push_back(DS->FieldByName("ID")->GetAsInteger());
  EXPECT_EQ(Ids, (std::vector<int>{1, 9, 2, 3}));
}

TEST(DataSet, RequiredFieldsMustHaveAValue) {
  auto DS = Sample();
  DS->Close();
  auto* Id = new TIntegerField(nullptr);
  Id->SetFieldName("ID");
  Id->SetRequired(true);
  Id->SetDataSet(DS.get());
  DS->Open();
  DS->Append();
  EXPECT_THROW(DS->Post(), EDatabaseError);
  EXPECT_EQ(DS->State(), TDataSetState::dsInsert);
  DS->Cancel();
  DS->Close();
  delete Id;
  EXPECT_EQ(DS->Fields()->Count(), 0);
}

TEST(DataSet, PersistentFieldsBindByNameAndSurviveClose) {
  Classes::TComponent Form(nullptr);
  auto* DS = new TMemDataSet(&Form);
  DS->SetName("Items");
  DS->FieldDefs()->Add("ID", TFieldType::ftInteger);
  DS->FieldDefs()->Add("NAME", TFieldType::ftString, 10);
  auto* Name = new TStringField(&Form);
  Name->SetName("ItemsNAME");
  Name->SetFieldName("name");
  Name->SetDataSet(DS);
  DS->Open();
  EXPECT_FALSE(DS->DefaultFields());
  EXPECT_EQ(DS->Fields()->Count(), 1);
  DS->AppendRecord({5, "five"});
  EXPECT_EQ(Name->GetAsString(), "five");
  DS->Close();
  EXPECT_EQ(Name->GetDataSet(), DS);
  EXPECT_TRUE(Name->GetValue().IsNull());

  // Written nested inside the dataset by design files.
  std::vector<Classes::TComponent*> Children;
  DS->GetChildren([&](Classes::TComponent* C) { Children.push_back(C); }, &Form);
  EXPECT_EQ(Children, (std::vector<Classes::TComponent*>{Name}));
  EXPECT_TRUE(Name->HasParent());
  EXPECT_EQ(Name->GetParentComponent(), DS);

  auto* Missing = new TIntegerField(&Form);
  Missing->SetFieldName("QTY");
  Missing->SetDataSet(DS);
  try {
    DS->Open();
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.Message(), "Items: Field 'QTY' not found");
  }
  EXPECT_FALSE(DS->GetActive());
  delete Missing;
  auto* WrongKind = new TIntegerField(&Form);
  WrongKind->SetFieldName("NAME");
  Name->SetDataSet(nullptr);
  WrongKind->SetDataSet(DS);
  EXPECT_THROW(DS->Open(), EDatabaseError);

  // Freeing the dataset leaves its persistent fields to the form.
  delete DS;
  EXPECT_EQ(WrongKind->GetDataSet(), nullptr);
}

TEST(DataSet, DynamicFieldsComeAndGoWithOpenAndClose) {
  auto DS = Sample();
  EXPECT_TRUE(DS->DefaultFields());
  ASSERT_EQ(DS->Fields()->Count(), 3);
  EXPECT_TRUE(DS->Fields()->Fields(0)->Is<TIntegerField>());
  EXPECT_TRUE(DS->Fields()->Fields(1)->Is<TStringField>());
  EXPECT_EQ(DS->Fields()->Fields(1)->GetSize(), 10);
  EXPECT_TRUE(DS->Fields()->Fields(2)->Is<TFloatField>());
  DS->Close();
  EXPECT_EQ(DS->Fields()->Count(), 0);
  EXPECT_EQ(DS->ComponentCount(), 0);
}

TEST(DataSet, StreamedActiveOpensInLoaded) {
  TMemDataSet DS(nullptr);
  DS.FieldDefs()->Add("X", TFieldType::ftInteger);
  DS.SetLoading(true);
  DS.SetActive(true);
  EXPECT_FALSE(DS.GetActive());
  DS.Loaded();
  EXPECT_TRUE(DS.GetActive());
}

TEST(Params, FindByNameInAnyCaseAndTakeTypeFromTheFirstValue) {
  Classes::TComponent Owner(nullptr);
  Owner.SetName("Query1");
  TParams P(&Owner);
  P.CreateParam(TFieldType::ftUnknown, "CustNo", TParamType::ptInput);
  P.CreateParam(TFieldType::ftString, "Name", TParamType::ptInput);
  EXPECT_EQ(P.FindParam("custno"), P.Items(0));
  EXPECT_FALSE(P.Items(0)->GetBound());
  P.ParamByName("CUSTNO")->SetAsInteger(5);
  EXPECT_EQ(P.Items(0)->GetDataType(), TFieldType::ftInteger);
  EXPECT_TRUE(P.Items(0)->GetBound());
  P.Items(1)->SetValue(TVariant(3));
  EXPECT_EQ(P.Items(1)->GetDataType(), TFieldType::ftString);
  try {
    P.ParamByName("missing");
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.Message(), "Query1: Parameter 'missing' not found");
  }

  TParams Other(nullptr);
  Other.CreateParam(TFieldType::ftUnknown, "name", TParamType::ptInput)->SetAsString("x");
  P.AssignValues(&Other);
  EXPECT_EQ(P.Items(1)->GetName(), "Name");
  EXPECT_EQ(P.Items(1)->GetAsString(), "x");
  EXPECT_EQ(P.Items(0)->GetAsInteger(), 5);
  EXPECT_FALSE(P.IsEqual(&Other));
}

TEST(IndexDefs, FindIndexesByNameAndFields) {
  TMemDataSet DS(nullptr);
  TIndexDefs Defs(&DS);
  Defs.Add("BY_NAME", "NAME;CITY", {TIndexOption::ixUnique});
  Defs.Add("PK", "ID", {TIndexOption::ixPrimary, TIndexOption::ixUnique});
  Defs.Add("BY_ID", "id", {});
  EXPECT_EQ(Defs.Find("pk")->GetFields(), "ID");
  EXPECT_THROW(Defs.Find("nope"), EDatabaseError);
  EXPECT_EQ(Defs.PrimaryIndex()->GetName(), "PK");
  EXPECT_EQ(Defs.FindIndexForFields("ID")->GetName(), "PK");
  EXPECT_EQ(Defs.FindIndexForFields("name; city")->GetName(), "BY_NAME");
  EXPECT_EQ(Defs.FindIndexForFields("NAME"), nullptr);
  EXPECT_EQ(Defs.GetIndexForFields("NAME", false)->GetName(), "BY_NAME");
  EXPECT_EQ(SplitFieldNames(" A; ;B ;"), (std::vector<std::string>{"A", "B"}));
}

namespace {

class TCountingLink : public TDataLink {
public:
  int Active = 0, Scrolls = 0;

protected:
  void ActiveChanged() override { ++Active; }
  void DataSetScrolled() override { ++Scrolls; }
};

} // namespace

TEST(DataSource, LinksHearOpenScrollAndTheDataSetGoing) {
  Classes::TComponent Form(nullptr);
  auto* DS = new TMemDataSet(&Form);
  DS->FieldDefs()->Add("X", TFieldType::ftInteger);
  auto* Source = new TDataSource(&Form);
  TCountingLink Link;
  Link.SetDataSource(Source);
  Source->SetDataSet(DS);
  const int ActiveBefore = Link.Active;
  DS->Open();
  EXPECT_EQ(Link.Active, ActiveBefore + 1);
  EXPECT_TRUE(Link.Active);
  DS->AppendRecord({1});
  DS->AppendRecord({2});
  DS->First();
  DS->Next();
  EXPECT_GE(Link.Scrolls, 2);
  delete DS;
  EXPECT_EQ(Source->GetDataSet(), nullptr);
  EXPECT_EQ(Link.DataSet(), nullptr);
  EXPECT_EQ(Source->State(), TDataSetState::dsInactive);
}

TEST(Fields, ClassesFollowTheColumnTypeAndRegisterForDesignFiles) {
  EXPECT_EQ(DefaultFieldClass(TFieldType::ftLargeint), TLargeintField::StaticClass());
  EXPECT_EQ(DefaultFieldClass(TFieldType::ftMemo), TMemoField::StaticClass());
  EXPECT_EQ(DefaultFieldClass(TFieldType::ftCursor), nullptr);
  RegisterFieldClasses();
  EXPECT_EQ(Classes::GetClass("TIntegerField"), TIntegerField::StaticClass());
  UnRegisterFieldClasses();
  EXPECT_EQ(Classes::GetClass("TIntegerField"), nullptr);
  const auto* DataSetProp = TField::StaticClass()->FindProp("DataSet");
  ASSERT_NE(DataSetProp, nullptr);
  for (const char* Name : {"FieldName", "DisplayLabel", "Size", "Required", "Visible", "Index"})
    EXPECT_NE(TField::StaticClass()->FindProp(Name), nullptr) << Name;
}
