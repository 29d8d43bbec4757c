// Tests that broadcast must prove first that they stand in the suite's private network
// namespace; a broadcast from anywhere else could reach a real network.
#pragma once

#include <gtest/gtest.h>

namespace testing_support {

// The private test segment that scripts/test sets up.
constexpr char kIsolatedSubnetPrefix[] = "10.213.0.";

// Success only when scripts/test marked this process as isolated and every IPv4 adapter
// address lies in the private test segment.
::testing::AssertionResult InIsolatedNetwork();

}  // namespace testing_support
