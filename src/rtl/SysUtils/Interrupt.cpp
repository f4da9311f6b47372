// Ctrl-C as a request to stop the work in hand rather than a kill: a flag,
// and a pipe that becomes readable, so that a wait on a socket wakes too.
#include "rtl/SysUtils.hpp"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace SysUtils {

namespace {

std::atomic<bool> FInterrupted{false};
std::atomic<int> FReadFd{-1};
std::atomic<int> FWriteFd{-1};

void MakePipe() noexcept {
  if (FReadFd.load() >= 0)
    return;
  int Fds[2];
  if (::pipe2(Fds, O_CLOEXEC | O_NONBLOCK) != 0)
    return;
  int Expected = -1;
  if (!FReadFd.compare_exchange_strong(Expected, Fds[0])) {
    ::close(Fds[0]);
    ::close(Fds[1]);
    return;
  }
  FWriteFd.store(Fds[1]);
}

void OnSignal(int Signal) {
  if (FInterrupted.load()) {
    // The second one: the user means it.
    std::signal(Signal, SIG_DFL);
    std::raise(Signal);
    return;
  }
  const int Saved = errno;
  Interrupt();
  errno = Saved;
}

} // namespace

void InstallInterruptHandler() {
  MakePipe();
  struct sigaction Action {};
  Action.sa_handler = OnSignal;
  sigemptyset(&Action.sa_mask);
  // No SA_RESTART: a wait in poll() returns at once and looks at the flag.
  Action.sa_flags = 0;
  ::sigaction(SIGINT, &Action, nullptr);
  ::sigaction(SIGTERM, &Action, nullptr);
}

void Interrupt() noexcept {
  MakePipe();
  FInterrupted.store(true);
  if (const int Fd = FWriteFd.load(); Fd >= 0) {
    const char Byte = 1;
    [[maybe_unused]] const ssize_t N = ::write(Fd, &Byte, 1);
  }
}

bool Interrupted() noexcept {
  return FInterrupted.load(std::memory_order_relaxed);
}

int InterruptFd() noexcept {
  MakePipe();
  return FReadFd.load();
}

void ClearInterrupt() noexcept {
  FInterrupted.store(false);
  if (const int Fd = FReadFd.load(); Fd >= 0) {
    char Buffer[64];
    while (::read(Fd, Buffer, sizeof Buffer) > 0) {
    }
  }
}

} // namespace SysUtils
