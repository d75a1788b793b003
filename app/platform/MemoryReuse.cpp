#include "platform/MemoryReuse.h"

#include <malloc.h>

void KeepFreedMemoryForReuse() {
  // With an arena per thread, the worker's large blocks live in a heap of
  // their own that is handed back to the system when they are freed, and
  // every conversion faults its pages in again.
  mallopt(M_ARENA_MAX, 1);
}
