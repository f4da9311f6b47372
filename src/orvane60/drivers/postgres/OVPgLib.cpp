#include "orvane60/drivers/postgres/OVPgLib.hpp"

#include "orvane60/drivers/OVDriver.hpp"

#include <atomic>
#include <dlfcn.h>
#include <mutex>
#include <string>

namespace OVDriver::OVPg::Lib {

namespace {

constexpr const char* LibraryName = "libpq.so.5";

std::string LoaderError() {
  const char* Text = ::dlerror();
  return Text ? Text : "unknown reason";
}

// Resolves every entry point, or raises; a handle that lacks one is closed.
TApi Load() {
  ::dlerror();
  void* Handle = ::dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
  if (!Handle)
    throw EDriverError("Cannot load the PostgreSQL client library " + std::string(LibraryName),
                       LoaderError());
  TApi Api;
#define OV_PQ_RESOLVE(Name)                                                                        \
  Api.Name = reinterpret_cast<decltype(Api.Name)>(::dlsym(Handle, #Name));                         \
  if (!Api.Name) {                                                                                 \
    const std::string Why = LoaderError();                                                         \
    ::dlclose(Handle);                                                                             \
    throw EDriverError(                                                                            \
        "The PostgreSQL client library " + std::string(LibraryName) + " lacks " #Name, Why);       \
  }
  OV_PQ_FUNCTIONS(OV_PQ_RESOLVE)
#undef OV_PQ_RESOLVE
  // The library stays loaded for the life of the process: connections and
  // result sets may outlive any one user of the driver.
  return Api;
}

} // namespace

const TApi& Api() {
  // Every libpq call comes through here: once loaded, one atomic load.
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

} // namespace OVDriver::OVPg::Lib
