// ovrc: the resource compiler. It reads a resource script and writes a C++
// source whose one array, placed in the ".ovrsrc" section, is the module's
// resource archive (format in rtl/ResFile.hpp).
//
//   ovrc [--depfile FILE] [--symbol NAME] -o OUTPUT.cpp SCRIPT.rc
//   ovrc --bmp OUTPUT.bmp PICTURE.pix      convert one picture (for previews)
//   ovrc --list MODULE                     list the resources of a module file
//
// Resource script (a subset of the Windows .rc language; keywords are
// case-insensitive, "//" and "/* */" are comments, file names are relative to
// the script):
//
//   TOVDATABASE BITMAP "TOVDATABASE.pix"     a .pix picture, or a .bmp file as is
//   OVABOUTDLG  RCDATA "OVAbout.dfm"         any file, stored as is
//   VS_VERSION_INFO VERSIONINFO
//   FILEVERSION 6,5,3,0
//   PRODUCTVERSION 6,5,3,0
//   BEGIN
//     BLOCK "StringFileInfo"
//     BEGIN
//       BLOCK "040904E4"
//       BEGIN
//         VALUE "FileDescription", "Orvane Components for Delphi 6"
//       END
//     END
//     BLOCK "VarFileInfo"
//     BEGIN
//       VALUE "Translation", 0x0409, 0x04E4
//     END
//   END
//
// FILEFLAGSMASK, FILEFLAGS, FILEOS, FILETYPE and FILESUBTYPE with a number are
// accepted for familiarity and not stored. Strings take "" or \" for a quote
// and the escapes \\ \n \r \t.
//
// Picture format (.pix): text, one pixel per character.
//
//   # comment lines start with '#' (before the pixel rows only)
//   OVPIX 24 24 4          width, height, bits per pixel (4 or 8)
//   . = olive              legend: a character, '=', a colour
//   K = #000000
//   pixels                 then exactly `height` rows of `width` characters,
//   ....KK..               top row first
//
// A colour is one of the 16 standard VGA colour names (black maroon green olive
// navy purple teal silver grey red lime yellow blue fuchsia aqua white) or
// #RRGGBB. A 4-bit picture uses the 16-colour VGA palette, so its colours must
// be VGA colours; an 8-bit picture gets a 256-entry palette whose first entries
// are the legend's colours in legend order. The output is an uncompressed
// bottom-up Windows bitmap with rows padded to 4 bytes.
//
// Every error names the file and line; ovrc then exits with status 1 and
// leaves its output files untouched.
#include "rtl/ResFile.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ResFile::TResourceArchive;
using ResFile::TVersionInfo;
using TBytes = std::vector<std::uint8_t>;

class ECompileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& File, int Line, const std::string& Message) {
  throw ECompileError(File + ":" + std::to_string(Line) + ": " + Message);
}

std::string Upper(std::string_view Text) {
  std::string Result(Text);
  for (auto& C : Result) {
    C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  }
  return Result;
}

std::string Printable(std::string_view Text) {
  std::string Result;
  for (char C : Text) {
    if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F) {
      char Buffer[8];
      std::snprintf(Buffer, sizeof Buffer, "\\x%02X", static_cast<unsigned char>(C));
      Result += Buffer;
    } else {
      Result += C;
    }
  }
  return Result;
}

TBytes ReadFileBytes(const fs::path& Path, std::string& Problem) {
  std::error_code Error;
  if (fs::is_directory(Path, Error)) {
    Problem = "is a directory";
    return {};
  }
  std::ifstream Stream(Path, std::ios::binary);
  if (!Stream) {
    Problem = std::strerror(errno);
    return {};
  }
  TBytes Bytes((std::istreambuf_iterator<char>(Stream)), std::istreambuf_iterator<char>());
  if (Stream.bad()) {
    Problem = "read error";
  }
  return Bytes;
}

// ---------------------------------------------------------------------------
// Pictures

struct TRgb {
  std::uint8_t R = 0, G = 0, B = 0;
  bool operator==(const TRgb&) const = default;
};

struct TNamedColour {
  const char* Name;
  TRgb Rgb;
};

// The 16-colour palette of 4-bit Windows bitmaps, in palette order.
constexpr std::array<TNamedColour, 16> VgaPalette{{
    {"black", {0x00, 0x00, 0x00}},
    {"maroon", {0x80, 0x00, 0x00}},
    {"green", {0x00, 0x80, 0x00}},
    {"olive", {0x80, 0x80, 0x00}},
    {"navy", {0x00, 0x00, 0x80}},
    {"purple", {0x80, 0x00, 0x80}},
    {"teal", {0x00, 0x80, 0x80}},
    {"silver", {0xC0, 0xC0, 0xC0}},
    {"grey", {0x80, 0x80, 0x80}},
    {"red", {0xFF, 0x00, 0x00}},
    {"lime", {0x00, 0xFF, 0x00}},
    {"yellow", {0xFF, 0xFF, 0x00}},
    {"blue", {0x00, 0x00, 0xFF}},
    {"fuchsia", {0xFF, 0x00, 0xFF}},
    {"aqua", {0x00, 0xFF, 0xFF}},
    {"white", {0xFF, 0xFF, 0xFF}},
}};

std::string Trim(std::string_view Text) {
  auto Begin = Text.find_first_not_of(" \t\r");
  if (Begin == std::string_view::npos) {
    return {};
  }
  auto End = Text.find_last_not_of(" \t\r");
  return std::string(Text.substr(Begin, End - Begin + 1));
}

std::optional<TRgb> ParseColour(const std::string& Text) {
  if (Text.size() == 7 && Text[0] == '#' && std::all_of(Text.begin() + 1, Text.end(), [](char C) {
        return std::isxdigit(static_cast<unsigned char>(C));
      })) {
    auto Value = std::stoul(Text.substr(1), nullptr, 16);
    return TRgb{static_cast<std::uint8_t>(Value >> 16), static_cast<std::uint8_t>(Value >> 8),
                static_cast<std::uint8_t>(Value)};
  }
  auto Lower = Text;
  std::transform(Lower.begin(), Lower.end(), Lower.begin(),
                 [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  if (Lower == "gray") {
    Lower = "grey";
  }
  for (const auto& Colour : VgaPalette) {
    if (Lower == Colour.Name) {
      return Colour.Rgb;
    }
  }
  return std::nullopt;
}

void PutU16(TBytes& Out, std::uint32_t Value) {
  Out.push_back(static_cast<std::uint8_t>(Value));
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
}

void PutU32(TBytes& Out, std::uint32_t Value) {
  PutU16(Out, Value & 0xFFFF);
  PutU16(Out, Value >> 16);
}

struct TPicture {
  int Width = 0, Height = 0, Bits = 0;
  std::vector<TRgb> Palette;
  std::vector<std::uint8_t> Indexes; // palette index per pixel, top row first
};

TBytes EncodeBitmap(const TPicture& Picture) {
  const std::uint32_t Stride =
      (static_cast<std::uint32_t>(Picture.Width * Picture.Bits) + 31) / 32 * 4;
  const std::uint32_t ImageSize = Stride * static_cast<std::uint32_t>(Picture.Height);
  const std::uint32_t PaletteSize = static_cast<std::uint32_t>(Picture.Palette.size()) * 4;
  const std::uint32_t BitsOffset = 14 + 40 + PaletteSize;
  TBytes Out;
  Out.reserve(BitsOffset + ImageSize);
  Out.push_back('B');
  Out.push_back('M');
  PutU32(Out, BitsOffset + ImageSize);
  PutU32(Out, 0);
  PutU32(Out, BitsOffset);
  PutU32(Out, 40);
  PutU32(Out, static_cast<std::uint32_t>(Picture.Width));
  PutU32(Out, static_cast<std::uint32_t>(Picture.Height)); // positive: rows run bottom-up
  PutU16(Out, 1);
  PutU16(Out, static_cast<std::uint32_t>(Picture.Bits));
  PutU32(Out, 0); // BI_RGB
  PutU32(Out, ImageSize);
  PutU32(Out, 0);
  PutU32(Out, 0);
  PutU32(Out, static_cast<std::uint32_t>(Picture.Palette.size()));
  PutU32(Out, 0);
  for (const auto& Colour : Picture.Palette) {
    Out.insert(Out.end(), {Colour.B, Colour.G, Colour.R, 0});
  }
  for (int Row = Picture.Height - 1; Row >= 0; --Row) {
    TBytes Line(Stride, 0);
    for (int Column = 0; Column < Picture.Width; ++Column) {
      auto Index = Picture.Indexes[static_cast<std::size_t>(Row * Picture.Width + Column)];
      if (Picture.Bits == 8) {
        Line[static_cast<std::size_t>(Column)] = Index;
      } else {
        auto Shift = (Column % 2 == 0) ? 4 : 0;
        Line[static_cast<std::size_t>(Column / 2)] |= static_cast<std::uint8_t>(Index << Shift);
      }
    }
    Out.insert(Out.end(), Line.begin(), Line.end());
  }
  return Out;
}

int ParseDimension(const std::string& File, int Line, const std::string& Text, const char* What,
                   int Low, int High) {
  if (Text.empty() || Text.size() > 5 || !std::all_of(Text.begin(), Text.end(), [](char C) {
        return std::isdigit(static_cast<unsigned char>(C));
      })) {
    Fail(File, Line, std::string(What) + " \"" + Printable(Text) + "\" is not a number");
  }
  int Value = std::stoi(Text);
  if (Value < Low || Value > High) {
    Fail(File, Line,
         std::string(What) + " " + Text + " is out of range " + std::to_string(Low) + ".." +
             std::to_string(High));
  }
  return Value;
}

TPicture ParsePicture(const std::string& File, const std::string& Text) {
  std::vector<std::string> Lines;
  {
    std::istringstream Stream(Text);
    std::string Line;
    while (std::getline(Stream, Line)) {
      Lines.push_back(Line);
    }
  }
  TPicture Picture;
  std::size_t At = 0;
  auto SkipComments = [&] {
    while (At < Lines.size() && (Trim(Lines[At]).empty() || Trim(Lines[At])[0] == '#')) {
      ++At;
    }
  };
  SkipComments();
  if (At == Lines.size()) {
    Fail(File, static_cast<int>(At) + 1, "empty picture: expected \"OVPIX width height bits\"");
  }
  {
    std::istringstream Header(Lines[At]);
    std::string Magic, Width, Height, Bits, Extra;
    Header >> Magic >> Width >> Height >> Bits >> Extra;
    int LineNo = static_cast<int>(At) + 1;
    if (Magic != "OVPIX" || Bits.empty() || !Extra.empty()) {
      Fail(File, LineNo,
           "expected \"OVPIX width height bits\", found \"" + Printable(Trim(Lines[At])) + "\"");
    }
    Picture.Width = ParseDimension(File, LineNo, Width, "width", 1, 4096);
    Picture.Height = ParseDimension(File, LineNo, Height, "height", 1, 4096);
    Picture.Bits = ParseDimension(File, LineNo, Bits, "bits per pixel", 4, 8);
    if (Picture.Bits != 4 && Picture.Bits != 8) {
      Fail(File, LineNo, "bits per pixel must be 4 or 8, not " + Bits);
    }
    ++At;
  }
  std::array<int, 256> Legend;
  Legend.fill(-1);
  std::array<int, 256> LegendLine{};
  if (Picture.Bits == 4) {
    for (const auto& Colour : VgaPalette) {
      Picture.Palette.push_back(Colour.Rgb);
    }
  }
  for (;; ++At) {
    SkipComments();
    if (At == Lines.size()) {
      Fail(File, static_cast<int>(At), "missing \"pixels\" line before the pixel rows");
    }
    auto Line = Trim(Lines[At]);
    int LineNo = static_cast<int>(At) + 1;
    if (Line == "pixels") {
      ++At;
      break;
    }
    auto Key = static_cast<unsigned char>(Line[0]);
    auto Rest = Trim(std::string_view(Line).substr(1));
    if (Line.size() < 2 || !std::isspace(static_cast<unsigned char>(Line[1])) || Rest.empty() ||
        Rest[0] != '=') {
      Fail(File, LineNo,
           "expected a legend line \"c = colour\" or \"pixels\", found \"" + Printable(Line) +
               "\"");
    }
    if (Key < 0x21 || Key > 0x7E) {
      Fail(File, LineNo, "legend character must be printable ASCII");
    }
    if (Legend[Key] >= 0) {
      Fail(File, LineNo,
           std::string("legend character '") + static_cast<char>(Key) +
               "' is already defined on line " + std::to_string(LegendLine[Key]));
    }
    auto ColourText = Trim(std::string_view(Rest).substr(1));
    auto Colour = ParseColour(ColourText);
    if (!Colour) {
      Fail(File, LineNo,
           "unknown colour \"" + Printable(ColourText) +
               "\" (use a VGA colour name such as navy or silver, or #RRGGBB)");
    }
    if (Picture.Bits == 4) {
      auto Found = std::find(Picture.Palette.begin(), Picture.Palette.end(), *Colour);
      if (Found == Picture.Palette.end()) {
        Fail(File, LineNo,
             "colour \"" + ColourText + "\" is not one of the 16 VGA colours of a 4-bit picture");
      }
      Legend[Key] = static_cast<int>(Found - Picture.Palette.begin());
    } else {
      if (Picture.Palette.size() == 256) {
        Fail(File, LineNo, "more than 256 colours in the legend");
      }
      Legend[Key] = static_cast<int>(Picture.Palette.size());
      Picture.Palette.push_back(*Colour);
    }
    LegendLine[Key] = LineNo;
  }
  if (Picture.Bits == 8) {
    Picture.Palette.resize(256);
  }
  Picture.Indexes.reserve(static_cast<std::size_t>(Picture.Width * Picture.Height));
  for (int Row = 0; Row < Picture.Height; ++Row, ++At) {
    if (At == Lines.size()) {
      Fail(File, static_cast<int>(At) + 1,
           "picture ends after " + std::to_string(Row) + " of " + std::to_string(Picture.Height) +
               " pixel rows");
    }
    auto Line = Lines[At];
    while (!Line.empty() && (Line.back() == '\r' || Line.back() == ' ' || Line.back() == '\t')) {
      Line.pop_back();
    }
    int LineNo = static_cast<int>(At) + 1;
    if (static_cast<int>(Line.size()) != Picture.Width) {
      Fail(File, LineNo,
           "pixel row " + std::to_string(Row + 1) + " has " + std::to_string(Line.size()) +
               " pixels, expected " + std::to_string(Picture.Width));
    }
    for (std::size_t Column = 0; Column < Line.size(); ++Column) {
      auto Key = static_cast<unsigned char>(Line[Column]);
      if (Legend[Key] < 0) {
        Fail(File, LineNo,
             "column " + std::to_string(Column + 1) + ": character '" +
                 Printable(std::string(1, static_cast<char>(Key))) + "' is not in the legend");
      }
      Picture.Indexes.push_back(static_cast<std::uint8_t>(Legend[Key]));
    }
  }
  for (; At < Lines.size(); ++At) {
    if (!Trim(Lines[At]).empty()) {
      Fail(File, static_cast<int>(At) + 1,
           "more pixel rows than the height " + std::to_string(Picture.Height));
    }
  }
  return Picture;
}

TBytes ConvertPicture(const std::string& File, const std::string& Text) {
  return EncodeBitmap(ParsePicture(File, Text));
}

// ---------------------------------------------------------------------------
// Resource scripts

enum class TTokenKind { Name, Number, String, Comma, Begin, End, Eof };

struct TToken {
  TTokenKind Kind = TTokenKind::Eof;
  std::string Text; // the name, or the string's value
  std::uint64_t Number = 0;
  int Line = 0;
};

std::string Describe(const TToken& Token) {
  switch (Token.Kind) {
  case TTokenKind::Name:
    return "'" + Token.Text + "'";
  case TTokenKind::Number:
    return "the number " + Token.Text;
  case TTokenKind::String:
    return "the string \"" + Printable(Token.Text) + "\"";
  case TTokenKind::Comma:
    return "','";
  case TTokenKind::Begin:
    return "BEGIN";
  case TTokenKind::End:
    return "END";
  case TTokenKind::Eof:
    break;
  }
  return "the end of the script";
}

class TScriptLexer {
public:
  TScriptLexer(std::string File, std::string Text)
      : FFile(std::move(File)), FText(std::move(Text)) {}

  std::vector<TToken> Tokens() {
    std::vector<TToken> Result;
    for (;;) {
      Result.push_back(Next());
      if (Result.back().Kind == TTokenKind::Eof) {
        return Result;
      }
    }
  }

private:
  std::string FFile;
  std::string FText;
  std::size_t FAt = 0;
  int FLine = 1;

  char Peek(std::size_t Ahead = 0) const {
    return FAt + Ahead < FText.size() ? FText[FAt + Ahead] : '\0';
  }

  void SkipBlanks() {
    while (FAt < FText.size()) {
      char C = FText[FAt];
      if (C == '\n') {
        ++FLine;
        ++FAt;
      } else if (C == ' ' || C == '\t' || C == '\r' || C == '\f') {
        ++FAt;
      } else if (C == '/' && Peek(1) == '/') {
        while (FAt < FText.size() && FText[FAt] != '\n') {
          ++FAt;
        }
      } else if (C == '/' && Peek(1) == '*') {
        int Start = FLine;
        FAt += 2;
        while (FAt < FText.size() && !(FText[FAt] == '*' && Peek(1) == '/')) {
          FLine += FText[FAt] == '\n';
          ++FAt;
        }
        if (FAt >= FText.size()) {
          Fail(FFile, Start, "comment is not closed");
        }
        FAt += 2;
      } else {
        return;
      }
    }
  }

  TToken Next() {
    SkipBlanks();
    TToken Token;
    Token.Line = FLine;
    if (FAt >= FText.size()) {
      return Token;
    }
    char C = FText[FAt];
    if (C == ',') {
      ++FAt;
      Token.Kind = TTokenKind::Comma;
    } else if (C == '{' || C == '}') {
      ++FAt;
      Token.Kind = C == '{' ? TTokenKind::Begin : TTokenKind::End;
    } else if (C == '"') {
      Token.Kind = TTokenKind::String;
      Token.Text = ReadString();
    } else if (std::isdigit(static_cast<unsigned char>(C))) {
      Token.Kind = TTokenKind::Number;
      ReadNumber(Token);
    } else if (std::isalpha(static_cast<unsigned char>(C)) || C == '_') {
      while (FAt < FText.size() && (std::isalnum(static_cast<unsigned char>(FText[FAt])) ||
                                    FText[FAt] == '_' || FText[FAt] == '.')) {
        Token.Text += FText[FAt++];
      }
      Token.Kind = TTokenKind::Name;
      if (Upper(Token.Text) == "BEGIN") {
        Token.Kind = TTokenKind::Begin;
      } else if (Upper(Token.Text) == "END") {
        Token.Kind = TTokenKind::End;
      }
    } else if (C == '#') {
      Fail(FFile, FLine, "preprocessor directives are not supported");
    } else {
      Fail(FFile, FLine, "unexpected character '" + Printable(std::string(1, C)) + "'");
    }
    return Token;
  }

  std::string ReadString() {
    int Start = FLine;
    std::string Value;
    ++FAt;
    for (;;) {
      if (FAt >= FText.size() || FText[FAt] == '\n') {
        Fail(FFile, Start, "string is not closed on its line");
      }
      char C = FText[FAt++];
      if (C == '"') {
        if (Peek() == '"') {
          Value += '"';
          ++FAt;
          continue;
        }
        return Value;
      }
      if (C != '\\') {
        Value += C;
        continue;
      }
      char Escape = Peek();
      ++FAt;
      switch (Escape) {
      case '"':
      case '\\':
        Value += Escape;
        break;
      case 'n':
        Value += '\n';
        break;
      case 'r':
        Value += '\r';
        break;
      case 't':
        Value += '\t';
        break;
      case '0':
        Fail(FFile, FLine, "\"\\0\" is not needed: strings are stored with their length");
      default:
        Fail(FFile, FLine,
             "unknown escape \"\\" + Printable(std::string(1, Escape)) +
                 "\" in string (use \\\\ \\\" \\n \\r \\t)");
      }
    }
  }

  void ReadNumber(TToken& Token) {
    std::size_t Start = FAt;
    bool Hex = Peek() == '0' && (Peek(1) == 'x' || Peek(1) == 'X');
    if (Hex) {
      FAt += 2;
    }
    while (FAt < FText.size() && std::isalnum(static_cast<unsigned char>(FText[FAt]))) {
      ++FAt;
    }
    Token.Text = FText.substr(Start, FAt - Start);
    std::string Digits = Token.Text.substr(Hex ? 2 : 0);
    if (!Digits.empty() && (Digits.back() == 'L' || Digits.back() == 'l')) {
      Digits.pop_back(); // the .rc "long" suffix
    }
    auto Valid = [&](char C) {
      return Hex ? std::isxdigit(static_cast<unsigned char>(C)) != 0
                 : std::isdigit(static_cast<unsigned char>(C)) != 0;
    };
    if (Digits.empty() || Digits.size() > 10 || !std::all_of(Digits.begin(), Digits.end(), Valid)) {
      Fail(FFile, FLine, "\"" + Token.Text + "\" is not a number");
    }
    Token.Number = std::stoull(Digits, nullptr, Hex ? 16 : 10);
  }
};

class TScriptCompiler {
public:
  TScriptCompiler(std::string File, const std::string& Text)
      : FFile(std::move(File)), FBase(fs::path(FFile).parent_path()),
        FTokens(TScriptLexer(FFile, Text).Tokens()) {}

  void Compile() {
    while (Peek().Kind != TTokenKind::Eof) {
      Statement();
    }
  }

  const TResourceArchive& Archive() const { return FArchive; }
  const std::vector<fs::path>& Dependencies() const { return FDependencies; }

private:
  std::string FFile;
  fs::path FBase;
  std::vector<TToken> FTokens;
  std::size_t FAt = 0;
  TResourceArchive FArchive;
  std::vector<fs::path> FDependencies;
  std::vector<std::pair<std::string, int>> FDefined; // "TYPE NAME" and its line
  bool FHasVersion = false;

  const TToken& Peek() const { return FTokens[FAt]; }
  const TToken& Take() {
    const TToken& Token = FTokens[FAt];
    if (Token.Kind != TTokenKind::Eof) {
      ++FAt;
    }
    return Token;
  }

  [[noreturn]] void Error(const TToken& At, const std::string& Message) const {
    Fail(FFile, At.Line, Message);
  }

  const TToken& Expect(TTokenKind Kind, const std::string& What) {
    const TToken& Token = Take();
    if (Token.Kind != Kind) {
      Error(Token, "expected " + What + ", found " + Describe(Token));
    }
    return Token;
  }

  bool IsKeyword(const TToken& Token, std::string_view Keyword) const {
    return Token.Kind == TTokenKind::Name && Upper(Token.Text) == Keyword;
  }

  void Define(std::uint16_t Type, const std::string& TypeName, const TToken& Name, TBytes Data) {
    auto Key = TypeName + " " + Upper(Name.Text);
    for (const auto& [Defined, Line] : FDefined) {
      if (Defined == Key) {
        Error(Name, TypeName + " resource " + Name.Text + " is already defined on line " +
                        std::to_string(Line));
      }
    }
    FDefined.emplace_back(Key, Name.Line);
    try {
      FArchive.Add(Type, Name.Text, std::move(Data));
    } catch (const ResFile::EResFileError& E) {
      Error(Name, E.what());
    }
  }

  TBytes ReadNamedFile(const TToken& FileName) {
    if (FileName.Text.empty()) {
      Error(FileName, "empty file name");
    }
    auto Path = (FBase / FileName.Text).lexically_normal();
    std::string Problem;
    auto Bytes = ReadFileBytes(Path, Problem);
    if (!Problem.empty()) {
      Error(FileName, "cannot read \"" + Path.string() + "\": " + Problem);
    }
    FDependencies.push_back(Path);
    return Bytes;
  }

  void Statement() {
    const TToken& Name = Take();
    if (Name.Kind != TTokenKind::Name) {
      Error(Name, "expected a resource name, found " + Describe(Name));
    }
    const TToken& Type = Take();
    if (IsKeyword(Type, "BITMAP")) {
      const TToken& FileName = Expect(TTokenKind::String, "a file name in quotes after BITMAP");
      auto Bytes = ReadNamedFile(FileName);
      auto Path = (FBase / FileName.Text).lexically_normal();
      if (Upper(Path.extension().string()) == ".PIX") {
        Bytes = ConvertPicture(Path.string(), std::string(Bytes.begin(), Bytes.end()));
      } else if (Bytes.size() < 54 || Bytes[0] != 'B' || Bytes[1] != 'M') {
        Error(FileName, "\"" + Path.string() + "\" is neither a .pix picture nor a .bmp file");
      }
      Define(ResFile::RT_BITMAP, "BITMAP", Name, std::move(Bytes));
    } else if (IsKeyword(Type, "RCDATA")) {
      const TToken& FileName = Expect(TTokenKind::String, "a file name in quotes after RCDATA");
      Define(ResFile::RT_RCDATA, "RCDATA", Name, ReadNamedFile(FileName));
    } else if (IsKeyword(Type, "VERSIONINFO")) {
      if (FHasVersion) {
        Error(Type, "a script holds one VERSIONINFO resource only");
      }
      FHasVersion = true;
      Define(ResFile::RT_VERSION, "VERSION", Name, ResFile::SerializeVersionInfo(VersionInfo()));
    } else if (Type.Kind == TTokenKind::Name) {
      Error(Type,
            "unknown resource type '" + Type.Text + "' (known types: BITMAP, RCDATA, VERSIONINFO)");
    } else {
      Error(Type, "expected a resource type after " + Name.Text + ", found " + Describe(Type));
    }
  }

  std::uint16_t Word(const TToken& Token, const std::string& What) {
    if (Token.Kind != TTokenKind::Number) {
      Error(Token, "expected " + What + ", found " + Describe(Token));
    }
    if (Token.Number > 0xFFFF) {
      Error(Token, What + " must be at most 65535, found " + Token.Text);
    }
    return static_cast<std::uint16_t>(Token.Number);
  }

  std::array<std::uint16_t, 4> VersionNumber(const TToken& Keyword) {
    std::array<std::uint16_t, 4> Parts{};
    std::size_t Count = 0;
    for (;;) {
      if (Count == 4) {
        Error(Peek(), Keyword.Text + " has more than four parts");
      }
      Parts[Count++] = Word(Take(), "a version part");
      if (Peek().Kind != TTokenKind::Comma) {
        return Parts;
      }
      Take();
    }
  }

  TVersionInfo VersionInfo() {
    TVersionInfo Info;
    std::set<std::string> Seen;
    while (Peek().Kind == TTokenKind::Name) {
      const TToken& Keyword = Take();
      auto KeywordText = Upper(Keyword.Text);
      if (!Seen.insert(KeywordText).second) {
        Error(Keyword, KeywordText + " is given twice");
      }
      if (KeywordText == "FILEVERSION") {
        Info.FileVersion = VersionNumber(Keyword);
      } else if (KeywordText == "PRODUCTVERSION") {
        Info.ProductVersion = VersionNumber(Keyword);
      } else if (KeywordText == "FILEFLAGSMASK" || KeywordText == "FILEFLAGS" ||
                 KeywordText == "FILEOS" || KeywordText == "FILETYPE" ||
                 KeywordText == "FILESUBTYPE") {
        if (Take().Kind != TTokenKind::Number) {
          Error(Keyword, KeywordText + " takes a number");
        }
      } else {
        Error(Keyword, "unknown VERSIONINFO statement '" + Keyword.Text + "'");
      }
    }
    Expect(TTokenKind::Begin, "BEGIN of the VERSIONINFO block");
    bool HasStrings = false, HasTranslations = false;
    while (Peek().Kind != TTokenKind::End) {
      const TToken& Block = Take();
      if (!IsKeyword(Block, "BLOCK")) {
        Error(Block, "expected BLOCK or END in VERSIONINFO, found " + Describe(Block));
      }
      const TToken& BlockName = Expect(TTokenKind::String, "a block name in quotes");
      if (BlockName.Text == "StringFileInfo") {
        if (HasStrings) {
          Error(BlockName, "StringFileInfo is given twice");
        }
        HasStrings = true;
        StringFileInfo(Info);
      } else if (BlockName.Text == "VarFileInfo") {
        if (HasTranslations) {
          Error(BlockName, "VarFileInfo is given twice");
        }
        HasTranslations = true;
        VarFileInfo(Info);
      } else {
        Error(BlockName, "unknown block \"" + Printable(BlockName.Text) +
                             "\" (expected \"StringFileInfo\" or \"VarFileInfo\")");
      }
    }
    Take();
    return Info;
  }

  void StringFileInfo(TVersionInfo& Info) {
    Expect(TTokenKind::Begin, "BEGIN of StringFileInfo");
    while (Peek().Kind != TTokenKind::End) {
      const TToken& Block = Take();
      if (!IsKeyword(Block, "BLOCK")) {
        Error(Block, "expected BLOCK or END in StringFileInfo, found " + Describe(Block));
      }
      const TToken& Key = Expect(TTokenKind::String, "a language and code page key in quotes");
      if (Key.Text.size() != 8 || !std::all_of(Key.Text.begin(), Key.Text.end(), [](char C) {
            return std::isxdigit(static_cast<unsigned char>(C));
          })) {
        Error(Key, "string table key \"" + Printable(Key.Text) +
                       "\" is not a language and code page in 8 hex digits, such as \"040904E4\"");
      }
      for (const auto& Table : Info.StringTables) {
        if (Upper(Table.Key) == Upper(Key.Text)) {
          Error(Key, "string table \"" + Key.Text + "\" is given twice");
        }
      }
      ResFile::TStringTable Table;
      Table.Key = Key.Text;
      Expect(TTokenKind::Begin, "BEGIN of the string table");
      while (Peek().Kind != TTokenKind::End) {
        const TToken& Value = Take();
        if (!IsKeyword(Value, "VALUE")) {
          Error(Value, "expected VALUE or END in string table, found " + Describe(Value));
        }
        const TToken& Name = Expect(TTokenKind::String, "a value name in quotes");
        if (Name.Text.empty()) {
          Error(Name, "empty value name");
        }
        for (const auto& Existing : Table.Values) {
          if (Upper(Existing.first) == Upper(Name.Text)) {
            Error(Name, "value \"" + Name.Text + "\" is given twice in this table");
          }
        }
        Expect(TTokenKind::Comma, "',' after the value name");
        const TToken& Text = Expect(TTokenKind::String, "the value text in quotes");
        Table.Values.emplace_back(Name.Text, Text.Text);
      }
      Take();
      Info.StringTables.push_back(std::move(Table));
    }
    Take();
  }

  void VarFileInfo(TVersionInfo& Info) {
    Expect(TTokenKind::Begin, "BEGIN of VarFileInfo");
    while (Peek().Kind != TTokenKind::End) {
      const TToken& Value = Take();
      if (!IsKeyword(Value, "VALUE")) {
        Error(Value, "expected VALUE or END in VarFileInfo, found " + Describe(Value));
      }
      const TToken& Name = Expect(TTokenKind::String, "\"Translation\"");
      if (Name.Text != "Translation") {
        Error(Name, "unknown VarFileInfo value \"" + Printable(Name.Text) +
                        "\" (expected \"Translation\")");
      }
      if (!Info.Translations.empty()) {
        Error(Name, "Translation is given twice");
      }
      while (Peek().Kind == TTokenKind::Comma) {
        Take();
        auto Language = Word(Take(), "a language id");
        Expect(TTokenKind::Comma, "',' and a code page after the language id");
        Info.Translations.emplace_back(Language, Word(Take(), "a code page"));
      }
      if (Info.Translations.empty()) {
        Error(Name, "Translation needs at least one language id and code page");
      }
    }
    Take();
  }
};

// ---------------------------------------------------------------------------
// Output

std::string GeneratedSource(const std::string& ScriptName, const std::string& Symbol,
                            const TBytes& Archive) {
  std::ostringstream Out;
  Out << "// Generated by ovrc from " << ScriptName << "; edit the script, not this file.\n"
      << "#include <cstddef>\n#include <cstdint>\n\n"
      << "// The linker gathers every array of this section into the module's resource\n"
      << "// section, where the module file can be read without loading it.\n"
      << "extern \"C\" {\n"
      << "__attribute__((visibility(\"hidden\"))) extern const std::uint8_t " << Symbol << "[];\n"
      << "__attribute__((visibility(\"hidden\"))) extern const std::size_t " << Symbol
      << "Size;\n\n"
      << "alignas(16) __attribute__((section(\".ovrsrc\"), used)) const std::uint8_t " << Symbol
      << "[" << Archive.size() << "] = {";
  for (std::size_t Index = 0; Index < Archive.size(); ++Index) {
    Out << (Index % 16 == 0 ? "\n    " : " ");
    char Buffer[8];
    std::snprintf(Buffer, sizeof Buffer, "0x%02X,", Archive[Index]);
    Out << Buffer;
  }
  Out << "\n};\n\nconst std::size_t " << Symbol << "Size = sizeof(" << Symbol << ");\n}\n";
  return Out.str();
}

std::string DepfileEscape(const std::string& Path) {
  std::string Result;
  for (char C : Path) {
    if (C == ' ' || C == '#' || C == '\\') {
      Result += '\\';
    } else if (C == '$') {
      Result += '$';
    }
    Result += C;
  }
  return Result;
}

bool ValidSymbol(const std::string& Symbol) {
  return !Symbol.empty() && !std::isdigit(static_cast<unsigned char>(Symbol[0])) &&
         std::all_of(Symbol.begin(), Symbol.end(), [](char C) {
           return std::isalnum(static_cast<unsigned char>(C)) || C == '_';
         });
}

// Writes through a temporary file and a rename, so that a reader (or a build
// interrupted half-way) never sees a partial file.
class TOutputFiles {
public:
  void Add(const std::string& Path, std::string Content) {
    FFiles.emplace_back(Path, std::move(Content));
  }

  void Commit() {
    std::vector<std::pair<std::string, std::string>> Temporaries;
    auto Discard = [&] {
      for (const auto& [Temporary, Target] : Temporaries) {
        std::remove(Temporary.c_str());
      }
    };
    for (const auto& [Path, Content] : FFiles) {
      auto Temporary = Path + ".tmp" + std::to_string(::getpid());
      Temporaries.emplace_back(Temporary, Path);
      std::ofstream Stream(Temporary, std::ios::binary | std::ios::trunc);
      Stream << Content;
      Stream.close();
      if (!Stream) {
        Discard();
        throw ECompileError(Path + ": cannot write: " + std::strerror(errno));
      }
    }
    for (const auto& [Temporary, Target] : Temporaries) {
      if (std::rename(Temporary.c_str(), Target.c_str()) != 0) {
        int Code = errno;
        Discard();
        throw ECompileError(Target + ": cannot write: " + std::strerror(Code));
      }
    }
  }

private:
  std::vector<std::pair<std::string, std::string>> FFiles;
};

int Usage() {
  std::cerr << "usage: ovrc [--depfile FILE] [--symbol NAME] -o OUTPUT.cpp SCRIPT.rc\n"
               "       ovrc --bmp OUTPUT.bmp PICTURE.pix\n"
               "       ovrc --list MODULE\n";
  return 2;
}

std::string ReadText(const std::string& Path) {
  std::string Problem;
  auto Bytes = ReadFileBytes(Path, Problem);
  if (!Problem.empty()) {
    throw ECompileError(Path + ": cannot read: " + Problem);
  }
  return std::string(Bytes.begin(), Bytes.end());
}

int ListModule(const std::string& Module) {
  auto Archive = ResFile::ReadModuleResources(Module);
  for (const auto& Resource : Archive->Resources()) {
    const char* Type = Resource.Type == ResFile::RT_BITMAP    ? "BITMAP"
                       : Resource.Type == ResFile::RT_RCDATA  ? "RCDATA"
                       : Resource.Type == ResFile::RT_VERSION ? "VERSION"
                                                              : "OTHER";
    std::cout << Type << ' ' << Resource.Name << ' ' << Resource.Data.size() << '\n';
  }
  return 0;
}

int Run(const std::vector<std::string>& Args) {
  std::string Output, Depfile, Symbol, Script, Bitmap, List;
  for (std::size_t Index = 0; Index < Args.size(); ++Index) {
    const auto& Arg = Args[Index];
    auto Value = [&]() -> const std::string& {
      if (Index + 1 == Args.size()) {
        throw ECompileError("ovrc: " + Arg + " needs a value");
      }
      return Args[++Index];
    };
    if (Arg == "-o") {
      Output = Value();
    } else if (Arg == "--depfile") {
      Depfile = Value();
    } else if (Arg == "--symbol") {
      Symbol = Value();
    } else if (Arg == "--bmp") {
      Bitmap = Value();
    } else if (Arg == "--list") {
      List = Value();
    } else if (!Arg.empty() && Arg[0] == '-') {
      throw ECompileError("ovrc: unknown option " + Arg);
    } else if (Script.empty()) {
      Script = Arg;
    } else {
      return Usage();
    }
  }
  if (!List.empty()) {
    return Script.empty() ? ListModule(List) : Usage();
  }
  if (!Bitmap.empty()) {
    if (Script.empty()) {
      return Usage();
    }
    TOutputFiles Files;
    auto Bytes = ConvertPicture(Script, ReadText(Script));
    Files.Add(Bitmap, std::string(Bytes.begin(), Bytes.end()));
    Files.Commit();
    return 0;
  }
  if (Output.empty() || Script.empty()) {
    return Usage();
  }
  if (Symbol.empty()) {
    Symbol = "OvResources_" + fs::path(Script).stem().string();
    std::replace_if(
        Symbol.begin(), Symbol.end(),
        [](char C) { return !std::isalnum(static_cast<unsigned char>(C)); }, '_');
  }
  if (!ValidSymbol(Symbol)) {
    throw ECompileError("ovrc: symbol \"" + Symbol + "\" is not a C identifier");
  }
  TScriptCompiler Compiler(Script, ReadText(Script));
  Compiler.Compile();
  TOutputFiles Files;
  Files.Add(Output, GeneratedSource(fs::path(Script).filename().string(), Symbol,
                                    Compiler.Archive().Serialize()));
  if (!Depfile.empty()) {
    std::string Rule = DepfileEscape(fs::absolute(Output).lexically_normal().string()) + ":";
    Rule += " " + DepfileEscape(fs::absolute(Script).lexically_normal().string());
    for (const auto& Dependency : Compiler.Dependencies()) {
      Rule += " \\\n  " + DepfileEscape(fs::absolute(Dependency).lexically_normal().string());
    }
    Files.Add(Depfile, Rule + "\n");
  }
  Files.Commit();
  return 0;
}

} // namespace

int main(int Argc, char** Argv) {
  try {
    return Run(std::vector<std::string>(Argv + 1, Argv + Argc));
  } catch (const std::exception& E) {
    std::cerr << E.what() << '\n';
    return 1;
  }
}
