#include "vcl/UIActions.hpp"

#include "rtl/StrUtils.hpp"
#include "vcl/ComCtrls.hpp"
#include "vcl/ExtCtrls.hpp"
#include "vcl/Menus.hpp"
#include "vcl/StdCtrls.hpp"
#include "vcl/UserInput.hpp"

#include <array>
#include <sstream>

namespace UIActions {

using Classes::TComponent;
using Controls::TControl;
using Controls::TWinControl;
using SysUtils::Format;
using SysUtils::SameText;

OV_CLASS_IMPL(EUIActionError, SysUtils::Exception, "UIActions")

namespace {

// Reads the words and strings of one line.
class TLineReader {
public:
  explicit TLineReader(std::string_view Line) : FLine(Line) {}

  bool AtEnd() {
    SkipBlanks();
    return FPos >= FLine.size();
  }

  TArg Word() {
    SkipBlanks();
    if (FPos < FLine.size() && FLine[FPos] == '"')
      return {QuotedString(), true};
    const size_t Start = FPos;
    while (FPos < FLine.size() && !IsBlank(FLine[FPos]))
      ++FPos;
    return {std::string(FLine.substr(Start, FPos - Start)), false};
  }

  // The rest of the line: one quoted string, or the text as it stands
  // (blanks around it removed), with escapes when Escapes.
  TArg Rest(bool Escapes) {
    SkipBlanks();
    if (FPos < FLine.size() && FLine[FPos] == '"') {
      const size_t Save = FPos;
      std::string S = QuotedString();
      if (AtEnd())
        return {S, true};
      FPos = Save;
    }
    std::string_view R = FLine.substr(std::min(FPos, FLine.size()));
    FPos = FLine.size();
    while (!R.empty() && IsBlank(R.back()))
      R.remove_suffix(1);
    return {Escapes ? Unescape(R) : std::string(R), false};
  }

private:
  static bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\r'; }
  void SkipBlanks() {
    while (FPos < FLine.size() && IsBlank(FLine[FPos]))
      ++FPos;
  }
  static char Escaped(char C) {
    switch (C) {
    case 'n':
      return '\n';
    case 't':
      return '\t';
    case 'r':
      return '\r';
    default:
      return C;
    }
  }
  static std::string Unescape(std::string_view S) {
    std::string R;
    for (size_t I = 0; I < S.size(); ++I) {
      const char C = S[I];
      if (C == '\\' && I + 1 < S.size() && std::string_view("ntr\\\"").find(S[I + 1]) != S.npos)
        R += Escaped(S[++I]);
      else
        R += C;
    }
    return R;
  }
  std::string QuotedString() {
    std::string R;
    ++FPos;
    while (FPos < FLine.size()) {
      const char C = FLine[FPos++];
      if (C == '"')
        return R;
      if (C == '\\' && FPos < FLine.size())
        R += Escaped(FLine[FPos++]);
      else
        R += C;
    }
    throw EUIActionError("a string is not closed with \"");
  }

  std::string_view FLine;
  size_t FPos = 0;
};

struct TVerb {
  const char* Name;
  TActionKind Kind;
};

constexpr std::array<TVerb, 22> Verbs{{
    {"form", TActionKind::akForm},         {"set", TActionKind::akSet},
    {"click", TActionKind::akClick},       {"dblclick", TActionKind::akDblClick},
    {"choose", TActionKind::akChoose},     {"select", TActionKind::akSelect},
    {"deselect", TActionKind::akDeselect}, {"popup", TActionKind::akPopup},
    {"page", TActionKind::akPage},         {"focus", TActionKind::akFocus},
    {"key", TActionKind::akKey},           {"press", TActionKind::akPress},
    {"close", TActionKind::akClose},       {"answer", TActionKind::akAnswer},
    {"file", TActionKind::akFile},         {"url", TActionKind::akUrl},
    {"expect", TActionKind::akExpect},     {"dump", TActionKind::akDump},
    {"module", TActionKind::akModule},     {"text", TActionKind::akText},
    {"save", TActionKind::akSave},         {"leave", TActionKind::akLeave},
}};

bool OneOf(std::string_view S, std::initializer_list<const char*> Words) {
  for (const char* W : Words)
    if (SameText(S, W))
      return true;
  return false;
}

int KeyOf(std::string_view Name) {
  if (SameText(Name, "alt"))
    return Windows::VK_MENU;
  if (SameText(Name, "shift"))
    return Windows::VK_SHIFT;
  if (SameText(Name, "ctrl"))
    return Windows::VK_CONTROL;
  return 0;
}

} // namespace

std::vector<std::string> VerbNames() {
  std::vector<std::string> Names;
  for (const TVerb& V : Verbs)
    Names.emplace_back(V.Name);
  return Names;
}

std::optional<TUIAction> ParseAction(std::string_view Line) {
  TLineReader R(Line);
  if (R.AtEnd())
    return std::nullopt;
  const TArg VerbArg = R.Word();
  if (!VerbArg.Quoted && !VerbArg.Text.empty() && VerbArg.Text.front() == '#')
    return std::nullopt;
  TUIAction A;
  A.Text = SysUtils::Trim(Line);
  const auto Verb = std::find_if(Verbs.begin(), Verbs.end(),
                                 [&](const TVerb& V) { return SameText(V.Name, VerbArg.Text); });
  if (VerbArg.Quoted || Verb == Verbs.end())
    throw EUIActionError(Format("unknown action '%s'", StrUtils::Excerpt(VerbArg.Text)));
  A.Kind = Verb->Kind;
  const std::string VerbName = Verb->Name;
  const auto Need = [&](const char* What) {
    if (R.AtEnd())
      throw EUIActionError(Format("%s needs %s", VerbName, What));
    return R.Word();
  };
  switch (A.Kind) {
  case TActionKind::akForm:
  case TActionKind::akPage:
  case TActionKind::akFocus:
  case TActionKind::akModule:
    A.Target = Need("a name").Text;
    break;
  case TActionKind::akText:
    A.Args.push_back(R.Rest(true));
    return A;
  case TActionKind::akSave:
  case TActionKind::akLeave:
    break;
  case TActionKind::akSet:
    A.Target = Need("a control").Text;
    A.Args.push_back(R.Rest(true));
    return A;
  case TActionKind::akClick: {
    // A control's name or caption: one quoted string, or the words up to a
    // mouse button ("click Get Table Fields right").
    const TArg First = Need("a control");
    A.Target = First.Text;
    while (!R.AtEnd()) {
      TArg Word = R.Word();
      if (!Word.Quoted && OneOf(Word.Text, {"left", "right", "middle"}) && R.AtEnd()) {
        A.Args.push_back(Word);
        break;
      }
      if (First.Quoted || Word.Quoted)
        throw EUIActionError(
            Format("click takes the mouse button left, right or middle, not '%s'", Word.Text));
      A.Target += " " + Word.Text;
    }
    return A;
  }
  case TActionKind::akDblClick:
    A.Target = Need("a control").Text;
    if (!R.AtEnd())
      A.Args.push_back(R.Rest(true));
    return A;
  case TActionKind::akChoose:
  case TActionKind::akPopup:
    A.Target = Need("a control").Text;
    if (R.AtEnd())
      throw EUIActionError(Format("%s needs an item", VerbName));
    A.Args.push_back(R.Rest(true));
    return A;
  case TActionKind::akSelect:
  case TActionKind::akDeselect:
    A.Target = Need("a list box").Text;
    if (R.AtEnd())
      throw EUIActionError(Format("%s needs at least one item", VerbName));
    while (!R.AtEnd())
      A.Args.push_back(R.Word());
    return A;
  case TActionKind::akKey: {
    A.Target = Need("a key (alt, shift or ctrl)").Text;
    if (!KeyOf(A.Target))
      throw EUIActionError(Format("key knows alt, shift and ctrl, not '%s'", A.Target));
    TArg State = Need("down or up");
    if (!OneOf(State.Text, {"down", "up"}))
      throw EUIActionError(Format("key %s takes down or up, not '%s'", A.Target, State.Text));
    A.Args.push_back(State);
    break;
  }
  case TActionKind::akPress:
    A.Target = Need("a key").Text;
    if (!OneOf(A.Target, {"enter", "escape", "esc", "tab", "shift+tab", "space"}))
      throw EUIActionError(
          Format("press knows enter, escape, tab, shift+tab and space, not '%s'", A.Target));
    break;
  case TActionKind::akClose:
  case TActionKind::akDump:
    break;
  case TActionKind::akAnswer:
    A.Target = Need("a button").Text;
    if (!ButtonByName(A.Target))
      throw EUIActionError(Format("answer names no button: '%s'", A.Target));
    if (!R.AtEnd())
      A.Args.push_back(R.Rest(true));
    return A;
  case TActionKind::akFile: {
    if (R.AtEnd())
      throw EUIActionError("file needs a path or cancel");
    TArg Path = R.Rest(false);
    if (!Path.Quoted && SameText(Path.Text, "cancel"))
      A.Target = "cancel";
    A.Args.push_back(Path);
    return A;
  }
  case TActionKind::akUrl:
    A.Target = Need("ok or fail").Text;
    if (!OneOf(A.Target, {"ok", "fail"}))
      throw EUIActionError(Format("url takes ok or fail, not '%s'", A.Target));
    if (!R.AtEnd())
      A.Args.push_back(R.Rest(true));
    return A;
  case TActionKind::akExpect:
    A.Target = Need("a control").Text;
    A.Args.push_back(Need("a property"));
    A.Args.push_back(R.Rest(true));
    return A;
  }
  if (!R.AtEnd())
    throw EUIActionError(Format("%s takes nothing after '%s'", VerbName, A.Target));
  return A;
}

std::optional<Dialogs::TMsgDlgBtn> ButtonByName(std::string_view Name) {
  using Dialogs::TMsgDlgBtn;
  const TypInfo::TTypeInfo* Info = OvTypeInfo(static_cast<TMsgDlgBtn*>(nullptr));
  for (unsigned I = 0; I < Info->EnumNames.size(); ++I) {
    const std::string& Enum = Info->EnumNames[I];
    // mbNoToAll answers to "mbNoToAll", "NoToAll" and "No to All".
    std::string Caption = Dialogs::ButtonCaption(static_cast<TMsgDlgBtn>(I));
    if (SameText(Name, Enum) || SameText(Name, Enum.substr(2)) || SameText(Name, Caption))
      return static_cast<TMsgDlgBtn>(I);
  }
  return std::nullopt;
}

std::string ButtonList(Dialogs::TMsgDlgButtons Buttons) {
  std::string R;
  for (unsigned I = 0; I <= static_cast<unsigned>(Dialogs::TMsgDlgBtn::mbHelp); ++I) {
    const auto B = static_cast<Dialogs::TMsgDlgBtn>(I);
    if (!Buttons.Contains(B))
      continue;
    if (!R.empty())
      R += ", ";
    R += Dialogs::ButtonCaption(B);
  }
  return R;
}

std::string WithLineFeeds(std::string_view Text) {
  std::string R;
  R.reserve(Text.size());
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] != '\r')
      R += Text[I];
    else if (I + 1 >= Text.size() || Text[I + 1] != '\n')
      R += '\n';
  }
  return R;
}

std::string Quote(std::string_view Text) {
  std::string R = "\"";
  for (const char C : Text) {
    switch (C) {
    case '\n':
      R += "\\n";
      break;
    case '\r':
      R += "\\r";
      break;
    case '\t':
      R += "\\t";
      break;
    case '"':
      R += "\\\"";
      break;
    case '\\':
      R += "\\\\";
      break;
    default:
      R += C;
    }
  }
  return R + "\"";
}

namespace {

std::string NameOf(const TComponent* C) {
  return C->GetName().empty() ? C->ClassName() : C->GetName();
}

// The caption a person reads on a component, when it has one of its own
// (an edit's, combo box's or list box's caption is its text).
std::string CaptionOf(const TComponent* C) {
  if (auto* Item = dynamic_cast<const Menus::TMenuItem*>(C))
    return Item->GetCaption();
  if (dynamic_cast<const Forms::TCustomForm*>(C) || dynamic_cast<const StdCtrls::TCustomEdit*>(C) ||
      dynamic_cast<const StdCtrls::TCustomComboBox*>(C) ||
      dynamic_cast<const StdCtrls::TCustomListBox*>(C))
    return {};
  if (auto* Control = dynamic_cast<const TControl*>(C))
    return Control->GetCaption();
  return {};
}

// A caption as a person types it: without the access key's &, blanks and
// line breaks closed up to one blank, a trailing "..." or ":" dropped, in
// lower case ("Code &Editor..." is "code editor").
std::string PlainCaption(std::string_view Caption) {
  std::string R;
  for (const char C : Controls::StripHotkey(Caption)) {
    const bool Blank = C == ' ' || C == '\t' || C == '\r' || C == '\n';
    if (!Blank)
      R += C;
    else if (!R.empty() && R.back() != ' ')
      R += ' ';
  }
  for (bool Cut = true; Cut;) {
    Cut = false;
    while (!R.empty() && R.back() == ' ')
      R.pop_back();
    for (std::string_view Tail : {std::string_view("..."), std::string_view(":")})
      if (R.size() > Tail.size() && std::string_view(R).ends_with(Tail)) {
        R.resize(R.size() - Tail.size());
        Cut = true;
      }
  }
  return SysUtils::LowerCase(R);
}

// How many characters must be inserted, deleted or replaced to make A into B.
size_t EditDistance(std::string_view A, std::string_view B) {
  std::vector<size_t> Row(B.size() + 1);
  for (size_t J = 0; J <= B.size(); ++J)
    Row[J] = J;
  for (size_t I = 1; I <= A.size(); ++I) {
    size_t Diagonal = Row[0];
    Row[0] = I;
    for (size_t J = 1; J <= B.size(); ++J) {
      const size_t Above = Row[J];
      Row[J] = std::min({Above + 1, Row[J - 1] + 1, Diagonal + (A[I - 1] == B[J - 1] ? 0 : 1)});
      Diagonal = Above;
    }
  }
  return Row[B.size()];
}

// " (did you mean btGetTableFields?)" for the name or caption of the form's
// components nearest to what was typed, when one is near enough to be a slip.
std::string Suggestion(Forms::TCustomForm* Form, const std::string& Typed) {
  const std::string Name = SysUtils::LowerCase(Typed);
  const std::string Caption = PlainCaption(Typed);
  size_t Best = std::max<size_t>(1, Caption.size() / 3) + 1;
  std::string Text;
  for (int I = 0; I < Form->ComponentCount(); ++I) {
    TComponent* C = Form->Components(I);
    if (C->GetName().empty())
      continue;
    if (const size_t D = EditDistance(Name, SysUtils::LowerCase(C->GetName())); D < Best) {
      Best = D;
      Text = C->GetName();
    }
    const std::string Label = CaptionOf(C);
    if (PlainCaption(Label).empty())
      continue;
    if (const size_t D = EditDistance(Caption, PlainCaption(Label)); D < Best) {
      Best = D;
      Text = Format("%s (%s)", Quote(Controls::StripHotkey(Label)), C->GetName());
    }
  }
  return Text.empty() ? std::string() : "; did you mean " + Text + "?";
}

// The component a name or a caption names; null when none does.
// EUIActionError when a caption is shared by controls a person sees.
TComponent* FindTargetIfAny(Forms::TCustomForm* Form, const std::string& Name) {
  if (SameText(Name, Form->GetName()) || SameText(Name, Form->ClassName()))
    return Form;
  if (TComponent* C = Form->FindComponent(Name))
    return C;
  const std::string Wanted = PlainCaption(Name);
  if (Wanted.empty())
    return nullptr;
  std::vector<TComponent*> Found;
  for (int I = 0; I < Form->ComponentCount(); ++I)
    if (TComponent* C = Form->Components(I); PlainCaption(CaptionOf(C)) == Wanted)
      Found.push_back(C);
  if (Found.size() > 1) {
    // Those on the screen before those hidden or on another page.
    std::erase_if(Found, [](TComponent* C) {
      auto* Control = dynamic_cast<TControl*>(C);
      return Control && !Control->Showing();
    });
  }
  if (Found.size() > 1) {
    std::string Names;
    for (TComponent* C : Found)
      Names += (Names.empty() ? "" : ", ") + C->GetName();
    throw EUIActionError(Format("%s is the caption of %s: name the one meant", Quote(Name), Names));
  }
  return Found.empty() ? nullptr : Found.front();
}

[[noreturn]] void NoSuchTarget(Forms::TCustomForm* Form, const std::string& Name) {
  throw EUIActionError(
      Format("form %s has no control %s%s", NameOf(Form), Name, Suggestion(Form, Name)));
}

TComponent* FindTarget(Forms::TCustomForm* Form, const std::string& Name) {
  if (TComponent* C = FindTargetIfAny(Form, Name))
    return C;
  NoSuchTarget(Form, Name);
}

template <class T>
T* TargetAs(Forms::TCustomForm* Form, const std::string& Name, const char* What) {
  TComponent* C = FindTarget(Form, Name);
  if (auto* R = dynamic_cast<T*>(C))
    return R;
  throw EUIActionError(Format("%s (a %s) is not %s", Name, C->ClassName(), What));
}

using UserInput::ItemsOf;

// An item by index (a number) or by its text: exactly, then in any case,
// then without accelerator marks.
int ItemIndexOf(TComponent* C, const TArg& Item) {
  Classes::TStrings* Items = ItemsOf(C);
  if (!Items)
    throw EUIActionError(Format("%s (a %s) has no items", NameOf(C), C->ClassName()));
  int64_t N = 0;
  if (!Item.Quoted && SysUtils::TryStrToInt64(Item.Text, N)) {
    if (N < 0 || N >= Items->Count())
      throw EUIActionError(Format("%s has no item %d (it has %d)", NameOf(C), N, Items->Count()));
    return static_cast<int>(N);
  }
  for (int I = 0; I < Items->Count(); ++I)
    if (Items->Get(I) == Item.Text)
      return I;
  for (int I = 0; I < Items->Count(); ++I)
    if (SameText(Items->Get(I), Item.Text))
      return I;
  for (int I = 0; I < Items->Count(); ++I)
    if (SameText(Controls::StripHotkey(Items->Get(I)), Item.Text))
      return I;
  throw EUIActionError(Format("%s has no item %s", NameOf(C), Quote(Item.Text)));
}

std::string BoolText(bool B) {
  return B ? "True" : "False";
}

std::string CommaText(const Classes::TStrings* S) {
  return S->GetCommaText();
}

// The pseudo-properties a person sees that are no published property, or
// that read better than the published one.
std::optional<std::string> PseudoProperty(TComponent* C, std::string_view P) {
  auto* Control = dynamic_cast<TControl*>(C);
  auto* List = dynamic_cast<StdCtrls::TCustomListBox*>(C);
  auto* Group = dynamic_cast<ExtCtrls::TCustomRadioGroup*>(C);
  auto* Memo = dynamic_cast<StdCtrls::TCustomMemo*>(C);
  auto* Form = dynamic_cast<Forms::TCustomForm*>(C);
  if (Control && SameText(P, "Text"))
    return Control->GetText();
  if (Control && SameText(P, "Caption"))
    return Control->GetCaption();
  if (Control && SameText(P, "Showing"))
    return BoolText(Control->Showing());
  if (auto* W = dynamic_cast<TWinControl*>(C); W && SameText(P, "Focused"))
    return BoolText(W->Focused());
  if (Memo && SameText(P, "Lines"))
    return Memo->GetText();
  if (Classes::TStrings* Items = ItemsOf(C)) {
    if (SameText(P, "Items"))
      return CommaText(Items);
    if (SameText(P, "Count"))
      return std::to_string(Items->Count());
  }
  if (List) {
    if (SameText(P, "Selected")) {
      Classes::TStringList S;
      for (int I = 0; I < List->GetItems()->Count(); ++I)
        if (List->GetSelected(I))
          S.Add(List->GetItems()->Get(I));
      return CommaText(&S);
    }
    if (SameText(P, "ItemIndex"))
      return std::to_string(List->GetItemIndex());
    if (SameText(P, "SelCount"))
      return std::to_string(List->SelCount());
    if (SameText(P, "HorizontalExtent"))
      return std::to_string(List->HorizontalExtent());
  }
  if (Group && SameText(P, "Selected"))
    return Group->GetItemIndex() >= 0 ? Group->GetItems()->Get(Group->GetItemIndex())
                                      : std::string();
  if (auto* Check = dynamic_cast<StdCtrls::TCustomCheckBox*>(C); Check && SameText(P, "Checked"))
    return BoolText(Check->GetChecked());
  if (auto* Pages = dynamic_cast<ComCtrls::TPageControl*>(C); Pages && SameText(P, "ActivePage"))
    return Pages->GetActivePage() ? NameOf(Pages->GetActivePage()) : std::string("nil");
  if (Form && SameText(P, "ModalResult"))
    return Controls::ModalResultToString(Form->GetModalResult());
  if (Form && (SameText(P, "ActiveControl") || SameText(P, "FocusedControl")))
    return Form->FocusedControl() ? NameOf(Form->FocusedControl()) : std::string("nil");
  if (auto* Menu = dynamic_cast<Menus::TPopupMenu*>(C); Menu && SameText(P, "PopupComponent"))
    return Menu->GetPopupComponent() ? NameOf(Menu->GetPopupComponent()) : std::string("nil");
  return std::nullopt;
}

} // namespace

std::string PropertyText(TComponent* Component, std::string_view Property) {
  if (Property.find('.') == std::string_view::npos)
    if (auto P = PseudoProperty(Component, Property))
      return *P;
  System::TObject* Obj = Component;
  std::string_view Rest = Property;
  for (;;) {
    const size_t Dot = Rest.find('.');
    const std::string_view Part = Rest.substr(0, Dot);
    const TypInfo::TPropInfo* Info = TypInfo::GetPropInfo(Obj, Part);
    if (!Info)
      throw EUIActionError(
          Format("%s has no property %s", NameOf(Component), StrUtils::Excerpt(Property)));
    if (Info->PropType->Kind != TypInfo::TTypeKind::tkClass) {
      if (Dot != std::string_view::npos)
        throw EUIActionError(
            Format("%s has no property %s", NameOf(Component), StrUtils::Excerpt(Property)));
      return TypInfo::GetPropValueText(Obj, Info);
    }
    System::TObject* Sub = TypInfo::GetObjectProp(Obj, Info);
    if (Dot == std::string_view::npos) {
      if (!Sub)
        return "nil";
      if (auto* C = dynamic_cast<TComponent*>(Sub))
        return NameOf(C);
      if (auto* S = dynamic_cast<Classes::TStrings*>(Sub))
        return CommaText(S);
      throw EUIActionError(Format("%s.%s is an object: name one of its properties",
                                  NameOf(Component), std::string(Property)));
    }
    if (!Sub)
      return "nil";
    Obj = Sub;
    Rest = Rest.substr(Dot + 1);
  }
}

void ApplyAction(Forms::TCustomForm* Form, const TUIAction& A, const TActionContext& Context) {
  using StdCtrls::TCustomListBox;
  const auto Arg = [&](size_t I) -> const TArg& { return A.Args.at(I); };
  try {
    switch (A.Kind) {
    case TActionKind::akSet:
      UserInput::TypeText(TargetAs<TWinControl>(Form, A.Target, "a control that takes text"),
                          Arg(0).Text);
      return;
    case TActionKind::akClick: {
      TComponent* C = FindTargetIfAny(Form, A.Target);
      bool Left = false;
      if (!C && !A.Args.empty()) {
        // "click Align Right": the last word was part of the caption.
        C = FindTargetIfAny(Form, A.Target + " " + Arg(0).Text);
        Left = C != nullptr;
      }
      if (!C)
        NoSuchTarget(Form, A.Target);
      // A page's caption is on its tab: clicking it shows the page.
      if (auto* Sheet = dynamic_cast<ComCtrls::TTabSheet*>(C);
          Sheet && !SameText(Sheet->GetName(), A.Target)) {
        UserInput::ShowPage(Sheet);
        return;
      }
      if (auto* Item = dynamic_cast<Menus::TMenuItem*>(C)) {
        UserInput::ClickMenuItem(Item);
        return;
      }
      auto* Control = dynamic_cast<TControl*>(C);
      if (!Control)
        throw EUIActionError(Format("%s (a %s) cannot be clicked", A.Target, C->ClassName()));
      // Indexed by TMouseButton: mbLeft, mbRight, mbMiddle.
      static constexpr const char* ButtonNames[] = {"left", "right", "middle"};
      Controls::TMouseButton Button = Controls::TMouseButton::mbLeft;
      for (size_t I = 0; !Left && !A.Args.empty() && I < std::size(ButtonNames); ++I)
        if (SameText(Arg(0).Text, ButtonNames[I]))
          Button = static_cast<Controls::TMouseButton>(I);
      UserInput::Click(Control, Button);
      return;
    }
    case TActionKind::akDblClick: {
      auto* Control = TargetAs<TControl>(Form, A.Target, "a control");
      if (!A.Args.empty()) {
        UserInput::ChooseItem(Control, ItemIndexOf(Control, Arg(0)));
        if (UserInput::WhyUnreachable(Control).empty())
          Control->DblClick();
        return;
      }
      UserInput::DblClick(Control);
      return;
    }
    case TActionKind::akChoose: {
      auto* Control = TargetAs<TControl>(Form, A.Target, "a control");
      UserInput::ChooseItem(Control, ItemIndexOf(Control, Arg(0)));
      return;
    }
    case TActionKind::akSelect:
    case TActionKind::akDeselect: {
      auto* List = TargetAs<TCustomListBox>(Form, A.Target, "a list box");
      std::vector<int> Indexes;
      for (const TArg& Item : A.Args)
        Indexes.push_back(ItemIndexOf(List, Item));
      if (A.Kind == TActionKind::akSelect)
        UserInput::SelectItems(List, Indexes);
      else
        UserInput::DeselectItems(List, Indexes);
      return;
    }
    case TActionKind::akPopup: {
      auto* Control = TargetAs<TControl>(Form, A.Target, "a control");
      Menus::TPopupMenu* Menu = Control->FindPopupMenu();
      if (!Menu)
        throw EUIActionError(Format("%s has no context menu", A.Target));
      Menus::TMenuItem* Item = Menu->GetItems()->Find(Arg(0).Text);
      if (!Item)
        throw EUIActionError(
            Format("the context menu %s has no item %s", NameOf(Menu), Quote(Arg(0).Text)));
      UserInput::Popup(Control, Item);
      return;
    }
    case TActionKind::akPage:
      UserInput::ShowPage(TargetAs<ComCtrls::TTabSheet>(Form, A.Target, "a page"));
      return;
    case TActionKind::akFocus:
      UserInput::Focus(TargetAs<TWinControl>(Form, A.Target, "a control that takes the focus"));
      return;
    case TActionKind::akKey:
      if (Context.SetKey)
        Context.SetKey(KeyOf(A.Target), SameText(Arg(0).Text, "down"));
      return;
    case TActionKind::akPress: {
      const std::string& K = A.Target;
      Classes::TShiftState Shift;
      uint16_t Key = Windows::VK_TAB;
      if (SameText(K, "enter"))
        Key = Windows::VK_RETURN;
      else if (SameText(K, "escape") || SameText(K, "esc"))
        Key = Windows::VK_ESCAPE;
      else if (SameText(K, "space"))
        Key = Windows::VK_SPACE;
      else if (SameText(K, "shift+tab"))
        Shift.Include(Classes::TShiftStateItem::ssShift);
      UserInput::PressKey(Form, Key, Shift);
      return;
    }
    case TActionKind::akClose:
      UserInput::CloseWindow(Form);
      return;
    case TActionKind::akExpect: {
      TComponent* C = FindTarget(Form, A.Target);
      const std::string Actual = PropertyText(C, Arg(0).Text);
      const std::string& Expected = Arg(1).Text;
      const bool Same = Actual == Expected ||
                        ((Actual == "True" || Actual == "False") && SameText(Actual, Expected));
      if (!Same)
        throw EUIActionError(
            Format("%s.%s is %s, not %s", A.Target, Arg(0).Text, Quote(Actual), Quote(Expected)));
      return;
    }
    case TActionKind::akDump:
      if (Context.Out)
        *Context.Out << DescribeForm(Form);
      return;
    case TActionKind::akForm:
    case TActionKind::akAnswer:
    case TActionKind::akFile:
    case TActionKind::akUrl:
    case TActionKind::akModule:
    case TActionKind::akText:
    case TActionKind::akSave:
    case TActionKind::akLeave:
      break;
    }
  } catch (const UserInput::EUserInputError& E) {
    throw EUIActionError(E.Message());
  }
  throw EUIActionError(Format("'%s' is no action on a form", A.Text));
}

namespace {

// The lines a person sees: CR LF, CR and LF each end a line.
std::vector<std::string> ShownLines(std::string_view Text) {
  std::vector<std::string> Lines(1);
  for (const char C : WithLineFeeds(Text)) {
    if (C == '\n')
      Lines.emplace_back();
    else
      Lines.back() += C;
  }
  return Lines;
}

// A text of a control in quotes, every line break shown as \n.
std::string Shown(std::string_view Text) {
  return Quote(WithLineFeeds(Text));
}

// What a person calls a component of the class; the most derived class
// listed wins, and an unlisted class goes by its name.
struct TKindName {
  System::TClass (*Class)();
  const char* Name;
};

constexpr TKindName KindNames[] = {
    {&Forms::TCustomForm::StaticClass, "form"},
    {&StdCtrls::TButton::StaticClass, "button"},
    {&StdCtrls::TCustomCheckBox::StaticClass, "check box"},
    {&ExtCtrls::TCustomRadioGroup::StaticClass, "radio group"},
    {&StdCtrls::TCustomGroupBox::StaticClass, "group box"},
    {&StdCtrls::TCustomMemo::StaticClass, "memo"},
    {&StdCtrls::TCustomEdit::StaticClass, "edit"},
    {&StdCtrls::TCustomComboBox::StaticClass, "combo box"},
    {&StdCtrls::TCustomListBox::StaticClass, "list box"},
    {&StdCtrls::TCustomLabel::StaticClass, "label"},
    {&ComCtrls::TPageControl::StaticClass, "page control"},
    {&ComCtrls::TTabSheet::StaticClass, "page"},
    {&ExtCtrls::TCustomPanel::StaticClass, "panel"},
    {&ExtCtrls::TBevel::StaticClass, "bevel"},
    {&ExtCtrls::TImage::StaticClass, "image"},
    {&Menus::TPopupMenu::StaticClass, "context menu"},
};

std::string KindOf(const TComponent* C) {
  const TKindName* K = UserInput::FindByClass(C->ClassType(), KindNames);
  return K ? K->Name : C->ClassName();
}

// Items with the chosen or selected ones in brackets.
std::string ItemsText(const Classes::TStrings* Items, const std::function<bool(int)>& Marked) {
  std::string R;
  for (int I = 0; I < Items->Count(); ++I) {
    if (I > 0)
      R += ", ";
    const std::string Item = Shown(Items->Get(I));
    R += Marked(I) ? "[" + Item + "]" : Item;
  }
  return R.empty() ? "(none)" : R;
}

// What the dump shows of a control after its name and kind, by class (the
// most derived class listed wins; others show their caption). True when
// that is the whole line.
struct TDescriber {
  System::TClass (*Class)();
  bool (*Describe)(const TControl* C, std::ostringstream& Out);
};

// A memo of more than one line shows "lines:" here and its lines under it.
bool ShowsLinesBelow(const TControl* C) {
  return dynamic_cast<const StdCtrls::TCustomMemo*>(C) &&
         C->GetText().find_first_of("\r\n") != std::string::npos;
}

void DescribeText(const StdCtrls::TCustomEdit* Edit, std::ostringstream& Out) {
  if (ShowsLinesBelow(Edit))
    Out << "  lines:";
  else
    Out << "  text " << Shown(Edit->GetText());
  if (Edit->GetReadOnly())
    Out << "  read-only";
}

const TDescriber Describers[] = {
    {&ComCtrls::TTabSheet::StaticClass,
     [](const TControl* C, std::ostringstream& Out) {
       Out << "  " << Shown(C->GetCaption());
       if (C->GetVisible())
         return false;
       Out << "  (not shown)\n";
       return true;
     }},
    {&StdCtrls::TCustomEdit::StaticClass,
     [](const TControl* C, std::ostringstream& Out) {
       DescribeText(static_cast<const StdCtrls::TCustomEdit*>(C), Out);
       return false;
     }},
    {&StdCtrls::TCustomComboBox::StaticClass,
     [](const TControl* C, std::ostringstream& Out) {
       auto* Combo = static_cast<const StdCtrls::TCustomComboBox*>(C);
       Out << "  text " << Shown(Combo->GetText()) << "  items: "
           << ItemsText(Combo->GetItems(), [&](int I) { return I == Combo->GetItemIndex(); });
       return false;
     }},
    {&StdCtrls::TCustomListBox::StaticClass,
     [](const TControl* C, std::ostringstream& Out) {
       auto* List = static_cast<const StdCtrls::TCustomListBox*>(C);
       Out << "  items: "
           << ItemsText(List->GetItems(), [&](int I) { return List->GetSelected(I); });
       if (List->GetMultiSelect())
         Out << "  (multiple selection)";
       return false;
     }},
    {&ExtCtrls::TCustomRadioGroup::StaticClass,
     [](const TControl* C, std::ostringstream& Out) {
       auto* Group = static_cast<const ExtCtrls::TCustomRadioGroup*>(C);
       Out << "  " << Shown(Group->GetCaption()) << "  items: "
           << ItemsText(Group->GetItems(), [&](int I) { return I == Group->GetItemIndex(); });
       return false;
     }},
    {&StdCtrls::TCustomCheckBox::StaticClass,
     [](const TControl* C, std::ostringstream& Out) {
       // Indexed by TCheckBoxState: cbUnchecked, cbChecked, cbGrayed.
       static constexpr const char* States[] = {"unchecked", "checked", "greyed"};
       const auto State =
           static_cast<size_t>(static_cast<const StdCtrls::TCustomCheckBox*>(C)->GetState());
       Out << "  " << Shown(C->GetCaption()) << "  "
           << (State < std::size(States) ? States[State] : "unchecked");
       return false;
     }},
    {&StdCtrls::TButton::StaticClass,
     [](const TControl* C, std::ostringstream& Out) {
       auto* Button = static_cast<const StdCtrls::TButton*>(C);
       Out << "  " << Shown(Button->GetCaption());
       if (Button->GetDefault())
         Out << "  default";
       if (Button->GetCancel())
         Out << "  cancel";
       return false;
     }},
    {&ComCtrls::TPageControl::StaticClass,
     [](const TControl* C, std::ostringstream& Out) {
       const auto* Page = static_cast<const ComCtrls::TPageControl*>(C)->GetActivePage();
       Out << "  page " << (Page ? NameOf(Page) : "(none)");
       return false;
     }},
    {&ExtCtrls::TImage::StaticClass,
     [](const TControl* C, std::ostringstream& Out) {
       const auto* Picture = static_cast<const ExtCtrls::TImage*>(C)->GetPicture();
       Out << "  " << Picture->GetWidth() << "x" << Picture->GetHeight();
       return false;
     }},
    // A bevel shows nothing of its own.
    {&ExtCtrls::TBevel::StaticClass, [](const TControl*, std::ostringstream&) { return false; }},
};

void DescribeControl(const TControl* C, const Forms::TCustomForm* Form, int Depth,
                     std::ostringstream& Out) {
  Out << std::string(static_cast<size_t>(Depth) * 2, ' ') << NameOf(C) << "  " << KindOf(C);
  if (const TDescriber* D = UserInput::FindByClass(C->ClassType(), Describers)) {
    if (D->Describe(C, Out))
      return;
  } else if (!C->GetCaption().empty()) {
    Out << "  " << Shown(C->GetCaption());
  }
  if (!C->GetVisible()) {
    Out << "  (hidden)\n";
    return;
  }
  if (!C->GetEnabled())
    Out << "  disabled";
  if (Form->FocusedControl() == C)
    Out << "  (focused)";
  Out << "\n";
  if (ShowsLinesBelow(C)) {
    const std::string Indent(static_cast<size_t>(Depth + 1) * 2, ' ');
    for (const std::string& Line : ShownLines(C->GetText()))
      Out << Indent << "| " << Line << "\n";
  }
  if (auto* W = dynamic_cast<const TWinControl*>(C)) {
    if (auto* Pages = dynamic_cast<const ComCtrls::TPageControl*>(W)) {
      for (int I = 0; I < Pages->PageCount(); ++I)
        DescribeControl(Pages->Pages(I), Form, Depth + 1, Out);
      return;
    }
    for (int I = 0; I < W->ControlCount(); ++I)
      DescribeControl(W->Controls(I), Form, Depth + 1, Out);
  }
}

} // namespace

std::string DescribeForm(const Forms::TCustomForm* Form) {
  std::ostringstream Out;
  Out << "form " << NameOf(Form) << "  " << Shown(Form->GetCaption()) << "  (" << Form->ClassName()
      << ")\n";
  for (int I = 0; I < Form->ControlCount(); ++I)
    DescribeControl(Form->Controls(I), Form, 1, Out);
  for (int I = 0; I < Form->ComponentCount(); ++I) {
    auto* Menu = dynamic_cast<const Menus::TPopupMenu*>(Form->Components(I));
    if (!Menu)
      continue;
    Out << "  " << NameOf(Menu) << "  context menu:";
    const Menus::TMenuItem* Items = Menu->GetItems();
    for (int J = 0; J < Items->Count(); ++J) {
      const Menus::TMenuItem* Item = Items->Items(J);
      Out << (J > 0 ? ", " : " ") << NameOf(Item) << " " << Shown(Item->GetCaption());
      if (!Item->GetEnabled())
        Out << " disabled";
    }
    Out << "\n";
  }
  return Out.str();
}

} // namespace UIActions
