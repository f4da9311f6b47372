// The runtime package's start-up and shut-down. The design package's
// Initialize calls Initialize before its own units start, and its Finalize
// calls Finalize after they stop. Calls nest: only the first Initialize and
// the matching last Finalize do the work.
//
// Initialize registers the component classes, the field classes and the data
// source with the class registry, so that design files naming them can be
// read; Finalize unregisters them. The module itself (for the stored layouts
// of the runtime dialogs) is registered by the library's entry point when the
// library is loaded, not here.
#pragma once

namespace Orvane60 {

void Initialize();
void Finalize();
bool Initialized();
// An address inside the runtime package's library, its module handle.
const void* HInstance();

} // namespace Orvane60
