#include "rtl/SysUtils.hpp"

#include "rtl/StrUtils.hpp"
#include "rtl/TypInfo.hpp"

#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace SysUtils {

OV_CLASS_IMPL(Exception, System::TObject, "SysUtils")
OV_CLASS_IMPL(EAbort, Exception, "SysUtils")
OV_CLASS_IMPL(EInterrupted, Exception, "SysUtils")
OV_CLASS_IMPL(EConvertError, Exception, "SysUtils")
OV_CLASS_IMPL(EInvalidCast, Exception, "SysUtils")
OV_CLASS_IMPL(EAssertionFailed, Exception, "SysUtils")
OV_CLASS_IMPL(EInOutError, Exception, "SysUtils")
OV_CLASS_IMPL(EIntfCastError, Exception, "SysUtils")
OV_CLASS_IMPL(EInvalidOperation, Exception, "SysUtils")
OV_CLASS_IMPL(ENotSupportedException, Exception, "SysUtils")
OV_CLASS_IMPL(EOSError, Exception, "SysUtils")

void Abort() {
  throw EAbort("Operation aborted");
}

void AssertFailed(const std::string& Message, const std::string& File, int Line) {
  throw EAssertionFailed(
      Format("%s (%s, line %d)", Message.empty() ? "Assertion failure" : Message, File, Line));
}

std::string FormatError(const std::string& Fmt, const char* What) {
  return "Format '" + Fmt + "' invalid or incompatible with argument (" + What + ")";
}

namespace {

bool IsBlank(unsigned char C) {
  return C <= ' ';
}

char Upper(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
}
char Lower(char C) {
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
}

} // namespace

std::string Trim(std::string_view S) {
  size_t B = 0, E = S.size();
  while (B < E && IsBlank(S[B]))
    ++B;
  while (E > B && IsBlank(S[E - 1]))
    --E;
  return std::string(S.substr(B, E - B));
}

std::string TrimLeft(std::string_view S) {
  size_t B = 0;
  while (B < S.size() && IsBlank(S[B]))
    ++B;
  return std::string(S.substr(B));
}

std::string TrimRight(std::string_view S) {
  size_t E = S.size();
  while (E > 0 && IsBlank(S[E - 1]))
    --E;
  return std::string(S.substr(0, E));
}

std::string UpperCase(std::string_view S) {
  std::string R(S);
  for (char& C : R)
    C = Upper(C);
  return R;
}

std::string LowerCase(std::string_view S) {
  std::string R(S);
  for (char& C : R)
    C = Lower(C);
  return R;
}

int CompareText(std::string_view A, std::string_view B) {
  const size_t N = std::min(A.size(), B.size());
  for (size_t I = 0; I < N; ++I) {
    const auto X = static_cast<unsigned char>(Upper(A[I]));
    const auto Y = static_cast<unsigned char>(Upper(B[I]));
    if (X != Y)
      return X < Y ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

int CompareStr(std::string_view A, std::string_view B) {
  const int R = A.compare(B);
  return R < 0 ? -1 : (R > 0 ? 1 : 0);
}

bool SameText(std::string_view A, std::string_view B) {
  // Names are looked up along lists with it: most pairs differ in length or
  // early on, and equal bytes need no folding.
  if (A.size() != B.size())
    return false;
  for (size_t I = 0, N = A.size(); I < N; ++I)
    if (A[I] != B[I] && Upper(A[I]) != Upper(B[I]))
      return false;
  return true;
}

bool StartsText(std::string_view SubText, std::string_view Text) {
  return Text.size() >= SubText.size() && SameText(Text.substr(0, SubText.size()), SubText);
}

bool EndsText(std::string_view SubText, std::string_view Text) {
  return Text.size() >= SubText.size() &&
         SameText(Text.substr(Text.size() - SubText.size()), SubText);
}

bool IsValidIdent(std::string_view Ident) {
  // 1: may start a name (a letter or '_'), 2: may follow (those and digits).
  static constexpr auto Kinds = [] {
    std::array<uint8_t, 256> K{};
    for (int C = 0; C < 256; ++C)
      K[static_cast<size_t>(C)] = (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_'
                                      ? 3
                                      : (C >= '0' && C <= '9' ? 2 : 0);
    return K;
  }();
  if (Ident.empty() || !(Kinds[static_cast<uint8_t>(Ident[0])] & 1))
    return false;
  for (char C : Ident)
    if (!Kinds[static_cast<uint8_t>(C)])
      return false;
  return true;
}

std::string QuotedStr(std::string_view S) {
  return AnsiQuotedStr(S, '\'');
}

std::string AnsiQuotedStr(std::string_view S, char Quote) {
  std::string R(1, Quote);
  for (char C : S) {
    R += C;
    if (C == Quote)
      R += C;
  }
  R += Quote;
  return R;
}

std::string AnsiDequotedStr(std::string_view S, char Quote) {
  if (S.size() < 2 || S.front() != Quote || S.back() != Quote)
    return std::string(S);
  std::string R;
  for (size_t I = 1; I + 1 < S.size(); ++I) {
    R += S[I];
    if (S[I] == Quote && I + 2 < S.size() && S[I + 1] == Quote)
      ++I;
  }
  return R;
}

std::string StringReplace(std::string_view S, std::string_view OldPattern,
                          std::string_view NewPattern, TReplaceFlags Flags) {
  if (OldPattern.empty())
    return std::string(S);
  const bool IgnoreCase = Flags.Contains(TReplaceFlag::rfIgnoreCase);
  const bool All = Flags.Contains(TReplaceFlag::rfReplaceAll);
  std::string R;
  size_t I = 0;
  bool Replaced = false;
  while (I < S.size()) {
    const bool Match = (!Replaced || All) && S.size() - I >= OldPattern.size() &&
                       (IgnoreCase ? SameText(S.substr(I, OldPattern.size()), OldPattern)
                                   : S.substr(I, OldPattern.size()) == OldPattern);
    if (Match) {
      R += NewPattern;
      I += OldPattern.size();
      Replaced = true;
    } else {
      R += S[I++];
    }
  }
  return R;
}

std::vector<std::string> SplitString(std::string_view S, char Delimiter) {
  std::vector<std::string> R;
  size_t Start = 0;
  for (;;) {
    const size_t P = S.find(Delimiter, Start);
    R.emplace_back(S.substr(Start, P == std::string_view::npos ? P : P - Start));
    if (P == std::string_view::npos)
      break;
    Start = P + 1;
  }
  return R;
}

std::string IntToStr(int64_t Value) {
  return std::to_string(Value);
}

std::string IntToHex(uint64_t Value, int Digits) {
  std::string R = fmt::format("{:X}", Value);
  if (static_cast<int>(R.size()) < Digits)
    R.insert(0, static_cast<size_t>(Digits) - R.size(), '0');
  return R;
}

bool TryStrToInt64(std::string_view S, int64_t& Value) {
  const std::string T = Trim(S);
  if (T.empty())
    return false;
  const char* First = T.data();
  const char* Last = T.data() + T.size();
  int Base = 10;
  bool Negative = false;
  if (*First == '+' || *First == '-') {
    Negative = *First == '-';
    ++First;
  }
  if (First < Last && *First == '$') {
    Base = 16;
    ++First;
  } else if (Last - First > 2 && First[0] == '0' && (First[1] == 'x' || First[1] == 'X')) {
    Base = 16;
    First += 2;
  }
  if (First == Last)
    return false;
  uint64_t Magnitude = 0;
  const auto [End, Ec] = std::from_chars(First, Last, Magnitude, Base);
  if (Ec != std::errc() || End != Last)
    return false;
  if (Negative) {
    if (Magnitude > static_cast<uint64_t>(INT64_MAX) + 1)
      return false;
    Value = static_cast<int64_t>(0 - Magnitude);
  } else {
    if (Base == 10 && Magnitude > static_cast<uint64_t>(INT64_MAX))
      return false;
    Value = static_cast<int64_t>(Magnitude);
  }
  return true;
}

int64_t StrToInt64(std::string_view S) {
  int64_t V = 0;
  if (!TryStrToInt64(S, V))
    throw EConvertError(Format("'%s' is not a valid integer value", StrUtils::Excerpt(S)));
  return V;
}

int StrToInt(std::string_view S) {
  const int64_t V = StrToInt64(S);
  if (V < INT_MIN || V > INT_MAX)
    throw EConvertError(Format("'%s' is not a valid integer value", StrUtils::Excerpt(S)));
  return static_cast<int>(V);
}

int StrToIntDef(std::string_view S, int Default) {
  int64_t V = 0;
  if (!TryStrToInt64(S, V) || V < INT_MIN || V > INT_MAX)
    return Default;
  return static_cast<int>(V);
}

bool TryStrToFloat(std::string_view S, double& Value) {
  const std::string T = Trim(S);
  if (T.empty())
    return false;
  const auto [End, Ec] = std::from_chars(T.data(), T.data() + T.size(), Value);
  return Ec == std::errc() && End == T.data() + T.size();
}

double StrToFloat(std::string_view S) {
  double V = 0;
  if (!TryStrToFloat(S, V))
    throw EConvertError(Format("'%s' is not a valid floating point value", StrUtils::Excerpt(S)));
  return V;
}

std::string FloatToStr(double Value) {
  // Shortest text that reads back as the same double.
  char Buf[64];
  const auto [End, Ec] = std::to_chars(Buf, Buf + sizeof Buf, Value);
  return std::string(Buf, End);
}

std::string BoolToStr(bool Value, bool UseBoolStrs) {
  if (UseBoolStrs)
    return Value ? "True" : "False";
  return Value ? "-1" : "0";
}

bool FileExists(const std::string& FileName) {
  struct stat St {};
  return ::stat(FileName.c_str(), &St) == 0 && !S_ISDIR(St.st_mode);
}

bool DirectoryExists(const std::string& Dir) {
  struct stat St {};
  return ::stat(Dir.c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

bool ForceDirectories(const std::string& Dir) {
  std::error_code Ec;
  std::filesystem::create_directories(Dir, Ec);
  return DirectoryExists(Dir);
}

bool DeleteFile(const std::string& FileName) {
  return ::unlink(FileName.c_str()) == 0;
}

std::string ExtractFilePath(const std::string& FileName) {
  const size_t P = FileName.rfind(PathDelim);
  return P == std::string::npos ? std::string() : FileName.substr(0, P + 1);
}

std::string ExtractFileName(const std::string& FileName) {
  const size_t P = FileName.rfind(PathDelim);
  return P == std::string::npos ? FileName : FileName.substr(P + 1);
}

std::string ExtractFileExt(const std::string& FileName) {
  const std::string Name = ExtractFileName(FileName);
  const size_t P = Name.rfind('.');
  return P == std::string::npos ? std::string() : Name.substr(P);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
  const std::string Ext = ExtractFileExt(FileName);
  return FileName.substr(0, FileName.size() - Ext.size()) + Extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& Path) {
  if (!Path.empty() && Path.back() == PathDelim)
    return Path;
  return Path + PathDelim;
}

std::string ExpandFileName(const std::string& FileName) {
  std::error_code Ec;
  auto P = std::filesystem::absolute(FileName, Ec);
  if (Ec)
    return FileName;
  return P.lexically_normal().string();
}

std::string GetEnvironmentVariable(const std::string& Name) {
  const char* V = std::getenv(Name.c_str());
  return V ? V : "";
}

std::string GetCurrentDir() {
  std::error_code Ec;
  auto P = std::filesystem::current_path(Ec);
  return Ec ? std::string(".") : P.string();
}

std::string SysErrorMessage(int ErrorCode) {
  return std::strerror(ErrorCode);
}

std::string LoadFileToString(const std::string& FileName) {
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0)
    throw EInOutError(Format("Cannot open file \"%s\": %s", FileName, SysErrorMessage(errno)));
  // Read straight into the string, sized once from the file's size when it
  // has one (a design file of megabytes is read without copies); a file
  // that grows meanwhile, or a pipe, is read on to its end.
  std::string Text;
  struct stat St {};
  if (::fstat(Fd, &St) == 0 && S_ISREG(St.st_mode) && St.st_size > 0)
    Text.resize(static_cast<size_t>(St.st_size) + 1);
  else
    Text.resize(64 * 1024);
  size_t Size = 0;
  for (;;) {
    if (Size == Text.size())
      Text.resize(Text.size() * 2);
    const ssize_t N = ::read(Fd, Text.data() + Size, Text.size() - Size);
    if (N < 0 && errno == EINTR)
      continue;
    if (N < 0) {
      const int Err = errno;
      ::close(Fd);
      throw EInOutError(Format("Cannot read file \"%s\": %s", FileName, SysErrorMessage(Err)));
    }
    if (N == 0)
      break;
    Size += static_cast<size_t>(N);
  }
  ::close(Fd);
  Text.resize(Size);
  return Text;
}

namespace {

// Days from the civil date to 1970-01-01 (Howard Hinnant's algorithm), so
// dates convert without the C library's time zone rules.
int64_t DaysFromCivil(int64_t Y, unsigned M, unsigned D) {
  Y -= M <= 2;
  const int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
  const unsigned Yoe = static_cast<unsigned>(Y - Era * 400);
  const unsigned Doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
  const unsigned Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
  return Era * 146097 + static_cast<int64_t>(Doe) - 719468;
}

void CivilFromDays(int64_t Z, int& Y, int& M, int& D) {
  Z += 719468;
  const int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  const unsigned Doe = static_cast<unsigned>(Z - Era * 146097);
  const unsigned Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
  const int64_t Yr = static_cast<int64_t>(Yoe) + Era * 400;
  const unsigned Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
  const unsigned Mp = (5 * Doy + 2) / 153;
  D = static_cast<int>(Doy - (153 * Mp + 2) / 5 + 1);
  M = static_cast<int>(Mp < 10 ? Mp + 3 : Mp - 9);
  Y = static_cast<int>(Yr + (M <= 2));
}

// 1899-12-30, day 0 of TDateTime, counted from 1970-01-01.
constexpr int64_t DeltaDays = -25569;

} // namespace

TDateTime EncodeDate(int Year, int Month, int Day) {
  if (Month < 1 || Month > 12 || Day < 1 || Day > 31)
    throw EConvertError("Invalid argument to date encode");
  return static_cast<double>(
      DaysFromCivil(Year, static_cast<unsigned>(Month), static_cast<unsigned>(Day)) - DeltaDays);
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
    throw EConvertError("Invalid argument to time encode");
  return (((Hour * 60.0 + Min) * 60.0 + Sec) * 1000.0 + MSec) / 86400000.0;
}

void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day) {
  CivilFromDays(static_cast<int64_t>(std::floor(Date)) + DeltaDays, Year, Month, Day);
}

void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec) {
  const double Frac = Time - std::floor(Time);
  auto Ms = static_cast<int64_t>(std::llround(Frac * 86400000.0));
  if (Ms >= 86400000)
    Ms = 86400000 - 1;
  Hour = static_cast<int>(Ms / 3600000);
  Min = static_cast<int>(Ms / 60000 % 60);
  Sec = static_cast<int>(Ms / 1000 % 60);
  MSec = static_cast<int>(Ms % 1000);
}

TDateTime Now() {
  using namespace std::chrono;
  const auto Since = system_clock::now().time_since_epoch();
  const int64_t Ms = duration_cast<milliseconds>(Since).count();
  const time_t Secs = static_cast<time_t>(Ms / 1000);
  struct tm Local {};
  ::localtime_r(&Secs, &Local);
  return EncodeDate(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday) +
         EncodeTime(Local.tm_hour, Local.tm_min, std::min(Local.tm_sec, 59),
                    static_cast<int>(Ms % 1000));
}

int32_t DateTimeToFileDate(TDateTime DateTime) {
  int Y, Mo, D, H, Mi, S, Ms;
  DecodeDate(DateTime, Y, Mo, D);
  DecodeTime(DateTime, H, Mi, S, Ms);
  if (Y < 1980 || Y > 2107)
    return 0;
  const auto Date = static_cast<uint32_t>(((Y - 1980) << 9) | (Mo << 5) | D);
  const auto Time = static_cast<uint32_t>((H << 11) | (Mi << 5) | (S >> 1));
  return static_cast<int32_t>((Date << 16) | Time);
}

TDateTime FileDateToDateTime(int32_t FileDate) {
  const auto U = static_cast<uint32_t>(FileDate);
  const int Date = static_cast<int>(U >> 16), Time = static_cast<int>(U & 0xFFFF);
  return EncodeDate((Date >> 9) + 1980, (Date >> 5) & 15, Date & 31) +
         EncodeTime(Time >> 11, (Time >> 5) & 63, (Time & 31) * 2, 0);
}

std::string DateTimeToStr(TDateTime DateTime) {
  int Y, Mo, D, H, Mi, S, Ms;
  DecodeDate(DateTime, Y, Mo, D);
  DecodeTime(DateTime, H, Mi, S, Ms);
  return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", Y, Mo, D, H, Mi, S);
}

} // namespace SysUtils
