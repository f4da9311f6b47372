#include "QtTestSupport.hpp"

#include "TestForms.hpp"
#include "vcl/Dialogs.hpp"

#include <deque>
#include <memory>

namespace QtTest {

void TQtFixture::SetUp() {
  VclTest::RegisterTestModule();
  FScope = std::make_unique<UIService::TUIServiceScope>(&UI);
  UI.OnMessageBox = [this](const UIService::TMessageBoxRequest& R) { Messages.push_back(R.Text); };
}

void TQtFixture::TearDown() {
  Forms::Application->ProcessMessages();
  FScope.reset();
  Pump();
}

void TPackageFixture::SetUp() {
  TestSupport::UseRegistry(Env, Dir / "registry.ini", Dir.Path().string());
  Package = DesignPackages::TDesignPackage::Load(OV_PACKAGE_FILE);
  FScope = std::make_unique<UIService::TUIServiceScope>(&UI);
  UI.AnswerMessageBox = [this](const UIService::TMessageBoxRequest& R) {
    Messages.push_back(R.Text);
    return AnswerBox(R);
  };
}

void TPackageFixture::TearDown() {
  Forms::Application->ProcessMessages();
  FScope.reset();
  Pump();
  Package->Unload();
}

int TPackageFixture::AnswerBox(const UIService::TMessageBoxRequest&) {
  return Dialogs::ModalResultOf(Dialogs::TMsgDlgBtn::mbOK);
}

void Pump(int Times) {
  for (int I = 0; I < Times; ++I) {
    QApplication::processEvents(QEventLoop::AllEvents);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

namespace {

void RunNext(std::shared_ptr<std::deque<std::function<void()>>> Steps) {
  if (Steps->empty())
    return;
  QTimer::singleShot(0, [Steps] {
    auto Step = std::move(Steps->front());
    Steps->pop_front();
    // The next step is queued before this one runs: a step that opens a
    // modal box returns only when the box closes.
    RunNext(Steps);
    Step();
  });
}

} // namespace

void Later(std::function<void()> Step) {
  Later(std::vector<std::function<void()>>{std::move(Step)});
}

void Later(std::vector<std::function<void()>> Steps) {
  auto Queue = std::make_shared<std::deque<std::function<void()>>>(
      std::make_move_iterator(Steps.begin()), std::make_move_iterator(Steps.end()));
  RunNext(Queue);
}

QMessageBox* OpenMessageBox() {
  return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

void Answer(const QString& Button) {
  QMessageBox* Box = OpenMessageBox();
  ASSERT_NE(Box, nullptr) << "no message box is open to answer " << Button.toStdString();
  for (QAbstractButton* B : Box->buttons())
    if (QString(B->text()).remove('&') == Button) {
      B->click();
      return;
    }
  FAIL() << "the message box has no button " << Button.toStdString();
}

} // namespace QtTest
