#pragma once
// For work made of independent parts where one part that fails must not stop
// the others (building the graph, laying out its window): the part that
// throws is left undone and the caller goes on with the next.

namespace nimbrel {

template <typename F>
void SkipOnError(F&& part) noexcept {
    try {
        part();
    } catch (...) {
    }
}

}  // namespace nimbrel
