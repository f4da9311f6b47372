// Controls on their own: list and combo boxes, labels, check boxes, radio
// groups, memos, fonts and colours from the parent, anchors, ownership.
#include "TestForms.hpp"

#include "vcl/Windows.hpp"

#include <gtest/gtest.h>

using namespace VclTest;
using Classes::TStringList;
using Types::Bounds;

namespace {

std::unique_ptr<Forms::TForm> NewForm() {
  return std::make_unique<Forms::TForm>(nullptr);
}

} // namespace

TEST(ListBox, MultipleSelectionItemIndexAndSelCount) {
  auto F = NewForm();
  auto* L = new StdCtrls::TListBox(F.get());
  L->GetItems()->AddStrings(std::vector<std::string>{"A", "B", "C"});
  // Without multiple selection SelCount is -1 and selecting moves the choice.
  EXPECT_EQ(L->SelCount(), -1);
  L->SetSelected(1, true);
  EXPECT_EQ(L->GetItemIndex(), 1);
  L->SetSelected(2, true);
  EXPECT_FALSE(L->GetSelected(1));
  L->SetMultiSelect(true);
  L->SetSelected(0, true);
  EXPECT_EQ(L->SelCount(), 2);
  // Moving the item index in a multiple selection selects nothing.
  L->SetItemIndex(1);
  EXPECT_EQ(L->SelCount(), 2);
  EXPECT_FALSE(L->GetSelected(1));
  // Deleting and inserting keep the selection on its items.
  L->GetItems()->Insert(0, "Z");
  EXPECT_TRUE(L->GetSelected(1));
  EXPECT_TRUE(L->GetSelected(3));
  EXPECT_EQ(L->GetItemIndex(), 2);
  L->GetItems()->Delete(2);
  EXPECT_EQ(L->GetItemIndex(), -1);
  EXPECT_EQ(L->SelCount(), 2);
  EXPECT_THROW(L->GetSelected(3), Classes::EStringListError);
  EXPECT_THROW(L->SetItemIndex(7), Classes::EListError);
  // An item added at the end comes unselected and moves no choice; one put
  // before the choice moves it. Each change is told outside an update.
  auto* Items = static_cast<StdCtrls::TControlItems*>(L->GetItems());
  int Changes = 0;
  Items->OnChanged = [&] { ++Changes; };
  L->SetItemIndex(1);
  Items->Add("D");
  EXPECT_EQ(L->GetItemIndex(), 1);
  {
    const Classes::TStringsUpdate Updating(Items);
    Items->Add("E");
    Items->Insert(0, "F");
  }
  EXPECT_EQ(Items->GetCommaText(), "F,Z,A,C,D,E");
  EXPECT_EQ(L->GetItemIndex(), 2);
  EXPECT_EQ(Changes, 1);
  EXPECT_FALSE(L->GetSelected(4));
  EXPECT_FALSE(L->GetSelected(5));
  EXPECT_EQ(L->SelCount(), 2);
  Items->OnChanged = nullptr;
  // Whoever watches the items hears of every line, appended or inserted.
  StdCtrls::TControlItems Plain;
  std::vector<int> Inserted;
  Plain.OnInserted = [&](int Index) { Inserted.push_back(Index); };
  Plain.Add("a");
  Plain.Add("b");
  Plain.Insert(1, "c");
  EXPECT_EQ(Plain.GetCommaText(), "a,c,b");
  EXPECT_EQ(Inserted, (std::vector<int>{0, 1, 1}));
}

TEST(ListBox, HorizontalExtentThroughMessagesAndTextWidthInTheControlsFont) {
  auto F = NewForm();
  auto* L = new StdCtrls::TListBox(F.get());
  L->SetParent(F.get());
  EXPECT_EQ(L->GetCanvas()->TextWidth("ABCD"), 24);
  F->GetFont()->SetHeight(-13);
  EXPECT_EQ(L->GetCanvas()->TextWidth("ABCD"), 28);
  EXPECT_EQ(Windows::SendMessage(L->Handle(), Windows::LB_SETHORIZONTALEXTENT, 140, 0), 0);
  EXPECT_EQ(L->HorizontalExtent(), 140);
  EXPECT_EQ(L->Perform(Windows::LB_GETHORIZONTALEXTENT, 0, 0), 140);
  L->GetItems()->Add("x");
  EXPECT_EQ(Windows::SendMessage(L->Handle(), Windows::LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(Windows::SendMessage(L->Handle(), Windows::LB_GETSEL, 5, 0), -1);
  EXPECT_EQ(Windows::SendMessage(nullptr, Windows::LB_GETCOUNT, 0, 0), 0);
}

TEST(ListBox, SortedItemsGoInOrderButInsertPutsThemWhereTold) {
  auto F = NewForm();
  auto* L = new StdCtrls::TListBox(F.get());
  L->GetItems()->AddStrings(std::vector<std::string>{"b", "A", "c"});
  L->SetSorted(true);
  EXPECT_EQ(L->GetItems()->GetCommaText(), "A,b,c");
  L->GetItems()->Add("B");
  EXPECT_EQ(L->GetItems()->GetCommaText(), "A,b,B,c");
  L->GetItems()->Insert(0, "z");
  EXPECT_EQ(L->GetItems()->Get(0), "z");
}

TEST(ComboBox, OnChangeFiresOnEveryChangeOfTheText) {
  auto F = NewForm();
  auto* C = new StdCtrls::TComboBox(F.get());
  std::vector<std::string> Seen;
  C->OnChange = [&](TObject*) { Seen.push_back(C->GetText()); };
  C->GetItems()->AddStrings(std::vector<std::string>{"ORDERS", "CUSTOMER"});
  C->SetItemIndex(1);
  C->SetItemIndex(1);
  C->SetText("ORDERS");
  EXPECT_EQ(C->GetItemIndex(), 0);
  C->SetText("orders");
  EXPECT_EQ(C->GetItemIndex(), -1);
  // The list empties but the text stays; Clear empties both.
  C->GetItems()->Clear();
  EXPECT_EQ(C->GetText(), "orders");
  C->GetItems()->Add("X");
  C->Clear();
  EXPECT_EQ(Seen, (std::vector<std::string>{"CUSTOMER", "ORDERS", "orders", ""}));
  EXPECT_EQ(C->GetItems()->Count(), 0);
  EXPECT_THROW(C->SetItemIndex(0), Classes::EListError);
}

TEST(ComboBox, ADropDownListTakesOnlyItsItems) {
  auto F = NewForm();
  auto* C = new StdCtrls::TComboBox(F.get());
  C->SetStyle(StdCtrls::TComboBoxStyle::csDropDownList);
  C->GetItems()->AddStrings(std::vector<std::string>{"SQLite", "PostgreSQL"});
  C->SetText("postgresql");
  EXPECT_EQ(C->GetText(), "PostgreSQL");
  EXPECT_EQ(C->GetItemIndex(), 1);
  C->SetText("Oracle");
  EXPECT_EQ(C->GetText(), "PostgreSQL");
  C->SetText("");
  EXPECT_EQ(C->GetItemIndex(), -1);
}

TEST(Label, AutoSizeFollowsCaptionFontAndAlignment) {
  auto F = NewForm();
  auto* L = new StdCtrls::TLabel(F.get());
  L->SetParent(F.get());
  L->SetBounds(100, 10, 65, 17);
  L->SetCaption("&Key Fields:");
  EXPECT_EQ(L->BoundsRect(), Bounds(100, 10, 66, 13));
  // A bold font in 10 points: 7 pixels a character and one more per four.
  Graphics::TFont Bold;
  Bold.SetHeight(-13);
  Bold.SetStyle({Graphics::TFontStyle::fsBold});
  L->SetFont(&Bold);
  EXPECT_FALSE(L->GetParentFont());
  EXPECT_EQ(L->BoundsRect(), Bounds(100, 10, 11 * 7 + 2, 16));
  // A right-justified label keeps its right edge.
  L->SetAlignment(Classes::TAlignment::taRightJustify);
  const int Right = L->GetLeft() + L->GetWidth();
  L->SetCaption("Key:");
  EXPECT_EQ(L->GetLeft() + L->GetWidth(), Right);
  // A word-wrapped label keeps its width and grows down.
  L->SetAlignment(Classes::TAlignment::taLeftJustify);
  L->SetWordWrap(true);
  L->SetWidth(60);
  L->SetCaption("one two three four");
  EXPECT_EQ(L->GetWidth(), 60);
  EXPECT_EQ(L->DisplayLines(), (std::vector<std::string>{"one two", "three", "four"}));
  EXPECT_EQ(L->GetHeight(), 3 * 16);
  // Without AutoSize nothing moves.
  L->SetAutoSize(false);
  L->SetCaption("a much longer caption than before");
  EXPECT_EQ(L->GetWidth(), 60);
}

TEST(CheckBox, StateChangesClickAndTogglingCycles) {
  auto F = NewForm();
  auto* C = new StdCtrls::TCheckBox(F.get());
  int Clicks = 0;
  C->OnClick = [&](TObject*) { ++Clicks; };
  C->SetChecked(true);
  C->SetChecked(true);
  EXPECT_EQ(Clicks, 1);
  C->SetAllowGrayed(true);
  C->Toggle();
  EXPECT_EQ(C->GetState(), StdCtrls::TCheckBoxState::cbGrayed);
  C->Toggle();
  EXPECT_FALSE(C->GetChecked());
  EXPECT_EQ(Clicks, 3);
}

TEST(RadioGroup, ChoosingAnItemClicksAndBadIndexesAreRefused) {
  auto F = NewForm();
  auto* G = new ExtCtrls::TRadioGroup(F.get());
  int Clicks = 0;
  G->OnClick = [&](TObject*) { ++Clicks; };
  G->GetItems()->SetCommaText("A,B,C");
  G->SetItemIndex(2);
  G->SetItemIndex(2);
  EXPECT_EQ(Clicks, 1);
  EXPECT_THROW(G->SetItemIndex(3), Classes::EListError);
  EXPECT_EQ(G->GetItemIndex(), 2);
  G->GetItems()->Delete(2);
  EXPECT_EQ(G->GetItemIndex(), -1);
}

TEST(Memo, LinesAndTextAreOneText) {
  auto F = NewForm();
  auto* M = new StdCtrls::TMemo(F.get());
  int Changes = 0;
  M->OnChange = [&](TObject*) { ++Changes; };
  M->SetText("select *\r\nfrom T\n");
  EXPECT_EQ(M->GetLines()->Count(), 2);
  EXPECT_EQ(M->GetText(), "select *\nfrom T");
  M->GetLines()->Add("where X = 1");
  EXPECT_EQ(M->GetText(), "select *\nfrom T\nwhere X = 1");
  TStringList Other;
  Other.Add("one");
  M->SetLines(&Other);
  EXPECT_EQ(M->GetText(), "one");
  EXPECT_EQ(Changes, 3);
}

TEST(Control, FontAndColourFollowTheParentUntilSetOwn) {
  auto F = NewForm();
  auto* P = new ExtCtrls::TPanel(F.get());
  P->SetParent(F.get());
  auto* B = new StdCtrls::TButton(F.get());
  B->SetParent(P);
  F->GetFont()->SetName("Tahoma");
  EXPECT_EQ(B->GetFont()->GetName(), "Tahoma");
  EXPECT_TRUE(B->GetParentFont());
  B->GetFont()->SetHeight(-20);
  EXPECT_FALSE(B->GetParentFont());
  F->GetFont()->SetName("Arial");
  EXPECT_EQ(B->GetFont()->GetName(), "Tahoma");
  B->SetParentFont(true);
  EXPECT_EQ(B->GetFont()->GetName(), "Arial");
  EXPECT_EQ(B->GetFont()->GetHeight(), -11);
  F->SetColor(Graphics::clTeal);
  EXPECT_EQ(P->GetColor(), Graphics::clTeal);
  P->SetColor(Graphics::clRed);
  F->SetColor(Graphics::clWhite);
  EXPECT_EQ(P->GetColor(), Graphics::clRed);
  // A bevel has no colour of its own (it draws lines only): never white.
  auto* Bevel = new ExtCtrls::TBevel(F.get());
  Bevel->SetParent(F.get());
  EXPECT_TRUE(Bevel->GetParentColor());
  EXPECT_EQ(Bevel->GetColor(), Graphics::clWhite);
  F->SetColor(Graphics::clBtnFace);
  EXPECT_EQ(Bevel->GetColor(), Graphics::clBtnFace);
}

TEST(Control, AnchorsFollowAResizedParent) {
  auto F = NewForm();
  F->SetBorderStyle(Forms::TFormBorderStyle::bsNone);
  F->SetBounds(0, 0, 200, 100);
  auto* Right = new StdCtrls::TButton(F.get());
  Right->SetParent(F.get());
  Right->SetBounds(120, 70, 75, 25);
  Right->SetAnchors({Controls::TAnchorKind::akRight, Controls::TAnchorKind::akBottom});
  auto* Wide = new StdCtrls::TEdit(F.get());
  Wide->SetParent(F.get());
  Wide->SetBounds(10, 10, 180, 21);
  Wide->SetAnchors({Controls::TAnchorKind::akLeft, Controls::TAnchorKind::akTop,
                    Controls::TAnchorKind::akRight});
  F->SetBounds(0, 0, 300, 150);
  EXPECT_EQ(Right->BoundsRect(), Bounds(220, 120, 75, 25));
  EXPECT_EQ(Wide->BoundsRect(), Bounds(10, 10, 280, 21));
}

TEST(Control, CaptionFollowsTheNameOfANewControl) {
  auto F = NewForm();
  auto* B = new StdCtrls::TButton(F.get());
  B->SetName("Button1");
  EXPECT_EQ(B->GetCaption(), "Button1");
  B->SetName("Button2");
  EXPECT_EQ(B->GetCaption(), "Button2");
  B->SetCaption("OK");
  B->SetName("btOk");
  EXPECT_EQ(B->GetCaption(), "OK");
  auto* E = new StdCtrls::TEdit(F.get());
  E->SetName("Edit1");
  EXPECT_EQ(E->GetText(), "");
}

TEST(Control, APanelTakesItsChildrenWithItWhoeverOwnsThem) {
  auto F = NewForm();
  auto* P = new ExtCtrls::TPanel(F.get());
  P->SetParent(F.get());
  auto Other = std::make_unique<Classes::TComponent>(nullptr);
  auto* B = new StdCtrls::TButton(Other.get());
  B->SetParent(P);
  auto* L = new StdCtrls::TLabel(F.get());
  L->SetFocusControl(nullptr);
  const int Before = F->ComponentCount();
  delete P;
  EXPECT_EQ(Other->ComponentCount(), 0);
  EXPECT_EQ(F->ComponentCount(), Before - 1);
  EXPECT_EQ(F->ControlCount(), 0);
}

TEST(Control, AFreedWindowedControlLeavesItsParentsTabOrder) {
  auto F = NewForm();
  auto* A = new StdCtrls::TButton(F.get());
  A->SetParent(F.get());
  auto* B = new StdCtrls::TButton(F.get());
  B->SetParent(F.get());
  delete A;
  EXPECT_EQ(F->GetTabOrderList(), (std::vector<Controls::TWinControl*>{B}));
  EXPECT_EQ(B->GetTabOrder(), 0);
}

TEST(Control, AControlCannotGoInsideItself) {
  auto F = NewForm();
  auto* Outer = new ExtCtrls::TPanel(F.get());
  auto* Inner = new ExtCtrls::TPanel(F.get());
  Inner->SetParent(Outer);
  EXPECT_THROW(Outer->SetParent(Inner), SysUtils::EInvalidOperation);
  EXPECT_THROW(Outer->SetParent(Outer), SysUtils::EInvalidOperation);
  auto* Sheet = new ComCtrls::TTabSheet(F.get());
  EXPECT_THROW(Sheet->SetParent(Outer), SysUtils::EInvalidOperation);
}

TEST(Control, PublishedPropertiesReadAndWriteNamesOfColoursAndCursors) {
  auto F = NewForm();
  auto* L = new StdCtrls::TLabel(F.get());
  const TypInfo::TPropInfo* Cursor = TypInfo::GetPropInfo(L, "Cursor");
  TypInfo::SetPropValueText(L, Cursor, "crHandPoint");
  EXPECT_EQ(L->GetCursor(), Controls::crHandPoint);
  EXPECT_EQ(TypInfo::GetPropValueText(L, Cursor), "crHandPoint");
  const TypInfo::TPropInfo* Color = TypInfo::GetPropInfo(L->GetFont(), "Color");
  TypInfo::SetPropValueText(L->GetFont(), Color, "clnavy");
  EXPECT_EQ(L->GetFont()->GetColor(), Graphics::clNavy);
  TypInfo::SetPropValueText(L->GetFont(), Color, "$00123456");
  EXPECT_EQ(TypInfo::GetPropValueText(L->GetFont(), Color), "1193046");
  EXPECT_THROW(TypInfo::SetPropValueText(L->GetFont(), Color, "clNoSuchColour"),
               TypInfo::EPropertyConvertError);
}
