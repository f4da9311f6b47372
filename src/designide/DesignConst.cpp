#include "designide/DesignConst.hpp"

namespace DesignConst {

std::string sDatabaseCategoryName() {
  return "Database";
}

} // namespace DesignConst
