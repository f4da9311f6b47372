// Page controls: a row of tabs over a frame; choosing a tab shows its page
// in the model, and the model's pages, captions, visible tabs, tab position
// and active page come back. The pages themselves are plain widgets placed
// by the model.
#include "host/qt/QtForms/Binders.hpp"

#include "host/qt/QtForms/Widgets.hpp"
#include "vcl/ComCtrls.hpp"
#include "vcl/UserInput.hpp"

#include <algorithm>
#include <vector>

namespace QtForms {

namespace {

struct TPagesData : TBinderData {
  std::vector<ComCtrls::TTabSheet*> Sheets; // the pages behind the tabs
};

class TPageControlBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new TPageWidget(Parent); }
  bool HandlesOwnClicks() const override { return true; }
  QWidget* FocusTarget(TBinding& B) const override {
    return static_cast<TPageWidget*>(B.Widget)->Tabs();
  }

  void Connect(TFormView& View, TBinding& B) const override {
    Controls::TControl* C = B.Control;
    auto* P = static_cast<TPageWidget*>(B.Widget);
    QObject::connect(P->Tabs(), &QTabBar::currentChanged, &View, [&View, C](int Index) {
      if (View.Syncing())
        return;
      TBinding* Bound = View.BindingOf(C);
      if (!Bound || Index < 0)
        return;
      const auto& Sheets = Bound->DataAs<TPagesData>().Sheets;
      if (Index >= static_cast<int>(Sheets.size()))
        return;
      ComCtrls::TTabSheet* Sheet = Sheets[static_cast<size_t>(Index)];
      View.Act([Sheet] { UserInput::ShowPage(Sheet); });
    });
  }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy Policy) const override {
    auto* Pages = static_cast<ComCtrls::TPageControl*>(B.Control);
    auto* P = static_cast<TPageWidget*>(B.Widget);
    QTabBar* Tabs = P->Tabs();
    // Indexed by TTabPosition: tpTop, tpBottom, tpLeft, tpRight.
    static constexpr QTabBar::Shape Shapes[] = {QTabBar::RoundedNorth, QTabBar::RoundedSouth,
                                                QTabBar::RoundedWest, QTabBar::RoundedEast};
    const auto Position = static_cast<size_t>(Pages->GetTabPosition());
    const QTabBar::Shape Shape =
        Position < std::size(Shapes) ? Shapes[Position] : QTabBar::RoundedNorth;
    if (Tabs->shape() != Shape)
      Tabs->setShape(Shape);
    std::vector<ComCtrls::TTabSheet*> Sheets;
    for (int I = 0; I < Pages->PageCount(); ++I)
      Sheets.push_back(Pages->Pages(I));
    auto& Shown = B.DataAs<TPagesData>().Sheets;
    if (Sheets != Shown) {
      Shown = Sheets;
      while (Tabs->count() > 0)
        Tabs->removeTab(Tabs->count() - 1);
      for (ComCtrls::TTabSheet* Sheet : Sheets)
        Tabs->addTab(Q(Sheet->GetCaption()));
    }
    for (size_t I = 0; I < Sheets.size(); ++I) {
      const int Index = static_cast<int>(I);
      const QString S = Q(Sheets[I]->GetCaption());
      if (Tabs->tabText(Index) != S)
        Tabs->setTabText(Index, S);
      Tabs->setTabVisible(Index, Sheets[I]->GetTabVisible());
    }
    const auto Active = std::find(Sheets.begin(), Sheets.end(), Pages->GetActivePage());
    const int ActiveIndex = Active == Sheets.end() ? -1 : static_cast<int>(Active - Sheets.begin());
    if (Tabs->currentIndex() != ActiveIndex)
      Tabs->setCurrentIndex(ActiveIndex);
    const Types::TRect Area = Pages->AdjustClientRect();
    P->SetPageArea(QRect(Area.Left, Area.Top, Area.Width(), Area.Height()));
    Tabs->setFocusPolicy(Policy);
    P->setFocusPolicy(Qt::NoFocus);
    P->setFocusProxy(Tabs);
  }
};

} // namespace

std::unique_ptr<TBinder> MakePageControlBinder() {
  return std::make_unique<TPageControlBinder>();
}

} // namespace QtForms
