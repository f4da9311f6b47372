// Settings and registry files from elsewhere: any bytes read as far as makes
// sense, and a write afterwards keeps every other value the file gave.
#include "rtl/IniFiles.hpp"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// Each write syncs the file: on a memory file system that costs nothing, so
// the target runs there when it can.
const std::string& FilePath() {
  static const std::string Path = [] {
    const char* Dir = std::getenv("TMPDIR");
    std::string Base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : Dir && *Dir ? Dir : "/tmp";
    return Base + "/ov-inifuzz-" + std::to_string(::getpid()) + ".ini";
  }();
  return Path;
}

// Every section with its values, as the reader gives them.
std::vector<std::pair<std::string, std::vector<std::string>>> Snapshot(IniFiles::TIniFile& Ini) {
  std::vector<std::pair<std::string, std::vector<std::string>>> All;
  Classes::TStringList Sections;
  Ini.ReadSections(&Sections);
  for (int I = 0; I < Sections.Count(); ++I) {
    Classes::TStringList Values;
    Ini.ReadSectionValues(Sections[I], &Values);
    std::vector<std::string> Lines;
    for (int J = 0; J < Values.Count(); ++J)
      Lines.push_back(Values[J]);
    All.emplace_back(Sections[I], std::move(Lines));
  }
  return All;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  {
    std::ofstream Out(FilePath(), std::ios::binary | std::ios::trunc);
    Out.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
  }
  IniFiles::TIniFile Ini(FilePath());
  const auto Before = Snapshot(Ini);
  for (const auto& [Section, Lines] : Before)
    for (const std::string& Line : Lines) {
      const auto Eq = Line.find('=');
      const std::string Name = Line.substr(0, Eq);
      if (!Name.empty() && Ini.ReadString(Section, Name, "\x01") != Line.substr(Eq + 1))
        std::abort();
    }
  // A write of a key of its own keeps the rest as it was.
  try {
    Ini.WriteString("FuzzSection", "FuzzKey", "value");
  } catch (const IniFiles::EIniFileException&) {
    return 0;
  }
  if (Ini.ReadString("FuzzSection", "FuzzKey", "") != "value")
    std::abort();
  auto After = Snapshot(Ini);
  std::erase_if(After, [](const auto& S) { return SysUtils::SameText(S.first, "FuzzSection"); });
  auto Expected = Before;
  std::erase_if(Expected, [](const auto& S) { return SysUtils::SameText(S.first, "FuzzSection"); });
  if (After != Expected)
    std::abort();
  return 0;
}
