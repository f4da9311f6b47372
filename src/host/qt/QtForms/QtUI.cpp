// TQtUI: the user interface service on Qt.
#include "host/qt/QtForms.hpp"

#include "vcl/Windows.hpp"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace QtForms {

using Dialogs::TMsgDlgBtn;
using Dialogs::TMsgDlgType;

namespace {

// The file-open dialog, whose name check is the model's: a name the model
// refuses keeps the dialog open with the model's message.
class TOpenFileDialog : public QFileDialog {
public:
  TOpenFileDialog(QWidget* Parent, std::function<std::string(std::string&)> ACheck)
      : QFileDialog(Parent), Check(std::move(ACheck)) {}
  std::string Accepted;

  void accept() override {
    const QStringList Files = selectedFiles();
    if (Files.isEmpty()) {
      QFileDialog::accept();
      return;
    }
    if (QFileInfo(Files.first()).isDir()) {
      // Opens the folder.
      QFileDialog::accept();
      return;
    }
    std::string Path = Files.first().toStdString();
    const std::string Refusal = Check ? Check(Path) : std::string();
    if (!Refusal.empty()) {
      QMessageBox::warning(this, windowTitle(), QString::fromStdString(Refusal));
      return;
    }
    Accepted = Path;
    QFileDialog::accept();
  }

private:
  std::function<std::string(std::string&)> Check;
};

QMessageBox::ButtonRole RoleOf(TMsgDlgBtn Button) {
  switch (Button) {
  case TMsgDlgBtn::mbYes:
  case TMsgDlgBtn::mbYesToAll:
    return QMessageBox::YesRole;
  case TMsgDlgBtn::mbNo:
  case TMsgDlgBtn::mbNoToAll:
    return QMessageBox::NoRole;
  case TMsgDlgBtn::mbCancel:
  case TMsgDlgBtn::mbAbort:
    return QMessageBox::RejectRole;
  default:
    return QMessageBox::AcceptRole;
  }
}

QMessageBox::Icon IconOf(TMsgDlgType Type) {
  switch (Type) {
  case TMsgDlgType::mtWarning:
    return QMessageBox::Warning;
  case TMsgDlgType::mtError:
    return QMessageBox::Critical;
  case TMsgDlgType::mtInformation:
    return QMessageBox::Information;
  case TMsgDlgType::mtConfirmation:
    return QMessageBox::Question;
  default:
    return QMessageBox::NoIcon;
  }
}

// A button's caption with its access key (Alt+N for No), by TMsgDlgBtn.
QString MnemonicCaption(TMsgDlgBtn Button) {
  static constexpr const char* Captions[] = {"&Yes",       "&No",         "OK",      "Cancel",
                                             "&Abort",     "&Retry",      "&Ignore", "&All",
                                             "N&o to All", "Yes to &All", "&Help"};
  const auto I = static_cast<size_t>(Button);
  return I < std::size(Captions) ? QString(Captions[I])
                                 : QString::fromStdString(Dialogs::ButtonCaption(Button));
}

} // namespace

TQtUI* CurrentQtUI() {
  return dynamic_cast<TQtUI*>(UIService::UI());
}

TQtUI::TQtUI() {
  // Forms centred on the screen are centred on this one.
  if (QScreen* S = QGuiApplication::primaryScreen()) {
    const QRect R = S->availableGeometry();
    Forms::Screen->SetSize(R.width(), R.height());
  }
}

TQtUI::~TQtUI() {
  if (FCursorSet)
    QGuiApplication::restoreOverrideCursor();
  FViews.clear();
}

QWidget* TQtUI::DialogParent() const {
  if (QWidget* Modal = QApplication::activeModalWidget())
    return Modal;
  return FMainWindow.data();
}

TFormView* TQtUI::FindView(const Forms::TCustomForm* Form) const {
  const auto It = FViews.find(Form);
  return It == FViews.end() || It->second->Form() != Form ? nullptr : It->second.get();
}

TFormView* TQtUI::ViewOf(Forms::TCustomForm* Form) {
  ForgetFreedViews();
  if (TFormView* V = FindView(Form))
    return V;
  auto View = std::make_unique<TFormView>(Form, DialogParent());
  View->OnDisposable = [this](TFormView* V) {
    // Deleted once the event that freed the form is over.
    for (auto It = FViews.begin(); It != FViews.end(); ++It)
      if (It->second.get() == V) {
        It->second.release()->deleteLater();
        FViews.erase(It);
        return;
      }
  };
  TFormView* Result = View.get();
  FViews[Form] = std::move(View);
  return Result;
}

void TQtUI::ForgetFreedViews() {
  for (auto It = FViews.begin(); It != FViews.end();) {
    TFormView* V = It->second.get();
    if (!V->Form() && !V->InModalLoop()) {
      It->second.release()->deleteLater();
      It = FViews.erase(It);
    } else {
      ++It;
    }
  }
}

void TQtUI::SyncAll() {
  for (auto& [Form, View] : FViews)
    if (View->Form())
      View->Sync();
}

void TQtUI::RunModal(Forms::TCustomForm* Form) {
  SyncAll();
  TFormView* View = ViewOf(Form);
  if (OnModalShown)
    QTimer::singleShot(0, View, [this, View] {
      // A copy: the handler may replace or clear itself while it runs.
      if (const auto Handler = OnModalShown; View->InModalLoop() && Handler)
        Handler(View);
    });
  View->RunModal();
}

void TQtUI::FormShown(Forms::TCustomForm* Form) {
  TFormView* View = ViewOf(Form);
  View->ShowWindow();
  // The model finishes showing (the focus) after telling us.
  QTimer::singleShot(0, View, [View] { View->Sync(); });
}

void TQtUI::FormHidden(Forms::TCustomForm* Form) {
  if (TFormView* View = FindView(Form))
    View->HideWindow();
}

int TQtUI::MessageBox(const UIService::TMessageBoxRequest& Request) {
  SyncAll();
  if (OnMessageBox)
    OnMessageBox(Request);
  if (AnswerMessageBox)
    return AnswerMessageBox(Request);
  QMessageBox Box(DialogParent());
  Box.setWindowTitle(QString::fromStdString(Request.Caption));
  Box.setText(QString::fromStdString(Request.Text));
  Box.setTextFormat(Qt::PlainText);
  Box.setIcon(IconOf(Request.DlgType));
  std::vector<std::pair<QAbstractButton*, TMsgDlgBtn>> Buttons;
  for (unsigned I = 0; I <= static_cast<unsigned>(TMsgDlgBtn::mbYesToAll); ++I) {
    const auto Button = static_cast<TMsgDlgBtn>(I);
    if (!Request.Buttons.Contains(Button))
      continue;
    QPushButton* P = Box.addButton(MnemonicCaption(Button), RoleOf(Button));
    P->setObjectName(QString::fromStdString(Dialogs::ButtonCaption(Button)));
    Buttons.emplace_back(P, Button);
  }
  // No help system answers a Help button here; a box without any other
  // button still needs one that closes it.
  if (Buttons.empty()) {
    QPushButton* P = Box.addButton("OK", QMessageBox::AcceptRole);
    Buttons.emplace_back(P, TMsgDlgBtn::mbOK);
  }
  Box.setDefaultButton(static_cast<QPushButton*>(Buttons.front().first));
  QAbstractButton* Escape = nullptr;
  for (TMsgDlgBtn Preferred : {TMsgDlgBtn::mbCancel, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbOK})
    for (auto& [B, Btn] : Buttons)
      if (!Escape && Btn == Preferred)
        Escape = B;
  if (!Escape && Buttons.size() == 1)
    Escape = Buttons.front().first;
  if (Escape)
    Box.setEscapeButton(Escape);
  Box.exec();
  QAbstractButton* Clicked = Box.clickedButton();
  for (auto& [B, Btn] : Buttons)
    if (B == Clicked)
      return Dialogs::ModalResultOf(Btn);
  // Closed by the window manager without a button that escapes: the
  // cancelling button, else the first.
  for (auto& [B, Btn] : Buttons)
    if (B == Escape)
      return Dialogs::ModalResultOf(Btn);
  return Dialogs::ModalResultOf(Buttons.front().second);
}

bool TQtUI::ExecuteOpenDialog(UIService::TFileDialogRequest& Request) {
  SyncAll();
  TOpenFileDialog Dialog(DialogParent(), Request.Check);
  Dialog.setOption(QFileDialog::DontUseNativeDialog);
  Dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The model decides which names are acceptable.
  Dialog.setFileMode(QFileDialog::AnyFile);
  Dialog.setWindowTitle(QString::fromStdString(Request.Title));
  const QStringList Filters = ToNameFilters(Request.Filter);
  Dialog.setNameFilters(Filters);
  if (Request.FilterIndex >= 1 && Request.FilterIndex <= Filters.size())
    Dialog.selectNameFilter(Filters[Request.FilterIndex - 1]);
  if (!Request.InitialDir.empty())
    Dialog.setDirectory(QString::fromStdString(Request.InitialDir));
  if (!Request.FileName.empty())
    Dialog.selectFile(QString::fromStdString(Request.FileName));
  if (Dialog.exec() != QDialog::Accepted || Dialog.Accepted.empty())
    return false;
  Request.FileName = Dialog.Accepted;
  Request.FilterIndex = static_cast<int>(Filters.indexOf(Dialog.selectedNameFilter())) + 1;
  if (Request.FilterIndex < 1)
    Request.FilterIndex = 1;
  return true;
}

bool TQtUI::IsKeyDown(int VirtualKey) {
  const Qt::KeyboardModifiers M = QGuiApplication::queryKeyboardModifiers();
  switch (VirtualKey) {
  case Windows::VK_MENU:
    return HoldAlt || (M & Qt::AltModifier);
  case Windows::VK_SHIFT:
    return M & Qt::ShiftModifier;
  case Windows::VK_CONTROL:
    return M & Qt::ControlModifier;
  default:
    return false;
  }
}

bool TQtUI::OpenDocument(const std::string& Document) {
  return QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(Document)));
}

Types::TSize TQtUI::MeasureText(const Graphics::TFont& Font, std::string_view Text) {
  if (!qApp)
    return UIService::ApproximateTextExtent(Font, Text);
  const QFontMetrics M(ToQFont(Font));
  const QStringList Lines =
      QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size())).split('\n');
  int Width = 0;
  for (QString Line : Lines) {
    if (Line.endsWith('\r'))
      Line.chop(1);
    Width = std::max(Width, M.horizontalAdvance(Line));
  }
  return {Width, static_cast<int>(Lines.size()) * M.height()};
}

void TQtUI::ShowCursor(int Cursor) {
  if (Cursor == Controls::crDefault) {
    if (FCursorSet)
      QGuiApplication::restoreOverrideCursor();
    FCursorSet = false;
    return;
  }
  const QCursor C(ToCursorShape(Cursor));
  if (FCursorSet) {
    QGuiApplication::changeOverrideCursor(C);
  } else {
    QGuiApplication::setOverrideCursor(C);
    FCursorSet = true;
  }
}

bool TQtUI::EditTextModule(UIService::TTextModuleRequest& Request) {
  if (OnEditTextModule)
    return OnEditTextModule(Request);
  return IUIService::EditTextModule(Request);
}

} // namespace QtForms
