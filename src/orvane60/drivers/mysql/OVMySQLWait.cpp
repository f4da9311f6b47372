#include "orvane60/drivers/mysql/OVMySQLWait.hpp"

#include "orvane60/drivers/OVDriver.hpp"
#include "orvane60/drivers/mysql/OVMySQLLib.hpp"
#include "rtl/SysUtils.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace OVDriver::OVMySQL {

namespace {

using Lib::Api;
using TClock = std::chrono::steady_clock;

// How long a cancelled statement may take to end, and a second connection
// to ask for it, before the connection is closed instead.
constexpr int CancelSeconds = 2;

// The coroutine stack of the library's non-blocking calls (TLS handshakes
// need more than its default).
constexpr std::size_t CallStackBytes = 256 * 1024;

[[noreturn]] void Interrupted(const std::string& Context) {
  throw SysUtils::EInterrupted(Context + ": cancelled (Ctrl-C)");
}

std::string NoAnswer(int Seconds) {
  return "the server did not answer within " + std::to_string(Seconds) +
         (Seconds == 1 ? " second" : " seconds") + "; the connection was closed";
}

short EventsOf(int Status) {
  short Events = 0;
  if (Status & MYSQL_WAIT_READ)
    Events |= POLLIN;
  if (Status & MYSQL_WAIT_WRITE)
    Events |= POLLOUT;
  if (Status & MYSQL_WAIT_EXCEPT)
    Events |= POLLPRI;
  return Events;
}

// What the socket became ready for, in the library's terms. A hang-up or
// an error counts as ready for what was waited for: the library's read or
// write then meets it.
int ReadyOf(short Events, int Status) {
  int Ready = 0;
  if (Events & POLLIN)
    Ready |= MYSQL_WAIT_READ;
  if (Events & POLLOUT)
    Ready |= MYSQL_WAIT_WRITE;
  if (Events & POLLPRI)
    Ready |= MYSQL_WAIT_EXCEPT;
  if (Events & (POLLHUP | POLLERR | POLLNVAL))
    Ready |= MYSQL_WAIT_READ | MYSQL_WAIT_WRITE;
  return Ready & Status;
}

struct TEnd {
  bool Cancelled = false; // Ctrl-C came during the call
  bool Closed = false;    // the wait gave up and shut the socket
};

// Runs one non-blocking call from Start to its end, passing each readiness
// on to Cont. When Timeout seconds (0: no limit) pass without a sign of
// life, the socket is shut down: the library's next read or write fails at
// once and the call ends with an error, leaving the handle consistent.
// Ctrl-C calls Cancel (false: nothing to cancel, shut down at once) and
// gives the call CancelSeconds to end.
template <typename TStart, typename TCont, typename TCancel>
TEnd Drive(MYSQL* Conn, int Timeout, TCancel Cancel, TStart Start, TCont Cont) {
  TEnd End;
  const auto ShutDown = [&] {
    ::shutdown(Api().mysql_get_socket(Conn), SHUT_RDWR);
    End.Closed = true;
  };
  auto Deadline = TClock::now() + std::chrono::seconds(Timeout);
  int Status = Start();
  while (Status != 0) {
    int Ready = MYSQL_WAIT_READ | MYSQL_WAIT_WRITE;
    if (!End.Closed) {
      pollfd Waits[2] = {{Api().mysql_get_socket(Conn), EventsOf(Status), 0},
                         {SysUtils::InterruptFd(), POLLIN, 0}};
      int Millis = -1;
      if (Timeout > 0 || End.Cancelled) {
        const auto Rest =
            std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now());
        Millis = static_cast<int>(std::max<std::int64_t>(0, Rest.count()));
      }
      const int Count = ::poll(Waits, End.Cancelled || Waits[1].fd < 0 ? 1 : 2, Millis);
      if (!End.Cancelled && SysUtils::Interrupted()) {
        End.Cancelled = true;
        if (!Cancel())
          ShutDown();
        Deadline = TClock::now() + std::chrono::seconds(CancelSeconds);
        continue;
      }
      if (Count < 0 && errno == EINTR)
        continue;
      if (Count <= 0) {
        // The time is up (or poll itself failed, which no retry mends).
        ShutDown();
      } else {
        Ready = ReadyOf(Waits[0].revents, Status);
        if (Ready == 0)
          continue;
        if (!End.Cancelled)
          Deadline = TClock::now() + std::chrono::seconds(Timeout);
      }
    }
    Status = Cont(Ready);
  }
  return End;
}

// Asks the server, over a connection of its own, to stop the statement
// that session Id runs; best effort, CancelSeconds for each step.
bool KillQuery(const TServerAddress& Address, unsigned long Id) {
  MYSQL* Killer = Api().mysql_init(nullptr);
  if (!Killer)
    return true;
  unsigned Seconds = CancelSeconds;
  Api().mysql_options(Killer, MYSQL_OPT_CONNECT_TIMEOUT, &Seconds);
  Api().mysql_options(Killer, MYSQL_OPT_READ_TIMEOUT, &Seconds);
  Api().mysql_options(Killer, MYSQL_OPT_WRITE_TIMEOUT, &Seconds);
  const auto Opt = [](const std::string& S) { return S.empty() ? nullptr : S.c_str(); };
  if (Api().mysql_real_connect(Killer, Opt(Address.Host), Opt(Address.User),
                               Address.Password.c_str(), nullptr, Address.Port, Opt(Address.Socket),
                               0)) {
    const std::string SQL = "kill query " + std::to_string(Id);
    Api().mysql_real_query(Killer, SQL.data(), static_cast<unsigned long>(SQL.size()));
  }
  Api().mysql_close(Killer);
  return true;
}

} // namespace

void PrepareForWaits(MYSQL* Conn, unsigned ConnectSeconds) {
  std::size_t Stack = CallStackBytes; // the library reads a size_t
  Api().mysql_options(Conn, MYSQL_OPT_NONBLOCK, &Stack);
  if (ConnectSeconds > 0)
    Api().mysql_options(Conn, MYSQL_OPT_CONNECT_TIMEOUT, &ConnectSeconds);
  if (unsigned Seconds = static_cast<unsigned>(ServerTimeout()); Seconds > 0) {
    Api().mysql_options(Conn, MYSQL_OPT_READ_TIMEOUT, &Seconds);
    Api().mysql_options(Conn, MYSQL_OPT_WRITE_TIMEOUT, &Seconds);
  }
}

TServerWaits::TServerWaits(MYSQL* Conn, TServerAddress Address, std::string Where)
    : FConn(Conn), FAddress(std::move(Address)), FWhere(std::move(Where)) {}

MYSQL* TServerWaits::Connect(MYSQL* Conn, const TServerAddress& Address, const char* Database,
                             unsigned long Flags, unsigned ConnectSeconds,
                             const std::string& Context) {
  if (SysUtils::Interrupted())
    Interrupted(Context);
  const auto Opt = [](const std::string& S) { return S.empty() ? nullptr : S.c_str(); };
  MYSQL* Result = nullptr;
  const TEnd End = Drive(
      Conn, static_cast<int>(ConnectSeconds), [] { return false; },
      [&] {
        return Api().mysql_real_connect_start(&Result, Conn, Opt(Address.Host), Opt(Address.User),
                                              Address.Password.c_str(), Database, Address.Port,
                                              Opt(Address.Socket), Flags);
      },
      [&](int Ready) { return Api().mysql_real_connect_cont(&Result, Conn, Ready); });
  if (End.Cancelled)
    Interrupted(Context);
  if (End.Closed)
    throw EDriverError(Context, NoAnswer(static_cast<int>(ConnectSeconds)));
  return Result;
}

template <typename TStart, typename TCont>
void TServerWaits::Wait(const std::string& Context, MYSQL_STMT* Stmt, TStart Start, TCont Cont) {
  const std::string Whole = Context + " on the MySQL server " + FWhere;
  if (SysUtils::Interrupted())
    Interrupted(Whole);
  const int Timeout = ServerTimeout();
  const TEnd End = Drive(
      FConn, Timeout, [this] { return KillQuery(FAddress, Api().mysql_thread_id(FConn)); }, Start,
      Cont);
  FClosed = FClosed || End.Closed;
  if (End.Cancelled) {
    if (!FClosed)
      Discard(Stmt);
    Interrupted(Whole);
  }
  if (End.Closed)
    throw EDriverError(Whole, NoAnswer(Timeout));
}

void TServerWaits::Discard(MYSQL_STMT* Stmt) {
  const auto Kill = [this] { return KillQuery(FAddress, Api().mysql_thread_id(FConn)); };
  const auto Gone = [this](const TEnd& End) {
    FClosed = FClosed || End.Closed;
    return FClosed;
  };
  for (;;) {
    if (FConn->status == MYSQL_STATUS_STMT_RESULT && Stmt) {
      int Stored = 0;
      if (Gone(Drive(
              FConn, CancelSeconds, Kill,
              [&] { return Api().mysql_stmt_store_result_start(&Stored, Stmt); },
              [&](int Ready) { return Api().mysql_stmt_store_result_cont(&Stored, Stmt, Ready); })))
        return;
      Api().mysql_stmt_free_result(Stmt);
    } else if (FConn->status == MYSQL_STATUS_GET_RESULT) {
      MYSQL_RES* Rows = nullptr;
      if (Gone(Drive(
              FConn, CancelSeconds, Kill,
              [&] { return Api().mysql_store_result_start(&Rows, FConn); },
              [&](int Ready) { return Api().mysql_store_result_cont(&Rows, FConn, Ready); })))
        return;
      if (Rows)
        Api().mysql_free_result(Rows);
    }
    if (!Api().mysql_more_results(FConn))
      return;
    int Next = 0;
    if (Gone(Drive(
            FConn, CancelSeconds, Kill, [&] { return Api().mysql_next_result_start(&Next, FConn); },
            [&](int Ready) { return Api().mysql_next_result_cont(&Next, FConn, Ready); })) ||
        Next != 0)
      return;
  }
}

int TServerWaits::RealQuery(std::string_view SQL, const std::string& Context) {
  int Result = 0;
  const auto Length = static_cast<unsigned long>(SQL.size());
  Wait(
      Context, nullptr,
      [&] { return Api().mysql_real_query_start(&Result, FConn, SQL.data(), Length); },
      [&](int Ready) { return Api().mysql_real_query_cont(&Result, FConn, Ready); });
  return Result;
}

MYSQL_RES* TServerWaits::StoreResult(const std::string& Context) {
  MYSQL_RES* Result = nullptr;
  Wait(
      Context, nullptr, [&] { return Api().mysql_store_result_start(&Result, FConn); },
      [&](int Ready) { return Api().mysql_store_result_cont(&Result, FConn, Ready); });
  return Result;
}

int TServerWaits::NextResult(const std::string& Context) {
  int Result = 0;
  Wait(
      Context, nullptr, [&] { return Api().mysql_next_result_start(&Result, FConn); },
      [&](int Ready) { return Api().mysql_next_result_cont(&Result, FConn, Ready); });
  return Result;
}

int TServerWaits::StmtPrepare(MYSQL_STMT* Stmt, std::string_view SQL, const std::string& Context) {
  int Result = 0;
  const auto Length = static_cast<unsigned long>(SQL.size());
  Wait(
      Context, Stmt,
      [&] { return Api().mysql_stmt_prepare_start(&Result, Stmt, SQL.data(), Length); },
      [&](int Ready) { return Api().mysql_stmt_prepare_cont(&Result, Stmt, Ready); });
  return Result;
}

int TServerWaits::StmtExecute(MYSQL_STMT* Stmt, const std::string& Context) {
  int Result = 0;
  Wait(
      Context, Stmt, [&] { return Api().mysql_stmt_execute_start(&Result, Stmt); },
      [&](int Ready) { return Api().mysql_stmt_execute_cont(&Result, Stmt, Ready); });
  return Result;
}

int TServerWaits::StmtStoreResult(MYSQL_STMT* Stmt, const std::string& Context) {
  int Result = 0;
  Wait(
      Context, Stmt, [&] { return Api().mysql_stmt_store_result_start(&Result, Stmt); },
      [&](int Ready) { return Api().mysql_stmt_store_result_cont(&Result, Stmt, Ready); });
  return Result;
}

int TServerWaits::StmtNextResult(MYSQL_STMT* Stmt, const std::string& Context) {
  int Result = 0;
  Wait(
      Context, Stmt, [&] { return Api().mysql_stmt_next_result_start(&Result, Stmt); },
      [&](int Ready) { return Api().mysql_stmt_next_result_cont(&Result, Stmt, Ready); });
  return Result;
}

} // namespace OVDriver::OVMySQL
