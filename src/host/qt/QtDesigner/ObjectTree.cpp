// The object tree view: the nodes of the tree model, dragged onto each other
// and onto which palette classes are dropped.
#include "host/qt/QtDesigner.hpp"

#include "rtl/StrUtils.hpp"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <QTimer>

#include <set>

namespace QtDesigner {

namespace {

constexpr const char* NodeMimeType = "application/x-orvane-tree-node";

// What names a node from one build of the tree to the next.
QString KeyOf(TreeIntf::TSprig* S) {
  if (S->Item())
    return "C:" + QString::fromStdString(S->Item()->GetName());
  return "N:" + QString::fromStdString(S->UniqueName());
}

} // namespace

TObjectTreeView::TObjectTreeView(TDesignerWindow* Window) : QTreeWidget(nullptr), FWindow(Window) {
  setObjectName("ObjectTree");
  setHeaderHidden(true);
  setColumnCount(1);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setIconSize(QSize(16, 16));
  connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (FShowing || !FTree)
      return;
    std::vector<TPersistent*> Chosen;
    for (QTreeWidgetItem* I : selectedItems())
      if (TreeIntf::TSprig* S = SprigOf(I); S && S->Item())
        Chosen.push_back(S->Item());
    FWindow->Select(Chosen);
  });
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* Item) {
    const TClass Chosen = FWindow->Palette()->Chosen();
    if (!Chosen || !SprigOf(Item))
      return;
    // The tree is built again afterwards: not while Qt delivers the click.
    QTimer::singleShot(0, this, [this, Chosen, Key = KeyOf(SprigOf(Item))] {
      TreeIntf::TSprig* Target = SprigByKey(Key);
      if (!Target)
        return;
      TComponent* Made = nullptr;
      TreeIntf::TRootSprig* Tree = FTree;
      FWindow->Run("Place", [&](std::string& Name) {
        Made = Tree->PaletteDrop(Chosen, Target);
        if (Made)
          Name = "Place " + Made->GetName();
      });
      FWindow->Placed(Made);
    });
  });
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* Item) {
    TreeIntf::TSprig* S = SprigOf(Item);
    if (!S || !S->Item() || S->Item() == FWindow->Root())
      return;
    QTimer::singleShot(0, this, [this, Key = KeyOf(S)] {
      if (TreeIntf::TSprig* Node = SprigByKey(Key); Node && Node->Item())
        FWindow->DefaultAction(Node->Item());
    });
  });
}

TreeIntf::TSprig* TObjectTreeView::SprigOf(const QTreeWidgetItem* Item) const {
  const auto It = FSprigs.find(Item);
  return It == FSprigs.end() ? nullptr : It->second;
}

TreeIntf::TSprig* TObjectTreeView::SprigByKey(const QString& Key) const {
  for (const auto& [Item, S] : FSprigs)
    if (Item->data(0, Qt::UserRole).toString() == Key)
      return S;
  return nullptr;
}

QTreeWidgetItem* TObjectTreeView::ItemOf(const TreeIntf::TSprig* Sprig) const {
  for (const auto& [Item, S] : FSprigs)
    if (S == Sprig)
      return const_cast<QTreeWidgetItem*>(Item);
  return nullptr;
}

QTreeWidgetItem* TObjectTreeView::ItemOfComponent(const TComponent* Component) const {
  for (const auto& [Item, S] : FSprigs)
    if (S->Item() == Component)
      return const_cast<QTreeWidgetItem*>(Item);
  return nullptr;
}

void TObjectTreeView::Detach() {
  FTree = nullptr;
  FSprigs.clear();
}

void TObjectTreeView::Rebuild(TreeIntf::TRootSprig* Tree) {
  // What was folded stays folded.
  std::set<QString> Collapsed;
  for (QTreeWidgetItemIterator It(this); *It; ++It)
    if ((*It)->childCount() > 0 && !(*It)->isExpanded())
      Collapsed.insert((*It)->data(0, Qt::UserRole).toString());
  ++FShowing;
  Detach();
  clear();
  FTree = Tree;
  std::function<void(QTreeWidgetItem*, TreeIntf::TSprig*)> Add = [&](QTreeWidgetItem* Item,
                                                                     TreeIntf::TSprig* S) {
    FSprigs[Item] = S;
    const QString Key = KeyOf(S);
    Item->setData(0, Qt::UserRole, Key);
    // A query's node shows its statement, which may be megabytes long: the
    // row shows its start.
    Item->setText(0, QString::fromStdString(StrUtils::Excerpt(S->Caption(), MaxCaptionBytes)));
    if (S->AnyProblems()) {
      Item->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
      Item->setToolTip(0, "This node has a problem");
      Item->setForeground(0, QColor(176, 0, 0));
    } else if (S->ItemClass() && S != Tree) {
      Item->setIcon(0, FWindow->Pictures().Of(S->ItemClass()));
    }
    Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                   Qt::ItemIsDropEnabled);
    for (int I = 0; I < S->Count(); ++I)
      Add(new QTreeWidgetItem(Item), S->Items(I));
    Item->setExpanded(!Collapsed.count(Key));
  };
  auto* Top = new QTreeWidgetItem(this);
  Add(Top, Tree);
  --FShowing;
}

void TObjectTreeView::ShowSelection(const std::vector<TPersistent*>& Selection) {
  ++FShowing;
  for (const auto& [Item, S] : FSprigs) {
    auto* I = const_cast<QTreeWidgetItem*>(Item);
    bool Selected = false;
    for (TPersistent* P : Selection)
      Selected = Selected || (S->Item() && S->Item() == P);
    if (I->isSelected() != Selected)
      I->setSelected(Selected);
  }
  --FShowing;
}

bool TObjectTreeView::Accepts(const QMimeData* Data, TreeIntf::TSprig* Target,
                              TClass* PaletteClass) {
  if (!FTree || !Target)
    return false;
  if (Data->hasFormat(PaletteMimeType)) {
    const TClass Class = Classes::GetClass(Data->data(PaletteMimeType).toStdString());
    if (!Class)
      return false;
    if (PaletteClass)
      *PaletteClass = Class;
    try {
      // A prototype of the class's node answers for the class.
      auto Prototype =
          TreeIntf::TRootSprig::CreateSprig(TreeIntf::TRootSprig::SprigClassFor(Class), nullptr);
      return Prototype->PaletteOverTo(Target, Class);
    } catch (...) {
      return false;
    }
  }
  if (Data->hasFormat(NodeMimeType)) {
    TreeIntf::TSprig* Node = SprigByKey(QString::fromUtf8(Data->data(NodeMimeType)));
    if (!Node || Node == Target)
      return false;
    try {
      return FTree->CanDrop(Node, Target);
    } catch (...) {
      return false;
    }
  }
  return false;
}

void TObjectTreeView::startDrag(Qt::DropActions) {
  QTreeWidgetItem* Item = currentItem();
  TreeIntf::TSprig* S = SprigOf(Item);
  if (!S || S == FTree)
    return;
  // The node travels by its key: the tree may be built again meanwhile.
  auto* Data = new QMimeData;
  Data->setData(NodeMimeType, KeyOf(S).toUtf8());
  auto* Drag = new QDrag(this);
  Drag->setMimeData(Data);
  Drag->exec(Qt::MoveAction);
}

void TObjectTreeView::dragEnterEvent(QDragEnterEvent* Event) {
  if (Event->mimeData()->hasFormat(PaletteMimeType) || Event->mimeData()->hasFormat(NodeMimeType))
    Event->acceptProposedAction();
  else
    Event->ignore();
}

void TObjectTreeView::dragMoveEvent(QDragMoveEvent* Event) {
  TreeIntf::TSprig* Target = SprigOf(itemAt(Event->position().toPoint()));
  if (Accepts(Event->mimeData(), Target, nullptr)) {
    Event->setDropAction(Event->mimeData()->hasFormat(PaletteMimeType) ? Qt::CopyAction
                                                                       : Qt::MoveAction);
    Event->accept();
  } else {
    Event->ignore();
  }
}

void TObjectTreeView::dropEvent(QDropEvent* Event) {
  TreeIntf::TSprig* Target = SprigOf(itemAt(Event->position().toPoint()));
  TClass PaletteClass = nullptr;
  if (!Accepts(Event->mimeData(), Target, &PaletteClass)) {
    Event->ignore();
    return;
  }
  // The model moves the node; the view is built again from it, so Qt's own
  // move of the item must not happen.
  Event->setDropAction(Qt::IgnoreAction);
  Event->accept();
  // Carried out once the drag is over.
  const QString TargetKey = KeyOf(Target);
  const QString NodeKey = QString::fromUtf8(Event->mimeData()->data(NodeMimeType));
  QTimer::singleShot(0, this, [this, PaletteClass, TargetKey, NodeKey] {
    TreeIntf::TSprig* To = SprigByKey(TargetKey);
    TreeIntf::TRootSprig* Tree = FTree;
    if (!To || !Tree)
      return;
    if (PaletteClass) {
      TComponent* Made = nullptr;
      FWindow->Run("Place", [&](std::string& Name) {
        Made = Tree->PaletteDrop(PaletteClass, To);
        if (Made)
          Name = "Place " + Made->GetName();
      });
      FWindow->Placed(Made);
      return;
    }
    if (TreeIntf::TSprig* Node = SprigByKey(NodeKey))
      FWindow->Run("Drop " + Node->Caption() + " on " + To->Caption(),
                   [&] { Tree->DragDrop(Node, To); });
  });
}

void TObjectTreeView::contextMenuEvent(QContextMenuEvent* Event) {
  TreeIntf::TSprig* S = SprigOf(itemAt(Event->pos()));
  if (!S || !S->Item() || S->Item() == FWindow->Root())
    return;
  TComponent* C = S->Item();
  FWindow->Select({C});
  QMenu Menu(this);
  FWindow->StartVerbMenu(&Menu, C);
  QAction* Delete = Menu.addAction("&Delete", this, [this] { FWindow->DeleteSelection(); });
  Delete->setObjectName("actTreeDelete");
  Delete->setShortcut(QKeySequence(Qt::Key_Delete));
  Menu.exec(Event->globalPos());
}

} // namespace QtDesigner
