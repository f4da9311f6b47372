// The design surface of a data module: its non-visual components as icons
// at their design positions.
#include "host/qt/QtDesigner.hpp"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <qdrawutil.h>

#include <algorithm>

namespace QtDesigner {

namespace {

// The platform's icon of a non-visual component: a raised square with the
// palette bitmap in it, the name below.
constexpr int IconSize = 28;
constexpr int CaptionHeight = 16;
// A name takes at most the icon's cell of the surface's grid (the icon and
// 34 pixels each side, as placing counts it), less a gap to the next name;
// a longer one is elided, and its tooltip shows it whole.
constexpr int MaxCaptionWidth = IconSize + 2 * 34 - 6;

bool Contains(const std::vector<TPersistent*>& List, const TPersistent* P) {
  return std::find(List.begin(), List.end(), P) != List.end();
}

} // namespace

TDesignSurface::TDesignSurface(TDesignerWindow* Window) : QWidget(nullptr), FWindow(Window) {
  setObjectName("DesignSurface");
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  setMouseTracking(false);
}

QRect TDesignSurface::IconRect(const TComponent* Component) const {
  return QRect(Component->DesignLeft(), Component->DesignTop(), IconSize, IconSize);
}

QString TDesignSurface::CaptionOf(const TComponent* Component, const QFontMetrics& M) const {
  return M.elidedText(QString::fromStdString(Component->GetName()), Qt::ElideRight,
                      MaxCaptionWidth);
}

QRect TDesignSurface::CaptionRect(const QRect& Icon, const QString& Caption,
                                  const QFontMetrics& M) const {
  const int TextWidth = M.horizontalAdvance(Caption);
  return QRect(Icon.center().x() - TextWidth / 2 - 2, Icon.bottom() + 2, TextWidth + 4,
               CaptionHeight);
}

bool TDesignSurface::event(QEvent* Event) {
  if (Event->type() != QEvent::ToolTip)
    return QWidget::event(Event);
  // The whole name and the class of the icon (or name) under the pointer.
  const QPoint Pos = static_cast<QHelpEvent*>(Event)->pos();
  TComponent* Root = FWindow->Root();
  const QFontMetrics M(font());
  for (int I = Root ? Root->ComponentCount() - 1 : -1; I >= 0; --I) {
    TComponent* C = Root->Components(I);
    if (C->HasParent())
      continue;
    const QRect R = IconRect(C);
    if (R.contains(Pos) || CaptionRect(R, CaptionOf(C, M), M).contains(Pos)) {
      QToolTip::showText(static_cast<QHelpEvent*>(Event)->globalPos(),
                         QString::fromStdString(C->GetName() + ": " + C->ClassName()), this);
      return true;
    }
  }
  QToolTip::hideText();
  Event->ignore();
  return true;
}

TComponent* TDesignSurface::ComponentAt(const QPoint& Pos) const {
  TComponent* Root = FWindow->Root();
  if (!Root)
    return nullptr;
  // The last one drawn is on top.
  for (int I = Root->ComponentCount() - 1; I >= 0; --I) {
    TComponent* C = Root->Components(I);
    if (!C->HasParent() && IconRect(C).contains(Pos))
      return C;
  }
  return nullptr;
}

void TDesignSurface::Relayout() {
  TComponent* Root = FWindow->Root();
  int W = 480, H = 320;
  if (auto* DM = dynamic_cast<Classes::TDataModule*>(Root)) {
    W = DM->GetWidth();
    H = DM->GetHeight();
  }
  if (Root)
    for (int I = 0; I < Root->ComponentCount(); ++I) {
      const QRect R = IconRect(Root->Components(I));
      W = std::max(W, R.right() + 60);
      H = std::max(H, R.bottom() + CaptionHeight + 20);
    }
  if (size() != QSize(W, H))
    resize(W, H);
}

void TDesignSurface::paintEvent(QPaintEvent* Event) {
  QPainter P(this);
  TComponent* Root = FWindow->Root();
  if (!Root)
    return;
  const std::vector<TPersistent*>& Selection = FWindow->Selection();
  const QRect Visible = Event->rect();
  const QFontMetrics M(font());
  for (int I = 0; I < Root->ComponentCount(); ++I) {
    TComponent* C = Root->Components(I);
    // Components with a parent (fields under their dataset) have no icon.
    if (C->HasParent())
      continue;
    const bool Selected = Contains(Selection, C);
    QRect R = IconRect(C);
    if (Selected && FDragging)
      R.translate(FOffset);
    const QString Name = CaptionOf(C, M);
    const QRect Caption = CaptionRect(R, Name, M);
    if (!Visible.intersects(R.united(Caption).adjusted(-3, -3, 3, 3)))
      continue;
    qDrawWinButton(&P, R, palette(), false, &palette().brush(QPalette::Button));
    const QPixmap Picture = FWindow->Pictures().Of(C->ClassType());
    P.drawPixmap(R.x() + (IconSize - Picture.width()) / 2,
                 R.y() + (IconSize - Picture.height()) / 2, Picture);
    P.setPen(palette().color(QPalette::Text));
    P.drawText(Caption, Qt::AlignHCenter | Qt::AlignTop, Name);
    if (Selected) {
      // Grab handles at the corners, grey when several are selected.
      const QColor Handle = Selection.size() > 1 ? QColor(128, 128, 128) : QColor(0, 0, 0);
      for (const QPoint& Corner : {R.topLeft(), R.topRight(), R.bottomLeft(), R.bottomRight()})
        P.fillRect(QRect(Corner - QPoint(2, 2), QSize(5, 5)), Handle);
    }
  }
  if (FBanding) {
    P.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
    P.setBrush(Qt::NoBrush);
    P.drawRect(FBand.normalized());
  }
}

void TDesignSurface::mousePressEvent(QMouseEvent* Event) {
  setFocus(Qt::MouseFocusReason);
  if (Event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(Event);
    return;
  }
  const QPoint Pos = Event->position().toPoint();
  TComponent* C = ComponentAt(Pos);
  const bool Adding = Event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
  if (!C && FWindow->Palette()->Chosen()) {
    FWindow->PlaceComponent(FWindow->Palette()->Chosen(), Pos);
    return;
  }
  if (C && Adding) {
    FWindow->ToggleSelected(C);
    return;
  }
  if (C) {
    if (!Contains(FWindow->Selection(), C))
      FWindow->Select({C});
    FPressed = true;
    FPressAt = Pos;
    return;
  }
  if (!Adding)
    FWindow->Select({});
  FBanding = true;
  FBand = QRect(Pos, Pos);
}

void TDesignSurface::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint Pos = Event->position().toPoint();
  if (FBanding) {
    FBand.setBottomRight(Pos);
    update();
    return;
  }
  if (!FPressed)
    return;
  if (!FDragging && (Pos - FPressAt).manhattanLength() < QApplication::startDragDistance())
    return;
  FDragging = true;
  // Icons stay on the surface.
  QPoint Offset = Pos - FPressAt;
  for (TPersistent* P : FWindow->Selection())
    if (auto* C = dynamic_cast<TComponent*>(P)) {
      Offset.setX(std::max(Offset.x(), -C->DesignLeft()));
      Offset.setY(std::max(Offset.y(), -C->DesignTop()));
    }
  FOffset = Offset;
  update();
}

void TDesignSurface::mouseReleaseEvent(QMouseEvent* Event) {
  if (FBanding) {
    FBanding = false;
    const QRect Band = FBand.normalized();
    std::vector<TPersistent*> Chosen;
    if (Event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))
      Chosen = FWindow->Selection();
    if (TComponent* Root = FWindow->Root())
      for (int I = 0; I < Root->ComponentCount(); ++I) {
        TComponent* C = Root->Components(I);
        if (!C->HasParent() && Band.intersects(IconRect(C)) && !Contains(Chosen, C))
          Chosen.push_back(C);
      }
    if (Band.width() > 2 || Band.height() > 2)
      FWindow->Select(Chosen);
    update();
    return;
  }
  const bool Dragged = FDragging;
  const QPoint Offset = FOffset;
  FPressed = false;
  FDragging = false;
  FOffset = QPoint();
  if (Dragged)
    FWindow->MoveSelection(Offset);
  update();
}

void TDesignSurface::mouseDoubleClickEvent(QMouseEvent* Event) {
  FPressed = false;
  if (TComponent* C = ComponentAt(Event->position().toPoint())) {
    FWindow->Select({C});
    FWindow->DefaultAction(C);
  }
}

void TDesignSurface::contextMenuEvent(QContextMenuEvent* Event) {
  TComponent* C = ComponentAt(Event->pos());
  if (!C)
    return;
  if (!Contains(FWindow->Selection(), C))
    FWindow->Select({C});
  QMenu Menu(this);
  FWindow->StartVerbMenu(&Menu, C);
  Menu.addAction("&Delete", this, [this] { FWindow->DeleteSelection(); })
      ->setObjectName("actDeleteComponent");
  Menu.exec(Event->globalPos());
}

bool TDesignSurface::focusNextPrevChild(bool Next) {
  // Tab and Shift+Tab go from component to component, in creation order.
  TComponent* Root = FWindow->Root();
  std::vector<TComponent*> Icons;
  for (int I = 0; Root && I < Root->ComponentCount(); ++I)
    if (!Root->Components(I)->HasParent())
      Icons.push_back(Root->Components(I));
  if (Icons.empty())
    return true;
  const std::vector<TPersistent*>& S = FWindow->Selection();
  const auto It = S.empty()
                      ? Icons.end()
                      : std::find(Icons.begin(), Icons.end(), dynamic_cast<TComponent*>(S.back()));
  const int N = static_cast<int>(Icons.size());
  int At = It == Icons.end() ? (Next ? -1 : N) : static_cast<int>(It - Icons.begin());
  At = ((At + (Next ? 1 : -1)) % N + N) % N;
  FWindow->Select({Icons[static_cast<size_t>(At)]});
  update();
  return true;
}

void TDesignSurface::keyPressEvent(QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Delete) {
    FWindow->DeleteSelection();
    return;
  }
  if (Event->modifiers() & Qt::ControlModifier) {
    QPoint Step;
    switch (Event->key()) {
    case Qt::Key_Left:
      Step = QPoint(-1, 0);
      break;
    case Qt::Key_Right:
      Step = QPoint(1, 0);
      break;
    case Qt::Key_Up:
      Step = QPoint(0, -1);
      break;
    case Qt::Key_Down:
      Step = QPoint(0, 1);
      break;
    default:
      break;
    }
    if (!Step.isNull()) {
      FWindow->MoveSelection(Step);
      return;
    }
  }
  if (Event->key() == Qt::Key_Return) {
    if (FWindow->Selection().size() == 1)
      if (auto* C = dynamic_cast<TComponent*>(FWindow->Selection().front()))
        FWindow->DefaultAction(C);
    return;
  }
  QWidget::keyPressEvent(Event);
}

} // namespace QtDesigner
