// Connection URIs typed on the command line or stored in a design file: each
// one is taken or refused with the driver's error, and hiding or removing
// its passwords never fails.
#include "orvane60/drivers/OVDriver.hpp"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view URI(reinterpret_cast<const char*>(Data), Size);
  (void)OVDriver::MaskPasswords(URI);
  (void)OVDriver::MaskPasswords(URI, OVDriver::TPasswordMask::Remove);
  try {
    (void)OVDriver::ParseConnectionURI(URI);
  } catch (const OVDriver::EDriverError&) {
  }
  return 0;
}
