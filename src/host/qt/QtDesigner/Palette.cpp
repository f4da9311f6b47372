// The component palette and the pictures of component classes.
#include "host/qt/QtDesigner.hpp"

#include "designide/DesignRegistry.hpp"
#include "rtl/ResFile.hpp"

#include <QApplication>
#include <QDrag>
#include <QHBoxLayout>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

namespace QtDesigner {

namespace {

// A palette button that can also be dragged onto the object tree.
class TPaletteButton : public QToolButton {
public:
  TPaletteButton(TClass AClass, QWidget* Parent) : QToolButton(Parent), FClass(AClass) {}

protected:
  void mousePressEvent(QMouseEvent* Event) override {
    if (Event->button() == Qt::LeftButton)
      FPressAt = Event->position().toPoint();
    QToolButton::mousePressEvent(Event);
  }
  void mouseMoveEvent(QMouseEvent* Event) override {
    if (!(Event->buttons() & Qt::LeftButton) || !FClass ||
        (Event->position().toPoint() - FPressAt).manhattanLength() <
            QApplication::startDragDistance()) {
      QToolButton::mouseMoveEvent(Event);
      return;
    }
    setDown(false);
    auto* Data = new QMimeData;
    Data->setData(PaletteMimeType, QByteArray::fromStdString(FClass->Name));
    auto* Drag = new QDrag(this);
    Drag->setMimeData(Data);
    Drag->setPixmap(icon().pixmap(24, 24));
    Drag->exec(Qt::CopyAction);
  }

private:
  TClass FClass;
  QPoint FPressAt;
};

// The host's own picture of a component without a bitmap: a small box.
QPixmap HostPicture() {
  QPixmap P(24, 24);
  P.fill(Qt::transparent);
  QPainter G(&P);
  G.setPen(QColor(90, 90, 90));
  G.setBrush(QColor(230, 230, 210));
  G.drawRect(3, 3, 17, 17);
  G.drawLine(7, 9, 16, 9);
  G.drawLine(7, 13, 16, 13);
  return P;
}

} // namespace

QPixmap TComponentPictures::Of(TClass ComponentClass) {
  const auto It = FCache.find(ComponentClass);
  if (It != FCache.end())
    return It->second;
  QPixmap Picture;
  if (ComponentClass && !FPackageFile.empty()) {
    try {
      const auto Data = ResFile::FindResource(FPackageFile, ResFile::RT_BITMAP,
                                              SysUtils::UpperCase(ComponentClass->Name));
      if (Data) {
        QImage Image = QImage::fromData(Data->data(), static_cast<int>(Data->size()), "BMP");
        if (!Image.isNull()) {
          // The palette bitmaps' lower left pixel is their transparent
          // colour, as the platform's palette draws them.
          Image = Image.convertToFormat(QImage::Format_ARGB32);
          const QRgb Key = Image.pixel(0, Image.height() - 1);
          for (int Y = 0; Y < Image.height(); ++Y)
            for (int X = 0; X < Image.width(); ++X)
              if (Image.pixel(X, Y) == Key)
                Image.setPixel(X, Y, qRgba(0, 0, 0, 0));
          Picture = QPixmap::fromImage(Image);
        }
      }
    } catch (...) {
      // A package file that cannot be read has no pictures to give.
    }
  }
  FFound[ComponentClass] = !Picture.isNull();
  if (Picture.isNull())
    Picture = HostPicture();
  FCache[ComponentClass] = Picture;
  return Picture;
}

bool TComponentPictures::HasBitmap(TClass ComponentClass) {
  Of(ComponentClass);
  return FFound[ComponentClass];
}

TPalette::TPalette(TComponentPictures& Pictures, QWidget* Parent)
    : QTabWidget(Parent), FPictures(Pictures) {
  setDocumentMode(true);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TPalette::Rebuild() {
  while (count() > 0) {
    QWidget* Page = widget(0);
    removeTab(0);
    delete Page;
  }
  FButtons.clear();
  FChosen = nullptr;
  for (const DesignRegistry::TPalettePage& Page : DesignRegistry::PalettePages()) {
    auto* Row = new QWidget(this);
    Row->setObjectName(QString::fromStdString("Page" + Page.Name));
    auto* Layout = new QHBoxLayout(Row);
    Layout->setContentsMargins(2, 2, 2, 2);
    Layout->setSpacing(1);
    // The arrow: nothing to place.
    auto* Arrow = new TPaletteButton(nullptr, Row);
    Arrow->setObjectName("PaletteArrow");
    Arrow->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    Arrow->setToolTip("Select");
    Arrow->setCheckable(true);
    Arrow->setChecked(true);
    Arrow->setAutoRaise(true);
    Arrow->setIconSize(QSize(24, 24));
    Layout->addWidget(Arrow);
    FButtons.emplace_back(Arrow, nullptr);
    for (const DesignRegistry::TPaletteItem& Item : Page.Items) {
      auto* B = new TPaletteButton(Item.ComponentClass, Row);
      const QString Name = QString::fromStdString(Item.ComponentClass->Name);
      B->setObjectName(Name);
      B->setIcon(FPictures.Of(Item.ComponentClass));
      B->setIconSize(QSize(24, 24));
      // The platform's hints leave out the leading T.
      B->setToolTip(Name.startsWith('T') ? Name.mid(1) : Name);
      B->setCheckable(true);
      B->setAutoRaise(true);
      Layout->addWidget(B);
      FButtons.emplace_back(B, Item.ComponentClass);
    }
    Layout->addStretch(1);
    for (auto& [Button, Class] : FButtons)
      if (Button->parentWidget() == Row)
        connect(Button, &QToolButton::clicked, this,
                [this, C = Class](bool Checked) { Choose(Checked ? C : nullptr); });
    addTab(Row, QString::fromStdString(Page.Name));
  }
}

void TPalette::Choose(TClass ComponentClass) {
  FChosen = ComponentClass;
  for (auto& [Button, Class] : FButtons)
    Button->setChecked(Class == ComponentClass);
}

QToolButton* TPalette::ButtonOf(const std::string& ClassName) const {
  for (const auto& [Button, Class] : FButtons)
    if (Class && Class->Name == ClassName)
      return Button;
  return nullptr;
}

} // namespace QtDesigner
