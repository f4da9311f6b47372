// TFormView: one form of the model as a window of widgets, kept in step.
#include "host/qt/QtForms.hpp"

#include "host/qt/QtForms/Widgets.hpp"
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

enum class TKind {
  Form,
  Container,
  PageControl,
  TabSheet,
  GroupBox,
  RadioGroup,
  Panel,
  Label,
  Edit,
  Memo,
  Button,
  CheckBox,
  ComboBox,
  ListBox,
  Image,
  Bevel,
  Graphic
};

struct TFormView::TBinding {
  TControl* Control = nullptr;
  QWidget* Widget = nullptr;
  TKind Kind = TKind::Graphic;
  bool Seen = false;
  // What was applied last, so that a sync only touches what changed.
  std::unique_ptr<Graphics::TFont> Font;
  Graphics::TColor Color = Graphics::clNone;
  Graphics::TColor FontColor = Graphics::clNone;
  int Cursor = 0;
  Types::TRect Bounds{-1, -1, -1, -1};
  std::string Picture;
  std::vector<QRadioButton*> Radios;
  std::vector<ComCtrls::TTabSheet*> Sheets; // the pages behind the tabs
  QLineEdit* ComboEdit = nullptr;           // the combo's edit that is connected
};

namespace {

QString Q(const std::string& S) {
  return QString::fromStdString(S);
}

TKind KindOf(TControl* C) {
  if (dynamic_cast<Forms::TCustomForm*>(C))
    return TKind::Form;
  if (dynamic_cast<ComCtrls::TPageControl*>(C))
    return TKind::PageControl;
  if (dynamic_cast<ComCtrls::TTabSheet*>(C))
    return TKind::TabSheet;
  if (dynamic_cast<ExtCtrls::TCustomRadioGroup*>(C))
    return TKind::RadioGroup;
  if (dynamic_cast<StdCtrls::TCustomGroupBox*>(C))
    return TKind::GroupBox;
  if (dynamic_cast<ExtCtrls::TCustomPanel*>(C))
    return TKind::Panel;
  if (dynamic_cast<StdCtrls::TCustomMemo*>(C))
    return TKind::Memo;
  if (dynamic_cast<StdCtrls::TCustomEdit*>(C))
    return TKind::Edit;
  if (dynamic_cast<StdCtrls::TButton*>(C))
    return TKind::Button;
  if (dynamic_cast<StdCtrls::TCustomCheckBox*>(C))
    return TKind::CheckBox;
  if (dynamic_cast<StdCtrls::TCustomComboBox*>(C))
    return TKind::ComboBox;
  if (dynamic_cast<StdCtrls::TCustomListBox*>(C))
    return TKind::ListBox;
  if (dynamic_cast<StdCtrls::TCustomLabel*>(C))
    return TKind::Label;
  if (dynamic_cast<ExtCtrls::TImage*>(C))
    return TKind::Image;
  if (dynamic_cast<ExtCtrls::TBevel*>(C))
    return TKind::Bevel;
  if (dynamic_cast<TWinControl*>(C))
    return TKind::Container;
  return TKind::Graphic;
}

// Widgets that turn a person's clicks into the model's input themselves
// (signals); a click on the others is the control's OnClick.
bool HandlesOwnClicks(TKind Kind) {
  switch (Kind) {
  case TKind::Button:
  case TKind::CheckBox:
  case TKind::RadioGroup:
  case TKind::Edit:
  case TKind::Memo:
  case TKind::ComboBox:
  case TKind::ListBox:
  case TKind::PageControl:
    return true;
  default:
    return false;
  }
}

// The colour a control of the kind has when nobody chose one: left to the
// style, so that the window looks like the desktop's.
Graphics::TColor DefaultColor(TKind Kind) {
  switch (Kind) {
  case TKind::Edit:
  case TKind::Memo:
  case TKind::ComboBox:
  case TKind::ListBox:
    return Graphics::clWindow;
  default:
    return Graphics::clBtnFace;
  }
}

Qt::Alignment ToQAlignment(TAlignment A) {
  switch (A) {
  case TAlignment::taRightJustify:
    return Qt::AlignRight;
  case TAlignment::taCenter:
    return Qt::AlignHCenter;
  default:
    return Qt::AlignLeft;
  }
}

int BevelCut(ExtCtrls::TBevelCut Cut) {
  return static_cast<int>(Cut);
}

// Sets the text of a line edit without moving the caret of a person typing
// when only the case or the length changed.
void SetLineText(QLineEdit* E, const QString& Text) {
  if (E->text() == Text)
    return;
  const int Pos = E->cursorPosition();
  E->setText(Text);
  E->setCursorPosition(std::min(Pos, static_cast<int>(Text.size())));
}

// Whether the model's lines of Text are the model's text Lines.
bool SameLines(const QString& Text, const std::string& Lines) {
  Classes::TStringList L;
  L.SetText(Text.toStdString());
  std::string Joined;
  for (int I = 0; I < L.Count(); ++I)
    Joined += (I > 0 ? SysUtils::sLineBreak : std::string()) + L.Get(I);
  return Joined == Lines;
}

} // namespace

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
  B->Kind = TKind::Form;
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

TFormView::TBinding* TFormView::BindingOf(const QWidget* Widget) const {
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

TFormView::TBinding* TFormView::Bind(TControl* Control, QWidget* ParentWidget) {
  auto B = std::make_unique<TBinding>();
  B->Control = Control;
  B->Kind = KindOf(Control);
  B->Widget = CreateWidget(Control, ParentWidget, *B);
  B->Widget->setObjectName(Q(Control->GetName()));
  TBinding* Result = B.get();
  FByWidget[B->Widget] = Result;
  FBindings[Control] = std::move(B);
  Control->FreeNotification(FNotifier.get());
  Connect(*Result);
  FTabOrderDirty = true;
  return Result;
}

QWidget* TFormView::CreateWidget(TControl* Control, QWidget* Parent, TBinding& B) {
  QWidget* W = nullptr;
  switch (B.Kind) {
  case TKind::PageControl: {
    auto* P = new TPageWidget(Parent);
    W = P;
    break;
  }
  case TKind::GroupBox:
  case TKind::RadioGroup:
    W = new QGroupBox(Parent);
    break;
  case TKind::Panel: {
    auto* P = new TPanelWidget(Parent);
    P->setAutoFillBackground(true);
    W = P;
    break;
  }
  case TKind::Label:
  case TKind::Image:
    W = new QLabel(Parent);
    break;
  case TKind::Edit:
    W = new QLineEdit(Parent);
    break;
  case TKind::Memo: {
    auto* M = new QPlainTextEdit(Parent);
    W = M;
    break;
  }
  case TKind::Button:
    W = new QPushButton(Parent);
    break;
  case TKind::CheckBox:
    W = new QCheckBox(Parent);
    break;
  case TKind::ComboBox:
    W = new TComboWidget(Parent);
    break;
  case TKind::ListBox:
    W = new QListWidget(Parent);
    break;
  case TKind::Bevel:
    W = new TBevelWidget(Parent);
    break;
  default:
    W = new QWidget(Parent);
    break;
  }
  (void)Control;
  return W;
}

void TFormView::Connect(TBinding& B) {
  TControl* C = B.Control;
  switch (B.Kind) {
  case TKind::Button:
  case TKind::CheckBox:
    connect(static_cast<QAbstractButton*>(B.Widget), &QAbstractButton::clicked, this, [this, C] {
      if (FSyncing)
        return;
      // A focus change that a handler refused takes the click with it.
      if (FRefusedFocus == C) {
        FRefusedFocus = nullptr;
        return;
      }
      Act([C] { UserInput::Click(C); });
    });
    break;
  case TKind::Edit:
    connect(static_cast<QLineEdit*>(B.Widget), &QLineEdit::textEdited, this,
            [this, C](const QString& Text) {
              Act([C, T = Text.toStdString()] {
                UserInput::TypeText(static_cast<TWinControl*>(C), T);
              });
            });
    break;
  case TKind::Memo:
    connect(static_cast<QPlainTextEdit*>(B.Widget), &QPlainTextEdit::textChanged, this,
            [this, C, M = static_cast<QPlainTextEdit*>(B.Widget)] {
              if (FSyncing)
                return;
              Act([C, T = M->toPlainText().toStdString()] {
                UserInput::TypeText(static_cast<TWinControl*>(C), T);
              });
            });
    break;
  case TKind::ComboBox: {
    auto* Combo = static_cast<TComboWidget*>(B.Widget);
    connect(Combo, &QComboBox::activated, this,
            [this, C](int Index) { Act([C, Index] { UserInput::ChooseItem(C, Index); }); });
    auto* Model = static_cast<StdCtrls::TCustomComboBox*>(C);
    Combo->OnDropDown = [this, Model] {
      Act([Model] {
        if (Model->OnDropDown)
          Model->OnDropDown(Model);
      });
    };
    Combo->OnCloseUp = [this, Model] {
      // The popup closes on its own after a choice; the model hears of it
      // when the current event is over.
      QTimer::singleShot(0, this, [this, Model] {
        if (FBindings.count(Model))
          Act([Model] {
            if (Model->OnCloseUp)
              Model->OnCloseUp(Model);
          });
      });
    };
    break;
  }
  case TKind::ListBox:
    connect(static_cast<QListWidget*>(B.Widget), &QListWidget::itemSelectionChanged, this,
            [this, C, L = static_cast<QListWidget*>(B.Widget)] {
              if (FSyncing)
                return;
              auto* List = static_cast<StdCtrls::TCustomListBox*>(C);
              std::vector<int> Rows;
              for (int I = 0; I < L->count(); ++I)
                if (L->item(I)->isSelected())
                  Rows.push_back(I);
              const int Current = L->currentRow();
              Act([List, Rows, Current]() mutable {
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
                // The item with the focus rectangle goes last: it becomes
                // the list's ItemIndex.
                const auto It = std::find(Rows.begin(), Rows.end(), Current);
                if (It != Rows.end())
                  std::rotate(It, It + 1, Rows.end());
                UserInput::SelectItems(List, Rows);
              });
            });
    break;
  case TKind::PageControl: {
    auto* P = static_cast<TPageWidget*>(B.Widget);
    connect(P->Tabs(), &QTabBar::currentChanged, this, [this, C](int Index) {
      if (FSyncing)
        return;
      const auto It = FBindings.find(C);
      if (It == FBindings.end() || Index < 0 ||
          Index >= static_cast<int>(It->second->Sheets.size()))
        return;
      ComCtrls::TTabSheet* Sheet = It->second->Sheets[static_cast<size_t>(Index)];
      Act([Sheet] { UserInput::ShowPage(Sheet); });
    });
    break;
  }
  default:
    break;
  }
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
  try {
    for (auto& [C, B] : FBindings)
      B->Seen = false;
    TBinding& Top = *FBindings.at(FForm);
    Top.Seen = true;
    SyncControl(Top);
    SyncChildren(FForm, FWindow);
    // A label's buddy may come after it in the form.
    for (auto& [C, B] : FBindings)
      if (B->Kind == TKind::Label && B->Seen)
        SyncLabel(*B);
    // Controls taken off the form without being freed are hidden until they
    // come back.
    for (auto& [C, B] : FBindings)
      if (!B->Seen)
        B->Widget->hide();
    SyncTabOrder();
    SyncFocus();
  } catch (...) {
    --FSyncing;
    throw;
  }
  --FSyncing;
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
    if (!C->GetParentColor() && Color != DefaultColor(B.Kind)) {
      const QColor Q = ToQColor(Color, App);
      P.setColor(QPalette::Window, Q);
      P.setColor(QPalette::Base, Q);
      P.setColor(QPalette::Button, Q);
      if (B.Kind != TKind::Label || !static_cast<StdCtrls::TCustomLabel*>(C)->GetTransparent())
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
  if (W->isEnabled() != C->GetEnabled() && B.Kind != TKind::Form)
    W->setEnabled(C->GetEnabled());

  const Types::TRect R = C->BoundsRect();
  if (B.Kind == TKind::Form) {
    auto* F = static_cast<Forms::TCustomForm*>(C);
    const QString Title = Q(F->GetCaption());
    if (W->windowTitle() != Title)
      W->setWindowTitle(Title);
    W->setEnabled(F->GetEnabled());
    if (R != B.Bounds) {
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
  } else {
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

  switch (B.Kind) {
  case TKind::Label:
    SyncLabel(B);
    break;
  case TKind::Edit: {
    auto* E = static_cast<StdCtrls::TCustomEdit*>(C);
    auto* Q = static_cast<QLineEdit*>(W);
    SetLineText(Q, QtForms::Q(E->GetText()));
    Q->setReadOnly(E->GetReadOnly());
    Q->setMaxLength(E->GetMaxLength() > 0 ? E->GetMaxLength() : 32767);
    Q->setEchoMode(E->GetPasswordChar() ? QLineEdit::Password : QLineEdit::Normal);
    Q->setFrame(E->GetBorderStyle() == Forms::TBorderStyle::bsSingle);
    Q->setFocusPolicy(Policy);
    break;
  }
  case TKind::Memo: {
    auto* M = static_cast<StdCtrls::TCustomMemo*>(C);
    auto* Q = static_cast<QPlainTextEdit*>(W);
    const QString Text = QtForms::Q(M->GetText());
    // The model keeps lines, so a text that ends in a line break (the
    // person has just pressed Enter) is the same text to it.
    if (Q->toPlainText() != Text && !SameLines(Q->toPlainText(), M->GetText())) {
      const int Pos = Q->textCursor().position();
      Q->setPlainText(Text);
      QTextCursor Cursor = Q->textCursor();
      Cursor.setPosition(std::min(Pos, static_cast<int>(Text.size())));
      Q->setTextCursor(Cursor);
    }
    Q->setReadOnly(M->GetReadOnly());
    const StdCtrls::TScrollStyle S = M->GetScrollBars();
    const bool Horz =
        S == StdCtrls::TScrollStyle::ssHorizontal || S == StdCtrls::TScrollStyle::ssBoth;
    const bool Vert =
        S == StdCtrls::TScrollStyle::ssVertical || S == StdCtrls::TScrollStyle::ssBoth;
    // A horizontal scroll bar means the lines are not wrapped, as the
    // platform's memos do.
    Q->setLineWrapMode(M->GetWordWrap() && !Horz ? QPlainTextEdit::WidgetWidth
                                                 : QPlainTextEdit::NoWrap);
    Q->setHorizontalScrollBarPolicy(Horz ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    Q->setVerticalScrollBarPolicy(Vert ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    Q->setTabChangesFocus(!M->GetWantTabs());
    Q->setFocusPolicy(Policy);
    break;
  }
  case TKind::Button: {
    auto* Btn = static_cast<StdCtrls::TButton*>(C);
    auto* Q = static_cast<QPushButton*>(W);
    const QString Text = QtForms::Q(Btn->GetCaption());
    if (Q->text() != Text)
      Q->setText(Text);
    Q->setAutoDefault(false);
    Q->setDefault(Btn->GetDefault());
    Q->setFocusPolicy(Policy);
    break;
  }
  case TKind::CheckBox: {
    auto* Check = static_cast<StdCtrls::TCustomCheckBox*>(C);
    auto* Q = static_cast<QCheckBox*>(W);
    const QString Text = QtForms::Q(Check->GetCaption());
    if (Q->text() != Text)
      Q->setText(Text);
    Q->setTristate(Check->GetAllowGrayed());
    const Qt::CheckState State =
        Check->GetState() == StdCtrls::TCheckBoxState::cbChecked  ? Qt::Checked
        : Check->GetState() == StdCtrls::TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                                  : Qt::Unchecked;
    if (Q->checkState() != State)
      Q->setCheckState(State);
    Q->setLayoutDirection(Check->GetAlignment() == TAlignment::taLeftJustify ? Qt::RightToLeft
                                                                             : Qt::LeftToRight);
    Q->setFocusPolicy(Policy);
    break;
  }
  case TKind::ComboBox: {
    auto* Combo = static_cast<StdCtrls::TCustomComboBox*>(C);
    auto* Q = static_cast<TComboWidget*>(W);
    const bool Editable = Combo->GetStyle() != StdCtrls::TComboBoxStyle::csDropDownList;
    if (Q->isEditable() != Editable)
      Q->setEditable(Editable);
    Classes::TStrings* Items = Combo->GetItems();
    const int N = Items->Count();
    while (Q->count() > N)
      Q->removeItem(Q->count() - 1);
    for (int I = 0; I < N; ++I) {
      const QString S = QtForms::Q(Items->Get(I));
      if (I < Q->count()) {
        if (Q->itemText(I) != S)
          Q->setItemText(I, S);
      } else {
        Q->addItem(S);
      }
    }
    Q->setMaxVisibleItems(std::max(1, Combo->GetDropDownCount()));
    if (Q->currentIndex() != Combo->GetItemIndex())
      Q->setCurrentIndex(Combo->GetItemIndex());
    if (Editable) {
      QLineEdit* E = Q->lineEdit();
      if (E != B.ComboEdit) {
        B.ComboEdit = E;
        connect(E, &QLineEdit::textEdited, this, [this, C](const QString& Text) {
          Act([C, T = Text.toStdString()] {
            UserInput::TypeText(static_cast<TWinControl*>(C), T);
          });
        });
      }
      E->setMaxLength(Combo->GetMaxLength() > 0 ? Combo->GetMaxLength() : 32767);
      SetLineText(E, QtForms::Q(Combo->GetText()));
    } else {
      B.ComboEdit = nullptr;
    }
    Q->setFocusPolicy(Policy);
    break;
  }
  case TKind::ListBox: {
    auto* List = static_cast<StdCtrls::TCustomListBox*>(C);
    auto* Q = static_cast<QListWidget*>(W);
    const QAbstractItemView::SelectionMode Mode =
        !List->GetMultiSelect()     ? QAbstractItemView::SingleSelection
        : List->GetExtendedSelect() ? QAbstractItemView::ExtendedSelection
                                    : QAbstractItemView::MultiSelection;
    if (Q->selectionMode() != Mode)
      Q->setSelectionMode(Mode);
    Classes::TStrings* Items = List->GetItems();
    const int N = Items->Count();
    while (Q->count() > N)
      delete Q->takeItem(Q->count() - 1);
    const int Extent = List->HorizontalExtent();
    const QSize ItemSize(Extent, QFontMetrics(Q->font()).height() + 2);
    for (int I = 0; I < N; ++I) {
      const QString S = QtForms::Q(Items->Get(I));
      QListWidgetItem* Item = I < Q->count() ? Q->item(I) : nullptr;
      if (!Item) {
        Item = new QListWidgetItem(S, Q);
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
    if (Q->currentRow() != List->GetItemIndex())
      Q->setCurrentRow(List->GetItemIndex(), QItemSelectionModel::NoUpdate);
    Q->setHorizontalScrollBarPolicy(Extent > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    Q->setFrameShape(List->GetBorderStyle() == Forms::TBorderStyle::bsSingle ? QFrame::StyledPanel
                                                                             : QFrame::NoFrame);
    Q->setFocusPolicy(Policy);
    break;
  }
  case TKind::GroupBox: {
    auto* Q = static_cast<QGroupBox*>(W);
    const QString Text = QtForms::Q(C->GetCaption());
    if (Q->title() != Text)
      Q->setTitle(Text);
    break;
  }
  case TKind::RadioGroup: {
    auto* Group = static_cast<ExtCtrls::TCustomRadioGroup*>(C);
    auto* Q = static_cast<QGroupBox*>(W);
    const QString Text = QtForms::Q(Group->GetCaption());
    if (Q->title() != Text)
      Q->setTitle(Text);
    Classes::TStrings* Items = Group->GetItems();
    const int N = Items->Count();
    while (static_cast<int>(B.Radios.size()) > N) {
      delete B.Radios.back();
      B.Radios.pop_back();
    }
    while (static_cast<int>(B.Radios.size()) < N) {
      auto* Radio = new QRadioButton(Q);
      const int Index = static_cast<int>(B.Radios.size());
      Radio->setAutoExclusive(false);
      Radio->setObjectName(QString("%1_%2").arg(Q->objectName()).arg(Index));
      connect(Radio, &QRadioButton::clicked, this, [this, C, Index] {
        if (FSyncing)
          return;
        Act([C, Index] { UserInput::ChooseItem(C, Index); });
      });
      Radio->show();
      B.Radios.push_back(Radio);
    }
    // The buttons fill the columns top down, as the platform arranges them.
    if (N > 0) {
      const int Columns = std::max(1, Group->GetColumns());
      const int PerColumn = (N + Columns - 1) / Columns;
      const int ButtonWidth = (C->GetWidth() - 10) / Columns;
      const int FontHeight = QFontMetrics(Q->font()).height();
      const int Space = C->GetHeight() - FontHeight - 5;
      const int ButtonHeight = std::max(1, Space / PerColumn);
      const int TopMargin = FontHeight + 1 + (Space % PerColumn) / 2;
      for (int I = 0; I < N; ++I) {
        QRadioButton* Radio = B.Radios[static_cast<size_t>(I)];
        const QString S = QtForms::Q(Items->Get(I));
        if (Radio->text() != S)
          Radio->setText(S);
        Radio->setGeometry((I / PerColumn) * ButtonWidth + 8,
                           (I % PerColumn) * ButtonHeight + TopMargin, ButtonWidth, ButtonHeight);
        Radio->setChecked(I == Group->GetItemIndex());
        Radio->setFocusPolicy(Policy);
      }
    }
    break;
  }
  case TKind::Panel: {
    auto* P = static_cast<ExtCtrls::TCustomPanel*>(C);
    static_cast<TPanelWidget*>(W)->SetLook(
        BevelCut(P->GetBevelOuter()), BevelCut(P->GetBevelInner()), P->GetBevelWidth(),
        P->GetBorderStyle() == Forms::TBorderStyle::bsSingle, QtForms::Q(P->GetCaption()),
        ToQAlignment(P->GetAlignment()));
    break;
  }
  case TKind::Bevel: {
    auto* Bevel = static_cast<ExtCtrls::TBevel*>(C);
    static_cast<TBevelWidget*>(W)->SetLook(static_cast<int>(Bevel->GetShape()),
                                           Bevel->GetStyle() == ExtCtrls::TBevelStyle::bsRaised);
    break;
  }
  case TKind::Image: {
    auto* Image = static_cast<ExtCtrls::TImage*>(C);
    auto* Q = static_cast<QLabel*>(W);
    auto* Bitmap = dynamic_cast<Graphics::TBitmap*>(Image->GetPicture()->GetGraphic());
    const std::string& Bytes = Bitmap ? Bitmap->FileBytes() : std::string();
    if (Bytes != B.Picture) {
      B.Picture = Bytes;
      Q->setPixmap(Bitmap ? QPixmap::fromImage(ToQImage(*Bitmap)) : QPixmap());
    }
    Q->setScaledContents(Image->GetStretch());
    Q->setAlignment(Image->GetCenter() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
    break;
  }
  case TKind::PageControl: {
    auto* Pages = static_cast<ComCtrls::TPageControl*>(C);
    auto* P = static_cast<TPageWidget*>(W);
    QTabBar* Tabs = P->Tabs();
    QTabBar::Shape Shape = QTabBar::RoundedNorth;
    switch (Pages->GetTabPosition()) {
    case ComCtrls::TTabPosition::tpBottom:
      Shape = QTabBar::RoundedSouth;
      break;
    case ComCtrls::TTabPosition::tpLeft:
      Shape = QTabBar::RoundedWest;
      break;
    case ComCtrls::TTabPosition::tpRight:
      Shape = QTabBar::RoundedEast;
      break;
    default:
      break;
    }
    if (Tabs->shape() != Shape)
      Tabs->setShape(Shape);
    std::vector<ComCtrls::TTabSheet*> Sheets;
    for (int I = 0; I < Pages->PageCount(); ++I)
      Sheets.push_back(Pages->Pages(I));
    if (Sheets != B.Sheets) {
      B.Sheets = Sheets;
      while (Tabs->count() > 0)
        Tabs->removeTab(Tabs->count() - 1);
      for (ComCtrls::TTabSheet* Sheet : Sheets)
        Tabs->addTab(QtForms::Q(Sheet->GetCaption()));
    }
    for (size_t I = 0; I < Sheets.size(); ++I) {
      const int Index = static_cast<int>(I);
      const QString S = QtForms::Q(Sheets[I]->GetCaption());
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
    break;
  }
  default:
    if (B.Kind != TKind::Form)
      W->setFocusPolicy(Qt::NoFocus);
    break;
  }
}

void TFormView::SyncLabel(TBinding& B) {
  auto* L = static_cast<StdCtrls::TCustomLabel*>(B.Control);
  auto* Q = static_cast<QLabel*>(B.Widget);
  QWidget* Buddy =
      L->GetShowAccelChar() && L->GetFocusControl() ? WidgetOf(L->GetFocusControl()) : nullptr;
  // With a buddy Qt shows and handles the accelerator itself.
  const QString Text = Buddy ? QtForms::Q(L->GetCaption()) : QtForms::Q(L->DisplayText());
  Q->setTextFormat(Qt::PlainText);
  if (Q->text() != Text)
    Q->setText(Text);
  if (Q->buddy() != Buddy)
    Q->setBuddy(Buddy);
  Qt::Alignment A = ToQAlignment(L->GetAlignment());
  switch (L->GetLayout()) {
  case StdCtrls::TTextLayout::tlCenter:
    A |= Qt::AlignVCenter;
    break;
  case StdCtrls::TTextLayout::tlBottom:
    A |= Qt::AlignBottom;
    break;
  default:
    A |= Qt::AlignTop;
    break;
  }
  if (Q->alignment() != A)
    Q->setAlignment(A);
  if (Q->wordWrap() != L->GetWordWrap())
    Q->setWordWrap(L->GetWordWrap());
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
      Target = B.Widget;
      if (B.Kind == TKind::RadioGroup && !B.Radios.empty()) {
        const int I = static_cast<ExtCtrls::TCustomRadioGroup*>(Focused)->GetItemIndex();
        Target =
            B.Radios[static_cast<size_t>(I >= 0 && I < static_cast<int>(B.Radios.size()) ? I : 0)];
      } else if (B.Kind == TKind::PageControl) {
        Target = static_cast<TPageWidget*>(B.Widget)->Tabs();
      }
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
    if (HandlesOwnClicks(B->Kind) || Widget != B->Widget)
      return false;
    if (static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton)
      FPressed = C;
    return true;
  case QEvent::MouseButtonRelease: {
    if (HandlesOwnClicks(B->Kind) || Widget != B->Widget)
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
    return !HandlesOwnClicks(B->Kind);
  case QEvent::Resize:
    if (B->Kind == TKind::Form && Widget == FWindow.data() && FWindow->isVisible() &&
        Event->spontaneous()) {
      const QSize S = FWindow->size();
      if (S.width() != FForm->GetClientWidth() || S.height() != FForm->GetClientHeight())
        Act([F = FForm, S] {
          F->SetClientWidth(S.width());
          F->SetClientHeight(S.height());
        });
    }
    return false;
  case QEvent::Move:
    if (B->Kind == TKind::Form && Widget == FWindow.data() && FWindow->isVisible() &&
        Event->spontaneous()) {
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
