#include "designide/DesignIntf/Designer.hpp"

#include "rtl/SysUtils.hpp"

#include <algorithm>
#include <cctype>

namespace DesignIntf {

using Classes::TComponent;
using Classes::TPersistent;
using SysUtils::SameText;

namespace {

// The designers alive in this process, looked up by their root.
std::vector<TDesigner*>& Designers() {
  static std::vector<TDesigner*> List;
  return List;
}

} // namespace

// Hears of the root's and the selected components' destruction, so the
// designer never hands out a freed component.
class TDesigner::TRootWatcher : public TComponent {
public:
  explicit TRootWatcher(TDesigner* ADesigner) : TComponent(nullptr), FDesigner(ADesigner) {}

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == Classes::TOperation::opRemove)
      FDesigner->RootFreed(AComponent);
  }

private:
  TDesigner* FDesigner;
};

OV_CLASS_IMPL(TDesigner, System::TInterfacedObject, "DesignIntf")

TDesigner::TDesigner(TComponent* ARoot) : FRoot(ARoot), FWatcher(new TRootWatcher(this)) {
  if (FRoot)
    FRoot->FreeNotification(FWatcher.get());
  Designers().push_back(this);
}

TDesigner::~TDesigner() {
  auto& L = Designers();
  L.erase(std::remove(L.begin(), L.end(), this), L.end());
}

void TDesigner::RootFreed(TComponent* AComponent) {
  if (AComponent == FRoot) {
    FRoot = nullptr;
    FSelections.clear();
    return;
  }
  FSelections.erase(std::remove(FSelections.begin(), FSelections.end(), AComponent),
                    FSelections.end());
}

void TDesigner::Modified() {
  ++FModifiedCount;
  if (OnModified)
    OnModified();
}

TComponent* TDesigner::GetComponent(const std::string& Name) {
  if (!FRoot || Name.empty())
    return nullptr;
  if (SameText(Name, FRoot->GetName()))
    return FRoot;
  return FRoot->FindComponent(Name);
}

std::string TDesigner::GetComponentName(TComponent* Component) {
  return Component ? Component->GetName() : std::string();
}

void TDesigner::GetComponentNames(TClass ComponentClass, const TGetStrProc& Proc) {
  if (!FRoot)
    return;
  for (int I = 0; I < FRoot->ComponentCount(); ++I) {
    TComponent* C = FRoot->Components(I);
    if (!C->GetName().empty() && (!ComponentClass || C->InheritsFrom(ComponentClass)))
      Proc(C->GetName());
  }
}

std::string TDesigner::UniqueName(const std::string& BaseName) {
  std::string Base = BaseName;
  if (Base.size() > 1 && (Base[0] == 'T' || Base[0] == 't') &&
      std::isupper(static_cast<unsigned char>(Base[1])))
    Base.erase(0, 1);
  for (char& Ch : Base)
    if (!std::isalnum(static_cast<unsigned char>(Ch)) && Ch != '_')
      Ch = '_';
  if (Base.empty() || std::isdigit(static_cast<unsigned char>(Base[0])))
    Base.insert(0, "_");
  for (int N = 1;; ++N) {
    std::string Candidate = Base + std::to_string(N);
    if (!GetComponent(Candidate))
      return Candidate;
  }
}

TComponent* TDesigner::CreateComponent(TClass ComponentClass, TComponent* Parent, int Left, int Top,
                                       int Width, int Height) {
  if (!FRoot)
    throw SysUtils::EInvalidOperation("The design has no root component to create a component in");
  TComponent* C = Classes::CreateComponent(ComponentClass, FRoot);
  try {
    C->SetName(UniqueName(ComponentClass->Name));
    C->SetDesigning(true);
    if (Parent && Parent != FRoot && C->HasParent())
      C->SetParentComponent(Parent);
    C->SetDesignPosition(Left, Top);
  } catch (...) {
    delete C;
    throw;
  }
  Modified();
  return C;
}

void TDesigner::SelectComponent(TPersistent* Instance) {
  SetSelections(Instance ? std::vector<TPersistent*>{Instance} : std::vector<TPersistent*>{});
}

std::vector<TPersistent*> TDesigner::GetSelections() {
  return FSelections;
}

void TDesigner::SetSelections(const std::vector<TPersistent*>& Selections) {
  for (TPersistent* P : FSelections)
    if (auto* C = dynamic_cast<TComponent*>(P); C && C != FRoot)
      C->RemoveFreeNotification(FWatcher.get());
  FSelections = Selections;
  for (TPersistent* P : FSelections)
    if (auto* C = dynamic_cast<TComponent*>(P); C && C != FRoot)
      C->FreeNotification(FWatcher.get());
}

IDesigner* FindRootDesigner(const TPersistent* Instance) {
  const TPersistent* Top = Instance;
  while (Top) {
    const TPersistent* Owner = Top->GetOwner();
    if (!Owner)
      break;
    Top = Owner;
  }
  if (!Top)
    return nullptr;
  for (TDesigner* D : Designers())
    if (D->GetRoot() == Top)
      return D;
  return nullptr;
}

} // namespace DesignIntf
