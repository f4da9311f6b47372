#include "host/InspectorCommands.hpp"

#include "designide/DesignIntf/Designer.hpp"
#include "designide/DesignRegistry.hpp"
#include "designide/IDEServices.hpp"
#include "designide/ObjectInspector.hpp"
#include "designide/TreeIntf/Sprigs.hpp"
#include "host/CommandSupport.hpp"
#include "host/TerminalSession.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/TypInfo.hpp"
#include "vcl/ScriptedUI.hpp"
#include "vcl/Windows.hpp"

#include <CLI/CLI.hpp>
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

std::vector<std::string> AttributeNames(DesignIntf::TPropertyAttributes Attributes) {
  const TypInfo::TTypeInfo* Info = TypInfo::TypeInfoOf<TPropertyAttribute>();
  std::vector<std::string> Names;
  for (size_t I = 0; I < Info->EnumNames.size(); ++I)
    if (Attributes.Contains(static_cast<TPropertyAttribute>(I)))
      Names.push_back(Info->EnumNames[I]);
  return Names;
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

// A user interface that holds keys down: the person pressed the ellipsis
// with Alt held. Everything else is the inner interface's.
class THeldKeysUI : public TForwardingUI {
public:
  THeldKeysUI(UIService::IUIService* AInner, std::vector<int> AKeys)
      : TForwardingUI(AInner), FKeys(std::move(AKeys)) {}
  bool IsKeyDown(int VirtualKey) override {
    return std::find(FKeys.begin(), FKeys.end(), VirtualKey) != FKeys.end() ||
           Inner()->IsKeyDown(VirtualKey);
  }

private:
  std::vector<int> FKeys;
};

// Tree nodes ---------------------------------------------------------------------------

ordered_json NodeJson(TSprig* S) {
  ordered_json Children = ordered_json::array();
  for (int I = 0; I < S->Count(); ++I)
    Children.push_back(NodeJson(S->Items(I)));
  const System::TClass ItemClass = S->ItemClass();
  ordered_json J{
      {"caption", S->Caption()},
      {"kind", S->ClassName()},
      {"name", S->Name()},
      {"uniqueName", S->UniqueName()},
      {"component", S->Item() ? ordered_json(S->Item()->GetName()) : ordered_json(nullptr)},
      {"itemClass", ItemClass ? ordered_json(ItemClass->Name) : ordered_json(nullptr)},
      {"problem", S->AnyProblems()},
      {"transient", S->Transient()}};
  // Moved in: a subtree is not copied at every level above it.
  J["children"] = std::move(Children);
  return J;
}

// The node as a line (indented by its level; its kind and marks in
// brackets), then its children.
// One node's line and its children's, appended to Text: the whole tree is
// written at once.
void AppendNode(TSprig* S, int Level, std::string& Text) {
  const bool Problem = S->AnyProblems();
  Text.append(static_cast<size_t>(Level) * 2, ' ');
  if (Problem)
    Text += "! ";
  Text += S->Caption();
  Text += "  [";
  Text += S->ClassName();
  if (S->Transient())
    Text += ", transient";
  if (Problem)
    Text += ", problem";
  Text += "]\n";
  for (int I = 0, N = S->Count(); I < N; ++I)
    AppendNode(S->Items(I), Level + 1, Text);
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

struct TEditOptions {
  bool Alt = false;     // the Alt key is held down while the ellipsis is pressed
  std::string UIScript; // the scripted user; empty: the person at the terminal
};

// Every property the Object Inspector shows for the components (one, or a
// multiple selection): value, editor class, attributes, category, and the
// sub-properties it unfolds into.
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

// The drop-down list of a property, sorted where the editor asks for it.
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

// Sets a property through its editor.
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
  const std::string Path = P.Path();
  P.SetValue(Value);
  const bool Saved =
      Design.SaveIfModified(SysUtils::SameText(Path, "Name") ? "Rename " + Component
                                                             : "Set " + Path + " of " + Component);
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

// Presses the ellipsis of a property. Code editor modules open in the
// person's own editor ($VISUAL, else $EDITOR).
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
  const bool Saved = Design.SaveIfModified("Edit " + P.Path() + " of " + Component);
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

// The object tree: each node's caption, kind, problem mark and children.
void Tree(THost& Host, const std::string& FileName, std::ostream& Out) {
  TDesign Design(Host, FileName);
  auto Root = std::make_unique<TreeIntf::TRootSprig>(Design.Root(), Design.Designer());
  Root->Build();
  if (Host.Options().Json) {
    ordered_json J{{"file", Design.FileName()}};
    J["tree"] = NodeJson(Root.get());
    PrintJson(Out, J);
    return;
  }
  std::string Text;
  AppendNode(Root.get(), 0, Text);
  Out << Text;
  // The tree goes with the design it shows, or before it.
  if (Design.Document().CanLeaveToExit())
    KeepToExit(Root.release());
  Root.reset();
  Design.LeaveToExit();
}

// Drags the node Node onto Target (nodes named by component, unique name or
// name).
void Drop(THost& Host, const std::string& FileName, const std::string& Node,
          const std::string& Target, std::ostream& Out) {
  TDesign Design(Host, FileName, true);
  TreeIntf::TRootSprig Root(Design.Root(), Design.Designer());
  Root.Build();
  TSprig* N = NodeNamed(Root, Design, Node);
  TSprig* T = NodeNamed(Root, Design, Target);
  const std::string NodeName = NodeText(N), TargetName = NodeText(T);
  const bool Changed = Root.DragDrop(N, T);
  const bool Saved = Design.SaveIfModified("Drop " + NodeName + " on " + TargetName);
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

// Places a new component of a palette class onto the node Target.
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
  const bool Saved = Design.SaveIfModified("Place " + C->GetName());
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

} // namespace

void AddInspectorCommands(CLI::App& App, THost& Host) {
  struct TArgs {
    std::vector<std::string> Selection;
    std::string File, Component, Property, Value, Node, Target, ClassName;
    TEditOptions EditOptions;
  };
  const auto A = std::make_shared<TArgs>();
  if (Host.Builds("inspect")) {
    auto* InspectCommand = App.add_subcommand(
        "inspect", "What the Object Inspector shows for one component or a multiple selection");
    InspectCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    InspectCommand->add_option("COMPONENT", A->Selection, "The selected components")->required();
    InspectCommand->callback([&Host, A] { Inspect(Host, A->File, A->Selection, std::cout); });
  }

  if (Host.Builds("values")) {
    auto* ValuesCommand = App.add_subcommand("values", "The drop-down list of a property");
    ValuesCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    ValuesCommand->add_option("COMPONENT", A->Component, "The component")->required();
    ValuesCommand
        ->add_option("PROPERTY", A->Property, "The property (Font.Name for a sub-property)")
        ->required();
    ValuesCommand->callback(
        [&Host, A] { Values(Host, A->File, A->Component, A->Property, std::cout); });
  }

  if (Host.Builds("set")) {
    auto* SetCommand = App.add_subcommand(
        "set", "Set a property through its property editor; the file is saved when it changed");
    SetCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    SetCommand->add_option("COMPONENT", A->Component, "The component")->required();
    SetCommand->add_option("PROPERTY", A->Property, "The property (Font.Name for a sub-property)")
        ->required();
    SetCommand->add_option("VALUE", A->Value, "The value as the Object Inspector takes it")
        ->required();
    SetCommand->callback(
        [&Host, A] { SetProperty(Host, A->File, A->Component, A->Property, A->Value, std::cout); });
  }

  if (Host.Builds("edit-property")) {
    auto* EditPropertyCommand = App.add_subcommand(
        "edit-property",
        "Press the ellipsis button of a property; the file is saved when it changed");
    EditPropertyCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    EditPropertyCommand->add_option("COMPONENT", A->Component, "The component")->required();
    EditPropertyCommand->add_option("PROPERTY", A->Property, "The property")->required();
    EditPropertyCommand->add_flag("--alt", A->EditOptions.Alt,
                                  "Hold the Alt key down while pressing it");
    EditPropertyCommand->add_option(
        "--ui-script", A->EditOptions.UIScript,
        "Act on the dialogs as this script says (default: at the terminal)");
    EditPropertyCommand->callback([&Host, A] {
      EditProperty(Host, A->File, A->Component, A->Property, A->EditOptions, std::cout);
    });
  }

  if (Host.Builds("tree")) {
    auto* TreeCommand =
        App.add_subcommand("tree", "The object tree: captions, kinds, problems and children");
    TreeCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    TreeCommand->callback([&Host, A] { Tree(Host, A->File, std::cout); });
  }

  if (Host.Builds("drop")) {
    auto* DropCommand = App.add_subcommand(
        "drop", "Drag a node of the object tree onto another; the file is saved when it changed");
    DropCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    DropCommand
        ->add_option("NODE", A->Node, "The node dragged (a component's name or a node's name)")
        ->required();
    DropCommand->add_option("TARGET", A->Target, "The node it is dropped onto")->required();
    DropCommand->callback([&Host, A] { Drop(Host, A->File, A->Node, A->Target, std::cout); });
  }

  if (Host.Builds("place")) {
    auto* PlaceCommand = App.add_subcommand(
        "place", "Place a new component from the palette onto a node of the object tree");
    PlaceCommand->add_option("FILE", A->File, "The design file (.dfm)")->required();
    PlaceCommand->add_option("CLASS", A->ClassName, "The component class (TOVQuery)")->required();
    PlaceCommand->add_option("TARGET", A->Target, "The node it goes under")->required();
    PlaceCommand->callback(
        [&Host, A] { Place(Host, A->File, A->ClassName, A->Target, std::cout); });
  }
}

} // namespace HostCommands
