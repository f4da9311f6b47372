#include "host/CommandSupport.hpp"

#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"

#include <iostream>

namespace HostCommands {

using SysUtils::Format;

TDesign::TDesign(THost& Host, const std::string& FileName, bool ForUpdate) {
  Host.Package();
  FDocument = DesignDocument::TDesignDocument::Open(FileName, ForUpdate);
  FDesigner =
      System::TInterfaceRef<DesignIntf::TDesigner>(new DesignIntf::TDesigner(FDocument->Root()));
  if (ForUpdate)
    FOpened = FDocument->Text();
}

Classes::TComponent* TDesign::Component(const std::string& Name) const {
  if (Classes::TComponent* C = FDesigner->GetComponent(Name))
    return C;
  throw Classes::EComponentError(
      Format("%s has no component named %s", FileName(), StrUtils::Excerpt(Name)));
}

bool TDesign::SaveIfModified(const std::string& ChangeName) {
  if (!FDesigner->IsModified())
    return false;
  FDocument->Save();
  RecordChange(*FDocument, ChangeName, FOpened);
  return true;
}

void TDesign::LeaveToExit() {
  FDesigner = nullptr;
  DesignDocument::TDesignDocument::LeaveToExit(std::move(FDocument));
}

void KeepToExit(const void* Object) {
  static auto* const Kept = new std::vector<const void*>;
  Kept->push_back(Object);
}

void RecordChange(DesignDocument::TDesignDocument& Document, const std::string& ChangeName,
                  const std::string& Before) {
  try {
    Document.RecordInHistoryFile(ChangeName, Before);
  } catch (const std::exception& E) {
    std::cerr << "ovdesigner: the change was saved, but not recorded for undo: " << E.what()
              << '\n';
  }
}

void TForwardingUI::RunModal(Forms::TCustomForm* Form) {
  FInner->RunModal(Form);
}
void TForwardingUI::FormShown(Forms::TCustomForm* Form) {
  FInner->FormShown(Form);
}
void TForwardingUI::FormHidden(Forms::TCustomForm* Form) {
  FInner->FormHidden(Form);
}
int TForwardingUI::MessageBox(const UIService::TMessageBoxRequest& Request) {
  return FInner->MessageBox(Request);
}
bool TForwardingUI::ExecuteOpenDialog(UIService::TFileDialogRequest& Request) {
  return FInner->ExecuteOpenDialog(Request);
}
bool TForwardingUI::IsKeyDown(int VirtualKey) {
  return FInner->IsKeyDown(VirtualKey);
}
bool TForwardingUI::OpenDocument(const std::string& Document) {
  return FInner->OpenDocument(Document);
}
Types::TSize TForwardingUI::MeasureText(const Graphics::TFont& Font, std::string_view Text) {
  return FInner->MeasureText(Font, Text);
}
void TForwardingUI::ShowCursor(int Cursor) {
  FInner->ShowCursor(Cursor);
}
bool TForwardingUI::EditTextModule(UIService::TTextModuleRequest& Request) {
  return FInner->EditTextModule(Request);
}

std::string Join(const std::vector<std::string>& Items, const char* Sep) {
  std::string R;
  for (const auto& I : Items) {
    if (!R.empty())
      R += Sep;
    R += I;
  }
  return R;
}

} // namespace HostCommands
