// A folder of a test's own under the system's temporary folder, removed with
// all it holds when the object goes. It is readable by every user, so that a
// test may run code as an unprivileged user on files in it; its removal gives
// the owner back the rights a test took away from it.
#pragma once

#include <filesystem>
#include <string>

namespace TestSupport {

class TTempDir {
public:
  // Raises std::runtime_error naming the folder when it cannot be made.
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // The path of Name inside the folder.
  std::string operator/(const std::string& Name) const { return (FPath / Name).string(); }

private:
  std::filesystem::path FPath;
};

} // namespace TestSupport
