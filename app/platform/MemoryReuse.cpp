#include "platform/MemoryReuse.h"

#include <malloc.h>

void KeepFreedMemoryForReuse() {
  // Blocks up to 32 MB (the most the allocator takes) from the heap, and up
  // to 256 MB of freed memory kept at its top. Each thread keeps its own
  // arena: one shared arena would make typed keys wait for the lock while a
  // conversion allocates on the worker thread.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
}
