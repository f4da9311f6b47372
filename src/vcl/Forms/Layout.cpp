// Stored layouts: finding a form class's layout in the loaded modules and
// reading it into the form.
#include "rtl/DfmStream.hpp"
#include "rtl/ResFile.hpp"
#include "vcl/Forms.hpp"

namespace Forms {

using SysUtils::Format;

bool FindFormLayout(const std::string& ResName, std::string& Text, std::string& SourceName) {
  for (const void* Module : System::LibModules()) {
    auto Data = ResFile::FindModuleResource(Module, ResFile::RT_RCDATA, ResName);
    if (!Data)
      continue;
    Text.assign(Data->begin(), Data->end());
    SourceName = ResFile::GetModuleFileName(Module) + ":" + ResName;
    return true;
  }
  return false;
}

void ReadFormLayout(TCustomForm* Form, std::string_view Text, const std::string& SourceName) {
  RegisterFormClasses();
  DfmStream::ReadComponentFromText(Text, Form, SourceName);
}

void ReadFormLayouts(TCustomForm* Form) {
  // An inherited form reads its ancestors' layouts first; its own (if any)
  // then changes what they made.
  std::vector<TClass> Chain;
  for (TClass C = Form->ClassType();
       C && C != TForm::StaticClass() && C != TCustomForm::StaticClass(); C = C->Parent)
    Chain.push_back(C);
  if (Chain.empty())
    return;
  bool Found = false;
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It) {
    std::string Text;
    std::string Source;
    if (!FindFormLayout(SysUtils::UpperCase((*It)->Name), Text, Source))
      continue;
    ReadFormLayout(Form, Text, Source);
    Found = true;
  }
  if (!Found)
    throw EResNotFound(Format("Resource %s not found", SysUtils::UpperCase(Form->ClassName())));
}

TCustomForm* CreateFormFromText(TClass FormClass, TComponent* Owner, std::string_view Text,
                                const std::string& SourceName) {
  if (!FormClass || !FormClass->InheritsFrom(TCustomForm::StaticClass()))
    throw SysUtils::EInvalidOperation(
        Format("Class %s is not a form class", FormClass ? FormClass->Name : std::string("nil")));
  auto* Form = static_cast<TCustomForm*>(
      Classes::CreateComponent(FormClass, Owner ? Owner : static_cast<TComponent*>(Application)));
  try {
    ReadFormLayout(Form, Text, SourceName);
    Form->DoCreate();
  } catch (...) {
    Form->FDestroyFired = true;
    delete Form;
    throw;
  }
  return Form;
}

} // namespace Forms
