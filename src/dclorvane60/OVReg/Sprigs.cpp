// The object tree nodes of the package's components: sessions at the top,
// databases under their session, datasets under their database, with
// transient nodes for the default session and for databases that datasets
// name but no database node stands for.
#include "dclorvane60/OVReg.hpp"
#include "orvane60/drivers/OVDriver.hpp"

#include "rtl/SysUtils.hpp"

#include <optional>

namespace OVReg {

using namespace OVEngine;
using SysUtils::Format;
using SysUtils::SameText;
using TreeIntf::TSprig;

OV_CLASS_IMPL(TOVSessionSprig, TreeIntf::TComponentSprig, "OVReg")
OV_CLASS_IMPL(TOVDefaultSessionSprig, TreeIntf::TTransientSprig, "OVReg")
OV_CLASS_IMPL(TOVDatabaseSprig, TreeIntf::TComponentSprig, "OVReg")
OV_CLASS_IMPL(TOVImpliedDatabaseSprig, TreeIntf::TComponentSprig, "OVReg")
OV_CLASS_IMPL(TOVUpdateSQLSprig, TreeIntf::TComponentSprig, "OVReg")
OV_CLASS_IMPL(TOVDataSetSprig, DSDesign::TDataSetSprig, "OVReg")
OV_CLASS_IMPL(TOVTableSprig, TOVDataSetSprig, "OVReg")
OV_CLASS_IMPL(TOVQuerySprig, TOVDataSetSprig, "OVReg")
OV_CLASS_IMPL(TOVStoredProcSprig, TOVDataSetSprig, "OVReg")

namespace {

constexpr const char* DefaultSessionKey = "<DefaultSession>";
constexpr const char* ImpliedDatabasePrefix = "<ImpliedDatabase>";

TOVSession* SessionOf(TSprig* Node) {
  return System::As<TOVSession>(Node->Item());
}

TOVDatabase* DatabaseOf(TSprig* Node) {
  return System::As<TOVDatabase>(Node->Item());
}

bool IsSessionNode(TSprig* Node) {
  return dynamic_cast<TOVSessionSprig*>(Node) != nullptr;
}

bool IsDefaultSessionNode(TSprig* Node) {
  return dynamic_cast<TOVDefaultSessionSprig*>(Node) != nullptr;
}

// The session node of a session name under the root of Self's tree; the
// default-session node is made when the name leads to it and it does not
// exist yet. Null when the named session has no node.
TSprig* SessionNodeFor(TSprig* Self, const std::string& SessionName) {
  TSprig* Root = Self->Root();
  if (!Root)
    return nullptr;
  const std::string Key = SessionNodeKey(SessionName);
  TSprig* Parent = Root->Find(Key, false);
  // The key is made by SessionNodeKey, so the exact comparison is enough.
  if (!Parent && Key == DefaultSessionKey)
    Parent = Root->Add(new TOVDefaultSessionSprig(nullptr));
  return Parent;
}

// What a database or implied-database node's drop does to the session name
// it holds: the new name, or nothing when the drop changes nothing.
std::optional<std::string> DroppedSessionName(const std::string& Current, TSprig* Target) {
  if (IsSessionNode(Target)) {
    const std::string& Name = SessionOf(Target)->GetSessionName();
    if (SameText(Current, Name))
      return std::nullopt;
    return Name;
  }
  if (IsDefaultSessionNode(Target)) {
    // A node that belongs to the default session already stays as it is.
    if (Current.empty() || SameText(Current, Session()->GetSessionName()))
      return std::nullopt;
    return std::string();
  }
  return std::nullopt;
}

// Whether a database node may go under Target, as moved or newly placed.
bool DatabaseTargetAccepted(TSprig* Target) {
  return (IsSessionNode(Target) && !SessionOf(Target)->GetSessionName().empty()) ||
         IsDefaultSessionNode(Target);
}

} // namespace

std::string SessionNodeKey(const std::string& SessionName) {
  if (SessionName.empty() || SysUtils::CompareText(SessionName, Session()->GetSessionName()) == 0)
    return DefaultSessionKey;
  return SessionName;
}

std::string ImpliedDatabaseNodeKey(const std::string& DatabaseName) {
  return Format("%s.%s", ImpliedDatabasePrefix, DatabaseName);
}

// Sessions --------------------------------------------------------------------------

bool TOVSessionSprig::AnyProblems() {
  return SessionOf(this)->GetSessionName().empty();
}

std::string TOVSessionSprig::Name() {
  return SessionOf(this)->GetSessionName();
}

std::string TOVSessionSprig::Caption() {
  return CaptionFor(SessionOf(this)->GetSessionName(), UniqueName(), Item()->ClassName());
}

std::string TOVDefaultSessionSprig::UniqueName() {
  return DefaultSessionKey;
}

bool TOVDefaultSessionSprig::Transient() {
  return true;
}

System::TClass TOVDefaultSessionSprig::ItemClass() {
  return TOVSession::StaticClass();
}

std::string TOVDefaultSessionSprig::Caption() {
  TOVSession* Default = Session();
  const std::string ClassName = Default->ClassName();
  // The class name without its T: the component's name as the palette would
  // make it.
  return CaptionFor(Default->GetSessionName(), ClassName.substr(1, 254), ClassName);
}

// Databases -------------------------------------------------------------------------

bool TOVDatabaseSprig::AnyProblems() {
  return DatabaseOf(this)->GetDatabaseName().empty();
}

std::string TOVDatabaseSprig::Name() {
  return DatabaseOf(this)->GetDatabaseName();
}

std::string TOVDatabaseSprig::Caption() {
  TOVDatabase* Db = DatabaseOf(this);
  const std::string Remote = Db->GetRemoteDatabase().empty()
                                 ? std::string("<UnknownDatabase>")
                                 : OVDriver::MaskPasswords(Db->GetRemoteDatabase());
  return CaptionFor(Format("%s | %s", GetServerTypeName(Db->GetServerType()), Remote), UniqueName(),
                    Db->ClassName());
}

bool TOVDatabaseSprig::DragOverTo(TSprig* Parent) {
  return DatabaseTargetAccepted(Parent);
}

bool TOVDatabaseSprig::DragDropTo(TSprig* Parent) {
  TOVDatabase* Db = DatabaseOf(this);
  const std::optional<std::string> NewName = DroppedSessionName(Db->GetSessionName(), Parent);
  if (NewName)
    Db->SetSessionName(*NewName);
  // The datasets under the database follow it to its session, also when it
  // stayed where it was.
  ReparentChildren();
  return NewName.has_value();
}

bool TOVDatabaseSprig::PaletteOverTo(TSprig* Parent, System::TClass) {
  return DatabaseTargetAccepted(Parent);
}

void TOVDatabaseSprig::FigureParent() {
  if (TSprig* Parent = SessionNodeFor(this, DatabaseOf(this)->GetSessionName()))
    Parent->Add(this);
}

// Implied databases -------------------------------------------------------------------

TOVImpliedDatabaseSprig::TOVImpliedDatabaseSprig(Classes::TComponent* AItem)
    : TComponentSprig(AItem) {}

std::string TOVImpliedDatabaseSprig::UniqueName() {
  return ImpliedDatabaseNodeKey(DatabaseName);
}

bool TOVImpliedDatabaseSprig::Transient() {
  return true;
}

bool TOVImpliedDatabaseSprig::AnyProblems() {
  return DatabaseName.empty();
}

System::TClass TOVImpliedDatabaseSprig::ItemClass() {
  return TOVDatabase::StaticClass();
}

std::string TOVImpliedDatabaseSprig::Caption() {
  return CaptionFor(DatabaseName, "Unknown", "");
}

bool TOVImpliedDatabaseSprig::DragOverTo(TSprig* Parent) {
  return IsSessionNode(Parent) || IsDefaultSessionNode(Parent);
}

bool TOVImpliedDatabaseSprig::DragDropTo(TSprig* Parent) {
  const std::optional<std::string> NewName = DroppedSessionName(SessionName, Parent);
  if (NewName)
    SessionName = *NewName;
  // The node stands for no component: its datasets carry the change.
  ReparentChildren();
  return NewName.has_value();
}

void TOVImpliedDatabaseSprig::FigureParent() {
  if (TSprig* Parent = SessionNodeFor(this, SessionName))
    Parent->Add(this);
}

// Update objects ----------------------------------------------------------------------

bool TOVUpdateSQLSprig::AnyProblems() {
  auto* Update = System::As<TOVUpdateSQL>(Item());
  // The refresh statement is optional; without any of the other three the
  // object cannot apply a change.
  for (int I = 1; I <= 3; ++I)
    if (Update->GetSQLIndex(I)->Count() > 0)
      return false;
  return true;
}

// Datasets ----------------------------------------------------------------------------

TOVDataSet* TOVDataSetSprig::DataSet() const {
  return System::As<TOVDataSet>(Item());
}

bool TOVDataSetSprig::AnyProblems() {
  return inherited::AnyProblems() || DataSet()->GetDatabaseName().empty();
}

bool TOVDataSetSprig::DragOverTo(TSprig* Parent) {
  if (dynamic_cast<TOVImpliedDatabaseSprig*>(Parent))
    return true;
  return dynamic_cast<TOVDatabaseSprig*>(Parent) && !DatabaseOf(Parent)->GetDatabaseName().empty();
}

bool TOVDataSetSprig::PaletteOverTo(TSprig* Parent, System::TClass) {
  return TOVDataSetSprig::DragOverTo(Parent);
}

bool TOVDataSetSprig::DragDropTo(TSprig* Parent) {
  std::string DatabaseName, SessionName;
  if (auto* Implied = dynamic_cast<TOVImpliedDatabaseSprig*>(Parent)) {
    DatabaseName = Implied->DatabaseName;
    SessionName = Implied->SessionName;
  } else if (dynamic_cast<TOVDatabaseSprig*>(Parent)) {
    DatabaseName = DatabaseOf(Parent)->GetDatabaseName();
    SessionName = DatabaseOf(Parent)->GetSessionName();
  } else {
    return false;
  }
  TOVDataSet* DS = DataSet();
  if (SameText(DS->GetDatabaseName(), DatabaseName) && SameText(DS->GetSessionName(), SessionName))
    return false;
  DS->SetDatabaseName(DatabaseName);
  DS->SetSessionName(SessionName);
  return true;
}

void TOVDataSetSprig::Reparent() {
  TSprig* P = Parent();
  if (auto* Implied = dynamic_cast<TOVImpliedDatabaseSprig*>(P))
    DataSet()->SetSessionName(Implied->SessionName);
  else if (dynamic_cast<TOVDatabaseSprig*>(P))
    DataSet()->SetSessionName(DatabaseOf(P)->GetSessionName());
}

void TOVDataSetSprig::FigureParent() {
  TOVDataSet* DS = DataSet();
  TSprig* SessionNode = SessionNodeFor(this, DS->GetSessionName());
  // A session that is not in the design leaves the dataset without parent.
  if (!SessionNode)
    return;
  TSprig* DatabaseNode = SessionNode->Find(DS->GetDatabaseName(), false);
  if (!DatabaseNode)
    DatabaseNode = SessionNode->Find(ImpliedDatabaseNodeKey(DS->GetDatabaseName()), false);
  if (!DatabaseNode) {
    auto* Implied =
        static_cast<TOVImpliedDatabaseSprig*>(SessionNode->Add(new TOVImpliedDatabaseSprig()));
    Implied->DatabaseName = DS->GetDatabaseName();
    Implied->SessionName = DS->GetSessionName();
    DatabaseNode = Implied;
  }
  DatabaseNode->Add(this);
}

bool TOVTableSprig::AnyProblems() {
  return inherited::AnyProblems() || System::As<TOVTable>(Item())->GetTableName().empty();
}

std::string TOVTableSprig::Caption() {
  return CaptionFor(System::As<TOVTable>(Item())->GetTableName(), UniqueName(), "");
}

bool TOVQuerySprig::AnyProblems() {
  return inherited::AnyProblems() || System::As<TOVQuery>(Item())->GetSQL()->Count() == 0;
}

std::string TOVQuerySprig::Caption() {
  Classes::TStrings* SQL = System::As<TOVQuery>(Item())->GetSQL();
  std::string Summary;
  if (SQL->Count() > 0) {
    Summary = SQL->Get(0);
    if (SQL->Count() > 1)
      Summary += "...";
  }
  return CaptionFor(Summary, UniqueName(), "");
}

bool TOVStoredProcSprig::AnyProblems() {
  return inherited::AnyProblems() || System::As<TOVStoredProc>(Item())->GetStoredProcName().empty();
}

std::string TOVStoredProcSprig::Caption() {
  return CaptionFor(System::As<TOVStoredProc>(Item())->GetStoredProcName(), UniqueName(), "");
}

} // namespace OVReg
