#include "rtl/IniFiles.hpp"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace IniFiles {

using SysUtils::Format;

OV_CLASS_IMPL(EIniFileException, SysUtils::Exception, "IniFiles")
OV_CLASS_IMPL(TCustomIniFile, System::TObject, "IniFiles")
OV_CLASS_IMPL(TIniFile, TCustomIniFile, "IniFiles")

namespace {

bool ParseInteger(std::string_view Text, int& Value) {
  const std::string S = SysUtils::Trim(Text);
  size_t I = 0;
  bool Negative = false;
  if (I < S.size() && (S[I] == '+' || S[I] == '-'))
    Negative = S[I++] == '-';
  bool Hex = false;
  if (I < S.size() && S[I] == '$') {
    Hex = true;
    ++I;
  } else if (I + 1 < S.size() && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
    Hex = true;
    I += 2;
  }
  if (I == S.size())
    return false;
  uint64_t Magnitude = 0;
  for (; I < S.size(); ++I) {
    const char C = S[I];
    int Digit;
    if (C >= '0' && C <= '9')
      Digit = C - '0';
    else if (Hex && C >= 'a' && C <= 'f')
      Digit = C - 'a' + 10;
    else if (Hex && C >= 'A' && C <= 'F')
      Digit = C - 'A' + 10;
    else
      return false;
    Magnitude = Magnitude * (Hex ? 16 : 10) + static_cast<uint64_t>(Digit);
    if (Magnitude > 0xFFFFFFFFull)
      return false;
  }
  if (Hex) {
    // Hexadecimal gives the 32 bits as written, so $FFFFFFFF reads as -1.
    const auto Bits = static_cast<uint32_t>(Magnitude);
    const auto Signed = static_cast<int32_t>(Bits);
    if (Negative && Signed == INT32_MIN)
      return false;
    Value = Negative ? -Signed : Signed;
    return true;
  }
  const int64_t Limit = Negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  if (static_cast<int64_t>(Magnitude) > Limit)
    return false;
  Value = static_cast<int>(Negative ? -static_cast<int64_t>(Magnitude)
                                    : static_cast<int64_t>(Magnitude));
  return true;
}

bool HasLineBreak(std::string_view S) {
  return S.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                                int Default) const {
  int Value = 0;
  return ParseInteger(ReadString(Section, Ident, ""), Value) ? Value : Default;
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, SysUtils::IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident,
                              bool Default) const {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

bool TCustomIniFile::SectionExists(const std::string& Section) const {
  Classes::TStringList Keys;
  ReadSection(Section, &Keys);
  return Keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
  Classes::TStringList Keys;
  ReadSection(Section, &Keys);
  return Keys.IndexOf(Ident) >= 0;
}

// The file as lines (each kept byte for byte with its line end, so a write
// gives back every line it does not change) plus an index of its sections.
class TIniFile::TContent {
public:
  enum class TLineKind { lkOther, lkHeader, lkValue };
  struct TLine {
    std::string Text; // without the line end
    std::string Eol;  // "\n", "\r\n", or "" for a last line without one
    TLineKind Kind = TLineKind::lkOther;
    int Section = -1; // lkHeader: the section it opens; lkValue: the one it belongs to
    std::string Name;
    std::string Value;
  };
  struct TSection {
    std::string Name;                                      // as first spelt in the file
    std::vector<std::pair<std::string, std::string>> Keys; // each key once, first value
    std::unordered_map<std::string, size_t> KeyIndex;      // upper-case key -> Keys index
  };

  // What the file was when it was read: the cache is valid while the file
  // still has the same identity, size and times.
  struct TStamp {
    bool Exists = false;
    bool Readable = true;
    int Error = 0;
    dev_t Dev = 0;
    ino_t Ino = 0;
    off_t Size = 0;
    timespec MTime{};
    timespec CTime{};
    bool operator==(const TStamp& O) const {
      return Exists == O.Exists && Readable == O.Readable && Dev == O.Dev && Ino == O.Ino &&
             Size == O.Size && MTime.tv_sec == O.MTime.tv_sec && MTime.tv_nsec == O.MTime.tv_nsec &&
             CTime.tv_sec == O.CTime.tv_sec && CTime.tv_nsec == O.CTime.tv_nsec;
    }
  };

  std::vector<TLine> Lines;
  std::vector<TSection> Sections;
  std::unordered_map<std::string, size_t> SectionIndex; // upper-case name -> Sections index
  std::string NewEol = "\n";
  TStamp Stamp;

  static TStamp StampOf(const struct stat& St) {
    TStamp S;
    S.Exists = true;
    S.Dev = St.st_dev;
    S.Ino = St.st_ino;
    S.Size = St.st_size;
    S.MTime = St.st_mtim;
    S.CTime = St.st_ctim;
    return S;
  }

  const TSection* FindSection(const std::string& Name) const {
    const auto It = SectionIndex.find(SysUtils::UpperCase(SysUtils::Trim(Name)));
    return It == SectionIndex.end() ? nullptr : &Sections[It->second];
  }
  int FindSectionNo(const std::string& Name) const {
    const auto It = SectionIndex.find(SysUtils::UpperCase(SysUtils::Trim(Name)));
    return It == SectionIndex.end() ? -1 : static_cast<int>(It->second);
  }

  void Parse(const std::string& Data) {
    size_t Pos = 0;
    bool EolChosen = false;
    while (Pos < Data.size()) {
      const size_t Nl = Data.find('\n', Pos);
      TLine L;
      if (Nl == std::string::npos) {
        L.Text = Data.substr(Pos);
        Pos = Data.size();
      } else {
        L.Text = Data.substr(Pos, Nl - Pos);
        L.Eol = "\n";
        if (!L.Text.empty() && L.Text.back() == '\r') {
          L.Text.pop_back();
          L.Eol = "\r\n";
        }
        Pos = Nl + 1;
        if (!EolChosen) {
          // New lines follow the file's own convention.
          NewEol = L.Eol;
          EolChosen = true;
        }
      }
      Lines.push_back(std::move(L));
    }
    Reindex();
  }

  // Classifies the lines anew and rebuilds the section index from them,
  // after lines were changed, inserted or removed.
  void Reindex() {
    Sections.clear();
    SectionIndex.clear();
    int Current = -1;
    for (size_t I = 0; I < Lines.size(); ++I) {
      TLine& L = Lines[I];
      L.Kind = TLineKind::lkOther;
      L.Section = -1;
      L.Name.clear();
      L.Value.clear();
      Classify(L, I == 0, Current);
    }
  }

  void Classify(TLine& L, bool First, int& Current) {
    std::string_view Raw = L.Text;
    if (First && Raw.substr(0, 3) == "\xEF\xBB\xBF")
      Raw.remove_prefix(3);
    const std::string T = SysUtils::Trim(Raw);
    if (T.empty() || T[0] == ';' || T[0] == '#')
      return;
    if (T[0] == '[') {
      // A broken header still ends the section before it, so its keys never
      // leak into a section they were not written in.
      Current = -1;
      const size_t Close = T.rfind(']');
      if (Close == std::string::npos)
        return;
      const std::string Name = SysUtils::Trim(std::string_view(T).substr(1, Close - 1));
      if (Name.empty())
        return;
      Current = AddSection(Name);
      L.Kind = TLineKind::lkHeader;
      L.Section = Current;
      L.Name = Name;
      return;
    }
    const size_t Eq = T.find('=');
    if (Eq == std::string::npos || Current < 0)
      return;
    std::string Name = SysUtils::Trim(std::string_view(T).substr(0, Eq));
    if (Name.empty())
      return;
    L.Kind = TLineKind::lkValue;
    L.Section = Current;
    L.Name = std::move(Name);
    L.Value = SysUtils::Trim(std::string_view(T).substr(Eq + 1));
    TSection& S = Sections[static_cast<size_t>(Current)];
    if (S.KeyIndex.emplace(SysUtils::UpperCase(L.Name), S.Keys.size()).second)
      S.Keys.emplace_back(L.Name, L.Value);
  }

  int AddSection(const std::string& Name) {
    const auto [It, Added] = SectionIndex.emplace(SysUtils::UpperCase(Name), Sections.size());
    if (Added)
      Sections.push_back(TSection{Name, {}, {}});
    return static_cast<int>(It->second);
  }

  std::string Serialize() const {
    std::string Out;
    size_t Size = 0;
    for (const TLine& L : Lines)
      Size += L.Text.size() + L.Eol.size();
    Out.reserve(Size);
    for (const TLine& L : Lines) {
      Out += L.Text;
      Out += L.Eol;
    }
    return Out;
  }

  // Where a new key of a section goes: after the last key of the section's
  // first occurrence, or right after its header.
  size_t InsertPosition(int Section) const {
    size_t Header = 0;
    while (!(Lines[Header].Kind == TLineKind::lkHeader && Lines[Header].Section == Section))
      ++Header;
    size_t Pos = Header + 1;
    for (size_t I = Header + 1; I < Lines.size(); ++I) {
      if (IsSectionBreak(Lines[I]))
        break;
      if (Lines[I].Kind == TLineKind::lkValue)
        Pos = I + 1;
    }
    return Pos;
  }

  static bool IsSectionBreak(const TLine& L) {
    if (L.Kind == TLineKind::lkHeader)
      return true;
    const std::string T = SysUtils::TrimLeft(L.Text);
    return !T.empty() && T[0] == '[';
  }

  void AppendLine(std::string Text) {
    if (!Lines.empty() && Lines.back().Eol.empty())
      Lines.back().Eol = NewEol;
    TLine L;
    L.Text = std::move(Text);
    L.Eol = NewEol;
    Lines.push_back(std::move(L));
  }

  void AppendSection(const std::string& Section) {
    if (!Lines.empty() && !SysUtils::Trim(Lines.back().Text).empty())
      AppendLine("");
    AppendLine("[" + Section + "]");
  }
};

namespace {

using TContent = TIniFile::TContent;

// Reads the file into Content; a file that cannot be read leaves Content
// empty with the reason in its stamp.
void ReadContent(const std::string& FileName, TContent& Content) {
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      return;
    Content.Stamp.Exists = true;
    Content.Stamp.Readable = false;
    Content.Stamp.Error = errno;
    return;
  }
  struct stat St {};
  if (::fstat(Fd, &St) != 0 || S_ISDIR(St.st_mode)) {
    const int Err = S_ISDIR(St.st_mode) ? EISDIR : errno;
    ::close(Fd);
    Content.Stamp.Exists = true;
    Content.Stamp.Readable = false;
    Content.Stamp.Error = Err;
    return;
  }
  std::string Data;
  if (St.st_size > 0)
    Data.reserve(static_cast<size_t>(St.st_size));
  char Buffer[65536];
  for (;;) {
    const ssize_t N = ::read(Fd, Buffer, sizeof Buffer);
    if (N == 0)
      break;
    if (N < 0) {
      if (errno == EINTR)
        continue;
      const int Err = errno;
      ::close(Fd);
      Content.Stamp.Exists = true;
      Content.Stamp.Readable = false;
      Content.Stamp.Error = Err;
      return;
    }
    Data.append(Buffer, static_cast<size_t>(N));
  }
  ::close(Fd);
  Content.Stamp = TContent::StampOf(St);
  Content.Parse(Data);
}

TContent::TStamp CurrentStamp(const std::string& FileName) {
  struct stat St {};
  if (::stat(FileName.c_str(), &St) != 0) {
    TContent::TStamp S;
    if (errno != ENOENT && errno != ENOTDIR) {
      S.Exists = true;
      S.Readable = false;
      S.Error = errno;
    }
    return S;
  }
  if (S_ISDIR(St.st_mode)) {
    TContent::TStamp S;
    S.Exists = true;
    S.Readable = false;
    S.Error = EISDIR;
    return S;
  }
  return TContent::StampOf(St);
}

void CheckSection(const std::string& FileName, const std::string& Section) {
  if (SysUtils::Trim(Section).empty())
    throw EIniFileException(Format("Cannot write to \"%s\": empty section name", FileName));
  if (HasLineBreak(Section))
    throw EIniFileException(
        Format("Cannot write to \"%s\": the section name holds a line break", FileName));
}

void CheckKey(const std::string& FileName, const std::string& Section, const std::string& Ident) {
  CheckSection(FileName, Section);
  const std::string Key = SysUtils::Trim(Ident);
  if (Key.empty())
    throw EIniFileException(
        Format("Cannot write to \"%s\": empty key name in section [%s]", FileName, Section));
  if (HasLineBreak(Ident) || Key.find('=') != std::string::npos || Key[0] == '[' || Key[0] == ';' ||
      Key[0] == '#')
    throw EIniFileException(Format(
        "Cannot write to \"%s\": the key name \"%s\" in section [%s] cannot be stored in an INI "
        "file",
        FileName, Ident, Section));
}

} // namespace

TIniFile::TIniFile(std::string FileName) : TCustomIniFile(std::move(FileName)) {}

TIniFile::~TIniFile() = default;

std::shared_ptr<const TIniFile::TContent> TIniFile::Load() const {
  if (FPending)
    return FPending;
  if (FCache && FCache->Stamp.Readable && FCache->Stamp == CurrentStamp(FileName()))
    return FCache;
  auto Content = std::make_shared<TContent>();
  ReadContent(FileName(), *Content);
  FCache = Content;
  return Content;
}

std::shared_ptr<const TIniFile::TContent> TIniFile::LoadForWrite() const {
  auto Content = Load();
  if (!Content->Stamp.Readable)
    throw EIniFileException(Format("Cannot write file \"%s\": it cannot be read: %s", FileName(),
                                   SysUtils::SysErrorMessage(Content->Stamp.Error)));
  return Content;
}

void TIniFile::Store(const TContent& Content) {
  if (FUpdateCount == 0) {
    Save(Content);
    return;
  }
  // The index of the gathered content must follow its lines; they are
  // classified again, not read again from text.
  auto Pending = std::make_shared<TContent>(Content);
  Pending->Reindex();
  FPending = std::move(Pending);
}

void TIniFile::BeginUpdate() {
  ++FUpdateCount;
}

void TIniFile::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0)
    return;
  const auto Pending = std::exchange(FPending, nullptr);
  const bool Cancelled = std::exchange(FCancelled, false);
  if (Pending && !Cancelled)
    Save(*Pending);
}

void TIniFile::CancelUpdate() noexcept {
  // An inner cancel drops the whole update: the outer writes were gathered
  // to land together with the inner ones.
  FCancelled = true;
  EndUpdate();
  if (FUpdateCount > 0)
    return;
  FCancelled = false;
  FPending.reset();
}

void TIniFile::Save(const TContent& Content) {
  // Replacing a symbolic link would cut it off from the file it points at.
  std::string Target = FileName();
  std::error_code Ec;
  if (std::filesystem::is_symlink(Target, Ec)) {
    const auto Resolved = std::filesystem::weakly_canonical(Target, Ec);
    if (!Ec)
      Target = Resolved.string();
  }
  FCache.reset();
  try {
    SysUtils::SaveFileAtomically(Target, Content.Serialize());
  } catch (const SysUtils::EInOutError& E) {
    throw EIniFileException(E.Message());
  }
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
  const auto Content = Load();
  const TContent::TSection* S = Content->FindSection(Section);
  if (!S)
    return Default;
  const auto It = S->KeyIndex.find(SysUtils::UpperCase(SysUtils::Trim(Ident)));
  return It == S->KeyIndex.end() ? Default : S->Keys[It->second].second;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) {
  CheckKey(FileName(), Section, Ident);
  if (HasLineBreak(Value))
    throw EIniFileException(
        Format("Cannot write to \"%s\": the value of \"%s\" in section [%s] holds a line break",
               FileName(), Ident, Section));
  TContent C = *LoadForWrite();
  const std::string Key = SysUtils::Trim(Ident);
  const std::string Val = SysUtils::Trim(Value);
  const int S = C.FindSectionNo(Section);
  if (S < 0) {
    C.AppendSection(SysUtils::Trim(Section));
    C.AppendLine(Key + "=" + Val);
    Store(C);
    return;
  }
  for (auto& L : C.Lines) {
    if (L.Kind == TContent::TLineKind::lkValue && L.Section == S &&
        SysUtils::SameText(L.Name, Key)) {
      if (L.Value == Val)
        return;
      L.Text = L.Name + "=" + Val;
      Store(C);
      return;
    }
  }
  const size_t Pos = C.InsertPosition(S);
  TContent::TLine L;
  L.Text = Key + "=" + Val;
  L.Eol = C.NewEol;
  if (Pos == C.Lines.size() && !C.Lines.empty() && C.Lines.back().Eol.empty())
    C.Lines.back().Eol = C.NewEol;
  C.Lines.insert(C.Lines.begin() + static_cast<std::ptrdiff_t>(Pos), std::move(L));
  Store(C);
}

void TIniFile::ReadSection(const std::string& Section, Classes::TStrings* Strings) const {
  const auto Content = Load();
  Strings->BeginUpdate();
  Strings->Clear();
  if (const TContent::TSection* S = Content->FindSection(Section))
    for (const auto& [Name, Value] : S->Keys)
      Strings->Add(Name);
  Strings->EndUpdate();
}

void TIniFile::ReadSections(Classes::TStrings* Strings) const {
  const auto Content = Load();
  Strings->BeginUpdate();
  Strings->Clear();
  for (const auto& S : Content->Sections)
    Strings->Add(S.Name);
  Strings->EndUpdate();
}

void TIniFile::ReadSectionValues(const std::string& Section, Classes::TStrings* Strings) const {
  const auto Content = Load();
  Strings->BeginUpdate();
  Strings->Clear();
  if (const TContent::TSection* S = Content->FindSection(Section))
    for (const auto& [Name, Value] : S->Keys)
      Strings->Add(Name + "=" + Value);
  Strings->EndUpdate();
}

void TIniFile::EraseSection(const std::string& Section) {
  const auto Current = Load();
  const int S = Current->FindSectionNo(Section);
  if (S < 0)
    return;
  TContent C = *LoadForWrite();
  std::vector<TContent::TLine> Kept;
  Kept.reserve(C.Lines.size());
  bool Inside = false;
  for (auto& L : C.Lines) {
    if (TContent::IsSectionBreak(L))
      Inside = L.Kind == TContent::TLineKind::lkHeader && L.Section == S;
    if (!Inside)
      Kept.push_back(std::move(L));
  }
  C.Lines = std::move(Kept);
  Store(C);
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  const auto Current = Load();
  const int S = Current->FindSectionNo(Section);
  if (S < 0 || !ValueExists(Section, Ident))
    return;
  TContent C = *LoadForWrite();
  const std::string Key = SysUtils::Trim(Ident);
  std::erase_if(C.Lines, [&](const TContent::TLine& L) {
    return L.Kind == TContent::TLineKind::lkValue && L.Section == S &&
           SysUtils::SameText(L.Name, Key);
  });
  Store(C);
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
  const auto Content = Load();
  const TContent::TSection* S = Content->FindSection(Section);
  return S && S->KeyIndex.contains(SysUtils::UpperCase(SysUtils::Trim(Ident)));
}

void TIniFile::CreateSection(const std::string& Section) {
  CheckSection(FileName(), Section);
  TContent C = *LoadForWrite();
  if (C.FindSectionNo(Section) >= 0)
    return;
  C.AppendSection(SysUtils::Trim(Section));
  Store(C);
}

} // namespace IniFiles
