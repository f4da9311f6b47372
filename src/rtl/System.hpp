// The root of the object model: TObject, class references and reference
// counted interfaces. Every class of the code base that takes part in
// streaming, registration or editor lookup derives from TObject and declares
// itself with OV_CLASS, which gives it a class reference (TClass) with a name,
// a parent, a factory and its published properties (see TypInfo.hpp).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace TypInfo {
struct TMetaClass;
}

namespace System {

using TMetaClass = TypInfo::TMetaClass;
// A class reference, as `class of TObject`: one TMetaClass per class, compared
// by address.
using TClass = const TMetaClass*;

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject();

  static TClass StaticClass();
  virtual TClass ClassType() const;

  std::string ClassName() const;
  bool InheritsFrom(TClass AClass) const;
  // `is` of the object model: true for the class and its descendants.
  template <class T> bool Is() const { return InheritsFrom(T::StaticClass()); }
};

// Checked conversion, as Delphi's `as`: raises EInvalidCast naming both classes
// when Obj is not a T. A null Obj gives null, as `nil as T` does.
[[noreturn]] void RaiseInvalidCast(const TObject* Obj, TClass Target);
template <class T> T* As(TObject* Obj) {
  if (!Obj)
    return nullptr;
  if (auto* Result = dynamic_cast<T*>(Obj))
    return Result;
  RaiseInvalidCast(Obj, T::StaticClass());
}
template <class T> const T* As(const TObject* Obj) {
  return As<T>(const_cast<TObject*>(Obj));
}

// Reference counted interfaces. Interfaces derive virtually from IInterface so
// that one object can implement an interface and the interfaces it extends
// with a single count (TInterfacedObject holds it).
class IInterface {
public:
  virtual int AddRef() = 0;
  virtual int Release() = 0;

protected:
  virtual ~IInterface() = default;
};

class TInterfacedObject : public TObject, public virtual IInterface {
public:
  int AddRef() override;
  int Release() override;
  int RefCount() const { return FRefCount.load(); }

  static TClass StaticClass();
  TClass ClassType() const override;

private:
  std::atomic<int> FRefCount{0};
};

// An owning interface reference: AddRef on copy, Release on reset. The object
// frees itself when the last reference goes.
template <class T> class TInterfaceRef {
public:
  TInterfaceRef() = default;
  TInterfaceRef(std::nullptr_t) {}
  TInterfaceRef(T* P) : FIntf(P) {
    if (FIntf)
      FIntf->AddRef();
  }
  TInterfaceRef(const TInterfaceRef& Other) : TInterfaceRef(Other.FIntf) {}
  TInterfaceRef(TInterfaceRef&& Other) noexcept : FIntf(std::exchange(Other.FIntf, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  TInterfaceRef(const TInterfaceRef<U>& Other) : TInterfaceRef(static_cast<T*>(Other.Get())) {}
  ~TInterfaceRef() { Reset(); }

  TInterfaceRef& operator=(TInterfaceRef Other) noexcept {
    std::swap(FIntf, Other.FIntf);
    return *this;
  }

  void Reset() {
    if (auto* P = std::exchange(FIntf, nullptr))
      P->Release();
  }
  T* Get() const { return FIntf; }
  T* operator->() const { return FIntf; }
  T& operator*() const { return *FIntf; }
  explicit operator bool() const { return FIntf != nullptr; }
  friend bool operator==(const TInterfaceRef& A, const TInterfaceRef& B) {
    return A.FIntf == B.FIntf;
  }

private:
  T* FIntf = nullptr;
};

// Interface cast, as Delphi's `Supports`: null when the object behind Intf
// does not implement U.
template <class U, class T> TInterfaceRef<U> Supports(const TInterfaceRef<T>& Intf) {
  return TInterfaceRef<U>(dynamic_cast<U*>(Intf.Get()));
}

// A Pascal set over an enumeration with at most 64 members, held as bits by
// ordinal. `S << e` includes e, as sets are written in C++ code against these
// libraries.
template <class E> class TSet {
  static_assert(std::is_enum_v<E>, "TSet needs an enumeration");

public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Items) {
    for (E Item : Items)
      FBits |= Bit(Item);
  }
  static constexpr TSet FromBits(uint64_t Bits) {
    TSet S;
    S.FBits = Bits;
    return S;
  }
  constexpr uint64_t Bits() const { return FBits; }
  constexpr bool Contains(E Item) const { return (FBits & Bit(Item)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E Item) {
    FBits |= Bit(Item);
    return *this;
  }
  constexpr TSet& Exclude(E Item) {
    FBits &= ~Bit(Item);
    return *this;
  }
  constexpr TSet& operator<<(E Item) { return Include(Item); }
  constexpr TSet& operator>>(E Item) { return Exclude(Item); }
  friend constexpr TSet operator+(TSet A, TSet B) { return FromBits(A.FBits | B.FBits); }
  friend constexpr TSet operator-(TSet A, TSet B) { return FromBits(A.FBits & ~B.FBits); }
  friend constexpr TSet operator*(TSet A, TSet B) { return FromBits(A.FBits & B.FBits); }
  friend constexpr bool operator==(TSet A, TSet B) { return A.FBits == B.FBits; }

private:
  static constexpr uint64_t Bit(E Item) { return uint64_t{1} << static_cast<unsigned>(Item); }
  uint64_t FBits = 0;
};

// A method pointer: the closure an event property holds, plus the name of the
// published method it was bound to when a form file named one (empty when code
// assigned it), so that writing the form gives the name back.
template <class Sig> class TEvent;
template <class R, class... A> class TEvent<R(A...)> {
public:
  using TSignature = R(A...);
  TEvent() = default;
  TEvent(std::nullptr_t) {}
  template <class F, class = std::enable_if_t<std::is_invocable_r_v<R, F&, A...> &&
                                              !std::is_base_of_v<TEvent, std::decay_t<F>>>>
  TEvent(F Fn) : FFn(std::move(Fn)) {}
  TEvent(std::function<R(A...)> Fn, std::string MethodName)
      : FFn(std::move(Fn)), FMethodName(std::move(MethodName)) {}

  explicit operator bool() const { return static_cast<bool>(FFn); }
  R operator()(A... Args) const { return FFn(std::forward<A>(Args)...); }
  const std::string& MethodName() const { return FMethodName; }

private:
  std::function<R(A...)> FFn;
  std::string FMethodName;
};

// The program's modules (shared libraries) that hold resources, such as the
// stored layouts of dialogs. A library registers itself when it is loaded and
// unregisters when it is unloaded, by an address inside it (its HInstance);
// resource lookups search the newest module first.
void RegisterModule(const void* Instance);
void UnregisterModule(const void* Instance);
std::vector<const void*> LibModules();

} // namespace System

// Declares the class reference of a class. Place it first in the body of a
// class (not a struct): what it declares is public, and it closes with the
// access a class body opens with, private, so the members after it say their
// own access. `inherited` names the parent, so that an override can make a
// non-virtual call of the parent's implementation.
#define OV_CLASS(ThisClass, ParentClass)                                                           \
public:                                                                                            \
  using inherited = ParentClass;                                                                   \
  static ::System::TClass StaticClass();                                                           \
  ::System::TClass ClassType() const override {                                                    \
    return StaticClass();                                                                          \
  }                                                                                                \
                                                                                                   \
private:
