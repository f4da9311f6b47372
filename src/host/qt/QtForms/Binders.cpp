#include "host/qt/QtForms/Binders.hpp"

#include "vcl/ComCtrls.hpp"
#include "vcl/ExtCtrls.hpp"
#include "vcl/StdCtrls.hpp"

#include <QLineEdit>

#include <map>
#include <mutex>

namespace QtForms {

OV_CLASS_IMPL(EBinderError, SysUtils::Exception, "QtForms")

void TBinder::Connect(TFormView&, TBinding&) const {}

void TBinder::Sync(TFormView&, TBinding& B, Qt::FocusPolicy) const {
  B.Widget->setFocusPolicy(Qt::NoFocus);
}

void TBinder::SyncLate(TFormView&, TBinding&) const {}

namespace {

using TRegistry = std::map<System::TClass, std::unique_ptr<TBinder>>;

// One line a family; the file of each is QtForms/Binders/<Family>.cpp.
void RegisterBinders(TRegistry& R) {
  R[Forms::TCustomForm::StaticClass()] = MakeFormBinder();
  R[ComCtrls::TPageControl::StaticClass()] = MakePageControlBinder();
  R[ComCtrls::TTabSheet::StaticClass()] = MakePlainBinder();
  R[StdCtrls::TCustomGroupBox::StaticClass()] = MakeGroupBoxBinder();
  R[ExtCtrls::TCustomRadioGroup::StaticClass()] = MakeRadioGroupBinder();
  R[ExtCtrls::TCustomPanel::StaticClass()] = MakePanelBinder();
  R[StdCtrls::TCustomLabel::StaticClass()] = MakeLabelBinder();
  R[StdCtrls::TCustomEdit::StaticClass()] = MakeEditBinder();
  R[StdCtrls::TCustomMemo::StaticClass()] = MakeMemoBinder();
  R[StdCtrls::TButton::StaticClass()] = MakeButtonBinder();
  R[StdCtrls::TCustomCheckBox::StaticClass()] = MakeCheckBoxBinder();
  R[StdCtrls::TCustomComboBox::StaticClass()] = MakeComboBoxBinder();
  R[StdCtrls::TCustomListBox::StaticClass()] = MakeListBoxBinder();
  R[ExtCtrls::TImage::StaticClass()] = MakeImageBinder();
  R[ExtCtrls::TBevel::StaticClass()] = MakeBevelBinder();
}

// The binders live as long as the program: widgets of views being torn
// down at exit may still ask theirs.
TRegistry& Registry() {
  static TRegistry* R = [] {
    auto* Made = new TRegistry;
    RegisterBinders(*Made);
    return Made;
  }();
  return *R;
}

} // namespace

void RegisterBinder(System::TClass ControlClass, std::unique_ptr<TBinder> Binder) {
  Registry()[ControlClass] = std::move(Binder);
}

void UnregisterBinder(System::TClass ControlClass) {
  Registry().erase(ControlClass);
}

const TBinder& FindBinder(const Controls::TControl* Control) {
  const TRegistry& R = Registry();
  // The class's own binder, else its parent's, and so on: the most derived
  // registered class wins.
  for (System::TClass C = Control->ClassType(); C; C = C->Parent) {
    const auto It = R.find(C);
    if (It != R.end())
      return *It->second;
  }
  throw EBinderError(SysUtils::Format(
      "No widget binder is registered for the control class %s (%s); register one in "
      "QtForms::RegisterBinders",
      Control->ClassName(), Control->GetName()));
}

Qt::Alignment ToQAlignment(Classes::TAlignment Alignment) {
  // Indexed by TAlignment: taLeftJustify, taRightJustify, taCenter.
  static constexpr Qt::AlignmentFlag Table[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
  const auto I = static_cast<size_t>(Alignment);
  return I < std::size(Table) ? Table[I] : Qt::AlignLeft;
}

void SetLineText(QLineEdit* E, const QString& Text) {
  if (E->text() == Text)
    return;
  const int Pos = E->cursorPosition();
  E->setText(Text);
  E->setCursorPosition(std::min(Pos, static_cast<int>(Text.size())));
}

} // namespace QtForms
