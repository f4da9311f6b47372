// TDesignerWindow: documents, selection, design actions, undo, the menus and
// the title.
#include "host/qt/QtDesigner.hpp"

#include "designide/DesignEditors.hpp"
#include "rtl/Registry.hpp"
#include "rtl/ScopeGuard.hpp"
#include "rtl/SysUtils.hpp"
#include "vcl/Dialogs.hpp"
#include "vcl/Menus.hpp"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace QtDesigner {

using SysUtils::Format;

namespace {

constexpr const char* RecentKey = "\\Software\\Orvane\\Designer\\Recent Files";
constexpr int MaxRecent = 8;
constexpr const char* DesignFilter = "Design files (*.dfm)|*.dfm|All files|*.*";

QString Q(const std::string& S) {
  return QString::fromStdString(S);
}

std::string DisplayName(const std::string& FileName) {
  return FileName.empty() ? std::string("Untitled") : SysUtils::ExtractFileName(FileName);
}

// The names of the components among Selection.
DesignDocument::TNames ComponentNames(const std::vector<TPersistent*>& Selection) {
  DesignDocument::TNames Names;
  for (TPersistent* P : Selection)
    if (auto* C = dynamic_cast<TComponent*>(P))
      Names.push_back(C->GetName());
  return Names;
}

// Shows what an action let through, as the application shows errors.
void ShowError() {
  try {
    Forms::Application->HandleException(nullptr);
  } catch (...) {
  }
}

} // namespace

// Hears of every component of the design that is freed, so that nothing
// the views hold outlives it.
class TDesignerWindow::TWatcher : public Classes::TComponent {
public:
  explicit TWatcher(TDesignerWindow* AWindow) : TComponent(nullptr), FWindow(AWindow) {}
  void Watch(TComponent* Root) {
    Root->FreeNotification(this);
    for (int I = 0; I < Root->ComponentCount(); ++I)
      Root->Components(I)->FreeNotification(this);
  }

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == Classes::TOperation::opRemove)
      FWindow->ComponentFreed(AComponent);
  }

private:
  TDesignerWindow* FWindow;
};

TDesignerWindow::TDesignerWindow(TDesignerOptions Options)
    : FOptions(std::move(Options)), FUI(QtForms::CurrentQtUI()), FPictures(FOptions.PackageFile) {
  if (!FUI) {
    FOwnUI = std::make_unique<QtForms::TQtUI>();
    FUIScope = std::make_unique<UIService::TUIServiceScope>(FOwnUI.get());
    FUI = FOwnUI.get();
  }
  FUI->SetMainWindow(this);
  FUI->OnEditTextModule = [this](UIService::TTextModuleRequest& R) { return OpenTextModule(R); };
  setObjectName("DesignerWindow");
  resize(1100, 720);

  FPalette = new TPalette(FPictures, this);
  FPalette->setObjectName("Palette");
  FPalette->Rebuild();
  auto* PaletteDock = new QDockWidget("Component Palette", this);
  PaletteDock->setObjectName("PaletteDock");
  PaletteDock->setWidget(FPalette);
  PaletteDock->setFeatures(QDockWidget::NoDockWidgetFeatures);
  PaletteDock->setTitleBarWidget(new QWidget(PaletteDock));
  addDockWidget(Qt::TopDockWidgetArea, PaletteDock);

  FTreeView = new TObjectTreeView(this);
  auto* TreeDock = new QDockWidget("Object TreeView", this);
  TreeDock->setObjectName("TreeDock");
  TreeDock->setWidget(FTreeView);
  addDockWidget(Qt::LeftDockWidgetArea, TreeDock);

  FInspectorView = new TInspectorView(this);
  auto* InspectorDock = new QDockWidget("Object Inspector", this);
  InspectorDock->setObjectName("InspectorDock");
  InspectorDock->setWidget(FInspectorView);
  addDockWidget(Qt::LeftDockWidgetArea, InspectorDock);
  resizeDocks({TreeDock, InspectorDock}, {300, 300}, Qt::Horizontal);
  resizeDocks({TreeDock, InspectorDock}, {220, 420}, Qt::Vertical);

  FTabs = new QTabWidget(this);
  FTabs->setObjectName("Tabs");
  FTabs->setDocumentMode(true);
  FTabs->setTabsClosable(true);
  FSurface = new TDesignSurface(this);
  FSurfaceArea = new QScrollArea(FTabs);
  FSurfaceArea->setObjectName("SurfaceArea");
  FSurfaceArea->setWidget(FSurface);
  FSurfaceArea->setBackgroundRole(QPalette::Dark);
  FTabs->addTab(FSurfaceArea, "Design");
  // The design itself cannot be closed, only its modules.
  FTabs->tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);
  FTabs->tabBar()->setTabButton(0, QTabBar::LeftSide, nullptr);
  connect(FTabs, &QTabWidget::tabCloseRequested, this, [this](int I) { CloseModuleTab(I); });
  setCentralWidget(FTabs);

  FStatus = new QLabel(this);
  FStatus->setObjectName("StatusText");
  statusBar()->addWidget(FStatus, 1);
  BuildMenus();
  NewDocument();
}

TDesignerWindow::~TDesignerWindow() {
  FModuleTabs.clear();
  DropDocument();
  if (FUI) {
    FUI->OnEditTextModule = nullptr;
    FUI->SetMainWindow(nullptr);
  }
}

// --- menus ---------------------------------------------------------------------

void TDesignerWindow::BuildMenus() {
  QMenu* File = menuBar()->addMenu("&File");
  File->setObjectName("FileMenu");
  QAction* A = File->addAction("&New", this, [this] { NewDocument(); });
  A->setObjectName("actNew");
  A->setShortcut(QKeySequence::New);
  A = File->addAction("&Open...", this, [this] { OpenAsked(); });
  A->setObjectName("actOpen");
  A->setShortcut(QKeySequence::Open);
  FRecentMenu = File->addMenu("Open &Recent");
  FRecentMenu->setObjectName("RecentMenu");
  connect(FRecentMenu, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
  File->addSeparator();
  A = File->addAction("&Save", this, [this] {
    const int I = FTabs->currentIndex();
    if (TabAt(I))
      SaveModuleTab(I);
    else
      Save();
  });
  A->setObjectName("actSave");
  A->setShortcut(QKeySequence::Save);
  A = File->addAction("Save &As...", this, [this] { SaveAsAsked(); });
  A->setObjectName("actSaveAs");
  A->setShortcut(QKeySequence::SaveAs);
  File->addSeparator();
  A = File->addAction("E&xit", this, [this] { close(); });
  A->setObjectName("actExit");
  A->setShortcut(QKeySequence::Quit);

  QMenu* Edit = menuBar()->addMenu("&Edit");
  Edit->setObjectName("EditMenu");
  FUndoAction = Edit->addAction("&Undo", this, [this] { Undo(); });
  FUndoAction->setObjectName("actUndo");
  FUndoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  FRedoAction = Edit->addAction("&Redo", this, [this] { Redo(); });
  FRedoAction->setObjectName("actRedo");
  FRedoAction->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  Edit->addSeparator();
  A = Edit->addAction("Cu&t", this, [this] { CutSelection(); });
  A->setObjectName("actCut");
  A->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  A = Edit->addAction("&Copy", this, [this] { CopySelection(); });
  A->setObjectName("actCopy");
  A->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  A = Edit->addAction("&Paste", this, [this] { PasteFromClipboard(); });
  A->setObjectName("actPaste");
  A->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  Edit->addSeparator();
  A = Edit->addAction("&Delete", this, [this] { DeleteSelection(); });
  A->setObjectName("actDelete");
  A->setShortcut(QKeySequence(Qt::Key_Delete));
  A = Edit->addAction("&Rename...", this, [this] {
    if (FSelection.size() != 1)
      return;
    auto* C = dynamic_cast<TComponent*>(FSelection.front());
    if (!C || C == Root())
      return;
    bool Ok = false;
    const QString Name =
        QInputDialog::getText(this, "Rename", "New name:", QLineEdit::Normal, Q(C->GetName()), &Ok);
    if (Ok)
      RenameComponent(C, Name.toStdString());
  });
  A->setObjectName("actRename");
  A->setShortcut(Qt::Key_F2);
  A = Edit->addAction("Select &All", this, [this] {
    std::vector<TPersistent*> All;
    if (TComponent* R = Root())
      for (int I = 0; I < R->ComponentCount(); ++I)
        All.push_back(R->Components(I));
    Select(All);
  });
  A->setObjectName("actSelectAll");

  QMenu* View = menuBar()->addMenu("&View");
  A = View->addAction("Properties by &Category", this,
                      [this] { FInspectorView->SetByCategory(!FInspectorView->ByCategory()); });
  A->setObjectName("actByCategory");
  A->setCheckable(true);
  A->setChecked(true);
}

// --- documents -------------------------------------------------------------------

TComponent* TDesignerWindow::Root() const {
  return FDocument ? FDocument->Root() : nullptr;
}

void TDesignerWindow::DropDocument() {
  FInspectorView->Detach();
  FTreeView->Detach();
  FInspector.reset();
  FTreeModel.reset();
  FSelection.clear();
  if (FDesigner)
    FDesigner->OnModified = nullptr;
  FDesigner.Reset();
  FWatcher.reset();
  FDocument.reset();
  FFileName.clear();
  FModified = false;
}

void TDesignerWindow::Adopt(std::unique_ptr<DesignDocument::TDesignDocument> Document,
                            const std::string& Name) {
  DropDocument();
  FDocument = std::move(Document);
  FFileName = Name;
  FDesigner = System::TInterfaceRef<DesignIntf::TDesigner>(new DesignIntf::TDesigner(Root()));
  FDesigner->OnModified = [this] { DesignModified(); };
  FDocument->OnGetSelection = [this] { return SelectedNames(); };
  FDocument->OnSetSelection = [this](const DesignDocument::TNames& Names) {
    std::vector<TPersistent*> Chosen;
    for (const std::string& N : Names)
      if (TComponent* C = FDesigner->GetComponent(N); C && C != Root())
        Chosen.push_back(C);
    FDesigner->SetSelections(Chosen);
  };
  FWatcher = std::make_unique<TWatcher>(this);
  FWatcher->Watch(Root());
  FTreeModel = std::make_unique<TreeIntf::TRootSprig>(Root(), FDesigner.Get());
  FModified = false;
  FSelection.clear();
  RefreshNow();
  FSurface->Relayout();
}

bool TDesignerWindow::CloseDocument() {
  // The modules first: each asks about its own changes.
  for (int I = FTabs->count() - 1; I >= 0; --I)
    if (TabAt(I) && !CloseModuleTab(I))
      return false;
  if (!FDocument || !FModified)
    return true;
  const int Answer =
      Dialogs::MessageDlg(Format("Save changes to %s?", DisplayName(FFileName)),
                          Dialogs::TMsgDlgType::mtConfirmation, Dialogs::mbYesNoCancel, 0);
  if (Answer == Controls::mrYes)
    return Save();
  return Answer == Controls::mrNo;
}

bool TDesignerWindow::NewDocument() {
  if (!CloseDocument())
    return false;
  // A design document is read from a file: the new one is read from a
  // template written to a private temporary file.
  char Template[] = "/tmp/ovdesigner-new-XXXXXX";
  const int Fd = mkstemp(Template);
  if (Fd < 0)
    return false;
  ::close(Fd);
  std::unique_ptr<DesignDocument::TDesignDocument> Doc;
  try {
    SysUtils::SaveFileAtomically(Template, "object DataModule1: TDataModule\n"
                                           "  OldCreateOrder = False\n"
                                           "  Height = 320\n"
                                           "  Width = 480\n"
                                           "end\n");
    Doc = DesignDocument::TDesignDocument::Open(Template);
  } catch (...) {
    std::remove(Template);
    ShowError();
    return false;
  }
  std::remove(Template);
  Adopt(std::move(Doc), "");
  return true;
}

bool TDesignerWindow::OpenFile(const std::string& FileName) {
  // Read first: a file that cannot be read leaves the open document alone.
  std::unique_ptr<DesignDocument::TDesignDocument> Doc;
  try {
    Doc = DesignDocument::TDesignDocument::Open(FileName);
  } catch (...) {
    ShowError();
    return false;
  }
  if (!CloseDocument())
    return false;
  Adopt(std::move(Doc), SysUtils::ExpandFileName(FileName));
  AddRecentFile(FFileName);
  FStatus->setText(Q("Opened " + FFileName));
  return true;
}

bool TDesignerWindow::Save() {
  if (!FDocument)
    return false;
  if (FFileName.empty()) {
    SaveAsAsked();
    return !FFileName.empty() && !FModified;
  }
  return SaveAs(FFileName);
}

bool TDesignerWindow::SaveAs(const std::string& FileName) {
  if (!FDocument)
    return false;
  try {
    FDocument->Save(FileName);
  } catch (...) {
    ShowError();
    return false;
  }
  FFileName = SysUtils::ExpandFileName(FileName);
  FModified = false;
  if (FDesigner)
    FDesigner->ResetModified();
  AddRecentFile(FFileName);
  UpdateTitle();
  FStatus->setText(Q("Saved " + FFileName));
  return true;
}

void TDesignerWindow::OpenAsked() {
  Dialogs::TOpenDialog D(nullptr);
  D.SetTitle("Open Design File");
  D.SetFilter(DesignFilter);
  D.SetDefaultExt("dfm");
  D.SetOptions({Dialogs::TOpenOption::ofFileMustExist, Dialogs::TOpenOption::ofPathMustExist});
  if (!FFileName.empty())
    D.SetInitialDir(SysUtils::ExtractFilePath(FFileName));
  bool Chosen = false;
  try {
    Chosen = D.Execute();
  } catch (...) {
    ShowError();
  }
  if (Chosen)
    OpenFile(D.GetFileName());
}

void TDesignerWindow::SaveAsAsked() {
  QFileDialog D(this, "Save Design File As");
  D.setOption(QFileDialog::DontUseNativeDialog);
  D.setAcceptMode(QFileDialog::AcceptSave);
  D.setNameFilters(QtForms::ToNameFilters(DesignFilter));
  D.setDefaultSuffix("dfm");
  D.selectFile(Q(FFileName.empty() ? Root()->GetName() + ".dfm" : FFileName));
  if (D.exec() != QDialog::Accepted || D.selectedFiles().isEmpty())
    return;
  SaveAs(D.selectedFiles().first().toStdString());
}

std::vector<std::string> TDesignerWindow::RecentFiles() const {
  std::vector<std::string> R;
  try {
    Registry::TRegistry Reg;
    if (!Reg.OpenKeyReadOnly(RecentKey))
      return R;
    for (int I = 1; I <= MaxRecent; ++I) {
      const std::string F = Reg.ReadString(Format("File%d", I));
      if (F.empty())
        break;
      R.push_back(F);
    }
  } catch (...) {
    // An unreadable registry has no recent files.
  }
  return R;
}

void TDesignerWindow::AddRecentFile(const std::string& FileName) {
  std::vector<std::string> Files = RecentFiles();
  Files.erase(std::remove(Files.begin(), Files.end(), FileName), Files.end());
  Files.insert(Files.begin(), FileName);
  if (Files.size() > MaxRecent)
    Files.resize(MaxRecent);
  try {
    Registry::TRegistry Reg;
    if (!Reg.OpenKey(RecentKey, true))
      return;
    for (size_t I = 0; I < Files.size(); ++I)
      Reg.WriteString(Format("File%d", static_cast<int>(I + 1)), Files[I]);
  } catch (const std::exception& E) {
    // The list is a convenience: the design is saved all the same.
    FStatus->setText(Q(E.what()));
  }
}

void TDesignerWindow::FillRecentMenu() {
  FRecentMenu->clear();
  const std::vector<std::string> Files = RecentFiles();
  if (Files.empty()) {
    FRecentMenu->addAction("(none)")->setEnabled(false);
    return;
  }
  int N = 0;
  for (const std::string& F : Files) {
    QAction* A = FRecentMenu->addAction(QString("&%1 %2").arg(++N).arg(Q(F)), this,
                                        [this, F] { OpenFile(F); });
    A->setData(Q(F));
  }
}

void TDesignerWindow::UpdateTitle() {
  setWindowTitle(Q(DisplayName(FFileName)) + "[*] - Orvane Designer");
  setWindowModified(FModified);
  if (FUndoAction) {
    FUndoAction->setEnabled(CanUndo());
    FUndoAction->setText(Q(FDocument ? FDocument->UndoCaption() : std::string("Undo")));
    FRedoAction->setEnabled(CanRedo());
    FRedoAction->setText(Q(FDocument ? FDocument->RedoCaption() : std::string("Redo")));
  }
}

void TDesignerWindow::CloseOnInterrupt() {
  const int Fd = SysUtils::InterruptFd();
  if (Fd < 0 || FInterruptNotifier)
    return;
  FInterruptNotifier = new QSocketNotifier(Fd, QSocketNotifier::Read, this);
  connect(FInterruptNotifier, &QSocketNotifier::activated, this, [this] {
    FInterruptNotifier->setEnabled(false);
    if (QApplication::activeModalWidget()) {
      // Closing the document under an open dialog would free what the
      // dialog works on: wait for the person to close it.
      FStatus->setText("Ctrl-C: the window closes once the open dialog is closed");
      QTimer::singleShot(200, this, [this] { FInterruptNotifier->setEnabled(true); });
      return;
    }
    if (close())
      return;
    SysUtils::ClearInterrupt();
    FStatus->setText("Ctrl-C: closing was cancelled");
    FInterruptNotifier->setEnabled(true);
  });
}

void TDesignerWindow::closeEvent(QCloseEvent* Event) {
  if (!CloseDocument()) {
    Event->ignore();
    return;
  }
  // Nothing left to ask about.
  FModified = false;
  Event->accept();
}

// --- models and views --------------------------------------------------------------

void TDesignerWindow::ComponentFreed(TComponent* Component) {
  // Whatever holds the component goes before anyone reads it.
  const auto It = std::find(FSelection.begin(), FSelection.end(), Component);
  if (It != FSelection.end()) {
    FSelection.erase(It);
    FInspectorView->Detach();
    FInspector.reset();
  }
  if (Component == Root()) {
    FInspectorView->Detach();
    FInspector.reset();
  }
  FTreeView->Detach();
  ScheduleRefresh();
}

void TDesignerWindow::DesignModified() {
  FModified = true;
  ScheduleRefresh();
}

void TDesignerWindow::ScheduleRefresh() {
  if (FRefreshPending)
    return;
  FRefreshPending = true;
  QTimer::singleShot(0, this, [this] {
    if (FRefreshPending)
      RefreshNow();
  });
}

void TDesignerWindow::RefreshNow() {
  FRefreshPending = false;
  if (!FDocument) {
    UpdateTitle();
    return;
  }
  // Components made since (by the package or the person) are watched too.
  FWatcher->Watch(Root());
  // The designer's selection is the design's: a package may have chosen.
  const std::vector<TPersistent*> Chosen = FDesigner->GetSelections();
  if (Chosen != FSelection) {
    FSelection = Chosen;
    FInspector.reset();
  }
  FTreeModel->Build();
  FTreeView->Rebuild(FTreeModel.get());
  FTreeView->ShowSelection(FSelection);
  if (!FInspector) {
    FInspectorView->Detach();
    std::vector<TPersistent*> Shown = FSelection;
    if (Shown.empty())
      Shown.push_back(Root());
    FInspector = std::make_unique<ObjectInspector::TObjectInspector>(FDesigner.Get(), Shown);
  } else {
    FInspectorView->Detach();
    FInspector->Refresh();
  }
  FInspectorView->Rebuild(FInspector.get());
  FSurface->Relayout();
  FSurface->update();
  SyncModuleTabs();
  UpdateTitle();
}

// --- selection ----------------------------------------------------------------------

void TDesignerWindow::Select(const std::vector<TPersistent*>& Selection) {
  if (!FDesigner)
    return;
  std::vector<TPersistent*> S;
  for (TPersistent* P : Selection)
    if (P && P != Root() && std::find(S.begin(), S.end(), P) == S.end())
      S.push_back(P);
  FDesigner->SetSelections(S);
  if (S == FSelection)
    return;
  FSelection = S;
  FInspectorView->Detach();
  FInspector.reset();
  std::vector<TPersistent*> Shown = FSelection;
  if (Shown.empty())
    Shown.push_back(Root());
  FInspector = std::make_unique<ObjectInspector::TObjectInspector>(FDesigner.Get(), Shown);
  FInspectorView->Rebuild(FInspector.get());
  FTreeView->ShowSelection(FSelection);
  FSurface->update();
}

void TDesignerWindow::ToggleSelected(TPersistent* Instance) {
  std::vector<TPersistent*> S = FSelection;
  const auto It = std::find(S.begin(), S.end(), Instance);
  if (It == S.end())
    S.push_back(Instance);
  else
    S.erase(It);
  Select(S);
}

// --- actions -------------------------------------------------------------------------

bool TDesignerWindow::Step(const std::function<void()>& Action) {
  bool Ok = true;
  try {
    Action();
  } catch (...) {
    Ok = false;
    // The status bar keeps what went wrong after the box is closed.
    try {
      throw;
    } catch (const std::exception& E) {
      FStatus->setText(Q(std::string("Failed: ") + E.what()));
    } catch (...) {
      FStatus->setText("Failed");
    }
    ShowError();
  }
  Forms::Application->ProcessMessages();
  RefreshNow();
  return Ok;
}

bool TDesignerWindow::Run(const std::string& ChangeName,
                          const std::function<void(std::string& Name)>& Action) {
  return Step([&] {
    if (FDocument) {
      if (FDocument->Change(ChangeName, Action))
        FStatus->setText(Q(FDocument->UndoList().back().Name));
    } else {
      std::string Name = ChangeName;
      Action(Name);
    }
  });
}

bool TDesignerWindow::Run(const std::string& ChangeName, const std::function<void()>& Action) {
  return Run(ChangeName, [&](std::string&) { Action(); });
}

DesignDocument::TNames TDesignerWindow::SelectedNames() const {
  DesignDocument::TNames Names;
  if (FDesigner)
    for (TPersistent* P : FDesigner->GetSelections())
      if (auto* C = dynamic_cast<TComponent*>(P); C && C != Root())
        Names.push_back(C->GetName());
  return Names;
}

TComponent* TDesignerWindow::PlaceComponent(TClass ComponentClass, const QPoint& Position) {
  TComponent* Made = nullptr;
  Run("Place", [&](std::string& Name) {
    Made = FDesigner->CreateComponent(ComponentClass, nullptr, std::max(0, Position.x()),
                                      std::max(0, Position.y()), 0, 0);
    Name = "Place " + Made->GetName();
    FDesigner->SetSelections({Made});
  });
  Placed(Made);
  return Made;
}

void TDesignerWindow::Placed(TComponent* Made) {
  FPalette->Choose(nullptr);
  if (!Made)
    return;
  Select({Made});
  if (FTabs->currentWidget() != FSurfaceArea)
    FTabs->setCurrentWidget(FSurfaceArea);
  FSurface->Relayout();
  // The icon, with its name below it inside the margin.
  const QRect R = FSurface->IconRect(Made);
  FSurfaceArea->ensureVisible(R.center().x(), R.center().y(), R.width() / 2 + 40,
                              R.height() / 2 + 40);
}

bool TDesignerWindow::MoveSelection(const QPoint& Offset) {
  if (Offset.isNull() || FSelection.empty())
    return false;
  return Run(DesignDocument::TDesignDocument::ChangeName("Move", SelectedNames()), [&] {
    for (TPersistent* P : FSelection)
      if (auto* C = dynamic_cast<TComponent*>(P))
        C->SetDesignPosition(std::max(0, C->DesignLeft() + Offset.x()),
                             std::max(0, C->DesignTop() + Offset.y()));
    FDesigner->Modified();
  });
}

namespace {

std::vector<TComponent*> Deletable(const std::vector<TPersistent*>& Selection, TComponent* Root) {
  std::vector<TComponent*> Doomed;
  for (TPersistent* P : Selection)
    if (auto* C = dynamic_cast<TComponent*>(P); C && C != Root)
      Doomed.push_back(C);
  return Doomed;
}

} // namespace

bool TDesignerWindow::DeleteSelection() {
  const std::vector<TComponent*> Doomed = Deletable(FSelection, Root());
  if (Doomed.empty())
    return false;
  return Run(DesignDocument::TDesignDocument::ChangeName("Delete", SelectedNames()), [&] {
    Select({});
    for (TComponent* C : Doomed)
      delete C;
    FDesigner->Modified();
  });
}

bool TDesignerWindow::CopySelection() {
  const std::vector<TComponent*> Chosen = Deletable(FSelection, Root());
  if (Chosen.empty() || !FDocument)
    return false;
  return Step([&] {
    QApplication::clipboard()->setText(Q(FDocument->CopyText(Chosen)));
    FStatus->setText(Q(DesignDocument::TDesignDocument::ChangeName("Copied", SelectedNames())));
  });
}

bool TDesignerWindow::CutSelection() {
  const std::vector<TComponent*> Doomed = Deletable(FSelection, Root());
  if (Doomed.empty() || !FDocument)
    return false;
  return Run(DesignDocument::TDesignDocument::ChangeName("Cut", SelectedNames()), [&] {
    QApplication::clipboard()->setText(Q(FDocument->CopyText(Doomed)));
    Select({});
    for (TComponent* C : Doomed)
      delete C;
    FDesigner->Modified();
  });
}

bool TDesignerWindow::PasteFromClipboard() {
  if (!FDocument)
    return false;
  const std::string Text = QApplication::clipboard()->text().toStdString();
  bool Pasted = false;
  // The document records the paste as one change of its own.
  Step([&] {
    Pasted = !FDocument->Paste(Text).empty();
    if (Pasted) {
      FDesigner->Modified();
      FStatus->setText(Q(FDocument->UndoList().back().Name));
    }
  });
  if (Pasted && !FSelection.empty())
    if (auto* First = dynamic_cast<TComponent*>(FSelection.front())) {
      if (FTabs->currentWidget() != FSurfaceArea)
        FTabs->setCurrentWidget(FSurfaceArea);
      const QRect R = FSurface->IconRect(First);
      FSurfaceArea->ensureVisible(R.center().x(), R.center().y(), R.width() / 2 + 40,
                                  R.height() / 2 + 40);
    }
  return Pasted;
}

bool TDesignerWindow::RenameComponent(TComponent* Component, const std::string& NewName) {
  if (!Component || NewName == Component->GetName())
    return false;
  const std::vector<TPersistent*> Before = FSelection;
  Select({Component});
  const bool Ok = SetPropertyValue("Name", NewName);
  if (!Ok)
    Select(Before);
  return Ok;
}

bool TDesignerWindow::SetPropertyValue(const std::string& Path, const std::string& Value) {
  if (!FInspector)
    return false;
  const DesignDocument::TNames Names = ComponentNames(FInspector->Selection());
  const std::string Name =
      SysUtils::SameText(Path, "Name") && Names.size() == 1
          ? "Rename " + Names.front()
          : DesignDocument::TDesignDocument::ChangeName("Set " + Path + " of", Names);
  return Run(Name, [&] { FInspector->Get(Path).SetValue(Value); });
}

bool TDesignerWindow::EditProperty(const std::string& Path, bool AsAlt) {
  if (!FInspector)
    return false;
  const DesignDocument::TNames Names = ComponentNames(FInspector->Selection());
  return Run(DesignDocument::TDesignDocument::ChangeName("Edit " + Path + " of", Names), [&] {
    const bool WasHeld = FUI && FUI->HoldAlt;
    const ScopeGuard::TFinally Release([&] {
      if (FUI)
        FUI->HoldAlt = WasHeld;
    });
    if (FUI && AsAlt)
      FUI->HoldAlt = true;
    FInspector->Get(Path).Edit();
  });
}

bool TDesignerWindow::Undo() {
  return HistoryStep(&DesignDocument::TDesignDocument::Undo, "Undone: ");
}

bool TDesignerWindow::Redo() {
  return HistoryStep(&DesignDocument::TDesignDocument::Redo, "Redone: ");
}

bool TDesignerWindow::HistoryStep(std::string (DesignDocument::TDesignDocument::*Move)(),
                                  const std::string& Done) {
  if (!FDocument)
    return false;
  return Step([&] {
    const std::string Name = (FDocument.get()->*Move)();
    FStatus->setText(Q(Done + Name + RetieModuleTabs()));
    FModified = true;
  });
}

namespace {

// A verb's caption as the name of a change: without its accelerator mark
// and trailing dots ("&Fields Editor..." -> "Fields Editor").
std::string VerbName(std::string Caption) {
  std::erase(Caption, '&');
  while (!Caption.empty() && Caption.back() == '.')
    Caption.pop_back();
  return Caption;
}

} // namespace

bool TDesignerWindow::ExecuteVerb(TComponent* Component, int Index) {
  std::string Name = Component->GetName();
  try {
    Name = VerbName(DesignEditors::GetComponentEditor(Component, FDesigner.Get())->GetVerb(Index)) +
           " on " + Component->GetName();
  } catch (...) {
    // The verb itself reports what is wrong.
  }
  return Run(Name, [&] {
    auto Editor = DesignEditors::GetComponentEditor(Component, FDesigner.Get());
    Editor->ExecuteVerb(Index);
  });
}

bool TDesignerWindow::DefaultAction(TComponent* Component) {
  return Run("Edit " + Component->GetName(), [&] {
    auto Editor = DesignEditors::GetComponentEditor(Component, FDesigner.Get());
    Editor->Edit();
  });
}

void TDesignerWindow::StartVerbMenu(QMenu* Menu, TComponent* Component) {
  Menu->setObjectName("VerbMenu");
  AddVerbs(Menu, Component);
  if (!Menu->isEmpty())
    Menu->addSeparator();
}

void TDesignerWindow::AddVerbs(QMenu* Menu, TComponent* Component) {
  std::unique_ptr<DesignEditors::TComponentEditor> Editor;
  int Count = 0;
  try {
    Editor = DesignEditors::GetComponentEditor(Component, FDesigner.Get());
    Count = Editor->GetVerbCount();
  } catch (...) {
    ShowError();
    return;
  }
  for (int I = 0; I < Count; ++I) {
    std::string Caption;
    // The editor may adjust the item: a model menu item takes what it says.
    Menus::TMenuItem Item(nullptr);
    try {
      Caption = Editor->GetVerb(I);
      Item.SetCaption(Caption);
      Editor->PrepareItem(I, &Item);
    } catch (...) {
      ShowError();
      continue;
    }
    if (!Item.GetVisible() || Item.GetCaption().empty())
      continue;
    if (Item.IsLine()) {
      Menu->addSeparator();
      continue;
    }
    QAction* A = Menu->addAction(Q(Item.GetCaption()), this,
                                 [this, Component, I] { ExecuteVerb(Component, I); });
    A->setObjectName(QString("verb%1").arg(I));
    A->setEnabled(Item.GetEnabled());
    if (Item.GetChecked()) {
      A->setCheckable(true);
      A->setChecked(true);
    }
  }
}

} // namespace QtDesigner
