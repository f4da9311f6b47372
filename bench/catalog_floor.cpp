#include "catalog_floor.hpp"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <stdexcept>

namespace CatalogFloor {

namespace {

std::string Literal(const std::string& Text) {
  std::string Result = "'";
  for (const char C : Text) {
    if (C == '\'')
      Result += '\'';
    Result += C;
  }
  return Result + "'";
}

std::string Text(sqlite3_stmt* Stmt, int Column) {
  const auto* Value = reinterpret_cast<const char*>(sqlite3_column_text(Stmt, Column));
  return Value ? Value : "";
}

template <typename F> void EachRow(sqlite3* Db, const std::string& SQL, F&& Row) {
  sqlite3_stmt* Stmt = nullptr;
  if (sqlite3_prepare_v2(Db, SQL.c_str(), -1, &Stmt, nullptr) != SQLITE_OK)
    throw std::runtime_error(sqlite3_errmsg(Db));
  while (sqlite3_step(Stmt) == SQLITE_ROW)
    Row(Stmt);
  sqlite3_finalize(Stmt);
}

int SQLiteIndexType(sqlite3_stmt* Stmt, int Origin, int Unique) {
  return Text(Stmt, Origin) == "pk" ? 6 : sqlite3_column_int(Stmt, Unique) ? 2 : 1;
}

template <typename F> void EachRow(PGconn* Conn, const std::string& SQL, F&& Row) {
  PGresult* Result = PQexec(Conn, SQL.c_str());
  if (PQresultStatus(Result) != PGRES_TUPLES_OK) {
    const std::string Message = PQresultErrorMessage(Result);
    PQclear(Result);
    throw std::runtime_error(Message);
  }
  for (int I = 0; I < PQntuples(Result); ++I)
    Row(Result, I);
  PQclear(Result);
}

const std::string PgColumns =
    "select c.relname, a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull "
    "from pg_class c join pg_namespace n on n.oid = c.relnamespace "
    "join pg_attribute a on a.attrelid = c.oid "
    "where c.relkind in ('r', 'v') and n.nspname = 'public' and a.attnum > 0 "
    "and not a.attisdropped ";

const std::string PgIndexes =
    "select c.relname, ic.relname, a.attname, "
    "case when i.indisprimary then 6 when i.indisunique then 2 else 1 end, k.pos + 1 "
    "from pg_index i join pg_class c on c.oid = i.indrelid "
    "join pg_namespace n on n.oid = c.relnamespace join pg_class ic on ic.oid = i.indexrelid "
    "cross join generate_series(0, i.indnkeyatts - 1) as k(pos) "
    "join pg_attribute a on a.attrelid = i.indrelid and a.attnum = i.indkey[k.pos] "
    "where n.nspname = 'public' ";

void AddPgColumn(TCatalog& Catalog, PGresult* R, int Row) {
  Catalog.Columns[PQgetvalue(R, Row, 0)].push_back(
      {PQgetvalue(R, Row, 1), PQgetvalue(R, Row, 2), PQgetvalue(R, Row, 3)[0] == 't'});
}

void AddPgIndex(TCatalog& Catalog, PGresult* R, int Row) {
  Catalog.Indexes[PQgetvalue(R, Row, 0)].push_back({PQgetvalue(R, Row, 1), PQgetvalue(R, Row, 2),
                                                    std::stoi(PQgetvalue(R, Row, 3)),
                                                    std::stoi(PQgetvalue(R, Row, 4))});
}

} // namespace

struct TSQLiteFloor::TImpl {
  sqlite3* Db = nullptr;
};

TSQLiteFloor::TSQLiteFloor(const std::string& Path) : FImpl(std::make_unique<TImpl>()) {
  if (sqlite3_open_v2(Path.c_str(), &FImpl->Db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
    throw std::runtime_error("cannot open " + Path);
}

TSQLiteFloor::~TSQLiteFloor() {
  sqlite3_close_v2(FImpl->Db);
}

TCatalog TSQLiteFloor::Batch() {
  TCatalog Catalog;
  EachRow(FImpl->Db,
          "select t.name, c.name, c.type, c.\"notnull\" from sqlite_schema t "
          "cross join pragma_table_info(t.name) c where t.type in ('table', 'view') "
          "and t.name not like 'sqlite_%' order by t.name, c.cid",
          [&](sqlite3_stmt* S) {
            Catalog.Columns[Text(S, 0)].push_back(
                {Text(S, 1), Text(S, 2), sqlite3_column_int(S, 3) != 0});
          });
  EachRow(FImpl->Db,
          "select t.name, il.name, ii.name, il.origin, il.\"unique\", ii.seqno + 1 "
          "from sqlite_schema t cross join pragma_index_list(t.name) il "
          "cross join pragma_index_info(il.name) ii where t.type = 'table' "
          "and t.name not like 'sqlite_%' order by t.name, il.origin <> 'pk', -il.seq, ii.seqno",
          [&](sqlite3_stmt* S) {
            Catalog.Indexes[Text(S, 0)].push_back(
                {Text(S, 1), Text(S, 2), SQLiteIndexType(S, 3, 4), sqlite3_column_int(S, 5)});
          });
  return Catalog;
}

TCatalog TSQLiteFloor::PerTable() {
  TCatalog Catalog;
  std::vector<std::string> Tables;
  EachRow(FImpl->Db,
          "select name from sqlite_schema where type in ('table', 'view') "
          "and name not like 'sqlite_%' order by name",
          [&](sqlite3_stmt* S) { Tables.push_back(Text(S, 0)); });
  for (const std::string& Table : Tables) {
    auto& Columns = Catalog.Columns[Table];
    EachRow(FImpl->Db,
            "select name, type, \"notnull\" from pragma_table_info(" + Literal(Table) + ")",
            [&](sqlite3_stmt* S) {
              Columns.push_back({Text(S, 0), Text(S, 1), sqlite3_column_int(S, 2) != 0});
            });
    EachRow(
        FImpl->Db,
        "select il.name, ii.name, il.origin, il.\"unique\", ii.seqno + 1 from pragma_index_list(" +
            Literal(Table) +
            ") il cross join pragma_index_info(il.name) ii "
            "order by il.origin <> 'pk', -il.seq, ii.seqno",
        [&](sqlite3_stmt* S) {
          Catalog.Indexes[Table].push_back(
              {Text(S, 0), Text(S, 1), SQLiteIndexType(S, 2, 3), sqlite3_column_int(S, 4)});
        });
  }
  return Catalog;
}

struct TPgFloor::TImpl {
  PGconn* Conn = nullptr;
};

TPgFloor::TPgFloor(const std::string& ConnInfo, const std::string& Database)
    : FImpl(std::make_unique<TImpl>()) {
  const char* Keywords[] = {"dbname", "dbname", nullptr};
  const char* Values[] = {ConnInfo.c_str(), Database.c_str(), nullptr};
  FImpl->Conn = PQconnectdbParams(Keywords, Values, 1);
  if (PQstatus(FImpl->Conn) != CONNECTION_OK)
    throw std::runtime_error(PQerrorMessage(FImpl->Conn));
}

TPgFloor::~TPgFloor() {
  PQfinish(FImpl->Conn);
}

TCatalog TPgFloor::Batch() {
  TCatalog Catalog;
  EachRow(FImpl->Conn, PgColumns + "order by c.relname, a.attnum",
          [&](PGresult* R, int Row) { AddPgColumn(Catalog, R, Row); });
  EachRow(FImpl->Conn, PgIndexes + "order by c.relname, i.indisprimary desc, i.indexrelid, k.pos",
          [&](PGresult* R, int Row) { AddPgIndex(Catalog, R, Row); });
  return Catalog;
}

TCatalog TPgFloor::PerTable() {
  TCatalog Catalog;
  std::vector<std::string> Tables;
  EachRow(FImpl->Conn,
          "select c.relname from pg_class c join pg_namespace n on n.oid = c.relnamespace "
          "where c.relkind in ('r', 'v') and n.nspname = 'public' order by c.relname",
          [&](PGresult* R, int Row) { Tables.emplace_back(PQgetvalue(R, Row, 0)); });
  for (const std::string& Table : Tables) {
    EachRow(FImpl->Conn, PgColumns + "and c.relname = " + Literal(Table) + " order by a.attnum",
            [&](PGresult* R, int Row) { AddPgColumn(Catalog, R, Row); });
    EachRow(FImpl->Conn,
            PgIndexes + "and c.relname = " + Literal(Table) +
                " order by i.indisprimary desc, i.indexrelid, k.pos",
            [&](PGresult* R, int Row) { AddPgIndex(Catalog, R, Row); });
  }
  return Catalog;
}

} // namespace CatalogFloor
