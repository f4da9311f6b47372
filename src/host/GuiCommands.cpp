#include "host/GuiCommands.hpp"

#include "host/CommandOutput.hpp"
#include "host/qt/QtHost.hpp"

#include <ostream>

namespace HostCommands {

void Gui(THost& Host, const std::string& FileName) {
  QtHost::TDesignerRun Run;
  Run.PackageFile = Host.Package().FileName();
  Run.FileName = FileName;
  QtHost::RunDesigner(Run);
}

void Screenshot(THost& Host, const std::string& FileName, const std::string& Dialog,
                const std::string& OutFile, std::ostream& Out) {
  QtHost::TScreenshot Shot;
  Shot.PackageFile = Host.Package().FileName();
  Shot.FileName = FileName;
  Shot.Dialog = Dialog;
  Shot.OutFile = OutFile;
  QtHost::Screenshot(Shot);
  if (Host.Options().Json) {
    PrintJson(Out, {{"file", FileName},
                    {"dialog", Dialog.empty() ? "designer" : Dialog},
                    {"picture", OutFile}});
    return;
  }
  Out << "Wrote " << OutFile << '\n';
}

} // namespace HostCommands
