// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three error modes a handler can choose.
//  - resume_next(step, step, ...): a step that throws is skipped, the next one runs.
//  - catch_all(body, on_error): any failure in body goes to on_error, once.
//  - no mode: the handler is plain code and lets errors through to the dispatcher.
#include <exception>
#include <utility>

namespace tk {

template <class Step>
inline void run_step(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
    } catch (const std::exception&) {
        // Skipped on purpose: this step's failure must not stop the ones after it.
    }
}

template <class... Steps>
inline void resume_next(Steps&&... steps) noexcept {
    (run_step(std::forward<Steps>(steps)), ...);
}

template <class Body, class Handler>
inline void catch_all(Body&& body, Handler&& on_error) {
    bool failed = false;
    try {
        std::forward<Body>(body)();
    } catch (const std::exception&) {
        failed = true;
    }
    // The error path runs outside the catch block so that it may itself wait
    // (a message box) without keeping an exception object alive.
    if (failed) std::forward<Handler>(on_error)();
}

}  // namespace tk
