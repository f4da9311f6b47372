// The object tree of the package's components, built by the host's tree
// model from the registered node classes: parents, captions, problem marks,
// transient nodes, and every drag and palette drop rule.
#include "designide/TreeIntf/Sprigs.hpp"
#include "dclorvane60/InspectorTestSupport.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace InspectorTest;
using namespace OVReg;
using TreeIntf::TRootSprig;
using TreeIntf::TSprig;

namespace {

class SprigsTest : public TPackageTest {
protected:
  void SetUp() override {
    TPackageTest::SetUp();
    Start();
    NewDesign();
  }
  void TearDown() override {
    Tree.reset();
    TPackageTest::TearDown();
  }

  TRootSprig& Build() {
    Tree = std::make_unique<TRootSprig>(Root.get(), Designer.Get());
    Tree->Build();
    return *Tree;
  }
  // The tree as indented captions, siblings sorted (the order of siblings
  // is the host's business), a problem marked with "!" and a transient node
  // with "~".
  std::string Outline() { return OutlineOf(Tree.get(), 0); }
  static std::string OutlineOf(TSprig* S, int Level) {
    std::vector<std::string> Children;
    for (int I = 0; I < S->Count(); ++I)
      Children.push_back(OutlineOf(S->Items(I), Level + 1));
    std::sort(Children.begin(), Children.end());
    std::string R;
    if (Level > 0) {
      R = std::string(static_cast<size_t>(Level - 1) * 2, ' ') + S->Caption();
      if (S->AnyProblems())
        R += " !";
      if (S->Transient())
        R += " ~";
      R += "\n";
    }
    for (const std::string& C : Children)
      R += C;
    return R;
  }
  TSprig* Node(const std::string& Key) {
    TSprig* S = Tree->FindNode(Key);
    EXPECT_NE(S, nullptr) << Key;
    return S;
  }
  // The node's parent as a person would name it.
  std::string ParentOf(const std::string& Key) {
    TSprig* P = Node(Key)->Parent();
    if (!P)
      return "(none)";
    if (P == Tree.get())
      return "(root)";
    return P->Item() ? P->Item()->GetName() : P->UniqueName();
  }

  std::unique_ptr<TRootSprig> Tree;
};

} // namespace

TEST_F(SprigsTest, NodeKeysNameTheDefaultSessionAndImpliedDatabases) {
  EXPECT_EQ(SessionNodeKey(""), "<DefaultSession>");
  EXPECT_EQ(SessionNodeKey(Session()->GetSessionName()), "<DefaultSession>");
  EXPECT_EQ(SessionNodeKey("dEFAULT"), "<DefaultSession>");
  EXPECT_EQ(SessionNodeKey("Sales"), "Sales");
  EXPECT_EQ(ImpliedDatabaseNodeKey("Shop"), "<ImpliedDatabase>.Shop");
  EXPECT_EQ(ImpliedDatabaseNodeKey(""), "<ImpliedDatabase>.");
}

TEST_F(SprigsTest, SessionsDatabasesAndDatasetsHangWhereTheyAreWired) {
  // Created children first: the tree must not depend on creation order.
  auto* Table = AddDataSet<TOVTable>("OVTable1", "Shop", "TreeSales");
  Table->SetTableName("CUSTOMER");
  auto* Proc = AddDataSet<TOVStoredProc>("OVStoredProc1", "Shop", "treesales");
  Proc->SetStoredProcName("ADD_ORDER");
  auto* Db = AddDatabase("OVDatabase1", "Shop", "TreeSales");
  Db->SetServerType(TOVServerType::stPostgreSQL);
  Db->SetRemoteDatabase("host=db1 dbname=shop");
  AddSession("OVSession1", "TreeSales");
  auto* Q = AddDataSet<TOVQuery>("OVQuery1", "Shop", "TreeSales");
  Q->GetSQL()->SetText("select *\nfrom CUSTOMER\nwhere 1 = 1");
  auto* Update = Add<TOVUpdateSQL>("OVUpdateSQL1");
  Update->GetModifySQL()->SetText("update CUSTOMER set NAME = :NAME");

  Build();
  EXPECT_EQ(Outline(), "OVUpdateSQL1: TOVUpdateSQL\n"
                       "TreeSales (OVSession1): TOVSession\n"
                       "  PostgreSQL | host=db1 dbname=shop (OVDatabase1): TOVDatabase\n"
                       "    ADD_ORDER (OVStoredProc1)\n"
                       "    CUSTOMER (OVTable1)\n"
                       "    select *... (OVQuery1)\n")
      << Outline();
  EXPECT_EQ(Node("OVSession1")->Name(), "TreeSales");
  EXPECT_EQ(Node("OVDatabase1")->Name(), "Shop");
  EXPECT_EQ(Node("OVTable1")->Name(), "OVTable1");
}

TEST_F(SprigsTest, TheDefaultSessionNodeIsMadeOnceForEveryWayOfNamingIt) {
  auto* Db1 = AddDatabase("OVDatabase1", "One", "");
  AddDatabase("OVDatabase2", "Two", "dEfAuLt");
  Build();
  EXPECT_EQ(Outline(), "Default (OVSession): TOVSession ~\n"
                       "  SQLite | <UnknownDatabase> (OVDatabase1): TOVDatabase\n"
                       "  SQLite | <UnknownDatabase> (OVDatabase2): TOVDatabase\n")
      << Outline();
  TSprig* Default = Node("<DefaultSession>");
  EXPECT_EQ(Default->UniqueName(), "<DefaultSession>");
  EXPECT_EQ(Default->ItemClass(), TOVSession::StaticClass());
  EXPECT_EQ(Default->Item(), nullptr);
  Db1->SetRemoteDatabase("/data/one.db");
  EXPECT_EQ(Node("OVDatabase1")->Caption(), "SQLite | /data/one.db (OVDatabase1): TOVDatabase");
}

TEST_F(SprigsTest, DatasetsOfAnUnknownDatabaseShareOneImpliedNode) {
  AddSession("OVSession1", "TreeImplied");
  auto* T1 = AddDataSet<TOVTable>("OVTable1", "Stock", "TreeImplied");
  T1->SetTableName("ITEMS");
  auto* T2 = AddDataSet<TOVTable>("OVTable2", "STOCK", "treeimplied");
  T2->SetTableName("PARTS");
  AddDataSet<TOVQuery>("OVQuery1", "", "TreeImplied");
  Build();
  EXPECT_EQ(Outline(), "TreeImplied (OVSession1): TOVSession\n"
                       "  Stock (Unknown) ~\n"
                       "    ITEMS (OVTable1)\n"
                       "    PARTS (OVTable2)\n"
                       "  Unknown ! ~\n"
                       "    OVQuery1 !\n")
      << Outline();
  auto* Implied = dynamic_cast<TOVImpliedDatabaseSprig*>(Node("<ImpliedDatabase>.Stock"));
  ASSERT_NE(Implied, nullptr);
  EXPECT_EQ(Implied->DatabaseName, "Stock");
  EXPECT_EQ(Implied->SessionName, "TreeImplied");
  EXPECT_EQ(Implied->ItemClass(), TOVDatabase::StaticClass());
  EXPECT_EQ(ParentOf("OVQuery1"), "<ImpliedDatabase>.");
}

TEST_F(SprigsTest, ADatabaseNodeWinsOverAnImpliedOneOfTheSameName) {
  AddSession("OVSession1", "TreeWins");
  AddDataSet<TOVTable>("OVTable1", "shop", "TreeWins")->SetTableName("A");
  AddDatabase("OVDatabase1", "Shop", "TreeWins");
  Build();
  EXPECT_EQ(ParentOf("OVTable1"), "OVDatabase1");
  EXPECT_EQ(Tree->FindNode("<ImpliedDatabase>.shop"), nullptr);
}

TEST_F(SprigsTest, ComponentsOfASessionThatIsNotInTheDesignFindNoParent) {
  AddDatabase("OVDatabase1", "Shop", "Elsewhere");
  AddDataSet<TOVTable>("OVTable1", "Shop", "Elsewhere")->SetTableName("A");
  Build();
  // The host puts what found no parent under the root; no implied node.
  EXPECT_EQ(Outline(), "A (OVTable1)\n"
                       "SQLite | <UnknownDatabase> (OVDatabase1): TOVDatabase\n")
      << Outline();
  EXPECT_EQ(Tree->FindNode("<ImpliedDatabase>.Shop"), nullptr);
}

TEST_F(SprigsTest, EmptyKeyPropertiesAreProblems) {
  AddSession("OVSession1", "TreeProblems");
  AddSession("OVSession2", "");
  AddDatabase("OVDatabase1", "", "TreeProblems");
  AddDatabase("OVDatabase2", "Shop", "TreeProblems");
  AddDataSet<TOVTable>("OVTable1", "Shop", "TreeProblems");
  AddDataSet<TOVStoredProc>("OVStoredProc1", "Shop", "TreeProblems");
  AddDataSet<TOVQuery>("OVQuery1", "Shop", "TreeProblems");
  auto* Q2 = AddDataSet<TOVQuery>("OVQuery2", "Shop", "TreeProblems");
  Q2->GetSQL()->SetText("select 1");
  auto* OnlyRefresh = Add<TOVUpdateSQL>("OVUpdateSQL1");
  OnlyRefresh->GetRefreshSQL()->SetText("select 1");
  auto* OnlyDelete = Add<TOVUpdateSQL>("OVUpdateSQL2");
  OnlyDelete->GetDeleteSQL()->SetText("delete from T");
  Build();
  EXPECT_FALSE(Node("OVSession1")->AnyProblems());
  EXPECT_TRUE(Node("OVSession2")->AnyProblems());
  EXPECT_TRUE(Node("OVDatabase1")->AnyProblems());
  EXPECT_FALSE(Node("OVDatabase2")->AnyProblems());
  EXPECT_TRUE(Node("OVTable1")->AnyProblems());
  EXPECT_TRUE(Node("OVStoredProc1")->AnyProblems());
  EXPECT_TRUE(Node("OVQuery1")->AnyProblems());
  EXPECT_FALSE(Node("OVQuery2")->AnyProblems());
  EXPECT_TRUE(Node("OVUpdateSQL1")->AnyProblems());
  EXPECT_FALSE(Node("OVUpdateSQL2")->AnyProblems());
  // Query captions: no line, one line, and the first of several with "...".
  EXPECT_EQ(Node("OVQuery1")->Caption(), "OVQuery1");
  EXPECT_EQ(Node("OVQuery2")->Caption(), "select 1 (OVQuery2)");
  Q2->GetSQL()->SetText("  select A\n,B\nfrom T");
  EXPECT_EQ(Node("OVQuery2")->Caption(), "  select A... (OVQuery2)");
}

TEST_F(SprigsTest, DatabasesGoOnlyToSessionsWithANameOrTheDefaultSession) {
  AddSession("OVSession1", "TreeDragA");
  AddSession("OVSession2", "");
  AddDatabase("OVDatabase1", "Shop", "TreeDragA");
  AddDatabase("OVDatabase2", "Other", "");
  AddDataSet<TOVTable>("OVTable1", "Gone", "TreeDragA");
  Build();
  TSprig* Db = Node("OVDatabase1");
  EXPECT_TRUE(Tree->CanDrop(Db, Node("<DefaultSession>")));
  EXPECT_TRUE(Tree->CanDrop(Db, Node("OVSession1")));
  EXPECT_FALSE(Tree->CanDrop(Db, Node("OVSession2")));
  EXPECT_FALSE(Tree->CanDrop(Db, Node("OVDatabase2")));
  EXPECT_FALSE(Tree->CanDrop(Db, Tree.get()));
  TSprig* Implied = Node("<ImpliedDatabase>.Gone");
  EXPECT_TRUE(Tree->CanDrop(Implied, Node("OVSession2")));
  EXPECT_TRUE(Tree->CanDrop(Implied, Node("<DefaultSession>")));
  EXPECT_FALSE(Tree->CanDrop(Implied, Node("OVDatabase2")));
  TSprig* Table = Node("OVTable1");
  EXPECT_TRUE(Tree->CanDrop(Table, Node("OVDatabase2")));
  EXPECT_TRUE(Tree->CanDrop(Table, Implied));
  EXPECT_FALSE(Tree->CanDrop(Table, Node("OVSession1")));
  // The session and update object nodes keep the host's rules.
  EXPECT_FALSE(Tree->CanDrop(Node("OVSession1"), Node("OVSession2")));

  // A refused drop says so and changes nothing.
  const std::string E = ErrorOf([&] { Tree->DragDrop(Db, Node("OVSession2")); });
  EXPECT_NE(E.find("cannot be dropped onto"), std::string::npos) << E;
  EXPECT_EQ(Designer->ModifiedCount(), 0);
}

TEST_F(SprigsTest, DatasetsGoOnlyToNamedDatabasesOrImpliedOnes) {
  AddSession("OVSession1", "TreeDragB");
  AddDatabase("OVDatabase1", "", "TreeDragB");
  AddDatabase("OVDatabase2", "Shop", "TreeDragB");
  AddDataSet<TOVQuery>("OVQuery1", "Shop", "TreeDragB");
  Build();
  EXPECT_FALSE(Tree->CanDrop(Node("OVQuery1"), Node("OVDatabase1")));
  EXPECT_TRUE(Tree->CanDrop(Node("OVQuery1"), Node("OVDatabase2")));
}

TEST_F(SprigsTest, DroppingADatabaseMovesItAndItsDatasetsToTheSession) {
  AddSession("OVSession1", "TreeMoveA");
  AddSession("OVSession2", "TreeMoveB");
  auto* Db = AddDatabase("OVDatabase1", "Shop", "TreeMoveA");
  auto* Q = AddDataSet<TOVQuery>("OVQuery1", "Shop", "TreeMoveA");
  auto* T = AddDataSet<TOVTable>("OVTable1", "Shop", "treemovea");
  Build();
  EXPECT_TRUE(Tree->DragDrop(Node("OVDatabase1"), Node("OVSession2")));
  EXPECT_EQ(Db->GetSessionName(), "TreeMoveB");
  EXPECT_EQ(Q->GetSessionName(), "TreeMoveB");
  EXPECT_EQ(T->GetSessionName(), "TreeMoveB");
  EXPECT_EQ(Q->GetDatabaseName(), "Shop");
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  // The tree was built again: everything hangs under the new session.
  EXPECT_EQ(ParentOf("OVDatabase1"), "OVSession2");
  EXPECT_EQ(ParentOf("OVQuery1"), "OVDatabase1");

  // Onto the default session: the session name is emptied.
  AddDatabase("OVDatabase2", "Spare", "");
  Build();
  EXPECT_TRUE(Tree->DragDrop(Node("OVDatabase1"), Node("<DefaultSession>")));
  EXPECT_EQ(Db->GetSessionName(), "");
  EXPECT_EQ(Q->GetSessionName(), "");
  EXPECT_EQ(ParentOf("OVQuery1"), "OVDatabase1");
  EXPECT_EQ(ParentOf("OVDatabase1"), "<DefaultSession>");
}

TEST_F(SprigsTest, ADropOntoTheSessionAlreadyNamedChangesNothingButStillRewiresChildren) {
  AddSession("OVSession1", "TreeSame");
  auto* Db = AddDatabase("OVDatabase1", "Shop", "treesame");
  auto* Q = AddDataSet<TOVQuery>("OVQuery1", "Shop", "TreeSame");
  Build();
  // The dataset's session changes behind the tree's back; the drop brings
  // it in line with its database again.
  Q->SetSessionName("stale");
  EXPECT_FALSE(Tree->DragDrop(Node("OVDatabase1"), Node("OVSession1")));
  EXPECT_EQ(Db->GetSessionName(), "treesame");
  EXPECT_EQ(Q->GetSessionName(), "treesame");
  // The dataset's change reached the designer although the drop reports none.
  EXPECT_EQ(Designer->ModifiedCount(), 1);

  // A database of the default session dropped onto the default session.
  auto* Db2 = AddDatabase("OVDatabase2", "Other", "DEFAULT");
  Build();
  EXPECT_FALSE(Tree->DragDrop(Node("OVDatabase2"), Node("<DefaultSession>")));
  EXPECT_EQ(Db2->GetSessionName(), "DEFAULT");
}

TEST_F(SprigsTest, DraggingAnImpliedDatabaseMovesItsDatasetsToTheSession) {
  AddSession("OVSession1", "TreeImplA");
  AddSession("OVSession2", "TreeImplB");
  AddDatabase("OVDatabase1", "Spare", "");
  auto* T1 = AddDataSet<TOVTable>("OVTable1", "Stock", "TreeImplA");
  auto* T2 = AddDataSet<TOVTable>("OVTable2", "Stock", "TreeImplA");
  Build();
  EXPECT_TRUE(Tree->DragDrop(Node("<ImpliedDatabase>.Stock"), Node("OVSession2")));
  EXPECT_EQ(T1->GetSessionName(), "TreeImplB");
  EXPECT_EQ(T2->GetSessionName(), "TreeImplB");
  EXPECT_EQ(T1->GetDatabaseName(), "Stock");
  EXPECT_EQ(ParentOf("OVTable1"), "<ImpliedDatabase>.Stock");
  EXPECT_EQ(Node("<ImpliedDatabase>.Stock")->Parent(), Node("OVSession2"));
  EXPECT_EQ(Designer->ModifiedCount(), 1);

  // To the default session and back onto the same session in other case.
  EXPECT_TRUE(Tree->DragDrop(Node("<ImpliedDatabase>.Stock"), Node("<DefaultSession>")));
  EXPECT_EQ(T1->GetSessionName(), "");
  auto* Implied = dynamic_cast<TOVImpliedDatabaseSprig*>(Node("<ImpliedDatabase>.Stock"));
  ASSERT_NE(Implied, nullptr);
  EXPECT_FALSE(Implied->DragDropTo(Node("<DefaultSession>")));
}

TEST_F(SprigsTest, DroppingADatasetRenamesItsDatabaseAndSession) {
  AddSession("OVSession1", "TreeDsA");
  AddSession("OVSession2", "TreeDsB");
  AddDatabase("OVDatabase1", "Shop", "TreeDsA");
  AddDatabase("OVDatabase2", "Stock", "TreeDsB");
  auto* Q = AddDataSet<TOVQuery>("OVQuery1", "Shop", "TreeDsA");
  auto* T = AddDataSet<TOVTable>("OVTable1", "Parts", "TreeDsB");
  Build();
  EXPECT_TRUE(Tree->DragDrop(Node("OVQuery1"), Node("OVDatabase2")));
  EXPECT_EQ(Q->GetDatabaseName(), "Stock");
  EXPECT_EQ(Q->GetSessionName(), "TreeDsB");
  EXPECT_EQ(ParentOf("OVQuery1"), "OVDatabase2");

  // Onto an implied database: its two names.
  EXPECT_TRUE(Tree->DragDrop(Node("OVQuery1"), Node("<ImpliedDatabase>.Parts")));
  EXPECT_EQ(Q->GetDatabaseName(), "Parts");
  EXPECT_EQ(Q->GetSessionName(), "TreeDsB");
  EXPECT_EQ(ParentOf("OVQuery1"), "<ImpliedDatabase>.Parts");
  EXPECT_EQ(ParentOf("OVTable1"), "<ImpliedDatabase>.Parts");

  // Names that are equal but for case change nothing: no setter runs.
  T->SetDatabaseName("stock");
  T->SetSessionName("treedsb");
  Build();
  const int Before = Designer->ModifiedCount();
  EXPECT_FALSE(Tree->DragDrop(Node("OVTable1"), Node("OVDatabase2")));
  EXPECT_EQ(T->GetDatabaseName(), "stock");
  EXPECT_EQ(T->GetSessionName(), "treedsb");
  EXPECT_EQ(Designer->ModifiedCount(), Before);
}

TEST_F(SprigsTest, ADatasetThatRefusesItsNewDatabaseKeepsItsSession) {
  TestSupport::TTempDir Dir;
  AddSession("OVSession1", "TreeOpen");
  auto* Db = AddDatabase("OVDatabase1", "Shop", "TreeOpen");
  Db->SetRemoteDatabase(Dir / "shop.db");
  Db->GetParams()->SetValue("CREATE", "TRUE");
  Db->SetConnected(true);
  Db->Execute("create table T (A integer)");
  AddDatabase("OVDatabase2", "Stock", "");
  auto* Q = AddDataSet<TOVQuery>("OVQuery1", "Shop", "TreeOpen");
  Q->GetSQL()->SetText("select * from T");
  Q->Open();
  Build();
  const std::string E = ErrorOf([&] { Tree->DragDrop(Node("OVQuery1"), Node("OVDatabase2")); });
  EXPECT_NE(E, "(no error)");
  EXPECT_EQ(Q->GetDatabaseName(), "Shop");
  EXPECT_EQ(Q->GetSessionName(), "TreeOpen");
  EXPECT_EQ(Designer->ModifiedCount(), 0);
  EXPECT_EQ(ParentOf("OVQuery1"), "OVDatabase1");
}

TEST_F(SprigsTest, PaletteDropsFollowTheDragRulesAndWireTheNewComponent) {
  AddSession("OVSession1", "TreePlace");
  AddSession("OVSession2", "");
  AddDatabase("OVDatabase1", "Shop", "TreePlace");
  AddDatabase("OVDatabase2", "", "TreePlace");
  Build();
  auto* Q = System::As<TOVQuery>(Tree->PaletteDrop(TOVQuery::StaticClass(), Node("OVDatabase1")));
  EXPECT_EQ(Q->GetName(), "OVQuery1");
  EXPECT_EQ(Q->GetDatabaseName(), "Shop");
  EXPECT_EQ(Q->GetSessionName(), "TreePlace");
  EXPECT_EQ(ParentOf("OVQuery1"), "OVDatabase1");

  auto* Db =
      System::As<TOVDatabase>(Tree->PaletteDrop(TOVDatabase::StaticClass(), Node("OVSession1")));
  EXPECT_EQ(Db->GetSessionName(), "TreePlace");

  const int Components = Root->ComponentCount();
  for (auto [Class, Target] : std::vector<std::pair<System::TClass, std::string>>{
           {TOVTable::StaticClass(), "OVDatabase2"},
           {TOVTable::StaticClass(), "OVSession1"},
           {TOVDatabase::StaticClass(), "OVSession2"},
           {TOVDatabase::StaticClass(), "OVDatabase1"}}) {
    const std::string E = ErrorOf([&] { Tree->PaletteDrop(Class, Node(Target)); });
    EXPECT_NE(E.find("cannot be placed under"), std::string::npos) << Class->Name << " " << E;
  }
  EXPECT_EQ(Root->ComponentCount(), Components);
  // An implied database takes no new component; the root takes sessions.
  AddDataSet<TOVTable>("OVTable9", "Nowhere", "TreePlace");
  Build();
  EXPECT_TRUE(Tree->CanDrop(Node("OVTable9"), Node("<ImpliedDatabase>.Nowhere")));
  auto Proto = TRootSprig::CreateSprig(TOVImpliedDatabaseSprig::StaticClass(), nullptr);
  EXPECT_FALSE(Proto->PaletteOverTo(Node("OVSession1"), TOVDatabase::StaticClass()));
  auto* S = Tree->PaletteDrop(TOVSession::StaticClass(), Tree.get());
  EXPECT_EQ(S->ClassType(), TOVSession::StaticClass());
}

TEST_F(SprigsTest, TheRegisteredNodeClassesServeDescendantsToo) {
  EXPECT_EQ(TRootSprig::SprigClassFor(TOVSession::StaticClass()), TOVSessionSprig::StaticClass());
  EXPECT_EQ(TRootSprig::SprigClassFor(TOVDatabase::StaticClass()), TOVDatabaseSprig::StaticClass());
  EXPECT_EQ(TRootSprig::SprigClassFor(TOVMacroQuery::StaticClass()), TOVQuerySprig::StaticClass());
  EXPECT_EQ(TRootSprig::SprigClassFor(TOVTable::StaticClass()), TOVTableSprig::StaticClass());
  EXPECT_EQ(TRootSprig::SprigClassFor(TOVStoredProc::StaticClass()),
            TOVStoredProcSprig::StaticClass());
  EXPECT_EQ(TRootSprig::SprigClassFor(TOVUpdateSQL::StaticClass()),
            TOVUpdateSQLSprig::StaticClass());
  std::vector<std::string> Calls;
  for (const auto& C : DesignRegistry::RegistrationLog(PackageName))
    if (C.Call == "RegisterSprigType")
      Calls.push_back(C.Text());
  EXPECT_EQ(Calls, (std::vector<std::string>{"RegisterSprigType TOVSession TOVSessionSprig",
                                             "RegisterSprigType TOVDatabase TOVDatabaseSprig",
                                             "RegisterSprigType TOVDataSet TOVDataSetSprig",
                                             "RegisterSprigType TOVTable TOVTableSprig",
                                             "RegisterSprigType TOVQuery TOVQuerySprig",
                                             "RegisterSprigType TOVStoredProc TOVStoredProcSprig",
                                             "RegisterSprigType TOVUpdateSQL TOVUpdateSQLSprig"}));
}
