#include "dclorvane60/OVReg.hpp"

#include "designide/DesignConst.hpp"
#include "designide/DesignIntf.hpp"
#include "designide/TreeIntf.hpp"
#include "orvane60/OVCommon.hpp"
#include "orvane60/OVCsbSrv.hpp"
#include "orvane60/OVEngine.hpp"

namespace OVReg {

using namespace OVEngine;

TDesignSettings* DesignSettings = nullptr;

namespace {

// 0 at load; the unit's start-up counts down, its shut-down up.
int32_t InitCount = 0;

} // namespace

void InitializeUnit() {
  if (--InitCount != -1)
    return;
  try {
    DesignSettings = new TDesignSettings();
    OVEngine::DefServerType = DesignSettings->ReadDefaultServerType();
  } catch (...) {
    delete DesignSettings;
    DesignSettings = nullptr;
    // A start-up that failed did not happen: the next one tries again.
    InitCount = 0;
    throw;
  }
}

void FinalizeUnit() {
  if (++InitCount != 0)
    return;
  if (!DesignSettings)
    return;
  DesignSettings->WriteRecentDatabases();
  delete DesignSettings;
  DesignSettings = nullptr;
}

int32_t InitGuardCount() {
  return InitCount;
}

void Register() {
  // Step 1: the palette, in this order.
  DesignIntf::RegisterComponents(
      PalettePage,
      {TOVSession::StaticClass(), TOVDatabase::StaticClass(), TOVQuery::StaticClass(),
       TOVMacroQuery::StaticClass(), TOVStoredProc::StaticClass(), TOVTable::StaticClass(),
       TOVUpdateSQL::StaticClass(), TOVScript::StaticClass(), OVCommon::TOVMonitor::StaticClass(),
       OVCsbSrv::TOVSQLBaseServer::StaticClass()});

  // Step 2: property editors, first group (Connected, RemoteDatabase,
  // SessionName, ParamsFileName of databases; DatabaseName and SessionName of
  // datasets and scripts; StoredProcName; TableName, IndexName and
  // IndexFieldNames of tables; Params of queries and stored procedures).
  // The name-list, file-name and params editors register here as they land.

  // Step 3: component editors of the ten classes.
  RegisterComponentEditors();

  // Step 4: property editors, second group: Params of databases, SQL of
  // queries (only while the SQL editor is enabled), MasterFields of tables.
  // The switch is read now in any case, so that it is read once per load of
  // the package and later changes of the file wait for the next load.
  if (DesignSettings && DesignSettings->SQLEditorEnabled()) {
    // The SQL property editor of queries registers here when it lands.
  }
  DesignIntf::RegisterPropertyEditor(TypInfo::StringTypeInfo(), TOVTable::StaticClass(),
                                     "MasterFields", TOVTableFieldLinkProperty::StaticClass());

  // Step 5: property categories, each call loading the category name anew.
  DesignIntf::RegisterPropertiesInCategory(
      DesignConst::sDatabaseCategoryName(), TOVDatabase::StaticClass(),
      {"ServerType", "SessionName", "DatabaseName", "RemoteDatabase"});
  DesignIntf::RegisterPropertiesInCategory(DesignConst::sDatabaseCategoryName(),
                                           TOVDataSet::StaticClass(), {"DatabaseName"});
  DesignIntf::RegisterPropertiesInCategory(DesignConst::sDatabaseCategoryName(),
                                           TOVDataSetUpdateObject::StaticClass(), {"*SQL"});

  // Step 6: object-tree nodes.
  TreeIntf::RegisterSprigType(TOVSession::StaticClass(), TOVSessionSprig::StaticClass());
  TreeIntf::RegisterSprigType(TOVDatabase::StaticClass(), TOVDatabaseSprig::StaticClass());
  TreeIntf::RegisterSprigType(TOVDataSet::StaticClass(), TOVDataSetSprig::StaticClass());
  TreeIntf::RegisterSprigType(TOVTable::StaticClass(), TOVTableSprig::StaticClass());
  TreeIntf::RegisterSprigType(TOVQuery::StaticClass(), TOVQuerySprig::StaticClass());
  TreeIntf::RegisterSprigType(TOVStoredProc::StaticClass(), TOVStoredProcSprig::StaticClass());
  TreeIntf::RegisterSprigType(TOVUpdateSQL::StaticClass(), TOVUpdateSQLSprig::StaticClass());
}

} // namespace OVReg
