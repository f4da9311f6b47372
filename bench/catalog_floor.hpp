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

// A string literal of SQL.
inline std::string Literal(const std::string& Text) {
  std::string Result = "'";
  for (const char C : Text) {
    if (C == '\'')
      Result += '\'';
    Result += C;
  }
  return Result + "'";
}

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

// The refresh, modify, insert and delete statements as the command prints
// them, each under its comment line.
inline void AppendStatements(std::string& Out, const std::string& Table,
                             const std::vector<TColumn>& Columns,
                             const std::vector<std::string>& Keys) {
  std::string Fields, Set, Params, Where;
  for (const auto& C : Columns) {
    if (!Fields.empty()) {
      Fields += ", ";
      Set += ",\n";
      Params += ", ";
    }
    Fields += C.Name;
    Set += "  " + C.Name + " = :" + C.Name;
    Params += ":" + C.Name;
  }
  for (const auto& K : Keys) {
    if (!Where.empty())
      Where += " and\n";
    Where += "  " + K + " = :OLD_" + K;
  }
  Out += "-- refresh\nselect " + Fields + "\nfrom " + Table + "\nwhere\n" + Where + "\n\n";
  Out += "-- modify\nupdate " + Table + "\nset\n" + Set + "\nwhere\n" + Where + "\n\n";
  Out += "-- insert\ninsert into " + Table + "\n  (" + Fields + ")\nvalues\n  (" + Params + ")\n\n";
  Out += "-- delete\ndelete from " + Table + "\nwhere\n" + Where + "\n";
}

// The columns of the table's primary key, in key order.
inline std::vector<std::string> PrimaryKey(const TCatalog& Catalog, const std::string& Table) {
  std::vector<std::string> Keys;
  const auto Index = Catalog.Indexes.find(Table);
  if (Index != Catalog.Indexes.end())
    for (const auto& I : Index->second)
      if (I.Type & 4)
        Keys.push_back(I.Column);
  return Keys;
}

class TSQLiteFloor {
public:
  explicit TSQLiteFloor(const std::string& Path);
  ~TSQLiteFloor();
  // One query for the columns of all tables, one for their indexes.
  TCatalog Batch();
  // The table list, then one columns query and one index query per table.
  TCatalog PerTable();
  // The columns query and the index query of one table.
  TCatalog OneTable(const std::string& Table);

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
  TCatalog OneTable(const std::string& Table);

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// MariaDB Connector/C over a Unix socket, as root without a password.
class TMySQLFloor {
public:
  TMySQLFloor(const std::string& Socket, const std::string& Database);
  ~TMySQLFloor();
  TCatalog Batch();
  TCatalog OneTable(const std::string& Table);

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

} // namespace CatalogFloor
