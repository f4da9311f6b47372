// Labels: plain text with the model's alignment, layout and word wrap, and
// the accelerator that moves the focus to the label's buddy control.
#include "host/qt/QtForms/Binders.hpp"

#include "vcl/StdCtrls.hpp"

#include <QLabel>

namespace QtForms {

namespace {

class TLabelBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new QLabel(Parent); }
  bool FillsBackground(const Controls::TControl* C) const override {
    return !static_cast<const StdCtrls::TCustomLabel*>(C)->GetTransparent();
  }
  void Sync(TFormView& View, TBinding& B, Qt::FocusPolicy) const override { SyncLate(View, B); }

  void SyncLate(TFormView& View, TBinding& B) const override {
    auto* L = static_cast<StdCtrls::TCustomLabel*>(B.Control);
    auto* W = static_cast<QLabel*>(B.Widget);
    QWidget* Buddy = L->GetShowAccelChar() && L->GetFocusControl()
                         ? View.WidgetOf(L->GetFocusControl())
                         : nullptr;
    // With a buddy Qt shows and handles the accelerator itself.
    const QString Text = Buddy ? Q(L->GetCaption()) : Q(L->DisplayText());
    W->setTextFormat(Qt::PlainText);
    if (W->text() != Text)
      W->setText(Text);
    if (W->buddy() != Buddy)
      W->setBuddy(Buddy);
    // Indexed by TTextLayout: tlTop, tlCenter, tlBottom.
    static constexpr Qt::AlignmentFlag Vertical[] = {Qt::AlignTop, Qt::AlignVCenter,
                                                     Qt::AlignBottom};
    const auto Layout = static_cast<size_t>(L->GetLayout());
    const Qt::Alignment A = ToQAlignment(L->GetAlignment()) |
                            (Layout < std::size(Vertical) ? Vertical[Layout] : Qt::AlignTop);
    if (W->alignment() != A)
      W->setAlignment(A);
    if (W->wordWrap() != L->GetWordWrap())
      W->setWordWrap(L->GetWordWrap());
  }
};

} // namespace

std::unique_ptr<TBinder> MakeLabelBinder() {
  return std::make_unique<TLabelBinder>();
}

} // namespace QtForms
