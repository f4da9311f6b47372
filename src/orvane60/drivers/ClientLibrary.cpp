#include "orvane60/drivers/ClientLibrary.hpp"

#include "orvane60/drivers/OVDriver.hpp"

#include <dlfcn.h>

namespace OVDriver {

namespace {

std::string LoaderError() {
  const char* Text = ::dlerror();
  return Text ? Text : "unknown reason";
}

// A client library brings a dozen of its own (TLS, Kerberos, LDAP), whose
// thousands of symbols bind when it is opened. Looked up in the library's own
// dependencies first (RTLD_DEEPBIND), they are not searched for through every
// library of the process before; its functions bind on first call (RTLD_LAZY),
// as when a program links it. The sanitizers' runtime refuses RTLD_DEEPBIND
// (it would bypass their allocator), so those builds look up in the usual
// order.
#if defined(__SANITIZE_ADDRESS__)
#define OV_CLIENT_DEEPBIND 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define OV_CLIENT_DEEPBIND 0
#endif
#endif
#ifndef OV_CLIENT_DEEPBIND
#define OV_CLIENT_DEEPBIND RTLD_DEEPBIND
#endif
constexpr int OpenFlags = RTLD_LAZY | RTLD_LOCAL | OV_CLIENT_DEEPBIND;

} // namespace

void* OpenClientLibrary(const TClientLibrary& Library) {
  ::dlerror();
  void* Handle = ::dlopen(Library.FileName, OpenFlags);
  if (!Handle)
    throw EDriverError(std::string("Cannot load the ") + Library.Server + " client library " +
                           Library.FileName + Library.PackageHint,
                       LoaderError());
  return Handle;
}

void* ClientLibrarySymbol(void* Handle, const TClientLibrary& Library, const char* Name) {
  void* Symbol = ::dlsym(Handle, Name);
  if (!Symbol) {
    const std::string Why = LoaderError();
    ::dlclose(Handle);
    throw EDriverError(std::string("The ") + Library.Server + " client library " +
                           Library.FileName + " lacks " + Name,
                       Why);
  }
  return Symbol;
}

} // namespace OVDriver
