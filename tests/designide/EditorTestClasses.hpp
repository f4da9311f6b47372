// Components with published properties of every kind, a root with published
// methods, and a registration scope that removes what a test registered:
// the material the editor, inspector and tree tests work on.
#pragma once

#include "designide/DesignRegistry.hpp"
#include "rtl/Classes.hpp"

#include <memory>
#include <string>

namespace EditorTest {

using Classes::TComponent;

enum class TMode { mdNone, mdRead, mdWrite };
OV_ENUM(TMode, "mdNone", "mdRead", "mdWrite")
enum class TOption { opFast, opSafe, opQuiet };
OV_ENUM(TOption, "opFast", "opSafe", "opQuiet")
OV_SET(TOptions, TOption)

// A nested persistent object, as a font is.
class TStyle : public Classes::TPersistent {
  OV_CLASS(TStyle, Classes::TPersistent)
public:
  int GetSize() const { return FSize; }
  void SetSize(int Value) { FSize = Value; }
  const std::string& GetFace() const { return FFace; }
  void SetFace(const std::string& Value) { FFace = Value; }
  void Assign(Classes::TPersistent* Source) override;

private:
  int FSize = 8;
  std::string FFace = "Sans";
};

// Another class sharing some property names with TWidget, and what a
// widget's Buddy refers to.
class TGadget : public TComponent {
  OV_CLASS(TGadget, TComponent)
public:
  using TComponent::TComponent;
  int GetCount() const { return FCount; }
  void SetCount(int Value) { FCount = Value; }
  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  // Same name as TWidget's Mode, another type.
  int GetMode() const { return FMode; }
  void SetMode(int Value) { FMode = Value; }

private:
  int FCount = 0;
  std::string FCaption;
  int FMode = 0;
};

class TSpecialGadget : public TGadget {
  OV_CLASS(TSpecialGadget, TGadget)
public:
  using TGadget::TGadget;
};

class TWidget : public TComponent {
  OV_CLASS(TWidget, TComponent)
public:
  explicit TWidget(TComponent* AOwner);
  ~TWidget() override;

  int GetCount() const { return FCount; }
  void SetCount(int Value) { FCount = Value; }
  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  TMode GetMode() const { return FMode; }
  void SetMode(TMode Value) { FMode = Value; }
  TOptions GetOptions() const { return FOptions; }
  void SetOptions(TOptions Value) { FOptions = Value; }
  double GetRatio() const { return FRatio; }
  void SetRatio(double Value) { FRatio = Value; }
  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  char GetLetter() const { return FLetter; }
  void SetLetter(char Value) { FLetter = Value; }
  int64_t GetBig() const { return FBig; }
  void SetBig(int64_t Value) { FBig = Value; }
  Classes::TStrings* GetLines() const { return FLines.get(); }
  void SetLines(Classes::TStrings* Value);
  TStyle* GetStyle() const { return FStyle.get(); }
  void SetStyle(TStyle* Value) { FStyle->Assign(Value); }
  TGadget* GetBuddy() const { return FBuddy; }
  void SetBuddy(TGadget* Value);
  std::string GetSerial() const { return "W-" + GetName(); }

  Classes::TNotifyEvent OnChange;
  // Set true to make SetActive fail, as a connection that cannot be made.
  bool FailActivation = false;
  int LinesAssigned = 0;

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;

private:
  int FCount = 0;
  bool FActive = false;
  TMode FMode = TMode::mdNone;
  TOptions FOptions;
  double FRatio = 0;
  std::string FCaption;
  char FLetter = 'a';
  int64_t FBig = 0;
  std::unique_ptr<Classes::TStringList> FLines;
  std::unique_ptr<TStyle> FStyle;
  TGadget* FBuddy = nullptr;
};

class TSpecialWidget : public TWidget {
  OV_CLASS(TSpecialWidget, TWidget)
public:
  using TWidget::TWidget;
};

// The root of a design, with published methods events can be bound to.
class TTestRoot : public TComponent {
  OV_CLASS(TTestRoot, TComponent)
public:
  using TComponent::TComponent;
  void WidgetChange(System::TObject* Sender) { ++Changes; }
  void OtherChange(System::TObject* Sender) {}
  int Changes = 0;
};

// Registrations made while a scope lives are made for a test package and
// removed when the scope goes.
class TTestRegistrations {
public:
  TTestRegistrations() : FScope(std::make_unique<DesignRegistry::TRegistrationScope>(Package())) {}
  ~TTestRegistrations() {
    FScope.reset();
    DesignRegistry::UnregisterPackage(Package());
  }
  static std::string Package() { return "EditorTestPackage"; }

private:
  std::unique_ptr<DesignRegistry::TRegistrationScope> FScope;
};

} // namespace EditorTest
