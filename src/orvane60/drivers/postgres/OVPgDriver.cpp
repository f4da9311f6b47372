#include "orvane60/drivers/postgres/OVPgDriver.hpp"

#include "orvane60/drivers/postgres/OVPgLib.hpp"
#include "rtl/ScopeGuard.hpp"
#include "rtl/SysUtils.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <future>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace OVDriver::OVPg {

namespace {

// Type OIDs of pg_type that the driver maps onto its data types.
enum : Oid {
  BoolOid = 16,
  ByteaOid = 17,
  CharOid = 18,
  NameOid = 19,
  Int8Oid = 20,
  Int2Oid = 21,
  Int4Oid = 23,
  TextOid = 25,
  OidOid = 26,
  Float4Oid = 700,
  Float8Oid = 701,
  BpcharOid = 1042,
  VarcharOid = 1043,
  DateOid = 1082,
  TimeOid = 1083,
  TimestampOid = 1114,
  TimestampTzOid = 1184,
  TimeTzOid = 1266,
  NumericOid = 1700,
  UuidOid = 2950
};

// The connection handle is shared by the connection and its result sets: a
// result set reads the catalog for its column descriptions on demand, and
// the handle closes with the last of them.
struct THandle {
  PGconn* Conn = nullptr;
  ~THandle() { Lib::Api().PQfinish(Conn); }
};
using PHandle = std::shared_ptr<THandle>;

struct TResultDeleter {
  void operator()(PGresult* Result) const noexcept { Lib::Api().PQclear(Result); }
};
using PResult = std::unique_ptr<PGresult, TResultDeleter>;

std::string FirstLine(const char* Text) {
  std::string Line = Text ? Text : "";
  if (const auto End = Line.find('\n'); End != std::string::npos)
    Line.resize(End);
  while (!Line.empty() && (Line.back() == ' ' || Line.back() == '\r'))
    Line.pop_back();
  return Line;
}

// Succeeds for command and row results; anything else becomes an error with
// the server's message, its detail and hint, and its SQL state.
PResult Check(PGconn* Conn, PGresult* Raw, const std::string& Context) {
  PResult Result(Raw);
  if (!Result)
    throw EDriverError(Context, FirstLine(Lib::Api().PQerrorMessage(Conn)));
  const ExecStatusType Status = Lib::Api().PQresultStatus(Result.get());
  if (Status == PGRES_COMMAND_OK || Status == PGRES_TUPLES_OK)
    return Result;
  if (Status == PGRES_EMPTY_QUERY)
    throw EDriverError(Context, "the text holds no statement");
  if (Status == PGRES_COPY_IN || Status == PGRES_COPY_OUT || Status == PGRES_COPY_BOTH) {
    // Leave copy mode at once, or the connection would wait for data forever.
    if (Status != PGRES_COPY_OUT)
      Lib::Api().PQputCopyEnd(Conn, "copying through this driver is not supported");
    char* Buffer = nullptr;
    while (Status != PGRES_COPY_IN && Lib::Api().PQgetCopyData(Conn, &Buffer, 0) > 0)
      Lib::Api().PQfreemem(Buffer);
    while (PGresult* Rest = Lib::Api().PQgetResult(Conn))
      Lib::Api().PQclear(Rest);
    throw EDriverError(Context, "COPY to or from the client is not supported; use INSERT or "
                                "COPY with a server file");
  }
  const char* Primary = Lib::Api().PQresultErrorField(Result.get(), PG_DIAG_MESSAGE_PRIMARY);
  const char* Detail = Lib::Api().PQresultErrorField(Result.get(), PG_DIAG_MESSAGE_DETAIL);
  const char* Hint = Lib::Api().PQresultErrorField(Result.get(), PG_DIAG_MESSAGE_HINT);
  const char* State = Lib::Api().PQresultErrorField(Result.get(), PG_DIAG_SQLSTATE);
  std::string Message =
      Primary ? Primary : FirstLine(Lib::Api().PQresultErrorMessage(Result.get()));
  if (Message.empty())
    Message = FirstLine(Lib::Api().PQerrorMessage(Conn));
  if (Detail)
    Message += std::string(". ") + Detail;
  if (Hint)
    Message += std::string(". ") + Hint;
  throw EDriverError(Context, Message, State ? State : "");
}

// Waiting for the server. The connection is non-blocking, and every wait
// is a poll on its socket and on Ctrl-C's pipe, so that a server that
// stops answering (a network that drops) ends in an error after the
// server timeout without a sign of life, and Ctrl-C cancels the statement
// on the server and raises EInterrupted.

[[noreturn]] void Interrupted(const std::string& Context) {
  throw SysUtils::EInterrupted(Context + ": cancelled (Ctrl-C)");
}

// Asks the server to cancel what the connection runs; best effort, and two
// seconds at most. libpq's cancel request opens a connection of its own
// and has no time limit (a network that drops leaves it in connect()), so
// it runs on a thread of its own that is left to finish alone when it takes
// longer; it holds nothing but its cancel object.
void CancelOnServer(PGconn* Conn) {
  PGcancel* Cancel = Lib::Api().PQgetCancel(Conn);
  if (!Cancel)
    return;
  auto Done = std::make_shared<std::promise<void>>();
  std::future<void> Sent = Done->get_future();
  try {
    std::thread([Cancel, Done] {
      char Why[256];
      Lib::Api().PQcancel(Cancel, Why, sizeof Why);
      Lib::Api().PQfreeCancel(Cancel);
      Done->set_value();
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the statement is left to the timeout.
    Lib::Api().PQfreeCancel(Cancel);
    return;
  }
  Sent.wait_for(std::chrono::seconds(2));
}

// Flushes what is queued and reads until a result can be taken without
// blocking. Raises on a lost connection, on the timeout (the connection is
// then shut, so that it reports itself dead) and on Ctrl-C.
void AwaitResult(PGconn* Conn, const std::string& Context) {
  const int Timeout = ServerTimeout();
  using TClock = std::chrono::steady_clock;
  auto Deadline = TClock::now() + std::chrono::seconds(Timeout);
  bool Cancelled = false;
  for (;;) {
    const int Left = Lib::Api().PQflush(Conn);
    if (Left < 0)
      throw EDriverError(Context, FirstLine(Lib::Api().PQerrorMessage(Conn)));
    if (Left == 0 && !Lib::Api().PQisBusy(Conn))
      return;
    pollfd Waits[2] = {
        {Lib::Api().PQsocket(Conn), static_cast<short>(POLLIN | (Left > 0 ? POLLOUT : 0)), 0},
        {SysUtils::InterruptFd(), POLLIN, 0}};
    int Millis = -1;
    if (Timeout > 0 || Cancelled) {
      const auto Rest =
          std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now());
      Millis = static_cast<int>(std::max<std::int64_t>(0, Rest.count()));
    }
    const int Ready = ::poll(Waits, Cancelled || Waits[1].fd < 0 ? 1 : 2, Millis);
    if (Ready < 0 && errno != EINTR)
      throw EDriverError(Context, std::string("waiting for the server: ") + std::strerror(errno));
    if (!Cancelled && SysUtils::Interrupted()) {
      // The server answers a cancel with an error soon; that answer keeps
      // the connection usable. A server that does not is left behind.
      CancelOnServer(Conn);
      Cancelled = true;
      Deadline = TClock::now() + std::chrono::seconds(2);
      continue;
    }
    if (Ready == 0) {
      ::shutdown(Lib::Api().PQsocket(Conn), SHUT_RDWR);
      Lib::Api().PQconsumeInput(Conn);
      if (Cancelled)
        Interrupted(Context);
      throw EDriverError(Context, "the server did not answer within " + std::to_string(Timeout) +
                                      (Timeout == 1 ? " second" : " seconds") +
                                      "; the connection was closed");
    }
    if (Ready > 0 && (Waits[0].revents & (POLLIN | POLLERR | POLLHUP))) {
      if (Lib::Api().PQconsumeInput(Conn) != 1)
        throw EDriverError(Context, FirstLine(Lib::Api().PQerrorMessage(Conn)));
      // Data came: the server is alive.
      if (!Cancelled)
        Deadline = TClock::now() + std::chrono::seconds(Timeout);
    }
  }
}

// After a PQsend* call: its results as PQexec gives them, the last one or
// the first error; nullptr when sending failed (PQerrorMessage says why).
PGresult* Await(PGconn* Conn, bool Sent, const std::string& Context) {
  if (!Sent)
    return nullptr;
  PResult Kept;
  for (;;) {
    AwaitResult(Conn, Context);
    PGresult* Next = Lib::Api().PQgetResult(Conn);
    if (!Next)
      break;
    const ExecStatusType Status = Lib::Api().PQresultStatus(Next);
    if (Status == PGRES_COPY_IN || Status == PGRES_COPY_OUT || Status == PGRES_COPY_BOTH) {
      // Check leaves copy mode; nothing follows until it has.
      return Next;
    }
    if (Kept && Lib::Api().PQresultStatus(Kept.get()) == PGRES_FATAL_ERROR)
      Lib::Api().PQclear(Next);
    else
      Kept.reset(Next);
  }
  if (SysUtils::Interrupted())
    Interrupted(Context);
  return Kept.release();
}

// The blocking calls of libpq, as waits of the kind above. Ctrl-C given
// before a statement is sent means it is never sent.
PGresult* ExecParams(PGconn* Conn, const char* SQL, int Count, const Oid* Types,
                     const char* const* Values, const int* Lengths, const int* Formats,
                     const std::string& Context) {
  if (SysUtils::Interrupted())
    Interrupted(Context);
  return Await(
      Conn, Lib::Api().PQsendQueryParams(Conn, SQL, Count, Types, Values, Lengths, Formats, 0) == 1,
      Context);
}

PGresult* Exec(PGconn* Conn, const char* SQL, const std::string& Context) {
  if (SysUtils::Interrupted())
    Interrupted(Context);
  return Await(Conn, Lib::Api().PQsendQuery(Conn, SQL) == 1, Context);
}

PGresult* Prepare(PGconn* Conn, const char* Name, const char* SQL, int Count, const Oid* Types,
                  const std::string& Context) {
  if (SysUtils::Interrupted())
    Interrupted(Context);
  return Await(Conn, Lib::Api().PQsendPrepare(Conn, Name, SQL, Count, Types) == 1, Context);
}

PGresult* DescribePrepared(PGconn* Conn, const char* Name, const std::string& Context) {
  return Await(Conn, Lib::Api().PQsendDescribePrepared(Conn, Name) == 1, Context);
}

TDataType DataTypeOf(Oid Type, int Mod) {
  switch (Type) {
  case BoolOid:
    return TDataType::Boolean;
  case Int2Oid:
    return TDataType::SmallInt;
  case Int4Oid:
    return TDataType::Integer;
  case Int8Oid:
  case OidOid:
    return TDataType::LargeInt;
  case Float4Oid:
  case Float8Oid:
    return TDataType::Float;
  case NumericOid:
    return TDataType::Numeric;
  case BpcharOid:
  case VarcharOid:
    return Mod >= 4 ? TDataType::String : TDataType::Memo;
  case CharOid:
  case NameOid:
  case UuidOid:
    return TDataType::String;
  case ByteaOid:
    return TDataType::Blob;
  case DateOid:
    return TDataType::Date;
  case TimeOid:
  case TimeTzOid:
    return TDataType::Time;
  case TimestampOid:
  case TimestampTzOid:
    return TDataType::DateTime;
  default:
    return TDataType::Memo;
  }
}

void ApplyType(TColumnInfo& Info, Oid Type, int Mod) {
  Info.DataType = DataTypeOf(Type, Mod);
  if (Info.DataType == TDataType::String) {
    switch (Type) {
    case CharOid:
      Info.Size = 1;
      break;
    case NameOid:
      Info.Size = 63;
      break;
    case UuidOid:
      Info.Size = 36;
      break;
    default:
      Info.Size = Mod - 4;
    }
  } else if (Info.DataType == TDataType::Numeric && Mod >= 4) {
    Info.Precision = ((Mod - 4) >> 16) & 0xffff;
    Info.Scale = (Mod - 4) & 0xffff;
  }
}

std::int64_t ToInteger(const char* Text, int Length) {
  std::int64_t Result = 0;
  std::from_chars(Text, Text + Length, Result);
  return Result;
}

double ToFloat(std::string_view Text) {
  if (Text == "NaN")
    return std::numeric_limits<double>::quiet_NaN();
  if (Text == "Infinity")
    return std::numeric_limits<double>::infinity();
  if (Text == "-Infinity")
    return -std::numeric_limits<double>::infinity();
  double Result = 0;
  std::from_chars(Text.data(), Text.data() + Text.size(), Result);
  return Result;
}

// A text[] literal; elements in double quotes with quote and backslash
// escaped, so any name survives the trip as data.
std::string ArrayLiteral(const std::vector<std::optional<std::string>>& Items) {
  std::string Result = "{";
  for (std::size_t I = 0; I < Items.size(); ++I) {
    if (I > 0)
      Result += ',';
    if (!Items[I]) {
      Result += "NULL";
      continue;
    }
    Result += '"';
    for (const char C : *Items[I]) {
      if (C == '"' || C == '\\')
        Result += '\\';
      Result += C;
    }
    Result += '"';
  }
  return Result + "}";
}

template <typename T> std::string NumberArray(const std::vector<T>& Items) {
  std::string Result = "{";
  for (std::size_t I = 0; I < Items.size(); ++I)
    Result += (I ? "," : "") + std::to_string(Items[I]);
  return Result + "}";
}

// Words asked for once per name written: an open-addressing hash table of
// indexes into the list, a quarter full at most.
class TKeywords {
public:
  explicit TKeywords(std::vector<std::string> Words) : FWords(std::move(Words)) {
    std::size_t Size = 64;
    while (Size < FWords.size() * 4)
      Size *= 2;
    FSlots.assign(Size, 0);
    for (std::size_t I = 0; I < FWords.size(); ++I)
      for (std::size_t Slot = Hash(FWords[I]) & (Size - 1);; Slot = (Slot + 1) & (Size - 1))
        if (FSlots[Slot] == 0) {
          FSlots[Slot] = static_cast<std::uint32_t>(I + 1);
          break;
        }
  }

  bool Contains(std::string_view Name) const {
    const std::size_t Mask = FSlots.size() - 1;
    for (std::size_t Slot = Hash(Name) & Mask; FSlots[Slot] != 0; Slot = (Slot + 1) & Mask)
      if (FWords[FSlots[Slot] - 1] == Name)
        return true;
    return false;
  }

private:
  static std::size_t Hash(std::string_view Word) {
    std::uint32_t Result = 2166136261u; // FNV-1a
    for (const unsigned char C : Word)
      Result = (Result ^ C) * 16777619u;
    return Result;
  }

  std::vector<std::string> FWords;
  std::vector<std::uint32_t> FSlots; // index into FWords + 1; 0 when free
};

// Readings of a name (NameReadings), in order of preference; a reading of the
// text's own spelling is also tried folded to lower case. A missing schema
// (nullopt) stands for the unqualified reading.
struct TCandidates {
  std::vector<std::optional<std::string>> Schemas, Names; // names are never null
};

TCandidates CandidatesOf(std::string_view Text) {
  TCandidates Result;
  auto& S = Result.Schemas;
  auto& N = Result.Names;
  const auto Add = [&](std::optional<std::string> Schema, std::string Name) {
    for (std::size_t I = 0; I < N.size(); ++I)
      if (S[I] == Schema && N[I] == Name)
        return;
    S.push_back(std::move(Schema));
    N.push_back(std::move(Name));
  };
  for (const TNameReading& Reading : NameReadings(Text, TDialect::PostgreSQL)) {
    Add(Reading.Schema, Reading.Name);
    if (!Reading.Exact)
      Add(Reading.Schema ? std::optional<std::string>(LowerCase(*Reading.Schema)) : std::nullopt,
          LowerCase(Reading.Name));
  }
  return Result;
}

// The candidates as text[] literals of their schemas and names.
void NameCandidates(std::string_view Text, std::string& Schemas, std::string& Names) {
  const TCandidates Candidates = CandidatesOf(Text);
  Schemas = ArrayLiteral(Candidates.Schemas);
  Names = ArrayLiteral(Candidates.Names);
}

// Display name of a relation or function: unqualified in the current schema.
constexpr std::string_view DisplaySQL = "case when n.nspname = current_schema() then %1 else "
                                        "n.nspname || '.' || %1 end";

std::string Display(std::string_view Column) {
  std::string Result(DisplaySQL);
  for (auto At = Result.find("%1"); At != std::string::npos; At = Result.find("%1", At))
    Result.replace(At, 2, Column);
  return Result;
}

const std::string UserSchemas =
    "n.nspname not in ('pg_catalog', 'information_schema') and n.nspname not like 'pg\\_toast%' "
    "and (n.nspname not like 'pg\\_temp\\_%' or n.oid = pg_my_temp_schema())";

constexpr std::string_view RelKinds = "c.relkind in ('r', 'v', 'm', 'f', 'p')";

// Where an unqualified name reaches a relation of schema n: its place on the
// search path, -1 off it.
const std::string SearchOrderSQL =
    "coalesce(array_position(current_schemas(true), n.nspname), 0) - 1";

// The relation a name designates; $1 and $2 are the candidate schemas (null
// for unqualified) and names, in order of preference.
std::string TargetRelationCTE() {
  return "cand as (select * from unnest($1::text[], $2::text[]) with ordinality as x(sch, rel, "
         "prio)), target as (select c.oid, " +
         Display("c.relname") +
         " as display, true as preferred, n.nspname, c.relname, c.relkind, " + SearchOrderSQL +
         " as search_order from cand join pg_class c on c.relname = cand.rel "
         "join pg_namespace n on n.oid = c.relnamespace where " +
         std::string(RelKinds) +
         " and case when cand.sch is null then n.nspname = current_schema() or "
         "pg_table_is_visible(c.oid) else n.nspname = cand.sch end "
         "order by cand.prio, n.nspname = current_schema() desc limit 1)";
}

// Every relation that bears one of the candidate names ($1): schema, name,
// display name, relkind, search order (as TableRef reads them), then its oid,
// whether its schema is the current one and whether an unqualified name
// reaches it. FoundRow picks the one a lookup finds, as TargetRelationCTE
// does; a plain statement over the catalogue's index on names costs the
// server less to plan in a new session.
const std::string FindRelationsSQL = "select n.nspname, c.relname, " + Display("c.relname") +
                                     ", c.relkind, " + SearchOrderSQL +
                                     ", c.oid, n.nspname = current_schema(), "
                                     "pg_table_is_visible(c.oid) from pg_class c "
                                     "join pg_namespace n on n.oid = c.relnamespace "
                                     "where c.relname = any($1::text[]) and " +
                                     std::string(RelKinds);

// The row of FindRelationsSQL that a lookup by Candidates finds, -1 for none:
// the first candidate that reaches a relation (one without a schema reaches
// the current schema's and the one the search path shows); of two, the
// current schema's.
int FoundRow(PGresult* Rows, const TCandidates& Candidates) {
  const Lib::TApi& Pq = Lib::Api();
  for (std::size_t I = 0; I < Candidates.Names.size(); ++I) {
    int Found = -1;
    for (int Row = 0; Row < Pq.PQntuples(Rows); ++Row) {
      if (*Candidates.Names[I] != Pq.PQgetvalue(Rows, Row, 1))
        continue;
      const bool Current = Pq.PQgetvalue(Rows, Row, 6)[0] == 't';
      const auto& Schema = Candidates.Schemas[I];
      if (Schema ? *Schema != Pq.PQgetvalue(Rows, Row, 0)
                 : !Current && Pq.PQgetvalue(Rows, Row, 7)[0] != 't')
        continue;
      if (Current)
        return Row;
      if (Found < 0)
        Found = Row;
    }
    if (Found >= 0)
      return Found;
  }
  return -1;
}

// Bits of a column's flags (ColumnFields): not null, an identity column
// (GENERATED ALWAYS also sets IdentityAlways), a stored generated column, a
// default, a default that draws from a sequence (serial).
enum : int {
  NotNullFlag = 1,
  IdentityFlag = 2,
  IdentityAlwaysFlag = 4,
  GeneratedFlag = 8,
  DefaultFlag = 16,
  SerialFlag = 32
};

// What the catalogue says of a column: name, type name, base type oid, base
// typmod, flags (as one number: each field costs the server an output call
// and the client a parse, on every row of a batch). Domains report their base
// type. Read by CatalogColumn.
const std::string ColumnFields =
    "a.attname, format_type(a.atttypid, a.atttypmod), "
    "case when ty.typtype = 'd' then ty.typbasetype else a.atttypid end, "
    "case when ty.typtype = 'd' then ty.typtypmod else a.atttypmod end, "
    "a.attnotnull::int + case a.attidentity when 'a' then 6 when 'd' then 2 else 0 end + "
    "case a.attgenerated when 's' then 8 else 0 end + a.atthasdef::int * 16 + "
    "(a.atthasdef and coalesce((select pg_get_expr(d.adbin, d.adrelid) like 'nextval(%' "
    "from pg_attrdef d where d.adrelid = a.attrelid and d.adnum = a.attnum), false))::int * 32";

const std::string ColumnsOfRel = " from rel t join pg_attribute a on a.attrelid = t.oid "
                                 "join pg_type ty on ty.oid = a.atttypid "
                                 "where a.attnum > 0 and not a.attisdropped";

// The columns of the one relation rel: its display name, then ColumnFields.
const std::string ColumnsSelect =
    "select t.display, " + ColumnFields + ColumnsOfRel + " order by a.attnum";

// The columns of the relations rel: the relation's oid and the column's
// number, then ColumnFields. In no order: the client sorts the numbers, which
// costs it far less than sorting the wide rows costs the server.
const std::string BatchColumnsSelect = "select t.oid, a.attnum, " + ColumnFields + ColumnsOfRel;

// Index columns of relations: display, index name, column name (null for an
// expression), index type, position, preference, oid. Partial unique indexes
// do not make rows unique, so they count as plain indexes. Each relation also
// gets one row with a null index name, so that one without indexes is seen.
// The key columns are read from the index's column list as an array, which
// the server expects to be short; a series over their count would make it
// expect a thousand rows an index and read the whole pg_attribute in a hash.
const std::string IndexFields =
    "ic.relname, a.attname, case when i.indisprimary then 6 when i.indisunique and "
    "i.indpred is null then 2 else 1 end, k.pos";
const std::string IndexJoins =
    " join pg_class ic on ic.oid = i.indexrelid "
    "cross join lateral unnest(i.indkey::int2[]) with ordinality as k(attnum, pos) "
    "left join pg_attribute a on a.attrelid = i.indrelid and a.attnum = k.attnum "
    "where k.pos <= i.indnkeyatts";

std::string IndexesSelect(const std::string& Relations) {
  return "select t.display, " + IndexFields +
         ", t.preferred, t.oid, i.indisprimary, i.indexrelid from " + Relations +
         " t join pg_index i on i.indrelid = t.oid" + IndexJoins +
         " union all select t.display, null, null, 0, 0, t.preferred, t.oid, true, 0 from " +
         Relations + " t order by 7, 8 desc, 9, 5";
}

// The columns and the index columns of the relation of oid $1, shown as $2,
// once a lookup has found it: the rows of ColumnsSelect and IndexesSelect,
// from plain statements over the catalogue's indexes.
const std::string OneRelationColumnsSelect =
    "select $2::text, " + ColumnFields +
    " from pg_attribute a join pg_type ty on ty.oid = a.atttypid "
    "where a.attrelid = $1::oid and a.attnum > 0 and not a.attisdropped order by a.attnum";
const std::string OneRelationIndexesSelect =
    "select $2::text, " + IndexFields + ", true, i.indrelid, i.indisprimary, i.indexrelid " +
    "from pg_index i" + IndexJoins + " and i.indrelid = $1::oid order by 8 desc, 9, 5";

// Relations of the batch calls. Two of them can share a display name (a table
// "sales.invoices" in the current schema and the table invoices of schema
// sales); TBatchOwners keeps the one that a lookup of that name finds.
// Written out where it is used rather than shared as a CTE, which the
// server would materialize and then join without its catalog indexes.
const std::string BatchRelations =
    "(select c.oid, " + Display("c.relname") +
    " as display, n.nspname = current_schema() as preferred from pg_class c "
    "join pg_namespace n on n.oid = c.relnamespace where " +
    std::string(RelKinds) + " and " + UserSchemas + ")";

// Decides which relation's rows a batch keeps under a display name: the one
// of the current schema, else the first met. Rows come relation by relation,
// in the order of their oids.
template <typename TItem> class TBatchOwners {
public:
  explicit TBatchOwners(std::map<std::string, std::vector<TItem>>& Map) : FMap(Map) {}

  // The list that the relation Oid fills, or nullptr to drop its rows.
  std::vector<TItem>* Add(Oid Relation, const char* Display, bool Preferred) {
    if (FCurrentOid == Relation)
      return FCurrent;
    FCurrentOid = Relation;
    const auto Entry = FMap.try_emplace(Display).first;
    const auto [Owner, New] =
        FOwners.try_emplace(&Entry->second, std::make_pair(FCurrentOid, Preferred));
    FCurrent = &Entry->second;
    if (!New && Owner->second.first != FCurrentOid) {
      if (!Preferred || Owner->second.second)
        return FCurrent = nullptr;
      Owner->second = {FCurrentOid, Preferred};
      FCurrent->clear();
    }
    return FCurrent;
  }

private:
  std::map<std::string, std::vector<TItem>>& FMap;
  // By the list of the display name, which the map keeps in place.
  std::unordered_map<const std::vector<TItem>*, std::pair<Oid, bool>> FOwners;
  Oid FCurrentOid = 0; // no relation has it
  std::vector<TItem>* FCurrent = nullptr;
};

class TPgResultSet final : public TResultSet {
public:
  TPgResultSet(PHandle Handle, PResult Result, std::string Context)
      : FHandle(std::move(Handle)), FResult(std::move(Result)), FContext(std::move(Context)) {
    const int Count = Lib::Api().PQnfields(FResult.get());
    for (int I = 0; I < Count; ++I) {
      FNames.emplace_back(Lib::Api().PQfname(FResult.get(), I));
      FTypes.push_back(Lib::Api().PQftype(FResult.get(), I));
    }
    FRows = Lib::Api().PQntuples(FResult.get());
  }

  int ColumnCount() const override { return static_cast<int>(FNames.size()); }
  const std::string& ColumnName(int Index) const override { return FNames[CheckIndex(Index)]; }

  const TColumnInfo& Column(int Index) override {
    const std::size_t At = CheckIndex(Index);
    if (FColumns.empty())
      FColumns = Describe(FHandle->Conn, FResult.get());
    return FColumns[At];
  }

  bool Next() override {
    if (FRow < FRows)
      ++FRow;
    return FRow < FRows;
  }

  bool IsNull(int Index) const override {
    RequireRow(Index);
    return Lib::Api().PQgetisnull(FResult.get(), FRow, Index) != 0;
  }

  TValue Value(int Index) const override {
    RequireRow(Index);
    PGresult* R = FResult.get();
    if (Lib::Api().PQgetisnull(R, FRow, Index))
      return TValue();
    const char* Text = Lib::Api().PQgetvalue(R, FRow, Index);
    const int Length = Lib::Api().PQgetlength(R, FRow, Index);
    switch (FTypes[static_cast<std::size_t>(Index)]) {
    case BoolOid:
      return TValue(std::int64_t{Text[0] == 't' ? 1 : 0});
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case OidOid:
      return TValue(ToInteger(Text, Length));
    case Float4Oid:
    case Float8Oid:
      return TValue(ToFloat(std::string_view(Text, static_cast<std::size_t>(Length))));
    case ByteaOid: {
      std::size_t Size = 0;
      unsigned char* Bytes =
          Lib::Api().PQunescapeBytea(reinterpret_cast<const unsigned char*>(Text), &Size);
      if (!Bytes)
        throw EDriverError(FContext, "out of memory while reading a bytea value");
      std::string Result(reinterpret_cast<const char*>(Bytes), Size);
      Lib::Api().PQfreemem(Bytes);
      return TValue::Blob(std::move(Result));
    }
    default:
      return TValue(std::string(Text, static_cast<std::size_t>(Length)));
    }
  }

  // Column descriptions of a row result or a described statement: the types,
  // and the origin and nullability, come from one catalog query.
  static std::vector<TColumnInfo> Describe(PGconn* Conn, PGresult* Result) {
    const int Count = Lib::Api().PQnfields(Result);
    std::vector<TColumnInfo> Columns(static_cast<std::size_t>(Count));
    if (Count == 0)
      return Columns;
    std::vector<unsigned> Types, Tables;
    std::vector<int> Mods, Attrs;
    for (int I = 0; I < Count; ++I) {
      TColumnInfo& Info = Columns[static_cast<std::size_t>(I)];
      Info.Name = Lib::Api().PQfname(Result, I);
      Types.push_back(Lib::Api().PQftype(Result, I));
      Mods.push_back(Lib::Api().PQfmod(Result, I));
      Tables.push_back(Lib::Api().PQftable(Result, I));
      Attrs.push_back(Lib::Api().PQftablecol(Result, I));
      ApplyType(Info, Types.back(), Mods.back());
    }
    const std::string TypesText = NumberArray(Types), ModsText = NumberArray(Mods),
                      TablesText = NumberArray(Tables), AttrsText = NumberArray(Attrs);
    const char* Values[] = {TypesText.c_str(), ModsText.c_str(), TablesText.c_str(),
                            AttrsText.c_str()};
    const std::string Context = "Reading the column descriptions of a result";
    PResult Rows = Check(
        Conn,
        ExecParams(Conn,
                   ("select format_type(x.typ, x.mod), " + Display("r.relname") +
                    ", a.attname, a.attnotnull "
                    "from unnest($1::oid[], $2::int4[], $3::oid[], $4::int2[]) with ordinality "
                    "as x(typ, mod, tab, col, ord) "
                    "left join pg_class r on r.oid = x.tab "
                    "left join pg_namespace n on n.oid = r.relnamespace "
                    "left join pg_attribute a on a.attrelid = x.tab and a.attnum = x.col "
                    "order by x.ord")
                       .c_str(),
                   4, nullptr, Values, nullptr, nullptr, Context),
        Context);
    for (int I = 0; I < Count && I < Lib::Api().PQntuples(Rows.get()); ++I) {
      TColumnInfo& Info = Columns[static_cast<std::size_t>(I)];
      Info.TypeName = Lib::Api().PQgetvalue(Rows.get(), I, 0);
      if (!Lib::Api().PQgetisnull(Rows.get(), I, 2)) {
        Info.OriginTable = Lib::Api().PQgetvalue(Rows.get(), I, 1);
        Info.OriginColumn = Lib::Api().PQgetvalue(Rows.get(), I, 2);
        Info.Nullable = Lib::Api().PQgetvalue(Rows.get(), I, 3)[0] != 't';
      }
    }
    return Columns;
  }

private:
  std::size_t CheckIndex(int Index) const {
    if (Index < 0 || Index >= ColumnCount())
      throw EDriverError(FContext, "there is no column " + std::to_string(Index) +
                                       " (the result has " + std::to_string(ColumnCount()) + ")");
    return static_cast<std::size_t>(Index);
  }

  void RequireRow(int Index) const {
    CheckIndex(Index);
    if (FRow < 0 || FRow >= FRows)
      throw EDriverError(FContext, "there is no current row");
  }

  PHandle FHandle;
  PResult FResult;
  std::string FContext;
  std::vector<std::string> FNames;
  std::vector<Oid> FTypes;
  std::vector<TColumnInfo> FColumns;
  int FRows = 0;
  int FRow = -1;
};

class TPgConnection final : public TConnection {
public:
  TPgConnection(TDriver& Driver, PHandle Handle)
      : TConnection(Driver), FHandle(std::move(Handle)) {}

  std::int64_t Execute(std::string_view SQL, const TValues& Params) override {
    PResult Result = Run(SQL, Params, "Executing " + SQLExcerpt(SQL));
    // Row counts of reading commands are not changes.
    const std::string_view Tag = Lib::Api().PQcmdStatus(Result.get());
    for (const std::string_view Reading : {"SELECT", "FETCH", "MOVE"})
      if (Tag.substr(0, Reading.size()) == Reading)
        return 0;
    const char* Tuples = Lib::Api().PQcmdTuples(Result.get());
    return Tuples && *Tuples ? ToInteger(Tuples, static_cast<int>(std::strlen(Tuples))) : 0;
  }

  void ExecuteScript(std::string_view SQL) override {
    const std::string Text(SQL);
    const std::string Context = "Executing the script " + SQLExcerpt(SQL);
    Check(Conn(), Exec(Conn(), Text.c_str(), Context), Context);
  }

  std::unique_ptr<TResultSet> Query(std::string_view SQL, const TValues& Params) override {
    const std::string Context = "Running the query " + SQLExcerpt(SQL);
    return std::make_unique<TPgResultSet>(FHandle, Run(SQL, Params, Context), Context);
  }

  std::vector<TColumnInfo> Describe(std::string_view SQL) override {
    const std::string Context = "Describing " + SQLExcerpt(SQL);
    const std::string Text(SQL);
    Check(Conn(), Prepare(Conn(), "", Text.c_str(), 0, nullptr, Context), Context);
    PResult Description = Check(Conn(), DescribePrepared(Conn(), "", Context), Context);
    return TPgResultSet::Describe(Conn(), Description.get());
  }

  void StartTransaction() override {
    if (Lib::Api().PQtransactionStatus(Conn()) != PQTRANS_IDLE)
      throw EDriverError("Starting a transaction", "a transaction is already active");
    ExecuteScript("BEGIN");
  }

  void Commit() override {
    const PGTransactionStatusType Status = Lib::Api().PQtransactionStatus(Conn());
    if (Status == PQTRANS_INERROR) {
      // The server answers COMMIT of a failed transaction with a silent
      // rollback; the caller must learn that nothing was written.
      ExecuteScript("ROLLBACK");
      throw EDriverError("Committing", "a statement of the transaction had failed, so the whole "
                                       "transaction was rolled back");
    }
    if (Status != PQTRANS_INTRANS)
      throw EDriverError("Committing", "no transaction is active");
    ExecuteScript("COMMIT");
  }

  void Rollback() override {
    const PGTransactionStatusType Status = Lib::Api().PQtransactionStatus(Conn());
    if (Status != PQTRANS_INTRANS && Status != PQTRANS_INERROR)
      throw EDriverError("Rolling back", "no transaction is active");
    ExecuteScript("ROLLBACK");
  }

  bool InTransaction() override {
    const PGTransactionStatusType Status = Lib::Api().PQtransactionStatus(Conn());
    return Status == PQTRANS_INTRANS || Status == PQTRANS_INERROR;
  }

  std::vector<std::string> GetDatabaseNames() override {
    return Strings("select datname from pg_database where datallowconn and not datistemplate "
                   "order by datname collate \"C\"",
                   {}, "Reading the database names");
  }

  std::vector<std::string> GetSchemaNames() override {
    return Strings("select n.nspname from pg_namespace n where " + UserSchemas +
                       " order by n.nspname collate \"C\"",
                   {}, "Reading the schema names");
  }

  std::vector<std::string> GetTableNames(std::string_view Pattern, bool SystemTables) override {
    return Strings(
        "select full_name from (select " + Display("c.relname") +
            " as full_name from pg_class c join pg_namespace n on n.oid = c.relnamespace "
            "where " +
            std::string(RelKinds) + " and n.nspname not like 'pg\\_toast%' " +
            "and (n.nspname not like 'pg\\_temp\\_%' or n.oid = pg_my_temp_schema()) " +
            "and ($1::bool or n.nspname not in ('pg_catalog', 'information_schema')) "
            "and ($2::text = '' or c.relname ilike $2::text)) x "
            "order by full_name collate \"C\"",
        {SystemTables, std::string(Pattern)}, "Reading the table names");
  }

  std::vector<std::string> GetStoredProcNames() override {
    return Strings("select full_name from (select distinct " + Display("p.proname") +
                       " as full_name from pg_proc p join pg_namespace n on n.oid = p.pronamespace "
                       "where p.prokind in ('f', 'p') and " +
                       UserSchemas +
                       " and p.prorettype not in ('trigger'::regtype, 'event_trigger'::regtype) "
                       "and not exists (select 1 from pg_depend d where d.classid = "
                       "'pg_proc'::regclass and d.objid = p.oid and d.deptype = 'e')) x "
                       "order by full_name collate \"C\"",
                   {}, "Reading the stored procedure names");
  }

  std::vector<TColumnInfo> GetFieldNames(std::string_view Table) override {
    std::string Schemas, Names;
    NameCandidates(Table, Schemas, Names);
    auto Rows = RunRows(
        "with " + TargetRelationCTE() + ", rel as (select * from target) " + ColumnsSelect,
        {Schemas, Names}, "Reading the columns of the table \"" + std::string(Table) + "\"");
    return ColumnsOf(Rows.get());
  }

  std::vector<TIndexColumn> GetIndexInfo(std::string_view Table) override {
    std::string Schemas, Names;
    NameCandidates(Table, Schemas, Names);
    auto Rows =
        RunRows("with " + TargetRelationCTE() + " " + IndexesSelect("target"), {Schemas, Names},
                "Reading the indexes of the table \"" + std::string(Table) + "\"");
    return IndexesOf(Rows.get());
  }

  std::vector<TTableRef> GetTables(bool SystemTables) override {
    auto Rows =
        RunRows("select * from (select n.nspname, c.relname, " + Display("c.relname") +
                    " as full_name, c.relkind, " + SearchOrderSQL +
                    " from pg_class c join pg_namespace n on n.oid = c.relnamespace where " +
                    std::string(RelKinds) + " and n.nspname not like 'pg\\_toast%' " +
                    "and (n.nspname not like 'pg\\_temp\\_%' or n.oid = pg_my_temp_schema()) " +
                    "and ($1::bool or n.nspname not in ('pg_catalog', 'information_schema'))) x "
                    "order by full_name collate \"C\", nspname collate \"C\"",
                {SystemTables}, "Reading the tables");
    std::vector<TTableRef> Result;
    for (int Row = 0; Row < Lib::Api().PQntuples(Rows.get()); ++Row)
      Result.push_back(TableRef(Rows.get(), Row, 0));
    return Result;
  }

  std::optional<TTableRef> FindTable(std::string_view Table) override {
    const TCandidates Candidates = CandidatesOf(Table);
    auto Rows = RunRows(FindRelationsSQL, {ArrayLiteral(Candidates.Names)},
                        "Looking up the table \"" + std::string(Table) + "\"");
    const int Row = FoundRow(Rows.get(), Candidates);
    if (Row < 0)
      return std::nullopt;
    return TableRef(Rows.get(), Row, 0);
  }

  // The table first, with the server's keywords when they are not known
  // yet; then its columns and indexes by its oid, in one exchange: the name
  // is resolved once, and the server plans two plain statements rather than
  // three that each resolve it again.
  std::optional<TTableDescription> DescribeTable(std::string_view Table) override {
    const TCandidates Candidates = CandidatesOf(Table);
    const TValues Params{ArrayLiteral(Candidates.Names)};
    const std::string Name(Table);
    const std::string Finding = "Looking up the table \"" + Name + "\"";
    std::vector<TCatalogQuery> First{{FindRelationsSQL, &Params, &Finding}};
    if (!FKeywords)
      First.push_back(KeywordsQuery());
    std::vector<PResult> Found = RunCatalog(First);
    if (Found.size() > 1)
      TakeKeywords(Found[1].get());
    const int Row = FoundRow(Found[0].get(), Candidates);
    if (Row < 0)
      return std::nullopt;
    TTableRef Ref = TableRef(Found[0].get(), Row, 0);
    const TValues ByOid{std::string(Lib::Api().PQgetvalue(Found[0].get(), Row, 5)), Ref.Display};
    const std::string Reading = "Reading the columns of the table \"" + Name + "\"",
                      Indexing = "Reading the indexes of the table \"" + Name + "\"";
    std::vector<PResult> Rows = RunCatalog({{OneRelationColumnsSelect, &ByOid, &Reading},
                                            {OneRelationIndexesSelect, &ByOid, &Indexing}});
    return TTableDescription{std::move(Ref), ColumnsOf(Rows[0].get()), IndexesOf(Rows[1].get())};
  }

  bool NeedsQuotes(std::string_view Name) override {
    if (Name.empty())
      return true;
    const auto Letter = [](unsigned char C) {
      return (C >= 'a' && C <= 'z') || C == '_' || C >= 0x80;
    };
    if (!Letter(static_cast<unsigned char>(Name.front())))
      return true;
    for (const unsigned char C : Name)
      if (!Letter(C) && !(C >= '0' && C <= '9') && C != '$')
        return true;
    // The server's own list, read once: a keyword that is not unreserved
    // cannot stand bare wherever a name can.
    if (!FKeywords) {
      const TCatalogQuery Query = KeywordsQuery();
      TakeKeywords(RunCatalog({Query}).front().get());
    }
    return FKeywords->Contains(Name);
  }

  bool SupportsReturning() override { return true; }

  bool Alive() override { return Lib::Api().PQstatus(Conn()) == CONNECTION_OK; }

  // Each statement is prepared under a name of its own and planned with
  // nulls for its parameters (EXPLAIN runs nothing, but the server checks
  // the privileges it would need), then released in a group of its own, so
  // that a statement that fails leaves no prepared name behind.
  std::vector<std::string> CheckStatements(const std::vector<std::string>& SQL,
                                           const std::vector<int>& ParamCounts) override {
    std::vector<std::string> Result(SQL.size());
    const auto Name = [](std::size_t I) { return "ov_check_" + std::to_string(I); };
    Pipeline(
        SQL.size() * 2,
        [&](std::size_t Group) {
          const std::size_t I = Group / 2;
          if (Group % 2 == 1)
            return SendQuery("deallocate " + Name(I));
          std::string Explain = "explain execute " + Name(I);
          for (int P = 0; P < ParamCounts[I]; ++P)
            Explain += P == 0 ? "(null" : ", null";
          if (ParamCounts[I] > 0)
            Explain += ")";
          return Lib::Api().PQsendPrepare(Conn(), Name(I).c_str(), SQL[I].c_str(), 0, nullptr) ==
                     1 &&
                 SendQuery(Explain);
        },
        [&](std::size_t Group, std::vector<PResult>& Results) {
          if (Group % 2 == 1)
            return;
          for (const PResult& R : Results)
            if (std::string Error = ErrorOf(R.get()); !Error.empty()) {
              Result[Group / 2] = Error;
              return;
            }
        },
        "Checking statements");
    return Result;
  }

  std::vector<std::string> DeletableRowConditions(const std::vector<TTableRef>& Tables,
                                                  std::string_view Alias) override {
    // Every key that refers to the table, each as a "not exists" over the
    // referring table: a key that refuses the delete, or sets a column that
    // may not be null, or cascades into rows other keys keep, would each
    // stop it.
    auto Rows = RunRows(
        "select n.nspname, r.relname, string_agg(format('not exists (select 1 from %s ov_ref "
        "where %s)', c.conrelid::regclass, (select string_agg(format('ov_ref.%I = %s.%I', "
        "ca.attname, $1::text, pa.attname), ' and ' order by k.n) from unnest(c.conkey, c.confkey) "
        "with ordinality as k(ck, pk, n) join pg_attribute ca on ca.attrelid = c.conrelid and "
        "ca.attnum = k.ck join pg_attribute pa on pa.attrelid = c.confrelid and "
        "pa.attnum = k.pk)), ' and ' order by c.oid) from pg_constraint c "
        "join pg_class r on r.oid = c.confrelid join pg_namespace n on n.oid = r.relnamespace "
        "where c.contype = 'f' group by n.nspname, r.relname",
        {std::string(Alias)}, "Reading the foreign keys");
    std::map<std::pair<std::string, std::string>, std::string> Conditions;
    for (int Row = 0; Row < Lib::Api().PQntuples(Rows.get()); ++Row)
      Conditions[{Lib::Api().PQgetvalue(Rows.get(), Row, 0),
                  Lib::Api().PQgetvalue(Rows.get(), Row, 1)}] =
          Lib::Api().PQgetvalue(Rows.get(), Row, 2);
    std::vector<std::string> Result;
    for (const TTableRef& T : Tables) {
      const auto It = Conditions.find({T.Schema, T.Name});
      Result.push_back(It == Conditions.end() ? std::string() : It->second);
    }
    return Result;
  }

  std::vector<TFirstRow> FirstRows(const std::vector<std::string>& Queries) override {
    std::vector<TFirstRow> Result(Queries.size());
    Pipeline(
        Queries.size(), [&](std::size_t I) { return SendQuery(Queries[I]); },
        [&](std::size_t I, std::vector<PResult>& Results) {
          TFirstRow& Row = Result[I];
          for (PResult& R : Results) {
            if (std::string Error = ErrorOf(R.get()); !Error.empty()) {
              Row.Error = Error;
              return;
            }
            if (Lib::Api().PQresultStatus(R.get()) != PGRES_TUPLES_OK)
              continue;
            TPgResultSet Rows(FHandle, std::move(R), "Reading a first row");
            for (int C = 0; C < Rows.ColumnCount(); ++C)
              Row.Columns.push_back(Rows.ColumnName(C));
            Row.Found = Rows.Next();
            for (int C = 0; Row.Found && C < Rows.ColumnCount(); ++C)
              Row.Values.push_back(Rows.Value(C));
            return;
          }
        },
        "Reading first rows");
    return Result;
  }

  // Of overloaded names the oldest, as GetProcParams describes.
  bool IsFunction(std::string_view Proc) override {
    std::string Schema, Base(Proc);
    if (const auto Dot = Proc.find('.'); Dot != std::string_view::npos && Dot > 0) {
      Schema = std::string(Proc.substr(0, Dot));
      Base = std::string(Proc.substr(Dot + 1));
    }
    auto Rows =
        Query("select p.prokind from pg_proc p join pg_namespace n on n.oid = p.pronamespace "
              "where p.proname = $1 and case when $2 = '' then n.nspname = current_schema() or "
              "pg_function_is_visible(p.oid) else n.nspname = $2 end "
              "order by n.nspname = current_schema() desc, p.oid limit 1",
              {Base, Schema});
    return !Rows->Next() || Rows->Value(0).AsString() != "p";
  }

  std::vector<TProcParam> GetProcParams(std::string_view Proc) override {
    std::string Schemas, Names;
    NameCandidates(Proc, Schemas, Names);
    auto Rows = RunRows(
        "with cand as (select * from unnest($1::text[], $2::text[]) with ordinality as "
        "x(sch, name, prio)), target as (select p.oid, p.prokind, p.prorettype, p.proargnames, "
        "p.proargmodes, coalesce(p.proallargtypes, p.proargtypes::oid[]) as types "
        "from cand join pg_proc p on p.proname = cand.name "
        "join pg_namespace n on n.oid = p.pronamespace "
        "where p.prokind in ('f', 'p') and case when cand.sch is null then "
        "n.nspname = current_schema() or pg_function_is_visible(p.oid) "
        "else n.nspname = cand.sch end "
        "order by cand.prio, n.nspname = current_schema() desc, p.oid limit 1) "
        "select 0 as ord, '' as name, 'r'::\"char\" as mode, t.prorettype, "
        "format_type(t.prorettype, null), t.prokind from target t "
        "union all "
        "select a.ord, coalesce(t.proargnames[a.ord], ''), coalesce(t.proargmodes[a.ord], 'i'), "
        "a.typ, format_type(a.typ, null), t.prokind "
        "from target t cross join lateral unnest(t.types) with ordinality as a(typ, ord) "
        "order by ord",
        {Schemas, Names}, "Reading the parameters of the procedure \"" + std::string(Proc) + "\"");
    std::vector<TProcParam> Result;
    const int Count = Lib::Api().PQntuples(Rows.get());
    if (Count == 0)
      return Result;
    bool HasOutput = false;
    for (int Row = 1; Row < Count; ++Row) {
      const char Mode = Lib::Api().PQgetvalue(Rows.get(), Row, 2)[0];
      TProcParam Param;
      Param.Name = Lib::Api().PQgetvalue(Rows.get(), Row, 1);
      if (Param.Name.empty())
        Param.Name = "$" + std::string(Lib::Api().PQgetvalue(Rows.get(), Row, 0));
      // 't' marks a column of RETURNS TABLE, which the caller reads as output.
      Param.Direction = Mode == 'o' || Mode == 't' ? TParamDirection::Output
                        : Mode == 'b'              ? TParamDirection::InputOutput
                                                   : TParamDirection::Input;
      HasOutput = HasOutput || Param.Direction == TParamDirection::Output ||
                  Param.Direction == TParamDirection::InputOutput;
      Param.TypeName = Lib::Api().PQgetvalue(Rows.get(), Row, 4);
      Param.DataType =
          DataTypeOf(static_cast<Oid>(std::stoul(Lib::Api().PQgetvalue(Rows.get(), Row, 3))), -1);
      Result.push_back(std::move(Param));
    }
    // A function's value is its result unless output parameters carry it.
    const bool IsFunction = Lib::Api().PQgetvalue(Rows.get(), 0, 5)[0] == 'f';
    const std::string ReturnType = Lib::Api().PQgetvalue(Rows.get(), 0, 4);
    if (IsFunction && !HasOutput && ReturnType != "void") {
      TProcParam Param;
      Param.Name = "Result";
      Param.Direction = TParamDirection::Result;
      Param.TypeName = ReturnType;
      Param.DataType =
          DataTypeOf(static_cast<Oid>(std::stoul(Lib::Api().PQgetvalue(Rows.get(), 0, 3))), -1);
      Result.insert(Result.begin(), std::move(Param));
    }
    return Result;
  }

  // The relations (oid, display name, preference) and their columns in one
  // exchange, with the server's keywords when they are not known yet; the
  // columns are put in order here.
  TTableColumns GetAllFieldNames() override {
    static const TValues None;
    static const std::string Context = "Reading the columns of all tables";
    std::vector<TCatalogQuery> Queries{
        {"select * from " + BatchRelations + " r", &None, &Context},
        {"with rel as " + BatchRelations + " " + BatchColumnsSelect, &None, &Context}};
    if (!FKeywords)
      Queries.push_back(KeywordsQuery());
    std::vector<PResult> Rows = RunCatalog(Queries);
    if (Rows.size() > 2)
      TakeKeywords(Rows[2].get());
    const Lib::TApi& Pq = Lib::Api();
    PGresult* Relations = Rows[0].get();
    PGresult* Columns = Rows[1].get();
    std::vector<std::pair<Oid, int>> RelationRows; // oid, row
    RelationRows.reserve(static_cast<std::size_t>(Pq.PQntuples(Relations)));
    for (int Row = 0; Row < Pq.PQntuples(Relations); ++Row)
      RelationRows.emplace_back(OidAt(Pq, Relations, Row, 0), Row);
    std::sort(RelationRows.begin(), RelationRows.end());
    struct TKey {
      Oid Relation;
      int Number, Row;
    };
    std::vector<TKey> Keys;
    Keys.reserve(static_cast<std::size_t>(Pq.PQntuples(Columns)));
    for (int Row = 0; Row < Pq.PQntuples(Columns); ++Row)
      Keys.push_back(
          {OidAt(Pq, Columns, Row, 0), static_cast<int>(IntegerAt(Pq, Columns, Row, 1)), Row});
    OrderColumnKeys(Keys);
    TTableColumns Result;
    TBatchOwners<TColumnInfo> Owners(Result);
    for (std::size_t First = 0, Last = 0; First < Keys.size(); First = Last) {
      const Oid Relation = Keys[First].Relation;
      while (Last < Keys.size() && Keys[Last].Relation == Relation)
        ++Last;
      // A relation made between the two statements is left out.
      const auto Found =
          std::lower_bound(RelationRows.begin(), RelationRows.end(), std::make_pair(Relation, 0));
      if (Found == RelationRows.end() || Found->first != Relation)
        continue;
      const char* Display = Pq.PQgetvalue(Relations, Found->second, 1);
      auto* List =
          Owners.Add(Relation, Display, Pq.PQgetvalue(Relations, Found->second, 2)[0] == 't');
      if (!List)
        continue;
      List->reserve(List->size() + (Last - First));
      for (std::size_t K = First; K < Last; ++K)
        List->push_back(CatalogColumn(Pq, Columns, Keys[K].Row, 2, Display));
    }
    return Result;
  }

  TTableIndexes GetAllIndexInfo() override {
    auto Rows = RunRows(IndexesSelect(BatchRelations), {}, "Reading the indexes of all tables");
    TTableIndexes Result;
    TBatchOwners<TIndexColumn> Owners(Result);
    const Lib::TApi& Pq = Lib::Api();
    for (int Row = 0; Row < Pq.PQntuples(Rows.get()); ++Row) {
      auto* Columns = Owners.Add(OidAt(Pq, Rows.get(), Row, 6), Pq.PQgetvalue(Rows.get(), Row, 0),
                                 Pq.PQgetvalue(Rows.get(), Row, 5)[0] == 't');
      if (Columns && !Pq.PQgetisnull(Rows.get(), Row, 1))
        Columns->push_back(IndexRow(Rows.get(), Row));
    }
    std::erase_if(Result, [](const auto& Entry) { return Entry.second.empty(); });
    for (auto& [Table, Columns] : Result)
      DowngradeExpressionIndexes(Columns);
    return Result;
  }

  std::string ServerVersion() override {
    const char* Version = Lib::Api().PQparameterStatus(Conn(), "server_version");
    return std::string("PostgreSQL ") + (Version ? Version : "");
  }

private:
  PGconn* Conn() const noexcept { return FHandle->Conn; }

  // Parameters travel as text of unknown type, so that the server types each
  // one from where it stands (a date column takes '2024-01-31'); blobs travel
  // in binary as bytea. The arrays point into Params, which must outlive them.
  struct TParamArrays {
    TParamArrays(const TValues& Params, const std::string& Context)
        : Texts(Params.size()), Values(Params.size()), Lengths(Params.size()),
          Formats(Params.size()), Types(Params.size()) {
      for (std::size_t I = 0; I < Params.size(); ++I) {
        const TValue& V = Params[I];
        switch (V.Kind()) {
        case TValueKind::Null:
          Values[I] = nullptr;
          break;
        case TValueKind::Text:
        case TValueKind::Blob:
          Values[I] = V.AsBlob().data();
          Lengths[I] = static_cast<int>(V.AsBlob().size());
          if (V.Kind() == TValueKind::Blob) {
            Formats[I] = 1;
            Types[I] = ByteaOid;
          } else if (V.AsBlob().find('\0') != std::string::npos) {
            throw EDriverError(Context, "parameter " + std::to_string(I + 1) +
                                            " holds a NUL character, which PostgreSQL text cannot");
          }
          break;
        case TValueKind::Integer:
        case TValueKind::Float: {
          const double D = V.Kind() == TValueKind::Float ? V.AsFloat() : 0;
          Texts[I] = std::isnan(D)   ? "NaN"
                     : std::isinf(D) ? (D > 0 ? "Infinity" : "-Infinity")
                                     : V.AsString();
          Values[I] = Texts[I].c_str();
          break;
        }
        }
      }
    }
    TParamArrays(const TParamArrays&) = delete;
    TParamArrays& operator=(const TParamArrays&) = delete;
    int Count() const { return static_cast<int>(Values.size()); }

    std::vector<std::string> Texts;
    std::vector<const char*> Values;
    std::vector<int> Lengths, Formats;
    std::vector<Oid> Types;
  };

  PResult Run(std::string_view SQL, const TValues& Params, const std::string& Context,
              bool Catalog = false) {
    if (Catalog)
      return std::move(RunCatalog({{std::string(SQL), &Params, &Context}}).front());
    const std::string Text(SQL);
    const TParamArrays P(Params, Context);
    return Check(Conn(),
                 ExecParams(Conn(), Text.c_str(), P.Count(), P.Types.data(), P.Values.data(),
                            P.Lengths.data(), P.Formats.data(), Context),
                 Context);
  }

  // One catalog question: its fixed text, its parameters, what it is doing.
  struct TCatalogQuery {
    std::string SQL;
    const TValues* Params;
    const std::string* Context;
  };

  // Catalog texts are fixed: each is prepared once per connection, which
  // spares the server parsing and planning it for every table. The queries
  // go in one pipeline, each with its preparation when it is new, so that a
  // lookup costs one exchange with the server however many questions it
  // asks. Their results in order; the first failure is raised.
  std::vector<PResult> RunCatalog(const std::vector<TCatalogQuery>& Queries) {
    std::vector<std::unique_ptr<TParamArrays>> Arrays;
    for (const TCatalogQuery& Q : Queries)
      Arrays.push_back(std::make_unique<TParamArrays>(*Q.Params, *Q.Context));
    std::vector<std::string> Names(Queries.size()), New(Queries.size());
    for (std::size_t I = 0; I < Queries.size(); ++I) {
      std::string& Name = FCatalogStatements[Queries[I].SQL];
      if (Name.empty()) {
        Name = "ov_catalog_" + std::to_string(++FCatalogNumber);
        New[I] = Name;
      }
      Names[I] = Name;
    }
    std::vector<PResult> Prepared(Queries.size()), Results(Queries.size());
    try {
      Pipeline(
          Queries.size(),
          [&](std::size_t I) {
            const TParamArrays& P = *Arrays[I];
            return (New[I].empty() ||
                    Lib::Api().PQsendPrepare(Conn(), New[I].c_str(), Queries[I].SQL.c_str(),
                                             P.Count(), P.Types.data()) == 1) &&
                   Lib::Api().PQsendQueryPrepared(Conn(), Names[I].c_str(), P.Count(),
                                                  P.Values.data(), P.Lengths.data(),
                                                  P.Formats.data(), 0) == 1;
          },
          [&](std::size_t I, std::vector<PResult>& Got) {
            auto Next = Got.begin();
            if (!New[I].empty() && Next != Got.end())
              Prepared[I] = std::move(*Next++);
            if (Next != Got.end())
              Results[I] = std::move(*Next);
          },
          *Queries.front().Context);
    } catch (...) {
      Forget(New);
      throw;
    }
    // A statement whose preparation failed does not exist on the server.
    for (std::size_t I = 0; I < Queries.size(); ++I)
      if (!New[I].empty() &&
          (!Prepared[I] || Lib::Api().PQresultStatus(Prepared[I].get()) != PGRES_COMMAND_OK))
        FCatalogStatements.erase(Queries[I].SQL);
    for (std::size_t I = 0; I < Queries.size(); ++I) {
      if (Prepared[I])
        Check(Conn(), Prepared[I].release(), *Queries[I].Context);
      Results[I] = Check(Conn(), Results[I].release(), *Queries[I].Context);
    }
    return Results;
  }

  // Forgets the names of statements whose preparation may not have happened.
  void Forget(const std::vector<std::string>& Names) {
    std::erase_if(FCatalogStatements, [&](const auto& Entry) {
      return std::find(Names.begin(), Names.end(), Entry.second) != Names.end();
    });
  }

  bool SendQuery(const std::string& SQL) {
    return Lib::Api().PQsendQueryParams(Conn(), SQL.c_str(), 0, nullptr, nullptr, nullptr, nullptr,
                                        0) == 1;
  }

  // The server's message of a failed result, "" for any other.
  static std::string ErrorOf(PGresult* Result) {
    if (Lib::Api().PQresultStatus(Result) != PGRES_FATAL_ERROR)
      return {};
    const char* Primary = Lib::Api().PQresultErrorField(Result, PG_DIAG_MESSAGE_PRIMARY);
    return Primary ? Primary : FirstLine(Lib::Api().PQresultErrorMessage(Result));
  }

  // Sends Groups groups of commands (Send(G) sends group G's) in one
  // pipeline, each ended by a sync point, so that an error skips only the
  // rest of its own group; then hands each group's results to Read. Sending
  // does not block: what the server answers meanwhile is read in, so that
  // neither side waits on a full buffer.
  template <typename TSend, typename TRead>
  void Pipeline(std::size_t Groups, TSend Send, TRead Read, const std::string& Context) {
    PGconn* C = Conn();
    const auto Fail = [&] { throw EDriverError(Context, FirstLine(Lib::Api().PQerrorMessage(C))); };
    if (Groups == 0)
      return;
    if (Lib::Api().PQenterPipelineMode(C) != 1)
      Fail();
    const ScopeGuard::TFinally Leave([C] {
      // A pipeline left by an error still holds results; they go first.
      for (int Empty = 0; Lib::Api().PQexitPipelineMode(C) != 1 && Empty <= 4;) {
        PGresult* Rest = Lib::Api().PQgetResult(C);
        Empty = Rest ? 0 : Empty + 1;
        Lib::Api().PQclear(Rest);
      }
    });
    // Sends what the socket takes now, and reads what the server answered
    // meanwhile; the rest goes while the results are awaited.
    const auto Flush = [&] {
      const int Left = Lib::Api().PQflush(C);
      if (Left < 0)
        Fail();
      if (Left == 0)
        return;
      pollfd Wait{Lib::Api().PQsocket(C), POLLIN, 0};
      if (::poll(&Wait, 1, 0) < 0 && errno != EINTR)
        Fail();
      if ((Wait.revents & POLLIN) && Lib::Api().PQconsumeInput(C) != 1)
        Fail();
    };
    for (std::size_t G = 0; G < Groups; ++G) {
      if (SysUtils::Interrupted())
        Interrupted(Context);
      if (!Send(G) || Lib::Api().PQpipelineSync(C) != 1)
        Fail();
      Flush();
    }
    for (std::size_t G = 0; G < Groups; ++G) {
      std::vector<PResult> Results;
      for (int Empty = 0;;) {
        AwaitResult(C, Context);
        PGresult* Raw = Lib::Api().PQgetResult(C);
        if (!Raw) {
          // Each command's results end in a null; many in a row mean the
          // server is gone.
          if (++Empty > 4)
            Fail();
          continue;
        }
        Empty = 0;
        if (Lib::Api().PQresultStatus(Raw) == PGRES_PIPELINE_SYNC) {
          Lib::Api().PQclear(Raw);
          break;
        }
        Results.emplace_back(Raw);
      }
      Read(G, Results);
    }
    if (SysUtils::Interrupted())
      Interrupted(Context);
  }

  PResult RunRows(const std::string& SQL, const TValues& Params, const std::string& Context) {
    return Run(SQL, Params, Context, true);
  }

  std::vector<std::string> Strings(const std::string& SQL, const TValues& Params,
                                   const std::string& Context) {
    PResult Rows = Run(SQL, Params, Context, true);
    std::vector<std::string> Result;
    for (int Row = 0; Row < Lib::Api().PQntuples(Rows.get()); ++Row)
      Result.emplace_back(Lib::Api().PQgetvalue(Rows.get(), Row, 0));
    return Result;
  }

  // The rows of ColumnsSelect.
  static std::vector<TColumnInfo> ColumnsOf(PGresult* Rows) {
    const Lib::TApi& Pq = Lib::Api();
    std::vector<TColumnInfo> Result;
    Result.reserve(static_cast<std::size_t>(Pq.PQntuples(Rows)));
    for (int Row = 0; Row < Pq.PQntuples(Rows); ++Row)
      Result.push_back(CatalogColumn(Pq, Rows, Row, 1, Pq.PQgetvalue(Rows, 0, 0)));
    return Result;
  }

  static std::vector<TIndexColumn> IndexesOf(PGresult* Rows) {
    std::vector<TIndexColumn> Result;
    for (int Row = 0; Row < Lib::Api().PQntuples(Rows); ++Row)
      if (!Lib::Api().PQgetisnull(Rows, Row, 1))
        Result.push_back(IndexRow(Rows, Row));
    DowngradeExpressionIndexes(Result);
    return Result;
  }

  // Orders keys by relation, then by column number. The server sends a
  // relation's columns together and in order, as a rule: then only those
  // runs are ordered, not every row; anything else is sorted whole.
  template <typename TKey> static void OrderColumnKeys(std::vector<TKey>& Keys) {
    const auto Less = [](const TKey& A, const TKey& B) {
      return A.Relation != B.Relation ? A.Relation < B.Relation : A.Number < B.Number;
    };
    std::vector<std::pair<std::size_t, std::size_t>> Runs; // first, end
    for (std::size_t I = 0; I < Keys.size(); ++I)
      if (I == 0 || !Less(Keys[I - 1], Keys[I]) || Keys[I - 1].Relation != Keys[I].Relation)
        Runs.emplace_back(I, I + 1);
      else
        Runs.back().second = I + 1;
    std::sort(Runs.begin(), Runs.end(),
              [&](const auto& A, const auto& B) { return Less(Keys[A.first], Keys[B.first]); });
    for (std::size_t R = 1; R < Runs.size(); ++R)
      if (Keys[Runs[R - 1].first].Relation == Keys[Runs[R].first].Relation) {
        std::sort(Keys.begin(), Keys.end(), Less);
        return;
      }
    std::vector<TKey> Ordered;
    Ordered.reserve(Keys.size());
    for (const auto& [First, End] : Runs)
      Ordered.insert(Ordered.end(), Keys.begin() + static_cast<std::ptrdiff_t>(First),
                     Keys.begin() + static_cast<std::ptrdiff_t>(End));
    Keys = std::move(Ordered);
  }

  // The fields of ColumnFields from column From on, of a column of the
  // relation shown as Display.
  static TColumnInfo CatalogColumn(const Lib::TApi& Pq, PGresult* Rows, int Row, int From,
                                   const char* Display) {
    const auto Text = [&](int Column) { return Pq.PQgetvalue(Rows, Row, From + Column); };
    TColumnInfo Info;
    Info.OriginTable = Display;
    Info.Name.assign(Text(0), static_cast<std::size_t>(Pq.PQgetlength(Rows, Row, From)));
    Info.OriginColumn = Info.Name;
    Info.TypeName.assign(Text(1), static_cast<std::size_t>(Pq.PQgetlength(Rows, Row, From + 1)));
    ApplyType(Info, static_cast<Oid>(IntegerAt(Pq, Rows, Row, From + 2)),
              static_cast<int>(IntegerAt(Pq, Rows, Row, From + 3)));
    const auto Flags = IntegerAt(Pq, Rows, Row, From + 4);
    Info.Nullable = !(Flags & NotNullFlag);
    Info.Generated = (Flags & (IdentityAlwaysFlag | GeneratedFlag)) != 0;
    Info.HasDefault = (Flags & (IdentityFlag | DefaultFlag)) != 0;
    Info.AutoIncrement = (Flags & (IdentityFlag | SerialFlag)) != 0;
    return Info;
  }

  // An integer of the catalogue, as the server writes it (digits after an
  // optional minus; the text ends in a NUL).
  static std::int64_t IntegerAt(const Lib::TApi& Pq, PGresult* Rows, int Row, int Column) {
    const char* Text = Pq.PQgetvalue(Rows, Row, Column);
    const bool Negative = *Text == '-';
    std::int64_t Result = 0;
    for (Text += Negative ? 1 : 0; *Text >= '0' && *Text <= '9'; ++Text)
      Result = Result * 10 + (*Text - '0');
    return Negative ? -Result : Result;
  }

  static Oid OidAt(const Lib::TApi& Pq, PGresult* Rows, int Row, int Column) {
    return static_cast<Oid>(IntegerAt(Pq, Rows, Row, Column));
  }

  // Row from column From on: schema, name, display name, relkind, search
  // order.
  static TTableRef TableRef(PGresult* Rows, int Row, int From) {
    TTableRef Ref;
    Ref.Schema = Lib::Api().PQgetvalue(Rows, Row, From);
    Ref.Name = Lib::Api().PQgetvalue(Rows, Row, From + 1);
    Ref.Display = Lib::Api().PQgetvalue(Rows, Row, From + 2);
    switch (Lib::Api().PQgetvalue(Rows, Row, From + 3)[0]) {
    case 'v':
      Ref.Kind = TTableKind::View;
      break;
    case 'm':
      Ref.Kind = TTableKind::MaterializedView;
      break;
    case 'f':
      Ref.Kind = TTableKind::ForeignTable;
      break;
    default:
      Ref.Kind = TTableKind::Table;
    }
    Ref.SearchOrder = std::stoi(Lib::Api().PQgetvalue(Rows, Row, From + 4));
    return Ref;
  }

  static TIndexColumn IndexRow(PGresult* Rows, int Row) {
    TIndexColumn Column;
    Column.IndexName = Lib::Api().PQgetvalue(Rows, Row, 1);
    Column.ColumnName = Lib::Api().PQgetvalue(Rows, Row, 2);
    Column.IndexType = static_cast<int>(IntegerAt(Lib::Api(), Rows, Row, 3));
    Column.Position = static_cast<int>(IntegerAt(Lib::Api(), Rows, Row, 4));
    return Column;
  }

  // The server's keywords that may not stand as a bare name.
  static TCatalogQuery KeywordsQuery() {
    static const std::string SQL = "select word from pg_get_keywords() where catcode <> 'U'";
    static const TValues None;
    static const std::string Context = "Reading the server's keywords";
    return {SQL, &None, &Context};
  }

  void TakeKeywords(PGresult* Rows) {
    std::vector<std::string> Words;
    for (int Row = 0; Row < Lib::Api().PQntuples(Rows); ++Row)
      Words.emplace_back(Lib::Api().PQgetvalue(Rows, Row, 0));
    FKeywords.emplace(std::move(Words));
  }

  PHandle FHandle;
  std::map<std::string, std::string> FCatalogStatements;
  std::size_t FCatalogNumber = 0; // names are never used twice
  std::optional<TKeywords> FKeywords;
};

void IgnoreNotice(void*, const char*) {}

class TPgDriver final : public TDriver {
public:
  std::string_view ServerTypeName() const override { return "PostgreSQL"; }
  TDialect Dialect() const override { return TDialect::PostgreSQL; }
  bool SupportsObjectOwners() const override { return true; }
  bool SupportsStoredProcs() const override { return true; }
  std::string PlaceholderFor(int Index) const override { return "$" + std::to_string(Index + 1); }

  TConnectParams ParseURI(std::string_view URI) const override {
    const std::string Text(URI);
    char* Error = nullptr;
    PQconninfoOption* Options = Lib::Api().PQconninfoParse(Text.c_str(), &Error);
    if (!Options) {
      const std::string Message = Error ? FirstLine(Error) : "out of memory";
      Lib::Api().PQfreemem(Error);
      throw EDriverError("Cannot read the connection URI \"" + MaskPasswords(Text) + "\"", Message);
    }
    Lib::Api().PQconninfoFree(Options);
    TConnectParams Params;
    Params.RemoteDatabase = Text;
    return Params;
  }

  std::unique_ptr<TConnection> Connect(const TConnectParams& Params) override {
    // Later keywords override earlier ones, and the expanded RemoteDatabase
    // overrides what stands before it: so the timeout is only a default, while
    // the user name, password and Extra win over the URI.
    std::vector<std::pair<std::string, std::string>> Keywords{
        {"fallback_application_name", "orvane"}};
    // A network that drops shows within the server timeout: keepalives
    // probe an idle connection, tcp_user_timeout bounds unacknowledged
    // sends, and the server gives up a statement after as long as the
    // client waits for it.
    if (const int Timeout = ServerTimeout(); Timeout > 0) {
      const std::string Seconds = std::to_string(Timeout);
      Keywords.insert(Keywords.end(),
                      {{"connect_timeout", Seconds},
                       {"keepalives", "1"},
                       {"keepalives_idle", std::to_string(std::max(1, Timeout / 3))},
                       {"keepalives_interval", std::to_string(std::max(1, Timeout / 6))},
                       {"keepalives_count", "3"},
                       {"tcp_user_timeout", std::to_string(Timeout * 1000)},
                       {"options", "-c statement_timeout=" + std::to_string(Timeout * 1000)}});
    }
    Keywords.emplace_back("dbname", Params.RemoteDatabase);
    if (!Params.UserName.empty())
      Keywords.emplace_back("user", Params.UserName);
    if (!Params.Password.empty())
      Keywords.emplace_back("password", Params.Password);
    for (const auto& [Name, Value] : Params.Extra)
      Keywords.emplace_back(LowerCase(Name), Value);
    // Text crosses this interface as UTF-8, whatever the server stores.
    Keywords.emplace_back("client_encoding", "UTF8");
    std::vector<const char*> Names, Values;
    for (const auto& [Name, Value] : Keywords) {
      Names.push_back(Name.c_str());
      Values.push_back(Value.c_str());
    }
    Names.push_back(nullptr);
    Values.push_back(nullptr);

    auto Handle = std::make_shared<THandle>();
    // Started rather than made in one call, so that the notice processor is
    // in place before the server says anything: a server's warnings while
    // the session starts (a setting of the database it cannot apply, a
    // collation version that changed) would otherwise go raw to stderr.
    Handle->Conn = Lib::Api().PQconnectStartParams(Names.data(), Values.data(), 1);
    if (!Handle->Conn)
      throw EDriverError("Cannot connect to the PostgreSQL server", "out of memory");
    Lib::Api().PQsetNoticeProcessor(Handle->Conn, IgnoreNotice, nullptr);
    CompleteConnection(Handle->Conn);
    // Never blocking: every wait is AwaitResult's.
    Lib::Api().PQsetnonblocking(Handle->Conn, 1);
    return std::make_unique<TPgConnection>(*this, std::move(Handle));
  }

private:
  // Drives a started connection to its end, within its connect_timeout for
  // the whole (libpq's own loop allows that much per host). Raises the
  // client library's reason when it fails.
  static void CompleteConnection(PGconn* Conn) {
    const auto Fail = [Conn](const std::string& Why) {
      throw EDriverError("Cannot connect to the PostgreSQL server",
                         Why.empty() ? FirstLine(Lib::Api().PQerrorMessage(Conn)) : Why);
    };
    if (Lib::Api().PQstatus(Conn) == CONNECTION_BAD)
      Fail({});
    int TimeoutSeconds = 0;
    if (PQconninfoOption* Options = Lib::Api().PQconninfo(Conn)) {
      for (PQconninfoOption* O = Options; O->keyword; ++O)
        if (std::strcmp(O->keyword, "connect_timeout") == 0 && O->val)
          TimeoutSeconds = std::atoi(O->val);
      Lib::Api().PQconninfoFree(Options);
    }
    // As libpq: no limit for 0, and at least two seconds otherwise.
    if (TimeoutSeconds > 0 && TimeoutSeconds < 2)
      TimeoutSeconds = 2;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(TimeoutSeconds);
    PostgresPollingStatusType State = PGRES_POLLING_WRITING;
    while (State != PGRES_POLLING_OK) {
      if (State == PGRES_POLLING_FAILED)
        Fail({});
      pollfd Waits[2] = {{Lib::Api().PQsocket(Conn),
                          static_cast<short>(State == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0},
                         {SysUtils::InterruptFd(), POLLIN, 0}};
      int Millis = -1;
      if (TimeoutSeconds > 0) {
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
            Deadline - std::chrono::steady_clock::now());
        Millis = static_cast<int>(std::max<std::int64_t>(0, Left.count()));
      }
      const int Ready = ::poll(Waits, Waits[1].fd < 0 ? 1 : 2, Millis);
      if (Ready < 0 && errno != EINTR)
        Fail(std::string("waiting for the server: ") + std::strerror(errno));
      if (SysUtils::Interrupted())
        Interrupted("Connecting to the PostgreSQL server");
      if (Ready == 0)
        Fail("the server did not answer within " + std::to_string(TimeoutSeconds) + " seconds");
      State = Lib::Api().PQconnectPoll(Conn);
    }
  }
};

} // namespace

TDriver& PostgresDriver() {
  static TPgDriver Driver;
  return Driver;
}

} // namespace OVDriver::OVPg
