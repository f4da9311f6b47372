// Field values and their conversions, ISO date texts.
#include "db/DB.hpp"
#include "rtl/StrUtils.hpp"

#include <charconv>
#include <cmath>
#include <map>

namespace DB {

using SysUtils::EConvertError;
using SysUtils::Format;

OV_CLASS_IMPL(EDatabaseError, SysUtils::Exception, "DB")

void DatabaseError(const std::string& Message, const TComponent* Component) {
  if (Component && !Component->GetName().empty())
    throw EDatabaseError(Component->GetName() + ": " + Message);
  throw EDatabaseError(Message);
}

namespace {

TLoadErrorHandler& LoadErrorHandler() {
  static TLoadErrorHandler Handler;
  return Handler;
}

} // namespace

void SetDesignLoadErrorHandler(TLoadErrorHandler Handler) {
  LoadErrorHandler() = std::move(Handler);
}

namespace {

struct TTrustState {
  TDesignFileTrust Trust = TDesignFileTrust::Trusted;
  std::function<void(const TComponent*)> OnConnect;
  int Held = 0;
};

// The trust set last (SetDesignFileTrust).
TTrustState& Trust() {
  static TTrustState State;
  return State;
}

// The trust each kept root has (KeepDesignFileTrust).
std::map<const TComponent*, TTrustState>& KeptTrusts() {
  static std::map<const TComponent*, TTrustState> Kept;
  return Kept;
}

// The trust Component goes by: its root's, if kept, else the one set last.
TTrustState& TrustOf(const TComponent* Component) {
  auto& Kept = KeptTrusts();
  if (!Kept.empty()) {
    while (Component && Component->Owner())
      Component = Component->Owner();
    if (const auto It = Kept.find(Component); It != Kept.end())
      return It->second;
  }
  return Trust();
}

} // namespace

bool RestoreStreamedState(TComponent* Component, const std::function<void()>& Restore) {
  if (TrustOf(Component).Trust != TDesignFileTrust::Trusted) {
    // Counted where it was set, too, for the reader that set it.
    ++Trust().Held;
    return false;
  }
  if (!Component->IsDesigning()) {
    Restore();
    return true;
  }
  try {
    Restore();
  } catch (const SysUtils::Exception& E) {
    if (LoadErrorHandler())
      LoadErrorHandler()(Component, E.Message());
  }
  return true;
}

void SetDesignFileTrust(TDesignFileTrust Trust, std::function<void(const TComponent*)> OnConnect) {
  DB::Trust() = {Trust, std::move(OnConnect), 0};
}

TDesignFileTrust DesignFileTrust() {
  return Trust().Trust;
}

int HeldStreamedStates() {
  return Trust().Held;
}

void KeepDesignFileTrust(const TComponent* Root) {
  KeptTrusts()[Root] = {Trust().Trust, Trust().OnConnect, 0};
}

void ForgetDesignFileTrust(const TComponent* Root) {
  KeptTrusts().erase(Root);
}

void CheckConnectionAllowed(const TComponent* Component) {
  const TTrustState& State = TrustOf(Component);
  switch (State.Trust) {
  case TDesignFileTrust::Trusted:
    return;
  case TDesignFileTrust::Untrusted:
    if (State.OnConnect)
      State.OnConnect(Component);
    return;
  case TDesignFileTrust::NoConnections:
    DatabaseError("Not connecting: the design file is not trusted, and this command only reads "
                  "it (trust its folder, or use --trust)",
                  Component);
  }
}

std::string FieldTypeName(TFieldType DataType) {
  return TypInfo::GetEnumName(TypInfo::TypeInfoOf<TFieldType>(), static_cast<int64_t>(DataType));
}

TVariant TVariant::FromDateTime(TDateTime Value) {
  TVariant Result;
  Result.FData = TDateTimeData{Value};
  return Result;
}

TVariant TVariant::FromBlob(std::string Bytes) {
  TVariant Result;
  Result.FData = TBlobData{std::move(Bytes)};
  return Result;
}

TVarType TVariant::Type() const noexcept {
  return static_cast<TVarType>(FData.index());
}

namespace {

using StrUtils::Excerpt;

} // namespace

std::string TVariant::AsString() const {
  switch (Type()) {
  case TVarType::varNull:
    return {};
  case TVarType::varInteger:
    return std::to_string(std::get<int64_t>(FData));
  case TVarType::varFloat:
    return SysUtils::FloatToStr(std::get<double>(FData));
  case TVarType::varString:
    return std::get<std::string>(FData);
  case TVarType::varBoolean:
    return std::get<bool>(FData) ? "True" : "False";
  case TVarType::varDateTime: {
    const double D = std::get<TDateTimeData>(FData).Value;
    if (D == std::trunc(D))
      return DateTimeToISOStr(D, TFieldType::ftDate);
    return DateTimeToISOStr(D, TFieldType::ftDateTime);
  }
  case TVarType::varBlob:
    return std::get<TBlobData>(FData).Bytes;
  }
  return {};
}

int64_t TVariant::AsInteger() const {
  switch (Type()) {
  case TVarType::varNull:
    return 0;
  case TVarType::varInteger:
    return std::get<int64_t>(FData);
  case TVarType::varBoolean:
    return std::get<bool>(FData) ? 1 : 0;
  case TVarType::varFloat:
  case TVarType::varDateTime: {
    const double D = Type() == TVarType::varFloat ? std::get<double>(FData)
                                                  : std::get<TDateTimeData>(FData).Value;
    if (!std::isfinite(D) || D < -9223372036854775808.0 || D >= 9223372036854775808.0)
      throw EConvertError(Format("%s is out of the integer range", AsString()));
    // Rounds half away from zero, as assigning a float to an integer field does.
    return static_cast<int64_t>(std::llround(D));
  }
  case TVarType::varString: {
    int64_t Result = 0;
    if (!SysUtils::TryStrToInt64(SysUtils::Trim(std::get<std::string>(FData)), Result))
      throw EConvertError(
          Format("'%s' is not a valid integer value", Excerpt(std::get<std::string>(FData))));
    return Result;
  }
  case TVarType::varBlob:
    throw EConvertError("Binary data cannot be read as an integer");
  }
  return 0;
}

double TVariant::AsFloat() const {
  switch (Type()) {
  case TVarType::varNull:
    return 0;
  case TVarType::varInteger:
    return static_cast<double>(std::get<int64_t>(FData));
  case TVarType::varBoolean:
    return std::get<bool>(FData) ? 1 : 0;
  case TVarType::varFloat:
    return std::get<double>(FData);
  case TVarType::varDateTime:
    return std::get<TDateTimeData>(FData).Value;
  case TVarType::varString: {
    double Result = 0;
    if (!SysUtils::TryStrToFloat(SysUtils::Trim(std::get<std::string>(FData)), Result))
      throw EConvertError(Format("'%s' is not a valid floating point value",
                                 Excerpt(std::get<std::string>(FData))));
    return Result;
  }
  case TVarType::varBlob:
    throw EConvertError("Binary data cannot be read as a number");
  }
  return 0;
}

bool TVariant::AsBoolean() const {
  switch (Type()) {
  case TVarType::varNull:
    return false;
  case TVarType::varBoolean:
    return std::get<bool>(FData);
  case TVarType::varInteger:
  case TVarType::varFloat:
    return AsFloat() != 0;
  case TVarType::varString: {
    const std::string Text = SysUtils::Trim(std::get<std::string>(FData));
    for (const char* Word : {"true", "t", "yes", "y", "1", "-1"})
      if (SysUtils::SameText(Text, Word))
        return true;
    for (const char* Word : {"false", "f", "no", "n", "0"})
      if (SysUtils::SameText(Text, Word))
        return false;
    throw EConvertError(Format("'%s' is not a valid boolean value", Excerpt(Text)));
  }
  case TVarType::varDateTime:
  case TVarType::varBlob:
    break;
  }
  throw EConvertError(Format("'%s' is not a valid boolean value", Excerpt(AsString())));
}

TDateTime TVariant::AsDateTime() const {
  switch (Type()) {
  case TVarType::varNull:
    return 0;
  case TVarType::varDateTime:
    return std::get<TDateTimeData>(FData).Value;
  case TVarType::varInteger:
  case TVarType::varFloat:
    return AsFloat();
  case TVarType::varString: {
    TDateTime Result = 0;
    if (!TryISOStrToDateTime(std::get<std::string>(FData), Result))
      throw EConvertError(
          Format("'%s' is not a valid date and time", Excerpt(std::get<std::string>(FData))));
    return Result;
  }
  case TVarType::varBoolean:
  case TVarType::varBlob:
    break;
  }
  throw EConvertError(Format("'%s' is not a valid date and time", Excerpt(AsString())));
}

namespace {

bool ReadNumber(std::string_view& Text, int Digits, int& Value) {
  if (Text.size() < static_cast<size_t>(Digits))
    return false;
  const auto R = std::from_chars(Text.data(), Text.data() + Digits, Value);
  if (R.ec != std::errc() || R.ptr != Text.data() + Digits)
    return false;
  Text.remove_prefix(static_cast<size_t>(Digits));
  return true;
}

bool ReadChar(std::string_view& Text, char C) {
  if (Text.empty() || Text.front() != C)
    return false;
  Text.remove_prefix(1);
  return true;
}

bool ReadTime(std::string_view& Text, TDateTime& Value) {
  int H = 0, Mi = 0, S = 0, Ms = 0;
  if (!ReadNumber(Text, 2, H) || !ReadChar(Text, ':') || !ReadNumber(Text, 2, Mi))
    return false;
  if (ReadChar(Text, ':')) {
    if (!ReadNumber(Text, 2, S))
      return false;
    if (ReadChar(Text, '.')) {
      // Milliseconds from however many fraction digits the server sent.
      int Scale = 100;
      bool Any = false;
      while (!Text.empty() && Text.front() >= '0' && Text.front() <= '9') {
        Ms += (Text.front() - '0') * Scale;
        Scale /= 10;
        Text.remove_prefix(1);
        Any = true;
      }
      if (!Any)
        return false;
    }
  }
  // A time zone offset (PostgreSQL's timestamptz, "+01" or "+05:30") is
  // dropped: the value is shown as the server's local time it already is.
  if (!Text.empty() && (Text.front() == '+' || Text.front() == '-' || Text.front() == 'Z')) {
    Text.remove_prefix(1);
    while (!Text.empty() && ((Text.front() >= '0' && Text.front() <= '9') || Text.front() == ':'))
      Text.remove_prefix(1);
  }
  if (H > 23 || Mi > 59 || S > 59)
    return false;
  Value = SysUtils::EncodeTime(H, Mi, S, Ms);
  return true;
}

} // namespace

bool TryISOStrToDateTime(std::string_view Text, TDateTime& Value) {
  std::string Trimmed = SysUtils::Trim(Text);
  std::string_view T = Trimmed;
  if (T.size() >= 3 && T[2] == ':') {
    TDateTime Time = 0;
    if (!ReadTime(T, Time) || !T.empty())
      return false;
    Value = Time;
    return true;
  }
  int Y = 0, Mo = 0, D = 0;
  if (!ReadNumber(T, 4, Y) || !ReadChar(T, '-') || !ReadNumber(T, 2, Mo) || !ReadChar(T, '-') ||
      !ReadNumber(T, 2, D))
    return false;
  if (Mo < 1 || Mo > 12 || D < 1 || D > 31)
    return false;
  TDateTime Result = SysUtils::EncodeDate(Y, Mo, D);
  int Y2 = 0, Mo2 = 0, D2 = 0;
  SysUtils::DecodeDate(Result, Y2, Mo2, D2);
  if (Mo2 != Mo || D2 != D) // 2023-02-30 and the like
    return false;
  if (!T.empty()) {
    if (T.front() != ' ' && T.front() != 'T')
      return false;
    T.remove_prefix(1);
    TDateTime Time = 0;
    if (!ReadTime(T, Time) || !T.empty())
      return false;
    Result += Time;
  }
  Value = Result;
  return true;
}

std::string DateTimeToISOStr(TDateTime Value, TFieldType DataType) {
  int Y, Mo, D, H, Mi, S, Ms;
  SysUtils::DecodeDate(Value, Y, Mo, D);
  SysUtils::DecodeTime(Value, H, Mi, S, Ms);
  const std::string Time =
      Ms ? Format("%.2d:%.2d:%.2d.%.3d", H, Mi, S, Ms) : Format("%.2d:%.2d:%.2d", H, Mi, S);
  if (DataType == TFieldType::ftTime)
    return Time;
  const std::string Date = Format("%.4d-%.2d-%.2d", Y, Mo, D);
  if (DataType == TFieldType::ftDate)
    return Date;
  return Date + " " + Time;
}

} // namespace DB
