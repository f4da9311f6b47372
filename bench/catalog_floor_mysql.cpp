#include "catalog_floor.hpp"

#include <mysql.h>

#include <cstring>
#include <set>
#include <stdexcept>

namespace CatalogFloor {

namespace {

template <typename F> void EachRow(MYSQL* Conn, const std::string& SQL, F&& Row) {
  if (mysql_real_query(Conn, SQL.data(), SQL.size()) != 0)
    throw std::runtime_error(mysql_error(Conn));
  MYSQL_RES* Result = mysql_store_result(Conn);
  if (!Result)
    throw std::runtime_error(mysql_error(Conn));
  while (MYSQL_ROW R = mysql_fetch_row(Result))
    Row(R);
  mysql_free_result(Result);
}

// The runtime's own statements (drivers/mysql): the same facts, read the
// same way, so that the ratio measures what the command adds.
const std::string MyColumns =
    "select TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE, EXTRA, "
    "COLUMN_DEFAULT, COLUMN_KEY, ORDINAL_POSITION from information_schema.COLUMNS where "
    "TABLE_SCHEMA = database()";

const std::string MyIndexes =
    "select s.TABLE_SCHEMA, s.TABLE_NAME, s.INDEX_NAME, s.COLUMN_NAME, s.NON_UNIQUE, "
    "s.SEQ_IN_INDEX, s.NULLABLE from information_schema.STATISTICS s where s.TABLE_SCHEMA = "
    "database()";

const std::string MyTypes = "select TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE from "
                            "information_schema.TABLES where TABLE_SCHEMA = database()";

void AddColumn(TCatalog& Catalog, MYSQL_ROW R) {
  auto& Columns = Catalog.Columns[R[1]];
  const auto Position = static_cast<std::size_t>(std::stoi(R[8]));
  if (Columns.size() < Position)
    Columns.resize(Position);
  // Generated columns are read like the others; the floor writes them too.
  Columns[Position - 1] = {R[2], R[3], std::string(R[4]) == "NO"};
}

void AddIndex(TCatalog& Catalog, MYSQL_ROW R) {
  const std::string Index = R[2];
  Catalog.Indexes[R[1]].push_back({Index, R[3] ? R[3] : "",
                                   Index == "PRIMARY" ? 6
                                   : R[4][0] == '0'   ? 2
                                                      : 1,
                                   std::stoi(R[5])});
}

// The tables without a key mark on a column, with their types: a view
// among them is dropped.
void DropViews(MYSQL* Conn, TCatalog& Catalog, const std::set<std::string>& Keyed) {
  std::string SQL = MyTypes;
  std::vector<std::string> Names(Keyed.begin(), Keyed.end());
  std::vector<MYSQL_BIND> Binds(Names.size());
  std::vector<unsigned long> Lengths(Names.size());
  if (!Names.empty()) {
    SQL += " and binary TABLE_NAME not in (";
    for (std::size_t I = 0; I < Names.size(); ++I) {
      SQL += I ? ", ?" : "?";
      std::memset(&Binds[I], 0, sizeof Binds[I]);
      Binds[I].buffer_type = MYSQL_TYPE_STRING;
      Binds[I].buffer = Names[I].data();
      Lengths[I] = Names[I].size();
      Binds[I].buffer_length = Lengths[I];
      Binds[I].length = &Lengths[I];
    }
    SQL += ")";
  }
  MYSQL_STMT* Stmt = mysql_stmt_init(Conn);
  if (mysql_stmt_prepare(Stmt, SQL.data(), SQL.size()) ||
      (!Binds.empty() && mysql_stmt_bind_param(Stmt, Binds.data())) || mysql_stmt_execute(Stmt))
    throw std::runtime_error(mysql_stmt_error(Stmt));
  char Cells[3][256];
  unsigned long Lengths3[3] = {0, 0, 0};
  MYSQL_BIND Out[3];
  std::memset(Out, 0, sizeof Out);
  for (int I = 0; I < 3; ++I) {
    Out[I].buffer_type = MYSQL_TYPE_STRING;
    Out[I].buffer = Cells[I];
    Out[I].buffer_length = sizeof Cells[I];
    Out[I].length = &Lengths3[I];
  }
  if (mysql_stmt_bind_result(Stmt, Out) || mysql_stmt_store_result(Stmt))
    throw std::runtime_error(mysql_stmt_error(Stmt));
  while (mysql_stmt_fetch(Stmt) == 0)
    if (std::string(Cells[2], Lengths3[2]) == "VIEW")
      Catalog.Columns.erase(std::string(Cells[1], Lengths3[1]));
  mysql_stmt_close(Stmt);
}

void ReadTable(MYSQL* Conn, TCatalog& Catalog, const std::string& Table) {
  EachRow(Conn, MyColumns + " and TABLE_NAME = " + Literal(Table),
          [&](MYSQL_ROW R) { AddColumn(Catalog, R); });
  EachRow(Conn, MyIndexes + " and s.TABLE_NAME = " + Literal(Table),
          [&](MYSQL_ROW R) { AddIndex(Catalog, R); });
}

} // namespace

struct TMySQLFloor::TImpl {
  MYSQL* Conn = nullptr;
};

TMySQLFloor::TMySQLFloor(const std::string& Socket, const std::string& Database)
    : FImpl(std::make_unique<TImpl>()) {
  FImpl->Conn = mysql_init(nullptr);
  mysql_options(FImpl->Conn, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  if (!mysql_real_connect(FImpl->Conn, "localhost", "root", "", Database.c_str(), 0, Socket.c_str(),
                          0))
    throw std::runtime_error(mysql_error(FImpl->Conn));
  // The session's settings, asked as the runtime asks them.
  EachRow(FImpl->Conn, "select database(), @@lower_case_table_names, @@sql_mode", [](MYSQL_ROW) {});
}

TMySQLFloor::~TMySQLFloor() {
  mysql_close(FImpl->Conn);
}

TCatalog TMySQLFloor::Batch() {
  TCatalog Catalog;
  std::set<std::string> Keyed;
  EachRow(FImpl->Conn, MyColumns, [&](MYSQL_ROW R) {
    AddColumn(Catalog, R);
    if (R[7][0] != '\0')
      Keyed.insert(R[1]);
  });
  DropViews(FImpl->Conn, Catalog, Keyed);
  EachRow(FImpl->Conn, MyIndexes, [&](MYSQL_ROW R) { AddIndex(Catalog, R); });
  return Catalog;
}

TCatalog TMySQLFloor::OneTable(const std::string& Table) {
  TCatalog Catalog;
  ReadTable(FImpl->Conn, Catalog, Table);
  return Catalog;
}

} // namespace CatalogFloor
