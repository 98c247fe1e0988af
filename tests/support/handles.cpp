#include "tests/support/handles.h"

#include <windows.h>

size_t CountOpenHandles()
{
    constexpr uintptr_t kHighestProbed = 0x10000;
    size_t count = 0;
    for (uintptr_t value = 4; value <= kHighestProbed; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
        }
    }
    return count;
}

size_t PrivateBytes()
{
    // Wine leaves the process memory counters' private usage at 0: add up
    // the committed private regions of the address space instead.
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            total += region.RegionSize;
        }
    }
    return total;
}
