// What the Qt tests share: the Qt service installed for a test, waiting for
// the event loop, acting on the dialog or message box that is open at the
// time (a modal run returns only when it closes), and finding widgets.
#pragma once

#include "designide/DesignPackages.hpp"
#include "host/qt/QtForms.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Readable test failures.
inline void PrintTo(const QString& S, std::ostream* Os) {
  *Os << '"' << S.toStdString() << '"';
}
inline void PrintTo(const QStringList& L, std::ostream* Os) {
  *Os << '{' << L.join(", ").toStdString() << '}';
}

namespace QtTest {

// The Qt service, installed for the test's lifetime; message boxes are
// recorded as they appear.
class TQtFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  QtForms::TQtUI UI;
  std::vector<std::string> Messages;

private:
  std::unique_ptr<UIService::TUIServiceScope> FScope;
};

// The design package loaded as the host loads it, with a registry file of
// the test's own in Dir, and the Qt service installed. Message boxes are
// recorded in Messages and answered by AnswerBox (OK unless overridden).
// A derived TearDown closes its windows before calling this one, which
// unloads the package.
class TPackageFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  virtual int AnswerBox(const UIService::TMessageBoxRequest& Request);

  TestSupport::TTempDir Dir;
  TestSupport::TEnvironment Env;
  std::unique_ptr<DesignPackages::TDesignPackage> Package;
  QtForms::TQtUI UI;
  std::vector<std::string> Messages;

private:
  std::unique_ptr<UIService::TUIServiceScope> FScope;
};

// Lets queued events (deferred focus changes, window activation) happen.
void Pump(int Times = 3);

// Runs Step as soon as the event loop runs (inside a modal run that is
// about to start); the steps run in order, one per turn of the loop, each
// after the ones before it are done.
void Later(std::function<void()> Step);
void Later(std::vector<std::function<void()>> Steps);

// The message box open now, or null.
QMessageBox* OpenMessageBox();
// Presses the button with that caption on the message box open now;
// fails the test when there is none.
void Answer(const QString& Button);

// The widget named Name (a control's name) in Window, of class T.
template <class T> T* Find(QWidget* Window, const QString& Name) {
  T* W = Window ? Window->findChild<T*>(Name) : nullptr;
  EXPECT_NE(W, nullptr) << "no widget " << Name.toStdString();
  return W;
}

} // namespace QtTest
