// Waiting for a MySQL server. Connections run the client library's
// non-blocking calls, and every wait is a poll on the connection's socket
// and on Ctrl-C's pipe (SysUtils::InterruptFd), as the PostgreSQL driver's
// are: a server that gives no sign of life for the server timeout
// (OVDriver::ServerTimeout) ends the call in an error and the connection is
// closed; Ctrl-C stops the statement on the server (KILL QUERY over a
// connection of its own, two seconds at most) and raises
// SysUtils::EInterrupted. The library's own connect, read and write
// timeouts are set too, for the calls that still block (closing).
#pragma once

#include <mysql.h>
#include <string>
#include <string_view>

namespace OVDriver::OVMySQL {

// Where the server is and who logs in: what a second connection needs.
struct TServerAddress {
  std::string Host, Socket, User, Password;
  unsigned Port = 0;
};

// Sets a new handle up for waits: non-blocking calls, the library's
// timeouts (ConnectSeconds to connect, the server timeout for the rest;
// 0 leaves the library's own).
void PrepareForWaits(MYSQL* Conn, unsigned ConnectSeconds);

// The calls of the client library that wait for the server, each as the
// blocking call of the same name (same result; the library's error when it
// fails), except that a timeout raises EDriverError and Ctrl-C raises
// EInterrupted. Ctrl-C given before a call means nothing is sent.
class TServerWaits {
public:
  // Where: how messages name the server (" on the MySQL server ..." follows
  // each context).
  TServerWaits(MYSQL* Conn, TServerAddress Address, std::string Where);

  // mysql_real_connect on a handle set up by PrepareForWaits; the timeout
  // is ConnectSeconds (none when 0). Context is the whole message start.
  static MYSQL* Connect(MYSQL* Conn, const TServerAddress& Address, const char* Database,
                        unsigned long Flags, unsigned ConnectSeconds, const std::string& Context);

  int RealQuery(std::string_view SQL, const std::string& Context);
  MYSQL_RES* StoreResult(const std::string& Context);
  int NextResult(const std::string& Context);
  int StmtPrepare(MYSQL_STMT* Stmt, std::string_view SQL, const std::string& Context);
  int StmtExecute(MYSQL_STMT* Stmt, const std::string& Context);
  int StmtStoreResult(MYSQL_STMT* Stmt, const std::string& Context);
  int StmtNextResult(MYSQL_STMT* Stmt, const std::string& Context);

  // False once a wait gave up and closed the connection.
  bool Open() const noexcept { return !FClosed; }

private:
  // One call on the session (or on Stmt): Start and Cont are the
  // library's NAME_start and NAME_cont.
  template <typename TStart, typename TCont>
  void Wait(const std::string& Context, MYSQL_STMT* Stmt, TStart Start, TCont Cont);
  // After Ctrl-C ended a call that the server answered: reads and drops
  // what the session still has to give (the stopped statement's rows, the
  // results of any statements after it in a script, each stopped in turn),
  // so that the session can run the next statement.
  void Discard(MYSQL_STMT* Stmt);

  MYSQL* FConn;
  TServerAddress FAddress;
  std::string FWhere;
  bool FClosed = false;
};

} // namespace OVDriver::OVMySQL
