// The statements the UpdateSQL editor generates.
#include "dclorvane60/OVUpdSEd.hpp"

#include <gtest/gtest.h>

using namespace OVUpdSEd;
using Classes::TStringList;

namespace {

struct TGenerated {
  std::vector<std::string> Refresh, Modify, Insert, Delete;
};

TGenerated GenerateAll(const TStatementInputs& In) {
  TStringList R, M, I, D;
  GenerateRefreshSQL(In, R);
  GenerateModifySQL(In, M);
  GenerateInsertSQL(In, I);
  GenerateDeleteSQL(In, D);
  return {R.ToVector(), M.ToVector(), I.ToVector(), D.ToVector()};
}

using Lines = std::vector<std::string>;

} // namespace

TEST(UpdateSQLGenerator, WorkedExample) {
  TStringList Info;
  Info.Add("CUST_ID=CUSTOMER.ID");
  Info.Add("NAME=CUSTOMER.NAME");
  TStatementInputs In;
  In.TableText = "CUSTOMER";
  In.UpdateFields = {"ID", "NAME", "CITY"};
  In.KeyFields = {"ID"};
  In.FieldInfo = &Info;
  const TGenerated G = GenerateAll(In);
  EXPECT_EQ(G.Refresh, (Lines{"select ID as CUST_ID, NAME, CITY\r\nfrom CUSTOMER", "where",
                              "  ID = :OLD_CUST_ID"}));
  EXPECT_EQ(G.Modify, (Lines{"update CUSTOMER", "set", "  ID = :CUST_ID,", "  NAME = :NAME,",
                             "  CITY = :CITY", "where", "  ID = :OLD_CUST_ID"}));
  EXPECT_EQ(G.Insert, (Lines{"insert into CUSTOMER", "  (ID, NAME, CITY)", "values",
                             "  (:CUST_ID, :NAME, :CITY)"}));
  EXPECT_EQ(G.Delete, (Lines{"delete from CUSTOMER", "where", "  ID = :OLD_CUST_ID"}));

  In.KeyFields = {"ID", "CITY"};
  const TGenerated G2 = GenerateAll(In);
  for (const Lines* L : {&G2.Refresh, &G2.Modify, &G2.Delete}) {
    ASSERT_GE(L->size(), 2u);
    EXPECT_EQ((*L)[L->size() - 2], "  ID = :OLD_CUST_ID and");
    EXPECT_EQ(L->back(), "  CITY = :OLD_CITY");
  }
}

TEST(UpdateSQLGenerator, AliasLookupSplitsAtTheLastUsefulDot) {
  TStringList Info;
  Info.Add("A1=X.Y.");      // table X, column "Y."
  Info.Add("A2=OWNER.T.C"); // table OWNER.T, column C
  Info.Add("A3=NODOT");
  Info.Add("FIRST=T.K");
  Info.Add("SECOND=T.K");
  EXPECT_EQ(FindFieldAlias(&Info, "X", "Y."), "A1");
  EXPECT_EQ(FindFieldAlias(&Info, "OWNER.T", "C"), "A2");
  EXPECT_EQ(FindFieldAlias(&Info, "OWNER", "T.C"), "T.C");
  EXPECT_EQ(FindFieldAlias(&Info, "NODOT", "NODOT"), "NODOT");
  EXPECT_EQ(FindFieldAlias(&Info, "T", "K"), "FIRST");
  EXPECT_EQ(FindFieldAlias(&Info, "t", "K"), "K"); // case-sensitive
  EXPECT_EQ(FindFieldAlias(nullptr, "T", "K"), "K");
}

TEST(UpdateSQLGenerator, StatementsTakeTheAliasOfAColumnsFirstEntry) {
  TStringList Info;
  Info.Add("ID=T.ID"); // under its own name first: no alias, though one follows
  Info.Add("KEY=T.ID");
  Info.Add("N2=T.NAME"); // under another name first: that one
  Info.Add("NAME=T.NAME");
  Info.Add("C=OTHER.CITY"); // another table's column
  Info.Add("NOORIGIN");
  TStatementInputs In;
  In.TableText = "T";
  In.UpdateFields = {"ID", "NAME", "CITY"};
  In.KeyFields = {"ID", "NAME"};
  In.FieldInfo = &Info;
  const TGenerated G = GenerateAll(In);
  EXPECT_EQ(G.Refresh, (Lines{"select ID, NAME as N2, CITY\r\nfrom T", "where",
                              "  ID = :OLD_ID and", "  NAME = :OLD_N2"}));
  EXPECT_EQ(G.Insert[3], "  (:ID, :N2, :CITY)");
  for (const std::string& F : In.UpdateFields)
    EXPECT_EQ(FindFieldAlias(&Info, "T", F), F == "NAME" ? "N2" : F);

  // Every column under its own name: the statements name no alias.
  TStringList Own;
  Own.Add("ID=T.ID");
  Own.Add("NAME=T.NAME");
  In.FieldInfo = &Own;
  EXPECT_EQ(GenerateAll(In).Refresh[0], "select ID, NAME, CITY\r\nfrom T");
}

TEST(UpdateSQLGenerator, TableSpelledOtherwiseFindsNoAlias) {
  TStringList Info;
  Info.Add("CUST_ID=CUSTOMER.ID");
  TStatementInputs In;
  In.TableText = "customer";
  In.UpdateFields = {"ID"};
  In.KeyFields = {"ID"};
  In.FieldInfo = &Info;
  const TGenerated G = GenerateAll(In);
  EXPECT_EQ(G.Refresh[0], "select ID\r\nfrom customer");
  EXPECT_EQ(G.Modify[2], "  ID = :ID");
  EXPECT_EQ(G.Delete[2], "  ID = :OLD_ID");
}

TEST(UpdateSQLGenerator, QuotingEnclosesTablesColumnsAliasesAndPrefixedParameters) {
  TStringList Info;
  Info.Add("Cust Id=\"My Table\".ID");
  TStatementInputs In;
  In.TableText = "\"My Table\"";
  In.UpdateFields = {"ID", "Name"};
  In.KeyFields = {"ID"};
  In.FieldInfo = &Info;
  In.QuoteFields = true;
  const TGenerated G = GenerateAll(In);
  EXPECT_EQ(G.Refresh[0], "select \"ID\" as \"Cust Id\", \"Name\"\r\nfrom \"My Table\"");
  EXPECT_EQ(G.Refresh[2], "  \"ID\" = :\"OLD_Cust Id\"");
  EXPECT_EQ(G.Modify[0], "update \"My Table\"");
  EXPECT_EQ(G.Modify[2], "  \"ID\" = :\"Cust Id\",");
  EXPECT_EQ(G.Insert[3], "  (:\"Cust Id\", :\"Name\")");
}

TEST(UpdateSQLGenerator, EmptySelectionsGiveTheBareShapes) {
  TStatementInputs In;
  In.TableText = "T";
  const TGenerated G = GenerateAll(In);
  EXPECT_EQ(G.Refresh, (Lines{"select \r\nfrom T", "where"}));
  EXPECT_EQ(G.Modify, (Lines{"update T", "set", "where"}));
  EXPECT_EQ(G.Insert, (Lines{"insert into T", "  ()", "values", "  ()"}));
  EXPECT_EQ(G.Delete, (Lines{"delete from T", "where"}));
}

TEST(UpdateSQLGenerator, SingleFieldsCarryNoSeparatorsAndRunsAreRepeatable) {
  TStatementInputs In;
  In.TableText = "T";
  In.UpdateFields = {"A"};
  In.KeyFields = {"K"};
  const TGenerated G = GenerateAll(In);
  EXPECT_EQ(G.Modify, (Lines{"update T", "set", "  A = :A", "where", "  K = :OLD_K"}));
  const TGenerated Again = GenerateAll(In);
  EXPECT_EQ(Again.Refresh, G.Refresh);
  EXPECT_EQ(Again.Modify, G.Modify);
}

TEST(UpdateSQLGenerator, OwnerIsCutOnlyWhenTheServerHasNoOwners) {
  TStatementInputs In;
  In.TableText = "main.T";
  In.UpdateFields = {"A"};
  In.KeyFields = {"A"};
  In.ObjOwnerSupported = true;
  EXPECT_EQ(GenerateAll(In).Delete[0], "delete from main.T");
  In.ObjOwnerSupported = false;
  EXPECT_EQ(GenerateAll(In).Delete[0], "delete from T");
}

TEST(UpdateSQLGenerator, GeneratingReplacesWhatTheBufferHeld) {
  TStatementInputs In;
  In.TableText = "T";
  In.UpdateFields = {"A"};
  In.KeyFields = {"A"};
  TStringList Buffer;
  Buffer.Add("typed by hand");
  GenerateDeleteSQL(In, Buffer);
  EXPECT_EQ(Buffer.ToVector(), (Lines{"delete from T", "where", "  A = :OLD_A"}));
}

// What a connected catalogue adds: the table and every name written as the
// server must read them, computed columns left out of insert and modify,
// nullable keys compared so that null finds null, and the server's values
// returned.
TEST(UpdateSQLGenerator, WhatTheCatalogueSaysShapesTheStatements) {
  TStringList Info;
  Info.Add("who=\"Order Lines\".user");
  TStatementInputs In;
  In.TableText = "\"Order Lines\"";
  In.UpdateFields = {"id", "user", "total"};
  In.KeyFields = {"id", "code"};
  In.FieldInfo = &Info;
  In.WriteName = [](const std::string& Name) {
    return Name == "user" || Name == "Order Lines" || Name == "who" ? "\"" + Name + "\"" : Name;
  };
  In.WrittenTable = "public.\"Order Lines\"";
  In.ComputedFields = {"total"};
  In.NullableKeyFields = {"code"};
  In.NullSafeEquals = " is not distinct from ";
  In.ReturningFields = {"id", "user", "total"};
  const TGenerated G = GenerateAll(In);
  EXPECT_EQ(G.Refresh,
            (Lines{"select id, \"user\" as \"who\", total\r\nfrom public.\"Order Lines\"", "where",
                   "  id = :OLD_id and", "  code is not distinct from :OLD_code"}));
  EXPECT_EQ(G.Modify,
            (Lines{"update public.\"Order Lines\"", "set", "  id = :id,", "  \"user\" = :who",
                   "where", "  id = :OLD_id and", "  code is not distinct from :OLD_code",
                   "returning id, \"user\" as \"who\", total"}));
  EXPECT_EQ(G.Insert, (Lines{"insert into public.\"Order Lines\"", "  (id, \"user\")", "values",
                             "  (:id, :who)", "returning id, \"user\" as \"who\", total"}));
  // Parameters are quoted only when they are no plain name, or on request.
  EXPECT_EQ(QuoteParam(In, "OLD_first name"), "\"OLD_first name\"");
  EXPECT_EQ(QuoteParam(In, "OLD_a.b"), "\"OLD_a.b\"");
  EXPECT_EQ(QuoteParam(In, "OLD_ab"), "OLD_ab");
  In.QuoteFields = true;
  EXPECT_EQ(QuoteParam(In, "OLD_ab"), "\"OLD_ab\"");
  // Without a connection, a name is written as typed.
  TStatementInputs Plain;
  EXPECT_EQ(QuoteParam(Plain, "OLD_first name"), "OLD_first name");
  EXPECT_EQ(QuoteName(Plain, "user"), "user");
}

TEST(UpdateSQLGenerator, TheFourAtOnceAreTheFourOneByOne) {
  TStringList Info;
  Info.Add("CUST_ID=CUSTOMER.ID");
  Info.Add("TOTAL=CUSTOMER.SUM");
  TStatementInputs In;
  In.TableText = "CUSTOMER";
  In.UpdateFields = {"ID", "NAME", "SUM", "STAMP"};
  In.KeyFields = {"ID", "NAME"};
  In.FieldInfo = &Info;
  In.ComputedFields = {"SUM"};
  In.NullableKeyFields = {"NAME"};
  In.NullSafeEquals = " is not distinct from ";
  In.ReturningFields = {"SUM", "STAMP"};
  In.WriteName = [](const std::string& Name) { return "\"" + Name + "\""; };
  const TGenerated One = GenerateAll(In);
  TStringList R, M, I, D;
  R.Add("old");
  D.Add("old");
  GenerateStatements(In, R, M, I, D);
  EXPECT_EQ(R.ToVector(), One.Refresh);
  EXPECT_EQ(M.ToVector(), One.Modify);
  EXPECT_EQ(I.ToVector(), One.Insert);
  EXPECT_EQ(D.ToVector(), One.Delete);
  EXPECT_EQ(M.ToVector(),
            (Lines{"update \"CUSTOMER\"", "set", "  \"ID\" = :CUST_ID,", "  \"NAME\" = :NAME,",
                   "  \"STAMP\" = :STAMP", "where", "  \"ID\" = :OLD_CUST_ID and",
                   "  \"NAME\" is not distinct from :OLD_NAME",
                   "returning \"SUM\" as \"TOTAL\", \"STAMP\""}));
}

TEST(UpdateSQLGenerator, EveryFieldOfAWideTableKeepsItsNameAliasAndParameter) {
  // Many fields, some shown under another name, some written in quotes,
  // names of every length: each line names its own column, alias and
  // parameter, none taken from a neighbour.
  TStringList Info;
  TStatementInputs In;
  In.TableText = "W";
  In.FieldInfo = &Info;
  const auto Column = [](int I) {
    return "col" + std::string(static_cast<size_t>(I % 23), 'x') + std::to_string(I);
  };
  const auto Alias = [&](int I) { return I % 3 == 0 ? "A" + std::to_string(I) : Column(I); };
  for (int I = 0; I < 600; ++I) {
    Info.Add(Alias(I) + "=W." + Column(I));
    In.UpdateFields.push_back(Column(I));
  }
  In.KeyFields = {Column(3), Column(4)};
  In.WriteName = [](const std::string& Name) {
    return Name.size() % 5 == 0 ? "\"" + Name + "\"" : Name;
  };
  const TGenerated G = GenerateAll(In);
  ASSERT_EQ(G.Modify.size(), 600u + 5u);
  std::string Select = "select ", Columns = "  (", Params = "  (";
  for (int I = 0; I < 600; ++I) {
    const std::string C = In.WriteName(Column(I));
    const std::string A = Alias(I);
    const std::string As = A == Column(I) ? "" : " as " + In.WriteName(A);
    EXPECT_EQ(G.Modify[static_cast<size_t>(I) + 2],
              "  " + C + " = :" + A + (I + 1 < 600 ? "," : ""));
    Select += (I ? ", " : "") + C + As;
    Columns += (I ? ", " : "") + C;
    Params += (I ? ", :" : ":") + A;
  }
  EXPECT_EQ(G.Refresh[0], Select + "\r\nfrom W");
  EXPECT_EQ(G.Insert[1], Columns + ")");
  EXPECT_EQ(G.Insert[3], Params + ")");
  EXPECT_EQ(G.Delete,
            (Lines{"delete from W", "where", "  " + In.WriteName(Column(3)) + " = :OLD_A3 and",
                   "  " + In.WriteName(Column(4)) + " = :OLD_" + Column(4)}));

  // Columns the server computes, the last one among them, are left out of
  // insert and modify, and only they; refresh still reads them.
  for (int I = 0; I < 600; I += 7)
    In.ComputedFields.insert(Column(I));
  In.ComputedFields.insert(Column(599));
  const TGenerated H = GenerateAll(In);
  Lines Set;
  Columns = "  (";
  Params = "  (";
  for (int I = 0; I < 600; ++I) {
    if (In.ComputedFields.count(Column(I)))
      continue;
    const std::string C = In.WriteName(Column(I));
    Set.push_back("  " + C + " = :" + Alias(I));
    Columns += (Set.size() > 1 ? ", " : "") + C;
    Params += (Set.size() > 1 ? ", :" : ":") + Alias(I);
  }
  for (size_t K = 0; K + 1 < Set.size(); ++K)
    Set[K] += ",";
  ASSERT_EQ(H.Modify.size(), Set.size() + 5u);
  EXPECT_EQ(Lines(H.Modify.begin() + 2, H.Modify.begin() + 2 + static_cast<long>(Set.size())), Set);
  EXPECT_EQ(H.Insert[1], Columns + ")");
  EXPECT_EQ(H.Insert[3], Params + ")");
  EXPECT_EQ(H.Refresh[0], Select + "\r\nfrom W");
}

TEST(UpdateSQLGenerator, AnAliasAfterManyColumnsUnderTheirOwnNamesIsFound) {
  // Entries that show a column under its own name, dots and all, come
  // first; the one column shown under another name is still found.
  TStringList Info;
  Info.Add("a.b=T.a.b"); // table T.a, column b: no column of T
  Info.Add("c.=T.c.");   // column "c." of T, under its own name
  Info.Add("=T.");
  for (int I = 0; I < 100; ++I)
    Info.Add("F" + std::to_string(I) + "=T.F" + std::to_string(I));
  Info.Add("K=T.ID");
  TStatementInputs In;
  In.TableText = "T";
  In.UpdateFields = {"ID", "c.", "F7"};
  In.KeyFields = {"ID"};
  In.FieldInfo = &Info;
  const TGenerated G = GenerateAll(In);
  EXPECT_EQ(G.Refresh[0], "select ID as K, c., F7\r\nfrom T");
  EXPECT_EQ(G.Modify, (Lines{"update T", "set", "  ID = :K,", "  c. = :c.,", "  F7 = :F7", "where",
                             "  ID = :OLD_K"}));
}
