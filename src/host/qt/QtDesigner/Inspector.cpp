// The Object Inspector: the rows of the inspector model, by category or by
// name, and one value editor over the current row (a line, the editor's
// drop-down list, an ellipsis button), all going through the property
// editors.
#include "host/qt/QtDesigner.hpp"

#include "host/qt/QtForms/Widgets.hpp"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include <set>

namespace QtDesigner {

using DesignIntf::TPropertyAttribute;
using ObjectInspector::TInspectorProperty;

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int PlaceholderRole = Qt::UserRole + 1;
constexpr const char* Uncategorised = "Miscellaneous";

QString Q(const std::string& S) {
  return QString::fromStdString(S);
}

bool LessByName(TInspectorProperty* A, TInspectorProperty* B) {
  return SysUtils::CompareText(A->Name(), B->Name()) < 0;
}

// Rows tall enough for the in-place drop-down list (descenders included).
class TRowDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    static const int ComboHeight = QComboBox().sizeHint().height();
    QSize S = QStyledItemDelegate::sizeHint(Option, Index);
    S.setHeight(std::max(S.height(), ComboHeight));
    return S;
  }
};

} // namespace

TInspectorView::TInspectorView(TDesignerWindow* Window) : QWidget(nullptr), FWindow(Window) {
  setObjectName("ObjectInspector");
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(2);
  FMode = new QComboBox(this);
  FMode->setObjectName("InspectorMode");
  FMode->addItems({"By category", "By name"});
  Layout->addWidget(FMode);
  FRows = new QTreeWidget(this);
  FRows->setObjectName("InspectorRows");
  FRows->setColumnCount(2);
  FRows->setHeaderLabels({"Property", "Value"});
  FRows->setAlternatingRowColors(true);
  FRows->setUniformRowHeights(true);
  FRows->setItemDelegate(new TRowDelegate(FRows));
  FRows->setSelectionMode(QAbstractItemView::SingleSelection);
  FRows->header()->setSectionResizeMode(0, QHeaderView::Interactive);
  FRows->header()->resizeSection(0, 130);
  Layout->addWidget(FRows, 1);
  connect(FMode, &QComboBox::currentIndexChanged, this,
          [this](int Index) { SetByCategory(Index == 0); });
  connect(FRows, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* Item) { CurrentChanged(Item); });
  connect(FRows, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* Item) {
    if (!FBuilding)
      AddSubRows(Item);
  });
  connect(FRows, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* Item) {
    TInspectorProperty* P = PropertyOf(Item);
    if (!P)
      return;
    const auto A = P->Attributes();
    if (!A.Contains(TPropertyAttribute::paDialog) && !A.Contains(TPropertyAttribute::paValueList))
      return;
    // What the editor does on a double-click: its dialog, or the next value.
    QTimer::singleShot(0, this, [this, Path = P->Path()] { FWindow->EditProperty(Path); });
  });
}

void TInspectorView::SetByCategory(bool Value) {
  if (Value == FByCategory)
    return;
  FByCategory = Value;
  FMode->setCurrentIndex(Value ? 0 : 1);
  Rebuild(FModel);
}

TInspectorProperty* TInspectorView::PropertyOf(const QTreeWidgetItem* Item) const {
  const auto It = FProperties.find(Item);
  return It == FProperties.end() ? nullptr : It->second;
}

QTreeWidgetItem* TInspectorView::RowOf(const std::string& Path) const {
  for (const auto& [Item, P] : FProperties)
    if (SysUtils::SameText(P->Path(), Path))
      return const_cast<QTreeWidgetItem*>(Item);
  return nullptr;
}

void TInspectorView::Detach() {
  FModel = nullptr;
  FProperties.clear();
  if (FEditor) {
    FEditor->hide();
    FEditor->deleteLater();
    FEditor = nullptr;
  }
}

void TInspectorView::AddRow(QTreeWidgetItem* Parent, TInspectorProperty* P) {
  auto* Item = new QTreeWidgetItem(Parent);
  FProperties[Item] = P;
  Item->setText(0, Q(P->Name()));
  Item->setData(0, PathRole, Q(P->Path()));
  Item->setText(1, Q(P->Value()));
  if (P->Attributes().Contains(TPropertyAttribute::paSubProperties)) {
    // Sub-properties are made when the row unfolds.
    auto* Placeholder = new QTreeWidgetItem(Item);
    Placeholder->setData(0, PlaceholderRole, true);
  }
}

void TInspectorView::AddSubRows(QTreeWidgetItem* Item) {
  TInspectorProperty* P = PropertyOf(Item);
  if (!P || Item->childCount() != 1 || !Item->child(0)->data(0, PlaceholderRole).toBool())
    return;
  delete Item->takeChild(0);
  try {
    for (const auto& Sub : P->SubProperties())
      AddRow(Item, Sub.get());
  } catch (...) {
    try {
      Forms::Application->HandleException(nullptr);
    } catch (...) {
    }
  }
}

void TInspectorView::Rebuild(ObjectInspector::TObjectInspector* Model) {
  // The current row and the unfolded ones are kept by their paths.
  std::string Current;
  if (QTreeWidgetItem* I = FRows->currentItem())
    Current = I->data(0, PathRole).toString().toStdString();
  std::set<QString> Expanded;
  for (QTreeWidgetItemIterator It(FRows); *It; ++It)
    if ((*It)->isExpanded() && (*It)->childCount() > 0)
      Expanded.insert((*It)->data(0, PathRole).toString() + "|" + (*It)->text(0));
  // The value editor had the keys: the new one has them.
  FKeepEditing = FEditor && FEditor->isAncestorOf(QApplication::focusWidget());
  ++FBuilding;
  Detach();
  FRows->clear();
  FModel = Model;
  if (!Model) {
    --FBuilding;
    FKeepEditing = false;
    return;
  }
  std::vector<TInspectorProperty*> Top;
  for (const auto& P : Model->Properties())
    Top.push_back(P.get());
  std::stable_sort(Top.begin(), Top.end(), LessByName);
  if (FByCategory) {
    std::map<std::string, std::vector<TInspectorProperty*>,
             bool (*)(const std::string&, const std::string&)>
        Groups([](const std::string& A, const std::string& B) {
          return SysUtils::CompareText(A, B) < 0;
        });
    for (TInspectorProperty* P : Top)
      Groups[P->Category().empty() ? Uncategorised : P->Category()].push_back(P);
    for (const auto& [Category, Rows] : Groups) {
      auto* Group = new QTreeWidgetItem(FRows);
      Group->setText(0, Q(Category));
      Group->setData(0, PathRole, QString());
      Group->setFirstColumnSpanned(true);
      QFont F = Group->font(0);
      F.setBold(true);
      Group->setFont(0, F);
      Group->setFlags(Qt::ItemIsEnabled);
      for (TInspectorProperty* P : Rows)
        AddRow(Group, P);
    }
  } else {
    for (TInspectorProperty* P : Top)
      AddRow(FRows->invisibleRootItem(), P);
  }
  // Categories stay open unless they were closed; unfolded rows unfold again
  // (which makes their sub-rows).
  for (int I = 0; I < FRows->topLevelItemCount(); ++I) {
    QTreeWidgetItem* G = FRows->topLevelItem(I);
    if (FByCategory)
      G->setExpanded(true);
  }
  for (QTreeWidgetItemIterator It(FRows); *It; ++It) {
    QTreeWidgetItem* Item = *It;
    if (PropertyOf(Item) &&
        Expanded.count(Item->data(0, PathRole).toString() + "|" + Item->text(0))) {
      AddSubRows(Item);
      Item->setExpanded(true);
    }
  }
  // The names column fits the longest name of each new selection (up to
  // half the view); while the selection stays, it keeps what the person
  // made it.
  if (Model != FFittedFor) {
    FFittedFor = Model;
    FRows->resizeColumnToContents(0);
    FRows->setColumnWidth(
        0, std::min(FRows->columnWidth(0) + 8, std::max(FRows->viewport()->width() / 2, 130)));
  }
  --FBuilding;
  if (QTreeWidgetItem* Row = Current.empty() ? nullptr : RowOf(Current))
    FRows->setCurrentItem(Row);
  FKeepEditing = false;
}

void TInspectorView::CurrentChanged(QTreeWidgetItem* Item) {
  // The person was in the rows or in the value editor: the new editor takes
  // the keys (and the caret goes where the value was clicked).
  const bool Editing = FRows->hasFocus() || FKeepEditing ||
                       (FEditor && FEditor->isAncestorOf(QApplication::focusWidget()));
  if (FEditor) {
    FEditor->hide();
    FEditor->deleteLater();
    FEditor = nullptr;
  }
  FLine = nullptr;
  TInspectorProperty* P = PropertyOf(Item);
  if (!P)
    return;
  const std::string Path = P->Path();
  const auto A = P->Attributes();
  const bool ReadOnly = A.Contains(TPropertyAttribute::paReadOnly);
  auto* Editor = new QWidget(FRows->viewport());
  Editor->setObjectName("ValueEditor");
  auto* Layout = new QHBoxLayout(Editor);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  QLineEdit* Line = nullptr;
  if (A.Contains(TPropertyAttribute::paValueList)) {
    auto* Combo = new QtForms::TComboWidget(Editor);
    Combo->setObjectName("ValueList");
    Combo->setEditable(!ReadOnly);
    Combo->addItem(Q(P->Value()));
    Combo->setCurrentIndex(0);
    // The list is read when it drops down: names may come from a database.
    Combo->OnDropDown = [this, Combo, Path] {
      if (!FModel)
        return;
      const QString Now = Combo->currentText();
      QStringList Values;
      try {
        if (TInspectorProperty* Row = FModel->Find(Path))
          for (const std::string& V : Row->Values())
            Values << Q(V);
      } catch (...) {
        try {
          Forms::Application->HandleException(nullptr);
        } catch (...) {
        }
      }
      Combo->blockSignals(true);
      Combo->clear();
      Combo->addItems(Values);
      const int I = Combo->findText(Now);
      if (I >= 0)
        Combo->setCurrentIndex(I);
      else
        Combo->setEditText(Now);
      Combo->blockSignals(false);
    };
    connect(Combo, &QComboBox::activated, this,
            [this, Combo, Path](int) { Commit(Path, Combo->currentText()); });
    Line = Combo->lineEdit();
    Layout->addWidget(Combo, 1);
  } else {
    Line = new QLineEdit(Editor);
    Line->setObjectName("ValueLine");
    Line->setText(Q(P->Value()));
    Line->setReadOnly(ReadOnly);
    Line->setFrame(false);
    Layout->addWidget(Line, 1);
  }
  if (Line) {
    FLine = Line;
    FShownValue = Line->text();
    FEditorPath = Path;
    Line->installEventFilter(this);
    if (QWidget* Combo = Line->parentWidget(); Combo && Combo != Editor)
      Combo->installEventFilter(this);
    Line->setMaxLength(std::max(1, P->Editor()->GetEditLimit()));
    connect(Line, &QLineEdit::returnPressed, this, [this, Line, Path] {
      Line->setModified(false);
      Commit(Path, Line->text());
    });
    // Leaving a changed value sets it too, as the platform's inspector does.
    connect(Line, &QLineEdit::editingFinished, this, [this, Line, Path] {
      if (!Line->isModified())
        return;
      Line->setModified(false);
      Commit(Path, Line->text());
    });
  }
  if (A.Contains(TPropertyAttribute::paDialog)) {
    auto* Ellipsis = new QToolButton(Editor);
    Ellipsis->setObjectName("Ellipsis");
    Ellipsis->setText("...");
    Ellipsis->setFocusPolicy(Qt::NoFocus);
    connect(Ellipsis, &QToolButton::clicked, this, [this, Path] {
      // Alt held down is read by the editor itself, while it runs; Ctrl
      // held down does the same.
      const bool AsAlt = QApplication::keyboardModifiers() & Qt::ControlModifier;
      QTimer::singleShot(0, this, [this, Path, AsAlt] { FWindow->EditProperty(Path, AsAlt); });
    });
    Layout->addWidget(Ellipsis);
  }
  const QRect R = FRows->visualItemRect(Item);
  const int X = FRows->header()->sectionPosition(1);
  Editor->setGeometry(X, R.top(), FRows->header()->sectionSize(1), R.height());
  Editor->show();
  FEditor = Editor;
  if (Line && Editing) {
    Line->setFocus();
    const QPoint At = Line->mapFromGlobal(QCursor::pos());
    if ((QApplication::mouseButtons() & Qt::LeftButton) && Line->rect().contains(At))
      Line->setCursorPosition(Line->cursorPositionAt(At));
  }
  connect(FRows->header(), &QHeaderView::sectionResized, Editor, [this, Editor, Item] {
    if (FEditor != Editor)
      return;
    const QRect Now = FRows->visualItemRect(Item);
    Editor->setGeometry(FRows->header()->sectionPosition(1), Now.top(),
                        FRows->header()->sectionSize(1), Now.height());
  });
}

QTreeWidgetItem* TInspectorView::PropertyRowBeside(QTreeWidgetItem* Item, int Step) const {
  for (QTreeWidgetItem* I = Item; I;) {
    I = Step > 0 ? FRows->itemBelow(I) : FRows->itemAbove(I);
    if (I && PropertyOf(I))
      return I;
  }
  return nullptr;
}

bool TInspectorView::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() != QEvent::KeyPress || !FLine ||
      (Watched != FLine && Watched != FLine->parentWidget()))
    return QWidget::eventFilter(Watched, Event);
  auto* Key = static_cast<QKeyEvent*>(Event);
  const Qt::KeyboardModifiers Mods = Key->modifiers() & ~Qt::KeypadModifier;
  int Step = 0;
  switch (Key->key()) {
  case Qt::Key_Escape:
    FLine->setText(FShownValue);
    FLine->setModified(false);
    FLine->selectAll();
    return true;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    if (!(Mods & Qt::ControlModifier))
      return false;
    QTimer::singleShot(0, this, [this, Path = FEditorPath] { FWindow->EditProperty(Path, true); });
    return true;
  case Qt::Key_Tab:
    Step = 1;
    break;
  case Qt::Key_Backtab:
    Step = -1;
    break;
  case Qt::Key_Up:
  case Qt::Key_Down:
    if (Mods != Qt::NoModifier)
      return false;
    Step = Key->key() == Qt::Key_Up ? -1 : 1;
    break;
  default:
    return false;
  }
  // A changed value is set first; the next row's editor takes the keys.
  if (FLine->isModified()) {
    FLine->setModified(false);
    Commit(FEditorPath, FLine->text());
  }
  if (QTreeWidgetItem* Next = PropertyRowBeside(FRows->currentItem(), Step)) {
    FRows->setFocus();
    FRows->setCurrentItem(Next);
  }
  return true;
}

void TInspectorView::Commit(const std::string& Path, const QString& Text) {
  if (!FModel || FBuilding)
    return;
  TInspectorProperty* P = FModel->Find(Path);
  if (!P || Q(P->Value()) == Text)
    return;
  // The rows are made afresh after a change: not while Qt delivers the
  // keystroke to the editor that is about to go.
  QTimer::singleShot(0, this, [this, Path, T = Text.toStdString()] {
    if (FModel)
      FWindow->SetPropertyValue(Path, T);
  });
}

} // namespace QtDesigner
