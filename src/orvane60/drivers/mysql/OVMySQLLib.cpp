#include "orvane60/drivers/mysql/OVMySQLLib.hpp"

#include "orvane60/drivers/OVDriver.hpp"

#include <atomic>
#include <dlfcn.h>
#include <mutex>
#include <string>

namespace OVDriver::OVMySQL::Lib {

namespace {

constexpr const char* LibraryName = "libmariadb.so.3";

std::string LoaderError() {
  const char* Text = ::dlerror();
  return Text ? Text : "unknown reason";
}

// Resolves every entry point, or raises; a handle that lacks one is closed.
TApi Load() {
  ::dlerror();
  void* Handle = ::dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
  if (!Handle)
    throw EDriverError("Cannot load the MySQL client library " + std::string(LibraryName) +
                           " (Debian package libmariadb3)",
                       LoaderError());
  TApi Api;
#define OV_MYSQL_RESOLVE(Name)                                                                     \
  Api.Name = reinterpret_cast<decltype(Api.Name)>(::dlsym(Handle, #Name));                         \
  if (!Api.Name) {                                                                                 \
    const std::string Why = LoaderError();                                                         \
    ::dlclose(Handle);                                                                             \
    throw EDriverError("The MySQL client library " + std::string(LibraryName) + " lacks " #Name,   \
                       Why);                                                                       \
  }
  OV_MYSQL_FUNCTIONS(OV_MYSQL_RESOLVE)
#undef OV_MYSQL_RESOLVE
  // Stays loaded for the life of the process, as libpq does.
  return Api;
}

} // namespace

const TApi& Api() {
  static std::atomic<const TApi*> Current{nullptr};
  if (const TApi* Loaded = Current.load(std::memory_order_acquire))
    return *Loaded;
  static std::mutex Lock;
  static TApi Loaded;
  const std::lock_guard<std::mutex> Guard(Lock);
  if (!Current.load(std::memory_order_relaxed)) {
    Loaded = Load();
    Current.store(&Loaded, std::memory_order_release);
  }
  return Loaded;
}

} // namespace OVDriver::OVMySQL::Lib
