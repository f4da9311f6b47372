#include "orvane60/drivers/postgres/OVPgDriver.hpp"

#include "orvane60/DriverTestUtil.hpp"
#include "rtl/ScopeGuard.hpp"
#include "rtl/SysUtils.hpp"
#include "support/Relay.hpp"

#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace OVDriver;
using namespace DriverTestUtil;

namespace {

using TPgStatementTest = TPgTest;

// Runs Call with Ctrl-C pressed 300 ms into it; the message of the
// EInterrupted it ends with ("(no error)" when it ends without one).
std::string CtrlCDuring(const std::function<void()>& Call) {
  std::thread Press([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SysUtils::Interrupt();
  });
  const ScopeGuard::TFinally Join([&] { Press.join(); });
  return ErrorOf<SysUtils::EInterrupted>(Call);
}

TEST_F(TPgStatementTest, ConnectionFailuresSayWhyAndDoNotHang) {
  const auto Started = std::chrono::steady_clock::now();
  TConnectParams Params;
  Params.RemoteDatabase = ClusterURI();
  Params.Extra = {{"dbname", "no_such_database"}};
  EXPECT_TRUE(HasAll(ErrorOf([&] { FindDriver("PostgreSQL")->Connect(Params); }),
                     {"Cannot connect", "\"no_such_database\" does not exist"}));

  Params.Extra = {};
  Params.UserName = "nobody_here";
  EXPECT_TRUE(HasAll(ErrorOf([&] { FindDriver("PostgreSQL")->Connect(Params); }),
                     {"\"nobody_here\" does not exist"}));

  TTempDir Empty;
  Params = {};
  Params.RemoteDatabase = "postgresql://postgres@/postgres?host=" + Empty.Path().string();
  const std::string Unreachable = ErrorOf([&] { FindDriver("PostgreSQL")->Connect(Params); });
  EXPECT_TRUE(HasAll(Unreachable, {Empty.Path().string(), "No such file"}));
  EXPECT_EQ(Unreachable.find('\n'), std::string::npos);

  Params.RemoteDatabase = "host=/tmp nosuchkeyword=1";
  EXPECT_TRUE(
      HasAll(ErrorOf([&] { FindDriver("PostgreSQL")->Connect(Params); }), {"nosuchkeyword"}));
  EXPECT_LT(std::chrono::steady_clock::now() - Started, std::chrono::seconds(5));
  EXPECT_TRUE(HasAll(FConn->ServerVersion(), {"PostgreSQL 1"}));
}

TEST_F(TPgStatementTest, BoundParametersOfEveryKindRoundTrip) {
  FConn->ExecuteScript("create table vals(i bigint, f double precision, t text, b bytea, "
                       "d date, flag boolean, n numeric(12,3), s smallint)");
  const std::string Bytes("\x00\x01\xff'\"\\", 6);
  const std::string Text = "it's \"quoted\"; -- not a comment\n\xc3\xa9 $1";
  EXPECT_EQ(FConn->Execute("insert into vals values ($1, $2, $3, $4, $5, $6, $7, $8)",
                           {std::int64_t{1} << 40, 2.5, Text, TValue::Blob(Bytes), "2024-02-29",
                            true, "123456789.125", 7}),
            1);
  EXPECT_EQ(FConn->Execute("insert into vals(i, f) values ($1, $2)",
                           {TValue(), std::numeric_limits<double>::infinity()}),
            1);

  auto Rows = FConn->Query("select i, f, t, b, d, flag, n, s from vals order by i nulls last");
  ASSERT_TRUE(Rows->Next());
  EXPECT_EQ(Rows->Value(0).AsInteger(), std::int64_t{1} << 40);
  EXPECT_EQ(Rows->Value(1).Kind(), TValueKind::Float);
  EXPECT_EQ(Rows->Value(1).AsFloat(), 2.5);
  EXPECT_EQ(Rows->Value(2).AsString(), Text);
  EXPECT_EQ(Rows->Value(3).Kind(), TValueKind::Blob);
  EXPECT_EQ(Rows->Value(3).AsBlob(), Bytes);
  EXPECT_EQ(Rows->Value(4).AsString(), "2024-02-29");
  EXPECT_EQ(Rows->Value(5).AsInteger(), 1);
  EXPECT_EQ(Rows->Value(6).AsString(), "123456789.125");
  EXPECT_EQ(Rows->Value(7).Kind(), TValueKind::Integer);
  ASSERT_TRUE(Rows->Next());
  EXPECT_TRUE(Rows->IsNull(0));
  EXPECT_TRUE(std::isinf(Rows->Value(1).AsFloat()));
  EXPECT_FALSE(Rows->Next());

  EXPECT_EQ(Rows->Column(4).DataType, TDataType::Date);
  EXPECT_EQ(Rows->Column(5).DataType, TDataType::Boolean);
  EXPECT_EQ(Rows->Column(6).Precision, 12);
  EXPECT_EQ(Rows->Column(6).Scale, 3);
  EXPECT_EQ(Rows->Column(6).OriginTable, "vals");

  EXPECT_EQ(FConn->Execute("update vals set s = $1", {3}), 2);
  EXPECT_EQ(FConn->Execute("select * from vals"), 0);
  EXPECT_TRUE(HasAll(
      ErrorOf([&] { FConn->Execute("insert into vals(t) values ($1)", {std::string("a\0b", 3)}); }),
      {"NUL"}));
}

TEST_F(TPgStatementTest, StatementErrorsCarryServerWordsAndSQLState) {
  try {
    FConn->Query("select * from no_such_table where x = $1", {1});
    FAIL();
  } catch (const EDriverError& E) {
    EXPECT_EQ(E.SQLState(), "42P01");
    EXPECT_TRUE(HasAll(E.ServerMessage(), {"\"no_such_table\" does not exist"}));
    EXPECT_TRUE(HasAll(E.what(), {"select * from no_such_table"}));
  }
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->Execute("selec 1"); }), {"syntax error"}));
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->Execute("select $1 + $2::int", {1}); }), {"requires 2"}));
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->Execute("select 1; select 2"); }), {"multiple"}));
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->Execute(""); }), {"no statement"}));
  FConn->ExecuteScript("create table copy_target(a int)");
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->Execute("copy copy_target from stdin"); }), {"COPY"}));
  EXPECT_EQ(Scalar(*FConn, "select 1"), 1);
}

TEST_F(TPgStatementTest, FailedTransactionIsNeverReportedAsCommitted) {
  FConn->ExecuteScript("create table tx(a int primary key)");
  FConn->StartTransaction();
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->StartTransaction(); }), {"already active"}));
  FConn->Execute("insert into tx values (1)");
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->Execute("insert into tx values (1)"); }), {"23505"}));
  EXPECT_TRUE(FConn->InTransaction());
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->Commit(); }), {"rolled back"}));
  EXPECT_FALSE(FConn->InTransaction());
  EXPECT_EQ(Scalar(*FConn, "select count(*) from tx"), 0);

  FConn->StartTransaction();
  FConn->Execute("insert into tx values (2)");
  FConn->Commit();
  EXPECT_EQ(Scalar(*ConnectTo(Database()), "select count(*) from tx"), 1);
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->Rollback(); }), {"no transaction"}));
}

TEST_F(TPgStatementTest, CheckStatementsPlansInOnePipelineAndNamesEachFailure) {
  FConn->ExecuteScript("drop table if exists checked; create table checked(id int primary key, v "
                       "text); insert into checked values (1, 'kept')");
  std::vector<std::string> SQL = {
      "update checked set v = $1 where id = $2", "update checked set gone = $1 where id = $2",
      "insert into missing values ($1)", "delete from checked where id is not distinct from $1",
      "select v from checked where id = $1"};
  std::vector<int> Counts = {2, 2, 1, 1, 1};
  // Enough statements that sending them all at once fills the socket.
  for (int I = 0; I < 3000; ++I) {
    SQL.push_back("select v, '" + std::string(200, 'x') + "' from checked where id = $1");
    Counts.push_back(1);
  }
  const auto Errors = FConn->CheckStatements(SQL, Counts);
  ASSERT_EQ(Errors.size(), SQL.size());
  EXPECT_EQ(Errors[0], "");
  EXPECT_TRUE(HasAll(Errors[1], {"gone"}));
  EXPECT_TRUE(HasAll(Errors[2], {"missing"}));
  EXPECT_EQ(Errors[3], "");
  EXPECT_EQ(Errors[4], "");
  EXPECT_EQ(std::count(Errors.begin(), Errors.end(), ""), static_cast<long>(SQL.size()) - 2);
  // Nothing ran, nothing stays prepared, and the connection works as before.
  EXPECT_EQ(Scalar(*FConn, "select count(*) from checked where v = 'kept'"), 1);
  EXPECT_EQ(Scalar(*FConn, "select count(*) from pg_prepared_statements where name like "
                           "'ov\\_check%'"),
            0);

  // A role that may read but not write: planning the writes says so.
  FConn->ExecuteScript("drop role if exists ovdrv_reader_" + std::to_string(::getpid()) +
                       "; create role ovdrv_reader_" + std::to_string(::getpid()) +
                       " login; grant "
                       "select on checked to ovdrv_reader_" +
                       std::to_string(::getpid()) + "");
  TConnectParams Params;
  Params.RemoteDatabase = ClusterURI();
  Params.UserName = "ovdrv_reader_" + std::to_string(::getpid()) + "";
  Params.Extra = {{"dbname", Database()}};
  {
    auto Reader = FindDriver("PostgreSQL")->Connect(Params);
    const auto Denied = Reader->CheckStatements(
        {"select v from checked where id = $1", "update checked set v = $1 where id = $2"}, {1, 2});
    EXPECT_EQ(Denied[0], "");
    EXPECT_TRUE(HasAll(Denied[1], {"permission denied", "checked"}));
  }
  FConn->ExecuteScript("drop owned by ovdrv_reader_" + std::to_string(::getpid()) +
                       "; drop role ovdrv_reader_" + std::to_string(::getpid()) + "");

  const auto Rows = FConn->FirstRows({"select id, v from checked", "select * from missing",
                                      "select id from checked where false", "select 2 as two"});
  ASSERT_EQ(Rows.size(), 4u);
  EXPECT_TRUE(Rows[0].Found);
  EXPECT_EQ(Rows[0].Columns, (TStrings{"id", "v"}));
  EXPECT_EQ(Rows[0].Values[1].AsString(), "kept");
  EXPECT_TRUE(HasAll(Rows[1].Error, {"missing"}));
  EXPECT_FALSE(Rows[2].Found);
  EXPECT_EQ(Rows[2].Error, "");
  EXPECT_EQ(Rows[3].Values[0].AsInteger(), 2);
  EXPECT_TRUE(FConn->Alive());
}

TEST_F(TPgStatementTest, ALostConnectionEndsAPipelineWithAnError) {
  const std::int64_t Pid = Scalar(*FConn, "select pg_backend_pid()");
  ConnectTo(Database())->Query("select pg_terminate_backend(" + std::to_string(Pid) + ")");
  EXPECT_NE(ErrorOf([&] { FConn->CheckStatements({"select 1"}, {0}); }), "(no error)");
  EXPECT_FALSE(FConn->Alive());
}

// A server that stops answering part-way (a relay that passes on the first
// replies, then nothing) ends every wait in an error naming what timed out,
// within the timeout, and leaves the connection dead rather than hung.
TEST_F(TPgStatementTest, AServerThatStopsAnsweringTimesOut) {
  const std::string Upstream = TestSupport::TStallingRelay::UpstreamOf(ClusterURI());
  if (Upstream.empty())
    GTEST_SKIP() << "the cluster is not on a Unix socket";
  const ScopeGuard::TFinally Restore([] { SetServerTimeout(30); });
  SetServerTimeout(1);
  TTempDir Dir;
  // Enough for the start of a session and a few small answers.
  TestSupport::TStallingRelay Relay(Dir.Path(), 5433, Upstream, 5 * 1024);
  TConnectParams Params;
  Params.RemoteDatabase = Relay.URI(Database());
  auto Conn = FindDriver("PostgreSQL")->Connect(Params);
  EXPECT_EQ(Scalar(*Conn, "select 1"), 1);
  const auto Started = std::chrono::steady_clock::now();
  const std::string Error = ErrorOf([&] { Conn->Query("select repeat('x', 100000)"); });
  const auto Took = std::chrono::steady_clock::now() - Started;
  EXPECT_TRUE(HasAll(Error, {"Running the query \"select repeat", "did not answer within 1 second",
                             "connection was closed"}));
  EXPECT_GE(Took, std::chrono::milliseconds(900));
  EXPECT_LT(Took, std::chrono::seconds(4));
  EXPECT_FALSE(Conn->Alive());
  EXPECT_NE(ErrorOf([&] { Conn->Query("select 1"); }), "(no error)");

  // The catalogue's pipelines wait the same way.
  auto Second = FindDriver("PostgreSQL")->Connect(Params);
  Second->ExecuteScript("select 1");
  EXPECT_TRUE(HasAll(ErrorOf([&] {
                       Second->FirstRows({"select repeat('y', 100000)", "select 2"});
                     }),
                     {"did not answer within 1 second"}));

  // A relay that passes nothing on: connecting gives up (libpq waits two
  // seconds at the least).
  TTempDir Mute;
  TestSupport::TStallingRelay Silent(Mute.Path(), 5433, Upstream, 0);
  Params.RemoteDatabase = Silent.URI(Database());
  const auto Begun = std::chrono::steady_clock::now();
  EXPECT_TRUE(HasAll(ErrorOf([&] { FindDriver("PostgreSQL")->Connect(Params); }),
                     {"Cannot connect to the PostgreSQL server", "did not answer within"}));
  EXPECT_LT(std::chrono::steady_clock::now() - Begun, std::chrono::seconds(5));
}

// Ctrl-C during a statement cancels it on the server and raises
// EInterrupted; the connection stays usable once the interrupt is cleared.
TEST_F(TPgStatementTest, CtrlCCancelsTheRunningStatement) {
  const ScopeGuard::TFinally Clear([] { SysUtils::ClearInterrupt(); });
  const auto Started = std::chrono::steady_clock::now();
  const std::string Error = CtrlCDuring([&] { FConn->Execute("select pg_sleep(20)"); });
  EXPECT_LT(std::chrono::steady_clock::now() - Started, std::chrono::seconds(5));
  EXPECT_TRUE(HasAll(Error, {"pg_sleep", "cancelled (Ctrl-C)"}));
  // Nothing more is sent while the interrupt stands.
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->Query("select 1"); }), {"cancelled"}));
  SysUtils::ClearInterrupt();
  EXPECT_TRUE(FConn->Alive());
  EXPECT_EQ(Scalar(*FConn, "select 2"), 2);
}

// Ctrl-C when the cancel request cannot reach the server (a network that
// drops; here the relay takes no new connection and its queue is full, so
// the request's connect() waits for good): the wait still ends within
// seconds, and the connection is closed.
TEST_F(TPgStatementTest, CtrlCEndsTheWaitWhenTheCancelRequestCannotGetThrough) {
  const std::string Upstream = TestSupport::TStallingRelay::UpstreamOf(ClusterURI());
  if (Upstream.empty())
    GTEST_SKIP() << "the cluster is not on a Unix socket";
  TTempDir Dir;
  TestSupport::TStallingRelay Relay(Dir.Path(), 5433, Upstream, std::size_t{1} << 30);
  TConnectParams Params;
  Params.RemoteDatabase = Relay.URI(Database());
  auto Conn = FindDriver("PostgreSQL")->Connect(Params);
  Relay.StopAccepting();
  std::vector<int> Queued;
  const ScopeGuard::TFinally Close([&] {
    for (const int S : Queued)
      ::close(S);
  });
  sockaddr_un Address{};
  Address.sun_family = AF_UNIX;
  const std::string Path = Relay.SocketPath();
  std::memcpy(Address.sun_path, Path.c_str(), Path.size() + 1);
  for (int I = 0; I < 256; ++I) {
    const int S = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ASSERT_GE(S, 0);
    Queued.push_back(S);
    if (::connect(S, reinterpret_cast<const sockaddr*>(&Address), sizeof Address) != 0)
      break; // the queue is full
  }
  const ScopeGuard::TFinally Clear([] { SysUtils::ClearInterrupt(); });
  const auto Started = std::chrono::steady_clock::now();
  const std::string Error = CtrlCDuring([&] { Conn->Execute("select pg_sleep(20)"); });
  EXPECT_TRUE(HasAll(Error, {"pg_sleep", "cancelled (Ctrl-C)"}));
  EXPECT_LT(std::chrono::steady_clock::now() - Started, std::chrono::seconds(8));
  EXPECT_FALSE(Conn->Alive());
}

TEST_F(TPgStatementTest, WarningsWhileConnectingNeverReachStderr) {
  // A setting of the database that the server cannot apply at the start of
  // a session becomes a WARNING then.
  FConn->ExecuteScript("drop text search configuration if exists ovdrv_gone; create text search "
                       "configuration ovdrv_gone (copy = simple)");
  FConn->ExecuteScript("alter database " + FConn->Driver().QuoteIdentifier(Database()) +
                       " set default_text_search_config = 'public.ovdrv_gone'");
  FConn->ExecuteScript("drop text search configuration ovdrv_gone");
  TTempDir Dir;
  const std::string Captured = (Dir.Path() / "stderr").string();
  std::fflush(stderr);
  const int Saved = ::dup(2);
  const int File = ::open(Captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(File, 2);
  ::close(File);
  std::string Error;
  try {
    ConnectTo(Database())->Query("select 1");
  } catch (const std::exception& E) {
    Error = E.what();
  }
  std::fflush(stderr);
  ::dup2(Saved, 2);
  ::close(Saved);
  FConn->ExecuteScript("alter database " + FConn->Driver().QuoteIdentifier(Database()) +
                       " reset default_text_search_config");
  EXPECT_EQ(Error, "");
  std::ifstream In(Captured);
  const std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  EXPECT_EQ(Text, "");
}

TEST_F(TPgStatementTest, DescribeDoesNotRunAndResultsOutliveTheConnection) {
  FConn->ExecuteScript("create table item(id serial primary key, name varchar(40) not null)");
  const auto Columns = FConn->Describe("select name as label, id + 1 as next from item");
  ASSERT_EQ(Columns.size(), 2u);
  EXPECT_EQ(Columns[0].Name, "label");
  EXPECT_EQ(Columns[0].DataType, TDataType::String);
  EXPECT_EQ(Columns[0].Size, 40);
  EXPECT_EQ(Columns[0].TypeName, "character varying(40)");
  EXPECT_FALSE(Columns[0].Nullable);
  EXPECT_EQ(Columns[0].OriginTable, "item");
  EXPECT_EQ(Columns[0].OriginColumn, "name");
  EXPECT_EQ(Columns[1].OriginTable, "");
  EXPECT_EQ(Columns[1].DataType, TDataType::Integer);

  FConn->Describe("insert into item(name) values ('x')");
  EXPECT_EQ(Scalar(*FConn, "select count(*) from item"), 0);

  FConn->Execute("insert into item(name) values ($1)", {"kept"});
  auto Rows = FConn->Query("select name from item");
  FConn.reset();
  ASSERT_TRUE(Rows->Next());
  EXPECT_EQ(Rows->Value(0).AsString(), "kept");
  EXPECT_EQ(Rows->Column(0).OriginTable, "item");
}

class TPgCatalogTest : public TPgTest {
protected:
  static void SetUpTestSuite() {
    TPgTest::SetUpTestSuite();
    if (ClusterURI().empty())
      return;
    ConnectTo(Database())->ExecuteScript(R"(
      create table order_lines(order_no int, line_no int, qty int not null, note text,
                               primary key (order_no, line_no));
      create table "Order Items"("Item Id" int primary key, "Unit Price" numeric(10,2));
      create table uniq_only(a text, b text, c text, d text unique);
      create unique index uniq_b_c on uniq_only(b, c);
      create index plain_a on uniq_only(a);
      create unique index uniq_expr on uniq_only(lower(a));
      create unique index uniq_partial on uniq_only(c) where c is not null;
      create table "select"("from" text primary key, "order" int);
      create table Products(Id int primary key, Title varchar(80));
      create table "Customers"("Id" int primary key);
      create table no_index(x int);
      create view order_view as select order_no, qty from order_lines;
      create schema sales;
      create table sales.invoices(no int primary key, total numeric);
      create table "sales.invoices"(literal int);
      create domain positive as int check (value > 0);
      create table typed(p positive, t timestamptz, u uuid, c char(3));
      create function add_one(x int) returns int language sql as 'select x + 1';
      create function split_name(full_name text, out first text, out last text)
        language sql as $$select split_part(full_name, ' ', 1), split_part(full_name, ' ', 2)$$;
      create function lines_of(o int) returns table(line int, qty int) language sql
        as 'select line_no, qty from order_lines where order_no = o';
      create procedure bump(inout counter int, step int) language plpgsql
        as $$begin counter := counter + step; end$$;
      create function sales.touch(int) returns void language sql as 'select 1';
      create function guard() returns trigger language plpgsql as $$begin return new; end$$;
    )");
  }
};

TEST_F(TPgCatalogTest, NamesOfDatabasesSchemasTablesAndProcedures) {
  EXPECT_TRUE(Contains(FConn->GetDatabaseNames(), Database()));
  EXPECT_FALSE(Contains(FConn->GetDatabaseNames(), "template0"));
  EXPECT_EQ(FConn->GetSchemaNames(), (TStrings{"public", "sales"}));
  EXPECT_EQ(FConn->GetTableNames(), (TStrings{"Customers", "Order Items", "no_index", "order_lines",
                                              "order_view", "products", "sales.invoices",
                                              "sales.invoices", "select", "typed", "uniq_only"}));
  EXPECT_EQ(FConn->GetTableNames("ORDER%"), (TStrings{"Order Items", "order_lines", "order_view"}));
  EXPECT_EQ(FConn->GetTableNames("order\\_%"), (TStrings{"order_lines", "order_view"}));
  const auto All = FConn->GetTableNames({}, true);
  EXPECT_TRUE(Contains(All, "pg_catalog.pg_class"));
  EXPECT_TRUE(Contains(All, "information_schema.tables"));
  EXPECT_EQ(FConn->GetStoredProcNames(),
            (TStrings{"add_one", "bump", "lines_of", "sales.touch", "split_name"}));
}

TEST_F(TPgCatalogTest, FieldNamesForEveryKindOfName) {
  const auto Lines = FConn->GetFieldNames("order_lines");
  EXPECT_EQ(ColumnNames(Lines), (TStrings{"order_no", "line_no", "qty", "note"}));
  EXPECT_FALSE(Lines[0].Nullable);
  EXPECT_FALSE(Lines[2].Nullable);
  EXPECT_TRUE(Lines[3].Nullable);
  EXPECT_EQ(Lines[0].TypeName, "integer");
  EXPECT_EQ(Lines[3].DataType, TDataType::Memo);

  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("Order Items")), (TStrings{"Item Id", "Unit Price"}));
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("select")), (TStrings{"from", "order"}));
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("order_view")), (TStrings{"order_no", "qty"}));
  // Unquoted names were folded when created; people type them in any case.
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("Products")), (TStrings{"id", "title"}));
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("PUBLIC.PRODUCTS")), (TStrings{"id", "title"}));
  // A quoted mixed-case name is found as written, not from its lower case.
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("Customers")), (TStrings{"Id"}));
  EXPECT_TRUE(FConn->GetFieldNames("customers").empty());
  // A dot parts schema and name only outside quotes, as the server reads it.
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("sales.invoices")), (TStrings{"no", "total"}));
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("\"sales.invoices\"")), (TStrings{"literal"}));
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("public.\"sales.invoices\"")), (TStrings{"literal"}));
  EXPECT_TRUE(FConn->GetFieldNames("nosuch").empty());
  EXPECT_TRUE(FConn->GetFieldNames("nosuch.order_lines").empty());

  const auto Typed = FConn->GetFieldNames("typed");
  ASSERT_EQ(Typed.size(), 4u);
  EXPECT_EQ(Typed[0].TypeName, "positive");
  EXPECT_EQ(Typed[0].DataType, TDataType::Integer);
  EXPECT_EQ(Typed[1].DataType, TDataType::DateTime);
  EXPECT_EQ(Typed[2].DataType, TDataType::String);
  EXPECT_EQ(Typed[3].Size, 3);
}

TEST_F(TPgCatalogTest, SchemaQualifiedNamesReachOtherSchemas) {
  FConn->ExecuteScript("create table sales.orders(id int primary key)");
  const auto Orders = FConn->GetFieldNames("sales.orders");
  EXPECT_EQ(ColumnNames(Orders), (TStrings{"id"}));
  EXPECT_EQ(Orders[0].OriginTable, "sales.orders");
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames("SALES.ORDERS")), (TStrings{"id"}));
  EXPECT_TRUE(FConn->GetFieldNames("orders").empty());
  EXPECT_EQ(IndexRows(FConn->GetIndexInfo("sales.orders")), (TStrings{"orders_pkey:id:6:1"}));
}

TEST_F(TPgCatalogTest, IndexInfoPutsPrimaryKeyFirstThenIndexesInCreationOrder) {
  EXPECT_EQ(IndexRows(FConn->GetIndexInfo("order_lines")),
            (TStrings{"order_lines_pkey:order_no:6:1", "order_lines_pkey:line_no:6:2"}));
  EXPECT_EQ(IndexRows(FConn->GetIndexInfo("Order Items")),
            (TStrings{"Order Items_pkey:Item Id:6:1"}));
  EXPECT_EQ(IndexRows(FConn->GetIndexInfo("uniq_only")),
            (TStrings{"uniq_only_d_key:d:2:1", "uniq_b_c:b:2:1", "uniq_b_c:c:2:2", "plain_a:a:1:1",
                      "uniq_expr::1:1", "uniq_partial:c:1:1"}));
  EXPECT_EQ(IndexRows(FConn->GetIndexInfo("select")), (TStrings{"select_pkey:from:6:1"}));
  EXPECT_TRUE(FConn->GetIndexInfo("no_index").empty());
  EXPECT_TRUE(FConn->GetIndexInfo("order_view").empty());
  EXPECT_TRUE(FConn->GetIndexInfo("nosuch").empty());
}

TEST_F(TPgCatalogTest, ProcParamsOfFunctionsAndProcedures) {
  const auto Describe = [&](const std::string& Proc) {
    std::vector<std::string> Result;
    for (const auto& P : FConn->GetProcParams(Proc))
      Result.push_back(P.Name + ":" + std::to_string(static_cast<int>(P.Direction)) + ":" +
                       P.TypeName);
    return Result;
  };
  // Directions: 0 input, 1 output, 2 input/output, 3 result.
  EXPECT_EQ(Describe("add_one"), (TStrings{"Result:3:integer", "x:0:integer"}));
  EXPECT_EQ(Describe("ADD_ONE"), (TStrings{"Result:3:integer", "x:0:integer"}));
  EXPECT_EQ(Describe("split_name"), (TStrings{"full_name:0:text", "first:1:text", "last:1:text"}));
  EXPECT_EQ(Describe("lines_of"), (TStrings{"o:0:integer", "line:1:integer", "qty:1:integer"}));
  EXPECT_EQ(Describe("bump"), (TStrings{"counter:2:integer", "step:0:integer"}));
  EXPECT_EQ(Describe("sales.touch"), (TStrings{"$1:0:integer"}));
  EXPECT_TRUE(Describe("nosuch").empty());
  EXPECT_EQ(FConn->GetProcParams("add_one")[0].DataType, TDataType::Integer);
}

TEST_F(TPgCatalogTest, BatchCatalogMatchesTheOneTableCalls) {
  const TTableColumns AllColumns = FConn->GetAllFieldNames();
  const TTableIndexes AllIndexes = FConn->GetAllIndexInfo();
  const std::vector<std::string> Keys = TablesOf(AllColumns);
  auto Expected = FConn->GetTableNames();
  Expected.erase(std::unique(Expected.begin(), Expected.end()), Expected.end());
  EXPECT_EQ(Keys, Expected);
  for (const std::string Table : {"order_lines", "Order Items", "uniq_only", "select", "typed",
                                  "order_view", "products", "sales.invoices"}) {
    SCOPED_TRACE(Table);
    // The batch keeps, of two tables listed alike, the one of the current
    // schema; asked by schema and name, nothing else can answer.
    const auto Ref = FConn->FindTable("public." + FConn->Driver().QuoteIdentifier(Table));
    ASSERT_TRUE(Ref);
    const std::string Exact = WriteTableName(*FConn, *Ref, true, true);
    const auto One = FConn->GetFieldNames(Exact);
    const auto& Batch = AllColumns.at(Table);
    ASSERT_EQ(ColumnNames(Batch), ColumnNames(One));
    for (std::size_t I = 0; I < One.size(); ++I) {
      EXPECT_EQ(Batch[I].TypeName, One[I].TypeName);
      EXPECT_EQ(Batch[I].DataType, One[I].DataType);
      EXPECT_EQ(Batch[I].Nullable, One[I].Nullable);
    }
    const auto Found = AllIndexes.find(Table);
    EXPECT_EQ(Found == AllIndexes.end() ? std::vector<std::string>{} : IndexRows(Found->second),
              IndexRows(FConn->GetIndexInfo(Exact)));
  }
}

// DescribeTable finds the table, then reads its columns and indexes by its
// oid; it must find what FindTable, GetFieldNames and GetIndexInfo find, for
// every way of naming a table, each statement text is prepared once however
// many tables are described, and a lookup that fails must not leave a
// statement name behind that the server never prepared.
TEST_F(TPgCatalogTest, DescribeTableAnswersAsTheThreeLookupsDo) {
  // The first lookups of this connection fail, in an aborted transaction:
  // the error names the table, and once the transaction is over the same
  // lookups are prepared again and answer.
  FConn->StartTransaction();
  EXPECT_NE(ErrorOf([&] { FConn->Execute("select 1 / 0"); }), "(no error)");
  EXPECT_TRUE(HasAll(ErrorOf([&] { FConn->DescribeTable("order_lines"); }),
                     {"Looking up the table \"order_lines\"", "aborted"}));
  FConn->Rollback();
  for (const std::string Table :
       {"order_lines", "Order Items", "\"Order Items\"", "PUBLIC.PRODUCTS", "Customers",
        "sales.invoices", "\"sales.invoices\"", "public.\"sales.invoices\"", "order_view",
        "no_index", "uniq_only", "typed"}) {
    SCOPED_TRACE(Table);
    const auto Described = FConn->DescribeTable(Table);
    const auto Ref = FConn->FindTable(Table);
    ASSERT_TRUE(Described);
    ASSERT_TRUE(Ref);
    EXPECT_EQ(Described->Table.Schema, Ref->Schema);
    EXPECT_EQ(Described->Table.Name, Ref->Name);
    EXPECT_EQ(Described->Table.Kind, Ref->Kind);
    const auto Columns = FConn->GetFieldNames(Table);
    ASSERT_EQ(ColumnNames(Described->Columns), ColumnNames(Columns));
    for (std::size_t I = 0; I < Columns.size(); ++I) {
      EXPECT_EQ(Described->Columns[I].TypeName, Columns[I].TypeName);
      EXPECT_EQ(Described->Columns[I].Nullable, Columns[I].Nullable);
    }
    EXPECT_EQ(IndexRows(Described->Indexes), IndexRows(FConn->GetIndexInfo(Table)));
  }
  EXPECT_FALSE(FConn->DescribeTable("customers"));
  EXPECT_FALSE(FConn->DescribeTable("nosuch.order_lines"));
  // The lookup, the keywords, columns and indexes by oid; GetFieldNames and
  // GetIndexInfo by name.
  EXPECT_EQ(Scalar(*FConn, "select count(*) from pg_prepared_statements where name like "
                           "'ov\\_catalog\\_%'"),
            6);
}

// Index columns are the key columns only (not those an index includes),
// however the index is read; partitioned tables and their partitions are
// described as tables, generated columns marked.
TEST_F(TPgCatalogTest, PartitionsAndCoveringIndexesReadAlikeEverywhere) {
  FConn->ExecuteScript(R"(
    create table measures(region text, taken date, value int generated always as (2) stored,
                          note text, primary key (region, taken)) partition by range (taken);
    create table measures_2024 partition of measures
      for values from ('2024-01-01') to ('2025-01-01');
    create unique index measures_cover on measures_2024(note) include (region, taken);
    create index measures_expr on measures_2024(region, lower(note)) include (value))");
  const TStrings Partition{"measures_2024_pkey:region:6:1", "measures_2024_pkey:taken:6:2",
                           "measures_cover:note:2:1", "measures_expr:region:1:1",
                           "measures_expr::1:2"};
  const auto Described = FConn->DescribeTable("Measures_2024");
  ASSERT_TRUE(Described);
  EXPECT_EQ(Described->Table.Kind, TTableKind::Table);
  EXPECT_EQ(IndexRows(Described->Indexes), Partition);
  EXPECT_EQ(IndexRows(FConn->GetIndexInfo("measures_2024")), Partition);
  EXPECT_EQ(IndexRows(FConn->GetAllIndexInfo().at("measures_2024")), Partition);
  const auto Parent = FConn->DescribeTable("public.measures");
  ASSERT_TRUE(Parent);
  EXPECT_EQ(Parent->Table.Kind, TTableKind::Table);
  EXPECT_EQ(IndexRows(Parent->Indexes),
            (TStrings{"measures_pkey:region:6:1", "measures_pkey:taken:6:2"}));
  const TStrings Flags{"region:", "taken:", "value:GD", "note:"};
  EXPECT_EQ(ColumnFlags(Parent->Columns), Flags);
  EXPECT_EQ(ColumnFlags(Described->Columns), Flags);
  EXPECT_EQ(ColumnFlags(FConn->GetAllFieldNames().at("measures_2024")), Flags);
  FConn->ExecuteScript("drop table measures");
}

// Which of the relations bearing a name a lookup takes follows the search
// path: the current schema's first, then the one the path shows (a temporary
// table shadows only the others); the lookup that chooses in the client and
// the one the server makes for GetFieldNames agree on each.
TEST_F(TPgCatalogTest, ALookupTakesTheTableTheSearchPathShows) {
  FConn->ExecuteScript(R"(
    create schema early;
    create table early.shade(a int primary key);
    create table public.shade(b int primary key);
    create table early.only_early(c int primary key))");
  const auto Lookup = [&](const std::string& Table) {
    SCOPED_TRACE(Table);
    const auto Ref = FConn->FindTable(Table);
    const auto Described = FConn->DescribeTable(Table);
    const auto Columns = ColumnNames(FConn->GetFieldNames(Table));
    EXPECT_EQ(Ref.has_value(), Described.has_value());
    if (!Ref || !Described)
      return std::string("-") + (Columns.empty() ? "" : "!");
    EXPECT_EQ(Described->Table.Schema, Ref->Schema);
    EXPECT_EQ(ColumnNames(Described->Columns), Columns);
    return Ref->Schema + "|" + Ref->Display + "|" + (Ref->SearchOrder < 0 ? "-" : "+") + "|" +
           (Columns.empty() ? "" : Columns.front());
  };
  FConn->ExecuteScript("set search_path = early, public");
  EXPECT_EQ(Lookup("shade"), "early|shade|+|a");
  EXPECT_EQ(Lookup("public.shade"), "public|public.shade|+|b");
  FConn->ExecuteScript("set search_path = public, early");
  EXPECT_EQ(Lookup("shade"), "public|shade|+|b");
  EXPECT_EQ(Lookup("only_early"), "early|early.only_early|+|c");
  FConn->ExecuteScript("create temporary table shade(t int)");
  EXPECT_EQ(Lookup("shade"), "public|shade|+|b");
  FConn->ExecuteScript("set search_path = public");
  EXPECT_EQ(Lookup("only_early"), "-");
  EXPECT_EQ(Lookup("EARLY.Only_Early"), "early|early.only_early|-|c");
  FConn->ExecuteScript("drop schema early cascade; drop table public.shade");
}

TEST_F(TPgCatalogTest, TablesTellSchemaNameKindAndHowAnUnqualifiedNameReachesThem) {
  std::vector<std::string> Seen;
  for (const TTableRef& T : FConn->GetTables())
    if (T.Name.find("invoices") != std::string::npos || T.Name == "order_view" ||
        T.Name == "Customers")
      Seen.push_back(T.Schema + "|" + T.Name + "|" + T.Display + "|" +
                     std::string(TableKindName(T.Kind)) + "|" + (T.SearchOrder < 0 ? "-" : "+"));
  EXPECT_EQ(Seen,
            (TStrings{"public|Customers|Customers|table|+", "public|order_view|order_view|view|+",
                      "public|sales.invoices|sales.invoices|table|+",
                      "sales|invoices|sales.invoices|table|-"}));
  const auto Literal = FConn->FindTable("\"sales.invoices\"");
  ASSERT_TRUE(Literal);
  EXPECT_EQ(Literal->Schema, "public");
  EXPECT_EQ(WriteTableName(*FConn, *Literal, false), "\"sales.invoices\"");
  const auto Other = FConn->FindTable("SALES.Invoices");
  ASSERT_TRUE(Other);
  EXPECT_EQ(Other->Schema, "sales");
  EXPECT_EQ(WriteTableName(*FConn, *Other, false), "sales.invoices");
  const auto Mixed = FConn->FindTable("Customers");
  ASSERT_TRUE(Mixed);
  EXPECT_EQ(WriteTableName(*FConn, *Mixed, false), "\"Customers\"");
  EXPECT_EQ(WriteTableName(*FConn, *Mixed, false, true), "public.\"Customers\"");
  EXPECT_FALSE(FConn->FindTable("nosuch"));
}

TEST_F(TPgCatalogTest, ColumnsTellWhatTheServerComputes) {
  FConn->ExecuteScript(R"(
    create table computed(id int generated always as identity primary key,
                          b int generated by default as identity, s serial,
                          g int generated always as (b * 2) stored, d text default 'x', p int))");
  const TStrings Expected{"id:GAD", "b:AD", "s:AD", "g:GD", "d:D", "p:"};
  EXPECT_EQ(ColumnFlags(FConn->GetFieldNames("computed")), Expected);
  EXPECT_EQ(ColumnFlags(FConn->GetAllFieldNames().at("computed")), Expected);
  FConn->ExecuteScript("drop table computed");
}

TEST_F(TPgCatalogTest, NamesNeedQuotesWhereTheServerWouldReadThemOtherwise) {
  for (const char* Plain : {"customer", "name", "a$b", "_x", "na\xc3\xafve", "x1", "key"})
    EXPECT_FALSE(FConn->NeedsQuotes(Plain)) << Plain;
  for (const char* Odd : {"Customer", "user", "order", "between", "left", "My Table", "1st", "$a",
                          "", "a\"b", "a.b", "a\rb"})
    EXPECT_TRUE(FConn->NeedsQuotes(Odd)) << Odd;
  EXPECT_EQ(WriteName(*FConn, "user", false), "\"user\"");
  EXPECT_EQ(WriteName(*FConn, "qty", false), "qty");
  EXPECT_EQ(WriteName(*FConn, "qty", true), "\"qty\"");
  EXPECT_EQ(FConn->NullSafeEquals(), " is not distinct from ");
  // What the list says, the server does: each written name reads back.
  for (const char* Name : {"user", "Customer", "My Table", "1st", "a\"b", "x"})
    EXPECT_EQ(FConn->Query("select 1 as " + WriteName(*FConn, Name, false))->ColumnName(0), Name);
}

TEST_F(TPgCatalogTest, HostileNamesAreOnlyEverData) {
  const std::string Table = "x\"; drop table order_lines; --";
  const std::string Column = "a'b\"c; /* -- $1 \\";
  const std::string Index = "i'); drop table \"select\"; --";
  const auto Quote = [&](const std::string& Name) { return FConn->Driver().QuoteIdentifier(Name); };
  FConn->ExecuteScript("create table " + Quote(Table) + "(" + Quote(Column) + " int primary key)");
  FConn->ExecuteScript("create unique index " + Quote(Index) + " on " + Quote(Table) + "(" +
                       Quote(Column) + ")");
  EXPECT_TRUE(Contains(FConn->GetTableNames(), Table));
  EXPECT_EQ(ColumnNames(FConn->GetFieldNames(Table)), (TStrings{Column}));
  const auto Described = FConn->DescribeTable(Table);
  ASSERT_TRUE(Described);
  EXPECT_EQ(Described->Table.Name, Table);
  EXPECT_EQ(IndexRows(Described->Indexes), IndexRows(FConn->GetIndexInfo(Table)));
  EXPECT_TRUE(Contains(IndexRows(FConn->GetIndexInfo(Table)), Index + ":" + Column + ":2:1"));
  EXPECT_EQ(FConn->GetAllFieldNames().at(Table)[0].Name, Column);
  for (const char* Probe :
       {"order_lines'; drop table order_lines; --", "x' or '1'='1",
        "order_lines\"; delete from order_lines; --", "{\"a\",\"b\"}", "a\\\",\"order_lines"}) {
    EXPECT_TRUE(FConn->GetFieldNames(Probe).empty()) << Probe;
    EXPECT_TRUE(FConn->GetIndexInfo(Probe).empty()) << Probe;
    EXPECT_FALSE(FConn->FindTable(Probe)) << Probe;
    EXPECT_FALSE(FConn->DescribeTable(Probe)) << Probe;
    EXPECT_TRUE(FConn->GetProcParams(Probe).empty()) << Probe;
    FConn->GetTableNames(Probe);
  }
  EXPECT_TRUE(Contains(FConn->GetTableNames(), "order_lines"));
  EXPECT_TRUE(Contains(FConn->GetTableNames(), "select"));
  FConn->ExecuteScript("drop table " + Quote(Table));
}

} // namespace
