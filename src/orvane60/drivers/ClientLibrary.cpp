#include "orvane60/drivers/ClientLibrary.hpp"

#include "orvane60/drivers/OVDriver.hpp"

#include <dlfcn.h>

namespace OVDriver {

namespace {

std::string LoaderError() {
  const char* Text = ::dlerror();
  return Text ? Text : "unknown reason";
}

} // namespace

void* OpenClientLibrary(const TClientLibrary& Library) {
  ::dlerror();
  void* Handle = ::dlopen(Library.FileName, RTLD_NOW | RTLD_LOCAL);
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
