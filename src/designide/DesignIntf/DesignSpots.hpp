// Where components go on the design surface when the person points at no
// spot: the surface's grid of icon cells.
#pragma once

#include "rtl/Classes.hpp"

#include <unordered_set>
#include <vector>

namespace DesignIntf {

// A spot on the design surface: the design position (Left, Top) of a
// non-visual component's icon.
struct TDesignSpot {
  int Left = 0;
  int Top = 0;
  friend bool operator==(const TDesignSpot&, const TDesignSpot&) = default;
};

// Where a new non-visual component goes when the person points at no spot:
// the first cell of the surface's grid, row by row within the root's width
// (a data module's Width), whose icon and name would overlap none of the
// root's components that have no parent of their own (fields under their
// dataset have no icon).
TDesignSpot NextFreeDesignSpot(const Classes::TComponent* Root);
// The first Count such cells (at least one), in order, as if the Ignored
// components were not there: where several components placed at once go.
std::vector<TDesignSpot>
NextFreeDesignSpots(const Classes::TComponent* Root, int Count,
                    const std::unordered_set<const Classes::TComponent*>& Ignored);
// Whether icons (with their names below) at the two spots overlap.
bool DesignSpotsOverlap(TDesignSpot A, TDesignSpot B);

} // namespace DesignIntf
