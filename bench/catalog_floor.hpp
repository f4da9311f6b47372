// "The floor" of the catalog benchmark: the same catalog questions that the
// drivers answer, asked straight through the sqlite3 and libpq C APIs with SQL
// built by plain string concatenation and no name resolution. What the drivers
// add on top (bound names, lookups, typed results) is measured against it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace CatalogFloor {

struct TColumn {
  std::string Name, Type;
  bool NotNull = false;
};

struct TIndexColumn {
  std::string Index, Column;
  int Type = 0, Position = 0;
};

struct TCatalog {
  std::map<std::string, std::vector<TColumn>> Columns;
  std::map<std::string, std::vector<TIndexColumn>> Indexes;
};

class TSQLiteFloor {
public:
  explicit TSQLiteFloor(const std::string& Path);
  ~TSQLiteFloor();
  // One query for the columns of all tables, one for their indexes.
  TCatalog Batch();
  // The table list, then one columns query and one index query per table.
  TCatalog PerTable();

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

class TPgFloor {
public:
  explicit TPgFloor(const std::string& ConnInfo, const std::string& Database);
  ~TPgFloor();
  TCatalog Batch();
  TCatalog PerTable();

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

} // namespace CatalogFloor
