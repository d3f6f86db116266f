#pragma once
// The processor-feature query of the process entry.

namespace krv::stub {

// True when the processor offers SSE2 (processor feature 10). A test build of
// the stub links a variant that answers false.
bool ProcessorHasSse2();

}  // namespace krv::stub
