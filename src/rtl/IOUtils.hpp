// Files beyond SysUtils: following symbolic links to the file they lead to,
// and the lock of a read-modify-write. SysUtils::SaveFileAtomically builds on
// them: it replaces the file a link leads to (in that file's folder), keeps
// the replaced file's mode, owner and group (owner and group where the system
// permits), refuses a target that is read-only (the user may not write it, or
// it has no write permission at all, which holds for root too) or that is no
// regular file (a folder, device, FIFO or socket), flushes the file and its
// folder, and names its temporary after the target (".NAME.ovsave-tmp"), so
// that one left by a process killed mid-save is taken over by the next save
// of the same file.
#pragma once

#include <string>

namespace IOUtils {

// The user's home folder: $HOME, else the password database's entry, else ".".
std::string HomePath();

// The file a path leads to once symbolic links are followed (it may not exist
// yet); a path that is no link comes back as it is.
std::string ResolveSymlinks(const std::string& FileName);

// An advisory lock on a file for a read-modify-write: taken before the file is
// read and held until its new content is saved, so that two programs updating
// the same file one after the other never lose a change. Every program that
// updates the file takes it (other programs are not stopped). The lock follows
// symbolic links and survives the file being replaced by SaveFileAtomically.
// A missing file, or one that is not a regular file, is not locked (reading or
// saving it reports the problem). Waits at most WaitMs for another holder,
// then raises SysUtils::EInOutError saying that another program is changing
// the file.
class TFileUpdateLock {
public:
  static constexpr int DefaultWaitMs = 5000;
  explicit TFileUpdateLock(const std::string& FileName, int WaitMs = DefaultWaitMs);
  ~TFileUpdateLock();
  TFileUpdateLock(const TFileUpdateLock&) = delete;
  TFileUpdateLock& operator=(const TFileUpdateLock&) = delete;
  bool Locked() const { return FFd >= 0; }

private:
  int FFd = -1;
};

} // namespace IOUtils
