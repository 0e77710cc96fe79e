#pragma once
// A visitor made of lambdas, for std::visit over the project's variants (steps, engine effects):
// with one lambda per case and no catch-all, a new case is a compile error at every dispatch,
// never a silent success.

namespace corvane::model {

template <typename... Cases>
struct Overloaded : Cases... {
  using Cases::operator()...;
};
template <typename... Cases>
Overloaded(Cases...) -> Overloaded<Cases...>;

}  // namespace corvane::model
