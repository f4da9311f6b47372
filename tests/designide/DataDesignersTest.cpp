// The host's designers that verbs and property editors open, driven by the
// scripted user interface on real components: the collection editor and
// its options, the fields editor on a real SQLite table, the index value
// lists, and the field link designer confirmed and cancelled.
#include "EditorTestClasses.hpp"
#include "designide/ColnEdit.hpp"
#include "designide/DBReg.hpp"
#include "designide/DSDesign.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/FldLinks.hpp"
#include "designide/ObjectInspector.hpp"
#include "orvane60/OVConsts.hpp"
#include "orvane60/OVEngine.hpp"
#include "support/Errors.hpp"
#include "support/TempDir.hpp"
#include "vcl/ScriptedUI.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <unistd.h>

using namespace OVEngine;
using DesignIntf::TDesigner;
using System::TInterfaceRef;

namespace {

using TestSupport::TTempDir;

// A design holding a connected SQLite database with customers and orders.
class Designers : public ::testing::Test {
protected:
  Designers() : Root(nullptr) {
    Root.SetName("DataModule1");
    Root.SetDesigning(true);
    Designer = TInterfaceRef<TDesigner>(new TDesigner(&Root));
    Db = Named(new TOVDatabase(&Root), "OVDatabase1");
    Db->SetDatabaseName("Shop");
    Db->SetServerType(TOVServerType::stSQLite);
    Db->SetRemoteDatabase(Temp / "shop.db");
    Db->GetParams()->SetValue("CREATE", "TRUE");
    Db->SetConnected(true);
    Db->Execute("create table CUSTOMER (CUSTNO integer primary key, NAME varchar(30), "
                "CITY varchar(20))");
    Db->Execute("create table ORDERS (ORDERNO integer primary key, CUSTNO integer, "
                "AMOUNT float)");
    Db->Execute("create index ORDERS_CUST on ORDERS (CUSTNO, AMOUNT)");
    Db->Execute("insert into CUSTOMER values (1, 'Ann', 'Oslo'), (2, 'Bob', 'Rome')");
  }
  template <class T> T* Named(T* C, const char* Name) {
    C->SetName(Name);
    return C;
  }
  TOVTable* Table(const char* Name, const char* TableName) {
    auto* T = Named(new TOVTable(&Root), Name);
    T->SetDatabaseName("Shop");
    T->SetTableName(TableName);
    return T;
  }
  // Runs Action under Script; the script must be used up.
  void Scripted(const std::string& Script, const std::function<void()>& Action) {
    ScriptedUI::TScriptedUI UI(Script, "designers.txt");
    UIService::TUIServiceScope Using(&UI);
    Action();
    UI.CheckFinished();
    LastLog = UI.LogText();
  }
  static std::string ErrorOf(const std::function<void()>& Fn) {
    return TestSupport::ErrorOf<SysUtils::Exception>(Fn);
  }
  std::vector<std::string> ParamNames(TOVQuery* Q) {
    std::vector<std::string> R;
    for (int I = 0; I < Q->GetParams()->Count(); ++I)
      R.push_back(Q->GetParams()->Items(I)->GetName());
    return R;
  }

  TTempDir Temp;
  EditorTest::TTestRoot Root;
  TInterfaceRef<TDesigner> Designer;
  TOVDatabase* Db;
  std::string LastLog;
};

} // namespace

TEST_F(Designers, TheCollectionEditorAddsDeletesAndMovesItems) {
  auto* Q = Named(new TOVQuery(&Root), "OVQuery1");
  Q->GetSQL()->SetText("select * from ORDERS where CUSTNO = :cust and AMOUNT > :amount");
  ASSERT_EQ(ParamNames(Q), (std::vector<std::string>{"cust", "amount"}));
  Scripted("form CollectionEditor\n"
           "expect lbItems ItemIndex 0\n"
           "choose lbItems 1\n"
           "click btMoveUp\n"
           "expect lbItems ItemIndex 0\n"
           "click btAdd\n"
           "choose lbItems 0\n"
           "click btDelete\n"
           "click btClose\n",
           [&] {
             ColnEdit::ShowCollectionEditorClass(Designer.Get(),
                                                 ColnEdit::TCollectionEditor::StaticClass(), Q,
                                                 Q->GetParams(), "Params", ColnEdit::AllColOptions);
           });
  ASSERT_EQ(Q->GetParams()->Count(), 2);
  EXPECT_EQ(Q->GetParams()->Items(0)->GetName(), "cust");
  EXPECT_EQ(Designer->ModifiedCount(), 3);
  EXPECT_NE(LastLog.find("Editing OVQuery1.Params"), std::string::npos) << LastLog;
}

TEST_F(Designers, TheCollectionEditorOffersOnlyWhatItsOptionsAllow) {
  auto* Q = Named(new TOVQuery(&Root), "OVQuery1");
  Q->GetSQL()->SetText("select * from ORDERS where CUSTNO = :cust and AMOUNT > :amount");
  for (const char* Refused : {"click btAdd", "click btDelete", "click btMoveDown"}) {
    const std::string E = ErrorOf([&] {
      Scripted(std::string("form CollectionEditor\n") + Refused + "\nclick btClose\n", [&] {
        ColnEdit::ShowCollectionEditorClass(Designer.Get(),
                                            ColnEdit::TCollectionEditor::StaticClass(), Q,
                                            Q->GetParams(), "Params", {});
      });
    });
    EXPECT_NE(E.find("designers.txt:2"), std::string::npos) << E;
  }
  EXPECT_EQ(ParamNames(Q), (std::vector<std::string>{"cust", "amount"}));
  // Adding and deleting without moving.
  Scripted("form CollectionEditor\nclick btAdd\nclick btDelete\nclick btClose\n", [&] {
    ColnEdit::ShowCollectionEditorClass(
        Designer.Get(), ColnEdit::TCollectionEditor::StaticClass(), Q, Q->GetParams(), "Params",
        {ColnEdit::TColOption::coAdd, ColnEdit::TColOption::coDelete});
  });
  EXPECT_EQ(Q->GetParams()->Count(), 2);
  EXPECT_EQ(Designer->ModifiedCount(), 2);
  EXPECT_THROW(ColnEdit::ShowCollectionEditorClass(Designer.Get(), TOVQuery::StaticClass(), Q,
                                                   Q->GetParams(), "Params"),
               SysUtils::EInvalidOperation);
  EXPECT_THROW(ColnEdit::ShowCollectionEditorClass(Designer.Get(),
                                                   ColnEdit::TCollectionEditor::StaticClass(), Q,
                                                   nullptr, "Params"),
               SysUtils::EInvalidOperation);
}

TEST_F(Designers, TheFieldsEditorAddsPersistentFieldsFromTheLiveTable) {
  TOVTable* T = Table("OVTable1", "CUSTOMER");
  Scripted("form FieldsEditor\n"
           "expect lbAvailable Items CUSTNO,NAME,CITY\n"
           "select lbAvailable CUSTNO CITY\n"
           "click btAdd\n"
           "expect lbFields Items CUSTNO,CITY\n"
           "expect lbAvailable Items NAME\n"
           "click btClose\n",
           [&] { DSDesign::ShowFieldsEditor(Designer.Get(), T, nullptr); });
  EXPECT_NE(LastLog.find("DataModule1.OVTable1"), std::string::npos) << LastLog;
  auto* CustNo = Root.FindComponentAs<DB::TField>("OVTable1CUSTNO");
  auto* City = Root.FindComponentAs<DB::TField>("OVTable1CITY");
  ASSERT_NE(CustNo, nullptr);
  ASSERT_NE(City, nullptr);
  EXPECT_EQ(CustNo->GetDataSet(), T);
  EXPECT_EQ(City->GetFieldName(), "CITY");
  EXPECT_TRUE(City->IsDesigning());
  EXPECT_TRUE(City->Is<DB::TStringField>());
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  EXPECT_FALSE(T->GetActive());
  // The table now shows only its persistent fields.
  T->Open();
  EXPECT_EQ(T->Fields()->Count(), 2);
  EXPECT_EQ(T->FieldByName("CITY")->GetAsString(), "Oslo");
  EXPECT_EQ(T->FindField("NAME"), nullptr);

  // On an open table: the rest is added, one deleted, and it stays open.
  Scripted("form FieldsEditor\n"
           "click btAddAll\n"
           "select lbFields CITY\n"
           "click btDelete\n"
           "expect lbFields Items CUSTNO,NAME\n"
           "click btClose\n",
           [&] { DSDesign::ShowFieldsEditor(Designer.Get(), T, nullptr); });
  EXPECT_TRUE(T->GetActive());
  EXPECT_EQ(Root.FindComponent("OVTable1CITY"), nullptr);
  EXPECT_NE(Root.FindComponent("OVTable1NAME"), nullptr);
  EXPECT_EQ(T->FieldByName("NAME")->GetAsString(), "Ann");
  EXPECT_EQ(Designer->ModifiedCount(), 3);
}

TEST_F(Designers, FieldNamesAvoidNamesInUseAndBadRequestsAddNothing) {
  TOVTable* T = Table("OVTable1", "CUSTOMER");
  Named(new EditorTest::TGadget(&Root), "OVTable1NAME");
  DSDesign::TDSDesigner DS(T);
  DS.UpdateFieldDefs();
  EXPECT_EQ(DS.FieldComponentName(&Root, "NAME"), "OVTable1NAME1");
  EXPECT_EQ(DS.FieldComponentName(&Root, "Order Date"), "OVTable1OrderDate");
  const int Before = Root.ComponentCount();
  EXPECT_NE(ErrorOf([&] {
              DS.AddFields(&Root, {"CUSTNO", "NOPE"});
            }).find("no field 'NOPE'"),
            std::string::npos);
  EXPECT_EQ(Root.ComponentCount(), Before);
  DS.AddFields(&Root, {"NAME"});
  EXPECT_NE(ErrorOf([&] { DS.AddFields(&Root, {"name"}); }).find("has a persistent field"),
            std::string::npos);
  EXPECT_EQ(Root.FindComponentAs<DB::TField>("OVTable1NAME1")->GetFieldName(), "NAME");
}

TEST_F(Designers, AFieldsEditorOnATableThatIsNotThereFailsBeforeItShows) {
  TOVTable* T = Table("OVTable1", "NO_SUCH_TABLE");
  ScriptedUI::TScriptedUI UI("", "none.txt");
  UIService::TUIServiceScope Using(&UI);
  EXPECT_THROW(DSDesign::ShowFieldsEditor(Designer.Get(), T, nullptr), SysUtils::Exception);
  EXPECT_TRUE(UI.Log().empty());
  EXPECT_EQ(Designer->ModifiedCount(), 0);
}

TEST_F(Designers, TheDataSetEditorsVerbOpensTheFieldsEditor) {
  EditorTest::TTestRegistrations Scope;
  DBReg::Register();
  TOVTable* T = Table("OVTable1", "CUSTOMER");
  auto Editor = DesignEditors::GetComponentEditor(T, Designer.Get());
  ASSERT_EQ(Editor->ClassType(), DBReg::TDataSetEditor::StaticClass());
  EXPECT_EQ(Editor->GetVerbCount(), 1);
  EXPECT_EQ(Editor->GetVerb(0), "Fields Edi&tor...");
  EXPECT_EQ(Editor->GetVerb(1), "");
  Scripted("form FieldsEditor\nclick btAddAll\nclick btClose\n", [&] { Editor->Edit(); });
  EXPECT_EQ(T->Fields()->Count(), 3);
  EXPECT_EQ(TreeIntf::TRootSprig::SprigClassFor(TOVTable::StaticClass()),
            DSDesign::TDataSetSprig::StaticClass());
}

TEST_F(Designers, IndexPropertiesListTheTablesIndexDefinitions) {
  EditorTest::TTestRegistrations Scope;
  DesignIntf::RegisterPropertyEditor(TypInfo::StringTypeInfo(), TOVTable::StaticClass(),
                                     "IndexName", DBReg::TIndexNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(TypInfo::StringTypeInfo(), TOVTable::StaticClass(),
                                     "IndexFieldNames",
                                     DBReg::TIndexFieldNamesProperty::StaticClass());
  TOVTable* T = Table("OVTable1", "ORDERS");
  ObjectInspector::TObjectInspector OI(Designer.Get(), {T});
  const std::vector<std::string> Names = OI.Get("IndexName").Values();
  EXPECT_NE(std::find(Names.begin(), Names.end(), "ORDERS_CUST"), Names.end());
  const std::vector<std::string> Fields = OI.Get("IndexFieldNames").Values();
  EXPECT_NE(std::find(Fields.begin(), Fields.end(), "CUSTNO;AMOUNT"), Fields.end());
  EXPECT_NE(std::find(Fields.begin(), Fields.end(), "ORDERNO"), Fields.end());
  OI.Get("IndexName").SetValue("ORDERS_CUST");
  EXPECT_EQ(T->GetIndexName(), "ORDERS_CUST");
}

namespace {

// A detail ORDERS table on a master CUSTOMER table.
struct TMasterDetail {
  TOVTable* Master;
  DB::TDataSource* Source;
  TOVTable* Detail;
};

} // namespace

static TMasterDetail MakeMasterDetail(EditorTest::TTestRoot& Root) {
  TMasterDetail MD;
  MD.Master = new TOVTable(&Root);
  MD.Master->SetName("Customers");
  MD.Master->SetDatabaseName("Shop");
  MD.Master->SetTableName("CUSTOMER");
  MD.Source = new DB::TDataSource(&Root);
  MD.Source->SetName("CustomerSource");
  MD.Source->SetDataSet(MD.Master);
  MD.Detail = new TOVTable(&Root);
  MD.Detail->SetName("Orders");
  MD.Detail->SetDatabaseName("Shop");
  MD.Detail->SetTableName("ORDERS");
  MD.Detail->SetMasterSource(MD.Source);
  return MD;
}

TEST_F(Designers, AConfirmedLinkIsWrittenThroughTheLinkOperations) {
  const TMasterDetail MD = MakeMasterDetail(Root);
  auto Link = DesignEditors::CreatePropertyEditor(
      FldLinks::TFieldLinkProperty::StaticClass(), Designer.Get(),
      {{MD.Detail, TypInfo::GetPropInfo(MD.Detail, "MasterFields")}});
  auto* L = static_cast<FldLinks::TFieldLinkProperty*>(Link.get());
  EXPECT_TRUE(L->GetIndexBased());
  Scripted("form LinkFields\n"
           "expect cbIndexes Text <Primary>\n"
           "expect lbDetail Items ORDERNO\n"
           "choose cbIndexes ORDERS_CUST\n"
           "expect lbDetail Items CUSTNO\n"
           "choose lbDetail CUSTNO\n"
           "choose lbMaster CUSTNO\n"
           "click btAdd\n"
           "expect lbJoined Items \"\\\"CUSTNO -> CUSTNO\\\"\"\n"
           "expect lbDetail Items AMOUNT\n"
           "click btOk\n",
           [&] { L->Edit(); });
  EXPECT_TRUE(L->LinkChanged());
  EXPECT_EQ(MD.Detail->GetMasterFields(), "CUSTNO");
  EXPECT_EQ(MD.Detail->GetIndexName(), "ORDERS_CUST");
  EXPECT_EQ(Designer->ModifiedCount(), 1);
}

TEST_F(Designers, ACancelledLinkLeavesTheDatasetAsItWas) {
  const TMasterDetail MD = MakeMasterDetail(Root);
  FldLinks::TFieldLinkProperty Link(MD.Detail, Designer.Get());
  Scripted("form LinkFields\n"
           "choose cbIndexes ORDERS_CUST\n"
           "choose lbDetail CUSTNO\n"
           "choose lbMaster CUSTNO\n"
           "click btAdd\n"
           "click btCancel\n",
           [&] { Link.Edit(); });
  EXPECT_FALSE(Link.LinkChanged());
  EXPECT_EQ(MD.Detail->GetMasterFields(), "");
  EXPECT_EQ(MD.Detail->GetIndexName(), "");
  EXPECT_EQ(Designer->ModifiedCount(), 0);
  // Confirming without a change is no change either.
  Scripted("form LinkFields\nclick btOk\n", [&] { Link.Edit(); });
  EXPECT_FALSE(Link.LinkChanged());
  EXPECT_EQ(Designer->ModifiedCount(), 0);
}

TEST_F(Designers, TheLinkDesignerNeedsAMasterAndMapsThePrimaryEntry) {
  const TMasterDetail MD = MakeMasterDetail(Root);
  EXPECT_EQ(FldLinks::SPrimaryIndexEntry(), OVConsts::SPrimary());
  FldLinks::TFieldLinkProperty Link(MD.Detail, Designer.Get());
  Link.SetIndexName("ORDERS_CUST");
  EXPECT_EQ(MD.Detail->GetIndexName(), "ORDERS_CUST");
  Link.SetIndexName(FldLinks::SPrimaryIndexEntry());
  EXPECT_EQ(MD.Detail->GetIndexName(), "");
  MD.Detail->SetMasterSource(nullptr);
  ScriptedUI::TScriptedUI UI("", "none.txt");
  UIService::TUIServiceScope Using(&UI);
  const std::string E = ErrorOf([&] { Link.Edit(); });
  EXPECT_NE(E.find("Orders has no master dataset"), std::string::npos) << E;
  EXPECT_TRUE(UI.Log().empty());
}
