// The code editor: a tab per text module of the module services. The tab
// edits the module's source editor buffer; saving writes the buffer to the
// module's file system (a string-list property returns into its component),
// closing asks the module, which asks the person about unsaved changes.
#include "host/qt/QtDesigner.hpp"

#include "designide/StFilSys.hpp"
#include "designide/ToolsAPI.hpp"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTabBar>

namespace QtDesigner {

using System::TInterfaceRef;

namespace {

TInterfaceRef<ToolsAPI::IOTAModuleServices> ModuleServices() {
  return System::Supports<ToolsAPI::IOTAModuleServices>(ToolsAPI::BorlandIDEServices);
}

TInterfaceRef<ToolsAPI::IOTASourceEditor> SourceEditorOf(ToolsAPI::IOTAModule* Module) {
  if (!Module || Module->GetModuleFileCount() < 1)
    return nullptr;
  return System::Supports<ToolsAPI::IOTASourceEditor>(Module->GetModuleFileEditor(0));
}

} // namespace

TDesignerWindow::TModuleTab* TDesignerWindow::TabAt(int Index) const {
  QWidget* Page = FTabs->widget(Index);
  for (const auto& T : FModuleTabs)
    if (T->Editor == Page)
      return T.get();
  return nullptr;
}

int TDesignerWindow::ModuleTab(const std::string& ModuleName) const {
  for (const auto& T : FModuleTabs)
    if (SysUtils::SameText(T->ModuleName, ModuleName))
      return FTabs->indexOf(T->Editor);
  return -1;
}

QPlainTextEdit* TDesignerWindow::ModuleEditor(const std::string& ModuleName) const {
  const int I = ModuleTab(ModuleName);
  return I < 0 ? nullptr : static_cast<QPlainTextEdit*>(FTabs->widget(I));
}

void TDesignerWindow::UpdateModuleTab(TModuleTab& Tab) {
  const int I = FTabs->indexOf(Tab.Editor);
  if (I < 0)
    return;
  const auto Source = SourceEditorOf(Tab.Module.Get());
  const bool Modified = Source && Source->GetModified();
  FTabs->setTabText(I, QString::fromStdString(Tab.ModuleName) + (Modified ? " *" : ""));
}

bool TDesignerWindow::OpenTextModule(UIService::TTextModuleRequest& Request) {
  const int Open = ModuleTab(Request.ModuleName);
  if (Open >= 0) {
    FTabs->setCurrentIndex(Open);
    return false;
  }
  const auto Services = ModuleServices();
  TInterfaceRef<ToolsAPI::IOTAModule> Module =
      Services ? Services->FindModule(Request.ModuleName) : nullptr;
  const auto Source = SourceEditorOf(Module.Get());
  if (!Source)
    throw SysUtils::EInvalidOperation(
        SysUtils::Format("%s is no open text module of this designer", Request.ModuleName));
  auto Tab = std::make_unique<TModuleTab>();
  Tab->ModuleName = Request.ModuleName;
  Tab->Module = Module;
  Tab->Editor = new QPlainTextEdit(FTabs);
  Tab->Editor->setObjectName(QString::fromStdString("Module:" + Request.ModuleName));
  Tab->Editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Tab->Editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  Tab->Loading = true;
  Tab->Editor->setPlainText(QString::fromStdString(Source->GetText()));
  Tab->Loading = false;
  TModuleTab* T = Tab.get();
  connect(Tab->Editor, &QPlainTextEdit::textChanged, this, [this, T] {
    if (T->Loading)
      return;
    // Typing changes the module's buffer, as the host's editor does.
    if (const auto S = SourceEditorOf(T->Module.Get()))
      S->SetText(T->Editor->toPlainText().toStdString());
    UpdateModuleTab(*T);
  });
  FModuleTabs.push_back(std::move(Tab));
  const int Index = FTabs->addTab(T->Editor, QString::fromStdString(T->ModuleName));
  UpdateModuleTab(*T);
  FTabs->setCurrentIndex(Index);
  T->Editor->setFocus();
  // Nothing is saved yet: the person saves from the tab.
  return false;
}

void TDesignerWindow::SyncModuleTabs() {
  const auto Services = ModuleServices();
  for (size_t I = FModuleTabs.size(); I-- > 0;) {
    TModuleTab* T = FModuleTabs[I].get();
    // A module the package closed itself takes its tab with it.
    if (!Services || Services->FindModule(T->ModuleName).Get() != T->Module.Get() ||
        !SourceEditorOf(T->Module.Get())) {
      FTabs->removeTab(FTabs->indexOf(T->Editor));
      T->Editor->deleteLater();
      FModuleTabs.erase(FModuleTabs.begin() + static_cast<std::ptrdiff_t>(I));
      continue;
    }
    // A buffer the package changed shows its new text.
    const std::string Text = SourceEditorOf(T->Module.Get())->GetText();
    if (T->Editor->toPlainText().toStdString() != Text) {
      Classes::TStringList A, B;
      A.SetText(Text);
      B.SetText(T->Editor->toPlainText().toStdString());
      if (A.GetText() != B.GetText()) {
        T->Loading = true;
        T->Editor->setPlainText(QString::fromStdString(Text));
        T->Loading = false;
      }
    }
    UpdateModuleTab(*T);
  }
}

std::string TDesignerWindow::RetieModuleTabs() {
  if (!StFilSys::StringsFileSystem || !Root())
    return {};
  std::string Closed;
  for (const std::string& Ident : StFilSys::StringsFileSystem->Retie(Root())) {
    const int Index = ModuleTab(Ident);
    TModuleTab* T = Index < 0 ? nullptr : TabAt(Index);
    if (!T)
      continue;
    // Its text has nowhere to go; the tab goes with the module
    // (SyncModuleTabs).
    const System::TInterfaceRef<ToolsAPI::IOTAModule> Module = T->Module;
    Module->CloseModule(true);
    Closed += (Closed.empty() ? "" : ", ") + Ident;
  }
  return Closed.empty() ? std::string()
                        : "; closed " + Closed + " (the component no longer exists)";
}

bool TDesignerWindow::SaveModuleTab(int Index) {
  TModuleTab* T = TabAt(Index);
  if (!T)
    return false;
  bool Saved = false;
  Run("Edit " + T->ModuleName, [&] { Saved = T->Module->Save(false, true); });
  UpdateModuleTab(*T);
  return Saved;
}

bool TDesignerWindow::CloseModuleTab(int Index) {
  TModuleTab* T = TabAt(Index);
  if (!T)
    return false;
  bool Closed = false;
  FTabs->setCurrentIndex(Index);
  // A modified module asks whether to save; Cancel keeps it open.
  const System::TInterfaceRef<ToolsAPI::IOTAModule> Module = T->Module;
  Run("Edit " + T->ModuleName, [&] { Closed = Module->Close(); });
  // The views were brought up to date after the step: a closed module's tab
  // may be gone already, so the tab is looked up again.
  for (auto It = FModuleTabs.begin(); It != FModuleTabs.end(); ++It) {
    TModuleTab* Tab = It->get();
    if (Tab->Module.Get() != Module.Get())
      continue;
    if (!Closed) {
      UpdateModuleTab(*Tab);
      return false;
    }
    FTabs->removeTab(FTabs->indexOf(Tab->Editor));
    Tab->Editor->deleteLater();
    FModuleTabs.erase(It);
    break;
  }
  return Closed;
}

} // namespace QtDesigner
