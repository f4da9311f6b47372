#include "orvane60/OVConsts.hpp"

namespace OVConsts {

std::string SBindVerb() {
  return "&Parameters...";
}

std::string SBindMacrosVerb() {
  return "&Macros...";
}

std::string SDatasetDesignerVerb() {
  return "Fields Edi&tor...";
}

std::string SEditDatabaseVerb() {
  return "&Database Editor...";
}

std::string SEditSQLVerb() {
  return "&SQL Editor...";
}

std::string SUpdateSQLEditor() {
  return "&UpdateSQL Editor...";
}

std::string SNoDataSet() {
  return "(No DataSet)";
}

std::string SSQLGenSelect() {
  return "You must select at least one key field and one update field";
}

std::string SSQLNotGenerated() {
  return "Update SQL statements not generated, exit anyway?";
}

std::string SSQLDataSetOpen() {
  return "Unable to determine field names for %s";
}

std::string STextTrue() {
  return "True";
}

std::string SPrimary() {
  return "<Primary>";
}

} // namespace OVConsts
