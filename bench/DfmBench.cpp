// Form file streaming over a design of 5,000 components, each with a handful
// of properties (a caption, numbers, an enumeration, a set, a string list, a
// reference to its predecessor, an event handler, a design position): the
// parse alone, parse plus reading into components, and writing components
// back to canonical text. Then one component with a collection of 200,000
// items (a query's parameters can be that many), read and freed.
#include "rtl/DfmStream.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace Classes;

namespace BenchUnit {

enum class TBenchKind { bkNone, bkSmall, bkLarge };
OV_ENUM(TBenchKind, "bkNone", "bkSmall", "bkLarge")
enum class TBenchOption { boSort, boFilter, boCache, boTrace };
OV_ENUM(TBenchOption, "boSort", "boFilter", "boCache", "boTrace")
OV_SET(TBenchOptions, TBenchOption)

class TBenchItem : public TComponent {
  OV_CLASS(TBenchItem, TComponent)
public:
  explicit TBenchItem(TComponent* AOwner) : TComponent(AOwner), FLines(new TStringList()) {}
  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& V) { FCaption = V; }
  int GetCount() const { return FCount; }
  void SetCount(int V) { FCount = V; }
  double GetRatio() const { return FRatio; }
  void SetRatio(double V) { FRatio = V; }
  TBenchKind GetKind() const { return FKind; }
  void SetKind(TBenchKind V) { FKind = V; }
  TBenchOptions GetOptions() const { return FOptions; }
  void SetOptions(TBenchOptions V) { FOptions = V; }
  bool GetActive() const { return FActive; }
  void SetActive(bool V) { FActive = V; }
  TStrings* GetLines() const { return FLines.get(); }
  void SetLines(TStrings* V) { FLines->Assign(V); }
  TComponent* GetLink() const { return FLink; }
  void SetLink(TComponent* V) { FLink = V; }
  TNotifyEvent OnChange;

private:
  std::string FCaption;
  int FCount = 0;
  double FRatio = 0;
  TBenchKind FKind = TBenchKind::bkNone;
  TBenchOptions FOptions;
  bool FActive = false;
  std::unique_ptr<TStringList> FLines;
  TComponent* FLink = nullptr;
};

class TBenchLink : public TCollectionItem {
  OV_CLASS(TBenchLink, TCollectionItem)
public:
  explicit TBenchLink(TCollection* C) : TCollectionItem(C) {}
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& V) { FName = V; }

private:
  std::string FName;
};

class TBenchHolder : public TComponent {
  OV_CLASS(TBenchHolder, TComponent)
public:
  explicit TBenchHolder(TComponent* AOwner)
      : TComponent(AOwner), FLinks(new TOwnedCollection(this, TBenchLink::StaticClass())) {}
  TOwnedCollection* GetLinks() const { return FLinks.get(); }
  void SetLinks(TOwnedCollection* V) { FLinks->Assign(V); }

private:
  std::unique_ptr<TOwnedCollection> FLinks;
};

class TBenchForm : public TComponent {
  OV_CLASS(TBenchForm, TComponent)
public:
  using TComponent::TComponent;
  void ItemChange(System::TObject*) {}
};

OV_CLASS_BEGIN(TBenchItem, TComponent, "DfmBench")
B.Property("Caption", &TBenchItem::GetCaption, &TBenchItem::SetCaption);
B.Property("Count", &TBenchItem::GetCount, &TBenchItem::SetCount).Default(0);
B.Property("Ratio", &TBenchItem::GetRatio, &TBenchItem::SetRatio);
B.Property("Kind", &TBenchItem::GetKind, &TBenchItem::SetKind).Default(0);
B.Property("Options", &TBenchItem::GetOptions, &TBenchItem::SetOptions).Default(0);
B.Property("Active", &TBenchItem::GetActive, &TBenchItem::SetActive).Default(0);
B.Property("Lines", &TBenchItem::GetLines, &TBenchItem::SetLines);
B.Property("Link", &TBenchItem::GetLink, &TBenchItem::SetLink);
B.Event("OnChange", &TBenchItem::OnChange);
OV_CLASS_END

OV_CLASS_BEGIN(TBenchLink, TCollectionItem, "DfmBench")
B.Property("Name", &TBenchLink::GetName, &TBenchLink::SetName);
OV_CLASS_END

OV_CLASS_BEGIN(TBenchHolder, TComponent, "DfmBench")
B.Property("Links", &TBenchHolder::GetLinks, &TBenchHolder::SetLinks);
OV_CLASS_END

OV_CLASS_BEGIN(TBenchForm, TComponent, "DfmBench")
B.Method("ItemChange", &TBenchForm::ItemChange);
OV_CLASS_END

} // namespace BenchUnit

using namespace BenchUnit;

namespace {

constexpr int ComponentCount = 5000;

const std::string& FormText() {
  static const std::string Text = [] {
    RegisterClasses({TBenchForm::StaticClass(), TBenchItem::StaticClass()});
    std::string T = "object BenchForm: TBenchForm\n";
    for (int I = 0; I < ComponentCount; ++I) {
      const std::string N = std::to_string(I);
      T += "  object Item" + N + ": TBenchItem\n";
      T += "    Caption = 'Item number " + N + "'\n";
      T += "    Count = " + std::to_string(I * 7 + 1) + "\n";
      T += "    Ratio = " + std::to_string(I) + ".25\n";
      T += "    Kind = bkLarge\n";
      T += "    Options = [boSort, boCache]\n";
      T += "    Active = True\n";
      T += "    Lines.Strings = (\n";
      T += "      'select ID, NAME, CITY'\n";
      T += "      'from CUSTOMER'\n";
      T += "      'where ID = " + N + "')\n";
      if (I > 0)
        T += "    Link = Item" + std::to_string(I - 1) + "\n";
      T += "    OnChange = ItemChange\n";
      T += "    Left = " + std::to_string(16 + I % 40 * 48) + "\n";
      T += "    Top = " + std::to_string(16 + I / 40 * 48) + "\n";
      T += "  end\n";
    }
    T += "end\n";
    return T;
  }();
  return Text;
}

void ReportSize(benchmark::State& State) {
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) *
                          static_cast<int64_t>(FormText().size()));
  State.counters["components"] = ComponentCount;
}

void BM_Parse(benchmark::State& State) {
  const std::string& Text = FormText();
  for (auto _ : State)
    benchmark::DoNotOptimize(DfmStream::Parse(Text, "bench.dfm"));
  ReportSize(State);
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond);

void BM_ParseAndRead(benchmark::State& State) {
  const std::string& Text = FormText();
  for (auto _ : State) {
    auto Form = std::make_unique<TBenchForm>(nullptr);
    DfmStream::ReadComponentFromText(Text, Form.get(), "bench.dfm");
    State.PauseTiming();
    Form.reset();
    State.ResumeTiming();
  }
  ReportSize(State);
}
BENCHMARK(BM_ParseAndRead)->Unit(benchmark::kMillisecond);

void BM_WriteAndFormat(benchmark::State& State) {
  TBenchForm Form(nullptr);
  DfmStream::ReadComponentFromText(FormText(), &Form, "bench.dfm");
  for (auto _ : State) {
    const std::string Text = DfmStream::WriteComponentToText(&Form);
    benchmark::DoNotOptimize(Text.data());
  }
  if (DfmStream::WriteComponentToText(&Form) != FormText())
    State.SkipWithError("the written form differs from the one read");
  ReportSize(State);
}
BENCHMARK(BM_WriteAndFormat)->Unit(benchmark::kMillisecond);

void BM_FormatTree(benchmark::State& State) {
  const DfmText::TDfmObject Tree = DfmStream::Parse(FormText(), "bench.dfm");
  for (auto _ : State) {
    const std::string Text = DfmStream::WriteText(Tree);
    benchmark::DoNotOptimize(Text.data());
  }
  ReportSize(State);
}
BENCHMARK(BM_FormatTree)->Unit(benchmark::kMillisecond);

constexpr int CollectionItems = 200000;

const std::string& CollectionText() {
  static const std::string Text = [] {
    RegisterClasses({TBenchForm::StaticClass(), TBenchHolder::StaticClass()});
    std::string T = "object BenchForm: TBenchForm\n  object Holder: TBenchHolder\n    Links = <";
    for (int I = 0; I < CollectionItems; ++I)
      T += "\n      item\n        Name = 'p" + std::to_string(I) + "'\n      end";
    T += ">\n  end\nend\n";
    return T;
  }();
  return Text;
}

// Reading fills the collection, freeing the form clears it: both linear.
void BM_ReadAndFreeLargeCollection(benchmark::State& State) {
  const DfmText::TDfmObject Tree = DfmStream::Parse(CollectionText(), "bench.dfm");
  for (auto _ : State) {
    auto Form = std::make_unique<TBenchForm>(nullptr);
    DfmStream::ReadComponent(Tree, Form.get(), "bench.dfm");
    Form.reset();
  }
  State.counters["items"] = CollectionItems;
}
BENCHMARK(BM_ReadAndFreeLargeCollection)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
