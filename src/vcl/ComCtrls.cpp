#include "vcl/ComCtrls.hpp"

#include "vcl/Controls/Publish.hpp"
#include "vcl/Forms.hpp"

#include <algorithm>

namespace ComCtrls {

namespace P = Controls::Publish;
using Controls::TControl;
using Controls::TWinControl;
using SysUtils::Format;

OV_CLASS_BEGIN(TTabSheet, Controls::TWinControl, "ComCtrls")
// The page control decides where a page is and whether it shows.
B.Property("Left", &TControl::GetLeft, &TControl::SetLeft).NotStored();
B.Property("Top", &TControl::GetTop, &TControl::SetTop).NotStored();
B.Property("Width", &TControl::GetWidth, &TControl::SetWidth).NotStored();
B.Property("Height", &TControl::GetHeight, &TControl::SetHeight).NotStored();
P::Caption(B);
P::DragMode(B);
P::Enabled(B);
P::Font(B);
P::Hint(B);
B.Property("ImageIndex", &TTabSheet::GetImageIndex, &TTabSheet::SetImageIndex).Default(-1);
B.Property("PageIndex", &TTabSheet::GetPageIndex, &TTabSheet::SetPageIndex).NotStored();
P::ParentFont(B);
P::ParentShowHint(B);
P::PopupMenu(B);
P::ShowHint(B);
B.Property("TabVisible", &TTabSheet::GetTabVisible, &TTabSheet::SetTabVisible).Default(1);
B.Property("Visible", &TControl::GetVisible, &TControl::SetVisible).NotStored();
P::OnEnterExit(B);
B.Event("OnHide", &TTabSheet::OnHide);
B.Event("OnShow", &TTabSheet::OnShow);
OV_CLASS_END

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  InitVisible(false);
  SetColor(Graphics::clBtnFace);
  SetParentColor(true);
}

TTabSheet::~TTabSheet() {
  OnShow = nullptr;
  OnHide = nullptr;
  if (FPageControl)
    FPageControl->RemovePage(this);
}

void TTabSheet::SetParent(TWinControl* Value) {
  if (!Value) {
    SetPageControl(nullptr);
    return;
  }
  auto* PC = dynamic_cast<TPageControl*>(Value);
  if (!PC)
    throw SysUtils::EInvalidOperation(Format(
        "Tab sheet %s must be placed in a page control, not in %s", GetName(), Value->GetName()));
  SetPageControl(PC);
}

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (FPageControl == Value)
    return;
  if (FPageControl)
    FPageControl->RemovePage(this);
  TWinControl::SetParent(Value);
  if (Value)
    Value->InsertPage(this);
}

int TTabSheet::GetPageIndex() const {
  if (!FPageControl)
    return -1;
  const auto& L = FPageControl->FPages;
  return static_cast<int>(std::find(L.begin(), L.end(), this) - L.begin());
}

void TTabSheet::SetPageIndex(int Value) {
  if (FPageControl)
    FPageControl->MovePage(this, Value);
}

void TTabSheet::VisibleChanged() {
  TWinControl::VisibleChanged();
  if (!EventsAllowed())
    return;
  if (GetVisible()) {
    if (OnShow)
      OnShow(this);
  } else if (OnHide) {
    OnHide(this);
  }
}

OV_CLASS_BEGIN(TPageControl, Controls::TWinControl, "ComCtrls")
B.Property("ActivePage", &TPageControl::GetActivePage, &TPageControl::SetActivePage);
P::Align(B);
P::Anchors(B);
P::DragCursorToHint(B);
B.Property("HotTrack", &TPageControl::GetHotTrack, &TPageControl::SetHotTrack).Default(0);
B.Property("MultiLine", &TPageControl::GetMultiLine, &TPageControl::SetMultiLine).Default(0);
P::ParentFont(B);
P::ParentShowHint(B);
P::PopupMenu(B);
P::ShowHint(B);
B.Property("Style", &TPageControl::GetStyle, &TPageControl::SetStyle).Default(0);
B.Property("TabHeight", &TPageControl::GetTabHeight, &TPageControl::SetTabHeight).Default(0);
B.Property("TabIndex", &TPageControl::GetTabIndex, nullptr).NotStored();
P::TabOrder(B);
B.Property("TabPosition", &TPageControl::GetTabPosition, &TPageControl::SetTabPosition).Default(0);
P::TabStop(B, true);
B.Property("TabWidth", &TPageControl::GetTabWidth, &TPageControl::SetTabWidth).Default(0);
P::Visible(B);
B.Event("OnChange", &TPageControl::OnChange);
B.Event("OnChanging", &TPageControl::OnChanging);
P::OnEnterExit(B);
P::OnMouse(B);
OV_CLASS_END

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
}

TPageControl::~TPageControl() {
  OnChange = nullptr;
  OnChanging = nullptr;
  // The pages go with the control (as its children) after this; they must
  // not come back to a page list that is gone.
  for (TTabSheet* Page : FPages)
    Page->FPageControl = nullptr;
  FPages.clear();
  FActivePage = nullptr;
}

TTabSheet* TPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount())
    throw Classes::EListError(Format("List index out of bounds (%d)", Index));
  return FPages[static_cast<size_t>(Index)];
}

void TPageControl::InsertPage(TTabSheet* Page) {
  FPages.push_back(Page);
  Page->FPageControl = this;
  Page->SetBounds(AdjustClientRect().Left, AdjustClientRect().Top, AdjustClientRect().Width(),
                  AdjustClientRect().Height());
  if (!FActivePage && !IsLoading())
    SetActivePage(Page);
}

void TPageControl::RemovePage(TTabSheet* Page) {
  const auto It = std::find(FPages.begin(), FPages.end(), Page);
  if (It == FPages.end())
    return;
  TTabSheet* Next = nullptr;
  if (Page == FActivePage && !IsDestroying()) {
    Next = FindNextPage(Page, true, true);
    if (Next == Page)
      Next = nullptr;
  }
  if (Page == FActivePage) {
    if (auto* Form = Controls::GetParentForm(this))
      Form->DefocusControl(Page, true);
    FActivePage = nullptr;
  }
  FPages.erase(It);
  Page->FPageControl = nullptr;
  if (Next)
    SetActivePage(Next);
}

void TPageControl::MovePage(TTabSheet* Page, int NewIndex) {
  const auto It = std::find(FPages.begin(), FPages.end(), Page);
  if (It == FPages.end())
    return;
  FPages.erase(It);
  const int Count = static_cast<int>(FPages.size());
  const int Index = NewIndex < 0 ? 0 : (NewIndex > Count ? Count : NewIndex);
  FPages.insert(FPages.begin() + Index, Page);
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* Current, bool GoForward,
                                      bool CheckTabVisible) const {
  const int Count = PageCount();
  if (Count == 0)
    return nullptr;
  int Start = static_cast<int>(std::find(FPages.begin(), FPages.end(), Current) - FPages.begin());
  if (Start == Count)
    Start = GoForward ? Count - 1 : 0;
  int I = Start;
  do {
    I = GoForward ? (I + 1) % Count : (I + Count - 1) % Count;
    TTabSheet* Page = FPages[static_cast<size_t>(I)];
    if (!CheckTabVisible || Page->FTabVisible)
      return Page;
  } while (I != Start);
  return nullptr;
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page == FActivePage)
    return;
  if (Page && Page->FPageControl != this)
    throw SysUtils::EInvalidOperation(
        Format("Tab sheet %s is not a page of %s", Page->GetName(), GetName()));
  if (IsLoading()) {
    if (FActivePage)
      FActivePage->InitVisible(false);
    FActivePage = Page;
    if (Page)
      Page->InitVisible(true);
    return;
  }
  Forms::TCustomForm* Form = Controls::GetParentForm(this);
  if (Form && FActivePage && FActivePage->ContainsControl(Form->FocusedControl())) {
    if (CanFocus())
      Form->FocusControl(this);
    else
      Form->DefocusControl(FActivePage, false);
    // A handler that kept the focus on the page keeps the page.
    if (FActivePage->ContainsControl(Form->FocusedControl()))
      return;
  }
  TTabSheet* Old = FActivePage;
  FActivePage = Page;
  if (Page)
    Page->SetVisible(true);
  if (Old)
    Old->SetVisible(false);
}

int TPageControl::GetActivePageIndex() const {
  return FActivePage ? FActivePage->GetPageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<size_t>(Value)] : nullptr);
}

bool TPageControl::SelectPage(TTabSheet* Page) {
  if (Page == FActivePage)
    return false;
  bool AllowChange = true;
  if (OnChanging && EventsAllowed())
    OnChanging(this, AllowChange);
  if (!AllowChange)
    return false;
  SetActivePage(Page);
  if (FActivePage != Page)
    return false;
  if (OnChange && EventsAllowed())
    OnChange(this);
  return true;
}

void TPageControl::SetTabPosition(TTabPosition Value) {
  FTabPosition = Value;
  UpdatePageBounds();
}

Types::TRect TPageControl::AdjustClientRect() const {
  const Types::TRect R = ClientRect();
  // One row of tabs of the control's font, and the 3D frame around the page.
  const int Tabs = FTabHeight > 0 ? FTabHeight + 4 : 20;
  switch (FTabPosition) {
  case TTabPosition::tpTop:
    return Types::Rect(R.Left + 4, R.Top + Tabs + 4, R.Right - 4, R.Bottom - 4);
  case TTabPosition::tpBottom:
    return Types::Rect(R.Left + 4, R.Top + 4, R.Right - 4, R.Bottom - Tabs - 4);
  case TTabPosition::tpLeft:
    return Types::Rect(R.Left + Tabs + 4, R.Top + 4, R.Right - 4, R.Bottom - 4);
  case TTabPosition::tpRight:
    return Types::Rect(R.Left + 4, R.Top + 4, R.Right - Tabs - 4, R.Bottom - 4);
  }
  return R;
}

void TPageControl::UpdatePageBounds() {
  const Types::TRect R = AdjustClientRect();
  for (TTabSheet* Page : FPages)
    Page->SetBounds(R.Left, R.Top, std::max(0, R.Width()), std::max(0, R.Height()));
}

void TPageControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  UpdatePageBounds();
}

void TPageControl::GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) {
  for (TTabSheet* Page : FPages)
    if (Page->Owner() == Root)
      Proc(Page);
}

void TPageControl::Loaded() {
  TWinControl::Loaded();
  UpdatePageBounds();
  if (!FActivePage)
    if (TTabSheet* First = FindNextPage(nullptr, true, true)) {
      FActivePage = First;
      First->InitVisible(true);
    }
}

} // namespace ComCtrls
