// The MySQL/MariaDB client library, loaded when the driver is first used
// rather than with the runtime package, as the PostgreSQL one is: a designer
// that never connects to such a server does not map it or its TLS libraries.
#pragma once

#include <mysql.h>

namespace OVDriver::OVMySQL::Lib {

#define OV_MYSQL_FUNCTIONS(X)                                                                      \
  X(mysql_affected_rows)                                                                           \
  X(mysql_close)                                                                                   \
  X(mysql_errno)                                                                                   \
  X(mysql_error)                                                                                   \
  X(mysql_fetch_fields)                                                                            \
  X(mysql_fetch_lengths)                                                                           \
  X(mysql_fetch_row)                                                                               \
  X(mysql_field_count)                                                                             \
  X(mysql_free_result)                                                                             \
  X(mysql_get_server_info)                                                                         \
  X(mysql_get_socket)                                                                              \
  X(mysql_init)                                                                                    \
  X(mysql_more_results)                                                                            \
  X(mysql_next_result)                                                                             \
  X(mysql_next_result_cont)                                                                        \
  X(mysql_next_result_start)                                                                       \
  X(mysql_num_fields)                                                                              \
  X(mysql_num_rows)                                                                                \
  X(mysql_options)                                                                                 \
  X(mysql_real_connect)                                                                            \
  X(mysql_real_connect_cont)                                                                       \
  X(mysql_real_connect_start)                                                                      \
  X(mysql_real_query)                                                                              \
  X(mysql_real_query_cont)                                                                         \
  X(mysql_real_query_start)                                                                        \
  X(mysql_sqlstate)                                                                                \
  X(mysql_stmt_affected_rows)                                                                      \
  X(mysql_stmt_attr_set)                                                                           \
  X(mysql_stmt_bind_param)                                                                         \
  X(mysql_stmt_bind_result)                                                                        \
  X(mysql_stmt_close)                                                                              \
  X(mysql_stmt_errno)                                                                              \
  X(mysql_stmt_error)                                                                              \
  X(mysql_stmt_execute)                                                                            \
  X(mysql_stmt_execute_cont)                                                                       \
  X(mysql_stmt_execute_start)                                                                      \
  X(mysql_stmt_fetch)                                                                              \
  X(mysql_stmt_fetch_column)                                                                       \
  X(mysql_stmt_free_result)                                                                        \
  X(mysql_stmt_init)                                                                               \
  X(mysql_stmt_next_result_cont)                                                                   \
  X(mysql_stmt_next_result_start)                                                                  \
  X(mysql_stmt_param_count)                                                                        \
  X(mysql_stmt_prepare)                                                                            \
  X(mysql_stmt_prepare_cont)                                                                       \
  X(mysql_stmt_prepare_start)                                                                      \
  X(mysql_stmt_result_metadata)                                                                    \
  X(mysql_stmt_sqlstate)                                                                           \
  X(mysql_stmt_store_result)                                                                       \
  X(mysql_stmt_store_result_cont)                                                                  \
  X(mysql_stmt_store_result_start)                                                                 \
  X(mysql_store_result)                                                                            \
  X(mysql_store_result_cont)                                                                       \
  X(mysql_store_result_start)                                                                      \
  X(mysql_thread_id)

// The library's entry points, declared from mysql.h so that a changed
// signature fails the build.
struct TApi {
#define OV_MYSQL_MEMBER(Name) decltype(&::Name) Name = nullptr;
  OV_MYSQL_FUNCTIONS(OV_MYSQL_MEMBER)
#undef OV_MYSQL_MEMBER
};

// Loads the client library on first use. Raises EDriverError naming the
// library and the loader's reason when it is not installed or lacks an entry
// point; the next call tries again.
const TApi& Api();

} // namespace OVDriver::OVMySQL::Lib
