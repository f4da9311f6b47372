// Persistent objects, components and their ownership, string lists,
// collections, streams and the class registry.
#pragma once

#include "rtl/DfmText.hpp"
#include "rtl/ScopeGuard.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/System.hpp"
#include "rtl/TypInfo.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Classes {

using System::TClass;
using System::TObject;

OV_EVENT_TYPE(TNotifyEvent, void(System::TObject* Sender))

enum class TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
OV_ENUM(TShiftStateItem, "ssShift", "ssAlt", "ssCtrl", "ssLeft", "ssRight", "ssMiddle", "ssDouble")
OV_SET(TShiftState, TShiftStateItem)

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
OV_ENUM(TAlignment, "taLeftJustify", "taRightJustify", "taCenter")

enum class TOperation { opInsert, opRemove };

OV_EXCEPTION(EListError, SysUtils::Exception)
OV_EXCEPTION(EStringListError, SysUtils::Exception)
OV_EXCEPTION(EComponentError, SysUtils::Exception)
OV_EXCEPTION(EStreamError, SysUtils::Exception)
OV_EXCEPTION(EReadError, EStreamError)
OV_EXCEPTION(EWriteError, EStreamError)
OV_EXCEPTION(EFilerError, EStreamError)
OV_EXCEPTION(EClassNotFound, EFilerError)
OV_EXCEPTION(EFOpenError, EStreamError)
OV_EXCEPTION(EFCreateError, EStreamError)

class TStream;
class TPersistent;
class TComponent;

// What form reading and writing offer to DefineProperties: values of a form
// file that are no published properties. When reading, ReadData receives the
// value stored under Name; when writing, WriteData gives the value to store,
// and only when HasData is true.
class TFiler {
public:
  using TReadData = std::function<void(const DfmText::TDfmValue& Value)>;
  using TWriteData = std::function<DfmText::TDfmValue()>;
  using TStreamProc = std::function<void(TStream* Stream)>;

  virtual ~TFiler() = default;
  virtual void DefineProperty(const std::string& Name, const TReadData& ReadData,
                              const TWriteData& WriteData, bool HasData) = 0;
  virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;
  // The root component being read or written (the form or data module).
  virtual TComponent* Root() const = 0;
};

class TPersistent : public TObject {
  OV_CLASS(TPersistent, TObject)
public:
  // Copies Source into this object; a class that cannot take Source asks
  // Source to AssignTo it, and failing that raises EConvertError
  // "Cannot assign a TX to a TY".
  virtual void Assign(TPersistent* Source);
  virtual std::string GetNamePath() const;
  // Form streaming hook for values that are not published properties (the
  // lines of a string list, the design position of a component, binary data).
  virtual void DefineProperties(TFiler* Filer);
  virtual TPersistent* GetOwner() const { return nullptr; }

protected:
  virtual void AssignTo(TPersistent* Dest) const;
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

enum class TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csInline
};
OV_ENUM(TComponentStateItem, "csLoading", "csReading", "csWriting", "csDestroying", "csDesigning",
        "csAncestor", "csUpdating", "csFixups", "csInline")
OV_SET(TComponentState, TComponentStateItem)

using TGetChildProc = std::function<void(class TComponent* Child)>;

// A component is owned by its Owner and freed with it. Freeing a component
// tells its owner's other components and every component that asked for a
// free notification, so references to it are cleared before it goes.
class TComponent : public TPersistent {
  OV_CLASS(TComponent, TPersistent)
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& GetName() const { return FName; }
  // Raises EComponentError for a name that is no identifier or that another
  // component of the same owner already has (names compare in any case).
  virtual void SetName(const std::string& NewName);
  int GetTag() const { return FTag; }
  void SetTag(int Value) { FTag = Value; }

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  TComponent* FindComponent(std::string_view AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();

  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  TComponentState ComponentState() const { return FComponentState; }
  bool IsDesigning() const { return FComponentState.Contains(TComponentStateItem::csDesigning); }
  bool IsLoading() const { return FComponentState.Contains(TComponentStateItem::csLoading); }
  bool IsDestroying() const { return FComponentState.Contains(TComponentStateItem::csDestroying); }
  // Marks this component and the components it owns as being designed.
  void SetDesigning(bool Value, bool SetChildren = true);
  void SetLoading(bool Value);
  void Destroying();

  // Position of a non-visual component on the design surface, kept as the
  // form file's "Left" and "Top".
  int DesignLeft() const { return FDesignLeft; }
  int DesignTop() const { return FDesignTop; }
  void SetDesignPosition(int Left, int Top) {
    FDesignLeft = Left;
    FDesignTop = Top;
  }

  // Form streaming: which components a form file nests inside this one, and
  // under which parent a component read from a form file goes.
  virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
  virtual TComponent* GetChildOwner() { return nullptr; }
  virtual TComponent* GetChildParent() { return this; }
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* Value) {}
  virtual void Loaded();

  std::string GetNamePath() const override;
  TPersistent* GetOwner() const override { return FOwner; }
  void DefineProperties(TFiler* Filer) override;

  template <class T> T* FindComponentAs(std::string_view AName) const {
    return dynamic_cast<T*>(FindComponent(AName));
  }

protected:
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                              const std::string& NewName);
  void SetComponentStateItem(TComponentStateItem Item, bool On);

private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);
  void IndexName(TComponent* AComponent, bool Add);

  std::string FName;
  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::unordered_multimap<std::string, TComponent*> FNameIndex;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  int FTag = 0;
  int FDesignLeft = 0;
  int FDesignTop = 0;
};

// Creates an instance of a component class through its class reference, as
// `TComponentClass(C).Create(Owner)`; EComponentError for an abstract class or
// one that is no component.
TComponent* CreateComponent(TClass AClass, TComponent* AOwner);

// Streams.
enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
  OV_CLASS(TStream, TObject)
public:
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
  virtual int64_t GetSize();
  virtual void SetSize(int64_t NewSize);
  void ReadBuffer(void* Buffer, int64_t Count);        // EReadError when short
  void WriteBuffer(const void* Buffer, int64_t Count); // EWriteError when short
  int64_t CopyFrom(TStream* Source, int64_t Count);    // Count 0: the whole source
  std::string ReadAll();                               // from the position to the end
};

class TMemoryStream : public TStream {
  OV_CLASS(TMemoryStream, TStream)
public:
  TMemoryStream() = default;
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  void Clear();
  const std::string& Data() const { return FData; }
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const; // atomically

protected:
  std::string FData;
  int64_t FPosition = 0;
};

class TStringStream : public TMemoryStream {
  OV_CLASS(TStringStream, TMemoryStream)
public:
  explicit TStringStream(std::string AString = {});
  const std::string& DataString() const { return FData; }
  void WriteString(const std::string& S) { WriteBuffer(S.data(), static_cast<int64_t>(S.size())); }
  std::string ReadString(int64_t Count);
};

enum class TFileMode { fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite };

class TFileStream : public TStream {
  OV_CLASS(TFileStream, TStream)
public:
  TFileStream(const std::string& FileName, TFileMode Mode); // EFOpenError / EFCreateError
  ~TFileStream() override;
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
  int FHandle = -1;
};

// String lists: lines with an object each, "name=value" lines, case-insensitive
// lookups (IndexOf, IndexOfName, Values) as the platform's lists have.
class TStrings : public TPersistent {
  OV_CLASS(TStrings, TPersistent)
public:
  virtual int Count() const = 0;
  virtual std::string Get(int Index) const = 0;
  // The line at Index without a copy where the list keeps its lines as
  // strings (valid until the list changes); other lists copy it into
  // Scratch and return that.
  virtual const std::string& GetRef(int Index, std::string& Scratch) const;
  virtual void Put(int Index, const std::string& S);
  virtual TObject* GetObject(int Index) const;
  virtual void PutObject(int Index, TObject* AObject);
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  // Room for Value lines, so that adding up to that many does not regrow
  // the list; a hint that never removes a line.
  virtual void SetCapacity(int Value);
  virtual int IndexOf(std::string_view S) const;
  int IndexOfName(std::string_view Name) const;
  int IndexOfObject(const TObject* AObject) const;

  std::string operator[](int Index) const { return Get(Index); }
  std::string Strings(int Index) const { return Get(Index); }
  // The text before the first "=", or "" for a line without one.
  std::string Names(int Index) const;
  std::string ValueFromIndex(int Index) const;
  // The value of the first line with that name, "" when there is none.
  std::string Values(std::string_view Name) const;
  // Replaces the first line of that name, appends one, or with an empty
  // value deletes it.
  void SetValue(std::string_view Name, std::string_view Value);

  // Lines joined by sLineBreak, each followed by one; setting splits at CR,
  // LF or CR LF.
  virtual std::string GetText() const;
  virtual void SetText(std::string_view Text);
  std::string GetCommaText() const;
  void SetCommaText(std::string_view Text);

  void AddStrings(const TStrings* Strings);
  void AddStrings(const std::vector<std::string>& Strings);
  void Assign(TPersistent* Source) override;
  void Assign(const std::vector<std::string>& Lines);
  bool Equals(const TStrings* Strings) const;
  std::vector<std::string> ToVector() const;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  void SaveToStream(TStream* Stream) const;
  void LoadFromStream(TStream* Stream);
  void SaveToFile(const std::string& FileName) const; // atomically
  void LoadFromFile(const std::string& FileName);

  void DefineProperties(TFiler* Filer) override;

  virtual int CompareStrings(std::string_view S1, std::string_view S2) const;

protected:
  virtual void SetUpdateState(bool Updating) {}
  [[noreturn]] void Error(const char* Msg, int Data) const;

private:
  int FUpdateCount = 0;
};

// BeginUpdate for the lifetime of the object, EndUpdate when it goes, also
// when an exception leaves the scope. The end is a scope guard
// (ScopeGuard::TFinally): when EndUpdate fails (a change handler raises),
// the failure goes on to the caller if the scope was left normally, and is
// dropped behind the exception already leaving it otherwise; the update
// count is back where it was either way.
class TStringsUpdate {
public:
  explicit TStringsUpdate(TStrings* Strings) : FEnd((Strings->BeginUpdate(), TEnd{Strings})) {}

private:
  struct TEnd {
    TStrings* Strings;
    void operator()() const { Strings->EndUpdate(); }
  };
  ScopeGuard::TFinally<TEnd> FEnd;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
  OV_CLASS(TStringList, TStrings)
public:
  TStringList() = default;
  ~TStringList() override;

  int Count() const override { return static_cast<int>(FList.size()); }
  std::string Get(int Index) const override;
  const std::string& GetRef(int Index, std::string& Scratch) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Exchange(int Index1, int Index2) override;
  void SetCapacity(int Value) override;
  using TStrings::Assign;
  void Assign(TPersistent* Source) override;
  // What Assign(&Source) then Source.Clear() leave, each list notified of
  // its change; where both are plain lists the lines move over rather than
  // being copied.
  void TakeLines(TStringList& Source);
  int IndexOf(std::string_view S) const override;
  int CompareStrings(std::string_view S1, std::string_view S2) const override;

  // Binary search of a sorted list; Index is where S is or would go.
  bool Find(std::string_view S, int& Index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);
  // The list deletes its objects when they leave it.
  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool Updating) override;

private:
  struct TItem {
    std::string S;
    TObject* Obj = nullptr;
  };
  void CheckIndex(int Index) const;
  void InsertItem(int Index, const std::string& S, TObject* AObject);
  void ReleaseObject(TObject* AObject);

  std::vector<TItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
  TDuplicates FDuplicates = TDuplicates::dupIgnore;
};

// Collections: owned, ordered items of one item class.
class TCollection;

class TCollectionItem : public TPersistent {
  OV_CLASS(TCollectionItem, TPersistent)
public:
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;
  TCollection* Collection() const { return FCollection; }
  void SetCollection(TCollection* Value);
  int Index() const;
  virtual void SetIndex(int Value);
  int ID() const { return FID; }
  virtual std::string GetDisplayName() const;
  virtual void SetDisplayName(const std::string& Value);
  std::string GetNamePath() const override;
  TPersistent* GetOwner() const override;

protected:
  void Changed(bool AllItems);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
  OV_CLASS(TCollection, TPersistent)
public:
  explicit TCollection(TClass ItemClass);
  ~TCollection() override;

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  TCollectionItem* Items(int Index) const;
  TCollectionItem* FindItemID(int ID) const;
  TClass ItemClass() const { return FItemClass; }
  void Assign(TPersistent* Source) override;
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  std::string GetNamePath() const override;
  // The property name under which the owner publishes this collection.
  std::string PropName() const;

  template <class T> T* ItemAs(int Index) const { return System::As<T>(Items(Index)); }

  TNotifyEvent OnChange;

protected:
  virtual void Update(TCollectionItem* Item);
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action) {}
  void Changed();

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  void MoveItem(TCollectionItem* Item, int NewIndex);

  TClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FNextID = 0;
  int FUpdateCount = 0;
};

// A collection that a persistent object publishes: its owner is that object.
class TOwnedCollection : public TCollection {
  OV_CLASS(TOwnedCollection, TCollection)
public:
  TOwnedCollection(TPersistent* AOwner, TClass ItemClass)
      : TCollection(ItemClass), FOwner(AOwner) {}
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};

// A data module: the non-visual root of a design that holds data-access
// components. Its place on the screen is TComponent's design position (the
// form file's "Left" and "Top"); Height and Width are the size of its window.
// Nothing registers it by itself: the host registers it with the classes it
// reads design files for.
class TDataModule : public TComponent {
  OV_CLASS(TDataModule, TComponent)
public:
  explicit TDataModule(TComponent* AOwner) : TComponent(AOwner) {}

  bool GetOldCreateOrder() const { return FOldCreateOrder; }
  void SetOldCreateOrder(bool Value) { FOldCreateOrder = Value; }
  int GetHeight() const { return FHeight; }
  void SetHeight(int Value) { FHeight = Value; }
  int GetWidth() const { return FWidth; }
  void SetWidth(int Value) { FWidth = Value; }

  // Run OnCreate and OnDestroy for code that creates and frees the module at
  // run time; a module being designed runs neither, as its handlers belong to
  // the program, not to the designer.
  virtual void DoCreate();
  virtual void DoDestroy();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

private:
  bool FOldCreateOrder = false;
  int FHeight = 150;
  int FWidth = 215;
};

// The class registry that form reading resolves class names with. Packages
// register their classes when they start and unregister them when they stop.
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> AClasses);
void UnRegisterClass(TClass AClass);
TClass GetClass(std::string_view ClassName);  // null when unknown
TClass FindClass(std::string_view ClassName); // EClassNotFound "Class X not found"
std::vector<TClass> RegisteredClasses();

} // namespace Classes
