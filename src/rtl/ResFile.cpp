#include "rtl/ResFile.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace ResFile {

namespace {

constexpr std::array<std::uint8_t, 4> ArchiveMagic{'O', 'V', 'R', 'S'};
constexpr std::array<std::uint8_t, 4> VersionMagic{'O', 'V', 'V', 'I'};
constexpr std::uint16_t ArchiveFormatVersion = 1;
constexpr std::uint16_t VersionFormatVersion = 1;
constexpr std::size_t ArchiveHeaderSize = 16;
constexpr std::size_t ArchiveAlignment = 16;
constexpr std::size_t EntryAlignment = 4;

std::string TypeName(std::uint16_t Type) {
  switch (Type) {
  case RT_BITMAP:
    return "BITMAP";
  case RT_RCDATA:
    return "RCDATA";
  case RT_VERSION:
    return "VERSION";
  default:
    return "type " + std::to_string(Type);
  }
}

std::size_t AlignUp(std::size_t Value, std::size_t Alignment) {
  return (Value + Alignment - 1) / Alignment * Alignment;
}

// Bounds-checked little-endian cursor over untrusted bytes: every read either
// stays inside the span or raises an error naming the source and offset.
class TByteReader {
public:
  TByteReader(std::span<const std::uint8_t> Bytes, std::string_view Source)
      : FBytes(Bytes), FSource(Source) {}

  std::size_t Offset() const { return FOffset; }
  std::size_t Remaining() const { return FBytes.size() - FOffset; }

  std::span<const std::uint8_t> Take(std::size_t Count, std::string_view What) {
    if (Count > Remaining()) {
      Fail("truncated " + std::string(What) + " at offset " + std::to_string(FOffset) + ": needs " +
           std::to_string(Count) + " bytes, " + std::to_string(Remaining()) + " left");
    }
    auto Result = FBytes.subspan(FOffset, Count);
    FOffset += Count;
    return Result;
  }

  std::uint16_t U16(std::string_view What) {
    auto B = Take(2, What);
    return static_cast<std::uint16_t>(B[0] | (B[1] << 8));
  }

  std::uint32_t U32(std::string_view What) {
    auto B = Take(4, What);
    return static_cast<std::uint32_t>(B[0]) | (static_cast<std::uint32_t>(B[1]) << 8) |
           (static_cast<std::uint32_t>(B[2]) << 16) | (static_cast<std::uint32_t>(B[3]) << 24);
  }

  std::string String(std::string_view What) {
    std::uint32_t Length = U32(What);
    auto B = Take(Length, What);
    return std::string(B.begin(), B.end());
  }

  void Skip(std::size_t Count, std::string_view What) { Take(Count, What); }

  [[noreturn]] void Fail(const std::string& Message) const {
    throw EResFileError(FSource + ": " + Message);
  }

private:
  std::span<const std::uint8_t> FBytes;
  std::string FSource;
  std::size_t FOffset = 0;
};

void PutU16(std::vector<std::uint8_t>& Out, std::uint16_t Value) {
  Out.push_back(static_cast<std::uint8_t>(Value));
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
}

void PutU32(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  for (int Shift = 0; Shift < 32; Shift += 8) {
    Out.push_back(static_cast<std::uint8_t>(Value >> Shift));
  }
}

void PatchU32(std::vector<std::uint8_t>& Out, std::size_t At, std::uint32_t Value) {
  for (int I = 0; I < 4; ++I) {
    Out[At + I] = static_cast<std::uint8_t>(Value >> (8 * I));
  }
}

void PutString(std::vector<std::uint8_t>& Out, std::string_view Value) {
  PutU32(Out, static_cast<std::uint32_t>(Value.size()));
  Out.insert(Out.end(), Value.begin(), Value.end());
}

void PadTo(std::vector<std::uint8_t>& Out, std::size_t Alignment) {
  Out.resize(AlignUp(Out.size(), Alignment), 0);
}

char AsciiUpper(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
}

std::string ValidateName(std::string_view Name) {
  if (Name.empty()) {
    return "resource name is empty";
  }
  if (Name.size() > 0xFFFF) {
    return "resource name is longer than 65535 bytes";
  }
  for (char C : Name) {
    if (C < 0x20 || C > 0x7E) {
      return "resource name \"" + std::string(Name) +
             "\" has a character that is not printable ASCII";
    }
  }
  return {};
}

} // namespace

bool SameResourceName(std::string_view A, std::string_view B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
           return AsciiUpper(X) == AsciiUpper(Y);
         });
}

// ---------------------------------------------------------------------------
// Archive

void TResourceArchive::Add(std::uint16_t Type, std::string Name, std::vector<std::uint8_t> Data) {
  if (auto Problem = ValidateName(Name); !Problem.empty()) {
    throw EResFileError(Problem);
  }
  if (Data.size() > 0xFFFFFFF0u) {
    throw EResFileError("resource " + TypeName(Type) + " " + Name + " is larger than 4 GB");
  }
  if (Find(Type, Name)) {
    throw EResFileError("duplicate resource " + TypeName(Type) + " " + Name);
  }
  FResources.push_back({Type, std::move(Name), std::move(Data)});
}

const TResource* TResourceArchive::Find(std::uint16_t Type, std::string_view Name) const {
  for (const auto& Resource : FResources) {
    if (Resource.Type == Type && SameResourceName(Resource.Name, Name)) {
      return &Resource;
    }
  }
  return nullptr;
}

std::vector<std::uint8_t> TResourceArchive::Serialize() const {
  std::vector<std::uint8_t> Out(ArchiveMagic.begin(), ArchiveMagic.end());
  PutU16(Out, ArchiveFormatVersion);
  PutU16(Out, 0);
  PutU32(Out, static_cast<std::uint32_t>(FResources.size()));
  PutU32(Out, 0); // total size, patched below
  for (const auto& Resource : FResources) {
    PutU16(Out, Resource.Type);
    PutU16(Out, static_cast<std::uint16_t>(Resource.Name.size()));
    PutU32(Out, static_cast<std::uint32_t>(Resource.Data.size()));
    Out.insert(Out.end(), Resource.Name.begin(), Resource.Name.end());
    Out.insert(Out.end(), Resource.Data.begin(), Resource.Data.end());
    PadTo(Out, EntryAlignment);
  }
  PadTo(Out, ArchiveAlignment);
  if (Out.size() > 0xFFFFFFFFu) {
    throw EResFileError("resource archive is larger than 4 GB");
  }
  PatchU32(Out, 12, static_cast<std::uint32_t>(Out.size()));
  return Out;
}

namespace {

// Walks the archives laid one after another in Bytes (the content of a
// resource section), calling Visit(Type, Name, Data, Index, Entries) for each
// entry until it returns true. Raises EResFileError naming Source for a
// damaged archive; Visit may raise one through Entries.Fail.
template <class TVisit>
void VisitArchives(std::span<const std::uint8_t> Bytes, std::string_view Source, TVisit&& Visit) {
  std::size_t Start = 0;
  while (Start < Bytes.size()) {
    // The linker pads between the arrays of separate scripts with zeros.
    if (Bytes[Start] == 0) {
      ++Start;
      continue;
    }
    TByteReader Header(Bytes.subspan(Start), Source);
    auto Magic = Header.Take(4, "archive header");
    if (!std::equal(Magic.begin(), Magic.end(), ArchiveMagic.begin())) {
      Header.Fail("no resource archive at offset " + std::to_string(Start) +
                  " (bad magic, expected \"OVRS\")");
    }
    std::uint16_t Version = Header.U16("archive header");
    if (Version != ArchiveFormatVersion) {
      Header.Fail("resource archive at offset " + std::to_string(Start) +
                  " has unsupported format version " + std::to_string(Version));
    }
    Header.Skip(2, "archive header");
    std::uint32_t Count = Header.U32("archive header");
    std::uint32_t Total = Header.U32("archive header");
    if (Total < ArchiveHeaderSize || Total > Bytes.size() - Start) {
      Header.Fail("resource archive at offset " + std::to_string(Start) + " claims " +
                  std::to_string(Total) + " bytes, but " + std::to_string(Bytes.size() - Start) +
                  " are there");
    }
    TByteReader Entries(Bytes.subspan(Start, Total), Source);
    Entries.Skip(ArchiveHeaderSize, "archive header");
    for (std::uint32_t Index = 0; Index < Count; ++Index) {
      std::uint16_t Type = Entries.U16("resource entry");
      std::uint16_t NameLength = Entries.U16("resource entry");
      std::uint32_t DataLength = Entries.U32("resource entry");
      auto Name = Entries.Take(NameLength, "resource name");
      auto Data = Entries.Take(DataLength, "resource data");
      Entries.Skip(AlignUp(Entries.Offset(), EntryAlignment) - Entries.Offset(), "entry padding");
      const std::string_view NameText(reinterpret_cast<const char*>(Name.data()), Name.size());
      if (Visit(Type, NameText, Data, Index, Entries)) {
        return;
      }
    }
    auto Tail = Entries.Take(Entries.Remaining(), "archive padding");
    if (std::any_of(Tail.begin(), Tail.end(), [](std::uint8_t B) { return B != 0; })) {
      Entries.Fail("unexpected data after the last resource of the archive at offset " +
                   std::to_string(Start));
    }
    Start += Total;
  }
}

} // namespace

TResourceArchive TResourceArchive::Parse(std::span<const std::uint8_t> Bytes,
                                         std::string_view Source) {
  TResourceArchive Result;
  VisitArchives(
      Bytes, Source,
      [&Result](std::uint16_t Type, std::string_view Name, std::span<const std::uint8_t> Data,
                std::uint32_t Index, TByteReader& Entries) {
        try {
          Result.Add(Type, std::string(Name), std::vector<std::uint8_t>(Data.begin(), Data.end()));
        } catch (const EResFileError& E) {
          Entries.Fail(std::string(E.what()) + " (entry " + std::to_string(Index) + ")");
        }
        return false;
      });
  return Result;
}

// ---------------------------------------------------------------------------
// ELF module files

namespace {

constexpr std::size_t ElfHeaderSize = 64;
constexpr std::size_t SectionHeaderSize = 64;
constexpr std::uint16_t ShnXIndex = 0xFFFF;
constexpr std::uint32_t ShtNoBits = 8;

std::uint64_t GetU64(std::span<const std::uint8_t> B, std::size_t At) {
  std::uint64_t Value = 0;
  for (int I = 7; I >= 0; --I) {
    Value = (Value << 8) | B[At + I];
  }
  return Value;
}

std::uint32_t GetU32(std::span<const std::uint8_t> B, std::size_t At) {
  return static_cast<std::uint32_t>(B[At]) | (static_cast<std::uint32_t>(B[At + 1]) << 8) |
         (static_cast<std::uint32_t>(B[At + 2]) << 16) |
         (static_cast<std::uint32_t>(B[At + 3]) << 24);
}

std::uint16_t GetU16(std::span<const std::uint8_t> B, std::size_t At) {
  return static_cast<std::uint16_t>(B[At] | (B[At + 1] << 8));
}

// Reads ranges of a module file, refusing any range that is not wholly inside
// it: offsets and sizes come from the file itself and may be garbage.
class TModuleFile {
public:
  explicit TModuleFile(const std::string& FileName) : FName(FileName) {
    std::error_code Error;
    auto Status = std::filesystem::status(FileName, Error);
    if (Error) {
      Fail("cannot open module file: " + Error.message());
    }
    if (!std::filesystem::is_regular_file(Status)) {
      Fail("not a regular file");
    }
    FStream.open(FileName, std::ios::binary);
    if (!FStream) {
      Fail(std::string("cannot open module file: ") + std::strerror(errno));
    }
    FStream.seekg(0, std::ios::end);
    FSize = static_cast<std::uint64_t>(FStream.tellg());
  }

  std::uint64_t Size() const { return FSize; }

  std::vector<std::uint8_t> Read(std::uint64_t Offset, std::uint64_t Count, std::string_view What) {
    if (Offset > FSize || Count > FSize - Offset) {
      Fail("truncated: " + std::string(What) + " at offset " + std::to_string(Offset) + " (" +
           std::to_string(Count) + " bytes) extends past the end of the file (" +
           std::to_string(FSize) + " bytes)");
    }
    std::vector<std::uint8_t> Bytes(static_cast<std::size_t>(Count));
    FStream.seekg(static_cast<std::streamoff>(Offset));
    FStream.read(reinterpret_cast<char*>(Bytes.data()), static_cast<std::streamsize>(Count));
    if (!FStream) {
      Fail("read error in " + std::string(What) + " at offset " + std::to_string(Offset));
    }
    return Bytes;
  }

  [[noreturn]] void Fail(const std::string& Message) const {
    throw EResFileError(FName + ": " + Message);
  }

private:
  std::string FName;
  std::ifstream FStream;
  std::uint64_t FSize = 0;
};

std::shared_ptr<const TResourceArchive> LoadModuleResources(const std::string& FileName) {
  TModuleFile File(FileName);
  static constexpr std::array<std::uint8_t, 4> ElfMagic{0x7F, 'E', 'L', 'F'};
  auto Ident = File.Read(0, std::min<std::uint64_t>(File.Size(), ElfMagic.size()), "ELF header");
  if (Ident.empty() || !std::equal(Ident.begin(), Ident.end(), ElfMagic.begin())) {
    File.Fail("not an ELF module file");
  }
  if (File.Size() < ElfHeaderSize) {
    File.Fail("truncated: the ELF header needs 64 bytes, the file has " +
              std::to_string(File.Size()));
  }
  auto Header = File.Read(0, ElfHeaderSize, "ELF header");
  if (Header[4] != 2 || Header[5] != 1) {
    File.Fail("not a 64-bit little-endian ELF module file");
  }
  std::uint64_t SectionTable = GetU64(Header, 40);
  std::uint16_t EntrySize = GetU16(Header, 58);
  std::uint64_t SectionCount = GetU16(Header, 60);
  std::uint32_t NamesIndex = GetU16(Header, 62);
  if (SectionTable == 0) {
    return std::make_shared<const TResourceArchive>(); // no section table, so no section
  }
  if (EntrySize < SectionHeaderSize) {
    File.Fail("section header size " + std::to_string(EntrySize) + " is smaller than 64");
  }
  // Files with very many sections keep the real count and name table index in
  // the first section header.
  if (SectionCount == 0 || NamesIndex == ShnXIndex) {
    auto First = File.Read(SectionTable, SectionHeaderSize, "first section header");
    if (SectionCount == 0) {
      SectionCount = GetU64(First, 32);
    }
    if (NamesIndex == ShnXIndex) {
      NamesIndex = GetU32(First, 40);
    }
  }
  if (SectionCount > File.Size() / EntrySize) {
    File.Fail("truncated: " + std::to_string(SectionCount) +
              " section headers cannot fit in a file of " + std::to_string(File.Size()) + " bytes");
  }
  auto Table = File.Read(SectionTable, SectionCount * EntrySize, "section header table");
  if (NamesIndex >= SectionCount) {
    File.Fail("section name table index " + std::to_string(NamesIndex) + " is out of range (" +
              std::to_string(SectionCount) + " sections)");
  }
  auto SectionHeader = [&](std::uint64_t Index) {
    return std::span<const std::uint8_t>(Table).subspan(Index * EntrySize, SectionHeaderSize);
  };
  auto NamesHeader = SectionHeader(NamesIndex);
  if (GetU32(NamesHeader, 4) == ShtNoBits) {
    File.Fail("section name table has no data");
  }
  auto Names = File.Read(GetU64(NamesHeader, 24), GetU64(NamesHeader, 32), "section name table");
  for (std::uint64_t Index = 0; Index < SectionCount; ++Index) {
    auto Section = SectionHeader(Index);
    std::uint32_t NameOffset = GetU32(Section, 0);
    if (NameOffset >= Names.size()) {
      File.Fail("section " + std::to_string(Index) + " has a name offset " +
                std::to_string(NameOffset) + " outside the section name table");
    }
    auto NameEnd = std::find(Names.begin() + NameOffset, Names.end(), 0);
    if (NameEnd == Names.end()) {
      File.Fail("section " + std::to_string(Index) + " has an unterminated name");
    }
    if (std::string_view(reinterpret_cast<const char*>(Names.data()) + NameOffset,
                         static_cast<std::size_t>(NameEnd - Names.begin()) - NameOffset) !=
        ResourceSectionName) {
      continue;
    }
    if (GetU32(Section, 4) == ShtNoBits) {
      File.Fail("section " + std::string(ResourceSectionName) + " has no data in the file");
    }
    auto Bytes =
        File.Read(GetU64(Section, 24), GetU64(Section, 32), std::string(ResourceSectionName));
    return std::make_shared<const TResourceArchive>(
        TResourceArchive::Parse(Bytes, FileName + ": section " + std::string(ResourceSectionName)));
  }
  return std::make_shared<const TResourceArchive>();
}

struct TCacheEntry {
  std::filesystem::file_time_type Modified;
  std::uintmax_t Size = 0;
  std::shared_ptr<const TResourceArchive> Archive;
};

constexpr std::size_t CacheLimit = 32;

std::mutex CacheLock;
std::map<std::string, TCacheEntry> Cache;

} // namespace

std::shared_ptr<const TResourceArchive> ReadModuleResources(const std::string& FileName) {
  std::error_code Error;
  auto Key = std::filesystem::absolute(FileName, Error).lexically_normal().string();
  auto Modified = std::filesystem::last_write_time(FileName, Error);
  auto Size = Error ? 0 : std::filesystem::file_size(FileName, Error);
  if (Error) {
    return LoadModuleResources(FileName); // raises the error that names the file
  }
  {
    std::lock_guard Guard(CacheLock);
    auto Found = Cache.find(Key);
    if (Found != Cache.end() && Found->second.Modified == Modified && Found->second.Size == Size) {
      return Found->second.Archive;
    }
  }
  auto Archive = LoadModuleResources(FileName);
  std::lock_guard Guard(CacheLock);
  if (Cache.size() >= CacheLimit && !Cache.contains(Key)) {
    Cache.erase(Cache.begin());
  }
  Cache[Key] = {Modified, Size, Archive};
  return Archive;
}

void ClearResourceCache() {
  std::lock_guard Guard(CacheLock);
  Cache.clear();
}

std::optional<std::vector<std::uint8_t>> FindResource(const std::string& FileName,
                                                      std::uint16_t Type, std::string_view Name) {
  auto Archive = ReadModuleResources(FileName);
  if (const auto* Resource = Archive->Find(Type, Name)) {
    return Resource->Data;
  }
  return std::nullopt;
}

namespace {

// The resource archives loaded modules registered, by module.
struct TModuleArchives {
  std::mutex Lock;
  std::map<const void*, std::vector<std::span<const std::uint8_t>>> Archives;
};

// Never destroyed: modules unregister from their destructors, which run after
// the static objects of the process are gone.
TModuleArchives& ModuleArchives() {
  static auto* Registered = new TModuleArchives;
  return *Registered;
}

} // namespace

void RegisterModuleResources(const void* Instance, std::span<const std::uint8_t> Archives) {
  auto& M = ModuleArchives();
  std::lock_guard Guard(M.Lock);
  M.Archives[Instance].push_back(Archives);
}

void UnregisterModuleResources(const void* Instance) {
  auto& M = ModuleArchives();
  std::lock_guard Guard(M.Lock);
  M.Archives.erase(Instance);
}

std::optional<std::vector<std::uint8_t>>
FindModuleResource(const void* Instance, std::uint16_t Type, std::string_view Name) {
  std::vector<std::span<const std::uint8_t>> InMemory;
  {
    auto& M = ModuleArchives();
    std::lock_guard Guard(M.Lock);
    if (auto Found = M.Archives.find(Instance); Found != M.Archives.end()) {
      InMemory = Found->second;
    }
  }
  if (InMemory.empty()) {
    return FindResource(GetModuleFileName(Instance), Type, Name);
  }
  std::optional<std::vector<std::uint8_t>> Result;
  try {
    for (const auto& Archives : InMemory) {
      VisitArchives(Archives, "resources in memory",
                    [&](std::uint16_t EntryType, std::string_view EntryName,
                        std::span<const std::uint8_t> Data, std::uint32_t, TByteReader&) {
                      if (EntryType != Type || !SameResourceName(EntryName, Name)) {
                        return false;
                      }
                      Result.emplace(Data.begin(), Data.end());
                      return true;
                    });
      if (Result) {
        break;
      }
    }
  } catch (const EResFileError& E) {
    throw EResFileError(GetModuleFileName(Instance) + ": " + E.what());
  }
  return Result;
}

namespace {

// The kernel's own record of the mappings names each module by its absolute,
// symlink-free path, which dladdr does not promise (it echoes what dlopen got).
std::string MappedFileOf(const void* Address) {
  std::ifstream Maps("/proc/self/maps");
  auto Wanted = reinterpret_cast<std::uintptr_t>(Address);
  std::string Line;
  while (std::getline(Maps, Line)) {
    std::istringstream Fields(Line);
    std::string Range, Perms, Offset, Device, Inode, Path;
    Fields >> Range >> Perms >> Offset >> Device >> Inode;
    std::getline(Fields >> std::ws, Path);
    auto Dash = Range.find('-');
    if (Dash == std::string::npos || Path.empty() || Path[0] != '/') {
      continue;
    }
    auto Low = std::stoull(Range.substr(0, Dash), nullptr, 16);
    auto High = std::stoull(Range.substr(Dash + 1), nullptr, 16);
    if (Wanted >= Low && Wanted < High) {
      return Path;
    }
  }
  return {};
}

} // namespace

std::string GetModuleFileName(const void* AddressInModule) {
  Dl_info Info{};
  if (AddressInModule != nullptr && dladdr(AddressInModule, &Info) != 0 &&
      Info.dli_fname != nullptr && Info.dli_fname[0] == '/') {
    return std::filesystem::path(Info.dli_fname).lexically_normal().string();
  }
  // The main program and modules opened by a relative name come back from
  // dladdr without an absolute name.
  if (AddressInModule != nullptr) {
    auto Path = MappedFileOf(Info.dli_fbase != nullptr ? Info.dli_fbase : AddressInModule);
    if (!Path.empty()) {
      return Path;
    }
  }
  std::ostringstream Message;
  Message << "no loaded module contains the address " << AddressInModule;
  throw EResFileError(Message.str());
}

// ---------------------------------------------------------------------------
// Version information

namespace {

std::string TranslationKey(std::pair<std::uint16_t, std::uint16_t> Translation) {
  char Buffer[9];
  std::snprintf(Buffer, sizeof Buffer, "%04X%04X", Translation.first, Translation.second);
  return Buffer;
}

std::string VersionText(const std::array<std::uint16_t, 4>& Parts) {
  return std::to_string(Parts[0]) + "." + std::to_string(Parts[1]) + "." +
         std::to_string(Parts[2]) + "." + std::to_string(Parts[3]);
}

// Empty when the information can be stored and read back unchanged.
std::string VersionInfoProblem(const TVersionInfo& Info) {
  for (std::size_t Index = 0; Index < Info.StringTables.size(); ++Index) {
    const auto& Table = Info.StringTables[Index];
    if (Table.Key.size() != 8 || !std::all_of(Table.Key.begin(), Table.Key.end(), [](char C) {
          return std::isxdigit(static_cast<unsigned char>(C));
        })) {
      return "string table key \"" + Table.Key +
             "\" is not a language and code page in 8 hex digits";
    }
    for (std::size_t Other = 0; Other < Index; ++Other) {
      if (SameResourceName(Info.StringTables[Other].Key, Table.Key)) {
        return "string table \"" + Table.Key + "\" appears twice";
      }
    }
    for (std::size_t Value = 0; Value < Table.Values.size(); ++Value) {
      if (Table.Values[Value].first.empty()) {
        return "string table \"" + Table.Key + "\" has a value without a name";
      }
      for (std::size_t Other = 0; Other < Value; ++Other) {
        if (SameResourceName(Table.Values[Other].first, Table.Values[Value].first)) {
          return "string table \"" + Table.Key + "\" has the value \"" + Table.Values[Value].first +
                 "\" twice";
        }
      }
    }
  }
  return {};
}

} // namespace

std::optional<std::string> TVersionInfo::GetString(std::string_view Name) const {
  if (StringTables.empty()) {
    return std::nullopt;
  }
  const TStringTable* Table = &StringTables.front();
  if (!Translations.empty()) {
    auto Key = TranslationKey(Translations.front());
    for (const auto& Candidate : StringTables) {
      if (SameResourceName(Candidate.Key, Key)) {
        Table = &Candidate;
        break;
      }
    }
  }
  for (const auto& [ValueName, Value] : Table->Values) {
    if (SameResourceName(ValueName, Name)) {
      return Value;
    }
  }
  return std::nullopt;
}

std::string TVersionInfo::FileVersionText() const {
  return VersionText(FileVersion);
}

std::string TVersionInfo::ProductVersionText() const {
  return VersionText(ProductVersion);
}

std::vector<std::uint8_t> SerializeVersionInfo(const TVersionInfo& Info) {
  if (auto Problem = VersionInfoProblem(Info); !Problem.empty()) {
    throw EResFileError("version information: " + Problem);
  }
  std::vector<std::uint8_t> Out(VersionMagic.begin(), VersionMagic.end());
  PutU16(Out, VersionFormatVersion);
  PutU16(Out, 0);
  PutU32(Out, 0); // total size, patched below
  for (auto Part : Info.FileVersion) {
    PutU16(Out, Part);
  }
  for (auto Part : Info.ProductVersion) {
    PutU16(Out, Part);
  }
  PutU32(Out, static_cast<std::uint32_t>(Info.Translations.size()));
  for (const auto& [Language, CodePage] : Info.Translations) {
    PutU16(Out, Language);
    PutU16(Out, CodePage);
  }
  PutU32(Out, static_cast<std::uint32_t>(Info.StringTables.size()));
  for (const auto& Table : Info.StringTables) {
    PutString(Out, Table.Key);
    PutU32(Out, static_cast<std::uint32_t>(Table.Values.size()));
    for (const auto& [Name, Value] : Table.Values) {
      PutString(Out, Name);
      PutString(Out, Value);
    }
  }
  PatchU32(Out, 8, static_cast<std::uint32_t>(Out.size()));
  return Out;
}

TVersionInfo ParseVersionInfo(std::span<const std::uint8_t> Bytes, std::string_view Source) {
  TByteReader Reader(Bytes, Source);
  auto Magic = Reader.Take(4, "version header");
  if (!std::equal(Magic.begin(), Magic.end(), VersionMagic.begin())) {
    Reader.Fail("not a version block (bad magic, expected \"OVVI\")");
  }
  std::uint16_t Version = Reader.U16("version header");
  if (Version != VersionFormatVersion) {
    Reader.Fail("unsupported version block format " + std::to_string(Version));
  }
  Reader.Skip(2, "version header");
  std::uint32_t Total = Reader.U32("version header");
  if (Total != Bytes.size()) {
    Reader.Fail("version block claims " + std::to_string(Total) + " bytes, but has " +
                std::to_string(Bytes.size()));
  }
  TVersionInfo Info;
  for (auto& Part : Info.FileVersion) {
    Part = Reader.U16("file version");
  }
  for (auto& Part : Info.ProductVersion) {
    Part = Reader.U16("product version");
  }
  std::uint32_t TranslationCount = Reader.U32("translation count");
  for (std::uint32_t Index = 0; Index < TranslationCount; ++Index) {
    std::uint16_t Language = Reader.U16("translation");
    Info.Translations.emplace_back(Language, Reader.U16("translation"));
  }
  std::uint32_t TableCount = Reader.U32("string table count");
  for (std::uint32_t Index = 0; Index < TableCount; ++Index) {
    TStringTable Table;
    Table.Key = Reader.String("string table key");
    std::uint32_t ValueCount = Reader.U32("string table value count");
    for (std::uint32_t Value = 0; Value < ValueCount; ++Value) {
      std::string Name = Reader.String("string name");
      Table.Values.emplace_back(std::move(Name), Reader.String("string value"));
    }
    Info.StringTables.push_back(std::move(Table));
  }
  if (Reader.Remaining() != 0) {
    Reader.Fail(std::to_string(Reader.Remaining()) + " unexpected bytes after the last table");
  }
  if (auto Problem = VersionInfoProblem(Info); !Problem.empty()) {
    Reader.Fail(Problem);
  }
  return Info;
}

std::optional<TVersionInfo> ReadVersionInfo(const std::string& FileName) {
  auto Archive = ReadModuleResources(FileName);
  for (const auto& Resource : Archive->Resources()) {
    if (Resource.Type == RT_VERSION) {
      return ParseVersionInfo(Resource.Data, FileName + ": version resource " + Resource.Name);
    }
  }
  return std::nullopt;
}

} // namespace ResFile
