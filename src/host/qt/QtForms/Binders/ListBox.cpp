// List boxes: the person's selection goes to the model as a chosen item or
// as items selected and deselected; items, selection mode, the selection,
// the horizontal extent and the border come back.
#include "host/qt/QtForms/Binders.hpp"

#include "vcl/StdCtrls.hpp"
#include "vcl/UserInput.hpp"

#include <QListWidget>

#include <algorithm>

namespace QtForms {

namespace {

class TListBoxBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new QListWidget(Parent); }
  bool HandlesOwnClicks() const override { return true; }
  Graphics::TColor DefaultColor() const override { return Graphics::clWindow; }

  void Connect(TFormView& View, TBinding& B) const override {
    auto* List = static_cast<StdCtrls::TCustomListBox*>(B.Control);
    auto* L = static_cast<QListWidget*>(B.Widget);
    QObject::connect(L, &QListWidget::itemSelectionChanged, &View, [&View, List, L] {
      if (View.Syncing())
        return;
      std::vector<int> Rows;
      for (int I = 0; I < L->count(); ++I)
        if (L->item(I)->isSelected())
          Rows.push_back(I);
      const int Current = L->currentRow();
      View.Act([List, Rows, Current]() mutable {
        if (!List->GetMultiSelect()) {
          const int Row = Rows.empty() ? Current : Rows.front();
          if (Row >= 0 && Row != List->GetItemIndex())
            UserInput::ChooseItem(List, Row);
          return;
        }
        if (Rows.empty()) {
          std::vector<int> Selected;
          for (int I = 0; I < List->GetItems()->Count(); ++I)
            if (List->GetSelected(I))
              Selected.push_back(I);
          if (!Selected.empty())
            UserInput::DeselectItems(List, Selected);
          return;
        }
        // The item with the focus rectangle goes last: it becomes the
        // list's ItemIndex.
        const auto It = std::find(Rows.begin(), Rows.end(), Current);
        if (It != Rows.end())
          std::rotate(It, It + 1, Rows.end());
        UserInput::SelectItems(List, Rows);
      });
    });
  }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy Policy) const override {
    auto* List = static_cast<StdCtrls::TCustomListBox*>(B.Control);
    auto* W = static_cast<QListWidget*>(B.Widget);
    const QAbstractItemView::SelectionMode Mode =
        !List->GetMultiSelect()     ? QAbstractItemView::SingleSelection
        : List->GetExtendedSelect() ? QAbstractItemView::ExtendedSelection
                                    : QAbstractItemView::MultiSelection;
    if (W->selectionMode() != Mode)
      W->setSelectionMode(Mode);
    Classes::TStrings* Items = List->GetItems();
    const int N = Items->Count();
    while (W->count() > N)
      delete W->takeItem(W->count() - 1);
    const int Extent = List->HorizontalExtent();
    const QSize ItemSize(Extent, QFontMetrics(W->font()).height() + 2);
    for (int I = 0; I < N; ++I) {
      const QString S = Q(Items->Get(I));
      QListWidgetItem* Item = I < W->count() ? W->item(I) : nullptr;
      if (!Item) {
        Item = new QListWidgetItem(S, W);
      } else if (Item->text() != S) {
        Item->setText(S);
      }
      // The horizontal extent is how far the list scrolls sideways.
      const QSize Hint = Extent > 0 ? ItemSize : QSize();
      if (Item->sizeHint() != Hint)
        Item->setSizeHint(Hint);
      const bool Selected =
          List->GetMultiSelect() ? List->GetSelected(I) : I == List->GetItemIndex();
      if (Item->isSelected() != Selected)
        Item->setSelected(Selected);
    }
    if (W->currentRow() != List->GetItemIndex())
      W->setCurrentRow(List->GetItemIndex(), QItemSelectionModel::NoUpdate);
    W->setHorizontalScrollBarPolicy(Extent > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    W->setFrameShape(List->GetBorderStyle() == Forms::TBorderStyle::bsSingle ? QFrame::StyledPanel
                                                                             : QFrame::NoFrame);
    W->setFocusPolicy(Policy);
  }
};

} // namespace

std::unique_ptr<TBinder> MakeListBoxBinder() {
  return std::make_unique<TListBoxBinder>();
}

} // namespace QtForms
