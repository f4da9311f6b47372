// The Object Inspector and object tree commands of ovdesigner, run as a
// program on a real design file over a real SQLite database: what they
// print, what they save, and that bad input leaves the file as it was.
#include "ShopDatabase.hpp"

#include "designide/DesignIntf/DesignSpots.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <sstream>
#include <sys/stat.h>

using namespace TestSupport;
using HostTest::ShopDatabaseObject;
using nlohmann::json;

namespace {

class InspectorCommandTest : public ::testing::Test {
protected:
  void SetUp() override {
    WriteRegistry(RegistryFile(), Settings.Path().string());
    Database = Work / "shop.db";
    WriteFile(Work / "shop.sql",
              "create table CUSTOMER (CUSTNO integer primary key, NAME text);\n"
              "create table ORDERS (ORDERNO integer primary key, CUSTNO integer);\n"
              "create table Archive (ID integer);\n");
    const auto Made =
        TestSupport::Run({OV_BINARY_DIR "/bin/ovsqlexec", Database, Work / "shop.sql"});
    ASSERT_EQ(Made.ExitCode, 0) << Made.Err;
    Form = Work / "shop.dfm";
    WriteFile(Form, "object DataModule1: TDataModule\n"
                    "  object OVSession1: TOVSession\n"
                    "    SessionName = 'HostSales'\n"
                    "  end\n" +
                        ShopDatabaseObject(Database, "    SessionName = 'HostSales'\n") +
                        "  object OVTable1: TOVTable\n"
                        "    DatabaseName = 'Shop'\n"
                        "    SessionName = 'HostSales'\n"
                        "    TableName = 'CUSTOMER'\n"
                        "  end\n"
                        "  object OVQuery1: TOVQuery\n"
                        "    DatabaseName = 'Shop'\n"
                        "    SessionName = 'HostSales'\n"
                        "    SQL.Strings = (\n"
                        "      'select * from CUSTOMER')\n"
                        "  end\n"
                        "  object OVQuery2: TOVQuery\n"
                        "    DatabaseName = 'Stock'\n"
                        "  end\n"
                        "end\n");
  }

  std::string RegistryFile() const { return Registry / "registry.ini"; }
  std::string Ini() const { return Settings / "orvane.ini"; }
  TRunResult Designer(std::vector<std::string> Args) const {
    return RunDesigner(std::move(Args), RegistryFile());
  }
  json DesignerJson(std::vector<std::string> Args) const {
    Args.insert(Args.begin(), "--json");
    const auto R = Designer(Args);
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    return R.ExitCode == 0 ? json::parse(R.Out) : json();
  }
  // A failure: exit code 1, one line on stderr naming the problem, and the
  // design file as it was.
  void ExpectRefused(const std::vector<std::string>& Args, const std::string& Part) {
    const std::string Before = ReadFile(Form);
    const auto Time = std::filesystem::last_write_time(Form);
    const auto R = Designer(Args);
    EXPECT_EQ(R.ExitCode, 1) << R.Out << R.Err;
    EXPECT_NE(R.Err.find(Part), std::string::npos) << R.Err;
    EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 1) << R.Err;
    EXPECT_EQ(ReadFile(Form), Before);
    EXPECT_EQ(std::filesystem::last_write_time(Form), Time);
  }
  static json Row(const json& Inspect, const std::string& Name) {
    for (const auto& R : Inspect["properties"])
      if (R["name"] == Name)
        return R;
    return json();
  }

  TTempDir Registry, Settings, Work;
  std::string Database, Form;
};

} // namespace

TEST_F(InspectorCommandTest, TreeShowsCaptionsKindsProblemsAndTransientNodes) {
  const auto R = Designer({"tree", Form});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("DataModule1: TDataModule  [TRootSprig]\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  HostSales (OVSession1): TOVSession  [TOVSessionSprig]\n"
                       "    SQLite | " +
                       Database + " (OVDatabase1): TOVDatabase  [TOVDatabaseSprig]\n"),
            std::string::npos)
      << R.Out;
  EXPECT_NE(R.Out.find("      CUSTOMER (OVTable1)  [TOVTableSprig]\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  Default (OVSession): TOVSession  [TOVDefaultSessionSprig, transient]\n"
                       "    Stock (Unknown)  [TOVImpliedDatabaseSprig, transient]\n"
                       "      ! OVQuery2  [TOVQuerySprig, problem]\n"),
            std::string::npos)
      << R.Out;

  const json J = DesignerJson({"tree", Form});
  const json& Sessions = J["tree"]["children"];
  ASSERT_EQ(Sessions.size(), 2u);
  EXPECT_EQ(Sessions[1]["uniqueName"], "<DefaultSession>");
  EXPECT_TRUE(Sessions[1]["component"].is_null());
  EXPECT_EQ(Sessions[1]["itemClass"], "TOVSession");
  EXPECT_EQ(Sessions[1]["children"][0]["uniqueName"], "<ImpliedDatabase>.Stock");
  EXPECT_TRUE(Sessions[1]["children"][0]["children"][0]["problem"]);
}

TEST_F(InspectorCommandTest, InspectShowsEditorsAttributesAndCategories) {
  const json J = DesignerJson({"inspect", Form, "OVTable1"});
  const json Table = Row(J, "TableName");
  EXPECT_EQ(Table["value"], "CUSTOMER");
  EXPECT_EQ(Table["editor"], "TOVTableNameProperty");
  EXPECT_EQ(Table["attributes"], json({"paValueList", "paMultiSelect", "paSortList"}));
  const json Db = Row(J, "DatabaseName");
  EXPECT_EQ(Db["editor"], "TOVDatabaseNameProperty");
  EXPECT_EQ(Db["category"], "Database");
  EXPECT_EQ(Row(J, "MasterFields")["editor"], "TOVTableFieldLinkProperty");
  EXPECT_EQ(Row(J, "IndexName")["editor"], "TIndexNameProperty");

  const auto R = Designer({"inspect", Form, "OVDatabase1"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("OVDatabase1: TOVDatabase\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("TOVDatabaseConnectedProperty"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("TOVDatabaseParamsProperty"), std::string::npos) << R.Out;

  // A multiple selection shows what the components share, and where their
  // values differ, no value.
  const json Both = DesignerJson({"inspect", Form, "OVQuery1", "OVQuery2"});
  EXPECT_EQ(Both["selection"].size(), 2u);
  EXPECT_EQ(Row(Both, "DatabaseName")["value"], "");
  EXPECT_FALSE(Row(Both, "DatabaseName")["allEqual"]);
  EXPECT_EQ(Row(Both, "Params")["editor"], "TOVQueryParamsProperty");
  EXPECT_TRUE(Row(Both, "Name").is_null());
  const json Mixed = DesignerJson({"inspect", Form, "OVQuery1", "OVTable1"});
  EXPECT_TRUE(Row(Mixed, "SQL").is_null());
  EXPECT_FALSE(Row(Mixed, "SessionName").is_null());
}

TEST_F(InspectorCommandTest, ValuesListLiveNamesSortedAndTheHistoryInItsOrder) {
  // Listing tables connects: only for a trusted design file.
  auto R = Designer({"--trust", "values", Form, "OVTable1", "TableName"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "Archive\nCUSTOMER\nORDERS\n");
  ExpectRefused({"values", Form, "OVTable1", "TableName"}, "the design file is not trusted");
  R = Designer({"values", Form, "OVQuery1", "SessionName"});
  EXPECT_EQ(R.Out, "Default\nHostSales\n");
  R = Designer({"values", Form, "OVQuery1", "DatabaseName"});
  EXPECT_EQ(R.Out, "Shop\n");
  R = Designer({"values", Form, "OVDatabase1", "RemoteDatabase"});
  EXPECT_EQ(R.Out, "<history list>\n");
  WriteFile(Ini(), "[RecentDatabases]\nItem00=/z.db\nItem01=/a.db\n");
  const json J = DesignerJson({"values", Form, "OVDatabase1", "RemoteDatabase"});
  EXPECT_EQ(J["values"], json({"/z.db", "/a.db"}));
  EXPECT_FALSE(J["sorted"]);
}

TEST_F(InspectorCommandTest, SetSavesThroughTheEditorAndConnectingFillsTheHistory) {
  auto R = Designer({"set", Form, "OVTable1", "TableName", "ORDERS"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(ReadFile(Form).find("TableName = 'ORDERS'"), std::string::npos);
  EXPECT_NE(R.Out.find("Saved"), std::string::npos) << R.Out;

  // Choosing the history placeholder changes nothing and writes nothing.
  const std::string Before = ReadFile(Form);
  R = Designer({"set", Form, "OVDatabase1", "RemoteDatabase", "<history list>"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("Nothing changed"), std::string::npos) << R.Out;
  EXPECT_EQ(ReadFile(Form), Before);

  const json J = DesignerJson({"set", Form, "OVDatabase1", "Connected", "True"});
  EXPECT_EQ(J["value"], "True");
  EXPECT_NE(ReadFile(Ini()).find("Item00=" + Database), std::string::npos) << ReadFile(Ini());
  R = Designer({"values", Form, "OVDatabase1", "RemoteDatabase"});
  EXPECT_EQ(R.Out, Database + "\n");
}

TEST_F(InspectorCommandTest, BadInputIsRefusedAndTheFileStaysAsItWas) {
  ExpectRefused({"set", Form, "OVTable1", "Colour", "red"}, "Colour does not exist in OVTable1");
  ExpectRefused({"set", Form, "OVDatabase1", "Connected", "maybe"}, "maybe");
  ExpectRefused({"set", Form, "OVDatabase1", "ServerType", "stOracle"}, "stOracle");
  ExpectRefused({"set", Form, "OVNothing", "Name", "x"}, "no component named OVNothing");
  ExpectRefused({"values", Form, "OVQuery1", "SQL"}, "offers no drop-down list");
  ExpectRefused({"drop", Form, "OVTable1", "OVSession1"}, "cannot be dropped onto");
  ExpectRefused({"drop", Form, "OVTable1", "Nowhere"}, "has no node Nowhere");
  ExpectRefused({"place", Form, "TOVTable", "OVSession1"}, "cannot be placed under");
  ExpectRefused({"place", Form, "TDataSource", "OVSession1"}, "no component class on the palette");
  // A database that cannot be reached while listing its tables.
  std::string Text = ReadFile(Form);
  Text.replace(Text.find(Database), Database.size(), Work / "missing/none.db");
  WriteFile(Form, Text);
  ExpectRefused({"--trust", "values", Form, "OVTable1", "TableName"}, "none.db");
}

TEST_F(InspectorCommandTest, DropRewiresAndSaves) {
  const json J = DesignerJson({"drop", Form, "OVQuery2", "OVDatabase1"});
  EXPECT_TRUE(J["changed"]);
  EXPECT_TRUE(J["saved"]);
  const std::string Text = ReadFile(Form);
  const std::string Query2 = Text.substr(Text.find("object OVQuery2"));
  EXPECT_NE(Query2.find("DatabaseName = 'Shop'"), std::string::npos) << Query2;
  EXPECT_NE(Query2.find("SessionName = 'HostSales'"), std::string::npos) << Query2;
  // Dropping it there again changes nothing and writes nothing.
  const auto R = Designer({"drop", Form, "OVQuery2", "OVDatabase1"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("nothing changed"), std::string::npos) << R.Out;
  EXPECT_EQ(ReadFile(Form), Text);
}

TEST_F(InspectorCommandTest, PlaceAddsAComponentWiredToItsNode) {
  const json J = DesignerJson({"place", Form, "TOVTable", "OVDatabase1"});
  EXPECT_EQ(J["component"], "OVTable2");
  EXPECT_TRUE(J["saved"]);
  const std::string Text = ReadFile(Form);
  const std::string Table2 = Text.substr(Text.find("object OVTable2: TOVTable"));
  EXPECT_NE(Table2.find("DatabaseName = 'Shop'"), std::string::npos) << Table2;
  const json Db = DesignerJson({"place", Form, "TOVDatabase", "<DefaultSession>"});
  EXPECT_EQ(Db["component"], "OVDatabase2");
}

// The design position of each top-level component of a design file, as
// its Left and Top lines give it (0 when absent).
std::map<std::string, DesignIntf::TDesignSpot> SpotsOf(const std::string& Text) {
  std::map<std::string, DesignIntf::TDesignSpot> Spots;
  std::istringstream Lines(Text);
  std::string Line, Current;
  while (std::getline(Lines, Line)) {
    if (Line.rfind("  object ", 0) == 0)
      Spots[Current = Line.substr(9, Line.find(':') - 9)] = {};
    else if (Line.rfind("    Left = ", 0) == 0)
      Spots[Current].Left = std::stoi(Line.substr(11));
    else if (Line.rfind("    Top = ", 0) == 0)
      Spots[Current].Top = std::stoi(Line.substr(10));
  }
  return Spots;
}

TEST_F(InspectorCommandTest, PlacedComponentsLandAtFreeSpotsThatOverlapNothing) {
  // Two components the person put where the first cells are.
  std::string Text = ReadFile(Form);
  Text.insert(Text.find("    DatabaseName = 'Stock'"), "    Left = 120\n    Top = 24\n");
  Text.insert(Text.find("    SessionName = 'HostSales'\n  end"), "    Left = 30\n    Top = 30\n");
  WriteFile(Form, Text);
  std::vector<std::string> Placed;
  for (const auto& [Class, Node] :
       std::vector<std::pair<std::string, std::string>>{{"TOVQuery", "OVDatabase1"},
                                                        {"TOVTable", "OVDatabase1"},
                                                        {"TOVDatabase", "<DefaultSession>"},
                                                        {"TOVQuery", "OVDatabase1"},
                                                        {"TOVTable", "OVDatabase1"},
                                                        {"TOVQuery", "OVDatabase1"},
                                                        {"TOVQuery", "OVDatabase1"}})
    Placed.push_back(DesignerJson({"place", Form, Class, Node})["component"]);
  const auto Spots = SpotsOf(ReadFile(Form));
  ASSERT_EQ(Spots.size(), 5u + Placed.size());
  for (const std::string& New : Placed) {
    const DesignIntf::TDesignSpot Spot = Spots.at(New);
    EXPECT_FALSE(Spot == DesignIntf::TDesignSpot{}) << New;
    for (const auto& [Other, At] : Spots) {
      if (Other == New)
        continue;
      EXPECT_FALSE(DesignIntf::DesignSpotsOverlap(Spot, At))
          << New << " at " << Spot.Left << "," << Spot.Top << " overlaps " << Other << " at "
          << At.Left << "," << At.Top;
    }
  }
  // Beyond the first row they go on in the next.
  EXPECT_GT(Spots.at(Placed.back()).Top, Spots.at(Placed.front()).Top);
}

TEST_F(InspectorCommandTest, EditPropertyRunsTheDialogAsTheScriptSays) {
  WriteFile(Work / "params.ini", "USER NAME=ann\n");
  WriteFile(Work / "choose.txt", "file " + (Work / "params.ini") + "\n");
  auto R = Designer(
      {"edit-property", Form, "OVDatabase1", "ParamsFileName", "--ui-script", Work / "choose.txt"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(ReadFile(Form).find("ParamsFileName = '" + (Work / "params.ini") + "'"),
            std::string::npos);
  // A script that does not fit what the dialog shows fails, and nothing is
  // saved.
  WriteFile(Work / "wrong.txt", "file " + (Work / "none.ini") + "\n");
  ExpectRefused(
      {"edit-property", Form, "OVDatabase1", "ParamsFileName", "--ui-script", Work / "wrong.txt"},
      "refuses");
}

TEST_F(InspectorCommandTest, EditPropertyWithAltOpensTheCodeEditorAndSavesWhatItWrites) {
  const std::string Editor = Work / "editor.sh";
  WriteFile(Editor, "#!/bin/sh\nprintf 'select NAME\\nfrom CUSTOMER\\n' > \"$1\"\n");
  ::chmod(Editor.c_str(), 0755);
  const auto R = RunDesigner({"edit-property", Form, "OVQuery1", "SQL", "--alt"}, RegistryFile(),
                             {{"VISUAL", Editor}, {"EDITOR", Editor}});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const std::string Text = ReadFile(Form);
  EXPECT_NE(Text.find("      'select NAME'\n      'from CUSTOMER')"), std::string::npos) << Text;
}

TEST_F(InspectorCommandTest, UnderAScriptTheScriptEditsTheCodeEditorsModule) {
  WriteFile(Work / "module.txt",
            "module DataModule1.OVQuery1.SQL\ntext select CUSTNO from CUSTOMER\n"
            "save\n");
  const auto R = Designer(
      {"edit-property", Form, "OVQuery1", "SQL", "--alt", "--ui-script", Work / "module.txt"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(ReadFile(Form).find("'select CUSTNO from CUSTOMER')"), std::string::npos)
      << ReadFile(Form);
}

TEST_F(InspectorCommandTest, StringListsAreEditedInTheHostsStringListEditor) {
  std::string Text = ReadFile(Form);
  Text.insert(Text.rfind("end\n"), "  object OVScript1: TOVScript\n"
                                   "    SQL.Strings = (\n"
                                   "      'create table T (A integer);')\n"
                                   "  end\n"
                                   "  object OVUpdateSQL1: TOVUpdateSQL\n"
                                   "  end\n");
  WriteFile(Form, Text);
  const json Rows = DesignerJson({"inspect", Form, "OVUpdateSQL1"});
  for (const char* Statement : {"RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL"})
    EXPECT_EQ(Row(Rows, Statement)["editor"], "TStringListProperty") << Statement;
  // OK with new lines saves them.
  WriteFile(Work / "ok.txt", "form StrEditDlg\n"
                             "expect lblLineCount Caption 1 line\n"
                             "set meLines \"create table T (A integer);\\n"
                             "insert into T values (1);\"\n"
                             "expect lblLineCount Caption 2 lines\n"
                             "click btOk\n");
  auto R = Designer({"edit-property", Form, "OVScript1", "SQL", "--ui-script", Work / "ok.txt"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(ReadFile(Form).find("      'create table T (A integer);'\n"
                                "      'insert into T values (1);')"),
            std::string::npos)
      << ReadFile(Form);
  // Cancel writes nothing.
  WriteFile(Work / "cancel.txt", "form StrEditDlg\nset meLines drop table T\nclick btCancel\n");
  const std::string Before = ReadFile(Form);
  R = Designer({"edit-property", Form, "OVScript1", "SQL", "--ui-script", Work / "cancel.txt"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("Nothing changed"), std::string::npos) << R.Out;
  EXPECT_EQ(ReadFile(Form), Before);
  // The code editor gets the dialog's text as the module of the property;
  // what the script saves there is saved in the file.
  WriteFile(Work / "module.txt", "form StrEditDlg\n"
                                 "click btCodeEditor\n"
                                 "module DataModule1.OVUpdateSQL1.ModifySQL\n"
                                 "text update T set A = :A where A = :OLD_A\n"
                                 "save\n");
  R = Designer(
      {"edit-property", Form, "OVUpdateSQL1", "ModifySQL", "--ui-script", Work / "module.txt"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const std::string After = ReadFile(Form);
  const std::string Update = After.substr(After.find("object OVUpdateSQL1"));
  EXPECT_NE(Update.find("ModifySQL.Strings = (\n      'update T set A = :A where A = :OLD_A')"),
            std::string::npos)
      << Update;
  // Typing a string list is refused with the way to edit it.
  ExpectRefused({"set", Form, "OVScript1", "SQL", "select 1"},
                "edit it with: ovdesigner edit-property");
}

TEST_F(InspectorCommandTest, AValueTheSelectionDoesNotShareKeepsTheColumnsInLine) {
  const auto R = Designer({"inspect", Form, "OVQuery1", "OVQuery2"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  // Every row's editor column starts where the heading's does.
  std::istringstream Lines(R.Out);
  std::string Line;
  std::getline(Lines, Line);
  std::getline(Lines, Line);
  const size_t Editor = Line.find("Editor");
  ASSERT_NE(Editor, std::string::npos) << R.Out;
  int Differing = 0;
  while (std::getline(Lines, Line)) {
    if (Line.find("(differs)") == std::string::npos)
      continue;
    ++Differing;
    EXPECT_EQ(Line.find("  T", Line.find("(differs)")) + 2, Editor) << Line;
  }
  EXPECT_GT(Differing, 0) << R.Out;
}
