#include "platform/StateWriteGuard.h"

namespace {

std::function<bool()>& Guard()
{
    static std::function<bool()> guard;
    return guard;
}

} // namespace

void SetStateWriteGuard(std::function<bool()> mayWrite)
{
    Guard() = std::move(mayWrite);
}

bool MayWriteStateFiles()
{
    return !Guard() || Guard()();
}
