// The viewer's measurements run in a child process of the benchmark program (GuiBench.cpp).
#pragma once

/// True in the child process that measures the viewer.
bool IsGuiBenchChild();
/// Builds the viewer on the synthetic database, prints one line per measurement and
/// returns the process's exit code.
int RunGuiBenchChild();
