// Saving whole files keeps what it replaces: links, mode, owner and group;
// refuses what is no plain writable file; leaves no temporary behind, even
// after a save that was killed; and the update lock keeps two
// read-modify-writes apart.
#include "rtl/IOUtils.hpp"
#include "rtl/ScopeGuard.hpp"
#include "rtl/SysUtils.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace SysUtils;
using IOUtils::TFileUpdateLock;
namespace fs = std::filesystem;

namespace {

class FileSave : public ::testing::Test {
protected:
  void SetUp() override {
    char Tmpl[] = "/tmp/ov-save-XXXXXX";
    ASSERT_NE(::mkdtemp(Tmpl), nullptr);
    Dir = Tmpl;
  }
  void TearDown() override {
    std::error_code Ec;
    for (auto It = fs::recursive_directory_iterator(Dir, Ec);
         It != fs::recursive_directory_iterator(); It.increment(Ec))
      fs::permissions(It->path(), fs::perms::owner_all, fs::perm_options::add, Ec);
    fs::remove_all(Dir, Ec);
  }
  std::string Path(const std::string& Name) const { return Dir + "/" + Name; }
  std::vector<std::string> Names() const {
    std::vector<std::string> R;
    for (const auto& E : fs::directory_iterator(Dir))
      R.push_back(E.path().filename());
    std::sort(R.begin(), R.end());
    return R;
  }
  // A refused save: EInOutError naming the file and the reason.
  void ExpectRefused(const std::string& File, const std::string& Reason) {
    try {
      SaveFileAtomically(File, "new");
      ADD_FAILURE() << File << " was written";
    } catch (const EInOutError& E) {
      EXPECT_NE(E.Message().find(File), std::string::npos) << E.Message();
      EXPECT_NE(E.Message().find(Reason), std::string::npos) << E.Message();
    }
  }

  std::string Dir;
};

TEST_F(FileSave, LoadingReadsEveryByteOfFilesOfAnySizeAndNamesWhatFails) {
  std::string Binary(300 * 1024 + 7, '\0');
  for (size_t I = 0; I < Binary.size(); ++I)
    Binary[I] = static_cast<char>(I * 131 % 256);
  for (const std::string& Content : {std::string(), std::string("x"), Binary}) {
    SaveFileAtomically(Path("f"), Content);
    EXPECT_EQ(LoadFileToString(Path("f")), Content) << Content.size() << " bytes";
  }
  // A file whose size the system does not know beforehand is read to its end.
  EXPECT_NE(LoadFileToString("/proc/self/status").find("Name:"), std::string::npos);
  for (const auto& [File, Reason] :
       {std::pair<std::string, std::string>{Path("missing"), "Cannot open file"},
        {Dir, "Cannot read file"}}) {
    try {
      LoadFileToString(File);
      ADD_FAILURE() << File << " was read";
    } catch (const EInOutError& E) {
      EXPECT_NE(E.Message().find(Reason + " \"" + File + "\""), std::string::npos) << E.Message();
    }
  }
}

TEST_F(FileSave, ASymlinkIsFollowedAndTheFileItLeadsToReplaced) {
  fs::create_directory(Path("real"));
  SaveFileAtomically(Path("real/a.dfm"), "old");
  fs::create_symlink("real/a.dfm", Path("link.dfm"));
  fs::create_symlink(Path("link.dfm"), Path("link2.dfm")); // a chain, absolute
  SaveFileAtomically(Path("link2.dfm"), "new");
  EXPECT_TRUE(fs::is_symlink(Path("link.dfm")));
  EXPECT_TRUE(fs::is_symlink(Path("link2.dfm")));
  EXPECT_EQ(LoadFileToString(Path("real/a.dfm")), "new");
  EXPECT_EQ(Names(), (std::vector<std::string>{"link.dfm", "link2.dfm", "real"}));
  // A dangling link makes the file it names.
  fs::create_symlink("real/b.dfm", Path("dangling.dfm"));
  SaveFileAtomically(Path("dangling.dfm"), "made");
  EXPECT_TRUE(fs::is_symlink(Path("dangling.dfm")));
  EXPECT_EQ(LoadFileToString(Path("real/b.dfm")), "made");
  // A loop is refused.
  fs::create_symlink("loop2", Path("loop1"));
  fs::create_symlink("loop1", Path("loop2"));
  ExpectRefused(Path("loop1"), "symbolic links");
}

TEST_F(FileSave, ModeOwnerAndGroupAreKept) {
  const std::string File = Path("a.dfm");
  SaveFileAtomically(File, "one");
  ASSERT_EQ(::chmod(File.c_str(), 0640), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(File.c_str(), 65534, 65534), 0);
  }
  struct stat Before {};
  ::stat(File.c_str(), &Before);
  SaveFileAtomically(File, "two");
  struct stat After {};
  ::stat(File.c_str(), &After);
  EXPECT_EQ(LoadFileToString(File), "two");
  EXPECT_EQ(After.st_mode & 07777, 0640u);
  EXPECT_EQ(After.st_uid, Before.st_uid);
  EXPECT_EQ(After.st_gid, Before.st_gid);
  EXPECT_NE(After.st_ino, Before.st_ino) << "replaced by a rename, not rewritten in place";
}

TEST_F(FileSave, ReadOnlyFilesAndWhatIsNoRegularFileAreRefusedAndLeftAlone) {
  const std::string ReadOnly = Path("ro.dfm");
  SaveFileAtomically(ReadOnly, "kept");
  ASSERT_EQ(::chmod(ReadOnly.c_str(), 0444), 0);
  // Refused for root as well: nobody may write the file.
  ExpectRefused(ReadOnly, "read-only");
  EXPECT_EQ(LoadFileToString(ReadOnly), "kept");

  fs::create_directory(Path("folder"));
  ExpectRefused(Path("folder"), "a folder, not a regular file");
  EXPECT_TRUE(fs::is_directory(Path("folder")));

  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0666), 0);
  ExpectRefused(Path("fifo"), "a FIFO");
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));

  const int S = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un Addr{};
  Addr.sun_family = AF_UNIX;
  const std::string Sock = Path("sock");
  ASSERT_LT(Sock.size(), sizeof Addr.sun_path);
  std::copy(Sock.begin(), Sock.end(), Addr.sun_path);
  ASSERT_EQ(::bind(S, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr), 0);
  ExpectRefused(Sock, "a socket");
  EXPECT_TRUE(fs::is_socket(Sock));
  ::close(S);

  // A link to a device is followed and refused just the same.
  fs::create_symlink("/dev/null", Path("null-link"));
  ExpectRefused(Path("null-link"), "a character device");
  EXPECT_TRUE(fs::is_symlink(Path("null-link")));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"fifo", "folder", "null-link", "ro.dfm", "sock"}))
      << "no temporary may stay behind";
}

TEST_F(FileSave, ADeviceNodeIsRefusedAndStaysADevice) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "making a device node needs root";
  const std::string Node = Path("null");
  ASSERT_EQ(::mknod(Node.c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
  ExpectRefused(Node, "a character device, not a regular file");
  EXPECT_TRUE(fs::is_character_file(Node));
}

TEST_F(FileSave, ATemporaryLeftByAKilledSaveIsTakenOverByTheNextSave) {
  const std::string File = Path("a.dfm");
  SaveFileAtomically(File, "one");
  // What a save killed between writing its temporary and renaming it leaves.
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    ::signal(SIGUSR1, SIG_DFL);
    const std::string Temp = Dir + "/.a.dfm.ovsave-tmp";
    const int Fd = ::open(Temp.c_str(), O_RDWR | O_CREAT, 0600);
    (void)!::write(Fd, "half", 4);
    ::flock(Fd, LOCK_EX);
    ::kill(::getpid(), SIGKILL);
  }
  int Status = 0;
  ::waitpid(Pid, &Status, 0);
  ASSERT_TRUE(WIFSIGNALED(Status));
  EXPECT_EQ(Names(), (std::vector<std::string>{".a.dfm.ovsave-tmp", "a.dfm"}));
  SaveFileAtomically(File, "two");
  EXPECT_EQ(LoadFileToString(File), "two");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.dfm"}));

  // One that a live save still holds is not touched; this save takes a
  // name of its own and leaves nothing else behind.
  const std::string Temp = Path(".a.dfm.ovsave-tmp");
  const int Held = ::open(Temp.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(::flock(Held, LOCK_EX), 0);
  SaveFileAtomically(File, "three");
  EXPECT_EQ(LoadFileToString(File), "three");
  EXPECT_EQ(Names(), (std::vector<std::string>{".a.dfm.ovsave-tmp", "a.dfm"}));
  ::close(Held);
}

// A batch is all or nothing: a write that fails on any file (a full disk,
// injected here) or a refused target leaves every old file as it was, no
// new file and no temporary, and names the file that failed.
TEST_F(FileSave, ABatchThatFailsAnywhereLeavesTheFolderAsItWas) {
  SaveFileAtomically(Path("kept.sql"), "old");
  std::vector<std::pair<std::string, std::string>> Files;
  for (const char* Name : {"a.sql", "kept.sql", "b.sql", "c.sql"})
    Files.emplace_back(Path(Name), std::string("new ") + Name);
  const auto ExpectFailure = [&](const std::string& File, const std::string& Reason) {
    try {
      SaveFilesAtomically(Files);
      ADD_FAILURE() << "the batch was written";
    } catch (const EInOutError& E) {
      EXPECT_NE(E.Message().find(File), std::string::npos) << E.Message();
      EXPECT_NE(E.Message().find(Reason), std::string::npos) << E.Message();
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"kept.sql"}));
    EXPECT_EQ(LoadFileToString(Path("kept.sql")), "old");
  };
  FailFileWriteForTesting(3, ENOSPC);
  ExpectFailure(Path("b.sql"), "No space left on device");
  FailFileWriteForTesting(1, EIO);
  ExpectFailure(Path("a.sql"), "Input/output error");
  FailFileWriteForTesting(0, 0);

  ::chmod(Path("kept.sql").c_str(), 0444);
  ExpectFailure(Path("kept.sql"), "read-only");
  ::chmod(Path("kept.sql").c_str(), 0644);

  SaveFilesAtomically(Files);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.sql", "b.sql", "c.sql", "kept.sql"}));
  EXPECT_EQ(LoadFileToString(Path("kept.sql")), "new kept.sql");
  EXPECT_EQ(LoadFileToString(Path("c.sql")), "new c.sql");
  SaveFilesAtomically({});
}

// Ctrl-C before the renames: nothing is written.
TEST_F(FileSave, ABatchInterruptedBeforeItsRenamesWritesNothing) {
  Interrupt();
  try {
    SaveFilesAtomically({{Path("a.sql"), "a"}, {Path("b.sql"), "b"}});
    ADD_FAILURE() << "the batch was written";
  } catch (const EInOutError& E) {
    EXPECT_NE(E.Message().find("cancelled"), std::string::npos) << E.Message();
  }
  ClearInterrupt();
  EXPECT_TRUE(Names().empty());
}

// A real full disk: a small tmpfs, where root may mount one.
TEST_F(FileSave, ABatchOnAFullDiskLeavesNothing) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "mounting a tmpfs needs root";
  const std::string Mount = Path("small");
  fs::create_directory(Mount);
  const std::string Command = "mount -t tmpfs -o size=64k ovtest " + Mount + " 2>/dev/null";
  if (std::system(Command.c_str()) != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  const ScopeGuard::TFinally Unmount(
      [&] { [[maybe_unused]] const int R = std::system(("umount " + Mount).c_str()); });
  std::vector<std::pair<std::string, std::string>> Files;
  for (int I = 0; I < 40; ++I)
    Files.emplace_back(Mount + "/t" + std::to_string(I) + ".sql", std::string(4096, 'x'));
  try {
    SaveFilesAtomically(Files);
    ADD_FAILURE() << "40 files of 4 KiB fit into 64 KiB";
  } catch (const EInOutError& E) {
    EXPECT_NE(E.Message().find("No space left on device"), std::string::npos) << E.Message();
  }
  EXPECT_TRUE(fs::is_empty(Mount));
  Files.resize(4);
  SaveFilesAtomically(Files);
  EXPECT_EQ(LoadFileToString(Files[3].first), std::string(4096, 'x'));
}

TEST_F(FileSave, TheUpdateLockMakesASecondUpdaterWaitAndThenFail) {
  const std::string File = Path("a.dfm");
  SaveFileAtomically(File, "one");
  fs::create_symlink("a.dfm", Path("link.dfm"));
  {
    TFileUpdateLock First(File);
    ASSERT_TRUE(First.Locked());
    try {
      TFileUpdateLock Second(Path("link.dfm"), 100); // the same file through its link
      ADD_FAILURE() << "locked twice";
    } catch (const EInOutError& E) {
      EXPECT_NE(E.Message().find("another program is changing it"), std::string::npos)
          << E.Message();
    }
  }
  TFileUpdateLock Again(File, 100);
  EXPECT_TRUE(Again.Locked());
  // Nothing to lock: the command reports the missing file itself.
  EXPECT_FALSE(TFileUpdateLock(Path("missing.dfm")).Locked());
}

TEST_F(FileSave, AWaiterLocksTheFileThatReplacedTheOneItWaitedFor) {
  const std::string File = Path("a.dfm");
  SaveFileAtomically(File, "one");
  auto First = std::make_unique<TFileUpdateLock>(File);
  std::unique_ptr<TFileUpdateLock> Second;
  std::thread Waiter([&] { Second = std::make_unique<TFileUpdateLock>(File); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  SaveFileAtomically(File, "two"); // the first updater's save replaces the file
  First.reset();
  Waiter.join();
  ASSERT_TRUE(Second && Second->Locked());
  // The second holds the lock of the file as it is now: a third must wait.
  EXPECT_THROW(TFileUpdateLock(File, 50), EInOutError);
}

} // namespace
