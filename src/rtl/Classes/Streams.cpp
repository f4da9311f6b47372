#include "rtl/Classes.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Classes {

using SysUtils::Format;

OV_CLASS_IMPL(TStream, TObject, "Classes")
OV_CLASS_IMPL(TMemoryStream, TStream, "Classes")
OV_CLASS_IMPL(TStringStream, TMemoryStream, "Classes")
OV_CLASS_IMPL(TFileStream, TStream, "Classes")

int64_t TStream::GetSize() {
  const int64_t Pos = Seek(0, TSeekOrigin::soCurrent);
  const int64_t Size = Seek(0, TSeekOrigin::soEnd);
  Seek(Pos, TSeekOrigin::soBeginning);
  return Size;
}

void TStream::SetSize(int64_t) {
  throw EStreamError("Stream cannot change its size");
}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count)
    throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count)
    throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->GetSize();
  }
  int64_t Done = 0;
  char Buf[65536];
  while (Done < Count) {
    const int64_t N = std::min<int64_t>(Count - Done, sizeof Buf);
    Source->ReadBuffer(Buf, N);
    WriteBuffer(Buf, N);
    Done += N;
  }
  return Done;
}

std::string TStream::ReadAll() {
  std::string R;
  char Buf[65536];
  for (;;) {
    const int64_t N = Read(Buf, sizeof Buf);
    if (N <= 0)
      break;
    R.append(Buf, static_cast<size_t>(N));
  }
  return R;
}

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || FPosition >= static_cast<int64_t>(FData.size()))
    return 0;
  const int64_t N = std::min<int64_t>(Count, static_cast<int64_t>(FData.size()) - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(N));
  FPosition += N;
  return N;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0)
    return 0;
  const auto End = static_cast<size_t>(FPosition + Count);
  if (End > FData.size())
    FData.resize(End);
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition += Count;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t Base = 0;
  if (Origin == TSeekOrigin::soCurrent)
    Base = FPosition;
  else if (Origin == TSeekOrigin::soEnd)
    Base = static_cast<int64_t>(FData.size());
  FPosition = std::max<int64_t>(0, Base + Offset);
  return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  FData.resize(static_cast<size_t>(std::max<int64_t>(0, NewSize)));
  FPosition = std::min<int64_t>(FPosition, static_cast<int64_t>(FData.size()));
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  FData = SysUtils::LoadFileToString(FileName);
  FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& FileName) const {
  SysUtils::SaveFileAtomically(FileName, FData);
}

TStringStream::TStringStream(std::string AString) {
  FData = std::move(AString);
}

std::string TStringStream::ReadString(int64_t Count) {
  const int64_t N = std::max<int64_t>(
      0, std::min<int64_t>(Count, static_cast<int64_t>(FData.size()) - FPosition));
  std::string R = FData.substr(static_cast<size_t>(FPosition), static_cast<size_t>(N));
  FPosition += N;
  return R;
}

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
  int Flags = 0;
  switch (Mode) {
  case TFileMode::fmCreate:
    Flags = O_RDWR | O_CREAT | O_TRUNC;
    break;
  case TFileMode::fmOpenRead:
    Flags = O_RDONLY;
    break;
  case TFileMode::fmOpenWrite:
    Flags = O_WRONLY;
    break;
  case TFileMode::fmOpenReadWrite:
    Flags = O_RDWR;
    break;
  }
  FHandle = ::open(FileName.c_str(), Flags | O_CLOEXEC, 0666);
  if (FHandle < 0) {
    const std::string Why = SysUtils::SysErrorMessage(errno);
    if (Mode == TFileMode::fmCreate)
      throw EFCreateError(Format("Cannot create file \"%s\". %s", FileName, Why));
    throw EFOpenError(Format("Cannot open file \"%s\". %s", FileName, Why));
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0)
    ::close(FHandle);
}

namespace {

// Calls Transfer(Offset, Size) for what is left of Count bytes until all of
// them are done, the end is reached or an error other than an interruption
// occurs; the bytes done.
template <class F> int64_t TransferAll(int64_t Count, F Transfer) {
  int64_t Done = 0;
  while (Done < Count) {
    const ssize_t N = Transfer(Done, static_cast<size_t>(Count - Done));
    if (N < 0 && errno == EINTR)
      continue;
    if (N <= 0)
      break;
    Done += N;
  }
  return Done;
}

} // namespace

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
  return TransferAll(Count, [&](int64_t Offset, size_t Size) {
    return ::read(FHandle, static_cast<char*>(Buffer) + Offset, Size);
  });
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
  return TransferAll(Count, [&](int64_t Offset, size_t Size) {
    return ::write(FHandle, static_cast<const char*>(Buffer) + Offset, Size);
  });
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int Whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : Origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  return ::lseek(FHandle, Offset, Whence);
}

void TFileStream::SetSize(int64_t NewSize) {
  if (::ftruncate(FHandle, NewSize) != 0)
    throw EStreamError(Format("Cannot change the size of \"%s\". %s", FFileName,
                              SysUtils::SysErrorMessage(errno)));
}

} // namespace Classes
