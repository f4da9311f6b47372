// The floor of `ovdesigner updatesql` as a whole process: the same catalog
// questions through the sqlite3 or libpq C API (catalog_floor.hpp), the four
// statements of each table by plain string building, and the same text on
// stdout. Built twice, each linking only its own client library, as the
// command loads only the driver it uses:
//
//   updatesql-floor-sqlite FILE [TABLE]
//   updatesql-floor-pg CONNINFO DBNAME [TABLE]
//   updatesql-floor-mysql SOCKET DBNAME [TABLE]
//
// Without TABLE: every table with a primary key, the catalog read in one
// query each for columns and indexes (as `--all-tables` reads it), each under
// "-- table NAME". With TABLE: that table's statements alone.
#include "catalog_floor.hpp"

#include <cstdio>
#include <exception>
#include <string>

namespace {

std::string Text(const CatalogFloor::TCatalog& Catalog, const std::string& OnlyTable) {
  std::string Out;
  for (const auto& [Table, Columns] : Catalog.Columns) {
    const std::vector<std::string> Keys = CatalogFloor::PrimaryKey(Catalog, Table);
    if (Keys.empty()) {
      std::fprintf(stderr, "updatesql-floor: skipped %s: no primary key\n", Table.c_str());
      continue;
    }
    if (OnlyTable.empty())
      Out += (Out.empty() ? "-- table " : "\n-- table ") + Table + "\n";
    CatalogFloor::AppendStatements(Out, Table, Columns, Keys);
  }
  return Out;
}

} // namespace

int main(int argc, char** argv) {
#if defined(OV_FLOOR_PG) || defined(OV_FLOOR_MYSQL)
  constexpr int Needed = 3;
#else
  constexpr int Needed = 2;
#endif
  if (argc < Needed || argc > Needed + 1) {
    std::fprintf(stderr, "usage: %s %s [TABLE]\n", argv[0],
                 Needed == 3 ? "CONNINFO|SOCKET DBNAME" : "FILE");
    return 2;
  }
  const std::string Table = argc > Needed ? argv[Needed] : "";
  try {
#if defined(OV_FLOOR_PG)
    CatalogFloor::TPgFloor Floor(argv[1], argv[2]);
#elif defined(OV_FLOOR_MYSQL)
    CatalogFloor::TMySQLFloor Floor(argv[1], argv[2]);
#else
    CatalogFloor::TSQLiteFloor Floor(argv[1]);
#endif
    const std::string Out = Text(Table.empty() ? Floor.Batch() : Floor.OneTable(Table), Table);
    if (std::fwrite(Out.data(), 1, Out.size(), stdout) != Out.size() || std::fflush(stdout) != 0)
      return 1;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "updatesql-floor: %s\n", E.what());
    return 1;
  }
  return 0;
}
