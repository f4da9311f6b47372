#include "support/TempDir.hpp"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <stdlib.h>

namespace TestSupport {

namespace fs = std::filesystem;

TTempDir::TTempDir() {
  std::string Template = (fs::temp_directory_path() / "ovtest-XXXXXX").string();
  if (!::mkdtemp(Template.data()))
    throw std::runtime_error("Cannot make a temporary folder " + Template + ": " +
                             std::strerror(errno));
  FPath = Template;
  fs::permissions(FPath, fs::perms::all);
}

TTempDir::~TTempDir() {
  std::error_code Ec;
  fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, Ec);
  for (auto It = fs::recursive_directory_iterator(FPath, Ec);
       It != fs::recursive_directory_iterator(); It.increment(Ec))
    fs::permissions(It->path(), fs::perms::owner_all, fs::perm_options::add, Ec);
  fs::remove_all(FPath, Ec);
}

} // namespace TestSupport
