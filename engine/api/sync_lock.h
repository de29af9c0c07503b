// The engine's critical-section wrapper, shared with the messaging classes' post queue.
#pragma once

#include "platform/sync_lock.h"
