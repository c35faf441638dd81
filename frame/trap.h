// The shared functions' error trap: a service that cannot answer (a failed read, a missing
// component, a conversion that cannot be made) gives its empty result without a message. So
// that a silently empty answer can still be explained, every error swallowed here is recorded
// in the data gateway's trace with the name of the function that trapped it.
#pragma once

#include <string_view>
#include <utility>

namespace qor {

// Records the error being handled; call it inside a catch block.
void NoteTrapped(std::string_view where);

// Runs body and returns its result; an error it raises is recorded and fallback returned.
template <class R, class F>
R Trapped(std::string_view where, R fallback, F&& body) {
    try {
        return std::forward<F>(body)();
    } catch (...) {
        NoteTrapped(where);
        return fallback;
    }
}

// The same for a body without a result.
template <class F>
void Trapped(std::string_view where, F&& body) {
    try {
        std::forward<F>(body)();
    } catch (...) {
        NoteTrapped(where);
    }
}

}  // namespace qor
