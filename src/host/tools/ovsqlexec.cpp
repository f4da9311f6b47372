// ovsqlexec DATABASE SCRIPT: makes a fresh SQLite database from an SQL script,
// as the build does for the demo database. The database appears only when the
// whole script ran: it is built under a temporary name and renamed.
#include "orvane60/drivers/OVDriver.hpp"
#include "rtl/SysUtils.hpp"

#include <cstdio>
#include <exception>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ovsqlexec DATABASE SCRIPT\n");
    return 2;
  }
  const std::string Database = argv[1], Script = argv[2];
  const std::string Temp = Database + ".tmp";
  try {
    const std::string Sql = SysUtils::LoadFileToString(Script);
    ::unlink(Temp.c_str());
    {
      OVDriver::TDriver* Driver = OVDriver::FindDriver("SQLite");
      if (!Driver)
        throw std::runtime_error("the SQLite driver is missing");
      OVDriver::TConnectParams Params;
      Params.RemoteDatabase = Temp;
      Params.Extra.emplace_back("CREATE", "TRUE");
      auto Connection = Driver->Connect(Params);
      Connection->ExecuteScript(Sql);
    }
    if (std::rename(Temp.c_str(), Database.c_str()) != 0)
      throw std::runtime_error("cannot rename " + Temp + " to " + Database + ": " +
                               SysUtils::SysErrorMessage(errno));
  } catch (const std::exception& E) {
    ::unlink(Temp.c_str());
    std::fprintf(stderr, "ovsqlexec: %s: %s\n", Script.c_str(), E.what());
    return 1;
  }
  return 0;
}
