// Which folders the user trusts with design files. A design file connects to
// databases, runs SQL and writes monitor logs when it is opened with its
// stored state; one from elsewhere (a mail, a download) must not do that
// before the user said so. The trusted folders are kept in the registry file,
// one per value of the key below (the value names are numbers):
//
//   [Software\Orvane\Designer\Trusted Folders]
//   1=/home/me/projects
//
// A folder is trusted with everything below it. Folders are compared with
// their symbolic links resolved.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace Classes {
class TComponent;
}

namespace DesignTrust {

inline constexpr const char* TrustedFoldersKey = "Software\\Orvane\\Designer\\Trusted Folders";

// The folder of a design file, symbolic links resolved.
std::string FolderOf(const std::string& FileName);
// The trusted folders as the registry file lists them.
std::vector<std::string> TrustedFolders();
// Whether Folder is a trusted folder or lies below one.
bool IsTrustedFolder(const std::string& Folder);
// Adds Folder to the list (once); raises ERegistryException naming the
// registry file when it cannot be written.
void TrustFolder(const std::string& Folder);

// How the design files this process reads are trusted.
struct TPolicy {
  // Every file (the command line's --trust).
  bool TrustAll = false;
  // The command only reads design files: an untrusted one never connects,
  // not even when asked to. Otherwise (the window, a command that edits)
  // its stored state is held and connecting on purpose works (and
  // OnConnect hears of it).
  bool ReadOnly = false;
  // The window's question, for a file whose stored state was held: whether
  // to trust its folder (then remembered, and the file read again).
  std::function<bool(const std::string& Folder)> Ask;
  std::function<void(const Classes::TComponent*)> OnConnect;
};
TPolicy& Policy();

// Before reading FileName: sets the database layer's trust of design files
// as the policy and the list say; whether the file is trusted.
bool BeginReading(const std::string& FileName);
// After reading an untrusted file: whether it must be read again, trusted,
// because it held stored state and the user, asked, trusted its folder
// (which is then in the list, and the trust set).
bool ReadAgainTrusted(const std::string& FileName);

} // namespace DesignTrust
