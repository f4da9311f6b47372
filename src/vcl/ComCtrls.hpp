// Page controls and their tab sheets.
#pragma once

#include "vcl/Controls.hpp"

#include <vector>

namespace ComCtrls {

using Classes::TComponent;
using Classes::TNotifyEvent;

enum class TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
OV_ENUM(TTabPosition, "tpTop", "tpBottom", "tpLeft", "tpRight")

enum class TTabStyle { tsTabs, tsButtons, tsFlatButtons };
OV_ENUM(TTabStyle, "tsTabs", "tsButtons", "tsFlatButtons")

OV_EVENT_TYPE(TTabChangingEvent, void(System::TObject* Sender, bool& AllowChange))

class TPageControl;

// A page of a page control. Only the active page is visible; its bounds are
// the page control's display area.
class TTabSheet : public Controls::TWinControl {
  OV_CLASS(TTabSheet, Controls::TWinControl)
public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;

  TPageControl* GetPageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* Value);
  int GetPageIndex() const;
  void SetPageIndex(int Value);
  bool GetTabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value) { FTabVisible = Value; }
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value) { FImageIndex = Value; }
  // A page goes into the page control it is placed in.
  void SetParent(Controls::TWinControl* Value) override;

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

protected:
  void VisibleChanged() override;
  bool CaptionFollowsName() const override { return true; }

private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  int FImageIndex = -1;
};

class TPageControl : public Controls::TWinControl {
  OV_CLASS(TPageControl, Controls::TWinControl)
public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int Index) const;
  TTabSheet* GetActivePage() const { return FActivePage; }
  // Shows Page and hides the page shown before. When the focus is on the
  // page being hidden it moves to the page control first (OnExit fires), and
  // the page stays when a handler keeps the focus there. No OnChange: that is
  // for a person's choice (SelectPage).
  void SetActivePage(TTabSheet* Page);
  int GetActivePageIndex() const;
  void SetActivePageIndex(int Value);
  // What choosing a tab does: OnChanging may refuse; then the page changes
  // and OnChange fires. True when the page changed.
  bool SelectPage(TTabSheet* Page);
  // The next (or previous) page after Current, wrapping; null when none.
  TTabSheet* FindNextPage(TTabSheet* Current, bool GoForward, bool CheckTabVisible) const;

  bool GetMultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value) { FMultiLine = Value; }
  TTabPosition GetTabPosition() const { return FTabPosition; }
  void SetTabPosition(TTabPosition Value);
  TTabStyle GetStyle() const { return FStyle; }
  void SetStyle(TTabStyle Value) { FStyle = Value; }
  bool GetHotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value) { FHotTrack = Value; }
  int GetTabHeight() const { return FTabHeight; }
  void SetTabHeight(int Value) { FTabHeight = Value; }
  int GetTabWidth() const { return FTabWidth; }
  void SetTabWidth(int Value) { FTabWidth = Value; }
  int GetTabIndex() const { return FActivePage ? FActivePage->GetPageIndex() : -1; }

  // The area the pages fill: inside the frame, beside the row of tabs.
  Types::TRect AdjustClientRect() const override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  bool TakesFocusOnClick() const override { return true; }
  void GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) override;
  void Loaded() override;

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void MovePage(TTabSheet* Page, int NewIndex);
  void UpdatePageBounds();

  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  bool FMultiLine = false;
  TTabPosition FTabPosition = TTabPosition::tpTop;
  TTabStyle FStyle = TTabStyle::tsTabs;
  bool FHotTrack = false;
  int FTabHeight = 0;
  int FTabWidth = 0;
};

} // namespace ComCtrls
