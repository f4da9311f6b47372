#include "orvane60/drivers/postgres/OVPgLib.hpp"

#include "orvane60/drivers/ClientLibrary.hpp"

namespace OVDriver::OVPg::Lib {

namespace {

constexpr TClientLibrary Library{"libpq.so.5", "PostgreSQL", ""};

// Resolves every entry point, or raises; a handle that lacks one is closed.
TApi Load() {
  void* Handle = OpenClientLibrary(Library);
  TApi Api;
  OV_PQ_FUNCTIONS(OV_CLIENT_API_RESOLVE)
  return Api;
}

} // namespace

const TApi& Api() {
  return LoadedOnce<TApi, Load>();
}

} // namespace OVDriver::OVPg::Lib
