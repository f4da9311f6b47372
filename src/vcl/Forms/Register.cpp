#include "vcl/ComCtrls.hpp"
#include "vcl/Dialogs.hpp"
#include "vcl/ExtCtrls.hpp"
#include "vcl/Forms.hpp"
#include "vcl/Menus.hpp"
#include "vcl/StdCtrls.hpp"

namespace Forms {

void RegisterFormClasses() {
  Classes::RegisterClasses({
      TForm::StaticClass(),
      StdCtrls::TLabel::StaticClass(),
      StdCtrls::TEdit::StaticClass(),
      StdCtrls::TMemo::StaticClass(),
      StdCtrls::TButton::StaticClass(),
      StdCtrls::TCheckBox::StaticClass(),
      StdCtrls::TComboBox::StaticClass(),
      StdCtrls::TListBox::StaticClass(),
      StdCtrls::TGroupBox::StaticClass(),
      ExtCtrls::TPanel::StaticClass(),
      ExtCtrls::TBevel::StaticClass(),
      ExtCtrls::TImage::StaticClass(),
      ExtCtrls::TRadioGroup::StaticClass(),
      ComCtrls::TPageControl::StaticClass(),
      ComCtrls::TTabSheet::StaticClass(),
      Menus::TPopupMenu::StaticClass(),
      Menus::TMenuItem::StaticClass(),
      Dialogs::TOpenDialog::StaticClass(),
  });
}

} // namespace Forms
