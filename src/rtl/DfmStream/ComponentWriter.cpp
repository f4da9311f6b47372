// Writing components into a form file tree: published properties that are
// stored and not at their default, sub-objects as dotted properties,
// collections, component references by name, events by method name, then what
// DefineProperties adds, then the children the component yields.
#include "rtl/DfmStream.hpp"

#include "rtl/DfmStream/Internal.hpp"

#include <iterator>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>

namespace DfmStream {

namespace {

using namespace Classes;
using namespace DfmText;
using namespace Internal;
using namespace TypInfo;
using SysUtils::Format;

// Sub-objects reached through class properties; deeper than this is a cycle
// of objects that publish each other.
constexpr int MaxSubObjectDepth = 32;

class TWriterFiler : public TFiler {
public:
  TWriterFiler(TComponent* Root, std::vector<TDfmProperty>& Props, const std::string& Prefix)
      : FRoot(Root), FProps(Props), FPrefix(Prefix) {}

  void DefineProperty(const std::string& Name, const TReadData&, const TWriteData& WriteData,
                      bool HasData) override {
    if (!HasData || !WriteData)
      return;
    TDfmProperty& P = FProps.emplace_back();
    P.Name = FPrefix + Name;
    P.Value = WriteData();
  }

  void DefineBinaryProperty(const std::string& Name, const TStreamProc&,
                            const TStreamProc& WriteData, bool HasData) override {
    if (!HasData || !WriteData)
      return;
    TMemoryStream Stream;
    WriteData(&Stream);
    TDfmProperty& P = FProps.emplace_back();
    P.Name = FPrefix + Name;
    P.Value.Kind = TValueKind::vaBinary;
    P.Value.Str = Stream.Data();
  }

  TComponent* Root() const override { return FRoot; }

private:
  TComponent* FRoot;
  std::vector<TDfmProperty>& FProps;
  const std::string& FPrefix;
};

class TComponentWriter {
public:
  explicit TComponentWriter(TComponent* Root)
      : FRoot(Root), FNameProp(TComponent::StaticClass()->FindProp("Name")) {}

  void WriteObject(TComponent* C, TDfmObject& O, int Depth);

private:
  [[noreturn]] void Fail(const TObject* Instance, const TPropInfo* Info, const char* What) const {
    throw EWriteError(PropErrorMessage(Instance, Info->Name, What));
  }
  // Persistent: Instance as a TPersistent when the caller knows it is one,
  // else null and the instance is asked.
  void WriteProperties(TObject* Instance, TPersistent* Persistent, const std::string& Prefix,
                       std::vector<TDfmProperty>& Props, int Depth);
  void WriteProperty(TObject* Instance, const TPropInfo* Info, const std::string& Prefix,
                     std::vector<TDfmProperty>& Props, int Depth);
  std::string ReferenceName(const TComponent* C) const;

  // What an object reached through a property is, asked of the C++ type once
  // for each type (a design holds thousands of objects of a few types):
  // Obj as each of the three, or null.
  struct TKinds {
    TPersistent* Persistent;
    TComponent* Component;
    TCollection* Collection;
  };
  TKinds KindsOf(TObject* Obj);
  // A class's properties, as AllProps lists them, once for each class.
  const std::vector<const TPropInfo*>& PropsOf(TClass Class);

  TComponent* FRoot;
  const TPropInfo* FNameProp;
  std::unordered_set<const TComponent*> FWritten;
  // The type's answers; a type whose objects convert by a fixed offset
  // (single inheritance) is answered with static_cast after the first.
  struct TTypeKinds {
    bool Persistent, Component, Collection, Fixed;
  };
  std::unordered_map<const std::type_info*, TTypeKinds> FKinds;
  std::unordered_map<TClass, std::vector<const TPropInfo*>> FProps;
  std::vector<TDfmProperty> FScratch;
};

TComponentWriter::TKinds TComponentWriter::KindsOf(TObject* Obj) {
  const auto [It, New] = FKinds.try_emplace(&typeid(*Obj));
  if (!New && It->second.Fixed)
    return {It->second.Persistent ? static_cast<TPersistent*>(Obj) : nullptr,
            It->second.Component ? static_cast<TComponent*>(Obj) : nullptr,
            It->second.Collection ? static_cast<TCollection*>(Obj) : nullptr};
  const TKinds K{dynamic_cast<TPersistent*>(Obj), dynamic_cast<TComponent*>(Obj),
                 dynamic_cast<TCollection*>(Obj)};
  if (New)
    It->second = {K.Persistent != nullptr, K.Component != nullptr, K.Collection != nullptr,
                  (!K.Persistent || K.Persistent == static_cast<TPersistent*>(Obj)) &&
                      (!K.Component || K.Component == static_cast<TComponent*>(Obj)) &&
                      (!K.Collection || K.Collection == static_cast<TCollection*>(Obj))};
  return K;
}

const std::vector<const TPropInfo*>& TComponentWriter::PropsOf(TClass Class) {
  const auto [It, New] = FProps.try_emplace(Class);
  if (New)
    It->second = Class->AllProps();
  return It->second;
}

void TComponentWriter::WriteObject(TComponent* C, TDfmObject& O, int Depth) {
  if (Depth > MaxNesting)
    throw EWriteError(
        Format("Cannot write %s: components nest deeper than %d levels", C->GetName(), MaxNesting));
  FWritten.insert(C);
  O.Kind = TObjectKind::okObject;
  O.Name = C->GetName();
  O.ClassName = C->ClassName();
  // Gathered in a list that keeps its room from one component to the next,
  // then moved over in one allocation.
  std::vector<TDfmProperty> Props = std::move(FScratch);
  Props.clear();
  WriteProperties(C, C, "", Props, 0);
  O.Props.reserve(Props.size());
  std::move(Props.begin(), Props.end(), std::back_inserter(O.Props));
  FScratch = std::move(Props);
  C->GetChildren(
      [&](TComponent* Child) {
        // A component yielded twice (or yielding an ancestor) is written once.
        if (!Child || FWritten.count(Child))
          return;
        WriteObject(Child, O.Children.emplace_back(), Depth + 1);
      },
      FRoot);
}

void TComponentWriter::WriteProperties(TObject* Instance, TPersistent* Persistent,
                                       const std::string& Prefix, std::vector<TDfmProperty>& Props,
                                       int Depth) {
  if (Depth > MaxSubObjectDepth)
    throw EWriteError(Format("Cannot write %s: its objects nest deeper than %d levels",
                             Prefix.empty() ? Instance->ClassName() : Prefix, MaxSubObjectDepth));
  for (const TPropInfo* Info : PropsOf(Instance->ClassType())) {
    if (Info == FNameProp || !IsStoredProp(Instance, Info))
      continue;
    WriteProperty(Instance, Info, Prefix, Props, Depth);
  }
  if (!Persistent)
    Persistent = KindsOf(Instance).Persistent;
  if (Persistent) {
    TWriterFiler Filer(FRoot, Props, Prefix);
    Persistent->DefineProperties(&Filer);
  }
}

void TComponentWriter::WriteProperty(TObject* Instance, const TPropInfo* Info,
                                     const std::string& Prefix, std::vector<TDfmProperty>& Props,
                                     int Depth) {
  const TTypeInfo* Type = Info->PropType;
  TDfmValue V;
  switch (Type->Kind) {
  case TTypeKind::tkInteger:
  case TTypeKind::tkInt64:
  case TTypeKind::tkChar:
  case TTypeKind::tkEnumeration:
  case TTypeKind::tkSet:
  case TTypeKind::tkFloat:
  case TTypeKind::tkString:
    // A read-only value could not be read back; it is derived, not state.
    if (!Info->IsWritable() || IsDefaultPropValue(Instance, Info))
      return;
    break;
  default:
    break;
  }
  switch (Type->Kind) {
  case TTypeKind::tkInteger:
  case TTypeKind::tkInt64:
    V.Kind = TValueKind::vaInteger;
    V.Int = GetOrdProp(Instance, Info);
    if (Type->IntToIdent && Type->IntToIdent(V.Int, V.Str) && IsIdent(V.Str))
      V.Kind = TValueKind::vaIdent;
    else
      V.Str.clear();
    break;
  case TTypeKind::tkChar: {
    const auto Code = static_cast<uint32_t>(GetOrdProp(Instance, Info) & 0xFF);
    V.Kind = TValueKind::vaString;
    AppendUtf8(V.Str, Code);
    break;
  }
  case TTypeKind::tkEnumeration:
    V.Kind = TValueKind::vaIdent;
    V.Str = GetEnumName(Type, GetOrdProp(Instance, Info));
    if (V.Str.empty())
      Fail(Instance, Info, "holds a value outside its enumeration");
    break;
  case TTypeKind::tkSet: {
    V.Kind = TValueKind::vaSet;
    const auto Bits = static_cast<uint64_t>(GetOrdProp(Instance, Info));
    for (unsigned I = 0; I < 64; ++I)
      if (Bits & (uint64_t{1} << I)) {
        std::string Name = GetEnumName(Type->CompType, I);
        if (Name.empty())
          Fail(Instance, Info, "holds an element outside its enumeration");
        V.Set.push_back(std::move(Name));
      }
    break;
  }
  case TTypeKind::tkFloat:
    V.Kind = TValueKind::vaFloat;
    V.Float = GetFloatProp(Instance, Info);
    break;
  case TTypeKind::tkString:
    V.Kind = TValueKind::vaString;
    V.Str = GetStrProp(Instance, Info);
    break;
  case TTypeKind::tkMethod:
    V.Kind = TValueKind::vaIdent;
    V.Str = GetMethodProp(Instance, Info);
    if (V.Str.empty())
      return;
    break;
  case TTypeKind::tkClass: {
    TObject* Obj = GetObjectProp(Instance, Info);
    if (!Obj)
      return;
    const TKinds Kinds = KindsOf(Obj);
    if (TComponent* Comp = Kinds.Component) {
      V.Kind = TValueKind::vaIdent;
      V.Str = ReferenceName(Comp);
      if (V.Str.empty())
        return;
      break;
    }
    if (TCollection* Coll = Kinds.Collection) {
      V.Kind = TValueKind::vaCollection;
      for (int I = 0, N = Coll->Count(); I < N; ++I) {
        TCollectionItem* Item = Coll->Items(I);
        WriteProperties(Item, Item, "", V.Items.emplace_back().Props, Depth + 1);
      }
      break;
    }
    WriteProperties(Obj, Kinds.Persistent, Prefix + Info->Name + ".", Props, Depth + 1);
    return;
  }
  default:
    return;
  }
  TDfmProperty& P = Props.emplace_back();
  P.Name = Prefix + Info->Name;
  P.Value = std::move(V);
}

// The name a reference is written as: the root and what it owns by name,
// components of other owners qualified by their owner's name. A component
// without a name cannot be referred to and is left out.
std::string TComponentWriter::ReferenceName(const TComponent* C) const {
  if (C == FRoot)
    return FRoot->GetName();
  if (C->GetName().empty())
    return {};
  const TComponent* Owner = C->Owner();
  if (!Owner)
    return {};
  if (Owner == FRoot)
    return C->GetName();
  if (Owner->GetName().empty())
    return {};
  return Owner->GetName() + "." + C->GetName();
}

} // namespace

DfmText::TDfmObject WriteComponent(Classes::TComponent* Root) {
  if (!Root)
    throw EWriteError("Cannot write nil as a form");
  DfmText::TDfmObject Tree;
  TComponentWriter(Root).WriteObject(Root, Tree, 1);
  return Tree;
}

std::string WriteComponentToText(Classes::TComponent* Root) {
  return WriteText(WriteComponent(Root));
}

void WriteComponentToFile(Classes::TComponent* Root, const std::string& FileName) {
  SysUtils::SaveFileAtomically(FileName, WriteComponentToText(Root));
}

} // namespace DfmStream
