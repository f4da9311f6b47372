// Whether update statements run on the live server: prepared in one batch,
// then run for one row of each table in a transaction that is rolled back.
#include "orvane60/OVEngine/Internal.hpp"

#include "orvane60/OVSqlParse.hpp"
#include "rtl/SysUtils.hpp"

#include <algorithm>

namespace OVEngine {

using OVDriver::TConnection;
using SysUtils::Format;

namespace {

constexpr const char* RowAlias = "ov_row";
constexpr const char* StatementNames[] = {"refresh", "modify", "insert", "delete"};

// A failure of one statement of a table: its name, then what went wrong.
class EStatementFailed : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

std::string ServerWords(const OVDriver::EDriverError& E) {
  return E.ServerMessage().empty() ? E.what() : E.ServerMessage();
}

// A first row of the query the statements were made for: the dataset whose
// fields give the parameters their values. A row no foreign key holds is
// asked for first, so that delete can take it.
std::string SampleQuery(const TOVUpdateStatements& R, const std::string& Condition) {
  if (R.Query == "select * from " + R.Table)
    return R.Query + " " + RowAlias + (Condition.empty() ? "" : " where " + Condition) + " limit 1";
  std::string Query = SysUtils::Trim(R.Query);
  while (!Query.empty() && (Query.back() == ';' || Query.back() == ' '))
    Query.pop_back();
  return "select * from (" + Query + ") " + RowAlias + " limit 1";
}

class TRowRun {
public:
  // Referenced: other tables' keys refer to the row (no row was free of
  // them).
  TRowRun(TConnection& Conn, OVSqlParse::TSqlDialect Dialect, const TConnection::TFirstRow& Row,
          bool Referenced)
      : FConn(Conn), FDialect(Dialect), FRow(Row), FReferenced(Referenced) {}

  // The four statements for the row, in a transaction that is rolled back.
  TOVVerifyResult Run(const TOVUpdateStatements& R) {
    TOVVerifyResult Result;
    FConn.StartTransaction();
    try {
      Expect("refresh", Rows(R.Statements[0]), "returned");
      Expect("modify", Execute("modify", R.Statements[1]), "changed");
      int64_t Deleted = 0;
      try {
        Deleted = Execute("delete", R.Statements[3]);
      } catch (const EStatementFailed&) {
        // Other tables' keys refer to every row of this one: the statement
        // was prepared, and the server refused for the data's sake.
        if (FReferenced && FIntegrity) {
          Result.Note = "delete and insert were prepared but not run: other tables' foreign "
                        "keys refer to every row";
          Rollback();
          return Result;
        }
        throw;
      }
      Expect("delete", Deleted, "deleted");
      const int64_t Inserted = Execute("insert", R.Statements[2]);
      // Where the server chooses the key (an identity column GENERATED
      // ALWAYS), the row comes back under a key refresh cannot know.
      if (!InsertGivesTheKey(R)) {
        Expect("insert", Inserted, "inserted");
        Result.Note = "insert added the row under a key the server chose, so refresh could not "
                      "look for it again";
        Rollback();
        return Result;
      }
      const int64_t Found = Rows(R.Statements[0]);
      // A rule may put the row elsewhere (into a child table of an inherited
      // one) and report nothing inserted; refresh finding it proves it went.
      if (Inserted == 0 && Found == 1)
        Result.Note = "the server reported no row inserted, but refresh found it (a rule put it "
                      "elsewhere)";
      else
        Expect("insert", Inserted, "inserted");
      Expect("refresh after insert", Found, "returned");
    } catch (const EStatementFailed& E) {
      Result.Error = E.what();
    }
    Rollback();
    return Result;
  }

private:
  // Whether insert gives a value to every key refresh looks for: each of
  // refresh's OLD_x parameters has its x among insert's.
  bool InsertGivesTheKey(const TOVUpdateStatements& R) const {
    std::vector<std::string> Inserted;
    for (const OVSqlParse::TSqlParam& P : OVSqlParse::ScanParams(R.Statements[2], FDialect))
      Inserted.push_back(P.Name);
    for (const OVSqlParse::TSqlParam& P : OVSqlParse::ScanParams(R.Statements[0], FDialect)) {
      if (!SysUtils::StartsText("OLD_", P.Name))
        continue;
      const std::string Key = P.Name.substr(4);
      if (std::none_of(Inserted.begin(), Inserted.end(),
                       [&](const std::string& Name) { return SysUtils::SameText(Name, Key); }))
        return false;
    }
    return true;
  }

  static void Expect(const char* Statement, int64_t Count, const char* Verb) {
    if (Count != 1)
      throw EStatementFailed(
          Format("%s %s %d rows for one row's key, not 1", Statement, Verb, Count));
  }

  // The statement with its :params as placeholders, their values from the
  // row: OLD_x and x both the field x's value (the row is unchanged).
  std::string Bind(const char* Statement, const std::string& SQL, OVDriver::TValues& Values) {
    return OVSqlParse::ReplaceParams(
        SQL, FDialect, [&](std::size_t Index, const std::string& Name) {
          int Column = -1;
          if (SysUtils::StartsText("OLD_", Name))
            Column = Find(Name.substr(4));
          if (Column < 0)
            Column = Find(Name);
          if (Column < 0)
            throw EStatementFailed(
                Format("%s: the parameter :%s names no field of the query", Statement, Name));
          Values.push_back(FRow.Values[static_cast<size_t>(Column)]);
          return FConn.PlaceholderFor(static_cast<int>(Index));
        });
  }

  int Find(const std::string& Name) const {
    for (size_t I = 0; I < FRow.Columns.size(); ++I)
      if (SysUtils::SameText(FRow.Columns[I], Name))
        return static_cast<int>(I);
    return -1;
  }

  int64_t Execute(const char* Statement, const std::string& SQL) {
    OVDriver::TValues Values;
    const std::string Bound = Bind(Statement, SQL, Values);
    try {
      return FConn.Execute(Bound, Values);
    } catch (const OVDriver::EDriverError& E) {
      // Class 23: an integrity constraint (a foreign key, or a column a key
      // would set to null).
      FIntegrity = E.SQLState().rfind("23", 0) == 0;
      throw EStatementFailed(Format("%s: %s", Statement, ServerWords(E)));
    }
  }

  int64_t Rows(const std::string& SQL) {
    OVDriver::TValues Values;
    const std::string Bound = Bind("refresh", SQL, Values);
    try {
      auto Result = FConn.Query(Bound, Values);
      int64_t Count = 0;
      while (Result->Next())
        ++Count;
      return Count;
    } catch (const OVDriver::EDriverError& E) {
      throw EStatementFailed(Format("refresh: %s", ServerWords(E)));
    }
  }

  void Rollback() {
    try {
      if (FConn.InTransaction())
        FConn.Rollback();
    } catch (const OVDriver::EDriverError&) {
      // A connection that is gone has nothing to roll back.
    }
  }

  TConnection& FConn;
  OVSqlParse::TSqlDialect FDialect;
  const TConnection::TFirstRow& FRow;
  bool FReferenced = false;
  bool FIntegrity = false;
};

} // namespace

std::vector<TOVVerifyResult> VerifyUpdateStatements(TOVDatabase& Database,
                                                    const std::vector<TOVUpdateStatements>& Results,
                                                    const TOVVerifyProgress& Progress) {
  std::vector<TOVVerifyResult> Answers(Results.size());
  std::vector<bool> Done(Results.size());
  TOVDatabaseUse Use(&Database);
  TConnection& Conn = Database.Connection();
  const OVSqlParse::TSqlDialect Dialect = Database.Dialect();
  std::vector<size_t> Made(Results.size());
  for (size_t I = 0; I < Results.size(); ++I)
    Made[I] = I;
  const auto Lost = [&](const std::string& Why) {
    for (const size_t I : Made)
      if (!Done[I] && Answers[I].Error.empty())
        Answers[I] = {"not verified: " + Why, {}};
  };

  try {
    // Every statement prepared in one batch.
    std::vector<std::string> SQL;
    std::vector<int> Counts;
    for (const size_t I : Made)
      for (const std::string& Statement : Results[I].Statements) {
        int Count = 0;
        SQL.push_back(OVSqlParse::ReplaceParams(
            Statement, Dialect, [&](std::size_t Index, const std::string&) {
              ++Count;
              return Conn.PlaceholderFor(static_cast<int>(Index));
            }));
        Counts.push_back(Count);
      }
    const std::vector<std::string> Checked = Conn.CheckStatements(SQL, Counts);
    for (size_t N = 0; N < Made.size(); ++N)
      for (size_t S = 0; S < 4; ++S)
        if (const std::string& Error = Checked[N * 4 + S];
            !Error.empty() && Answers[Made[N]].Error.empty())
          Answers[Made[N]].Error = Format("%s: %s", StatementNames[S], Error);

    // A first row of each table whose statements all prepared, in one batch.
    std::vector<size_t> Ready;
    std::vector<OVDriver::TTableRef> Tables;
    for (const size_t I : Made) {
      if (!Answers[I].Error.empty())
        continue;
      Ready.push_back(I);
      OVDriver::TTableRef Ref = Results[I].Ref;
      if (Ref.Name.empty())
        if (auto Table = Database.DescribeTable(Results[I].Table))
          Ref = Table->Table;
      Tables.push_back(std::move(Ref));
    }
    const std::vector<std::string> Conditions = Conn.DeletableRowConditions(Tables, RowAlias);
    std::vector<std::string> Queries;
    for (size_t N = 0; N < Ready.size(); ++N) {
      Queries.push_back(SampleQuery(Results[Ready[N]], Conditions[N]));
      // When no row is free of other tables' keys, any row still shows
      // whether refresh and modify find it.
      if (!Conditions[N].empty())
        Queries.push_back(SampleQuery(Results[Ready[N]], ""));
    }
    const std::vector<TConnection::TFirstRow> Rows = Conn.FirstRows(Queries);

    size_t Next = 0;
    for (size_t N = 0; N < Ready.size(); ++N) {
      const TOVUpdateStatements& R = Results[Ready[N]];
      TOVVerifyResult& Answer = Answers[Ready[N]];
      const TConnection::TFirstRow* Row = &Rows[Next++];
      bool Referenced = false;
      if (!Conditions[N].empty()) {
        if (!Row->Found || !Row->Error.empty()) {
          Row = &Rows[Next];
          Referenced = true;
        }
        ++Next;
      }
      if (Progress)
        Progress(static_cast<int>(N) + 1, static_cast<int>(Ready.size()), R.Table);
      if (!Conn.Alive()) {
        Lost("the connection to the server was lost");
        break;
      }
      Done[Ready[N]] = true;
      if (!Row->Error.empty()) {
        Answer.Error = "reading a row of the table: " + Row->Error;
        continue;
      }
      if (!Row->Found) {
        Answer.Note = "prepared only: the table has no row to run the statements on";
        continue;
      }
      Answer = TRowRun(Conn, Dialect, *Row, Referenced).Run(R);
      if (!Conn.Alive()) {
        Answer = {"not verified: the connection to the server was lost", {}};
        Done[Ready[N]] = false;
      }
    }
    if (!Conn.Alive())
      Lost("the connection to the server was lost");
  } catch (const OVDriver::EDriverError& E) {
    Lost(E.what());
  }
  return Answers;
}

} // namespace OVEngine
