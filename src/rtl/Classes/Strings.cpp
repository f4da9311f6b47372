#include "rtl/Classes.hpp"
#include "rtl/ListCapacity.hpp"
#include "rtl/ScopeGuard.hpp"

#include <algorithm>
#include <typeinfo>

namespace Classes {

using SysUtils::Format;

OV_CLASS_IMPL(TStrings, TPersistent, "Classes")
OV_CLASS_IMPL(TStringList, TStrings, "Classes")

void TStrings::Error(const char* Msg, int Data) const {
  throw EStringListError(Format(Msg, Data));
}

void TStrings::Put(int Index, const std::string& S) {
  TObject* Obj = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, Obj);
}

TObject* TStrings::GetObject(int) const {
  return nullptr;
}

void TStrings::PutObject(int, TObject*) {}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

int TStrings::Add(const std::string& S) {
  const int Index = Count();
  Insert(Index, S);
  return Index;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  const int Index = Add(S);
  PutObject(Index, AObject);
  return Index;
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
  const std::string S1 = Get(Index1);
  TObject* O1 = GetObject(Index1);
  Put(Index1, Get(Index2));
  PutObject(Index1, GetObject(Index2));
  Put(Index2, S1);
  PutObject(Index2, O1);
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex)
    return;
  BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
  const std::string S = Get(CurIndex);
  TObject* O = GetObject(CurIndex);
  Delete(CurIndex);
  InsertObject(NewIndex, S, O);
}

int TStrings::CompareStrings(std::string_view S1, std::string_view S2) const {
  return SysUtils::CompareText(S1, S2);
}

int TStrings::IndexOf(std::string_view S) const {
  for (int I = 0, N = Count(); I < N; ++I)
    if (CompareStrings(Get(I), S) == 0)
      return I;
  return -1;
}

int TStrings::IndexOfName(std::string_view Name) const {
  for (int I = 0, N = Count(); I < N; ++I) {
    const std::string S = Get(I);
    const size_t P = S.find('=');
    if (P != std::string::npos && CompareStrings(std::string_view(S).substr(0, P), Name) == 0)
      return I;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
  for (int I = 0, N = Count(); I < N; ++I)
    if (GetObject(I) == AObject)
      return I;
  return -1;
}

std::string TStrings::Names(int Index) const {
  std::string Scratch;
  const std::string& S = GetRef(Index, Scratch);
  const size_t P = S.find('=');
  return P == std::string::npos ? std::string() : S.substr(0, P);
}

std::string TStrings::ValueFromIndex(int Index) const {
  std::string Scratch;
  const std::string& S = GetRef(Index, Scratch);
  const size_t P = S.find('=');
  return P == std::string::npos ? std::string() : S.substr(P + 1);
}

const std::string& TStrings::GetRef(int Index, std::string& Scratch) const {
  return Scratch = Get(Index);
}

void TStrings::SetCapacity(int) {}

std::string TStrings::Values(std::string_view Name) const {
  const int I = IndexOfName(Name);
  return I < 0 ? std::string() : ValueFromIndex(I);
}

void TStrings::SetValue(std::string_view Name, std::string_view Value) {
  const int I = IndexOfName(Name);
  if (Value.empty()) {
    if (I >= 0)
      Delete(I);
    return;
  }
  std::string Line(Name);
  Line += '=';
  Line += Value;
  if (I < 0)
    Add(Line);
  else
    Put(I, Line);
}

std::string TStrings::GetText() const {
  std::string R;
  for (int I = 0, N = Count(); I < N; ++I) {
    R += Get(I);
    R += SysUtils::sLineBreak;
  }
  return R;
}

void TStrings::SetText(std::string_view Text) {
  BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
  Clear();
  size_t I = 0;
  while (I < Text.size()) {
    size_t J = I;
    while (J < Text.size() && Text[J] != '\r' && Text[J] != '\n')
      ++J;
    Add(std::string(Text.substr(I, J - I)));
    if (J < Text.size() && Text[J] == '\r')
      ++J;
    if (J < Text.size() && Text[J] == '\n')
      ++J;
    I = J;
  }
}

std::string TStrings::GetCommaText() const {
  std::string R;
  for (int I = 0, N = Count(); I < N; ++I) {
    const std::string S = Get(I);
    if (I > 0)
      R += ',';
    const bool NeedsQuotes =
        S.empty() || S.find_first_of(" ,\"") != std::string::npos ||
        std::any_of(S.begin(), S.end(), [](char C) { return static_cast<unsigned char>(C) < ' '; });
    R += NeedsQuotes ? SysUtils::AnsiQuotedStr(S, '"') : S;
  }
  return R;
}

void TStrings::SetCommaText(std::string_view Text) {
  BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
  Clear();
  size_t I = 0;
  const auto SkipBlanks = [&] {
    while (I < Text.size() && static_cast<unsigned char>(Text[I]) <= ' ')
      ++I;
  };
  SkipBlanks();
  while (I < Text.size()) {
    std::string Item;
    if (Text[I] == '"') {
      ++I;
      while (I < Text.size()) {
        if (Text[I] == '"') {
          if (I + 1 < Text.size() && Text[I + 1] == '"') {
            Item += '"';
            I += 2;
            continue;
          }
          ++I;
          break;
        }
        Item += Text[I++];
      }
    } else {
      while (I < Text.size() && Text[I] != ',' && static_cast<unsigned char>(Text[I]) > ' ')
        Item += Text[I++];
    }
    Add(Item);
    SkipBlanks();
    if (I < Text.size() && Text[I] == ',') {
      ++I;
      SkipBlanks();
      if (I == Text.size())
        Add("");
    }
  }
}

void TStrings::AddStrings(const TStrings* Strings) {
  BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
  const int N = Strings->Count();
  // A list added to itself is read by copy: adding may move its lines.
  if (Strings == this) {
    for (int I = 0; I < N; ++I)
      AddObject(Strings->Get(I), Strings->GetObject(I));
    return;
  }
  SetCapacity(Count() + N);
  std::string Scratch;
  for (int I = 0; I < N; ++I)
    AddObject(Strings->GetRef(I, Scratch), Strings->GetObject(I));
}

void TStrings::AddStrings(const std::vector<std::string>& Strings) {
  BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
  SetCapacity(Count() + static_cast<int>(Strings.size()));
  for (const auto& S : Strings)
    Add(S);
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* Src = dynamic_cast<TStrings*>(Source)) {
    if (Src == this)
      return;
    BeginUpdate();
    const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
    Clear();
    AddStrings(Src);
    return;
  }
  TPersistent::Assign(Source);
}

void TStrings::Assign(const std::vector<std::string>& Lines) {
  BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
  Clear();
  AddStrings(Lines);
}

bool TStrings::Equals(const TStrings* Strings) const {
  const int N = Count();
  if (!Strings || N != Strings->Count())
    return false;
  for (int I = 0; I < N; ++I)
    if (Get(I) != Strings->Get(I))
      return false;
  return true;
}

std::vector<std::string> TStrings::ToVector() const {
  std::vector<std::string> R;
  R.reserve(static_cast<size_t>(Count()));
  for (int I = 0, N = Count(); I < N; ++I)
    R.push_back(Get(I));
  return R;
}

void TStrings::BeginUpdate() {
  if (FUpdateCount++ == 0)
    SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0)
    SetUpdateState(false);
}

void TStrings::SaveToStream(TStream* Stream) const {
  const std::string S = GetText();
  Stream->WriteBuffer(S.data(), static_cast<int64_t>(S.size()));
}

void TStrings::LoadFromStream(TStream* Stream) {
  SetText(Stream->ReadAll());
}

void TStrings::SaveToFile(const std::string& FileName) const {
  SysUtils::SaveFileAtomically(FileName, GetText());
}

void TStrings::LoadFromFile(const std::string& FileName) {
  SetText(SysUtils::LoadFileToString(FileName));
}

void TStrings::DefineProperties(TFiler* Filer) {
  using DfmText::TDfmValue;
  using DfmText::TValueKind;
  Filer->DefineProperty(
      "Strings",
      [this](const TDfmValue& V) {
        if (V.Kind != TValueKind::vaList)
          throw EReadError("Invalid property value: a list of strings was expected");
        BeginUpdate();
        const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
        Clear();
        for (const TDfmValue& Item : V.List) {
          if (Item.Kind != TValueKind::vaString)
            throw EReadError("Invalid property value: a list of strings was expected");
          Add(Item.Str);
        }
      },
      [this] {
        TDfmValue V;
        V.Kind = TValueKind::vaList;
        for (int I = 0, N = Count(); I < N; ++I) {
          TDfmValue Item;
          Item.Kind = TValueKind::vaString;
          Item.Str = Get(I);
          V.List.push_back(std::move(Item));
        }
        return V;
      },
      Count() > 0);
}

// TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (FOwnsObjects)
    for (auto& Item : FList)
      delete Item.Obj;
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || static_cast<size_t>(Index) >= FList.size())
    Error("List index out of bounds (%d)", Index);
}

void TStringList::ReleaseObject(TObject* AObject) {
  if (FOwnsObjects)
    delete AObject;
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange)
    OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging)
    OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].S;
}

const std::string& TStringList::GetRef(int Index, std::string&) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].S;
}

void TStringList::SetCapacity(int Value) {
  SetVectorCapacity(FList, Value);
}

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted)
    Error("Operation not allowed on sorted list", 0);
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].S = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].Obj;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  auto& Slot = FList[static_cast<size_t>(Index)].Obj;
  if (Slot != AObject)
    ReleaseObject(Slot);
  Slot = AObject;
  Changed();
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TItem{S, AObject});
  Changed();
}

void TStringList::Insert(int Index, const std::string& S) {
  InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (FSorted)
    Error("Operation not allowed on sorted list", 0);
  if (Index < 0 || Index > Count())
    Error("List index out of bounds (%d)", Index);
  InsertItem(Index, S, AObject);
}

int TStringList::Add(const std::string& S) {
  return AddObject(S, nullptr);
}

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int Index = Count();
  if (FSorted && Find(S, Index)) {
    switch (FDuplicates) {
    case TDuplicates::dupIgnore:
      return Index;
    case TDuplicates::dupError:
      Error("String list does not allow duplicates", 0);
    case TDuplicates::dupAccept:
      break;
    }
  }
  InsertItem(Index, S, AObject);
  return Index;
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  TObject* Obj = FList[static_cast<size_t>(Index)].Obj;
  FList.erase(FList.begin() + Index);
  ReleaseObject(Obj);
  Changed();
}

void TStringList::Assign(TPersistent* Source) {
  // One plain list into another: the items copied at once, each string into
  // the room the old one had; the same result and the same one change
  // notification as adding them one by one.
  const auto* Src = dynamic_cast<const TStringList*>(Source);
  if (Src && Src != this && typeid(*Src) == typeid(TStringList) &&
      typeid(*this) == typeid(TStringList) && !FSorted && !FOwnsObjects) {
    BeginUpdate();
    const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
    FList = Src->FList;
    return;
  }
  TStrings::Assign(Source);
}

void TStringList::TakeLines(TStringList& Source) {
  if (&Source == this)
    return;
  const bool Plain = typeid(Source) == typeid(TStringList) &&
                     typeid(*this) == typeid(TStringList) && !FSorted && !FOwnsObjects &&
                     !Source.FOwnsObjects;
  if (!Plain) {
    Assign(&Source);
    Source.Clear();
    return;
  }
  // Source is told of its change as Clear tells it: only where it had lines.
  const bool SourceChanges = !Source.FList.empty();
  if (SourceChanges)
    Source.Changing();
  {
    BeginUpdate();
    const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
    // Source keeps this list's old storage, empty, for what it is given next.
    FList.clear();
    FList.swap(Source.FList);
  }
  if (SourceChanges)
    Source.Changed();
}

void TStringList::Clear() {
  if (FList.empty())
    return;
  Changing();
  std::vector<TItem> Old;
  Old.swap(FList);
  for (auto& Item : Old)
    ReleaseObject(Item.Obj);
  // The storage stays for what is added next (a list is often refilled).
  if (FList.empty()) {
    Old.clear();
    FList.swap(Old);
  }
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
  Changed();
}

int TStringList::CompareStrings(std::string_view S1, std::string_view S2) const {
  return FCaseSensitive ? SysUtils::CompareStr(S1, S2) : SysUtils::CompareText(S1, S2);
}

bool TStringList::Find(std::string_view S, int& Index) const {
  int L = 0, H = Count() - 1;
  bool Found = false;
  while (L <= H) {
    const int I = (L + H) / 2;
    const int C = CompareStrings(FList[static_cast<size_t>(I)].S, S);
    if (C < 0) {
      L = I + 1;
    } else {
      H = I - 1;
      if (C == 0) {
        Found = true;
        if (FDuplicates != TDuplicates::dupAccept)
          L = I;
      }
    }
  }
  Index = L;
  return Found;
}

int TStringList::IndexOf(std::string_view S) const {
  if (!FSorted)
    return TStrings::IndexOf(S);
  int Index = 0;
  return Find(S, Index) ? Index : -1;
}

void TStringList::Sort() {
  CustomSort([](TStringList* List, int A, int B) {
    return List->CompareStrings(List->FList[static_cast<size_t>(A)].S,
                                List->FList[static_cast<size_t>(B)].S);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FList.size() < 2)
    return;
  Changing();
  // Sort a permutation so that the comparison sees indexes into the list as
  // it stands, then apply it; a stable sort keeps equal lines in order.
  std::vector<int> Order(FList.size());
  for (size_t I = 0; I < Order.size(); ++I)
    Order[I] = static_cast<int>(I);
  std::stable_sort(Order.begin(), Order.end(),
                   [&](int A, int B) { return Compare(this, A, B) < 0; });
  std::vector<TItem> Sorted;
  Sorted.reserve(FList.size());
  for (int I : Order)
    Sorted.push_back(std::move(FList[static_cast<size_t>(I)]));
  FList.swap(Sorted);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value)
    return;
  if (Value)
    Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value)
    return;
  FCaseSensitive = Value;
  if (FSorted)
    Sort();
}

} // namespace Classes
