// Test entry for gui tests: the Qt backend on the offscreen platform is installed first.
#include <gtest/gtest.h>

#include "mw31/backend.h"
#include "mw31/qt/qt_backend.h"
#include "support/private_temp.h"

int main(int argc, char** argv) {
    kvtest::use_private_temp_dir();
    ::testing::InitGoogleTest(&argc, argv);
    mw31::set_backend(mw31::make_qt_backend(argc, argv));
    const int result = RUN_ALL_TESTS();
    mw31::set_backend(nullptr);
    return result;
}
