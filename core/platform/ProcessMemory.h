#pragma once

namespace brimly::ProcessMemory {

// Sets up the allocator for a long-running process that passes screenshots of a megabyte and more through
// several threads. Call it first thing in `main`, before any thread starts.
void configure();

// Gives the heap's free pages back to the system; for moments after a lot was freed.
void release();

}  // namespace brimly::ProcessMemory
