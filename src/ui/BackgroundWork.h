#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <utility>

#include "work/WorkProgress.h"

class QWidget;

namespace brevane {

// How long work runs before its progress dialog appears: 0.5 s, shorter in tests.
std::chrono::milliseconds ProgressDialogDelay();
void SetProgressDialogDelay(std::chrono::milliseconds delay);

// Called on the GUI thread just before each piece of work starts, with its progress; tests use
// it to cancel at a moment of their choosing. An empty function removes it.
void SetWorkStartedHook(std::function<void(WorkProgress&)> hook);

// Called on the work's thread just before each piece of work, with its progress; tests use it to
// hold the work until they have acted on its progress dialog. An empty function removes it.
void SetWorkThreadHook(std::function<void(WorkProgress&)> hook);

// Runs `work` on a thread of its own and waits for it in a local event loop, so that the windows
// go on painting. Meanwhile the program's windows take no input (a busy cursor says why). Once the
// work has run for ProgressDialogDelay(), a modal progress dialog over `parent` shows
// `operation`, a bar from `progress` and a "Cancel" button; a click on it, Escape, and the close
// button of the dialog's title bar each ask the work to stop through `progress`. Work that ends
// sooner shows nothing new. Rethrows what `work` threw; after a cancel it throws WorkCancelled,
// also when the work had just got to its end, so that the caller treats every cancelled operation
// alike.
void RunInBackground(QWidget* parent, const QString& operation, WorkProgress& progress,
                     const std::function<void()>& work);

// The same for work with a result.
template <class Work>
auto RunInBackgroundFor(QWidget* parent, const QString& operation, WorkProgress& progress,
                        Work&& work) {
    std::optional<decltype(work())> result;
    RunInBackground(parent, operation, progress, [&] { result.emplace(work()); });
    return std::move(*result);
}

}  // namespace brevane
