// Exceptions, string and file helpers, formatting and the clock.
#pragma once

#include "rtl/System.hpp"

#include <cstdint>
#include <exception>
#include <fmt/printf.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace SysUtils {

// Exceptions are objects of the object model, so the host can name their
// class when it shows them, and std::exceptions, so plain C++ can catch them.
class Exception : public System::TObject, public std::exception {
  OV_CLASS(Exception, System::TObject)
public:
  explicit Exception(std::string Msg) : FMessage(std::move(Msg)) {}
  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string Msg) { FMessage = std::move(Msg); }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

} // namespace SysUtils

// Declares an exception class that takes its parent's constructors.
#define OV_EXCEPTION(Name, Parent)                                                                 \
  class Name : public Parent {                                                                     \
    OV_CLASS(Name, Parent)                                                                         \
  public:                                                                                          \
    using inherited::inherited;                                                                    \
  };

namespace SysUtils {

OV_EXCEPTION(EAbort, Exception)
// Work cancelled by Ctrl-C (see InstallInterruptHandler).
OV_EXCEPTION(EInterrupted, Exception)
OV_EXCEPTION(EConvertError, Exception)
OV_EXCEPTION(EInvalidCast, Exception)
OV_EXCEPTION(EAssertionFailed, Exception)
OV_EXCEPTION(EInOutError, Exception)
OV_EXCEPTION(EIntfCastError, Exception)
OV_EXCEPTION(EInvalidOperation, Exception)
OV_EXCEPTION(ENotSupportedException, Exception)
OV_EXCEPTION(EOSError, Exception)

// Silent exception: ends an operation without a message.
[[noreturn]] void Abort();
// Raises EAssertionFailed with "Message (File, line Line)", the text of a
// failed Assert; an empty Message reads "Assertion failure".
[[noreturn]] void AssertFailed(const std::string& Message, const std::string& File, int Line);

// Delphi's Format with printf-style directives (%s, %d, %.2d, %x, %f, %g, %%).
// A directive that does not fit its argument raises EConvertError.
std::string FormatError(const std::string& Fmt, const char* What);
template <class... Args> std::string Format(const std::string& Fmt, const Args&... A) {
  try {
    return fmt::sprintf(Fmt, A...);
  } catch (const fmt::format_error& E) {
    throw EConvertError(FormatError(Fmt, E.what()));
  }
}

// Strings. Case-insensitive comparisons fold ASCII letters only, as the
// ANSI routines of the platform did for identifiers and names.
std::string Trim(std::string_view S);      // blanks and control characters
std::string TrimLeft(std::string_view S);  // blanks and control characters
std::string TrimRight(std::string_view S); // blanks and control characters
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
int CompareText(std::string_view A, std::string_view B);
int CompareStr(std::string_view A, std::string_view B);
bool SameText(std::string_view A, std::string_view B);
bool StartsText(std::string_view SubText, std::string_view Text);
bool EndsText(std::string_view SubText, std::string_view Text);
bool IsValidIdent(std::string_view Ident);
std::string QuotedStr(std::string_view S); // 'it''s'
std::string AnsiQuotedStr(std::string_view S, char Quote);
std::string AnsiDequotedStr(std::string_view S, char Quote);
enum class TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = System::TSet<TReplaceFlag>;
std::string StringReplace(std::string_view S, std::string_view OldPattern,
                          std::string_view NewPattern, TReplaceFlags Flags);
std::vector<std::string> SplitString(std::string_view S, char Delimiter);

std::string IntToStr(int64_t Value);
std::string IntToHex(uint64_t Value, int Digits);
int StrToInt(std::string_view S); // EConvertError "'x' is not a valid integer value"
int StrToIntDef(std::string_view S, int Default);
int64_t StrToInt64(std::string_view S);
bool TryStrToInt64(std::string_view S, int64_t& Value);
double StrToFloat(std::string_view S);
bool TryStrToFloat(std::string_view S, double& Value);
std::string FloatToStr(double Value);
std::string BoolToStr(bool Value, bool UseBoolStrs = false);

// Files and paths (POSIX paths; "\" in names given by callers is not special).
inline constexpr char PathDelim = '/';
inline constexpr const char* sLineBreak = "\n";
bool FileExists(const std::string& FileName);
bool DirectoryExists(const std::string& Dir);
bool ForceDirectories(const std::string& Dir);
bool DeleteFile(const std::string& FileName);
std::string ExtractFilePath(const std::string& FileName); // with trailing delimiter
std::string ExtractFileName(const std::string& FileName);
std::string ExtractFileExt(const std::string& FileName);
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
std::string IncludeTrailingPathDelimiter(const std::string& Path);
std::string ExpandFileName(const std::string& FileName);
std::string GetEnvironmentVariable(const std::string& Name);
std::string GetCurrentDir();

// Whole-file access. SaveFileAtomically writes a temporary file next to the
// target, flushes it to disk and renames it over the target, so a reader (or a
// crash) sees either the old content or the new, never a torn file. Failures
// raise EInOutError naming the file and the system's reason; the target is
// then untouched.
std::string LoadFileToString(const std::string& FileName);
void SaveFileAtomically(const std::string& FileName, std::string_view Data);
// Several files as one: every file is written to a temporary next to it,
// the lot is flushed to disk at once, and only then are they renamed and
// their folders flushed. A failure on any file (a full disk, a read-only
// target, Ctrl-C before the renames) removes every temporary, leaves every
// target as it was and raises EInOutError naming that file. Each file is
// kept and refused as by SaveFileAtomically.
void SaveFilesAtomically(const std::vector<std::pair<std::string, std::string>>& Files);
// For tests: the write of the Count-th file data (1-based) of this process
// from now on fails with ErrorCode, as a full disk would; 0 turns it off.
void FailFileWriteForTesting(int Count, int ErrorCode);
std::string SysErrorMessage(int ErrorCode);

// Ctrl-C. Once InstallInterruptHandler has run, SIGINT and SIGTERM no longer
// end the process at once: they set a flag that long waits (a statement on
// a server) and batch writes look at, so that the work in hand is cancelled
// and the command ends cleanly. A second signal ends the process as usual.
void InstallInterruptHandler();
// Async-signal-safe: what the handler does (tests call it directly).
void Interrupt() noexcept;
bool Interrupted() noexcept;
// Readable from the first interrupt on (for poll); -1 only when the system
// gives no pipe.
int InterruptFd() noexcept;
// Forgets an interrupt (tests, or a window that carries on after one).
void ClearInterrupt() noexcept;

// Date and time: days since 1899-12-30, the fraction is the time of day.
using TDateTime = double;
TDateTime Now();
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec);
// The DOS date-time form that file dates take: date in the high word, time (in
// two-second steps) in the low word.
int32_t DateTimeToFileDate(TDateTime DateTime);
TDateTime FileDateToDateTime(int32_t FileDate);
std::string DateTimeToStr(TDateTime DateTime); // yyyy-mm-dd hh:nn:ss

} // namespace SysUtils
