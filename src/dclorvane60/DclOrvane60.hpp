// The package unit of the design package DclOrvane60: its package
// information and the entry points the designer host calls.
//
//   GetPackageInfoTable  what the package is (description, kind, requires, units)
//   Initialize           start-up: the runtime package Orvane60 first, then OVReg
//   Register             the registrations of OVReg
//   Finalize             shut-down in reverse order: OVReg, then Orvane60
//   GetPackageServices   the package's services table (PackageServices.hpp)
//
// The host reaches everything else it uses through the services table. The
// library's constructor and destructor play the library entry point: they
// register and unregister the package's module (for its resources).
#pragma once

#include "dclorvane60/PackageServices.hpp"
#include "designide/DesignPackages.hpp"
#include "rtl/Export.hpp"
#include "rtl/System.hpp"

namespace DclOrvane60 {

inline constexpr const char* Description = "Orvane Components";

// An address inside the package's library: its module handle.
const void* HInstance();

} // namespace DclOrvane60

extern "C" {
OV_EXPORT const DesignPackages::TPackageInfoTable* GetPackageInfoTable();
OV_EXPORT void Initialize();
OV_EXPORT void Finalize();
OV_EXPORT void Register();
OV_EXPORT const DclOrvane60::TPackageServices* GetPackageServices();
// The settings object of OVReg (null outside start-up and shut-down); not
// exported: the host reads the settings through the services table.
System::TObject* GetDesignSettings();
}
