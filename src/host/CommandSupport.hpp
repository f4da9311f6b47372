// What the host's command modules share: a design file opened for one
// command with its designer, user interfaces that pass requests on to another
// one, and small text helpers. Each command module (HostCommands.cpp,
// InspectorCommands.cpp, EditorCommands.cpp, UpdateSQLCommands.cpp,
// GuiCommands.cpp) exports one Add...Commands function that registers its
// subcommands on the command line; main calls them in turn.
#pragma once

#include "designide/DesignIntf/Designer.hpp"
#include "host/CommandOutput.hpp"
#include "host/DesignDocument.hpp"
#include "host/HostCommands.hpp"
#include "vcl/UIService.hpp"

#include <memory>
#include <string>
#include <vector>

namespace HostCommands {

// A design file opened for one command, with its designer.
class TDesign {
public:
  // ForUpdate for commands that may save the file (its update lock).
  TDesign(THost& Host, const std::string& FileName, bool ForUpdate = false);
  TDesign(const TDesign&) = delete;
  TDesign& operator=(const TDesign&) = delete;

  DesignIntf::TDesigner* Designer() const { return FDesigner.Get(); }
  DesignDocument::TDesignDocument& Document() const { return *FDocument; }
  Classes::TComponent* Root() const { return FDocument->Root(); }
  const std::string& FileName() const { return FDocument->FileName(); }

  // The component named Name; EComponentError naming the file when there is
  // none.
  Classes::TComponent* Component(const std::string& Name) const;
  // Saves the file when the designer was told of a change, and records the
  // change in the file's history (see undo) named ChangeName; whether it
  // saved. A history that cannot be written is reported on stderr: the
  // design is saved all the same.
  bool SaveIfModified(const std::string& ChangeName);
  // For a command done with the design that ends the process next: the
  // document is left to the end of the process when that is sound
  // (TDesignDocument::LeaveToExit). The design is of no more use after.
  void LeaveToExit();

private:
  std::unique_ptr<DesignDocument::TDesignDocument> FDocument;
  System::TInterfaceRef<DesignIntf::TDesigner> FDesigner;
  std::string FOpened; // the design's text as opened, for update
};

// Keeps Object, which the caller no longer frees, to the end of the process,
// held from a global so that leak checkers see it reachable: for what goes
// with a document that is left to the end (TDesignDocument::CanLeaveToExit).
void KeepToExit(const void* Object);

// Records in the history file of Document the change from Before to its
// text now (DesignDocument::RecordInHistoryFile); a failure is reported on
// stderr and goes no further.
void RecordChange(DesignDocument::TDesignDocument& Document, const std::string& ChangeName,
                  const std::string& Before);

// A user interface that passes every request on to Inner; a command
// overrides what it watches or changes.
class TForwardingUI : public UIService::IUIService {
public:
  explicit TForwardingUI(UIService::IUIService* AInner) : FInner(AInner) {}
  void RunModal(Forms::TCustomForm* Form) override;
  void FormShown(Forms::TCustomForm* Form) override;
  void FormHidden(Forms::TCustomForm* Form) override;
  int MessageBox(const UIService::TMessageBoxRequest& Request) override;
  bool ExecuteOpenDialog(UIService::TFileDialogRequest& Request) override;
  bool IsKeyDown(int VirtualKey) override;
  bool OpenDocument(const std::string& Document) override;
  Types::TSize MeasureText(const Graphics::TFont& Font, std::string_view Text) override;
  void ShowCursor(int Cursor) override;
  bool EditTextModule(UIService::TTextModuleRequest& Request) override;

protected:
  UIService::IUIService* Inner() const { return FInner; }

private:
  UIService::IUIService* FInner;
};

// Items joined by Sep.
std::string Join(const std::vector<std::string>& Items, const char* Sep = ", ");

} // namespace HostCommands
