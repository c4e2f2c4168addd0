// The fuzzing entry point of the AVI header parser, shared by the libFuzzer
// target (clang, fuzz/) and the short deterministic pass of the test suite.
#pragma once

#include <cstddef>
#include <cstdint>

// Parses data as a file, then again through a source that fails one of its
// reads or its size query (chosen from the data), and checks what must hold
// for any input. A broken rule aborts with a message.
int AviHeaderFuzzOne(const uint8_t* data, std::size_t size);
