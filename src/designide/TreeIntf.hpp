// The object tree view's interface for packages: the node (sprig) classes that
// show components in the tree, and their registration.
#pragma once

#include "rtl/System.hpp"

namespace TreeIntf {

using System::TClass;

// Registers SprigClass as the tree node class for ComponentClass and its
// descendants (the most derived registration wins).
void RegisterSprigType(TClass ComponentClass, TClass SprigClass);

} // namespace TreeIntf
