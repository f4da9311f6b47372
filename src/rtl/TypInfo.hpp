// Class references and published-property information. The Object Inspector,
// the property editors, the registration lookups and form streaming all read
// the same tables, which each class builds once, lazily, in its StaticClass
// (OV_CLASS_BEGIN ... OV_CLASS_END in its source file).
#pragma once

#include "rtl/SysUtils.hpp"
#include "rtl/System.hpp"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace Classes {
class TComponent;
class TCollection;
} // namespace Classes

namespace TypInfo {

using System::TClass;
using System::TObject;

enum class TTypeKind {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkInt64
};

struct TTypeInfo {
  TTypeKind Kind = TTypeKind::tkUnknown;
  std::string Name;
  std::vector<std::string> EnumNames;  // tkEnumeration, by ordinal
  const TTypeInfo* CompType = nullptr; // tkSet: the element enumeration
  TClass ClassType = nullptr;          // tkClass
  // tkInteger types some of whose values have names (a colour's clBtnFace,
  // a cursor's crHandPoint): form files and property texts use the name
  // where there is one. Both are null for plain integers.
  bool (*IntToIdent)(int64_t Value, std::string& Ident) = nullptr;
  bool (*IdentToInt)(std::string_view Ident, int64_t& Value) = nullptr;
};

// Two type infos denote the same type when they have the same kind and name;
// each shared library may hold its own copy of an inline type's table.
bool SameType(const TTypeInfo* A, const TTypeInfo* B);

namespace Detail {

// A call kept in place: a function object of at most 16 trivially copyable
// bytes (a pointer to a member function or to a field, nothing else) and the
// function that calls it with the signature it was made for. Unlike a
// std::function, it needs no heap block, no manager and no type info: every
// class table holds a few of these per published property.
template <class Sig> struct TCallThunk;
template <class R, class... A> struct TCallThunk<R(A...)> {
  using Fn = R (*)(const void*, A...);
  template <class F> static R Call(const void* Data, A... Args) {
    return (*std::launder(static_cast<const F*>(Data)))(static_cast<A>(Args)...);
  }
};

class TStoredCall {
public:
  // Sig is the signature the call is made for; Call must name the same.
  template <class Sig, class F> static TStoredCall Make(F Fn) {
    static_assert(sizeof(F) <= DataSize && alignof(F) <= alignof(void*) &&
                      std::is_trivially_copyable_v<F> && std::is_trivially_destructible_v<F>,
                  "a stored call holds a member pointer or nothing");
    TStoredCall Result;
    ::new (static_cast<void*>(Result.FData)) F(Fn);
    Result.FCall = reinterpret_cast<void (*)()>(&TCallThunk<Sig>::template Call<F>);
    return Result;
  }
  template <class Sig, class... Args> auto Call(Args&&... X) const {
    return reinterpret_cast<typename TCallThunk<Sig>::Fn>(FCall)(FData, std::forward<Args>(X)...);
  }
  explicit operator bool() const { return FCall != nullptr; }

private:
  static constexpr std::size_t DataSize = 2 * sizeof(void*);
  void (*FCall)() = nullptr;
  alignas(void*) unsigned char FData[DataSize] = {};
};

} // namespace Detail

// How a property is read and written: the pair of calls its record holds.
enum class TPropAccess : uint8_t {
  paNone,
  paOrdinal, // integers, enums, Booleans, chars, sets (bits): int64_t
  paString,
  paFloat,
  paObject,
  paMethod // an event: read as the bound method's name
};

struct TPropInfo {
  // The signatures of Getter and Setter for each kind of access.
  using TGetOrd = int64_t(const TObject*);
  using TSetOrd = void(TObject*, int64_t);
  using TGetStr = std::string(const TObject*);
  using TSetStr = void(TObject*, const std::string&);
  using TGetFloat = double(const TObject*);
  using TSetFloat = void(TObject*, double);
  using TGetObj = TObject*(const TObject*);
  using TSetObj = void(TObject*, TObject*);
  using TGetMethodName = std::string(const TObject*);
  // Binds the published method Name of Self to the event (an empty Name
  // clears it). Raises EPropertyError when Self has no such method or its
  // parameters don't fit the event.
  using TSetMethod = void(TObject* Instance, TObject* Self, const std::string& Name);
  using TIsStored = bool(const TObject*);

  std::string Name;
  const TTypeInfo* PropType = nullptr;
  TClass DeclaringClass = nullptr;
  int NameIndex = 0; // position among all properties of the declaring class
  TPropAccess Access = TPropAccess::paNone;

  // Read and write through the signatures of Access; a missing setter makes
  // the property read-only. Use the Get...Prop / Set...Prop functions below.
  Detail::TStoredCall Getter;
  Detail::TStoredCall Setter;
  Detail::TStoredCall IsStored; // absent: always stored

  std::optional<int64_t> Default; // ordinal default: equal values are not stored

  bool IsReadable() const { return static_cast<bool>(Getter); }
  bool IsWritable() const { return static_cast<bool>(Setter); }
};

// A published method: Binder holds a std::function<std::function<Sig>(TObject*)>
// that binds the method to an instance of its class.
struct TMethodEntry {
  std::string Name;
  std::any Binder;
};

// A published field: a component reference that form reading sets when it
// creates the component of that name (the controls of a stored dialog layout).
struct TFieldEntry {
  std::string Name;
  TClass FieldClass = nullptr;
  std::function<void(TObject* Self, TObject* Value)> Set;
  std::function<TObject*(const TObject* Self)> Get;
};

enum class TConstructorKind { ckNone, ckDefault, ckOwner, ckCollection };

struct TMetaClass {
  std::string Name;
  TClass Parent = nullptr;
  std::string UnitName;
  TConstructorKind ConstructorKind = TConstructorKind::ckNone;
  // Creates an instance; the argument is the owner component (ckOwner), the
  // collection (ckCollection) or ignored (ckDefault). Null for abstract classes.
  std::function<TObject*(void* Arg)> Factory;
  std::vector<std::unique_ptr<TPropInfo>> Props; // own published properties, in declaration order
  std::vector<TMethodEntry> Methods;             // own published methods
  std::vector<TFieldEntry> Fields;               // own published fields
  TTypeInfo TypeInfo;                            // tkClass type info of this class

  bool InheritsFrom(TClass AClass) const;
  const TPropInfo* FindProp(std::string_view PropName) const; // own and inherited, any case
  std::vector<const TPropInfo*> AllProps() const;             // parents' first
  const TMethodEntry* FindMethod(std::string_view MethodName) const;
  const TFieldEntry* FindField(std::string_view FieldName) const; // own and inherited, any case
  bool IsAbstract() const { return !Factory; }
};

OV_EXCEPTION(EPropertyError, SysUtils::Exception)
OV_EXCEPTION(EPropertyConvertError, SysUtils::Exception)

// Type info of a C++ type used as a property type. Built-in kinds are known;
// an enumeration, set or event type declares its table with OV_ENUM, OV_SET or
// OV_EVENT_TYPE next to its declaration (found by argument-dependent lookup).
template <class T> const TTypeInfo* TypeInfoOf();

const TTypeInfo* IntegerTypeInfo();
const TTypeInfo* Int64TypeInfo();
const TTypeInfo* BooleanTypeInfo();
const TTypeInfo* StringTypeInfo();
const TTypeInfo* DoubleTypeInfo();
const TTypeInfo* CharTypeInfo();
const TTypeInfo* ClassTypeInfo(TClass AClass);

template <class T> struct TIsTSet : std::false_type {};
template <class E> struct TIsTSet<System::TSet<E>> : std::true_type {};

template <class T> const TTypeInfo* TypeInfoOf() {
  using U = std::remove_cv_t<std::remove_reference_t<T>>;
  if constexpr (std::is_same_v<U, bool>)
    return BooleanTypeInfo();
  else if constexpr (std::is_same_v<U, char>)
    return CharTypeInfo();
  else if constexpr (std::is_same_v<U, int64_t>)
    return Int64TypeInfo();
  else if constexpr (std::is_integral_v<U>)
    return IntegerTypeInfo();
  else if constexpr (std::is_floating_point_v<U>)
    return DoubleTypeInfo();
  else if constexpr (std::is_same_v<U, std::string>)
    return StringTypeInfo();
  else if constexpr (std::is_pointer_v<U>)
    return ClassTypeInfo(std::remove_pointer_t<U>::StaticClass());
  else
    return OvTypeInfo(static_cast<U*>(nullptr));
}

// Enumeration and set helpers.
std::string GetEnumName(const TTypeInfo* Info, int64_t Value);  // "" when out of range
int GetEnumValue(const TTypeInfo* Info, std::string_view Name); // -1 when unknown, any case
std::string SetToString(const TTypeInfo* SetInfo, uint64_t Bits, bool Brackets = true);
uint64_t StringToSet(const TTypeInfo* SetInfo, std::string_view Value); // EPropertyConvertError

// Property access by name or by info, raising EPropertyError for a missing or
// read-only property and EPropertyConvertError for a value the type rejects.
const TPropInfo* GetPropInfo(TClass AClass, std::string_view PropName);
const TPropInfo* GetPropInfo(const TObject* Instance, std::string_view PropName);
std::vector<const TPropInfo*> GetPropList(TClass AClass);
bool IsPublishedProp(const TObject* Instance, std::string_view PropName);
TTypeKind PropType(const TObject* Instance, std::string_view PropName);

int64_t GetOrdProp(const TObject* Instance, const TPropInfo* Prop);
void SetOrdProp(TObject* Instance, const TPropInfo* Prop, int64_t Value);
std::string GetStrProp(const TObject* Instance, const TPropInfo* Prop);
void SetStrProp(TObject* Instance, const TPropInfo* Prop, const std::string& Value);
double GetFloatProp(const TObject* Instance, const TPropInfo* Prop);
void SetFloatProp(TObject* Instance, const TPropInfo* Prop, double Value);
TObject* GetObjectProp(const TObject* Instance, const TPropInfo* Prop);
void SetObjectProp(TObject* Instance, const TPropInfo* Prop, TObject* Value);
std::string GetEnumProp(const TObject* Instance, const TPropInfo* Prop);
void SetEnumProp(TObject* Instance, const TPropInfo* Prop, std::string_view Value);
std::string GetSetProp(const TObject* Instance, const TPropInfo* Prop, bool Brackets = true);
void SetSetProp(TObject* Instance, const TPropInfo* Prop, std::string_view Value);
std::string GetMethodProp(const TObject* Instance, const TPropInfo* Prop); // method name
void SetMethodProp(TObject* Instance, const TPropInfo* Prop, TObject* Self,
                   const std::string& MethodName);
bool IsStoredProp(const TObject* Instance, const TPropInfo* Prop);
// True when the property holds its declared default (or, for strings, is
// empty; for objects, never), so form writers leave it out.
bool IsDefaultPropValue(const TObject* Instance, const TPropInfo* Prop);

// The value of a simple property as text, and back: integers and floats in
// decimal (or an integer type's identifier for the value, when it has one),
// enumerations by name, sets as "[a,b]", strings as they are. Class and
// method properties are not text values (EPropertyError).
std::string GetPropValueText(const TObject* Instance, const TPropInfo* Prop);
void SetPropValueText(TObject* Instance, const TPropInfo* Prop, std::string_view Value);

std::string PropErrorMessage(const TObject* Instance, std::string_view PropName,
                             std::string_view What);

namespace Detail {
template <class F> struct TMemberFn;
template <class C, class R, class... A> struct TMemberFn<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
  using Signature = R(A...);
};
template <class C, class R, class... A> struct TMemberFn<R (C::*)(A...) const> {
  using Class = C;
  using Result = R;
  using Signature = R(A...);
};
template <class C, class A> struct TSetterArg;
template <class C, class R, class A> struct TSetterArg<C, R (C::*)(A)> {
  using Arg = std::remove_cv_t<std::remove_reference_t<A>>;
};

template <class Sig> struct TBindMethod;
template <class R, class... A> struct TBindMethod<R(A...)> {
  template <class C, class M> static std::function<std::function<R(A...)>(TObject*)> Make(M Fn) {
    return [Fn](TObject* Self) -> std::function<R(A...)> {
      C* Obj = dynamic_cast<C*>(Self);
      return [Obj, Fn](A... Args) -> R { return (Obj->*Fn)(std::forward<A>(Args)...); };
    };
  }
};

TMetaClass* NewMetaClass(const char* Name, TClass Parent, const char* UnitName);
void AddProp(TMetaClass* Meta, std::unique_ptr<TPropInfo> Prop);
[[noreturn]] void RaiseBadMethod(TObject* Self, const std::string& Name, const char* Problem);
} // namespace Detail

// Builds the table of one class; used inside OV_CLASS_BEGIN. Property getters
// are const member functions (returning a value or a const reference), setters
// member functions taking one argument; pass nullptr as the setter of a
// read-only property.
template <class C> class TClassBuilder {
public:
  using Class = C;

  TClassBuilder(const char* Name, TClass Parent, const char* UnitName)
      : FMeta(Detail::NewMetaClass(Name, Parent, UnitName)) {}

  template <class G, class S> TClassBuilder& Property(const char* Name, G Get, S Set) {
    using V = std::remove_cv_t<std::remove_reference_t<typename Detail::TMemberFn<G>::Result>>;
    using Call = Detail::TStoredCall;
    auto P = std::make_unique<TPropInfo>();
    P->Name = Name;
    P->PropType = TypeInfoOf<V>();
    P->DeclaringClass = nullptr; // set in Finish
    constexpr bool HasSetter = !std::is_same_v<S, std::nullptr_t>;
    // The calls keep only the member pointers: the instance's cast is in
    // the call itself, so each fits its record without a heap block.
    if constexpr (std::is_same_v<V, std::string>) {
      P->Access = TPropAccess::paString;
      P->Getter = Call::Make<TPropInfo::TGetStr>(
          [Get](const TObject* O) { return std::string((static_cast<const C*>(O)->*Get)()); });
      if constexpr (HasSetter)
        P->Setter = Call::Make<TPropInfo::TSetStr>(
            [Set](TObject* O, const std::string& X) { (static_cast<C*>(O)->*Set)(X); });
    } else if constexpr (std::is_floating_point_v<V>) {
      P->Access = TPropAccess::paFloat;
      P->Getter = Call::Make<TPropInfo::TGetFloat>(
          [Get](const TObject* O) { return double((static_cast<const C*>(O)->*Get)()); });
      if constexpr (HasSetter)
        P->Setter = Call::Make<TPropInfo::TSetFloat>(
            [Set](TObject* O, double X) { (static_cast<C*>(O)->*Set)(static_cast<V>(X)); });
    } else if constexpr (std::is_pointer_v<V>) {
      P->Access = TPropAccess::paObject;
      P->Getter = Call::Make<TPropInfo::TGetObj>(
          [Get](const TObject* O) -> TObject* { return (static_cast<const C*>(O)->*Get)(); });
      if constexpr (HasSetter)
        P->Setter = Call::Make<TPropInfo::TSetObj>([Set](TObject* O, TObject* X) {
          using Target = std::remove_pointer_t<V>;
          (static_cast<C*>(O)->*Set)(X ? System::As<Target>(X) : nullptr);
        });
    } else if constexpr (TIsTSet<V>::value) {
      P->Access = TPropAccess::paOrdinal;
      P->Getter = Call::Make<TPropInfo::TGetOrd>([Get](const TObject* O) {
        return static_cast<int64_t>((static_cast<const C*>(O)->*Get)().Bits());
      });
      if constexpr (HasSetter)
        P->Setter = Call::Make<TPropInfo::TSetOrd>([Set](TObject* O, int64_t X) {
          (static_cast<C*>(O)->*Set)(V::FromBits(static_cast<uint64_t>(X)));
        });
    } else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>) {
      P->Access = TPropAccess::paOrdinal;
      P->Getter = Call::Make<TPropInfo::TGetOrd>([Get](const TObject* O) {
        return static_cast<int64_t>((static_cast<const C*>(O)->*Get)());
      });
      if constexpr (HasSetter)
        P->Setter = Call::Make<TPropInfo::TSetOrd>(
            [Set](TObject* O, int64_t X) { (static_cast<C*>(O)->*Set)(static_cast<V>(X)); });
    } else {
      static_assert(sizeof(V) == 0, "unsupported property type");
    }
    Last = P.get();
    Detail::AddProp(FMeta, std::move(P));
    return *this;
  }

  // An event property over a field of an event type (OV_EVENT_TYPE).
  template <class E> TClassBuilder& Event(const char* Name, E C::*Field) {
    using Sig = typename E::TSignature;
    using Call = Detail::TStoredCall;
    auto P = std::make_unique<TPropInfo>();
    P->Name = Name;
    P->PropType = TypeInfoOf<E>();
    P->Access = TPropAccess::paMethod;
    P->Getter = Call::Make<TPropInfo::TGetMethodName>(
        [Field](const TObject* O) { return (static_cast<const C*>(O)->*Field).MethodName(); });
    P->Setter = Call::Make<TPropInfo::TSetMethod>(
        [Field](TObject* O, TObject* Self, const std::string& MethodName) {
          auto& Ev = static_cast<C*>(O)->*Field;
          if (MethodName.empty()) {
            Ev = E();
            return;
          }
          const TMethodEntry* M = Self ? Self->ClassType()->FindMethod(MethodName) : nullptr;
          if (!M)
            Detail::RaiseBadMethod(Self, MethodName, "does not exist");
          using TBinder = std::function<std::function<Sig>(TObject*)>;
          const auto* Binder = std::any_cast<TBinder>(&M->Binder);
          if (!Binder)
            Detail::RaiseBadMethod(Self, MethodName, "has parameters that do not fit the event");
          Ev = E(System::TEvent<Sig>((*Binder)(Self), M->Name));
        });
    Last = P.get();
    Detail::AddProp(FMeta, std::move(P));
    return *this;
  }

  // A published method, bindable by name from form files.
  template <class M> TClassBuilder& Method(const char* Name, M Fn) {
    using Sig = typename Detail::TMemberFn<M>::Signature;
    FMeta->Methods.push_back({Name, std::any(Detail::TBindMethod<Sig>::template Make<C>(Fn))});
    return *this;
  }

  // A published field holding a component of class T (or a descendant).
  template <class T> TClassBuilder& Field(const char* Name, T* C::*Member) {
    TFieldEntry F;
    F.Name = Name;
    F.FieldClass = T::StaticClass();
    F.Set = [Member](TObject* Self, TObject* Value) {
      static_cast<C*>(Self)->*Member = Value ? System::As<T>(Value) : nullptr;
    };
    F.Get = [Member](const TObject* Self) -> TObject* {
      return static_cast<const C*>(Self)->*Member;
    };
    FMeta->Fields.push_back(std::move(F));
    return *this;
  }

  TClassBuilder& Default(int64_t Value) {
    Last->Default = Value;
    return *this;
  }
  template <class F> TClassBuilder& Stored(F IsStored) {
    Last->IsStored = Detail::TStoredCall::Make<TPropInfo::TIsStored>(
        [IsStored](const TObject* O) { return (static_cast<const C*>(O)->*IsStored)(); });
    return *this;
  }
  TClassBuilder& NotStored() {
    Last->IsStored =
        Detail::TStoredCall::Make<TPropInfo::TIsStored>([](const TObject*) { return false; });
    return *this;
  }

  TMetaClass* Meta() const { return FMeta; }

  const TMetaClass* Finish() {
    if constexpr (!std::is_abstract_v<C>) {
      if constexpr (std::is_constructible_v<C, Classes::TComponent*>) {
        FMeta->ConstructorKind = TConstructorKind::ckOwner;
        FMeta->Factory = [](void* Arg) -> TObject* {
          return new C(static_cast<Classes::TComponent*>(Arg));
        };
      } else if constexpr (std::is_constructible_v<C, Classes::TCollection*>) {
        FMeta->ConstructorKind = TConstructorKind::ckCollection;
        FMeta->Factory = [](void* Arg) -> TObject* {
          return new C(static_cast<Classes::TCollection*>(Arg));
        };
      } else if constexpr (std::is_default_constructible_v<C>) {
        FMeta->ConstructorKind = TConstructorKind::ckDefault;
        FMeta->Factory = [](void*) -> TObject* { return new C(); };
      }
    }
    for (auto& P : FMeta->Props)
      P->DeclaringClass = FMeta;
    return FMeta;
  }

private:
  TMetaClass* FMeta;
  TPropInfo* Last = nullptr;
};

} // namespace TypInfo

// Declares the type info of an enumeration, next to the enumeration:
//   enum class TOVServerType { stSQLite, stPostgreSQL };
//   OV_ENUM(TOVServerType, "stSQLite", "stPostgreSQL")
#define OV_ENUM(Type, ...)                                                                         \
  inline const ::TypInfo::TTypeInfo* OvTypeInfo(Type*) {                                           \
    static const ::TypInfo::TTypeInfo Info{                                                        \
        ::TypInfo::TTypeKind::tkEnumeration, #Type, {__VA_ARGS__}, nullptr, nullptr};              \
    return &Info;                                                                                  \
  }

// Declares a set type over an enumeration that has OV_ENUM:
//   OV_SET(TOVDesignDBOptions, TOVDesignDBOption)
#define OV_SET(SetName, Enum)                                                                      \
  using SetName = ::System::TSet<Enum>;                                                            \
  inline const ::TypInfo::TTypeInfo* OvTypeInfo(SetName*) {                                        \
    static const ::TypInfo::TTypeInfo Info{::TypInfo::TTypeKind::tkSet,                            \
                                           #SetName,                                               \
                                           {},                                                     \
                                           OvTypeInfo(static_cast<Enum*>(nullptr)),                \
                                           nullptr};                                               \
    return &Info;                                                                                  \
  }

// Declares an event (method pointer) type, a distinct type per name so that
// its type info is found next to it:
//   OV_EVENT_TYPE(TNotifyEvent, void(System::TObject* Sender))
#define OV_EVENT_TYPE(Name, Sig)                                                                   \
  struct Name : ::System::TEvent<Sig> {                                                            \
    using ::System::TEvent<Sig>::TEvent;                                                           \
    Name() = default;                                                                              \
    Name(::System::TEvent<Sig> Other) : ::System::TEvent<Sig>(std::move(Other)) {}                 \
  };                                                                                               \
  inline const ::TypInfo::TTypeInfo* OvTypeInfo(Name*) {                                           \
    static const ::TypInfo::TTypeInfo Info{                                                        \
        ::TypInfo::TTypeKind::tkMethod, #Name, {}, nullptr, nullptr};                              \
    return &Info;                                                                                  \
  }

// Defines the class reference of a class declared with OV_CLASS. Between
// BEGIN and END, `B` is the TClassBuilder of the class:
//   OV_CLASS_BEGIN(TOVQuery, TOVDataSet, "OVEngine")
//     B.Property("SQL", &TOVQuery::GetSQL, &TOVQuery::SetSQL);
//   OV_CLASS_END
//
// A class whose properties name its own class, or a class that names it back
// (a page control's ActivePage and a sheet's PageControl), reaches its own
// StaticClass while its table is being built: that call gets the table under
// construction, whose name and class type info are already in place.
#define OV_CLASS_BEGIN(ThisClass, ParentClass, Unit)                                               \
  ::System::TClass ThisClass::StaticClass() {                                                      \
    static thread_local ::TypInfo::TMetaClass* Building = nullptr;                                 \
    if (Building)                                                                                  \
      return Building;                                                                             \
    static const ::TypInfo::TMetaClass* const Meta = [] {                                          \
      ::TypInfo::TClassBuilder<ThisClass> B(#ThisClass, ParentClass::StaticClass(), Unit);         \
      Building = B.Meta();

#define OV_CLASS_END                                                                               \
  Building = nullptr;                                                                              \
  return B.Finish();                                                                               \
  }                                                                                                \
  ();                                                                                              \
  return Meta;                                                                                     \
  }

// The published fields and methods of a form class, between OV_CLASS_BEGIN
// and OV_CLASS_END, each under its own name:
//   OV_FIELDS(btOk, btCancel)
//   OV_METHODS(btOkClick)
// stand for B.Field("btOk", &TMyForm::btOk); B.Field("btCancel", ...);
// B.Method("btOkClick", &TMyForm::btOkClick);
#define OV_FIELDS(...) OV_FOR_EACH(OV_FIELD_ENTRY_, __VA_ARGS__)
#define OV_METHODS(...) OV_FOR_EACH(OV_METHOD_ENTRY_, __VA_ARGS__)
#define OV_FIELD_ENTRY_(Name) B.Field(#Name, &decltype(B)::Class::Name);
#define OV_METHOD_ENTRY_(Name) B.Method(#Name, &decltype(B)::Class::Name);

// OV_FOR_EACH(M, a, b, c) expands to M(a) M(b) M(c); up to 256 arguments.
#define OV_FOR_EACH(Macro, ...) __VA_OPT__(OV_EXPAND_(OV_FOR_EACH_STEP_(Macro, __VA_ARGS__)))
#define OV_FOR_EACH_STEP_(Macro, First, ...)                                                       \
  Macro(First) __VA_OPT__(OV_FOR_EACH_AGAIN_ OV_PARENS_(Macro, __VA_ARGS__))
#define OV_FOR_EACH_AGAIN_() OV_FOR_EACH_STEP_
#define OV_PARENS_ ()
#define OV_EXPAND_(...) OV_EXPAND4_(OV_EXPAND4_(OV_EXPAND4_(OV_EXPAND4_(__VA_ARGS__))))
#define OV_EXPAND4_(...) OV_EXPAND3_(OV_EXPAND3_(OV_EXPAND3_(OV_EXPAND3_(__VA_ARGS__))))
#define OV_EXPAND3_(...) OV_EXPAND2_(OV_EXPAND2_(OV_EXPAND2_(OV_EXPAND2_(__VA_ARGS__))))
#define OV_EXPAND2_(...) OV_EXPAND1_(OV_EXPAND1_(OV_EXPAND1_(OV_EXPAND1_(__VA_ARGS__))))
#define OV_EXPAND1_(...) __VA_ARGS__

#define OV_CLASS_IMPL(ThisClass, ParentClass, Unit)                                                \
  OV_CLASS_BEGIN(ThisClass, ParentClass, Unit)                                                     \
  OV_CLASS_END
