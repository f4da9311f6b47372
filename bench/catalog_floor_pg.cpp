#include "catalog_floor.hpp"

#include <libpq-fe.h>

#include <stdexcept>

namespace CatalogFloor {

namespace {

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

// One columns query and one index query for a table.
void ReadTable(PGconn* Conn, TCatalog& Catalog, const std::string& Table) {
  EachRow(Conn, PgColumns + "and c.relname = " + Literal(Table) + " order by a.attnum",
          [&](PGresult* R, int Row) { AddPgColumn(Catalog, R, Row); });
  EachRow(Conn,
          PgIndexes + "and c.relname = " + Literal(Table) +
              " order by i.indisprimary desc, i.indexrelid, k.pos",
          [&](PGresult* R, int Row) { AddPgIndex(Catalog, R, Row); });
}

} // namespace

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
  for (const std::string& Table : Tables)
    ReadTable(FImpl->Conn, Catalog, Table);
  return Catalog;
}

TCatalog TPgFloor::OneTable(const std::string& Table) {
  TCatalog Catalog;
  ReadTable(FImpl->Conn, Catalog, Table);
  return Catalog;
}

} // namespace CatalogFloor
