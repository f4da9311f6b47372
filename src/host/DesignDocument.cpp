#include "host/DesignDocument.hpp"

#include "db/DB.hpp"
#include "designide/DesignIntf/DesignSpots.hpp"
#include "designide/DesignTrust.hpp"
#include "rtl/DfmStream.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/TypInfo.hpp"

#include <algorithm>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace DesignDocument {

using Classes::TComponent;
using DfmText::TDfmObject;
using DfmText::TDfmProperty;
using DfmText::TDfmValue;
using DfmText::TValueKind;
using SysUtils::Format;

// The name of a change made without the history, recorded once it is found.
constexpr const char* OutsideChange = "Change Made Elsewhere";

void RegisterRootClasses() {
  if (!Classes::GetClass("TDataModule"))
    Classes::RegisterClass(Classes::TDataModule::StaticClass());
}

std::unique_ptr<TDesignDocument> TDesignDocument::Open(const std::string& FileName,
                                                       bool ForUpdate) {
  RegisterRootClasses();
  auto Lock = ForUpdate ? std::make_unique<IOUtils::TFileUpdateLock>(FileName) : nullptr;
  const DfmText::TDfmObject Tree = DfmStream::ParseFile(FileName);
  if (Tree.Kind != DfmText::TObjectKind::okObject)
    throw Classes::EReadError(Format("%s:%d:%d: a design file starts with \"object\", not an "
                                     "inherited or inline object",
                                     FileName, Tree.Line, Tree.Column));
  const System::TClass RootClass = Classes::GetClass(Tree.ClassName);
  if (!RootClass)
    throw Classes::EClassNotFound(Format("%s:%d:%d: Class %s not found", FileName, Tree.Line,
                                         Tree.Column, StrUtils::Excerpt(Tree.ClassName)));
  std::unique_ptr<TDesignDocument> Doc(new TDesignDocument());
  Doc->FFileName = FileName;
  Doc->FLock = std::move(Lock);
  const auto Read = [&] {
    Doc->ForgetRoot();
    try {
      Doc->FRoot.reset(Classes::CreateComponent(RootClass, nullptr));
    } catch (const std::exception& E) {
      throw Classes::EReadError(
          Format("%s:%d:%d: %s", FileName, Tree.Line, Tree.Column, std::string(E.what())));
    }
    // The file's trust stays with the document, whatever another file
    // read later is given.
    DB::KeepDesignFileTrust(Doc->FRoot.get());
    Doc->FRoot->SetDesigning(true);
    DfmStream::ReadComponent(Tree, Doc->FRoot.get(), FileName);
  };
  // A file from a folder the user has not trusted connects nowhere, opens
  // no dataset and starts no monitor while it is read (see DesignTrust).
  DesignTrust::BeginReading(FileName);
  Read();
  if (DesignTrust::ReadAgainTrusted(FileName))
    Read();
  Doc->FConnectsNowhere = DB::DesignFileTrust() == DB::TDesignFileTrust::NoConnections;
  return Doc;
}

void TDesignDocument::LeaveToExit(std::unique_ptr<TDesignDocument> Doc) {
  if (!Doc || !Doc->CanLeaveToExit())
    return;
  Doc->FLock.reset();
  // Held from a global to the end, so that leak checkers see it reachable.
  static auto* const Left = new std::vector<TDesignDocument*>;
  Left->push_back(Doc.release());
}

TDesignDocument::~TDesignDocument() {
  ForgetRoot();
}

void TDesignDocument::ForgetRoot() {
  if (FRoot)
    DB::ForgetDesignFileTrust(FRoot.get());
  FRoot.reset();
}

std::string TDesignDocument::Text() const {
  return DfmStream::WriteComponentToText(FRoot.get());
}

void TDesignDocument::Save(const std::string& FileName) const {
  SysUtils::SaveFileAtomically(FileName.empty() ? FFileName : FileName, Text());
}

// --- history -------------------------------------------------------------------------

std::string TDesignDocument::ChangeName(const std::string& Verb, const TNames& Components) {
  if (Components.empty())
    return Verb;
  if (Components.size() == 1)
    return Verb + " " + Components.front();
  return Format("%s %d components", Verb, static_cast<int>(Components.size()));
}

TNames TDesignDocument::SelectionNames() const {
  return OnGetSelection ? OnGetSelection() : TNames{};
}

bool TDesignDocument::Change(const std::string& Name, const std::function<void()>& Action) {
  return Change(Name, [&](std::string&) { Action(); });
}

bool TDesignDocument::Change(const std::string& Name,
                             const std::function<void(std::string& Name)>& Action) {
  std::string Named = Name;
  auto Before = std::make_shared<const std::string>(Text());
  // What changed without the history since its last entry becomes an entry
  // of its own, so that undoing this change undoes only this change.
  if (FCurrent && *FCurrent != *Before)
    Record({OutsideChange, FCurrent, Before, SelectionNames(), SelectionNames()});
  const TNames SelectionBefore = SelectionNames();
  const auto Finish = [&] {
    auto After = std::make_shared<const std::string>(Text());
    if (*After == *Before) {
      FCurrent = Before;
      return false;
    }
    Record({Named, Before, After, SelectionBefore, SelectionNames()});
    return true;
  };
  try {
    Action(Named);
  } catch (...) {
    Finish();
    throw;
  }
  return Finish();
}

void TDesignDocument::Record(THistoryEntry Entry) {
  FCurrent = Entry.After;
  FUndo.push_back(std::move(Entry));
  FRedo.clear();
  Trim();
}

void TDesignDocument::Trim() {
  const auto Bytes = [this] {
    // Neighbouring entries share a text: each counted once.
    std::unordered_set<const std::string*> Seen;
    size_t N = 0;
    for (const auto* List : {&FUndo, &FRedo})
      for (const THistoryEntry& E : *List)
        for (const auto& T : {E.Before, E.After})
          if (T && Seen.insert(T.get()).second)
            N += T->size();
    return N;
  };
  size_t Drop = FUndo.size() > MaxHistoryEntries ? FUndo.size() - MaxHistoryEntries : 0;
  FUndo.erase(FUndo.begin(), FUndo.begin() + static_cast<std::ptrdiff_t>(Drop));
  while (FUndo.size() > 1 && Bytes() > MaxHistoryBytes)
    FUndo.erase(FUndo.begin());
}

std::string TDesignDocument::UndoCaption() const {
  return FUndo.empty() ? std::string("Undo") : "Undo " + FUndo.back().Name;
}

std::string TDesignDocument::RedoCaption() const {
  return FRedo.empty() ? std::string("Redo") : "Redo " + FRedo.back().Name;
}

void TDesignDocument::ClearHistory() {
  FUndo.clear();
  FRedo.clear();
  FCurrent.reset();
}

std::string TDesignDocument::Undo() {
  return Travel(FUndo, FRedo, true);
}

std::string TDesignDocument::Redo() {
  return Travel(FRedo, FUndo, false);
}

std::string TDesignDocument::Travel(std::vector<THistoryEntry>& From,
                                    std::vector<THistoryEntry>& To, bool Back) {
  const char* What = Back ? "undo" : "redo";
  if (From.empty())
    throw SysUtils::EInvalidOperation(Format("Nothing to %s", What));
  THistoryEntry& E = From.back();
  const auto& [Now, Then] = Back ? std::tie(E.After, E.Before) : std::tie(E.Before, E.After);
  if (Text() != *Now)
    throw SysUtils::EInvalidOperation(
        Format("Cannot %s \"%s\": the design changed since, outside the history", What, E.Name));
  Restore(*Then);
  FCurrent = Then;
  if (OnSetSelection)
    OnSetSelection(Back ? E.SelectionBefore : E.SelectionAfter);
  To.push_back(std::move(E));
  From.pop_back();
  return To.back().Name;
}

void TDesignDocument::Restore(const std::string& Text) {
  const TDfmObject Tree = DfmStream::Parse(Text, FFileName);
  TComponent* Root = FRoot.get();
  Root->DestroyComponents();
  // The root's own properties go back to their defaults (a fresh root's
  // values): the text holds only what differs from them.
  const std::unique_ptr<TComponent> Fresh(Classes::CreateComponent(Root->ClassType(), nullptr));
  for (const TypInfo::TPropInfo* P : TypInfo::GetPropList(Root->ClassType())) {
    if (SysUtils::SameText(P->Name, "Name") || !P->IsWritable())
      continue;
    if (P->PropType->Kind == TypInfo::TTypeKind::tkMethod) {
      if (!TypInfo::GetMethodProp(Root, P).empty())
        TypInfo::SetMethodProp(Root, P, Root, "");
    } else if (P->PropType->Kind != TypInfo::TTypeKind::tkClass) {
      // (What a root holds as objects the text sets whole.)
      const std::string Default = TypInfo::GetPropValueText(Fresh.get(), P);
      if (TypInfo::GetPropValueText(Root, P) != Default)
        TypInfo::SetPropValueText(Root, P, Default);
    }
  }
  DfmStream::ReadComponent(Tree, Root, FFileName);
}

// --- the history file ---------------------------------------------------------------
//
// "ovhistory 1", then the texts, each as its byte count on a line of its own
// and its bytes followed by a line feed; then the undo and the redo lists,
// each entry its name, the indexes of its texts before and after, and the
// names of its selections, strings written as the texts are.

std::string TDesignDocument::HistoryFileName() const {
  return SysUtils::ExtractFilePath(FFileName) + "." + SysUtils::ExtractFileName(FFileName) +
         ".ovhistory";
}

namespace {

constexpr const char* HistoryMagic = "ovhistory 1\n";

class THistoryReader {
public:
  THistoryReader(std::string Text, std::string FileName)
      : FText(std::move(Text)), FFileName(std::move(FileName)) {}
  size_t Number() {
    const size_t End = FText.find('\n', FPos);
    if (End == std::string::npos || End == FPos || End - FPos > 12)
      Damaged();
    size_t N = 0;
    for (size_t I = FPos; I < End; ++I) {
      if (!std::isdigit(static_cast<unsigned char>(FText[I])))
        Damaged();
      N = N * 10 + static_cast<size_t>(FText[I] - '0');
    }
    FPos = End + 1;
    return N;
  }
  std::string String() {
    const size_t N = Number();
    if (N > FText.size() - FPos || FPos + N >= FText.size() || FText[FPos + N] != '\n')
      Damaged();
    std::string S = FText.substr(FPos, N);
    FPos += N + 1;
    return S;
  }
  void Expect(std::string_view What) {
    if (FText.compare(FPos, What.size(), What) != 0)
      Damaged();
    FPos += What.size();
  }
  bool AtEnd() const { return FPos == FText.size(); }
  [[noreturn]] void Damaged() const {
    throw Classes::EReadError(
        Format("The history file %s is damaged (at byte %d); remove it to start a new history",
               FFileName, static_cast<int>(FPos)));
  }

private:
  std::string FText;
  std::string FFileName;
  size_t FPos = 0;
};

void WriteString(std::string& Out, const std::string& S) {
  Out += std::to_string(S.size());
  Out += '\n';
  Out += S;
  Out += '\n';
}

} // namespace

void TDesignDocument::LoadHistory() {
  ClearHistory();
  if (!SysUtils::FileExists(HistoryFileName()))
    return;
  THistoryReader R(SysUtils::LoadFileToString(HistoryFileName()), HistoryFileName());
  R.Expect(HistoryMagic);
  std::vector<std::shared_ptr<const std::string>> Texts(R.Number());
  for (auto& T : Texts)
    T = std::make_shared<const std::string>(R.String());
  const auto Text = [&] {
    const size_t I = R.Number();
    if (I >= Texts.size())
      R.Damaged();
    return Texts[I];
  };
  const auto Names = [&] {
    TNames N(R.Number());
    for (std::string& S : N)
      S = R.String();
    return N;
  };
  std::vector<THistoryEntry> Lists[2];
  for (auto& List : Lists) {
    const size_t Count = R.Number();
    for (size_t I = 0; I < Count; ++I) {
      THistoryEntry E;
      E.Name = R.String();
      E.Before = Text();
      E.After = Text();
      E.SelectionBefore = Names();
      E.SelectionAfter = Names();
      List.push_back(std::move(E));
    }
  }
  if (!R.AtEnd())
    R.Damaged();
  FUndo = std::move(Lists[0]);
  FRedo = std::move(Lists[1]);
  FCurrent = !FUndo.empty() ? FUndo.back().After : !FRedo.empty() ? FRedo.back().Before : nullptr;
}

void TDesignDocument::SaveHistory() {
  const auto Write = [this] {
    std::vector<const std::string*> Texts;
    std::unordered_map<const std::string*, size_t> Index;
    const auto Add = [&](const std::shared_ptr<const std::string>& T) {
      if (Index.emplace(T.get(), Texts.size()).second)
        Texts.push_back(T.get());
    };
    for (const auto* List : {&FUndo, &FRedo})
      for (const THistoryEntry& E : *List) {
        Add(E.Before);
        Add(E.After);
      }
    std::string Out = HistoryMagic;
    Out += std::to_string(Texts.size()) + "\n";
    for (const std::string* T : Texts)
      WriteString(Out, *T);
    for (const auto* List : {&FUndo, &FRedo}) {
      Out += std::to_string(List->size()) + "\n";
      for (const THistoryEntry& E : *List) {
        WriteString(Out, E.Name);
        Out += std::to_string(Index[E.Before.get()]) + "\n";
        Out += std::to_string(Index[E.After.get()]) + "\n";
        for (const TNames* N : {&E.SelectionBefore, &E.SelectionAfter}) {
          Out += std::to_string(N->size()) + "\n";
          for (const std::string& S : *N)
            WriteString(Out, S);
        }
      }
    }
    return Out;
  };
  std::string Out = Write();
  while (Out.size() > MaxSavedHistoryBytes && FUndo.size() + FRedo.size() > 1) {
    if (!FRedo.empty())
      FRedo.erase(FRedo.begin());
    else
      FUndo.erase(FUndo.begin());
    Out = Write();
  }
  SysUtils::SaveFileAtomically(HistoryFileName(), Out);
}

void TDesignDocument::RecordInHistoryFile(const std::string& Name, const std::string& Before) {
  LoadHistory();
  auto B = std::make_shared<const std::string>(Before);
  if (FCurrent && *FCurrent != *B)
    Record({OutsideChange, FCurrent, B, {}, {}});
  auto After = std::make_shared<const std::string>(Text());
  if (*After != *B)
    Record({Name, B, After, {}, {}});
  SaveHistory();
}

// --- clipboard -------------------------------------------------------------------------

std::string TDesignDocument::CopyText(const std::vector<TComponent*>& Components) const {
  const TDfmObject Tree = DfmStream::WriteComponent(FRoot.get());
  std::unordered_map<std::string, const TDfmObject*> ByName;
  for (const TDfmObject& Child : Tree.Children)
    ByName.emplace(SysUtils::UpperCase(Child.Name), &Child);
  std::string Text;
  for (const TComponent* C : Components) {
    const auto It = ByName.find(SysUtils::UpperCase(C->GetName()));
    if (It != ByName.end())
      Text += DfmStream::WriteText(*It->second);
  }
  return Text;
}

namespace {

// The names of the objects of a tree and its children.
void CollectNames(const TDfmObject& Obj, std::vector<std::string>& Names) {
  if (!Obj.Name.empty())
    Names.push_back(Obj.Name);
  for (const TDfmObject& Child : Obj.Children)
    CollectNames(Child, Names);
}

// The property of a (possibly dotted) name of Class that holds a component
// reference, or null.
const TypInfo::TPropInfo* ReferenceProp(System::TClass Class, const std::string& Name) {
  const TypInfo::TPropInfo* Info = nullptr;
  for (const std::string& Part : SysUtils::SplitString(Name, '.')) {
    if (!Class)
      return nullptr;
    Info = Class->FindProp(Part);
    if (!Info)
      return nullptr;
    Class =
        Info->PropType->Kind == TypInfo::TTypeKind::tkClass ? Info->PropType->ClassType : nullptr;
  }
  return Info && Class && Class->InheritsFrom(TComponent::StaticClass()) ? Info : nullptr;
}

// Renames the pasted objects (Renames: upper-case name -> name to take, for
// every object pasted) and
// points their references along; a reference to a component that neither the
// paste nor the design holds is dropped.
void Rename(TDfmObject& Obj, const std::unordered_map<std::string, std::string>& Renames,
            const TComponent* Root) {
  if (const auto It = Renames.find(SysUtils::UpperCase(Obj.Name)); It != Renames.end())
    Obj.Name = It->second;
  const System::TClass Class = Classes::GetClass(Obj.ClassName);
  std::erase_if(Obj.Props, [&](TDfmProperty& P) {
    if (P.Value.Kind != TValueKind::vaIdent || SysUtils::SameText(P.Value.Str, "nil") ||
        !ReferenceProp(Class, P.Name))
      return false;
    const std::string First = SysUtils::SplitString(P.Value.Str, '.').front();
    if (const auto It = Renames.find(SysUtils::UpperCase(First)); It != Renames.end()) {
      P.Value.Str = It->second + P.Value.Str.substr(First.size());
      return false;
    }
    return !(Root->FindComponent(First) || SysUtils::SameText(First, Root->GetName()));
  });
  for (TDfmObject& Child : Obj.Children)
    Rename(Child, Renames, Root);
}

// A name not taken in the design nor by Taken: Name when it is free, else
// its stem with the smallest number from 1 (OVQuery1 -> OVQuery2, since 1 is
// taken).
std::string FreeName(const std::string& Name, const TComponent* Root,
                     const std::unordered_set<std::string>& Taken) {
  const auto Free = [&](const std::string& N) {
    return !Root->FindComponent(N) && !SysUtils::SameText(N, Root->GetName()) &&
           !Taken.contains(SysUtils::UpperCase(N));
  };
  if (Free(Name))
    return Name;
  size_t Stem = Name.size();
  while (Stem > 0 && std::isdigit(static_cast<unsigned char>(Name[Stem - 1])))
    --Stem;
  const std::string Base = Name.substr(0, Stem);
  for (int N = 1;; ++N)
    if (const std::string Candidate = Base + std::to_string(N); Free(Candidate))
      return Candidate;
}

} // namespace

std::vector<TComponent*> TDesignDocument::Paste(const std::string& Text) {
  static const std::string Source = "the pasted text";
  if (Text.size() > MaxPasteBytes)
    throw Classes::EReadError(Format("The pasted text is too large (%d MiB; at most %d MiB)",
                                     static_cast<int>(Text.size() >> 20),
                                     static_cast<int>(MaxPasteBytes >> 20)));
  std::vector<TDfmObject> Objects = DfmStream::ParseObjects(Text, Source);
  // A whole form file: its components.
  if (Objects.size() == 1 && Objects[0].ClassName.size() > 0) {
    const System::TClass Class = Classes::GetClass(Objects[0].ClassName);
    if (Class && Class->InheritsFrom(Classes::TDataModule::StaticClass())) {
      std::vector<TDfmObject> Children = std::move(Objects[0].Children);
      Objects = std::move(Children);
    }
  }
  for (const TDfmObject& Obj : Objects) {
    if (Obj.Kind != DfmText::TObjectKind::okObject)
      throw Classes::EReadError(Format("%s:%d:%d: only objects can be pasted, not an inherited "
                                       "or inline one",
                                       Source, Obj.Line, Obj.Column));
    if (!Classes::GetClass(Obj.ClassName))
      throw Classes::EClassNotFound(Format("%s:%d:%d: Class %s not found", Source, Obj.Line,
                                           Obj.Column, StrUtils::Excerpt(Obj.ClassName)));
  }
  // Free names for every object pasted, children (a dataset's fields) too.
  std::vector<std::string> Names;
  for (const TDfmObject& Obj : Objects)
    CollectNames(Obj, Names);
  std::unordered_map<std::string, std::string> Renames;
  std::unordered_set<std::string> Taken;
  for (const std::string& Name : Names) {
    const std::string New = FreeName(Name, FRoot.get(), Taken);
    Taken.insert(SysUtils::UpperCase(New));
    Renames.emplace(SysUtils::UpperCase(Name), New);
  }
  TDfmObject Tree;
  Tree.ClassName = FRoot->ClassName();
  Tree.Name = FRoot->GetName();
  for (TDfmObject& Obj : Objects) {
    Rename(Obj, Renames, FRoot.get());
    Tree.Children.push_back(std::move(Obj));
  }
  std::vector<TComponent*> Pasted;
  TNames PastedNames;
  for (const TDfmObject& Obj : Tree.Children)
    PastedNames.push_back(Obj.Name);
  Change(ChangeName("Paste", PastedNames), [&] {
    const int Count = FRoot->ComponentCount();
    DfmStream::ReadComponent(Tree, FRoot.get(), Source);
    std::unordered_set<std::string> TopLevel;
    for (const std::string& N : PastedNames)
      TopLevel.insert(SysUtils::UpperCase(N));
    for (int I = Count; I < FRoot->ComponentCount(); ++I)
      if (TComponent* C = FRoot->Components(I);
          TopLevel.contains(SysUtils::UpperCase(C->GetName())))
        Pasted.push_back(C);
    // The components whose spot is taken go to the next free ones.
    std::vector<TComponent*> Moving;
    for (TComponent* C : Pasted) {
      if (C->HasParent())
        continue;
      const DesignIntf::TDesignSpot Spot{C->DesignLeft(), C->DesignTop()};
      for (int I = 0; I < FRoot->ComponentCount(); ++I) {
        const TComponent* Other = FRoot->Components(I);
        if (Other != C && !Other->HasParent() &&
            DesignIntf::DesignSpotsOverlap(Spot, {Other->DesignLeft(), Other->DesignTop()})) {
          Moving.push_back(C);
          break;
        }
      }
    }
    if (!Moving.empty()) {
      const std::vector<DesignIntf::TDesignSpot> Spots = DesignIntf::NextFreeDesignSpots(
          FRoot.get(), static_cast<int>(Moving.size()),
          std::unordered_set<const TComponent*>(Moving.begin(), Moving.end()));
      for (size_t I = 0; I < Moving.size(); ++I)
        Moving[I]->SetDesignPosition(Spots[I].Left, Spots[I].Top);
    }
    if (OnSetSelection)
      OnSetSelection(PastedNames);
  });
  return Pasted;
}

} // namespace DesignDocument
