// Forms (the view's window, or a form inside another) and the controls that
// show nothing of their own (pages): their widget only holds their controls.
#include "host/qt/QtForms/Binders.hpp"

namespace QtForms {

namespace {

class TFormBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new QWidget(Parent); }
  bool IsWindow() const override { return true; }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy) const override {
    auto* F = static_cast<Forms::TCustomForm*>(B.Control);
    QWidget* W = B.Widget;
    const QString Title = Q(F->GetCaption());
    if (W->windowTitle() != Title)
      W->setWindowTitle(Title);
    W->setEnabled(F->GetEnabled());
    const Types::TRect R = F->BoundsRect();
    if (R == B.Bounds)
      return;
    B.Bounds = R;
    const int CW = F->GetClientWidth();
    const int CH = F->GetClientHeight();
    const bool Sizeable = F->GetBorderStyle() == Forms::TFormBorderStyle::bsSizeable ||
                          F->GetBorderStyle() == Forms::TFormBorderStyle::bsSizeToolWin;
    if (Sizeable) {
      W->setMinimumSize(0, 0);
      W->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      W->resize(CW, CH);
    } else {
      W->setFixedSize(CW, CH);
    }
    W->move(F->GetLeft(), F->GetTop());
    Qt::WindowFlags Flags = Qt::Dialog | Qt::WindowTitleHint;
    if (F->GetBorderStyle() == Forms::TFormBorderStyle::bsNone)
      Flags = Qt::Dialog | Qt::FramelessWindowHint;
    else if (F->GetBorderIcons().Contains(Forms::TBorderIcon::biSystemMenu))
      Flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (Sizeable && F->GetBorderIcons().Contains(Forms::TBorderIcon::biMaximize))
      Flags |= Qt::WindowMaximizeButtonHint;
    if (W->windowFlags() != Flags && !W->isVisible())
      W->setWindowFlags(Flags);
  }
};

class TPlainBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new QWidget(Parent); }
};

} // namespace

std::unique_ptr<TBinder> MakeFormBinder() {
  return std::make_unique<TFormBinder>();
}

std::unique_ptr<TBinder> MakePlainBinder() {
  return std::make_unique<TPlainBinder>();
}

} // namespace QtForms
