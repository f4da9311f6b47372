// User interface scripts: every line either is an action or is refused with
// the script's own error naming the line; a script that loaded runs against
// a program that asks nothing without anything but its own errors.
#include "vcl/ScriptedUI.hpp"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  std::size_t Start = 0;
  while (Start <= Text.size()) {
    std::size_t End = Text.find('\n', Start);
    if (End == std::string_view::npos)
      End = Text.size();
    try {
      if (auto Action = UIActions::ParseAction(Text.substr(Start, End - Start)); Action) {
        (void)UIActions::Quote(Action->Target);
        for (const auto& Arg : Action->Args)
          (void)UIActions::Quote(Arg.Text);
      }
    } catch (const UIActions::EUIActionError&) {
    }
    Start = End + 1;
  }
  try {
    ScriptedUI::TScriptedUI UI(Text, "fuzz");
    std::ostringstream Out;
    UI.SetOutput(&Out);
    (void)UI.IsKeyDown(18);
    (void)UI.Finished();
    UI.CheckFinished();
  } catch (const ScriptedUI::EUIScriptError& E) {
    if (E.Message().rfind("fuzz", 0) != 0)
      std::abort();
  }
  return 0;
}
