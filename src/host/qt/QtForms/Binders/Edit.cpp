// Edits and memos: what the person types goes to the model as typed text;
// the model's text, read-only state, length limit, password character,
// border, scroll bars and wrapping come back.
#include "host/qt/QtForms/Binders.hpp"

#include "vcl/StdCtrls.hpp"
#include "vcl/UserInput.hpp"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace QtForms {

namespace {

// Whether the model's lines of Text are the model's text Lines.
bool SameLines(const QString& Text, const std::string& Lines) {
  Classes::TStringList L;
  L.SetText(Text.toStdString());
  std::string Joined;
  for (int I = 0; I < L.Count(); ++I)
    Joined += (I > 0 ? SysUtils::sLineBreak : std::string()) + L.Get(I);
  return Joined == Lines;
}

class TEditBinder : public TBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new QLineEdit(Parent); }
  bool HandlesOwnClicks() const override { return true; }
  Graphics::TColor DefaultColor() const override { return Graphics::clWindow; }

  void Connect(TFormView& View, TBinding& B) const override {
    Controls::TControl* C = B.Control;
    QObject::connect(static_cast<QLineEdit*>(B.Widget), &QLineEdit::textEdited, &View,
                     [&View, C](const QString& Text) {
                       View.Act([C, T = Text.toStdString()] {
                         UserInput::TypeText(static_cast<Controls::TWinControl*>(C), T);
                       });
                     });
  }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy Policy) const override {
    auto* E = static_cast<StdCtrls::TCustomEdit*>(B.Control);
    auto* W = static_cast<QLineEdit*>(B.Widget);
    SetLineText(W, Q(E->GetText()));
    W->setReadOnly(E->GetReadOnly());
    W->setMaxLength(E->GetMaxLength() > 0 ? E->GetMaxLength() : 32767);
    W->setEchoMode(E->GetPasswordChar() ? QLineEdit::Password : QLineEdit::Normal);
    W->setFrame(E->GetBorderStyle() == Forms::TBorderStyle::bsSingle);
    W->setFocusPolicy(Policy);
  }
};

class TMemoBinder : public TEditBinder {
public:
  QWidget* Create(TBinding&, QWidget* Parent) const override { return new QPlainTextEdit(Parent); }

  void Connect(TFormView& View, TBinding& B) const override {
    Controls::TControl* C = B.Control;
    auto* M = static_cast<QPlainTextEdit*>(B.Widget);
    QObject::connect(M, &QPlainTextEdit::textChanged, &View, [&View, C, M] {
      if (View.Syncing())
        return;
      View.Act([C, T = M->toPlainText().toStdString()] {
        UserInput::TypeText(static_cast<Controls::TWinControl*>(C), T);
      });
    });
  }

  void Sync(TFormView&, TBinding& B, Qt::FocusPolicy Policy) const override {
    auto* M = static_cast<StdCtrls::TCustomMemo*>(B.Control);
    auto* W = static_cast<QPlainTextEdit*>(B.Widget);
    const QString Text = Q(M->GetText());
    // The model keeps lines, so a text that ends in a line break (the
    // person has just pressed Enter) is the same text to it.
    if (W->toPlainText() != Text && !SameLines(W->toPlainText(), M->GetText())) {
      const int Pos = W->textCursor().position();
      W->setPlainText(Text);
      QTextCursor Cursor = W->textCursor();
      Cursor.setPosition(std::min(Pos, static_cast<int>(Text.size())));
      W->setTextCursor(Cursor);
    }
    W->setReadOnly(M->GetReadOnly());
    // Indexed by TScrollStyle: ssNone, ssHorizontal, ssVertical, ssBoth.
    static constexpr bool HasHorz[] = {false, true, false, true};
    static constexpr bool HasVert[] = {false, false, true, true};
    const auto S = static_cast<size_t>(M->GetScrollBars());
    const bool Horz = S < std::size(HasHorz) && HasHorz[S];
    const bool Vert = S < std::size(HasVert) && HasVert[S];
    // A horizontal scroll bar means the lines are not wrapped, as the
    // platform's memos do.
    W->setLineWrapMode(M->GetWordWrap() && !Horz ? QPlainTextEdit::WidgetWidth
                                                 : QPlainTextEdit::NoWrap);
    W->setHorizontalScrollBarPolicy(Horz ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    W->setVerticalScrollBarPolicy(Vert ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    W->setTabChangesFocus(!M->GetWantTabs());
    W->setFocusPolicy(Policy);
  }
};

} // namespace

std::unique_ptr<TBinder> MakeEditBinder() {
  return std::make_unique<TEditBinder>();
}

std::unique_ptr<TBinder> MakeMemoBinder() {
  return std::make_unique<TMemoBinder>();
}

} // namespace QtForms
