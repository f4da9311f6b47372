#include "support/Relay.hpp"

#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace TestSupport {

namespace {

sockaddr_un Address(const std::string& Path) {
  sockaddr_un A{};
  A.sun_family = AF_UNIX;
  if (Path.size() >= sizeof A.sun_path)
    throw std::runtime_error("socket path too long: " + Path);
  std::memcpy(A.sun_path, Path.c_str(), Path.size() + 1);
  return A;
}

std::string QueryValue(const std::string& URI, const std::string& Key) {
  const auto Query = URI.find('?');
  if (Query == std::string::npos)
    return {};
  for (auto At = Query + 1; At < URI.size();) {
    const auto End = std::min(URI.find('&', At), URI.size());
    const std::string Item = URI.substr(At, End - At);
    if (Item.rfind(Key + "=", 0) == 0)
      return Item.substr(Key.size() + 1);
    At = End + 1;
  }
  return {};
}

} // namespace

TStallingRelay::TStallingRelay(std::filesystem::path Folder, int Port, std::string Upstream,
                               std::size_t ReplyBudget)
    : FFolder(std::move(Folder)), FPort(Port), FUpstream(std::move(Upstream)),
      FBudget(ReplyBudget) {
  const sockaddr_un A = Address(SocketPath());
  FListener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListener < 0 || ::bind(FListener, reinterpret_cast<const sockaddr*>(&A), sizeof A) != 0 ||
      ::listen(FListener, 8) != 0 || ::pipe(FStop) != 0)
    throw std::runtime_error(std::string("relay: ") + std::strerror(errno));
  FThread = std::thread([this] { Run(); });
}

TStallingRelay::~TStallingRelay() {
  [[maybe_unused]] const ssize_t N = ::write(FStop[1], "x", 1);
  FThread.join();
  ::close(FListener);
  ::close(FStop[0]);
  ::close(FStop[1]);
}

std::string TStallingRelay::SocketPath() const {
  return (FFolder / (".s.PGSQL." + std::to_string(FPort))).string();
}

std::string TStallingRelay::URI(const std::string& Database) const {
  return "postgresql://postgres@/" + Database + "?host=" + FFolder.string() +
         "&port=" + std::to_string(FPort);
}

std::string TStallingRelay::UpstreamOf(const std::string& ClusterURI) {
  const std::string Host = QueryValue(ClusterURI, "host"), Port = QueryValue(ClusterURI, "port");
  if (Host.empty() || Host[0] != '/')
    return {};
  return Host + "/.s.PGSQL." + (Port.empty() ? "5432" : Port);
}

void TStallingRelay::Run() {
  struct TPair {
    int Client, Server;
    std::size_t Replied = 0;
  };
  std::vector<TPair> Pairs;
  char Buffer[16384];
  for (;;) {
    std::vector<pollfd> Waits{{FStop[0], POLLIN, 0}, {FAccepting ? FListener : -1, POLLIN, 0}};
    for (const TPair& P : Pairs) {
      Waits.push_back({P.Client, POLLIN, 0});
      Waits.push_back({P.Server, POLLIN, 0});
    }
    if (::poll(Waits.data(), Waits.size(), -1) < 0)
      continue;
    if (Waits[0].revents)
      break;
    std::vector<TPair> Open;
    if ((Waits[1].revents & POLLIN) && FAccepting) {
      const int Client = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
      const int Server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const sockaddr_un A = Address(FUpstream);
      if (Client >= 0 && Server >= 0 &&
          ::connect(Server, reinterpret_cast<const sockaddr*>(&A), sizeof A) == 0)
        Open.push_back({Client, Server});
    }
    for (std::size_t I = 0; I < Pairs.size(); ++I) {
      TPair& P = Pairs[I];
      bool Closed = false;
      if (Waits[2 + 2 * I].revents) {
        const ssize_t N = ::read(P.Client, Buffer, sizeof Buffer);
        Closed = N <= 0 || ::write(P.Server, Buffer, static_cast<size_t>(N)) != N;
      }
      if (!Closed && Waits[2 + 2 * I + 1].revents) {
        const ssize_t N = ::read(P.Server, Buffer, sizeof Buffer);
        Closed = N <= 0;
        if (N > 0 && P.Replied < FBudget) {
          const std::size_t Pass = std::min(static_cast<std::size_t>(N), FBudget - P.Replied);
          P.Replied += Pass;
          Closed = ::write(P.Client, Buffer, Pass) != static_cast<ssize_t>(Pass);
        }
      }
      if (Closed) {
        ::close(P.Client);
        ::close(P.Server);
      } else {
        Open.push_back(P);
      }
    }
    Pairs = std::move(Open);
  }
  for (const TPair& P : Pairs) {
    ::close(P.Client);
    ::close(P.Server);
  }
}

} // namespace TestSupport
