// The window's question for design files from folders not yet trusted, asked
// in a real message box and answered through Qt's test facilities: No opens
// the file without its connections (a SQLite trigger would tell of the SQL
// it runs) and is not asked again; Yes is kept in the registry file. Each
// open document keeps its own folder's answer, whatever another document
// was given: undoing a change reads the design again under its own trust.
#include "QtTestSupport.hpp"

#include "db/DB.hpp"
#include "designide/DesignPackages.hpp"
#include "designide/DesignTrust.hpp"
#include "host/qt/QtDesigner.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <filesystem>

using namespace QtTest;
using namespace TestSupport;
using QtDesigner::TDesignerWindow;
namespace fs = std::filesystem;

namespace {

class WindowTrust : public TPackageFixture {
protected:
  void SetUp() override {
    TPackageFixture::SetUp();
    DesignTrust::Policy().Ask = QtDesigner::TrustQuestion();
  }
  void TearDown() override {
    DesignTrust::Policy().Ask = nullptr;
    Windows.clear();
    TPackageFixture::TearDown();
  }

  // A folder with a SQLite database whose deleted rows a trigger counts, and
  // a design file that connects to it, deletes from it and logs its SQL.
  std::string MakeFolder(const std::string& Name) {
    const fs::path Folder = Dir / Name;
    fs::create_directories(Folder);
    OVDriver::TConnectParams Params;
    Params.RemoteDatabase = Folder / "shop.db";
    Params.Extra = {{"CREATE", "TRUE"}};
    OVDriver::FindDriver("SQLite")->Connect(Params)->ExecuteScript(
        "create table orders (id integer primary key, item text);"
        "insert into orders values (1, 'a'), (2, 'b');"
        "create table audit (n integer);"
        "create trigger gone after delete on orders begin insert into audit values (1); end;");
    WriteFile(Folder / "evil.dfm", "object DataModule1: TDataModule\n"
                                   "  object OVMonitor1: TOVMonitor\n"
                                   "    Active = True\n"
                                   "    FileName = '" +
                                       (Folder / "monitor.log").string() +
                                       "'\n"
                                       "  end\n"
                                       "  object OVDatabase1: TOVDatabase\n"
                                       "    DatabaseName = 'Shop" +
                                       Name +
                                       "'\n"
                                       "    RemoteDatabase = '" +
                                       (Folder / "shop.db").string() +
                                       "'\n"
                                       "    Connected = True\n"
                                       "  end\n"
                                       "  object OVQuery1: TOVQuery\n"
                                       "    DatabaseName = 'Shop" +
                                       Name +
                                       "'\n"
                                       "    SQL.Strings = (\n"
                                       "      'delete from orders returning *')\n"
                                       "    Active = True\n"
                                       "    Left = 24\n"
                                       "    Top = 16\n"
                                       "  end\n"
                                       "end\n");
    return Folder.string();
  }

  // Rows the file's query deleted in Folder's database.
  static std::int64_t Deleted(const std::string& Folder) {
    OVDriver::TConnectParams Params;
    Params.RemoteDatabase = Folder + "/shop.db";
    auto Rows =
        OVDriver::FindDriver("SQLite")->Connect(Params)->Query("select count(*) from audit");
    Rows->Next();
    return Rows->Value(0).AsInteger();
  }

  TDesignerWindow& NewWindow() {
    Windows.push_back(
        std::make_unique<TDesignerWindow>(QtDesigner::TDesignerOptions{OV_PACKAGE_FILE}));
    return *Windows.back();
  }

  // Opens Folder's design file in Window, answering the question (if one
  // comes) with Button, clicked as a person would; the question's text, ""
  // when none came.
  std::string OpenAnswering(TDesignerWindow& Window, const std::string& Folder,
                            const QString& Button) {
    std::string Question;
    Later([&] {
      QMessageBox* Box = OpenMessageBox();
      if (!Box)
        return;
      ++Asked;
      Question = Box->text().toStdString();
      for (QAbstractButton* B : Box->buttons())
        if (QString(B->text()).remove('&') == Button)
          QTest::mouseClick(B, Qt::LeftButton);
    });
    EXPECT_TRUE(Window.OpenFile(Folder + "/evil.dfm"));
    Pump();
    return Question;
  }

  static bool Open(TDesignerWindow& Window, const char* DataSet) {
    return dynamic_cast<DB::TDataSet*>(Window.Designer()->GetComponent(DataSet))->GetActive();
  }

  std::vector<std::unique_ptr<TDesignerWindow>> Windows;
  int Asked = 0;
};

} // namespace

TEST_F(WindowTrust, NoOpensWithoutConnectionsYesIsKeptAndEachDocumentKeepsItsAnswer) {
  const std::string Mail = MakeFolder("mail"), Projects = MakeFolder("projects");
  const std::string MailFolder = DesignTrust::FolderOf(Mail + "/evil.dfm");

  TDesignerWindow& First = NewWindow();
  EXPECT_EQ(OpenAnswering(First, Mail, "No"),
            "This design file connects to databases and runs SQL when opened. Trust files in " +
                MailFolder + "?");
  EXPECT_EQ(Asked, 1);
  EXPECT_EQ(Deleted(Mail), 0);
  EXPECT_FALSE(fs::exists(Mail + "/monitor.log"));
  EXPECT_FALSE(Open(First, "OVQuery1"));
  EXPECT_FALSE(DesignTrust::IsTrustedFolder(MailFolder));
  // The file is shown and kept as stored.
  EXPECT_NE(First.Document()->Text().find("Active = True"), std::string::npos);

  // Declined once: not asked again while the window runs.
  EXPECT_EQ(OpenAnswering(First, Mail, "Yes"), "");
  EXPECT_EQ(Asked, 1);
  EXPECT_EQ(Deleted(Mail), 0);

  // A second window trusts its own folder: the file comes with its state.
  TDesignerWindow& Second = NewWindow();
  EXPECT_NE(OpenAnswering(Second, Projects, "Yes"), "");
  EXPECT_EQ(Asked, 2);
  EXPECT_EQ(Deleted(Projects), 2);
  EXPECT_TRUE(Open(Second, "OVQuery1"));
  EXPECT_TRUE(DesignTrust::IsTrustedFolder(DesignTrust::FolderOf(Projects + "/evil.dfm")));

  // Each document keeps its own answer: a change undone in the first reads
  // its design again without connections, in the second with them.
  for (TDesignerWindow* W : {&First, &Second}) {
    W->Select({W->Designer()->GetComponent("OVQuery1")});
    ASSERT_TRUE(W->MoveSelection(QPoint(8, 8)));
    ASSERT_TRUE(W->Undo());
  }
  EXPECT_EQ(Deleted(Mail), 0);
  EXPECT_FALSE(fs::exists(Mail + "/monitor.log"));
  EXPECT_FALSE(Open(First, "OVQuery1"));
  EXPECT_TRUE(Open(Second, "OVQuery1"));
  EXPECT_TRUE(Messages.empty()) << Messages.front();

  // Trusted now: a folder in the registry is not asked about.
  Windows.erase(Windows.begin() + 1);
  TDesignerWindow& Third = NewWindow();
  EXPECT_EQ(OpenAnswering(Third, Projects, "No"), "");
  EXPECT_EQ(Asked, 2);
}
