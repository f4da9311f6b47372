#include "orvane60/drivers/mysql/OVMySQLLib.hpp"

#include "orvane60/drivers/ClientLibrary.hpp"

namespace OVDriver::OVMySQL::Lib {

namespace {

constexpr TClientLibrary Library{"libmariadb.so.3", "MySQL", " (Debian package libmariadb3)"};

// Resolves every entry point, or raises; a handle that lacks one is closed.
TApi Load() {
  void* Handle = OpenClientLibrary(Library);
  TApi Api;
#define OV_MYSQL_RESOLVE(Name)                                                                     \
  Api.Name = reinterpret_cast<decltype(Api.Name)>(ClientLibrarySymbol(Handle, Library, #Name));
  OV_MYSQL_FUNCTIONS(OV_MYSQL_RESOLVE)
#undef OV_MYSQL_RESOLVE
  return Api;
}

} // namespace

const TApi& Api() {
  return LoadedOnce<TApi, Load>();
}

} // namespace OVDriver::OVMySQL::Lib
