// The widgets of controls that Qt has no ready-made widget for: the form's
// window, panels and bevels painted as the platform paints them, the page
// control (a row of tabs over a frame, its pages placed by the model), and a
// combo box that tells before it drops down.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QTabBar>

#include <functional>

namespace QtForms {

// A form's top-level window. Closing it and the Escape key are the model's
// business: the window asks instead of closing itself.
class TFormWindow : public QDialog {
public:
  explicit TFormWindow(QWidget* Parent) : QDialog(Parent) {}
  std::function<void()> OnCloseRequest;

  void reject() override {}

protected:
  void closeEvent(QCloseEvent* Event) override;
};

// Bevel cuts as numbers: 0 none, 1 lowered, 2 raised, 3 space.
class TPanelWidget : public QFrame {
public:
  explicit TPanelWidget(QWidget* Parent) : QFrame(Parent) {}
  void SetLook(int Outer, int Inner, int BevelWidth, bool SingleBorder, const QString& Caption,
               Qt::Alignment Alignment);

protected:
  void paintEvent(QPaintEvent* Event) override;

private:
  int FOuter = 2;
  int FInner = 0;
  int FBevelWidth = 1;
  bool FSingleBorder = false;
  QString FCaption;
  Qt::Alignment FAlignment = Qt::AlignCenter;
};

// Shapes as in TBevelShape (0 box ... 6 spacer), raised or lowered.
class TBevelWidget : public QWidget {
public:
  explicit TBevelWidget(QWidget* Parent) : QWidget(Parent) {}
  void SetLook(int Shape, bool Raised);

protected:
  void paintEvent(QPaintEvent* Event) override;

private:
  int FShape = 0;
  bool FRaised = false;
};

// A group box with its title on the frame's top line, as the platform draws
// it: the stored layouts put what a group box holds just below the title,
// where a style that draws the title above the frame has the frame's line.
class TGroupBoxWidget : public QGroupBox {
public:
  explicit TGroupBoxWidget(QWidget* Parent) : QGroupBox(Parent) {}

protected:
  void paintEvent(QPaintEvent* Event) override;
};

// A page control: its tabs, and a frame around the area where the model
// places the pages.
class TPageWidget : public QWidget {
public:
  explicit TPageWidget(QWidget* Parent);
  QTabBar* Tabs() const { return FTabs; }
  // The page area in the widget (the model's display rectangle).
  void SetPageArea(const QRect& Area);

protected:
  void paintEvent(QPaintEvent* Event) override;

private:
  QTabBar* FTabs;
  QRect FPageArea;
};

class TComboWidget : public QComboBox {
public:
  explicit TComboWidget(QWidget* Parent) : QComboBox(Parent) {}
  // Before the list drops down (the model may fill it) and after it closed.
  std::function<void()> OnDropDown;
  std::function<void()> OnCloseUp;

  void showPopup() override;
  void hidePopup() override;

private:
  bool FDroppedDown = false;
};

} // namespace QtForms
