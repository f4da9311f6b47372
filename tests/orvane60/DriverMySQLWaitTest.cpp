// The MySQL driver's waits against the throwaway server: a server that
// stops answering (a relay that passes on the first replies, then nothing)
// ends each wait in an error within the server timeout, and Ctrl-C stops
// the running statement on the server.
#include "orvane60/drivers/mysql/OVMySQLDriver.hpp"

#include "orvane60/DriverTestUtil.hpp"
#include "rtl/ScopeGuard.hpp"
#include "rtl/SysUtils.hpp"
#include "support/Relay.hpp"

#include <chrono>
#include <thread>

using namespace OVDriver;
using namespace DriverTestUtil;
using TClock = std::chrono::steady_clock;

namespace {

std::unique_ptr<TConnection> MyConnect(const std::string& URI) {
  return FindDriver("MySQL")->Connect(ParseConnectionURI(URI).Params);
}

// The server's socket, from its URI's "socket=" (empty when on TCP).
std::string SocketOf(const std::string& URI) {
  const auto At = URI.find("socket=");
  if (At == std::string::npos)
    return {};
  return URI.substr(At + 7, URI.find('&', At) - (At + 7));
}

// The server's URI with the socket replaced.
std::string ThroughSocket(const std::string& URI, const std::string& Socket) {
  const auto At = URI.find("socket=") + 7;
  return URI.substr(0, At) + Socket + URI.substr(std::min(URI.find('&', At), URI.size()));
}

// Presses Ctrl-C after a while, from another thread.
class TCtrlC {
public:
  explicit TCtrlC(std::chrono::milliseconds After)
      : FThread([After] {
          std::this_thread::sleep_for(After);
          SysUtils::Interrupt();
        }) {}
  ~TCtrlC() {
    FThread.join();
    SysUtils::ClearInterrupt();
  }

private:
  std::thread FThread;
};

class TMySQLWaitTest : public ::testing::Test {
protected:
  void SetUp() override {
    OV_REQUIRE_MYSQL();
    FURI = TestSupport::MySQLURI();
    FSocket = SocketOf(FURI);
  }
  void TearDown() override { SetServerTimeout(30); }

  std::string FURI, FSocket;
};

} // namespace

TEST_F(TMySQLWaitTest, AServerThatStopsAnsweringTimesOut) {
  if (FSocket.empty())
    GTEST_SKIP() << "the server is not on a Unix socket";
  SetServerTimeout(1);
  TTempDir Dir;
  // Enough for the start of a session and a few small answers.
  TestSupport::TStallingRelay Relay(Dir.Path(), 3306, FSocket, 2 * 1024);
  const std::string URI = ThroughSocket(FURI, Relay.SocketPath());
  auto Conn = MyConnect(URI);
  EXPECT_EQ(Scalar(*Conn, "select 1"), 1);
  auto Started = TClock::now();
  EXPECT_TRUE(HasAll(ErrorOf([&] { Conn->Query("select repeat('x', 100000)"); }),
                     {"Running the query \"select repeat('x', 100000)\" on the MySQL server",
                      "did not answer within 1 second", "connection was closed"}));
  EXPECT_GE(TClock::now() - Started, std::chrono::milliseconds(900));
  EXPECT_LT(TClock::now() - Started, std::chrono::seconds(4));
  EXPECT_FALSE(Conn->Alive());
  EXPECT_NE(ErrorOf([&] { Conn->Query("select 1"); }), "(no error)");

  // Prepared statements wait the same way, and statement checks do not
  // take the timeout for one statement's fault and go on.
  auto Second = MyConnect(URI);
  EXPECT_TRUE(HasAll(ErrorOf([&] { Second->Query("select repeat(?, 100000)", {"y"}); }),
                     {"did not answer within 1 second"}));
  // A statement prepared alone (it holds a string), whose description
  // is long; and statements sent many at a time, whose answers are.
  auto Third = MyConnect(URI);
  std::string Long = "select 'a'";
  for (int I = 0; I < 400; ++I)
    Long += ", " + std::to_string(I) + " as a_long_column_name_" + std::to_string(I);
  EXPECT_TRUE(HasAll(ErrorOf([&] {
                       Third->CheckStatements({Long, "select 2"}, {0, 0});
                     }),
                     {"Checking", "did not answer within 1 second"}));
  EXPECT_FALSE(Third->Alive());
  auto Fourth = MyConnect(URI);
  EXPECT_TRUE(HasAll(ErrorOf([&] {
                       Fourth->CheckStatements(std::vector<std::string>(500, "select 2"),
                                               std::vector<int>(500, 0));
                     }),
                     {"Checking statements", "did not answer within 1 second"}));
  EXPECT_FALSE(Fourth->Alive());

  // A relay that passes nothing on: connecting gives up.
  TTempDir Mute;
  TestSupport::TStallingRelay Silent(Mute.Path(), 3306, FSocket, 0);
  Started = TClock::now();
  EXPECT_TRUE(HasAll(ErrorOf([&] { MyConnect(ThroughSocket(FURI, Silent.SocketPath())); }),
                     {"Cannot connect to the MySQL server", "did not answer within 1 second"}));
  EXPECT_LT(TClock::now() - Started, std::chrono::seconds(4));
}

// Ctrl-C during a statement stops it on the server and raises EInterrupted;
// the connection stays usable once the interrupt is cleared.
TEST_F(TMySQLWaitTest, CtrlCCancelsTheRunningStatement) {
  auto Conn = MyConnect(FURI);
  auto Watch = MyConnect(FURI);
  for (const bool Prepared : {false, true}) {
    SCOPED_TRACE(Prepared ? "prepared" : "text");
    const auto Started = TClock::now();
    std::string Error;
    {
      TCtrlC Press(std::chrono::milliseconds(300));
      try {
        if (Prepared)
          Conn->Query("select sleep(?)", {20});
        else
          Conn->Execute("select sleep(20)");
      } catch (const SysUtils::EInterrupted& E) {
        Error = E.what();
      }
      EXPECT_LT(TClock::now() - Started, std::chrono::seconds(5));
      EXPECT_TRUE(HasAll(Error, {"sleep", "on the MySQL server", "cancelled (Ctrl-C)"}));
      // Nothing more is sent while the interrupt stands.
      EXPECT_TRUE(HasAll(ErrorOf([&] { Conn->Query("select 1"); }), {"cancelled"}));
    }
    // The server no longer runs it (the server may take a moment to tidy up
    // after it has answered).
    const auto Running = [&] {
      return Scalar(*Watch, "select count(*) from information_schema.PROCESSLIST where INFO like "
                            "'select sleep%'");
    };
    for (int I = 0; I < 50 && Running() != 0; ++I)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(Running(), 0);
    EXPECT_TRUE(Conn->Alive());
    EXPECT_EQ(Scalar(*Conn, "select 2"), 2);
  }

  // Ctrl-C before a statement: it is never sent.
  SysUtils::Interrupt();
  const ScopeGuard::TFinally Clear([] { SysUtils::ClearInterrupt(); });
  EXPECT_TRUE(HasAll(ErrorOf([&] { Conn->Execute("do sleep(20)"); }), {"cancelled (Ctrl-C)"}));
}

// Ctrl-C while the server's answer stops coming (the relay passes on the
// start of the rows, then nothing): the wait ends two seconds after the
// cancel and the connection is closed.
TEST_F(TMySQLWaitTest, CtrlCEndsAWaitForAServerThatDoesNotAnswer) {
  if (FSocket.empty())
    GTEST_SKIP() << "the server is not on a Unix socket";
  TTempDir Dir;
  TestSupport::TStallingRelay Relay(Dir.Path(), 3306, FSocket, 2 * 1024);
  auto Conn = MyConnect(ThroughSocket(FURI, Relay.SocketPath()));
  const auto Started = TClock::now();
  std::string Error;
  {
    TCtrlC Press(std::chrono::milliseconds(300));
    try {
      Conn->Query("select repeat('x', 100000)");
    } catch (const SysUtils::EInterrupted& E) {
      Error = E.what();
    }
  }
  EXPECT_TRUE(HasAll(Error, {"cancelled (Ctrl-C)"}));
  EXPECT_GE(TClock::now() - Started, std::chrono::seconds(2));
  EXPECT_LT(TClock::now() - Started, std::chrono::seconds(5));
  EXPECT_FALSE(Conn->Alive());
}
