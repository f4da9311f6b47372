#include "designide/DesignIntf/DesignSpots.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <unordered_set>

namespace DesignIntf {

using Classes::TComponent;

namespace {

// The surface's grid: a cell holds one icon with its name below it.
constexpr int IconSize = 28;
constexpr int NameOverhang = 34; // a name wider than the icon, each side
constexpr int NameHeight = 20;
constexpr int CellWidth = 96;
constexpr int CellHeight = 72;
constexpr int GridMargin = 24;

// In 64 bits: a file may hold any 32-bit position.
bool Overlap(int64_t Left, int64_t Top, TDesignSpot B) {
  return std::abs(Left - B.Left) < IconSize + 2 * NameOverhang &&
         std::abs(Top - B.Top) < IconSize + NameHeight;
}

} // namespace

bool DesignSpotsOverlap(TDesignSpot A, TDesignSpot B) {
  return Overlap(A.Left, A.Top, B);
}

TDesignSpot NextFreeDesignSpot(const TComponent* Root) {
  return NextFreeDesignSpots(Root, 1, {}).front();
}

std::vector<TDesignSpot> NextFreeDesignSpots(const TComponent* Root, int Count,
                                             const std::unordered_set<const TComponent*>& Ignored) {
  int Width = 0;
  if (const auto* Module = dynamic_cast<const Classes::TDataModule*>(Root))
    Width = Module->GetWidth();
  const int Columns = std::max(1, (Width - 2 * GridMargin - IconSize) / CellWidth + 1);
  const auto SpotOf = [&](int64_t Cell) {
    return TDesignSpot{GridMargin + static_cast<int>(Cell % Columns) * CellWidth,
                       GridMargin + static_cast<int>(Cell / Columns) * CellHeight};
  };
  // The cells each icon there blocks: a few around it, found without a
  // search over the whole design.
  std::unordered_set<int64_t> Blocked;
  const auto FirstNear = [](int Pos, int Reach, int Step) {
    const int64_t From = int64_t{Pos} - Reach - GridMargin;
    return From <= 0 ? int64_t{0} : From / Step;
  };
  for (int I = 0; Root && I < Root->ComponentCount(); ++I) {
    const TComponent* C = Root->Components(I);
    if (C->HasParent() || Ignored.contains(C))
      continue;
    const TDesignSpot At{C->DesignLeft(), C->DesignTop()};
    const int64_t Column = FirstNear(At.Left, IconSize + 2 * NameOverhang, CellWidth);
    const int64_t Row = FirstNear(At.Top, IconSize + NameHeight, CellHeight);
    for (int64_t R = Row; R < Row + 3; ++R)
      for (int64_t Col = Column; Col < std::min<int64_t>(Columns, Column + 3); ++Col) {
        const int64_t Cell = R * Columns + Col;
        if (Overlap(GridMargin + Col * CellWidth, GridMargin + R * CellHeight, At))
          Blocked.insert(Cell);
      }
  }
  std::vector<TDesignSpot> Spots;
  for (int64_t Cell = 0; static_cast<int>(Spots.size()) < std::max(1, Count); ++Cell)
    if (!Blocked.count(Cell))
      Spots.push_back(SpotOf(Cell));
  return Spots;
}

} // namespace DesignIntf
