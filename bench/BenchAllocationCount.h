// Counts the program's operator new calls, so a benchmark can show that its loop does not allocate.
#pragma once

#include <cstddef>

std::size_t BenchAllocationCount();
