// The database object the command tests' design files share.
#pragma once

#include <string>

namespace HostTest {

// OVDatabase1 of a design file: the database Shop on RemoteDatabase, with
// Lines ("    Name = Value\n" each) after those two.
inline std::string ShopDatabaseObject(const std::string& RemoteDatabase,
                                      const std::string& Lines = "") {
  return "  object OVDatabase1: TOVDatabase\n"
         "    DatabaseName = 'Shop'\n"
         "    RemoteDatabase = '" +
         RemoteDatabase + "'\n" + Lines + "  end\n";
}

} // namespace HostTest
