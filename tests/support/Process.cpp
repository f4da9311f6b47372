#include "support/Process.hpp"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport {

void WriteFile(const std::string& FileName, const std::string& Text) {
  std::ofstream(FileName, std::ios::binary) << Text;
}

std::string ReadFile(const std::string& FileName) {
  std::ifstream Stream(FileName, std::ios::binary);
  if (!Stream)
    throw std::runtime_error("Cannot read " + FileName);
  return std::string(std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>());
}

void WriteRegistry(const std::string& FileName, const std::string& RootDir) {
  WriteFile(FileName, "[Software\\Orvane]\nRootDir=" + RootDir + "\n");
}

void TEnvironment::Set(const std::string& Name, const std::optional<std::string>& Value) {
  const char* Old = std::getenv(Name.c_str());
  FSaved.emplace_back(Name, Old ? std::optional<std::string>(Old) : std::nullopt);
  if (Value)
    ::setenv(Name.c_str(), Value->c_str(), 1);
  else
    ::unsetenv(Name.c_str());
}

TEnvironment::~TEnvironment() {
  for (auto It = FSaved.rbegin(); It != FSaved.rend(); ++It) {
    if (It->second)
      ::setenv(It->first.c_str(), It->second->c_str(), 1);
    else
      ::unsetenv(It->first.c_str());
  }
}

void UseRegistry(TEnvironment& Env, const std::string& FileName, const std::string& RootDir) {
  WriteRegistry(FileName, RootDir);
  Env.Set("ORVANE_REGISTRY", FileName);
}

bool DropPrivileges() {
  if (::geteuid() != 0)
    return true;
  return ::setgid(NobodyId) == 0 && ::setuid(NobodyId) == 0;
}

std::string RunUnprivileged(const std::function<std::string()>& Fn) {
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

TRunResult Run(const std::vector<std::string>& Args, const TEnv& Env, bool Unprivileged) {
  int OutPipe[2], ErrPipe[2];
  TRunResult R;
  if (::pipe(OutPipe) != 0 || ::pipe(ErrPipe) != 0)
    return R;
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    ::dup2(OutPipe[1], 1);
    ::dup2(ErrPipe[1], 2);
    // Only 1 and 2 lead to the pipes: a server the child leaves running in
    // the background, its output sent elsewhere, must not keep them open.
    for (const int Fd : {OutPipe[0], OutPipe[1], ErrPipe[0], ErrPipe[1]})
      if (Fd > 2)
        ::close(Fd);
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

std::string DesignerFile() {
#ifdef OV_DESIGNER
  return OV_DESIGNER;
#else
  throw std::runtime_error("This build has no designer host program");
#endif
}

std::string PackageFile() {
#ifdef OV_PACKAGE_FILE
  return OV_PACKAGE_FILE;
#else
  throw std::runtime_error("This build has no design package");
#endif
}

TRunResult RunDesigner(std::vector<std::string> Args, const std::string& Registry, TEnv Env,
                       bool Unprivileged) {
  Args.insert(Args.begin(), DesignerFile());
  Env.emplace(Env.begin(), "ORVANE_REGISTRY", Registry);
  Env.emplace(Env.begin() + 1, "ORVANE_PACKAGE", PackageFile());
  return Run(Args, Env, Unprivileged);
}

} // namespace TestSupport
