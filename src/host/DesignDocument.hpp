// A design document of the host: a text form file read into a root component
// (a data module, later a form) that is being designed, and written back;
// the history of the changes a person made to it (undo and redo); and the
// clipboard form of components (their text, as the file holds them).
#pragma once

#include "rtl/Classes.hpp"
#include "rtl/IOUtils.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace DesignDocument {

// The names of selected components, as a document remembers a selection.
using TNames = std::vector<std::string>;

// One entry of the history: the design's text before and after a change, and
// the selection before and after it. Texts are shared between neighbouring
// entries (the text after one change is the text before the next).
struct THistoryEntry {
  std::string Name; // "Move OVQuery1", "Delete 3 components"
  std::shared_ptr<const std::string> Before;
  std::shared_ptr<const std::string> After;
  TNames SelectionBefore;
  TNames SelectionAfter;
};

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
  // The file is read with the trust DesignTrust gives its folder, and the
  // document keeps that trust while it lives (undoing a change, connecting
  // on purpose), whatever trust another file read later gets.
  static std::unique_ptr<TDesignDocument> Open(const std::string& FileName, bool ForUpdate = false);
  ~TDesignDocument();
  TDesignDocument(const TDesignDocument&) = delete;
  TDesignDocument& operator=(const TDesignDocument&) = delete;

  const std::string& FileName() const { return FFileName; }
  Classes::TComponent* Root() const { return FRoot.get(); }

  // For a command that ends the process once it is done with Doc: lets go
  // of what the document holds outside the process (its update lock) and
  // leaves its components to the end of the process instead of freeing them
  // one by one, which for a file of thousands of components is a good part
  // of the command's time and shows nowhere. Only a document read under
  // NoConnections is left so: nothing of it connected, opened a dataset or
  // started a monitor log, so its destructors have nothing to close, flush
  // or write. Any other document is freed at once, as usual.
  static void LeaveToExit(std::unique_ptr<TDesignDocument> Doc);
  // Whether LeaveToExit would leave the document.
  bool CanLeaveToExit() const { return FConnectsNowhere; }

  // The document's text form, as Save writes it.
  std::string Text() const;
  // Writes the document to FileName (or its own file) through a temporary
  // file and a rename: the old file stays whole until the new one is.
  void Save(const std::string& FileName = {}) const;

  // --- history -------------------------------------------------------------
  //
  // Every change a person makes runs through Change, which keeps the design's
  // text before and after it; Undo and Redo put the design back to one of
  // them (the root stays the same object; its components are made anew from
  // the text, with every property and every reference among them). The
  // selection travels by name through the two hooks below, which whoever
  // shows the design sets (the designer window, a command).

  // The names of the components selected now, and selecting by names.
  std::function<TNames()> OnGetSelection;
  std::function<void(const TNames&)> OnSetSelection;

  // Runs Action as one change named Name. When the design's text differs
  // afterwards, the change becomes the newest entry of the history (the redo
  // list is dropped) and true is returned; a change that changed nothing
  // leaves no entry. When Action throws after changing the design, what it
  // changed is recorded all the same (so it can be undone) and the exception
  // goes on. A change made without Change since the last entry is recorded
  // first, as an entry of its own ("Change Made Elsewhere").
  bool Change(const std::string& Name, const std::function<void()>& Action);
  // The same for a change whose name is known only once it is made (the
  // name of a placed component): Action may rename it.
  bool Change(const std::string& Name, const std::function<void(std::string& Name)>& Action);

  bool CanUndo() const { return !FUndo.empty(); }
  bool CanRedo() const { return !FRedo.empty(); }
  // "Undo Move OVQuery1" / "Redo Delete 3 components"; "Undo" and "Redo"
  // when there is nothing to undo or redo.
  std::string UndoCaption() const;
  std::string RedoCaption() const;
  const std::vector<THistoryEntry>& UndoList() const { return FUndo; }
  const std::vector<THistoryEntry>& RedoList() const { return FRedo; }
  // Reverts the newest change (the selection returns to what it was before
  // it) and returns its name; raises SysUtils::EInvalidOperation "Nothing to
  // undo" when there is none, and when the design was changed outside the
  // history since ("the design changed since ..."), leaving it as it is.
  std::string Undo();
  // Makes the newest undone change again; the same errors ("Nothing to redo").
  std::string Redo();
  // Forgets the history (after the document was reloaded from its file).
  void ClearHistory();

  // The history keeps at most this many entries, and drops the oldest ones
  // while its texts take more than MaxHistoryBytes (one entry always stays).
  static constexpr size_t MaxHistoryEntries = 100;
  static constexpr size_t MaxHistoryBytes = size_t{256} << 20;

  // --- the history of the file, for the command line -----------------------
  //
  // Each command is a process of its own, so the command line keeps the
  // history beside the design file, in ".NAME.ovhistory" of its folder.

  std::string HistoryFileName() const;
  // Reads the file's history (an empty one when there is no history file).
  // A damaged history file raises Classes::EReadError naming it.
  void LoadHistory();
  // Writes the history beside the file, atomically; the oldest entries are
  // dropped while it would take more than MaxSavedHistoryBytes.
  void SaveHistory();
  static constexpr size_t MaxSavedHistoryBytes = size_t{32} << 20;
  // Records in the history file the change a command made: from Before (the
  // design's text when the command opened it) to the design's text now,
  // named Name. A change made to the file outside the history since its last
  // entry is recorded first as an entry of its own ("Change Made Elsewhere").
  void RecordInHistoryFile(const std::string& Name, const std::string& Before);

  // A change's name over the components it changes: "Move OVQuery1" for one,
  // "Move 3 components" for several, Verb alone for none.
  static std::string ChangeName(const std::string& Verb, const TNames& Components);

  // --- clipboard -----------------------------------------------------------

  // The text form of Components (each of the root's), one object each, in
  // the order given, as the design file writes them.
  std::string CopyText(const std::vector<Classes::TComponent*>& Components) const;
  // Reads components from Text (one or more objects, as CopyText writes
  // them, or a whole form file, whose root's components are taken) into the
  // root as one change "Paste ...", and selects them. Names already taken
  // become free ones (OVQuery1 -> OVQuery2) and references among the pasted
  // components follow them; references to components of the design stay,
  // others are dropped. A pasted component whose spot is taken goes to the
  // next free spot of the surface. Returns the pasted components. Text that
  // does not parse, names a class the host does not know or does not read
  // raises an exception naming what and where, and the design is unchanged.
  std::vector<Classes::TComponent*> Paste(const std::string& Text);
  // Pasted text larger than this is refused before it is read.
  static constexpr size_t MaxPasteBytes = size_t{64} << 20;

private:
  TDesignDocument() = default;
  // Puts the design back to Text: the root's components are freed, the
  // root's own properties go back to their defaults, and Text is read into
  // it. Text is parsed first: a text that does not parse changes nothing.
  void Restore(const std::string& Text);
  // Destroys the root, and forgets the trust it kept.
  void ForgetRoot();
  TNames SelectionNames() const;
  // Undo (Back) or redo: the newest entry of From restored and moved to To.
  std::string Travel(std::vector<THistoryEntry>& From, std::vector<THistoryEntry>& To, bool Back);
  void Record(THistoryEntry Entry);
  void Trim();

  std::string FFileName;
  std::unique_ptr<IOUtils::TFileUpdateLock> FLock;
  std::unique_ptr<Classes::TComponent> FRoot;
  bool FConnectsNowhere = false; // read under NoConnections
  std::vector<THistoryEntry> FUndo;
  std::vector<THistoryEntry> FRedo;
  // The design's text as the history last left it (null before the first
  // change is recorded).
  std::shared_ptr<const std::string> FCurrent;
};

// Registers the root classes the host designs (TDataModule), once.
void RegisterRootClasses();

} // namespace DesignDocument
