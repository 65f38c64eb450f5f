// Measuring in a child process, so that each figure starts from a fresh heap and peak.
#pragma once

#include <functional>

// Runs measure() in a forked child and returns the value it sent back; -1 when the child could
// not run or send it. The child leaves with _exit, so that nothing of the parent's is destroyed.
double valueInChildProcess(const std::function<double()>& measure);
