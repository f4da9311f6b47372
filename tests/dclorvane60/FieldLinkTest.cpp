// A table's MasterFields edited in the host's field link designer through
// the Object Inspector, on real SQLite and PostgreSQL tables: the designer
// works on a working copy, and the designed table changes only when the
// developer confirms a changed link.
#include "dclorvane60/InspectorTestSupport.hpp"
#include "designide/ObjectInspector.hpp"
#include "orvane60/EngineTestUtil.hpp"

#include <gtest/gtest.h>

using namespace InspectorTest;
using EngineTestUtil::TServerDatabase;

namespace {

class FieldLinkTest : public TServerPackageTest {
protected:
  void SetUp() override {
    SetUpOn("create table \"CUSTOMER\" (\"CUSTNO\" integer primary key, \"NAME\" varchar(30), "
            "\"CITY\" varchar(20));"
            "create table \"ORDERS\" (\"ORDERNO\" integer primary key, \"CUSTNO\" integer, "
            "\"AMOUNT\" integer);"
            "create index \"ORDERS_CUST\" on \"ORDERS\" (\"CUSTNO\", \"AMOUNT\");"
            "insert into \"CUSTOMER\" values (1, 'Ann', 'Oslo');"
            "insert into \"ORDERS\" values (10, 1, 5), (11, 2, 7);");
    if (IsSkipped() || HasFatalFailure())
      return;
    Master = AddDataSet<TOVTable>("Customers", "Shop");
    Master->SetTableName("CUSTOMER");
    auto* Source = Add<DB::TDataSource>("CustomerSource");
    Source->SetDataSet(Master);
    Detail = AddDataSet<TOVTable>("Orders", "Shop");
    Detail->SetTableName("ORDERS");
    Detail->SetMasterSource(Source);
  }
  // Presses the ellipsis of the detail's MasterFields under Script; the
  // editor is kept for a look at it afterwards.
  std::string EditLink(const std::string& Script) {
    Inspector = std::make_unique<ObjectInspector::TObjectInspector>(
        Designer.Get(), std::vector<Classes::TPersistent*>{Detail});
    Row = &Inspector->Get("MasterFields");
    return Scripted(Script, [&] { Row->Edit(); });
  }
  OVReg::TOVTableFieldLinkProperty* Editor() const {
    return System::As<OVReg::TOVTableFieldLinkProperty>(Row->Editor());
  }

  TOVTable* Master = nullptr;
  TOVTable* Detail = nullptr;
  std::unique_ptr<ObjectInspector::TObjectInspector> Inspector;
  ObjectInspector::TInspectorProperty* Row = nullptr;
};

} // namespace

TEST_P(FieldLinkTest, AConfirmedLinkIsWrittenBackWithItsIndex) {
  EditLink("form LinkFields\n"
           "expect cbIndexes Enabled True\n"
           "expect cbIndexes Text <Primary>\n"
           "expect lbDetail Items ORDERNO\n"
           "choose cbIndexes ORDERS_CUST\n"
           "expect lbDetail Items CUSTNO\n"
           "choose lbDetail CUSTNO\n"
           "choose lbMaster CUSTNO\n"
           "click btAdd\n"
           "click btOk\n");
  EXPECT_EQ(Row->EditorClassName(), "TOVTableFieldLinkProperty");
  EXPECT_EQ(Detail->GetMasterFields(), "CUSTNO");
  EXPECT_EQ(Detail->GetIndexName(), "ORDERS_CUST");
  EXPECT_EQ(Detail->GetIndexFieldNames(), "");
  EXPECT_TRUE(Editor()->LinkChanged());
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  // The working copy is gone; the designed table was never opened.
  EXPECT_EQ(Editor()->WorkingTable(), nullptr);
  EXPECT_FALSE(Detail->GetActive());
}

TEST_P(FieldLinkTest, IndexFieldNamesGoToTheCopyAndComeBackInsteadOfTheIndexName) {
  Detail->SetIndexFieldNames("CUSTNO;AMOUNT");
  EditLink("form LinkFields\n"
           "expect cbIndexes Text ORDERS_CUST\n"
           "expect lbDetail Items CUSTNO\n"
           "choose lbDetail CUSTNO\n"
           "choose lbMaster CUSTNO\n"
           "click btAdd\n"
           "expect lbDetail Items AMOUNT\n"
           "click btOk\n");
  EXPECT_EQ(Detail->GetMasterFields(), "CUSTNO");
  EXPECT_EQ(Detail->GetIndexFieldNames(), "CUSTNO;AMOUNT");
  EXPECT_EQ(Detail->GetIndexName(), "");
}

TEST_P(FieldLinkTest, ThePrimaryEntryWritesAnEmptyIndexName) {
  Detail->SetIndexName("ORDERS_CUST");
  Detail->SetMasterFields("CUSTNO");
  EditLink("form LinkFields\n"
           "expect cbIndexes Text ORDERS_CUST\n"
           "expect lbJoined Items \"\\\"CUSTNO -> CUSTNO\\\"\"\n"
           "choose cbIndexes <Primary>\n"
           "expect lbJoined Items \"\"\n"
           "choose lbDetail ORDERNO\n"
           "choose lbMaster CUSTNO\n"
           "click btAdd\n"
           "click btOk\n");
  EXPECT_EQ(Detail->GetIndexName(), "");
  EXPECT_EQ(Detail->GetMasterFields(), "CUSTNO");
  EXPECT_EQ(Designer->ModifiedCount(), 1);
}

TEST_P(FieldLinkTest, ACancelledOrUnchangedLinkLeavesTheTableAlone) {
  Detail->SetMasterFields("CUSTNO");
  Detail->SetIndexName("ORDERS_CUST");
  EditLink("form LinkFields\n"
           "choose cbIndexes <Primary>\n"
           "choose lbDetail ORDERNO\n"
           "choose lbMaster NAME\n"
           "click btAdd\n"
           "click btCancel\n");
  EXPECT_FALSE(Editor()->LinkChanged());
  EXPECT_EQ(Detail->GetMasterFields(), "CUSTNO");
  EXPECT_EQ(Detail->GetIndexName(), "ORDERS_CUST");
  EditLink("form LinkFields\nclick btOk\n");
  EXPECT_FALSE(Editor()->LinkChanged());
  EXPECT_EQ(Designer->ModifiedCount(), 0);
  EXPECT_EQ(Editor()->WorkingTable(), nullptr);
}

TEST_P(FieldLinkTest, AnUnreachableDatabaseShowsNoDialog) {
  Db->SetRemoteDatabase(GetParam() == TOVServerType::stSQLite
                            ? Server->Dir().Path().string() + "/missing/none.db"
                            : "host=/nonexistent-socket-dir dbname=none");
  Detail->SetMasterFields("CUSTNO");
  // A dialog would fail the empty script; the connection's error comes first.
  const std::string E = ErrorOf([&] { EditLink(""); });
  EXPECT_NE(E, "(no error)");
  EXPECT_EQ(E.find("LinkFields"), std::string::npos) << E;
  EXPECT_EQ(Detail->GetMasterFields(), "CUSTNO");
  EXPECT_EQ(Editor()->WorkingTable(), nullptr);
  EXPECT_EQ(Designer->ModifiedCount(), 0);
}

TEST_P(FieldLinkTest, AWriteBackTheTableRejectsKeepsWhatWasWritten) {
  // The designed detail is open on its primary index (one field) under an
  // open master: master fields that name two fields cannot follow it until
  // its index changes, which comes second.
  Master->Open();
  Detail->Open();
  const std::string E = ErrorOf([&] {
    EditLink("form LinkFields\n"
             "choose cbIndexes ORDERS_CUST\n"
             "choose lbDetail CUSTNO\n"
             "choose lbMaster CUSTNO\n"
             "click btAdd\n"
             "choose lbDetail AMOUNT\n"
             "choose lbMaster NAME\n"
             "click btAdd\n"
             "click btOk\n");
  });
  EXPECT_NE(E.find("MasterFields names 2 fields"), std::string::npos) << E;
  EXPECT_EQ(Detail->GetMasterFields(), "CUSTNO;NAME");
  EXPECT_EQ(Detail->GetIndexName(), "");
  EXPECT_EQ(Editor()->WorkingTable(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Servers, FieldLinkTest,
                         ::testing::Values(TOVServerType::stSQLite, TOVServerType::stPostgreSQL),
                         EngineTestUtil::ServerName);
