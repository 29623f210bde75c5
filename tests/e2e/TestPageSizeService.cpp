// Built only into the test bundle kv3pagesizes: the test programs' page-size
// service, installed when the bundle is loaded, so that commands whose
// parameters hold a sheet size can be driven through kvhost while the
// plug-in itself has no page-size collection. Everything else in that
// bundle is the product's own (frame, engine, command modules).
#include <tuple>

#include "support/TestPageSizes.h"

namespace {
[[maybe_unused]] const bool kPageSizesInstalled = (kvtest::TestPageSizes::Install(), true);
}
