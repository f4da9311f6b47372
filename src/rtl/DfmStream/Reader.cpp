// Reading a form file tree into components: the root's properties, child
// components created through the class registry, published fields, event
// handlers bound to the root's methods and component references resolved
// once the whole tree is read.
#include "rtl/DfmStream.hpp"

#include "rtl/DfmStream/Internal.hpp"

#include <algorithm>
#include <unordered_map>

namespace DfmStream {

namespace {

using namespace Classes;
using namespace DfmText;
using namespace Internal;
using namespace TypInfo;
using SysUtils::Format;
using SysUtils::SameText;

// A property's path in messages ("DataModule1.Query1.Params[2].Name") is
// longer than a single name, so it is cut later.
constexpr size_t PathBytes = 120;

const char* KindName(TValueKind Kind) {
  switch (Kind) {
  case TValueKind::vaInteger:
    return "an integer";
  case TValueKind::vaFloat:
    return "a number";
  case TValueKind::vaString:
    return "a string";
  case TValueKind::vaIdent:
    return "an identifier";
  case TValueKind::vaSet:
    return "a set";
  case TValueKind::vaList:
    return "a list";
  case TValueKind::vaCollection:
    return "a collection";
  case TValueKind::vaBinary:
    return "binary data";
  }
  return "an invalid value";
}

bool HasClassNamed(TClass C, std::string_view Name) {
  for (; C; C = C->Parent)
    if (SameText(C->Name, Name))
      return true;
  return false;
}

// Offers one value of the form file to DefineProperties: the definition of
// that name reads it.
class TReaderFiler : public TFiler {
public:
  TReaderFiler(TComponent* Root, std::string_view Name, const TDfmValue& Value)
      : FRoot(Root), FName(Name), FValue(Value) {}

  bool Found() const { return FFound; }

  void DefineProperty(const std::string& Name, const TReadData& ReadData, const TWriteData&,
                      bool) override {
    if (FFound || !SameText(Name, FName))
      return;
    FFound = true;
    if (ReadData)
      ReadData(FValue);
  }

  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc&, bool) override {
    if (FFound || !SameText(Name, FName))
      return;
    FFound = true;
    if (FValue.Kind != TValueKind::vaBinary)
      throw EReadError(std::string("binary data expected but ") + KindName(FValue.Kind) + " found");
    if (!ReadData)
      return;
    TMemoryStream Stream;
    Stream.WriteBuffer(FValue.Str.data(), static_cast<int64_t>(FValue.Str.size()));
    Stream.SetPosition(0);
    ReadData(&Stream);
  }

  TComponent* Root() const override { return FRoot; }

private:
  TComponent* FRoot;
  std::string_view FName;
  const TDfmValue& FValue;
  bool FFound = false;
};

// Where a value sits, for messages: the path of its object ("Query1.",
// "DataModule1.Query1.Params[2].") and its own name. Put together only when
// a message or a pending reference needs it, not for every value read.
struct TPath {
  TPath(const std::string& Whole) : Prefix(Whole) {}
  TPath(const std::string& APrefix, std::string_view AName) : Prefix(APrefix), Name(AName) {}
  std::string Text() const {
    std::string R;
    R.reserve(Prefix.size() + Name.size());
    R += Prefix;
    R += Name;
    return R;
  }

  const std::string& Prefix;
  std::string_view Name;
};

// A component reference waits until the whole tree is read, so that a
// property may name a component that comes later in the file.
struct TFixup {
  TObject* Instance = nullptr;
  const TPropInfo* Prop = nullptr;
  std::string Ref;
  std::string Path;
  int Line = 0;
  int Column = 0;
  // The collections whose items hold Instance: re-reading one of them frees
  // those items, and the references into them go with them.
  std::vector<TCollection*> Containers;
};

struct TLoadedEntry {
  TComponent* Component;
  bool Created;
  const TDfmObject* Where;
};

class TComponentReader {
public:
  TComponentReader(TComponent* Root, const std::string& SourceName)
      : FRoot(Root), FSourceName(SourceName) {}

  void Run(const TDfmObject& Tree);

private:
  [[noreturn]] void Fail(int Line, int Column, const std::string& Msg) const {
    throw EReadError(Position(FSourceName, Line, Column) + Msg);
  }
  // Runs one operation on an object, turning what it raises into an error
  // that names the place in the file.
  template <class F> void Guarded(int Line, int Column, const TPath& Path, F&& Fn) {
    try {
      Fn();
    } catch (const std::exception& E) {
      Fail(Line, Column, "Error reading " + Excerpt(Path.Text(), PathBytes) + ": " + E.what());
    }
  }
  [[noreturn]] void WrongValue(const TDfmValue& V, const TPath& Path, const char* Need) {
    Fail(V.Line, V.Column,
         Format("Error reading %s: %s expected but %s found", Excerpt(Path.Text(), PathBytes), Need,
                KindName(V.Kind)));
  }

  void SetRootName(const TDfmObject& Tree);
  void ReadBody(const TDfmObject& Obj, TComponent* Comp, const std::string& Path);
  void ReadChild(const TDfmObject& Obj, TComponent* Enclosing);
  void ReadProperties(TObject* Instance, const std::vector<TDfmProperty>& Props,
                      const std::string& Prefix);
  void ReadProperty(TObject* Instance, const TDfmProperty& P, const std::string& Prefix);
  void ReadPropValue(TObject* Instance, const TPropInfo* Info, const TDfmProperty& P,
                     const TPath& Path);
  void ReadCollection(TCollection* Coll, const TDfmProperty& P, const TPath& Path);
  TComponent* FindOwned(std::string_view Name);
  // GetClass, asked once per class name of the file.
  TClass ClassNamed(const std::string& Name);
  TComponent* FindReference(std::string_view Ref);
  void ResolveFixups();
  void Cleanup();

  TComponent* FRoot;
  const std::string& FSourceName;
  std::vector<TLoadedEntry> FLoaded;
  std::vector<TComponent*> FCreated;
  std::vector<std::pair<const TFieldEntry*, TComponent*>> FFieldsSet;
  std::vector<TFixup> FFixups;
  std::vector<TCollection*> FContainers;
  std::string FFileRootName;
  std::unordered_map<std::string, TComponent*> FRootIndex;
  std::unordered_map<std::string, TClass> FClasses;
};

void TComponentReader::Run(const TDfmObject& Tree) {
  if (!HasClassNamed(FRoot->ClassType(), Tree.ClassName))
    Fail(Tree.Line, Tree.Column,
         Format("Cannot read a %s into a %s", Excerpt(Tree.ClassName), FRoot->ClassName()));
  FFileRootName = Tree.Name;
  FRoot->SetLoading(true);
  FLoaded.push_back({FRoot, false, &Tree});
  try {
    SetRootName(Tree);
    ReadBody(Tree, FRoot, FRoot->GetName().empty() ? FRoot->ClassName() : FRoot->GetName());
    ResolveFixups();
    for (const TLoadedEntry& E : FLoaded) {
      Guarded(E.Where->Line, E.Where->Column,
              E.Component->GetName().empty() ? E.Component->ClassName() : E.Component->GetName(),
              [&] { E.Component->Loaded(); });
      E.Component->SetLoading(false);
    }
  } catch (...) {
    Cleanup();
    throw;
  }
}

// The root takes the name the file gives it. When its owner already has a
// component of that name (a second instance of the same dialog), a suffix
// makes it unique, as the platform does for forms created at run time.
void TComponentReader::SetRootName(const TDfmObject& Tree) {
  if (Tree.Name.empty() || Tree.Name == FRoot->GetName())
    return;
  std::string Name = Tree.Name;
  if (TComponent* Owner = FRoot->Owner())
    for (int I = 1;; ++I) {
      TComponent* Other = Owner->FindComponent(Name);
      if (!Other || Other == FRoot)
        break;
      Name = Tree.Name + "_" + std::to_string(I);
    }
  Guarded(Tree.Line, Tree.Column, Tree.Name, [&] { FRoot->SetName(Name); });
}

void TComponentReader::ReadBody(const TDfmObject& Obj, TComponent* Comp, const std::string& Path) {
  ReadProperties(Comp, Obj.Props, Path + ".");
  for (const TDfmObject& Child : Obj.Children)
    ReadChild(Child, Comp);
}

void TComponentReader::ReadChild(const TDfmObject& Obj, TComponent* Enclosing) {
  TComponent* Owner = Enclosing->GetChildOwner();
  if (!Owner)
    Owner = FRoot;
  const std::string Path = Obj.Name.empty() ? Obj.ClassName : Obj.Name;
  TComponent* Comp = nullptr;
  if (Obj.Kind == TObjectKind::okObject) {
    TClass Class = ClassNamed(Obj.ClassName);
    if (!Class)
      throw EClassNotFound(Position(FSourceName, Obj.Line, Obj.Column) +
                           Format("Class %s not found", Excerpt(Obj.ClassName)));
    Guarded(Obj.Line, Obj.Column, Path, [&] { Comp = CreateComponent(Class, Owner); });
    FCreated.push_back(Comp);
    Comp->SetLoading(true);
    FLoaded.push_back({Comp, true, &Obj});
    if (!Obj.Name.empty())
      Guarded(Obj.Line, Obj.Column, Path, [&] { Comp->SetName(Obj.Name); });
    TComponent* Parent = Enclosing->GetChildParent();
    Guarded(Obj.Line, Obj.Column, Path, [&] { Comp->SetParentComponent(Parent); });
  } else {
    // An inherited or inline object names a component that the ancestor
    // already made; the file only changes its properties.
    Comp = Owner->FindComponent(Obj.Name);
    if (!Comp)
      Fail(Obj.Line, Obj.Column, Format("Ancestor for '%s' not found", Excerpt(Obj.Name)));
    if (!HasClassNamed(Comp->ClassType(), Obj.ClassName))
      Fail(Obj.Line, Obj.Column,
           Format("Component %s is a %s, not a %s", Excerpt(Obj.Name), Comp->ClassName(),
                  Excerpt(Obj.ClassName)));
    if (!Comp->IsLoading()) {
      Comp->SetLoading(true);
      FLoaded.push_back({Comp, false, &Obj});
    }
  }
  if (!Obj.Name.empty())
    if (const TFieldEntry* Field = FRoot->ClassType()->FindField(Obj.Name)) {
      Guarded(Obj.Line, Obj.Column, Path, [&] { Field->Set(FRoot, Comp); });
      FFieldsSet.emplace_back(Field, Comp);
    }
  ReadBody(Obj, Comp, Path);
}

void TComponentReader::ReadProperties(TObject* Instance, const std::vector<TDfmProperty>& Props,
                                      const std::string& Prefix) {
  for (const TDfmProperty& P : Props)
    ReadProperty(Instance, P, Prefix);
}

// A dotted name walks through the sub-objects of class properties (Font.Name,
// SQL.Strings); its last part is a published property or, failing that, a
// value that the object's DefineProperties reads.
void TComponentReader::ReadProperty(TObject* Instance, const TDfmProperty& P,
                                    const std::string& Prefix) {
  const std::string_view Name = P.Name;
  const TPath Path(Prefix, Name);
  TObject* Obj = Instance;
  size_t Start = 0;
  for (;;) {
    const size_t Dot = Name.find('.', Start);
    const std::string_view Part =
        Name.substr(Start, Dot == std::string_view::npos ? Name.npos : Dot - Start);
    const TPropInfo* Info = Obj->ClassType()->FindProp(Part);
    if (Dot == std::string_view::npos) {
      if (Info) {
        ReadPropValue(Obj, Info, P, Path);
        return;
      }
      TReaderFiler Filer(FRoot, Part, P.Value);
      if (auto* Persistent = dynamic_cast<TPersistent*>(Obj))
        Guarded(P.Value.Line, P.Value.Column, Path, [&] { Persistent->DefineProperties(&Filer); });
      if (!Filer.Found())
        Fail(P.Line, P.Column, PropErrorMessage(Obj, Part, "does not exist"));
      return;
    }
    if (!Info)
      Fail(P.Line, P.Column, PropErrorMessage(Obj, Part, "does not exist"));
    const TTypeInfo* Type = Info->PropType;
    if (Type->Kind != TTypeKind::tkClass ||
        Type->ClassType->InheritsFrom(TComponent::StaticClass()))
      Fail(P.Line, P.Column, PropErrorMessage(Obj, Part, "has no properties of its own"));
    TObject* Sub = nullptr;
    Guarded(P.Line, P.Column, Path, [&] { Sub = GetObjectProp(Obj, Info); });
    if (!Sub)
      Fail(P.Line, P.Column, PropErrorMessage(Obj, Part, "is nil"));
    Obj = Sub;
    Start = Dot + 1;
  }
}

void TComponentReader::ReadPropValue(TObject* Instance, const TPropInfo* Info,
                                     const TDfmProperty& P, const TPath& Path) {
  const TDfmValue& V = P.Value;
  const TTypeInfo* Type = Info->PropType;
  const auto Set = [&](auto&& Fn) { Guarded(V.Line, V.Column, Path, Fn); };
  switch (Type->Kind) {
  case TTypeKind::tkInteger:
  case TTypeKind::tkInt64:
    // Integer types with named values (colours, cursors) take the name.
    if (V.Kind == TValueKind::vaIdent && Type->IdentToInt) {
      int64_t Value = 0;
      if (!Type->IdentToInt(V.Str, Value))
        Fail(V.Line, V.Column,
             Format("Error reading %s: '%s' is not a value of %s", Excerpt(Path.Text(), PathBytes),
                    Excerpt(V.Str), Type->Name));
      Set([&] { SetOrdProp(Instance, Info, Value); });
      return;
    }
    if (V.Kind != TValueKind::vaInteger)
      WrongValue(V, Path, "an integer");
    Set([&] { SetOrdProp(Instance, Info, V.Int); });
    return;
  case TTypeKind::tkChar: {
    // A character is one byte; one written as a code above 127 arrives as the
    // UTF-8 encoding of that code and is taken back to it.
    uint32_t Code = 0;
    if (V.Kind == TValueKind::vaString && V.Str.size() == 1)
      Code = static_cast<uint8_t>(V.Str[0]);
    else if (V.Kind != TValueKind::vaString || V.Str.empty() ||
             DecodeUtf8(V.Str, 0, Code) != static_cast<int>(V.Str.size()) || Code > 0xFF)
      WrongValue(V, Path, "a single character");
    Set([&] { SetOrdProp(Instance, Info, Code); });
    return;
  }
  case TTypeKind::tkEnumeration:
    if (V.Kind != TValueKind::vaIdent)
      WrongValue(V, Path, "an identifier");
    Set([&] { SetEnumProp(Instance, Info, V.Str); });
    return;
  case TTypeKind::tkSet: {
    if (V.Kind != TValueKind::vaSet)
      WrongValue(V, Path, "a set");
    uint64_t Bits = 0;
    for (const std::string& Element : V.Set) {
      const int Ord = GetEnumValue(Type->CompType, Element);
      if (Ord < 0 || Ord >= 64)
        Fail(V.Line, V.Column,
             Format("Error reading %s: '%s' is not an element of %s",
                    Excerpt(Path.Text(), PathBytes), Excerpt(Element), Type->Name));
      Bits |= uint64_t{1} << Ord;
    }
    Set([&] { SetOrdProp(Instance, Info, static_cast<int64_t>(Bits)); });
    return;
  }
  case TTypeKind::tkFloat:
    if (V.Kind == TValueKind::vaFloat)
      Set([&] { SetFloatProp(Instance, Info, V.Float); });
    else if (V.Kind == TValueKind::vaInteger)
      Set([&] { SetFloatProp(Instance, Info, static_cast<double>(V.Int)); });
    else
      WrongValue(V, Path, "a number");
    return;
  case TTypeKind::tkString:
    if (V.Kind != TValueKind::vaString)
      WrongValue(V, Path, "a string");
    Set([&] { SetStrProp(Instance, Info, V.Str); });
    return;
  case TTypeKind::tkMethod:
    if (V.Kind != TValueKind::vaIdent)
      WrongValue(V, Path, "a method name");
    Set([&] { SetMethodProp(Instance, Info, FRoot, SameText(V.Str, "nil") ? "" : V.Str); });
    return;
  case TTypeKind::tkClass: {
    TClass Class = Type->ClassType;
    if (Class->InheritsFrom(TComponent::StaticClass())) {
      if (V.Kind != TValueKind::vaIdent)
        WrongValue(V, Path, "a component name");
      if (SameText(V.Str, "nil")) {
        Set([&] { SetObjectProp(Instance, Info, nullptr); });
        return;
      }
      if (!Info->IsWritable())
        Fail(V.Line, V.Column, PropErrorMessage(Instance, Info->Name, "is read-only"));
      FFixups.push_back({Instance, Info, V.Str, Path.Text(), V.Line, V.Column, FContainers});
      return;
    }
    if (Class->InheritsFrom(TCollection::StaticClass())) {
      if (V.Kind != TValueKind::vaCollection)
        WrongValue(V, Path, "a collection");
      TObject* Obj = nullptr;
      Set([&] { Obj = GetObjectProp(Instance, Info); });
      auto* Coll = dynamic_cast<TCollection*>(Obj);
      if (!Coll)
        Fail(V.Line, V.Column, PropErrorMessage(Instance, Info->Name, "is nil"));
      ReadCollection(Coll, P, Path);
      return;
    }
    Fail(V.Line, V.Column,
         Format("Error reading %s: the properties of a %s are written as %s.Name = value",
                Excerpt(Path.Text(), PathBytes), Class->Name, P.Name));
  }
  default:
    Fail(P.Line, P.Column,
         PropErrorMessage(Instance, Info->Name, "has a type form files cannot hold"));
  }
}

void TComponentReader::ReadCollection(TCollection* Coll, const TDfmProperty& P, const TPath& Path) {
  const TDfmValue& V = P.Value;
  // The items about to be freed may hold pending references.
  std::erase_if(FFixups, [Coll](const TFixup& F) {
    return std::find(F.Containers.begin(), F.Containers.end(), Coll) != F.Containers.end();
  });
  Guarded(V.Line, V.Column, Path, [&] {
    Coll->BeginUpdate();
    Coll->Clear();
  });
  FContainers.push_back(Coll);
  try {
    for (size_t I = 0; I < V.Items.size(); ++I) {
      const TDfmCollectionItem& Item = V.Items[I];
      const std::string ItemPath = Path.Text() + "[" + std::to_string(I) + "]";
      TCollectionItem* NewItem = nullptr;
      Guarded(Item.Line, Item.Column, ItemPath, [&] { NewItem = Coll->Add(); });
      ReadProperties(NewItem, Item.Props, ItemPath + ".");
    }
  } catch (...) {
    FContainers.pop_back();
    Coll->EndUpdate();
    throw;
  }
  FContainers.pop_back();
  Guarded(V.Line, V.Column, Path, [&] { Coll->EndUpdate(); });
}

// A reference names a component the root owns, the root itself, or a path
// from the root through owners ("Frame1.Button1", "DataModule1.Table1" where
// DataModule1 is the root).
TComponent* TComponentReader::FindReference(std::string_view Ref) {
  std::vector<std::string> Parts = SysUtils::SplitString(Ref, '.');
  if (Parts.empty())
    return nullptr;
  TComponent* Cur = FindOwned(Parts[0]);
  // The file's own name for the root counts too: a root renamed to stay
  // unique under its owner is still the one its file refers to.
  if (!Cur && ((!FRoot->GetName().empty() && SameText(Parts[0], FRoot->GetName())) ||
               (!FFileRootName.empty() && SameText(Parts[0], FFileRootName))))
    Cur = FRoot;
  for (size_t I = 1; Cur && I < Parts.size(); ++I)
    Cur = Cur->FindComponent(Parts[I]);
  return Cur;
}

TClass TComponentReader::ClassNamed(const std::string& Name) {
  if (const auto It = FClasses.find(Name); It != FClasses.end())
    return It->second;
  const TClass Class = GetClass(Name);
  if (Class)
    FClasses.emplace(Name, Class);
  return Class;
}

// The root's components by name, as FindComponent finds them (the first of
// a name wins). A form of thousands of components has about as many
// references, and looking each up along the whole list would take longer
// than reading the rest of the form.
TComponent* TComponentReader::FindOwned(std::string_view Name) {
  if (FRootIndex.empty())
    for (int I = 0, N = FRoot->ComponentCount(); I < N; ++I) {
      TComponent* C = FRoot->Components(I);
      if (!C->GetName().empty())
        FRootIndex.emplace(SysUtils::UpperCase(C->GetName()), C);
    }
  const auto It = FRootIndex.find(SysUtils::UpperCase(Name));
  // A reference setter that ran in between may have renamed a component;
  // the list itself is the authority then.
  if (It != FRootIndex.end() && It->second->Owner() == FRoot &&
      SameText(It->second->GetName(), Name))
    return It->second;
  return FRoot->FindComponent(Name);
}

void TComponentReader::ResolveFixups() {
  for (const TFixup& F : FFixups) {
    TComponent* Target = FindReference(F.Ref);
    if (!Target)
      Fail(F.Line, F.Column,
           Format("Error reading %s: unresolved reference to component %s",
                  Excerpt(F.Path, PathBytes), Excerpt(F.Ref)));
    Guarded(F.Line, F.Column, F.Path, [&] { SetObjectProp(F.Instance, F.Prop, Target); });
  }
  FFixups.clear();
}

// Takes back what a failed read made: the components it created (newest
// first, so that a component goes before the one that owns it) and the
// root's fields that point at them. What existed before stays, no longer
// loading.
void TComponentReader::Cleanup() {
  FFixups.clear();
  for (const auto& [Field, Comp] : FFieldsSet)
    if (Field->Get(FRoot) == Comp)
      Field->Set(FRoot, nullptr);
  for (auto It = FCreated.rbegin(); It != FCreated.rend(); ++It)
    delete *It;
  for (const TLoadedEntry& E : FLoaded)
    if (!E.Created)
      E.Component->SetLoading(false);
}

} // namespace

void ReadComponent(const DfmText::TDfmObject& Tree, Classes::TComponent* Root,
                   const std::string& SourceName) {
  if (!Root)
    throw EReadError("Cannot read a form file into nil");
  TComponentReader(Root, SourceName).Run(Tree);
}

Classes::TComponent* CreateComponentFromDfm(const DfmText::TDfmObject& Tree,
                                            Classes::TComponent* Owner,
                                            const std::string& SourceName) {
  TClass Class = GetClass(Tree.ClassName);
  if (!Class)
    throw EClassNotFound(Position(SourceName, Tree.Line, Tree.Column) +
                         Format("Class %s not found", Excerpt(Tree.ClassName)));
  TComponent* Root = nullptr;
  try {
    Root = CreateComponent(Class, Owner);
  } catch (const std::exception& E) {
    throw EReadError(Position(SourceName, Tree.Line, Tree.Column) + E.what());
  }
  try {
    ReadComponent(Tree, Root, SourceName);
  } catch (...) {
    delete Root;
    throw;
  }
  return Root;
}

void ReadComponentFromText(std::string_view Text, Classes::TComponent* Root,
                           const std::string& SourceName) {
  ReadComponent(Parse(Text, SourceName), Root, SourceName);
}

Classes::TComponent* CreateComponentFromText(std::string_view Text, Classes::TComponent* Owner,
                                             const std::string& SourceName) {
  return CreateComponentFromDfm(Parse(Text, SourceName), Owner, SourceName);
}

void ReadComponentFromFile(const std::string& FileName, Classes::TComponent* Root) {
  ReadComponent(ParseFile(FileName), Root, FileName);
}

} // namespace DfmStream
