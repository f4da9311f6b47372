// Files, the environment and other programs, as the tests use them: running
// a program (the designer host's command line above all) and collecting its
// output, and running code as a user that file permissions apply to (the
// tests may run as root, which they do not stop).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace TestSupport {

inline constexpr uid_t NobodyId = 65534;

using TEnv = std::vector<std::pair<std::string, std::string>>;

void WriteFile(const std::string& FileName, const std::string& Text);
// Raises std::runtime_error naming the file when it cannot be read.
std::string ReadFile(const std::string& FileName);

// Writes a registry file that points the package's settings at RootDir.
void WriteRegistry(const std::string& FileName, const std::string& RootDir);

// Sets environment variables for the lifetime of the object.
class TEnvironment {
public:
  TEnvironment() = default;
  TEnvironment(const TEnvironment&) = delete;
  TEnvironment& operator=(const TEnvironment&) = delete;
  ~TEnvironment();
  // An absent Value removes the variable.
  void Set(const std::string& Name, const std::optional<std::string>& Value);

private:
  std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

// Writes the registry file FileName that points the package's settings at
// RootDir, and has ORVANE_REGISTRY name it while Env lives.
void UseRegistry(TEnvironment& Env, const std::string& FileName, const std::string& RootDir);

// Drops root's privileges in a child process (a no-op for other users).
bool DropPrivileges();

// Runs Fn in a child process without root's privileges and returns what it
// returned.
std::string RunUnprivileged(const std::function<std::string()>& Fn);

struct TRunResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

// Runs a program with its arguments and extra environment entries, and
// collects its output; Unprivileged runs it as "nobody" when the tests run
// as root.
TRunResult Run(const std::vector<std::string>& Args, const TEnv& Env = {},
               bool Unprivileged = false);

// The designer host program and the design package of the build.
std::string DesignerFile();
std::string PackageFile();

// Runs the designer host's command line with Args, on the build's package and
// the registry file Registry, with Env added.
TRunResult RunDesigner(std::vector<std::string> Args, const std::string& Registry, TEnv Env = {},
                       bool Unprivileged = false);

} // namespace TestSupport
