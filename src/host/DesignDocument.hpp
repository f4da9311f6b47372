// A design document of the host: a text form file read into a root component
// (a data module, later a form) that is being designed, and written back.
#pragma once

#include "rtl/Classes.hpp"
#include "rtl/IOUtils.hpp"

#include <memory>
#include <string>

namespace DesignDocument {

class TDesignDocument {
public:
  // Parses FileName, creates the root through the class registry with
  // csDesigning set (so every component read into it is being designed too)
  // and reads the file into it. Raises DfmStream::EParserError naming the
  // line and column of a syntax error, Classes::EClassNotFound naming a class
  // the host does not know and its line, Classes::EReadError for other
  // problems, SysUtils::EInOutError when the file cannot be read.
  // ForUpdate takes the file's update lock before reading it and holds it
  // while the document lives, for commands that may save the file again: a
  // second such command on the same file waits for the first (a bounded
  // time, then fails) instead of overwriting its change.
  static std::unique_ptr<TDesignDocument> Open(const std::string& FileName, bool ForUpdate = false);
  ~TDesignDocument();
  TDesignDocument(const TDesignDocument&) = delete;
  TDesignDocument& operator=(const TDesignDocument&) = delete;

  const std::string& FileName() const { return FFileName; }
  Classes::TComponent* Root() const { return FRoot.get(); }

  // The document's text form, as Save writes it.
  std::string Text() const;
  // Writes the document to FileName (or its own file) through a temporary
  // file and a rename: the old file stays whole until the new one is.
  void Save(const std::string& FileName = {}) const;

private:
  TDesignDocument() = default;

  std::string FFileName;
  std::unique_ptr<IOUtils::TFileUpdateLock> FLock;
  std::unique_ptr<Classes::TComponent> FRoot;
};

// Registers the root classes the host designs (TDataModule), once.
void RegisterRootClasses();

} // namespace DesignDocument
