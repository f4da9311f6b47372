// Text form files from elsewhere: every input either parses or raises the
// parser's own error naming the source, and whatever parses writes back to a
// text that parses to the same tree.
#include "rtl/DfmStream.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  DfmText::TDfmObject Tree;
  try {
    Tree = DfmStream::Parse(Text, "fuzz");
  } catch (const DfmStream::EParserError& E) {
    if (E.Message().rfind("fuzz:", 0) != 0)
      std::abort();
    return 0;
  }
  std::string Written;
  try {
    Written = DfmStream::WriteText(Tree);
  } catch (const Classes::EWriteError&) {
    // A tree with no text form (a name that is no identifier, say) is
    // refused by the writer, never written half.
    return 0;
  }
  if (!DfmStream::SameTree(DfmStream::Parse(Written, "written"), Tree))
    std::abort();
  return 0;
}
