// Server types, the session list, sessions finding databases, components and
// their references, connecting and its failures.
#include "orvane60/OVCommon.hpp"
#include "orvane60/OVCsbSrv.hpp"
#include "orvane60/Orvane60.hpp"

#include "orvane60/EngineTestUtil.hpp"

#include <fstream>
#include <sys/stat.h>

using namespace OVEngine;
using namespace EngineTestUtil;

namespace {

TEST(ServerTypes, NamesReadBackInAnyCaseAndUnknownGivesTheDefault) {
  EXPECT_EQ(GetServerTypeName(TOVServerType::stSQLite), "SQLite");
  EXPECT_EQ(GetServerTypeName(TOVServerType::stPostgreSQL), "PostgreSQL");
  const auto D = TOVServerType::stPostgreSQL;
  EXPECT_EQ(StrToServerTypeDef("sqlite", D), TOVServerType::stSQLite);
  EXPECT_EQ(StrToServerTypeDef("POSTGRESQL", TOVServerType::stSQLite), D);
  EXPECT_EQ(StrToServerTypeDef("stSQLite", D), TOVServerType::stSQLite);
  EXPECT_EQ(StrToServerTypeDef("", D), D);
  EXPECT_EQ(StrToServerTypeDef("Oracle", D), D);
}

TEST(ServerTypes, NewDatabasesStartWithTheDefaultServerType) {
  const TOVServerType Saved = DefServerType;
  DefServerType = TOVServerType::stPostgreSQL;
  TOVDatabase Db(nullptr);
  DefServerType = Saved;
  EXPECT_EQ(Db.GetServerType(), TOVServerType::stPostgreSQL);
}

TEST(Sessions, DefaultSessionAnswersToEmptyAndItsNameInAnyCase) {
  TOVSession* Default = Session();
  EXPECT_EQ(Default->GetSessionName(), "Default");
  EXPECT_EQ(Default->Owner(), nullptr);
  EXPECT_EQ(Sessions()->Sessions(0), Default);
  EXPECT_EQ(Sessions()->FindSession(""), Default);
  EXPECT_EQ(Sessions()->FindSession("DEFAULT"), Default);
  EXPECT_EQ(Sessions()->GetSessionByName(""), Default);
  EXPECT_EQ(Sessions()->FindSession("Other"), nullptr);
  EXPECT_EQ(ErrorOf([] { Sessions()->GetSessionByName("Other"); }), "Session 'Other' not found");
}

TEST(Sessions, SessionComponentsJoinTheListAndRefuseDuplicateNames) {
  Classes::TComponent Form(nullptr);
  const int Before = Sessions()->Count();
  auto* S1 = new TOVSession(&Form);
  S1->SetSessionName("Reports");
  auto* S2 = new TOVSession(&Form);
  EXPECT_EQ(Sessions()->Count(), Before + 2);
  EXPECT_EQ(Sessions()->FindSession("reports"), S1);
  EXPECT_THROW(S2->SetSessionName("REPORTS"), DB::EDatabaseError);
  EXPECT_THROW(S2->SetSessionName("default"), DB::EDatabaseError);
  EXPECT_EQ(S2->GetSessionName(), "");
  delete S1;
  EXPECT_EQ(Sessions()->FindSession("Reports"), nullptr);
  EXPECT_EQ(Sessions()->Count(), Before + 1);
}

TEST(Sessions, DatabasesBelongToTheSessionTheyNameAndMoveWithIt) {
  Classes::TComponent Form(nullptr);
  auto* S = new TOVSession(&Form);
  S->SetSessionName("Batch");
  auto* Db = new TOVDatabase(&Form);
  Db->SetDatabaseName("Sales");
  EXPECT_EQ(Session()->FindDatabase("sales"), Db);
  EXPECT_EQ(S->FindDatabase("Sales"), nullptr);
  Db->SetSessionName("BATCH");
  EXPECT_EQ(Session()->FindDatabase("Sales"), nullptr);
  EXPECT_EQ(S->FindDatabase("SALES"), Db);
  EXPECT_EQ(Db->Session(), S);
  EXPECT_EQ(S->FindDatabase(""), nullptr);
  EXPECT_EQ(ErrorOf([&] { S->DatabaseByName("Nope"); }),
            "Database 'Nope' not found in session 'Batch'");
  EXPECT_EQ(ErrorOf([&] { S->DatabaseByName("  "); }), "Database name missing");

  auto* Db2 = new TOVDatabase(&Form);
  Db2->SetDatabaseName("Archive");
  Db2->SetSessionName("Batch");
  auto* Db3 = new TOVDatabase(&Form);
  Db3->SetSessionName("Batch"); // no name: not listed
  Classes::TStringList Names;
  S->GetDatabaseNames(&Names);
  EXPECT_EQ(Lines(Names), (std::vector<std::string>{"Archive", "Sales"}));

  // A database naming a session that does not exist belongs to none.
  Db->SetSessionName("Gone");
  EXPECT_EQ(Db->Session(), nullptr);
}

TEST(Components, DataSetsFindTheirDatabaseThroughTheirSession) {
  Classes::TComponent Form(nullptr);
  auto* Db = new TOVDatabase(&Form);
  Db->SetDatabaseName("Main");
  Db->SetServerType(TOVServerType::stPostgreSQL);
  auto* Q = new TOVQuery(&Form);
  Q->SetDatabaseName("MAIN");
  EXPECT_EQ(Q->GetDBSession(), Session());
  EXPECT_EQ(Q->FindDatabase(), Db);
  EXPECT_EQ(Q->Database(), nullptr); // held only while open or prepared
  EXPECT_EQ(Q->ServerType(), TOVServerType::stPostgreSQL);
  Q->SetSessionName("Nowhere");
  EXPECT_EQ(Q->FindDatabase(), nullptr);
  EXPECT_THROW(Q->GetDBSession(), DB::EDatabaseError);
  // Setters store exactly the text given.
  Q->SetDatabaseName(" main ");
  EXPECT_EQ(Q->GetDatabaseName(), " main ");
}

TEST(Components, FreeingADatabaseClearsTheDataSetsReferences) {
  TTempDir Dir;
  Classes::TComponent Form(nullptr);
  auto* Db = new TOVDatabase(&Form);
  Db->SetDatabaseName("Main");
  Db->SetServerType(TOVServerType::stSQLite);
  Db->SetRemoteDatabase((Dir.Path() / "f.db").string());
  Db->GetParams()->Add("CREATE=TRUE");
  auto* Q = new TOVQuery(&Form);
  Q->SetDatabaseName("Main");
  Q->GetSQL()->SetText("select 1 as one");
  Q->Open();
  ASSERT_EQ(Q->Database(), Db);
  EXPECT_EQ(Db->DataSets(), (std::vector<TOVDataSet*>{Q}));
  delete Db;
  EXPECT_EQ(Q->Database(), nullptr);
  EXPECT_FALSE(Q->GetActive());
  EXPECT_THROW(Q->Open(), DB::EDatabaseError); // no database of that name any more
}

TEST(Components, UpdateObjectAndDataSetKeepTheirLinkBothWays) {
  Classes::TComponent Form(nullptr);
  auto* Q = new TOVQuery(&Form);
  auto* U = new TOVUpdateSQL(&Form);
  Q->SetUpdateObject(U);
  EXPECT_EQ(U->GetDataSet(), Q);
  auto* Q2 = new TOVQuery(&Form);
  Q2->SetUpdateObject(U);
  EXPECT_EQ(Q->GetUpdateObject(), nullptr);
  EXPECT_EQ(U->GetDataSet(), Q2);
  delete U;
  EXPECT_EQ(Q2->GetUpdateObject(), nullptr);
  auto* U2 = new TOVUpdateSQL(&Form);
  Q->SetUpdateObject(U2);
  delete Q;
  EXPECT_EQ(U2->GetDataSet(), nullptr);
}

TEST(Components, StatementListsByIndex) {
  TOVUpdateSQL U(nullptr);
  U.GetModifySQL()->SetText("update t set a = :a");
  EXPECT_EQ(U.GetSQLIndex(0), U.GetRefreshSQL());
  EXPECT_EQ(U.GetSQLIndex(1), U.GetModifySQL());
  EXPECT_EQ(U.GetSQLIndex(2), U.GetInsertSQL());
  EXPECT_EQ(U.GetSQLIndex(3), U.GetDeleteSQL());
  EXPECT_THROW(U.GetSQLIndex(4), Classes::EListError);
  EXPECT_THROW(U.GetSQLIndex(-1), Classes::EListError);
}

TEST(Components, PublishedPropertiesOfTheTenClasses) {
  const auto Has = [](System::TClass C, std::initializer_list<const char*> Names) {
    for (const char* N : Names)
      EXPECT_NE(C->FindProp(N), nullptr) << C->Name << "." << N;
  };
  Has(TOVSession::StaticClass(), {"SessionName", "KeepConnections"});
  Has(TOVDatabase::StaticClass(),
      {"Connected", "DatabaseName", "DesignOptions", "KeepConnection", "LoginPrompt", "Params",
       "ParamsFileName", "RemoteDatabase", "ServerType", "SessionName"});
  Has(TOVQuery::StaticClass(),
      {"Active", "DatabaseName", "SessionName", "SQL", "Params", "UpdateObject"});
  Has(TOVMacroQuery::StaticClass(), {"Macros", "MacroChar", "SQL"});
  Has(TOVStoredProc::StaticClass(), {"StoredProcName", "Params"});
  Has(TOVTable::StaticClass(),
      {"TableName", "IndexName", "IndexFieldNames", "MasterFields", "MasterSource"});
  Has(TOVUpdateSQL::StaticClass(), {"RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL"});
  Has(TOVScript::StaticClass(), {"SQL", "DatabaseName", "SessionName"});
  Has(OVCommon::TOVMonitor::StaticClass(), {"Active", "FileName"});
  Has(OVCsbSrv::TOVSQLBaseServer::StaticClass(), {"ServerName", "Password"});
  EXPECT_TRUE(TOVMacroQuery::StaticClass()->InheritsFrom(TOVQuery::StaticClass()));
  EXPECT_TRUE(TOVUpdateSQL::StaticClass()->InheritsFrom(TOVDataSetUpdateObject::StaticClass()));
  // The connection state is written last, so reading it finds every setting.
  const auto Props = TypInfo::GetPropList(TOVDatabase::StaticClass());
  EXPECT_EQ(Props.back()->Name, "Connected");
}

TEST(Components, DesignOptionsAndLoginPromptField) {
  TOVDatabase Db(nullptr);
  EXPECT_TRUE(Db.GetDesignOptions().Empty());
  Db.SetDesignOptions(TOVDesignDBOptions{TOVDesignDBOption::ddoStoreConnected});
  EXPECT_TRUE(Db.GetDesignOptions().Contains(TOVDesignDBOption::ddoStoreConnected));
  EXPECT_EQ(static_cast<int>(TOVDesignDBOption::ddoIsDefaultDatabase), 0);
  EXPECT_EQ(static_cast<int>(TOVSchemaType::siIndexes), 5);
  Db.FLoginPrompt = false;
  EXPECT_FALSE(Db.GetLoginPrompt());
  // Connected is stored at design time only with ddoStoreConnected.
  Db.SetDesigning(true);
  EXPECT_TRUE(Db.IsConnectedStored());
  Db.SetDesignOptions({});
  EXPECT_FALSE(Db.IsConnectedStored());
}

TEST(Package, InitializeRegistersTheClassesAndFinalizeUndoesIt) {
  Orvane60::Initialize();
  Orvane60::Initialize();
  EXPECT_EQ(Classes::GetClass("TOVQuery"), TOVQuery::StaticClass());
  EXPECT_EQ(Classes::GetClass("TOVSQLBaseServer"), OVCsbSrv::TOVSQLBaseServer::StaticClass());
  EXPECT_EQ(Classes::GetClass("TStringField"), DB::TStringField::StaticClass());
  Orvane60::Finalize();
  EXPECT_NE(Classes::GetClass("TOVTable"), nullptr); // nested: still started
  Orvane60::Finalize();
  EXPECT_EQ(Classes::GetClass("TOVTable"), nullptr);
  EXPECT_FALSE(Orvane60::Initialized());
  // The library's entry point put the module on the module list.
  const auto Modules = System::LibModules();
  EXPECT_NE(std::find(Modules.begin(), Modules.end(), Orvane60::HInstance()), Modules.end());
  EXPECT_NE(OVCommon::GetModuleFileNameStr(Orvane60::HInstance()).find("liborvane60.so"),
            std::string::npos);
}

// Connecting ---------------------------------------------------------------------

TEST(Connect, MissingSQLiteFileSaysSoAndStaysDisconnected) {
  TTempDir Dir;
  TOVDatabase Db(nullptr);
  Db.SetName("Main");
  Db.SetServerType(TOVServerType::stSQLite);
  Db.SetRemoteDatabase((Dir.Path() / "missing.db").string());
  const std::string Error = ErrorOf([&] { Db.SetConnected(true); });
  EXPECT_NE(Error.find("Main: "), std::string::npos) << Error;
  EXPECT_NE(Error.find("missing.db"), std::string::npos) << Error;
  EXPECT_NE(Error.find("does not exist"), std::string::npos) << Error;
  EXPECT_FALSE(Db.GetConnected());
  EXPECT_THROW(Db.Connection(), DB::EDatabaseError);

  Db.SetRemoteDatabase((Dir.Path() / "no-such-dir" / "x.db").string());
  Db.GetParams()->Add("CREATE=TRUE");
  EXPECT_THROW(Db.Open(), DB::EDatabaseError);
  EXPECT_FALSE(Db.GetConnected());
}

TEST(Connect, UnknownSettingAndWrongURIKindAreRefused) {
  TTempDir Dir;
  TOVDatabase Db(nullptr);
  Db.SetServerType(TOVServerType::stSQLite);
  Db.SetRemoteDatabase((Dir.Path() / "x.db").string());
  Db.GetParams()->Add("CREATE=TRUE");
  Db.GetParams()->Add("FLAVOUR=sweet");
  EXPECT_NE(ErrorOf([&] { Db.Open(); }).find("FLAVOUR"), std::string::npos);
  EXPECT_FALSE(Db.GetConnected());
  Db.GetParams()->Clear();
  Db.SetRemoteDatabase("postgresql://nobody@/db");
  EXPECT_EQ(ErrorOf([&] { Db.Open(); }),
            "The remote database \"postgresql://nobody@/db\" is a PostgreSQL address, but the "
            "server type is SQLite");
  // A sqlite: address names the file.
  Db.SetRemoteDatabase("sqlite:" + (Dir.Path() / "y.db").string());
  Db.GetParams()->Add("CREATE=TRUE");
  Db.Open();
  EXPECT_TRUE(Db.GetConnected());
  EXPECT_TRUE(std::filesystem::exists(Dir.Path() / "y.db"));
}

TEST(Connect, ParamsFileSuppliesWhatParamsLeaveOut) {
  TTempDir Dir;
  const auto File = Dir.Path() / "conn.txt";
  std::ofstream(File) << "; connection settings\nCREATE=TRUE\nBUSY_TIMEOUT=100\n";
  TOVDatabase Db(nullptr);
  Db.SetServerType(TOVServerType::stSQLite);
  Db.SetRemoteDatabase((Dir.Path() / "p.db").string());
  Db.SetParamsFileName(File.string());
  Db.GetParams()->Add("BUSY_TIMEOUT=250");
  const auto Effective = Db.EffectiveParams();
  ASSERT_EQ(Effective.size(), 2u);
  EXPECT_EQ(Effective[1], (std::pair<std::string, std::string>{"BUSY_TIMEOUT", "250"}));
  Db.Open();
  EXPECT_TRUE(Db.GetConnected());
  Db.Close();

  std::ofstream(File) << "CREATE TRUE\n";
  EXPECT_NE(ErrorOf([&] { Db.Open(); }).find("Line 1"), std::string::npos);
  Db.SetParamsFileName((Dir.Path() / "absent.txt").string());
  EXPECT_NE(ErrorOf([&] { Db.Open(); }).find("Cannot read the parameter file"), std::string::npos);
  EXPECT_FALSE(Db.GetConnected());
}

// A parameter file chosen by a design file from elsewhere: errors name the
// file and line but never quote it (a .pgpass line holds a password); a
// device, a FIFO, a folder or a huge file is refused at once, nothing read.
TEST(Connect, ParamsFileErrorsNeverQuoteTheFileAndOnlyRegularFilesAreRead) {
  TTempDir Dir;
  const auto PgPass = Dir.Path() / "pgpass";
  std::ofstream(PgPass) << "# servers\ndb.example.com:5432:*:alice:TopSecret9\n";
  TOVDatabase Db(nullptr);
  Db.SetServerType(TOVServerType::stSQLite);
  Db.SetRemoteDatabase((Dir.Path() / "p.db").string());
  Db.SetParamsFileName(PgPass.string());
  std::string Error = ErrorOf([&] { Db.Open(); });
  EXPECT_NE(Error.find("Line 2"), std::string::npos) << Error;
  EXPECT_NE(Error.find(PgPass.string()), std::string::npos) << Error;
  EXPECT_EQ(Error.find("TopSecret9"), std::string::npos) << Error;
  EXPECT_EQ(Error.find("alice"), std::string::npos) << Error;

  const auto Fifo = Dir.Path() / "fifo";
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  const auto Huge = Dir.Path() / "huge.txt";
  std::ofstream(Huge) << std::string(2 << 20, 'x');
  for (const auto& [Name, Why] : std::vector<std::pair<std::string, std::string>>{
           {"/dev/zero", "not a regular file"},
           {Fifo.string(), "not a regular file"},
           {Dir.Path().string(), "not a regular file"},
           {Huge.string(), "larger than 1048576 bytes"}}) {
    Db.SetParamsFileName(Name);
    Error = ErrorOf([&] { Db.Open(); });
    EXPECT_NE(Error.find("Cannot read the parameter file \"" + Name + "\""), std::string::npos)
        << Error;
    EXPECT_NE(Error.find(Why), std::string::npos) << Error;
    EXPECT_FALSE(Db.GetConnected());
  }
}

TEST(Connect, PostgreSQLWrongDatabaseAndUnreachableSocketFailClearly) {
  OV_REQUIRE_PG();
  TOVDatabase Db(nullptr);
  Db.SetServerType(TOVServerType::stPostgreSQL);
  Db.SetRemoteDatabase(PgURI());
  Db.GetParams()->Add("dbname=no_such_database");
  const std::string Error = ErrorOf([&] { Db.Open(); });
  EXPECT_NE(Error.find("\"no_such_database\" does not exist"), std::string::npos) << Error;
  EXPECT_FALSE(Db.GetConnected());

  TTempDir Empty;
  Db.GetParams()->Clear();
  Db.SetRemoteDatabase("postgresql://postgres@/postgres?host=" + Empty.Path().string());
  const std::string Socket = ErrorOf([&] { Db.Open(); });
  EXPECT_NE(Socket.find(Empty.Path().string()), std::string::npos) << Socket;
  EXPECT_FALSE(Db.GetConnected());
}

TEST(Connect, StreamedConnectedConnectsInLoaded) {
  TTempDir Dir;
  TOVDatabase Db(nullptr);
  Db.SetLoading(true);
  Db.SetConnected(true);
  Db.SetServerType(TOVServerType::stSQLite);
  Db.SetRemoteDatabase((Dir.Path() / "l.db").string());
  Db.GetParams()->Add("CREATE=TRUE");
  EXPECT_FALSE(Db.GetConnected());
  Db.Loaded();
  EXPECT_TRUE(Db.GetConnected());
}

TEST(Connect, ChangingTheTargetOfAConnectedDatabase) {
  TTempDir Dir;
  TOVDatabase Db(nullptr);
  Db.SetServerType(TOVServerType::stSQLite);
  Db.SetRemoteDatabase((Dir.Path() / "a.db").string());
  Db.GetParams()->Add("CREATE=TRUE");
  Db.Open();
  // At run time the change is refused; at design time the connection goes.
  EXPECT_THROW(Db.SetRemoteDatabase("other.db"), DB::EDatabaseError);
  EXPECT_THROW(Db.SetServerType(TOVServerType::stPostgreSQL), DB::EDatabaseError);
  Db.SetServerType(TOVServerType::stSQLite); // unchanged: fine
  Db.SetDesigning(true);
  Db.SetRemoteDatabase((Dir.Path() / "b.db").string());
  EXPECT_FALSE(Db.GetConnected());
}

} // namespace
