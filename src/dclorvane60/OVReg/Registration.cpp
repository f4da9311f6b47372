#include "dclorvane60/OVReg.hpp"

#include "db/DB.hpp"
#include "designide/DBReg.hpp"
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

  // Step 2: property editors, first group.
  const TypInfo::TTypeInfo* String = TypInfo::StringTypeInfo();
  const TypInfo::TTypeInfo* Params = TypInfo::ClassTypeInfo(DB::TParams::StaticClass());
  const TypInfo::TTypeInfo* Strings = TypInfo::ClassTypeInfo(Classes::TStrings::StaticClass());
  DesignIntf::RegisterPropertyEditor(TypInfo::BooleanTypeInfo(), TOVDatabase::StaticClass(),
                                     "Connected", TOVDatabaseConnectedProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVDatabase::StaticClass(), "RemoteDatabase",
                                     TOVDatabaseProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVDatabase::StaticClass(), "SessionName",
                                     TOVSessionNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVDatabase::StaticClass(), "ParamsFileName",
                                     TOVFileNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVDataSet::StaticClass(), "DatabaseName",
                                     TOVDatabaseNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVDataSet::StaticClass(), "SessionName",
                                     TOVSessionNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVScript::StaticClass(), "DatabaseName",
                                     TOVDatabaseNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVScript::StaticClass(), "SessionName",
                                     TOVSessionNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVStoredProc::StaticClass(), "StoredProcName",
                                     TOVStoredProcNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVTable::StaticClass(), "TableName",
                                     TOVTableNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVTable::StaticClass(), "IndexName",
                                     DBReg::TIndexNameProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVTable::StaticClass(), "IndexFieldNames",
                                     DBReg::TIndexFieldNamesProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(Params, TOVQuery::StaticClass(), "Params",
                                     TOVQueryParamsProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(Params, TOVStoredProc::StaticClass(), "Params",
                                     TOVStoredProcParamsProperty::StaticClass());

  // Step 3: component editors of the ten classes.
  RegisterComponentEditors();

  // Step 4: property editors, second group. The SQL editor switch is read
  // now in any case, so that it is read once per load of the package and
  // later changes of the file wait for the next load; without the editor the
  // query's SQL keeps the host's editor for string lists.
  DesignIntf::RegisterPropertyEditor(Strings, TOVDatabase::StaticClass(), "Params",
                                     TOVDatabaseParamsProperty::StaticClass());
  if (DesignSettings && DesignSettings->SQLEditorEnabled())
    DesignIntf::RegisterPropertyEditor(Strings, TOVQuery::StaticClass(), "SQL",
                                       TOVQuerySQLProperty::StaticClass());
  DesignIntf::RegisterPropertyEditor(String, TOVTable::StaticClass(), "MasterFields",
                                     TOVTableFieldLinkProperty::StaticClass());

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
