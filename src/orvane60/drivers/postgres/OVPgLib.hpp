// The PostgreSQL client library, loaded when the driver is first used rather
// than with the runtime package: libpq brings a dozen libraries of its own
// (TLS, Kerberos, LDAP), and a designer that never connects to PostgreSQL
// should not pay for mapping them each time it loads the package.
#pragma once

#include "orvane60/drivers/ClientLibrary.hpp"

#include <libpq-fe.h>

namespace OVDriver::OVPg::Lib {

#define OV_PQ_FUNCTIONS(X)                                                                         \
  X(PQcancel)                                                                                      \
  X(PQclear)                                                                                       \
  X(PQcmdStatus)                                                                                   \
  X(PQcmdTuples)                                                                                   \
  X(PQconnectPoll)                                                                                 \
  X(PQconnectStartParams)                                                                          \
  X(PQconninfo)                                                                                    \
  X(PQconninfoFree)                                                                                \
  X(PQconninfoParse)                                                                               \
  X(PQconsumeInput)                                                                                \
  X(PQdescribePrepared)                                                                            \
  X(PQenterPipelineMode)                                                                           \
  X(PQerrorMessage)                                                                                \
  X(PQexec)                                                                                        \
  X(PQexecParams)                                                                                  \
  X(PQexecPrepared)                                                                                \
  X(PQexitPipelineMode)                                                                            \
  X(PQfinish)                                                                                      \
  X(PQflush)                                                                                       \
  X(PQfmod)                                                                                        \
  X(PQfname)                                                                                       \
  X(PQfreeCancel)                                                                                  \
  X(PQfreemem)                                                                                     \
  X(PQftable)                                                                                      \
  X(PQftablecol)                                                                                   \
  X(PQftype)                                                                                       \
  X(PQgetCancel)                                                                                   \
  X(PQgetCopyData)                                                                                 \
  X(PQgetResult)                                                                                   \
  X(PQgetisnull)                                                                                   \
  X(PQgetlength)                                                                                   \
  X(PQgetvalue)                                                                                    \
  X(PQisBusy)                                                                                      \
  X(PQnfields)                                                                                     \
  X(PQntuples)                                                                                     \
  X(PQparameterStatus)                                                                             \
  X(PQpipelineSync)                                                                                \
  X(PQprepare)                                                                                     \
  X(PQputCopyEnd)                                                                                  \
  X(PQresultErrorField)                                                                            \
  X(PQresultErrorMessage)                                                                          \
  X(PQresultStatus)                                                                                \
  X(PQsendDescribePrepared)                                                                        \
  X(PQsendPrepare)                                                                                 \
  X(PQsendQuery)                                                                                   \
  X(PQsendQueryParams)                                                                             \
  X(PQsendQueryPrepared)                                                                           \
  X(PQsetNoticeProcessor)                                                                          \
  X(PQsetnonblocking)                                                                              \
  X(PQsocket)                                                                                      \
  X(PQstatus)                                                                                      \
  X(PQtransactionStatus)                                                                           \
  X(PQunescapeBytea)

// The library's entry points. Declared from libpq-fe.h, so that a changed
// signature fails the build.
struct TApi {
  OV_PQ_FUNCTIONS(OV_CLIENT_API_MEMBER)
};

// Loads libpq on first use. Raises EDriverError naming the library and the
// loader's reason when it is not installed or lacks an entry point; the next
// call tries again.
const TApi& Api();

} // namespace OVDriver::OVPg::Lib
