#include "rtl/IOUtils.hpp"

#include "rtl/SysUtils.hpp"

#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace IOUtils {

using SysUtils::EInOutError;
using SysUtils::Format;

std::string HomePath() {
  std::string Home = SysUtils::GetEnvironmentVariable("HOME");
  if (!Home.empty())
    return Home;
  if (const passwd* Pw = ::getpwuid(::getuid()); Pw && Pw->pw_dir)
    return Pw->pw_dir;
  return ".";
}

std::string ResolveSymlinks(const std::string& FileName) {
  std::string Path = FileName;
  // As many links as the system itself follows; a loop stays a link, and
  // saving to it then fails with the system's reason.
  for (int Hops = 0; Hops < 40; ++Hops) {
    struct stat St {};
    if (::lstat(Path.c_str(), &St) != 0 || !S_ISLNK(St.st_mode))
      return Path;
    std::string Target(PATH_MAX, '\0');
    const ssize_t N = ::readlink(Path.c_str(), Target.data(), Target.size());
    if (N <= 0)
      return Path;
    Target.resize(static_cast<size_t>(N));
    Path = Target.front() == '/' ? Target : SysUtils::ExtractFilePath(Path) + Target;
  }
  return Path;
}

TFileUpdateLock::TFileUpdateLock(const std::string& FileName, int WaitMs) {
  using namespace std::chrono;
  const std::string Target = ResolveSymlinks(FileName);
  const auto Deadline = steady_clock::now() + milliseconds(WaitMs);
  for (;;) {
    const int Fd = ::open(Target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (Fd < 0)
      return;
    struct stat St {};
    if (::fstat(Fd, &St) != 0 || !S_ISREG(St.st_mode)) {
      ::close(Fd);
      return;
    }
    if (::flock(Fd, LOCK_EX | LOCK_NB) == 0) {
      // A save replaces the file; a lock on the one it replaced guards
      // nothing any more, so the new one is locked instead.
      struct stat Now {};
      if (::stat(Target.c_str(), &Now) == 0 && St.st_dev == Now.st_dev && St.st_ino == Now.st_ino) {
        FFd = Fd;
        return;
      }
      ::close(Fd);
      continue;
    }
    const int Err = errno;
    ::close(Fd);
    // A file system without locks: the update goes on as it would have.
    if (Err != EWOULDBLOCK)
      return;
    if (steady_clock::now() >= Deadline)
      throw EInOutError(Format("Cannot change \"%s\": another program is changing it (it holds "
                               "the file's lock); try again when it has finished",
                               FileName));
    std::this_thread::sleep_for(milliseconds(20));
  }
}

TFileUpdateLock::~TFileUpdateLock() {
  if (FFd >= 0)
    ::close(FFd);
}

} // namespace IOUtils
