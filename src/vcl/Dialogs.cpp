#include "vcl/Dialogs.hpp"

#include "vcl/Forms.hpp"
#include "vcl/UIService.hpp"

#include <array>

namespace Dialogs {

using SysUtils::Format;

OV_CLASS_BEGIN(TCommonDialog, TComponent, "Dialogs")
B.Property("HelpContext", &TCommonDialog::GetHelpContext, &TCommonDialog::SetHelpContext)
    .Default(0);
B.Event("OnClose", &TCommonDialog::OnClose);
B.Event("OnShow", &TCommonDialog::OnShow);
OV_CLASS_END

int ModalResultOf(TMsgDlgBtn Button) {
  constexpr std::array<int, 11> Results{6, 7, 1, 2, 3, 4, 5, 8, 9, 10, 0};
  return Results[static_cast<size_t>(Button)];
}

std::string ButtonCaption(TMsgDlgBtn Button) {
  constexpr std::array<const char*, 11> Captions{"Yes",       "No",         "OK",     "Cancel",
                                                 "Abort",     "Retry",      "Ignore", "All",
                                                 "No to All", "Yes to All", "Help"};
  return Captions[static_cast<size_t>(Button)];
}

std::string DialogCaption(TMsgDlgType DlgType) {
  switch (DlgType) {
  case TMsgDlgType::mtWarning:
    return "Warning";
  case TMsgDlgType::mtError:
    return "Error";
  case TMsgDlgType::mtInformation:
    return "Information";
  case TMsgDlgType::mtConfirmation:
    return "Confirm";
  case TMsgDlgType::mtCustom:
    break;
  }
  return Forms::Application->GetTitle();
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  UIService::TMessageBoxRequest R;
  R.Caption = DialogCaption(DlgType);
  R.Text = Msg;
  R.DlgType = DlgType;
  R.Buttons = Buttons;
  // A box needs a button that closes it.
  if ((Buttons - TMsgDlgButtons{TMsgDlgBtn::mbHelp}).Empty())
    R.Buttons.Include(TMsgDlgBtn::mbOK);
  R.HelpCtx = HelpCtx;
  const int Result = UIService::UI()->MessageBox(R);
  for (unsigned I = 0; I <= static_cast<unsigned>(TMsgDlgBtn::mbYesToAll); ++I) {
    const auto Button = static_cast<TMsgDlgBtn>(I);
    if (R.Buttons.Contains(Button) && ModalResultOf(Button) == Result)
      return Result;
  }
  throw SysUtils::EInvalidOperation(
      Format("The user interface answered the message box \"%s\" with a button it does not have "
             "(%d)",
             Msg, Result));
}

void ShowMessage(const std::string& Msg) {
  MessageDlg(Msg, TMsgDlgType::mtCustom, {TMsgDlgBtn::mbOK}, 0);
}

OV_CLASS_BEGIN(TOpenDialog, TCommonDialog, "Dialogs")
B.Property("DefaultExt", &TOpenDialog::GetDefaultExt, &TOpenDialog::SetDefaultExt);
B.Property("FileName", &TOpenDialog::GetFileName, &TOpenDialog::SetFileName);
B.Property("Filter", &TOpenDialog::GetFilter, &TOpenDialog::SetFilter);
B.Property("FilterIndex", &TOpenDialog::GetFilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
B.Property("InitialDir", &TOpenDialog::GetInitialDir, &TOpenDialog::SetInitialDir);
B.Property("Options", &TOpenDialog::GetOptions, &TOpenDialog::SetOptions)
    .Default(static_cast<int64_t>(
        TOpenOptions{TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing}.Bits()));
B.Property("Title", &TOpenDialog::GetTitle, &TOpenDialog::SetTitle);
OV_CLASS_END

TOpenDialog::TOpenDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), FFiles(std::make_unique<Classes::TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

std::string TOpenDialog::CheckFileName(std::string& Path) const {
  if (Path.empty())
    return "Please enter a file name.";
  if (Path.front() != '/') {
    const std::string Base = FInitialDir.empty() ? SysUtils::GetCurrentDir() : FInitialDir;
    Path = SysUtils::IncludeTrailingPathDelimiter(Base) + Path;
  }
  if (!FDefaultExt.empty() && SysUtils::ExtractFileExt(Path).empty() &&
      !SysUtils::FileExists(Path)) {
    std::string Ext = FDefaultExt;
    if (Ext.front() == '.')
      Ext.erase(0, 1);
    Path += "." + Ext;
  }
  const std::string Dir = SysUtils::ExtractFilePath(Path);
  if (FOptions.Contains(TOpenOption::ofPathMustExist) && !Dir.empty() &&
      !SysUtils::DirectoryExists(Dir))
    return Format("%s\nPath does not exist.\nPlease verify the correct path was given.", Path);
  if (FOptions.Contains(TOpenOption::ofFileMustExist) && !SysUtils::FileExists(Path))
    return Format("%s\nFile not found.\nPlease verify the correct file name was given.", Path);
  return {};
}

bool TOpenDialog::Execute() {
  UIService::TFileDialogRequest R;
  R.Title = FTitle.empty() ? std::string("Open") : FTitle;
  R.Filter = FFilter;
  R.FilterIndex = FFilterIndex;
  R.InitialDir = FInitialDir;
  R.DefaultExt = FDefaultExt;
  R.FileName = FFileName;
  R.Options = FOptions;
  R.Check = [this](std::string& Path) { return CheckFileName(Path); };
  if (OnShow)
    OnShow(this);
  const bool Chosen = UIService::UI()->ExecuteOpenDialog(R);
  if (OnClose)
    OnClose(this);
  if (!Chosen)
    return false;
  // The dialog's own check holds whatever the user interface did.
  std::string Path = R.FileName;
  const std::string Refusal = CheckFileName(Path);
  if (!Refusal.empty())
    throw SysUtils::EInvalidOperation(Refusal);
  FFileName = Path;
  FFilterIndex = R.FilterIndex;
  FFiles->Clear();
  FFiles->Add(Path);
  return true;
}

} // namespace Dialogs
