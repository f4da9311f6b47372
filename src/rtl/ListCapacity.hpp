#pragma once

// The room of a list kept in a vector, as string lists and list items set it
// (SetCapacity): more than it has is reserved; room for no more lines than
// there are gives back what they do not use.

#include <algorithm>
#include <cstddef>

namespace Classes {

template <class TVector> void SetVectorCapacity(TVector& List, int Value) {
  const std::size_t Room = static_cast<std::size_t>(std::max(Value, 0));
  if (Room > List.capacity())
    List.reserve(Room);
  else if (Room <= List.size())
    List.shrink_to_fit();
}

} // namespace Classes
