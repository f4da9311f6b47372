// Group boxes and radio groups: a frame with a title; a radio group's items
// are radio buttons laid out in its columns, and a click on one chooses its
// item in the model.
#include "host/qt/QtForms/Binders.hpp"
#include "host/qt/QtForms/Widgets.hpp"

#include "vcl/ExtCtrls.hpp"
#include "vcl/UserInput.hpp"

#include <QGroupBox>
#include <QRadioButton>

#include <vector>

namespace QtForms {

namespace {

class TGroupBoxBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new TGroupBoxWidget(Parent); }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy) const override {
    auto* W = static_cast<QGroupBox*>(B.Widget);
    const QString Text = Q(B.Control->GetCaption());
    if (W->title() != Text)
      W->setTitle(Text);
  }
};

struct TRadioData : TBinderData {
  std::vector<QRadioButton*> Radios;
};

class TRadioGroupBinder : public TGroupBoxBinder {
public:
  bool HandlesOwnClicks() const override { return true; }

  QWidget* FocusTarget(TBinding& B) const override {
    const auto& Radios = B.DataAs<TRadioData>().Radios;
    if (Radios.empty())
      return B.Widget;
    const int I = static_cast<ExtCtrls::TCustomRadioGroup*>(B.Control)->GetItemIndex();
    return Radios[static_cast<size_t>(I >= 0 && I < static_cast<int>(Radios.size()) ? I : 0)];
  }

  void Sync(TFormView& View, TBinding& B, Qt::FocusPolicy Policy) const override {
    TGroupBoxBinder::Sync(View, B, Policy);
    Controls::TControl* C = B.Control;
    auto* Group = static_cast<ExtCtrls::TCustomRadioGroup*>(C);
    auto* W = static_cast<QGroupBox*>(B.Widget);
    auto& Radios = B.DataAs<TRadioData>().Radios;
    Classes::TStrings* Items = Group->GetItems();
    const int N = Items->Count();
    while (static_cast<int>(Radios.size()) > N) {
      delete Radios.back();
      Radios.pop_back();
    }
    while (static_cast<int>(Radios.size()) < N) {
      auto* Radio = new QRadioButton(W);
      const int Index = static_cast<int>(Radios.size());
      Radio->setAutoExclusive(false);
      Radio->setObjectName(QString("%1_%2").arg(W->objectName()).arg(Index));
      QObject::connect(Radio, &QRadioButton::clicked, &View, [&View, C, Index] {
        if (View.Syncing())
          return;
        View.Act([C, Index] { UserInput::ChooseItem(C, Index); });
      });
      Radio->show();
      Radios.push_back(Radio);
    }
    if (N == 0)
      return;
    // The buttons fill the columns top down, as the platform arranges them.
    const int Columns = std::max(1, Group->GetColumns());
    const int PerColumn = (N + Columns - 1) / Columns;
    const int ButtonWidth = (C->GetWidth() - 10) / Columns;
    const int FontHeight = QFontMetrics(W->font()).height();
    const int Space = C->GetHeight() - FontHeight - 5;
    const int ButtonHeight = std::max(1, Space / PerColumn);
    const int TopMargin = FontHeight + 1 + (Space % PerColumn) / 2;
    for (int I = 0; I < N; ++I) {
      QRadioButton* Radio = Radios[static_cast<size_t>(I)];
      const QString S = Q(Items->Get(I));
      if (Radio->text() != S)
        Radio->setText(S);
      Radio->setGeometry((I / PerColumn) * ButtonWidth + 8,
                         (I % PerColumn) * ButtonHeight + TopMargin, ButtonWidth, ButtonHeight);
      Radio->setChecked(I == Group->GetItemIndex());
      Radio->setFocusPolicy(Policy);
    }
  }
};

} // namespace

std::unique_ptr<TBinder> MakeGroupBoxBinder() {
  return std::make_unique<TGroupBoxBinder>();
}

std::unique_ptr<TBinder> MakeRadioGroupBinder() {
  return std::make_unique<TRadioGroupBinder>();
}

} // namespace QtForms
