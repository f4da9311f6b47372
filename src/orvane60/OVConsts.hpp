// OVConsts: the runtime package's resource strings. Each is a function that
// returns the text when it is called, so a caller reads it at the moment of
// use (a menu caption is asked for anew each time it is shown). Texts with
// '&' mark the accelerator letter of a menu item.
#pragma once

#include <string>

namespace OVConsts {

std::string SBindVerb();            // parameters collection verb
std::string SBindMacrosVerb();      // macros collection verb
std::string SDatasetDesignerVerb(); // fields editor verb
std::string SEditDatabaseVerb();    // connection dialog verb
std::string SEditSQLVerb();         // SQL dialog verb
std::string SUpdateSQLEditor();     // UpdateSQL editor verb
std::string SNoDataSet();           // caption placeholder for an update object without dataset
std::string SSQLGenSelect();        // no key or update field selected
std::string SSQLNotGenerated();     // modify statement missing: close anyway?
std::string SSQLDataSetOpen();      // format: %s the table whose fields cannot be read
std::string STextTrue();            // the text of a true Boolean value
std::string SPrimary();             // the entry of the primary index in index lists

} // namespace OVConsts
