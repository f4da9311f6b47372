// The items of list and combo boxes.
#include "rtl/ListCapacity.hpp"
#include "vcl/StdCtrls.hpp"

#include <algorithm>
#include <numeric>
#include <typeinfo>

namespace StdCtrls {

using SysUtils::Format;

OV_CLASS_IMPL(TControlItems, TStrings, "StdCtrls")

void TControlItems::CheckIndex(int Index) const {
  if (Index < 0 || static_cast<size_t>(Index) >= FItems.size())
    Error("List index out of bounds (%d)", Index);
}

void TControlItems::Changed() {
  if (OnChanged && UpdateCount() == 0)
    OnChanged();
}

std::string TControlItems::Get(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)].S;
}

const std::string& TControlItems::GetRef(int Index, std::string&) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)].S;
}

void TControlItems::SetCapacity(int Value) {
  Classes::SetVectorCapacity(FItems, Value);
}

void TControlItems::Put(int Index, const std::string& S) {
  CheckIndex(Index);
  FItems[static_cast<size_t>(Index)].S = S;
  Changed();
}

TObject* TControlItems::GetObject(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)].Obj;
}

void TControlItems::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  FItems[static_cast<size_t>(Index)].Obj = AObject;
}

void TControlItems::Insert(int Index, const std::string& S) {
  InsertObject(Index, S, nullptr);
}

void TControlItems::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (Index < 0 || Index > Count())
    Error("List index out of bounds (%d)", Index);
  FItems.insert(FItems.begin() + Index, TItem{S, AObject, false});
  if (OnInserted)
    OnInserted(Index);
  Changed();
}

int TControlItems::Add(const std::string& S) {
  // An unsorted list of this class appends in place, telling its observers
  // as InsertObject does; a derived list goes through its own AddObject.
  if (FSorted || typeid(*this) != typeid(TControlItems))
    return AddObject(S, nullptr);
  const int Index = Count();
  FItems.push_back(TItem{S, nullptr, false});
  if (OnInserted)
    OnInserted(Index);
  Changed();
  return Index;
}

int TControlItems::AddObject(const std::string& S, TObject* AObject) {
  int Index = Count();
  if (FSorted) {
    // After the equal lines, as the platform's sorted lists insert.
    const auto It = std::upper_bound(
        FItems.begin(), FItems.end(), S,
        [this](const std::string& A, const TItem& B) { return CompareStrings(A, B.S) < 0; });
    Index = static_cast<int>(It - FItems.begin());
  }
  InsertObject(Index, S, AObject);
  return Index;
}

void TControlItems::Delete(int Index) {
  CheckIndex(Index);
  FItems.erase(FItems.begin() + Index);
  if (OnDeleted)
    OnDeleted(Index);
  Changed();
}

void TControlItems::Clear() {
  if (FItems.empty())
    return;
  FItems.clear();
  if (OnCleared)
    OnCleared();
  Changed();
}

void TControlItems::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
  Changed();
}

bool TControlItems::GetSelected(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)].Selected;
}

void TControlItems::SetSelected(int Index, bool Value) {
  CheckIndex(Index);
  FItems[static_cast<size_t>(Index)].Selected = Value;
}

int TControlItems::SelectedCount() const {
  return static_cast<int>(
      std::count_if(FItems.begin(), FItems.end(), [](const TItem& I) { return I.Selected; }));
}

void TControlItems::SetSorted(bool Value) {
  if (FSorted == Value)
    return;
  FSorted = Value;
  if (!Value)
    return;
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const TItem& A, const TItem& B) { return CompareStrings(A.S, B.S) < 0; });
  Changed();
}

} // namespace StdCtrls
