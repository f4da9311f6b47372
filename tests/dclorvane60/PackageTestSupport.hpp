// What the package and host tests share: a temporary folder, a registry file
// of their own, and running code or programs as a user that file permissions
// apply to (the tests may run as root, which they do not stop).
#pragma once

#include "rtl/SysUtils.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace PackageTestSupport {

inline constexpr uid_t NobodyId = 65534;

class TTempDir {
public:
  TTempDir() {
    char Tmpl[] = "/tmp/ov-pkg-XXXXXX";
    if (::mkdtemp(Tmpl))
      FPath = Tmpl;
    // Readable by the unprivileged user the tests switch to.
    std::filesystem::permissions(FPath, std::filesystem::perms::all);
  }
  ~TTempDir() {
    std::error_code Ec;
    for (auto It = std::filesystem::recursive_directory_iterator(FPath, Ec);
         It != std::filesystem::recursive_directory_iterator(); It.increment(Ec))
      std::filesystem::permissions(It->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, Ec);
    std::filesystem::remove_all(FPath, Ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& Name) const { return FPath + "/" + Name; }

private:
  std::string FPath;
};

inline void WriteFile(const std::string& FileName, const std::string& Text) {
  std::ofstream(FileName, std::ios::binary) << Text;
}

inline std::string ReadFile(const std::string& FileName) {
  return SysUtils::LoadFileToString(FileName);
}

// Sets environment variables for the lifetime of the object.
class TEnvironment {
public:
  void Set(const std::string& Name, const std::optional<std::string>& Value) {
    const char* Old = std::getenv(Name.c_str());
    FSaved.emplace_back(Name, Old ? std::optional<std::string>(Old) : std::nullopt);
    if (Value)
      ::setenv(Name.c_str(), Value->c_str(), 1);
    else
      ::unsetenv(Name.c_str());
  }
  ~TEnvironment() {
    for (auto It = FSaved.rbegin(); It != FSaved.rend(); ++It) {
      if (It->second)
        ::setenv(It->first.c_str(), It->second->c_str(), 1);
      else
        ::unsetenv(It->first.c_str());
    }
  }

private:
  std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

// Drops root's privileges in a child process (a no-op for other users).
inline bool DropPrivileges() {
  if (::geteuid() != 0)
    return true;
  return ::setgid(NobodyId) == 0 && ::setuid(NobodyId) == 0;
}

// Runs Fn in a child process without root's privileges and returns what it
// returned.
inline std::string RunUnprivileged(const std::function<std::string()>& Fn) {
  int Pipe[2];
  if (::pipe(Pipe) != 0)
    return "pipe failed";
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    ::close(Pipe[0]);
    const std::string Out = DropPrivileges() ? Fn() : "cannot drop privileges";
    (void)!::write(Pipe[1], Out.data(), Out.size());
    ::_exit(0);
  }
  ::close(Pipe[1]);
  std::string Result;
  char Buf[4096];
  for (ssize_t N; (N = ::read(Pipe[0], Buf, sizeof Buf)) > 0;)
    Result.append(Buf, static_cast<size_t>(N));
  ::close(Pipe[0]);
  int Status = 0;
  ::waitpid(Pid, &Status, 0);
  return Result;
}

struct TRunResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

// Runs a program with its arguments and extra environment entries, and
// collects its output; Unprivileged runs it as "nobody" when the tests run
// as root.
inline TRunResult Run(const std::vector<std::string>& Args,
                      const std::vector<std::pair<std::string, std::string>>& Env = {},
                      bool Unprivileged = false) {
  int OutPipe[2], ErrPipe[2];
  TRunResult R;
  if (::pipe(OutPipe) != 0 || ::pipe(ErrPipe) != 0)
    return R;
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    ::dup2(OutPipe[1], 1);
    ::dup2(ErrPipe[1], 2);
    ::close(OutPipe[0]);
    ::close(ErrPipe[0]);
    for (const auto& [Name, Value] : Env)
      ::setenv(Name.c_str(), Value.c_str(), 1);
    if (Unprivileged && !DropPrivileges())
      ::_exit(126);
    std::vector<char*> Argv;
    for (const auto& A : Args)
      Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);
    ::execv(Argv[0], Argv.data());
    ::_exit(127);
  }
  ::close(OutPipe[1]);
  ::close(ErrPipe[1]);
  // Both pipes are drained together so a chatty child never blocks.
  auto Drain = [](int Fd, std::string& Into) {
    char Buf[4096];
    const ssize_t N = ::read(Fd, Buf, sizeof Buf);
    if (N > 0)
      Into.append(Buf, static_cast<size_t>(N));
    return N > 0;
  };
  bool OutOpen = true, ErrOpen = true;
  while (OutOpen || ErrOpen) {
    fd_set Set;
    FD_ZERO(&Set);
    if (OutOpen)
      FD_SET(OutPipe[0], &Set);
    if (ErrOpen)
      FD_SET(ErrPipe[0], &Set);
    if (::select(std::max(OutPipe[0], ErrPipe[0]) + 1, &Set, nullptr, nullptr, nullptr) < 0)
      break;
    if (OutOpen && FD_ISSET(OutPipe[0], &Set))
      OutOpen = Drain(OutPipe[0], R.Out);
    if (ErrOpen && FD_ISSET(ErrPipe[0], &Set))
      ErrOpen = Drain(ErrPipe[0], R.Err);
  }
  ::close(OutPipe[0]);
  ::close(ErrPipe[0]);
  int Status = 0;
  ::waitpid(Pid, &Status, 0);
  R.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  return R;
}

} // namespace PackageTestSupport
