// Datasets: field types and values, fields, field and index definitions,
// parameters, the dataset with its cursor and edit buffer, data sources and
// links, and an in-memory dataset that result sets and catalog answers rest on.
//
// Every dataset of this system holds its rows in memory: a descendant's
// InternalOpen fills the field definitions and the rows once, and everything
// after that (navigation, field access, editing) works on those rows. A
// descendant that writes changes to a server overrides InternalPost and
// InternalDelete.
#pragma once

#include "rtl/Classes.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/System.hpp"
#include "rtl/TypInfo.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace DB {

using Classes::TComponent;
using Classes::TPersistent;
using Classes::TStrings;
using SysUtils::TDateTime;

OV_EXCEPTION(EDatabaseError, SysUtils::Exception)

[[noreturn]] void DatabaseError(const std::string& Message, const TComponent* Component = nullptr);

// Reading a design file restores open datasets and connections in Loaded. At
// design time a failure there leaves the component closed instead of failing
// the whole read, and the error goes to the handler set here (the designer
// shows it; without a handler it is dropped). At run time it is raised.
using TLoadErrorHandler = std::function<void(TComponent* Component, const std::string& Message)>;
void SetDesignLoadErrorHandler(TLoadErrorHandler Handler);
// Runs Restore; at design time a failure goes to the handler instead.
// Returns false, running nothing, while the design file being read is not
// trusted (see SetDesignFileTrust): the component then keeps the stored
// value, shows it and writes it back, and acts on it only when set again.
bool RestoreStreamedState(TComponent* Component, const std::function<void()>& Restore);

// Whether a design file may connect to databases, run SQL and write files
// (monitor logs) when it is read. A design file is a document people send
// each other; one from a folder the user has not trusted is read with
// Untrusted, and a command that only reads it keeps NoConnections for its
// whole run. Trusted unless set.
enum class TDesignFileTrust {
  Trusted,      // connections and open datasets come back as stored
  Untrusted,    // nothing comes back; connecting on purpose afterwards works
  NoConnections // nothing comes back, and nothing connects at all
};
// OnConnect, when given, hears of each connection made on purpose while the
// trust is Untrusted (so that a command can say it connects).
void SetDesignFileTrust(TDesignFileTrust Trust,
                        std::function<void(const TComponent*)> OnConnect = {});
TDesignFileTrust DesignFileTrust();
// How many stored states RestoreStreamedState held since the trust was set.
int HeldStreamedStates();
// Gives Root, and every component it owns at any depth, the trust set now
// (with its OnConnect) for as long as it lives, whatever is set later: a
// document keeps its own file's trust when another is read (reading its
// text again to undo a change, connecting on purpose). Forget it before
// Root goes.
void KeepDesignFileTrust(const TComponent* Root);
void ForgetDesignFileTrust(const TComponent* Root);
// Called before a connection is made: raises EDatabaseError naming the
// component under NoConnections.
void CheckConnectionAllowed(const TComponent* Component);

enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd
};
OV_ENUM(TFieldType, "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean",
        "ftFloat", "ftCurrency", "ftBCD", "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes",
        "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic", "ftFmtMemo", "ftParadoxOle", "ftDBaseOle",
        "ftTypedBinary", "ftCursor", "ftFixedChar", "ftWideString", "ftLargeint", "ftADT",
        "ftArray", "ftReference", "ftDataSet", "ftOraBlob", "ftOraClob", "ftVariant", "ftInterface",
        "ftIDispatch", "ftGuid", "ftTimeStamp", "ftFMTBcd")

std::string FieldTypeName(TFieldType DataType); // "ftInteger"

// A field or parameter value: null, integer, float, text, Boolean, date-time
// or bytes. Conversions raise EConvertError naming the value and the type.
enum class TVarType { varNull, varInteger, varFloat, varString, varBoolean, varDateTime, varBlob };

class TVariant {
public:
  TVariant() = default;
  TVariant(std::nullptr_t) {}
  TVariant(int Value) : FData(int64_t{Value}) {}
  TVariant(int64_t Value) : FData(Value) {}
  TVariant(double Value) : FData(Value) {}
  TVariant(bool Value) : FData(Value) {}
  TVariant(std::string Value) : FData(std::move(Value)) {}
  TVariant(std::string_view Value) : FData(std::string(Value)) {}
  TVariant(const char* Value) : FData(std::string(Value)) {}
  static TVariant FromDateTime(TDateTime Value);
  static TVariant FromBlob(std::string Bytes);

  TVarType Type() const noexcept;
  bool IsNull() const noexcept { return Type() == TVarType::varNull; }

  // Null reads as "", 0, 0.0 and false, as an unassigned field does.
  std::string AsString() const;
  int64_t AsInteger() const;
  double AsFloat() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;

  bool operator==(const TVariant& Other) const = default;

private:
  struct TDateTimeData {
    double Value = 0;
    bool operator==(const TDateTimeData&) const = default;
  };
  struct TBlobData {
    std::string Bytes;
    bool operator==(const TBlobData&) const = default;
  };
  std::variant<std::monostate, int64_t, double, std::string, bool, TDateTimeData, TBlobData> FData;
};

// Dates and times as ISO 8601 texts ("2024-03-01", "10:15:00",
// "2024-03-01 10:15:00", a 'T' or fractions of seconds accepted), the form in
// which both servers give them.
bool TryISOStrToDateTime(std::string_view Text, TDateTime& Value);
std::string DateTimeToISOStr(TDateTime Value, TFieldType DataType = TFieldType::ftDateTime);

class TDataSet;
class TField;
class TFields;
class TFieldDefs;
class TDataSource;
class TDataLink;

// Fields --------------------------------------------------------------------

// A field is a component: persistent fields (made at design time) are owned by
// the form and written into design files nested inside their dataset; dynamic
// fields are made by the dataset when it opens without persistent fields and
// freed when it closes.
class TField : public TComponent {
  OV_CLASS(TField, TComponent)
public:
  explicit TField(TComponent* AOwner);
  ~TField() override;

  TDataSet* GetDataSet() const { return FDataSet; }
  // Moves the field to the end of the other dataset's field list; the
  // dataset must be closed.
  void SetDataSet(TDataSet* Value);
  const std::string& GetFieldName() const { return FFieldName; }
  void SetFieldName(const std::string& Value);
  // The caption a grid shows; the field name unless set.
  std::string GetDisplayLabel() const;
  void SetDisplayLabel(const std::string& Value) { FDisplayLabel = Value; }
  bool IsDisplayLabelStored() const { return !FDisplayLabel.empty(); }
  std::string DisplayName() const { return GetDisplayLabel(); }
  int GetSize() const { return FSize; }
  void SetSize(int Value);
  bool GetRequired() const { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  // Position in the dataset's field list, -1 without a dataset.
  int GetIndex() const;
  void SetIndex(int Value);

  TFieldType DataType() const { return FDataType; }
  // 1-based column of the dataset's rows the field shows; 0 while closed.
  int FieldNo() const { return FFieldNo; }
  bool IsPersistent() const { return !FDynamic; }

  TVariant GetValue() const;
  // Converts the value to the field's kind (Coerce) and writes it into the
  // edit buffer; the dataset must be in edit or insert state.
  void SetValue(const TVariant& Value);
  // The value before the current edit began (the row as stored); the value
  // itself outside an edit.
  TVariant OldValue() const;
  bool IsNull() const { return GetValue().IsNull(); }
  void Clear() { SetValue(TVariant()); }

  virtual std::string GetAsString() const;
  void SetAsString(const std::string& Value) { SetValue(TVariant(Value)); }
  int GetAsInteger() const;
  void SetAsInteger(int Value) { SetValue(TVariant(Value)); }
  int64_t GetAsLargeInt() const { return GetValue().AsInteger(); }
  void SetAsLargeInt(int64_t Value) { SetValue(TVariant(Value)); }
  double GetAsFloat() const { return GetValue().AsFloat(); }
  void SetAsFloat(double Value) { SetValue(TVariant(Value)); }
  bool GetAsBoolean() const { return GetValue().AsBoolean(); }
  void SetAsBoolean(bool Value) { SetValue(TVariant(Value)); }
  TDateTime GetAsDateTime() const { return GetValue().AsDateTime(); }
  void SetAsDateTime(TDateTime Value) { SetValue(TVariant::FromDateTime(Value)); }

  // Converts a value to the kind this field stores; EConvertError when it
  // cannot, naming the field.
  virtual TVariant Coerce(const TVariant& Value) const;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

protected:
  explicit TField(TComponent* AOwner, TFieldType DataType);
  void SetDataType(TFieldType Value) { FDataType = Value; }
  [[noreturn]] void ConvertError(const TVariant& Value, const char* What) const;

private:
  friend class TDataSet;
  friend class TFields;
  TDataSet* FDataSet = nullptr;
  std::string FFieldName;
  std::string FDisplayLabel;
  TFieldType FDataType = TFieldType::ftUnknown;
  int FSize = 0;
  int FFieldNo = 0;
  bool FRequired = false;
  bool FVisible = true;
  bool FReadOnly = false;
  bool FDynamic = false;
};

class TStringField : public TField {
  OV_CLASS(TStringField, TField)
public:
  explicit TStringField(TComponent* AOwner);
  TVariant Coerce(const TVariant& Value) const override;
};

class TNumericField : public TField {
  OV_CLASS(TNumericField, TField)
protected:
  TNumericField(TComponent* AOwner, TFieldType DataType) : TField(AOwner, DataType) {}
};

class TIntegerField : public TNumericField {
  OV_CLASS(TIntegerField, TNumericField)
public:
  explicit TIntegerField(TComponent* AOwner) : TIntegerField(AOwner, TFieldType::ftInteger) {}
  TVariant Coerce(const TVariant& Value) const override;

protected:
  TIntegerField(TComponent* AOwner, TFieldType DataType) : TNumericField(AOwner, DataType) {}
  virtual int64_t MinValue() const { return INT32_MIN; }
  virtual int64_t MaxValue() const { return INT32_MAX; }
};

class TSmallintField : public TIntegerField {
  OV_CLASS(TSmallintField, TIntegerField)
public:
  explicit TSmallintField(TComponent* AOwner) : TIntegerField(AOwner, TFieldType::ftSmallint) {}

protected:
  int64_t MinValue() const override { return INT16_MIN; }
  int64_t MaxValue() const override { return INT16_MAX; }
};

class TWordField : public TIntegerField {
  OV_CLASS(TWordField, TIntegerField)
public:
  explicit TWordField(TComponent* AOwner) : TIntegerField(AOwner, TFieldType::ftWord) {}

protected:
  int64_t MinValue() const override { return 0; }
  int64_t MaxValue() const override { return UINT16_MAX; }
};

class TAutoIncField : public TIntegerField {
  OV_CLASS(TAutoIncField, TIntegerField)
public:
  explicit TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner, TFieldType::ftAutoInc) {}
};

class TLargeintField : public TNumericField {
  OV_CLASS(TLargeintField, TNumericField)
public:
  explicit TLargeintField(TComponent* AOwner) : TNumericField(AOwner, TFieldType::ftLargeint) {}
  TVariant Coerce(const TVariant& Value) const override;
};

class TFloatField : public TNumericField {
  OV_CLASS(TFloatField, TNumericField)
public:
  explicit TFloatField(TComponent* AOwner) : TFloatField(AOwner, TFieldType::ftFloat) {}
  TVariant Coerce(const TVariant& Value) const override;
  int GetPrecision() const { return FPrecision; }
  void SetPrecision(int Value) { FPrecision = Value; }

protected:
  TFloatField(TComponent* AOwner, TFieldType DataType) : TNumericField(AOwner, DataType) {}

private:
  int FPrecision = 15;
};

class TCurrencyField : public TFloatField {
  OV_CLASS(TCurrencyField, TFloatField)
public:
  explicit TCurrencyField(TComponent* AOwner) : TFloatField(AOwner, TFieldType::ftCurrency) {}
};

// Exact numbers (numeric, decimal) are kept as their text, so no digit is
// lost on the way from the server and back.
class TBCDField : public TNumericField {
  OV_CLASS(TBCDField, TNumericField)
public:
  explicit TBCDField(TComponent* AOwner) : TNumericField(AOwner, TFieldType::ftBCD) {}
  TVariant Coerce(const TVariant& Value) const override;
  int GetPrecision() const { return FPrecision; }
  void SetPrecision(int Value) { FPrecision = Value; }

private:
  int FPrecision = 0;
};

class TBooleanField : public TField {
  OV_CLASS(TBooleanField, TField)
public:
  explicit TBooleanField(TComponent* AOwner) : TField(AOwner, TFieldType::ftBoolean) {}
  TVariant Coerce(const TVariant& Value) const override;
  std::string GetAsString() const override;
};

class TDateTimeField : public TField {
  OV_CLASS(TDateTimeField, TField)
public:
  explicit TDateTimeField(TComponent* AOwner) : TField(AOwner, TFieldType::ftDateTime) {}
  TVariant Coerce(const TVariant& Value) const override;
  std::string GetAsString() const override;

protected:
  TDateTimeField(TComponent* AOwner, TFieldType DataType) : TField(AOwner, DataType) {}
};

class TDateField : public TDateTimeField {
  OV_CLASS(TDateField, TDateTimeField)
public:
  explicit TDateField(TComponent* AOwner) : TDateTimeField(AOwner, TFieldType::ftDate) {}
};

class TTimeField : public TDateTimeField {
  OV_CLASS(TTimeField, TDateTimeField)
public:
  explicit TTimeField(TComponent* AOwner) : TDateTimeField(AOwner, TFieldType::ftTime) {}
};

class TBlobField : public TField {
  OV_CLASS(TBlobField, TField)
public:
  explicit TBlobField(TComponent* AOwner) : TBlobField(AOwner, TFieldType::ftBlob) {}
  TVariant Coerce(const TVariant& Value) const override;

protected:
  TBlobField(TComponent* AOwner, TFieldType DataType) : TField(AOwner, DataType) {}
};

class TMemoField : public TBlobField {
  OV_CLASS(TMemoField, TBlobField)
public:
  explicit TMemoField(TComponent* AOwner) : TBlobField(AOwner, TFieldType::ftMemo) {}
  TVariant Coerce(const TVariant& Value) const override;
};

// The field class a dataset makes for a column of that type.
System::TClass DefaultFieldClass(TFieldType DataType);
// Registers the field classes with the class registry, so that design files
// holding persistent fields can be read; UnRegisterFieldClasses undoes it.
void RegisterFieldClasses();
void UnRegisterFieldClasses();

// The fields of a dataset, in display order. It does not own them.
class TFields : public System::TObject {
  OV_CLASS(TFields, System::TObject)
public:
  explicit TFields(TDataSet* ADataSet) : FDataSet(ADataSet) {}
  int Count() const { return static_cast<int>(FList.size()); }
  TField* Fields(int Index) const;
  TField* operator[](int Index) const { return Fields(Index); }
  TField* FindField(std::string_view FieldName) const; // any case; null when absent
  TField* FieldByName(std::string_view FieldName) const;
  int IndexOf(const TField* Field) const;
  void GetFieldNames(TStrings* List) const;
  TDataSet* DataSet() const { return FDataSet; }

private:
  friend class TDataSet;
  friend class TField;
  void Add(TField* Field);
  void Remove(TField* Field);
  void Move(int CurIndex, int NewIndex);
  TDataSet* FDataSet;
  std::vector<TField*> FList;
};

// Field and index definitions --------------------------------------------------

class TFieldDef : public Classes::TCollectionItem {
  OV_CLASS(TFieldDef, Classes::TCollectionItem)
public:
  explicit TFieldDef(Classes::TCollection* Collection) : TCollectionItem(Collection) {}
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  TFieldType GetDataType() const { return FDataType; }
  void SetDataType(TFieldType Value) { FDataType = Value; }
  int GetSize() const { return FSize; }
  void SetSize(int Value) { FSize = Value; }
  int GetPrecision() const { return FPrecision; }
  void SetPrecision(int Value) { FPrecision = Value; }
  bool GetRequired() const { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  std::string GetDisplayName() const override { return FName; }
  void Assign(TPersistent* Source) override;
  // Makes a field of the type's default class for this definition.
  TField* CreateField(TComponent* Owner) const;

private:
  std::string FName;
  TFieldType FDataType = TFieldType::ftUnknown;
  int FSize = 0;
  int FPrecision = 0;
  bool FRequired = false;
};

class TFieldDefs : public Classes::TOwnedCollection {
  OV_CLASS(TFieldDefs, Classes::TOwnedCollection)
public:
  explicit TFieldDefs(TPersistent* AOwner);
  TFieldDef* Items(int Index) const { return ItemAs<TFieldDef>(Index); }
  TFieldDef* AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }
  TFieldDef* Add(const std::string& Name, TFieldType DataType, int Size = 0, bool Required = false);
  int IndexOf(std::string_view Name) const;     // any case
  TFieldDef* Find(std::string_view Name) const; // EDatabaseError when absent
};

enum class TIndexOption {
  ixPrimary,
  ixUnique,
  ixDescending,
  ixCaseInsensitive,
  ixExpression,
  ixNonMaintained
};
OV_ENUM(TIndexOption, "ixPrimary", "ixUnique", "ixDescending", "ixCaseInsensitive", "ixExpression",
        "ixNonMaintained")
OV_SET(TIndexOptions, TIndexOption)

class TIndexDef : public Classes::TCollectionItem {
  OV_CLASS(TIndexDef, Classes::TCollectionItem)
public:
  explicit TIndexDef(Classes::TCollection* Collection) : TCollectionItem(Collection) {}
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  // Field names separated by semicolons, in index order.
  const std::string& GetFields() const { return FFields; }
  void SetFields(const std::string& Value) { FFields = Value; }
  TIndexOptions GetOptions() const { return FOptions; }
  void SetOptions(TIndexOptions Value) { FOptions = Value; }
  const std::string& GetExpression() const { return FExpression; }
  void SetExpression(const std::string& Value) { FExpression = Value; }
  const std::string& GetDescFields() const { return FDescFields; }
  void SetDescFields(const std::string& Value) { FDescFields = Value; }
  const std::string& GetCaseInsFields() const { return FCaseInsFields; }
  void SetCaseInsFields(const std::string& Value) { FCaseInsFields = Value; }
  std::string GetDisplayName() const override { return FName; }
  void Assign(TPersistent* Source) override;

private:
  std::string FName;
  std::string FFields;
  TIndexOptions FOptions;
  std::string FExpression;
  std::string FDescFields;
  std::string FCaseInsFields;
};

class TIndexDefs : public Classes::TOwnedCollection {
  OV_CLASS(TIndexDefs, Classes::TOwnedCollection)
public:
  explicit TIndexDefs(TDataSet* ADataSet);
  TIndexDef* Items(int Index) const { return ItemAs<TIndexDef>(Index); }
  TIndexDef* AddIndexDef() { return static_cast<TIndexDef*>(TCollection::Add()); }
  TIndexDef* Add(const std::string& Name, const std::string& Fields, TIndexOptions Options);
  int IndexOf(std::string_view Name) const;     // any case
  TIndexDef* Find(std::string_view Name) const; // EDatabaseError when absent
  // The index whose fields are exactly Fields (any case, ';'-separated), or
  // null; the primary index wins among equals.
  TIndexDef* FindIndexForFields(std::string_view Fields) const;
  // The first index whose leading fields are Fields, or null.
  TIndexDef* GetIndexForFields(std::string_view Fields, bool CaseInsensitive) const;
  // The primary index, or null.
  TIndexDef* PrimaryIndex() const;
  // Asks the dataset to read its index definitions again.
  void Update();
  bool GetUpdated() const { return FUpdated; }
  void SetUpdated(bool Value) { FUpdated = Value; }

private:
  TDataSet* FDataSet;
  bool FUpdated = false;
};

// Splits "A;B; C" into trimmed, non-empty names.
std::vector<std::string> SplitFieldNames(std::string_view Fields);

// Parameters -----------------------------------------------------------------

enum class TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
OV_ENUM(TParamType, "ptUnknown", "ptInput", "ptOutput", "ptInputOutput", "ptResult")

// A parameter of a statement (or a macro of a macro query). In design files a
// parameter is a collection item with DataType, Name and ParamType, and its
// value under "Value" when it has one.
class TParam : public Classes::TCollectionItem {
  OV_CLASS(TParam, Classes::TCollectionItem)
public:
  explicit TParam(Classes::TCollection* Collection) : TCollectionItem(Collection) {}

  const std::string& GetName() const { return FName; }
  void SetName(const std::string& Value);
  TFieldType GetDataType() const { return FDataType; }
  void SetDataType(TFieldType Value);
  TParamType GetParamType() const { return FParamType; }
  void SetParamType(TParamType Value);

  const TVariant& GetValue() const { return FValue; }
  void SetValue(const TVariant& Value);
  bool IsNull() const { return FValue.IsNull(); }
  // Whether a value was given since the parameter was made or cleared.
  bool GetBound() const { return FBound; }
  void SetBound(bool Value) { FBound = Value; }
  void Clear();

  // The typed setters also set DataType, as a parameter takes the type of
  // the first value given to it.
  std::string GetAsString() const { return FValue.AsString(); }
  void SetAsString(const std::string& Value);
  int GetAsInteger() const { return static_cast<int>(FValue.AsInteger()); }
  void SetAsInteger(int Value);
  int64_t GetAsLargeInt() const { return FValue.AsInteger(); }
  void SetAsLargeInt(int64_t Value);
  double GetAsFloat() const { return FValue.AsFloat(); }
  void SetAsFloat(double Value);
  bool GetAsBoolean() const { return FValue.AsBoolean(); }
  void SetAsBoolean(bool Value);
  TDateTime GetAsDateTime() const { return FValue.AsDateTime(); }
  void SetAsDateTime(TDateTime Value);
  void SetNull();

  // Copies a parameter's name, type and value, or a field's name, type and
  // current value.
  void Assign(TPersistent* Source) override;
  void AssignField(const TField* Field);
  void AssignFieldValue(const TField* Field, const TVariant& Value);
  std::string GetDisplayName() const override;
  void DefineProperties(Classes::TFiler* Filer) override;

private:
  std::string FName;
  TFieldType FDataType = TFieldType::ftUnknown;
  TParamType FParamType = TParamType::ptUnknown;
  TVariant FValue;
  bool FBound = false;
};

class TParams : public Classes::TOwnedCollection {
  OV_CLASS(TParams, Classes::TOwnedCollection)
public:
  explicit TParams(TPersistent* AOwner = nullptr);
  TParam* Items(int Index) const { return ItemAs<TParam>(Index); }
  TParam* operator[](int Index) const { return Items(Index); }
  TParam* AddParam() { return static_cast<TParam*>(TCollection::Add()); }
  TParam* CreateParam(TFieldType DataType, const std::string& Name, TParamType ParamType);
  TParam* FindParam(std::string_view Name) const;   // any case; null when absent
  TParam* ParamByName(std::string_view Name) const; // EDatabaseError "Parameter 'X' not found"
  // For each parameter here, the value (and type) of the parameter of the same
  // name in Source, when it has one.
  void AssignValues(const TParams* Source);
  bool IsEqual(const TParams* Other) const;
  std::vector<std::string> Names() const;
};

// Data sources and links -------------------------------------------------------

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
OV_ENUM(TDataSetState, "dsInactive", "dsBrowse", "dsEdit", "dsInsert")

enum class TDataEvent { deActiveChanged, deDataSetScroll, deRecordChange, deDataSetChange };

// A link from a control or a detail dataset to a data source: it hears what
// happens to the source's dataset.
class TDataLink {
public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* GetDataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* Value);
  TDataSet* DataSet() const;
  bool Active() const;

protected:
  virtual void ActiveChanged() {}
  virtual void DataSetScrolled() {}
  virtual void RecordChanged(TField* Field) {}
  virtual void DataSetChanged() {}

private:
  friend class TDataSource;
  void DataEvent(TDataEvent Event);
  TDataSource* FDataSource = nullptr;
};

class TDataSource : public TComponent {
  OV_CLASS(TDataSource, TComponent)
public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;
  TDataSet* GetDataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TDataSetState State() const;

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;

private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent Event);
  TDataSet* FDataSet = nullptr;
  bool FEnabled = true;
  std::vector<TDataLink*> FLinks;
};

// Provider support: what a dataset tells tools that generate statements for
// it. Every dataset answers; a SQL-based dataset is one that a statement
// defines (a query, a stored procedure), as opposed to a table opened by name.
class IProviderSupport {
public:
  virtual ~IProviderSupport() = default;
  virtual bool PSIsSQLBased() const = 0;
  virtual bool PSIsSQLSupported() const = 0;
  virtual std::string PSGetTableName() const = 0;
  virtual std::string PSGetQuoteChar() const = 0;
  virtual std::string PSGetKeyFields() const = 0;
  virtual TParams* PSGetParams() = 0;
  virtual TIndexDefs* PSGetIndexDefs() = 0;
};

// Datasets -------------------------------------------------------------------

using TRecord = std::vector<TVariant>;

class TDataSet : public TComponent, public IProviderSupport {
  OV_CLASS(TDataSet, TComponent)
public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;

  bool GetActive() const { return FState != TDataSetState::dsInactive; }
  // What the Active property shows and a design file stores: also true
  // while an untrusted file's stored Active is held (see RestoreStreamedState).
  bool GetActiveProperty() const { return GetActive() || FHeldActive; }
  // While a design file is read, the value is kept and applied in Loaded.
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return FState; }

  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int Distance);
  bool Eof() const { return FEof; }
  bool Bof() const { return FBof; }
  bool IsEmpty() const { return FRecords.empty() && FState != TDataSetState::dsInsert; }
  int RecordCount() const { return static_cast<int>(FRecords.size()); }
  // 1-based number of the current row, 0 when there is none.
  int GetRecNo() const;
  void SetRecNo(int Value);

  TFields* Fields() const { return FFields.get(); }
  TFieldDefs* FieldDefs() const { return FFieldDefs.get(); }
  void SetFieldDefs(TFieldDefs* Value);
  TField* FieldByName(std::string_view FieldName) const; // EDatabaseError "Field 'X' not found"
  TField* FindField(std::string_view FieldName) const;
  // The fields' names when fields exist, else the definitions' names.
  void GetFieldNames(TStrings* List) const;
  // True while the dataset shows fields it made itself (no persistent fields).
  bool DefaultFields() const { return FDefaultFields; }

  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  // Appends a row of values in field order (a shorter row is padded with
  // nulls); the dataset must be open.
  void AppendRecord(const std::vector<TVariant>& Values);
  void CheckBrowseMode();

  // IProviderSupport: a plain dataset is no SQL-based one.
  bool PSIsSQLBased() const override { return false; }
  bool PSIsSQLSupported() const override { return false; }
  std::string PSGetTableName() const override { return {}; }
  std::string PSGetQuoteChar() const override { return "\""; }
  std::string PSGetKeyFields() const override;
  TParams* PSGetParams() override { return nullptr; }
  TIndexDefs* PSGetIndexDefs() override { return nullptr; }
  IProviderSupport* ProviderSupport() { return this; }

  // Streaming: persistent fields owned by Root are written inside their
  // dataset.
  void GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) override;
  void Loaded() override;

  // Reads the index definitions again; datasets without indexes ignore it.
  virtual void UpdateIndexDefs() {}

  // The value a field shows in the current row (or edit buffer).
  TVariant GetFieldValue(const TField* Field) const;
  TVariant GetOldFieldValue(const TField* Field) const;
  void SetFieldValue(TField* Field, const TVariant& Value);
  // Replaces a value of the current row as stored (a row read again from the
  // server), in the edit buffer too while editing; no edit state needed.
  // While inserting, the value goes to the new row's buffer only.
  void RefreshFieldValue(const TField* Field, const TVariant& Value);

protected:
  // Fills FieldDefs and the rows; raises to refuse the open.
  virtual void InternalOpen() = 0;
  virtual void InternalClose() {}
  // Writes the edit buffer: after it returns, the buffer becomes the row.
  virtual void InternalPost(bool Inserting) {}
  virtual void InternalDelete() {}
  virtual void DoAfterScroll() {}
  // Called when the dataset opened or closed, after the fields are bound.
  virtual void DoAfterOpen() {}
  virtual void DoBeforeClose() {}

  void CheckActive() const;
  void CheckInactive() const;
  // Raises unless the component is being loaded or the dataset is closed.
  void CheckInactiveOrLoading() const;
  void DataEvent(TDataEvent Event);
  const TRecord* CurrentRecord() const;
  const TRecord& EditBuffer() const { return FEditBuffer; }
  int CurrentIndex() const { return FCurrent; }

  std::vector<TRecord> FRecords;

private:
  friend class TField;
  friend class TFields;
  friend class TDataSource;
  void DoOpen();
  void DoClose();
  void BindFields();
  void DestroyDynamicFields();
  void SetCurrent(int Index);
  void AddDataSource(TDataSource* Source);
  void RemoveDataSource(TDataSource* Source);

  std::unique_ptr<TFields> FFields;
  std::unique_ptr<TFieldDefs> FFieldDefs;
  std::vector<TDataSource*> FDataSources;
  TDataSetState FState = TDataSetState::dsInactive;
  int FCurrent = -1;
  bool FBof = true;
  bool FEof = true;
  bool FDefaultFields = false;
  bool FStreamedActive = false;
  // Active as stored by a design file that was not trusted (never opened).
  bool FHeldActive = false;
  TRecord FEditBuffer;
  int FInsertAt = -1;
};

// A dataset whose definitions and rows the caller supplies: define FieldDefs,
// Open (or CreateDataSet), then AppendRecord. Catalog answers and result sets
// are given in this form.
class TMemDataSet : public TDataSet {
  OV_CLASS(TMemDataSet, TDataSet)
public:
  explicit TMemDataSet(TComponent* AOwner);
  ~TMemDataSet() override;
  void CreateDataSet() { Open(); }

protected:
  void InternalOpen() override;
  void InternalClose() override;
};

} // namespace DB
