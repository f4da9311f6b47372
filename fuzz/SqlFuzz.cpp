// Statements typed by a person or read from a design file: the tokenizer
// covers the text with tokens in order, and the SELECT parser, the parameter
// scanner and the parameter replacement never fail on any text, in either
// dialect.
#include "orvane60/OVSqlParse.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace OVSqlParse;

namespace {

void Check(std::string_view Sql, TSqlDialect Dialect) {
  std::size_t Last = 0;
  for (const TToken& T : Tokenize(Sql, Dialect)) {
    if (T.Offset < Last || T.Offset + T.Text.size() > Sql.size() ||
        T.Text.data() != Sql.data() + T.Offset)
      std::abort();
    Last = T.Offset + T.Text.size();
  }
  // A catalogue that knows every table as three columns, so that * expands.
  const TSelectInfo Info = ParseSelect(Sql, Dialect, [](const TSelectTable&) {
    return std::optional<std::vector<std::string>>({"a", "b", "A"});
  });
  (void)FieldInfoEntries(Info);
  (void)TableInfoEntries(Info);
  const auto Params = ScanParams(Sql, Dialect);
  for (const TSqlParam& P : Params)
    if (P.Offset + P.Length > Sql.size() || Sql[P.Offset] != ':')
      std::abort();
  std::size_t Count = 0;
  (void)ReplaceParams(Sql, Dialect, [&](std::size_t Index, const std::string&) {
    if (Index != Count++)
      std::abort();
    return std::string("?");
  });
  if (Count != Params.size())
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Sql(reinterpret_cast<const char*>(Data), Size);
  Check(Sql, TSqlDialect::SQLite);
  Check(Sql, TSqlDialect::PostgreSQL);
  return 0;
}
