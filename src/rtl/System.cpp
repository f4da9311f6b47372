#include "rtl/System.hpp"

#include "rtl/SysUtils.hpp"
#include "rtl/TypInfo.hpp"

#include <algorithm>
#include <mutex>

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

namespace {

struct TModuleList {
  std::mutex Lock;
  std::vector<const void*> Modules;
};

TModuleList& ModuleList() {
  static TModuleList L;
  return L;
}

} // namespace

void RegisterModule(const void* Instance) {
  auto& L = ModuleList();
  std::lock_guard G(L.Lock);
  if (std::find(L.Modules.begin(), L.Modules.end(), Instance) == L.Modules.end())
    L.Modules.insert(L.Modules.begin(), Instance);
}

void UnregisterModule(const void* Instance) {
  auto& L = ModuleList();
  std::lock_guard G(L.Lock);
  L.Modules.erase(std::remove(L.Modules.begin(), L.Modules.end(), Instance), L.Modules.end());
}

std::vector<const void*> LibModules() {
  auto& L = ModuleList();
  std::lock_guard G(L.Lock);
  return L.Modules;
}

} // namespace System
