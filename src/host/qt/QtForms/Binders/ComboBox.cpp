// Combo boxes: a chosen item and typed text go to the model, and the model
// hears when the list drops down and closes; items, the item index, the
// style (editable or a drop-down list) and the text come back.
#include "host/qt/QtForms/Binders.hpp"

#include "host/qt/QtForms/Widgets.hpp"
#include "vcl/StdCtrls.hpp"
#include "vcl/UserInput.hpp"

#include <QLineEdit>
#include <QTimer>

namespace QtForms {

namespace {

struct TComboData : TBinderData {
  QLineEdit* Edit = nullptr; // the combo's edit that is connected
};

class TComboBoxBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new TComboWidget(Parent); }
  bool HandlesOwnClicks() const override { return true; }
  Graphics::TColor DefaultColor() const override { return Graphics::clWindow; }

  void Connect(TFormView& View, TBinding& B) const override {
    Controls::TControl* C = B.Control;
    auto* Combo = static_cast<TComboWidget*>(B.Widget);
    QObject::connect(Combo, &QComboBox::activated, &View, [&View, C](int Index) {
      View.Act([C, Index] { UserInput::ChooseItem(C, Index); });
    });
    auto* Model = static_cast<StdCtrls::TCustomComboBox*>(C);
    Combo->OnDropDown = [&View, Model] {
      View.Act([Model] {
        if (Model->OnDropDown)
          Model->OnDropDown(Model);
      });
    };
    Combo->OnCloseUp = [&View, Model] {
      // The popup closes on its own after a choice; the model hears of it
      // when the current event is over.
      QTimer::singleShot(0, &View, [&View, Model] {
        if (View.BindingOf(Model))
          View.Act([Model] {
            if (Model->OnCloseUp)
              Model->OnCloseUp(Model);
          });
      });
    };
  }

  void Sync(TFormView& View, TBinding& B, Qt::FocusPolicy Policy) const override {
    Controls::TControl* C = B.Control;
    auto* Combo = static_cast<StdCtrls::TCustomComboBox*>(C);
    auto* W = static_cast<TComboWidget*>(B.Widget);
    const bool Editable = Combo->GetStyle() != StdCtrls::TComboBoxStyle::csDropDownList;
    if (W->isEditable() != Editable)
      W->setEditable(Editable);
    Classes::TStrings* Items = Combo->GetItems();
    const int N = Items->Count();
    while (W->count() > N)
      W->removeItem(W->count() - 1);
    for (int I = 0; I < N; ++I) {
      const QString S = Q(Items->Get(I));
      if (I < W->count()) {
        if (W->itemText(I) != S)
          W->setItemText(I, S);
      } else {
        W->addItem(S);
      }
    }
    W->setMaxVisibleItems(std::max(1, Combo->GetDropDownCount()));
    if (W->currentIndex() != Combo->GetItemIndex())
      W->setCurrentIndex(Combo->GetItemIndex());
    auto& Data = B.DataAs<TComboData>();
    if (Editable) {
      QLineEdit* E = W->lineEdit();
      if (E != Data.Edit) {
        Data.Edit = E;
        QObject::connect(E, &QLineEdit::textEdited, &View, [&View, C](const QString& Text) {
          View.Act([C, T = Text.toStdString()] {
            UserInput::TypeText(static_cast<Controls::TWinControl*>(C), T);
          });
        });
      }
      E->setMaxLength(Combo->GetMaxLength() > 0 ? Combo->GetMaxLength() : 32767);
      SetLineText(E, Q(Combo->GetText()));
    } else {
      Data.Edit = nullptr;
    }
    W->setFocusPolicy(Policy);
  }
};

} // namespace

std::unique_ptr<TBinder> MakeComboBoxBinder() {
  return std::make_unique<TComboBoxBinder>();
}

} // namespace QtForms
