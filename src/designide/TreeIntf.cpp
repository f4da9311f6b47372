#include "designide/TreeIntf.hpp"

#include "designide/DesignRegistry.hpp"

namespace TreeIntf {

void RegisterSprigType(TClass ComponentClass, TClass SprigClass) {
  DesignRegistry::Detail::AddSprigType(ComponentClass, SprigClass);
}

} // namespace TreeIntf
