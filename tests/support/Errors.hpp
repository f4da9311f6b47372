// The message of the exception a call raises, for tests that compare what a
// failure says: ErrorOf([&] { Load(File); }) is "(no error)" when the call
// raised nothing. Only exceptions of type E (any std::exception by default)
// are caught; others go on and fail the test.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace TestSupport {

template <class E = std::exception> std::string ErrorOf(const std::function<void()>& Call) {
  try {
    Call();
  } catch (const E& Error) {
    return Error.what();
  }
  return "(no error)";
}

} // namespace TestSupport
