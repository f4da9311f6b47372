#include "catalog_floor.hpp"

#include <sqlite3.h>

#include <stdexcept>

namespace CatalogFloor {

namespace {

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

// One columns query and one index query for a table.
void ReadTable(sqlite3* Db, TCatalog& Catalog, const std::string& Table) {
  auto& Columns = Catalog.Columns[Table];
  EachRow(Db, "select name, type, \"notnull\" from pragma_table_info(" + Literal(Table) + ")",
          [&](sqlite3_stmt* S) {
            Columns.push_back({Text(S, 0), Text(S, 1), sqlite3_column_int(S, 2) != 0});
          });
  EachRow(
      Db,
      "select il.name, ii.name, il.origin, il.\"unique\", ii.seqno + 1 from pragma_index_list(" +
          Literal(Table) +
          ") il cross join pragma_index_info(il.name) ii "
          "order by il.origin <> 'pk', -il.seq, ii.seqno",
      [&](sqlite3_stmt* S) {
        Catalog.Indexes[Table].push_back(
            {Text(S, 0), Text(S, 1), SQLiteIndexType(S, 2, 3), sqlite3_column_int(S, 4)});
      });
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
  for (const std::string& Table : Tables)
    ReadTable(FImpl->Db, Catalog, Table);
  return Catalog;
}

TCatalog TSQLiteFloor::OneTable(const std::string& Table) {
  TCatalog Catalog;
  ReadTable(FImpl->Db, Catalog, Table);
  return Catalog;
}

} // namespace CatalogFloor
