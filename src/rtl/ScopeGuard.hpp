// The one way to say "finally": an action run when the scope it was declared
// in is left, whether normally or by an exception.
//
//   const ScopeGuard::TFinally RestoreCursor([&] { Screen->SetCursor(Saved); });
//
// Left normally, an exception the action raises goes on to the caller. Left
// by an exception, the action still runs, and an exception it raises in turn
// is dropped: the first failure is the one reported.
#pragma once

#include <exception>
#include <utility>

namespace ScopeGuard {

template <typename TAction> class [[nodiscard]] TFinally {
public:
  explicit TFinally(TAction Action)
      : FAction(std::move(Action)), FExceptions(std::uncaught_exceptions()) {}
  ~TFinally() noexcept(false) {
    if (!FActive)
      return;
    if (std::uncaught_exceptions() > FExceptions) {
      try {
        FAction();
      } catch (...) {
      }
      return;
    }
    FAction();
  }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;

  // The action is not run after all.
  void Dismiss() noexcept { FActive = false; }

private:
  TAction FAction;
  int FExceptions;
  bool FActive = true;
};

} // namespace ScopeGuard
