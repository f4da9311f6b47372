// Push buttons and check boxes: a click is the model's click (a check box's
// toggles it); caption, default button, tri-state and check state come back.
#include "host/qt/QtForms/Binders.hpp"

#include "vcl/StdCtrls.hpp"
#include "vcl/UserInput.hpp"

#include <QCheckBox>
#include <QPushButton>

namespace QtForms {

namespace {

class TButtonBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new QPushButton(Parent); }
  bool HandlesOwnClicks() const override { return true; }

  void Connect(TFormView& View, TBinding& B) const override {
    Controls::TControl* C = B.Control;
    QObject::connect(static_cast<QAbstractButton*>(B.Widget), &QAbstractButton::clicked, &View,
                     [&View, C] {
                       if (View.Syncing())
                         return;
                       // A focus change that a handler refused takes the
                       // click with it.
                       if (View.TakeRefusedFocus(C))
                         return;
                       View.Act([C] { UserInput::Click(C); });
                     });
  }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy Policy) const override {
    auto* Btn = static_cast<StdCtrls::TButton*>(B.Control);
    auto* W = static_cast<QPushButton*>(B.Widget);
    const QString Text = Q(Btn->GetCaption());
    if (W->text() != Text)
      W->setText(Text);
    W->setAutoDefault(false);
    W->setDefault(Btn->GetDefault());
    W->setFocusPolicy(Policy);
  }
};

class TCheckBoxBinder : public TButtonBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new QCheckBox(Parent); }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy Policy) const override {
    auto* Check = static_cast<StdCtrls::TCustomCheckBox*>(B.Control);
    auto* W = static_cast<QCheckBox*>(B.Widget);
    const QString Text = Q(Check->GetCaption());
    if (W->text() != Text)
      W->setText(Text);
    W->setTristate(Check->GetAllowGrayed());
    // Indexed by TCheckBoxState: cbUnchecked, cbChecked, cbGrayed.
    static constexpr Qt::CheckState States[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    const auto S = static_cast<size_t>(Check->GetState());
    const Qt::CheckState State = S < std::size(States) ? States[S] : Qt::Unchecked;
    if (W->checkState() != State)
      W->setCheckState(State);
    W->setLayoutDirection(Check->GetAlignment() == Classes::TAlignment::taLeftJustify
                              ? Qt::RightToLeft
                              : Qt::LeftToRight);
    W->setFocusPolicy(Policy);
  }
};

} // namespace

std::unique_ptr<TBinder> MakeButtonBinder() {
  return std::make_unique<TButtonBinder>();
}

std::unique_ptr<TBinder> MakeCheckBoxBinder() {
  return std::make_unique<TCheckBoxBinder>();
}

} // namespace QtForms
