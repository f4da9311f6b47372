// What the runtime dialogs check before they take what a person typed.
#include "orvane60/OVDlgs.hpp"

#include "orvane60/drivers/OVDriver.hpp"

namespace OVDlgs {

using SysUtils::Format;

std::string CheckParams(const TStrings* Params) {
  if (!Params)
    return {};
  for (int I = 0; I < Params->Count(); ++I) {
    const std::string Line = Params->Get(I);
    if (SysUtils::Trim(Line).empty())
      continue;
    if (Line.find('=') == std::string::npos)
      return Format("Line %d of the parameters is no NAME=VALUE line: %s", I + 1, Line);
    if (SysUtils::Trim(Params->Names(I)).empty())
      return Format("Line %d of the parameters has no name: %s", I + 1, Line);
  }
  return {};
}

std::string CheckRemoteDatabase(OVEngine::TOVServerType ServerType, const std::string& Value) {
  const std::string Remote = SysUtils::Trim(Value);
  const size_t Colon = Remote.find(':');
  if (Colon == std::string::npos)
    return {};
  const std::string Scheme = SysUtils::LowerCase(Remote.substr(0, Colon));
  if (Scheme != "sqlite" && Scheme != "postgresql" && Scheme != "postgres" && Scheme != "mysql" &&
      Scheme != "mariadb")
    return {};
  OVDriver::TConnectionURI URI;
  try {
    URI = OVDriver::ParseConnectionURI(Remote);
  } catch (const OVDriver::EDriverError& E) {
    return E.what();
  }
  if (URI.Driver != &OVEngine::ServerDriver(ServerType))
    return Format("The remote database \"%s\" is a %s address, but the server type is %s",
                  OVDriver::MaskPasswords(Remote), std::string(URI.Driver->ServerTypeName()),
                  OVEngine::GetServerTypeName(ServerType));
  return {};
}

void AddToHistory(TStrings* History, const std::string& Remote) {
  // Histories end up in the settings file, which never holds a password.
  const std::string Name = OVDriver::MaskPasswords(Remote, OVDriver::TPasswordMask::Remove);
  if (!History || SysUtils::Trim(Name).empty() || Name.find_first_of("\r\n") != std::string::npos)
    return;
  for (int I = 0; I < History->Count(); ++I) {
    if (!SysUtils::SameText(History->Get(I), Name))
      continue;
    if (I > 0)
      History->Move(I, 0);
    return;
  }
  History->Insert(0, Name);
}

} // namespace OVDlgs
