// The design document's history and clipboard on a design of 5,000
// components (queries with SQL and update objects, tables with their data
// sources and master links): one change recorded (a move), its undo and its
// redo; copying 500 components and pasting them into the design.
#include "designide/DesignIntf/Designer.hpp"
#include "host/DesignDocument.hpp"
#include "orvane60/Orvane60.hpp"
#include "rtl/SysUtils.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int Groups = 1000; // five components each

std::string BigDesign() {
  std::string T = "object DataModule1: TDataModule\n  Height = 4000\n  Width = 4000\n";
  for (int I = 0; I < Groups; ++I) {
    const std::string N = std::to_string(I);
    const std::string Top = std::to_string(16 + (I / 8) * 72);
    const auto Left = [&](int K) { return std::to_string(24 + ((I % 8) * 5 + K) * 96); };
    T += "  object Query" + N + ": TOVQuery\n    DatabaseName = 'shop'\n    SQL.Strings = (\n" +
         "      'select id, name, city from customer'\n      'where id > 0')\n" +
         "    UpdateObject = Update" + N + "\n    Left = " + Left(0) + "\n    Top = " + Top +
         "\n  end\n";
    T += "  object Update" + N + ": TOVUpdateSQL\n    Left = " + Left(1) + "\n    Top = " + Top +
         "\n  end\n";
    T += "  object Table" + N +
         ": TOVTable\n    DatabaseName = 'shop'\n    TableName = 'customer'\n" +
         "    Left = " + Left(2) + "\n    Top = " + Top + "\n  end\n";
    T += "  object Source" + N + ": TDataSource\n    DataSet = Table" + N +
         "\n    Left = " + Left(3) + "\n    Top = " + Top + "\n  end\n";
    T += "  object Detail" + N +
         ": TOVTable\n    DatabaseName = 'shop'\n    MasterSource = Source" + N +
         "\n    TableName = 'orders'\n    Left = " + Left(4) + "\n    Top = " + Top + "\n  end\n";
  }
  return T + "end\n";
}

struct TFixture {
  TFixture() {
    Orvane60::Initialize();
    char Name[] = "/tmp/ovdocbench-XXXXXX";
    const int Fd = mkstemp(Name);
    ::close(Fd);
    File = Name;
    SysUtils::SaveFileAtomically(File, BigDesign());
    Doc = DesignDocument::TDesignDocument::Open(File);
  }
  ~TFixture() {
    Doc.reset();
    std::remove(File.c_str());
    Orvane60::Finalize();
  }
  std::string File;
  std::unique_ptr<DesignDocument::TDesignDocument> Doc;
};

void BM_ChangeMove(benchmark::State& State) {
  TFixture F;
  Classes::TComponent* Q = F.Doc->Root()->FindComponent("Query500");
  int X = 0;
  for (auto _ : State)
    F.Doc->Change("Move Query500", [&] { Q->SetDesignPosition(++X % 400, 5000); });
  State.counters["components"] = Groups * 5;
}
BENCHMARK(BM_ChangeMove)->Unit(benchmark::kMillisecond);

void BM_UndoRedoMove(benchmark::State& State) {
  TFixture F;
  F.Doc->Change("Move Query500",
                [&] { F.Doc->Root()->FindComponent("Query500")->SetDesignPosition(7, 5000); });
  for (auto _ : State) {
    F.Doc->Undo();
    F.Doc->Redo();
  }
  State.counters["components"] = Groups * 5;
}
BENCHMARK(BM_UndoRedoMove)->Unit(benchmark::kMillisecond);

void BM_UndoRedoDelete(benchmark::State& State) {
  TFixture F;
  F.Doc->Change("Delete 3 components", [&] {
    delete F.Doc->Root()->FindComponent("Update10");
    delete F.Doc->Root()->FindComponent("Source10");
    delete F.Doc->Root()->FindComponent("Table10");
  });
  for (auto _ : State) {
    F.Doc->Undo();
    F.Doc->Redo();
  }
  State.counters["components"] = Groups * 5;
}
BENCHMARK(BM_UndoRedoDelete)->Unit(benchmark::kMillisecond);

void BM_Paste500(benchmark::State& State) {
  TFixture F;
  std::vector<Classes::TComponent*> Copied;
  for (int I = 0; I < 500; ++I)
    Copied.push_back(F.Doc->Root()->Components(I));
  const std::string Text = F.Doc->CopyText(Copied);
  for (auto _ : State) {
    F.Doc->Paste(Text);
    State.PauseTiming();
    F.Doc->Undo();
    State.ResumeTiming();
  }
  State.counters["pasted"] = 500;
}
BENCHMARK(BM_Paste500)->Unit(benchmark::kMillisecond);

} // namespace
BENCHMARK_MAIN();
