// Every test program gets a temporary directory of its own: tests run as parallel processes,
// and the program's fixed temporary names ("kurvlab.txt", ...) must not be shared by them.
#pragma once

namespace kvtest {

// Makes the directory, points TMPDIR and TEST_TMPDIR at it; removed again at exit.
void use_private_temp_dir();

}  // namespace kvtest
