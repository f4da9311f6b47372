// Message dialogs and the file-open dialog. Both ask the UI service, which
// shows them to a person; the model checks what comes back.
#pragma once

#include "rtl/Classes.hpp"

#include <memory>
#include <string>

namespace Dialogs {

using Classes::TComponent;
using Classes::TNotifyEvent;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
OV_ENUM(TMsgDlgType, "mtWarning", "mtError", "mtInformation", "mtConfirmation", "mtCustom")

enum class TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
OV_ENUM(TMsgDlgBtn, "mbYes", "mbNo", "mbOK", "mbCancel", "mbAbort", "mbRetry", "mbIgnore", "mbAll",
        "mbNoToAll", "mbYesToAll", "mbHelp")
OV_SET(TMsgDlgButtons, TMsgDlgBtn)

inline constexpr TMsgDlgButtons mbYesNoCancel{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo,
                                              TMsgDlgBtn::mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{TMsgDlgBtn::mbAbort, TMsgDlgBtn::mbRetry,
                                                   TMsgDlgBtn::mbIgnore};

// The modal result a button gives (mbYes: mrYes 6, mbOK: mrOk 1, ...); 0 for
// mbHelp, which does not close a message box.
int ModalResultOf(TMsgDlgBtn Button);
// "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "No to All",
// "Yes to All", "Help": the captions of the buttons.
std::string ButtonCaption(TMsgDlgBtn Button);
// "Warning", "Error", "Information", "Confirm", or the application's title.
std::string DialogCaption(TMsgDlgType DlgType);

// Shows a message box with the buttons in the order of TMsgDlgBtn and
// returns the modal result of the button pressed. Without buttons the box
// has OK. Raises UIService::ENoUserInterface when nobody can answer.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// An information box with OK, captioned with the application's title.
void ShowMessage(const std::string& Msg);

enum class TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden
};
OV_ENUM(TOpenOption, "ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir",
        "ofShowHelp", "ofNoValidate", "ofAllowMultiSelect", "ofExtensionDifferent",
        "ofPathMustExist", "ofFileMustExist", "ofCreatePrompt", "ofShareAware",
        "ofNoReadOnlyReturn", "ofNoTestFileCreate", "ofNoNetworkButton", "ofNoLongNames",
        "ofOldStyleDialog", "ofNoDereferenceLinks", "ofEnableIncludeNotify", "ofEnableSizing",
        "ofDontAddToRecent", "ofForceShowHidden")
OV_SET(TOpenOptions, TOpenOption)

class TCommonDialog : public TComponent {
  OV_CLASS(TCommonDialog, TComponent)
public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  virtual bool Execute() = 0;
  int GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(int Value) { FHelpContext = Value; }

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

private:
  int FHelpContext = 0;
};

// The file-open dialog. What the person chooses is completed and checked by
// the dialog itself, whatever user interface shows it: a relative name is
// taken in InitialDir (else the current folder), a name without extension
// gets DefaultExt, and with ofPathMustExist / ofFileMustExist a missing
// folder or file is refused with the platform's message.
class TOpenDialog : public TCommonDialog {
  OV_CLASS(TOpenDialog, TCommonDialog)
public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;

  const std::string& GetFileName() const { return FFileName; }
  void SetFileName(const std::string& Value) { FFileName = Value; }
  const std::string& GetFilter() const { return FFilter; }
  void SetFilter(const std::string& Value) { FFilter = Value; }
  int GetFilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int Value) { FFilterIndex = Value; }
  const std::string& GetInitialDir() const { return FInitialDir; }
  void SetInitialDir(const std::string& Value) { FInitialDir = Value; }
  const std::string& GetDefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const std::string& Value) { FDefaultExt = Value; }
  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  TOpenOptions GetOptions() const { return FOptions; }
  void SetOptions(TOpenOptions Value) { FOptions = Value; }
  // The chosen files (one without ofAllowMultiSelect).
  Classes::TStrings* GetFiles() const { return FFiles.get(); }

  // True with FileName set when the person chose a file the dialog accepts,
  // false when they cancelled.
  bool Execute() override;
  // The dialog's completion and check of a typed name (see the class):
  // completes Path in place and returns the refusal message or "".
  std::string CheckFileName(std::string& Path) const;

private:
  std::string FFileName;
  std::string FFilter;
  int FFilterIndex = 1;
  std::string FInitialDir;
  std::string FDefaultExt;
  std::string FTitle;
  TOpenOptions FOptions{TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing};
  std::unique_ptr<Classes::TStringList> FFiles;
};

} // namespace Dialogs
