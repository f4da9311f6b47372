// The registration calls a design package makes from its Register routine:
// palette entries, property editors, component editors and property
// categories. (Object-tree nodes are registered through TreeIntf.)
//
// Every call is recorded under the package that the host says is registering
// (DesignRegistry::TRegistrationScope) and removed when that package unloads;
// the host looks the registrations up through DesignRegistry.
//
// RegisterComponents lives here rather than in Classes: on this platform the
// palette belongs to the designer host, and the rtl knows nothing of it.
#pragma once

#include "rtl/SysUtils.hpp"
#include "rtl/System.hpp"
#include "rtl/TypInfo.hpp"

#include <initializer_list>
#include <string>
#include <vector>

namespace DesignIntf {

using System::TClass;

// Raised for a registration the host cannot take: a missing class, a class of
// the wrong kind, an empty name, or a component class already on the palette.
OV_EXCEPTION(ERegistrationError, SysUtils::Exception)

// Puts the component classes on the palette page Page, in the order given,
// after what the page already holds.
void RegisterComponents(const std::string& Page, const std::vector<TClass>& ComponentClasses);

// Registers EditorClass as the property editor for properties of type
// PropertyType (for a class type: that class and its descendants) of
// ComponentClass and its descendants (null: any component), named
// PropertyName ("": any name). A null EditorClass hides such properties.
void RegisterPropertyEditor(const TypInfo::TTypeInfo* PropertyType, TClass ComponentClass,
                            const std::string& PropertyName, TClass EditorClass);

// Registers the component editor of ComponentClass and its descendants.
void RegisterComponentEditor(TClass ComponentClass, TClass ComponentEditor);

// Puts the properties of ComponentClass and its descendants whose names match
// one of Filters ("*" any run of characters, "?" one character; case does not
// matter) into the Object Inspector's category CategoryName.
void RegisterPropertiesInCategory(const std::string& CategoryName, TClass ComponentClass,
                                  const std::vector<std::string>& Filters);

} // namespace DesignIntf
