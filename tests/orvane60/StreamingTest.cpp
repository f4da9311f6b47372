// The components in design files: written and read back through the form
// streaming, with links, parameters, persistent fields and open connections.
#include "orvane60/OVCommon.hpp"
#include "orvane60/OVCsbSrv.hpp"
#include "orvane60/Orvane60.hpp"
#include "rtl/DfmStream.hpp"

#include "orvane60/EngineTestUtil.hpp"

using namespace OVEngine;
using namespace EngineTestUtil;

namespace {

class TStreamingTest : public ::testing::Test {
protected:
  void SetUp() override {
    Orvane60::Initialize();
    OVDriver::TConnectParams Params;
    Params.RemoteDatabase = File();
    Params.Extra.emplace_back("CREATE", "TRUE");
    OVDriver::FindDriver("SQLite")->Connect(Params)->ExecuteScript(
        "create table t (id integer primary key, name varchar(20));"
        "insert into t values (1, 'a'); insert into t values (2, 'b');"
        "create table d (t_id integer, n integer, primary key (t_id, n));"
        "insert into d values (2, 1);");
  }
  void TearDown() override { Orvane60::Finalize(); }
  std::string File() const { return (FDir.Path() / "s.db").string(); }

  TTempDir FDir;
};

TEST_F(TStreamingTest, ComponentsReadBackAsTheyWereWritten) {
  std::string Text;
  {
    Classes::TDataModule Module(nullptr);
    Module.SetName("DataModule1");
    auto* S = new TOVSession(&Module);
    S->SetName("Session1");
    S->SetSessionName("Work");
    auto* Db = new TOVDatabase(&Module);
    Db->SetName("Db");
    Db->SetDatabaseName("Main");
    Db->SetSessionName("Work");
    Db->SetServerType(TOVServerType::stSQLite);
    Db->SetRemoteDatabase(File());
    Db->SetDesignOptions({TOVDesignDBOption::ddoIsDefaultDatabase});
    Db->GetParams()->Add("BUSY_TIMEOUT=100");
    Db->SetKeepConnection(false);
    auto* U = new TOVUpdateSQL(&Module);
    U->SetName("U");
    U->GetModifySQL()->SetText("update t\nset name = :name\nwhere id = :OLD_id");
    auto* Q = new TOVQuery(&Module);
    Q->SetName("Q");
    Q->SetDatabaseName("Main");
    Q->SetSessionName("Work");
    Q->GetSQL()->SetText("select id, name from t\nwhere id > :minid");
    Q->ParamByName("minid")->SetAsInteger(0);
    Q->SetUpdateObject(U);
    auto* Id = new DB::TIntegerField(&Module);
    Id->SetName("QId");
    Id->SetFieldName("id");
    Id->SetDisplayLabel("Number");
    Id->SetDataSet(Q);
    auto* Src = new DB::TDataSource(&Module);
    Src->SetName("Src");
    Src->SetDataSet(Q);
    auto* T = new TOVTable(&Module);
    T->SetName("T");
    T->SetDatabaseName("Main");
    T->SetSessionName("Work");
    T->SetTableName("d");
    T->SetMasterSource(Src);
    T->SetMasterFields("id");
    auto* M = new TOVMacroQuery(&Module);
    M->SetName("M");
    M->GetSQL()->SetText("select * from %tab");
    M->MacroByName("tab")->SetAsString("t");
    auto* Mon = new OVCommon::TOVMonitor(&Module);
    Mon->SetName("Mon");
    Mon->SetFileName((FDir.Path() / "m.log").string());
    auto* Srv = new OVCsbSrv::TOVSQLBaseServer(&Module);
    Srv->SetName("Srv");
    Srv->SetServerName("srv1");
    Q->Open();
    T->Open();
    Text = DfmStream::WriteComponentToText(&Module);
  }
  EXPECT_NE(Text.find("Connected = True"), std::string::npos) << Text;
  EXPECT_NE(Text.find("object QId: TIntegerField"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Value = 0"), std::string::npos) << Text;
  EXPECT_NE(Text.find("DesignOptions = [ddoIsDefaultDatabase]"), std::string::npos) << Text;

  Classes::TDataModule Module(nullptr);
  DfmStream::ReadComponentFromText(Text, &Module, "DataModule1.dfm");
  auto* Db = Module.FindComponentAs<TOVDatabase>("Db");
  auto* Q = Module.FindComponentAs<TOVQuery>("Q");
  auto* T = Module.FindComponentAs<TOVTable>("T");
  auto* M = Module.FindComponentAs<TOVMacroQuery>("M");
  ASSERT_TRUE(Db && Q && T && M);
  EXPECT_TRUE(Db->GetConnected());
  EXPECT_EQ(Db->GetParams()->Values("BUSY_TIMEOUT"), "100");
  EXPECT_EQ(Db->Session(), Sessions()->FindSession("Work"));
  EXPECT_TRUE(Q->GetActive());
  EXPECT_EQ(Q->RecordCount(), 2);
  EXPECT_EQ(Q->ParamByName("minid")->GetAsInteger(), 0);
  EXPECT_EQ(Q->GetUpdateObject(), Module.FindComponent("U"));
  EXPECT_FALSE(Q->DefaultFields());
  EXPECT_EQ(Q->FieldByName("id")->GetDisplayLabel(), "Number");
  EXPECT_EQ(M->MacroByName("tab")->GetAsString(), "t");
  EXPECT_TRUE(T->GetActive());
  EXPECT_TRUE(T->IsEmpty()); // master on id 1, which has no detail
  Q->Next();
  EXPECT_EQ(T->RecordCount(), 1);
  EXPECT_EQ(DfmStream::WriteComponentToText(&Module), Text);
}

// Reading a file no longer tells every component of every other one read
// with it; what the components depend on must still reach them: references
// resolved, and every departure heard by those that refer to it.
TEST_F(TStreamingTest, LoadedComponentsFindAndLoseWhatTheyReferTo) {
  const std::string Text = "object DataModule1: TDataModule\n"
                           "  object Src: TDataSource\n"
                           "    DataSet = Q\n"
                           "  end\n"
                           "  object T: TOVTable\n"
                           "    DatabaseName = 'Main'\n"
                           "    TableName = 'd'\n"
                           "    MasterSource = Src\n"
                           "  end\n"
                           "  object Q: TOVQuery\n"
                           "    DatabaseName = 'Main'\n"
                           "    SQL.Strings = (\n"
                           "      'select id, name from t')\n"
                           "    UpdateObject = U\n"
                           "  end\n"
                           "  object U: TOVUpdateSQL\n"
                           "  end\n"
                           "  object Db: TOVDatabase\n"
                           "    DatabaseName = 'Main'\n"
                           "    RemoteDatabase = '" +
                           File() +
                           "'\n"
                           "  end\n"
                           "end\n";
  Classes::TDataModule Module(nullptr);
  DfmStream::ReadComponentFromText(Text, &Module, "Links.dfm");
  auto* Db = Module.FindComponentAs<TOVDatabase>("Db");
  auto* Q = Module.FindComponentAs<TOVQuery>("Q");
  auto* U = Module.FindComponentAs<TOVUpdateSQL>("U");
  auto* T = Module.FindComponentAs<TOVTable>("T");
  auto* Src = Module.FindComponentAs<DB::TDataSource>("Src");
  ASSERT_TRUE(Db && Q && U && T && Src);
  EXPECT_EQ(Q->GetUpdateObject(), U);
  EXPECT_EQ(U->GetDataSet(), Q);
  EXPECT_EQ(Src->GetDataSet(), Q);
  EXPECT_EQ(T->GetMasterSource(), Src);
  EXPECT_EQ(Q->FindDatabase(), Db);
  Q->Open();
  EXPECT_EQ(Q->Database(), Db);

  delete U;
  EXPECT_EQ(Q->GetUpdateObject(), nullptr);
  delete Src;
  EXPECT_EQ(T->GetMasterSource(), nullptr);
  delete Db;
  EXPECT_EQ(Q->Database(), nullptr);
  EXPECT_FALSE(Q->GetActive());
  EXPECT_EQ(Q->FindDatabase(), nullptr);
  EXPECT_EQ(Module.ComponentCount(), 2);
}

TEST_F(TStreamingTest, AQueryReadBeforeItsDatabaseStillOpens) {
  const std::string Text = "object DataModule1: TDataModule\n"
                           "  object Q: TOVQuery\n"
                           "    Active = True\n"
                           "    DatabaseName = 'Late'\n"
                           "    SQL.Strings = (\n"
                           "      'select count(*) as n from t')\n"
                           "  end\n"
                           "  object Db: TOVDatabase\n"
                           "    DatabaseName = 'Late'\n"
                           "    RemoteDatabase = '" +
                           File() +
                           "'\n"
                           "    Connected = True\n"
                           "  end\n"
                           "end\n";
  Classes::TDataModule Module(nullptr);
  DfmStream::ReadComponentFromText(Text, &Module, "Late.dfm");
  auto* Q = Module.FindComponentAs<TOVQuery>("Q");
  ASSERT_NE(Q, nullptr);
  EXPECT_TRUE(Q->GetActive());
  EXPECT_EQ(Q->FieldByName("n")->GetAsInteger(), 2);
}

TEST_F(TStreamingTest, ADesignFileWhoseServerIsGoneStillOpensInTheDesigner) {
  const std::string Text = "object DataModule1: TDataModule\n"
                           "  object Db: TOVDatabase\n"
                           "    DatabaseName = 'Gone'\n"
                           "    RemoteDatabase = '" +
                           (FDir.Path() / "gone.db").string() +
                           "'\n"
                           "    Connected = True\n"
                           "  end\n"
                           "  object Q: TOVQuery\n"
                           "    Active = True\n"
                           "    DatabaseName = 'Gone'\n"
                           "    SQL.Strings = (\n"
                           "      'select 1')\n"
                           "  end\n"
                           "end\n";
  std::vector<std::string> Reported;
  DB::SetDesignLoadErrorHandler([&](Classes::TComponent* C, const std::string& Message) {
    Reported.push_back(C->GetName() + ": " + Message);
  });
  {
    Classes::TDataModule Module(nullptr);
    Module.SetDesigning(true);
    DfmStream::ReadComponentFromText(Text, &Module, "Gone.dfm");
    EXPECT_FALSE(Module.FindComponentAs<TOVDatabase>("Db")->GetConnected());
    EXPECT_FALSE(Module.FindComponentAs<TOVQuery>("Q")->GetActive());
  }
  DB::SetDesignLoadErrorHandler(nullptr);
  ASSERT_EQ(Reported.size(), 2u);
  EXPECT_NE(Reported[0].find("gone.db"), std::string::npos) << Reported[0];
  EXPECT_EQ(Reported[1].rfind("Q: ", 0), 0u) << Reported[1];

  // At run time the same file fails to load, naming what went wrong.
  Classes::TDataModule Module(nullptr);
  EXPECT_THROW(DfmStream::ReadComponentFromText(Text, &Module, "Gone.dfm"), std::exception);
}

TEST_F(TStreamingTest, AFileWithoutServerTypeMeansTheDeclaredDefaultWhateverTheSetting) {
  const std::string Text = "object DataModule1: TDataModule\n"
                           "  object Db: TOVDatabase\n"
                           "    DatabaseName = 'Main'\n"
                           "    RemoteDatabase = '" +
                           File() +
                           "'\n"
                           "  end\n"
                           "  object Pg: TOVDatabase\n"
                           "    DatabaseName = 'Other'\n"
                           "    ServerType = stPostgreSQL\n"
                           "  end\n"
                           "end\n";
  const TOVServerType Saved = DefServerType;
  DefServerType = TOVServerType::stPostgreSQL;
  std::string Written;
  TOVServerType New = TOVServerType::stSQLite;
  {
    Classes::TDataModule Module(nullptr);
    DfmStream::ReadComponentFromText(Text, &Module, "Demo.dfm");
    auto* Db = Module.FindComponentAs<TOVDatabase>("Db");
    EXPECT_EQ(Db->GetServerType(), TOVServerType::stSQLite);
    Db->Open();
    EXPECT_TRUE(Db->GetConnected());
    EXPECT_EQ(Module.FindComponentAs<TOVDatabase>("Pg")->GetServerType(),
              TOVServerType::stPostgreSQL);
    Db->Close();
    Written = DfmStream::WriteComponentToText(&Module);
    // A component made now still starts with the session's default.
    New = (new TOVDatabase(&Module))->GetServerType();
  }
  DefServerType = Saved;
  EXPECT_EQ(New, TOVServerType::stPostgreSQL);
  // Saved again, the file says what it said.
  const auto Db = Written.find("object Db"), Pg = Written.find("object Pg");
  ASSERT_LT(Db, Pg);
  EXPECT_EQ(Written.substr(Db, Pg - Db).find("ServerType"), std::string::npos) << Written;
}

} // namespace
