#include <gtest/gtest.h>
#include "app/command_line.h"
TEST(Smoke, Builds) { char line[] = "a b"; EXPECT_STREQ(getFileArgument(line), "b"); }
