// UpdateSQLTool: the UpdateSQL editor run for the command line. A throwaway
// data module holds a database component connected to a URI, a query and an
// update object; for each table the editor is opened on the update object
// and driven through the forms model as a person would drive it: type the
// table, "Get Table Fields", "Select Primary Keys" (or select the key fields
// named), narrow the update fields, "Quote Field Names", "Generate SQL", OK.
// What the dialog wrote into the update object is the result.
#pragma once

#include "orvane60/drivers/OVDriver.hpp"
#include "rtl/SysUtils.hpp"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Classes {
class TDataModule;
}
namespace OVEngine {
class TOVDatabase;
class TOVQuery;
class TOVUpdateSQL;
struct TOVVerifyResult;
} // namespace OVEngine

namespace UpdateSQLTool {

// A run of the dialog that cannot end with statements: the message names the
// table and what is missing.
OV_EXCEPTION(EUpdateSQLToolError, SysUtils::Exception)

// The package's EditUpdateSQL, as the host finds it in the loaded package.
using TEditUpdateSQL = bool (*)(OVEngine::TOVUpdateSQL*);

struct TRequest {
  std::string SQL;   // the query's SQL; empty: "select * from " + Table
  std::string Table; // typed into the table box when not empty
  // Key fields to select; empty: "Select Primary Keys".
  std::vector<std::string> KeyFields;
  // The update fields to keep selected; empty: all.
  std::vector<std::string> UpdateFields;
  bool Quote = false;
  // Insert and modify end by returning the values the server assigns.
  bool Returning = false;
};

struct TResult {
  std::string Table; // the table box's text
  std::vector<std::string> KeyFields;
  std::vector<std::string> UpdateFields;
  // Refresh, modify, insert, delete: the update object's statements, one line
  // per line ("\n"), without a line break at the end.
  std::array<std::string, 4> Statements;
  // For a table the batch passes over: why (a view, no key, a name no
  // statement can hold); the statements are empty.
  std::string Skipped;
  // The batch's table as the catalogue stores it.
  OVDriver::TTableRef Ref;
  // The query's SQL the statements were made for.
  std::string Query;
};

// Names of the four statements, in statement index order.
extern const std::array<const char*, 4> StatementNames;

class TWorkbench {
public:
  // Creates the data module and connects its database to URI ("sqlite:PATH",
  // a PostgreSQL or a MySQL URI); EDatabaseError with the server's message when it
  // cannot connect, EDriverError for a URI of no known kind.
  TWorkbench(const std::string& URI, TEditUpdateSQL Edit);
  ~TWorkbench();
  TWorkbench(const TWorkbench&) = delete;
  TWorkbench& operator=(const TWorkbench&) = delete;

  OVEngine::TOVDatabase* Database() const { return FDatabase; }

  // One table. EUpdateSQLToolError when the dialog says no (no table, a
  // table without fields, no key, a field not in its list).
  TResult Generate(const TRequest& Request);

  // Every table of the database (system tables excluded), in the catalog's
  // order, with the catalog read once for the batch, in one opening of the
  // dialog: each table's name is typed as SQL writes it (in quotes where the
  // server needs them), its statements are read off its SQL page, and the
  // dialog is cancelled at the end. Views, tables without a primary key or
  // unique index, tables whose fields cannot be read and tables whose names
  // no statement can hold come back with Skipped set. Options gives the
  // quote and returning options. Progress is called before each table with
  // its number (from 1), the count and its display name.
  using TProgress = std::function<void(int Index, int Count, const std::string& Table)>;
  std::vector<TResult> GenerateAll(const TRequest& Options, const TProgress& Progress = {});
  // The same, each table's result handed to Sink as soon as it is made
  // (nothing kept), so that a caller can write it out as the batch goes.
  using TSink = std::function<void(TResult&& Result)>;
  void GenerateEach(const TRequest& Options, const TSink& Sink, const TProgress& Progress = {});

  // Whether each result's statements run on the server (see
  // OVEngine::VerifyUpdateStatements); one answer per result, an empty one
  // for a skipped table.
  std::vector<OVEngine::TOVVerifyResult> Verify(const std::vector<TResult>& Results,
                                                const TProgress& Progress = {});

private:
  // EUpdateSQLToolError when the server takes no RETURNING clause.
  void CheckReturning();
  // The table as typed into the table box, or why it is passed over.
  TResult TableFor(const OVDriver::TTableRef& Table);

  TEditUpdateSQL FEdit;
  std::unique_ptr<Classes::TDataModule> FModule;
  OVEngine::TOVDatabase* FDatabase = nullptr;
  OVEngine::TOVQuery* FQuery = nullptr;
  OVEngine::TOVUpdateSQL* FUpdateSQL = nullptr;
};

} // namespace UpdateSQLTool
