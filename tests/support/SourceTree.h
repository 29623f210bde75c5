// Where a test program finds what it reads from the source tree: a path that
// CMake compiles in (kv_test), so that the program behaves the same under
// ctest and run by hand from any folder, with no environment to set.
#pragma once

#include <string>

#ifndef KV_TEST_SOURCE_DIR
#error "KV_TEST_SOURCE_DIR names the source tree; kv_test defines it"
#endif

namespace kvtest {

// relative: a path inside the source tree, such as "resources/messages/en.txt".
inline std::string SourcePath(const std::string& relative) { return std::string(KV_TEST_SOURCE_DIR) + "/" + relative; }

}  // namespace kvtest
