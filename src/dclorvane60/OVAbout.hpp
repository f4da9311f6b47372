// OVAbout: the package's About box, with the product name and version that
// the package file's own version resource gives, the copyright line and four
// links (home page, e-mail support, two order pages) that open through the
// UI service.
#pragma once

#include "vcl/ExtCtrls.hpp"
#include "vcl/Forms.hpp"
#include "vcl/StdCtrls.hpp"

#include <string>

namespace OVAbout {

inline constexpr const char* SHomePage = "https://www.example.com/orvane/";
inline constexpr const char* SSupportMail = "mailto:support@example.com";
inline constexpr const char* SOrderStdPage = "https://www.example.com/orvane/order/standard";
inline constexpr const char* SOrderProPage = "https://www.example.com/orvane/order/professional";
inline constexpr const char* SCopyright = "Copyright (c) 2001-2026 Orvane Software";
// The message when a link cannot be opened; %s is the whole address.
inline constexpr const char* SErrorOpeningAddress = "Error opening following address: %s";

class TOVAboutDlg : public Forms::TForm {
  OV_CLASS(TOVAboutDlg, Forms::TForm)
public:
  explicit TOVAboutDlg(Classes::TComponent* AOwner);
  ~TOVAboutDlg() override;

  // The controls of the stored layout, in its order.
  ExtCtrls::TImage* imgLogo = nullptr;
  StdCtrls::TLabel* lblCopyright = nullptr;
  ExtCtrls::TBevel* bvCopyright = nullptr;
  StdCtrls::TButton* btOk = nullptr;
  StdCtrls::TLabel* lblHome = nullptr;
  StdCtrls::TLabel* lblOrder = nullptr;
  StdCtrls::TLabel* lblProductName = nullptr;
  StdCtrls::TLabel* lblVersion = nullptr;
  StdCtrls::TLabel* lblSupport = nullptr;
  StdCtrls::TLabel* lblLinks = nullptr;
  StdCtrls::TLabel* lblOrderOrvaneStd = nullptr;
  StdCtrls::TLabel* lblOrderOrvanePro = nullptr;

  // Link handlers: a left button press opens the label's address; any other
  // button does nothing.
  void lblHomeMouseDown(System::TObject* Sender, Controls::TMouseButton Button,
                        Classes::TShiftState Shift, int X, int Y);
  // Fills the product name, version and copyright line, and the logo.
  void FormCreate(System::TObject* Sender);
  // The first order page for lblOrderOrvaneStd, the second for any other.
  void lblOrderMouseDown(System::TObject* Sender, Controls::TMouseButton Button,
                         Classes::TShiftState Shift, int X, int Y);
  void lblSupportMouseDown(System::TObject* Sender, Controls::TMouseButton Button,
                           Classes::TShiftState Shift, int X, int Y);
};

// Opens Address through the shell (the UI service); when that fails, an
// error box says "Error opening following address: <Address>".
void OpenAddress(const std::string& Address);

// The product name and version as the package file's version resource gives
// them: "Orvane" and "" when the resource says nothing.
void ReadProductVersion(std::string& Name, std::string& Version);

// Shows a new About box modally and frees it, also when showing it fails.
// The host reaches it through the package's services table.
void ShowAboutBox();

} // namespace OVAbout
