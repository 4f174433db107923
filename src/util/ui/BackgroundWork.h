// Long work off the GUI thread while the windows keep painting and take no user input.
#pragma once

#include <functional>

namespace veltra {

/// Runs work on a worker thread and returns when it has ended, rethrowing its exception.
/// Meanwhile the GUI thread goes on painting and running timers (a wait notice stays
/// drawn and shows its progress), but every user input event and every request to close
/// a window is discarded, so no handler runs and the windows stay as they are. work must
/// touch only objects no window reads while it runs.
void RunWithoutUserInput(const std::function<void()>& work);

/// True while RunWithoutUserInput runs its work.
bool IsRunningWithoutUserInput();

} // namespace veltra
