// How the C library's allocator is set up for the window program.
#pragma once

// Makes memory freed by one conversion ready for the next: large blocks come
// from the heap and freed ones stay there, instead of being asked from the
// system and handed back each time (a megabyte document's conversion would
// otherwise fault its pages in afresh on every keystroke, which costs more
// than the conversion itself). To be called at the start of the program.
void KeepFreedMemoryForReuse();
