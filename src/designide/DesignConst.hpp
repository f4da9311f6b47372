// The designer host's own texts that packages use, as resource strings:
// functions, so that each use loads the text anew.
#pragma once

#include <string>

namespace DesignConst {

// The Object Inspector's database category.
std::string sDatabaseCategoryName();

} // namespace DesignConst
