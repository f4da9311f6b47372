// String lists: name=value lines, case-insensitive lookups, text, sorting.
#include "rtl/Classes.hpp"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace Classes;

TEST(Strings, NamesAndValuesUseTheFirstEqualsSign) {
  TStringList L;
  L.SetText("USER NAME=sa\nPASSWORD=a=b\nplain\nuser name=other\n");
  EXPECT_EQ(L.Count(), 4);
  EXPECT_EQ(L.Names(1), "PASSWORD");
  EXPECT_EQ(L.ValueFromIndex(1), "a=b");
  EXPECT_EQ(L.Names(2), "");
  EXPECT_EQ(L.Values("User Name"), "sa"); // the first line of that name, any case
  EXPECT_EQ(L.IndexOfName("user NAME"), 0);
  EXPECT_EQ(L.Values("missing"), "");
  L.SetValue("password", "x");
  EXPECT_EQ(L.Get(1), "password=x");
  L.SetValue("NEW", "1");
  EXPECT_EQ(L.Get(4), "NEW=1");
  L.SetValue("new", "");
  EXPECT_EQ(L.Count(), 4);
}

TEST(Strings, IndexOfIgnoresCaseUnlessAskedNot) {
  TStringList L;
  L.Add("Alpha");
  L.Add("beta");
  EXPECT_EQ(L.IndexOf("ALPHA"), 0);
  EXPECT_EQ(L.IndexOf("gamma"), -1);
  L.SetCaseSensitive(true);
  EXPECT_EQ(L.IndexOf("ALPHA"), -1);
}

TEST(Strings, TextSplitsAnyLineBreakAndSavesWithTrailingBreak) {
  TStringList L;
  L.SetText("a\r\nb\rc\n\nd");
  EXPECT_EQ(L.ToVector(), (std::vector<std::string>{"a", "b", "c", "", "d"}));
  EXPECT_EQ(L.GetText(), "a\nb\nc\n\nd\n");
  L.SetText("");
  EXPECT_EQ(L.Count(), 0);
  TStringStream S;
  L.SaveToStream(&S);
  EXPECT_EQ(S.DataString(), "");
  L.Add("select *");
  L.Add("from T");
  L.SaveToStream(&S);
  EXPECT_EQ(S.DataString(), "select *\nfrom T\n");
}

TEST(Strings, CommaTextQuotesWhatNeedsIt) {
  TStringList L;
  L.Add("a");
  L.Add("b c");
  L.Add("");
  L.Add("say \"hi\"");
  EXPECT_EQ(L.GetCommaText(), "a,\"b c\",\"\",\"say \"\"hi\"\"\"");
  TStringList M;
  M.SetCommaText(L.GetCommaText());
  EXPECT_TRUE(M.Equals(&L));
}

TEST(Strings, AssignCopiesLinesAndObjects) {
  TStringList A, B;
  System::TObject Tag;
  A.AddObject("x", &Tag);
  A.Add("y");
  B.Add("old");
  B.Assign(&A);
  EXPECT_TRUE(B.Equals(&A));
  EXPECT_EQ(B.GetObject(0), &Tag);
  TComponent C(nullptr);
  EXPECT_THROW(B.Assign(&C), SysUtils::EConvertError);
  // One change notice for the whole copy, none of the lines half copied;
  // a list cleared and filled again holds only the new lines.
  int Changes = 0;
  B.OnChange = [&](System::TObject*) {
    ++Changes;
    EXPECT_EQ(B.Count(), 3);
  };
  TStringList Longer;
  Longer.SetText("a line longer than the small-string room\nb\nc");
  B.Assign(&Longer);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(B.ToVector(), Longer.ToVector());
  EXPECT_EQ(B.GetObject(0), nullptr);
  B.OnChange = nullptr;
  B.Clear();
  B.Add("only");
  EXPECT_EQ(B.ToVector(), std::vector<std::string>{"only"});
  // A sorted list sorts and drops duplicates of what it is given.
  TStringList Sorted;
  Sorted.SetSorted(true);
  Longer.Add("B");
  Sorted.Assign(&Longer);
  EXPECT_EQ(Sorted.ToVector(),
            (std::vector<std::string>{"a line longer than the small-string room", "b", "c"}));
  Longer.Assign(&Sorted);
  EXPECT_EQ(Longer.Count(), 3);
}

// Taking the lines of another list leaves what Assign then Clear leave,
// each list told once of its change; a sorted list still sorts.
TEST(Strings, TakeLinesMovesLinesAndEmptiesTheSource) {
  TStringList From, To;
  System::TObject Tag;
  From.AddObject("a line longer than the small-string room", &Tag);
  From.Add("b");
  To.Add("old");
  int FromChanging = 0, FromChanged = 0, ToChanged = 0;
  From.OnChanging = [&](System::TObject*) {
    ++FromChanging;
    EXPECT_EQ(From.Count(), 2); // told before it changes
  };
  From.OnChange = [&](System::TObject*) {
    ++FromChanged;
    EXPECT_EQ(From.Count(), 0);
  };
  To.OnChange = [&](System::TObject*) {
    ++ToChanged;
    EXPECT_EQ(To.Count(), 2);
  };
  To.TakeLines(From);
  EXPECT_EQ(To.ToVector(),
            (std::vector<std::string>{"a line longer than the small-string room", "b"}));
  EXPECT_EQ(To.GetObject(0), &Tag);
  EXPECT_EQ(From.Count(), 0);
  EXPECT_EQ(FromChanging, 1);
  EXPECT_EQ(FromChanged, 1);
  EXPECT_EQ(ToChanged, 1);
  // An empty source empties the list and is not told of anything.
  To.OnChange = [&](System::TObject*) {
    ++ToChanged;
    EXPECT_EQ(To.Count(), 0);
  };
  To.TakeLines(From);
  EXPECT_EQ(To.Count(), 0);
  EXPECT_EQ(FromChanging, 1);
  EXPECT_EQ(FromChanged, 1);
  EXPECT_EQ(ToChanged, 2);
  From.OnChanging = nullptr;
  From.OnChange = nullptr;
  To.OnChange = nullptr;
  // The source is usable afterwards, and a list taking its own lines keeps them.
  From.Add("again");
  From.TakeLines(From);
  EXPECT_EQ(From.ToVector(), std::vector<std::string>{"again"});

  TStringList Sorted;
  Sorted.SetSorted(true);
  From.SetText("c\nb\nc");
  Sorted.TakeLines(From);
  EXPECT_EQ(Sorted.ToVector(), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(From.Count(), 0);
}

// A list of another kind: lines made when asked, kept nowhere.
class TCountingLines : public TStrings {
public:
  int Count() const override { return 3; }
  std::string Get(int Index) const override {
    return "line number " + std::to_string(Index) + " of a list that keeps no strings";
  }
  void Insert(int, const std::string&) override {}
  void Delete(int) override {}
  void Clear() override {}
};

TEST(Strings, LinesAreReadInPlaceOrCopiedAndAddedWhole) {
  TStringList L;
  L.Add("a line longer than the small-string room");
  L.Add("b");
  std::string Scratch;
  // A string list hands out its own line; other lists a copy in Scratch.
  EXPECT_EQ(&L.GetRef(0, Scratch), &L.GetRef(0, Scratch));
  EXPECT_TRUE(Scratch.empty());
  EXPECT_THROW(L.GetRef(2, Scratch), EStringListError);
  const TCountingLines Other;
  EXPECT_EQ(&Other.GetRef(1, Scratch), &Scratch);
  EXPECT_EQ(Scratch, Other.Get(1));
  // Added to itself, a list doubles: its lines move while they are read.
  for (int I = 0; I < 5; ++I)
    L.AddStrings(&L);
  ASSERT_EQ(L.Count(), 64);
  for (int I = 0; I < L.Count(); I += 2) {
    EXPECT_EQ(L.Get(I), "a line longer than the small-string room");
    EXPECT_EQ(L.Get(I + 1), "b");
  }
  // Room asked for keeps every line; less room than lines removes none.
  L.SetCapacity(1000);
  L.SetCapacity(1);
  EXPECT_EQ(L.Count(), 64);
  EXPECT_EQ(L.Get(63), "b");
  L.AddStrings(&Other);
  EXPECT_EQ(L.Count(), 67);
  EXPECT_EQ(L.Get(66), Other.Get(2));
  // Emptied and given back its room, a list fills again as before.
  L.Clear();
  L.SetCapacity(0);
  L.Add("again");
  EXPECT_EQ(L.ToVector(), std::vector<std::string>{"again"});
}

TEST(Strings, SortedListsFindAndHandleDuplicates) {
  TStringList L;
  L.SetSorted(true);
  L.Add("pear");
  L.Add("Apple");
  L.Add("fig");
  EXPECT_EQ(L.ToVector(), (std::vector<std::string>{"Apple", "fig", "pear"}));
  EXPECT_EQ(L.Add("APPLE"), 0); // ignored duplicate
  EXPECT_EQ(L.Count(), 3);
  L.SetDuplicates(TDuplicates::dupError);
  EXPECT_THROW(L.Add("fig"), EStringListError);
  EXPECT_THROW(L.Insert(0, "x"), EStringListError);
  int Index = -1;
  EXPECT_FALSE(L.Find("grape", Index));
  EXPECT_EQ(Index, 2);
  EXPECT_EQ(L.IndexOf("PEAR"), 2);
}

TEST(Strings, OutOfRangeIndexesRaiseListErrors) {
  TStringList L;
  L.Add("a");
  EXPECT_THROW(L.Get(1), EStringListError);
  EXPECT_THROW(L.Get(-1), EStringListError);
  EXPECT_THROW(L.Delete(3), EStringListError);
  EXPECT_THROW(L.Insert(3, "x"), EStringListError);
  EXPECT_EQ(L.Count(), 1);
}

TEST(Strings, ChangeEventsFireOnceAroundUpdates) {
  TStringList L;
  int Changes = 0;
  L.OnChange = [&](System::TObject*) { ++Changes; };
  L.Add("a");
  EXPECT_EQ(Changes, 1);
  L.BeginUpdate();
  L.Add("b");
  L.Add("c");
  L.EndUpdate();
  EXPECT_EQ(Changes, 2);
  L.SetText("x\ny");
  EXPECT_EQ(Changes, 3);
  // An update scope ends its update when an exception leaves it.
  try {
    const Classes::TStringsUpdate Updating(&L);
    L.Add("z");
    EXPECT_EQ(L.UpdateCount(), 1);
    throw std::runtime_error("stop");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(L.UpdateCount(), 0);
  EXPECT_EQ(Changes, 4);
}

TEST(Strings, AnUpdateScopeWhoseEndFailsReportsTheFirstFailure) {
  TStringList L;
  L.OnChange = [](System::TObject*) { throw std::runtime_error("handler"); };
  // Left normally: the change handler's failure goes on to the caller.
  try {
    {
      const Classes::TStringsUpdate Updating(&L);
      L.Add("a");
    }
    ADD_FAILURE() << "the end of the update raises";
  } catch (const std::runtime_error& E) {
    EXPECT_STREQ(E.what(), "handler");
  }
  EXPECT_EQ(L.UpdateCount(), 0);
  // Left by an exception: that one is reported, the handler's is dropped.
  try {
    const Classes::TStringsUpdate Updating(&L);
    L.Add("b");
    throw std::logic_error("work");
  } catch (const std::exception& E) {
    EXPECT_STREQ(E.what(), "work");
  }
  EXPECT_EQ(L.UpdateCount(), 0);
  EXPECT_EQ(L.ToVector(), (std::vector<std::string>{"a", "b"}));
}

TEST(Strings, MoveAndExchangeKeepObjects) {
  TStringList L;
  System::TObject O1, O2;
  L.AddObject("one", &O1);
  L.AddObject("two", &O2);
  L.Add("three");
  L.Move(0, 2);
  EXPECT_EQ(L.ToVector(), (std::vector<std::string>{"two", "three", "one"}));
  EXPECT_EQ(L.GetObject(2), &O1);
  L.Exchange(0, 2);
  EXPECT_EQ(L.GetObject(0), &O1);
  EXPECT_EQ(L.GetObject(2), &O2);
}
