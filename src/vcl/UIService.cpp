#include "vcl/UIService.hpp"

#include "vcl/Forms.hpp"

#include <algorithm>

namespace UIService {

using SysUtils::Format;

OV_CLASS_IMPL(ENoUserInterface, SysUtils::Exception, "UIService")

bool IUIService::EditTextModule(TTextModuleRequest& Request) {
  throw SysUtils::ENotSupportedException(
      Format("This user interface cannot edit %s as a text module", Request.ModuleName));
}

void RaiseNoUserInterface(const std::string& What) {
  throw ENoUserInterface("no user interface is available for " + What);
}

namespace {

std::string DescribeForm(const Forms::TCustomForm* Form) {
  if (!Form->GetCaption().empty())
    return Form->GetCaption();
  return Form->GetName().empty() ? Form->ClassName() : Form->GetName();
}

// What runs when no service is installed: nobody is there to answer, so
// whatever needs a person fails at once instead of waiting.
class TNoUserInterface final : public IUIService {
public:
  void RunModal(Forms::TCustomForm* Form) override { RaiseNoUserInterface(DescribeForm(Form)); }
  int MessageBox(const TMessageBoxRequest& Request) override {
    RaiseNoUserInterface("the message \"" + Request.Text + "\"");
  }
  bool ExecuteOpenDialog(TFileDialogRequest& Request) override {
    RaiseNoUserInterface("the file dialog \"" + Request.Title + "\"");
  }
  bool IsKeyDown(int) override { return false; }
  bool OpenDocument(const std::string& Document) override { RaiseNoUserInterface(Document); }
  Types::TSize MeasureText(const Graphics::TFont& Font, std::string_view Text) override {
    return ApproximateTextExtent(Font, Text);
  }
  void ShowCursor(int) override {}
};

TNoUserInterface NoUserInterface;
IUIService* Installed = nullptr;

} // namespace

IUIService* UI() {
  return Installed ? Installed : &NoUserInterface;
}

IUIService* SetUIService(IUIService* Service) {
  IUIService* Previous = Installed;
  Installed = Service;
  return Previous;
}

bool HasUIService() {
  return Installed != nullptr;
}

Types::TSize ApproximateTextExtent(const Graphics::TFont& Font, std::string_view Text) {
  const int H = Font.GetHeight();
  // A positive height includes the internal leading: a sixth of it.
  const int Em = H < 0 ? -H : (H > 0 ? H * 5 / 6 : 11);
  const int CharWidth = std::max(1, (Em + 1) / 2);
  const int LineHeight = H > 0 ? H : (Em * 6 + 2) / 5;
  const bool Bold = Font.GetStyle().Contains(Graphics::TFontStyle::fsBold);
  int Widest = 0;
  int Lines = 1;
  int Chars = 0;
  const auto EndLine = [&] {
    Widest = std::max(Widest, Chars * CharWidth + (Bold ? Chars / 4 : 0));
    Chars = 0;
  };
  for (size_t I = 0; I < Text.size(); ++I) {
    const unsigned char C = static_cast<unsigned char>(Text[I]);
    if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
      continue;
    if (C == '\n' || C == '\r') {
      EndLine();
      ++Lines;
      continue;
    }
    if ((C & 0xC0) != 0x80)
      ++Chars;
  }
  EndLine();
  return {Widest, Lines * LineHeight};
}

} // namespace UIService
