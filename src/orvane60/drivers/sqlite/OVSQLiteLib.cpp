// The SQLite library, loaded when the driver is first used rather than with
// the runtime package: every command, --help too, would otherwise map it and
// bind its symbols at start-up, though most never open a SQLite database.
//
// The driver calls the library's functions by their own names, as sqlite3.h
// declares them. The definitions below, which the runtime package keeps to
// itself (hidden: they bind the package's calls and no one else's), forward
// each call to the library, opened with the first.
#pragma GCC visibility push(hidden)
#include <sqlite3.h>
#pragma GCC visibility pop

#include "orvane60/drivers/ClientLibrary.hpp"

#include <cstdarg>

namespace {

using namespace OVDriver;

#define OV_SQLITE_FUNCTIONS(X)                                                                     \
  X(sqlite3_bind_blob64)                                                                           \
  X(sqlite3_bind_double)                                                                           \
  X(sqlite3_bind_int64)                                                                            \
  X(sqlite3_bind_null)                                                                             \
  X(sqlite3_bind_parameter_count)                                                                  \
  X(sqlite3_bind_text64)                                                                           \
  X(sqlite3_busy_timeout)                                                                          \
  X(sqlite3_changes64)                                                                             \
  X(sqlite3_clear_bindings)                                                                        \
  X(sqlite3_close_v2)                                                                              \
  X(sqlite3_column_blob)                                                                           \
  X(sqlite3_column_bytes)                                                                          \
  X(sqlite3_column_count)                                                                          \
  X(sqlite3_column_database_name)                                                                  \
  X(sqlite3_column_decltype)                                                                       \
  X(sqlite3_column_double)                                                                         \
  X(sqlite3_column_int)                                                                            \
  X(sqlite3_column_int64)                                                                          \
  X(sqlite3_column_name)                                                                           \
  X(sqlite3_column_origin_name)                                                                    \
  X(sqlite3_column_table_name)                                                                     \
  X(sqlite3_column_text)                                                                           \
  X(sqlite3_column_type)                                                                           \
  X(sqlite3_config)                                                                                \
  X(sqlite3_db_readonly)                                                                           \
  X(sqlite3_errmsg)                                                                                \
  X(sqlite3_errstr)                                                                                \
  X(sqlite3_exec)                                                                                  \
  X(sqlite3_extended_errcode)                                                                      \
  X(sqlite3_extended_result_codes)                                                                 \
  X(sqlite3_finalize)                                                                              \
  X(sqlite3_get_autocommit)                                                                        \
  X(sqlite3_keyword_check)                                                                         \
  X(sqlite3_libversion)                                                                            \
  X(sqlite3_libversion_number)                                                                     \
  X(sqlite3_open_v2)                                                                               \
  X(sqlite3_prepare_v2)                                                                            \
  X(sqlite3_prepare_v3)                                                                            \
  X(sqlite3_progress_handler)                                                                      \
  X(sqlite3_reset)                                                                                 \
  X(sqlite3_step)                                                                                  \
  X(sqlite3_stmt_readonly)                                                                         \
  X(sqlite3_table_column_metadata)                                                                 \
  X(sqlite3_total_changes64)

struct TApi {
  OV_SQLITE_FUNCTIONS(OV_CLIENT_API_MEMBER)
};

constexpr TClientLibrary Library{"libsqlite3.so.0", "SQLite", " (Debian package libsqlite3-0)"};

// Resolves every entry point, or raises; a handle that lacks one is closed.
TApi Load() {
  void* Handle = OpenClientLibrary(Library);
  TApi Api;
  OV_SQLITE_FUNCTIONS(OV_CLIENT_API_RESOLVE)
  return Api;
}

const TApi& Api() {
  return LoadedOnce<TApi, Load>();
}

} // namespace

extern "C" {

// Its arguments depend on the option: the options that take one int are
// passed on; any other is refused as SQLite refuses a misused call (add it
// here when the driver comes to set it).
int sqlite3_config(int Option, ...) {
  switch (Option) {
  case SQLITE_CONFIG_MEMSTATUS:
  case SQLITE_CONFIG_URI:
  case SQLITE_CONFIG_COVERING_INDEX_SCAN:
  case SQLITE_CONFIG_SMALL_MALLOC: {
    va_list Args;
    va_start(Args, Option);
    const int Value = va_arg(Args, int);
    va_end(Args);
    return Api().sqlite3_config(Option, Value);
  }
  default:
    return SQLITE_MISUSE;
  }
}

int sqlite3_bind_blob64(sqlite3_stmt* A1, int A2, const void* A3, sqlite3_uint64 A4,
                        void (*A5)(void*)) {
  return Api().sqlite3_bind_blob64(A1, A2, A3, A4, A5);
}
int sqlite3_bind_double(sqlite3_stmt* A1, int A2, double A3) {
  return Api().sqlite3_bind_double(A1, A2, A3);
}
int sqlite3_bind_int64(sqlite3_stmt* A1, int A2, sqlite3_int64 A3) {
  return Api().sqlite3_bind_int64(A1, A2, A3);
}
int sqlite3_bind_null(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_bind_null(A1, A2);
}
int sqlite3_bind_parameter_count(sqlite3_stmt* A1) {
  return Api().sqlite3_bind_parameter_count(A1);
}
int sqlite3_bind_text64(sqlite3_stmt* A1, int A2, const char* A3, sqlite3_uint64 A4,
                        void (*A5)(void*), unsigned char A6) {
  return Api().sqlite3_bind_text64(A1, A2, A3, A4, A5, A6);
}
int sqlite3_busy_timeout(sqlite3* A1, int A2) {
  return Api().sqlite3_busy_timeout(A1, A2);
}
sqlite3_int64 sqlite3_changes64(sqlite3* A1) {
  return Api().sqlite3_changes64(A1);
}
int sqlite3_clear_bindings(sqlite3_stmt* A1) {
  return Api().sqlite3_clear_bindings(A1);
}
int sqlite3_close_v2(sqlite3* A1) {
  return Api().sqlite3_close_v2(A1);
}
const void* sqlite3_column_blob(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_blob(A1, A2);
}
int sqlite3_column_bytes(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_bytes(A1, A2);
}
int sqlite3_column_count(sqlite3_stmt* A1) {
  return Api().sqlite3_column_count(A1);
}
const char* sqlite3_column_database_name(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_database_name(A1, A2);
}
const char* sqlite3_column_decltype(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_decltype(A1, A2);
}
double sqlite3_column_double(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_double(A1, A2);
}
int sqlite3_column_int(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_int(A1, A2);
}
sqlite3_int64 sqlite3_column_int64(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_int64(A1, A2);
}
const char* sqlite3_column_name(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_name(A1, A2);
}
const char* sqlite3_column_origin_name(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_origin_name(A1, A2);
}
const char* sqlite3_column_table_name(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_table_name(A1, A2);
}
const unsigned char* sqlite3_column_text(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_text(A1, A2);
}
int sqlite3_column_type(sqlite3_stmt* A1, int A2) {
  return Api().sqlite3_column_type(A1, A2);
}
int sqlite3_db_readonly(sqlite3* A1, const char* A2) {
  return Api().sqlite3_db_readonly(A1, A2);
}
const char* sqlite3_errmsg(sqlite3* A1) {
  return Api().sqlite3_errmsg(A1);
}
const char* sqlite3_errstr(int A1) {
  return Api().sqlite3_errstr(A1);
}
int sqlite3_exec(sqlite3* A1, const char* A2, int (*A3)(void*, int, char**, char**), void* A4,
                 char** A5) {
  return Api().sqlite3_exec(A1, A2, A3, A4, A5);
}
int sqlite3_extended_errcode(sqlite3* A1) {
  return Api().sqlite3_extended_errcode(A1);
}
int sqlite3_extended_result_codes(sqlite3* A1, int A2) {
  return Api().sqlite3_extended_result_codes(A1, A2);
}
int sqlite3_finalize(sqlite3_stmt* A1) {
  return Api().sqlite3_finalize(A1);
}
int sqlite3_get_autocommit(sqlite3* A1) {
  return Api().sqlite3_get_autocommit(A1);
}
int sqlite3_keyword_check(const char* A1, int A2) {
  return Api().sqlite3_keyword_check(A1, A2);
}
const char* sqlite3_libversion() {
  return Api().sqlite3_libversion();
}
int sqlite3_libversion_number() {
  return Api().sqlite3_libversion_number();
}
int sqlite3_open_v2(const char* A1, sqlite3** A2, int A3, const char* A4) {
  return Api().sqlite3_open_v2(A1, A2, A3, A4);
}
int sqlite3_prepare_v2(sqlite3* A1, const char* A2, int A3, sqlite3_stmt** A4, const char** A5) {
  return Api().sqlite3_prepare_v2(A1, A2, A3, A4, A5);
}
int sqlite3_prepare_v3(sqlite3* A1, const char* A2, int A3, unsigned int A4, sqlite3_stmt** A5,
                       const char** A6) {
  return Api().sqlite3_prepare_v3(A1, A2, A3, A4, A5, A6);
}
void sqlite3_progress_handler(sqlite3* A1, int A2, int (*A3)(void*), void* A4) {
  Api().sqlite3_progress_handler(A1, A2, A3, A4);
}
int sqlite3_reset(sqlite3_stmt* A1) {
  return Api().sqlite3_reset(A1);
}
int sqlite3_step(sqlite3_stmt* A1) {
  return Api().sqlite3_step(A1);
}
int sqlite3_stmt_readonly(sqlite3_stmt* A1) {
  return Api().sqlite3_stmt_readonly(A1);
}
int sqlite3_table_column_metadata(sqlite3* A1, const char* A2, const char* A3, const char* A4,
                                  char const** A5, char const** A6, int* A7, int* A8, int* A9) {
  return Api().sqlite3_table_column_metadata(A1, A2, A3, A4, A5, A6, A7, A8, A9);
}
sqlite3_int64 sqlite3_total_changes64(sqlite3* A1) {
  return Api().sqlite3_total_changes64(A1);
}

} // extern "C"
