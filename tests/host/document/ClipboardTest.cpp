// The clipboard form of components: copy writes them as the design file does,
// paste reads them back with free names, their references among themselves,
// free spots and one entry of the history; text that cannot be pasted changes
// nothing.
#include "DocumentTestSupport.hpp"

#include "designide/DesignIntf/DesignSpots.hpp"
#include "rtl/DfmStream.hpp"

using namespace DocumentTest;

namespace {

const std::string Empty = "object DataModule1: TDataModule\n"
                          "  OldCreateOrder = False\n"
                          "  Height = 300\n"
                          "  Width = 400\n"
                          "end\n";

bool Overlaps(TComponent* Root, TComponent* A) {
  for (int I = 0; I < Root->ComponentCount(); ++I) {
    TComponent* B = Root->Components(I);
    if (B != A && DesignIntf::DesignSpotsOverlap({A->DesignLeft(), A->DesignTop()},
                                                 {B->DesignLeft(), B->DesignTop()}))
      return true;
  }
  return false;
}

} // namespace

TEST_F(Document, CopyWritesTheComponentsAsTheDesignFileDoes) {
  Open(Shop);
  const std::string Text = Doc->CopyText({C("CustomerQuery"), C("CustomerUpdate")});
  const DfmText::TDfmObject Tree = DfmStream::Parse(Opened, "opened");
  EXPECT_EQ(Text, DfmStream::WriteText(Tree.Children[1]) + DfmStream::WriteText(Tree.Children[2]));
  EXPECT_EQ(Text.substr(0, 31), "object CustomerQuery: TOVQuery\n");
}

TEST_F(Document, PastedIntoTheSameDesignComponentsGetFreeNamesTheirOwnReferencesAndFreeSpots) {
  Open(Shop);
  const std::string Text = Doc->CopyText({C("CustomerQuery"), C("CustomerUpdate"), C("Orders")});
  const std::vector<TComponent*> Pasted = Doc->Paste(Text);
  ASSERT_EQ(Pasted.size(), 3u);
  EXPECT_EQ(Pasted[0]->GetName(), "CustomerQuery1");
  EXPECT_EQ(Pasted[1]->GetName(), "CustomerUpdate1");
  EXPECT_EQ(Pasted[2]->GetName(), "Orders1");
  // Among themselves to the copies, outside to the design's own.
  EXPECT_EQ(GetProp(Pasted[0], "UpdateObject"), "CustomerUpdate1");
  EXPECT_EQ(GetProp(C("CustomerQuery"), "UpdateObject"), "CustomerUpdate");
  EXPECT_EQ(GetProp(Pasted[2], "MasterSource"), "CustomerSource");
  for (TComponent* P : Pasted)
    EXPECT_FALSE(Overlaps(Doc->Root(), P)) << P->GetName();
  // A second paste counts on: OVQuery1 -> OVQuery2.
  Doc->Paste("object OVQuery1: TOVQuery\nend\nobject OVQuery2: TOVQuery\nend\n");
  Doc->Paste("object OVQuery1: TOVQuery\nend\n");
  EXPECT_NE(Designer->GetComponent("OVQuery3"), nullptr);
  // One entry per paste, named after what it pasted.
  EXPECT_EQ(Doc->UndoCaption(), "Undo Paste OVQuery3");
  Doc->Undo();
  Doc->Undo();
  EXPECT_EQ(Doc->UndoCaption(), "Undo Paste 3 components");
  Doc->Undo();
  EXPECT_EQ(Doc->Text(), Opened);
}

TEST_F(Document, CopyPasteIntoANewDocumentAndSaveGivesTheSameComponents) {
  Open(Shop);
  std::vector<TComponent*> All;
  for (int I = 0; I < Doc->Root()->ComponentCount(); ++I)
    All.push_back(Doc->Root()->Components(I));
  const std::string Text = Doc->CopyText(All);
  const std::string ShopText = Opened;
  Open(Empty, "new.dfm");
  EXPECT_EQ(Doc->Paste(Text).size(), All.size());
  Doc->Save();
  EXPECT_EQ(TestSupport::ReadFile(Dir / "new.dfm"), ShopText);
  // A whole form file pastes its components; a reference to a component
  // that is neither pasted nor in the design is dropped.
  Open(Empty, "other.dfm");
  Doc->Paste(Shop);
  EXPECT_EQ(Doc->Text(), ShopText);
  Open(Empty, "third.dfm");
  const std::vector<TComponent*> Query =
      Doc->Paste("object Q: TOVQuery\n  UpdateObject = Elsewhere\nend\n");
  ASSERT_EQ(Query.size(), 1u);
  EXPECT_EQ(GetProp(Query[0], "UpdateObject"), "");
}

TEST_F(Document, TextThatCannotBePastedGivesOneMessageAndChangesNothing) {
  Open(Shop);
  const auto Refused = [&](const std::string& Text) {
    try {
      Doc->Paste(Text);
    } catch (const std::exception& E) {
      EXPECT_EQ(Doc->Text(), Opened);
      EXPECT_FALSE(Doc->CanUndo());
      return std::string(E.what());
    }
    ADD_FAILURE() << "pasted: " << Text.substr(0, 80);
    return std::string();
  };
  EXPECT_EQ(Refused("hello world"),
            "the pasted text:1:1: 'object', 'inherited' or 'inline' expected but 'hello' found");
  EXPECT_EQ(Refused(""), "the pasted text:1:1: 'object', 'inherited' or 'inline' expected but "
                         "end of file found");
  EXPECT_EQ(Refused("object A: TOVQuery\nend\nobject B: TNoSuchThing\nend\n"),
            "the pasted text:3:1: Class TNoSuchThing not found");
  // A property the class does not have: nothing of the paste stays.
  EXPECT_NE(
      Refused("object A: TOVQuery\nend\nobject B: TOVQuery\n  Colour = 3\nend\n").find("Colour"),
      std::string::npos);
  EXPECT_NE(Refused("inherited A: TOVQuery\nend\n").find("only objects"), std::string::npos);
  std::string Deep;
  for (int I = 0; I < 300; ++I)
    Deep += "object A" + std::to_string(I) + ": TOVQuery\n";
  EXPECT_NE(Refused(Deep).find("nesting deeper"), std::string::npos);
  const std::string Huge = "object A: TOVQuery\n  DatabaseName = '" +
                           std::string(DesignDocument::TDesignDocument::MaxPasteBytes, 'x') +
                           "'\nend\n";
  EXPECT_NE(Refused(Huge).find("too large"), std::string::npos);
  // A 10 MB string within the limit is pasted whole.
  const std::string Big = std::string(10 << 20, 'y');
  const std::vector<TComponent*> Pasted =
      Doc->Paste("object A: TOVQuery\n  DatabaseName = '" + Big + "'\nend\n");
  EXPECT_EQ(GetProp(Pasted.at(0), "DatabaseName"), Big);
}
