// Bitmaps and pictures.
#include "rtl/ResFile.hpp"
#include "vcl/Graphics.hpp"

#include <cstring>

namespace Graphics {

using SysUtils::Format;

OV_CLASS_IMPL(TGraphic, TPersistent, "Graphics")
OV_CLASS_IMPL(TBitmap, TGraphic, "Graphics")
OV_CLASS_IMPL(TPicture, TPersistent, "Graphics")

void TGraphic::Changed() {
  if (OnChange)
    OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& FileName) {
  Classes::TFileStream S(FileName, Classes::TFileMode::fmOpenRead);
  LoadFromStream(&S);
}

void TGraphic::SaveToFile(const std::string& FileName) const {
  Classes::TMemoryStream S;
  SaveToStream(&S);
  S.SaveToFile(FileName);
}

namespace {

uint32_t U32(const std::string& B, size_t At) {
  uint32_t V = 0;
  for (int I = 3; I >= 0; --I)
    V = (V << 8) | static_cast<uint8_t>(B[At + static_cast<size_t>(I)]);
  return V;
}

uint16_t U16(const std::string& B, size_t At) {
  return static_cast<uint16_t>(static_cast<uint8_t>(B[At]) |
                               (static_cast<uint8_t>(B[At + 1]) << 8));
}

struct TBmpInfo {
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
};

[[noreturn]] void InvalidBitmap() {
  throw EInvalidGraphic("Bitmap image is not valid");
}

// Checks the file header, the info header and that the pixel rows of an
// uncompressed bitmap are all present.
TBmpInfo ParseBmp(const std::string& B) {
  constexpr size_t FileHeaderSize = 14;
  if (B.size() < FileHeaderSize + 12 || B[0] != 'B' || B[1] != 'M')
    InvalidBitmap();
  const uint32_t PixelOffset = U32(B, 10);
  const uint32_t InfoSize = U32(B, FileHeaderSize);
  if (InfoSize < 12 || FileHeaderSize + InfoSize > B.size())
    InvalidBitmap();
  int64_t Width = 0;
  int64_t Height = 0;
  uint16_t Planes = 0;
  uint16_t BitCount = 0;
  uint32_t Compression = 0;
  if (InfoSize == 12) {
    Width = U16(B, FileHeaderSize + 4);
    Height = static_cast<int16_t>(U16(B, FileHeaderSize + 6));
    Planes = U16(B, FileHeaderSize + 8);
    BitCount = U16(B, FileHeaderSize + 10);
  } else {
    if (InfoSize < 40)
      InvalidBitmap();
    Width = static_cast<int32_t>(U32(B, FileHeaderSize + 4));
    Height = static_cast<int32_t>(U32(B, FileHeaderSize + 8));
    Planes = U16(B, FileHeaderSize + 12);
    BitCount = U16(B, FileHeaderSize + 14);
    Compression = U32(B, FileHeaderSize + 16);
  }
  const int64_t AbsHeight = Height < 0 ? -Height : Height;
  const bool KnownDepth = BitCount == 1 || BitCount == 4 || BitCount == 8 || BitCount == 16 ||
                          BitCount == 24 || BitCount == 32;
  if (Planes != 1 || !KnownDepth || Width <= 0 || AbsHeight == 0 || Width > 65535 ||
      AbsHeight > 65535 || Compression > 3 || PixelOffset > B.size())
    InvalidBitmap();
  // Run-length encoded bitmaps (1, 2) carry no fixed row size to check.
  if (Compression == 0 || Compression == 3) {
    const int64_t RowBytes = ((Width * BitCount + 31) / 32) * 4;
    if (RowBytes * AbsHeight > static_cast<int64_t>(B.size() - PixelOffset))
      InvalidBitmap();
  }
  return {static_cast<int>(Width), static_cast<int>(AbsHeight), BitCount};
}

TPixelFormat FormatOf(int BitCount) {
  switch (BitCount) {
  case 1:
    return TPixelFormat::pf1bit;
  case 4:
    return TPixelFormat::pf4bit;
  case 8:
    return TPixelFormat::pf8bit;
  case 16:
    return TPixelFormat::pf16bit;
  case 24:
    return TPixelFormat::pf24bit;
  case 32:
    return TPixelFormat::pf32bit;
  default:
    return TPixelFormat::pfDevice;
  }
}

} // namespace

void TBitmap::Assign(TPersistent* Source) {
  if (auto* Src = dynamic_cast<TBitmap*>(Source)) {
    if (Src == this)
      return;
    FData = Src->FData;
    FWidth = Src->FWidth;
    FHeight = Src->FHeight;
    FPixelFormat = Src->FPixelFormat;
    Changed();
    return;
  }
  if (!Source) {
    Clear();
    return;
  }
  TGraphic::Assign(Source);
}

void TBitmap::LoadFromBytes(std::string Bytes) {
  const TBmpInfo Info = ParseBmp(Bytes);
  FData = std::move(Bytes);
  FWidth = Info.Width;
  FHeight = Info.Height;
  FPixelFormat = FormatOf(Info.BitCount);
  Changed();
}

void TBitmap::LoadFromStream(Classes::TStream* Stream) {
  LoadFromBytes(Stream->ReadAll());
}

void TBitmap::SaveToStream(Classes::TStream* Stream) const {
  Stream->WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TBitmap::LoadFromResourceName(const void* Instance, const std::string& ResName) {
  const auto Data = ResFile::FindModuleResource(Instance, ResFile::RT_BITMAP, ResName);
  if (!Data)
    throw EResNotFound(Format("Resource %s not found", ResName));
  LoadFromBytes(std::string(Data->begin(), Data->end()));
}

void TBitmap::Clear() {
  if (FData.empty())
    return;
  FData.clear();
  FWidth = FHeight = 0;
  FPixelFormat = TPixelFormat::pfDevice;
  Changed();
}

TPicture::TPicture() = default;

TPicture::~TPicture() {
  OnChange = nullptr;
}

void TPicture::GraphicChanged(TObject*) {
  if (OnChange)
    OnChange(this);
}

void TPicture::SetGraphic(TGraphic* Value) {
  std::unique_ptr<TGraphic> New;
  if (Value) {
    New.reset(static_cast<TGraphic*>(Value->ClassType()->Factory(nullptr)));
    New->Assign(Value);
    New->OnChange = [this](TObject* Sender) { GraphicChanged(Sender); };
  }
  FGraphic = std::move(New);
  GraphicChanged(this);
}

TBitmap* TPicture::GetBitmap() {
  if (auto* B = dynamic_cast<TBitmap*>(FGraphic.get()))
    return B;
  auto B = std::make_unique<TBitmap>();
  B->OnChange = [this](TObject* Sender) { GraphicChanged(Sender); };
  FGraphic = std::move(B);
  GraphicChanged(this);
  return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
    return;
  }
  if (auto* P = dynamic_cast<TPicture*>(Source)) {
    if (P != this)
      SetGraphic(P->GetGraphic());
    return;
  }
  if (auto* G = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(G);
    return;
  }
  TPersistent::Assign(Source);
}

void TPicture::LoadFromFile(const std::string& FileName) {
  TBitmap B;
  B.LoadFromFile(FileName);
  SetGraphic(&B);
}

void TPicture::ReadData(Classes::TStream* Stream) {
  uint8_t NameLen = 0;
  Stream->ReadBuffer(&NameLen, 1);
  std::string ClassName(NameLen, '\0');
  Stream->ReadBuffer(ClassName.data(), NameLen);
  if (ClassName.empty()) {
    SetGraphic(nullptr);
    return;
  }
  if (!SysUtils::SameText(ClassName, "TBitmap"))
    throw EInvalidGraphic(Format("Unsupported picture format %s", ClassName));
  uint8_t SizeBytes[4];
  Stream->ReadBuffer(SizeBytes, 4);
  const uint32_t Size = static_cast<uint32_t>(SizeBytes[0]) | (SizeBytes[1] << 8) |
                        (SizeBytes[2] << 16) | (static_cast<uint32_t>(SizeBytes[3]) << 24);
  const int64_t Left = Stream->GetSize() - Stream->GetPosition();
  if (Size > Left)
    InvalidBitmap();
  std::string Bytes(Size, '\0');
  Stream->ReadBuffer(Bytes.data(), Size);
  TBitmap B;
  if (Size > 0)
    B.LoadFromBytes(std::move(Bytes));
  SetGraphic(&B);
}

void TPicture::WriteData(Classes::TStream* Stream) const {
  const std::string ClassName = FGraphic ? FGraphic->ClassName() : std::string();
  const uint8_t NameLen = static_cast<uint8_t>(ClassName.size());
  Stream->WriteBuffer(&NameLen, 1);
  Stream->WriteBuffer(ClassName.data(), NameLen);
  if (!FGraphic)
    return;
  Classes::TMemoryStream Data;
  FGraphic->SaveToStream(&Data);
  const uint32_t Size = static_cast<uint32_t>(Data.Data().size());
  const uint8_t SizeBytes[4] = {static_cast<uint8_t>(Size), static_cast<uint8_t>(Size >> 8),
                                static_cast<uint8_t>(Size >> 16), static_cast<uint8_t>(Size >> 24)};
  Stream->WriteBuffer(SizeBytes, 4);
  Stream->WriteBuffer(Data.Data().data(), Size);
}

void TPicture::DefineProperties(Classes::TFiler* Filer) {
  Filer->DefineBinaryProperty(
      "Data", [this](Classes::TStream* S) { ReadData(S); },
      [this](Classes::TStream* S) { WriteData(S); }, FGraphic && !FGraphic->Empty());
}

} // namespace Graphics
