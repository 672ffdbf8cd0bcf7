#include "core/platform/ProcessMemory.h"

#include <malloc.h>

namespace brimly::ProcessMemory {

void configure() {
    // By default each allocating thread may get its own arena (up to eight per core), and an arena keeps the
    // pages it once held: the engine, the thumbnail workers and the image library's own threads ended up with
    // fifteen, holding some 35 MB of free memory after a few hundred screenshots. A single arena also grows
    // the cheap way: a second one grows a page per system call, 6500 of them to load a 20 000-item shelf.
    ::mallopt(M_ARENA_MAX, 1);
    // A fixed threshold keeps every large buffer (file bytes, decoded base64, pixels) in its own mapping,
    // returned when freed. Left dynamic, it rises past the first freed screenshot's size, and later ones are
    // carved from the heap, which they leave fragmented.
    ::mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    // The heap then grows 4 MB at a go rather than an allocation at a time. Pages grown into but not yet
    // used are never touched, so they cost nothing.
    ::mallopt(M_TOP_PAD, 4 * 1024 * 1024);
}

void release() { ::malloc_trim(0); }

}  // namespace brimly::ProcessMemory
