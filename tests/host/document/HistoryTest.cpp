// The design document's history: every kind of change undone and redone,
// checked by the design's text against the text before and after; deleted
// components coming back with the references to them; the names of entries;
// changes made outside the history.
#include "DocumentTestSupport.hpp"

#include "rtl/SysUtils.hpp"

using namespace DocumentTest;

TEST_F(Document, TheIssuesSequenceUndoesTheMoveAndNothingElse) {
  Open(Shop);
  TComponent* Query = nullptr;
  Doc->Change("Place OVQuery1", [&] {
    Query = Designer->CreateComponent(Classes::GetClass("TOVQuery"), nullptr, 300, 16, 0, 0);
  });
  ASSERT_EQ(Query->GetName(), "OVQuery1");
  Doc->Change("Set DatabaseName of OVQuery1", [&] { SetProp(Query, "DatabaseName", "shop"); });
  Doc->Change("Set TableName of Customers", [&] { SetProp(C("Customers"), "TableName", "city"); });
  EXPECT_EQ(Doc->Undo(), "Set TableName of Customers");
  EXPECT_EQ(GetProp(C("Customers"), "TableName"), "customer");
  const std::string BeforeMove = Doc->Text();
  Doc->Change("Move OVQuery1", [&] { C("OVQuery1")->SetDesignPosition(400, 120); });
  EXPECT_EQ(Doc->UndoCaption(), "Undo Move OVQuery1");
  EXPECT_EQ(Doc->Undo(), "Move OVQuery1");
  EXPECT_EQ(Doc->Text(), BeforeMove);
  EXPECT_EQ(C("OVQuery1")->DesignLeft(), 300);
  EXPECT_EQ(GetProp(C("OVQuery1"), "DatabaseName"), "shop");
  EXPECT_EQ(Doc->UndoCaption(), "Undo Set DatabaseName of OVQuery1");
  EXPECT_EQ(Doc->RedoCaption(), "Redo Move OVQuery1");
}

TEST_F(Document, EachKindOfChangeRoundTripsThroughUndoAndRedo) {
  Open(Shop);
  const std::string Original = Doc->Text();
  std::vector<std::string> Texts{Original};
  const auto Step = [&](const std::string& Name, const std::function<void()>& Action) {
    EXPECT_TRUE(Doc->Change(Name, Action)) << Name;
    Texts.push_back(Doc->Text());
  };
  Step("Place OVTable1",
       [&] { Designer->CreateComponent(Classes::GetClass("TOVTable"), nullptr, 24, 200, 0, 0); });
  Step("Move CustomerQuery", [&] { C("CustomerQuery")->SetDesignPosition(500, 300); });
  Step("Rename CustomerQuery", [&] { C("CustomerQuery")->SetName("OrderQuery"); });
  Step("Set SQL of OrderQuery", [&] { SetProp(C("OrderQuery"), "SQL", "select 1\nfrom x"); });
  Step("Resize DataModule1", [&] { SetProp(Doc->Root(), "Height", "600"); });
  Step("Delete 2 components", [&] {
    delete C("CustomerUpdate");
    delete C("Customers");
  });
  for (size_t I = Texts.size() - 1; I > 0; --I) {
    Doc->Undo();
    EXPECT_EQ(Doc->Text(), Texts[I - 1]) << "after undoing step " << I;
  }
  EXPECT_FALSE(Doc->CanUndo());
  EXPECT_EQ(Doc->Text(), Original);
  // The root's own property is back at its default, not only unwritten.
  EXPECT_EQ(GetProp(Doc->Root(), "Height"), "300");
  for (size_t I = 1; I < Texts.size(); ++I) {
    Doc->Redo();
    EXPECT_EQ(Doc->Text(), Texts[I]) << "after redoing step " << I;
  }
  EXPECT_FALSE(Doc->CanRedo());
  // Saved after the undos, the file is the file as it was.
  while (Doc->CanUndo())
    Doc->Undo();
  Doc->Save();
  EXPECT_EQ(TestSupport::ReadFile(Dir / "shop.dfm"), Opened);
}

TEST_F(Document, UndoingADeleteRestoresTheReferencesToTheDeletedComponents) {
  Open(Shop);
  Doc->Change("Delete 3 components", [&] {
    delete C("CustomerUpdate");
    delete C("CustomerSource");
    delete C("ShopDatabase");
  });
  EXPECT_EQ(GetProp(C("CustomerQuery"), "UpdateObject"), "");
  EXPECT_EQ(GetProp(C("Orders"), "MasterSource"), "");
  EXPECT_EQ(Doc->UndoCaption(), "Undo Delete 3 components");
  Doc->Undo();
  EXPECT_EQ(Doc->Text(), Opened);
  // The references lead to the components made anew.
  const auto Ref = [&](const char* Name, const char* Prop) {
    return TypInfo::GetObjectProp(C(Name), TypInfo::GetPropInfo(C(Name), Prop));
  };
  EXPECT_EQ(Ref("CustomerQuery", "UpdateObject"), C("CustomerUpdate"));
  EXPECT_EQ(Ref("Orders", "MasterSource"), C("CustomerSource"));
  EXPECT_EQ(Ref("CustomerSource", "DataSet"), C("Customers"));
  EXPECT_EQ(Doc->RedoCaption(), "Redo Delete 3 components");
  Doc->Redo();
  EXPECT_EQ(Designer->GetComponent("ShopDatabase"), nullptr);
  EXPECT_EQ(GetProp(C("CustomerQuery"), "UpdateObject"), "");
}

TEST_F(Document, TheSelectionFollowsUndoAndRedoByName) {
  Open(Shop);
  Doc->OnGetSelection = [&] {
    DesignDocument::TNames N;
    for (Classes::TPersistent* P : Designer->GetSelections())
      N.push_back(dynamic_cast<TComponent*>(P)->GetName());
    return N;
  };
  Doc->OnSetSelection = [&](const DesignDocument::TNames& Names) {
    std::vector<Classes::TPersistent*> S;
    for (const std::string& N : Names)
      if (TComponent* Found = Designer->GetComponent(N))
        S.push_back(Found);
    Designer->SetSelections(S);
  };
  Designer->SetSelections({C("Customers")});
  Doc->Change("Delete Customers", [&] { delete C("Customers"); });
  EXPECT_TRUE(Designer->GetSelections().empty());
  Doc->Undo();
  ASSERT_EQ(Designer->GetSelections().size(), 1u);
  EXPECT_EQ(Designer->GetSelections()[0], C("Customers"));
}

TEST_F(Document, AChangeThatChangesNothingLeavesNoEntryAndAFailedOneKeepsWhatItDid) {
  Open(Shop);
  EXPECT_FALSE(Doc->Change("Set Tag of Customers", [&] { SetProp(C("Customers"), "Tag", "0"); }));
  EXPECT_FALSE(Doc->CanUndo());
  EXPECT_EQ(Doc->UndoCaption(), "Undo");
  EXPECT_THROW(Doc->Change("Delete 2 components",
                           [&] {
                             delete C("CustomerUpdate");
                             throw SysUtils::EInvalidOperation("the second one is locked");
                           }),
               SysUtils::EInvalidOperation);
  ASSERT_TRUE(Doc->CanUndo());
  Doc->Undo();
  EXPECT_EQ(Doc->Text(), Opened);
  // Nothing left: a clear error, nothing changed.
  EXPECT_THROW(
      {
        try {
          Doc->Undo();
          Doc->Undo();
        } catch (const SysUtils::EInvalidOperation& E) {
          EXPECT_STREQ(E.what(), "Nothing to undo");
          throw;
        }
      },
      SysUtils::EInvalidOperation);
  Doc->Redo();
  EXPECT_THROW(Doc->Redo(), SysUtils::EInvalidOperation);
}

TEST_F(Document, ChangesOutsideTheHistoryAreNeverUndoneByMistake) {
  Open(Shop);
  Doc->Change("Move Customers", [&] { C("Customers")->SetDesignPosition(200, 200); });
  // Changed behind the history's back: undoing would lose it, so undo refuses.
  C("CustomerQuery")->SetDesignPosition(333, 333);
  const std::string Changed = Doc->Text();
  try {
    Doc->Undo();
    ADD_FAILURE() << "undo went on";
  } catch (const SysUtils::EInvalidOperation& E) {
    EXPECT_NE(std::string(E.what()).find("Move Customers"), std::string::npos) << E.what();
  }
  EXPECT_EQ(Doc->Text(), Changed);
  // The next change records it as an entry of its own first.
  Doc->Change("Move ShopDatabase", [&] { C("ShopDatabase")->SetDesignPosition(0, 400); });
  EXPECT_EQ(Doc->Undo(), "Move ShopDatabase");
  EXPECT_EQ(Doc->Undo(), "Change Made Elsewhere");
  EXPECT_EQ(C("CustomerQuery")->DesignLeft(), 120);
  EXPECT_EQ(C("Customers")->DesignLeft(), 200);
}

TEST_F(Document, TheHistoryIsBounded) {
  Open(Shop);
  for (int I = 0; I < static_cast<int>(DesignDocument::TDesignDocument::MaxHistoryEntries) + 5; ++I)
    Doc->Change("Move Customers", [&] { C("Customers")->SetDesignPosition(I, I + 1); });
  EXPECT_EQ(Doc->UndoList().size(), DesignDocument::TDesignDocument::MaxHistoryEntries);
  EXPECT_EQ(DesignDocument::TDesignDocument::ChangeName("Delete", {"A", "B", "C"}),
            "Delete 3 components");
  EXPECT_EQ(DesignDocument::TDesignDocument::ChangeName("Delete", {"A"}), "Delete A");
}
