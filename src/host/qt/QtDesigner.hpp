// QtDesigner: the designer window. It shows the host's models and changes the
// design only through them: the design document (a data module read from its
// file), the designer (IDesigner), the palette registrations, the object tree
// model built from the package's sprigs, the Object Inspector model with the
// package's property editors, the component editors' verbs, and the module
// services, whose text modules open as code editor tabs.
//
//   palette             the pages the packages registered, with the bitmaps
//                       of the package file; a chosen class is placed by a
//                       click on the design surface (or a drop onto a node
//                       of the object tree)
//   object tree         the nodes the sprigs build, with captions and
//                       problem marks; nodes are dragged onto nodes
//   design surface      the root's non-visual components as icons at their
//                       design positions: select (Ctrl or Shift for
//                       several), move by dragging, delete, rename; a right
//                       click shows the verbs, a double click runs the
//                       default action
//   Object Inspector    the selection's properties by category or by name
//   tabs                the design surface and one tab per text module
#pragma once

#include "designide/DesignIntf/Designer.hpp"
#include "designide/IDEServices.hpp"
#include "designide/ObjectInspector.hpp"
#include "designide/ToolsAPI.hpp"
#include "designide/TreeIntf/Sprigs.hpp"
#include "host/DesignDocument.hpp"
#include "host/qt/QtForms.hpp"

#include <QMainWindow>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QToolButton;

namespace QtDesigner {

using Classes::TComponent;
using Classes::TPersistent;
using System::TClass;

class TDesignerWindow;

// The MIME type of a palette class dragged onto the object tree: its name.
inline constexpr const char* PaletteMimeType = "application/x-orvane-component-class";

// The pictures of component classes: the bitmap resource named after the
// class in upper case in the package file, else a picture of the host.
class TComponentPictures {
public:
  explicit TComponentPictures(std::string PackageFile) : FPackageFile(std::move(PackageFile)) {}
  QPixmap Of(TClass ComponentClass);
  // Whether the package file holds the class's bitmap.
  bool HasBitmap(TClass ComponentClass);

private:
  std::string FPackageFile;
  std::map<TClass, QPixmap> FCache;
  std::map<TClass, bool> FFound;
};

// The component palette: a tab per page, a button per class, and the arrow
// that chooses nothing.
class TPalette : public QTabWidget {
public:
  TPalette(TComponentPictures& Pictures, QWidget* Parent);
  // Builds the pages from the registrations as they are now.
  void Rebuild();
  // The class chosen for placing, or null.
  TClass Chosen() const { return FChosen; }
  void Choose(TClass ComponentClass);
  QToolButton* ButtonOf(const std::string& ClassName) const;

private:
  TComponentPictures& FPictures;
  TClass FChosen = nullptr;
  std::vector<std::pair<QToolButton*, TClass>> FButtons;
};

// The design surface of a data module.
class TDesignSurface : public QWidget {
public:
  explicit TDesignSurface(TDesignerWindow* Window);
  // The icon's rectangle of a component of the root.
  QRect IconRect(const TComponent* Component) const;
  TComponent* ComponentAt(const QPoint& Pos) const;
  // Sizes the surface to the data module and its icons.
  void Relayout();
  // The name shown under a component's icon (elided to the icon's cell of
  // the grid), and where it is drawn under the icon's rectangle.
  QString CaptionOf(const TComponent* Component, const QFontMetrics& Metrics) const;
  QRect CaptionRect(const QRect& Icon, const QString& Caption, const QFontMetrics& Metrics) const;

protected:
  bool event(QEvent* Event) override;
  bool focusNextPrevChild(bool Next) override;
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void contextMenuEvent(QContextMenuEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;

private:
  TDesignerWindow* FWindow;
  QPoint FPressAt;
  bool FDragging = false;
  bool FPressed = false;
  bool FBanding = false;
  QPoint FOffset; // how far the selection is dragged
  QRect FBand;
};

// The object tree view.
class TObjectTreeView : public QTreeWidget {
public:
  // The most of a node's caption a row shows.
  static constexpr size_t MaxCaptionBytes = 200;
  explicit TObjectTreeView(TDesignerWindow* Window);
  // Fills the view from the tree model, keeping what was expanded and
  // selected.
  void Rebuild(TreeIntf::TRootSprig* Tree);
  // Forgets the nodes (the model is gone or out of date).
  void Detach();
  TreeIntf::TSprig* SprigOf(const QTreeWidgetItem* Item) const;
  // The node of that key in the tree as it is now: "C:<component name>" or
  // "N:<unique name>" for a node without a component.
  TreeIntf::TSprig* SprigByKey(const QString& Key) const;
  QTreeWidgetItem* ItemOf(const TreeIntf::TSprig* Sprig) const;
  QTreeWidgetItem* ItemOfComponent(const TComponent* Component) const;
  // Shows the selection of the design.
  void ShowSelection(const std::vector<TPersistent*>& Selection);

protected:
  void startDrag(Qt::DropActions Actions) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dragMoveEvent(QDragMoveEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;
  void contextMenuEvent(QContextMenuEvent* Event) override;

private:
  // Whether what is dragged (a node by its key, or a palette class) may be
  // dropped onto Target; the class of a palette drop is set when the drag
  // comes from the palette.
  bool Accepts(const QMimeData* Data, TreeIntf::TSprig* Target, TClass* PaletteClass);
  TDesignerWindow* FWindow;
  TreeIntf::TRootSprig* FTree = nullptr;
  std::map<const QTreeWidgetItem*, TreeIntf::TSprig*> FSprigs;
  int FShowing = 0;
};

// The Object Inspector.
class TInspectorView : public QWidget {
public:
  explicit TInspectorView(TDesignerWindow* Window);
  // Shows the rows of the inspector model (null: nothing selected),
  // keeping the current row and what was expanded.
  void Rebuild(ObjectInspector::TObjectInspector* Model);
  void Detach();
  bool ByCategory() const { return FByCategory; }
  void SetByCategory(bool Value);
  QTreeWidget* Rows() const { return FRows; }
  QTreeWidgetItem* RowOf(const std::string& Path) const;
  ObjectInspector::TInspectorProperty* PropertyOf(const QTreeWidgetItem* Item) const;
  // The value editor of the current row: a line, a drop-down list, an
  // ellipsis button.
  QWidget* ValueEditor() const { return FEditor; }

protected:
  // The value editor's keys: Escape reverts, Tab / Shift+Tab and Up / Down
  // move to the next or previous row (setting a changed value first),
  // Ctrl+Enter opens the code editor as Alt with the ellipsis does.
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  // The row above (Step -1) or below (1) Item that holds a property.
  QTreeWidgetItem* PropertyRowBeside(QTreeWidgetItem* Item, int Step) const;
  void AddRow(QTreeWidgetItem* Parent, ObjectInspector::TInspectorProperty* P);
  void AddSubRows(QTreeWidgetItem* Item);
  void CurrentChanged(QTreeWidgetItem* Item);
  void Commit(const std::string& Path, const QString& Text);
  TDesignerWindow* FWindow;
  QComboBox* FMode;
  QTreeWidget* FRows;
  QWidget* FEditor = nullptr;
  QLineEdit* FLine = nullptr; // the value editor's line
  QString FShownValue;        // the value the editor opened with
  std::string FEditorPath;    // the property the editor edits
  bool FKeepEditing = false;  // rebuilt while the value editor had the keys
  ObjectInspector::TObjectInspector* FModel = nullptr;
  const void* FFittedFor = nullptr; // the model the names column was fitted to
  std::map<const QTreeWidgetItem*, ObjectInspector::TInspectorProperty*> FProperties;
  bool FByCategory = true;
  int FBuilding = 0;
};

struct TDesignerOptions {
  // The design package's file: its bitmaps are the palette's pictures.
  std::string PackageFile;
};

class TDesignerWindow : public QMainWindow {
public:
  explicit TDesignerWindow(TDesignerOptions Options);
  ~TDesignerWindow() override;

  // Documents. A file that cannot be read is reported in a message box and
  // the window stays as it was; the document open before is closed only
  // once the new one has been read.
  bool OpenFile(const std::string& FileName);
  // A new data module. False when the person kept the open document.
  bool NewDocument();
  // Writes the document to its file (Save As when it has none yet), through
  // a temporary file: an error leaves the old file whole. False when
  // nothing was written.
  bool Save();
  bool SaveAs(const std::string& FileName);
  // Asks whether to save a modified document (and its modified text
  // modules); false when the person cancelled.
  bool CloseDocument();
  // Ctrl-C at the terminal the window was started from (the interrupt pipe
  // becoming readable) closes the window as File > Exit does: a modified
  // document asks first, and Cancel keeps the window and forgets the Ctrl-C.
  // While a dialog is open the window waits for it to close; a second Ctrl-C
  // ends the program at once.
  void CloseOnInterrupt();

  TComponent* Root() const;
  DesignIntf::TDesigner* Designer() const { return FDesigner.Get(); }
  // "" for a document that has no file yet.
  const std::string& FileName() const { return FFileName; }
  bool IsModified() const { return FModified; }
  std::vector<std::string> RecentFiles() const;

  // The selection (components of the design); empty shows the root.
  const std::vector<TPersistent*>& Selection() const { return FSelection; }
  void Select(const std::vector<TPersistent*>& Selection);
  void ToggleSelected(TPersistent* Instance);

  // Design actions. Each reports an error in a message box and returns
  // false (or null) when it failed.
  TComponent* PlaceComponent(TClass ComponentClass, const QPoint& Position);
  // A component was just placed (null: placing failed): the palette lets go
  // of its class, and the new component is selected and scrolled into view.
  void Placed(TComponent* Made);
  bool MoveSelection(const QPoint& Offset);
  bool DeleteSelection();
  bool RenameComponent(TComponent* Component, const std::string& NewName);
  // Sets a property of the selection through its editor.
  bool SetPropertyValue(const std::string& Path, const std::string& Value);
  // The ellipsis of a property (Alt held down, or AsAlt: what the editor
  // does then).
  bool EditProperty(const std::string& Path, bool AsAlt = false);
  bool ExecuteVerb(TComponent* Component, int Index);
  bool DefaultAction(TComponent* Component);
  // The verbs of a component as a menu (separators for "-").
  void AddVerbs(QMenu* Menu, TComponent* Component);
  // The start of a component's context menu: the verbs, then a separator
  // when there are any.
  void StartVerbMenu(QMenu* Menu, TComponent* Component);
  // The design document's history: every design action above is one named
  // change of it. Undo and Redo report an error in a message box and return
  // false when there is nothing to undo or redo.
  bool Undo();
  bool Redo();
  bool CanUndo() const { return FDocument && FDocument->CanUndo(); }
  bool CanRedo() const { return FDocument && FDocument->CanRedo(); }
  DesignDocument::TDesignDocument* Document() const { return FDocument.get(); }

  // The clipboard: the selected components as their text form (what the
  // design file holds), on the system clipboard. Paste reports text that
  // cannot be pasted in one message box and changes nothing.
  bool CopySelection();
  bool CutSelection();
  bool PasteFromClipboard();

  // Runs Action as a step of the design, recorded in the history as one
  // change named ChangeName (Action may rename it once it knows more): an
  // exception is shown as the application shows errors, and the views are
  // brought up to date after.
  bool Run(const std::string& ChangeName, const std::function<void(std::string& Name)>& Action);
  bool Run(const std::string& ChangeName, const std::function<void()>& Action);
  // The names of the selected components (the history's selection).
  DesignDocument::TNames SelectedNames() const;
  // Brings the palette, tree, surface, inspector and title up to date.
  void RefreshNow();

  // Text modules: one tab each, named after the module.
  bool OpenTextModule(UIService::TTextModuleRequest& Request);
  QPlainTextEdit* ModuleEditor(const std::string& ModuleName) const;
  int ModuleTab(const std::string& ModuleName) const;
  // Saves the tab's module: its text returns into the property.
  bool SaveModuleTab(int Index);
  // Closes the tab's module; a modified one asks, and Cancel keeps it.
  bool CloseModuleTab(int Index);

  TPalette* Palette() const { return FPalette; }
  TDesignSurface* Surface() const { return FSurface; }
  TObjectTreeView* Tree() const { return FTreeView; }
  TInspectorView* Inspector() const { return FInspectorView; }
  QTabWidget* Tabs() const { return FTabs; }
  TComponentPictures& Pictures() { return FPictures; }
  QtForms::TQtUI* UI() const { return FUI; }
  TreeIntf::TRootSprig* TreeModel() const { return FTreeModel.get(); }
  ObjectInspector::TObjectInspector* InspectorModel() const { return FInspector.get(); }

protected:
  void closeEvent(QCloseEvent* Event) override;

private:
  class TWatcher;
  struct TModuleTab {
    std::string ModuleName;
    System::TInterfaceRef<ToolsAPI::IOTAModule> Module;
    QPlainTextEdit* Editor = nullptr;
    bool Loading = false;
  };

  void BuildMenus();
  void Adopt(std::unique_ptr<DesignDocument::TDesignDocument> Document, const std::string& Name);
  void DropDocument();
  void ComponentFreed(TComponent* Component);
  void DesignModified();
  void ScheduleRefresh();
  void UpdateTitle();
  // Runs Action with exceptions shown, then brings the views up to date.
  bool Step(const std::function<void()>& Action);
  // Undo or Redo: Move on the document, its change named in the status bar
  // after Done.
  bool HistoryStep(std::string (DesignDocument::TDesignDocument::*Move)(), const std::string& Done);
  void AddRecentFile(const std::string& FileName);
  void FillRecentMenu();
  void SaveAsAsked();
  void OpenAsked();
  void UpdateModuleTab(TModuleTab& Tab);
  void SyncModuleTabs();
  // After undo or redo made the components anew: each tab's module follows
  // its component by name; the modules of components that are gone are
  // closed. What was closed, for the status bar ("" when nothing was).
  std::string RetieModuleTabs();
  TModuleTab* TabAt(int Index) const;

  TDesignerOptions FOptions;
  QtForms::TQtUI* FUI;
  std::unique_ptr<QtForms::TQtUI> FOwnUI;
  std::unique_ptr<UIService::TUIServiceScope> FUIScope;
  IDEServices::TIDEServicesScope FServices;
  TComponentPictures FPictures;

  std::unique_ptr<DesignDocument::TDesignDocument> FDocument;
  System::TInterfaceRef<DesignIntf::TDesigner> FDesigner;
  std::unique_ptr<TWatcher> FWatcher;
  std::unique_ptr<TreeIntf::TRootSprig> FTreeModel;
  std::unique_ptr<ObjectInspector::TObjectInspector> FInspector;
  std::string FFileName;
  bool FModified = false;
  bool FRefreshPending = false;
  std::vector<TPersistent*> FSelection;
  std::vector<std::unique_ptr<TModuleTab>> FModuleTabs;

  TPalette* FPalette;
  TDesignSurface* FSurface;
  QScrollArea* FSurfaceArea;
  TObjectTreeView* FTreeView;
  TInspectorView* FInspectorView;
  QTabWidget* FTabs;
  QMenu* FRecentMenu = nullptr;
  QAction* FUndoAction = nullptr;
  QAction* FRedoAction = nullptr;
  QLabel* FStatus = nullptr;
  QSocketNotifier* FInterruptNotifier = nullptr;
};

// The window's question for a design file, from a folder not yet trusted,
// that would connect to databases or run SQL when opened: "This design file
// connects to databases and runs SQL when opened. Trust files in FOLDER?"
// in a message box over Parent. A folder declined is not asked about again
// while the function lives. For DesignTrust::Policy().Ask.
std::function<bool(const std::string& Folder)> TrustQuestion(QWidget* Parent = nullptr);

} // namespace QtDesigner
