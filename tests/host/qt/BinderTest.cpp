// The control binders: a control class finds the binder of its most derived
// registered class, a class nobody registered fails naming itself rather
// than showing an empty widget, and a binder registered for a new class
// gives its controls their widget and keeps it in step.
#include "QtTestSupport.hpp"

#include "host/qt/QtForms/Binders.hpp"
#include "vcl/StdCtrls.hpp"

#include <QLabel>
#include <QListWidget>

using namespace QtTest;

namespace {

// A control class of a program's own that no binder knows.
class TGadget : public Controls::TCustomControl {
  OV_CLASS(TGadget, Controls::TCustomControl)
public:
  using inherited::inherited;
};

// A list box of a program's own: the list box binder serves it.
class TFancyList : public StdCtrls::TListBox {
  OV_CLASS(TFancyList, StdCtrls::TListBox)
public:
  using inherited::inherited;
};

OV_CLASS_IMPL(TGadget, Controls::TCustomControl, "BinderTest")
OV_CLASS_IMPL(TFancyList, StdCtrls::TListBox, "BinderTest")

// Shows a gadget as a label with its caption.
class TGadgetBinder : public QtForms::TBinder {
public:
  QWidget* Create(QtForms::TBinding&, QWidget* Parent) const override { return new QLabel(Parent); }
  void Sync(QtForms::TFormView&, QtForms::TBinding& B, Qt::FocusPolicy) const override {
    static_cast<QLabel*>(B.Widget)->setText(QtForms::Q(B.Control->GetCaption()));
  }
};

class Binders : public TQtFixture {
protected:
  void SetUp() override {
    TQtFixture::SetUp();
    Form.reset(new Forms::TForm(nullptr));
    Form->SetName("GadgetForm");
  }
  void TearDown() override {
    QtForms::UnregisterBinder(TGadget::StaticClass());
    Form.reset();
    TQtFixture::TearDown();
  }
  template <class T> T* Add(const char* Name) {
    auto* C = new T(Form.get());
    C->SetName(Name);
    C->SetParent(Form.get());
    return C;
  }
  Forms::TFormPtr<Forms::TForm> Form;
};

} // namespace

TEST_F(Binders, TheMostDerivedRegisteredClassWins) {
  auto* Memo = Add<StdCtrls::TMemo>("Memo1");
  auto* Edit = Add<StdCtrls::TEdit>("Edit1");
  auto* Fancy = Add<TFancyList>("Fancy1");
  EXPECT_NE(&QtForms::FindBinder(Memo), &QtForms::FindBinder(Edit));
  EXPECT_EQ(&QtForms::FindBinder(Fancy), &QtForms::FindBinder(Add<StdCtrls::TListBox>("List1")));
  Fancy->GetItems()->Add("one");
  QtForms::TFormView* View = UI.ViewOf(Form.get());
  View->Sync();
  auto* List = qobject_cast<QListWidget*>(View->WidgetOf(Fancy));
  ASSERT_NE(List, nullptr);
  EXPECT_EQ(List->item(0)->text(), "one");
}

TEST_F(Binders, AnUnregisteredControlClassFailsNamingTheClass) {
  auto* Gadget = Add<TGadget>("Gadget1");
  QtForms::TFormView* View = UI.ViewOf(Form.get());
  try {
    View->Sync();
    FAIL() << "no error";
  } catch (const QtForms::EBinderError& E) {
    EXPECT_NE(E.Message().find("control class TGadget (Gadget1)"), std::string::npos)
        << E.Message();
  }
  EXPECT_EQ(View->WidgetOf(Gadget), nullptr);
}

TEST_F(Binders, ARegisteredBinderShowsTheNewClassAndKeepsItInStep) {
  QtForms::RegisterBinder(TGadget::StaticClass(), std::make_unique<TGadgetBinder>());
  auto* Gadget = Add<TGadget>("Gadget1");
  Gadget->SetCaption("first");
  Gadget->SetBounds(10, 20, 80, 24);
  QtForms::TFormView* View = UI.ViewOf(Form.get());
  View->Sync();
  auto* Label = qobject_cast<QLabel*>(View->WidgetOf(Gadget));
  ASSERT_NE(Label, nullptr);
  EXPECT_EQ(Label->objectName(), "Gadget1");
  EXPECT_EQ(Label->text(), "first");
  EXPECT_EQ(Label->geometry(), QRect(10, 20, 80, 24));
  Gadget->SetCaption("second");
  View->Sync();
  EXPECT_EQ(Label->text(), "second");
}
