#include "rtl/System.hpp"

#include "rtl/SysUtils.hpp"
#include "rtl/TypInfo.hpp"

namespace System {

TObject::~TObject() = default;

TClass TObject::StaticClass() {
  static const TypInfo::TMetaClass* const Meta =
      TypInfo::TClassBuilder<TObject>("TObject", nullptr, "System").Finish();
  return Meta;
}

TClass TObject::ClassType() const {
  return StaticClass();
}

std::string TObject::ClassName() const {
  return ClassType()->Name;
}

bool TObject::InheritsFrom(TClass AClass) const {
  return ClassType()->InheritsFrom(AClass);
}

void RaiseInvalidCast(const TObject* Obj, TClass Target) {
  throw SysUtils::EInvalidCast(
      SysUtils::Format("Invalid class typecast: %s is not a %s", Obj->ClassName(), Target->Name));
}

int TInterfacedObject::AddRef() {
  return ++FRefCount;
}

int TInterfacedObject::Release() {
  const int Count = --FRefCount;
  if (Count == 0)
    delete this;
  return Count;
}

TClass TInterfacedObject::StaticClass() {
  static const TypInfo::TMetaClass* const Meta =
      TypInfo::TClassBuilder<TInterfacedObject>("TInterfacedObject", TObject::StaticClass(),
                                                "System")
          .Finish();
  return Meta;
}

TClass TInterfacedObject::ClassType() const {
  return StaticClass();
}

} // namespace System
