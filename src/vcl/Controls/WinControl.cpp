// TWinControl: child controls, tab order, focus and alignment.
#include "rtl/ScopeGuard.hpp"
#include "vcl/Controls.hpp"
#include "vcl/Forms.hpp"

#include <algorithm>

namespace Controls {

using SysUtils::Format;

OV_CLASS_IMPL(TWinControl, TControl, "Controls")

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  OnEnter = nullptr;
  OnExit = nullptr;
  OnKeyDown = nullptr;
  OnKeyUp = nullptr;
  OnKeyPress = nullptr;
  // Each child removes itself from FControls as it goes.
  while (!FControls.empty())
    delete FControls.back();
  // Leave the parent while still a windowed control, so that it takes this
  // one out of its tab order too (the base destructor no longer can).
  if (TWinControl* P = GetParent())
    P->RemoveControl(this);
}

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount())
    throw Classes::EListError(Format("Control index out of bounds (%d)", Index));
  return FControls[static_cast<size_t>(Index)];
}

bool TWinControl::ContainsControl(const TControl* Control) const {
  for (const TControl* C = Control; C; C = C->GetParent())
    if (C == this)
      return true;
  return false;
}

void TWinControl::InsertControl(TControl* Control) {
  Control->FParent = this;
  FControls.push_back(Control);
  if (auto* W = dynamic_cast<TWinControl*>(Control))
    FTabList.push_back(W);
  Control->ParentFontChanged();
  Control->ParentColorChanged();
  if (Control->GetAlign() != TAlign::alNone)
    AlignControls();
}

void TWinControl::RemoveControl(TControl* Control) {
  const auto It = std::find(FControls.begin(), FControls.end(), Control);
  if (It == FControls.end())
    return;
  if (auto* W = dynamic_cast<TWinControl*>(Control)) {
    if (auto* F = ParentForm())
      F->DefocusControl(W, true);
    RemoveFromTabList(W);
  }
  FControls.erase(std::find(FControls.begin(), FControls.end(), Control));
  Control->FParent = nullptr;
  if (Control->GetAlign() != TAlign::alNone)
    AlignControls();
}

void TWinControl::RemoveFromTabList(TWinControl* Control) {
  FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), Control), FTabList.end());
}

int TWinControl::GetTabOrder() const {
  if (TWinControl* P = GetParent()) {
    const auto& L = P->FTabList;
    const auto It = std::find(L.begin(), L.end(), this);
    if (It != L.end())
      return static_cast<int>(It - L.begin());
  }
  return FTabOrderRequested;
}

void TWinControl::SetTabOrder(int Value) {
  // While a form file is read, the parent sorts its children by the stored
  // orders once they are all there (FixupTabList).
  if (IsLoading()) {
    FTabOrderRequested = Value;
    return;
  }
  TWinControl* P = GetParent();
  if (!P) {
    FTabOrderRequested = Value;
    return;
  }
  auto& L = P->FTabList;
  const auto It = std::find(L.begin(), L.end(), this);
  if (It == L.end())
    return;
  L.erase(It);
  const int Count = static_cast<int>(L.size());
  const int Index = Value < 0 || Value > Count ? Count : Value;
  L.insert(L.begin() + Index, this);
}

void TWinControl::FixupTabList() {
  const size_t Count = FTabList.size();
  std::vector<TWinControl*> Slots(Count, nullptr);
  for (TWinControl* C : FTabList) {
    const int J = C->FTabOrderRequested;
    if (J >= 0 && static_cast<size_t>(J) < Count && !Slots[static_cast<size_t>(J)])
      Slots[static_cast<size_t>(J)] = C;
  }
  for (size_t I = 0; I < Count; ++I) {
    TWinControl* C = Slots[I];
    if (!C)
      continue;
    FTabList.erase(std::find(FTabList.begin(), FTabList.end(), C));
    FTabList.insert(FTabList.begin() + static_cast<std::ptrdiff_t>(I), C);
  }
  for (TWinControl* C : FTabList)
    C->FTabOrderRequested = -1;
}

std::vector<TWinControl*> TWinControl::GetTabOrderList() const {
  std::vector<TWinControl*> R;
  for (TWinControl* C : FTabList) {
    R.push_back(C);
    const auto Sub = C->GetTabOrderList();
    R.insert(R.end(), Sub.begin(), Sub.end());
  }
  return R;
}

TWinControl* TWinControl::FindNextControl(TWinControl* Current, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const {
  const auto List = GetTabOrderList();
  const int Count = static_cast<int>(List.size());
  if (Count == 0)
    return nullptr;
  int Start = static_cast<int>(std::find(List.begin(), List.end(), Current) - List.begin());
  if (Start == Count)
    Start = GoForward ? Count - 1 : 0;
  int I = Start;
  do {
    if (GoForward) {
      if (++I == Count)
        I = 0;
    } else {
      if (I == 0)
        I = Count;
      --I;
    }
    TWinControl* C = List[static_cast<size_t>(I)];
    if (C->CanFocus() && (!CheckTabStop || C->GetTabStop()) &&
        (!CheckParent || C->GetParent() == this))
      return C;
  } while (I != Start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* Current, bool GoForward, bool CheckTabStop) {
  if (TWinControl* Next = FindNextControl(Current, GoForward, CheckTabStop, false))
    Next->SetFocus();
}

bool TWinControl::CanFocus() const {
  const Forms::TCustomForm* F = ParentForm();
  if (!F)
    return false;
  for (const TControl* C = this; C; C = C->GetParent())
    if (!C->GetVisible() || !C->GetEnabled())
      return false;
  return true;
}

bool TWinControl::Focused() const {
  const Forms::TCustomForm* F = ParentForm();
  return F && F->FocusedControl() == this;
}

void TWinControl::SetFocus() {
  Forms::TCustomForm* F = ParentForm();
  if (!F || !CanFocus())
    throw SysUtils::EInvalidOperation("Cannot focus a disabled or invisible window");
  F->FocusControl(this);
}

void TWinControl::DoEnter() {
  if (OnEnter && EventsAllowed())
    OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit && EventsAllowed())
    OnExit(this);
}

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (OnKeyDown && EventsAllowed())
    OnKeyDown(this, Key, Shift);
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* C : FControls)
    C->ParentFontChanged();
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const Types::TRect Old = ClientRect();
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  ClientResized(Old.Width(), Old.Height());
}

void TWinControl::ClientResized(int OldWidth, int OldHeight) {
  const Types::TRect New = ClientRect();
  if (OldWidth == New.Width() && OldHeight == New.Height())
    return;
  if (!IsLoading())
    UpdateAnchors(OldWidth, OldHeight);
  AlignControls();
}

void TWinControl::UpdateAnchors(int OldWidth, int OldHeight) {
  const Types::TRect R = ClientRect();
  const int DW = R.Width() - OldWidth;
  const int DH = R.Height() - OldHeight;
  const std::vector<TControl*> Children = FControls;
  for (TControl* C : Children) {
    if (C->GetAlign() != TAlign::alNone)
      continue;
    const TAnchors A = C->GetAnchors();
    int L = C->GetLeft(), T = C->GetTop(), W = C->GetWidth(), H = C->GetHeight();
    if (A.Contains(TAnchorKind::akRight)) {
      if (A.Contains(TAnchorKind::akLeft))
        W += DW;
      else
        L += DW;
    } else if (!A.Contains(TAnchorKind::akLeft)) {
      L += DW / 2;
    }
    if (A.Contains(TAnchorKind::akBottom)) {
      if (A.Contains(TAnchorKind::akTop))
        H += DH;
      else
        T += DH;
    } else if (!A.Contains(TAnchorKind::akTop)) {
      T += DH / 2;
    }
    C->SetBounds(L, T, W, H);
  }
}

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0 && --FAlignLevel == 0 && FAlignPending)
    AlignControls();
}

void TWinControl::Realign() {
  AlignControls();
}

void TWinControl::AlignControls() {
  if (FAligning)
    return;
  if (FAlignLevel > 0 || IsLoading()) {
    FAlignPending = true;
    return;
  }
  FAligning = true;
  FAlignPending = false;
  const ScopeGuard::TFinally Finally([&] { FAligning = false; });
  Types::TRect R = AdjustClientRect();
  const TAlign Order[] = {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight,
                          TAlign::alClient};
  for (TAlign Kind : Order) {
    std::vector<TControl*> L;
    for (TControl* C : FControls)
      if (C->GetAlign() == Kind && C->GetVisible())
        L.push_back(C);
    // The control nearest the edge it is aligned to goes first.
    std::stable_sort(L.begin(), L.end(), [Kind](const TControl* A, const TControl* B) {
      switch (Kind) {
      case TAlign::alTop:
        return A->GetTop() < B->GetTop();
      case TAlign::alBottom:
        return A->GetTop() + A->GetHeight() > B->GetTop() + B->GetHeight();
      case TAlign::alLeft:
        return A->GetLeft() < B->GetLeft();
      case TAlign::alRight:
        return A->GetLeft() + A->GetWidth() > B->GetLeft() + B->GetWidth();
      default:
        return false;
      }
    });
    for (TControl* C : L) {
      const int W = std::max(0, R.Width());
      const int H = std::max(0, R.Height());
      switch (Kind) {
      case TAlign::alTop:
        C->SetBounds(R.Left, R.Top, W, C->GetHeight());
        R.Top += C->GetHeight();
        break;
      case TAlign::alBottom:
        C->SetBounds(R.Left, R.Bottom - C->GetHeight(), W, C->GetHeight());
        R.Bottom -= C->GetHeight();
        break;
      case TAlign::alLeft:
        C->SetBounds(R.Left, R.Top, C->GetWidth(), H);
        R.Left += C->GetWidth();
        break;
      case TAlign::alRight:
        C->SetBounds(R.Right - C->GetWidth(), R.Top, C->GetWidth(), H);
        R.Right -= C->GetWidth();
        break;
      default:
        C->SetBounds(R.Left, R.Top, W, H);
        break;
      }
    }
  }
}

void TWinControl::GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) {
  for (TControl* C : FControls)
    if (C->Owner() == Root)
      Proc(C);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  FixupTabList();
  AlignControls();
}

} // namespace Controls
