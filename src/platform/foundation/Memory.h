#pragma once
// The program's hold on memory it no longer uses. The allocator would
// otherwise keep what large transient work freed (loading and saving the
// store, painting the main window) for the whole run, and a tray program
// idles for most of it.

namespace platform::memory {

// At program start, before much is allocated. Fixes the allocator's
// thresholds for giving memory back: left to itself it raises them after
// every large free and then keeps whatever later work frees below them.
void configureAllocator();

// Gives the memory freed so far back to the system. Cheap enough for the main
// thread now and then (after a load, after a window closes), not in a loop.
void returnFreedMemory();

}  // namespace platform::memory
