#include "designide/ToolsAPI.hpp"

namespace ToolsAPI {

TInterfaceRef<IBorlandIDEServices> BorlandIDEServices;

} // namespace ToolsAPI
