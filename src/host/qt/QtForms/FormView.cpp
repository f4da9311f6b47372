// TFormView: one form of the model as a window of widgets, kept in step.
#include "host/qt/QtForms.hpp"

#include "host/qt/QtForms/Binders.hpp"
#include "host/qt/QtForms/Widgets.hpp"
#include "rtl/ScopeGuard.hpp"
#include "vcl/ComCtrls.hpp"
#include "vcl/ExtCtrls.hpp"
#include "vcl/Menus.hpp"
#include "vcl/StdCtrls.hpp"
#include "vcl/UserInput.hpp"
#include "vcl/Windows.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace QtForms {

using Classes::TAlignment;
using Controls::TControl;
using Controls::TWinControl;

OV_CLASS_IMPL(TFreeNotifier, Classes::TComponent, "QtForms")

TFreeNotifier::TFreeNotifier(TFormView* AView) : TComponent(nullptr), FView(AView) {}

void TFreeNotifier::Notification(Classes::TComponent* AComponent, Classes::TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && FView)
    FView->ComponentFreed(AComponent);
}

TFormView::TFormView(Forms::TCustomForm* Form, QWidget* Parent)
    : FForm(Form), FNotifier(std::make_unique<TFreeNotifier>(this)) {
  auto* Window = new TFormWindow(Parent);
  FWindow = Window;
  Window->OnCloseRequest = [this] {
    if (FForm)
      Act([F = FForm] {
        if (F->IsModal() || F->GetBorderIcons().Contains(Forms::TBorderIcon::biSystemMenu))
          UserInput::CloseWindow(F);
      });
  };
  auto B = std::make_unique<TBinding>();
  B->Control = Form;
  B->Widget = Window;
  B->Binder = &FindBinder(Form);
  Window->setObjectName(Q(Form->GetName()));
  FByWidget[Window] = B.get();
  FBindings[Form] = std::move(B);
  Form->FreeNotification(FNotifier.get());
  qApp->installEventFilter(this);
}

TFormView::~TFormView() {
  qApp->removeEventFilter(this);
  FNotifier.reset();
  FBindings.clear();
  FByWidget.clear();
  delete FWindow.data();
}

QWidget* TFormView::Window() const {
  return FWindow.data();
}

QWidget* TFormView::WidgetOf(const TControl* Control) const {
  const auto It = FBindings.find(Control);
  return It == FBindings.end() ? nullptr : It->second->Widget;
}

TBinding* TFormView::BindingOf(const TControl* Control) const {
  const auto It = FBindings.find(Control);
  return It == FBindings.end() ? nullptr : It->second.get();
}

bool TFormView::TakeRefusedFocus(const TControl* Control) {
  if (FRefusedFocus != Control)
    return false;
  FRefusedFocus = nullptr;
  return true;
}

TBinding* TFormView::BindingOf(const QWidget* Widget) const {
  for (const QWidget* W = Widget; W; W = W->parentWidget()) {
    const auto It = FByWidget.find(W);
    if (It != FByWidget.end())
      return It->second;
    if (W->isWindow())
      break;
  }
  return nullptr;
}

TControl* TFormView::ControlOf(const QWidget* Widget) const {
  TBinding* B = BindingOf(Widget);
  return B ? B->Control : nullptr;
}

void TFormView::ComponentFreed(Classes::TComponent* Component) {
  if (Component == FRefusedFocus)
    FRefusedFocus = nullptr;
  if (Component == FPressed)
    FPressed = nullptr;
  // Only controls are bound; a component being freed is no longer a whole
  // control, so it is compared by address rather than cast.
  const auto It = std::find_if(FBindings.begin(), FBindings.end(), [&](const auto& Entry) {
    return static_cast<const Classes::TComponent*>(Entry.first) == Component;
  });
  if (It == FBindings.end())
    return;
  if (Component == FForm) {
    // The whole window goes with its form.
    FForm = nullptr;
    FByWidget.clear();
    FBindings.clear();
    if (FWindow) {
      ++FSyncing;
      FWindow->hide();
      --FSyncing;
      FWindow->deleteLater();
    }
    if (FLoop)
      FLoop->exit();
    return;
  }
  DropWidget(*It->second);
}

void TFormView::DropWidget(TBinding& B) {
  QWidget* W = B.Widget;
  if (B.Control != FForm)
    B.Control->RemoveFreeNotification(FNotifier.get());
  // The widgets inside go with this one; forget them.
  for (QWidget* Child : W->findChildren<QWidget*>()) {
    const auto It = FByWidget.find(Child);
    if (It == FByWidget.end())
      continue;
    TControl* C = It->second->Control;
    FByWidget.erase(It);
    C->RemoveFreeNotification(FNotifier.get());
    FBindings.erase(C);
  }
  FByWidget.erase(W);
  FBindings.erase(B.Control);
  FTabOrderDirty = true;
  W->disconnect(this);
  // Hiding it moves Qt's focus, while the model is still taking the control
  // apart: nothing of that goes back to the model.
  ++FSyncing;
  W->hide();
  --FSyncing;
  // The widget may be the one whose signal runs the handler that freed it.
  W->deleteLater();
}

TBinding* TFormView::Bind(TControl* Control, QWidget* ParentWidget) {
  auto B = std::make_unique<TBinding>();
  B->Control = Control;
  B->Binder = &FindBinder(Control);
  B->Widget = B->Binder->Create(*B, ParentWidget);
  B->Widget->setObjectName(Q(Control->GetName()));
  TBinding* Result = B.get();
  FByWidget[B->Widget] = Result;
  FBindings[Control] = std::move(B);
  Control->FreeNotification(FNotifier.get());
  Result->Binder->Connect(*this, *Result);
  FTabOrderDirty = true;
  return Result;
}

void TFormView::Act(const std::function<void()>& Action) {
  if (FSyncing || !FForm)
    return;
  ++FActing;
  Forms::TCustomForm* Form = FForm;
  try {
    Action();
  } catch (const UserInput::EUserInputError&) {
    // The widget showed something the model no longer has; the sync below
    // puts that right.
  } catch (...) {
    try {
      Forms::Application->HandleException(Form);
    } catch (...) {
    }
  }
  AfterAction();
  --FActing;
  if (!FForm && FActing == 0 && !FLoop && OnDisposable)
    OnDisposable(this);
}

void TFormView::AfterAction() {
  try {
    Forms::Application->ProcessMessages();
  } catch (...) {
    try {
      Forms::Application->HandleException(FForm);
    } catch (...) {
    }
  }
  if (!FForm)
    return;
  if (FLoop && FForm->IsModal()) {
    try {
      if (FForm->CloseModalIfRequested())
        FinishModal();
    } catch (...) {
      try {
        Forms::Application->HandleException(FForm);
      } catch (...) {
      }
    }
  }
  if (FForm)
    Sync();
}

void TFormView::FinishModal() {
  if (FLoop)
    FLoop->exit();
}

void TFormView::EndModal() {
  FinishModal();
}

void TFormView::RunModal() {
  if (!FForm || !FWindow)
    return;
  Sync();
  FWindow->setWindowModality(Qt::ApplicationModal);
  ShowWindow();
  QEventLoop Loop;
  FLoop = &Loop;
  Loop.exec(QEventLoop::DialogExec);
  FLoop = nullptr;
  if (FWindow) {
    FWindow->hide();
    FWindow->setWindowModality(Qt::NonModal);
  }
  if (!FForm && FActing == 0 && OnDisposable)
    OnDisposable(this);
}

void TFormView::ShowWindow() {
  if (!FForm || !FWindow)
    return;
  Sync();
  FWindow->show();
  FWindow->raise();
  FWindow->activateWindow();
  SyncFocus();
}

void TFormView::HideWindow() {
  if (FWindow)
    FWindow->hide();
}

// --- model to widgets ------------------------------------------------------

void TFormView::Sync() {
  if (!FForm || !FWindow || FForm->IsDestroying() || FForm->IsLoading())
    return;
  ++FSyncing;
  const ScopeGuard::TFinally Finally([&] { --FSyncing; });
  for (auto& [C, B] : FBindings)
    B->Seen = false;
  TBinding& Top = *FBindings.at(FForm);
  Top.Seen = true;
  SyncControl(Top);
  SyncChildren(FForm, FWindow);
  // A label's buddy may come after it in the form.
  for (auto& [C, B] : FBindings)
    if (B->Seen)
      B->Binder->SyncLate(*this, *B);
  // Controls taken off the form without being freed are hidden until they
  // come back.
  for (auto& [C, B] : FBindings)
    if (!B->Seen)
      B->Widget->hide();
  SyncTabOrder();
  SyncFocus();
}

void TFormView::SyncChildren(TWinControl* Parent, QWidget* ParentWidget) {
  for (int I = 0; I < Parent->ControlCount(); ++I) {
    TControl* C = Parent->Controls(I);
    auto It = FBindings.find(C);
    TBinding* B = It == FBindings.end() ? Bind(C, ParentWidget) : It->second.get();
    if (B->Widget->parentWidget() != ParentWidget) {
      B->Widget->setParent(ParentWidget);
      B->Bounds = Types::TRect{-1, -1, -1, -1};
    }
    B->Seen = true;
    SyncControl(*B);
    if (auto* W = dynamic_cast<TWinControl*>(C))
      SyncChildren(W, B->Widget);
  }
}

void TFormView::SyncControl(TBinding& B) {
  TControl* C = B.Control;
  QWidget* W = B.Widget;

  if (!B.Font || !B.Font->SameAs(*C->GetFont())) {
    if (!B.Font)
      B.Font = std::make_unique<Graphics::TFont>();
    B.Font->Assign(C->GetFont());
    W->setFont(ToQFont(*C->GetFont()));
  }
  const Graphics::TColor FontColor = C->GetFont()->GetColor();
  const Graphics::TColor Color = C->GetColor();
  if (FontColor != B.FontColor || Color != B.Color) {
    B.FontColor = FontColor;
    B.Color = Color;
    QPalette P = W->palette();
    const QPalette App = QApplication::palette(W);
    if (FontColor != Graphics::clWindowText && FontColor != Graphics::clBtnText) {
      const QColor Q = ToQColor(FontColor, App);
      P.setColor(QPalette::WindowText, Q);
      P.setColor(QPalette::Text, Q);
      P.setColor(QPalette::ButtonText, Q);
    }
    if (!C->GetParentColor() && Color != B.Binder->DefaultColor()) {
      const QColor Q = ToQColor(Color, App);
      P.setColor(QPalette::Window, Q);
      P.setColor(QPalette::Base, Q);
      P.setColor(QPalette::Button, Q);
      if (B.Binder->FillsBackground(C))
        W->setAutoFillBackground(true);
    }
    W->setPalette(P);
  }
  if (static_cast<int>(C->GetCursor()) != B.Cursor) {
    B.Cursor = static_cast<int>(C->GetCursor());
    if (B.Cursor == Controls::crDefault)
      W->unsetCursor();
    else
      W->setCursor(ToCursorShape(B.Cursor));
  }
  const QString Tip = C->GetShowHint() ? Q(C->GetHint()) : QString();
  if (W->toolTip() != Tip)
    W->setToolTip(Tip);
  if (W->isEnabled() != C->GetEnabled() && !B.Binder->IsWindow())
    W->setEnabled(C->GetEnabled());

  // A form's window is placed by its binder.
  if (!B.Binder->IsWindow()) {
    const Types::TRect R = C->BoundsRect();
    if (R != B.Bounds) {
      B.Bounds = R;
      W->setGeometry(R.Left, R.Top, std::max(0, R.Width()), std::max(0, R.Height()));
    }
    if (W->isHidden() == C->GetVisible())
      W->setVisible(C->GetVisible());
  }

  auto* WC = dynamic_cast<TWinControl*>(C);
  const Qt::FocusPolicy Policy =
      WC && WC->GetTabStop() ? Qt::StrongFocus : (WC ? Qt::ClickFocus : Qt::NoFocus);

  B.Binder->Sync(*this, B, Policy);
}

void TFormView::SyncTabOrder() {
  std::vector<TWinControl*> Order = FForm->GetTabOrderList();
  if (!FTabOrderDirty && Order == FTabOrder)
    return;
  FTabOrderDirty = false;
  FTabOrder = Order;
  QWidget* Previous = nullptr;
  for (TWinControl* C : Order) {
    QWidget* W = WidgetOf(C);
    if (!W || W->focusPolicy() == Qt::NoFocus)
      continue;
    if (Previous)
      QWidget::setTabOrder(Previous, W);
    Previous = W;
  }
}

void TFormView::SyncFocus() {
  if (!FForm || !FWindow || !FWindow->isVisible() || FFocusDeferred)
    return;
  TWinControl* Focused = FForm->FocusedControl();
  QWidget* Target = nullptr;
  if (Focused) {
    const auto It = FBindings.find(Focused);
    if (It != FBindings.end()) {
      TBinding& B = *It->second;
      Target = B.Binder->FocusTarget(B);
    }
  }
  if (!Target) {
    if (QWidget* F = FWindow->focusWidget(); F && F != FWindow.data())
      F->clearFocus();
    return;
  }
  if (FWindow->focusWidget() != Target || QApplication::focusWidget() != Target) {
    ++FSyncing;
    Target->setFocus(Qt::OtherFocusReason);
    --FSyncing;
  }
}

// --- widgets to model --------------------------------------------------------

bool TFormView::HandleKey(TBinding* B, QKeyEvent* Event) {
  uint16_t Key = 0;
  Classes::TShiftState Shift;
  if (Event->modifiers() & Qt::ShiftModifier)
    Shift.Include(Classes::TShiftStateItem::ssShift);
  if (Event->modifiers() & Qt::ControlModifier)
    Shift.Include(Classes::TShiftStateItem::ssCtrl);
  if (Event->modifiers() & Qt::AltModifier)
    Shift.Include(Classes::TShiftStateItem::ssAlt);
  switch (Event->key()) {
  case Qt::Key_Tab:
    Key = Windows::VK_TAB;
    break;
  case Qt::Key_Backtab:
    Key = Windows::VK_TAB;
    Shift.Include(Classes::TShiftStateItem::ssShift);
    break;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    Key = Windows::VK_RETURN;
    break;
  case Qt::Key_Escape:
    Key = Windows::VK_ESCAPE;
    break;
  default:
    return false;
  }
  TWinControl* Focused = FForm->FocusedControl();
  // What a memo wants it types itself, at the caret.
  if (auto* Memo = dynamic_cast<StdCtrls::TCustomMemo*>(Focused)) {
    if (Key == Windows::VK_RETURN && Memo->GetWantReturns() && !Memo->GetReadOnly())
      return false;
    if (Key == Windows::VK_TAB && Memo->GetWantTabs() && !Memo->GetReadOnly() &&
        !Shift.Contains(Classes::TShiftStateItem::ssShift))
      return false;
  }
  (void)B;
  Act([Form = FForm, Key, Shift] { UserInput::PressKey(Form, Key, Shift); });
  return true;
}

void TFormView::ShowContextMenu(TControl* Control, const QPoint& GlobalPos) {
  Menus::TPopupMenu* Menu = Control->FindPopupMenu();
  if (!Menu)
    return;
  // OnPopup may change the items before they are shown.
  Act([Control, Menu] { Menu->PopupFor(Control); });
  if (!FForm || !FBindings.count(Control) || Control->FindPopupMenu() != Menu)
    return;
  QMenu Popup(FWindow);
  std::map<QAction*, Menus::TMenuItem*> Actions;
  std::function<void(QMenu*, Menus::TMenuItem*)> Add = [&](QMenu* To, Menus::TMenuItem* Parent) {
    for (int I = 0; I < Parent->Count(); ++I) {
      Menus::TMenuItem* Item = Parent->Items(I);
      if (!Item->GetVisible())
        continue;
      if (Item->IsLine()) {
        To->addSeparator();
        continue;
      }
      if (Item->Count() > 0) {
        QMenu* Sub = To->addMenu(QtForms::Q(Item->GetCaption()));
        Sub->setEnabled(Item->GetEnabled());
        Add(Sub, Item);
        continue;
      }
      QAction* A = To->addAction(QtForms::Q(Item->GetCaption()));
      A->setObjectName(QtForms::Q(Item->GetName()));
      A->setEnabled(Item->GetEnabled());
      if (Item->GetChecked() || Item->GetAutoCheck() || Item->GetRadioItem()) {
        A->setCheckable(true);
        A->setChecked(Item->GetChecked());
      }
      if (Item->GetDefault()) {
        QFont F = A->font();
        F.setBold(true);
        A->setFont(F);
      }
      Actions[A] = Item;
    }
  };
  Add(&Popup, Menu->GetItems());
  QAction* Triggered = nullptr;
  connect(&Popup, &QMenu::triggered, this, [&Triggered](QAction* A) { Triggered = A; });
  QAction* Chosen = Popup.exec(GlobalPos);
  if (!Chosen)
    Chosen = Triggered;
  if (!Chosen || !FForm)
    return;
  Menus::TMenuItem* Item = Actions[Chosen];
  // The menu may have lost the item while it was open.
  std::function<bool(Menus::TMenuItem*)> Holds = [&](Menus::TMenuItem* Parent) {
    for (int I = 0; I < Parent->Count(); ++I)
      if (Parent->Items(I) == Item || Holds(Parent->Items(I)))
        return true;
    return false;
  };
  if (!FBindings.count(Control) || Control->FindPopupMenu() != Menu || !Holds(Menu->GetItems()))
    return;
  Act([Item] { UserInput::ClickMenuItem(Item); });
}

bool TFormView::eventFilter(QObject* Watched, QEvent* Event) {
  if (!FForm || !FWindow || FSyncing || !Watched->isWidgetType())
    return false;
  const QEvent::Type Type = Event->type();
  if (Type != QEvent::KeyPress && Type != QEvent::FocusIn && Type != QEvent::ContextMenu &&
      Type != QEvent::MouseButtonPress && Type != QEvent::MouseButtonRelease &&
      Type != QEvent::MouseButtonDblClick && Type != QEvent::Resize && Type != QEvent::Move)
    return false;
  auto* Widget = static_cast<QWidget*>(Watched);
  if (Widget->window() != FWindow.data())
    return false;
  TBinding* B = BindingOf(Widget);
  if (!B)
    return false;
  TControl* C = B->Control;
  switch (Type) {
  case QEvent::KeyPress:
    return HandleKey(B, static_cast<QKeyEvent*>(Event));
  case QEvent::FocusIn: {
    const Qt::FocusReason Reason = static_cast<QFocusEvent*>(Event)->reason();
    if (Reason != Qt::MouseFocusReason && Reason != Qt::ShortcutFocusReason &&
        Reason != Qt::TabFocusReason && Reason != Qt::BacktabFocusReason)
      return false;
    auto* W = dynamic_cast<TWinControl*>(C);
    if (!W || W == FForm)
      return false;
    FRefusedFocus = nullptr;
    if (FForm->FocusedControl() == W)
      return false;
    // Qt is still delivering this event: moving its focus elsewhere now (a
    // handler that keeps the focus where it was) waits until it is over.
    ++FFocusDeferred;
    Act([W] { UserInput::Focus(W); });
    --FFocusDeferred;
    if (FForm && FForm->FocusedControl() != W) {
      FRefusedFocus = W;
      QTimer::singleShot(0, this, [this] { SyncFocus(); });
    }
    return false;
  }
  case QEvent::ContextMenu: {
    Menus::TPopupMenu* Menu = C->FindPopupMenu();
    if (!Menu || !Menu->GetAutoPopup())
      return false;
    ShowContextMenu(C, static_cast<QContextMenuEvent*>(Event)->globalPos());
    return true;
  }
  case QEvent::MouseButtonPress:
    if (B->Binder->HandlesOwnClicks() || Widget != B->Widget)
      return false;
    if (static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton)
      FPressed = C;
    return true;
  case QEvent::MouseButtonRelease: {
    if (B->Binder->HandlesOwnClicks() || Widget != B->Widget)
      return false;
    auto* M = static_cast<QMouseEvent*>(Event);
    if (M->button() == Qt::LeftButton && FPressed == C &&
        Widget->rect().contains(M->position().toPoint())) {
      FPressed = nullptr;
      Act([C] { UserInput::Click(C); });
    }
    return true;
  }
  case QEvent::MouseButtonDblClick:
    if (static_cast<QMouseEvent*>(Event)->button() != Qt::LeftButton)
      return false;
    Act([C] {
      if (UserInput::WhyUnreachable(C).empty())
        C->DblClick();
    });
    return !B->Binder->HandlesOwnClicks();
  case QEvent::Resize:
    if (Widget == FWindow.data() && FWindow->isVisible() && Event->spontaneous()) {
      const QSize S = FWindow->size();
      if (S.width() != FForm->GetClientWidth() || S.height() != FForm->GetClientHeight())
        Act([F = FForm, S] {
          F->SetClientWidth(S.width());
          F->SetClientHeight(S.height());
        });
    }
    return false;
  case QEvent::Move:
    if (Widget == FWindow.data() && FWindow->isVisible() && Event->spontaneous()) {
      const QPoint P = FWindow->frameGeometry().topLeft();
      if (P.x() != FForm->GetLeft() || P.y() != FForm->GetTop())
        Act([F = FForm, P] { F->SetBounds(P.x(), P.y(), F->GetWidth(), F->GetHeight()); });
    }
    return false;
  default:
    return false;
  }
}

} // namespace QtForms
