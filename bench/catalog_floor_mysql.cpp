#include "catalog_floor.hpp"

#include <mysql.h>

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

const std::string MyColumns = "select TABLE_NAME, COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE from "
                              "information_schema.COLUMNS where TABLE_SCHEMA = database() ";

const std::string MyIndexes =
    "select TABLE_NAME, INDEX_NAME, COLUMN_NAME, NON_UNIQUE, SEQ_IN_INDEX "
    "from information_schema.STATISTICS where TABLE_SCHEMA = database() ";

void AddColumn(TCatalog& Catalog, MYSQL_ROW R) {
  Catalog.Columns[R[0]].push_back({R[1], R[2], std::string(R[3]) == "NO"});
}

void AddIndex(TCatalog& Catalog, MYSQL_ROW R) {
  const std::string Index = R[1];
  Catalog.Indexes[R[0]].push_back({Index, R[2] ? R[2] : "",
                                   Index == "PRIMARY" ? 6
                                   : R[3][0] == '0'   ? 2
                                                      : 1,
                                   std::stoi(R[4])});
}

void ReadTable(MYSQL* Conn, TCatalog& Catalog, const std::string& Table) {
  EachRow(Conn, MyColumns + "and TABLE_NAME = " + Literal(Table) + " order by ORDINAL_POSITION",
          [&](MYSQL_ROW R) { AddColumn(Catalog, R); });
  EachRow(Conn, MyIndexes + "and TABLE_NAME = " + Literal(Table),
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
}

TMySQLFloor::~TMySQLFloor() {
  mysql_close(FImpl->Conn);
}

TCatalog TMySQLFloor::Batch() {
  TCatalog Catalog;
  EachRow(FImpl->Conn, MyColumns + "order by TABLE_NAME, ORDINAL_POSITION",
          [&](MYSQL_ROW R) { AddColumn(Catalog, R); });
  EachRow(FImpl->Conn, MyIndexes, [&](MYSQL_ROW R) { AddIndex(Catalog, R); });
  return Catalog;
}

TCatalog TMySQLFloor::OneTable(const std::string& Table) {
  TCatalog Catalog;
  ReadTable(FImpl->Conn, Catalog, Table);
  return Catalog;
}

} // namespace CatalogFloor
