// How the C library's allocator is set up for the window program.
#pragma once

// Makes memory freed by one conversion ready for the next: one allocator
// arena for all threads, so the worker's conversion and the window reuse the
// same freed blocks instead of asking the system for fresh pages each time
// (first-touch page faults cost more than the conversion of a large document).
// To be called at the start of the program, before other threads run.
void KeepFreedMemoryForReuse();
