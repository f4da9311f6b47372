#include "designide/DesignIntf.hpp"

#include "designide/DesignRegistry.hpp"

namespace DesignIntf {

OV_CLASS_IMPL(ERegistrationError, SysUtils::Exception, "DesignIntf")

void RegisterComponents(const std::string& Page, const std::vector<TClass>& ComponentClasses) {
  DesignRegistry::Detail::AddPaletteClasses(Page, ComponentClasses);
}

void RegisterPropertyEditor(const TypInfo::TTypeInfo* PropertyType, TClass ComponentClass,
                            const std::string& PropertyName, TClass EditorClass) {
  DesignRegistry::Detail::AddPropertyEditor(PropertyType, ComponentClass, PropertyName,
                                            EditorClass);
}

void RegisterComponentEditor(TClass ComponentClass, TClass ComponentEditor) {
  DesignRegistry::Detail::AddComponentEditor(ComponentClass, ComponentEditor);
}

void RegisterPropertiesInCategory(const std::string& CategoryName, TClass ComponentClass,
                                  const std::vector<std::string>& Filters) {
  DesignRegistry::Detail::AddCategory(CategoryName, ComponentClass, Filters);
}

} // namespace DesignIntf
