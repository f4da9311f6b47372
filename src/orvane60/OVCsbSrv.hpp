// OVCsbSrv: the SQLBase server administration component. It keeps the server
// name and password a tool administers with; it opens no connection.
#pragma once

#include "rtl/Classes.hpp"

namespace OVCsbSrv {

class TOVSQLBaseServer : public Classes::TComponent {
  OV_CLASS(TOVSQLBaseServer, Classes::TComponent)
public:
  explicit TOVSQLBaseServer(Classes::TComponent* AOwner) : TComponent(AOwner) {}
  const std::string& GetServerName() const { return FServerName; }
  void SetServerName(const std::string& Value) { FServerName = Value; }
  const std::string& GetPassword() const { return FPassword; }
  void SetPassword(const std::string& Value) { FPassword = Value; }

private:
  std::string FServerName;
  std::string FPassword;
};

} // namespace OVCsbSrv
