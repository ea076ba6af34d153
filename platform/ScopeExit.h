#pragma once
#include <utility>

namespace th {

// Runs `f` when the scope ends, also when an error passes through.
template <typename F>
class OnScopeExit {
 public:
  explicit OnScopeExit(F f) : f_(std::move(f)) {}
  OnScopeExit(const OnScopeExit&) = delete;
  OnScopeExit& operator=(const OnScopeExit&) = delete;
  ~OnScopeExit() { f_(); }

 private:
  F f_;
};

}  // namespace th
