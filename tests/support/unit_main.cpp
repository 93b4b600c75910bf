// Test entry for unit and end-to-end tests.
#include <gtest/gtest.h>

#include "support/private_temp.h"

int main(int argc, char** argv) {
    kvtest::use_private_temp_dir();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
