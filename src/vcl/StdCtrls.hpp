// Standard controls: labels, edits, memos, buttons, check boxes, combo boxes,
// list boxes and group boxes.
#pragma once

#include "vcl/Controls.hpp"
#include "vcl/Forms.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace StdCtrls {

using Classes::TAlignment;
using Classes::TComponent;
using Classes::TNotifyEvent;
using Classes::TShiftState;
using Classes::TStrings;
using Controls::TControl;
using Controls::TModalResult;
using Controls::TWinControl;
using System::TObject;

enum class TTextLayout { tlTop, tlCenter, tlBottom };
OV_ENUM(TTextLayout, "tlTop", "tlCenter", "tlBottom")

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
OV_ENUM(TScrollStyle, "ssNone", "ssHorizontal", "ssVertical", "ssBoth")

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
OV_ENUM(TEditCharCase, "ecNormal", "ecUpperCase", "ecLowerCase")

// What typing Text into a control with CharCase and MaxLength (0: no limit)
// gives: the character case applied and cut to MaxLength.
std::string TypedText(const std::string& Text, TEditCharCase CharCase, int MaxLength);

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
OV_ENUM(TCheckBoxState, "cbUnchecked", "cbChecked", "cbGrayed")

enum class TComboBoxStyle {
  csDropDown,
  csSimple,
  csDropDownList,
  csOwnerDrawFixed,
  csOwnerDrawVariable
};
OV_ENUM(TComboBoxStyle, "csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed",
        "csOwnerDrawVariable")

enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
OV_ENUM(TListBoxStyle, "lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable")

// The items of a list or combo box: lines with an object and a selected
// state each. Add and AddObject keep a sorted list sorted (comparing without
// regard to case); Insert puts a line exactly where it is told. The control
// hears of every change to keep its item index and text in step.
class TControlItems : public TStrings {
  OV_CLASS(TControlItems, TStrings)
public:
  TControlItems() = default;

  int Count() const override { return static_cast<int>(FItems.size()); }
  std::string Get(int Index) const override;
  const std::string& GetRef(int Index, std::string& Scratch) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Exchange(int Index1, int Index2) override;
  void SetCapacity(int Value) override;

  bool GetSelected(int Index) const;
  void SetSelected(int Index, bool Value);
  int SelectedCount() const;
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);

  std::function<void(int Index)> OnInserted;
  std::function<void(int Index)> OnDeleted;
  std::function<void()> OnCleared;
  std::function<void()> OnChanged;

private:
  struct TItem {
    std::string S;
    TObject* Obj = nullptr;
    bool Selected = false;
  };
  void CheckIndex(int Index) const;
  void Changed();
  std::vector<TItem> FItems;
  bool FSorted = false;
};

class TCustomLabel : public Controls::TGraphicControl {
  OV_CLASS(TCustomLabel, Controls::TGraphicControl)
public:
  explicit TCustomLabel(TComponent* AOwner);
  ~TCustomLabel() override;

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // An auto-sized label is as large as its caption in its font; a word-
  // wrapped one keeps its width and takes the height of its lines.
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(TTextLayout Value) { FLayout = Value; }
  bool GetShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value) { FTransparent = Value; }
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // The caption as shown: accelerator marks removed when ShowAccelChar.
  std::string DisplayText() const;
  // The lines the caption is shown in (wrapped at the width when WordWrap).
  std::vector<std::string> DisplayLines() const;
  void AdjustBounds();
  void Loaded() override;

protected:
  void TextChanged() override { AdjustBounds(); }
  void FontChanged() override;
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;

private:
  TAlignment FAlignment = TAlignment::taLeftJustify;
  bool FAutoSize = true;
  TWinControl* FFocusControl = nullptr;
  TTextLayout FLayout = TTextLayout::tlTop;
  bool FShowAccelChar = true;
  bool FTransparent = false;
  bool FWordWrap = false;
};

class TLabel : public TCustomLabel {
  OV_CLASS(TLabel, TCustomLabel)
public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}

protected:
  bool CaptionFollowsName() const override { return true; }
};

class TCustomEdit : public TWinControl {
  OV_CLASS(TCustomEdit, TWinControl)
public:
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;

  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  int GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value) { FMaxLength = Value < 0 ? 0 : Value; }
  char GetPasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char Value) { FPasswordChar = Value; }
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value) { FCharCase = Value; }
  bool GetAutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { FAutoSelect = Value; }
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value) { FAutoSize = Value; }
  Forms::TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(Forms::TBorderStyle Value) { FBorderStyle = Value; }
  // What typing Text gives: the character case applied and cut to MaxLength.
  std::string TypedText(const std::string& Text) const;
  void Clear() { SetText(""); }
  bool TakesFocusOnClick() const override { return true; }

  TNotifyEvent OnChange;

protected:
  void TextChanged() override { Change(); }
  virtual void Change();

private:
  bool FReadOnly = false;
  int FMaxLength = 0;
  char FPasswordChar = 0;
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  bool FAutoSelect = true;
  bool FAutoSize = true;
  Forms::TBorderStyle FBorderStyle = Forms::TBorderStyle::bsSingle;
};

class TEdit : public TCustomEdit {
  OV_CLASS(TEdit, TCustomEdit)
public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

// A multi-line edit. Its text is its lines joined by line breaks (without a
// break after the last line); changing either changes the other.
class TCustomMemo : public TCustomEdit {
  OV_CLASS(TCustomMemo, TCustomEdit)
public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;

  TStrings* GetLines() const { return FLines.get(); }
  void SetLines(TStrings* Value) { FLines->Assign(Value); }
  void SetText(const std::string& Value) override;
  TScrollStyle GetScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value) { FScrollBars = Value; }
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value) { FWordWrap = Value; }
  bool GetWantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value) { FWantReturns = Value; }
  bool GetWantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value) { FWantTabs = Value; }
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value) { FAlignment = Value; }
  // Enter starts a new line and Tab types a tab, when the memo wants them;
  // without a caret the new text goes at the end.
  bool HandleKey(uint16_t Key, TShiftState Shift) override;

private:
  void LinesChanged();
  std::unique_ptr<Classes::TStringList> FLines;
  TScrollStyle FScrollBars = TScrollStyle::ssNone;
  bool FWordWrap = true;
  bool FWantReturns = true;
  bool FWantTabs = false;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  bool FSyncing = false;
};

class TMemo : public TCustomMemo {
  OV_CLASS(TMemo, TCustomMemo)
public:
  explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

class TButtonControl : public TWinControl {
  OV_CLASS(TButtonControl, TWinControl)
public:
  explicit TButtonControl(TComponent* AOwner);
  bool TakesFocusOnClick() const override { return true; }

protected:
  bool CaptionFollowsName() const override { return true; }
};

class TButton : public TButtonControl {
  OV_CLASS(TButton, TButtonControl)
public:
  explicit TButton(TComponent* AOwner);

  // Enter presses the default button (unless another button has the focus).
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value) { FDefault = Value; }
  // Escape presses the cancel button.
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }

  // Sets the form's modal result to the button's (which closes a modal form
  // once the click is over), then fires OnClick, which may still change the
  // form's modal result; when OnClick raises, the form's modal result is
  // restored so that the form stays open.
  void Click() override;
  bool HandleKey(uint16_t Key, TShiftState Shift) override;
  bool DialogKey(uint16_t Key, TShiftState Shift) override;

private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = Controls::mrNone;
};

class TCustomCheckBox : public TButtonControl {
  OV_CLASS(TCustomCheckBox, TButtonControl)
public:
  explicit TCustomCheckBox(TComponent* AOwner);

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value) { FAlignment = Value; }
  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  bool GetChecked() const { return FState == TCheckBoxState::cbChecked; }
  void SetChecked(bool Value) {
    SetState(Value ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
  }
  TCheckBoxState GetState() const { return FState; }
  // A change of state fires OnClick, as the platform's check boxes do.
  void SetState(TCheckBoxState Value);
  // What a click does: unchecked, checked, greyed (when allowed), unchecked.
  virtual void Toggle();
  bool HandleKey(uint16_t Key, TShiftState Shift) override;

private:
  TAlignment FAlignment = TAlignment::taRightJustify;
  bool FAllowGrayed = false;
  TCheckBoxState FState = TCheckBoxState::cbUnchecked;
};

class TCheckBox : public TCustomCheckBox {
  OV_CLASS(TCheckBox, TCustomCheckBox)
public:
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

// A combo box. OnChange fires on every change of its text, whether typed,
// set or the result of choosing an item (ItemIndex).
class TCustomComboBox : public TWinControl {
  OV_CLASS(TCustomComboBox, TWinControl)
public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;

  TComboBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  TStrings* GetItems() const { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  int GetItemIndex() const { return FItemIndex; }
  // -1 clears the choice (and the text); EListError for an index that is no
  // item.
  void SetItemIndex(int Value);
  // A drop-down list takes only an item's text (any case) or "".
  void SetText(const std::string& Value) override;
  bool GetSorted() const { return FItems->GetSorted(); }
  void SetSorted(bool Value);
  int GetDropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int Value) { FDropDownCount = Value; }
  int GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value) { FMaxLength = Value < 0 ? 0 : Value; }
  int GetItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value) { FItemHeight = Value; }
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value) { FCharCase = Value; }
  std::string TypedText(const std::string& Text) const;
  void Clear();
  bool TakesFocusOnClick() const override { return true; }
  void Loaded() override;

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

protected:
  void TextChanged() override;
  virtual void Change();

private:
  void ItemInserted(int Index);
  void ItemDeleted(int Index);
  void ItemsCleared();
  std::unique_ptr<TControlItems> FItems;
  TComboBoxStyle FStyle = TComboBoxStyle::csDropDown;
  int FItemIndex = -1;
  int FItemIndexRequested = -1; // stored while a form file is read
  int FDropDownCount = 8;
  int FMaxLength = 0;
  int FItemHeight = 16;
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  bool FSyncing = false;
};

class TComboBox : public TCustomComboBox {
  OV_CLASS(TComboBox, TCustomComboBox)
public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};

class TCustomListBox : public TWinControl {
  OV_CLASS(TCustomListBox, TWinControl)
public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  TStrings* GetItems() const { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  // The chosen item; with multiple selection the item with the focus
  // rectangle, which setting it moves without selecting anything. -1: none.
  int GetItemIndex() const { return FItemIndex; }
  void SetItemIndex(int Value);
  bool GetMultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool GetExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool Value) { FExtendedSelect = Value; }
  // EListError "List index out of bounds (n)" for an index that is no item.
  bool GetSelected(int Index) const;
  void SetSelected(int Index, bool Value);
  // The number of selected items; -1 without multiple selection, as the
  // platform answers.
  int SelCount() const;
  void ClearSelection();
  void SelectAll();
  bool GetSorted() const { return FItems->GetSorted(); }
  void SetSorted(bool Value) { FItems->SetSorted(Value); }
  int GetItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value) { FItemHeight = Value; }
  int GetColumns() const { return FColumns; }
  void SetColumns(int Value) { FColumns = Value; }
  bool GetIntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value) { FIntegralHeight = Value; }
  TListBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TListBoxStyle Value) { FStyle = Value; }
  Forms::TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(Forms::TBorderStyle Value) { FBorderStyle = Value; }
  // The width in pixels that the list scrolls horizontally over (set with
  // LB_SETHORIZONTALEXTENT); 0 without a horizontal scroll bar.
  int HorizontalExtent() const { return FHorizontalExtent; }
  Graphics::TCanvas* GetCanvas() const { return FCanvas.get(); }
  void Clear() { FItems->Clear(); }
  bool TakesFocusOnClick() const override { return true; }

protected:
  void WndProc(Controls::TMessage& Message) override;
  void FontChanged() override;

private:
  void ItemInserted(int Index);
  void ItemDeleted(int Index);
  std::unique_ptr<TControlItems> FItems;
  std::unique_ptr<Controls::TControlCanvas> FCanvas;
  int FItemIndex = -1;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  int FItemHeight = 16;
  int FColumns = 0;
  bool FIntegralHeight = false;
  TListBoxStyle FStyle = TListBoxStyle::lbStandard;
  Forms::TBorderStyle FBorderStyle = Forms::TBorderStyle::bsSingle;
  int FHorizontalExtent = 0;
};

class TListBox : public TCustomListBox {
  OV_CLASS(TListBox, TCustomListBox)
public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

// A frame with a caption around other controls, which it places below the
// caption.
class TCustomGroupBox : public Controls::TCustomControl {
  OV_CLASS(TCustomGroupBox, Controls::TCustomControl)
public:
  explicit TCustomGroupBox(TComponent* AOwner);
  Types::TRect AdjustClientRect() const override;

protected:
  bool CaptionFollowsName() const override { return true; }
};

class TGroupBox : public TCustomGroupBox {
  OV_CLASS(TGroupBox, TCustomGroupBox)
public:
  explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
};

} // namespace StdCtrls
