// Panels, bevels, images and radio groups.
#pragma once

#include "vcl/StdCtrls.hpp"

#include <memory>

namespace ExtCtrls {

using Classes::TAlignment;
using Classes::TComponent;
using Classes::TNotifyEvent;
using Classes::TShiftState;
using Classes::TStrings;
using System::TObject;

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
OV_ENUM(TBevelCut, "bvNone", "bvLowered", "bvRaised", "bvSpace")

enum class TBevelShape {
  bsBox,
  bsFrame,
  bsTopLine,
  bsBottomLine,
  bsLeftLine,
  bsRightLine,
  bsSpacer
};
OV_ENUM(TBevelShape, "bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine",
        "bsSpacer")

enum class TBevelStyle { bsLowered, bsRaised };
OV_ENUM(TBevelStyle, "bsLowered", "bsRaised")

// A panel with bevels and a border, around its child controls.
class TCustomPanel : public Controls::TCustomControl {
  OV_CLASS(TCustomPanel, Controls::TCustomControl)
public:
  explicit TCustomPanel(TComponent* AOwner);

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value) { FAlignment = Value; }
  TBevelCut GetBevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut GetBevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  int GetBevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int Value);
  int GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value);
  Forms::TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(Forms::TBorderStyle Value);
  bool GetFullRepaint() const { return FFullRepaint; }
  void SetFullRepaint(bool Value) { FFullRepaint = Value; }
  // Inside the border, the bevels and the border width.
  Types::TRect AdjustClientRect() const override;

protected:
  bool CaptionFollowsName() const override { return true; }

private:
  TAlignment FAlignment = TAlignment::taCenter;
  TBevelCut FBevelInner = TBevelCut::bvNone;
  TBevelCut FBevelOuter = TBevelCut::bvRaised;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  Forms::TBorderStyle FBorderStyle = Forms::TBorderStyle::bsNone;
  bool FFullRepaint = true;
};

class TPanel : public TCustomPanel {
  OV_CLASS(TPanel, TCustomPanel)
public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

class TBevel : public Controls::TGraphicControl {
  OV_CLASS(TBevel, Controls::TGraphicControl)
public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape GetShape() const { return FShape; }
  void SetShape(TBevelShape Value) { FShape = Value; }
  TBevelStyle GetStyle() const { return FStyle; }
  void SetStyle(TBevelStyle Value) { FStyle = Value; }

private:
  TBevelShape FShape = TBevelShape::bsBox;
  TBevelStyle FStyle = TBevelStyle::bsLowered;
};

// A picture. An auto-sized image takes the size of its picture whenever the
// picture changes; otherwise the picture is stretched to the image when
// Stretch is set, or drawn at its size (centred with Center).
class TImage : public Controls::TGraphicControl {
  OV_CLASS(TImage, Controls::TGraphicControl)
public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  Graphics::TPicture* GetPicture() const { return FPicture.get(); }
  void SetPicture(Graphics::TPicture* Value) { FPicture->Assign(Value); }
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool GetStretch() const { return FStretch; }
  void SetStretch(bool Value) { FStretch = Value; }
  bool GetCenter() const { return FCenter; }
  void SetCenter(bool Value) { FCenter = Value; }
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value) { FTransparent = Value; }
  void Loaded() override;

private:
  void PictureChanged();
  std::unique_ptr<Graphics::TPicture> FPicture;
  bool FAutoSize = false;
  bool FStretch = false;
  bool FCenter = false;
  bool FTransparent = false;
};

// A group box of radio buttons, one per item, in Columns columns. Choosing
// an item (ItemIndex) fires OnClick.
class TCustomRadioGroup : public StdCtrls::TCustomGroupBox {
  OV_CLASS(TCustomRadioGroup, StdCtrls::TCustomGroupBox)
public:
  explicit TCustomRadioGroup(TComponent* AOwner);
  ~TCustomRadioGroup() override;

  TStrings* GetItems() const { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  int GetItemIndex() const { return FItemIndex; }
  // -1 chooses none; EListError for an index that is no item.
  void SetItemIndex(int Value);
  int GetColumns() const { return FColumns; }
  void SetColumns(int Value);
  bool TakesFocusOnClick() const override { return true; }
  void Loaded() override;

private:
  void ItemsChanged();
  std::unique_ptr<Classes::TStringList> FItems;
  int FItemIndex = -1;
  int FItemIndexRequested = -1; // stored while a form file is read
  int FColumns = 1;
};

class TRadioGroup : public TCustomRadioGroup {
  OV_CLASS(TRadioGroup, TCustomRadioGroup)
public:
  explicit TRadioGroup(TComponent* AOwner) : TCustomRadioGroup(AOwner) {}
};

} // namespace ExtCtrls
