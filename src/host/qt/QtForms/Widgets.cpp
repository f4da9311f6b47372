#include "host/qt/QtForms/Widgets.hpp"

#include <QCloseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <qdrawutil.h>

namespace QtForms {

void TFormWindow::closeEvent(QCloseEvent* Event) {
  Event->ignore();
  if (OnCloseRequest)
    OnCloseRequest();
}

void TPanelWidget::SetLook(int Outer, int Inner, int BevelWidth, bool SingleBorder,
                           const QString& Caption, Qt::Alignment Alignment) {
  if (Outer == FOuter && Inner == FInner && BevelWidth == FBevelWidth &&
      SingleBorder == FSingleBorder && Caption == FCaption && Alignment == FAlignment)
    return;
  FOuter = Outer;
  FInner = Inner;
  FBevelWidth = BevelWidth;
  FSingleBorder = SingleBorder;
  FCaption = Caption;
  FAlignment = Alignment;
  update();
}

void TPanelWidget::paintEvent(QPaintEvent*) {
  QPainter P(this);
  QRect R = rect();
  if (FSingleBorder) {
    qDrawShadePanel(&P, R, palette(), true, 2);
    R.adjust(2, 2, -2, -2);
  }
  for (int Cut : {FOuter, FInner}) {
    if (Cut == 1 || Cut == 2)
      qDrawShadePanel(&P, R, palette(), Cut == 1, FBevelWidth);
    if (Cut != 0)
      R.adjust(FBevelWidth, FBevelWidth, -FBevelWidth, -FBevelWidth);
  }
  if (FCaption.isEmpty())
    return;
  P.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  P.drawText(R, static_cast<int>(FAlignment | Qt::AlignVCenter | Qt::TextSingleLine), FCaption);
}

void TBevelWidget::SetLook(int Shape, bool Raised) {
  if (Shape == FShape && Raised == FRaised)
    return;
  FShape = Shape;
  FRaised = Raised;
  update();
}

void TBevelWidget::paintEvent(QPaintEvent*) {
  QPainter P(this);
  const QRect R = rect();
  const bool Sunken = !FRaised;
  switch (FShape) {
  case 0: // box
    qDrawShadePanel(&P, R, palette(), Sunken, 1);
    break;
  case 1: // frame: an etched line around
    qDrawShadeRect(&P, R, palette(), Sunken, 1, 0);
    break;
  case 2: // top line
    qDrawShadeLine(&P, R.left(), R.top(), R.right(), R.top(), palette(), Sunken, 1, 0);
    break;
  case 3: // bottom line
    qDrawShadeLine(&P, R.left(), R.bottom() - 1, R.right(), R.bottom() - 1, palette(), Sunken, 1,
                   0);
    break;
  case 4: // left line
    qDrawShadeLine(&P, R.left(), R.top(), R.left(), R.bottom(), palette(), Sunken, 1, 0);
    break;
  case 5: // right line
    qDrawShadeLine(&P, R.right() - 1, R.top(), R.right() - 1, R.bottom(), palette(), Sunken, 1, 0);
    break;
  default: // spacer
    break;
  }
}

void TGroupBoxWidget::paintEvent(QPaintEvent*) {
  QPainter P(this);
  const QFontMetrics M(font());
  // An etched frame whose top line runs through the title's middle.
  qDrawShadeRect(&P, rect().adjusted(0, M.height() / 2, 0, 0), palette(), true, 1, 0);
  if (title().isEmpty())
    return;
  const QRect Title(8, 0, M.horizontalAdvance(title()) + 4, M.height());
  P.fillRect(Title, palette().brush(backgroundRole()));
  style()->drawItemText(&P, Title, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                        title(), QPalette::WindowText);
}

TPageWidget::TPageWidget(QWidget* Parent) : QWidget(Parent), FTabs(new QTabBar(this)) {
  FTabs->setDrawBase(false);
  FTabs->setExpanding(false);
  FTabs->setUsesScrollButtons(true);
}

void TPageWidget::SetPageArea(const QRect& Area) {
  if (Area == FPageArea)
    return;
  FPageArea = Area;
  // The tabs fill the strip the model leaves beside the page area.
  const QRect R = rect();
  switch (FTabs->shape()) {
  case QTabBar::RoundedSouth:
    FTabs->setGeometry(0, Area.bottom() + 3, R.width(),
                       std::max(0, R.height() - Area.bottom() - 3));
    break;
  case QTabBar::RoundedWest:
    FTabs->setGeometry(0, 0, std::max(0, Area.left() - 2), R.height());
    break;
  case QTabBar::RoundedEast:
    FTabs->setGeometry(Area.right() + 3, 0, std::max(0, R.width() - Area.right() - 3), R.height());
    break;
  default:
    FTabs->setGeometry(0, 0, R.width(), std::max(0, Area.top() - 2));
    break;
  }
  update();
}

void TPageWidget::paintEvent(QPaintEvent*) {
  QPainter P(this);
  QStyleOptionTabWidgetFrame Opt;
  Opt.initFrom(this);
  Opt.shape = FTabs->shape();
  Opt.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  Opt.rect = FPageArea.adjusted(-4, -4, 4, 4).intersected(rect());
  Opt.tabBarSize = FTabs->size();
  Opt.tabBarRect = FTabs->geometry();
  if (FTabs->currentIndex() >= 0)
    Opt.selectedTabRect = FTabs->tabRect(FTabs->currentIndex()).translated(FTabs->pos());
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &Opt, &P, this);
}

void TComboWidget::showPopup() {
  if (OnDropDown)
    OnDropDown();
  FDroppedDown = true;
  QComboBox::showPopup();
}

void TComboWidget::hidePopup() {
  QComboBox::hidePopup();
  // Qt also calls this when the box loses the focus or is hidden.
  if (!FDroppedDown)
    return;
  FDroppedDown = false;
  if (OnCloseUp)
    OnCloseUp();
}

} // namespace QtForms
