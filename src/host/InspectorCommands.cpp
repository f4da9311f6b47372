#include "host/InspectorCommands.hpp"

#include "designide/DesignIntf/Designer.hpp"
#include "designide/DesignRegistry.hpp"
#include "designide/IDEServices.hpp"
#include "designide/ObjectInspector.hpp"
#include "designide/TreeIntf/Sprigs.hpp"
#include "host/CommandOutput.hpp"
#include "host/DesignDocument.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/TypInfo.hpp"
#include "vcl/ScriptedUI.hpp"
#include "vcl/TerminalUI.hpp"
#include "vcl/Windows.hpp"

#include <algorithm>
#include <fmt/format.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <ostream>

namespace HostCommands {

using DesignIntf::TPropertyAttribute;
using nlohmann::ordered_json;
using ObjectInspector::TInspectorProperty;
using SysUtils::Format;
using TreeIntf::TSprig;

namespace {

// Sub-properties are shown this deep at most (a set's elements, an object's
// properties and theirs).
constexpr int MaxPropertyDepth = 4;

// A design file opened for one command, with its designer.
class TDesign {
public:
  // ForUpdate for commands that may save the file (its update lock).
  TDesign(THost& Host, const std::string& FileName, bool ForUpdate = false) {
    Host.Package();
    FDocument = DesignDocument::TDesignDocument::Open(FileName, ForUpdate);
    FDesigner =
        System::TInterfaceRef<DesignIntf::TDesigner>(new DesignIntf::TDesigner(FDocument->Root()));
  }
  TDesign(const TDesign&) = delete;
  TDesign& operator=(const TDesign&) = delete;

  DesignIntf::TDesigner* Designer() const { return FDesigner.Get(); }
  Classes::TComponent* Root() const { return FDocument->Root(); }
  const std::string& FileName() const { return FDocument->FileName(); }

  Classes::TComponent* Component(const std::string& Name) const {
    if (Classes::TComponent* C = FDesigner->GetComponent(Name))
      return C;
    throw Classes::EComponentError(
        Format("%s has no component named %s", FileName(), StrUtils::Excerpt(Name)));
  }
  // Saves the file when the designer was told of a change; whether it did.
  bool SaveIfModified() {
    if (!FDesigner->IsModified())
      return false;
    FDocument->Save();
    return true;
  }

private:
  std::unique_ptr<DesignDocument::TDesignDocument> FDocument;
  System::TInterfaceRef<DesignIntf::TDesigner> FDesigner;
};

std::vector<std::string> AttributeNames(DesignIntf::TPropertyAttributes Attributes) {
  const TypInfo::TTypeInfo* Info = TypInfo::TypeInfoOf<TPropertyAttribute>();
  std::vector<std::string> Names;
  for (size_t I = 0; I < Info->EnumNames.size(); ++I)
    if (Attributes.Contains(static_cast<TPropertyAttribute>(I)))
      Names.push_back(Info->EnumNames[I]);
  return Names;
}

std::string Join(const std::vector<std::string>& Items, const char* Sep = ", ") {
  std::string R;
  for (const auto& I : Items)
    R += (R.empty() ? "" : Sep) + I;
  return R;
}

void AddRows(TInspectorProperty& Row, int Depth, ordered_json& Rows) {
  const DesignIntf::TPropertyAttributes Attributes = Row.Attributes();
  Rows.push_back({{"name", Row.Path()},
                  {"value", Row.Value()},
                  {"allEqual", Row.AllEqual()},
                  {"editor", Row.EditorClassName()},
                  {"attributes", AttributeNames(Attributes)},
                  {"category", Row.Category()}});
  if (Depth >= MaxPropertyDepth || !Attributes.Contains(TPropertyAttribute::paSubProperties))
    return;
  for (const auto& Sub : Row.SubProperties())
    AddRows(*Sub, Depth + 1, Rows);
}

// The person at the terminal, or the script.
std::unique_ptr<UIService::IUIService> MakeUI(const std::string& Script, bool Json) {
  if (!Script.empty()) {
    auto Scripted = ScriptedUI::TScriptedUI::FromFile(Script);
    Scripted->SetOutput(&FormsOutput(Json));
    return Scripted;
  }
  return std::make_unique<TerminalUI::TTerminalUI>(std::cin, FormsOutput(Json));
}

// A user interface that holds keys down: the person pressed the ellipsis
// with Alt held. Everything else is the inner interface's.
class THeldKeysUI : public UIService::IUIService {
public:
  THeldKeysUI(UIService::IUIService* AInner, std::vector<int> AKeys)
      : FInner(AInner), FKeys(std::move(AKeys)) {}
  void RunModal(Forms::TCustomForm* Form) override { FInner->RunModal(Form); }
  void FormShown(Forms::TCustomForm* Form) override { FInner->FormShown(Form); }
  void FormHidden(Forms::TCustomForm* Form) override { FInner->FormHidden(Form); }
  int MessageBox(const UIService::TMessageBoxRequest& Request) override {
    return FInner->MessageBox(Request);
  }
  bool ExecuteOpenDialog(UIService::TFileDialogRequest& Request) override {
    return FInner->ExecuteOpenDialog(Request);
  }
  bool IsKeyDown(int VirtualKey) override {
    return std::find(FKeys.begin(), FKeys.end(), VirtualKey) != FKeys.end() ||
           FInner->IsKeyDown(VirtualKey);
  }
  bool OpenDocument(const std::string& Document) override { return FInner->OpenDocument(Document); }
  Types::TSize MeasureText(const Graphics::TFont& Font, std::string_view Text) override {
    return FInner->MeasureText(Font, Text);
  }
  void ShowCursor(int Cursor) override { FInner->ShowCursor(Cursor); }
  bool EditTextModule(UIService::TTextModuleRequest& Request) override {
    return FInner->EditTextModule(Request);
  }

private:
  UIService::IUIService* FInner;
  std::vector<int> FKeys;
};

// Tree nodes ---------------------------------------------------------------------------

ordered_json NodeJson(TSprig* S) {
  ordered_json Children = ordered_json::array();
  for (int I = 0; I < S->Count(); ++I)
    Children.push_back(NodeJson(S->Items(I)));
  const System::TClass ItemClass = S->ItemClass();
  return {{"caption", S->Caption()},
          {"kind", S->ClassName()},
          {"name", S->Name()},
          {"uniqueName", S->UniqueName()},
          {"component", S->Item() ? ordered_json(S->Item()->GetName()) : ordered_json(nullptr)},
          {"itemClass", ItemClass ? ordered_json(ItemClass->Name) : ordered_json(nullptr)},
          {"problem", S->AnyProblems()},
          {"transient", S->Transient()},
          {"children", Children}};
}

void PrintNode(const ordered_json& J, int Level, std::ostream& Out) {
  std::vector<std::string> Marks{J["kind"].get<std::string>()};
  if (J["transient"].get<bool>())
    Marks.push_back("transient");
  if (J["problem"].get<bool>())
    Marks.push_back("problem");
  Out << std::string(static_cast<size_t>(Level) * 2, ' ') << (J["problem"].get<bool>() ? "! " : "")
      << J["caption"].get<std::string>() << "  [" << Join(Marks) << "]\n";
  for (const auto& C : J["children"])
    PrintNode(C, Level + 1, Out);
}

TSprig* NodeNamed(TreeIntf::TRootSprig& Tree, const TDesign& Design, const std::string& Key) {
  if (TSprig* S = Tree.FindNode(Key))
    return S;
  throw SysUtils::EInvalidOperation(
      Format("The object tree of %s has no node %s (name a component, or a node's unique name "
             "such as <DefaultSession>)",
             Design.FileName(), Key));
}

std::string NodeText(TSprig* S) {
  return S->Item() ? S->Item()->GetName() : S->UniqueName();
}

} // namespace

void Inspect(THost& Host, const std::string& FileName, const std::vector<std::string>& Components,
             std::ostream& Out) {
  TDesign Design(Host, FileName);
  std::vector<Classes::TPersistent*> Selection;
  ordered_json Names = ordered_json::array();
  for (const std::string& Name : Components) {
    Classes::TComponent* C = Design.Component(Name);
    if (std::find(Selection.begin(), Selection.end(), C) != Selection.end())
      continue;
    Selection.push_back(C);
    Names.push_back({{"name", C->GetName()}, {"class", C->ClassName()}});
  }
  ObjectInspector::TObjectInspector Inspector(Design.Designer(), Selection);
  ordered_json Rows = ordered_json::array();
  for (const auto& P : Inspector.Properties())
    AddRows(*P, 1, Rows);
  if (Host.Options().Json) {
    PrintJson(Out, {{"file", Design.FileName()}, {"selection", Names}, {"properties", Rows}});
    return;
  }
  std::vector<std::string> Heading;
  for (const auto& N : Names)
    Heading.push_back(N["name"].get<std::string>() + ": " + N["class"].get<std::string>());
  Out << Join(Heading) << '\n';
  // What the value column shows: a value the selection does not share reads
  // "(differs)".
  const auto Shown = [](const ordered_json& R) {
    return R["allEqual"].get<bool>() ? R["value"].get<std::string>() : std::string("(differs)");
  };
  size_t NameWidth = 8, ValueWidth = 5, EditorWidth = 6, CategoryWidth = 8;
  for (const auto& R : Rows) {
    NameWidth = std::max(NameWidth, R["name"].get<std::string>().size());
    ValueWidth = std::max(ValueWidth, std::min<size_t>(Shown(R).size(), 40));
    EditorWidth = std::max(EditorWidth, R["editor"].get<std::string>().size());
    CategoryWidth = std::max(CategoryWidth, R["category"].get<std::string>().size());
  }
  Out << fmt::format("  {:<{}}  {:<{}}  {:<{}}  {:<{}}  {}\n", "Property", NameWidth, "Value",
                     ValueWidth, "Editor", EditorWidth, "Category", CategoryWidth, "Attributes");
  for (const auto& R : Rows) {
    Out << fmt::format("  {:<{}}  {:<{}}  {:<{}}  {:<{}}  {}\n", R["name"].get<std::string>(),
                       NameWidth, Shown(R), ValueWidth, R["editor"].get<std::string>(), EditorWidth,
                       R["category"].get<std::string>(), CategoryWidth,
                       Join(R["attributes"].get<std::vector<std::string>>()));
  }
}

void Values(THost& Host, const std::string& FileName, const std::string& Component,
            const std::string& Property, std::ostream& Out) {
  TDesign Design(Host, FileName);
  ObjectInspector::TObjectInspector Inspector(Design.Designer(), {Design.Component(Component)});
  TInspectorProperty& P = Inspector.Get(Property);
  const DesignIntf::TPropertyAttributes Attributes = P.Attributes();
  if (!Attributes.Contains(TPropertyAttribute::paValueList))
    throw TypInfo::EPropertyError(Format("%s: property %s (%s) offers no drop-down list",
                                         Inspector.SelectionText(), P.Path(), P.EditorClassName()));
  const std::vector<std::string> List = P.Values();
  if (Host.Options().Json) {
    PrintJson(Out, {{"component", Component},
                    {"property", P.Path()},
                    {"editor", P.EditorClassName()},
                    {"sorted", Attributes.Contains(TPropertyAttribute::paSortList)},
                    {"values", List}});
    return;
  }
  for (const std::string& V : List)
    Out << V << '\n';
}

void SetProperty(THost& Host, const std::string& FileName, const std::string& Component,
                 const std::string& Property, const std::string& Value, std::ostream& Out) {
  TDesign Design(Host, FileName, true);
  ObjectInspector::TObjectInspector Inspector(Design.Designer(), {Design.Component(Component)});
  TInspectorProperty& P = Inspector.Get(Property);
  // A value that is not typed but edited in a dialog (a string list, SQL):
  // say where to edit it.
  if (const auto A = P.Attributes();
      A.Contains(TPropertyAttribute::paReadOnly) && A.Contains(TPropertyAttribute::paDialog))
    throw TypInfo::EPropertyError(Format(
        "%s: property %s (%s) is edited in its dialog, not typed; edit it with: "
        "ovdesigner edit-property %s %s %s",
        Inspector.SelectionText(), P.Path(), P.Value(), Design.FileName(), Component, P.Path()));
  P.SetValue(Value);
  const bool Saved = Design.SaveIfModified();
  const std::string Now = P.Value();
  if (Host.Options().Json) {
    PrintJson(Out, {{"component", Component},
                    {"property", P.Path()},
                    {"value", Now},
                    {"saved", Saved},
                    {"file", Design.FileName()}});
    return;
  }
  Out << fmt::format("{}.{} = {}\n", Component, P.Path(), Now);
  Out << (Saved ? fmt::format("Saved {}\n", Design.FileName())
                : std::string("Nothing changed; the file was not written\n"));
}

void EditProperty(THost& Host, const std::string& FileName, const std::string& Component,
                  const std::string& Property, const TEditOptions& Options, std::ostream& Out) {
  TDesign Design(Host, FileName, true);
  const auto UI = MakeUI(Options.UIScript, Host.Options().Json);
  std::vector<int> Keys;
  if (Options.Alt)
    Keys.push_back(Windows::VK_MENU);
  THeldKeysUI Keyboard(UI.get(), Keys);
  UIService::TUIServiceScope Using(&Keyboard);
  IDEServices::TIDEServicesScope Services;
  // A script edits text modules with its module lines; the person does so in
  // their own editor.
  const bool Scripted = dynamic_cast<ScriptedUI::TScriptedUI*>(UI.get()) != nullptr;
  Services.Services()->SetTextModuleEditor(Scripted ? IDEServices::UITextModuleEditor
                                                    : IDEServices::ExternalTextModuleEditor);

  ObjectInspector::TObjectInspector Inspector(Design.Designer(), {Design.Component(Component)});
  TInspectorProperty& P = Inspector.Get(Property);
  const std::string Before = P.Value();
  P.Edit();
  if (auto* Scripted = dynamic_cast<ScriptedUI::TScriptedUI*>(UI.get()))
    Scripted->CheckFinished();
  const bool Saved = Design.SaveIfModified();
  const std::string Now = P.Value();
  if (Host.Options().Json) {
    ordered_json J{{"component", Component}, {"property", P.Path()}, {"before", Before},
                   {"value", Now},           {"saved", Saved},       {"file", Design.FileName()}};
    if (auto* Scripted = dynamic_cast<ScriptedUI::TScriptedUI*>(UI.get()))
      J["ui"] = Scripted->Log();
    PrintJson(Out, J);
    return;
  }
  Out << fmt::format("{}.{} = {}\n", Component, P.Path(), Now);
  Out << (Saved ? fmt::format("Saved {}\n", Design.FileName())
                : std::string("Nothing changed; the file was not written\n"));
}

void Tree(THost& Host, const std::string& FileName, std::ostream& Out) {
  TDesign Design(Host, FileName);
  TreeIntf::TRootSprig Root(Design.Root(), Design.Designer());
  Root.Build();
  const ordered_json J = NodeJson(&Root);
  if (Host.Options().Json) {
    PrintJson(Out, {{"file", Design.FileName()}, {"tree", J}});
    return;
  }
  PrintNode(J, 0, Out);
}

void Drop(THost& Host, const std::string& FileName, const std::string& Node,
          const std::string& Target, std::ostream& Out) {
  TDesign Design(Host, FileName, true);
  TreeIntf::TRootSprig Root(Design.Root(), Design.Designer());
  Root.Build();
  TSprig* N = NodeNamed(Root, Design, Node);
  TSprig* T = NodeNamed(Root, Design, Target);
  const std::string NodeName = NodeText(N), TargetName = NodeText(T);
  const bool Changed = Root.DragDrop(N, T);
  const bool Saved = Design.SaveIfModified();
  // The tree was built again: the node's new place.
  TSprig* Moved = Root.FindNode(NodeName);
  const std::string Parent = Moved && Moved->Parent() ? Moved->Parent()->Caption() : std::string();
  if (Host.Options().Json) {
    PrintJson(Out, {{"node", NodeName},
                    {"target", TargetName},
                    {"changed", Changed},
                    {"parent", Parent},
                    {"saved", Saved},
                    {"file", Design.FileName()}});
    return;
  }
  Out << fmt::format("Dropped {} onto {}: {}\n", NodeName, TargetName,
                     Changed ? "changed" : "nothing changed");
  if (!Parent.empty())
    Out << fmt::format("{} now hangs under {}\n", NodeName, Parent);
  if (Saved)
    Out << fmt::format("Saved {}\n", Design.FileName());
}

void Place(THost& Host, const std::string& FileName, const std::string& ClassName,
           const std::string& Target, std::ostream& Out) {
  TDesign Design(Host, FileName, true);
  const System::TClass Class = Classes::GetClass(ClassName);
  if (!Class || DesignRegistry::PalettePageOf(Class).empty())
    throw Classes::EClassNotFound(
        Format("%s is no component class on the palette (see ovdesigner palette)",
               StrUtils::Excerpt(ClassName)));
  TreeIntf::TRootSprig Root(Design.Root(), Design.Designer());
  Root.Build();
  TSprig* T = NodeNamed(Root, Design, Target);
  const std::string TargetName = NodeText(T);
  Classes::TComponent* C = Root.PaletteDrop(Class, T);
  const bool Saved = Design.SaveIfModified();
  TSprig* Node = Root.FindItem(C);
  const std::string Parent = Node && Node->Parent() ? Node->Parent()->Caption() : std::string();
  if (Host.Options().Json) {
    PrintJson(Out, {{"component", C->GetName()},
                    {"class", C->ClassName()},
                    {"target", TargetName},
                    {"parent", Parent},
                    {"saved", Saved},
                    {"file", Design.FileName()}});
    return;
  }
  Out << fmt::format("Placed {}: {} under {}\n", C->GetName(), C->ClassName(), Parent);
  if (Saved)
    Out << fmt::format("Saved {}\n", Design.FileName());
}

} // namespace HostCommands
