#include "rtl/ResFile.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <stdlib.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using namespace ResFile;
using TBytes = std::vector<std::uint8_t>;

// The build names the shared object made from the package's resources and the
// resource compiler; without them the tests that need them are skipped.
#ifdef OV_RESFILE_TEST_MODULE
const std::string ModulePath = OV_RESFILE_TEST_MODULE;
#else
const std::string ModulePath;
#endif
#ifdef OV_OVRC
const std::string OvrcPath = OV_OVRC;
#else
const std::string OvrcPath;
#endif

const std::vector<std::string> PaletteNames = {
    "TOVSESSION", "TOVDATABASE",  "TOVQUERY",  "TOVMACROQUERY", "TOVSTOREDPROC",
    "TOVTABLE",   "TOVUPDATESQL", "TOVSCRIPT", "TOVMONITOR",    "TOVSQLBASESERVER"};

using TestSupport::TTempDir;

void WriteFile(const fs::path& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary) << Text;
}

void WriteBytes(const fs::path& Path, const TBytes& Bytes) {
  std::ofstream(Path, std::ios::binary)
      .write(reinterpret_cast<const char*>(Bytes.data()),
             static_cast<std::streamsize>(Bytes.size()));
}

TBytes ReadBytes(const fs::path& Path) {
  std::ifstream Stream(Path, std::ios::binary);
  return TBytes((std::istreambuf_iterator<char>(Stream)), std::istreambuf_iterator<char>());
}

std::uint32_t U32(const TBytes& B, std::size_t At) {
  return B.at(At) | (B.at(At + 1) << 8) | (B.at(At + 2) << 16) |
         (static_cast<std::uint32_t>(B.at(At + 3)) << 24);
}
std::uint16_t U16(const TBytes& B, std::size_t At) {
  return static_cast<std::uint16_t>(B.at(At) | (B.at(At + 1) << 8));
}
void SetU64(TBytes& B, std::size_t At, std::uint64_t Value) {
  for (int I = 0; I < 8; ++I) {
    B.at(At + I) = static_cast<std::uint8_t>(Value >> (8 * I));
  }
}

// Expects the call to raise EResFileError whose message contains every part.
template <typename TCall> void ExpectError(TCall Call, std::initializer_list<std::string> Parts) {
  try {
    Call();
    ADD_FAILURE() << "no EResFileError raised";
  } catch (const EResFileError& E) {
    for (const auto& Part : Parts) {
      EXPECT_NE(std::string(E.what()).find(Part), std::string::npos)
          << "message \"" << E.what() << "\" lacks \"" << Part << "\"";
    }
  }
}

TResourceArchive SampleArchive() {
  TResourceArchive Archive;
  Archive.Add(RT_BITMAP, "Picture", {1, 2, 3});
  Archive.Add(RT_RCDATA, "Form", {});
  Archive.Add(RT_RCDATA, "Picture", {9});
  Archive.Add(RT_VERSION, "VS_VERSION_INFO", TBytes(37, 0xAB));
  return Archive;
}

// ---------------------------------------------------------------------------
// Archive format

TEST(ResourceArchive, RoundTripKeepsOrderDataAndAlignment) {
  auto Sample = SampleArchive();
  auto Bytes = Sample.Serialize();
  EXPECT_EQ(Bytes.size() % 16, 0u);
  EXPECT_EQ(U32(Bytes, 12), Bytes.size());
  auto Parsed = TResourceArchive::Parse(Bytes, "sample");
  ASSERT_EQ(Parsed.Resources().size(), 4u);
  const auto& Expected = Sample.Resources();
  for (std::size_t I = 0; I < Expected.size(); ++I) {
    EXPECT_EQ(Parsed.Resources()[I].Type, Expected[I].Type);
    EXPECT_EQ(Parsed.Resources()[I].Name, Expected[I].Name);
    EXPECT_EQ(Parsed.Resources()[I].Data, Expected[I].Data);
  }
  EXPECT_TRUE(TResourceArchive::Parse(TResourceArchive().Serialize(), "empty").Empty());
}

TEST(ResourceArchive, FindsByTypeAndNameIgnoringCase) {
  auto Archive = SampleArchive();
  ASSERT_NE(Archive.Find(RT_BITMAP, "pICTURE"), nullptr);
  EXPECT_EQ(Archive.Find(RT_BITMAP, "picture")->Data, TBytes({1, 2, 3}));
  EXPECT_EQ(Archive.Find(RT_RCDATA, "PICTURE")->Data, TBytes({9}));
  EXPECT_EQ(Archive.Find(RT_VERSION, "Picture"), nullptr);
  EXPECT_EQ(Archive.Find(RT_BITMAP, "Pictures"), nullptr);
}

TEST(ResourceArchive, AddRejectsDuplicateAndUnusableNames) {
  auto Archive = SampleArchive();
  ExpectError([&] { Archive.Add(RT_BITMAP, "PICTURE", {}); }, {"duplicate", "BITMAP", "PICTURE"});
  ExpectError([&] { Archive.Add(RT_BITMAP, "", {}); }, {"empty"});
  ExpectError([&] { Archive.Add(RT_BITMAP, "A\nB", {}); }, {"printable"});
  EXPECT_EQ(Archive.Resources().size(), 4u);
}

TEST(ResourceArchive, ReadsArchivesLaidOneAfterAnother) {
  TResourceArchive Second;
  Second.Add(RT_RCDATA, "Other", {7, 7});
  auto Bytes = SampleArchive().Serialize();
  Bytes.resize(Bytes.size() + 32, 0); // linker padding between two arrays
  auto Tail = Second.Serialize();
  Bytes.insert(Bytes.end(), Tail.begin(), Tail.end());
  auto Parsed = TResourceArchive::Parse(Bytes, "two");
  EXPECT_EQ(Parsed.Resources().size(), 5u);
  EXPECT_NE(Parsed.Find(RT_RCDATA, "other"), nullptr);

  auto Twice = SampleArchive().Serialize();
  auto Again = SampleArchive().Serialize();
  Twice.insert(Twice.end(), Again.begin(), Again.end());
  ExpectError([&] { TResourceArchive::Parse(Twice, "twice"); }, {"twice", "duplicate"});
}

TEST(ResourceArchive, DamagedArchivesRaiseErrorsNamingTheSource) {
  auto Good = SampleArchive().Serialize();
  auto Damage = [&](std::size_t At, std::uint8_t Value) {
    auto Bytes = Good;
    Bytes[At] = Value;
    return Bytes;
  };
  ExpectError([&] { TResourceArchive::Parse(Damage(0, 'X'), "lib.so"); }, {"lib.so", "magic"});
  ExpectError([&] { TResourceArchive::Parse(Damage(4, 9), "lib.so"); }, {"format version 9"});
  ExpectError([&] { TResourceArchive::Parse(Damage(8, 200), "lib.so"); }, {"truncated"});
  ExpectError([&] { TResourceArchive::Parse(Damage(14, 1), "lib.so"); }, {"claims"});
  ExpectError([&] { TResourceArchive::Parse(Damage(Good.size() - 1, 1), "lib.so"); },
              {"unexpected data"});
  // A resource whose length runs past the archive's end.
  ExpectError([&] { TResourceArchive::Parse(Damage(20, 0xFF), "lib.so"); }, {"truncated"});
}

TEST(ResourceArchive, EveryTruncationAndByteFlipIsAnErrorNotACrash) {
  auto Good = SampleArchive().Serialize();
  for (std::size_t Length = 1; Length < Good.size(); ++Length) {
    TBytes Cut(Good.begin(), Good.begin() + static_cast<std::ptrdiff_t>(Length));
    ExpectError([&] { TResourceArchive::Parse(Cut, "cut"); }, {"cut"});
  }
  std::mt19937 Random(20260101);
  for (int Round = 0; Round < 2000; ++Round) {
    auto Bytes = Good;
    for (int Flip = 0; Flip < 3; ++Flip) {
      Bytes[Random() % Bytes.size()] = static_cast<std::uint8_t>(Random());
    }
    try {
      TResourceArchive::Parse(Bytes, "flipped");
    } catch (const EResFileError&) {
    }
  }
}

// ---------------------------------------------------------------------------
// Module files

class ModuleTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (ModulePath.empty() || OvrcPath.empty()) {
      GTEST_SKIP() << "the resource test module and ovrc are not part of this build "
                      "(OV_RESFILE_TEST_MODULE, OV_OVRC)";
    }
  }
};
using ModuleResources = ModuleTest;
using Bitmaps = ModuleTest;
using PackageVersion = ModuleTest;

TEST_F(ModuleResources, ReadsEveryScriptLinkedIntoASharedObject) {
  auto Archive = ReadModuleResources(ModulePath);
  for (const auto& Name : PaletteNames) {
    EXPECT_NE(Archive->Find(RT_BITMAP, Name), nullptr) << Name;
  }
  EXPECT_NE(Archive->Find(RT_BITMAP, "OVABOUTLOGO"), nullptr);
  EXPECT_NE(Archive->Find(RT_VERSION, "VS_VERSION_INFO"), nullptr);
  auto Extra = FindResource(ModulePath, RT_RCDATA, "EXTRADATA");
  ASSERT_TRUE(Extra.has_value());
  EXPECT_EQ(std::string(Extra->begin(), Extra->end()), "object Extra: TForm\nend\n");
  EXPECT_FALSE(FindResource(ModulePath, RT_RCDATA, "TOVTABLE").has_value());
}

TEST_F(ModuleResources, LoadedModuleSeesTheSameArchiveAndKnowsItsFile) {
  void* Handle = dlopen(ModulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(Handle, nullptr) << dlerror();
  using TArchiveOf = const std::uint8_t* (*)(std::size_t*);
  auto ArchiveOf = reinterpret_cast<TArchiveOf>(dlsym(Handle, "ResFileTestArchive"));
  ASSERT_NE(ArchiveOf, nullptr);
  std::size_t Size = 0;
  const std::uint8_t* Memory = ArchiveOf(&Size);
  auto InMemory = TResourceArchive::Parse({Memory, Size}, "memory");
  auto FromFile = ReadModuleResources(ModulePath);
  EXPECT_EQ(InMemory.Resources().size() + 1, FromFile->Resources().size()); // + ExtraData
  for (const auto& Resource : InMemory.Resources()) {
    const auto* Same = FromFile->Find(Resource.Type, Resource.Name);
    ASSERT_NE(Same, nullptr) << Resource.Name;
    EXPECT_EQ(Same->Data, Resource.Data) << Resource.Name;
  }
  auto Name = GetModuleFileName(Memory);
  EXPECT_TRUE(fs::path(Name).is_absolute()) << Name;
  EXPECT_TRUE(fs::equivalent(Name, ModulePath)) << Name;
  EXPECT_TRUE(
      fs::equivalent(GetModuleFileName(reinterpret_cast<const void*>(ArchiveOf)), ModulePath));
  dlclose(Handle);
}

TEST(ModuleArchives, RegisteredArchivesAreReadInPlaceFirst) {
  // The anchor is an address of the test program, whose file has no resources:
  // what is found comes from the registered bytes.
  static const char Anchor = 0;
  const auto First = SampleArchive().Serialize();
  TResourceArchive Later;
  Later.Add(RT_RCDATA, "Extra", {7, 7});
  const auto Second = Later.Serialize();
  EXPECT_FALSE(FindModuleResource(&Anchor, RT_RCDATA, "Extra").has_value());

  RegisterModuleResources(&Anchor, First);
  RegisterModuleResources(&Anchor, Second);
  auto Picture = FindModuleResource(&Anchor, RT_RCDATA, "picture");
  ASSERT_TRUE(Picture.has_value());
  EXPECT_EQ(*Picture, TBytes{9});
  EXPECT_EQ(FindModuleResource(&Anchor, RT_BITMAP, "PICTURE"), (TBytes{1, 2, 3}));
  EXPECT_EQ(FindModuleResource(&Anchor, RT_RCDATA, "Extra"), (TBytes{7, 7}));
  ASSERT_TRUE(FindModuleResource(&Anchor, RT_RCDATA, "Form").has_value());
  EXPECT_TRUE(FindModuleResource(&Anchor, RT_RCDATA, "Form")->empty());
  EXPECT_FALSE(FindModuleResource(&Anchor, RT_BITMAP, "Form").has_value());
  EXPECT_FALSE(FindModuleResource(&Anchor, RT_RCDATA, "Missing").has_value());

  UnregisterModuleResources(&Anchor);
  EXPECT_FALSE(FindModuleResource(&Anchor, RT_RCDATA, "Extra").has_value());
}

TEST(ModuleArchives, DamagedRegisteredBytesRaiseErrorsNamingTheModule) {
  static const char Anchor = 0;
  auto Bytes = SampleArchive().Serialize();
  Bytes[0] = 'X';
  RegisterModuleResources(&Anchor, Bytes);
  const auto Self = GetModuleFileName(&Anchor);
  ExpectError([&] { FindModuleResource(&Anchor, RT_RCDATA, "Form"); }, {Self, "bad magic"});
  UnregisterModuleResources(&Anchor);
  auto Cut = SampleArchive().Serialize();
  Cut.resize(Cut.size() - 20);
  RegisterModuleResources(&Anchor, Cut);
  ExpectError([&] { FindModuleResource(&Anchor, RT_VERSION, "VS_VERSION_INFO"); }, {Self});
  UnregisterModuleResources(&Anchor);
}

TEST_F(ModuleResources, ModulesWithoutRegisteredArchivesAreReadFromTheirFile) {
  void* Handle = dlopen(ModulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(Handle, nullptr) << dlerror();
  const void* InModule = dlsym(Handle, "ResFileTestArchive");
  ASSERT_NE(InModule, nullptr);
  auto Extra = FindModuleResource(InModule, RT_RCDATA, "EXTRADATA");
  ASSERT_TRUE(Extra.has_value());
  EXPECT_EQ(std::string(Extra->begin(), Extra->end()), "object Extra: TForm\nend\n");
  dlclose(Handle);
}

int FunctionOfTheTestProgram() {
  return 1;
}

TEST_F(ModuleResources, MainProgramIsFoundAndHasNoResources) {
  auto Self = GetModuleFileName(reinterpret_cast<const void*>(&FunctionOfTheTestProgram));
  EXPECT_TRUE(fs::equivalent(Self, "/proc/self/exe")) << Self;
  EXPECT_TRUE(ReadModuleResources(Self)->Empty());
  EXPECT_FALSE(ReadVersionInfo(Self).has_value());
  EXPECT_FALSE(FindResource(Self, RT_BITMAP, "TOVTABLE").has_value());
  int OnTheStack = 0;
  ExpectError([&] { GetModuleFileName(&OnTheStack); }, {"no loaded module"});
  ExpectError([&] { GetModuleFileName(nullptr); }, {"no loaded module"});
}

TEST_F(ModuleResources, UnreadableFilesRaiseErrorsNamingTheFile) {
  TTempDir Dir;
  auto Missing = (Dir.Path() / "missing.so").string();
  ExpectError([&] { ReadModuleResources(Missing); }, {Missing, "cannot open"});
  ExpectError([&] { ReadModuleResources(Dir.Path().string()); }, {"not a regular file"});
  auto Text = Dir.Path() / "notes.txt";
  WriteFile(Text, "just some text, long enough to hold an ELF header if it were one......");
  ExpectError([&] { ReadModuleResources(Text.string()); }, {Text.string(), "not an ELF"});
  auto Empty = Dir.Path() / "empty.so";
  WriteFile(Empty, "");
  ExpectError([&] { ReadModuleResources(Empty.string()); }, {"not an ELF"});
  auto Elf32 = ReadBytes(ModulePath);
  Elf32[4] = 1;
  WriteBytes(Dir.Path() / "elf32.so", Elf32);
  ExpectError([&] { ReadModuleResources((Dir.Path() / "elf32.so").string()); },
              {"64-bit little-endian"});
}

TEST_F(ModuleResources, TruncatedModulesRaiseErrorsNotCrashes) {
  TTempDir Dir;
  auto Whole = ReadBytes(ModulePath);
  auto SectionTable = U32(Whole, 40);
  std::set<std::size_t> Lengths = {
      3, 20, 63, 64, Whole.size() / 2, SectionTable + 10, Whole.size() - 1};
  for (auto Length : Lengths) {
    auto Path = Dir.Path() / ("cut" + std::to_string(Length) + ".so");
    WriteBytes(Path, TBytes(Whole.begin(), Whole.begin() + static_cast<std::ptrdiff_t>(Length)));
    ExpectError([&] { ReadModuleResources(Path.string()); }, {Path.string(), "truncated"});
  }
}

TEST_F(ModuleResources, GarbageSectionTablesRaiseErrorsNotCrashes) {
  TTempDir Dir;
  auto Whole = ReadBytes(ModulePath);
  auto Write = [&](const std::string& Name, const TBytes& Bytes) {
    auto Path = (Dir.Path() / Name).string();
    WriteBytes(Path, Bytes);
    return Path;
  };
  auto FarTable = Whole;
  SetU64(FarTable, 40, 0xFFFFFFFFFFFFFF00ull);
  ExpectError([&] { ReadModuleResources(Write("far.so", FarTable)); }, {"truncated"});
  auto BadNames = Whole;
  BadNames[62] = 0xF0;
  BadNames[63] = 0x7F;
  ExpectError([&] { ReadModuleResources(Write("names.so", BadNames)); }, {"out of range"});
  auto SmallEntries = Whole;
  SmallEntries[58] = 16;
  SmallEntries[59] = 0;
  ExpectError([&] { ReadModuleResources(Write("small.so", SmallEntries)); }, {"smaller than 64"});

  // Random damage in the section table or in the resource section.
  std::mt19937 Random(7);
  std::size_t TableStart = U32(Whole, 40);
  const std::string Magic = "OVRS";
  std::size_t Resources =
      std::search(Whole.begin(), Whole.end(), Magic.begin(), Magic.end()) - Whole.begin();
  ASSERT_LT(Resources, Whole.size());
  for (int Round = 0; Round < 400; ++Round) {
    auto Bytes = Whole;
    auto [Start, Length] =
        Round % 2 == 0 ? std::pair{TableStart, Whole.size() - TableStart}
                       : std::pair{Resources, std::min<std::size_t>(4096, TableStart - Resources)};
    for (int Flip = 0; Flip < 4; ++Flip) {
      Bytes[Start + Random() % Length] = static_cast<std::uint8_t>(Random());
    }
    auto Path = Write("flip" + std::to_string(Round) + ".so", Bytes);
    try {
      ReadModuleResources(Path);
    } catch (const EResFileError& E) {
      EXPECT_NE(std::string(E.what()).find(Path), std::string::npos) << E.what();
    }
  }
}

TEST_F(ModuleResources, CacheFollowsChangesOfTheFile) {
  TTempDir Dir;
  auto Path = Dir.Path() / "module.so";
  fs::copy_file(ModulePath, Path);
  auto First = ReadModuleResources(Path.string());
  EXPECT_EQ(First, ReadModuleResources(Path.string()));

  auto Plain = ReadBytes(OvrcPath);
  WriteBytes(Path, Plain);
  fs::last_write_time(Path, fs::last_write_time(Path) + std::chrono::seconds(5));
  auto Second = ReadModuleResources(Path.string());
  EXPECT_TRUE(Second->Empty());
  EXPECT_FALSE(First->Empty());
}

// ---------------------------------------------------------------------------
// Bitmaps

struct TBitmapHeader {
  std::uint32_t FileSize, BitsOffset, HeaderSize, ImageSize, ColoursUsed, Compression;
  std::int32_t Width, Height;
  std::uint16_t Planes, BitCount;
};

TBitmapHeader ReadBitmapHeader(const TBytes& Bmp) {
  EXPECT_GE(Bmp.size(), 54u);
  EXPECT_EQ(Bmp.at(0), 'B');
  EXPECT_EQ(Bmp.at(1), 'M');
  return {U32(Bmp, 2),
          U32(Bmp, 10),
          U32(Bmp, 14),
          U32(Bmp, 34),
          U32(Bmp, 46),
          U32(Bmp, 30),
          static_cast<std::int32_t>(U32(Bmp, 18)),
          static_cast<std::int32_t>(U32(Bmp, 22)),
          U16(Bmp, 26),
          U16(Bmp, 28)};
}

std::uint32_t Rgb(const TBytes& Bmp, std::size_t Index) {
  std::size_t At = 54 + 4 * Index;
  return (Bmp.at(At + 2) << 16) | (Bmp.at(At + 1) << 8) | Bmp.at(At);
}

TEST_F(Bitmaps, PaletteBitmapsAre24x24With16VgaColours) {
  for (const auto& Name : PaletteNames) {
    SCOPED_TRACE(Name);
    auto Bmp = FindResource(ModulePath, RT_BITMAP, Name).value();
    auto Header = ReadBitmapHeader(Bmp);
    EXPECT_EQ(Header.FileSize, Bmp.size());
    EXPECT_EQ(Header.HeaderSize, 40u);
    EXPECT_EQ(Header.Width, 24);
    EXPECT_EQ(Header.Height, 24); // positive: bottom-up
    EXPECT_EQ(Header.Planes, 1);
    EXPECT_EQ(Header.BitCount, 4);
    EXPECT_EQ(Header.Compression, 0u);
    EXPECT_EQ(Header.ColoursUsed, 16u);
    EXPECT_EQ(Header.BitsOffset, 14u + 40u + 16u * 4u);
    EXPECT_EQ(Header.ImageSize, 12u * 24u);
    EXPECT_EQ(Bmp.size(), Header.BitsOffset + Header.ImageSize);
    EXPECT_EQ(Rgb(Bmp, 3), 0x808000u);
    EXPECT_EQ(Rgb(Bmp, 7), 0xC0C0C0u);
    EXPECT_EQ(Rgb(Bmp, 12), 0x0000FFu);
    // The IDE draws the lower-left pixel's colour transparent; the first
    // stored row is the bottom one.
    EXPECT_EQ(Bmp[Header.BitsOffset] >> 4, 3) << "lower-left pixel is not the olive background";
    std::set<int> Colours;
    for (auto At = Header.BitsOffset; At < Bmp.size(); ++At) {
      Colours.insert(Bmp[At] >> 4);
      Colours.insert(Bmp[At] & 15);
    }
    EXPECT_GE(Colours.size(), 4u) << "a palette picture needs more than a couple of colours";
  }
}

TEST_F(Bitmaps, AboutLogoIs100x30With256Colours) {
  auto Bmp = FindResource(ModulePath, RT_BITMAP, "ovaboutlogo").value();
  auto Header = ReadBitmapHeader(Bmp);
  EXPECT_EQ(Header.Width, 100);
  EXPECT_EQ(Header.Height, 30);
  EXPECT_EQ(Header.BitCount, 8);
  EXPECT_EQ(Header.Compression, 0u);
  EXPECT_EQ(Header.ColoursUsed, 256u);
  EXPECT_EQ(Header.BitsOffset, 14u + 40u + 256u * 4u);
  EXPECT_EQ(Header.ImageSize, 100u * 30u);
  EXPECT_EQ(Header.FileSize, Bmp.size());
}

class OvrcTest : public ModuleTest {
protected:
  TTempDir FDir;
  std::string FErrors;

  int Run(const std::string& Arguments) {
    auto ErrorFile = FDir.Path() / "stderr.txt";
    auto Command = OvrcPath + " " + Arguments + " 2>" + ErrorFile.string();
    int Status = std::system(Command.c_str());
    std::ifstream Stream(ErrorFile);
    FErrors.assign(std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>());
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }

  TBytes Convert(const std::string& Pix) {
    WriteFile(FDir.Path() / "p.pix", Pix);
    EXPECT_EQ(
        Run("--bmp " + (FDir.Path() / "p.bmp").string() + " " + (FDir.Path() / "p.pix").string()),
        0)
        << FErrors;
    return ReadBytes(FDir.Path() / "p.bmp");
  }
};

TEST_F(OvrcTest, FourBitRowsRunBottomUpPaddedToFourBytes) {
  auto Bmp = Convert("# five by three\n"
                     "OVPIX 5 3 4\n"
                     ". = olive\n"
                     "w = white\n"
                     "r = #FF0000\n"
                     "pixels\n"
                     "w....\n"
                     ".r...\n"
                     "....w\n");
  auto Header = ReadBitmapHeader(Bmp);
  EXPECT_EQ(Header.Width, 5);
  EXPECT_EQ(Header.Height, 3);
  EXPECT_EQ(Header.ImageSize, 12u); // 5 pixels = 3 bytes, padded to 4
  ASSERT_EQ(Bmp.size(), Header.BitsOffset + 12u);
  const std::uint8_t* Bits = &Bmp[Header.BitsOffset];
  EXPECT_EQ(TBytes(Bits, Bits + 4), TBytes({0x33, 0x33, 0xF0, 0x00})); // bottom row first
  EXPECT_EQ(TBytes(Bits + 4, Bits + 8), TBytes({0x39, 0x33, 0x30, 0x00}));
  EXPECT_EQ(TBytes(Bits + 8, Bits + 12), TBytes({0xF3, 0x33, 0x30, 0x00}));
}

TEST_F(OvrcTest, EightBitPaletteFollowsTheLegend) {
  auto Bmp = Convert("OVPIX 3 2 8\n"
                     "a = #102030\n"
                     "b = navy\n"
                     "pixels\n"
                     "aab\n"
                     "bba\n");
  auto Header = ReadBitmapHeader(Bmp);
  EXPECT_EQ(Header.BitCount, 8);
  EXPECT_EQ(Header.ColoursUsed, 256u);
  EXPECT_EQ(Rgb(Bmp, 0), 0x102030u);
  EXPECT_EQ(Rgb(Bmp, 1), 0x000080u);
  EXPECT_EQ(Rgb(Bmp, 255), 0u);
  const std::uint8_t* Bits = &Bmp[Header.BitsOffset];
  EXPECT_EQ(TBytes(Bits, Bits + 8), TBytes({1, 1, 0, 0, 0, 0, 1, 0}));
}

// ---------------------------------------------------------------------------
// Version information

TEST_F(PackageVersion, PackageFileCarriesItsVersionTable) {
  auto Info = ReadVersionInfo(ModulePath);
  ASSERT_TRUE(Info.has_value());
  EXPECT_EQ(Info->FileVersion, (std::array<std::uint16_t, 4>{6, 5, 3, 0}));
  EXPECT_EQ(Info->ProductVersion, (std::array<std::uint16_t, 4>{6, 5, 3, 0}));
  EXPECT_EQ(Info->FileVersionText(), "6.5.3.0");
  ASSERT_EQ(Info->Translations.size(), 1u);
  EXPECT_EQ(Info->Translations[0], (std::pair<std::uint16_t, std::uint16_t>(0x0409, 0x04E4)));
  ASSERT_EQ(Info->StringTables.size(), 1u);
  EXPECT_EQ(Info->StringTables[0].Key, "040904E4");
  const std::map<std::string, std::string> Expected = {
      {"FileVersion", "6,5,3,0"},
      {"ProductVersion", "6,5,3,0"},
      {"FileDescription", "Orvane Components for Delphi 6"},
      {"InternalName", "DCLORVANE60"},
      {"OriginalFilename", "DCLORVANE60.BPL"},
      {"ProductName", "Orvane Library"},
      {"LegalCopyright", "Copyright (c) 2001-2026 Orvane Software"},
      {"CompanyName", ""},
      {"Comments", ""}};
  EXPECT_EQ(Info->StringTables[0].Values.size(), Expected.size());
  for (const auto& [Name, Value] : Expected) {
    EXPECT_EQ(Info->GetString(Name), Value) << Name;
  }
  EXPECT_EQ(Info->GetString("productname"), "Orvane Library");
  EXPECT_FALSE(Info->GetString("PrivateBuild").has_value());
}

TVersionInfo SampleVersion() {
  TVersionInfo Info;
  Info.FileVersion = {1, 2, 65535, 0};
  Info.ProductVersion = {9, 0, 0, 1};
  Info.Translations = {{0x0407, 0x04E4}, {0x0409, 0x04B0}};
  Info.StringTables = {{"040704E4", {{"ProductName", "Grüße"}, {"Comments", ""}}},
                       {"040904b0", {{"ProductName", "Greetings"}}},
                       {"00000000", {}}};
  return Info;
}

TEST(VersionInfo, RoundTripAndLookupByFirstTranslation) {
  auto Bytes = SerializeVersionInfo(SampleVersion());
  EXPECT_EQ(ParseVersionInfo(Bytes), SampleVersion());
  EXPECT_EQ(SampleVersion().GetString("PRODUCTNAME"), "Grüße");
  auto Reordered = SampleVersion();
  std::swap(Reordered.Translations[0], Reordered.Translations[1]);
  EXPECT_EQ(Reordered.GetString("ProductName"), "Greetings"); // key compared ignoring case
  EXPECT_EQ(ParseVersionInfo(SerializeVersionInfo(TVersionInfo{})), TVersionInfo{});
}

TEST(VersionInfo, SerializeRejectsWhatCouldNotBeReadBack) {
  auto BadKey = SampleVersion();
  BadKey.StringTables[0].Key = "0409";
  ExpectError([&] { SerializeVersionInfo(BadKey); }, {"\"0409\"", "8 hex digits"});
  auto TwiceTable = SampleVersion();
  TwiceTable.StringTables[1].Key = "040704e4";
  ExpectError([&] { SerializeVersionInfo(TwiceTable); }, {"twice"});
  auto TwiceValue = SampleVersion();
  TwiceValue.StringTables[0].Values.push_back({"productname", "x"});
  ExpectError([&] { SerializeVersionInfo(TwiceValue); }, {"productname", "twice"});
}

TEST(VersionInfo, DamagedBlocksRaiseErrors) {
  auto Good = SerializeVersionInfo(SampleVersion());
  for (std::size_t Length = 0; Length < Good.size(); ++Length) {
    TBytes Cut(Good.begin(), Good.begin() + static_cast<std::ptrdiff_t>(Length));
    ExpectError([&] { ParseVersionInfo(Cut, "cut block"); }, {"cut block"});
  }
  auto Longer = Good;
  Longer.push_back(0);
  Longer[8] = static_cast<std::uint8_t>(Longer.size());
  ExpectError([&] { ParseVersionInfo(Longer); }, {"unexpected bytes"});
  auto Magic = Good;
  Magic[0] = 'X';
  ExpectError([&] { ParseVersionInfo(Magic); }, {"magic"});
  auto HugeString = Good;
  HugeString[44] = 0xFF; // the first key's length
  ExpectError([&] { ParseVersionInfo(HugeString); }, {"truncated"});
}

// ---------------------------------------------------------------------------
// The resource compiler

TEST_F(OvrcTest, CompilesAScriptAndListsItsFilesInTheDepfile) {
  WriteFile(FDir.Path() / "dot.pix", "OVPIX 1 1 4\nx = red\npixels\nx\n");
  WriteFile(FDir.Path() / "form.dfm", "object F: TForm\nend\n");
  WriteFile(FDir.Path() / "s.rc",
            "DOT BITMAP \"dot.pix\"\nFORM RCDATA \"form.dfm\" // stored as is\n");
  auto Out = FDir.Path() / "s.cpp";
  ASSERT_EQ(Run("--depfile " + (FDir.Path() / "s.d").string() + " -o " + Out.string() + " " +
                (FDir.Path() / "s.rc").string()),
            0)
      << FErrors;
  std::ifstream Source(Out);
  std::string Text((std::istreambuf_iterator<char>(Source)), std::istreambuf_iterator<char>());
  EXPECT_NE(Text.find("section(\".ovrsrc\")"), std::string::npos);
  EXPECT_NE(Text.find("OvResources_s["), std::string::npos);
  std::ifstream Depfile(FDir.Path() / "s.d");
  std::string Deps((std::istreambuf_iterator<char>(Depfile)), std::istreambuf_iterator<char>());
  EXPECT_EQ(Deps.rfind(Out.string() + ":", 0), 0u) << Deps;
  for (auto Name : {"s.rc", "dot.pix", "form.dfm"}) {
    EXPECT_NE(Deps.find((FDir.Path() / Name).string()), std::string::npos) << Deps;
  }
}

struct TOvrcErrorCase {
  const char* Script;
  const char* Pix; // written as pic.pix when not null
  const char* Expected;
};

TEST_F(OvrcTest, ErrorsNameFileAndLineAndWriteNothing) {
  const TOvrcErrorCase Cases[] = {
      {"A BITMAP \"pic.pix\"\nB ICON \"x.ico\"\n", "OVPIX 1 1 4\nx = red\npixels\nx\n",
       "s.rc:2: unknown resource type 'ICON'"},
      {"\n\nA RCDATA \"nowhere.dfm\"\n", nullptr, "s.rc:3: cannot read"},
      {"A RCDATA \"open\n", nullptr, "s.rc:1: string is not closed"},
      {"A BITMAP \"pic.pix\"\na bitmap \"pic.pix\"\n", "OVPIX 1 1 4\nx = red\npixels\nx\n",
       "s.rc:2: BITMAP resource a is already defined on line 1"},
      {"A BITMAP \"pic.pix\"\n", "OVPIX 3 2 4\nx = red\npixels\nxxx\nxx\n",
       "pic.pix:5: pixel row 2 has 2 pixels, expected 3"},
      {"A BITMAP \"pic.pix\"\n", "OVPIX 2 1 4\nx = red\npixels\nxq\n",
       "pic.pix:4: column 2: character 'q' is not in the legend"},
      {"A BITMAP \"pic.pix\"\n", "# pink\nOVPIX 1 1 4\nx = #FF8080\npixels\nx\n",
       "pic.pix:3: colour \"#FF8080\" is not one of the 16 VGA colours"},
      {"A BITMAP \"pic.pix\"\n", "OVPIX 1 1 4\nx = red\nx = blue\npixels\nx\n",
       "pic.pix:3: legend character 'x' is already defined on line 2"},
      {"A BITMAP \"pic.pix\"\n", "OVPIX 2 2 4\nx = red\npixels\nxx\n",
       "picture ends after 1 of 2 pixel rows"},
      {"A BITMAP \"pic.pix\"\n", "OVPIX 2 2 24\nx = red\npixels\nxx\nxx\n",
       "pic.pix:1: bits per pixel 24 is out of range"},
      {"V VERSIONINFO\nFILEVERSION 6,5,70000,0\nBEGIN\nEND\n", nullptr,
       "s.rc:2: a version part must be at most 65535, found 70000"},
      {"V VERSIONINFO\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"0409\"\n", nullptr,
       "s.rc:5: string table key \"0409\" is not a language and code page"},
      {"V VERSIONINFO\nBEGIN\n BLOCK \"VarFileInfo\"\n BEGIN\n  VALUE \"Translation\", 0x0409\n "
       "END\nEND\n",
       nullptr, "s.rc:6: expected ',' and a code page after the language id"},
      {"V VERSIONINFO\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904E4\"\n  BEGIN\n"
       "   VALUE \"A\", \"1\"\n   VALUE \"a\", \"2\"\n",
       nullptr, "s.rc:8: value \"a\" is given twice"},
      {"V VERSIONINFO\nBEGIN\n", nullptr,
       "s.rc:3: expected BLOCK or END in VERSIONINFO, found the "
       "end of the script"},
      {"V VERSIONINFO\nBEGIN\nEND\nW VERSIONINFO\nBEGIN\nEND\n", nullptr,
       "s.rc:4: a script holds one VERSIONINFO resource only"},
  };
  auto Out = FDir.Path() / "s.cpp";
  auto Depfile = FDir.Path() / "s.d";
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Script);
    fs::remove(FDir.Path() / "pic.pix");
    WriteFile(FDir.Path() / "s.rc", Case.Script);
    if (Case.Pix != nullptr) {
      WriteFile(FDir.Path() / "pic.pix", Case.Pix);
    }
    EXPECT_EQ(Run("--depfile " + Depfile.string() + " -o " + Out.string() + " " +
                  (FDir.Path() / "s.rc").string()),
              1);
    EXPECT_NE(FErrors.find(Case.Expected), std::string::npos) << FErrors;
    EXPECT_FALSE(fs::exists(Out));
    EXPECT_FALSE(fs::exists(Depfile));
  }
  for (const auto& Entry : fs::directory_iterator(FDir.Path())) {
    EXPECT_EQ(Entry.path().filename().string().find(".tmp"), std::string::npos)
        << "temporary file left behind: " << Entry.path();
  }
}

TEST_F(OvrcTest, FailedRunLeavesAnEarlierOutputAlone) {
  auto Out = FDir.Path() / "s.cpp";
  WriteFile(Out, "// earlier output\n");
  WriteFile(FDir.Path() / "s.rc", "A RCDATA \"missing\"\n");
  EXPECT_EQ(Run("-o " + Out.string() + " " + (FDir.Path() / "s.rc").string()), 1);
  std::ifstream Stream(Out);
  std::string Text((std::istreambuf_iterator<char>(Stream)), std::istreambuf_iterator<char>());
  EXPECT_EQ(Text, "// earlier output\n");
}

} // namespace
