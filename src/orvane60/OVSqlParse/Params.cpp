// Named parameters and the name=value helpers of the dataset wrapper. The
// parameter scanner rides on the tokenizer, so it skips exactly what the
// engines skip: literals, comments, quoted names and :: casts.
#include "orvane60/OVSqlParse.hpp"

namespace OVSqlParse {

namespace {

template <typename TVisit>
void ForEachNamedParam(std::string_view Sql, TSqlDialect Dialect, TVisit Visit) {
  TTokenizer Tokenizer(Sql, Dialect);
  for (;;) {
    TToken T = Tokenizer.Next();
    if (T.Kind == TTokenKind::End)
      return;
    if (T.Kind != TTokenKind::Parameter || T.Text.front() != ':')
      continue;
    TSqlParam P;
    P.Name = T.Text[1] == '"' ? IdentifierName(T.Text.substr(1), TSqlDialect::PostgreSQL)
                              : std::string(T.Text.substr(1));
    P.Offset = T.Offset;
    P.Length = T.Text.size();
    Visit(std::move(P));
  }
}

} // namespace

std::vector<TSqlParam> ScanParams(std::string_view Sql, TSqlDialect Dialect) {
  std::vector<TSqlParam> Params;
  ForEachNamedParam(Sql, Dialect, [&](TSqlParam&& P) { Params.push_back(std::move(P)); });
  return Params;
}

std::string ReplaceParams(
    std::string_view Sql, TSqlDialect Dialect,
    const std::function<std::string(std::size_t Index, const std::string& Name)>& Placeholder) {
  std::string Out;
  Out.reserve(Sql.size());
  std::size_t Copied = 0;
  std::size_t Index = 0;
  ForEachNamedParam(Sql, Dialect, [&](TSqlParam&& P) {
    Out.append(Sql.substr(Copied, P.Offset - Copied));
    Out += Placeholder(Index++, P.Name);
    Copied = P.Offset + P.Length;
  });
  Out.append(Sql.substr(Copied));
  return Out;
}

std::vector<std::pair<std::string, std::string>> FieldInfoEntries(const TSelectInfo& Info) {
  std::vector<std::pair<std::string, std::string>> Entries;
  Entries.reserve(Info.Fields.size());
  for (const TSelectField& F : Info.Fields)
    if (F.HasOrigin) {
      std::string& Origin = Entries.emplace_back(F.FieldName, std::string()).second;
      Origin.reserve(F.Table.size() + 1 + F.Column.size());
      Origin.append(F.Table).append(1, '.').append(F.Column);
    }
  return Entries;
}

std::vector<std::pair<std::string, std::string>> TableInfoEntries(const TSelectInfo& Info) {
  std::vector<std::pair<std::string, std::string>> Entries;
  for (const TSelectTable& T : Info.Tables)
    if (!T.Derived)
      Entries.emplace_back(T.Alias.empty() ? T.Name : T.Alias, T.Name);
  return Entries;
}

} // namespace OVSqlParse
