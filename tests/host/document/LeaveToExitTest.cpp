// A batch command's document left to the end of the process: only when it
// was read connecting nowhere, and never with its update lock held.
#include "DocumentTestSupport.hpp"

#include "designide/DesignTrust.hpp"
#include "rtl/IOUtils.hpp"

namespace {

using namespace DocumentTest;

// Hears when the component it watches is freed.
class TWatcher : public Classes::TComponent {
public:
  TWatcher() : TComponent(nullptr) {}
  int Removed = 0;

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == Classes::TOperation::opRemove)
      ++Removed;
  }
};

class LeaveToExit : public Document {
protected:
  void SetUp() override {
    Document::SetUp();
    TestSupport::UseRegistry(Env, Dir / "registry.ini", Dir.Path().string());
    DesignTrust::Policy() = {};
    DesignTrust::Policy().ReadOnly = true; // as the commands that only read
    TestSupport::WriteFile(Dir / "shop.dfm", Shop);
  }
  void TearDown() override {
    DesignTrust::Policy() = {};
    Document::TearDown();
  }
  // Opens the shop design for update, has Watcher watch its query, and
  // leaves the document to the end of the process.
  void OpenAndLeave(TWatcher& Watcher) {
    auto Opened = DesignDocument::TDesignDocument::Open(Dir / "shop.dfm", true);
    Watcher.FreeNotification(Opened->Root()->FindComponent("CustomerQuery"));
    DesignDocument::TDesignDocument::LeaveToExit(std::move(Opened));
  }

  TestSupport::TEnvironment Env;
};

TEST_F(LeaveToExit, AnUntrustedFileIsLeftWithItsLockReleased) {
  TWatcher Watcher;
  OpenAndLeave(Watcher);
  EXPECT_EQ(Watcher.Removed, 0); // its components live on
  // The next command on the file does not wait for the lock.
  EXPECT_NO_THROW(IOUtils::TFileUpdateLock(Dir / "shop.dfm", 0));
}

TEST_F(LeaveToExit, ATrustedFileIsFreedAtOnce) {
  // Its components may hold connections and logs: their destructors run.
  DesignTrust::Policy().TrustAll = true;
  TWatcher Watcher;
  OpenAndLeave(Watcher);
  EXPECT_EQ(Watcher.Removed, 1);
  EXPECT_NO_THROW(IOUtils::TFileUpdateLock(Dir / "shop.dfm", 0));
}

} // namespace
