#pragma once

#include <cstddef>
#include <cstdint>

namespace velorix::sim::test {

// Parses arbitrary bytes as a band scenario and checks what the parser
// promises: a scenario or an error, never both; an error names the text and
// a line of it; an accepted station carries finite values and the number of
// the line that declared it. Aborts on a broken promise. Inputs that name a
// WAV file are passed over: they would read files of the machine. Shared by
// the libFuzzer target and the corpus replay test.
void FuzzScenario(const std::uint8_t* data, std::size_t size);

}  // namespace velorix::sim::test
