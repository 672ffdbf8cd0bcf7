#pragma once

namespace brimly {

// Builds a visitor for std::visit out of lambdas, one per alternative.
template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace brimly
