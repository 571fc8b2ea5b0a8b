// The fuzz entry over dialog templates (resource type 5) read from a resource
// module file. The test program runs it for a fixed budget; built with
// -fsanitize=fuzzer and PK_LIBFUZZER defined, the same file is a libFuzzer
// target (see pk_add_fuzzer):
//   ./dialog_template_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first byte chooses how the dialog runs (bit 0: modal with a script;
// bit 1: its procedure destroys the dialog at the first command; bit 2: it
// refuses the default focus) and what the rest is (bit 3: a whole resource
// module file; else the template alone, put as dialog 100 into a module
// file). The module is loaded from under the machine root, its resources
// read, dialog 100 made from it and every control used as a person would.
// Returns the number of controls the dialog was made with (0 when the
// template was refused).
int dialog_template_fuzz_one(const uint8_t* data, size_t size);
