// Panels, bevels and images: painted as the platform paints them, with no
// input of their own (a click on them is the control's OnClick).
#include "host/qt/QtForms/Binders.hpp"

#include "host/qt/QtForms/Widgets.hpp"
#include "vcl/ExtCtrls.hpp"

#include <QLabel>

namespace QtForms {

namespace {

class TPanelBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override {
    auto* P = new TPanelWidget(Parent);
    P->setAutoFillBackground(true);
    return P;
  }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy) const override {
    auto* P = static_cast<ExtCtrls::TCustomPanel*>(B.Control);
    static_cast<TPanelWidget*>(B.Widget)->SetLook(
        static_cast<int>(P->GetBevelOuter()), static_cast<int>(P->GetBevelInner()),
        P->GetBevelWidth(), P->GetBorderStyle() == Forms::TBorderStyle::bsSingle,
        Q(P->GetCaption()), ToQAlignment(P->GetAlignment()));
  }
};

class TBevelBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new TBevelWidget(Parent); }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy) const override {
    auto* Bevel = static_cast<ExtCtrls::TBevel*>(B.Control);
    static_cast<TBevelWidget*>(B.Widget)->SetLook(
        static_cast<int>(Bevel->GetShape()), Bevel->GetStyle() == ExtCtrls::TBevelStyle::bsRaised);
  }
};

struct TImageData : TBinderData {
  std::string Picture; // the bitmap's bytes shown now
};

class TImageBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new QLabel(Parent); }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy) const override {
    auto* Image = static_cast<ExtCtrls::TImage*>(B.Control);
    auto* W = static_cast<QLabel*>(B.Widget);
    auto* Bitmap = dynamic_cast<Graphics::TBitmap*>(Image->GetPicture()->GetGraphic());
    const std::string& Bytes = Bitmap ? Bitmap->FileBytes() : std::string();
    auto& Data = B.DataAs<TImageData>();
    if (Bytes != Data.Picture) {
      Data.Picture = Bytes;
      W->setPixmap(Bitmap ? QPixmap::fromImage(ToQImage(*Bitmap)) : QPixmap());
    }
    W->setScaledContents(Image->GetStretch());
    W->setAlignment(Image->GetCenter() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
  }
};

} // namespace

std::unique_ptr<TBinder> MakePanelBinder() {
  return std::make_unique<TPanelBinder>();
}

std::unique_ptr<TBinder> MakeBevelBinder() {
  return std::make_unique<TBevelBinder>();
}

std::unique_ptr<TBinder> MakeImageBinder() {
  return std::make_unique<TImageBinder>();
}

} // namespace QtForms
