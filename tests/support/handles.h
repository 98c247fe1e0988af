// Counting this process's open kernel handles. GetProcessHandleCount is not
// usable here (Wine answers 0), so the handle values are probed one by one.
#pragma once

#include <stddef.h>

size_t CountOpenHandles();
// Committed private memory of this process, in bytes.
size_t PrivateBytes();
