#pragma once

#include <functional>

// Whether the state files may be written now. A copy that could not make
// sure it is the only one running installs a guard that says no until it
// can (it tries again at each call); without a guard the answer is yes.
// The study data's save writes nothing while the answer is no, and what it
// did not write stays to be saved.
void SetStateWriteGuard(std::function<bool()> mayWrite);
bool MayWriteStateFiles();
