// The About box: its creation, the version it shows and its links.
#include "dclorvane60/OVAbout.hpp"

#include "dclorvane60/DclOrvane60.hpp"
#include "orvane60/OVCommon.hpp"
#include "vcl/Dialogs.hpp"
#include "vcl/Windows.hpp"

namespace OVAbout {

using Controls::TMouseButton;

OV_CLASS_BEGIN(TOVAboutDlg, Forms::TForm, "OVAbout")
OV_FIELDS(imgLogo, lblCopyright, bvCopyright, btOk, lblHome, lblOrder, lblProductName, lblVersion,
          lblSupport, lblLinks, lblOrderOrvaneStd, lblOrderOrvanePro)
OV_METHODS(lblHomeMouseDown, FormCreate, lblOrderMouseDown, lblSupportMouseDown)
OV_CLASS_END

TOVAboutDlg::TOVAboutDlg(Classes::TComponent* AOwner) : TForm(AOwner) {}

TOVAboutDlg::~TOVAboutDlg() = default;

void ReadProductVersion(std::string& Name, std::string& Version) {
  Name = "Orvane";
  Version.clear();
  // The package's own file, not the host program's.
  const std::string FileName = OVCommon::GetModuleFileNameStr(DclOrvane60::HInstance());
  OVCommon::ReadFileVersInfo(FileName, Name, Version);
}

void TOVAboutDlg::FormCreate(System::TObject*) {
  std::string Name, Version;
  ReadProductVersion(Name, Version);
  lblCopyright->SetCaption(SCopyright);
  lblProductName->SetCaption(Name);
  lblVersion->SetCaption(SysUtils::Format("Version %s", Version));
  // The logo is the package's bitmap resource, kept once for the layout
  // and for anyone else who shows it.
  imgLogo->GetPicture()->GetBitmap()->LoadFromResourceName(DclOrvane60::HInstance(), "OVABOUTLOGO");
}

void OpenAddress(const std::string& Address) {
  constexpr intptr_t LastShellError = 32;
  if (Windows::ShellExecute(nullptr, "open", Address, "", "", Windows::SW_HIDE) > LastShellError)
    return;
  Dialogs::MessageDlg(SysUtils::Format(SErrorOpeningAddress, Address),
                      Dialogs::TMsgDlgType::mtError, {Dialogs::TMsgDlgBtn::mbOK}, 0);
}

void TOVAboutDlg::lblHomeMouseDown(System::TObject*, TMouseButton Button, Classes::TShiftState, int,
                                   int) {
  if (Button == TMouseButton::mbLeft)
    OpenAddress(SHomePage);
}

void TOVAboutDlg::lblSupportMouseDown(System::TObject*, TMouseButton Button, Classes::TShiftState,
                                      int, int) {
  if (Button == TMouseButton::mbLeft)
    OpenAddress(SSupportMail);
}

void TOVAboutDlg::lblOrderMouseDown(System::TObject* Sender, TMouseButton Button,
                                    Classes::TShiftState, int, int) {
  if (Button != TMouseButton::mbLeft)
    return;
  OpenAddress(Sender == lblOrderOrvaneStd ? SOrderStdPage : SOrderProPage);
}

void ShowAboutBox() {
  Forms::TFormPtr<TOVAboutDlg> Dlg(Forms::Application->CreateForm<TOVAboutDlg>());
  Dlg->ShowModal();
}

} // namespace OVAbout
