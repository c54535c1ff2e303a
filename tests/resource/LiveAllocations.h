#pragma once

// Blocks obtained from the global operator new and not yet given back; the
// resource tests replace the global allocation functions to count them.
long long LiveAllocations();
