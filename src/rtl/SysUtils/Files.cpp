// Saving whole files so that what they replace survives the save (see
// IOUtils.hpp for what it keeps and refuses).
#include "rtl/SysUtils.hpp"

#include "rtl/IOUtils.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SysUtils {

namespace {

[[noreturn]] void CannotWrite(const std::string& FileName, const std::string& Reason) {
  throw EInOutError(Format("Cannot write file \"%s\": %s", FileName, Reason));
}

const char* KindOf(mode_t Mode) {
  if (S_ISDIR(Mode))
    return "a folder";
  if (S_ISCHR(Mode))
    return "a character device";
  if (S_ISBLK(Mode))
    return "a block device";
  if (S_ISFIFO(Mode))
    return "a FIFO";
  if (S_ISSOCK(Mode))
    return "a socket";
  return "a special file";
}

bool SameFile(const struct stat& A, const struct stat& B) {
  return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

// The temporary of a save, under the name that belongs to its target. One
// found there is ours to take over when it is a plain file of this user that
// no live save holds (saves hold its lock until they have renamed it); then
// it was left by a save that died. Anything else there (another user's file,
// a link, one being written) makes the caller fall back to a unique name.
int OpenNamedTemporary(const std::string& Temp) {
  const int Fd = ::open(Temp.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (Fd < 0)
    return -1;
  struct stat St {
  }, Now{};
  // The name must still lead to the file locked: a save that renamed it to
  // its target a moment ago let go of the lock, and that file is now the
  // target itself.
  if (::fstat(Fd, &St) != 0 || !S_ISREG(St.st_mode) || St.st_nlink != 1 ||
      St.st_uid != ::geteuid() || ::flock(Fd, LOCK_EX | LOCK_NB) != 0 ||
      ::lstat(Temp.c_str(), &Now) != 0 || !SameFile(St, Now) || ::ftruncate(Fd, 0) != 0) {
    ::close(Fd);
    return -1;
  }
  return Fd;
}

// Makes the rename last: a folder that cannot be flushed (some file systems
// do not support it) is no error, a failing disk is.
void SyncFolder(const std::string& FileName, const std::string& Folder) {
  const int Fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0)
    return;
  const int Result = ::fsync(Fd);
  const int Err = errno;
  ::close(Fd);
  if (Result != 0 && Err == EIO)
    CannotWrite(FileName, SysErrorMessage(Err));
}

} // namespace

namespace {

std::atomic<int> FFailingWrite{0};
std::atomic<int> FFailingWriteError{0};

// One file of a save between its temporary and its rename.
struct TPendingFile {
  std::string FileName; // as the caller named it, for messages
  std::string Target;   // symbolic links resolved
  std::string Folder;
  std::string Temp;
  bool Existed = false;
  int Fd = -1;
};

// Checks the target, makes its temporary with the target's mode, owner and
// group, and writes Data into it; raises naming the file, with nothing
// left behind. Named: the temporary under the target's own name, locked,
// taking over one a dead save left; else a unique name.
TPendingFile WriteTemporary(const std::string& FileName, std::string_view Data, bool Named) {
  TPendingFile File;
  File.FileName = FileName;
  File.Target = IOUtils::ResolveSymlinks(FileName);
  const std::string& Target = File.Target;
  struct stat Old {};
  const bool Exists = ::lstat(Target.c_str(), &Old) == 0;
  if (!Exists && errno != ENOENT)
    CannotWrite(FileName, SysErrorMessage(errno));
  File.Existed = Exists;
  if (Exists) {
    if (S_ISLNK(Old.st_mode))
      CannotWrite(FileName, SysErrorMessage(ELOOP));
    if (!S_ISREG(Old.st_mode))
      CannotWrite(FileName, Format("it is %s, not a regular file", KindOf(Old.st_mode)));
    // Root may write anything; a file without any write permission is still
    // one its owner meant to keep as it is.
    if ((Old.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, Target.c_str(), W_OK, AT_EACCESS) != 0)
      CannotWrite(FileName, "it is read-only");
  }

  const std::string Dir = ExtractFilePath(Target);
  File.Folder = Dir.empty() ? std::string("./") : Dir;
  std::string Name = ExtractFileName(Target);
  // Long names leave room for the suffix within the system's name limit.
  if (Name.size() > 200)
    Name.resize(200);
  std::string& Temp = File.Temp;
  Temp = File.Folder + "." + Name + ".ovsave-tmp";
  int& Fd = File.Fd;
  if (Named)
    Fd = OpenNamedTemporary(Temp);
  if (Fd < 0) {
    Temp += "-XXXXXX";
    Fd = ::mkstemp(Temp.data());
    if (Fd < 0)
      CannotWrite(FileName, SysErrorMessage(errno));
  }
  const auto Fail = [&](int Err) {
    ::unlink(Temp.c_str());
    ::close(Fd);
    CannotWrite(FileName, SysErrorMessage(Err));
  };

  // Mode, owner and group of the file being replaced; a new file gets the
  // usual 0666 less the umask. Owner and group are set first (a change of
  // owner clears the set-id bits); where the system does not permit keeping
  // them, the set-id bits are not carried over to a file of another owner.
  mode_t Mode = 0;
  if (Exists) {
    Mode = Old.st_mode & 07777;
    struct stat Mine {};
    if (::fstat(Fd, &Mine) != 0)
      Fail(errno);
    if ((Mine.st_uid != Old.st_uid || Mine.st_gid != Old.st_gid) &&
        ::fchown(Fd, Old.st_uid, Old.st_gid) != 0) {
      if (::fchown(Fd, static_cast<uid_t>(-1), Old.st_gid) != 0 || Mine.st_uid != Old.st_uid)
        Mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    }
  } else {
    const mode_t Mask = ::umask(0);
    ::umask(Mask);
    Mode = 0666 & ~Mask;
  }
  if (::fchmod(Fd, Mode) != 0)
    Fail(errno);

  if (FFailingWrite.load() > 0 && FFailingWrite.fetch_sub(1) == 1)
    Fail(FFailingWriteError.load());
  size_t Done = 0;
  while (Done < Data.size()) {
    const ssize_t N = ::write(Fd, Data.data() + Done, Data.size() - Done);
    if (N < 0) {
      if (errno == EINTR)
        continue;
      Fail(errno);
    }
    Done += static_cast<size_t>(N);
  }
  return File;
}

} // namespace

void FailFileWriteForTesting(int Count, int ErrorCode) {
  FFailingWriteError.store(ErrorCode);
  FFailingWrite.store(std::max(0, Count));
}

void SaveFileAtomically(const std::string& FileName, std::string_view Data) {
  TPendingFile File = WriteTemporary(FileName, Data, true);
  const auto Fail = [&](int Err) {
    ::unlink(File.Temp.c_str());
    ::close(File.Fd);
    CannotWrite(FileName, SysErrorMessage(Err));
  };
  if (::fsync(File.Fd) != 0)
    Fail(errno);
  // Renamed while its lock is held, so no other save takes it over meanwhile.
  if (::rename(File.Temp.c_str(), File.Target.c_str()) != 0)
    Fail(errno);
  if (::close(File.Fd) != 0)
    CannotWrite(FileName, SysErrorMessage(errno));
  SyncFolder(FileName, File.Folder);
}

void SaveFilesAtomically(const std::vector<std::pair<std::string, std::string>>& Files) {
  // Temporaries under unique names, each closed once written: a batch may
  // hold more files than a process may keep open.
  std::vector<TPendingFile> Pending;
  Pending.reserve(Files.size());
  const auto RemoveTemporaries = [&](size_t From) {
    for (size_t I = From; I < Pending.size(); ++I)
      ::unlink(Pending[I].Temp.c_str());
  };
  const auto Fail = [&](const std::string& FileName, const std::string& Why) {
    RemoveTemporaries(0);
    CannotWrite(FileName, Why);
  };
  for (const auto& [FileName, Data] : Files) {
    if (Interrupted())
      Fail(FileName, "cancelled (Ctrl-C)");
    try {
      Pending.push_back(WriteTemporary(FileName, Data, false));
    } catch (...) {
      RemoveTemporaries(0);
      throw;
    }
    TPendingFile& File = Pending.back();
    const int Closed = ::close(File.Fd);
    File.Fd = -1;
    if (Closed != 0)
      Fail(FileName, SysErrorMessage(errno));
  }
  if (Pending.empty())
    return;

  // One flush for the lot: syncfs writes out the file system that holds
  // them (one call however many files); where the temporaries lie on more
  // than one, or syncfs fails, each is flushed on its own.
  std::vector<std::string> Folders;
  for (const TPendingFile& File : Pending)
    if (std::find(Folders.begin(), Folders.end(), File.Folder) == Folders.end())
      Folders.push_back(File.Folder);
  struct stat First {};
  bool OneFileSystem = ::stat(Folders.front().c_str(), &First) == 0;
  for (size_t I = 1; OneFileSystem && I < Folders.size(); ++I) {
    struct stat Other {};
    OneFileSystem = ::stat(Folders[I].c_str(), &Other) == 0 && Other.st_dev == First.st_dev;
  }
  bool Synced = false;
  if (OneFileSystem) {
    const int Fd = ::open(Folders.front().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Synced = Fd >= 0 && ::syncfs(Fd) == 0;
    if (Fd >= 0)
      ::close(Fd);
  }
  for (size_t I = 0; !Synced && I < Pending.size(); ++I) {
    const int Fd = ::open(Pending[I].Temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0 || ::fdatasync(Fd) != 0) {
      const int Err = errno;
      if (Fd >= 0)
        ::close(Fd);
      Fail(Pending[I].FileName, SysErrorMessage(Err));
    }
    ::close(Fd);
  }
  if (Interrupted())
    Fail(Pending.front().FileName, "cancelled (Ctrl-C)");

  for (size_t I = 0; I < Pending.size(); ++I) {
    if (::rename(Pending[I].Temp.c_str(), Pending[I].Target.c_str()) == 0)
      continue;
    // Rare (the folder changed under us): the files this batch made are
    // taken back; the ones it replaced cannot be.
    const int Err = errno;
    RemoveTemporaries(I);
    for (size_t J = 0; J < I; ++J)
      if (!Pending[J].Existed)
        ::unlink(Pending[J].Target.c_str());
    CannotWrite(Pending[I].FileName, SysErrorMessage(Err));
  }
  for (const std::string& Folder : Folders)
    SyncFolder(Pending.front().FileName, Folder);
}

} // namespace SysUtils
