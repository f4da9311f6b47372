// The floor of `ovdesigner updatesql` as a whole process: the same catalog
// questions through the sqlite3 or libpq C API (catalog_floor.hpp), the four
// statements of each table by plain string building, and the same text on
// stdout. Built twice, each linking only its own client library, as the
// command loads only the driver it uses:
//
//   updatesql-floor-sqlite [--out DIR] FILE [TABLE]
//   updatesql-floor-pg [--out DIR] CONNINFO DBNAME [TABLE]
//   updatesql-floor-mysql [--out DIR] SOCKET DBNAME [TABLE]
//
// Without TABLE: every table with a primary key, the catalog read in one
// query each for columns and indexes (as `--all-tables` reads it), each under
// "-- table NAME". With TABLE: that table's statements alone.
//
// --out DIR (without TABLE): one file per table, NAME.sql, written as
// `updatesql --out` writes them: every temporary file first (mkstemp in DIR,
// mode set, written, closed), one syncfs, every rename, one sync of DIR; a
// line per file on stdout. The floor of the file system's own work.
#include "catalog_floor.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

void Check(bool Ok, const std::string& What) {
  if (!Ok)
    throw std::runtime_error(What + ": " + std::strerror(errno));
}

std::string WriteFiles(const CatalogFloor::TCatalog& Catalog, const std::string& Dir) {
  if (::mkdir(Dir.c_str(), 0777) != 0)
    Check(errno == EEXIST, "mkdir " + Dir);
  std::vector<std::pair<std::string, std::string>> Renames; // temporary, target
  std::string Out;
  const mode_t Mask = ::umask(0);
  ::umask(Mask);
  for (const auto& [Table, Columns] : Catalog.Columns) {
    const std::vector<std::string> Keys = CatalogFloor::PrimaryKey(Catalog, Table);
    if (Keys.empty())
      continue;
    std::string Text;
    CatalogFloor::AppendStatements(Text, Table, Columns, Keys);
    const std::string Target = Dir + "/" + Table + ".sql";
    std::string Temp = Dir + "/." + Table + ".sql.ovsave-tmp-XXXXXX";
    const int Fd = ::mkstemp(Temp.data());
    Check(Fd >= 0, "mkstemp " + Temp);
    Check(::fchmod(Fd, 0666 & ~Mask) == 0, "fchmod " + Temp);
    Check(::write(Fd, Text.data(), Text.size()) == static_cast<ssize_t>(Text.size()),
          "write " + Temp);
    Check(::close(Fd) == 0, "close " + Temp);
    Renames.emplace_back(std::move(Temp), Target);
    Out += Table + " -> " + Target + "\n";
  }
  const int DirFd = ::open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  Check(DirFd >= 0, "open " + Dir);
  Check(::syncfs(DirFd) == 0, "syncfs " + Dir);
  for (const auto& [Temp, Target] : Renames)
    Check(::rename(Temp.c_str(), Target.c_str()) == 0, "rename " + Temp);
  Check(::fsync(DirFd) == 0, "fsync " + Dir);
  ::close(DirFd);
  return Out + std::to_string(Renames.size()) + " tables written to " + Dir + "\n";
}

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
  std::string OutDir;
  if (argc > 2 && std::strcmp(argv[1], "--out") == 0) {
    OutDir = argv[2];
    argv[2] = argv[0];
    argv += 2;
    argc -= 2;
  }
  if (argc < Needed || argc > Needed + 1 || (!OutDir.empty() && argc > Needed)) {
    std::fprintf(stderr, "usage: %s [--out DIR] %s [TABLE]\n", argv[0],
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
    const std::string Out =
        !OutDir.empty() ? WriteFiles(Floor.Batch(), OutDir)
                        : Text(Table.empty() ? Floor.Batch() : Floor.OneTable(Table), Table);
    if (std::fwrite(Out.data(), 1, Out.size(), stdout) != Out.size() || std::fflush(stdout) != 0)
      return 1;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "updatesql-floor: %s\n", E.what());
    return 1;
  }
  return 0;
}
