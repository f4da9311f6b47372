// A relay between a client and a server's Unix socket that forwards the
// server's replies up to a budget and then stops passing them on, while
// keeping every connection open: a network that drops without a word.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>
#include <thread>

namespace TestSupport {

class TStallingRelay {
public:
  // Listens at Folder/.s.PGSQL.Port (where a PostgreSQL client given
  // host=Folder and that port looks) and forwards to the socket Upstream.
  // Each connection gets ReplyBudget bytes of replies.
  TStallingRelay(std::filesystem::path Folder, int Port, std::string Upstream,
                 std::size_t ReplyBudget);
  ~TStallingRelay();
  TStallingRelay(const TStallingRelay&) = delete;
  TStallingRelay& operator=(const TStallingRelay&) = delete;

  // Where the relay listens.
  std::string SocketPath() const;
  // Takes no new connection from now on (those made stay); a client that
  // connects waits in the listener's queue, and once that is full its
  // connect() waits: a server that cannot be reached.
  void StopAccepting() { FAccepting = false; }
  // A URI of the relayed server for Database (ORVANE_TEST_PG's user).
  std::string URI(const std::string& Database) const;
  // The relayed socket of a cluster URI ("...?host=DIR&port=N"), "" if none.
  static std::string UpstreamOf(const std::string& ClusterURI);

private:
  void Run();

  std::filesystem::path FFolder;
  int FPort;
  std::string FUpstream;
  std::size_t FBudget;
  int FListener = -1;
  std::atomic<bool> FAccepting{true};
  int FStop[2] = {-1, -1};
  std::thread FThread;
};

} // namespace TestSupport
