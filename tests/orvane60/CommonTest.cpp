// Identifier quoting, object names, version information, the monitor's
// failures and the resource strings.
#include "orvane60/OVCommon.hpp"
#include "orvane60/OVConsts.hpp"
#include "orvane60/Orvane60.hpp"

#include "orvane60/EngineTestUtil.hpp"

#include <fstream>

using namespace OVCommon;

namespace {

TEST(QuoteIdentifier, CasesAsAWholeAndByParts) {
  const std::pair<const char*, const char*> Cases[] = {
      {"CUSTOMER", "\"CUSTOMER\""},
      {"OLD_CUST_ID", "\"OLD_CUST_ID\""},
      {"\"Already Quoted\"", "\"Already Quoted\""},
      {"My Table", "\"My Table\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"owner.table", "\"owner\".\"table\""},
      {"main.\"My Table\"", "\"main\".\"My Table\""},
      {"\"a.b\"", "\"a.b\""},
      {"db.owner.tab", "\"db\".\"owner\".\"tab\""},
      {"a.b.c.d", "\"a.b.c.d\""},
      {"my schema.tab", "\"my schema.tab\""},
      {"trailing.", "\"trailing.\""},
      {".lead", "\".lead\""},
      {"\"open", "\"\"\"open\""},
      {"\"\"", "\"\"\"\"\"\""},
      {"x$1", "\"x$1\""},
      {"1abc", "\"1abc\""},
      {"Größe", "\"Größe\""},
      {"", ""},
  };
  for (const auto& [In, Out] : Cases)
    EXPECT_EQ(QuoteIdentifier(In, true), Out) << In;
  for (const auto& [In, Out] : Cases)
    EXPECT_EQ(QuoteIdentifier(In, false), In) << In;
}

TEST(GetValidObjName, TrimsAndCutsTheOwnerOnlyWhenAsked) {
  const std::tuple<const char*, bool, const char*> Cases[] = {
      {"  CUSTOMER ", false, "CUSTOMER"},
      {"owner.table", false, "owner.table"},
      {"owner.table", true, "table"},
      {"main.\"My Table\"", true, "\"My Table\""},
      {"db.owner.tab", true, "tab"},
      {"My Schema.My Table", true, "My Schema.My Table"},
      {"\"a.b\"", true, "\"a.b\""},
      {"plain", true, "plain"},
      {"", true, ""},
  };
  for (const auto& [In, Cut, Out] : Cases)
    EXPECT_EQ(GetValidObjName(In, Cut), Out) << In << " " << Cut;
}

TEST(VersionInfo, FileWithoutVersionResourceLeavesTheValuesUnchanged) {
  EngineTestUtil::TTempDir Dir;
  const auto Text = Dir.Path() / "plain.txt";
  std::ofstream(Text) << "no module";
  for (const std::string& File : {Text.string(), (Dir.Path() / "missing.so").string(),
                                  OVCommon::GetModuleFileNameStr(Orvane60::HInstance())}) {
    std::string Name = "Orvane", Version;
    ReadFileVersInfo(File, Name, Version);
    EXPECT_EQ(Name, "Orvane") << File;
    EXPECT_EQ(Version, "") << File;
  }
  EXPECT_EQ(GetModuleFileNameStr(nullptr), "");
}

#ifdef OV_VERSIONED_MODULE
TEST(VersionInfo, ProductNameAndVersionFromTheModulesResource) {
  std::string Name = "Orvane", Version;
  ReadFileVersInfo(OV_VERSIONED_MODULE, Name, Version);
  EXPECT_EQ(Name, "Orvane Library");
  EXPECT_EQ(Version, "6.5.3.0");
}
#endif

TEST(Monitor, ActivatingWithoutAWritableFileFailsAndStaysInactive) {
  EngineTestUtil::TTempDir Dir;
  TOVMonitor M(nullptr);
  EXPECT_THROW(M.SetActive(true), SysUtils::EInOutError);
  EXPECT_FALSE(M.GetActive());
  M.SetFileName((Dir.Path() / "no-dir" / "x.log").string());
  try {
    M.SetActive(true);
    FAIL();
  } catch (const SysUtils::EInOutError& E) {
    EXPECT_NE(E.Message().find("no-dir"), std::string::npos);
  }
  EXPECT_FALSE(M.GetActive());
  EXPECT_FALSE(AnyMonitorActive());

  const auto Good = (Dir.Path() / "a.log").string();
  M.SetFileName(Good);
  M.SetActive(true);
  EXPECT_THROW(M.SetFileName((Dir.Path() / "no-dir" / "y.log").string()), SysUtils::EInOutError);
  EXPECT_EQ(M.GetFileName(), Good);
  MonitorSQL("select\n\t1");
  M.SetActive(false);
  std::ifstream In(Good);
  std::string Line;
  std::getline(In, Line);
  EXPECT_EQ(Line.substr(23), " select 1");
}

TEST(Consts, TextsOfTheResourceStrings) {
  using namespace OVConsts;
  for (const std::string& S :
       {SBindVerb(), SBindMacrosVerb(), SDatasetDesignerVerb(), SEditDatabaseVerb(), SEditSQLVerb(),
        SUpdateSQLEditor(), SNoDataSet(), SSQLGenSelect(), SSQLNotGenerated(), SSQLDataSetOpen(),
        STextTrue(), SPrimary()})
    EXPECT_FALSE(S.empty());
  EXPECT_EQ(STextTrue(), "True");
  EXPECT_EQ(SysUtils::Format(SSQLDataSetOpen(), std::string("CUSTOMER")),
            "Unable to determine field names for CUSTOMER");
  EXPECT_EQ(SDatasetDesignerVerb(), "Fields Edi&tor...");
}

} // namespace
