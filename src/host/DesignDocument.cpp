#include "host/DesignDocument.hpp"

#include "rtl/DfmStream.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"

namespace DesignDocument {

using SysUtils::Format;

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
  try {
    Doc->FRoot.reset(Classes::CreateComponent(RootClass, nullptr));
  } catch (const std::exception& E) {
    throw Classes::EReadError(
        Format("%s:%d:%d: %s", FileName, Tree.Line, Tree.Column, std::string(E.what())));
  }
  Doc->FRoot->SetDesigning(true);
  DfmStream::ReadComponent(Tree, Doc->FRoot.get(), FileName);
  return Doc;
}

TDesignDocument::~TDesignDocument() = default;

std::string TDesignDocument::Text() const {
  return DfmStream::WriteComponentToText(FRoot.get());
}

void TDesignDocument::Save(const std::string& FileName) const {
  SysUtils::SaveFileAtomically(FileName.empty() ? FFileName : FileName, Text());
}

} // namespace DesignDocument
