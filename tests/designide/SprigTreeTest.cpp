// The object tree: nodes of the registered sprig classes, parents found by
// name with transient nodes made where none exists, the rounds that make the
// result independent of creation order, drags and palette drops.
#include "EditorTestClasses.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/TreeIntf.hpp"
#include "designide/TreeIntf/Sprigs.hpp"

#include <gtest/gtest.h>

using namespace TreeIntf;
using Classes::TComponent;
using DesignIntf::TDesigner;
using System::TInterfaceRef;
using SysUtils::SameText;

namespace {

// A small connection model: sessions, databases naming a session, datasets
// naming a session and a database, and fields under their dataset.
class TTestSession : public TComponent {
  OV_CLASS(TTestSession, TComponent)
public:
  using TComponent::TComponent;
  std::string SessionName;
};
class TTestDatabase : public TComponent {
  OV_CLASS(TTestDatabase, TComponent)
public:
  using TComponent::TComponent;
  std::string SessionName, DatabaseName;
  void SetSessionName(const std::string& V) { SessionName = V; }
  const std::string& GetSessionName() const { return SessionName; }
};
class TTestDataSet : public TComponent {
  OV_CLASS(TTestDataSet, TComponent)
public:
  using TComponent::TComponent;
  std::string SessionName, DatabaseName;
  const std::string& GetSessionName() const { return SessionName; }
  void SetSessionName(const std::string& V) { SessionName = V; }
  const std::string& GetDatabaseName() const { return DatabaseName; }
  void SetDatabaseName(const std::string& V) { DatabaseName = V; }
};
class TTestQuery : public TTestDataSet {
  OV_CLASS(TTestQuery, TTestDataSet)
public:
  using TTestDataSet::TTestDataSet;
};
class TTestField : public TComponent {
  OV_CLASS(TTestField, TComponent)
public:
  using TComponent::TComponent;
  TTestDataSet* DataSet = nullptr;
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return DataSet; }
};

std::string SessionKey(const std::string& Name) {
  return Name.empty() || SameText(Name, "Default") ? "<Default>" : Name;
}

class TDefaultSessionSprig : public TTransientSprig {
  OV_CLASS(TDefaultSessionSprig, TTransientSprig)
public:
  using inherited::inherited;
  std::string UniqueName() override { return "<Default>"; }
};

class TSessionSprig : public TComponentSprig {
  OV_CLASS(TSessionSprig, TComponentSprig)
public:
  using inherited::inherited;
  std::string Name() override { return System::As<TTestSession>(Item())->SessionName; }
  bool AnyProblems() override { return Name().empty(); }
};

// Finds the session node for a name, making the default one when needed.
TSprig* SessionNode(TSprig* Self, const std::string& SessionName) {
  const std::string Key = SessionKey(SessionName);
  TSprig* S = Self->Root()->Find(Key, false);
  if (!S && Key == "<Default>")
    S = Self->Root()->Add(new TDefaultSessionSprig(nullptr));
  return S;
}

class TImpliedSprig : public TComponentSprig {
  OV_CLASS(TImpliedSprig, TComponentSprig)
public:
  using inherited::inherited;
  std::string SessionName, DatabaseName;
  std::string UniqueName() override { return "<Implied>." + DatabaseName; }
  bool Transient() override { return true; }
  std::string Caption() override { return CaptionFor(DatabaseName, "Unknown"); }
  bool DragOverTo(TSprig* Parent) override {
    return dynamic_cast<TSessionSprig*>(Parent) || dynamic_cast<TDefaultSessionSprig*>(Parent);
  }
  bool DragDropTo(TSprig* Parent) override {
    if (auto* S = dynamic_cast<TSessionSprig*>(Parent))
      SessionName = System::As<TTestSession>(S->Item())->SessionName;
    else
      SessionName.clear();
    ReparentChildren();
    return true;
  }
};

class TDatabaseSprig : public TComponentSprig {
  OV_CLASS(TDatabaseSprig, TComponentSprig)
public:
  using inherited::inherited;
  TTestDatabase* Db() { return System::As<TTestDatabase>(Item()); }
  std::string Name() override { return Db()->DatabaseName; }
  std::string Caption() override { return CaptionFor(Db()->DatabaseName, UniqueName()); }
  bool DragOverTo(TSprig* Parent) override {
    return dynamic_cast<TSessionSprig*>(Parent) || dynamic_cast<TDefaultSessionSprig*>(Parent);
  }
  bool PaletteOverTo(TSprig* Parent, System::TClass) override { return DragOverTo(Parent); }
  bool DragDropTo(TSprig* Parent) override {
    bool Changed = false;
    if (auto* S = dynamic_cast<TSessionSprig*>(Parent)) {
      const std::string Name = System::As<TTestSession>(S->Item())->SessionName;
      Changed = !SameText(Db()->SessionName, Name);
      if (Changed)
        Db()->SetSessionName(Name);
    }
    ReparentChildren();
    return Changed;
  }
  void FigureParent() override {
    if (TSprig* S = SessionNode(this, Db()->SessionName))
      S->Add(this);
  }
};

class TDataSetSprig : public TComponentSprig {
  OV_CLASS(TDataSetSprig, TComponentSprig)
public:
  using inherited::inherited;
  TTestDataSet* Ds() { return System::As<TTestDataSet>(Item()); }
  bool AnyProblems() override { return Ds()->DatabaseName.empty(); }
  bool DragOverTo(TSprig* Parent) override {
    return dynamic_cast<TDatabaseSprig*>(Parent) || dynamic_cast<TImpliedSprig*>(Parent);
  }
  bool PaletteOverTo(TSprig* Parent, System::TClass) override { return DragOverTo(Parent); }
  bool DragDropTo(TSprig* Parent) override {
    std::string Db, Session;
    if (auto* D = dynamic_cast<TDatabaseSprig*>(Parent)) {
      Db = D->Db()->DatabaseName;
      Session = D->Db()->SessionName;
    } else if (auto* I = dynamic_cast<TImpliedSprig*>(Parent)) {
      Db = I->DatabaseName;
      Session = I->SessionName;
    } else {
      return false;
    }
    const bool Changed = !SameText(Db, Ds()->DatabaseName) || !SameText(Session, Ds()->SessionName);
    if (Changed) {
      Ds()->SetDatabaseName(Db);
      Ds()->SetSessionName(Session);
    }
    return Changed;
  }
  void Reparent() override {
    if (auto* D = dynamic_cast<TDatabaseSprig*>(Parent()))
      Ds()->SetSessionName(D->Db()->SessionName);
    else if (auto* I = dynamic_cast<TImpliedSprig*>(Parent()))
      Ds()->SetSessionName(I->SessionName);
  }
  void FigureParent() override {
    TSprig* S = SessionNode(this, Ds()->SessionName);
    if (!S)
      return;
    TSprig* D = S->Find(Ds()->DatabaseName, false);
    if (!D)
      D = S->Find("<Implied>." + Ds()->DatabaseName, false);
    if (!D) {
      auto* I = new TImpliedSprig(nullptr);
      D = S->Add(I);
      I->DatabaseName = Ds()->DatabaseName;
      I->SessionName = Ds()->SessionName;
    }
    D->Add(this);
  }
};

class TQuerySprig : public TDataSetSprig {
  OV_CLASS(TQuerySprig, TDataSetSprig)
public:
  using inherited::inherited;
  std::string Caption() override { return CaptionFor("select...", UniqueName()); }
};

class Tree : public ::testing::Test {
protected:
  Tree() : Root(nullptr) {
    Root.SetName("DataModule1");
    Designer = TInterfaceRef<TDesigner>(new TDesigner(&Root));
    TreeIntf::RegisterSprigType(TTestSession::StaticClass(), TSessionSprig::StaticClass());
    TreeIntf::RegisterSprigType(TTestDatabase::StaticClass(), TDatabaseSprig::StaticClass());
    TreeIntf::RegisterSprigType(TTestDataSet::StaticClass(), TDataSetSprig::StaticClass());
    TreeIntf::RegisterSprigType(TTestQuery::StaticClass(), TQuerySprig::StaticClass());
  }
  template <class T> T* Make(const char* Name) {
    auto* C = new T(&Root);
    C->SetName(Name);
    return C;
  }
  TTestDatabase* Database(const char* Name, const char* Db, const char* Session) {
    auto* D = Make<TTestDatabase>(Name);
    D->DatabaseName = Db;
    D->SessionName = Session;
    return D;
  }
  template <class T = TTestDataSet>
  T* DataSet(const char* Name, const char* Db, const char* Session) {
    auto* D = Make<T>(Name);
    D->DatabaseName = Db;
    D->SessionName = Session;
    return D;
  }
  // "UniqueName[kind]" for each node, indented by level.
  std::string Dump(TRootSprig& T) {
    std::string R;
    for (TSprig* S : T.AllNodes())
      R += std::string(static_cast<size_t>(2 * S->Level()), ' ') + S->UniqueName() + "[" +
           S->ClassName() + (S->AnyProblems() ? ",problem" : "") + "]\n";
    return R;
  }

  EditorTest::TTestRegistrations Scope;
  EditorTest::TTestRoot Root;
  TInterfaceRef<TDesigner> Designer;
};

} // namespace

OV_CLASS_IMPL(TTestSession, TComponent, "SprigTreeTest")
OV_CLASS_BEGIN(TTestDatabase, TComponent, "SprigTreeTest")
B.Property("SessionName", &TTestDatabase::GetSessionName, &TTestDatabase::SetSessionName);
OV_CLASS_END
OV_CLASS_BEGIN(TTestDataSet, TComponent, "SprigTreeTest")
B.Property("DatabaseName", &TTestDataSet::GetDatabaseName, &TTestDataSet::SetDatabaseName);
B.Property("SessionName", &TTestDataSet::GetSessionName, &TTestDataSet::SetSessionName);
OV_CLASS_END
OV_CLASS_IMPL(TTestQuery, TTestDataSet, "SprigTreeTest")
OV_CLASS_IMPL(TTestField, TComponent, "SprigTreeTest")
OV_CLASS_IMPL(TDefaultSessionSprig, TTransientSprig, "SprigTreeTest")
OV_CLASS_IMPL(TSessionSprig, TComponentSprig, "SprigTreeTest")
OV_CLASS_IMPL(TImpliedSprig, TComponentSprig, "SprigTreeTest")
OV_CLASS_IMPL(TDatabaseSprig, TComponentSprig, "SprigTreeTest")
OV_CLASS_IMPL(TDataSetSprig, TComponentSprig, "SprigTreeTest")
OV_CLASS_IMPL(TQuerySprig, TDataSetSprig, "SprigTreeTest")

TEST(Sprig, CaptionForLeavesOutEmptyParts) {
  EXPECT_EQ(TSprig::CaptionFor("CUSTOMER", "OVTable1", "TOVTable"),
            "CUSTOMER (OVTable1): TOVTable");
  EXPECT_EQ(TSprig::CaptionFor("CUSTOMER", "OVTable1"), "CUSTOMER (OVTable1)");
  EXPECT_EQ(TSprig::CaptionFor("", "OVQuery1"), "OVQuery1");
  EXPECT_EQ(TSprig::CaptionFor("", "OVQuery1", "TOVQuery"), "OVQuery1: TOVQuery");
  EXPECT_EQ(TSprig::CaptionFor("DB", "", "TOVDatabase"), "DB: TOVDatabase");
  EXPECT_EQ(TSprig::CaptionFor("", "", "TOVSession"), "TOVSession");
  EXPECT_EQ(TSprig::CaptionFor(""), "");
}

TEST(Sprig, AddMovesNodesAndRefusesCycles) {
  TRootSprig Root(nullptr);
  TSprig* A = Root.Add(new TTransientSprig(nullptr));
  TSprig* B = Root.Add(new TTransientSprig(nullptr));
  TSprig* C = A->Add(new TTransientSprig(nullptr));
  EXPECT_EQ(C->Root(), &Root);
  B->Add(C);
  EXPECT_EQ(A->Count(), 0);
  EXPECT_EQ(C->Parent(), B);
  EXPECT_EQ(C->Index(), 0);
  EXPECT_THROW(C->Add(B), SysUtils::EInvalidOperation);
  EXPECT_THROW(B->Add(B), SysUtils::EInvalidOperation);
  EXPECT_EQ(C->Parent(), B);
  EXPECT_EQ(Root.Count(), 2);
}

TEST_F(Tree, NodesHangAsTheyAreWiredWhateverTheCreationOrder) {
  // Datasets first: their database node has not found its session yet when
  // they look for it.
  auto* Q = DataSet<TTestQuery>("Query1", "Sales", "Main");
  DataSet("Table1", "Sales", "MAIN");
  DataSet("Orphan", "Ghost", "Main");
  DataSet("Lost", "Sales", "NoSuchSession");
  Database("Db1", "Sales", "Main");
  Make<TTestSession>("Session1")->SessionName = "Main";
  auto* F = Make<TTestField>("Query1Id");
  F->DataSet = Q;
  Make<EditorTest::TGadget>("Gadget1");
  TRootSprig T(&Root, Designer.Get());
  T.Build();
  EXPECT_EQ(Dump(T), "DataModule1[TRootSprig]\n"
                     "  Session1[TSessionSprig]\n"
                     "    <Implied>.Ghost[TImpliedSprig]\n"
                     "      Orphan[TDataSetSprig]\n"
                     "    Db1[TDatabaseSprig]\n"
                     "      Query1[TQuerySprig]\n"
                     "        Query1Id[TComponentSprig]\n"
                     "      Table1[TDataSetSprig]\n"
                     "  Gadget1[TComponentSprig]\n"
                     "  Lost[TDataSetSprig]\n");
  EXPECT_EQ(T.FindNode("query1")->Caption(), "select... (Query1)");
  EXPECT_EQ(T.FindNode("Gadget1")->Caption(), "Gadget1: TGadget");
  EXPECT_EQ(T.FindNode("Db1")->Caption(), "Sales (Db1)");
  EXPECT_EQ(T.FindNode("<Implied>.Ghost")->Caption(), "Ghost (Unknown)");
  EXPECT_EQ(T.Caption(), "DataModule1: TTestRoot");
  EXPECT_EQ(T.FindItem(F)->Parent()->Item(), Q);
}

TEST_F(Tree, TransientParentsAreMadeOnceAndDroppedWhenEmpty) {
  DataSet("A", "X", "");
  DataSet("B", "x", "default");
  Database("Db1", "Y", "");
  DataSet("C", "", "");
  TRootSprig T(&Root, Designer.Get());
  T.Build();
  EXPECT_EQ(Dump(T), "DataModule1[TRootSprig]\n"
                     "  <Default>[TDefaultSessionSprig]\n"
                     "    <Implied>.X[TImpliedSprig]\n"
                     "      A[TDataSetSprig]\n"
                     "      B[TDataSetSprig]\n"
                     "    Db1[TDatabaseSprig]\n"
                     "    <Implied>.[TImpliedSprig]\n"
                     "      C[TDataSetSprig,problem]\n");
  EXPECT_TRUE(T.FindNode("<Default>")->Transient());
  EXPECT_EQ(T.FindNode("<Default>")->ItemClass(), nullptr);
  // Once a database answers, the implied node has nobody left and goes.
  Database("Db2", "X", "");
  T.Refresh();
  EXPECT_EQ(T.FindNode("<Implied>.X"), nullptr);
  EXPECT_EQ(T.FindNode("A")->Parent(), T.FindNode("Db2"));
}

TEST_F(Tree, ADragIsRefusedWhereTheNodeSaysNoAndReparentsWhereItSaysYes) {
  Make<TTestSession>("S1")->SessionName = "One";
  Make<TTestSession>("S2")->SessionName = "Two";
  auto* Db = Database("Db1", "Sales", "One");
  auto* Ds = DataSet("Table1", "Sales", "One");
  auto* Other = DataSet("Table2", "Stock", "Two");
  TRootSprig T(&Root, Designer.Get());
  T.Build();

  EXPECT_FALSE(T.CanDrop(T.FindNode("Table1"), T.FindNode("S2")));
  try {
    T.DragDrop(T.FindNode("Table1"), T.FindNode("S2"));
    FAIL() << "a dataset cannot go under a session";
  } catch (const SysUtils::EInvalidOperation& E) {
    EXPECT_EQ(E.Message(), "Table1: TTestDataSet cannot be dropped onto S2: TTestSession");
  }
  EXPECT_EQ(Designer->ModifiedCount(), 0);

  // The database moves to the other session, and its dataset follows.
  EXPECT_TRUE(T.DragDrop(T.FindNode("Db1"), T.FindNode("S2")));
  EXPECT_EQ(Db->SessionName, "Two");
  EXPECT_EQ(Ds->SessionName, "Two");
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  EXPECT_EQ(T.FindNode("Db1")->Parent(), T.FindNode("S2"));
  EXPECT_EQ(T.FindNode("Table1")->Parent(), T.FindNode("Db1"));

  // Dropping the implied node of Stock onto S1 moves the dataset under it.
  EXPECT_TRUE(T.DragDrop(T.FindNode("<Implied>.Stock"), T.FindNode("S1")));
  EXPECT_EQ(Other->SessionName, "One");
  EXPECT_EQ(Other->DatabaseName, "Stock");
  EXPECT_EQ(T.FindNode("Table2")->Parent()->Parent(), T.FindNode("S1"));
  EXPECT_EQ(Designer->ModifiedCount(), 2);
}

TEST_F(Tree, ADropThatReportsNoChangeButReparentedChildrenStillTellsTheDesigner) {
  Make<TTestSession>("S1")->SessionName = "One";
  Database("Db1", "Sales", "One");
  auto* Ds = DataSet("Table1", "Sales", "ONE");
  TRootSprig T(&Root, Designer.Get());
  T.Build();
  EXPECT_FALSE(T.DragDrop(T.FindNode("Db1"), T.FindNode("S1")));
  EXPECT_EQ(Ds->SessionName, "One");
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  EXPECT_FALSE(T.DragDrop(T.FindNode("Db1"), T.FindNode("S1")));
  EXPECT_EQ(Designer->ModifiedCount(), 1);
}

TEST_F(Tree, APaletteDropAsksThePrototypeThenCreatesAndDropsTheNewComponent) {
  Make<TTestSession>("S1")->SessionName = "One";
  Database("Db1", "Sales", "One");
  TRootSprig T(&Root, Designer.Get());
  T.Build();
  const int Before = Root.ComponentCount();
  EXPECT_THROW(T.PaletteDrop(TTestQuery::StaticClass(), T.FindNode("S1")),
               SysUtils::EInvalidOperation);
  EXPECT_EQ(Root.ComponentCount(), Before);
  EXPECT_THROW(T.PaletteDrop(TTestDatabase::StaticClass(), &T), SysUtils::EInvalidOperation);

  TComponent* C = T.PaletteDrop(TTestQuery::StaticClass(), T.FindNode("Db1"));
  auto* Q = System::As<TTestQuery>(C);
  EXPECT_EQ(Q->GetName(), "TestQuery1");
  EXPECT_EQ(Q->DatabaseName, "Sales");
  EXPECT_EQ(Q->SessionName, "One");
  EXPECT_EQ(T.FindNode("TestQuery1")->Parent(), T.FindNode("Db1"));
  EXPECT_GE(Designer->ModifiedCount(), 1);
  // Nodes without a registration may go under the root only.
  EXPECT_NE(T.PaletteDrop(EditorTest::TGadget::StaticClass(), &T), nullptr);
  EXPECT_THROW(T.PaletteDrop(EditorTest::TGadget::StaticClass(), T.FindNode("Db1")),
               SysUtils::EInvalidOperation);
}

TEST_F(Tree, SprigClassesTheHostCannotCreateAreRefused) {
  EXPECT_THROW(TRootSprig::CreateSprig(EditorTest::TGadget::StaticClass(), nullptr),
               SysUtils::EInvalidOperation);
  EXPECT_EQ(TRootSprig::SprigClassFor(TTestQuery::StaticClass()), TQuerySprig::StaticClass());
  EXPECT_EQ(TRootSprig::SprigClassFor(TTestField::StaticClass()), TComponentSprig::StaticClass());
}
