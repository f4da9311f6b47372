#include "vcl/Windows.hpp"

#include "vcl/Controls.hpp"
#include "vcl/UIService.hpp"

namespace Windows {

LRESULT SendMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  return Wnd ? Wnd->Perform(Msg, WParam, LParam) : 0;
}

int16_t GetAsyncKeyState(int VirtualKey) {
  return UIService::UI()->IsKeyDown(VirtualKey) ? static_cast<int16_t>(-32768) : 0;
}

intptr_t ShellExecute(HWND, const std::string& Operation, const std::string& File,
                      const std::string&, const std::string&, int) {
  constexpr intptr_t SE_ERR_NOASSOC = 31;
  if (!Operation.empty() && !SysUtils::SameText(Operation, "open"))
    return SE_ERR_NOASSOC;
  return UIService::UI()->OpenDocument(File) ? 42 : ERROR_FILE_NOT_FOUND;
}

} // namespace Windows
