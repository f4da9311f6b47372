// TPersistent, TComponent and the class registry.
#include "rtl/Classes.hpp"
#include "rtl/StrUtils.hpp"

#include <algorithm>
#include <mutex>

namespace Classes {

using SysUtils::Format;
using SysUtils::SameText;

OV_CLASS_IMPL(EListError, SysUtils::Exception, "Classes")
OV_CLASS_IMPL(EStringListError, SysUtils::Exception, "Classes")
OV_CLASS_IMPL(EComponentError, SysUtils::Exception, "Classes")
OV_CLASS_IMPL(EStreamError, SysUtils::Exception, "Classes")
OV_CLASS_IMPL(EReadError, EStreamError, "Classes")
OV_CLASS_IMPL(EWriteError, EStreamError, "Classes")
OV_CLASS_IMPL(EFilerError, EStreamError, "Classes")
OV_CLASS_IMPL(EClassNotFound, EFilerError, "Classes")
OV_CLASS_IMPL(EFOpenError, EStreamError, "Classes")
OV_CLASS_IMPL(EFCreateError, EStreamError, "Classes")

OV_CLASS_IMPL(TPersistent, TObject, "Classes")

void TPersistent::Assign(TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) const {
  Dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const {
  throw SysUtils::EConvertError(Format("Cannot assign a %s to a %s",
                                       Source ? Source->ClassName() : std::string("nil"),
                                       ClassName()));
}

std::string TPersistent::GetNamePath() const {
  return ClassName();
}

void TPersistent::DefineProperties(TFiler*) {}

OV_CLASS_BEGIN(TComponent, TPersistent, "Classes")
B.Property("Name", &TComponent::GetName, &TComponent::SetName);
B.Property("Tag", &TComponent::GetTag, &TComponent::SetTag).Default(0);
OV_CLASS_END

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner)
    AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everyone who holds a reference to us, newest request first; each
  // Notification may remove entries, so take them one at a time.
  while (!FFreeNotifies.empty()) {
    TComponent* Other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& Theirs = Other->FFreeNotifies;
    Theirs.erase(std::remove(Theirs.begin(), Theirs.end(), this), Theirs.end());
    Other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (FOwner)
    FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (IsDestroying())
    return;
  FComponentState.Include(TComponentStateItem::csDestroying);
  for (TComponent* C : FComponents)
    C->Destroying();
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* C = FComponents.back();
    Remove(C);
    delete C;
  }
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner)
    return -1;
  const auto& L = FOwner->FComponents;
  const auto It = std::find(L.begin(), L.end(), this);
  return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty())
    return nullptr;
  const auto [First, Last] = FNameIndex.equal_range(SysUtils::UpperCase(AName));
  if (First == Last)
    return nullptr;
  if (std::next(First) == Last)
    return First->second;
  for (TComponent* C : FComponents)
    if (SameText(C->FName, AName))
      return C;
  return nullptr;
}

void TComponent::IndexName(TComponent* AComponent, bool Add) {
  if (AComponent->FName.empty())
    return;
  const std::string Key = SysUtils::UpperCase(AComponent->FName);
  if (Add) {
    FNameIndex.emplace(Key, AComponent);
    return;
  }
  const auto [First, Last] = FNameIndex.equal_range(Key);
  for (auto It = First; It != Last; ++It)
    if (It->second == AComponent) {
      FNameIndex.erase(It);
      return;
    }
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) {
  if (AComponent && !SameText(CurName, NewName) && FindComponent(NewName))
    throw EComponentError(Format("A component named %s already exists", NewName));
}

void TComponent::SetName(const std::string& NewName) {
  if (FName == NewName)
    return;
  if (!NewName.empty() && !SysUtils::IsValidIdent(NewName))
    throw EComponentError(Format("'%s' is not a valid component name", StrUtils::Excerpt(NewName)));
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  if (FOwner)
    FOwner->IndexName(this, false);
  FName = NewName;
  if (FOwner)
    FOwner->IndexName(this, true);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent->FOwner == this)
    return;
  ValidateRename(AComponent, "", AComponent->FName);
  if (AComponent->FOwner)
    AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  if (IsDesigning())
    AComponent->SetDesigning(true);
  Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent->FOwner != this)
    return;
  Notification(AComponent, TOperation::opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  IndexName(AComponent, true);
}

void TComponent::Remove(TComponent* AComponent) {
  // A component is owned once; searched from the back, where the newest ones
  // and those freed with their owner are, so freeing a module stays linear.
  const auto It = std::find(FComponents.rbegin(), FComponents.rend(), AComponent);
  if (It != FComponents.rend())
    FComponents.erase(std::next(It).base());
  AComponent->FOwner = nullptr;
  IndexName(AComponent, false);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent)
    RemoveFreeNotification(AComponent);
  // While a form file is read into this component, what it owns learns of
  // the components read with it through their resolved references and
  // Loaded, not by hearing of every insert: passing each insert on to every
  // sibling made reading a file grow with the square of its components.
  // The owner itself still hears of each insert, and of every removal.
  if (Operation == TOperation::opInsert && IsLoading())
    return;
  // The owner passes the news on to what it owns, as the platform does, so a
  // sibling's reference to the departing component is cleared.
  for (size_t I = FComponents.size(); I-- > 0;) {
    if (I >= FComponents.size())
      continue;
    TComponent* C = FComponents[I];
    if (C != AComponent)
      C->Notification(AComponent, Operation);
  }
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this)
    return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  auto& Theirs = AComponent->FFreeNotifies;
  if (std::find(Theirs.begin(), Theirs.end(), this) == Theirs.end())
    Theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent),
                      FFreeNotifies.end());
}

void TComponent::SetComponentStateItem(TComponentStateItem Item, bool On) {
  if (On)
    FComponentState.Include(Item);
  else
    FComponentState.Exclude(Item);
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  SetComponentStateItem(TComponentStateItem::csDesigning, Value);
  if (SetChildren)
    for (TComponent* C : FComponents)
      C->SetDesigning(Value);
}

void TComponent::SetLoading(bool Value) {
  SetComponentStateItem(TComponentStateItem::csLoading, Value);
}

void TComponent::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  if (Root != this)
    return;
  for (TComponent* C : FComponents)
    if (!C->HasParent())
      Proc(C);
}

void TComponent::Loaded() {
  SetComponentStateItem(TComponentStateItem::csLoading, false);
}

std::string TComponent::GetNamePath() const {
  return FName;
}

void TComponent::DefineProperties(TFiler* Filer) {
  using DfmText::TDfmValue;
  using DfmText::TValueKind;
  const auto IntValue = [](int V) {
    TDfmValue R;
    R.Kind = TValueKind::vaInteger;
    R.Int = V;
    return R;
  };
  const auto ReadInt = [](const TDfmValue& V) {
    if (V.Kind != TValueKind::vaInteger)
      throw EReadError("Invalid property value: an integer was expected");
    return static_cast<int>(V.Int);
  };
  Filer->DefineProperty(
      "Left", [this, ReadInt](const TDfmValue& V) { FDesignLeft = ReadInt(V); },
      [this, IntValue] { return IntValue(FDesignLeft); }, FDesignLeft != 0);
  Filer->DefineProperty(
      "Top", [this, ReadInt](const TDfmValue& V) { FDesignTop = ReadInt(V); },
      [this, IntValue] { return IntValue(FDesignTop); }, FDesignTop != 0);
}

TComponent* CreateComponent(TClass AClass, TComponent* AOwner) {
  if (!AClass || !AClass->InheritsFrom(TComponent::StaticClass()))
    throw EComponentError(
        Format("Class %s is not a component class", AClass ? AClass->Name : std::string("nil")));
  if (AClass->ConstructorKind != TypInfo::TConstructorKind::ckOwner)
    throw EComponentError(Format("Cannot create an instance of class %s", AClass->Name));
  return static_cast<TComponent*>(AClass->Factory(AOwner));
}

namespace {

struct TClassRegistry {
  std::mutex Lock;
  std::vector<TClass> Classes;
};

TClassRegistry& Registry() {
  static TClassRegistry R;
  return R;
}

} // namespace

void RegisterClass(TClass AClass) {
  auto& R = Registry();
  std::lock_guard G(R.Lock);
  for (TClass C : R.Classes) {
    if (C == AClass)
      return;
    if (SameText(C->Name, AClass->Name))
      throw EFilerError(Format("A class named %s already exists", AClass->Name));
  }
  R.Classes.push_back(AClass);
}

void RegisterClasses(std::initializer_list<TClass> AClasses) {
  for (TClass C : AClasses)
    RegisterClass(C);
}

void UnRegisterClass(TClass AClass) {
  auto& R = Registry();
  std::lock_guard G(R.Lock);
  R.Classes.erase(std::remove(R.Classes.begin(), R.Classes.end(), AClass), R.Classes.end());
}

TClass GetClass(std::string_view ClassName) {
  auto& R = Registry();
  std::lock_guard G(R.Lock);
  for (TClass C : R.Classes)
    if (SameText(C->Name, ClassName))
      return C;
  return nullptr;
}

TClass FindClass(std::string_view ClassName) {
  TClass C = GetClass(ClassName);
  if (!C)
    throw EClassNotFound(Format("Class %s not found", StrUtils::Excerpt(ClassName)));
  return C;
}

std::vector<TClass> RegisteredClasses() {
  auto& R = Registry();
  std::lock_guard G(R.Lock);
  return R.Classes;
}

} // namespace Classes
