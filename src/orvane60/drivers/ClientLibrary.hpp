#pragma once

// A server's client library, opened with dlopen when its driver is first used
// and kept loaded for the life of the process (connections and result sets
// may outlive any one user of the driver). Each driver lists its entry points
// in a table of function pointers and fills it once through LoadedOnce.

#include <atomic>
#include <mutex>
#include <string>

namespace OVDriver {

struct TClientLibrary {
  const char* FileName;    // "libpq.so.5"
  const char* Server;      // "PostgreSQL", for messages
  const char* PackageHint; // " (Debian package ...)" or ""
};

// The library's handle; raises EDriverError naming the library when it cannot
// be opened.
void* OpenClientLibrary(const TClientLibrary& Library);
// The entry point Name; when the library lacks it the handle is closed and
// EDriverError names the library and the entry point.
void* ClientLibrarySymbol(void* Handle, const TClientLibrary& Library, const char* Name);

// Load()'s table, made once by the first caller; after that one atomic load.
template <class TApi, TApi (*Load)()> const TApi& LoadedOnce() {
  static std::atomic<const TApi*> Current{nullptr};
  if (const TApi* Ready = Current.load(std::memory_order_acquire))
    return *Ready;
  static std::mutex Lock;
  static TApi Loaded;
  const std::lock_guard<std::mutex> Guard(Lock);
  if (!Current.load(std::memory_order_relaxed)) {
    Loaded = Load();
    Current.store(&Loaded, std::memory_order_release);
  }
  return Loaded;
}

} // namespace OVDriver

// The member of a driver's table for the entry point Name, typed after the
// client header's declaration so that a changed signature fails the build:
//   struct TApi { OV_PQ_FUNCTIONS(OV_CLIENT_API_MEMBER) };
#define OV_CLIENT_API_MEMBER(Name) decltype(&::Name) Name = nullptr;

// Fills the member Name of the table Api from the library Library opened as
// Handle (all three named so where it is used):
//   void* Handle = OpenClientLibrary(Library);
//   TApi Api;
//   OV_PQ_FUNCTIONS(OV_CLIENT_API_RESOLVE)
#define OV_CLIENT_API_RESOLVE(Name)                                                                \
  Api.Name = reinterpret_cast<decltype(Api.Name)>(                                                 \
      ::OVDriver::ClientLibrarySymbol(Handle, Library, #Name));
