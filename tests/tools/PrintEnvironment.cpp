// Adds the test printer to the prefix before the first test (once per prefix).
#include <gtest/gtest.h>

#include "TestPrinter.h"

namespace {

class PrinterEnvironment : public testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(printtest::EnsureTestPrinter()) << "no printer could be added to the prefix"; }
};

testing::Environment* const g_printer = testing::AddGlobalTestEnvironment(new PrinterEnvironment);

}  // namespace
