#include "orvane60/OVCsbSrv.hpp"

namespace OVCsbSrv {

OV_CLASS_BEGIN(TOVSQLBaseServer, Classes::TComponent, "OVCsbSrv")
B.Property("Password", &TOVSQLBaseServer::GetPassword, &TOVSQLBaseServer::SetPassword);
B.Property("ServerName", &TOVSQLBaseServer::GetServerName, &TOVSQLBaseServer::SetServerName);
OV_CLASS_END

} // namespace OVCsbSrv
